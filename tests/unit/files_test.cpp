// Old-style file calls and DeleteFileA on the machine's drive C:.
#include "test_machine.h"

#include "host/trace.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr UINT kTransferError = static_cast<UINT>(-1);
constexpr DWORD kErrorNegativeSeek = 131;

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) {
    traceLines.push_back(line);
}

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        traceLines.clear();
        platform::SetTraceSink(CollectTrace);
    }
    void TearDown() override { platform::SetTraceSink(nullptr); }

    fs::path Host(const std::string& relative) const { return machine_.DriveC() / relative; }
    static std::string Contents(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Put(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

    TempMachine machine_;
};

TEST_F(FilesTest, CreateWriteSeekReadClose) {
    HFILE h = _lcreat("C:\\Program Files\\Orbiq\\cvspker.wav", 0);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_GT(h, 0);
    EXPECT_EQ(_lwrite(h, "RIFF....WAVE", 12), 12u);
    EXPECT_EQ(_llseek(h, 4, FILE_BEGIN), 4);
    EXPECT_EQ(_lwrite(h, "\x24\0\0\0", 4), 4u);
    EXPECT_EQ(_llseek(h, 0, FILE_END), 12);
    EXPECT_EQ(_llseek(h, -8, FILE_CURRENT), 4);
    char buffer[16] = {};
    EXPECT_EQ(_lread(h, buffer, sizeof buffer), 8u); // a short read at the end of the file
    EXPECT_EQ(std::string(buffer, 8), std::string("\x24\0\0\0WAVE", 8));
    EXPECT_EQ(_lread(h, buffer, sizeof buffer), 0u);

    SetLastError(0);
    EXPECT_EQ(_llseek(h, -13, FILE_END), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), kErrorNegativeSeek);
    EXPECT_EQ(_llseek(h, 0, 7), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // Past the end is a valid position; the file grows when written there.
    EXPECT_EQ(_llseek(h, 20, FILE_BEGIN), 20);
    EXPECT_EQ(_lclose(h), 0);
    EXPECT_EQ(fs::file_size(Host("Program Files/Orbiq/cvspker.wav")), 12u);

    // A relative name is taken in the current directory, the program's folder.
    h = _lopen("CVSPKER.WAV", OF_READ | OF_SHARE_DENY_WRITE);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_lread(h, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "RIFF");
    EXPECT_EQ(_lclose(h), 0);
}

TEST_F(FilesTest, CreateTruncatesAndZeroByteWriteCutsAtThePosition) {
    Put(Host("WINDOWS/DATA.BIN"), "abcdefgh");
    HFILE h = _lopen("c:\\windows\\data.bin", OF_READWRITE);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_llseek(h, 3, FILE_BEGIN), 3);
    EXPECT_EQ(_lwrite(h, "", 0), 0u);
    EXPECT_EQ(Contents(Host("WINDOWS/DATA.BIN")), "abc");
    EXPECT_EQ(_lclose(h), 0);

    h = _lcreat("C:\\WINDOWS\\DATA.BIN", 0);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(fs::file_size(Host("WINDOWS/DATA.BIN")), 0u);
    EXPECT_EQ(_lclose(h), 0);
    // The host spelling is kept; no second file appears.
    EXPECT_FALSE(fs::exists(Host("WINDOWS/data.bin")));
}

TEST_F(FilesTest, AccessModesAndOpenErrors) {
    Put(Host("WINDOWS/R.TXT"), "data");
    HFILE reader = _lopen("C:\\WINDOWS\\R.TXT", OF_READ);
    HFILE writer = _lopen("C:\\WINDOWS\\R.TXT", OF_WRITE | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(reader, HFILE_ERROR);
    ASSERT_NE(writer, HFILE_ERROR);
    EXPECT_NE(reader, writer);
    char c;
    EXPECT_EQ(_lwrite(reader, "x", 1), kTransferError);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(_lread(writer, &c, 1), kTransferError);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(_lclose(reader), 0);
    EXPECT_EQ(_lclose(writer), 0);
    EXPECT_EQ(Contents(Host("WINDOWS/R.TXT")), "data");

    struct Case {
        const char* path;
        int mode;
        DWORD error;
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\R.TXT", 3, ERROR_INVALID_PARAMETER},
        {"C:\\WINDOWS\\MISSING.TXT", OF_READ, ERROR_FILE_NOT_FOUND},
        {"C:\\NOFOLDER\\MISSING.TXT", OF_READ, ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\R.TXT\\x", OF_READ, ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS", OF_READ, ERROR_ACCESS_DENIED},
        {"C:\\", OF_READWRITE, ERROR_ACCESS_DENIED},
        {"D:\\R.TXT", OF_READ, ERROR_PATH_NOT_FOUND},
        {"\\\\server\\share\\R.TXT", OF_READ, ERROR_PATH_NOT_FOUND},
        {"NUL", OF_WRITE, ERROR_ACCESS_DENIED},
        {"C:\\WINDOWS\\a?b", OF_READ, ERROR_INVALID_NAME},
        {nullptr, OF_READ, ERROR_INVALID_PARAMETER},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.path ? k.path : "(null)");
        SetLastError(0);
        EXPECT_EQ(_lopen(k.path, k.mode), HFILE_ERROR);
        EXPECT_EQ(GetLastError(), k.error);
    }
    std::string longName = "C:\\" + std::string(300, 'x');
    EXPECT_EQ(_lopen(longName.c_str(), OF_READ), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(FilesTest, UnknownHandlesAreRefused) {
    char buffer[4];
    for (HFILE h : {0, 1, 4, 12345, -1, HFILE_ERROR, 0x7fffffff}) {
        SCOPED_TRACE(h);
        SetLastError(0);
        EXPECT_EQ(_lread(h, buffer, sizeof buffer), kTransferError);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(_lwrite(h, "x", 1), kTransferError);
        EXPECT_EQ(_llseek(h, 0, FILE_BEGIN), HFILE_ERROR);
        EXPECT_EQ(_lclose(h), HFILE_ERROR);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    // A closed handle is dead, and its number is handed out again later.
    HFILE h = _lcreat("C:\\WINDOWS\\T.TMP", 0);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_lclose(h), 0);
    EXPECT_EQ(_lclose(h), HFILE_ERROR);
    EXPECT_EQ(_lwrite(h, "x", 1), kTransferError);
    HFILE again = _lopen("C:\\WINDOWS\\T.TMP", OF_READ);
    EXPECT_EQ(again, h);
    EXPECT_EQ(_lclose(again), 0);
}

TEST_F(FilesTest, LinksAreNeverWrittenThrough) {
    // A file of the machine that is a link to a file outside, as the
    // program module is a link to the build output.
    const fs::path output = machine_.Sandbox() / "build-output.so";
    Put(output, "ELF original");
    fs::create_symlink(output, Host("WINDOWS/SYSTEM/LINKED.DLL"));

    HFILE h = _lcreat("C:\\WINDOWS\\SYSTEM\\linked.dll", 0);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_lwrite(h, "overwritten", 11), 11u);
    EXPECT_EQ(_lclose(h), 0);
    EXPECT_EQ(Contents(output), "ELF original");
    EXPECT_FALSE(fs::is_symlink(Host("WINDOWS/SYSTEM/LINKED.DLL")));
    EXPECT_EQ(Contents(Host("WINDOWS/SYSTEM/LINKED.DLL")), "overwritten");

    fs::create_symlink(output, Host("WINDOWS/SYSTEM/OTHER.DLL"));
    EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\SYSTEM\\OTHER.DLL"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Host("WINDOWS/SYSTEM/OTHER.DLL"))));
    EXPECT_EQ(Contents(output), "ELF original");

    // A linked folder is no way out of the machine.
    fs::create_directory_symlink(machine_.Sandbox(), Host("WINDOWS/ESCAPE"));
    EXPECT_EQ(_lcreat("C:\\WINDOWS\\ESCAPE\\new.txt", 0), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\ESCAPE\\build-output.so"));
    EXPECT_TRUE(fs::exists(output));
    EXPECT_FALSE(fs::exists(machine_.Sandbox() / "new.txt"));
}

TEST_F(FilesTest, DeleteFile) {
    Put(Host("WINDOWS/SYSTEM/CVTHK32.BAK"), "x");
    EXPECT_TRUE(DeleteFileA("c:\\windows\\system\\cvthk32.bak"));
    EXPECT_FALSE(fs::exists(Host("WINDOWS/SYSTEM/CVTHK32.BAK")));

    struct Case {
        const char* path;
        DWORD error;
    };
    const Case cases[] = {
        {"C:\\WINDOWS\\SYSTEM\\CVTHK32.BAK", ERROR_FILE_NOT_FOUND},
        {"C:\\NOFOLDER\\X.DLL", ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\SYSTEM", ERROR_ACCESS_DENIED},
        {"C:\\", ERROR_ACCESS_DENIED},
        {"CON", ERROR_ACCESS_DENIED},
        {"E:\\X.DLL", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.path);
        SetLastError(0);
        EXPECT_FALSE(DeleteFileA(k.path));
        EXPECT_EQ(GetLastError(), k.error);
    }
    EXPECT_TRUE(fs::is_directory(Host("WINDOWS/SYSTEM")));

    // Windows 98 keeps a file that is open.
    HFILE h = _lcreat("C:\\WINDOWS\\OPEN.TMP", 0);
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_FALSE(DeleteFileA("C:\\WINDOWS\\OPEN.TMP"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(_lclose(h), 0);
    EXPECT_TRUE(DeleteFileA("C:\\WINDOWS\\OPEN.TMP"));
}

// The trace names the file as the machine spells it.
TEST_F(FilesTest, TraceNamesTheWindowsPath) {
    HFILE h = _lcreat("c:/program files/orbiq/../orbiq/Test.wav", 0);
    ASSERT_NE(h, HFILE_ERROR);
    _lclose(h);
    EXPECT_TRUE(DeleteFileA("C:\\Program Files\\Orbiq\\Test.wav"));
    EXPECT_FALSE(DeleteFileA("C:\\Program Files\\Orbiq\\Test.wav"));
    EXPECT_EQ(_lcreat("D:\\x", 0), HFILE_ERROR);
    ASSERT_EQ(traceLines.size(), 4u);
    const char* expected[] = {
        R"("ev": "file.create", "path": "C:\\Program Files\\Orbiq\\Test.wav", "ok": true})",
        R"("ev": "file.delete", "path": "C:\\Program Files\\Orbiq\\Test.wav", "ok": true})",
        R"("ev": "file.delete", "path": "C:\\Program Files\\Orbiq\\Test.wav", "ok": false})",
        R"("ev": "file.create", "path": "D:\\x", "ok": false})",
    };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NE(traceLines[i].find(expected[i]), std::string::npos) << traceLines[i];
}

// Every hostile name either fails or creates its file inside drive_c;
// nothing else in the sandbox changes.
TEST_F(FilesTest, HostileNamesStayInsideDriveC) {
    // Every name and file content in the sandbox outside drive_c.
    auto outsideDriveC = [&] {
        std::map<std::string, std::string> entries;
        for (auto it = fs::recursive_directory_iterator(machine_.Sandbox());
             it != fs::recursive_directory_iterator(); ++it) {
            if (it->path() == machine_.DriveC())
                it.disable_recursion_pending();
            else if (it->is_regular_file())
                entries[it->path().string()] = Contents(it->path());
            else
                entries[it->path().string()] = "";
        }
        return entries;
    };
    const std::map<std::string, std::string> before = outsideDriveC();
    const char* names[] = {
        "..\\..\\..\\..\\..\\escape1.txt",
        "C:\\..\\..\\escape2.txt",
        "/escape3.txt",
        "/../../escape4.txt",
        "../../../machine/registry.reg",
        "C:..\\..\\..\\escape5.txt",
        "\\\\localhost\\share\\escape6.txt",
        "\\\\.\\escape7",
        "\\\\?\\C:\\escape8.txt",
        "nul.txt",
        "C:\\WINDOWS\\lpt1\\escape9.txt",
        "escape10.txt. . .",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        HFILE h = _lcreat(name, 0);
        if (h != HFILE_ERROR) {
            EXPECT_EQ(_lwrite(h, "x", 1), 1u);
            EXPECT_EQ(_lclose(h), 0);
        }
    }
    EXPECT_EQ(outsideDriveC(), before);
    EXPECT_TRUE(fs::exists(machine_.DriveC() / "escape1.txt"));
    EXPECT_TRUE(fs::exists(machine_.DriveC() / "escape4.txt"));
    EXPECT_TRUE(fs::exists(machine_.DriveC() / "Program Files" / "Orbiq" / "escape10.txt"));
}

// A full disk is reported, never taken for a complete write. The file-size
// limit makes the host refuse writes past 8 bytes, as a full disk would.
TEST_F(FilesTest, FullDiskIsReported) {
    HFILE h = _lcreat("C:\\WINDOWS\\FULL.BIN", 0);
    ASSERT_NE(h, HFILE_ERROR);
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const UINT first = _lwrite(h, "0123456789abcdef", 16);
    const DWORD firstError = GetLastError();
    const UINT second = _lwrite(h, "more", 4);
    const DWORD secondError = GetLastError();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(first, 8u);
    EXPECT_EQ(firstError, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(second, kTransferError);
    EXPECT_EQ(secondError, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(_lclose(h), 0);
    EXPECT_EQ(fs::file_size(machine_.DriveC() / "WINDOWS" / "FULL.BIN"), 8u);
}

} // namespace
