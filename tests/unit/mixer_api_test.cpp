// The mixer API over the machine's mixer devices: the card's default lines,
// details for uniform, per-channel and multiple controls, change
// notifications in this process and another, and the profile's variants.
#include "test_machine.h"
#include "test_windows.h"

#include "host/trace.h"
#include "mmsystem/mixer_command.h"
#include "user/process.h"

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) { traceLines.push_back(line); }

HMIXEROBJ Obj(HMIXER h) { return reinterpret_cast<HMIXEROBJ>(h); }

MIXERLINEA LineAt(HMIXER h, DWORD dest, DWORD source, DWORD flags) {
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwDestination = dest;
    line.dwSource = source;
    EXPECT_EQ(mixerGetLineInfoA(Obj(h), &line, flags), MMSYSERR_NOERROR);
    return line;
}

std::vector<MIXERCONTROLA> Controls(HMIXER h, const MIXERLINEA& line) {
    std::vector<MIXERCONTROLA> controls(line.cControls);
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = line.dwLineID;
    lc.cControls = line.cControls;
    lc.cbmxctrl = sizeof(MIXERCONTROLA);
    lc.pamxctrl = controls.data();
    EXPECT_EQ(mixerGetLineControlsA(Obj(h), &lc, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    return controls;
}

MMRESULT GetValues(HMIXER h, DWORD control, DWORD channels, DWORD items,
                   std::vector<DWORD>* values) {
    values->assign(channels * (items ? items : 1), 0xDEADBEEF);
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = control;
    d.cChannels = channels;
    d.cMultipleItems = items;
    d.cbDetails = sizeof(DWORD);
    d.paDetails = values->data();
    return mixerGetControlDetailsA(Obj(h), &d, MIXER_GETCONTROLDETAILSF_VALUE);
}

MMRESULT SetValues(HMIXER h, DWORD control, DWORD channels, DWORD items,
                   std::vector<DWORD> values) {
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = control;
    d.cChannels = channels;
    d.cMultipleItems = items;
    d.cbDetails = sizeof(DWORD);
    d.paDetails = values.data();
    return mixerSetControlDetails(Obj(h), &d, MIXER_SETCONTROLDETAILSF_VALUE);
}

// The control panel's line search: a source of type S on the first
// destination of type D (line id I on a wave-in destination, 0 = any); an
// auxiliary source elsewhere only above the last wave-output line before it.
constexpr DWORD kAuxiliary = 0x100A;
bool FindLine(HMIXER h, DWORD s, DWORD d, DWORD id, MIXERLINEA* line) {
    MIXERCAPSA caps{};
    if (mixerGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR) return false;
    for (DWORD dest = 0; dest < caps.cDestinations; ++dest) {
        *line = LineAt(h, dest, 0, MIXER_GETLINEINFOF_DESTINATION);
        if (line->dwComponentType != d) continue;
        if (s == d) return true;
        DWORD wave = 0xFFFFFFFF;
        const DWORD sources = line->cConnections;
        for (DWORD src = 0; src < sources; ++src) {
            *line = LineAt(h, dest, src, MIXER_GETLINEINFOF_SOURCE);
            if (line->dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT) wave = line->dwLineID;
            if (line->dwComponentType != s) continue;
            if (d == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) {
                if (id == 0 || id == line->dwLineID) return true;
            } else if (s != kAuxiliary || line->dwLineID > wave) {
                return true;
            }
        }
    }
    return false;
}

struct Row {
    DWORD source, destination, lineId;
    const char* name;
};
const Row kPlaybackRows[] = {
    {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, "Master"},
    {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, "Wave"},
    {MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, "Synthesizer"},
    {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, "CD Audio"},
    {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, "Microphone"},
    {kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, "Line In"},
};
const Row kRecordRows[] = {
    {kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0x00020001, "Stereo Mix"},
    {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0, "Microphone"},
    {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0, "CD Audio"},
    {kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0x00010001, "Line In"},
};

class MixerTest : public ::testing::Test {
  protected:
    void SetUp() override { Received().clear(); }
    void TearDown() override {
        for (HMIXER h : open_) mixerClose(h);
        for (HWND w : windows_) DestroyWindow(w);
    }
    void Set(const char* key, const char* value) {
        std::string error;
        ASSERT_TRUE(machine_->settings().Set("mixer", key, value, &error)) << error;
    }
    HMIXER Open(UINT device = 0, HWND window = nullptr) {
        HMIXER h = nullptr;
        EXPECT_EQ(mixerOpen(&h, device, reinterpret_cast<DWORD_PTR>(window), 0,
                            window ? CALLBACK_WINDOW : CALLBACK_NULL),
                  MMSYSERR_NOERROR);
        if (h) open_.push_back(h);
        return h;
    }
    HWND Window() {
        HWND w = CreateRecordingParent();
        windows_.push_back(w);
        return w;
    }
    // The control of `kind` on the line with `path`, found through the API.
    MIXERCONTROLA ControlOf(HMIXER h, const MIXERLINEA& line, DWORD type) {
        for (const MIXERCONTROLA& c : Controls(h, line))
            if (c.dwControlType == type) return c;
        ADD_FAILURE() << "no control of type " << type << " on " << line.szName;
        return {};
    }

    TempMachine machine_;
    std::vector<HMIXER> open_;
    std::vector<HWND> windows_;
};

TEST_F(MixerTest, CardMixerHasTheLinesThePanelLooksFor) {
    ASSERT_EQ(mixerGetNumDevs(), 1u);
    MIXERCAPSA caps{};
    ASSERT_EQ(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_EQ(caps.wMid, 0x013E);
    EXPECT_EQ(caps.cDestinations, 2u);
    HMIXER h = Open();
    UINT id = 99;
    EXPECT_EQ(mixerGetID(Obj(h), &id, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
    EXPECT_EQ(id, 0u);

    for (const Row& row : kPlaybackRows) {
        MIXERLINEA line{};
        ASSERT_TRUE(FindLine(h, row.source, row.destination, row.lineId, &line)) << row.name;
        EXPECT_STREQ(line.szName, row.name);
        EXPECT_EQ(line.cChannels, 2u);
        std::vector<MIXERCONTROLA> controls = Controls(h, line);
        ASSERT_GE(controls.size(), 2u);
        EXPECT_EQ(controls[0].dwControlType, static_cast<DWORD>(MIXERCONTROL_CONTROLTYPE_VOLUME));
        EXPECT_EQ(controls[0].Bounds.dwMaximum, 65535u);
        EXPECT_EQ(controls[1].dwControlType, static_cast<DWORD>(MIXERCONTROL_CONTROLTYPE_MUTE));
        EXPECT_EQ(controls[1].fdwControl, static_cast<DWORD>(MIXERCONTROL_CONTROLF_UNIFORM));
    }
    for (const Row& row : kRecordRows) {
        MIXERLINEA line{};
        ASSERT_TRUE(FindLine(h, row.source, row.destination, row.lineId, &line)) << row.name;
        EXPECT_STREQ(line.szName, row.name);
        if (row.lineId != 0) {
            EXPECT_EQ(line.dwLineID, row.lineId);
        }
    }
    // The multiplexer of the wave-in destination names its sources.
    MIXERLINEA wavein = LineAt(h, 1, 0, MIXER_GETLINEINFOF_DESTINATION);
    MIXERCONTROLA mux = ControlOf(h, wavein, MIXERCONTROL_CONTROLTYPE_MUX);
    ASSERT_EQ(mux.cMultipleItems, 4u);
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(4);
    MIXERCONTROLDETAILS d{sizeof d, mux.dwControlID, 1, {}, sizeof texts[0], texts.data()};
    d.cMultipleItems = 4;
    ASSERT_EQ(mixerGetControlDetailsA(Obj(h), &d, MIXER_GETCONTROLDETAILSF_LISTTEXT),
              MMSYSERR_NOERROR);
    const char* names[] = {"Stereo Mix", "Microphone", "CD Audio", "Line In"};
    for (DWORD i = 0; i < 4; ++i) {
        EXPECT_STREQ(texts[i].szName, names[i]);
        EXPECT_EQ(texts[i].dwParam1, LineAt(h, 1, i, MIXER_GETLINEINFOF_SOURCE).dwLineID);
    }
}

TEST_F(MixerTest, UniformPerChannelAndMultipleDetails) {
    HMIXER h = Open();
    const MIXERLINEA wave = LineAt(h, 0, 0, MIXER_GETLINEINFOF_SOURCE);
    const std::vector<MIXERCONTROLA> c = Controls(h, wave);
    const DWORD volume = c[0].dwControlID, mute = c[1].dwControlID;
    std::vector<DWORD> v;

    // Per channel: each channel on its own; one channel reads the first and
    // sets them all.
    ASSERT_EQ(SetValues(h, volume, 2, 0, {1000, 2000}), MMSYSERR_NOERROR);
    ASSERT_EQ(GetValues(h, volume, 2, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{1000, 2000}));
    ASSERT_EQ(GetValues(h, volume, 1, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{1000}));
    ASSERT_EQ(SetValues(h, volume, 1, 0, {3000}), MMSYSERR_NOERROR);
    ASSERT_EQ(GetValues(h, volume, 2, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{3000, 3000}));

    // Uniform: one value for the line; any non-zero switch is on.
    ASSERT_EQ(SetValues(h, mute, 1, 0, {0xFFFFFFFF}), MMSYSERR_NOERROR);
    ASSERT_EQ(GetValues(h, mute, 2, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{1, 1}));

    // Requests that do not fit the line are refused and change nothing.
    EXPECT_EQ(GetValues(h, volume, 3, 0, &v), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(GetValues(h, volume, 0, 0, &v), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(SetValues(h, volume, 2, 0, {65536, 0}), static_cast<MMRESULT>(MIXERR_INVALVALUE));
    EXPECT_EQ(GetValues(h, 9999, 1, 0, &v), static_cast<MMRESULT>(MIXERR_INVALCONTROL));
    ASSERT_EQ(GetValues(h, volume, 2, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{3000, 3000}));

    // The multiplexer: one value per item, exactly one selected.
    const MIXERLINEA wavein = LineAt(h, 1, 0, MIXER_GETLINEINFOF_DESTINATION);
    const DWORD mux = ControlOf(h, wavein, MIXERCONTROL_CONTROLTYPE_MUX).dwControlID;
    ASSERT_EQ(GetValues(h, mux, 1, 4, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{0, 1, 0, 0})) << "the microphone records at first";
    ASSERT_EQ(SetValues(h, mux, 1, 4, {0, 0, 0, 1}), MMSYSERR_NOERROR);
    ASSERT_EQ(GetValues(h, mux, 1, 4, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{0, 0, 0, 1}));
    EXPECT_EQ(SetValues(h, mux, 1, 4, {0, 0, 0, 0}), static_cast<MMRESULT>(MIXERR_INVALVALUE));
    EXPECT_EQ(SetValues(h, mux, 1, 4, {1, 0, 0, 1}), static_cast<MMRESULT>(MIXERR_INVALVALUE));
    EXPECT_EQ(GetValues(h, mux, 1, 3, &v), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(MixerTest, BadHandlesLinesAndStructures) {
    MIXERCAPSA caps{};
    EXPECT_EQ(mixerGetDevCapsA(1, &caps, sizeof caps), static_cast<MMRESULT>(MMSYSERR_BADDEVICEID));
    HMIXER h = nullptr;
    EXPECT_EQ(mixerOpen(&h, 0, 0x1234, 0, CALLBACK_WINDOW), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(h, nullptr);
    h = Open();
    MIXERLINEA line{};
    line.cbStruct = sizeof line - 1;
    EXPECT_EQ(mixerGetLineInfoA(Obj(h), &line, MIXER_GETLINEINFOF_DESTINATION),
              static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
    line.cbStruct = sizeof line;
    line.dwDestination = 2;
    EXPECT_EQ(mixerGetLineInfoA(Obj(h), &line, MIXER_GETLINEINFOF_DESTINATION),
              static_cast<MMRESULT>(MIXERR_INVALLINE));
    line.dwDestination = 0;
    line.dwSource = 5;
    EXPECT_EQ(mixerGetLineInfoA(Obj(h), &line, MIXER_GETLINEINFOF_SOURCE),
              static_cast<MMRESULT>(MIXERR_INVALLINE));

    // The whole control list, or nothing.
    const MIXERLINEA wave = LineAt(h, 0, 0, MIXER_GETLINEINFOF_SOURCE);
    MIXERCONTROLA controls[3];
    MIXERLINECONTROLSA lc{sizeof lc, wave.dwLineID, {}, 3, sizeof(MIXERCONTROLA), controls};
    EXPECT_EQ(mixerGetLineControlsA(Obj(h), &lc, MIXER_GETLINECONTROLSF_ALL),
              static_cast<MMRESULT>(MMSYSERR_INVALPARAM));

    ASSERT_EQ(mixerClose(h), MMSYSERR_NOERROR);
    open_.clear();
    EXPECT_EQ(mixerClose(h), static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
    UINT id;
    EXPECT_EQ(mixerGetID(Obj(h), &id, MIXER_OBJECTF_HMIXER),
              static_cast<MMRESULT>(MMSYSERR_INVALHANDLE));
}

TEST_F(MixerTest, ChangeNotifiesEveryOpenHandleHere) {
    HWND a = Window(), b = Window();
    HMIXER ha = Open(0, a), hb = Open(0, b);
    const MIXERLINEA cd = LineAt(ha, 0, 2, MIXER_GETLINEINFOF_SOURCE);
    const DWORD volume = Controls(ha, cd)[0].dwControlID;

    traceLines.clear();
    platform::SetTraceSink(CollectTrace);
    ASSERT_EQ(SetValues(ha, volume, 1, 0, {4369}), MMSYSERR_NOERROR);
    platform::SetTraceSink(nullptr);
    ASSERT_EQ(traceLines.size(), 1u);
    EXPECT_NE(traceLines[0].find(R"("ev": "mixer.set", "device": 0, "control": )" +
                                 std::to_string(volume) + R"(, "values": [4369], "result": 0})"),
              std::string::npos)
        << traceLines[0];
    Pump();
    // Each window hears through its own handle, the setter's included.
    for (auto [window, handle] : {std::pair{a, ha}, std::pair{b, hb}}) {
        auto got = ReceivedOf(window, MM_MIXM_CONTROL_CHANGE);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].wParam, reinterpret_cast<WPARAM>(handle));
        EXPECT_EQ(static_cast<DWORD>(got[0].lParam), volume);
    }

    // A closed handle hears nothing; another program's change is heard too.
    mixerClose(hb);
    open_.pop_back();
    Received().clear();
    std::string error;
    ASSERT_TRUE(platform::mm::ApplyMixerCommand({"playback.cd", "volume", "8738", "0"}, &error))
        << error;
    Pump();
    EXPECT_EQ(ReceivedOf(a, MM_MIXM_CONTROL_CHANGE).size(), 1u);
    EXPECT_TRUE(ReceivedOf(b, MM_MIXM_CONTROL_CHANGE).empty());
    std::vector<DWORD> v;
    ASSERT_EQ(GetValues(ha, volume, 2, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{8738, 0}));
}

TEST_F(MixerTest, ChangeNotifiesAnotherProcessOnTheMachine) {
    // The child must get a socket of its own on this machine.
    platform::user::LeaveRunFolder();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        HWND w = CreateRecordingParent();
        HMIXER h = nullptr;
        if (mixerOpen(&h, 0, reinterpret_cast<DWORD_PTR>(w), 0, CALLBACK_WINDOW) != 0) _exit(2);
        (void)!write(ready[1], "r", 1);
        for (int tries = 0; tries < 100; ++tries) {
            pollfd p{platform::user::WakeDescriptor(), POLLIN, 0};
            poll(&p, 1, 50);
            Pump();
            auto got = ReceivedOf(w, MM_MIXM_CONTROL_CHANGE);
            if (!got.empty())
                _exit(got[0].wParam == reinterpret_cast<WPARAM>(h) && got[0].lParam > 0 ? 0 : 3);
        }
        _exit(4);
    }
    close(ready[1]);
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    std::string error;
    ASSERT_TRUE(platform::mm::ApplyMixerCommand({"select", "linein"}, &error)) << error;
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: open failed, 3: wrong message, 4: nothing came";
    HMIXER h = Open();
    const MIXERLINEA wavein = LineAt(h, 1, 0, MIXER_GETLINEINFOF_DESTINATION);
    std::vector<DWORD> v;
    ASSERT_EQ(GetValues(h, ControlOf(h, wavein, MIXERCONTROL_CONTROLTYPE_MUX).dwControlID, 1, 4, &v),
              MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{0, 0, 0, 1})) << "line-in records";
}

TEST_F(MixerTest, StateLastsForTheMachine) {
    std::string error;
    ASSERT_TRUE(platform::mm::ApplyMixerCommand({"playback", "mute", "on"}, &error)) << error;
    ASSERT_TRUE(platform::mm::ApplyMixerCommand({"record.mic", "volume", "100", "200"}, &error));
    auto again = machine::Machine::Open(machine_->Directory(), "", &error);
    ASSERT_TRUE(again) << error;
    platform::SetCurrentMachine(again.get());
    HMIXER h = Open();
    std::vector<DWORD> v;
    const MIXERLINEA master = LineAt(h, 0, 0, MIXER_GETLINEINFOF_DESTINATION);
    ASSERT_EQ(GetValues(h, Controls(h, master)[1].dwControlID, 1, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{1}));
    const MIXERLINEA mic = LineAt(h, 1, 1, MIXER_GETLINEINFOF_SOURCE);
    ASSERT_EQ(GetValues(h, Controls(h, mic)[0].dwControlID, 2, 0, &v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<DWORD>{100, 200}));
    mixerClose(h);
    open_.clear();
    platform::SetCurrentMachine(&*machine_);
}

TEST_F(MixerTest, CommandLinesThatAreWrong) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"playback.tuba", "volume", "1"},
        {"playback.wave", "bass", "1"},
        {"playback.wave", "volume", "1", "2", "3"},
        {"playback.wave", "volume", "65536"},
        {"playback.wave", "volume", "-1"},
        {"select", "playback.wave"},
        {"device", "3", "playback", "mute", "1"},
    };
    for (const auto& words : bad) {
        std::string error;
        EXPECT_FALSE(platform::mm::ApplyMixerCommand(words, &error)) << words.size();
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(MixerTest, ProfileShapesTheLines) {
    HMIXER h;
    MIXERLINEA line{};
    // A missing line: no microphone on the playback destination.
    Set("playback_sources", "wave,synth,cd,linein");
    h = Open();
    EXPECT_FALSE(FindLine(h, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                          MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, &line));
    EXPECT_TRUE(FindLine(h, kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, &line));

    // Line-in before the wave line is not taken for the playback page.
    Set("playback_sources", "linein,wave,synth");
    EXPECT_FALSE(FindLine(h, kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, &line));
    Set("playback_sources", "linein:5,wave:3,linein:7");
    ASSERT_TRUE(FindLine(h, kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0, &line));
    EXPECT_EQ(line.dwLineID, 7u);

    // Auxiliary recording sources in the other order keep their ids.
    Set("record_sources", "linein,cd,mic,mix");
    for (DWORD id : {0x00020001u, 0x00010001u}) {
        ASSERT_TRUE(FindLine(h, kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, id, &line));
        EXPECT_EQ(line.dwLineID, id);
    }
    Set("record_sources", "mic,cd,linein");
    EXPECT_FALSE(FindLine(h, kAuxiliary, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0x00020001, &line));

    // A mono line takes one channel only.
    Set("playback_sources", "wave,synth,cd,mic,linein");
    Set("mono_lines", "playback.mic");
    line = LineAt(h, 0, 3, MIXER_GETLINEINFOF_SOURCE);
    ASSERT_STREQ(line.szName, "Microphone");
    EXPECT_EQ(line.cChannels, 1u);
    std::vector<DWORD> v;
    const DWORD volume = Controls(h, line)[0].dwControlID;
    EXPECT_EQ(GetValues(h, volume, 2, 0, &v), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(GetValues(h, volume, 1, 0, &v), MMSYSERR_NOERROR);

    // No multiplexer on the wave-in destination.
    Set("record_mux", "0");
    line = LineAt(h, 1, 0, MIXER_GETLINEINFOF_DESTINATION);
    for (const MIXERCONTROLA& c : Controls(h, line))
        EXPECT_NE(c.dwControlType, static_cast<DWORD>(MIXERCONTROL_CONTROLTYPE_MUX));
}

TEST_F(MixerTest, ProfileShapesTheDevices) {
    struct Case {
        const char *devices, *card, *broken;
        std::vector<MMRESULT> caps; // per device index 0, 1
        std::vector<WORD> mids;
    };
    const Case cases[] = {
        // The card second, another device first with its own maker id.
        {"2", "1", "-1", {MMSYSERR_NOERROR, MMSYSERR_NOERROR}, {1, 0x013E}},
        // A device whose driver does not answer.
        {"2", "1", "0", {MMSYSERR_NODRIVER, MMSYSERR_NOERROR}, {0, 0x013E}},
        // No device at all.
        {"0", "0", "-1", {MMSYSERR_BADDEVICEID, MMSYSERR_BADDEVICEID}, {0, 0}},
    };
    for (const Case& c : cases) {
        Set("devices", c.devices);
        Set("card_device", c.card);
        Set("broken_device", c.broken);
        EXPECT_EQ(mixerGetNumDevs(), static_cast<UINT>(std::atoi(c.devices)));
        for (UINT i = 0; i < 2; ++i) {
            MIXERCAPSA caps{};
            EXPECT_EQ(mixerGetDevCapsA(i, &caps, sizeof caps), c.caps[i]) << c.devices << i;
            EXPECT_EQ(caps.wMid, c.mids[i]);
            HMIXER h = nullptr;
            EXPECT_EQ(mixerOpen(&h, i, 0, 0, 0), c.caps[i]);
            if (h) mixerClose(h);
        }
    }
}

} // namespace
