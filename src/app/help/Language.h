// The language of the window: German, or English where the system asks for English.
#pragma once

#include <QByteArray>

class QTranslator;

enum class Language { German, English };

/// The language for these environment values (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): English
/// where LANGUAGE's first entry, or else the first set of LC_ALL, LC_MESSAGES and LANG, names
/// English; German for everything else, C and POSIX and nothing set included.
Language ChooseLanguage(const QByteArray& language, const QByteArray& lcAll,
                        const QByteArray& lcMessages, const QByteArray& lang);
/// ChooseLanguage on this process's environment.
Language SystemLanguage();

/// Installs the texts of `language`: in German Qt's German toolkit texts into `toolkit` (the
/// program's own texts are German already), in English the program's English translation into
/// `program` (the toolkit's texts are English already). Makes the language's locale the default
/// QLocale, so numbers follow the window (German: decimal comma, English: point). Remembers
/// the language for ProgramLanguage(). False when a translation is missing.
bool InstallLanguage(Language language, QTranslator& toolkit, QTranslator& program);
/// The language last installed; German before any.
Language ProgramLanguage();
