#include "platform/rich_text.h"

#include <gtest/gtest.h>

using platform::ParseRtf;
using platform::RichAlign;

TEST(RichText, FormattingAndParagraphs)
{
    const auto doc = ParseRtf(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}{\\*\\generator X;}"
        "\\pard\\qc\\b\\fs28 Titre\\b0\\par\n"
        "\\pard Normal {\\i italique} {\\ul soulign\\'e9}\\ulnone  fin\\par\n"
        "Deux\\line lignes\\tab tab\\par}");
    ASSERT_EQ(doc.paragraphs.size(), 3u);
    EXPECT_EQ(doc.paragraphs[0].align, RichAlign::Center);
    ASSERT_EQ(doc.paragraphs[0].runs.size(), 1u);
    EXPECT_TRUE(doc.paragraphs[0].runs[0].bold);
    EXPECT_EQ(doc.paragraphs[0].runs[0].halfPoints, 28);
    EXPECT_EQ(doc.paragraphs[0].plainText(), QStringLiteral("Titre"));
    const auto& p = doc.paragraphs[1];
    EXPECT_EQ(p.align, RichAlign::Left);
    EXPECT_EQ(p.plainText(), QStringLiteral("Normal italique souligné fin"));
    bool sawItalic = false, sawUnderline = false;
    for (const auto& r : p.runs) {
        sawItalic |= r.italic && r.text == QStringLiteral("italique");
        sawUnderline |= r.underline && r.text == QStringLiteral("souligné");
        EXPECT_FALSE(r.bold);
    }
    EXPECT_TRUE(sawItalic && sawUnderline);
    EXPECT_EQ(doc.paragraphs[2].plainText(), QString::fromUtf16(u"Deux\u2028lignes\ttab"));
}

TEST(RichText, EscapesAndUnicode)
{
    const auto doc = ParseRtf("{\\rtf1\\uc1 a\\'80\\'9c \\u8364?\\u-10179?\\u-8704? \\{x\\}\\\\ \\~\\emdash}");
    EXPECT_EQ(doc.plainText(), QString::fromUtf16(u"a\u20AC\u0153 \u20AC\U0001F600 {x}\\ \u00A0\u2014"));
    // \uc2 skips two fallback characters, an escaped byte counting as one.
    EXPECT_EQ(ParseRtf("{\\rtf1\\uc2\\u233\\'65\\'65X}").plainText(), QStringLiteral("éX"));
}

TEST(RichText, DamagedOrForeignInputGivesWhatCanBeRead)
{
    EXPECT_EQ(ParseRtf("{\\rtf1 d\\'e9but {\\b gras").plainText(), QStringLiteral("début gras"));  // cut short
    EXPECT_EQ(ParseRtf("{\\rtf1 a}}}} b").plainText(), QStringLiteral("a b"));               // extra braces
    EXPECT_EQ(ParseRtf("{\\rtf1 x\\").plainText(), QStringLiteral("x"));
    EXPECT_EQ(ParseRtf("{\\rtf1 \\'zz\\'4").plainText(), QStringLiteral("zz4"));
    EXPECT_EQ(ParseRtf("{\\rtf1 \\fs999999999999999 big\\u99999999999?z}").plainText(), QStringLiteral("bigz"));
    std::string deep = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i)
        deep += "{\\b ";
    deep += "deep";
    EXPECT_EQ(ParseRtf(deep).plainText(), QStringLiteral("deep"));
    EXPECT_EQ(ParseRtf("plain\r\ntext é").plainText(), QStringLiteral("plain\ntext é"));  // not RTF
    EXPECT_EQ(ParseRtf("caf\xe9").plainText(), QStringLiteral("café"));                   // not UTF-8 either
}
