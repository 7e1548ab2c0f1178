// DirectSound over the machine's devices: enumeration, the 3D probe with
// its property-set interface and where each profile variant makes it fail,
// the 3D driver's live values, and the speaker configuration. Every test
// ends with each COM object released exactly once.
#include <windows.h>
#include <dsound.h>

#include "test_machine.h"
#include "test_windows.h"

#include "dsound/com_objects.h"
#include "host/trace.h"
#include "q3d_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) { traceLines.push_back(line); }

const GUID kOptionSet = machine::kQ3DOptionSet;
const GUID kDriverSet = machine::kQ3DDriverSet;

WAVEFORMATEX kMono16{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
const DSBUFFERDESC kProbeDesc{sizeof(DSBUFFERDESC), DSBCAPS_CTRL3D | DSBCAPS_LOCHARDWARE, 1024, 0,
                              &kMono16};

struct Entry {
    bool hasGuid;
    GUID guid;
    std::string description;
};
BOOL CALLBACK Collect(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) {
    auto* list = static_cast<std::vector<Entry>*>(context);
    list->push_back({guid != nullptr, guid ? *guid : GUID{}, description});
    return TRUE;
}
BOOL CALLBACK StopAfterTwo(LPGUID, LPCSTR, LPCSTR, LPVOID context) {
    return ++*static_cast<int*>(context) < 2;
}

class DirectSoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        before_ = platform::dsound::CountObjects();
        window_ = CreateRecordingParent();
    }
    void TearDown() override {
        const auto after = platform::dsound::CountObjects();
        EXPECT_EQ(after.live, before_.live) << "objects left unreleased";
        EXPECT_EQ(after.misuse, before_.misuse) << "objects released too often";
        DestroyWindow(window_);
    }
    void Profile(const char* key, const char* value) {
        std::string error;
        ASSERT_TRUE(machine_->settings().Set("dsound", key, value, &error)) << error;
    }

    // The control panel's probe: the step that failed (0 = none) and its result.
    struct Probe {
        int failedStep = 0;
        HRESULT hr = DS_OK;
        IDirectSound* ds = nullptr;
        IKsPropertySet* ps = nullptr;
    };
    Probe RunProbe(const GUID* device = nullptr) {
        Probe p;
        IDirectSoundBuffer* buffer = nullptr;
        if (FAILED(p.hr = DirectSoundCreate(device, &p.ds, nullptr))) {
            p.failedStep = 1;
            return p;
        }
        if (FAILED(p.hr = p.ds->SetCooperativeLevel(window_, DSSCL_NORMAL))) p.failedStep = 2;
        else if (FAILED(p.hr = p.ds->CreateSoundBuffer(&kProbeDesc, &buffer, nullptr)))
            p.failedStep = 3;
        else if (FAILED(p.hr = buffer->QueryInterface(IID_IKsPropertySet,
                                                      reinterpret_cast<void**>(&p.ps))))
            p.failedStep = 4;
        if (buffer != nullptr) {
            EXPECT_EQ(buffer->Release(), p.ps ? 1u : 0u);
        }
        if (p.failedStep) {
            EXPECT_EQ(p.ds->Release(), 0u);
            p.ds = nullptr;
        }
        return p;
    }
    void Done(Probe& p) {
        if (p.ps != nullptr) {
            EXPECT_EQ(p.ps->Release(), 0u);
        }
        if (p.ds != nullptr) {
            EXPECT_EQ(p.ds->Release(), 0u);
        }
    }
    template <class T> HRESULT Get(IKsPropertySet* ps, const GUID& set, ULONG id, T* value) {
        ULONG got = 0;
        HRESULT hr = ps->Get(set, id, nullptr, 0, value, sizeof *value, &got);
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(got, sizeof *value);
        }
        return hr;
    }
    template <class T> HRESULT Put(IKsPropertySet* ps, const GUID& set, ULONG id, T value) {
        DWORD instance[9] = {1};
        return ps->Set(set, id, instance, sizeof instance, &value, sizeof value);
    }

    TempMachine machine_;
    platform::dsound::ObjectCounts before_;
    HWND window_ = nullptr;
};

TEST_F(DirectSoundTest, EnumerationListsThePrimaryDeviceFirst) {
    Profile("devices", "3");
    std::vector<Entry> entries;
    ASSERT_EQ(DirectSoundEnumerateA(Collect, &entries), DS_OK);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_FALSE(entries[0].hasGuid);
    EXPECT_EQ(entries[0].description, "Primary Sound Driver");
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_TRUE(entries[i].hasGuid);
        for (size_t j = 1; j < i; ++j) EXPECT_FALSE(entries[i].guid == entries[j].guid);
    }

    // FALSE from the callback ends the list.
    int calls = 0;
    ASSERT_EQ(DirectSoundEnumerateA(StopAfterTwo, &calls), DS_OK);
    EXPECT_EQ(calls, 2);

    // The device named by its GUID is the one that answers: only device 2
    // is served by the 3D driver here, and the default device is device 0.
    Profile("no_q3d", "0,1");
    for (size_t i : {0u, 3u}) {
        Probe p = RunProbe(i == 0 ? nullptr : &entries[i].guid);
        ASSERT_EQ(p.failedStep, 0) << i;
        ULONG support = 99;
        ASSERT_EQ(p.ps->QuerySupport(kDriverSet, 8, &support), S_OK);
        EXPECT_EQ(support != 0, i == 3) << i;
        Done(p);
    }
}

TEST_F(DirectSoundTest, ProbeSucceedsOnTheCard) {
    Probe p = RunProbe();
    ASSERT_EQ(p.failedStep, 0) << std::hex << p.hr;
    ULONG support = 0;
    ASSERT_EQ(p.ps->QuerySupport(kDriverSet, 8, &support), S_OK);
    EXPECT_EQ(support, static_cast<ULONG>(KSPROPERTY_SUPPORT_GET));
    ASSERT_EQ(p.ps->QuerySupport(kOptionSet, 5, &support), S_OK);
    EXPECT_EQ(support, static_cast<ULONG>(KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET));
    EXPECT_EQ(p.ps->QuerySupport(kOptionSet, 77, &support), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(p.ps->QuerySupport(IID_IUnknown, 0, &support), E_PROP_SET_UNSUPPORTED);
    // Counts as COM gives them; the property set keeps the buffer alive.
    EXPECT_EQ(p.ds->AddRef(), 2u);
    EXPECT_EQ(p.ds->Release(), 1u);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(p.ps->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    Done(p);
}

TEST_F(DirectSoundTest, EachProfileVariantFailsWhereItShould) {
    const struct {
        const char* key;
        const char* value;
        int failedStep;
        HRESULT hr;
    } cases[] = {
        {"held", "0", 1, DSERR_ALLOCATED},
        {"devices", "0", 1, DSERR_NODRIVER},
        {"no_hardware_3d", "0", 3, DSERR_CONTROLUNAVAIL},
        {"no_property_set", "0", 4, E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        Profile(c.key, c.value);
        Probe p = RunProbe();
        EXPECT_EQ(p.failedStep, c.failedStep) << c.key;
        EXPECT_EQ(p.hr, c.hr) << c.key;
        EXPECT_EQ(p.ds, nullptr);
        Done(p);
        Profile(c.key, c.key == std::string("devices") ? "1" : "");
    }
    // Not served by the 3D driver: the device answers, but supports nothing.
    Profile("no_q3d", "0");
    Probe p = RunProbe();
    ASSERT_EQ(p.failedStep, 0);
    ULONG support = 99;
    ASSERT_EQ(p.ps->QuerySupport(kDriverSet, 8, &support), S_OK);
    EXPECT_EQ(support, 0u);
    LONG value;
    EXPECT_EQ(Get(p.ps, kOptionSet, 0, &value), E_PROP_ID_UNSUPPORTED);
    Done(p);
}

TEST_F(DirectSoundTest, PropertiesMakeARoundTrip) {
    // The driver starts from its registry values; 2 for a switch stays 2.
    machine::RegistryValue ranging{"Ranging", 3, {2, 0, 0, 0}};
    ASSERT_EQ(machine_->registry().SetValue(machine::RegistryRoot::LocalMachine,
                                            "System\\CurrentControlSet\\Services\\Class\\Q3D",
                                            ranging),
              0);
    Probe p = RunProbe();
    ASSERT_EQ(p.failedStep, 0);
    LONG value = 0;
    ASSERT_EQ(Get(p.ps, kOptionSet, 5, &value), S_OK);
    EXPECT_EQ(value, 2);
    ASSERT_EQ(Get(p.ps, kOptionSet, 0, &value), S_OK);
    EXPECT_EQ(value, 1);
    float spread = 0;
    ASSERT_EQ(Get(p.ps, kOptionSet, 9, &spread), S_OK);
    EXPECT_EQ(spread, 0.5f);
    LONG environment[2] = {};
    ASSERT_EQ(Get(p.ps, kDriverSet, 12, &environment), S_OK);
    EXPECT_EQ(environment[0], 0);
    EXPECT_EQ(environment[1], -1);

    ASSERT_EQ(Put(p.ps, kOptionSet, 4, LONG{5}), S_OK);
    traceLines.clear();
    platform::SetTraceSink(CollectTrace);
    ASSERT_EQ(Put(p.ps, kOptionSet, 10, 0.125f), S_OK);
    platform::SetTraceSink(nullptr);
    ASSERT_EQ(traceLines.size(), 1u);
    EXPECT_NE(traceLines[0].find(
                  R"("ev": "ks.set", "set": "Q3DOptionSet", "id": 10, "data": "0000003e", "result": 0})"),
              std::string::npos)
        << traceLines[0];
    const LONG preset[2] = {1, 24};
    ASSERT_EQ(p.ps->Set(kDriverSet, 12, nullptr, 0, const_cast<LONG*>(preset), sizeof preset), S_OK);
    // The wrong size, a read-only property and one that does not exist.
    EXPECT_EQ(Put(p.ps, kDriverSet, 12, LONG{1}), DSERR_INVALIDPARAM);
    EXPECT_EQ(p.ps->Get(kDriverSet, 12, nullptr, 0, &value, sizeof value, nullptr),
              DSERR_INVALIDPARAM);
    EXPECT_EQ(Put(p.ps, kDriverSet, 8, LONG{1}), DSERR_UNSUPPORTED);
    EXPECT_EQ(Put(p.ps, kOptionSet, 6, LONG{1}), E_PROP_ID_UNSUPPORTED);
    Done(p);

    // The values live on for the machine; the registry is not read again.
    ranging.data = {0, 0, 0, 0};
    machine_->registry().SetValue(machine::RegistryRoot::LocalMachine,
                                  "System\\CurrentControlSet\\Services\\Class\\Q3D", ranging);
    Probe q = RunProbe();
    ASSERT_EQ(q.failedStep, 0);
    ASSERT_EQ(Get(q.ps, kOptionSet, 5, &value), S_OK);
    EXPECT_EQ(value, 2);
    ASSERT_EQ(Get(q.ps, kOptionSet, 4, &value), S_OK);
    EXPECT_EQ(value, 5);
    float center = 0;
    ASSERT_EQ(Get(q.ps, kOptionSet, 10, &center), S_OK);
    EXPECT_EQ(center, 0.125f);
    ASSERT_EQ(Get(q.ps, kDriverSet, 12, &environment), S_OK);
    EXPECT_EQ(environment[0], 1);
    EXPECT_EQ(environment[1], 24);
    Done(q);
}

TEST_F(DirectSoundTest, SpeakerConfigurationLastsForTheMachine) {
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    DWORD config = 0;
    ASSERT_EQ(ds->GetSpeakerConfig(&config), DS_OK);
    EXPECT_EQ(config, static_cast<DWORD>(DSSPEAKER_STEREO));
    EXPECT_EQ(ds->SetSpeakerConfig(DSSPEAKER_QUAD), DS_OK);
    for (DWORD bad : {0ul, 7ul, DSSPEAKER_COMBINED(DSSPEAKER_QUAD, DSSPEAKER_GEOMETRY_WIDE)})
        EXPECT_EQ(ds->SetSpeakerConfig(bad), DSERR_INVALIDPARAM) << bad;
    EXPECT_EQ(ds->Release(), 0u);

    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    ASSERT_EQ(ds->GetSpeakerConfig(&config), DS_OK);
    EXPECT_EQ(config, static_cast<DWORD>(DSSPEAKER_QUAD));
    // The co-operative level needs a real window and a known level.
    EXPECT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
    EXPECT_EQ(ds->SetCooperativeLevel(window_, 9), DSERR_INVALIDPARAM);
    EXPECT_EQ(ds->Release(), 0u);
}

TEST_F(DirectSoundTest, BuffersCheckTheirDescription) {
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    WAVEFORMATEX stereo{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
    WAVEFORMATEX lying{WAVE_FORMAT_PCM, 1, 22050, 44100, 4, 16, 0};
    const struct {
        DSBUFFERDESC desc;
        HRESULT hr;
    } cases[] = {
        {{16, DSBCAPS_CTRL3D, 1024, 0, &kMono16}, DSERR_INVALIDPARAM},
        {{sizeof(DSBUFFERDESC), DSBCAPS_CTRL3D, 1024, 0, &stereo}, DSERR_INVALIDPARAM},
        {{sizeof(DSBUFFERDESC), 0, 1024, 0, &lying}, DSERR_BADFORMAT},
        {{sizeof(DSBUFFERDESC), 0, 2, 0, &kMono16}, DSERR_INVALIDPARAM},
        {{sizeof(DSBUFFERDESC), DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE, 1024, 0, &kMono16},
         DSERR_INVALIDPARAM},
    };
    for (const auto& c : cases) {
        IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(1);
        EXPECT_EQ(ds->CreateSoundBuffer(&c.desc, &buffer, nullptr), c.hr);
        EXPECT_EQ(buffer, nullptr);
    }
    // A software 3D buffer has no driver property sets.
    DSBUFFERDESC software = kProbeDesc;
    software.dwFlags = DSBCAPS_CTRL3D | DSBCAPS_LOCSOFTWARE;
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&software, &buffer, nullptr), DS_OK);
    IKsPropertySet* ps = reinterpret_cast<IKsPropertySet*>(1);
    EXPECT_EQ(buffer->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&ps)),
              E_NOINTERFACE);
    EXPECT_EQ(ps, nullptr);
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(ds->Release(), 0u);
}

TEST(DirectSoundBookkeeping, AStaleReleaseIsCounted) {
    TempMachine machine;
    const auto before = platform::dsound::CountObjects();
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    EXPECT_EQ(platform::dsound::CountObjects().live, before.live + 1);
    EXPECT_EQ(ds->Release(), 0u);
    EXPECT_EQ(ds->Release(), 0u);
    const auto after = platform::dsound::CountObjects();
    EXPECT_EQ(after.live, before.live);
    EXPECT_EQ(after.misuse, before.misuse + 1);
}

} // namespace
