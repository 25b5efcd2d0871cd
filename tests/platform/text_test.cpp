#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

TEST(Text, FormatFillsTextsAndNumbersAndCutsToCapacity) {
    WCHAR out[16];
    EXPECT_EQ(WFormat(out, 16, u"%s%d:", u"COM", 7), 5);
    EXPECT_EQ(std::u16string(out), u"COM7:");
    WFormat(out, 16, u"%d %u %%", -42, 115200u);
    EXPECT_EQ(std::u16string(out), u"-42 115200 %");
    EXPECT_EQ(WFormat(out, 6, u"%s %s", u"Tastra", u"v1.00"), 5);
    EXPECT_EQ(std::u16string(out), u"Tastr");
}

TEST(Text, CopyAndAppendAlwaysTerminateInsideTheBuffer) {
    WCHAR out[4] = {u'x', u'x', u'x', u'x'};
    WCopy(out, u"COM5:", 4);
    EXPECT_EQ(std::u16string(out), u"COM");
    WCopy(out, u"a", 4);
    WAppend(out, u"bcdef", 4);
    EXPECT_EQ(std::u16string(out), u"abc");
}

TEST(Text, SearchesAndComparisons) {
    const WCHAR* key = u"Drivers\\BuiltIn\\Serial";
    EXPECT_EQ(std::u16string(WFindLastChar(key, u'\\') + 1), u"Serial");
    EXPECT_EQ(WFindLastChar(u"Serial", u'\\'), nullptr);
    EXPECT_NE(WFind(u"SerialGPS1", u"GPS"), nullptr);
    EXPECT_EQ(WFind(u"SerialGP", u"GPS"), nullptr);
    EXPECT_EQ(WCompareN(u"COM", u"COMX", 3), 0);
    EXPECT_LT(WCompareN(u"CO", u"COM", 3), 0);
    EXPECT_LT(WCompareNoCase(u"com1", u"COM2"), 0);
    EXPECT_EQ(WCompareNoCase(u"\u00e4b", u"\u00c4B"), 0);
}

TEST(Text, NumberConversions) {
    EXPECT_EQ(WToLong(u"115200"), 115200);
    EXPECT_EQ(WToLong(u"  -12x"), -12);
    EXPECT_EQ(WToLong(u"abc"), 0);
    EXPECT_EQ(WHexToNumber(u"0123456789AB", 4), 0x0123u);
    EXPECT_EQ(WHexToNumber(u"0123456789AB" + 4, 8), 0x456789ABu);
    EXPECT_EQ(WHexToNumber(u"BEEFxx", 6), 0xBEEFu);
}
