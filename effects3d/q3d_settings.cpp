#include "effects3d/q3d_settings.h"

#include <cstring>

namespace {

// Option and driver property ids.
constexpr ULONG OPTION_QSOUND = 0;
constexpr ULONG OPTION_MAXPAN = 1;
constexpr ULONG OPTION_PROPERTY2 = 2;
constexpr ULONG OPTION_STEREO_EXPAND = 3;
constexpr ULONG OPTION_ELEVATION = 4;
constexpr ULONG OPTION_RANGING = 5;
constexpr ULONG OPTION_RATE_CONVERSION = 8;
constexpr ULONG OPTION_SPREAD = 9;
constexpr ULONG OPTION_CENTER = 10;
constexpr ULONG DRIVER_BASS_BOOST = 5;
constexpr ULONG DRIVER_ENVIRONMENT = 12;

// What "splash time" holds while the logo is to be shown.
constexpr DWORD SPLASH_TIME_SHOWN = 2000;

// Asks the driver for one property of exactly `size` bytes, without
// instance data. The field is changed only when the driver answers, so a
// driver that fails half-way leaves no stray bytes behind.
void GetProperty(IKsPropertySet* propertySet, REFGUID set, ULONG id, void* field, ULONG size) {
    if (propertySet == nullptr) return;
    BYTE value[8];
    if (size > sizeof value) return;
    std::memcpy(value, field, size);
    ULONG returned = 0;
    if (SUCCEEDED(propertySet->Get(set, id, nullptr, 0, value, size, &returned)))
        std::memcpy(field, value, size);
}

// Sets an option; the driver wants the instance block with every one.
void SetOption(IKsPropertySet* propertySet, ULONG id, const void* data) {
    Q3DOptionInstance instance = {{1}};
    BYTE value[4];
    std::memcpy(value, data, sizeof value);
    propertySet->Set(Q3DOptionSet, id, &instance, sizeof instance, value, sizeof value);
}

void SetDriverValue(IKsPropertySet* propertySet, ULONG id, const void* data, ULONG size) {
    BYTE value[8];
    std::memcpy(value, data, size);
    propertySet->Set(Q3DDriverSet, id, nullptr, 0, value, size);
}

// The bits of a single-precision float, as the driver keeps it.
DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

void StoreBinaryWord(HKEY key, const char* name, DWORD value) {
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    RegSetValueExA(key, name, 0, REG_BINARY, bytes, sizeof bytes);
}

void Q3DSettings::Read(IKsPropertySet* propertySet) {
    GetProperty(propertySet, Q3DOptionSet, OPTION_QSOUND, &qsound, 4);
    GetProperty(propertySet, Q3DOptionSet, OPTION_ELEVATION, &elevation, 4);
    GetProperty(propertySet, Q3DOptionSet, OPTION_RANGING, &ranging, 4);
    GetProperty(propertySet, Q3DDriverSet, DRIVER_BASS_BOOST, &bassBoost, 4);
    GetProperty(propertySet, Q3DOptionSet, OPTION_RATE_CONVERSION, &rateConversion, 4);
    LONG environment[2] = {environmentKind, environmentIndex};
    GetProperty(propertySet, Q3DDriverSet, DRIVER_ENVIRONMENT, environment, sizeof environment);
    environmentKind = environment[0];
    environmentIndex = environment[1];

    // The logo setting lives only in the user's key. The value may be of
    // any type; anything longer than 4 bytes does not count.
    splashLogo = 0;
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, Q3D_USER_KEY, &key) == ERROR_SUCCESS) {
        BYTE bytes[4] = {};
        DWORD size = sizeof bytes;
        DWORD splashTime = 0;
        if (RegQueryValueExA(key, "splash time", nullptr, nullptr, bytes, &size) == ERROR_SUCCESS)
            splashTime =
                bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24;
        RegCloseKey(key);
        splashLogo = splashTime != 0 ? 1 : 0;
    }

    GetProperty(propertySet, Q3DOptionSet, OPTION_PROPERTY2, &optionProperty2, 4);
    GetProperty(propertySet, Q3DOptionSet, OPTION_STEREO_EXPAND, &stereoExpand, 4);
    GetProperty(propertySet, Q3DOptionSet, OPTION_SPREAD, &spread, 4);
    GetProperty(propertySet, Q3DOptionSet, OPTION_CENTER, &center, 4);

    // The driver reports MaxPan as one value, 0 meaning off; the amount the
    // user chose is kept while it is off.
    LONG driverMaxPan = 0;
    GetProperty(propertySet, Q3DOptionSet, OPTION_MAXPAN, &driverMaxPan, 4);
    if (driverMaxPan != 0) {
        maxPanEnabled = 1;
        maxPan = driverMaxPan;
    } else {
        maxPanEnabled = 0;
    }
}

void Q3DSettings::Write(IKsPropertySet* propertySet) const {
    if (propertySet != nullptr) {
        SetOption(propertySet, OPTION_QSOUND, &qsound);
        SetOption(propertySet, OPTION_ELEVATION, &elevation);
        SetOption(propertySet, OPTION_RANGING, &ranging);
        SetOption(propertySet, OPTION_RATE_CONVERSION, &rateConversion);
        SetDriverValue(propertySet, DRIVER_BASS_BOOST, &bassBoost, 4);
        const LONG environment[2] = {environmentKind, environmentIndex};
        SetDriverValue(propertySet, DRIVER_ENVIRONMENT, environment, sizeof environment);
    }

    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, Q3D_CLASS_KEY, &key) == ERROR_SUCCESS) {
        StoreBinaryWord(key, "QSound", qsound);
        StoreBinaryWord(key, "Elevation", elevation);
        StoreBinaryWord(key, "Ranging", ranging);
        StoreBinaryWord(key, "RateConversion", rateConversion);
        StoreBinaryWord(key, "Q1BassBoost", bassBoost);
        RegCloseKey(key);
    }

    if (RegCreateKeyA(HKEY_CURRENT_USER, Q3D_USER_KEY, &key) == ERROR_SUCCESS) {
        StoreBinaryWord(key, "splash time", splashLogo != 0 ? SPLASH_TIME_SHOWN : 0);
        RegCloseKey(key);
    }

    // The driver knows MaxPan only as one value: the amount, or 0 for off.
    const LONG maxPanValue = maxPanEnabled != 0 ? maxPan : 0;

    if (propertySet != nullptr) {
        SetOption(propertySet, OPTION_PROPERTY2, &optionProperty2);
        SetOption(propertySet, OPTION_STEREO_EXPAND, &stereoExpand);
        SetOption(propertySet, OPTION_SPREAD, &spread);
        SetOption(propertySet, OPTION_CENTER, &center);
        SetOption(propertySet, OPTION_MAXPAN, &maxPanValue);
    }

    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, Q3D_CLASS_KEY, &key) == ERROR_SUCCESS) {
        StoreBinaryWord(key, "StereoExpand", stereoExpand);
        StoreBinaryWord(key, "Spread", FloatBits(spread));
        StoreBinaryWord(key, "Center", FloatBits(center));
        StoreBinaryWord(key, "MaxPan", maxPanValue);
        RegCloseKey(key);
    }
}
