// The mixer API over the machine's mixer devices (machine/card_mixer.h).
// The calls check their arguments as Windows does and translate between the
// caller's channel and item layout and the driver's values; the driver keeps
// the values for the machine and the list of open handles, and every change
// is posted as MM_MIXM_CONTROL_CHANGE to each window with the device open.
#include <windows.h>
#include <mmsystem.h>

#include "card_mixer.h"
#include "host/context.h"
#include "host/faults.h"
#include "host/text.h"
#include "host/trace.h"
#include "user/process.h"
#include "machine.h"
#include "mmsystem/mixer_command.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

using machine::MixerControlInfo;
using machine::MixerDeviceInfo;
using machine::MixerLineInfo;

struct OpenMixer {
    uint32_t device;
    HWND window; // null: no notifications
};
std::map<uint32_t, OpenMixer> openMixers;
// Handles are far above any device id, so a value names one or the other.
uint32_t nextHandle = 0x4D580001;

uint32_t Value(const void* handle) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

std::vector<MixerDeviceInfo> Devices() {
    machine::Machine* m = platform::CurrentMachine();
    return m ? machine::MixerDevices(*m) : std::vector<MixerDeviceInfo>{};
}

// The device that `object` names under the MIXER_OBJECTF_* part of `flags`.
// A plain mixer object may be a device id or an open handle, as callers mix
// the two freely.
MMRESULT Resolve(const std::vector<MixerDeviceInfo>& devices, uint32_t object, DWORD flags,
                 const MixerDeviceInfo** device) {
    const DWORD kind = flags & 0xF0000000u;
    uint32_t index;
    if (kind == MIXER_OBJECTF_HMIXER) {
        auto it = openMixers.find(object);
        if (it == openMixers.end()) return MMSYSERR_INVALHANDLE;
        index = it->second.device;
    } else if (kind == MIXER_OBJECTF_MIXER) {
        auto it = openMixers.find(object);
        index = it != openMixers.end() ? it->second.device : object;
    } else {
        // The card's wave and MIDI devices are not part of this machine.
        return (kind & MIXER_OBJECTF_HANDLE) ? MMSYSERR_INVALHANDLE : MMSYSERR_BADDEVICEID;
    }
    if (index >= devices.size()) return MMSYSERR_BADDEVICEID;
    if (!devices[index].answers) return MMSYSERR_NODRIVER;
    *device = &devices[index];
    return MMSYSERR_NOERROR;
}

void FillLine(const MixerDeviceInfo& dev, const MixerLineInfo& line, MIXERLINEA* out) {
    const DWORD cbStruct = out->cbStruct;
    std::memset(out, 0, sizeof *out);
    out->cbStruct = cbStruct;
    out->dwDestination = line.destination;
    out->dwSource = line.isSource ? line.source : 0;
    out->dwLineID = line.id;
    out->fdwLine = line.flags;
    out->dwComponentType = line.componentType;
    out->cChannels = line.channels;
    out->cConnections = line.connections;
    out->cControls = static_cast<DWORD>(line.controls.size());
    platform::CopyCut(line.shortName, out->szShortName, sizeof out->szShortName);
    platform::CopyCut(line.name, out->szName, sizeof out->szName);
    out->Target.dwType = line.targetType;
    out->Target.wMid = dev.mid;
    out->Target.wPid = dev.pid;
    out->Target.vDriverVersion = dev.version;
    platform::CopyCut(dev.name, out->Target.szPname, sizeof out->Target.szPname);
}

void FillControl(const MixerControlInfo& c, MIXERCONTROLA* out) {
    std::memset(out, 0, sizeof *out);
    out->cbStruct = sizeof *out;
    out->dwControlID = c.id;
    out->dwControlType = c.type;
    out->fdwControl = c.flags;
    out->cMultipleItems = c.items;
    platform::CopyCut(c.shortName, out->szShortName, sizeof out->szShortName);
    platform::CopyCut(c.name, out->szName, sizeof out->szName);
    out->Bounds.dwMinimum = c.minimum;
    out->Bounds.dwMaximum = c.maximum;
    out->Metrics.cSteps = c.steps;
}

// Checks a details request against the control: the channels are 1 or the
// line's, the items those of a multiple control. Gives the channel and item
// counts of the caller's array.
MMRESULT CheckDetails(const MIXERCONTROLDETAILS* d, const MixerLineInfo& line,
                      const MixerControlInfo& c, size_t minDetailSize, size_t* channels,
                      size_t* items) {
    if (d->cbDetails < minDetailSize || d->paDetails == nullptr) return MMSYSERR_INVALPARAM;
    if (d->cChannels != 1 && d->cChannels != line.channels) return MMSYSERR_INVALPARAM;
    if (c.Multiple() && d->cMultipleItems != c.items) return MMSYSERR_INVALPARAM;
    *channels = d->cChannels;
    *items = c.Multiple() ? c.items : 1;
    return MMSYSERR_NOERROR;
}

// The driver's values (channel-major, one channel for a uniform control) as
// the caller's array lays them out. One channel on a per-channel control is
// read as its first channel.
uint32_t DriverValueFor(const std::vector<uint32_t>& values, const MixerControlInfo& c,
                        size_t channel, size_t item, size_t items) {
    size_t ch = c.Uniform() ? 0 : channel;
    size_t index = ch * items + item;
    return index < values.size() ? values[index] : 0;
}

// Tells every window that has the device open, here or in another process.
void NotifyChange(machine::Machine& m, uint32_t device, uint32_t controlId);

MMRESULT StoreValues(machine::Machine& m, const MixerDeviceInfo& dev, const MixerLineInfo& line,
                     const MixerControlInfo& c, const std::vector<uint32_t>& values) {
    switch (machine::SetMixerValues(m, dev, line, c, values)) {
    case machine::MixerSetResult::Ok:
        NotifyChange(m, dev.index, c.id);
        return MMSYSERR_NOERROR;
    case machine::MixerSetResult::BadValue:
        return MIXERR_INVALVALUE;
    case machine::MixerSetResult::NotStored:
        break;
    }
    return MMSYSERR_ERROR;
}

void NotifyChange(machine::Machine& m, uint32_t device, uint32_t controlId) {
    for (const machine::MixerClient& client : machine::MixerClients(m, device)) {
        platform::user::PostToProcess(client.pid,
                                      reinterpret_cast<HWND>(static_cast<uintptr_t>(client.window)),
                                      MM_MIXM_CONTROL_CHANGE, client.handle,
                                      static_cast<LPARAM>(controlId));
    }
}

std::string JsonValues(const std::vector<uint32_t>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + std::to_string(values[i]);
    return out + "]";
}

} // namespace

WINBASEAPI UINT WINAPI mixerGetNumDevs(void) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerGetNumDevs")) return 0;
    return static_cast<UINT>(Devices().size());
}

WINBASEAPI MMRESULT WINAPI mixerGetDevCapsA(UINT_PTR uMxId, LPMIXERCAPSA pmxcaps, UINT cbmxcaps) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerGetDevCapsA")) return MMSYSERR_ERROR;
    const auto devices = Devices();
    const MixerDeviceInfo* dev = nullptr;
    if (MMRESULT rc = Resolve(devices, uMxId, MIXER_OBJECTF_MIXER, &dev)) return rc;
    if (pmxcaps == nullptr) return MMSYSERR_INVALPARAM;
    MIXERCAPSA caps{};
    caps.wMid = dev->mid;
    caps.wPid = dev->pid;
    caps.vDriverVersion = dev->version;
    platform::CopyCut(dev->name, caps.szPname, sizeof caps.szPname);
    caps.fdwSupport = 0;
    caps.cDestinations = static_cast<DWORD>(dev->destinations.size());
    std::memcpy(pmxcaps, &caps, std::min<size_t>(cbmxcaps, sizeof caps));
    return MMSYSERR_NOERROR;
}

WINBASEAPI MMRESULT WINAPI mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback,
                                     DWORD_PTR dwInstance, DWORD fdwOpen) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerOpen")) {
        if (phmx != nullptr) *phmx = nullptr;
        return MMSYSERR_ERROR;
    }
    (void)dwInstance; // only window callbacks, which get no instance data
    const auto devices = Devices();
    const MixerDeviceInfo* dev = nullptr;
    MMRESULT rc = phmx == nullptr ? MMSYSERR_INVALPARAM
                                  : Resolve(devices, uMxId, fdwOpen & 0xF0000000u, &dev);
    HWND window = nullptr;
    if (rc == MMSYSERR_NOERROR) {
        const DWORD callback = fdwOpen & CALLBACK_TYPEMASK;
        if (callback == CALLBACK_WINDOW) {
            window = reinterpret_cast<HWND>(dwCallback);
            if (window != nullptr && !IsWindow(window)) rc = MMSYSERR_INVALPARAM;
        } else if (callback != CALLBACK_NULL) {
            rc = MMSYSERR_INVALFLAG;
        }
    }
    if (rc == MMSYSERR_NOERROR) {
        const uint32_t handle = nextHandle++;
        openMixers[handle] = {dev->index, window};
        if (window != nullptr)
            machine::AddMixerClient(*platform::CurrentMachine(),
                                    {static_cast<int>(getpid()), handle, dev->index, Value(window)});
        *phmx = reinterpret_cast<HMIXER>(static_cast<uintptr_t>(handle));
    } else if (phmx != nullptr) {
        *phmx = nullptr;
    }
    platform::TraceEvent("mixer.open")
        .Int("device", dev ? static_cast<long long>(dev->index) : static_cast<long long>(uMxId))
        .Int("result", rc);
    return rc;
}

WINBASEAPI MMRESULT WINAPI mixerClose(HMIXER hmx) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerClose")) return MMSYSERR_ERROR;
    auto it = openMixers.find(Value(hmx));
    MMRESULT rc = MMSYSERR_INVALHANDLE;
    long long device = -1;
    if (it != openMixers.end()) {
        device = it->second.device;
        if (it->second.window != nullptr && platform::CurrentMachine() != nullptr)
            machine::RemoveMixerClient(*platform::CurrentMachine(), static_cast<int>(getpid()),
                                       it->first);
        openMixers.erase(it);
        rc = MMSYSERR_NOERROR;
    }
    platform::TraceEvent("mixer.close").Int("device", device).Int("result", rc);
    return rc;
}

WINBASEAPI MMRESULT WINAPI mixerGetID(HMIXEROBJ hmxobj, UINT* puMxId, DWORD fdwId) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerGetID")) return MMSYSERR_ERROR;
    const auto devices = Devices();
    const MixerDeviceInfo* dev = nullptr;
    if (puMxId == nullptr) return MMSYSERR_INVALPARAM;
    // A device whose driver does not answer still has its id.
    const DWORD kind = fdwId & 0xF0000000u;
    auto it = openMixers.find(Value(hmxobj));
    if ((kind == MIXER_OBJECTF_HMIXER || kind == MIXER_OBJECTF_MIXER) && it != openMixers.end()) {
        *puMxId = it->second.device;
        return MMSYSERR_NOERROR;
    }
    if (MMRESULT rc = Resolve(devices, Value(hmxobj), fdwId, &dev)) return rc;
    *puMxId = dev->index;
    return MMSYSERR_NOERROR;
}

WINBASEAPI MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ hmxobj, LPMIXERLINEA pmxl, DWORD fdwInfo) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerGetLineInfoA")) return MMSYSERR_ERROR;
    if (pmxl == nullptr || pmxl->cbStruct < sizeof(MIXERLINEA)) return MMSYSERR_INVALPARAM;
    const auto devices = Devices();
    const MixerDeviceInfo* dev = nullptr;
    if (MMRESULT rc = Resolve(devices, Value(hmxobj), fdwInfo, &dev)) return rc;
    const MixerLineInfo* line = nullptr;
    auto firstWhere = [&](auto match) -> const MixerLineInfo* {
        for (size_t d = 0; d < dev->destinations.size(); ++d)
            if (match(dev->destinations[d])) return &dev->destinations[d];
        for (const auto& sources : dev->sources)
            for (const MixerLineInfo& s : sources)
                if (match(s)) return &s;
        return nullptr;
    };
    switch (fdwInfo & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
        line = dev->Destination(pmxl->dwDestination);
        break;
    case MIXER_GETLINEINFOF_SOURCE:
        line = dev->Source(pmxl->dwDestination, pmxl->dwSource);
        break;
    case MIXER_GETLINEINFOF_LINEID:
        line = dev->LineById(pmxl->dwLineID);
        break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE: {
        const DWORD type = pmxl->dwComponentType;
        line = firstWhere([type](const MixerLineInfo& l) { return l.componentType == type; });
        break;
    }
    case MIXER_GETLINEINFOF_TARGETTYPE: {
        const DWORD type = pmxl->Target.dwType;
        line = firstWhere([type](const MixerLineInfo& l) { return l.targetType == type; });
        break;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
    if (line == nullptr) return MIXERR_INVALLINE;
    FillLine(*dev, *line, pmxl);
    return MMSYSERR_NOERROR;
}

WINBASEAPI MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ hmxobj, LPMIXERLINECONTROLSA pmxlc,
                                                 DWORD fdwControls) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerGetLineControlsA")) return MMSYSERR_ERROR;
    if (pmxlc == nullptr || pmxlc->cbStruct < sizeof(MIXERLINECONTROLSA) ||
        pmxlc->cbmxctrl < sizeof(MIXERCONTROLA) || pmxlc->pamxctrl == nullptr)
        return MMSYSERR_INVALPARAM;
    const auto devices = Devices();
    const MixerDeviceInfo* dev = nullptr;
    if (MMRESULT rc = Resolve(devices, Value(hmxobj), fdwControls, &dev)) return rc;
    auto at = [pmxlc](size_t i) {
        return reinterpret_cast<MIXERCONTROLA*>(reinterpret_cast<BYTE*>(pmxlc->pamxctrl) +
                                                i * pmxlc->cbmxctrl);
    };
    switch (fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL: {
        const MixerLineInfo* line = dev->LineById(pmxlc->dwLineID);
        if (line == nullptr) return MIXERR_INVALLINE;
        // The whole list, no more and no less.
        if (pmxlc->cControls == 0 || pmxlc->cControls != line->controls.size())
            return MMSYSERR_INVALPARAM;
        for (size_t i = 0; i < line->controls.size(); ++i) FillControl(line->controls[i], at(i));
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYID: {
        const MixerLineInfo* line = nullptr;
        const MixerControlInfo* c = dev->Control(pmxlc->dwControlID, &line);
        if (c == nullptr) return MIXERR_INVALCONTROL;
        pmxlc->dwLineID = line->id;
        FillControl(*c, at(0));
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYTYPE: {
        const MixerLineInfo* line = dev->LineById(pmxlc->dwLineID);
        if (line == nullptr) return MIXERR_INVALLINE;
        for (const MixerControlInfo& c : line->controls)
            if (c.type == pmxlc->dwControlType) {
                FillControl(c, at(0));
                return MMSYSERR_NOERROR;
            }
        return MIXERR_INVALCONTROL;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

WINBASEAPI MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd,
                                                   DWORD fdwDetails) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerGetControlDetailsA")) return MMSYSERR_ERROR;
    if (pmxcd == nullptr || pmxcd->cbStruct < sizeof(MIXERCONTROLDETAILS))
        return MMSYSERR_INVALPARAM;
    const auto devices = Devices();
    const MixerDeviceInfo* dev = nullptr;
    if (MMRESULT rc = Resolve(devices, Value(hmxobj), fdwDetails, &dev)) return rc;
    const MixerLineInfo* line = nullptr;
    const MixerControlInfo* c = dev->Control(pmxcd->dwControlID, &line);
    if (c == nullptr) return MIXERR_INVALCONTROL;
    BYTE* out = static_cast<BYTE*>(pmxcd->paDetails);
    size_t channels = 0, items = 0;
    switch (fdwDetails & MIXER_GETCONTROLDETAILSF_QUERYMASK) {
    case MIXER_GETCONTROLDETAILSF_VALUE: {
        if (MMRESULT rc = CheckDetails(pmxcd, *line, *c, sizeof(DWORD), &channels, &items))
            return rc;
        const std::vector<uint32_t> values =
            machine::GetMixerValues(*platform::CurrentMachine(), *dev, *line, *c);
        for (size_t ch = 0; ch < channels; ++ch)
            for (size_t item = 0; item < items; ++item) {
                DWORD v = DriverValueFor(values, *c, ch, item, items);
                std::memcpy(out + (ch * items + item) * pmxcd->cbDetails, &v, sizeof v);
            }
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETCONTROLDETAILSF_LISTTEXT: {
        if (!c->Multiple()) return MMSYSERR_INVALPARAM;
        if (MMRESULT rc = CheckDetails(pmxcd, *line, *c, sizeof(MIXERCONTROLDETAILS_LISTTEXTA),
                                       &channels, &items))
            return rc;
        for (size_t ch = 0; ch < channels; ++ch)
            for (size_t item = 0; item < items; ++item) {
                MIXERCONTROLDETAILS_LISTTEXTA text{};
                if (item < c->list.size()) {
                    text.dwParam1 = c->list[item].param1;
                    text.dwParam2 = c->list[item].param2;
                    platform::CopyCut(c->list[item].name, text.szName, sizeof text.szName);
                }
                std::memcpy(out + (ch * items + item) * pmxcd->cbDetails, &text, sizeof text);
            }
        return MMSYSERR_NOERROR;
    }
    default:
        return MMSYSERR_INVALFLAG;
    }
}

WINBASEAPI MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd,
                                                  DWORD fdwDetails) {
    if (platform::InjectFault(platform::FaultFamily::Mixer, "mixerSetControlDetails")) return MMSYSERR_ERROR;
    const auto devices = Devices();
    const MixerDeviceInfo* dev = nullptr;
    const MixerLineInfo* line = nullptr;
    const MixerControlInfo* c = nullptr;
    std::vector<uint32_t> given;
    MMRESULT rc = MMSYSERR_NOERROR;
    if (pmxcd == nullptr || pmxcd->cbStruct < sizeof(MIXERCONTROLDETAILS))
        rc = MMSYSERR_INVALPARAM;
    else
        rc = Resolve(devices, Value(hmxobj), fdwDetails, &dev);
    if (rc == MMSYSERR_NOERROR && (fdwDetails & MIXER_SETCONTROLDETAILSF_QUERYMASK) !=
                                      MIXER_SETCONTROLDETAILSF_VALUE)
        rc = MMSYSERR_INVALFLAG;
    if (rc == MMSYSERR_NOERROR && (c = dev->Control(pmxcd->dwControlID, &line)) == nullptr)
        rc = MIXERR_INVALCONTROL;
    size_t channels = 0, items = 0;
    if (rc == MMSYSERR_NOERROR)
        rc = CheckDetails(pmxcd, *line, *c, sizeof(DWORD), &channels, &items);
    if (rc == MMSYSERR_NOERROR) {
        const BYTE* in = static_cast<const BYTE*>(pmxcd->paDetails);
        for (size_t i = 0; i < channels * items; ++i) {
            DWORD v;
            std::memcpy(&v, in + i * pmxcd->cbDetails, sizeof v);
            given.push_back(v);
        }
        // One channel given for a per-channel control sets every channel;
        // all channels given for a uniform control: the first one counts.
        const size_t driverChannels = machine::MixerValueCount(*line, *c) / items;
        std::vector<uint32_t> values;
        for (size_t ch = 0; ch < driverChannels; ++ch)
            for (size_t item = 0; item < items; ++item)
                values.push_back(given[(channels == 1 ? 0 : ch) * items + item]);
        rc = StoreValues(*platform::CurrentMachine(), *dev, *line, *c, values);
    }
    platform::TraceEvent ev("mixer.set");
    ev.Int("device", dev ? static_cast<long long>(dev->index) : -1);
    if (pmxcd != nullptr)
        ev.Int("control", pmxcd->dwControlID);
    else
        ev.Null("control");
    ev.Json("values", JsonValues(given)).Int("result", rc);
    return rc;
}

namespace platform::mm {

namespace {

bool ParseValue(const std::string& word, uint32_t* out) {
    if (word.empty() || word.size() > 12 || word[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(word.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

} // namespace

bool ApplyMixerCommand(const std::vector<std::string>& words, std::string* error) {
    machine::Machine* m = platform::CurrentMachine();
    if (m == nullptr) return *error = "there is no machine", false;
    const auto devices = machine::MixerDevices(*m);
    size_t at = 0;
    long deviceIndex = m->settings().Int("mixer", "card_device");
    if (words.size() >= 2 && words[0] == "device") {
        uint32_t n;
        if (!ParseValue(words[1], &n)) return *error = "'" + words[1] + "' is not a device", false;
        deviceIndex = n;
        at = 2;
    }
    if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= devices.size())
        return *error = "the machine has no mixer device " + std::to_string(deviceIndex), false;
    const MixerDeviceInfo& dev = devices[deviceIndex];
    if (!dev.answers)
        return *error = "mixer device " + std::to_string(deviceIndex) + " does not answer", false;

    auto findLine = [&](const std::string& name) -> const MixerLineInfo* {
        uint32_t id;
        if (const MixerLineInfo* l = dev.LineByPath(name)) return l;
        return ParseValue(name, &id) ? dev.LineById(id) : nullptr;
    };

    if (words.size() == at + 2 && words[at] == "select") {
        // A bare kind names a recording source.
        const MixerLineInfo* source = findLine(words[at + 1]);
        if (source == nullptr) source = dev.LineByPath("record." + words[at + 1]);
        const MixerLineInfo* record = dev.LineByPath("record");
        const MixerControlInfo* mux = nullptr;
        if (record != nullptr)
            for (const MixerControlInfo& c : record->controls)
                if (c.kind == "mux") mux = &c;
        if (mux == nullptr) return *error = "the recording destination has no multiplexer", false;
        std::vector<uint32_t> values(mux->items, 0);
        bool found = false;
        for (size_t i = 0; i < mux->list.size() && source; ++i)
            if (mux->list[i].param1 == source->id) values[i] = 1, found = true;
        if (!found)
            return *error = "'" + words[at + 1] + "' is not a recording source", false;
        if (StoreValues(*m, dev, *record, *mux, values) != MMSYSERR_NOERROR)
            return *error = "the mixer's state cannot be stored", false;
        return true;
    }

    if (words.size() < at + 3)
        return *error = "expected: mixer [device N] LINE volume|mute VALUE... or mixer select SOURCE",
               false;
    const MixerLineInfo* line = findLine(words[at]);
    if (line == nullptr) return *error = "the mixer has no line '" + words[at] + "'", false;
    const MixerControlInfo* control = nullptr;
    for (const MixerControlInfo& c : line->controls)
        if (c.kind == words[at + 1] && c.kind != "mux") control = &c;
    if (control == nullptr)
        return *error = "line '" + words[at] + "' has no control '" + words[at + 1] + "'", false;

    std::vector<uint32_t> given;
    for (size_t i = at + 2; i < words.size(); ++i) {
        uint32_t v;
        const std::string& w = words[i];
        if (w == "on") v = 1;
        else if (w == "off") v = 0;
        else if (!ParseValue(w, &v)) return *error = "'" + w + "' is not a value", false;
        given.push_back(v);
    }
    const size_t count = machine::MixerValueCount(*line, *control);
    if (given.size() == 1) given.resize(count, given[0]);
    if (given.size() != count)
        return *error = "line '" + words[at] + "' takes 1 or " + std::to_string(count) +
                        " values for its " + control->kind,
               false;
    switch (StoreValues(*m, dev, *line, *control, given)) {
    case MMSYSERR_NOERROR:
        return true;
    case MIXERR_INVALVALUE:
        return *error = "a value is out of range for the " + control->kind, false;
    default:
        return *error = "the mixer's state cannot be stored", false;
    }
}

} // namespace platform::mm
