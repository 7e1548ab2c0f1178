// machine.ini: read strictly, every fault named with its line, nothing half
// applied; the default file reads back as the defaults.
#include "settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cvsettings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path Write(const std::string& text) {
        const fs::path file = folder_ / "machine.ini";
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    fs::path folder_;
};

TEST_F(SettingsFile, AcceptsCommentsCaseBlanksAndTheByteOrderMark) {
    machine::Settings s;
    std::string error;
    ASSERT_TRUE(
        s.Load(Write("\xEF\xBB\xBF; a comment\r\n# another\r\n\r\n[ PCI ]\r\n"
                     "  Card_Device =  0x1F \r\ncard_present=no\r\n[sound]\r\noutput =\r\n"),
               &error))
        << error;
    EXPECT_EQ(s.Int("pci", "card_device"), 31);
    EXPECT_FALSE(s.Bool("pci", "card_present"));
    EXPECT_EQ(s.Text("sound", "output"), "");
    EXPECT_EQ(s.Int("user", "language"), 1033) << "keys not in the file keep their defaults";
}

TEST_F(SettingsFile, RefusesEachFaultWithItsLineAndKeepsWhatItHad) {
    struct Case {
        const char* text;
        const char* where; // "machine.ini:LINE: "
        const char* what;
    };
    const Case cases[] = {
        {"[user]\nlanguage = 1033\nfrobnicate = 1\n", ":3: ", "unknown key 'frobnicate'"},
        {"[nosuch]\n", ":1: ", "unknown section [nosuch]"},
        {"[user\n", ":1: ", "must end with ']'"},
        {"language = 1033\n", ":1: ", "before the first section"},
        {"[user]\nlanguage 1033\n", ":2: ", "expected 'key = value'"},
        {"[user]\nlanguage = English\n", ":2: ", "takes a number"},
        {"[user]\nlanguage = 12abc\n", ":2: ", "takes a number"},
        {"[user]\nlanguage =\n", ":2: ", "takes a number"},
        {"[user]\nlanguage = 99999999999999999999\n", ":2: ", "takes a number"},
        {"[user]\nlanguage = 0x100000000\n", ":2: ", "takes a number"},
        {"[pci]\ncard_present = maybe\n", ":2: ", "takes 0 or 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        machine::Settings s;
        std::string error;
        ASSERT_TRUE(s.Set("pci", "card_device", "3", &error)) << error;
        EXPECT_FALSE(s.Load(Write(c.text), &error));
        EXPECT_NE(error.find(std::string("machine.ini") + c.where), std::string::npos) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
        EXPECT_EQ(s.Int("pci", "card_device"), 3) << "a refused file changes nothing";
        EXPECT_EQ(s.Int("user", "language"), 1033);
    }
}

TEST_F(SettingsFile, ALineTooLongOrAMissingFileIsRefused) {
    machine::Settings s;
    std::string error;
    EXPECT_FALSE(s.Load(Write("[pci]\nother_devices = " + std::string(5000, 'x') + "\n"), &error));
    EXPECT_NE(error.find(":2: line too long"), std::string::npos) << error;
    EXPECT_FALSE(s.Load(folder_ / "absent.ini", &error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

TEST_F(SettingsFile, TheDefaultFileReadsBackAsTheDefaults) {
    machine::Settings s;
    std::string error;
    ASSERT_TRUE(s.Load(Write(machine::Settings::DefaultFileText()), &error)) << error;
    const machine::Settings defaults;
    for (const char* key : {"card_device", "card_device_id", "card_revision"})
        EXPECT_EQ(s.Int("pci", key), defaults.Int("pci", key)) << key;
    EXPECT_EQ(s.Text("pci", "other_devices"), defaults.Text("pci", "other_devices"));
    EXPECT_EQ(s.Int("faults", "disk_free"), -1);
}

} // namespace
