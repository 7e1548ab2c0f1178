// DirectSound (the DirectX 5 interfaces) with the kernel-streaming property
// set interface of a buffer. COM interfaces are C++ abstract classes whose
// virtual methods sit in the documented vtable order, called stdcall.
#pragma once

#include "windows.h"
#include "mmsystem.h"

#ifdef __cplusplus

// GUIDs compare by value.
inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    const BYTE* x = reinterpret_cast<const BYTE*>(&a);
    const BYTE* y = reinterpret_cast<const BYTE*>(&b);
    for (size_t i = 0; i < sizeof(GUID); ++i)
        if (x[i] != y[i]) return false;
    return true;
}
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }
#define IsEqualIID(a, b) IsEqualGUID(a, b)

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000,
                                     {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDirectSound = {0x279AFA83, 0x4981, 0x11CE,
                                         {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE,
                                               {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IKsPropertySet = {0x31EFAC30, 0x515C, 0x11D0,
                                           {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};

// Results. DirectSound's own codes have facility 0x878.
#define _FACDS 0x878
#define MAKE_DSHRESULT(code) ((HRESULT)(0x80000000L | (_FACDS << 16) | (code)))

#define DS_OK S_OK
#define DSERR_ALLOCATED MAKE_DSHRESULT(10)
#define DSERR_CONTROLUNAVAIL MAKE_DSHRESULT(30)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL MAKE_DSHRESULT(50)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED MAKE_DSHRESULT(70)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT MAKE_DSHRESULT(100)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER MAKE_DSHRESULT(120)
#define DSERR_ALREADYINITIALIZED MAKE_DSHRESULT(130)
#define DSERR_NOAGGREGATION ((HRESULT)0x80040110L)
#define DSERR_BUFFERLOST MAKE_DSHRESULT(150)
#define DSERR_OTHERAPPHASPRIO MAKE_DSHRESULT(160)
#define DSERR_UNINITIALIZED MAKE_DSHRESULT(170)
#define DSERR_NOINTERFACE E_NOINTERFACE

// Results of the property set calls for a set or property that the driver
// does not know (Win32 errors 1168 and 1170 as results).
#define E_PROP_ID_UNSUPPORTED ((HRESULT)0x80070490L)
#define E_PROP_SET_UNSUPPORTED ((HRESULT)0x80070492L)

// Co-operative levels.
#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

// Speaker configurations: the configuration in the low byte, for stereo a
// geometry (degrees) in the third byte.
#define DSSPEAKER_HEADPHONE 0x00000001
#define DSSPEAKER_MONO 0x00000002
#define DSSPEAKER_QUAD 0x00000003
#define DSSPEAKER_STEREO 0x00000004
#define DSSPEAKER_SURROUND 0x00000005
#define DSSPEAKER_5POINT1 0x00000006
#define DSSPEAKER_GEOMETRY_MIN 0x00000005
#define DSSPEAKER_GEOMETRY_NARROW 0x0000000A
#define DSSPEAKER_GEOMETRY_WIDE 0x00000014
#define DSSPEAKER_GEOMETRY_MAX 0x000000B4
#define DSSPEAKER_COMBINED(c, g) ((DWORD)(((BYTE)(c)) | ((DWORD)((BYTE)(g))) << 16))
#define DSSPEAKER_CONFIG(a) ((BYTE)(a))
#define DSSPEAKER_GEOMETRY(a) ((BYTE)(((DWORD)(a) >> 16) & 0x00FF))

// Buffer capabilities.
#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000
#define DSBCAPS_MUTE3DATMAXDISTANCE 0x00020000

#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004

#define DSBPLAY_LOOPING 0x00000001

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBVOLUME_MIN -10000
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT -10000
#define DSBPAN_RIGHT 10000
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 100000

// Device capabilities (flags of DSCAPS).
#define DSCAPS_PRIMARYMONO 0x00000001
#define DSCAPS_PRIMARYSTEREO 0x00000002
#define DSCAPS_PRIMARY8BIT 0x00000004
#define DSCAPS_PRIMARY16BIT 0x00000008
#define DSCAPS_SECONDARYMONO 0x00000100
#define DSCAPS_SECONDARYSTEREO 0x00000200
#define DSCAPS_SECONDARY8BIT 0x00000400
#define DSCAPS_SECONDARY16BIT 0x00000800

// What QuerySupport reports for a property.
#define KSPROPERTY_SUPPORT_GET 0x00000001
#define KSPROPERTY_SUPPORT_SET 0x00000002

typedef struct _DSCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMinSecondarySampleRate;
    DWORD dwMaxSecondarySampleRate;
    DWORD dwPrimaryBuffers;
    DWORD dwMaxHwMixingAllBuffers;
    DWORD dwMaxHwMixingStaticBuffers;
    DWORD dwMaxHwMixingStreamingBuffers;
    DWORD dwFreeHwMixingAllBuffers;
    DWORD dwFreeHwMixingStaticBuffers;
    DWORD dwFreeHwMixingStreamingBuffers;
    DWORD dwMaxHw3DAllBuffers;
    DWORD dwMaxHw3DStaticBuffers;
    DWORD dwMaxHw3DStreamingBuffers;
    DWORD dwFreeHw3DAllBuffers;
    DWORD dwFreeHw3DStaticBuffers;
    DWORD dwFreeHw3DStreamingBuffers;
    DWORD dwTotalHwMemBytes;
    DWORD dwFreeHwMemBytes;
    DWORD dwMaxContigFreeHwMemBytes;
    DWORD dwUnlockTransferRateHwBuffers;
    DWORD dwPlayCpuOverheadSwBuffers;
    DWORD dwReserved1;
    DWORD dwReserved2;
} DSCAPS, *LPDSCAPS;
typedef const DSCAPS* LPCDSCAPS;

typedef struct _DSBCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwUnlockTransferRate;
    DWORD dwPlayCpuOverhead;
} DSBCAPS, *LPDSBCAPS;
typedef const DSBCAPS* LPCDSBCAPS;

// The buffer description of DirectX 5, without the 3D algorithm of later
// versions.
typedef struct _DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

static_assert(sizeof(DSCAPS) == 96, "DSCAPS layout");
static_assert(sizeof(DSBCAPS) == 20, "DSBCAPS layout");
static_assert(sizeof(DSBUFFERDESC) == 20, "DSBUFFERDESC layout");

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown* LPUNKNOWN;

struct IDirectSound;
struct IDirectSoundBuffer;
typedef IDirectSound* LPDIRECTSOUND;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;

struct IDirectSound : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC pcDSBufferDesc,
                                                       LPDIRECTSOUNDBUFFER* ppDSBuffer,
                                                       LPUNKNOWN pUnkOuter) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS pDSCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER pDSBufferOriginal,
                                                          LPDIRECTSOUNDBUFFER* ppDSBufferDuplicate) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwLevel) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compact() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSpeakerConfig(LPDWORD pdwSpeakerConfig) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSpeakerConfig(DWORD dwSpeakerConfig) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(LPCGUID pcGuidDevice) = 0;
};

struct IDirectSoundBuffer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS pDSBufferCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD pdwCurrentPlayCursor,
                                                        LPDWORD pdwCurrentWriteCursor) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX pwfxFormat, DWORD dwSizeAllocated,
                                               LPDWORD pdwSizeWritten) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVolume(LONG* plVolume) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPan(LONG* plPan) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD pdwFrequency) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD pdwStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTSOUND pDirectSound,
                                                LPCDSBUFFERDESC pcDSBufferDesc) = 0;
    virtual HRESULT STDMETHODCALLTYPE Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1,
                                          LPDWORD pdwAudioBytes1, LPVOID* ppvAudioPtr2,
                                          LPDWORD pdwAudioBytes2, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD dwNewPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX pcfxFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetVolume(LONG lVolume) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPan(LONG lPan) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFrequency(DWORD dwFrequency) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1,
                                            LPVOID pvAudioPtr2, DWORD dwAudioBytes2) = 0;
    virtual HRESULT STDMETHODCALLTYPE Restore() = 0;
};

struct IKsPropertySet : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Get(REFGUID rguidPropSet, ULONG ulId, LPVOID pInstanceData,
                                         ULONG ulInstanceLength, LPVOID pPropertyData,
                                         ULONG ulDataLength, ULONG* pulBytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE Set(REFGUID rguidPropSet, ULONG ulId, LPVOID pInstanceData,
                                         ULONG ulInstanceLength, LPVOID pPropertyData,
                                         ULONG ulDataLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE QuerySupport(REFGUID rguidPropSet, ULONG ulId,
                                                  ULONG* pulTypeSupport) = 0;
};
typedef IKsPropertySet* LPKSPROPERTYSET;

// Called once for each device: first the primary device with a null GUID,
// then every device. Returning FALSE ends the enumeration.
typedef BOOL(CALLBACK* LPDSENUMCALLBACKA)(LPGUID lpGuid, LPCSTR lpcstrDescription,
                                          LPCSTR lpcstrModule, LPVOID lpContext);

WINBASEAPI HRESULT WINAPI DirectSoundCreate(LPCGUID pcGuidDevice, LPDIRECTSOUND* ppDS,
                                            LPUNKNOWN pUnkOuter);
WINBASEAPI HRESULT WINAPI DirectSoundEnumerateA(LPDSENUMCALLBACKA pDSEnumCallback,
                                                LPVOID pContext);

#endif // __cplusplus
