#include "effects3d/directsound3d.h"

#include "effects3d/q3d_settings.h"

namespace {

// One reference to a COM object, released when the holder goes. Holders
// declared in the order the objects are obtained release them in the
// opposite order: property set, buffer, DirectSound object.
template <class Interface> class ComHolder {
  public:
    ComHolder() = default;
    ~ComHolder() { Reset(); }
    ComHolder(const ComHolder&) = delete;
    ComHolder& operator=(const ComHolder&) = delete;

    Interface* operator->() const { return object_; }
    Interface* Get() const { return object_; }
    // Where a call that hands out a reference puts it.
    Interface** Slot() { return &object_; }
    void** VoidSlot() { return reinterpret_cast<void**>(&object_); }
    // Takes over a reference the caller has counted.
    void Attach(Interface* object) {
        Reset();
        object_ = object;
    }
    // Hands the reference on to the caller.
    Interface* Detach() {
        Interface* object = object_;
        object_ = nullptr;
        return object;
    }
    void Reset() {
        if (object_ != nullptr) object_->Release();
        object_ = nullptr;
    }

  private:
    Interface* object_ = nullptr;
};

// A mono 16-bit hardware 3D buffer of 1024 bytes, made only to reach the 3D
// driver's property sets: nothing is ever written to it or played.
WAVEFORMATEX probe3DFormat = {WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
const DSBUFFERDESC Probe3DBufferDesc = {sizeof(DSBUFFERDESC), DSBCAPS_CTRL3D | DSBCAPS_LOCHARDWARE,
                                        1024, 0, &probe3DFormat};
static_assert(sizeof(DSBUFFERDESC) == 20 && sizeof(WAVEFORMATEX) == 18, "DirectX 5 layouts");

} // namespace

HRESULT CheckQ3DDevice(const GUID* deviceGuid, IDirectSound* directSound, HWND window) {
    ComHolder<IDirectSound> sound;
    if (directSound != nullptr) {
        directSound->AddRef();
        sound.Attach(directSound);
    } else {
        const HRESULT hr = DirectSoundCreate(deviceGuid, sound.Slot(), nullptr);
        // A device that another program holds cannot be examined while it
        // is held; it counts as served.
        if (hr == DSERR_ALLOCATED) return DS_OK;
        if (FAILED(hr)) return hr;
    }

    // Only the buffer's answers decide; the level's result does not.
    sound->SetCooperativeLevel(window, DSSCL_NORMAL);

    ComHolder<IDirectSoundBuffer> buffer;
    HRESULT hr = sound->CreateSoundBuffer(&Probe3DBufferDesc, buffer.Slot(), nullptr);
    if (FAILED(hr)) return hr;

    ComHolder<IKsPropertySet> propertySet;
    hr = buffer->QueryInterface(IID_IKsPropertySet, propertySet.VoidSlot());
    if (FAILED(hr)) return hr;

    ULONG support = 0;
    hr = propertySet->QuerySupport(Q3DDriverSet, Q3D_DRIVER_VERSION, &support);
    if (FAILED(hr)) return hr;
    if (support == 0) return E_NOTIMPL;
    return DS_OK;
}

HRESULT ProbeDirectSound3D(const GUID* deviceGuid, HWND window, IDirectSound** directSound,
                           IKsPropertySet** propertySet) {
    if (directSound == nullptr || propertySet == nullptr) return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    *propertySet = nullptr;

    ComHolder<IDirectSound> sound;
    HRESULT hr = DirectSoundCreate(deviceGuid, sound.Slot(), nullptr);
    if (FAILED(hr)) return hr;
    hr = sound->SetCooperativeLevel(window, DSSCL_NORMAL);
    if (FAILED(hr)) return hr;

    ComHolder<IDirectSoundBuffer> buffer;
    hr = sound->CreateSoundBuffer(&Probe3DBufferDesc, buffer.Slot(), nullptr);
    if (FAILED(hr)) return hr;

    ComHolder<IKsPropertySet> properties;
    hr = buffer->QueryInterface(IID_IKsPropertySet, properties.VoidSlot());
    if (FAILED(hr)) return hr;

    // The property set keeps the buffer alive for the caller.
    buffer.Reset();
    *propertySet = properties.Detach();
    *directSound = sound.Detach();
    return DS_OK;
}

HRESULT ApplySpeakerConfig(int speakerCode) {
    // The window first: the registry write and DirectSound must not change
    // which window the level is set for.
    HWND window = GetActiveWindow();

    DWORD config;
    if (speakerCode == 1)
        config = DSSPEAKER_HEADPHONE;
    else if (speakerCode == 4 || speakerCode == 6)
        config = DSSPEAKER_QUAD;
    else
        config = DSSPEAKER_STEREO;

    // The 3D driver reads the arrangement from its key, so it is stored even
    // when DirectSound cannot be reached.
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, Q3D_CLASS_KEY, &key) == ERROR_SUCCESS) {
        StoreBinaryWord(key, "SpeakerConfig", config);
        RegCloseKey(key);
    }

    // The arrangement goes to the default device, not to the probed one.
    ComHolder<IDirectSound> sound;
    HRESULT hr = DirectSoundCreate(nullptr, sound.Slot(), nullptr);
    if (FAILED(hr)) {
        OutputDebugStringA("DirectSoundCreate error");
        return hr;
    }
    hr = sound->SetCooperativeLevel(window, DSSCL_NORMAL);
    if (FAILED(hr)) {
        OutputDebugStringA("SetCooperativeLevel error");
        return hr;
    }
    hr = sound->SetSpeakerConfig(config);
    if (FAILED(hr)) return hr;
    return DS_OK;
}
