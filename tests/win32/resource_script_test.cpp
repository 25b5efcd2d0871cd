// The Windows resource script holds the same dialog and string table as the
// portable resources the other backends read: a text or a control changed
// in one place only would give Windows users another program.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "base/resource.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace {

std::string Narrow(const WCHAR* text) {
    char bytes[MAX_TEXT];
    return WToBytes(bytes, text, MAX_TEXT);
}

struct Script {
    std::map<std::string, long> defines;
    std::map<long, std::string> strings;
    std::smatch dialog;
    std::string caption, font, dialogStyle;
    std::vector<std::smatch> controls;
    std::string text;
};

// The numeric value of an identifier or number in the script.
long Value(const Script& script, const std::string& token) {
    if (std::regex_match(token, std::regex(R"(\(?-?\d+\)?)"))) return std::stol(token.substr(token[0] == '('));
    auto found = script.defines.find(token);
    return found == script.defines.end() ? 0x7FFFFFFF : found->second;
}

// Style names as the portable templates spell them, with their values.
DWORD Style(const std::string& tokens) {
    static const std::map<std::string, DWORD> kStyles = {{"WS_POPUP", WS_POPUP},
                                                         {"WS_VISIBLE", WS_VISIBLE},
                                                         {"WS_DISABLED", WS_DISABLED},
                                                         {"WS_CAPTION", WS_CAPTION},
                                                         {"WS_BORDER", WS_BORDER},
                                                         {"WS_VSCROLL", WS_VSCROLL},
                                                         {"WS_SYSMENU", WS_SYSMENU},
                                                         {"WS_TABSTOP", WS_TABSTOP},
                                                         {"DS_SETFONT", DS_SETFONT},
                                                         {"DS_MODALFRAME", DS_MODALFRAME},
                                                         {"CBS_DROPDOWN", CBS_DROPDOWN},
                                                         {"CBS_SORT", CBS_SORT},
                                                         {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
                                                         {"SS_LEFT", SS_LEFT},
                                                         {"SS_ICON", SS_ICON},
                                                         {"SS_CENTERIMAGE", SS_CENTERIMAGE},
                                                         {"BS_PUSHBUTTON", BS_PUSHBUTTON}};
    DWORD style = 0;
    std::stringstream names(tokens);
    for (std::string name; std::getline(names, name, '|');) {
        name = std::regex_replace(name, std::regex(R"(^\s+|\s+$)"), "");
        auto found = kStyles.find(name);
        EXPECT_NE(found, kStyles.end()) << "unknown style " << name;
        if (found != kStyles.end()) style |= found->second;
    }
    return style;
}

class ResourceScriptTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::ifstream file(TASTRA_RESOURCE_SCRIPT);
        std::stringstream all;
        all << file.rdbuf();
        s.text = all.str();
        std::smatch m;
        for (auto it = s.text.cbegin(); std::regex_search(it, s.text.cend(), m, std::regex(R"(#define (\w+) (\S+))"));
             it = m[0].second)
            s.defines[m[1]] = Value(s, m[2]);
        for (auto it = s.text.cbegin();
             std::regex_search(it, s.text.cend(), m, std::regex(R"re(\n\s+(\d+), "([^"]*)")re")); it = m[0].second)
            s.strings[std::stol(m[1])] = m[2];
        std::regex_search(
            s.text, s.dialog,
            std::regex(
                R"re((\w+) DIALOG 0, 0, (\d+), (\d+)\nSTYLE ([^\n]+)\nCAPTION "([^"]*)"\nFONT (\d+), "([^"]*)")re"));
        std::regex control(R"re(CONTROL ("[^"]*"|\w+), (\w+), "(\w+)", ([^,]+), (\d+), (\d+), (\d+), (\d+))re");
        for (auto it = s.text.cbegin(); std::regex_search(it, s.text.cend(), m, control); it = m[0].second)
            s.controls.push_back(m);
    }
    static Script s;
};
Script ResourceScriptTest::s;

TEST_F(ResourceScriptTest, StringTableMatchesEveryText) {
    ASSERT_EQ(s.strings.size(), static_cast<size_t>(g_moduleResources.stringCount));
    for (int i = 0; i < g_moduleResources.stringCount; ++i) {
        const StringResource& string = g_moduleResources.strings[i];
        EXPECT_EQ(s.strings[string.id], Narrow(string.text)) << "string " << string.id;
    }
}

TEST_F(ResourceScriptTest, DialogMatchesTheTemplate) {
    const DialogTemplate* dialog = FindDialogTemplate(&g_moduleResources, IDD_MAIN);
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(s.dialog.empty()) << "no dialog in the script";
    EXPECT_EQ(Value(s, s.dialog[1]), IDD_MAIN);
    EXPECT_EQ(std::stol(s.dialog[2]), dialog->cx);
    EXPECT_EQ(std::stol(s.dialog[3]), dialog->cy);
    EXPECT_EQ(Style(s.dialog[4]), dialog->style);
    EXPECT_EQ(s.dialog[5], Narrow(WINDOW_TITLE));
    EXPECT_EQ(std::stol(s.dialog[6]), dialog->pointSize);
    EXPECT_EQ(s.dialog[7], Narrow(dialog->fontName));

    ASSERT_EQ(s.controls.size(), static_cast<size_t>(dialog->itemCount));
    const std::map<ControlKind, std::string> kClasses = {{CONTROL_STATIC, "Static"},
                                                         {CONTROL_COMBOBOX, "ComboBox"},
                                                         {CONTROL_EDIT, "Edit"},
                                                         {CONTROL_BUTTON, "Button"},
                                                         {CONTROL_ICON, "Static"}};
    for (int i = 0; i < dialog->itemCount; ++i) {
        const DialogItemTemplate& item = dialog->items[i];
        const std::smatch& c = s.controls[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(Value(s, c[2]), item.id);
        EXPECT_EQ(c[3], kClasses.at(item.kind));
        EXPECT_EQ(Style(c[4]), item.style);
        EXPECT_EQ((std::vector<long>{std::stol(c[5]), std::stol(c[6]), std::stol(c[7]), std::stol(c[8])}),
                  (std::vector<long>{item.x, item.y, item.cx, item.cy}));
        if (item.kind == CONTROL_ICON)
            EXPECT_EQ(Value(s, c[1]), item.iconId);
        else
            EXPECT_EQ(c[1].str(), "\"" + Narrow(item.text) + "\"");
    }
}

}  // namespace
