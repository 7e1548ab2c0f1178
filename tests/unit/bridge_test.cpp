// The bridge CVTHK32.DLL as a program uses it, over the platform and a
// machine with the card's 16-bit driver DLL and the 3D-audio hook: card
// search and revision, the requests that reach the driver side, the speaker
// requests, the thunk connection, and the trace of every call.
#include <windows.h>
#include <dsound.h>

#include "../../bridge/cvthk32.h"
#include "host/trace.h"
#include "installation.h"
#include "kernel/debug.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef BUILD_BIN_DIR
#define BUILD_BIN_DIR ""
#endif

namespace {

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) { traceLines.push_back(line); }

const char kConfigKey[] = "System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001\\Config";
const char kCardEnumKey[] = "Enum\\PCI\\VEN_5A3E&DEV_0C52&SUBSYS_00000000&REV_01";

typedef BOOL(WINAPI* INSTALLPROC)(LPDWORD);
typedef BOOL(WINAPI* REMOVEPROC)(void);

class Bridge : public ::testing::Test {
  protected:
    Bridge() {
        // The installation links the modules from the test modules' folder;
        // the bridge and the outside components are built beside the program.
        machine::RefreshModuleLinks(machine_->Directory(), BUILD_BIN_DIR);
        traceLines.clear();
        platform::SetTraceSink(CollectTrace);
    }
    ~Bridge() override {
        if (bridge_ != nullptr) FreeLibrary(bridge_);
        if (window_ != nullptr) DestroyWindow(window_);
        platform::SetTraceSink(nullptr);
    }

    void Profile(const char* section, const char* key, const char* value) {
        std::string error;
        ASSERT_TRUE(machine_->settings().Set(section, key, value, &error)) << error;
    }
    // Loads the bridge; false when the load failed.
    bool Load() {
        bridge_ = LoadLibraryA("CVTHK32.DLL");
        return bridge_ != nullptr;
    }
    DWORD Call(DWORD code) {
        auto call = reinterpret_cast<DLL32CALLPROC>(GetProcAddress(bridge_, "DLL32Call"));
        return call != nullptr ? call(code) : 0xDEADBEEF;
    }
    DWORD Version() {
        auto get = reinterpret_cast<CVGETVERSIONPROC>(GetProcAddress(bridge_, "CVGetVersion"));
        return get != nullptr ? get() : 0xDEADBEEF;
    }
    DWORD Revision() {
        auto get =
            reinterpret_cast<CVGETHWREVISIONPROC>(GetProcAddress(bridge_, "CVGetHWRevision"));
        return get != nullptr ? get() : 0xDEADBEEF;
    }
    // A window that is active, as the control panel's dialog is when it
    // sends its requests.
    void ActiveWindow() {
        window_ = CreateWindowExA(0, "STATIC", "Panel", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                  nullptr, nullptr, nullptr, nullptr);
        SetActiveWindow(window_);
        ASSERT_EQ(GetActiveWindow(), window_);
    }
    static DWORD SpeakerConfig() {
        IDirectSound* ds = nullptr;
        if (FAILED(DirectSoundCreate(nullptr, &ds, nullptr))) return 0;
        DWORD config = 0;
        ds->GetSpeakerConfig(&config);
        ds->Release();
        return config;
    }
    static bool KeyExists(const char* path) {
        HKEY key;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    static long Said(const std::string& text) {
        const auto& lines = platform::DebugOutput();
        return std::count(lines.begin(), lines.end(), text);
    }
    static long Traced(const std::string& fragment) {
        return std::count_if(traceLines.begin(), traceLines.end(), [&](const std::string& l) {
            return l.find(fragment) != std::string::npos;
        });
    }

    TempMachine machine_;
    HMODULE bridge_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(Bridge, RequestsCrossToTheDriverSideAsSixteenBitCodes) {
    ASSERT_TRUE(Load());
    ActiveWindow();
    // 0x1006C arrives as 108; the driver side calls back with the stored
    // arrangement (two speakers), which sets stereo.
    EXPECT_EQ(Call(0x1006C), 0u);
    EXPECT_EQ(SpeakerConfig(), static_cast<DWORD>(DSSPEAKER_STEREO));
    EXPECT_EQ(Traced(R"("ev": "bridge.16", "code": 108, "result": 0)"), 1);
    EXPECT_EQ(Traced(R"("name": "CVTHK32.DLL", "export": "DLL32Call", "args": [65644], "result": 0)"), 1);
    EXPECT_EQ(Traced(R"("name": "CVTHK32.DLL", "export": "DLL32Call", "args": [2], "result": 0)"), 1)
        << "the driver side's call back through the incoming thunk";

    // Readiness after the profile's busy answers, then the effects answer,
    // of which only the low 16 bits cross.
    Profile("driver", "effects", "0x10005");
    std::vector<DWORD> polls;
    for (int i = 0; i < 4; ++i) polls.push_back(Call(BRIDGE_STARTUP_BUSY));
    EXPECT_EQ(polls, (std::vector<DWORD>{1, 1, 0, 0}));
    EXPECT_EQ(Call(BRIDGE_EFFECTS_SUPPORT), 5u);
    EXPECT_EQ(Call(0xFFFF0000u + BRIDGE_EFFECTS_SUPPORT), 5u);
    EXPECT_EQ(Traced(R"("ev": "bridge.16", "code": 111, "result": 5)"), 2);

    Profile("driver", "busy_polls", "-1");
    FreeLibrary(bridge_);
    ASSERT_TRUE(Load());
    for (int i = 0; i < 20; ++i) ASSERT_EQ(Call(BRIDGE_STARTUP_BUSY), 1u) << "busy for ever";
}

TEST_F(Bridge, SpeakerRequestsSetTheConfiguration) {
    ASSERT_TRUE(Load());
    ActiveWindow();
    struct Case {
        DWORD code;
        DWORD config;
    };
    for (const Case& c : {Case{BRIDGE_QUAD, DSSPEAKER_QUAD}, Case{BRIDGE_SIX_SPEAKERS, DSSPEAKER_5POINT1},
                          Case{BRIDGE_STEREO, DSSPEAKER_STEREO}}) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(Call(c.code), 0u);
        EXPECT_EQ(SpeakerConfig(), c.config);
    }
    EXPECT_EQ(Traced(R"("ev": "bridge.16")"), 0) << "handled in the bridge";

    // The driver side's call back follows the stored arrangement; "Stereo X 2"
    // plays the stereo pair twice and stays stereo.
    struct Stored {
        BYTE speakers;
        DWORD config;
    };
    for (const Stored& s : {Stored{6, DSSPEAKER_5POINT1}, Stored{3, DSSPEAKER_STEREO},
                            Stored{4, DSSPEAKER_QUAD}, Stored{0, DSSPEAKER_STEREO}}) {
        SCOPED_TRACE(static_cast<int>(s.speakers));
        HKEY config;
        ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kConfigKey, &config), ERROR_SUCCESS);
        RegSetValueExA(config, "Speakers", 0, REG_BINARY, &s.speakers, 1);
        RegCloseKey(config);
        EXPECT_EQ(Call(BRIDGE_SPEAKERS_CHANGED), 0u);
        EXPECT_EQ(SpeakerConfig(), s.config);
    }

    // What the driver side cannot read counts as stereo: "Speakers" of
    // another size, or an instance whose "Driver" is no text.
    HKEY config;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kConfigKey, &config), ERROR_SUCCESS);
    const DWORD six = 6;
    RegSetValueExA(config, "Speakers", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&six), 4);
    RegCloseKey(config);
    Call(BRIDGE_QUAD);
    EXPECT_EQ(Call(BRIDGE_SPEAKERS_CHANGED), 0u);
    EXPECT_EQ(SpeakerConfig(), static_cast<DWORD>(DSSPEAKER_STEREO)) << "four bytes";

    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kConfigKey, &config), ERROR_SUCCESS);
    const BYTE sixByte = 6;
    RegSetValueExA(config, "Speakers", 0, REG_BINARY, &sixByte, 1);
    RegCloseKey(config);
    const std::string instanceKey = std::string(kCardEnumKey) + "\\BUS_00&DEV_0A&FUNC_00";
    HKEY instance;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, instanceKey.c_str(), &instance), ERROR_SUCCESS);
    const char driver[] = "MEDIA\\0001";
    RegSetValueExA(instance, "Driver", 0, REG_BINARY, reinterpret_cast<const BYTE*>(driver),
                   sizeof driver);
    RegCloseKey(instance);
    Call(BRIDGE_QUAD);
    EXPECT_EQ(Call(BRIDGE_SPEAKERS_CHANGED), 0u);
    EXPECT_EQ(SpeakerConfig(), static_cast<DWORD>(DSSPEAKER_STEREO)) << "Driver as binary";
}

TEST_F(Bridge, FailingDirectSoundCallsReturnTheirCode) {
    ASSERT_TRUE(Load());
    // No active window: the cooperative level is refused.
    EXPECT_EQ(static_cast<HRESULT>(Call(BRIDGE_QUAD)), DSERR_INVALIDPARAM);
    EXPECT_EQ(Said("SetCooperativeLevel error"), 1);

    ActiveWindow();
    Profile("dsound", "speaker_config_fails", "1");
    EXPECT_EQ(static_cast<HRESULT>(Call(BRIDGE_QUAD)), DSERR_GENERIC);
    EXPECT_EQ(SpeakerConfig(), static_cast<DWORD>(DSSPEAKER_STEREO)) << "unchanged";
    EXPECT_EQ(Traced(R"("export": "DLL32Call", "args": [4], "result": -2147467259)"), 1);

    Profile("dsound", "held", "0");
    EXPECT_EQ(static_cast<HRESULT>(Call(BRIDGE_STEREO)), DSERR_ALLOCATED);
    EXPECT_EQ(Said("DirectSoundCreate error"), 1);
}

TEST_F(Bridge, CardSearchAndRevision) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> pci; // [pci] keys
        DWORD version;
        DWORD revision;
    };
    const Case cases[] = {
        {"default: found by the BIOS", {{"card_revision", "7"}}, 512, 7},
        {"other chip found by the BIOS", {{"card_device_id", "0x2A0D"}}, 512, 1},
        {"bus 0 device 0 function 0 is word 0, still found",
         {{"card_device", "0"}, {"card_revision", "9"}}, 512, 9},
        {"on another bus, through the BIOS", {{"card_bus", "2"}, {"card_revision", "3"}}, 512, 3},
        {"scan only: device 30, revision still through the BIOS",
         {{"card_in_bios", "0"}, {"card_device", "30"}, {"card_revision", "0x42"}}, 512, 0x42},
        {"scan only, other chip", {{"card_in_bios", "0"}, {"card_device_id", "0x2A0D"}}, 512, 1},
        {"scan only: device 31 is beyond the scan", {{"card_in_bios", "0"}, {"card_device", "31"}},
         0, 160},
        {"scan only: function 1 is not scanned", {{"card_in_bios", "0"}, {"card_function", "1"}},
         0, 160},
        {"scan only: bus 1 is not scanned", {{"card_in_bios", "0"}, {"card_bus", "1"}}, 0, 160},
        {"revision read fails", {{"bios_read_fails", "1"}}, 512, 0},
        {"revision read fails after a scan", {{"card_in_bios", "0"}, {"bios_read_fails", "1"}}, 512,
         0},
        {"another chip of the vendor", {{"card_device_id", "0x1234"}}, 0, 160},
        {"no card", {{"card_present", "0"}}, 0, 160},
        // Entries for other devices that are malformed or out of range are
        // left out; one at the card's own place does not hide the card.
        {"malformed other devices",
         {{"other_devices", ",x,0:7.0,0:99.0=8086:7110,0:7.9=8086:7110,300:1.0=8086:7110,"
                            "0:7.0=zz:7110,0:7.0=8086:123456,0:10.0=8086:7110,: . = : ,"},
          {"card_revision", "5"}},
         512, 5},
    };
    ASSERT_TRUE(Load());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine_->settings() = machine::Settings();
        for (const auto& [key, value] : c.pci) Profile("pci", key, value);
        EXPECT_EQ(Version(), c.version);
        EXPECT_EQ(Revision(), c.revision);
    }
    EXPECT_EQ(Traced(R"("name": "CVTHK32.DLL", "export": "CVGetHWRevision", "args": [], "result": 160)"), 5);
}

TEST_F(Bridge, AConnectionThatFailsFailsTheLoad) {
    const std::string thkLine = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret FALSE\r\n";
    const std::string ttkLine = "\n\rIn DllEntryPoint: ttk_ThunkConnect32 ret FALSE\r\n";
    struct Case {
        const char* key;
        const char* value;
        long thk, ttk; // debugger lines expected
    };
    for (const Case& c : {Case{"thk_checksum", "0x2BC", 1, 0}, Case{"ttk_checksum", "0x25E", 0, 1}}) {
        SCOPED_TRACE(c.key);
        machine_->settings() = machine::Settings();
        Profile("driver", c.key, c.value);
        const long thkBefore = Said(thkLine), ttkBefore = Said(ttkLine);
        EXPECT_FALSE(Load());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
        EXPECT_EQ(Said(thkLine) - thkBefore, c.thk);
        EXPECT_EQ(Said(ttkLine) - ttkBefore, c.ttk);
        EXPECT_EQ(GetModuleHandleA("CVTHK16.DLL"), nullptr) << "the partner is not left loaded";
    }

    machine_->settings() = machine::Settings();
    ASSERT_TRUE(Load());
    EXPECT_NE(GetModuleHandleA("CVTHK16.DLL"), nullptr);
    FreeLibrary(bridge_);
    bridge_ = nullptr;
    EXPECT_EQ(GetModuleHandleA("CVTHK16.DLL"), nullptr) << "freed with the bridge";

    ASSERT_TRUE(DeleteFileA("C:\\WINDOWS\\SYSTEM\\CVTHK16.DLL"));
    const long before = Said(thkLine);
    EXPECT_FALSE(Load()) << "no partner";
    EXPECT_EQ(Said(thkLine) - before, 1);
}

TEST_F(Bridge, RemovalTakesTheDriverThenTheDevices) {
    ASSERT_TRUE(Load());
    const std::string system = (machine_.DriveC() / "WINDOWS" / "SYSTEM").string();
    auto exists = [&](const char* file) { return std::filesystem::exists(system + "/" + file); };

    EXPECT_EQ(Call(BRIDGE_REMOVE_BEGIN), 0u);
    EXPECT_FALSE(KeyExists("System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001"));
    EXPECT_FALSE(exists("ORBIQ.VXD"));
    EXPECT_FALSE(exists("ORBIQ.DRV"));
    EXPECT_TRUE(KeyExists(kCardEnumKey)) << "the devices go in the second step";
    EXPECT_TRUE(KeyExists("System\\CurrentControlSet\\Services\\Class\\Q3D"));

    EXPECT_EQ(Call(BRIDGE_REMOVE_END), 0u);
    EXPECT_FALSE(KeyExists(kCardEnumKey));
    EXPECT_FALSE(KeyExists("SOFTWARE\\Corvane"));
    EXPECT_TRUE(KeyExists("Enum\\PCI\\VEN_8086&DEV_7110&SUBSYS_00000000&REV_02"));
    EXPECT_TRUE(exists("CVAPLT.CPL")) << "the panel deletes the applet itself";
    EXPECT_TRUE(exists("CVTHK32.DLL"));
}

TEST_F(Bridge, ExportsAndTheirTrampolines) {
    ASSERT_TRUE(Load());
    FARPROC call = GetProcAddress(bridge_, "DLL32Call");
    EXPECT_EQ(GetProcAddress(bridge_, "DLL32Call"), call) << "one trampoline per export";
    auto* thk = reinterpret_cast<const char*>(GetProcAddress(bridge_, "thk_ThunkData32"));
    auto* ttk = reinterpret_cast<const char*>(GetProcAddress(bridge_, "ttk_ThunkData32"));
    ASSERT_NE(thk, nullptr);
    ASSERT_NE(ttk, nullptr);
    EXPECT_EQ(std::string(thk, 4), "LS01");
    EXPECT_EQ(std::string(ttk, 4), "SL01");

    // A pointer kept past the free does nothing; the export of a new load
    // is served by the same trampoline.
    FreeLibrary(bridge_);
    bridge_ = nullptr;
    EXPECT_EQ(reinterpret_cast<DLL32CALLPROC>(call)(BRIDGE_EFFECTS_SUPPORT), 0u);
    ASSERT_TRUE(Load());
    EXPECT_EQ(GetProcAddress(bridge_, "DLL32Call"), call);
    EXPECT_EQ(reinterpret_cast<DLL32CALLPROC>(call)(BRIDGE_EFFECTS_SUPPORT), 1u);
}

TEST_F(Bridge, TheHookRecordsWhatItIsHanded) {
    HMODULE hook = LoadLibraryA("QA3DLoad");
    ASSERT_NE(hook, nullptr);
    auto install = reinterpret_cast<INSTALLPROC>(GetProcAddress(hook, "InstallA3DHook"));
    auto remove = reinterpret_cast<REMOVEPROC>(GetProcAddress(hook, "RemoveA3DHook"));
    ASSERT_NE(install, nullptr);
    ASSERT_NE(remove, nullptr);
    DWORD preload = 0x13790000;
    install(&preload);
    remove();
    FreeLibrary(hook);
    EXPECT_EQ(Traced(R"("ev": "a3d.hook", "export": "InstallA3DHook", "value": 326696960)"), 1);
    EXPECT_EQ(Traced(R"("ev": "a3d.hook", "export": "RemoveA3DHook")"), 1);
    EXPECT_EQ(Traced(R"("name": "QA3DLOAD.DLL", "export": "InstallA3DHook", "args": [)"), 1);
    EXPECT_EQ(Traced(R"("name": "QA3DLOAD.DLL", "export": "RemoveA3DHook", "args": [], "result": 1)"), 1);
}

} // namespace
