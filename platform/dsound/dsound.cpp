// DirectSound over the machine's DirectSound devices
// (machine/dsound_devices.h): enumeration, the DirectSound object, sound
// buffers, and the property-set interface of a hardware buffer, which
// reaches the 3D-audio driver (machine/q3d_driver.h).
#include <windows.h>
#include <dsound.h>

#include "dsound/com_objects.h"
#include "dsound_devices.h"
#include "host/clock.h"
#include "host/context.h"
#include "host/faults.h"
#include "host/trace.h"
#include "machine.h"
#include "q3d_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

using machine::DirectSoundDeviceInfo;

int liveObjects = 0;
int misusedCalls = 0;

// The reference count shared by all interfaces of one object.
class ComObject {
  public:
    virtual ~ComObject() = default;

  protected:
    ComObject() { ++liveObjects; }
    bool Released() const { return released_; }
    ULONG Misused() {
        ++misusedCalls;
        return 0;
    }
    ULONG AddRefCount() {
        if (released_) return Misused();
        return ++refs_;
    }
    ULONG ReleaseCount() {
        if (released_) return Misused();
        if (--refs_ == 0) {
            released_ = true;
            --liveObjects;
            OnReleased();
        }
        return refs_;
    }
    // Frees what the object holds once the last reference is gone.
    virtual void OnReleased() {}

  private:
    ULONG refs_ = 1;
    bool released_ = false;
};

// Every object made, released ones included, so that a stale pointer still
// points at an object that notices the misuse.
std::vector<std::unique_ptr<ComObject>>& AllObjects() {
    static std::vector<std::unique_ptr<ComObject>> objects;
    return objects;
}

template <class T, class... Args> T* Make(Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (object != nullptr) AllObjects().emplace_back(object);
    return object;
}

std::string GuidText(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

const char* SetName(REFGUID set) {
    if (set == machine::kQ3DOptionSet) return "Q3DOptionSet";
    if (set == machine::kQ3DDriverSet) return "Q3DDriverSet";
    return nullptr;
}

bool ValidFormat(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

class SoundBuffer final : public IDirectSoundBuffer, public IKsPropertySet, public ComObject {
  public:
    SoundBuffer(const DirectSoundDeviceInfo& device, const DSBUFFERDESC& desc, bool inHardware)
        : device_(device), flags_(desc.dwFlags), bytes_(desc.dwBufferBytes) {
        if (desc.lpwfxFormat != nullptr) format_ = *desc.lpwfxFormat;
        flags_ &= ~(DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE);
        flags_ |= inHardware ? DSBCAPS_LOCHARDWARE : DSBCAPS_LOCSOFTWARE;
        frequency_ = format_.nSamplesPerSec;
        // The driver's property sets belong to its hardware buffers.
        propertySet_ = inHardware && device.propertySet && !(flags_ & DSBCAPS_PRIMARYBUFFER);
    }

    // IUnknown, for both interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (Released()) return Misused(), E_FAIL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "QueryInterface"))
            return E_FAIL;
        if (riid == IID_IUnknown || riid == IID_IDirectSoundBuffer)
            *out = static_cast<IDirectSoundBuffer*>(this);
        else if (riid == IID_IKsPropertySet && propertySet_)
            *out = static_cast<IKsPropertySet*>(this);
        else
            return E_NOINTERFACE;
        AddRefCount();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefCount(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseCount(); }

    // IDirectSoundBuffer
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
        caps->dwFlags = flags_;
        caps->dwBufferBytes = bytes_;
        caps->dwUnlockTransferRate = 0;
        caps->dwPlayCpuOverhead = 0;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        // Nothing is mixed: the cursors stay where they were put.
        if (play != nullptr) *play = position_;
        if (write != nullptr) *write = position_;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD size,
                                        LPDWORD written) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (format == nullptr && written == nullptr) return DSERR_INVALIDPARAM;
        if (format != nullptr) {
            if (size < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
            *format = format_;
        }
        if (written != nullptr) *written = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVolume(LONG* volume) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (volume == nullptr) return DSERR_INVALIDPARAM;
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        *volume = volume_;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPan(LONG* pan) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (pan == nullptr) return DSERR_INVALIDPARAM;
        if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        *pan = pan_;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD frequency) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (frequency == nullptr) return DSERR_INVALIDPARAM;
        if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
        *frequency = frequency_;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (status == nullptr) return DSERR_INVALIDPARAM;
        *status = playing_ ? DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0) : 0;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTSOUND, LPCDSBUFFERDESC) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        return DSERR_ALREADYINITIALIZED;
    }
    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* ptr1, LPDWORD bytes1,
                                   LPVOID* ptr2, LPDWORD bytes2, DWORD flags) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (ptr1 == nullptr || bytes1 == nullptr || (flags_ & DSBCAPS_PRIMARYBUFFER))
            return DSERR_INVALIDPARAM;
        if (flags & DSBLOCK_FROMWRITECURSOR) offset = position_;
        if (flags & DSBLOCK_ENTIREBUFFER) bytes = bytes_;
        if (offset >= bytes_ || bytes == 0 || bytes > bytes_) return DSERR_INVALIDPARAM;
        if (memory_.size() != bytes_) {
            try {
                memory_.assign(bytes_, 0);
            } catch (const std::bad_alloc&) {
                return DSERR_OUTOFMEMORY;
            }
        }
        // A region past the end wraps round to the start.
        const DWORD first = std::min(bytes, bytes_ - offset);
        *ptr1 = memory_.data() + offset;
        *bytes1 = first;
        if (ptr2 != nullptr) *ptr2 = bytes > first ? memory_.data() : nullptr;
        if (bytes2 != nullptr) *bytes2 = bytes - first;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Play(DWORD, DWORD, DWORD flags) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        playing_ = true;
        looping_ = (flags & DSBPLAY_LOOPING) != 0;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (position >= bytes_) return DSERR_INVALIDPARAM;
        position_ = position;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX format) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (!(flags_ & DSBCAPS_PRIMARYBUFFER)) return DSERR_INVALIDCALL;
        if (format == nullptr || !ValidFormat(*format)) return DSERR_BADFORMAT;
        format_ = *format;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
        volume_ = volume;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPan(LONG pan) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
        pan_ = pan;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (!(flags_ & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
        if (frequency != 0 && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
            return DSERR_INVALIDPARAM;
        frequency_ = frequency != 0 ? frequency : format_.nSamplesPerSec;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop() override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        playing_ = false;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID, DWORD, LPVOID, DWORD) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE Restore() override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        return DS_OK;
    }

    // IKsPropertySet: the 3D-audio driver's two property sets.
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, ULONG id, LPVOID, ULONG, LPVOID data, ULONG length,
                                  ULONG* returned) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "Get"))
            return DSERR_GENERIC;
        std::vector<uint8_t> value;
        HRESULT hr = Property(set, id, &value);
        if (hr == S_OK && (data == nullptr || length < value.size())) hr = DSERR_INVALIDPARAM;
        if (hr == S_OK) {
            std::memcpy(data, value.data(), value.size());
            if (returned != nullptr) *returned = static_cast<ULONG>(value.size());
        } else {
            value.clear();
            if (returned != nullptr) *returned = 0;
        }
        TraceProperty("ks.get", set, id, value.data(), value.size(), hr);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, ULONG id, LPVOID, ULONG, LPVOID data,
                                  ULONG length) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "Set"))
            return DSERR_GENERIC;
        HRESULT hr = Served(set);
        const machine::Q3DSet which =
            set == machine::kQ3DOptionSet ? machine::Q3DSet::Option : machine::Q3DSet::Driver;
        const size_t size = hr == S_OK ? machine::Q3DPropertySize(which, id) : 0;
        if (hr == S_OK && size == 0) hr = E_PROP_ID_UNSUPPORTED;
        if (hr == S_OK && !machine::Q3DPropertyWritable(which, id)) hr = DSERR_UNSUPPORTED;
        if (hr == S_OK && (data == nullptr || length != size)) hr = DSERR_INVALIDPARAM;
        if (hr == S_OK) {
            const uint8_t* bytes = static_cast<const uint8_t*>(data);
            if (!machine::SetQ3DProperty(*platform::CurrentMachine(), which, id,
                                         std::vector<uint8_t>(bytes, bytes + size)))
                hr = DSERR_GENERIC;
        }
        TraceProperty("ks.set", set, id, data, data != nullptr ? length : 0, hr);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE QuerySupport(REFGUID set, ULONG id, ULONG* support) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "QuerySupport"))
            return DSERR_GENERIC;
        HRESULT hr = support != nullptr ? S_OK : DSERR_INVALIDPARAM;
        ULONG mask = 0;
        if (hr == S_OK && SetName(set) == nullptr) hr = E_PROP_SET_UNSUPPORTED;
        // A device that the driver does not serve answers, but supports nothing.
        if (hr == S_OK && device_.q3d) {
            const machine::Q3DSet which =
                set == machine::kQ3DOptionSet ? machine::Q3DSet::Option : machine::Q3DSet::Driver;
            if (machine::Q3DPropertySize(which, id) == 0)
                hr = E_PROP_ID_UNSUPPORTED;
            else
                mask = KSPROPERTY_SUPPORT_GET |
                       (machine::Q3DPropertyWritable(which, id) ? KSPROPERTY_SUPPORT_SET : 0);
        }
        if (hr == S_OK) *support = mask;
        TraceProperty("ks.support", set, id, hr == S_OK ? &mask : nullptr,
                      hr == S_OK ? sizeof mask : 0, hr);
        return hr;
    }

  private:
    void OnReleased() override { std::vector<uint8_t>().swap(memory_); }

    // Whether the driver answers this set on this buffer's device.
    HRESULT Served(REFGUID set) const {
        if (SetName(set) == nullptr) return E_PROP_SET_UNSUPPORTED;
        if (!device_.q3d || platform::CurrentMachine() == nullptr) return E_PROP_ID_UNSUPPORTED;
        return S_OK;
    }

    HRESULT Property(REFGUID set, ULONG id, std::vector<uint8_t>* value) const {
        if (HRESULT hr = Served(set)) return hr;
        const machine::Q3DSet which =
            set == machine::kQ3DOptionSet ? machine::Q3DSet::Option : machine::Q3DSet::Driver;
        return machine::GetQ3DProperty(*platform::CurrentMachine(), which, id, value)
                   ? S_OK
                   : E_PROP_ID_UNSUPPORTED;
    }

    void TraceProperty(const char* ev, REFGUID set, ULONG id, const void* data, size_t size,
                       HRESULT hr) const {
        const char* name = SetName(set);
        platform::TraceEvent(ev)
            .Str("set", name != nullptr ? name : GuidText(set))
            .Int("id", id)
            .Hex("data", data, size)
            .Int("result", hr);
    }

    DirectSoundDeviceInfo device_;
    DWORD flags_;
    DWORD bytes_;
    WAVEFORMATEX format_{};
    bool propertySet_ = false;
    std::vector<uint8_t> memory_; // made at the first Lock
    DWORD position_ = 0;
    LONG volume_ = DSBVOLUME_MAX;
    LONG pan_ = 0;
    DWORD frequency_ = 0;
    bool playing_ = false;
    bool looping_ = false;
};

class DirectSoundObject final : public IDirectSound, public ComObject {
  public:
    explicit DirectSoundObject(const DirectSoundDeviceInfo& device) : device_(device) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (Released()) return Misused(), E_FAIL;
        if (riid != IID_IUnknown && riid != IID_IDirectSound) return E_NOINTERFACE;
        *out = static_cast<IDirectSound*>(this);
        AddRefCount();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefCount(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseCount(); }

    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                                LPUNKNOWN outer) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "CreateSoundBuffer"))
            return DSERR_GENERIC;
        HRESULT hr = Create(desc, buffer, outer);
        platform::TraceEvent("ds.buffer")
            .Int("device", device_.index)
            .Int("value", desc != nullptr ? static_cast<long long>(desc->dwFlags) : 0)
            .Int("result", hr);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS caps) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (caps == nullptr || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
        std::memset(caps, 0, sizeof *caps);
        caps->dwSize = sizeof *caps;
        caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT |
                        DSCAPS_PRIMARY16BIT | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO |
                        DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
        caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
        caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
        caps->dwPrimaryBuffers = 1;
        const DWORD hw3d = device_.hardware3d ? 32 : 0;
        caps->dwMaxHw3DAllBuffers = caps->dwMaxHw3DStaticBuffers =
            caps->dwMaxHw3DStreamingBuffers = hw3d;
        caps->dwFreeHw3DAllBuffers = caps->dwFreeHw3DStaticBuffers =
            caps->dwFreeHw3DStreamingBuffers = hw3d;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER,
                                                   LPDIRECTSOUNDBUFFER* duplicate) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (duplicate != nullptr) *duplicate = nullptr;
        return DSERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD level) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "SetCooperativeLevel"))
            return DSERR_GENERIC;
        HRESULT hr = DS_OK;
        if (hwnd == nullptr || !IsWindow(hwnd) || level < DSSCL_NORMAL ||
            level > DSSCL_WRITEPRIMARY)
            hr = DSERR_INVALIDPARAM;
        else
            level_ = level;
        platform::TraceEvent("ds.coop")
            .Int("device", device_.index)
            .Int("value", level)
            .Int("result", hr);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Compact() override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        return level_ >= DSSCL_PRIORITY ? DS_OK : DSERR_PRIOLEVELNEEDED;
    }
    HRESULT STDMETHODCALLTYPE GetSpeakerConfig(LPDWORD config) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "GetSpeakerConfig"))
            return DSERR_GENERIC;
        if (config == nullptr) return DSERR_INVALIDPARAM;
        machine::Machine* m = platform::CurrentMachine();
        if (m == nullptr) return DSERR_NODRIVER;
        *config = machine::GetSpeakerConfig(*m);
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSpeakerConfig(DWORD config) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        if (platform::InjectFault(platform::FaultFamily::DirectSound, "SetSpeakerConfig"))
            return DSERR_GENERIC;
        machine::Machine* m = platform::CurrentMachine();
        const DWORD kind = DSSPEAKER_CONFIG(config);
        const DWORD geometry = DSSPEAKER_GEOMETRY(config);
        HRESULT hr = DS_OK;
        if (kind < DSSPEAKER_HEADPHONE || kind > DSSPEAKER_5POINT1 || (config & 0xFF00FF00u) ||
            (geometry != 0 && (kind != DSSPEAKER_STEREO || geometry < DSSPEAKER_GEOMETRY_MIN)))
            hr = DSERR_INVALIDPARAM;
        else if (m == nullptr || !machine::SetSpeakerConfig(*m, config))
            hr = DSERR_GENERIC;
        platform::TraceEvent("ds.speakerconfig")
            .Int("device", device_.index)
            .Int("value", config)
            .Int("result", hr);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Initialize(LPCGUID) override {
        if (Released()) return Misused(), DSERR_INVALIDCALL;
        return DSERR_ALREADYINITIALIZED;
    }

  private:
    HRESULT Create(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) {
        if (buffer == nullptr) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer != nullptr) return DSERR_NOAGGREGATION;
        // The DirectX 5 description, or the later one that adds a 3D algorithm.
        if (desc == nullptr || (desc->dwSize != sizeof(DSBUFFERDESC) && desc->dwSize != 36))
            return DSERR_INVALIDPARAM;
        const DWORD flags = desc->dwFlags;
        if ((flags & DSBCAPS_LOCHARDWARE) && (flags & DSBCAPS_LOCSOFTWARE))
            return DSERR_INVALIDPARAM;
        if (flags & DSBCAPS_PRIMARYBUFFER) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat != nullptr) return DSERR_INVALIDPARAM;
        } else {
            if (desc->lpwfxFormat == nullptr || desc->dwBufferBytes < DSBSIZE_MIN ||
                desc->dwBufferBytes > DSBSIZE_MAX)
                return DSERR_INVALIDPARAM;
            if (!ValidFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
            // A sound placed in space has one channel.
            if ((flags & DSBCAPS_CTRL3D) && desc->lpwfxFormat->nChannels != 1)
                return DSERR_INVALIDPARAM;
        }
        const bool needs3d = (flags & DSBCAPS_CTRL3D) != 0;
        if ((flags & DSBCAPS_LOCHARDWARE) && needs3d && !device_.hardware3d)
            return DSERR_CONTROLUNAVAIL;
        const bool inHardware =
            !(flags & DSBCAPS_LOCSOFTWARE) && (!needs3d || device_.hardware3d);
        SoundBuffer* made = Make<SoundBuffer>(device_, *desc, inHardware);
        if (made == nullptr) return DSERR_OUTOFMEMORY;
        *buffer = made;
        return DS_OK;
    }

    DirectSoundDeviceInfo device_;
    DWORD level_ = 0;
};

} // namespace

namespace platform::dsound {

ObjectCounts CountObjects() { return {liveObjects, misusedCalls}; }

} // namespace platform::dsound

WINBASEAPI HRESULT WINAPI DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context) {
    if (platform::InjectFault(platform::FaultFamily::DirectSound, "DirectSoundEnumerateA"))
        return DSERR_GENERIC;
    if (callback == nullptr) return DSERR_INVALIDPARAM;
    machine::Machine* m = platform::CurrentMachine();
    if (m == nullptr) return DS_OK;
    const std::vector<DirectSoundDeviceInfo> devices = machine::DirectSoundDevices(*m);
    if (devices.empty()) return DS_OK;
    if (!callback(nullptr, "Primary Sound Driver", "", context)) return DS_OK;
    for (const DirectSoundDeviceInfo& d : devices) {
        GUID guid = d.guid; // the callee may keep only a copy
        if (!callback(&guid, d.description.c_str(), d.module.c_str(), context)) break;
    }
    return DS_OK;
}

WINBASEAPI HRESULT WINAPI DirectSoundCreate(LPCGUID pcGuidDevice, LPDIRECTSOUND* ppDS,
                                            LPUNKNOWN pUnkOuter) {
    static constexpr GUID kNullGuid{};
    machine::Machine* m = platform::CurrentMachine();
    std::optional<DirectSoundDeviceInfo> device;
    HRESULT hr = DS_OK;
    if (ppDS == nullptr) {
        hr = DSERR_INVALIDPARAM;
    } else {
        *ppDS = nullptr;
        if (pUnkOuter != nullptr) hr = DSERR_NOAGGREGATION;
    }
    if (hr == DS_OK && platform::InjectFault(platform::FaultFamily::DirectSound, "DirectSoundCreate"))
        hr = DSERR_GENERIC;
    if (hr == DS_OK) {
        const std::vector<DirectSoundDeviceInfo> devices =
            m != nullptr ? machine::DirectSoundDevices(*m) : std::vector<DirectSoundDeviceInfo>{};
        // No GUID, or the null GUID, is the default device.
        for (const DirectSoundDeviceInfo& d : devices)
            if ((pcGuidDevice == nullptr || *pcGuidDevice == kNullGuid)
                    ? d.index == 0
                    : *pcGuidDevice == d.guid)
                device = d;
        // From [dsound] held_from on (a clock value, 0: never), another
        // program holds every device.
        const long heldFrom = m != nullptr ? m->settings().Int("dsound", "held_from") : 0;
        if (!device)
            hr = DSERR_NODRIVER;
        else if (device->held ||
                 (heldFrom > 0 && platform::ClockNow() >= static_cast<uint32_t>(heldFrom)))
            hr = DSERR_ALLOCATED;
    }
    if (hr == DS_OK) {
        if (device->q3d) machine::StartQ3DDriver(*m);
        DirectSoundObject* made = Make<DirectSoundObject>(*device);
        if (made == nullptr)
            hr = DSERR_OUTOFMEMORY;
        else
            *ppDS = made;
    }
    platform::TraceEvent ev("ds.create");
    if (device)
        ev.Int("device", device->index);
    else
        ev.Null("device");
    if (pcGuidDevice != nullptr)
        ev.Str("value", GuidText(*pcGuidDevice));
    else
        ev.Null("value");
    ev.Int("result", hr);
    return hr;
}
