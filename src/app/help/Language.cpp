#include "help/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// Outside any namespace, as Q_INIT_RESOURCE declares the resource's function where it stands.
static void loadTranslationResources() {
    // The compiled translation lives in a static library: nothing else keeps it in the program.
    Q_INIT_RESOURCE(translations);
}

namespace {

Language installed = Language::German;

bool namesEnglish(const QByteArray& locale) {
    // "en", "en_GB", "en_US.UTF-8", "en@quot": the language code ends at the first of _ . @
    qsizetype end = 0;
    while (end < locale.size() && locale[end] != '_' && locale[end] != '.' && locale[end] != '@')
        ++end;
    return locale.left(end) == "en";
}

} // namespace

Language ChooseLanguage(const QByteArray& language, const QByteArray& lcAll,
                        const QByteArray& lcMessages, const QByteArray& lang) {
    const QByteArray first = language.split(':').value(0);
    if (!first.isEmpty()) return namesEnglish(first) ? Language::English : Language::German;
    for (const QByteArray* locale : {&lcAll, &lcMessages, &lang})
        if (!locale->isEmpty()) return namesEnglish(*locale) ? Language::English : Language::German;
    return Language::German;
}

Language SystemLanguage() {
    return ChooseLanguage(qgetenv("LANGUAGE"), qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"),
                          qgetenv("LANG"));
}

bool InstallLanguage(Language language, QTranslator& toolkit, QTranslator& program) {
    installed = language;
    // Every number the window shows or copies follows its language, whatever LC_NUMERIC says:
    // a German sheet reads "3,265" as the window means it, not as 3265.
    QLocale::setDefault(language == Language::English ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                      : QLocale(QLocale::German, QLocale::Germany));
    if (language == Language::German)
        return toolkit.load(QStringLiteral("qtbase_de"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
               QCoreApplication::installTranslator(&toolkit);
    loadTranslationResources();
    return program.load(QStringLiteral(":/i18n/kurvimat_en.qm")) &&
           QCoreApplication::installTranslator(&program);
}

Language ProgramLanguage() { return installed; }
