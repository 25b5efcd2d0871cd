// Text as every backend converts it: platform/system.h's 8-bit text, the
// wide-text helpers of platform/text.h that backends lean on, and UTF-8.
#include <string>

#include "platform/common/utf8.h"
#include "platform/system.h"
#include "platform/text.h"
#include "tests/contract/machine.h"

namespace {

TEST(TextContract, WideToMultiByteTakesAsciiUpToTheRoomGiven) {
    struct Case {
        const char16_t* text;
        size_t capacity;
        size_t result;
        const char* bytes;  // what the buffer holds afterwards, nullptr when unchecked
    };
    const size_t kRefused = static_cast<size_t>(-1);
    const Case cases[] = {
        {u"Tastra\r\n", 16, 8, "Tastra\r\n"},
        {u"abc\u00e9", 3, 3, "abc#"},  // the room ends before the character that cannot be converted
        {u"abc\u00e9", 4, kRefused, nullptr},
        {u"\u00e9abc", 16, kRefused, nullptr},
        {u"abcdef", 3, 3, "abc#"},  // no room for the terminator: none written
        {u"abc", 4, 3, "abc"},
        {u"", 1, 0, ""},
        {u"abc", 0, 0, "#"},
        {u"\x7f\x80", 8, kRefused, nullptr},
    };
    for (const Case& c : cases) {
        char out[17];
        std::string(16, '#').copy(out, 16);
        out[16] = 0;
        std::string shown(c.text, c.text + WLen(c.text));
        EXPECT_EQ(WideToMultiByte(out, c.text, c.capacity), c.result) << shown << " into " << c.capacity;
        if (c.bytes != nullptr) {
            EXPECT_EQ(std::string(out, std::string(c.bytes).size()), c.bytes) << shown << " into " << c.capacity;
        }
    }
    EXPECT_EQ(WideToMultiByte(nullptr, u"abcdef", 0), 6u) << "without a buffer: the length needed";
    EXPECT_EQ(WideToMultiByte(nullptr, u"ab\u00e9", 0), kRefused);
}

TEST(TextContract, HexDigitsAndCaseFoldingAreTheOnesNamesAreComparedWith) {
    const std::u16string digits = u"0123456789abcdefABCDEF";
    for (char16_t c = 0; c < 0x100; ++c) {
        size_t at = digits.find(c);
        int expected = at == std::u16string::npos ? -1 : static_cast<int>(at < 16 ? at : at - 6);
        EXPECT_EQ(WHexDigit(c), expected) << static_cast<int>(c);
        bool capital = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
        EXPECT_EQ(WFoldCase(c), capital ? c + 32 : c) << static_cast<int>(c);
    }
    EXPECT_EQ(WHexDigit(u'\uFF10'), -1) << "a full-width digit is no hex digit";
    EXPECT_EQ(WFoldCase(u'\u0100'), u'\u0100');
}

// Bytes -> UTF-16 -> bytes, with malformed input each bad byte one U+FFFD.
TEST(TextContract, Utf8RoundTripsAndReplacesWhatIsMalformed) {
    struct Case {
        std::string bytes;
        std::u16string text;
        std::string back;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"Z\xC3\xBCrich \xE2\x82\xAC", u"Zürich €", "Z\xC3\xBCrich \xE2\x82\xAC"},
        {"\xF0\x9D\x84\x9E", u"\U0001D11E", "\xF0\x9D\x84\x9E"},
        {"a\x80z", u"a\uFFFDz", "a" + fffd + "z"},                                     // stray continuation
        {"\xC3", u"\uFFFD", fffd},                                                     // cut short
        {"\xC0\xAF", u"\uFFFD\uFFFD", fffd + fffd},                                    // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", fffd + fffd + fffd},                   // a surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", fffd + fffd + fffd + fffd},  // above U+10FFFF
        {std::string("ab\0cd", 5), u"ab", "ab"},                                       // a zero byte ends the text
    };
    for (const Case& c : cases) {
        WCHAR wide[16];
        EXPECT_TRUE(Utf8ToUtf16(wide, 16, c.bytes.data(), c.bytes.size())) << c.bytes;
        EXPECT_EQ(std::u16string(wide), c.text) << c.bytes;
        char narrow[64];
        EXPECT_TRUE(Utf16ToUtf8(narrow, sizeof narrow, wide));
        EXPECT_EQ(std::string(narrow), c.back) << c.bytes;
    }
    WCHAR lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    char narrow[16];
    EXPECT_TRUE(Utf16ToUtf8(narrow, sizeof narrow, lone));
    EXPECT_EQ(std::string(narrow), "a" + fffd + "b" + fffd);
}

TEST(TextContract, TextThatDoesNotFitIsCutBetweenCharacters) {
    WCHAR wide[4];
    const std::string clef = "ab\xF0\x9D\x84\x9E";
    EXPECT_FALSE(Utf8ToUtf16(wide, 4, clef.data(), clef.size()));
    EXPECT_EQ(std::u16string(wide), u"ab") << "never half a surrogate pair";
    EXPECT_TRUE(Utf8ToUtf16(wide, 3, "ab", 2));
    char narrow[5];
    EXPECT_FALSE(Utf16ToUtf8(narrow, sizeof narrow, u"ab\u20ac"));
    EXPECT_EQ(std::string(narrow), "ab") << "never part of a character";
    EXPECT_TRUE(Utf16ToUtf8(narrow, sizeof narrow, u"a\u20ac"));
    EXPECT_FALSE(Utf8ToUtf16(wide, 0, "a", 1));
}

}  // namespace
