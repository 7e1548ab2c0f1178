#include "settings.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace machine {
namespace {

enum class Kind { Int, Bool, Text };

struct KeyInfo {
    const char* section;
    const char* key;
    Kind kind;
    const char* defaultValue;
    const char* comment;
};

// Every key of machine.ini. docs/machine.md describes each one.
const KeyInfo kKeys[] = {
    {"user", "language", Kind::Int, "1033",
     "Windows language id of the user; resources are chosen by it"},
    // The mixer devices (machine/card_mixer.h, docs/mixer.md).
    {"mixer", "devices", Kind::Int, "1", "number of mixer devices; 0: none at all"},
    {"mixer", "card_device", Kind::Int, "0",
     "which mixer device, counted from 0, is the card's; the others belong to other hardware"},
    {"mixer", "card_mid", Kind::Int, "0x013E", "manufacturer id (wMid) of the card's mixer"},
    {"mixer", "other_mid", Kind::Int, "1", "manufacturer id (wMid) of the other mixer devices"},
    {"mixer", "broken_device", Kind::Int, "-1",
     "a mixer device, counted from 0, whose driver fails every request, its capabilities "
     "included; -1: none"},
    {"mixer", "playback_sources", Kind::Text, "wave,synth,cd,mic,linein",
     "sources of the playback destination in the driver's order (wave, synth, cd, mic, linein, "
     "mix), each as KIND or KIND:LINEID; a kind left out is a missing line"},
    {"mixer", "record_sources", Kind::Text, "mix,mic,cd,linein",
     "sources of the recording destination, as for playback_sources"},
    {"mixer", "record_mux", Kind::Bool, "1",
     "the recording destination has a multiplexer that selects its source"},
    {"mixer", "mono_lines", Kind::Text, "",
     "lines with one channel: playback, record, or DEST.KIND such as record.mic"},
    // The DirectSound devices and the 3D driver (machine/dsound_devices.h).
    {"q3d", "environment_kind", Kind::Int, "0",
     "the 3D driver's environment at start: 0 a reverb environment, 1 a QSound preset"},
    {"q3d", "environment_index", Kind::Int, "-1",
     "the 3D driver's environment index at start (-1: none)"},
    {"dsound", "devices", Kind::Int, "1",
     "number of DirectSound devices; device 0 is the card's and the default"},
    {"dsound", "held", Kind::Text, "",
     "devices, counted from 0, that another program holds: creating DirectSound on them fails"},
    {"dsound", "held_from", Kind::Int, "0",
     "from this clock time (ms) on another program holds every device; 0: never"},
    {"dsound", "no_hardware_3d", Kind::Text, "", "devices without hardware 3D buffers"},
    {"dsound", "no_property_set", Kind::Text, "",
     "devices whose buffers have no property-set interface"},
    {"dsound", "no_q3d", Kind::Text, "", "devices that the 3D-audio driver does not serve"},
    {"dsound", "speaker_config", Kind::Int, "4",
     "DirectSound speaker configuration until a program sets one (4: stereo)"},
    {"dsound", "speaker_config_fails", Kind::Bool, "0",
     "the driver refuses every new speaker configuration: SetSpeakerConfig fails"},
    // Where the card's wave output is heard (machine/wave_device.h).
    {"sound", "output", Kind::Text, "default",
     "the host's ALSA device that plays the card's wave output; off or empty: silent"},
    // The PCI bus (machine/pci_bus.h).
    {"pci", "card_present", Kind::Bool, "1", "the card sits on the PCI bus"},
    {"pci", "card_bus", Kind::Int, "0", "the card's bus number, 0 to 255"},
    {"pci", "card_device", Kind::Int, "10", "the card's device number, 0 to 31"},
    {"pci", "card_function", Kind::Int, "0", "the card's function number, 0 to 7"},
    {"pci", "card_device_id", Kind::Int, "0x0C52",
     "the chip variant's device id (vendor 0x5A3E): 0x0C52, or 0x2A0D for the other chip"},
    {"pci", "card_in_bios", Kind::Bool, "1",
     "the card's header carries its ids, so the BIOS finds it; 0: they stand only in register "
     "0x98, where only a scan of the bus finds them"},
    {"pci", "card_revision", Kind::Int, "1", "the card's revision byte, 0 to 255"},
    {"pci", "bios_read_fails", Kind::Bool, "0",
     "the BIOS service that reads a configuration byte fails"},
    {"pci", "other_devices", Kind::Text, "0:0.0=8086:7190,0:7.0=8086:7110",
     "the other devices, each BUS:DEVICE.FUNCTION=VENDOR:DEVICE (place in decimal, ids in "
     "hexadecimal); one at the card's place is left out"},
    // The shell (platform/shell/).
    {"shell", "folder_window", Kind::Text, "",
     "title of a folder window (class \"CabinetWClass\") open on the desktop at start; empty: "
     "none"},
    // Faults for the tests (platform/host/faults.h, docs/machine.md).
    {"faults", "dsound_call", Kind::Int, "0",
     "the N-th DirectSound call of the run fails with DSERR_GENERIC; 0: none"},
    {"faults", "mixer_call", Kind::Int, "0",
     "the N-th mixer call of the run fails with MMSYSERR_ERROR (mixerGetNumDevs answers 0); 0: "
     "none"},
    {"faults", "disk_free", Kind::Int, "-1",
     "bytes the program's file writes may add to the disk in a run before it is full; -1: no "
     "limit"},
    // The card's 16-bit driver side, CVTHK16 (machine/components/cvthk16.cpp).
    {"driver", "busy_polls", Kind::Int, "2",
     "readiness requests (110) answered busy before the driver side reports ready; -1: busy for "
     "ever"},
    {"driver", "effects", Kind::Int, "1",
     "the answer to the effects request (111); 0: the card offers no 3D effects"},
    {"driver", "thk_checksum", Kind::Int, "0x2BB",
     "checksum of the 16-bit half of the outgoing thunk script; another value makes the bridge "
     "refuse to load"},
    {"driver", "ttk_checksum", Kind::Int, "0x25D",
     "checksum of the 16-bit half of the incoming thunk script; another value makes the bridge "
     "refuse to load"},
};

const KeyInfo* Find(std::string_view section, std::string_view key) {
    auto same = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(a[i])) !=
                std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    };
    for (const KeyInfo& k : kKeys)
        if (same(k.section, section) && same(k.key, key)) return &k;
    return nullptr;
}

std::string Id(const KeyInfo& k) { return std::string(k.section) + "." + k.key; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool ParseInt(std::string_view text, long* out) {
    std::string s(text);
    if (s.empty() || s.size() > 24) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || end == s.c_str()) return false;
    // Values are 32-bit on the machine; accept the unsigned range too (ids).
    if (v < LONG_MIN || v > 0xFFFFFFFFLL) return false;
    *out = static_cast<long>(v);
    return true;
}

bool ParseBool(std::string_view s, bool* out) {
    if (s == "1" || s == "yes" || s == "true" || s == "on") return *out = true, true;
    if (s == "0" || s == "no" || s == "false" || s == "off") return *out = false, true;
    return false;
}

bool Check(const KeyInfo& k, std::string_view value, std::string* error) {
    long n;
    bool b;
    if (k.kind == Kind::Int && !ParseInt(value, &n)) {
        *error = "'" + Id(k) + "' takes a number, not '" + std::string(value) + "'";
        return false;
    }
    if (k.kind == Kind::Bool && !ParseBool(value, &b)) {
        *error = "'" + Id(k) + "' takes 0 or 1, not '" + std::string(value) + "'";
        return false;
    }
    return true;
}

} // namespace

Settings::Settings() {
    for (const KeyInfo& k : kKeys) values_[Id(k)] = k.defaultValue;
}

bool Settings::Set(std::string_view section, std::string_view key, std::string_view value,
                   std::string* error) {
    const KeyInfo* k = Find(section, key);
    if (k == nullptr) {
        *error = "unknown key '" + std::string(key) + "' in section [" + std::string(section) + "]";
        return false;
    }
    if (!Check(*k, value, error)) return false;
    values_[Id(*k)] = std::string(value);
    return true;
}

bool Settings::Load(const std::filesystem::path& file, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        *error = file.string() + ": cannot be read";
        return false;
    }
    Settings loaded = *this;
    std::string line, section;
    int number = 0;
    auto fail = [&](const std::string& what) {
        *error = file.string() + ":" + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        if (line.size() > 4096) return fail("line too long");
        std::string_view s = Trim(line);
        if (number == 1 && s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
        if (s.empty() || s.front() == ';' || s.front() == '#') continue;
        if (s.front() == '[') {
            if (s.back() != ']') return fail("a section line must end with ']'");
            section = std::string(Trim(s.substr(1, s.size() - 2)));
            bool known = false;
            for (const KeyInfo& k : kKeys) known = known || Find(section, k.key) == &k;
            if (!known) return fail("unknown section [" + section + "]");
            continue;
        }
        size_t eq = s.find('=');
        if (eq == std::string_view::npos) return fail("expected 'key = value'");
        if (section.empty()) return fail("a key before the first section");
        std::string what;
        if (!loaded.Set(section, Trim(s.substr(0, eq)), Trim(s.substr(eq + 1)), &what))
            return fail(what);
    }
    *this = std::move(loaded);
    return true;
}

long Settings::Int(std::string_view section, std::string_view key) const {
    const KeyInfo* k = Find(section, key);
    long v = 0;
    if (k != nullptr) ParseInt(values_.at(Id(*k)), &v);
    return v;
}

bool Settings::Bool(std::string_view section, std::string_view key) const {
    const KeyInfo* k = Find(section, key);
    bool v = false;
    if (k != nullptr) ParseBool(values_.at(Id(*k)), &v);
    return v;
}

const std::string& Settings::Text(std::string_view section, std::string_view key) const {
    static const std::string empty;
    const KeyInfo* k = Find(section, key);
    return k != nullptr ? values_.at(Id(*k)) : empty;
}

std::string Settings::DefaultFileText() {
    std::ostringstream out;
    out << "; The hardware profile of this machine. docs/machine.md describes every key.\n";
    std::string section;
    for (const KeyInfo& k : kKeys) {
        if (section != k.section) {
            section = k.section;
            out << "\n[" << section << "]\n";
        }
        out << "; " << k.comment << "\n" << k.key << " = " << k.defaultValue << "\n";
    }
    return out.str();
}

} // namespace machine
