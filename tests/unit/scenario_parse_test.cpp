// The scenario language's parser: words and quoting, numbers, every line
// form, and errors that name the line.
#include "scenario_parse.h"

#include <windows.h>

#include "user/input.h"

#include <gtest/gtest.h>

using namespace desktop::scenario;
using platform::user::kAlt;
using platform::user::kControl;
using platform::user::kShift;

namespace {

Command Parse(const std::string& line) {
    Command c;
    std::string error;
    EXPECT_TRUE(ParseLine(line, &c, &error)) << line << ": " << error;
    return c;
}

std::string ErrorOf(const std::string& line) {
    Command c;
    std::string error;
    EXPECT_FALSE(ParseLine(line, &c, &error)) << line;
    return error;
}

} // namespace

TEST(ScenarioParse, SplitsWordsWithQuotingAndComments) {
    struct Case {
        const char* line;
        std::vector<Word> words;
    } cases[] = {
        {"click  1049\t", {{"click"}, {"1049"}}},
        {R"(a "two words" b)", {{"a"}, {"two words", '"'}, {"b"}}},
        // Backslashes before other characters stay: Windows paths need no doubling.
        {R"("C:\Program Files\Orbiq")", {{R"(C:\Program Files\Orbiq)", '"'}}},
        {R"("say \"hi\" \\ \n end")", {{"say \"hi\" \\ \n end", '"'}}},
        {R"("ends with \\")", {{"ends with \\", '"'}}},
        {R"('single \" \n kept')", {{R"(single \" \n kept)", '\''}}},
        {R"('' "")", {{"", '\''}, {"", '"'}}},
        {"expect tray # a comment \"unclosed", {{"expect"}, {"tray"}}},
        {"a#b \"#in quotes\" #", {{"a#b"}, {"#in quotes", '"'}}},
        {"   # only a comment", {}},
        {"", {}},
        {"line\r", {{"line"}}},
    };
    for (const Case& c : cases) {
        std::vector<Word> words;
        std::string error;
        ASSERT_TRUE(SplitWords(c.line, &words, &error)) << c.line << ": " << error;
        EXPECT_EQ(words, c.words) << c.line;
    }
    for (const char* bad : {"say \"unclosed", "'unclosed", "\"word\"glued", "'a'b", "\"a\\\""}) {
        std::vector<Word> words;
        std::string error;
        EXPECT_FALSE(SplitWords(bad, &words, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(ScenarioParse, ReadsDecimalAndHexadecimalNumbers) {
    struct Case {
        const char* text;
        std::optional<int64_t> value;
    } cases[] = {
        {"0", 0},
        {"1049", 1049},
        {"-1", -1},
        {"0x1F", 31},
        {"0XfF", 255},
        {"007", 7},
        {"", {}},
        {"0x", {}},
        {"-", {}},
        {"12a", {}},
        {"0x1G", {}},
        {"-0x10", {}},
        {"+5", {}},
        {" 5", {}},
        {"1.5", {}},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", {}},
        {"0x7FFFFFFFFFFFFFFF", INT64_MAX},
        {"0x10000000000000000", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ScenarioParse, EveryLineFormGivesItsCommand) {
    struct Case {
        const char* line;
        Op op;
    } cases[] = {
        {"machine card chip B", Op::Machine},
        {"reg set HKCU\\Software\\X Name dword:0000000a", Op::RegSet},
        {"reg delete HKLM\\Software\\X", Op::RegDelete},
        {"ini C:\\WINDOWS\\SOUNDCFG.INI Main Speakers 4", Op::Ini},
        {"file delete C:\\WINDOWS\\SOUNDCFG.INI", Op::FileDelete},
        {"file put C:\\a.wav host.wav", Op::FilePut},
        {"tray click", Op::TrayClick},
        {"tray dblclick", Op::TrayDoubleClick},
        {"tray rclick", Op::TrayRightClick},
        {"menu 40008", Op::MenuChoose},
        {"menu \"&Open\"", Op::MenuChoose},
        {"menu dismiss", Op::MenuDismiss},
        {"click 1049", Op::Click},
        {"dblclick 1049", Op::DoubleClick},
        {"rclick 1049", Op::RightClick},
        {"tab 2", Op::Tab},
        {"tab \"Effects\"", Op::Tab},
        {"slide 1001 -5", Op::Slide},
        {"pick 1002 3", Op::Pick},
        {"pick 1002 \"Four speakers\"", Op::Pick},
        {"type 1003 \"hello\"", Op::Type},
        {"key Tab Shift+Tab Enter", Op::Key},
        {"point 1004", Op::Point},
        {"point 1004 -2 3", Op::Point},
        {"press", Op::Press},
        {"release", Op::Release},
        {"lclick", Op::LeftClick},
        {"help 1005", Op::Help},
        {"close", Op::Close},
        {"answer ok", Op::Answer},
        {"wait 1000", Op::Wait},
        {"post \"Corvane Control\" 0x111 40008 0", Op::Post},
        {"copy", Op::Copy},
        {"copy OPEN", Op::Copy},
        {"taskbar restart", Op::TaskbarRestart},
        {"mixer set 0 1 65535", Op::Mixer},
        {"expect window \"Title\"", Op::ExpectWindow},
        {"expect no-window", Op::ExpectNoWindow},
        {"expect tray", Op::ExpectTray},
        {"expect no-tray", Op::ExpectNoTray},
        {"expect tabs General Effects", Op::ExpectTabs},
        {"expect tab General", Op::ExpectTab},
        {"expect checked 1", Op::ExpectChecked},
        {"expect unchecked 1", Op::ExpectUnchecked},
        {"expect enabled 1", Op::ExpectEnabled},
        {"expect disabled 1", Op::ExpectDisabled},
        {"expect visible 1", Op::ExpectVisible},
        {"expect hidden 1", Op::ExpectHidden},
        {"expect pos 1 -3", Op::ExpectPos},
        {"expect range 1 0 100", Op::ExpectRange},
        {"expect text 1 \"OK\"", Op::ExpectText},
        {"expect selected 1 -1", Op::ExpectSelected},
        {"expect focus 1", Op::ExpectFocus},
        {"expect msgbox \"No card\"", Op::ExpectMsgbox},
        {"expect menu \"&Open\" \"E&xit\"", Op::ExpectMenu},
        {"expect cursor wait", Op::ExpectCursor},
        {"expect reg HKLM\\X @ \"text\"", Op::ExpectReg},
        {"expect no-reg HKLM\\X", Op::ExpectNoReg},
        {"expect no-reg HKLM\\X Name", Op::ExpectNoReg},
        {"expect file C:\\x.txt", Op::ExpectFile},
        {"expect file C:\\x.txt 44", Op::ExpectFile},
        {"expect no-file C:\\x.txt", Op::ExpectNoFile},
        {"expect debug \"hello\"", Op::ExpectDebug},
        {"expect exit 0", Op::ExpectExit},
        {"expect running", Op::ExpectRunning},
        {"screen", Op::Screen},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parse(c.line).op, c.op) << c.line;
}

TEST(ScenarioParse, OperandsLandInTheirFields) {
    Command c = Parse("  click 0x419   # the OK button");
    EXPECT_EQ(c.control, 0x419u);
    EXPECT_EQ(c.source, "click 0x419");

    c = Parse("menu 40008");
    EXPECT_EQ(c.number, 40008);
    EXPECT_TRUE(c.text.empty());
    // A quoted number is a text: the item titled "2", not item 2.
    c = Parse("tab \"2\"");
    EXPECT_FALSE(c.number);
    EXPECT_EQ(c.text, "2");
    c = Parse("pick 1002 Four");
    EXPECT_EQ(c.control, 1002u);
    EXPECT_EQ(c.text, "Four");

    c = Parse("expect range 7 -10 0x10");
    EXPECT_EQ(c.control, 7u);
    EXPECT_EQ(c.number, -10);
    EXPECT_EQ(c.number2, 16);

    c = Parse("point 5 -2 3");
    EXPECT_EQ(c.dx, -2);
    EXPECT_EQ(c.dy, 3);

    c = Parse("copy  OPEN   \"two words\"");
    EXPECT_EQ(c.text, "OPEN two words");

    c = Parse("post \"Corvane Control\" 0x111 -1 0xFFFFFFFF");
    EXPECT_EQ(c.text, "Corvane Control");
    EXPECT_EQ(c.message, 0x111u);
    EXPECT_EQ(c.wParam, 0xFFFFFFFFu);
    EXPECT_EQ(c.lParam, 0xFFFFFFFFu);
    c = Parse("post Shell_TrayWnd TaskbarCreated 0 0");
    EXPECT_EQ(c.messageName, "TaskbarCreated");

    c = Parse("answer no");
    EXPECT_EQ(c.number, IDNO);
    c = Parse("expect cursor hand");
    EXPECT_EQ(c.text, "hand");
    c = Parse("expect tabs \"General\" Effects 'Playback Mixer'");
    EXPECT_EQ(c.items, (std::vector<std::string>{"General", "Effects", "Playback Mixer"}));

    c = Parse("machine pci found_by_bios no");
    EXPECT_EQ(c.section, "pci");
    EXPECT_EQ(c.key, "found_by_bios");
    EXPECT_EQ(c.value, "no");

    // An unquoted "-" deletes an ini key; a quoted one is the text.
    c = Parse("ini SOUNDCFG.INI Main Speakers -");
    EXPECT_EQ(c.text, "SOUNDCFG.INI");
    EXPECT_FALSE(c.iniValue);
    c = Parse("ini SOUNDCFG.INI Main Speakers \"-\"");
    EXPECT_EQ(c.iniValue, "-");

    c = Parse("file put \"C:\\Program Files\\Orbiq\\CVPANEL.EXE\" TESTAPP.EXE");
    EXPECT_EQ(c.text, "C:\\Program Files\\Orbiq\\CVPANEL.EXE");
    EXPECT_EQ(c.hostFile, "TESTAPP.EXE");
    c = Parse("expect file C:\\x.wav 0x2C");
    EXPECT_EQ(c.number, 44);
}

TEST(ScenarioParse, KeysCarryModifiersAndCharacters) {
    Command c = Parse("key Tab shift+tab Enter Escape Space Alt+X Ctrl+A a 7 F1 F12 PageDown");
    std::vector<KeyStroke> want = {
        {VK_TAB, 0, '\t'},  {VK_TAB, kShift, '\t'}, {VK_RETURN, 0, '\r'},  {VK_ESCAPE, 0, 0x1B},
        {VK_SPACE, 0, ' '}, {'X', kAlt, 'x'},       {'A', kControl, 0x01}, {'A', 0, 'a'},
        {'7', 0, '7'},      {VK_F1, 0, 0},          {VK_F1 + 11, 0, 0},    {VK_NEXT, 0, 0},
    };
    EXPECT_EQ(c.keys, want);
    for (const char* bad :
         {"key", "key F0", "key F13", "key Hyper+A", "key Shift+", "key \"Tab\"", "key Tabs"})
        EXPECT_NE(ErrorOf(bad), "") << bad;
}

TEST(ScenarioParse, RegistryLinesTakeRegSyntax) {
    Command c = Parse("reg set \"HKEY_LOCAL_MACHINE\\Software\\Orbiq\" Speakers dword:0000000a");
    EXPECT_EQ(c.regRoot, machine::RegistryRoot::LocalMachine);
    EXPECT_EQ(c.regPath, "Software\\Orbiq");
    EXPECT_EQ(c.regValue.name, "Speakers");
    EXPECT_EQ(c.regValue.type, static_cast<uint32_t>(REG_DWORD));
    EXPECT_EQ(c.regValue.data, (std::vector<uint8_t>{10, 0, 0, 0}));

    // A double-quoted word is a string value, terminator included; in single
    // quotes the .reg form is read as it stands.
    c = Parse("expect reg HKCU\\Software\\Q @ \"C:\\dir\"");
    EXPECT_EQ(c.regRoot, machine::RegistryRoot::CurrentUser);
    EXPECT_EQ(c.regValue.name, "");
    EXPECT_EQ(c.regValue.type, static_cast<uint32_t>(REG_SZ));
    EXPECT_EQ(c.regValue.data, (std::vector<uint8_t>{'C', ':', '\\', 'd', 'i', 'r', 0}));
    c = Parse(R"(reg set HKCU\X '@' '"a\\b"')");
    EXPECT_EQ(c.regValue.name, "@"); // quoted: a value really named "@"
    EXPECT_EQ(c.regValue.data, (std::vector<uint8_t>{'a', '\\', 'b', 0}));
    c = Parse("reg set HKCU\\X Bin hex:01,ff");
    EXPECT_EQ(c.regValue.type, static_cast<uint32_t>(REG_BINARY));
    EXPECT_EQ(c.regValue.data, (std::vector<uint8_t>{1, 0xFF}));

    c = Parse("reg delete HKLM\\Software\\Orbiq Speakers");
    EXPECT_EQ(c.regName, "Speakers");
    c = Parse("reg delete HKLM\\Software\\Orbiq");
    EXPECT_FALSE(c.regName);

    for (const char* bad :
         {"reg set HKCR\\X A dword:1", "reg set HKLM\\X A dword:xyz", "reg set HKLM\\X A text",
          "reg set HKLM\\\\X A dword:1", "reg set HKLM\\X A", "reg frob HKLM\\X"})
        EXPECT_NE(ErrorOf(bad), "") << bad;
}

TEST(ScenarioParse, WrongLinesSayWhatIsWrong) {
    struct Case {
        const char* line;
        const char* says;
    } cases[] = {
        {"clack 1049", "unknown command \"clack\""},
        {"click", "missing control id"},
        {"click OK", "control id must be a number, not \"OK\""},
        {"click \"1049\"", "control id must be a number"},
        {"click 70000", "out of range"},
        {"click 1 2", "unexpected \"2\""},
        {"wait -5", "out of range"},
        {"wait soon", "milliseconds must be a number"},
        {"answer maybe", "answer must be one of ok, cancel, yes, no"},
        {"tray poke", "tray action must be one of"},
        {"expect cursor busy", "cursor must be one of arrow, wait, hand"},
        {"expect", "missing what to expect"},
        {"expect shiny 1", "unknown expectation \"shiny\""},
        {"expect tabs", "missing tab titles"},
        {"expect selected 1 -2", "out of range"},
        {"menu dismiss now", "unexpected \"now\""},
        {"\"click\" 1", "must start with a command"},
        {"point 1 2", "missing offset down"},
        {"post Class 0x10000 0 0", "out of range"},
        {"post Class 1 0x100000000 0", "out of range"},
    };
    for (const Case& c : cases) {
        std::string error = ErrorOf(c.line);
        EXPECT_NE(error.find(c.says), std::string::npos) << c.line << " gave: " << error;
    }
}

TEST(ScenarioParse, ScriptErrorsNameTheirLine) {
    struct Case {
        const char* script;
        int line;
        const char* says;
    } cases[] = {
        {"# setup\nmachine a b c\n\nclick 1\nfrobnicate\n", 5, "unknown command"},
        {"click 1\nreg delete HKLM\\X\n", 2, "must come before"},
        {"expect tray\r\nexpect text 1 \"open\n", 2, "not closed"},
        {"wait 1\nwait\n", 2, "missing milliseconds"},
    };
    for (const Case& c : cases) {
        std::vector<Command> commands;
        ParseError error;
        EXPECT_FALSE(ParseScript(c.script, &commands, &error)) << c.script;
        EXPECT_EQ(error.line, c.line) << c.script;
        EXPECT_NE(error.message.find(c.says), std::string::npos) << error.message;
    }

    std::vector<Command> commands;
    ParseError error;
    ASSERT_TRUE(
        ParseScript("reg delete HKLM\\X # gone\n\n  # note\nclick 1\r\nscreen", &commands, &error))
        << error.message;
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].line, 1);
    EXPECT_EQ(commands[0].source, "reg delete HKLM\\X");
    EXPECT_EQ(commands[1].line, 4);
    EXPECT_EQ(commands[1].source, "click 1");
    EXPECT_EQ(commands[2].line, 5);
    EXPECT_TRUE(commands[0].IsSetup());
    EXPECT_FALSE(commands[1].IsSetup());
}
