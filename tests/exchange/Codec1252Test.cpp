#include "Codec1252.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

using namespace kurvimat::exchange;

namespace {

QByteArray allBytes() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

// fromUcs4 would drop U+FEFF as a byte order mark.
QString ch(char32_t c) {
    return c < 0x10000 ? QString(QChar(char16_t(c))) : QString::fromUcs4(&c, 1);
}

TEST(Codec1252, EveryByteIsOneCharacterAndSurvivesTheRoundTrip) {
    const QByteArray bytes = allBytes();
    const QString text = decode1252(bytes);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(encode1252(text), bytes);
}

// Bytes 0x80-0x9F are where the code page differs from Latin-1; the system's ICU table is an
// independent second opinion where Qt has it.
TEST(Codec1252, DecodingAgreesWithIcu) {
    QStringDecoder icu("windows-1252");
    if (!icu.isValid()) GTEST_SKIP() << "Qt built without ICU";
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const char c = char(b);
        const QString expected = icu(QByteArrayView(&c, 1));
        EXPECT_EQ(decode1252(QByteArrayView(&c, 1)), expected);
    }
}

// Scanning the whole BMP: exactly 256 characters are encodable, each to the byte that decodes
// back to it; everything else becomes "?".
TEST(Codec1252, EncodingIsTheInverseOfDecodingOverTheWholeBmp) {
    int encodable = 0;
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const QString s = ch(c);
        const QByteArray e = encode1252(s);
        ASSERT_EQ(e.size(), 1) << std::hex << unsigned(c);
        if (e[0] == '?' && c != u'?') continue;
        ++encodable;
        EXPECT_EQ(decode1252(e), s) << std::hex << unsigned(c);
    }
    EXPECT_EQ(encodable, 256);
}

TEST(Codec1252, KnownCharacters) {
    struct Row {
        char32_t c;
        unsigned char byte;
    };
    const Row rows[] = {
        {U'€', 0x80}, {U'Š', 0x8A},      {U'„', 0x84}, {U'–', 0x96},
        {U'Ÿ', 0x9F}, {U'°', 0xB0},      {U'µ', 0xB5}, {U'ä', 0xE4},
        {U'ß', 0xDF}, {U'\u00A0', 0xA0}, {0x81, 0x81}, {0x8D, 0x8D},
        {0x8F, 0x8F}, {0x90, 0x90},      {0x9D, 0x9D}, {0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(int(r.byte));
        EXPECT_EQ(encode1252(ch(r.c)), QByteArray(1, char(r.byte)));
        EXPECT_EQ(decode1252(QByteArray(1, char(r.byte))), ch(r.c));
    }
}

TEST(Codec1252, UnrepresentableCharactersBecomeOneQuestionMark) {
    struct Row {
        const char* name;
        QString text;
        QByteArray expected;
    };
    const QChar lowSurrogate(char16_t(0xDE00));
    const QChar highSurrogate(char16_t(0xD83D));
    const Row rows[] = {
        {"Greek", QStringLiteral("Ω = 5"), "? = 5"},
        {"C1 control with a defined byte", ch(0x80) + ch(0x9F), "??"},
        {"pair outside the BMP", QStringLiteral("a") + ch(0x1F600) + QStringLiteral("b"), "a?b"},
        {"lone high surrogate", QString(highSurrogate) + QStringLiteral("x"), "?x"},
        {"lone low surrogate", QString(lowSurrogate), "?"},
        {"high at the end", QStringLiteral("x") + QString(highSurrogate), "x?"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(encode1252(r.text), r.expected);
    }
}

TEST(Codec1252, LineBreaks) {
    struct Row {
        const char* text;
        QStringList lines;
    };
    const Row rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\n\r\nb\n", {"a", "", "b"}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a\r\n\r\n", {"a", ""}},
        {"a\r", {"a"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QByteArray(r.text).toPercentEncoding().constData());
        EXPECT_EQ(splitTextLines(QString::fromLatin1(r.text)), r.lines);
        EXPECT_EQ(readLines1252(QByteArray(r.text)), r.lines);
    }
}

TEST(Codec1252, LineListsRoundTripWithCrLfAfterEveryLine) {
    const QStringList lists[] = {
        {},
        {""},
        {"", ""},
        {"Spannung, unkalibriert (V): U"},
        {"Temperatur (°C): U*100 [0;100]", "", "Länge (µm): U"},
        {"Widerstand (Ω): U/0,01", "Temperatur (°C): U*100"}, // beyond the code page
    };
    for (const QStringList& lines : lists) {
        SCOPED_TRACE(lines.join('|').toStdString());
        const QByteArray bytes = writeLines1252(lines);
        EXPECT_EQ(bytes.count("\r\n"), lines.size());
        EXPECT_TRUE(lines.isEmpty() || bytes.endsWith("\r\n"));
        EXPECT_EQ(readLines1252(bytes), lines);
    }
    EXPECT_EQ(writeLines1252({QStringLiteral("(°C)")}), QByteArray("(\xB0"
                                                                   "C)\r\n"));
}

// Files as the program always wrote them (code page), as Linux editors write them (UTF-8) and
// as the program writes a text the code page cannot carry (UTF-8 behind a byte order mark).
TEST(Codec1252, TextFilesInEitherEncodingReadAndWriteWithoutLoss) {
    const std::tuple<const char*, QByteArray, QString, bool> rows[] = {
        // name, bytes read, text, whether the text is written in the code page
        {"code page", "(\xB0)\x80", QStringLiteral("(°)€"), true},
        {"UTF-8", "(\xC2\xB0)(\xCE\xA9)", QStringLiteral("(°)(Ω)"), false},
        {"marked UTF-8", "\xEF\xBB\xBF\xEF\xBB\xBF\xCE\xA9", ch(0xFEFF) + QStringLiteral("Ω"),
         false},
        {"code page that reads as UTF-8", "\xEF\xBB\xBF\xC3\x83\xC2\xA4", QStringLiteral("Ã¤"),
         false},
        {"broken UTF-8", "\xC3(\xC2", QStringLiteral("Ã(Â"), true},
        {"surrogate in UTF-8", "\xED\xA0\x80", QStringLiteral("í\u00A0€"), true},
        // Windows' "Unicode" text: UTF-16 behind its mark, written back in the code page.
        {"UTF-16 LE", QByteArray("\xFF\xFE(\0\xB0\0)\0\xAC\x20", 10), QStringLiteral("(°)€"),
         true},
        {"UTF-16 BE", QByteArray("\xFE\xFF\x03\xA9\0\t", 6), QStringLiteral("Ω\t"), false},
        // Broken UTF-16 keeps a mark of it: an odd byte, a lone surrogate.
        {"odd UTF-16", QByteArray("\xFF\xFE" "A\0B", 5), QStringLiteral("A\uFFFD"), false},
        {"lone surrogate", QByteArray("\xFF\xFE\0\xD8" "A\0", 6), QStringLiteral("\uFFFDA"), false},
        // Code-page text that starts as a UTF-16 mark would read as UTF-16: UTF-8 it is.
        {"code page like a mark", "\xFF\xFEx", QStringLiteral("ÿþx"), false},
    };
    for (const auto& [name, bytes, text, codePage] : rows) {
        SCOPED_TRACE(name);
        if (std::string_view(name) != "code page like a mark") {
            EXPECT_EQ(decodeText(bytes), text);
        }
        const QByteArray written = encodeText(text);
        EXPECT_EQ(written, codePage ? encode1252(text) : "\xEF\xBB\xBF" + text.toUtf8());
        EXPECT_EQ(decodeText(written), text);
    }
    // UTF-8 read one byte per character, as a clipboard owner offering it as a plain string
    // makes Qt do; proper text stays as it is.
    EXPECT_EQ(recodeMisreadUtf8(QString::fromLatin1("\xC2\xB0\xE2\x82\xAC")), QStringLiteral("°€"));
    EXPECT_EQ(recodeMisreadUtf8(decode1252("\xCE\xA9\xE2\x82\xAC")), QStringLiteral("Ω€"));
    for (const QString& proper :
         {QStringLiteral("(°C)"), QStringLiteral("Ã("), QStringLiteral("Ω")})
        EXPECT_EQ(recodeMisreadUtf8(proper), proper);
}

} // namespace
