// The DirectSound operations: whether a device is served by the 3D driver,
// the 3D probe that hands the pages their two objects, and the speaker
// configuration.
#pragma once

#include <windows.h>
#include <dsound.h>

HRESULT CheckQ3DDevice(const GUID* deviceGuid, IDirectSound* directSound, HWND window);
HRESULT ProbeDirectSound3D(const GUID* deviceGuid, HWND window, IDirectSound** directSound,
                           IKsPropertySet** propertySet);
HRESULT ApplySpeakerConfig(int speakerCode);
