#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options.h"
#include "platform/emulated/emulated.h"
#include "platform/system.h"

namespace {

struct ParseRow {
    std::vector<std::u16string> args;
    OptionsOutcome outcome;
    std::u16string port;
    DWORD speed;
    bool connect;
    bool reconnect;
    std::u16string message;  // for OPTIONS_WRONG
};

OptionsOutcome Parse(const std::vector<std::u16string>& args, StartOptions* options, std::u16string* message) {
    std::vector<const WCHAR*> pointers;
    for (const std::u16string& arg : args)
        pointers.push_back(arg.c_str());
    WCHAR text[MAX_TEXT];
    OptionsOutcome outcome = ParseOptions(static_cast<int>(pointers.size()), pointers.data(), options, text, MAX_TEXT);
    *message = text;
    return outcome;
}

TEST(OptionsTest, ParsesGoodAndRefusesWrongArguments) {
    const ParseRow rows[] = {
        {{}, OPTIONS_START, u"", 0, false, false, u""},
        {{u"--port", u"COM3:", u"--speed", u"9600", u"--connect", u"--reconnect"},
         OPTIONS_START,
         u"COM3:",
         9600,
         true,
         true,
         u""},
        {{u"--port=COM1: BT-Term-A", u"--speed=115200"}, OPTIONS_START, u"COM1: BT-Term-A", 115200, false, false, u""},
        {{u"--port", u"--connect"}, OPTIONS_START, u"--connect", 0, false, false, u""},  // a value is taken as it is
        {{u"--speed", u"2400", u"--speed", u"56700"}, OPTIONS_START, u"", 56700, false, false, u""},
        {{u"--help", u"--bogus"}, OPTIONS_HELP, u"", 0, false, false, u""},
        {{u"--version"}, OPTIONS_VERSION, u"", 0, false, false, u""},
        {{u"--speed", u"57600"},
         OPTIONS_WRONG,
         u"",
         0,
         false,
         false,
         u"speed '57600' is not one of 2400 4800 9600 19200 33600 38400 56700 115200"},
        {{u"--speed", u"+9600"}, OPTIONS_WRONG, u"", 0, false, false, u"speed '+9600' is not one of"},
        {{u"--speed", u"4294969696"}, OPTIONS_WRONG, u"", 0, false, false, u"speed '4294969696'"},
        {{u"--speed="}, OPTIONS_WRONG, u"", 0, false, false, u"speed '' is not one of"},
        {{u"--speed"}, OPTIONS_WRONG, u"", 0, false, false, u"--speed needs a value"},
        {{u"--port="}, OPTIONS_WRONG, u"", 0, false, false, u"--port needs a port name"},
        {{u"--connect=yes"}, OPTIONS_WRONG, u"", 0, false, false, u"--connect takes no value"},
        {{u"--Connect"}, OPTIONS_WRONG, u"", 0, false, false, u"unknown option '--Connect'"},
        {{u"--conn"}, OPTIONS_WRONG, u"", 0, false, false, u"unknown option '--conn'"},
        {{u"-h"}, OPTIONS_WRONG, u"", 0, false, false, u"unexpected argument '-h'"},
        {{u"COM1:"}, OPTIONS_WRONG, u"", 0, false, false, u"unexpected argument 'COM1:'"},
        {{u"--bogus", u"--help"}, OPTIONS_WRONG, u"", 0, false, false, u"unknown option '--bogus'"},
    };
    for (const ParseRow& row : rows) {
        std::string trace;
        for (const std::u16string& arg : row.args)
            trace += std::string(arg.begin(), arg.end()) + " ";
        SCOPED_TRACE(trace);
        StartOptions options;
        std::u16string message;
        ASSERT_EQ(Parse(row.args, &options, &message), row.outcome);
        if (row.outcome == OPTIONS_WRONG) {
            EXPECT_EQ(message.compare(0, row.message.size(), row.message), 0)
                << std::string(message.begin(), message.end());
            continue;
        }
        if (row.outcome != OPTIONS_START) continue;
        EXPECT_EQ(std::u16string(options.port), row.port);
        EXPECT_EQ(options.speed, row.speed);
        EXPECT_EQ(options.connect, row.connect);
        EXPECT_EQ(options.reconnect, row.reconnect);
    }
}

// What main does with them: text to the right stream, the right exit code.
TEST(OptionsTest, HelpAndVersionGoToTheOutputAWrongOptionToTheErrorWithCodeTwo) {
    struct Row {
        std::vector<const char*> argv;
        bool starts;
        int exitCode;
        const char16_t* output;
        const char16_t* error;
    };
    const Row rows[] = {
        {{"tastra"}, true, -1, u"", u""},
        {{"tastra", "--port", "COM1:", "--connect"}, true, -1, u"", u""},
        {{"tastra", "--help"}, false, 0, u"Usage: tastra [OPTION]...", u""},
        {{"tastra", "--version"}, false, 0, u"Tastra v1.00\n", u""},
        {{"tastra", "--speed", "1"}, false, 2, u"", u"tastra: speed '1' is not one of"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argv.back());
        EmuReset();
        int exitCode = -1;
        std::vector<char*> argv;
        for (const char* arg : row.argv)
            argv.push_back(const_cast<char*>(arg));
        EXPECT_EQ(ReadStartOptions(static_cast<int>(argv.size()), argv.data(), &exitCode), row.starts);
        EXPECT_EQ(exitCode, row.exitCode);
        EXPECT_EQ(EmuStandardText(STD_OUTPUT).rfind(row.output, 0), 0u);
        EXPECT_EQ(EmuStandardText(STD_ERROR).rfind(row.error, 0), 0u);
    }
    g_startOptions = StartOptions{};
}

// Seventeen arguments, or one of MAX_TEXT characters, cannot be held.
TEST(OptionsTest, TooManyOrTooLongArgumentsAreRefused) {
    std::string longPort(MAX_TEXT, 'C');
    std::vector<char*> tooMany(MAX_ARGUMENTS + 2, const_cast<char*>("--connect"));
    std::vector<char*> tooLong = {const_cast<char*>("tastra"), const_cast<char*>("--port"), longPort.data()};
    for (std::vector<char*>* argv : {&tooMany, &tooLong}) {
        EmuReset();
        int exitCode = -1;
        EXPECT_FALSE(ReadStartOptions(static_cast<int>(argv->size()), argv->data(), &exitCode));
        EXPECT_EQ(exitCode, EXIT_WRONG_OPTION);
        EXPECT_EQ(EmuStandardText(STD_ERROR).rfind(u"tastra: too many arguments, or one too long", 0), 0u);
    }
}

}  // namespace
