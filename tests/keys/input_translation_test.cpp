#include "keys/input_translation.h"

#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_window.h"
#include "platform/window.h"
#include "tests/keys/key_test.h"

namespace {

class InputTranslationTest : public KeyTest {
  protected:
    void SetUp() override {
        KeyTest::SetUp();
        app = AddForegroundApp();
    }
    void Tick() { PollTerminalInput(0, port); }
    void TickWith(const std::string& bytes) {
        Arrive(bytes);
        Tick();
    }
    int Reads() { return EmuSerialReadCount(TERMINAL); }
    DWORD LastReadRoom() { return EmuSerialCalls(TERMINAL).back().requested; }
    size_t Pending() { return EmuSerialPending(TERMINAL); }
    HWND app = 0;
};

TEST_F(InputTranslationTest, EveryByteAloneFollowsTheTable) {
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << b);
        EmuClearMessageLog();
        EmuSerialArrive(TERMINAL, EmuNow(), {static_cast<BYTE>(b)});
        Tick();
        EXPECT_EQ(KeysPostedTo(app), MessagesOf(static_cast<BYTE>(b)));
    }
}

TEST_F(InputTranslationTest, AllBytesInOneReadKeepTheirOrder) {
    std::vector<BYTE> all;
    KeyMessages expected;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<BYTE>(b));
        expected = expected + MessagesOf(static_cast<BYTE>(b));  // ESC then 0x1C: a lone Esc
    }
    EmuSerialArrive(TERMINAL, EmuNow(), all);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), expected);
    EXPECT_EQ(EmuSleptMilliseconds(), 0u);
}

TEST_F(InputTranslationTest, CtrlCharMapHoldsTheSpecialCharacters) {
    for (int b = 1; b < 32; ++b) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << b);
        EXPECT_EQ(CTRL_CHAR_MAP[b - 1], MeaningOf(static_cast<BYTE>(b)).character);
    }
}

// One tick over bytes that have all arrived: what it types, and whether it
// waited for more after a trailing ESC.
TEST_F(InputTranslationTest, BytesOfOneReadBecomeTheirKeys) {
    const struct {
        const char* bytes;
        KeyMessages keys;
        DWORD slept;
    } cases[] = {
        {"a\r\nb", Char('a') + Press(VK_RETURN) + Char(0x0D) + Char('b'), 0},  // the line feed is dropped
        {"\x1b[Ax", Press(VK_UP) + Char('x'), 0},
        {"\x1b[A\x1b[B\x1b[C\x1b[D\x1b[H\x1b[K",
         Press(VK_UP) + Press(VK_DOWN) + Press(VK_RIGHT) + Press(VK_LEFT) + Press(VK_HOME) + Press(VK_END), 0},
        // Unknown final bytes post nothing and take three bytes; in ESC O ESC
        // the second ESC is taken as the final byte.
        {"\x1b[Zq\x1b[1r\x1bOAs\x1bO\x1bt", Char('q') + Char('r') + Char('s') + Char('t'), 0},
        {"\x1b[2~", Char('~'), 0},  // parameters are not parsed
        {"\x1bx", Press(VK_ESCAPE) + Char(0x1B) + Char('x'), 0},
        {"\x1b", Press(VK_ESCAPE) + Char(0x1B), 5},  // a lone ESC after the wait
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
        EmuClearMessageLog();
        DWORD slept = EmuSleptMilliseconds();
        int reads = Reads();
        TickWith(c.bytes);
        EXPECT_EQ(KeysPostedTo(app), c.keys);
        EXPECT_EQ(EmuSleptMilliseconds() - slept, c.slept);
        EXPECT_EQ(Reads() - reads, c.slept == 0 ? 1 : 2);
    }
}

TEST_F(InputTranslationTest, EscCompletedWithinTheWait) {
    Arrive("z\x1b");
    Arrive("[Ay", 4);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Char('z') + Press(VK_UP) + Char('y'));
    EXPECT_EQ(EmuSleptMilliseconds(), 5u);
    ASSERT_EQ(Reads(), 2);
    EXPECT_EQ(LastReadRoom(), 258u);  // the room behind "z" ESC
}

TEST_F(InputTranslationTest, SequenceArrivingAfterTheWaitIsTyped) {
    Arrive("\x1b");
    Arrive("[A", 6);
    Tick();
    EmuAdvance(100);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B) + Char('[') + Char('A'));
}

// A second trailing ESC in the same tick does not wait again.
TEST_F(InputTranslationTest, OneWaitPerTick) {
    Arrive("\x1b");
    Arrive("\x1b", 3);
    Arrive("[A", 8);
    Tick();
    EXPECT_EQ(EmuSleptMilliseconds(), 5u);
    EXPECT_EQ(Reads(), 2);
    EmuAdvance(100);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B) + Press(VK_ESCAPE) + Char(0x1B) + Chars("[A"));
}

TEST_F(InputTranslationTest, FailedSecondReadLeavesALoneEsc) {
    Arrive("\x1b");
    EmuSchedule(EmuNow() + 1, [] { EmuSerialFailReads(TERMINAL, true); });
    Arrive("[A", 2);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B));
    EmuSerialFailReads(TERMINAL, false);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Press(VK_ESCAPE) + Char(0x1B) + Char('[') + Char('A'));
}

// An introducer that ends the received bytes: nothing behind it is read or
// interpreted, and the byte that arrives later is typed once.
TEST_F(InputTranslationTest, IntroducerWithoutFinalByteIsDropped) {
    TickWith("x\x1b[");
    EXPECT_EQ(KeysPostedTo(app), Char('x'));
    EXPECT_EQ(EmuSleptMilliseconds(), 0u);
    EXPECT_EQ(Reads(), 1);
    TickWith("Ay");
    EXPECT_EQ(KeysPostedTo(app), Char('x') + Char('A') + Char('y'));
}

TEST_F(InputTranslationTest, IntroducerCompletedOnlyUpToTheWait) {
    Arrive("\x1b");
    Arrive("O", 3);
    Arrive("P", 50);
    Tick();
    EXPECT_TRUE(KeysPostedTo(app).empty());
    EmuAdvance(100);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Char('P'));
}

TEST_F(InputTranslationTest, IntroducerAtTheEndOfAFullBuffer) {
    std::string burst(258, 'a');
    Arrive(burst + "\x1b[" + "Ab");
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst));
    EXPECT_EQ(Pending(), 2u);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst) + Chars("Ab"));
}

TEST_F(InputTranslationTest, EscAtTheEndOfAFullBufferCannotWaitForMore) {
    std::string burst(259, 'a');
    Arrive(burst + "\x1b" + "[A");
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst) + Press(VK_ESCAPE) + Char(0x1B));
    EXPECT_EQ(Reads(), 1);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst) + Press(VK_ESCAPE) + Char(0x1B) + Chars("[A"));
}

// A tick must not pick up what an earlier tick left in its buffer (the two
// ticks run back to back, so their buffers are likely the same memory).
TEST_F(InputTranslationTest, IntroducerDoesNotReachAnEarlierTicksBytes) {
    std::string earlier;
    while (earlier.size() < 258)
        earlier += "\x1b[A";
    earlier += "zz";
    Arrive(earlier);
    Arrive("\x1b[");
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
    for (int i = 0; i < 300; ++i)
        burst += static_cast<char>('a' + i % 26);
    Arrive(burst);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst.substr(0, 260)));
    EXPECT_EQ(LastReadRoom(), 260u);
    Tick();
    EXPECT_EQ(KeysPostedTo(app), Chars(burst));
    EXPECT_EQ(Pending(), 0u);
}

TEST_F(InputTranslationTest, FailedTargetQueryDropsTheTick) {
    EmuFailKeyboardTarget(true);
    TickWith("ab\x1bOS\x1b[A");  // PF4 included
    EXPECT_TRUE(EmuKeyMessagesTo(app).empty());
    EXPECT_TRUE(EmuMessageLog().empty());
    EXPECT_TRUE(EmuWindowExists(app));
    EXPECT_EQ(Pending(), 0u);
    EmuFailKeyboardTarget(false);
    TickWith("c");
    EXPECT_EQ(KeysPostedTo(app), Char('c'));
}

// A failed read means the line is gone: nothing is typed and the caller is told.
TEST_F(InputTranslationTest, FailedReadPostsNothingAndReportsTheLineGone) {
    Arrive("abc");
    EmuSerialFailReads(TERMINAL, true);
    EXPECT_EQ(PollTerminalInput(0, port), FALSE);
    EXPECT_TRUE(EmuMessageLog().empty());
    EmuSerialFailReads(TERMINAL, false);
    EXPECT_EQ(PollTerminalInput(0, port), TRUE);
    EXPECT_EQ(KeysPostedTo(app), Chars("abc"));
}

// The terminal's answer to the device-attributes request, whenever and in
// however many reads it comes, is never typed; what only looks like its
// start is translated as before.
TEST_F(InputTranslationTest, DeviceAttributesAnswerIsNeverTyped) {
    struct Case {
        std::vector<std::string> reads;
        std::string typed;
    };
    const Case cases[] = {
        {{"a\x1b[?1;2cb"}, "ab"}, {{"\x1b[?6c"}, ""},        {{"x\x1b[?1", ";2", "cy"}, "xy"},
        {{"\x1b[?", "1;2c"}, ""}, {{"\x1b[?1;2", "z"}, "z"}, {{"\x1b[?1x"}, "1x"},
    };
    for (const Case& c : cases) {
        EmuClearMessageLog();
        for (const std::string& read : c.reads) {
            Arrive(read);
            Tick();
            EmuAdvance(100);
        }
        std::string typed;
        for (const EmuMessage& m : EmuKeyMessagesTo(app))
            if (m.message == WM_CHAR) typed.push_back(static_cast<char>(m.wParam));
        EXPECT_EQ(typed, c.typed) << c.reads[0];
    }
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
