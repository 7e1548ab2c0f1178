// MCI with the "waveaudio" device: open a WAVE file of the machine, play it
// on the platform's clock, stop, close, and the notifications. A sound's
// end is a thread timer due when its time has passed; the timer's tick,
// dispatched by the program's message loop, posts MM_MCINOTIFY to the
// window that asked for it. The samples go to the card's wave output
// (machine/wave_device.h).
#include <windows.h>
#include <mmsystem.h>

#include "host/clock.h"
#include "host/context.h"
#include "host/text.h"
#include "host/trace.h"
#include "machine.h"
#include "wave_device.h"

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct WaveDevice {
    std::string element; // the Windows path as given
    std::string alias;
    bool hasSound = false;
    std::string sounding; // the channels that carry sound, as a JSON array
    std::filesystem::path file;
    machine::WaveSound sound;
    std::unique_ptr<machine::WaveOutput> output;
    bool playing = false;
    uint32_t startClock = 0; // clock value when playing started
    uint32_t from = 0, to = 0;
    uint32_t position = 0; // while stopped
    HWND notify = nullptr; // the window of a pending play notification
    UINT_PTR timer = 0;
};
std::map<MCIDEVICEID, WaveDevice> devices;

void Trace(const char* command, MCIDEVICEID id, const std::string& element, MCIERROR result,
           const WaveDevice* played) {
    platform::TraceEvent event("mci");
    event.Str("command", command).Int("device", id).Str("element", element).Int("result", result);
    // A sound that starts playing: its format, length and channels.
    if (played != nullptr && played->hasSound)
        event.Int("channels", played->sound.channels)
            .Int("bits", played->sound.bitsPerSample)
            .Int("rate", played->sound.samplesPerSec)
            .Int("ms", played->sound.lengthMs)
            .Json("sounding", played->sounding);
}

// Which channels of the sound carry anything but one constant value: the
// trace shows where a sound goes, not only that it played.
std::string SoundingChannels(const std::filesystem::path& file, const machine::WaveSound& s) {
    const unsigned bytes = s.bitsPerSample / 8;
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(s.dataOffset));
    std::vector<char> data(s.dataBytes);
    if (!in.read(data.data(), static_cast<std::streamsize>(data.size()))) return "[]";
    std::string list = "[";
    for (unsigned channel = 0; channel < s.channels; ++channel) {
        const size_t first = channel * bytes;
        bool sounds = false;
        for (size_t frame = s.blockAlign; !sounds && frame + s.blockAlign <= data.size();
             frame += s.blockAlign)
            sounds = std::memcmp(&data[frame + first], &data[first], bytes) != 0;
        if (!sounds) continue;
        if (list.size() > 1) list += ',';
        list += std::to_string(channel);
    }
    return list + "]";
}

void Notify(HWND window, UINT flag, MCIDEVICEID id) {
    if (window != nullptr) PostMessageA(window, MM_MCINOTIFY, flag, static_cast<LPARAM>(id));
}

uint32_t PositionOf(const WaveDevice& d) {
    if (!d.playing) return d.position;
    uint32_t elapsed = platform::ClockNow() - d.startClock;
    return elapsed >= d.to - d.from ? d.to : d.from + elapsed;
}

// Ends playing; a pending notification gets `flag` (0: none is sent).
void EndPlaying(MCIDEVICEID id, WaveDevice& d, UINT flag) {
    if (d.timer != 0) KillTimer(nullptr, d.timer);
    d.timer = 0;
    if (d.playing) {
        d.position = PositionOf(d);
        d.playing = false;
        if (d.output) d.output->Stop();
    }
    HWND window = d.notify;
    d.notify = nullptr;
    if (flag != 0) Notify(window, flag, id);
}

void CALLBACK SoundEnded(HWND, UINT, UINT_PTR timer, DWORD) {
    for (auto& [id, d] : devices)
        if (d.timer == timer) {
            d.position = d.to;
            EndPlaying(id, d, MCI_NOTIFY_SUCCESSFUL);
            return;
        }
    KillTimer(nullptr, timer);
}

MCIERROR Open(DWORD flags, MCI_OPEN_PARMSA* p, std::string* element) {
    if (p == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
    if ((flags & MCI_OPEN_ELEMENT) && p->lpstrElementName != nullptr &&
        !(flags & MCI_OPEN_ELEMENT_ID))
        *element = p->lpstrElementName;
    // The device: by its type name or id, or by the file's extension.
    bool wave = false;
    if (flags & MCI_OPEN_TYPE) {
        if (flags & MCI_OPEN_TYPE_ID)
            wave = LOWORD(reinterpret_cast<uintptr_t>(p->lpstrDeviceType)) ==
                   MCI_DEVTYPE_WAVEFORM_AUDIO;
        else
            wave = p->lpstrDeviceType != nullptr &&
                   platform::EqualNoCase(p->lpstrDeviceType, "waveaudio");
        if (!wave) return MCIERR_INVALID_DEVICE_NAME;
    } else if (flags & MCI_OPEN_ELEMENT) {
        const size_t dot = element->rfind('.');
        if (dot == std::string::npos || !platform::EqualNoCase(element->substr(dot), ".wav"))
            return MCIERR_EXTENSION_NOT_FOUND;
    } else {
        return MCIERR_MISSING_PARAMETER;
    }
    if (flags & MCI_OPEN_ELEMENT_ID) return MCIERR_UNSUPPORTED_FUNCTION;
    if ((flags & MCI_OPEN_ALIAS) && p->lpstrAlias == nullptr) return MCIERR_MISSING_PARAMETER;
    if (flags & MCI_OPEN_ALIAS)
        for (const auto& [id, d] : devices)
            if (platform::EqualNoCase(d.alias, p->lpstrAlias)) return MCIERR_DUPLICATE_ALIAS;

    WaveDevice d;
    d.element = *element;
    if (flags & MCI_OPEN_ALIAS) d.alias = p->lpstrAlias;
    if (flags & MCI_OPEN_ELEMENT) {
        machine::Machine* m = platform::CurrentMachine();
        if (m == nullptr) return MCIERR_DEVICE_NOT_INSTALLED;
        if (p->lpstrElementName == nullptr || *p->lpstrElementName == '\0')
            return MCIERR_FILENAME_REQUIRED;
        std::optional<std::filesystem::path> host = m->disk().HostPath(*element);
        if (!host) return MCIERR_FILE_NOT_FOUND;
        switch (machine::ReadWaveFile(*host, &d.sound)) {
        case machine::WaveFileStatus::Missing:
            return MCIERR_FILE_NOT_FOUND;
        case machine::WaveFileStatus::Invalid:
            return MCIERR_INVALID_FILE;
        case machine::WaveFileStatus::Ok:
            break;
        }
        d.file = *host;
        d.hasSound = true;
        d.sounding = SoundingChannels(d.file, d.sound);
        d.output = machine::OpenWaveOutput(
            *m, platform::GetClockMode() == platform::ClockMode::Virtual);
    }
    MCIDEVICEID id = 1;
    while (devices.count(id)) ++id;
    p->wDeviceID = id;
    devices.emplace(id, std::move(d));
    if (flags & MCI_NOTIFY) Notify(reinterpret_cast<HWND>(p->dwCallback), MCI_NOTIFY_SUCCESSFUL, id);
    return 0;
}

MCIERROR Play(MCIDEVICEID id, WaveDevice& d, DWORD flags, const MCI_PLAY_PARMS* p) {
    if ((flags & (MCI_NOTIFY | MCI_FROM | MCI_TO)) && p == nullptr)
        return MCIERR_NULL_PARAMETER_BLOCK;
    if (!d.hasSound) return MCIERR_NONAPPLICABLE_FUNCTION;
    const uint32_t length = d.sound.lengthMs;
    const uint32_t from = (flags & MCI_FROM) ? p->dwFrom : PositionOf(d);
    const uint32_t to = (flags & MCI_TO) ? p->dwTo : length;
    if (from > length || to > length || to < from) return MCIERR_OUTOFRANGE;

    // A new play interrupts the one before; its notification is aborted.
    EndPlaying(id, d, MCI_NOTIFY_ABORTED);
    d.from = from;
    d.to = to;
    d.startClock = platform::ClockNow();
    d.playing = true;
    d.output->Start(d.file, d.sound, from, to);
    if (flags & MCI_NOTIFY) d.notify = reinterpret_cast<HWND>(p->dwCallback);
    if (flags & MCI_WAIT) {
        platform::ClockSleep(to - from);
        d.position = to;
        EndPlaying(id, d, MCI_NOTIFY_SUCCESSFUL);
        return 0;
    }
    d.timer = SetTimer(nullptr, 0, to - from, SoundEnded);
    return 0;
}

MCIERROR Close(MCIDEVICEID id) {
    auto it = devices.find(id);
    if (it == devices.end()) return MCIERR_INVALID_DEVICE_ID;
    EndPlaying(id, it->second, MCI_NOTIFY_ABORTED);
    devices.erase(it);
    return 0;
}

struct ErrorText {
    MCIERROR code;
    const char* text;
};
const ErrorText kErrorTexts[] = {
    {0, "The specified command was carried out."},
    {MCIERR_INVALID_DEVICE_ID, "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
    {MCIERR_UNRECOGNIZED_KEYWORD, "The driver cannot recognize the specified command parameter."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The driver cannot recognize the specified command."},
    {MCIERR_HARDWARE, "There is a problem with your media device. Make sure it is working correctly or contact the device manufacturer."},
    {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized by MCI."},
    {MCIERR_OUT_OF_MEMORY, "There is not enough memory available for this task. Quit one or more applications to increase available memory, and then try again."},
    {MCIERR_DEVICE_OPEN, "The device name is already being used as an alias by this application. Use a unique alias."},
    {MCIERR_CANNOT_LOAD_DRIVER, "The specified device driver cannot be loaded."},
    {MCIERR_DRIVER_INTERNAL, "There is a problem with the device driver. Check with the device manufacturer about obtaining a new driver."},
    {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter. Please supply one."},
    {MCIERR_UNSUPPORTED_FUNCTION, "The MCI device you are using does not support the specified command."},
    {MCIERR_FILE_NOT_FOUND, "Cannot find the specified file. Make sure the path and filename are correct."},
    {MCIERR_DEVICE_NOT_READY, "The device driver is not ready."},
    {MCIERR_INTERNAL, "A problem occurred in initializing MCI. Try restarting Windows."},
    {MCIERR_DRIVER, "There is a problem with the device driver. The driver has closed. Cannot access error."},
    {MCIERR_CANNOT_USE_ALL, "Cannot use 'all' as the device name with the specified command."},
    {MCIERR_EXTENSION_NOT_FOUND, "Cannot determine the device type from the given filename extension."},
    {MCIERR_OUTOFRANGE, "The specified parameter is out of range for the specified command."},
    {MCIERR_FLAGS_NOT_COMPATIBLE, "The specified parameters cannot be used together."},
    {MCIERR_DUPLICATE_ALIAS, "The specified alias is already being used in this application. Use a unique alias."},
    {MCIERR_INVALID_FILE, "The specified file cannot be played on the specified MCI device. The file may be corrupt, or not in the correct format."},
    {MCIERR_NULL_PARAMETER_BLOCK, "A null parameter block was passed to MCI."},
    {MCIERR_NONAPPLICABLE_FUNCTION, "The specified MCI command sequence cannot be performed in the given order. Correct the command sequence; then try again."},
    {MCIERR_FILENAME_REQUIRED, "A valid filename is required."},
    {MCIERR_DEVICE_NOT_INSTALLED, "The specified device is not installed on the system."},
    {MCIERR_FILE_READ, "A problem occurred in reading the specified file. Make sure the file is still present, or check your disk or network connection."},
};

} // namespace

WINBASEAPI MCIERROR WINAPI mciSendCommandA(MCIDEVICEID mciId, UINT uMsg, DWORD_PTR dwParam1,
                                           DWORD_PTR dwParam2) {
    const DWORD flags = dwParam1;
    auto* generic = reinterpret_cast<MCI_GENERIC_PARMS*>(dwParam2);
    std::string element;
    MCIERROR rc = 0;
    const char* command = "unknown";
    MCIDEVICEID traced = mciId;
    auto found = devices.find(mciId);
    if (found != devices.end()) element = found->second.element;

    switch (uMsg) {
    case MCI_OPEN: {
        command = "open";
        auto* p = reinterpret_cast<MCI_OPEN_PARMSA*>(dwParam2);
        rc = Open(flags, p, &element);
        traced = rc == 0 ? p->wDeviceID : 0;
        break;
    }
    case MCI_PLAY:
        command = "play";
        rc = found == devices.end()
                 ? MCIERR_INVALID_DEVICE_ID
                 : Play(mciId, found->second, flags, reinterpret_cast<MCI_PLAY_PARMS*>(dwParam2));
        break;
    case MCI_STOP:
        command = "stop";
        if (mciId == MCI_ALL_DEVICE_ID) rc = MCIERR_CANNOT_USE_ALL;
        else if (found == devices.end()) rc = MCIERR_INVALID_DEVICE_ID;
        else if ((flags & MCI_NOTIFY) && generic == nullptr) rc = MCIERR_NULL_PARAMETER_BLOCK;
        else EndPlaying(mciId, found->second, MCI_NOTIFY_ABORTED);
        break;
    case MCI_CLOSE:
        command = "close";
        if ((flags & MCI_NOTIFY) && generic == nullptr) {
            rc = MCIERR_NULL_PARAMETER_BLOCK;
        } else if (mciId == MCI_ALL_DEVICE_ID) {
            while (!devices.empty()) Close(devices.begin()->first);
        } else {
            rc = Close(mciId);
        }
        break;
    default:
        rc = found == devices.end() && mciId != MCI_ALL_DEVICE_ID ? MCIERR_INVALID_DEVICE_ID
                                                                  : MCIERR_UNRECOGNIZED_COMMAND;
        break;
    }
    // A command that asked for notification and succeeded is told so; the
    // play's own notification comes at the sound's end instead.
    if (rc == 0 && (flags & MCI_NOTIFY) && uMsg != MCI_PLAY && uMsg != MCI_OPEN && generic)
        Notify(reinterpret_cast<HWND>(generic->dwCallback), MCI_NOTIFY_SUCCESSFUL, mciId);
    const bool started = uMsg == MCI_PLAY && rc == 0;
    Trace(command, traced, element, rc, started ? &found->second : nullptr);
    return rc;
}

WINBASEAPI BOOL WINAPI mciGetErrorStringA(MCIERROR mcierr, LPSTR pszText, UINT cchText) {
    if (pszText == nullptr || cchText == 0) return FALSE;
    for (const ErrorText& e : kErrorTexts)
        if (e.code == mcierr) {
            platform::CopyCut(e.text, pszText, cchText);
            return TRUE;
        }
    pszText[0] = '\0';
    return FALSE;
}
