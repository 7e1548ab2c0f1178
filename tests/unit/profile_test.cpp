// GetPrivateProfileStringA: where the file is found, the defaults, and how
// the result is cut to the caller's buffer.
#include "test_machine.h"

#include "windows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

class ProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(machine_.DriveC() / "WINDOWS" / "TEST.INI", std::ios::binary)
            << "[Description]\r\n"
               "DriverDesc = Orbiq Sound \r\n"
               "Quoted = \"  padded  \"\r\n"
               "Accent=a\xc3\xa9\r\n"
               "Long="
            << std::string(100000, 'x')
            << "\r\n"
               "[WIN95]\r\n"
               "HardwareID=PCI\r\n"
               "Euro=\xe2\x82\xac\xe2\x82\xac\r\n"
               "Z\xc3\xa4hler=1\r\n";
        std::ofstream(machine_.DriveC() / "Program Files" / "Orbiq" / "LOCAL.INI")
            << "[A]\nk=local\n";
    }
    TempMachine machine_;
};

struct BufferCase {
    const char* what;
    const char* app;
    const char* key;
    const char* fallback;
    DWORD size;
    std::string expected; // the bytes written, terminators included
    DWORD result;
    const char* file = "TEST.INI";
};

using namespace std::string_literals;

const BufferCase kBufferCases[] = {
    {"fits", "Description", "DriverDesc", "", 60, "Orbiq Sound\0"s, 11},
    {"exact fit", "Description", "DriverDesc", "", 12, "Orbiq Sound\0"s, 11},
    {"one short", "Description", "DriverDesc", "", 11, "Orbiq Soun\0"s, 10},
    {"room for the terminator only", "Description", "DriverDesc", "", 1, "\0"s, 0},
    {"names without regard to case", "DESCRIPTION", "driverdesc", "", 60, "Orbiq Sound\0"s, 11},
    {"quotes stripped, blanks inside kept", "Description", "Quoted", "", 60, "  padded  \0"s, 10},
    {"overlong value", "Description", "Long", "", 60, std::string(59, 'x') + '\0', 59},
    {"UTF-8 cut before the character", "Description", "Accent", "", 3, "a\0"s, 1},
    {"UTF-8 fits", "Description", "Accent", "", 4, "a\xc3\xa9\0"s, 3},
    {"UTF-8 three-byte cut", "WIN95", "Euro", "", 6, "\xe2\x82\xac\0"s, 3},
    {"missing key", "Description", "Nope", "dflt", 60, "dflt\0"s, 4},
    {"missing section", "Nope", "DriverDesc", "dflt", 60, "dflt\0"s, 4},
    {"missing file", "Description", "DriverDesc", "dflt", 60, "dflt\0"s, 4, "NOFILE.INI"},
    {"default loses trailing blanks only", "Nope", "k", "  d f  \t ", 60, "  d f\0"s, 5},
    {"null default", "Nope", "k", nullptr, 60, "\0"s, 0},
    {"default cut", "Nope", "k", "abcdef", 4, "abc\0"s, 3},
    {"section list", nullptr, nullptr, "ignored", 60, "Description\0WIN95\0\0"s, 18},
    {"section list exact fit", nullptr, nullptr, "", 19, "Description\0WIN95\0\0"s, 18},
    {"section list one short", nullptr, nullptr, "", 18, "Description\0WIN9\0\0"s, 16},
    {"section list cut inside a name", nullptr, "ignored", "", 10, "Descript\0\0"s, 8},
    {"section list, room for one NUL", nullptr, nullptr, "", 1, "\0"s, 0},
    {"section list, room for two NULs", nullptr, nullptr, "", 2, "\0\0"s, 0},
    {"key list", "description", nullptr, "", 60, "DriverDesc\0Quoted\0Accent\0Long\0\0"s, 30},
    {"key list cut", "Description", nullptr, "", 14, "DriverDesc\0Q\0\0"s, 12},
    {"key list cut after a name", "WIN95", nullptr, "", 13, "HardwareID\0\0\0"s, 11},
    {"key list UTF-8 cut", "WIN95", nullptr, "", 20, "HardwareID\0Euro\0Z\0\0"s, 17},
    {"key list of a missing section", "Nope", nullptr, "dflt", 60, "\0\0"s, 0},
    {"list of a missing file", nullptr, nullptr, "dflt", 60, "\0\0"s, 0, "NOFILE.INI"},
    {"full path", "WIN95", "HardwareID", "", 60, "PCI\0"s, 3, "C:\\WINDOWS\\test.ini"},
    {"path relative to the current folder", "WIN95", "HardwareID", "", 60, "PCI\0"s, 3,
     "..\\..\\windows\\TEST.INI"},
    {"bare name only in the Windows folder", "A", "k", "dflt", 60, "dflt\0"s, 4, "LOCAL.INI"},
    {"folder name finds the current folder", "A", "k", "dflt", 60, "local\0"s, 5, ".\\LOCAL.INI"},
    {"file outside drive C:", "A", "k", "dflt", 60, "dflt\0"s, 4, "D:\\LOCAL.INI"},
};

TEST_F(ProfileTest, BufferRules) {
    for (const BufferCase& c : kBufferCases) {
        SCOPED_TRACE(c.what);
        // Guard bytes after the buffer show any write past nSize.
        std::vector<char> buffer(c.size + 16, '#');
        DWORD result =
            GetPrivateProfileStringA(c.app, c.key, c.fallback, buffer.data(), c.size, c.file);
        EXPECT_EQ(result, c.result);
        ASSERT_LE(c.expected.size(), c.size);
        EXPECT_EQ(std::string(buffer.data(), c.expected.size()), c.expected);
        EXPECT_EQ(std::string(buffer.data() + c.size, 16), std::string(16, '#'));
    }
}

TEST_F(ProfileTest, ZeroSizeWritesNothing) {
    char buffer[8] = "#######";
    EXPECT_EQ(GetPrivateProfileStringA("Description", "DriverDesc", "", buffer, 0, "TEST.INI"), 0u);
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 0, "TEST.INI"), 0u);
    EXPECT_STREQ(buffer, "#######");
    EXPECT_EQ(GetPrivateProfileStringA("Description", "DriverDesc", "", nullptr, 8, "TEST.INI"),
              0u);
}

TEST_F(ProfileTest, MissingFileIsReportedInLastError) {
    char buffer[8];
    GetPrivateProfileStringA("A", "k", "", buffer, sizeof buffer, "NOFILE.INI");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    GetPrivateProfileStringA("WIN95", "HardwareID", "", buffer, sizeof buffer, "TEST.INI");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(ProfileTest, NoMachineGivesTheDefault) {
    platform::SetCurrentMachine(nullptr);
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileStringA("A", "k", "dflt", buffer, sizeof buffer, "TEST.INI"), 4u);
    EXPECT_STREQ(buffer, "dflt");
    platform::SetCurrentMachine(&*machine_);
}

} // namespace
