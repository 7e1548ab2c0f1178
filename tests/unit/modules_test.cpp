// The module loader: search order, entry points, reference counts, exports.
#include <windows.h>

#include "kernel/debug.h"
#include "test_machine.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class Modules : public ::testing::Test {
  protected:
    // Puts a built test module on the machine's drive C: under a new name.
    void Install(const char* built, const std::string& drivePath) {
        fs::path to = machine_.DriveC() / drivePath;
        fs::create_directories(to.parent_path());
        fs::copy_file(fs::path(TEST_MODULES_DIR) / built, to, fs::copy_options::overwrite_existing);
    }
    // How many debugger lines equal `text` so far.
    static long Said(const std::string& text) {
        const auto& lines = platform::DebugOutput();
        return std::count(lines.begin(), lines.end(), text);
    }
    TempMachine machine_;
};

typedef int(WINAPI* IntProc)(void);
typedef int(WINAPI* IntIntProc)(int);

TEST_F(Modules, MissingLibraryAndMissingExportFailAsWindowsDoes) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("NOSUCH.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    Install("NOENTRY.DLL", "WINDOWS/SYSTEM/NOENTRY.DLL");
    HMODULE m = LoadLibraryA("noentry");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(reinterpret_cast<IntProc>(GetProcAddress(m, "Seven"))(), 7);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(m, "Eight"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    // The platform's own exports are not the module's.
    EXPECT_EQ(GetProcAddress(m, "LoadLibraryA"), nullptr);
    // Exports are found by name only.
    EXPECT_EQ(GetProcAddress(m, reinterpret_cast<LPCSTR>(1)), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_FALSE(FreeLibrary(m)) << "a freed handle is no longer valid";
}

TEST_F(Modules, AFileThatIsNotAModuleFailsToLoad) {
    std::ofstream(machine_.DriveC() / "WINDOWS/SYSTEM/JUNK.DLL") << "MZ not really";
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("JUNK.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
}

TEST_F(Modules, EntryPointThatRefusesTheAttachFailsTheLoad) {
    Install("FAILING.DLL", "WINDOWS/SYSTEM/FAILING.DLL");
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("FAILING.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(Said("failing attach"), 1);
    EXPECT_EQ(Said("failing detach"), 1) << "the refused module still gets its detach call";
    EXPECT_EQ(GetModuleHandleA("FAILING.DLL"), nullptr);
}

TEST_F(Modules, ReferenceCountsDecideWhenTheModuleIsDetached) {
    Install("PROBE.DLL", "WINDOWS/SYSTEM/PROBE.DLL");
    HMODULE first = LoadLibraryA("PROBE.DLL");
    HMODULE second = LoadLibraryA("probe");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Said("probe 0 reason 1"), 1) << "attach runs once";
    EXPECT_EQ(GetModuleHandleA("Probe.dll"), first);

    // A data export, and the data is the module's own.
    int* value = reinterpret_cast<int*>(GetProcAddress(first, "probeValue"));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, 42);
    EXPECT_EQ(reinterpret_cast<IntIntProc>(GetProcAddress(first, "Twice"))(21), 42);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(Said("probe 0 reason 0"), 0) << "still referenced";
    EXPECT_EQ(GetModuleHandleA("PROBE.DLL"), first);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(Said("probe 0 reason 0"), 1);
    EXPECT_EQ(GetModuleHandleA("PROBE.DLL"), nullptr);

    // Loading again attaches again.
    HMODULE again = LoadLibraryA("PROBE.DLL");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Said("probe 0 reason 1"), 2);
    EXPECT_TRUE(FreeLibrary(again));
}

TEST_F(Modules, SearchOrderIsProgramThenSystemThenWindowsDirectory) {
    typedef std::pair<const char*, const char*> Copy;
    const Copy copies[] = {{"ORDER_PROGRAM.DLL", "Program Files/Orbiq/ORDER.DLL"},
                           {"ORDER_SYSTEM.DLL", "WINDOWS/SYSTEM/ORDER.DLL"},
                           {"ORDER_WINDOWS.DLL", "WINDOWS/ORDER.DLL"}};
    for (const Copy& c : copies) Install(c.first, c.second);

    // Each round removes the copy that won the round before.
    for (int expected = 1; expected <= 3; ++expected) {
        SCOPED_TRACE(expected);
        HMODULE m = LoadLibraryA("order.dll");
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(reinterpret_cast<IntProc>(GetProcAddress(m, "Where"))(), expected);
        char path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameA(m, path, sizeof path), 0u);
        EXPECT_EQ(std::string(path), std::string("C:\\") + [&] {
                      std::string p = copies[expected - 1].second;
                      std::replace(p.begin(), p.end(), '/', '\\');
                      return p;
                  }());
        EXPECT_TRUE(FreeLibrary(m));
        fs::remove(machine_.DriveC() / copies[expected - 1].second);
    }
    EXPECT_EQ(LoadLibraryA("order.dll"), nullptr);
}

TEST_F(Modules, ExplicitPathLoadsOnlyThatFileAndStaysInTheMachine) {
    Install("PROBE.DLL", "WINDOWS/PROBE.DLL");
    EXPECT_EQ(LoadLibraryA("C:\\WINDOWS\\SYSTEM\\PROBE.DLL"), nullptr);
    HMODULE m = LoadLibraryA("C:\\WINDOWS\\..\\..\\WINDOWS\\PROBE.DLL");
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(LoadLibraryA((std::string(TEST_MODULES_DIR) + "/PROBE.DLL").c_str()), nullptr)
        << "a host path is not a path of the machine";
}

TEST_F(Modules, ModuleFileNameFollowsTheBufferRules) {
    Install("PROBE.DLL", "WINDOWS/SYSTEM/PROBE.DLL");
    HMODULE m = LoadLibraryA("PROBE.DLL");
    ASSERT_NE(m, nullptr);
    const std::string full = "C:\\WINDOWS\\SYSTEM\\PROBE.DLL";
    char buffer[64];
    EXPECT_EQ(GetModuleFileNameA(m, buffer, sizeof buffer), full.size());
    EXPECT_EQ(std::string(buffer), full);
    // Exactly one byte short: cut, terminated, and the size is returned.
    std::memset(buffer, 'x', sizeof buffer);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(m, buffer, full.size()), full.size());
    EXPECT_EQ(std::string(buffer), full.substr(0, full.size() - 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer[full.size()], 'x') << "nothing written past the buffer";
    EXPECT_TRUE(FreeLibrary(m));
}

TEST(Directories, SystemAndWindowsDirectoryFollowTheBufferRules) {
    char buffer[32];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 17u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\SYSTEM");
    // Too small by one: nothing written, the size needed returned.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetSystemDirectoryA(buffer, 17), 18u);
    EXPECT_EQ(buffer[0], 'x');
}

TEST(LocalMemory, ZeroInitAndFreeOfForeignPointers) {
    BYTE* p = static_cast<BYTE*>(LocalAlloc(LMEM_ZEROINIT, 100));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(std::all_of(p, p + 100, [](BYTE b) { return b == 0; }));
    EXPECT_EQ(LocalFree(p), nullptr);
    int local = 0;
    EXPECT_EQ(LocalFree(&local), &local) << "a block LocalAlloc never gave out is refused";
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

} // namespace
