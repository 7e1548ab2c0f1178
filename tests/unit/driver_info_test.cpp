// The card's driver identification over the machine's default driver
// installation, each case changing the registry or "SOUNDCFG.INI" the way
// another installation would leave them.
#include <windows.h>

#include "speakers/driver_info.h"

#include "test_machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

const char kPciKey[] = "Enum\\PCI";
const char kCardKey[] = "Enum\\PCI\\VEN_5A3E&DEV_0C52&SUBSYS_00000000&REV_01";
const char kConfigKey[] = "System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001\\Config";
const char kDriverKey[] = "System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001";
const char kDesc[] = "Orbiq PCI Audio";

class DriverInfoTest : public ::testing::Test {
  protected:
    void SetUp() override { stereoX2Supported = 0; }

    void SetValue(const char* keyName, const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, keyName, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetString(const char* keyName, const char* name, const std::string& text) {
        SetValue(keyName, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    void DeleteValue(const char* keyName, const char* name) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, keyName, &key), ERROR_SUCCESS);
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
    // The value's type and bytes, or an empty type for a missing value.
    std::vector<BYTE> Value(const char* keyName, const char* name, DWORD* type) {
        HKEY key;
        std::vector<BYTE> data(64);
        DWORD size = static_cast<DWORD>(data.size());
        *type = REG_NONE;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, keyName, &key) != ERROR_SUCCESS) return {};
        LONG rc = RegQueryValueExA(key, name, nullptr, type, data.data(), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) return {};
        data.resize(size);
        return data;
    }
    void WriteSoundCfg(const std::string& text) {
        std::ofstream out(machine_.DriveC() / "WINDOWS" / "SOUNDCFG.INI", std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string DriverKey() {
        char name[DRIVER_KEY_NAME_SIZE] = "unchanged";
        return FindDriverKey(name) ? name : "not found";
    }

    TempMachine machine_;
};

TEST_F(DriverInfoTest, DefaultInstallation) {
    EXPECT_EQ(DriverKey(), "MEDIA\\0001");
    BYTE value = 0;
    ASSERT_TRUE(SpeakerSetting(SPEAKER_SETTING_READ, &value, kDesc));
    EXPECT_EQ(value, 2);
    ASSERT_TRUE(SpeakerSetting(SPEAKER_SETTING_LIMITS, &value, kDesc));
    EXPECT_EQ(value, 6);
    EXPECT_EQ(stereoX2Supported, 1);
    EXPECT_EQ(GetManufactureId(kDesc), 0x013E);
    // The description is a substring; an empty one accepts any driver.
    EXPECT_EQ(GetManufactureId("PCI"), 0x013E);
    EXPECT_EQ(GetManufactureId(""), 0x013E);

    value = 4;
    ASSERT_TRUE(SpeakerSetting(SPEAKER_SETTING_WRITE, &value, kDesc));
    DWORD type;
    EXPECT_EQ(Value(kConfigKey, "Speakers", &type), std::vector<BYTE>{4});
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_FALSE(SpeakerSetting(2, &value, kDesc));
}

TEST_F(DriverInfoTest, PciDeviceNumberAndInstancePattern) {
    EXPECT_EQ(GetPciDeviceNumber(0x5A3E, 0x0C52), 10);
    EXPECT_EQ(GetPciDeviceNumber(0x5A3E, 0x1234), 0xFFFF);
    struct Case {
        const char* hardwareId;
        BOOL result;
        const char* pattern;
    } cases[] = {
        {"VEN_5A3E&DEV_0C52", TRUE, "DEV_0A&FUNC_00"},
        {"PCI\\VEN_ 5a3e&DEV_+0c52&SUBSYS", TRUE, "DEV_0A&FUNC_00"},
        {"VEN_5A3E&DEV_1234", TRUE, "DEV_FFFF&FUNC_00"},
        {"DEV_0C52", FALSE, ""},
        {"VEN_5A3E", FALSE, ""},
        {"", FALSE, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hardwareId);
        char pattern[32] = "stale";
        EXPECT_EQ(MakeInstancePattern(c.hardwareId, pattern), c.result);
        EXPECT_STREQ(pattern, c.pattern);
    }
}

TEST_F(DriverInfoTest, ChipTypeChoosesTheIdentifier) {
    // The variant's own hardware key, leading to another driver key.
    const std::string variant = "Enum\\PCI\\VEN_5A3E&DEV_2A0D&SUBSYS_00000000&REV_01\\BUS_00&DEV_0B&FUNC_00";
    SetString(variant.c_str(), "Driver", "MEDIA\\0002");
    const BYTE one = 1, zero = 0;
    SetValue("SOFTWARE\\Corvane\\ChipType", "device", REG_BINARY, &one, 1);
    EXPECT_EQ(DriverKey(), "MEDIA\\0002");
    SetValue("SOFTWARE\\Corvane\\ChipType", "device", REG_BINARY, &zero, 1);
    EXPECT_EQ(DriverKey(), "MEDIA\\0001");
    // A value that is not one byte cannot be read: the usual identifier.
    const DWORD wide = 1;
    SetValue("SOFTWARE\\Corvane\\ChipType", "device", REG_DWORD, &wide, 4);
    EXPECT_EQ(DriverKey(), "MEDIA\\0001");
    DeleteValue("SOFTWARE\\Corvane\\ChipType", "device");
    EXPECT_EQ(DriverKey(), "MEDIA\\0001");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvane\\ChipType"), ERROR_SUCCESS);
    EXPECT_EQ(DriverKey(), "MEDIA\\0001");
}

TEST_F(DriverInfoTest, EmptyIdentifierTakesTheFirstHardwareKey) {
    WriteSoundCfg("[DESCRIPTION]\r\nDRIVERDESC=Orbiq PCI Audio\r\n");
    char first[256];
    HKEY pci;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kPciKey, &pci), ERROR_SUCCESS);
    ASSERT_EQ(RegEnumKeyA(pci, 0, first, sizeof(first)), ERROR_SUCCESS);
    RegCloseKey(pci);
    ASSERT_STREQ(first, "VEN_8086&DEV_7110&SUBSYS_00000000&REV_02");
    EXPECT_EQ(DriverKey(), "System\\0005");
    // That driver's key does not hold the card's description.
    BYTE value = 9;
    EXPECT_FALSE(SpeakerSetting(SPEAKER_SETTING_READ, &value, kDesc));
    EXPECT_EQ(GetManufactureId(kDesc), 0);
}

TEST_F(DriverInfoTest, NoMatchingInstanceTakesTheLastOne) {
    HKEY card;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kCardKey, &card), ERROR_SUCCESS);
    RegDeleteKeyA(card, "BUS_00&DEV_0A&FUNC_00");
    RegCloseKey(card);
    const std::string base = std::string(kCardKey) + "\\";
    SetString((base + "BUS_00&DEV_03&FUNC_00").c_str(), "Driver", "MEDIA\\0003");
    SetString((base + "BUS_00&DEV_04&FUNC_00").c_str(), "Driver", "MEDIA\\0004");
    char last[128] = "";
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kCardKey, &card), ERROR_SUCCESS);
    for (DWORD i = 0; RegEnumKeyA(card, i, last, sizeof(last)) == ERROR_SUCCESS; ++i) {
    }
    RegCloseKey(card);
    const std::string expected = std::string(last) == "BUS_00&DEV_03&FUNC_00" ? "MEDIA\\0003" : "MEDIA\\0004";
    EXPECT_EQ(DriverKey(), expected);
}

TEST_F(DriverInfoTest, DriverValueProblemsMeanNotFound) {
    const std::string instance = std::string(kCardKey) + "\\BUS_00&DEV_0A&FUNC_00";
    // Exactly as long as the callers' buffer allows, and one more.
    SetString(instance.c_str(), "Driver", std::string(127, 'K'));
    EXPECT_EQ(DriverKey(), std::string(127, 'K'));
    SetString(instance.c_str(), "Driver", std::string(128, 'K'));
    EXPECT_EQ(DriverKey(), "not found");
    SetString(instance.c_str(), "Driver", std::string(300, 'K'));
    EXPECT_EQ(DriverKey(), "not found");
    // No "Driver" at all: the walk ends there.
    DeleteValue(instance.c_str(), "Driver");
    EXPECT_EQ(DriverKey(), "not found");
}

TEST_F(DriverInfoTest, SpeakersMissingOrMalformedIsReplaced) {
    for (bool malformed : {false, true}) {
        SCOPED_TRACE(malformed ? "four bytes" : "missing");
        if (malformed) {
            const DWORD four = 4;
            SetValue(kConfigKey, "Speakers", REG_DWORD, &four, 4);
        } else {
            DeleteValue(kConfigKey, "Speakers");
        }
        BYTE value = 9;
        ASSERT_TRUE(SpeakerSetting(SPEAKER_SETTING_READ, &value, kDesc));
        EXPECT_EQ(value, 2);
        DWORD type;
        EXPECT_EQ(Value(kConfigKey, "Speakers", &type), std::vector<BYTE>{0});
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
        ASSERT_TRUE(SpeakerSetting(SPEAKER_SETTING_READ, &value, kDesc));
        EXPECT_EQ(value, 0);
    }
}

TEST_F(DriverInfoTest, LimitsDefaultWhenMissing) {
    stereoX2Supported = 1;
    DeleteValue(kConfigKey, "MaxSpeakers");
    DeleteValue(kConfigKey, "StereoX2");
    BYTE value = 9;
    ASSERT_TRUE(SpeakerSetting(SPEAKER_SETTING_LIMITS, &value, kDesc));
    EXPECT_EQ(value, 2);
    EXPECT_EQ(stereoX2Supported, 0);
}

TEST_F(DriverInfoTest, ForeignDescriptionRefusesEverything) {
    SetString(kDriverKey, "DriverDesc", "Some Other Audio");
    stereoX2Supported = 1;
    for (int mode : {SPEAKER_SETTING_WRITE, SPEAKER_SETTING_READ, SPEAKER_SETTING_LIMITS}) {
        BYTE value = 9;
        EXPECT_FALSE(SpeakerSetting(mode, &value, kDesc)) << mode;
        EXPECT_EQ(value, 9) << mode;
    }
    EXPECT_EQ(stereoX2Supported, 1);
    EXPECT_EQ(GetManufactureId(kDesc), 0);
    DWORD type;
    EXPECT_EQ(Value(kConfigKey, "Speakers", &type), std::vector<BYTE>{2});
}

}  // namespace
