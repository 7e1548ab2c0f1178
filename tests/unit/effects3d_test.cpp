// The program's 3D settings and DirectSound operations, run on a machine
// whose 3D driver and DirectSound devices answer them: the order of the
// property calls and registry writes as the trace records them, the edge
// values of each setting, where the device check and the probe fail, the
// speaker arrangement, and every COM object released once.
#include <windows.h>
#include <dsound.h>

#include "effects3d/directsound3d.h"
#include "effects3d/q3d_settings.h"

#include "test_machine.h"
#include "test_windows.h"

#include "dsound/com_objects.h"
#include "dsound_devices.h"
#include "host/trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using machine::RegistryRoot;
using machine::RegistryValue;

const char kClassKey[] = "System\\CurrentControlSet\\Services\\Class\\Q3D";
const char kUserKey[] = "Software\\QSound\\Q3D";

std::string Hex(const void* data, size_t size) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<const BYTE*>(data)[i]);
        out += buf;
    }
    return out;
}

// ---------------------------------------------------------------------------
// The trace, each event shortened to the fields that matter here.

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) {
    traceLines.push_back(line);
}

// The value of one field of a trace line: a string without its quotes and
// escapes, or the bare text of a number or null.
std::string Field(const std::string& line, const std::string& key) {
    const std::string marker = "\"" + key + "\": ";
    size_t at = line.find(marker);
    if (at == std::string::npos) return "?";
    at += marker.size();
    std::string out;
    if (line[at] != '"') {
        while (at < line.size() && line[at] != ',' && line[at] != '}')
            out += line[at++];
        return out;
    }
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        out += line[at];
    }
    return out;
}

std::string ShortKey(const std::string& key) {
    if (key == std::string("HKEY_LOCAL_MACHINE\\") + kClassKey) return "class";
    if (key == std::string("HKEY_CURRENT_USER\\") + kUserKey) return "user";
    return key;
}

// "ks.set Q3DOptionSet 9 0000003f", "reg.set class Spread 0000003f",
// "ds.create 0", "debug SetCooperativeLevel error", ...
std::string Summary(const std::string& line) {
    const std::string ev = Field(line, "ev");
    if (ev.rfind("ks.", 0) == 0)
        return ev + " " + Field(line, "set") + " " + Field(line, "id") + " " + Field(line, "data");
    if (ev == "reg.set")
        return ev + " " + ShortKey(Field(line, "key")) + " " + Field(line, "name") + " " +
               Field(line, "data");
    if (ev == "reg.create") return ev + " " + ShortKey(Field(line, "key"));
    if (ev == "ds.create") return ev + " " + Field(line, "device");
    if (ev.rfind("ds.", 0) == 0) return ev + " " + Field(line, "value");
    if (ev == "debug") return ev + " " + Field(line, "text");
    return ev;
}

// Captures the trace while it lives.
class Trace {
  public:
    Trace() {
        traceLines.clear();
        platform::SetTraceSink(CollectTrace);
    }
    ~Trace() { platform::SetTraceSink(nullptr); }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // The events so far whose name starts with one of `prefixes`.
    std::vector<std::string> Events(std::initializer_list<const char*> prefixes = {""}) const {
        std::vector<std::string> out;
        for (const std::string& line : traceLines) {
            const std::string summary = Summary(line);
            for (const char* prefix : prefixes)
                if (summary.rfind(prefix, 0) == 0) {
                    out.push_back(summary);
                    break;
                }
        }
        return out;
    }
};

// ---------------------------------------------------------------------------
// Stand-ins for the DirectSound objects, for what the machine's cannot show:
// the arguments of each property call, and the order in which objects are
// released. All three write into one log.

struct FakeLog {
    std::vector<std::string> calls;
};

class FakePropertySet final : public IKsPropertySet {
  public:
    explicit FakePropertySet(FakeLog* log) : log_(log) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        log_->calls.push_back("release property set");
        return --refs;
    }
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, ULONG id, LPVOID instance, ULONG instanceLength,
                                  LPVOID data, ULONG length, ULONG* returned) override {
        log_->calls.push_back("get " + Name(set, id) + " size " + std::to_string(length) +
                              (instance == nullptr && instanceLength == 0 ? "" : " with instance"));
        if (onGet) onGet(Name(set, id));
        const auto it = values.find(Name(set, id));
        if (it == values.end() || it->second.size() != length) return E_PROP_ID_UNSUPPORTED;
        std::memcpy(data, it->second.data(), length);
        if (returned != nullptr) *returned = length;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, ULONG id, LPVOID instance, ULONG instanceLength,
                                  LPVOID data, ULONG length) override {
        std::string call = "set " + Name(set, id) + " " + Hex(data, length);
        if (instance != nullptr || instanceLength != 0)
            call += " instance " + Hex(instance, instanceLength);
        log_->calls.push_back(call);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QuerySupport(REFGUID set, ULONG id, ULONG* support) override {
        log_->calls.push_back("support " + Name(set, id));
        if (SUCCEEDED(supportResult)) *support = supportMask;
        return supportResult;
    }

    static std::string Name(REFGUID set, ULONG id) {
        return (set == Q3DOptionSet   ? "option "
                : set == Q3DDriverSet ? "driver "
                                      : "other ") +
               std::to_string(id);
    }

    ULONG refs = 1;
    std::map<std::string, std::vector<BYTE>> values; // by Name()
    std::function<void(const std::string&)> onGet;   // runs inside each Get
    HRESULT supportResult = S_OK;
    ULONG supportMask = KSPROPERTY_SUPPORT_GET;

  private:
    FakeLog* log_;
};

class FakeBuffer final : public IDirectSoundBuffer {
  public:
    FakeBuffer(FakeLog* log, FakePropertySet* propertySet) : log_(log), propertySet_(propertySet) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        log_->calls.push_back("query interface");
        *out = nullptr;
        if (riid != IID_IKsPropertySet || propertySet_ == nullptr) return E_NOINTERFACE;
        propertySet_->AddRef();
        *out = static_cast<IKsPropertySet*>(propertySet_);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        log_->calls.push_back("release buffer");
        return --refs;
    }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX, DWORD, LPDWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetVolume(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPan(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTSOUND, LPCDSBUFFERDESC) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Lock(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD,
                                   DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Play(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVolume(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPan(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFrequency(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID, DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Restore() override { return E_NOTIMPL; }

    ULONG refs = 1;

  private:
    FakeLog* log_;
    FakePropertySet* propertySet_; // null: no property-set interface
};

class FakeDirectSound final : public IDirectSound {
  public:
    FakeDirectSound(FakeLog* log, FakeBuffer* buffer) : log_(log), buffer_(buffer) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        log_->calls.push_back("addref directsound");
        return ++refs;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        log_->calls.push_back("release directsound");
        return --refs;
    }
    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* out,
                                                LPUNKNOWN) override {
        log_->calls.push_back("create buffer");
        lastDesc = *desc;
        lastFormat = *desc->lpwfxFormat;
        *out = buffer_;
        return buffer_ != nullptr ? S_OK : DSERR_CONTROLUNAVAIL;
    }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER,
                                                   LPDIRECTSOUNDBUFFER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD level) override {
        log_->calls.push_back("level " + std::to_string(level));
        return DSERR_INVALIDPARAM; // its result must not matter
    }
    HRESULT STDMETHODCALLTYPE Compact() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSpeakerConfig(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSpeakerConfig(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(LPCGUID) override { return E_NOTIMPL; }

    ULONG refs = 1;
    DSBUFFERDESC lastDesc{};
    WAVEFORMATEX lastFormat{};

  private:
    FakeLog* log_;
    FakeBuffer* buffer_; // null: no 3D hardware buffers
};

BOOL CALLBACK CollectGuid(LPGUID guid, LPCSTR, LPCSTR, LPVOID list) {
    if (guid != nullptr) static_cast<std::vector<GUID>*>(list)->push_back(*guid);
    return TRUE;
}

// The GUIDs of the machine's DirectSound devices, in their order.
std::vector<GUID> DeviceGuids() {
    std::vector<GUID> guids;
    DirectSoundEnumerateA(CollectGuid, &guids);
    return guids;
}

std::vector<BYTE> Word(DWORD value) {
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

// ---------------------------------------------------------------------------

class Effects3DTest : public ::testing::Test {
  protected:
    void SetUp() override {
        before_ = platform::dsound::CountObjects();
        window_ = CreateRecordingParent();
        SetActiveWindow(window_);
    }
    void TearDown() override {
        machine::Registry::SetSaveHook(nullptr);
        const auto after = platform::dsound::CountObjects();
        EXPECT_EQ(after.live, before_.live) << "objects left unreleased";
        EXPECT_EQ(after.misuse, before_.misuse) << "objects released too often";
        DestroyWindow(window_);
    }

    void Profile(const char* key, const char* value) {
        std::string error;
        ASSERT_TRUE(machine_->settings().Set("dsound", key, value, &error)) << error;
    }
    void SetReg(RegistryRoot root, const char* key, const char* name, DWORD type,
                std::vector<BYTE> data) {
        RegistryValue value{name, type, std::move(data)};
        ASSERT_EQ(machine_->registry().SetValue(root, key, value), 0);
    }
    // The registry value's data as hex, or "missing".
    std::string RegHex(RegistryRoot root, const char* key, const char* name) {
        RegistryValue value;
        if (machine_->registry().GetValue(root, key, name, &value) != 0) return "missing";
        return (value.type == REG_BINARY ? "" : "type " + std::to_string(value.type) + " ") +
               Hex(value.data.data(), value.data.size());
    }
    std::string ClassValue(const char* name) {
        return RegHex(RegistryRoot::LocalMachine, kClassKey, name);
    }

    // The probe on the default device, which must succeed; Done releases.
    void Open() {
        ASSERT_EQ(ProbeDirectSound3D(nullptr, window_, &ds_, &ps_), DS_OK);
        ASSERT_NE(ps_, nullptr);
    }
    void Done() {
        if (ps_ != nullptr) {
            EXPECT_EQ(ps_->Release(), 0u);
        }
        if (ds_ != nullptr) {
            EXPECT_EQ(ds_->Release(), 0u);
        }
        ps_ = nullptr;
        ds_ = nullptr;
    }
    // Reads the driver's values through a fresh probe.
    Q3DSettings ReadFromDriver() {
        Q3DSettings settings;
        Open();
        if (ps_ != nullptr) settings.Read(ps_);
        Done();
        return settings;
    }

    TempMachine machine_;
    platform::dsound::ObjectCounts before_;
    HWND window_ = nullptr;
    IDirectSound* ds_ = nullptr;
    IKsPropertySet* ps_ = nullptr;
};

// --- Reading and writing the settings --------------------------------------

TEST_F(Effects3DTest, ReadAsksTheDriverInItsOrder) {
    Open();
    Q3DSettings settings;
    {
        Trace trace;
        settings.Read(ps_);
        // Registry reads leave no trace; only the property calls show.
        EXPECT_EQ(trace.Events(), (std::vector<std::string>{
                                      "ks.get Q3DOptionSet 0 01000000",
                                      "ks.get Q3DOptionSet 4 00000000",
                                      "ks.get Q3DOptionSet 5 00000000",
                                      "ks.get Q3DDriverSet 5 00000000",
                                      "ks.get Q3DOptionSet 8 00000000",
                                      "ks.get Q3DDriverSet 12 00000000ffffffff",
                                      "ks.get Q3DOptionSet 2 00000000",
                                      "ks.get Q3DOptionSet 3 00000000",
                                      "ks.get Q3DOptionSet 9 0000003f",
                                      "ks.get Q3DOptionSet 10 0000003f",
                                      "ks.get Q3DOptionSet 1 00000000",
                                  }));
    }
    Done();
    EXPECT_EQ(settings.qsound, 1);
    EXPECT_EQ(settings.environmentKind, 0);
    EXPECT_EQ(settings.environmentIndex, -1);
    EXPECT_EQ(settings.spread, 0.5f);
    EXPECT_EQ(settings.center, 0.5f);
    // The driver reports MaxPan 0: off, and the amount stays as it was.
    EXPECT_EQ(settings.maxPanEnabled, 0);
    EXPECT_EQ(settings.maxPan, 1000);
}

TEST_F(Effects3DTest, ReadAsksForExactSizesAndReadsTheLogoBetweenEnvironmentAndOption2) {
    FakeLog log;
    FakePropertySet fake(&log);
    fake.values = {{"option 0", Word(0)},  {"option 4", Word(1)},          {"option 5", Word(2)},
                   {"driver 5", Word(1)},  {"option 8", Word(1)},          {"option 2", Word(7)},
                   {"option 3", Word(1)},  {"option 9", Word(0x3F800000)}, {"option 10", Word(0)},
                   {"option 1", Word(700)}};
    std::vector<BYTE> environment = Word(1);
    for (BYTE b : Word(24))
        environment.push_back(b);
    fake.values["driver 12"] = environment;
    // "splash time" is 5000 only while the logo is read after the
    // environment and before option 2.
    SetReg(RegistryRoot::CurrentUser, kUserKey, "splash time", REG_BINARY, Word(0));
    fake.onGet = [&](const std::string& name) {
        if (name == "driver 12")
            SetReg(RegistryRoot::CurrentUser, kUserKey, "splash time", REG_BINARY, Word(5000));
        if (name == "option 2")
            SetReg(RegistryRoot::CurrentUser, kUserKey, "splash time", REG_BINARY, Word(0));
    };

    Q3DSettings settings;
    settings.Read(&fake);
    EXPECT_EQ(log.calls, (std::vector<std::string>{
                             "get option 0 size 4", "get option 4 size 4", "get option 5 size 4",
                             "get driver 5 size 4", "get option 8 size 4", "get driver 12 size 8",
                             "get option 2 size 4", "get option 3 size 4", "get option 9 size 4",
                             "get option 10 size 4", "get option 1 size 4"}));
    EXPECT_EQ(settings.splashLogo, 1);
    const LONG got[] = {
        settings.qsound,           settings.elevation,       settings.ranging,
        settings.bassBoost,        settings.rateConversion,  settings.environmentKind,
        settings.environmentIndex, settings.optionProperty2, settings.stereoExpand,
        settings.maxPanEnabled,    settings.maxPan};
    const LONG want[] = {0, 1, 2, 1, 1, 1, 24, 7, 1, 1, 700};
    EXPECT_TRUE(std::equal(std::begin(got), std::end(got), std::begin(want)));
    EXPECT_EQ(settings.spread, 1.0f);
    EXPECT_EQ(settings.center, 0.0f);
    EXPECT_EQ(fake.refs, 1u);
}

TEST_F(Effects3DTest, FailedReadsLeaveTheFieldsAsTheyWere) {
    // A device that the driver does not serve answers every Get with a
    // failure.
    Profile("no_q3d", "0");
    Q3DSettings settings;
    settings.qsound = 0;
    settings.ranging = 2;
    settings.environmentKind = 1;
    settings.environmentIndex = 5;
    settings.optionProperty2 = 9;
    settings.spread = 0.25f;
    settings.maxPanEnabled = 1;
    settings.maxPan = 300;
    Open();
    settings.Read(ps_);
    Done();
    EXPECT_EQ(settings.qsound, 0);
    EXPECT_EQ(settings.ranging, 2);
    EXPECT_EQ(settings.environmentKind, 1);
    EXPECT_EQ(settings.environmentIndex, 5);
    EXPECT_EQ(settings.optionProperty2, 9);
    EXPECT_EQ(settings.spread, 0.25f);
    // MaxPan that cannot be read counts as off; the amount is kept.
    EXPECT_EQ(settings.maxPanEnabled, 0);
    EXPECT_EQ(settings.maxPan, 300);
}

TEST_F(Effects3DTest, SplashTimeOfAnyTypeUpToFourBytes) {
    const struct {
        const char* what;
        bool present;
        DWORD type;
        std::vector<BYTE> data;
        LONG splashLogo;
    } cases[] = {
        {"5000", true, REG_BINARY, Word(5000), 1},
        {"a dword", true, REG_DWORD, Word(1), 1},
        {"one byte", true, REG_BINARY, {5}, 1},
        {"a string \"1\"", true, REG_SZ, {'1', 0}, 1},
        {"zero", true, REG_BINARY, Word(0), 0},
        {"five bytes", true, REG_BINARY, {0xD0, 0x07, 0, 0, 0}, 0},
        {"a string of five bytes", true, REG_SZ, {'5', '0', '0', '0', 0}, 0},
        {"missing", false, 0, {}, 0},
    };
    for (const auto& c : cases) {
        machine_->registry().DeleteValue(RegistryRoot::CurrentUser, kUserKey, "splash time");
        if (c.present) SetReg(RegistryRoot::CurrentUser, kUserKey, "splash time", c.type, c.data);
        Q3DSettings settings;
        settings.splashLogo = 1;
        settings.Read(nullptr);
        EXPECT_EQ(settings.splashLogo, c.splashLogo) << c.what;
    }

    // A missing key is not created by reading.
    ASSERT_EQ(machine_->registry().DeleteKey(RegistryRoot::CurrentUser, kUserKey), 0);
    Q3DSettings settings;
    settings.splashLogo = 1;
    Trace trace;
    settings.Read(nullptr);
    EXPECT_EQ(settings.splashLogo, 0);
    EXPECT_TRUE(trace.Events().empty());
    EXPECT_FALSE(machine_->registry().KeyExists(RegistryRoot::CurrentUser, kUserKey));
}

TEST_F(Effects3DTest, WriteSendsAndStoresInItsOrder) {
    Q3DSettings settings;
    settings.qsound = 0;
    settings.elevation = 1;
    settings.ranging = 1;
    settings.bassBoost = 1;
    settings.rateConversion = 1;
    settings.splashLogo = 1;
    settings.environmentKind = 1;
    settings.environmentIndex = 24;
    settings.optionProperty2 = 7;
    settings.stereoExpand = 1;
    settings.spread = 0.5f;
    settings.center = 1.0f;
    settings.maxPanEnabled = 1;
    settings.maxPan = 1000;
    Open();
    {
        Trace trace;
        settings.Write(ps_);
        EXPECT_EQ(
            trace.Events(),
            (std::vector<std::string>{
                "ks.set Q3DOptionSet 0 00000000",     "ks.set Q3DOptionSet 4 01000000",
                "ks.set Q3DOptionSet 5 01000000",     "ks.set Q3DOptionSet 8 01000000",
                "ks.set Q3DDriverSet 5 01000000",     "ks.set Q3DDriverSet 12 0100000018000000",
                "reg.set class QSound 00000000",      "reg.set class Elevation 01000000",
                "reg.set class Ranging 01000000",     "reg.set class RateConversion 01000000",
                "reg.set class Q1BassBoost 01000000", "reg.set user splash time d0070000",
                "ks.set Q3DOptionSet 2 07000000",     "ks.set Q3DOptionSet 3 01000000",
                "ks.set Q3DOptionSet 9 0000003f",     "ks.set Q3DOptionSet 10 0000803f",
                "ks.set Q3DOptionSet 1 e8030000",     "reg.set class StereoExpand 01000000",
                "reg.set class Spread 0000003f",      "reg.set class Center 0000803f",
                "reg.set class MaxPan e8030000",
            }));
        for (const std::string& line : traceLines) {
            if (Field(line, "ev") == "ks.set") {
                EXPECT_EQ(Field(line, "result"), "0") << line;
            }
        }
    }
    // The driver has taken every value: a fresh read gives the record back.
    Done();
    Q3DSettings back = ReadFromDriver();
    back.splashLogo = settings.splashLogo;
    EXPECT_EQ(std::memcmp(&back, &settings, sizeof settings), 0);
}

TEST_F(Effects3DTest, WriteGivesTheOptionInstanceBlockAndNoneToTheDriverSet) {
    FakeLog log;
    FakePropertySet fake(&log);
    Q3DSettings settings;
    settings.Write(&fake);
    const std::string instance = " instance 01" + std::string(70, '0');
    EXPECT_EQ(log.calls, (std::vector<std::string>{
                             "set option 0 01000000" + instance,
                             "set option 4 00000000" + instance,
                             "set option 5 00000000" + instance,
                             "set option 8 00000000" + instance,
                             "set driver 5 00000000",
                             "set driver 12 00000000ffffffff",
                             "set option 2 00000000" + instance,
                             "set option 3 00000000" + instance,
                             "set option 9 00000000" + instance,
                             "set option 10 00000000" + instance,
                             "set option 1 00000000" + instance,
                         }));
    EXPECT_EQ(fake.refs, 1u);
}

TEST_F(Effects3DTest, WriteWithoutPropertySetStoresTheTenValues) {
    Q3DSettings settings;
    settings.spread = 1.0f;
    settings.center = 0.5f;
    Trace trace;
    settings.Write(nullptr);
    EXPECT_EQ(trace.Events(), (std::vector<std::string>{
                                  "reg.set class QSound 01000000",
                                  "reg.set class Elevation 00000000",
                                  "reg.set class Ranging 00000000",
                                  "reg.set class RateConversion 00000000",
                                  "reg.set class Q1BassBoost 00000000",
                                  "reg.set user splash time 00000000",
                                  "reg.set class StereoExpand 00000000",
                                  "reg.set class Spread 0000803f",
                                  "reg.set class Center 0000003f",
                                  "reg.set class MaxPan 00000000",
                              }));
}

TEST_F(Effects3DTest, WriteCreatesMissingKeys) {
    ASSERT_EQ(machine_->registry().DeleteKey(RegistryRoot::LocalMachine, kClassKey), 0);
    ASSERT_EQ(machine_->registry().DeleteKey(RegistryRoot::CurrentUser, "Software\\QSound"), 0);
    Q3DSettings settings;
    settings.splashLogo = 1;
    Trace trace;
    settings.Write(nullptr);
    EXPECT_EQ(trace.Events({"reg.create", "reg.set user"}),
              (std::vector<std::string>{"reg.create class", "reg.create user",
                                        "reg.set user splash time d0070000"}));
    EXPECT_EQ(trace.Events({"reg.set class"}).size(), 9u);
    EXPECT_EQ(ClassValue("QSound"), "01000000");
    EXPECT_EQ(ClassValue("MaxPan"), "00000000");
}

TEST_F(Effects3DTest, SplashTimeIsWrittenWhenTheClassKeyCannotBeCreated) {
    // The disk refuses every save that would add the driver's key.
    ASSERT_EQ(machine_->registry().DeleteKey(RegistryRoot::LocalMachine, kClassKey), 0);
    const std::filesystem::path pending = machine_->Directory() / "registry.reg.tmp";
    machine::Registry::SetSaveHook([pending](machine::RegistrySaveStep step) {
        if (step != machine::RegistrySaveStep::TempWritten) return true;
        std::ifstream file(pending, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        std::string lower = text.str();
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return lower.find("\\class\\q3d]") == std::string::npos;
    });
    HKEY key = nullptr;
    ASSERT_NE(RegCreateKeyA(HKEY_LOCAL_MACHINE, kClassKey, &key), ERROR_SUCCESS);

    for (LONG splashLogo : {1, 0}) {
        Q3DSettings settings;
        settings.splashLogo = splashLogo;
        Open();
        Trace trace;
        settings.Write(ps_);
        EXPECT_EQ(trace.Events({"reg."}),
                  (std::vector<std::string>{std::string("reg.set user splash time ") +
                                            (splashLogo ? "d0070000" : "00000000")}));
        // The driver still gets all eleven values.
        EXPECT_EQ(trace.Events({"ks.set"}).size(), 11u);
        Done();
    }
    EXPECT_FALSE(machine_->registry().KeyExists(RegistryRoot::LocalMachine, kClassKey));
}

TEST_F(Effects3DTest, MaxPanIsZeroWhenOff) {
    const struct {
        DWORD driverMaxPan; // what the driver reports
        LONG enabledAfterRead;
        LONG setEnabled; // then the record is changed to this
        LONG setAmount;
        const char* written; // sent and stored
    } cases[] = {
        {0, 0, 0, 1000, "00000000"}, // off from the driver, whatever the amount
        {0, 0, 0, 250, "00000000"},   {700, 1, 1, 700, "bc020000"}, // on: the amount
        {700, 1, 0, 700, "00000000"},                               // switched off on the page
        {0, 0, 1, 1000, "e8030000"}, // switched on with the amount kept
    };
    for (const auto& c : cases) {
        Open();
        LONG driverValue = static_cast<LONG>(c.driverMaxPan);
        Q3DOptionInstance instance = {{1}};
        ASSERT_EQ(ps_->Set(Q3DOptionSet, 1, &instance, sizeof instance, &driverValue, 4), S_OK);
        Q3DSettings settings;
        settings.Read(ps_);
        EXPECT_EQ(settings.maxPanEnabled, c.enabledAfterRead) << c.driverMaxPan;
        EXPECT_EQ(settings.maxPan, c.driverMaxPan ? LONG(c.driverMaxPan) : 1000);
        settings.maxPanEnabled = c.setEnabled;
        settings.maxPan = c.setAmount;
        Trace trace;
        settings.Write(ps_);
        EXPECT_EQ(trace.Events({"ks.set Q3DOptionSet 1 ", "reg.set class MaxPan"}),
                  (std::vector<std::string>{std::string("ks.set Q3DOptionSet 1 ") + c.written,
                                            std::string("reg.set class MaxPan ") + c.written}))
            << c.setEnabled << " " << c.setAmount;
        Done();
    }
}

TEST_F(Effects3DTest, SpreadAndCenterAreStoredAsTheirFloatBits) {
    const struct {
        float value;
        const char* bytes;
    } cases[] = {{0.5f, "0000003f"}, {1.0f, "0000803f"}, {0.0f, "00000000"}, {0.001f, "6f12833a"}};
    for (const auto& c : cases) {
        Q3DSettings settings;
        settings.spread = c.value;
        settings.center = c.value;
        settings.Write(nullptr);
        EXPECT_EQ(ClassValue("Spread"), c.bytes) << c.value;
        EXPECT_EQ(ClassValue("Center"), c.bytes) << c.value;
    }
}

TEST_F(Effects3DTest, ASwitchValueOfTwoGoesRoundUnchanged) {
    // The driver takes its start values from its key.
    SetReg(RegistryRoot::LocalMachine, kClassKey, "Ranging", REG_BINARY, Word(2));
    SetReg(RegistryRoot::LocalMachine, kClassKey, "Elevation", REG_BINARY, Word(2));
    Open();
    Q3DSettings settings;
    settings.Read(ps_);
    EXPECT_EQ(settings.ranging, 2);
    EXPECT_EQ(settings.elevation, 2);
    SetReg(RegistryRoot::LocalMachine, kClassKey, "Ranging", REG_BINARY, Word(0));
    Trace trace;
    settings.Write(ps_);
    Done();
    EXPECT_EQ(trace.Events({"ks.set Q3DOptionSet 5", "ks.set Q3DOptionSet 4",
                            "reg.set class Ranging", "reg.set class Elevation"}),
              (std::vector<std::string>{
                  "ks.set Q3DOptionSet 4 02000000", "ks.set Q3DOptionSet 5 02000000",
                  "reg.set class Elevation 02000000", "reg.set class Ranging 02000000"}));
}

TEST_F(Effects3DTest, SplashTimeOf5000ReadsAsOnAndIsWrittenBackAs2000) {
    SetReg(RegistryRoot::CurrentUser, kUserKey, "splash time", REG_DWORD, Word(5000));
    Q3DSettings settings = ReadFromDriver();
    EXPECT_EQ(settings.splashLogo, 1);
    settings.Write(nullptr);
    EXPECT_EQ(RegHex(RegistryRoot::CurrentUser, kUserKey, "splash time"), "d0070000");

    // More than 4 bytes: off, and 0 is written back.
    SetReg(RegistryRoot::CurrentUser, kUserKey, "splash time", REG_BINARY, {1, 0, 0, 0, 0, 0});
    settings = ReadFromDriver();
    EXPECT_EQ(settings.splashLogo, 0);
    settings.Write(nullptr);
    EXPECT_EQ(RegHex(RegistryRoot::CurrentUser, kUserKey, "splash time"), "00000000");
}

// --- The device check --------------------------------------------------------

TEST_F(Effects3DTest, DeviceCheckOnEachKindOfDevice) {
    const struct {
        const char* key;
        const char* value;
        HRESULT result;
        std::vector<std::string> events;
    } cases[] = {
        {"",
         "",
         DS_OK,
         {"ds.create 0", "ds.coop 1", "ds.buffer 20", "ks.support Q3DDriverSet 8 01000000"}},
        // Held by another program: passes without any further test.
        {"held", "0", DS_OK, {"ds.create 0"}},
        {"no_q3d",
         "0",
         E_NOTIMPL,
         {"ds.create 0", "ds.coop 1", "ds.buffer 20", "ks.support Q3DDriverSet 8 00000000"}},
        {"no_hardware_3d", "0", DSERR_CONTROLUNAVAIL, {"ds.create 0", "ds.coop 1", "ds.buffer 20"}},
        {"no_property_set", "0", E_NOINTERFACE, {"ds.create 0", "ds.coop 1", "ds.buffer 20"}},
        {"devices", "0", DSERR_NODRIVER, {"ds.create null"}},
    };
    for (const auto& c : cases) {
        if (*c.key) Profile(c.key, c.value);
        Trace trace;
        EXPECT_EQ(CheckQ3DDevice(nullptr, nullptr, window_), c.result) << c.key;
        EXPECT_EQ(trace.Events({"ds.", "ks."}), c.events) << c.key;
        EXPECT_EQ(platform::dsound::CountObjects().live, before_.live) << c.key;
        if (*c.key) Profile(c.key, std::string(c.key) == "devices" ? "1" : "");
    }
    // The level's failure does not matter.
    EXPECT_EQ(CheckQ3DDevice(nullptr, nullptr, nullptr), DS_OK);
}

TEST_F(Effects3DTest, DeviceCheckChecksTheDeviceItIsGiven) {
    Profile("devices", "2");
    Profile("no_q3d", "0");
    const std::vector<GUID> guids = DeviceGuids();
    ASSERT_EQ(guids.size(), 2u);
    EXPECT_EQ(CheckQ3DDevice(&guids[0], nullptr, window_), E_NOTIMPL);
    EXPECT_EQ(CheckQ3DDevice(&guids[1], nullptr, window_), DS_OK);
}

TEST_F(Effects3DTest, DeviceCheckReleasesPropertySetThenBufferThenDirectSound) {
    const struct {
        const char* what;
        bool hasBuffer;
        bool hasPropertySet;
        HRESULT supportResult;
        ULONG supportMask;
        HRESULT result;
        std::vector<std::string> tail; // the calls after the level
    } cases[] = {
        {"passes",
         true,
         true,
         S_OK,
         KSPROPERTY_SUPPORT_GET,
         DS_OK,
         {"create buffer", "query interface", "support driver 8", "release property set",
          "release buffer", "release directsound"}},
        {"supports nothing",
         true,
         true,
         S_OK,
         0,
         E_NOTIMPL,
         {"create buffer", "query interface", "support driver 8", "release property set",
          "release buffer", "release directsound"}},
        {"support fails",
         true,
         true,
         E_PROP_SET_UNSUPPORTED,
         0,
         E_PROP_SET_UNSUPPORTED,
         {"create buffer", "query interface", "support driver 8", "release property set",
          "release buffer", "release directsound"}},
        {"no property set",
         true,
         false,
         S_OK,
         0,
         E_NOINTERFACE,
         {"create buffer", "query interface", "release buffer", "release directsound"}},
        {"no buffer",
         false,
         false,
         S_OK,
         0,
         DSERR_CONTROLUNAVAIL,
         {"create buffer", "release directsound"}},
    };
    for (const auto& c : cases) {
        FakeLog log;
        FakePropertySet propertySet(&log);
        propertySet.supportResult = c.supportResult;
        propertySet.supportMask = c.supportMask;
        FakeBuffer buffer(&log, c.hasPropertySet ? &propertySet : nullptr);
        FakeDirectSound sound(&log, c.hasBuffer ? &buffer : nullptr);
        // The caller's reference on the given object stays its own.
        EXPECT_EQ(CheckQ3DDevice(nullptr, &sound, window_), c.result) << c.what;
        std::vector<std::string> expected = {"addref directsound", "level 1"};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(log.calls, expected) << c.what;
        EXPECT_EQ(sound.refs, 1u) << c.what;
        // The buffer's creation reference is gone; what the query added is
        // taken back.
        EXPECT_EQ(buffer.refs, c.hasBuffer ? 0u : 1u) << c.what;
        EXPECT_EQ(propertySet.refs, 1u) << c.what;
    }
}

TEST_F(Effects3DTest, TheProbeBufferIsAMonoHardware3DBuffer) {
    FakeLog log;
    FakePropertySet propertySet(&log);
    FakeBuffer buffer(&log, &propertySet);
    FakeDirectSound sound(&log, &buffer);
    ASSERT_EQ(CheckQ3DDevice(nullptr, &sound, window_), DS_OK);
    EXPECT_EQ(Hex(&sound.lastDesc, 16), "14000000"
                                        "14000000"
                                        "00040000"
                                        "00000000");
    EXPECT_EQ(Hex(&sound.lastFormat, sizeof sound.lastFormat), "0100"
                                                               "0100"
                                                               "22560000"
                                                               "44ac0000"
                                                               "0200"
                                                               "1000"
                                                               "0000");
}

// --- The probe -----------------------------------------------------------------

TEST_F(Effects3DTest, ProbeHandsOutBothObjectsOnTheDeviceGiven) {
    // No device passes the check: the probe runs on the default device.
    Profile("devices", "2");
    Profile("no_q3d", "0,1");
    const std::vector<GUID> guids = DeviceGuids();
    ASSERT_EQ(guids.size(), 2u);
    for (const GUID& guid : guids)
        EXPECT_LT(CheckQ3DDevice(&guid, nullptr, window_), 0);
    {
        Trace trace;
        ASSERT_EQ(ProbeDirectSound3D(nullptr, window_, &ds_, &ps_), DS_OK);
        EXPECT_EQ(trace.Events({"ds."}),
                  (std::vector<std::string>{"ds.create 0", "ds.coop 1", "ds.buffer 20"}));
        EXPECT_EQ(Field(traceLines.front(), "value"), "null");
    }
    ASSERT_NE(ds_, nullptr);
    ASSERT_NE(ps_, nullptr);
    // One reference each, for the caller; the buffer lives on in the
    // property set.
    EXPECT_EQ(platform::dsound::CountObjects().live, before_.live + 2);
    EXPECT_EQ(ds_->AddRef(), 2u);
    EXPECT_EQ(ds_->Release(), 1u);
    EXPECT_EQ(ps_->AddRef(), 2u);
    EXPECT_EQ(ps_->Release(), 1u);
    Done();

    // A device named by its GUID.
    Trace trace;
    ASSERT_EQ(ProbeDirectSound3D(&guids[1], window_, &ds_, &ps_), DS_OK);
    EXPECT_EQ(trace.Events({"ds.create"}), std::vector<std::string>{"ds.create 1"});
    Done();
}

TEST_F(Effects3DTest, AFailingProbeStepLeavesNothingOpen) {
    const struct {
        const char* key;
        const char* value;
        bool window;
        HRESULT result;
        const char* lastEvent;
    } cases[] = {
        {"held", "0", true, DSERR_ALLOCATED, "ds.create 0"},
        {"devices", "0", true, DSERR_NODRIVER, "ds.create null"},
        {"", "", false, DSERR_INVALIDPARAM, "ds.coop 1"},
        {"no_hardware_3d", "0", true, DSERR_CONTROLUNAVAIL, "ds.buffer 20"},
        {"no_property_set", "0", true, E_NOINTERFACE, "ds.buffer 20"},
    };
    for (const auto& c : cases) {
        if (*c.key) Profile(c.key, c.value);
        IDirectSound* ds = reinterpret_cast<IDirectSound*>(1);
        IKsPropertySet* ps = reinterpret_cast<IKsPropertySet*>(1);
        Trace trace;
        EXPECT_EQ(ProbeDirectSound3D(nullptr, c.window ? window_ : nullptr, &ds, &ps), c.result)
            << c.key;
        EXPECT_EQ(ds, nullptr) << c.key;
        EXPECT_EQ(ps, nullptr) << c.key;
        const std::vector<std::string> events = trace.Events({"ds.", "ks."});
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back(), c.lastEvent) << c.key;
        EXPECT_EQ(platform::dsound::CountObjects().live, before_.live) << c.key;
        if (*c.key) Profile(c.key, std::string(c.key) == "devices" ? "1" : "");
    }
}

// --- The speaker arrangement ---------------------------------------------------

TEST_F(Effects3DTest, SpeakerCodesMapToConfigurations) {
    ASSERT_EQ(GetActiveWindow(), window_);
    const struct {
        int code;
        DWORD config;
    } cases[] = {{1, DSSPEAKER_HEADPHONE}, {2, DSSPEAKER_STEREO},  {3, DSSPEAKER_STEREO},
                 {4, DSSPEAKER_QUAD},      {5, DSSPEAKER_STEREO},  {6, DSSPEAKER_QUAD},
                 {0, DSSPEAKER_STEREO},    {-1, DSSPEAKER_STEREO}, {7, DSSPEAKER_STEREO}};
    for (const auto& c : cases) {
        const std::string word = Hex(Word(c.config).data(), 4);
        Trace trace;
        EXPECT_EQ(ApplySpeakerConfig(c.code), DS_OK) << c.code;
        // The driver's key first, then DirectSound's default device.
        EXPECT_EQ(
            trace.Events({"reg.", "ds.", "debug"}),
            (std::vector<std::string>{"reg.set class SpeakerConfig " + word, "ds.create 0",
                                      "ds.coop 1", "ds.speakerconfig " + std::to_string(c.config)}))
            << c.code;
        EXPECT_EQ(ClassValue("SpeakerConfig"), word) << c.code;
        EXPECT_EQ(machine::GetSpeakerConfig(*machine_), c.config) << c.code;
    }
}

TEST_F(Effects3DTest, SpeakerConfigIsStoredWhenDirectSoundFails) {
    // No DirectSound device at all.
    Profile("devices", "0");
    {
        Trace trace;
        EXPECT_EQ(ApplySpeakerConfig(4), DSERR_NODRIVER);
        EXPECT_EQ(trace.Events({"reg.", "ds.", "debug"}),
                  (std::vector<std::string>{"reg.set class SpeakerConfig 03000000",
                                            "ds.create null", "debug DirectSoundCreate error"}));
    }
    Profile("devices", "1");

    // No active window to set the level for.
    SetReg(RegistryRoot::LocalMachine, kClassKey, "SpeakerConfig", REG_BINARY, Word(4));
    DestroyWindow(window_);
    window_ = nullptr;
    ASSERT_EQ(GetActiveWindow(), nullptr);
    {
        Trace trace;
        EXPECT_EQ(ApplySpeakerConfig(1), DSERR_INVALIDPARAM);
        EXPECT_EQ(trace.Events({"reg.", "ds.", "debug"}),
                  (std::vector<std::string>{"reg.set class SpeakerConfig 01000000", "ds.create 0",
                                            "ds.coop 1", "debug SetCooperativeLevel error"}));
    }
    EXPECT_EQ(machine::GetSpeakerConfig(*machine_), DWORD{DSSPEAKER_STEREO});

    // The driver's key missing: it is created.
    ASSERT_EQ(machine_->registry().DeleteKey(RegistryRoot::LocalMachine, kClassKey), 0);
    window_ = CreateRecordingParent();
    SetActiveWindow(window_);
    EXPECT_EQ(ApplySpeakerConfig(6), DS_OK);
    EXPECT_EQ(ClassValue("SpeakerConfig"), "03000000");
}

} // namespace
