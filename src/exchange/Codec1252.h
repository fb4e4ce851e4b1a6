// Windows-1252 at the file and clipboard boundary. Inside the program all text is QString;
// files (measurement texts, Signale.ini) are Windows-1252 bytes, or UTF-8 where a text needs
// characters the code page lacks or where another program wrote them so.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace kurvimat::exchange {

/// Decodes Windows-1252 bytes. Every byte maps to exactly one character; the five bytes the
/// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of
/// the same value, so any byte sequence survives a decode/encode round trip.
QString decode1252(QByteArrayView bytes);

/// Encodes to Windows-1252. A character outside the code page, a character beyond the BMP or
/// a lone surrogate becomes one "?".
QByteArray encode1252(QStringView text);

/// The line of text that starts at pos, without its line break; pos moves past the break.
/// CR LF, LF alone and CR alone each end a line. Call while pos < text.size().
QStringView nextTextLine(QStringView text, qsizetype& pos);

/// Splits a text into lines. CR LF, LF alone and CR alone each end a line; the end of the last
/// line needs no line break, and a final line break does not start an empty line.
QStringList splitTextLines(QStringView text);

/// Reads a line list file (Signale.ini) as decodeText does, any line break as splitTextLines.
QStringList readLines1252(QByteArrayView bytes);

/// Writes a line list file: every line, the last one included, ends with CR LF, so an empty
/// list gives an empty file and a list of one empty line gives a file holding CR LF. Encoded as
/// encodeText does, so a line with a character beyond Windows-1252 is not lost.
QByteArray writeLines1252(const QStringList& lines);

/// Decodes a text file: UTF-16 behind its byte order mark; UTF-8 where the bytes say so (a byte
/// order mark, or bytes beyond ASCII that are valid UTF-8, as Linux editors write them);
/// otherwise Windows-1252. Broken UTF-16 or UTF-8 behind a mark gives replacement characters.
QString decodeText(QByteArrayView bytes);

/// Encodes a text file: Windows-1252 where every character fits and the bytes cannot be taken
/// for UTF-8; otherwise UTF-8 behind a byte order mark. decodeText gives back the same text.
QByteArray encodeText(QStringView text);

/// Undoes UTF-8 read one byte per character ("Â°C" for "°C", as a clipboard owner causes that
/// offers UTF-8 as a plain string); any other text comes back unchanged.
QString recodeMisreadUtf8(const QString& text);

} // namespace kurvimat::exchange
