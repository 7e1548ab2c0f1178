// The registry store: REGEDIT4 text in and out, names, errors, and the file
// shared between processes and surviving interrupted saves.
#include "registry.h"

#include "winerror.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using machine::Registry;
using machine::RegistryRoot;
using machine::RegistrySaveStep;
using machine::RegistryValue;

namespace {

constexpr RegistryRoot LM = RegistryRoot::LocalMachine;
constexpr RegistryRoot CU = RegistryRoot::CurrentUser;

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "cvreg-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

RegistryValue Value(std::string name, uint32_t type, std::vector<uint8_t> data) {
    return RegistryValue{std::move(name), type, std::move(data)};
}

RegistryValue Text(std::string name, std::string_view text) {
    RegistryValue v{std::move(name), 1, {text.begin(), text.end()}};
    v.data.push_back(0);
    return v;
}

RegistryValue Dword(std::string name, uint32_t n) {
    return Value(std::move(name), 4,
                 {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)});
}

std::vector<uint8_t> Get(Registry& r, RegistryRoot root, std::string_view path,
                         std::string_view name, uint32_t* type = nullptr) {
    RegistryValue v;
    EXPECT_EQ(r.GetValue(root, path, name, &v), ERROR_SUCCESS) << path << " " << name;
    if (type) *type = v.type;
    return v.data;
}

// Runs `body` in a child process and returns its exit status (or -signal).
template <typename Body> int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

class RegistryStore : public ::testing::Test {
  protected:
    fs::path File() const { return folder_.path() / "registry.reg"; }
    Registry& Open() {
        registry_ = std::make_unique<Registry>(File());
        std::string error;
        EXPECT_TRUE(registry_->Load(&error)) << error;
        return *registry_;
    }
    void TearDown() override { Registry::SetSaveHook(nullptr); }

    TempFolder folder_;
    std::unique_ptr<Registry> registry_;
};

// ---------------------------------------------------------------------------
// Text form

TEST(RegistryText, ParseAndFormatData) {
    struct Case {
        const char* text;
        uint32_t type;
        std::vector<uint8_t> data;
        const char* formatted; // null: same as text
    };
    const Case cases[] = {
        {"\"C:\\\\Program Files\\\\Orbiq\"",
         1,
         {'C', ':', '\\', 'P', 'r',  'o', 'g', 'r', 'a', 'm', ' ', 'F',
          'i', 'l', 'e',  's', '\\', 'O', 'r', 'b', 'i', 'q', 0},
         nullptr},
        {"\"say \\\"hi\\\"\"", 1, {'s', 'a', 'y', ' ', '"', 'h', 'i', '"', 0}, nullptr},
        {"\"\"", 1, {0}, nullptr},
        {"dword:0000000a", 4, {10, 0, 0, 0}, nullptr},
        {"DWORD:FFFFFFFF", 4, {255, 255, 255, 255}, "dword:ffffffff"},
        {"dword:1", 4, {1, 0, 0, 0}, "dword:00000001"},
        {"hex:01,02", 3, {1, 2}, nullptr},
        {"hex: 1 , AB ,0", 3, {1, 0xab, 0}, "hex:01,ab,00"},
        {"hex:", 3, {}, nullptr},
        {"hex(2):25,00", 2, {0x25, 0}, nullptr},
        {"hex(b):01", 11, {1}, nullptr},
        {"hex(0):", 0, {}, nullptr},
        // Strings the quoted form cannot carry go as hex(1).
        {"hex(1):61,62", 1, {'a', 'b'}, nullptr},
        {"hex(1):61,00,62,00", 1, {'a', 0, 'b', 0}, nullptr},
        {"hex(1):61,0a,00", 1, {'a', '\n', 0}, nullptr},
        {"hex(1):ff,00", 1, {0xff, 0}, nullptr},
        {"hex(1):", 1, {}, nullptr},
        {"hex(4):01,02", 4, {1, 2}, nullptr},
    };
    for (const Case& c : cases) {
        RegistryValue v;
        std::string error;
        ASSERT_TRUE(machine::ParseRegData(c.text, &v, &error)) << c.text << ": " << error;
        EXPECT_EQ(v.type, c.type) << c.text;
        EXPECT_EQ(v.data, c.data) << c.text;
        EXPECT_EQ(machine::FormatRegData(v), c.formatted ? c.formatted : c.text);
    }
    EXPECT_EQ(machine::FormatRegData(Text("", "Grüße ✓")), "\"Grüße ✓\"");

    for (const char* bad : {"", "text", "\"open", "\"a\" b", "\"a\\qb\"", "dword:", "dword:xyz",
                            "dword:123456789", "hex:1,,2", "hex:100", "hex:01,", "hex(q):00",
                            "hex(1:00", "hex(123456789):00", "word:1"}) {
        RegistryValue v;
        std::string error;
        EXPECT_FALSE(machine::ParseRegData(bad, &v, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

// Every form of data, escapes, UTF-8, the default value, empty values and a
// long wrapped hex value, exported exactly as the registry editor writes it.
TEST_F(RegistryStore, ImportThenExportIsTheEditorsText) {
    Registry& r = Open();
    const std::string input =
        "REGEDIT4\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Orbiq]\n"
        "@=\"default\"\n"
        "\"Path\"=\"C:\\\\Program Files\\\\Orbiq\"\n"
        "\"Say \\\"hi\\\"\"=\"she said \\\"hi\\\"\"\n"
        "\"Grüße\"=\"Звук ✓\"\n"
        "\"Empty\"=\"\"\n"
        "\"Count\"=dword:0000000A\n"
        "\"Blob\"=hex:01,02,ff\n"
        "\"NoData\"=hex:\n"
        "\"Expand\"=hex(2):25,00\n"
        "\"Unterminated\"=hex(1):61,62\n"
        "\"ShortDword\"=hex(4):01,02\n"
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,\\\n"
        "    14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,\\\n"
        "\t2c,2d,2e,2f,30,31\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Empty]\n";
    std::string notes;
    ASSERT_TRUE(r.Import(input, &notes));
    EXPECT_EQ(notes, "");

    const std::string expected =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software]\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Orbiq]\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=\"C:\\\\Program Files\\\\Orbiq\"\r\n"
        "\"Say \\\"hi\\\"\"=\"she said \\\"hi\\\"\"\r\n"
        "\"Grüße\"=\"Звук ✓\"\r\n"
        "\"Empty\"=\"\"\r\n"
        "\"Count\"=dword:0000000a\r\n"
        "\"Blob\"=hex:01,02,ff\r\n"
        "\"NoData\"=hex:\r\n"
        "\"Expand\"=hex(2):25,00\r\n"
        "\"Unterminated\"=hex(1):61,62\r\n"
        "\"ShortDword\"=hex(4):01,02\r\n"
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
        "  2f,30,31\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER]\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software]\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Empty]\r\n"
        "\r\n";
    EXPECT_EQ(r.Export(), expected);
    EXPECT_EQ(ReadFile(File()), expected) << "the file is the export";

    uint32_t type = 0;
    EXPECT_EQ(Get(r, LM, "Software\\Orbiq", "Say \"hi\"", &type), Text("", "she said \"hi\"").data);
    EXPECT_EQ(type, 1u);
    EXPECT_EQ(Get(r, LM, "Software\\Orbiq", "", &type), Text("", "default").data);
    EXPECT_EQ(Get(r, LM, "Software\\Orbiq", "Empty"), std::vector<uint8_t>{0});
    EXPECT_EQ(Get(r, LM, "Software\\Orbiq", "Long").size(), 50u);
    EXPECT_TRUE(r.KeyExists(CU, "Software\\Empty"));

    // Another registry reads the file back to the same text.
    Registry again(File());
    std::string error;
    ASSERT_TRUE(again.Load(&error)) << error;
    EXPECT_EQ(again.Export(), expected);
}

// Whatever the name's length, hex lines stay within 80 columns (unless the
// name alone is longer) and read back to the same bytes.
TEST_F(RegistryStore, WrappedHexStaysWithinTheEditorsWidthAndReadsBack) {
    Registry& r = Open();
    std::vector<uint8_t> data(300);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    std::string import = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Wrap]\r\n";
    for (size_t length = 1; length <= 90; length += 1)
        import += "\"" + std::string(length, 'n') +
                  "\"=" + machine::FormatRegData(Value("", 3, data)) + "\r\n";
    std::string notes;
    ASSERT_TRUE(r.Import(import, &notes));
    ASSERT_EQ(notes, "");
    std::istringstream lines(r.Export());
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        // A first line holds at least one byte after the name.
        const size_t start = line.find("=hex:");
        const size_t limit = start == std::string::npos ? 80 : std::max<size_t>(80, start + 9);
        EXPECT_LE(line.size(), limit) << line;
    }
    Registry again(File());
    std::string error;
    ASSERT_TRUE(again.Load(&error)) << error;
    for (size_t length = 1; length <= 90; length += 1)
        EXPECT_EQ(Get(again, LM, "Wrap", std::string(length, 'n')), data);
}

TEST_F(RegistryStore, ImportDeletesKeysAndValues) {
    Registry& r = Open();
    ASSERT_TRUE(r.Import("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"x\"=dword:1\r\n"
                         "[HKEY_LOCAL_MACHINE\\A]\r\n\"keep\"=\"1\"\r\n\"drop\"=\"2\"\r\n",
                         nullptr));
    std::string notes;
    ASSERT_TRUE(r.Import("REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\a\\b]\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\A]\r\n\"DROP\"=-\r\n\"missing\"=-\r\n"
                         "[-HKEY_LOCAL_MACHINE\\Not\\There]\r\n",
                         &notes));
    EXPECT_EQ(notes, "");
    EXPECT_TRUE(r.KeyExists(LM, "A"));
    EXPECT_FALSE(r.KeyExists(LM, "A\\B"));
    EXPECT_FALSE(r.KeyExists(LM, "A\\B\\C"));
    EXPECT_EQ(r.GetValue(LM, "A", "drop", nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(r.GetValue(LM, "A", "keep", nullptr), ERROR_SUCCESS);
}

// Lines the registry editor cannot read create no value; the rest of the
// file is imported all the same, and each skipped line is reported.
TEST_F(RegistryStore, ImportSkipsLinesTheEditorCannotRead) {
    Registry& r = Open();
    const std::string input = "REGEDIT4\r\n"
                              "\"Orphan\"=\"before any key\"\r\n"      // 2
                              "[HKEY_LOCAL_MACHINE\\Bad]\r\n"          // 3
                              "\"NoEndQuote=\"x\"\r\n"                 // 4
                              "\"NoEndQuoteAtAll=dword:1\r\n"          // 5
                              "NoBeginQuote\"=\"x\"\r\n"               // 6
                              "NoQuotes=\"x\"\r\n"                     // 7
                              "'Mixed\"=\"x\"\r\n"                     // 8
                              "\"Mixed'=\"x\"\r\n"                     // 9
                              "\"BadDword\"=dword:xyz\r\n"             // 10
                              "\"BadHex\"=hex:01,zz,\\\r\n"            // 11
                              "  02\r\n"                               // 12
                              "\"BadType\"=hex(q):00\r\n"              // 13
                              "\"Unterminated\"=\"abc\r\n"             // 14
                              "\"BadEscape\"=\"C:\\Windows\"\r\n"      // 15
                              "\"Good\"=\"yes\"\r\n"                   // 16
                              "[HKEY_CLASSES_ROOT\\Other]\r\n"         // 17
                              "\"Lost\"=\"x\"\r\n"                     // 18
                              "[HKEY_LOCAL_MACHINE\\Bad\\\\Empty]\r\n" // 19
                              "[HKEY_LOCAL_MACHINE\\Open\r\n"          // 20
                              "[HKEY_LOCAL_MACHINE\\Bad]\r\n"          // 21
                              "\"AlsoGood\"=dword:00000002\r\n";       // 22
    std::string notes;
    ASSERT_TRUE(r.Import(input, &notes));
    std::vector<std::string> names;
    RegistryValue v;
    for (uint32_t i = 0; r.EnumValue(LM, "Bad", i, &v) == ERROR_SUCCESS; ++i)
        names.push_back(v.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Good", "AlsoGood"}));
    std::string sub;
    EXPECT_EQ(r.SubKeyName(LM, "Bad", 0, &sub), ERROR_NO_MORE_ITEMS);
    EXPECT_FALSE(r.KeyExists(LM, "Other"));
    EXPECT_FALSE(r.KeyExists(LM, "Open"));

    for (int line : {2, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 17, 19, 20})
        EXPECT_NE(notes.find("line " + std::to_string(line) + ": "), std::string::npos)
            << line << " in\n"
            << notes;
    EXPECT_EQ(notes.find("line 18:"), std::string::npos) << "values of a refused key are silent";

    // Without the header nothing is imported.
    EXPECT_FALSE(r.Import("[HKEY_LOCAL_MACHINE\\New]\r\n", &notes));
    EXPECT_FALSE(notes.empty());
    EXPECT_FALSE(r.KeyExists(LM, "New"));
}

// ---------------------------------------------------------------------------
// Names and errors

TEST_F(RegistryStore, NamesCompareWithoutCase) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "Software\\Orbiq"), ERROR_SUCCESS);
    bool created = true;
    EXPECT_EQ(r.CreateKey(LM, "SOFTWARE\\orbiq\\", &created), ERROR_SUCCESS);
    EXPECT_FALSE(created);
    EXPECT_TRUE(r.KeyExists(LM, "software\\ORBIQ"));
    EXPECT_FALSE(r.KeyExists(CU, "Software\\Orbiq")) << "the roots are apart";

    ASSERT_EQ(r.SetValue(LM, "Software\\Orbiq", Dword("Speakers", 2)), ERROR_SUCCESS);
    ASSERT_EQ(r.SetValue(LM, "software\\orbiq", Dword("SPEAKERS", 4)), ERROR_SUCCESS);
    RegistryValue v;
    ASSERT_EQ(r.EnumValue(LM, "Software\\Orbiq", 0, &v), ERROR_SUCCESS);
    EXPECT_EQ(v.name, "Speakers") << "the first spelling stays";
    EXPECT_EQ(v.data, Dword("", 4).data);
    EXPECT_EQ(r.EnumValue(LM, "Software\\Orbiq", 1, &v), ERROR_NO_MORE_ITEMS);

    // Letters beyond ASCII fold too; different letters stay different.
    EXPECT_TRUE(Registry::NamesEqual("Ärger Звук Ωμέγα Łódź", "äRGER зВУК ωΜέΓΑ łÓDŹ"));
    EXPECT_FALSE(Registry::NamesEqual("Ä", "A"));
    EXPECT_FALSE(Registry::NamesEqual("ab", "abc"));
    EXPECT_FALSE(Registry::NamesEqual("\xff", "\xfe"));
    ASSERT_EQ(r.CreateKey(CU, "Ärger"), ERROR_SUCCESS);
    EXPECT_TRUE(r.KeyExists(CU, "äRGER"));
}

TEST_F(RegistryStore, SubkeysKeepTheirOrderAndDeletionTakesEverythingBelow) {
    Registry& r = Open();
    for (const char* k : {"Top\\Beta\\Deep\\Deeper", "Top\\alpha", "Top\\Gamma"})
        ASSERT_EQ(r.CreateKey(LM, k), ERROR_SUCCESS);
    ASSERT_EQ(r.SetValue(LM, "Top\\Beta\\Deep", Dword("x", 1)), ERROR_SUCCESS);

    const auto names = [](Registry& reg) {
        std::vector<std::string> out;
        std::string name;
        uint32_t i = 0;
        for (; reg.SubKeyName(LM, "Top", i, &name) == ERROR_SUCCESS; ++i)
            out.push_back(name);
        EXPECT_EQ(reg.SubKeyName(LM, "Top", i, &name), ERROR_NO_MORE_ITEMS);
        return out;
    };
    EXPECT_EQ(names(r), (std::vector<std::string>{"Beta", "alpha", "Gamma"}));
    Registry fromFile(File());
    ASSERT_TRUE(fromFile.Load(nullptr));
    EXPECT_EQ(names(fromFile), (std::vector<std::string>{"Beta", "alpha", "Gamma"}));

    EXPECT_EQ(r.DeleteKey(LM, "top\\BETA"), ERROR_SUCCESS);
    EXPECT_FALSE(r.KeyExists(LM, "Top\\Beta\\Deep"));
    EXPECT_EQ(names(r), (std::vector<std::string>{"alpha", "Gamma"}));
    EXPECT_EQ(r.DeleteKey(LM, "Top\\Beta"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(names(fromFile), (std::vector<std::string>{"alpha", "Gamma"}))
        << "another registry on the file sees the deletion";
}

TEST_F(RegistryStore, RefusesBadPathsNamesAndSizes) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "K"), ERROR_SUCCESS);
    std::string deep;
    for (size_t i = 0; i < Registry::kMaxDepth; ++i)
        deep += i ? "\\d" : "d";
    struct Case {
        std::string path;
        long rc;
    };
    const Case keys[] = {
        {"a\\\\b", ERROR_BAD_PATHNAME},
        {"\\a", ERROR_BAD_PATHNAME},
        {"\\", ERROR_BAD_PATHNAME},
        {std::string(255, 'k'), ERROR_SUCCESS},
        {"x\\" + std::string(256, 'k'), ERROR_INVALID_PARAMETER},
        {std::string(127, 'k') + "é" + std::string(127, 'k'), ERROR_SUCCESS},
        {"line\nbreak", ERROR_INVALID_PARAMETER},
        {"broken\xc3", ERROR_INVALID_PARAMETER},
        {deep, ERROR_SUCCESS},
        {deep + "\\d", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : keys)
        EXPECT_EQ(r.CreateKey(LM, c.path), c.rc) << c.path.substr(0, 20);

    EXPECT_EQ(r.DeleteKey(LM, ""), ERROR_ACCESS_DENIED) << "a root stays";
    EXPECT_EQ(r.SetValue(LM, "Missing", Dword("x", 1)), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(r.GetValue(LM, "Missing", "x", nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(r.GetValue(LM, "K", "x", nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(r.DeleteValue(LM, "K", "x"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(r.SetValue(LM, "K", Dword(std::string(256, 'v'), 1)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(r.SetValue(LM, "K", Dword("a\r\nb", 1)), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(
        r.SetValue(LM, "K", Value("big", 3, std::vector<uint8_t>(Registry::kMaxDataSize + 1))),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(r.SetValue(LM, "K", Value("big", 3, std::vector<uint8_t>(Registry::kMaxDataSize, 7))),
              ERROR_SUCCESS);

    // Names with quotes and backslashes survive the file.
    ASSERT_EQ(r.SetValue(LM, "K", Text("a\\\"b", "c\\\"d")), ERROR_SUCCESS);
    Registry again(File());
    std::string error;
    ASSERT_TRUE(again.Load(&error)) << error;
    EXPECT_EQ(Get(again, LM, "K", "a\\\"b"), Text("", "c\\\"d").data);
    EXPECT_EQ(Get(again, LM, "K", "big").size(), Registry::kMaxDataSize);
}

// ---------------------------------------------------------------------------
// The machine's file

TEST_F(RegistryStore, AMissingFileIsAnEmptyRegistryCreatedByTheFirstChange) {
    Registry& r = Open();
    EXPECT_TRUE(r.KeyExists(LM, ""));
    EXPECT_TRUE(r.KeyExists(CU, ""));
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_EQ(r.DeleteValue(LM, "", "x"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(File())) << "a change that fails writes nothing";
    ASSERT_EQ(r.CreateKey(CU, "Software"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(File()));
    EXPECT_FALSE(fs::exists(folder_.path() / "registry.reg.tmp"));
}

TEST_F(RegistryStore, AMalformedFileIsRefusedWithItsLineAndNeverOverwritten) {
    struct Case {
        std::string text;
        int line;
    };
    const std::string head =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Good]\r\n\"v\"=dword:00000001\r\n";
    const Case cases[] = {
        {"", 1},
        {"REGEDIT5\r\n", 1},
        {"Windows Registry Editor Version 5.00\r\n", 1},
        {"REGEDIT4\r\n\"v\"=\"x\"\r\n", 2},
        {head + "[HKEY_USERS\\x]\r\n", 5},
        {head + "[HKEY_LOCAL_MACHINE\\Open\r\n", 5},
        {head + "[HKEY_LOCAL_MACHINE\\a\\\\b]\r\n", 5},
        {head + "[HKEY_LOCAL_MACHINE\\" + std::string(256, 'k') + "]\r\n", 5},
        {head + "[HKEY_LOCAL_MACHINE\\bad\xc3]\r\n", 5},
        {head + "[-HKEY_LOCAL_MACHINE]\r\n", 5},
        {head + "\r\n\"w\"=dword:2\r\n\"NoEnd=\"x\"\r\n", 7},
        {head + "'Mixed\"=\"x\"\r\n", 5},
        {head + "\"x\"=hex:01,02,\\\r\n  03,zz\r\n", 5},
        {head + "\"x\"=hex:01,02,\\\r\n", 5},
        {head + "\"x\"=\"C:\\Windows\"\r\n", 5},
        {head + "\"x\"=text\r\n", 5},
        {head + "[-HKEY_LOCAL_MACHINE\\Good]\r\n\"lost\"=\"x\"\r\n", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(File(), c.text);
        Registry r(File());
        std::string error;
        EXPECT_FALSE(r.Load(&error));
        EXPECT_EQ(error.rfind(File().string() + ":" + std::to_string(c.line) + ": ", 0), 0u)
            << error;
        EXPECT_EQ(r.LoadError(), error);
        EXPECT_EQ(r.CreateKey(LM, "New"), ERROR_BADDB);
        EXPECT_EQ(r.SetValue(LM, "", Dword("x", 1)), ERROR_BADDB);
        EXPECT_EQ(r.DeleteKey(LM, "Good"), ERROR_BADDB);
        EXPECT_FALSE(r.Import("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\New]\r\n", &error));
        EXPECT_EQ(ReadFile(File()), c.text) << "the file is left as it is";
        EXPECT_TRUE(r.KeyExists(LM, "")) << "reads still answer";
    }

    // Once the file is repaired, writes work again.
    WriteFile(File(), head);
    Registry r(File());
    EXPECT_TRUE(r.Load(nullptr));
    EXPECT_EQ(r.CreateKey(LM, "New"), ERROR_SUCCESS);
}

// A file damaged behind the registry's back (another program, a person with
// an editor) stops writes but not reads of what was read before.
TEST_F(RegistryStore, AFileDamagedWhileOpenStopsWritesUntilRepaired) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "K"), ERROR_SUCCESS);
    ASSERT_EQ(r.SetValue(LM, "K", Dword("v", 1)), ERROR_SUCCESS);
    const std::string good = ReadFile(File());
    const std::string damaged = good + "garbage\r\n";
    WriteFile(File(), damaged);

    EXPECT_EQ(r.SetValue(LM, "K", Dword("v", 2)), ERROR_BADDB);
    EXPECT_EQ(ReadFile(File()), damaged);
    EXPECT_EQ(Get(r, LM, "K", "v"), Dword("", 1).data);
    EXPECT_NE(r.LoadError().find(
                  ":" + std::to_string(std::count(good.begin(), good.end(), '\n') + 1) + ": "),
              std::string::npos)
        << r.LoadError();

    WriteFile(File(), good);
    EXPECT_EQ(r.SetValue(LM, "K", Dword("v", 3)), ERROR_SUCCESS);
    EXPECT_EQ(r.LoadError(), "");
}

// A file that someone made read-only stays as it is: changes are refused
// (even for root, who could replace it), reads go on, and once it may be
// written again changes work.
TEST_F(RegistryStore, AReadOnlyFileIsNeverReplaced) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "K"), ERROR_SUCCESS);
    ASSERT_EQ(r.SetValue(LM, "K", Dword("v", 1)), ERROR_SUCCESS);
    const std::string before = ReadFile(File());
    std::filesystem::permissions(File(), std::filesystem::perms::owner_read |
                                             std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);

    EXPECT_EQ(r.SetValue(LM, "K", Dword("v", 2)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(r.CreateKey(LM, "New"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(r.DeleteKey(LM, "K"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadFile(File()), before);
    EXPECT_EQ(Get(r, LM, "K", "v"), Dword("", 1).data);
    EXPECT_EQ(std::filesystem::status(File()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                  std::filesystem::perms::others_read);

    std::filesystem::permissions(File(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(r.SetValue(LM, "K", Dword("v", 3)), ERROR_SUCCESS);
}

// A change whose file looks the same to stat (edited in place, same size,
// time put back) may be missed by a read, but never overwritten by a save:
// a save always reads the file again under the lock.
TEST_F(RegistryStore, AChangeHiddenFromStatIsNotLostByTheNextSave) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "K"), ERROR_SUCCESS);
    ASSERT_EQ(r.SetValue(LM, "K", Dword("v", 1)), ERROR_SUCCESS);
    struct stat before {};
    ASSERT_EQ(stat(File().c_str(), &before), 0);
    std::string text = ReadFile(File());
    const size_t at = text.find("dword:00000001");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 14, "dword:00000002");
    {
        std::fstream f(File(), std::ios::in | std::ios::out | std::ios::binary);
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, File().c_str(), times, 0), 0);

    ASSERT_EQ(r.SetValue(LM, "K", Dword("w", 9)), ERROR_SUCCESS);
    Registry fromDisk(File());
    ASSERT_TRUE(fromDisk.Load(nullptr));
    EXPECT_EQ(Get(fromDisk, LM, "K", "v"), Dword("", 2).data);
    EXPECT_EQ(Get(fromDisk, LM, "K", "w"), Dword("", 9).data);
}

// A hand-edited file with the editor's freedoms: no root lines, LF line
// ends, comments, blanks around '=', a byte order mark.
TEST_F(RegistryStore, LoadsAHandWrittenFile) {
    WriteFile(File(), "\xEF\xBB\xBFREGEDIT4\n"
                      "; a comment\n"
                      "[HKEY_CURRENT_USER\\Software\\QSound\\Q3D]\n"
                      "  \"splash time\" = hex:00,00,00,00\n"
                      "@=\"x\"\n");
    Registry& r = Open();
    EXPECT_EQ(Get(r, CU, "Software\\QSound\\Q3D", "Splash Time"), std::vector<uint8_t>(4, 0));
    EXPECT_EQ(Get(r, CU, "Software\\QSound\\Q3D", ""), Text("", "x").data);
}

// ---------------------------------------------------------------------------
// Processes and interrupted saves

TEST_F(RegistryStore, AValueOneProcessWritesAnotherReads) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "Shared"), ERROR_SUCCESS);
    ASSERT_EQ(r.SetValue(LM, "Shared", Dword("v", 1)), ERROR_SUCCESS);
    EXPECT_EQ(Get(r, LM, "Shared", "v"), Dword("", 1).data);

    const fs::path file = File();
    ASSERT_EQ(InChild([&] {
                  Registry child(file);
                  if (!child.Load(nullptr)) _exit(1);
                  if (child.SetValue(LM, "Shared", Dword("v", 2)) != ERROR_SUCCESS) _exit(2);
                  if (child.CreateKey(LM, "Shared\\FromChild") != ERROR_SUCCESS) _exit(3);
              }),
              0);
    EXPECT_EQ(Get(r, LM, "Shared", "v"), Dword("", 2).data);
    EXPECT_TRUE(r.KeyExists(LM, "Shared\\FromChild"));

    // And the other way round: a registry read before the change, in another
    // process, sees the change.
    Registry other(file);
    ASSERT_TRUE(other.Load(nullptr));
    ASSERT_EQ(r.SetValue(LM, "Shared", Dword("v", 3)), ERROR_SUCCESS);
    EXPECT_EQ(InChild([&] {
                  RegistryValue v;
                  if (other.GetValue(LM, "Shared", "v", &v) != ERROR_SUCCESS) _exit(1);
                  _exit(v.data == Dword("", 3).data ? 0 : 2);
              }),
              0);
}

TEST_F(RegistryStore, ProcessesWritingAtOnceLoseNothing) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "Race"), ERROR_SUCCESS);
    const fs::path file = File();
    constexpr int kChildren = 4, kValues = 25;
    std::vector<pid_t> pids;
    for (int c = 0; c < kChildren; ++c) {
        const pid_t pid = fork();
        if (pid == 0) {
            Registry mine(file);
            if (!mine.Load(nullptr)) _exit(1);
            for (int i = 0; i < kValues; ++i)
                if (mine.SetValue(LM, "Race",
                                  Dword("c" + std::to_string(c) + "v" + std::to_string(i),
                                        static_cast<uint32_t>(i))) != ERROR_SUCCESS)
                    _exit(2);
            _exit(0);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int c = 0; c < kChildren; ++c)
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(
                r.GetValue(LM, "Race", "c" + std::to_string(c) + "v" + std::to_string(i), nullptr),
                ERROR_SUCCESS)
                << c << " " << i;
}

constexpr RegistrySaveStep kSteps[] = {
    RegistrySaveStep::Locked,       RegistrySaveStep::TempOpened, RegistrySaveStep::TempHalfWritten,
    RegistrySaveStep::TempWritten,  RegistrySaveStep::TempSynced, RegistrySaveStep::Renamed,
    RegistrySaveStep::FolderSynced,
};
bool AfterRename(RegistrySaveStep s) {
    return s == RegistrySaveStep::Renamed || s == RegistrySaveStep::FolderSynced;
}

// A save that fails at any step before the rename changes nothing, on disk
// or in memory; after the rename the new file stands.
TEST_F(RegistryStore, ASaveFailingAtAnyStepLeavesTheOldOrTheNewFile) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "K"), ERROR_SUCCESS);
    uint32_t n = 0;
    for (RegistrySaveStep failAt : kSteps) {
        SCOPED_TRACE(static_cast<int>(failAt));
        ASSERT_EQ(r.SetValue(LM, "K", Dword("v", ++n)), ERROR_SUCCESS);
        const std::string before = ReadFile(File());
        Registry::SetSaveHook([failAt](RegistrySaveStep s) { return s != failAt; });
        const long rc = r.SetValue(LM, "K", Dword("v", n + 100));
        Registry::SetSaveHook(nullptr);

        Registry fromDisk(File());
        std::string error;
        ASSERT_TRUE(fromDisk.Load(&error)) << error;
        if (AfterRename(failAt)) {
            EXPECT_EQ(rc, ERROR_SUCCESS);
            EXPECT_EQ(Get(fromDisk, LM, "K", "v"), Dword("", n + 100).data);
            EXPECT_EQ(Get(r, LM, "K", "v"), Dword("", n + 100).data);
        } else {
            EXPECT_EQ(rc, ERROR_CANTWRITE);
            EXPECT_EQ(ReadFile(File()), before);
            EXPECT_EQ(Get(r, LM, "K", "v"), Dword("", n).data);
        }
        EXPECT_FALSE(fs::exists(folder_.path() / "registry.reg.tmp"));
    }
}

// A process that dies at any step of a save leaves a file that loads, with
// the old contents before the rename and the new ones after it; the next
// save goes through.
TEST_F(RegistryStore, AProcessDyingAtAnyStepOfASaveLeavesALoadableFile) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "K"), ERROR_SUCCESS);
    const fs::path file = File();
    uint32_t n = 0;
    for (RegistrySaveStep dieAt : kSteps) {
        SCOPED_TRACE(static_cast<int>(dieAt));
        ASSERT_EQ(r.SetValue(LM, "K", Dword("v", ++n)), ERROR_SUCCESS);
        const int status = InChild([&] {
            Registry child(file);
            if (!child.Load(nullptr)) _exit(1);
            Registry::SetSaveHook([dieAt](RegistrySaveStep s) {
                if (s == dieAt) _exit(42);
                return true;
            });
            child.SetValue(LM, "K", Dword("v", n + 100));
            _exit(2);
        });
        ASSERT_EQ(status, 42);

        Registry fromDisk(file);
        std::string error;
        ASSERT_TRUE(fromDisk.Load(&error)) << error;
        const uint32_t expected = AfterRename(dieAt) ? n + 100 : n;
        EXPECT_EQ(Get(fromDisk, LM, "K", "v"), Dword("", expected).data);
        EXPECT_EQ(Get(r, LM, "K", "v"), Dword("", expected).data);
        n = expected;
    }
    EXPECT_EQ(r.SetValue(LM, "K", Dword("after", 1)), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(folder_.path() / "registry.reg.tmp"));
}

// A child saving in a loop is killed at random moments; every time the file
// loads and holds one whole version of the value.
TEST_F(RegistryStore, KillingAProcessInTheMiddleOfSavesNeverBreaksTheFile) {
    Registry& r = Open();
    ASSERT_EQ(r.CreateKey(LM, "Loop"), ERROR_SUCCESS);
    const fs::path file = File();
    // A value whose bytes all tell its generation, large enough that a save
    // takes a while.
    const auto generation = [](uint32_t g) {
        return Value("blob", 3, std::vector<uint8_t>(20000, static_cast<uint8_t>(g)));
    };
    std::mt19937 random(12345);
    uint32_t last = 0;
    for (int round = 0; round < 20; ++round) {
        const pid_t pid = fork();
        if (pid == 0) {
            Registry child(file);
            if (!child.Load(nullptr)) _exit(1);
            for (uint32_t g = last + 1;; ++g) {
                child.SetValue(LM, "Loop", generation(g));
                child.SetValue(LM, "Loop", Dword("gen", g));
            }
        }
        // Let the child finish at least one save (fsync can be slow on a
        // busy machine), then kill it at a random moment of a later one.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (RegistryValue seen = Dword("gen", 0);
             std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
            if (r.GetValue(LM, "Loop", "gen", &seen) == ERROR_SUCCESS && seen.data.size() == 4 &&
                (seen.data[0] | seen.data[1] << 8 | seen.data[2] << 16 |
                 uint32_t(seen.data[3]) << 24) > last)
                break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);

        Registry fromDisk(file);
        std::string error;
        ASSERT_TRUE(fromDisk.Load(&error)) << "round " << round << ": " << error;
        RegistryValue blob, gen = Dword("gen", 0);
        if (fromDisk.GetValue(LM, "Loop", "blob", &blob) != ERROR_SUCCESS) continue;
        ASSERT_EQ(blob.data.size(), 20000u);
        EXPECT_EQ(std::count(blob.data.begin(), blob.data.end(), blob.data[0]), 20000)
            << "one whole version";
        fromDisk.GetValue(LM, "Loop", "gen", &gen);
        ASSERT_EQ(gen.data.size(), 4u);
        const uint32_t g =
            gen.data[0] | gen.data[1] << 8 | gen.data[2] << 16 | uint32_t(gen.data[3]) << 24;
        EXPECT_TRUE(static_cast<uint8_t>(g) == blob.data[0] ||
                    static_cast<uint8_t>(g + 1) == blob.data[0])
            << "the two values are saved one after the other";
        EXPECT_GE(g, last);
        last = g;
        RegistryValue seen = Dword("gen", 0);
        r.GetValue(LM, "Loop", "gen", &seen);
        EXPECT_EQ(seen.data, gen.data) << "the parent sees the last version";
    }
    EXPECT_GT(last, 0u) << "the child got to save at all";
}

} // namespace
