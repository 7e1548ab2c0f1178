// Drive C: path confinement: every Windows path lands inside drive_c or is
// refused, whatever its form.
#include "disk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using machine::Disk;
using machine::PathError;

namespace {

// drive_c with WINDOWS/SYSTEM, a file, a linked file and a linked folder,
// inside a sandbox that also holds what the links point at.
class DiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cvdisk-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        sandbox_ = pattern;
        driveC_ = sandbox_ / "machine" / "drive_c";
        fs::create_directories(driveC_ / "WINDOWS" / "SYSTEM");
        fs::create_directories(driveC_ / "Program Files" / "Orbiq");
        fs::create_directories(sandbox_ / "outside");
        std::ofstream(driveC_ / "WINDOWS" / "SOUNDCFG.INI") << "[WIN95]\n";
        std::ofstream(sandbox_ / "outside" / "cvpanel.so") << "ELF";
        fs::create_symlink(sandbox_ / "outside" / "cvpanel.so",
                           driveC_ / "Program Files" / "Orbiq" / "CVPANEL.EXE");
        fs::create_directory_symlink(sandbox_ / "outside", driveC_ / "Linked");
        disk_.emplace(driveC_);
        disk_->SetCurrentDirectory("C:\\Program Files\\Orbiq");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(sandbox_, ignored);
    }

    // Whether `host` lies inside drive_c once "." and ".." are taken out.
    bool InsideDriveC(const fs::path& host) const {
        fs::path normal = host.lexically_normal();
        auto a = driveC_.begin();
        auto b = normal.begin();
        for (; a != driveC_.end(); ++a, ++b)
            if (b == normal.end() || *a != *b) return false;
        for (; b != normal.end(); ++b)
            if (*b == "..") return false;
        return true;
    }

    fs::path sandbox_;
    fs::path driveC_;
    std::optional<Disk> disk_;
};

struct PathCase {
    std::string input;
    std::optional<std::string> canonical; // nothing: refused
    PathError error = PathError::None;
};

std::string Repeat(char c, size_t n) {
    return std::string(n, c);
}

// The current directory is C:\Program Files\Orbiq.
const PathCase kPathCases[] = {
    {"C:\\WINDOWS\\SOUNDCFG.INI", "C:\\WINDOWS\\SOUNDCFG.INI"},
    {"c:\\windows\\system\\", "C:\\windows\\system"},
    {"C:\\", "C:\\"},
    {"C:", "C:\\Program Files\\Orbiq"},
    {"C:relative.txt", "C:\\Program Files\\Orbiq\\relative.txt"},
    {"C:..\\x", "C:\\Program Files\\x"},
    {"name.wav", "C:\\Program Files\\Orbiq\\name.wav"},
    {".", "C:\\Program Files\\Orbiq"},
    {"..", "C:\\Program Files"},
    {"..\\..\\..\\..\\..\\etc\\passwd", "C:\\etc\\passwd"},
    {"C:\\..\\..\\x", "C:\\x"},
    {"C:\\WINDOWS\\..\\..\\..\\WINDOWS", "C:\\WINDOWS"},
    {"\\..\\..", "C:\\"},
    {"/etc/passwd", "C:\\etc\\passwd"},
    {"/", "C:\\"},
    {"a/b\\c//d", "C:\\Program Files\\Orbiq\\a\\b\\c\\d"},
    {"C:\\a\\\\\\b", "C:\\a\\b"},
    {"file.txt. . .", "C:\\Program Files\\Orbiq\\file.txt"},
    {"C:\\dir.\\file ", "C:\\dir\\file"},
    {"...", "C:\\Program Files\\Orbiq"},
    {"C:\\...\\x", "C:\\x"},
    {"C:\\ lead", "C:\\ lead"},
    {"C:\\COM0\\LPT10\\console\\nullx\\con_x", "C:\\COM0\\LPT10\\console\\nullx\\con_x"},
    {"C:\\Übung\\日本.ini", "C:\\Übung\\日本.ini"},
    {"C:\\" + Repeat('n', 255), "C:\\" + Repeat('n', 255)},
    // 3 + 254 + 2 = 259 characters: the longest path there is.
    {"C:\\" + Repeat('d', 254) + "\\x", "C:\\" + Repeat('d', 254) + "\\x"},

    {"", std::nullopt, PathError::InvalidName},
    {"\\\\server\\share\\x", std::nullopt, PathError::NotOnDrive},
    {"//server/share", std::nullopt, PathError::NotOnDrive},
    {"\\\\.\\PhysicalDrive0", std::nullopt, PathError::NotOnDrive},
    {"\\\\?\\C:\\x", std::nullopt, PathError::NotOnDrive},
    {"D:\\x", std::nullopt, PathError::NotOnDrive},
    {"d:x", std::nullopt, PathError::NotOnDrive},
    {"1:\\x", std::nullopt, PathError::InvalidName},
    {"CON", std::nullopt, PathError::ReservedDevice},
    {"nul.txt", std::nullopt, PathError::ReservedDevice},
    {"C:\\WINDOWS\\com1\\x.ini", std::nullopt, PathError::ReservedDevice},
    {"lpt9.log", std::nullopt, PathError::ReservedDevice},
    {"Aux .txt", std::nullopt, PathError::ReservedDevice},
    {"prn.", std::nullopt, PathError::ReservedDevice},
    {"CLOCK$", std::nullopt, PathError::ReservedDevice},
    {"conout$", std::nullopt, PathError::ReservedDevice},
    {"C:\\" + Repeat('n', 256), std::nullopt, PathError::TooLong},
    {"C:\\" + Repeat('d', 255) + "\\x", std::nullopt, PathError::TooLong},
    {Repeat('n', 300), std::nullopt, PathError::TooLong},
    {std::string("a\0b", 3), std::nullopt, PathError::InvalidName},
    {"a\x01z", std::nullopt, PathError::InvalidName},
    {"tab\there", std::nullopt, PathError::InvalidName},
    {"line\nbreak", std::nullopt, PathError::InvalidName},
    {"a<b", std::nullopt, PathError::InvalidName},
    {"a>b", std::nullopt, PathError::InvalidName},
    {"a|b", std::nullopt, PathError::InvalidName},
    {"a\"b", std::nullopt, PathError::InvalidName},
    {"*.ini", std::nullopt, PathError::InvalidName},
    {"what?", std::nullopt, PathError::InvalidName},
    {"C:\\file:stream", std::nullopt, PathError::InvalidName},
    {"\xff\xfe", std::nullopt, PathError::InvalidName},
    {"\xc0\xaf", std::nullopt, PathError::InvalidName}, // overlong "/"
};

TEST_F(DiskTest, HostilePathsResolveInsideDriveCOrFail) {
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(testing::Message() << "path \"" << c.input << "\"");
        PathError error = PathError::None;
        std::optional<std::string> canonical = disk_->Canonical(c.input, &error);
        EXPECT_EQ(canonical, c.canonical);
        EXPECT_EQ(error, c.error);
        if (canonical) {
            EXPECT_LE(canonical->size(), Disk::kMaxPath);
        }

        std::optional<fs::path> host = disk_->HostPath(c.input);
        EXPECT_EQ(host.has_value(), c.canonical.has_value());
        if (host) {
            EXPECT_TRUE(InsideDriveC(*host)) << host->string();
        }
    }
}

TEST_F(DiskTest, ComponentsMatchExistingEntriesWithoutRegardToCase) {
    EXPECT_EQ(disk_->HostPath("c:\\windows\\soundcfg.ini"), driveC_ / "WINDOWS" / "SOUNDCFG.INI");
    // A new name keeps the spelling given; the folders on the way keep the host's.
    EXPECT_EQ(disk_->HostPath("C:\\windows\\system\\NewFile.Txt"),
              driveC_ / "WINDOWS" / "SYSTEM" / "NewFile.Txt");
    EXPECT_EQ(disk_->HostPath("C:\\nowhere\\Deeper\\x"), driveC_ / "nowhere" / "Deeper" / "x");
    // Two host names that differ only in case: the exact one wins, else the
    // first in byte order.
    fs::create_directory(driveC_ / "Dup");
    fs::create_directory(driveC_ / "dUP");
    EXPECT_EQ(disk_->HostPath("C:\\dUP"), driveC_ / "dUP");
    EXPECT_EQ(disk_->HostPath("C:\\dup"), driveC_ / "Dup");
}

TEST_F(DiskTest, NonAsciiLettersFoldToo) {
    if (!machine::SameName("ü", "Ü")) GTEST_SKIP() << "the host has no UTF-8 case table";
    fs::create_directory(driveC_ / "Übung");
    EXPECT_EQ(disk_->HostPath("C:\\übung\\x"), driveC_ / "Übung" / "x");
    EXPECT_TRUE(machine::SameName("straße", "STRAßE"));
    EXPECT_FALSE(machine::SameName("a", "ä"));
}

TEST_F(DiskTest, LinkedFolderOnTheWayFailsButLinkedFileResolves) {
    PathError error = PathError::None;
    EXPECT_EQ(disk_->HostPath("C:\\linked\\cvpanel.so", &error), std::nullopt);
    EXPECT_EQ(error, PathError::LinkedDirectory);
    EXPECT_EQ(disk_->HostPath("C:\\LINKED\\..\\Linked\\new.txt"), std::nullopt);
    // Files are linked on purpose (the program module); the link itself is the answer.
    EXPECT_EQ(disk_->HostPath("cvpanel.exe"), driveC_ / "Program Files" / "Orbiq" / "CVPANEL.EXE");
    // A file used as a folder maps inside drive_c; opening it fails later.
    EXPECT_EQ(disk_->HostPath("C:\\WINDOWS\\SOUNDCFG.INI\\x"),
              driveC_ / "WINDOWS" / "SOUNDCFG.INI" / "x");
}

TEST_F(DiskTest, WindowsPathOfHostPath) {
    EXPECT_EQ(disk_->WindowsPath(driveC_ / "WINDOWS" / "SYSTEM"), "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(disk_->WindowsPath(driveC_), "C:\\");
    EXPECT_EQ(disk_->WindowsPath(driveC_ / "WINDOWS" / ".." / "x"), "C:\\x");
    EXPECT_EQ(disk_->WindowsPath(sandbox_ / "outside" / "cvpanel.so"), std::nullopt);
    EXPECT_EQ(disk_->WindowsPath(driveC_ / ".." / "drive_c2"), std::nullopt);
    // Host names that would read back as another file or a device.
    EXPECT_EQ(disk_->WindowsPath(driveC_ / "trailing."), std::nullopt);
    EXPECT_EQ(disk_->WindowsPath(driveC_ / "nul"), std::nullopt);
    EXPECT_EQ(disk_->WindowsPath(driveC_ / "back\\slash"), std::nullopt);
    // A drive_c given with a trailing separator is the same folder.
    Disk trailing(driveC_.string() + "/");
    EXPECT_EQ(trailing.WindowsPath(driveC_ / "WINDOWS"), "C:\\WINDOWS");
}

TEST_F(DiskTest, CurrentDirectoryIsKeptCanonical) {
    disk_->SetCurrentDirectory("..\\..\\..");
    EXPECT_EQ(disk_->CurrentDirectory(), "C:\\");
    disk_->SetCurrentDirectory("/windows/system/");
    EXPECT_EQ(disk_->CurrentDirectory(), "C:\\windows\\system");
    disk_->SetCurrentDirectory("D:\\elsewhere");
    disk_->SetCurrentDirectory("\\\\server\\share");
    EXPECT_EQ(disk_->CurrentDirectory(), "C:\\windows\\system");
    EXPECT_EQ(disk_->Canonical("x.dll"), "C:\\windows\\system\\x.dll");
}

} // namespace
