// The machine's profile (INI) file reader and writer.
#include "ini_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using machine::IniGet;
using machine::IniKeys;
using machine::IniSections;
using machine::IniSet;

namespace {

class IniTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cvini-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        file_ = dir_ / "TEST.INI";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void Write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
    std::string Read() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    size_t EntriesInDir() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    fs::path dir_;
    fs::path file_;
};

TEST_F(IniTest, ReadsAsWindowsDoes) {
    Write("Orphan=before any section\r\n"
          "; comment=not a key\r\n"
          "  [ Description ]  trailing text\r\n"
          "  DriverDesc  =  Orbiq Sound  \r\n"
          "no equals sign here\r\n"
          "   ;Indented=comment\r\n"
          "Empty=\r\n"
          "Quoted=\"  kept blanks  \"\r\n"
          "Single='x'\r\n"
          "Half=\"open\r\n"
          "Inner=a \"b\" c\r\n"
          "Twice=first\r\n"
          "TWICE=second\r\n"
          "Eq=a=b\r\n"
          "[description]\r\n"
          "Later=hidden by the first section\r\n"
          "[Unclosed\r\n"
          "k=v\r\n"
          "[WIN95]\n"
          "HardwareID=PCI\\VEN_5A3E&DEV_0C52"); // no final line break

    EXPECT_EQ(IniGet(file_, "DESCRIPTION", "driverdesc"), "Orbiq Sound");
    EXPECT_EQ(IniGet(file_, "Description", "Empty"), "");
    EXPECT_EQ(IniGet(file_, "Description", "Quoted"), "  kept blanks  ");
    EXPECT_EQ(IniGet(file_, "Description", "Single"), "x");
    EXPECT_EQ(IniGet(file_, "Description", "Half"), "\"open");
    EXPECT_EQ(IniGet(file_, "Description", "Inner"), "a \"b\" c");
    EXPECT_EQ(IniGet(file_, "Description", "twice"), "first");
    EXPECT_EQ(IniGet(file_, "Description", "Eq"), "a=b");
    EXPECT_EQ(IniGet(file_, "Description", "Later"), std::nullopt);
    EXPECT_EQ(IniGet(file_, "Description", "no equals sign here"), std::nullopt);
    EXPECT_EQ(IniGet(file_, "Description", "Orphan"), std::nullopt);
    EXPECT_EQ(IniGet(file_, "Description", ";Indented"), std::nullopt);
    EXPECT_EQ(IniGet(file_, "Unclosed", "k"), "v");
    EXPECT_EQ(IniGet(file_, "win95", "HardwareID"), "PCI\\VEN_5A3E&DEV_0C52");
    EXPECT_EQ(IniGet(file_, "Missing", "k"), std::nullopt);
    EXPECT_EQ(IniGet(dir_ / "NONE.INI", "WIN95", "HardwareID"), std::nullopt);
    EXPECT_EQ(IniGet(dir_, "WIN95", "HardwareID"), std::nullopt); // a folder

    EXPECT_EQ(IniSections(file_), (std::vector<std::string>{"Description", "Unclosed", "WIN95"}));
    EXPECT_EQ(IniKeys(file_, "description"),
              (std::vector<std::string>{"DriverDesc", "Empty", "Quoted", "Single", "Half", "Inner",
                                        "Twice", "Eq"}));
    EXPECT_EQ(IniKeys(file_, "Missing"), std::nullopt);
    EXPECT_EQ(IniSections(dir_ / "NONE.INI"), std::nullopt);
}

TEST_F(IniTest, OverlongLinesAndNulBytes) {
    std::string longValue(200000, 'v');
    Write("[S]\nLong=" + longValue + "\n" + std::string("Nul=ab\0cd\n", 10) + "After=ok\n");
    EXPECT_EQ(IniGet(file_, "S", "Long"), longValue);
    EXPECT_EQ(IniGet(file_, "S", "Nul"), "ab");
    EXPECT_EQ(IniGet(file_, "S", "After"), "ok");
}

TEST_F(IniTest, ArbitraryBytesNeverCrash) {
    std::mt19937 random(1234);
    const std::string alphabet = std::string("[]=;\r\n \t\"'\0abcAB\xc3\xa9\xff", 20);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        size_t length = random() % 400;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        Write(text);
        IniGet(file_, "a", "b");
        std::optional<std::vector<std::string>> sections = IniSections(file_);
        ASSERT_TRUE(sections.has_value());
        for (const std::string& section : *sections)
            IniKeys(file_, section);
        // Writing keeps every other byte of the file.
        ASSERT_TRUE(IniSet(file_, "New", "Key", "v"));
        std::string written = Read();
        ASSERT_EQ(written.compare(0, text.size(), text), 0);
        ASSERT_EQ(IniGet(file_, "new", "key"), "v") << "file: " << written;
    }
}

TEST_F(IniTest, SetReplacesInPlaceAndKeepsEverythingElse) {
    Write("; driver settings\r\n"
          "[DESCRIPTION]\r\n"
          "DRIVERDESC = old\r\n"
          "  ; note\r\n"
          "LOADER=CVAPLT.CPL\r\n"
          "\r\n"
          "[WIN95]\r\n"
          "HardwareID=x\r\n");
    ASSERT_TRUE(IniSet(file_, "description", "DriverDesc", "new value"));
    ASSERT_TRUE(IniSet(file_, "Description", "DriverVersion", "4.0"));
    ASSERT_TRUE(IniSet(file_, "Added", "Key", "1"));
    EXPECT_EQ(Read(), "; driver settings\r\n"
                      "[DESCRIPTION]\r\n"
                      "DriverDesc=new value\r\n"
                      "  ; note\r\n"
                      "LOADER=CVAPLT.CPL\r\n"
                      "DriverVersion=4.0\r\n"
                      "\r\n"
                      "[WIN95]\r\n"
                      "HardwareID=x\r\n"
                      "\r\n"
                      "[Added]\r\n"
                      "Key=1\r\n");
    EXPECT_EQ(EntriesInDir(), 1u) << "no temporary file is left behind";
}

TEST_F(IniTest, SetFollowsTheFilesLineEndingAndEndsAnOpenLastLine) {
    Write("[A]\nx=1");
    ASSERT_TRUE(IniSet(file_, "A", "y", "2"));
    ASSERT_TRUE(IniSet(file_, "B", "z", "3"));
    EXPECT_EQ(Read(), "[A]\nx=1\ny=2\n\n[B]\nz=3\n");
}

TEST_F(IniTest, DeleteRemovesEveryCopyOfTheKey) {
    Write("[A]\nk=1\nother=x\nK=2\n[B]\nk=3\n");
    ASSERT_TRUE(IniSet(file_, "a", "k", std::nullopt));
    EXPECT_EQ(Read(), "[A]\nother=x\n[B]\nk=3\n");
    EXPECT_EQ(IniGet(file_, "A", "k"), std::nullopt);
    // Removing what is not there changes nothing and creates nothing.
    ASSERT_TRUE(IniSet(file_, "A", "absent", std::nullopt));
    ASSERT_TRUE(IniSet(file_, "Nope", "k", std::nullopt));
    EXPECT_EQ(Read(), "[A]\nother=x\n[B]\nk=3\n");
    ASSERT_TRUE(IniSet(dir_ / "NEW.INI", "A", "k", std::nullopt));
    EXPECT_FALSE(fs::exists(dir_ / "NEW.INI"));
}

TEST_F(IniTest, SetCreatesAFileWithWindowsLineEndings) {
    ASSERT_TRUE(IniSet(dir_ / "NEW.INI", "Section", "Key", "Value"));
    std::ifstream in(dir_ / "NEW.INI", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "[Section]\r\nKey=Value\r\n");
    std::string error;
    EXPECT_FALSE(IniSet(dir_ / "missing" / "X.INI", "S", "K", "V", &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST_F(IniTest, SetRefusesNamesAndValuesThatWouldBreakTheFile) {
    Write("[A]\nk=1\n");
    const std::string before = Read();
    struct Bad {
        std::string section, key, value;
    };
    const Bad cases[] = {
        {"", "k", "v"},        {"  ", "k", "v"},    {"a]b", "k", "v"},
        {"a\nb", "k", "v"},    {"A", "", "v"},      {"A", "a=b", "v"},
        {"A", "[k", "v"},      {"A", ";k", "v"},    {"A", "k\r", "v"},
        {"A", "k", "line\nx"}, {"A", "k", "cr\rx"}, {"A", "k", std::string("nul\0x", 5)},
    };
    for (const Bad& c : cases) {
        std::string error;
        EXPECT_FALSE(IniSet(file_, c.section, c.key, c.value, &error)) << c.section << "/" << c.key;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(Read(), before);
}

TEST_F(IniTest, SetReplacesALinkInsteadOfWritingThroughIt) {
    std::ofstream(dir_ / "target.ini") << "[A]\nk=target\n";
    fs::create_symlink(dir_ / "target.ini", file_);
    EXPECT_EQ(IniGet(file_, "A", "k"), "target");
    ASSERT_TRUE(IniSet(file_, "A", "k", "mine"));
    EXPECT_FALSE(fs::is_symlink(file_));
    EXPECT_EQ(IniGet(file_, "A", "k"), "mine");
    EXPECT_EQ(IniGet(dir_ / "target.ini", "A", "k"), "target");
}

} // namespace
