#include "Codec1252.h"

#include <QStringDecoder>

#include <array>
#include <optional>

namespace kurvimat::exchange {

namespace {

// Characters of the bytes 0x80-0x9F, where the code page differs from Latin-1. The undefined
// bytes keep their own value so that no byte is lost.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};

constexpr char Unrepresentable = '?';

char encodeChar(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < HighControls.size(); ++i)
        if (HighControls[i] == c) return static_cast<char>(0x80 + i);
    return Unrepresentable;
}

bool fits1252(QStringView text) {
    for (const QChar c : text)
        if (c.isSurrogate() || (encodeChar(c.unicode()) == Unrepresentable && c != u'?'))
            return false;
    return true;
}

bool beyondAscii(QByteArrayView bytes) {
    for (const char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80) return true;
    return false;
}

// The text when the bytes are UTF-8 with at least one character beyond ASCII: pure ASCII
// reads the same either way, and is left to the code page.
std::optional<QString> asUtf8(QByteArrayView bytes) {
    if (!beyondAscii(bytes)) return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) return std::nullopt;
    return text;
}

constexpr char Bom[] = "\xEF\xBB\xBF";

} // namespace

QString decode1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(HighControls[b - 0x80]) : QChar(b);
    }
    return text;
}

QByteArray encode1252(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized); // a pair shrinks it by one
    char* out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isSurrogate()) {
            // A pair is one character outside the code page: one "?", not two.
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
            *out++ = Unrepresentable;
        } else {
            *out++ = encodeChar(c.unicode());
        }
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

QStringView nextTextLine(QStringView text, qsizetype& pos) {
    const qsizetype start = pos;
    const qsizetype n = text.size();
    qsizetype i = start;
    while (i < n && text[i] != u'\r' && text[i] != u'\n')
        ++i;
    const QStringView line = text.sliced(start, i - start);
    if (i < n && text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
    pos = i < n ? i + 1 : n;
    return line;
}

QStringList splitTextLines(QStringView text) {
    QStringList lines;
    qsizetype pos = 0;
    while (pos < text.size())
        lines.append(nextTextLine(text, pos).toString());
    return lines;
}

QStringList readLines1252(QByteArrayView bytes) {
    return splitTextLines(decodeText(bytes));
}

QByteArray writeLines1252(const QStringList& lines) {
    QString text;
    for (const QString& line : lines) {
        text.append(line);
        text.append(QLatin1String("\r\n"));
    }
    return encodeText(text);
}

QString decodeText(QByteArrayView bytes) {
    // UTF-16 behind its mark, as Windows editors and spreadsheets write "Unicode" text. A
    // broken one keeps the replacement characters, and a reader can tell.
    const bool le = bytes.startsWith("\xFF\xFE"), be = bytes.startsWith("\xFE\xFF");
    if (le || be) {
        QStringDecoder utf16(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::ConvertInitialBom);
        QString text = utf16(bytes.sliced(2));
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (text[i].isSurrogate())
                text[i] = QChar(QChar::ReplacementCharacter);
        }
        if (bytes.size() % 2 != 0) text += QChar(QChar::ReplacementCharacter);
        return text;
    }
    if (bytes.startsWith(QByteArrayView(Bom, 3))) {
        // Only the mark is dropped: a text that itself starts with U+FEFF keeps it.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8(bytes.sliced(3));
    }
    if (const std::optional<QString> text = asUtf8(bytes)) return *text;
    return decode1252(bytes);
}

QByteArray encodeText(QStringView text) {
    if (fits1252(text)) {
        QByteArray bytes = encode1252(text);
        // Code-page bytes that happen to be UTF-8 ("Ã¤") or a UTF-16 mark ("ÿþ") would come
        // back as other characters.
        if (!asUtf8(bytes) && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF"))
            return bytes;
    }
    return QByteArray(Bom, 3) + text.toUtf8();
}

QString recodeMisreadUtf8(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // Latin-1 gives the bytes 0x80-0x9F as control characters, the code page as others.
        const char b = c < 0x100 ? static_cast<char>(c) : encodeChar(c);
        if (b == Unrepresentable && c != u'?') return text;
        bytes[i] = b;
    }
    return asUtf8(bytes).value_or(text);
}

} // namespace kurvimat::exchange
