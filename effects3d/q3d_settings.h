// The 3D driver's settings as the Effects page edits them: read from the
// driver's two property sets, and written back to the driver and to the
// registry keys in which the driver looks for them when it starts.
#pragma once

#include <windows.h>
#include <dsound.h>

// The driver's property sets: its 3D processing options, and values that
// concern the whole driver.
inline constexpr GUID Q3DOptionSet = {
    0x7CA99CA1, 0xCD07, 0x11D0, {0xA6, 0xC0, 0x00, 0xA0, 0xC9, 0x24, 0x86, 0x33}};
inline constexpr GUID Q3DDriverSet = {
    0x7CA99CA0, 0xCD07, 0x11D0, {0xA6, 0xC0, 0x00, 0xA0, 0xC9, 0x24, 0x86, 0x33}};

// Driver property 8 holds the driver's version; a device whose buffers
// support it is served by the driver.
constexpr ULONG Q3D_DRIVER_VERSION = 8;

// The driver's own key below HKEY_LOCAL_MACHINE, and the user's key below
// HKEY_CURRENT_USER.
inline constexpr char Q3D_CLASS_KEY[] = "System\\CurrentControlSet\\Services\\Class\\Q3D";
inline constexpr char Q3D_USER_KEY[] = "Software\\QSound\\Q3D";

// Instance data that goes with every Set on the option set: the driver
// looks only at the first word, which must be 1.
struct Q3DOptionInstance {
    DWORD words[9];
};
static_assert(sizeof(Q3DOptionInstance) == 36, "Q3DOptionInstance layout");

// Stores a 32-bit value under an open key as 4 little-endian bytes of type
// REG_BINARY, the form in which the driver reads all of its values.
void StoreBinaryWord(HKEY key, const char* name, DWORD value);

struct Q3DSettings {
    LONG qsound = 1; // 1 3D processing, 0 plain stereo
    LONG elevation = 0;
    LONG ranging = 0;   // shown on the page as reverb
    LONG bassBoost = 0; // low-frequency enhancement
    LONG rateConversion = 0;
    LONG splashLogo = 0;        // registry only: "splash time" 2000 or 0
    LONG environmentKind = 0;   // 0 a reverb environment, 1 a preset
    LONG environmentIndex = -1; // -1 none
    LONG optionProperty2 = 0;   // carried from the driver back to it unchanged
    LONG stereoExpand = 0;
    float spread = 0.0f; // 0.0 to 1.0
    float center = 0.0f; // 0.0 to 1.0
    LONG maxPanEnabled = 0;
    LONG maxPan = 1000; // kept while MaxPan is off

    // Fills the record from the driver. A value the driver does not give
    // leaves its field as it was. Never fails.
    void Read(IKsPropertySet* propertySet);
    // Sends the record to the driver (skipped without a property set) and
    // stores it in the registry. Never fails; a step that cannot be done is
    // skipped.
    void Write(IKsPropertySet* propertySet) const;
};
static_assert(sizeof(float) == 4 && sizeof(Q3DSettings) == 56, "Q3DSettings layout");
