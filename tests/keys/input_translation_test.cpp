#include "keys/input_translation.h"

#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_window.h"
#include "platform/window.h"
#include "tests/keys/fake_port.h"
#include "tests/keys/key_test.h"

namespace {

constexpr WORD NO_KEY = 0;
constexpr WORD NO_CHAR = 0;

struct ByteRule {
    WORD key;
    WORD character;
};

// Written from the terminal's byte table, one row per control byte.
const ByteRule CONTROL_BYTES[32] = {
    {NO_KEY, NO_CHAR},      // 00
    {NO_KEY, 0x00AA},       // 01 Ctrl+A feminine a
    {NO_KEY, 0x00BD},       // 02 Ctrl+B one half
    {NO_KEY, 0x00A9},       // 03 Ctrl+C
    {NO_KEY, 0x2206},       // 04 Ctrl+D increment
    {VK_END, NO_CHAR},      // 05 Ctrl+E End
    {NO_KEY, NO_CHAR},      // 06 Ctrl+F
    {NO_KEY, 0x2265},       // 07 Ctrl+G greater or equal
    {VK_BACK, 0x0008},      // 08 Backspace
    {VK_TAB, 0x0009},       // 09 Tab
    {NO_KEY, NO_CHAR},      // 0A line feed
    {NO_KEY, NO_CHAR},      // 0B Ctrl+K
    {NO_KEY, 0x00A3},       // 0C Ctrl+L pound
    {VK_RETURN, 0x000D},    // 0D Return
    {NO_KEY, NO_CHAR},      // 0E Ctrl+N
    {NO_KEY, 0x00B9},       // 0F Ctrl+O superscript one
    {NO_KEY, 0x00B1},       // 10 Ctrl+P plus-minus
    {VK_HOME, NO_CHAR},     // 11 Ctrl+Q Home
    {NO_KEY, 0x00AE},       // 12 Ctrl+R registered
    {NO_KEY, 0x2264},       // 13 Ctrl+S less or equal
    {NO_KEY, 0x00BE},       // 14 Ctrl+T three quarters
    {NO_KEY, 0x221E},       // 15 Ctrl+U infinity
    {NO_KEY, 0x00BC},       // 16 Ctrl+V one quarter
    {NO_KEY, 0x00A4},       // 17 Ctrl+W currency
    {NO_KEY, 0x00D7},       // 18 Ctrl+X multiplication
    {NO_KEY, 0x00A5},       // 19 Ctrl+Y yen
    {NO_KEY, 0x00F7},       // 1A Ctrl+Z division
    {VK_ESCAPE, 0x001B},    // 1B a lone Esc
    {NO_KEY, NO_CHAR},      // 1C
    {NO_KEY, NO_CHAR},      // 1D
    {NO_KEY, NO_CHAR},      // 1E
    {NO_KEY, NO_CHAR},      // 1F
};

ByteRule ExpectedRule(int b) {
    if (b < 0x20) return CONTROL_BYTES[b];
    if (b == 0x7F) return {VK_DELETE, NO_CHAR};
    if (b == 0x80) return {NO_KEY, 0x20AC};
    return {NO_KEY, static_cast<WORD>(b)};  // ASCII, then ISO 8859-1
}

KeyMessages Expected(const ByteRule& rule) {
    KeyMessages all;
    if (rule.key != NO_KEY) all = all + Press(rule.key);
    if (rule.character != NO_CHAR) all = all + Char(rule.character);
    return all;
}

class InputTranslationTest : public KeyTest {
protected:
    void SetUp() override {
        KeyTest::SetUp();
        app = AddForegroundApp();
    }
    void Tick() { PollTerminalInput(0, FAKE_PORT_HANDLE); }
    void TickWith(const std::string& bytes) {
        FakePortScriptRead(Bytes(bytes));
        Tick();
    }
    HWND app = 0;
};

TEST_F(InputTranslationTest, EveryByteAloneFollowsTheTable) {
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << b);
        EmuClearMessageLog();
        FakePortScriptRead({static_cast<BYTE>(b)});
        Tick();
        EXPECT_EQ(KeysPostedTo(app), Expected(ExpectedRule(b)));
    }
}

TEST_F(InputTranslationTest, AllBytesInOneReadKeepTheirOrder) {
    std::vector<BYTE> all;
    KeyMessages expected;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<BYTE>(b));
        expected = expected + Expected(ExpectedRule(b));  // ESC then 0x1C: a lone Esc
    }
    FakePortScriptRead(all);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), expected);
    EXPECT_EQ(EmuSleptMilliseconds(), 0u);
}

TEST_F(InputTranslationTest, CtrlCharMapHoldsTheSpecialCharacters) {
    for (int b = 1; b < 32; ++b) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << b);
        EXPECT_EQ(CTRL_CHAR_MAP[b - 1], CONTROL_BYTES[b].character);
    }
}

TEST_F(InputTranslationTest, ControlBytesAndReturn) {
    TickWith("a\r\nb");  // the line feed is dropped
    EXPECT_EQ(KeysPostedTo(app), Char('a') + Press(VK_RETURN) + Char(0x0D) + Char('b'));
}

TEST_F(InputTranslationTest, CursorSequenceInOneRead) {
    TickWith("\x1b[Ax");
    EXPECT_EQ(KeysPostedTo(app), Press(VK_UP) + Char('x'));
    EXPECT_EQ(EmuSleptMilliseconds(), 0u);
    EXPECT_EQ(FakePortReadCount(), 1);
}

TEST_F(InputTranslationTest, EveryCursorFinalByte) {
    TickWith("\x1b[A\x1b[B\x1b[C\x1b[D\x1b[H\x1b[K");
    EXPECT_EQ(KeysPostedTo(app),
              Press(VK_UP) + Press(VK_DOWN) + Press(VK_RIGHT) + Press(VK_LEFT) + Press(VK_HOME) + Press(VK_END));
}

TEST_F(InputTranslationTest, UnknownFinalBytesPostNothingAndConsumeThreeBytes) {
    TickWith("\x1b[Zq\x1b[1r\x1bOAs\x1bO\x1bt");
    // ESC O ESC: the second ESC is taken as the final byte; "t" follows.
    EXPECT_EQ(KeysPostedTo(app), Char('q') + Char('r') + Char('s') + Char('t'));
}

TEST_F(InputTranslationTest, ParametersAreNotParsed) {
    TickWith("\x1b[2~");
    EXPECT_EQ(KeysPostedTo(app), Char('~'));
}

TEST_F(InputTranslationTest, EscCompletedWithinTheWait) {
    FakePortScriptRead(Bytes("z\x1b"));
    FakePortArriveAt(EmuNow() + 4, Bytes("[Ay"));
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Char('z') + Press(VK_UP) + Char('y'));
    EXPECT_EQ(EmuSleptMilliseconds(), 5u);
    ASSERT_EQ(FakePortReadCount(), 2);
    EXPECT_EQ(FakePortCalls().back().requested, 258u);  // the room behind "z" ESC
}

TEST_F(InputTranslationTest, LoneEscAfterTheWait) {
    TickWith("\x1b");
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B));
    EXPECT_EQ(EmuSleptMilliseconds(), 5u);
}

TEST_F(InputTranslationTest, SequenceArrivingAfterTheWaitIsTyped) {
    FakePortScriptRead(Bytes("\x1b"));
    FakePortArriveAt(EmuNow() + 6, Bytes("[A"));
    Tick();
    EmuAdvance(100);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B) + Char('[') + Char('A'));
}

// A second trailing ESC in the same tick does not wait again.
TEST_F(InputTranslationTest, OneWaitPerTick) {
    FakePortScriptRead(Bytes("\x1b"));
    FakePortArriveAt(EmuNow() + 3, Bytes("\x1b"));
    FakePortArriveAt(EmuNow() + 8, Bytes("[A"));
    Tick();
    EXPECT_EQ(EmuSleptMilliseconds(), 5u);
    EXPECT_EQ(FakePortReadCount(), 2);
    EmuAdvance(100);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B) + Press(VK_ESCAPE) + Char(0x1B) + Chars("[A"));
}

TEST_F(InputTranslationTest, EscFollowedByAnotherByte) {
    TickWith("\x1bx");
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B) + Char('x'));
    EXPECT_EQ(EmuSleptMilliseconds(), 0u);
}

TEST_F(InputTranslationTest, FailedSecondReadLeavesALoneEsc) {
    FakePortScriptRead(Bytes("\x1b"));
    EmuSchedule(EmuNow() + 1, [] { FakePortFailReads(true); });
    FakePortArriveAt(EmuNow() + 2, Bytes("[A"));
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B));
    FakePortFailReads(false);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B) + Char('[') + Char('A'));
}

// An introducer that ends the received bytes: nothing behind it is read or
// interpreted, and the byte that arrives later is typed once.
TEST_F(InputTranslationTest, IntroducerWithoutFinalByteIsDropped) {
    TickWith("x\x1b[");
    EXPECT_EQ(KeysPostedTo(app), Char('x'));
    EXPECT_EQ(EmuSleptMilliseconds(), 0u);
    EXPECT_EQ(FakePortReadCount(), 1);
    TickWith("Ay");
    EXPECT_EQ(KeysPostedTo(app), Char('x') + Char('A') + Char('y'));
}

TEST_F(InputTranslationTest, IntroducerCompletedOnlyUpToTheWait) {
    FakePortScriptRead(Bytes("\x1b"));
    FakePortArriveAt(EmuNow() + 3, Bytes("O"));
    FakePortArriveAt(EmuNow() + 50, Bytes("P"));
    Tick();
    EXPECT_TRUE(KeysPostedTo(app).empty());
    EmuAdvance(100);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Char('P'));
}

TEST_F(InputTranslationTest, IntroducerAtTheEndOfAFullBuffer) {
    std::string burst(258, 'a');
    FakePortScriptRead(Bytes(burst + "\x1b[" + "Ab"));
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst));
    EXPECT_EQ(FakePortPending(), 2u);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst) + Chars("Ab"));
}

TEST_F(InputTranslationTest, EscAtTheEndOfAFullBufferCannotWaitForMore) {
    std::string burst(259, 'a');
    FakePortScriptRead(Bytes(burst + "\x1b" + "[A"));
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst) + Press(VK_ESCAPE) + Char(0x1B));
    EXPECT_EQ(FakePortReadCount(), 1);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst) + Press(VK_ESCAPE) + Char(0x1B) + Chars("[A"));
}

// A tick must not pick up what an earlier tick left in its buffer (the two
// ticks run back to back, so their buffers are likely the same memory).
TEST_F(InputTranslationTest, IntroducerDoesNotReachAnEarlierTicksBytes) {
    std::string earlier;
    while (earlier.size() < 258) earlier += "\x1b[A";
    earlier += "zz";
    FakePortScriptRead(Bytes(earlier));
    FakePortScriptRead(Bytes("\x1b["));
    Tick();
    Tick();
    EXPECT_EQ(KeysPostedTo(app).size(), 86u * 2 + 2);
}

TEST_F(InputTranslationTest, EscapeSequenceStopsAtTheCount) {
    BYTE buffer[8] = {'x', 0x1B, '[', 'A', 'A', 'A', 'A', 'A'};
    WORD index = 1;
    EXPECT_EQ(TranslateEscapeSequence(0, app, buffer, 3, index), 0);
    EXPECT_EQ(index, 3);
    index = 1;
    EXPECT_EQ(TranslateEscapeSequence(0, app, buffer, 2, index), 0x1B);  // lone
    EXPECT_EQ(index, 1);
    index = 1;
    EXPECT_EQ(TranslateEscapeSequence(0, app, buffer, 4, index), 0);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Press(VK_UP));
}

TEST_F(InputTranslationTest, BurstIsSpreadOverTicks) {
    std::string burst;
    for (int i = 0; i < 300; ++i) burst += static_cast<char>('a' + i % 26);
    FakePortScriptRead(Bytes(burst));
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst.substr(0, 260)));
    EXPECT_EQ(FakePortCalls().back().requested, 260u);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst));
    EXPECT_EQ(FakePortPending(), 0u);
}

TEST_F(InputTranslationTest, FailedTargetQueryDropsTheTick) {
    EmuFailKeyboardTarget(true);
    TickWith("ab\x1bOS\x1b[A");  // PF4 included
    EXPECT_TRUE(EmuKeyMessagesTo(app).empty());
    EXPECT_TRUE(EmuMessageLog().empty());
    EXPECT_TRUE(EmuWindowExists(app));
    EXPECT_EQ(FakePortPending(), 0u);
    EmuFailKeyboardTarget(false);
    TickWith("c");
    EXPECT_EQ(KeysPostedTo(app), Char('c'));
}

TEST_F(InputTranslationTest, FailedReadPostsNothing) {
    FakePortScriptRead(Bytes("abc"));
    FakePortFailReads(true);
    Tick();
    EXPECT_TRUE(EmuMessageLog().empty());
    FakePortFailReads(false);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars("abc"));
}

TEST_F(InputTranslationTest, KeysGoToTheKeyboardTargetOfTheTick) {
    HWND field = EmuAddWindow(u"", u"Edit");
    EmuSetKeyboardTarget(field);
    TickWith("k\x1b[D");
    EXPECT_EQ(KeysPostedTo(field), Char('k') + Press(VK_LEFT));
    EXPECT_TRUE(KeysPostedTo(app).empty());
}

TEST_F(InputTranslationTest, PostVirtualKeyUsesTheLowByte) {
    PostVirtualKey(app, 0x1226);
    EXPECT_EQ(KeysPostedTo(app), Press(VK_UP));
}

}  // namespace
