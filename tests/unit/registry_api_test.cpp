// The registry calls of the platform, with Windows 98 semantics, on a fresh
// machine.
#include <windows.h>
#include <winreg.h>

#include "host/trace.h"
#include "test_machine.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> traced;
void Collect(const std::string& line) {
    traced.push_back(line);
}

class RegistryApi : public ::testing::Test {
  protected:
    void SetUp() override {
        traced.clear();
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\RegTest", &key_), ERROR_SUCCESS);
    }
    void TearDown() override {
        platform::SetTraceSink(nullptr);
        RegCloseKey(key_);
    }
    machine::Registry& Store() { return machine_->registry(); }

    TempMachine machine_;
    HKEY key_ = nullptr;
};

TEST_F(RegistryApi, HandlesAreCountedPerKeyAsOnWindows98) {
    HKEY a = nullptr, b = nullptr, same = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\RegTest\\Missing", &a),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\RegTest\\Sub", &a), ERROR_SUCCESS);
    EXPECT_TRUE(Store().KeyExists(machine::RegistryRoot::LocalMachine, "Software\\RegTest\\Sub"));
    // The same key, however it is reached and spelt, is the same handle.
    ASSERT_EQ(RegOpenKeyA(key_, "SUB", &b), ERROR_SUCCESS);
    EXPECT_EQ(a, b);
    ASSERT_EQ(RegOpenKeyA(a, nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, a);
    ASSERT_EQ(RegOpenKeyA(a, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, a);
    // Four opens, four closes; the fifth finds no key.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(RegCloseKey(a), ERROR_SUCCESS) << i;
    EXPECT_EQ(RegCloseKey(a), ERROR_BADKEY);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(a, "x", nullptr, nullptr, nullptr, &size), ERROR_BADKEY);

    // The predefined keys need no opening and survive closing.
    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, nullptr, &root), ERROR_SUCCESS);
    EXPECT_EQ(root, HKEY_CURRENT_USER);
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &root), ERROR_SUCCESS);
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\RegTest", &root), ERROR_SUCCESS);
    EXPECT_EQ(root, key_);
    EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);

    // Keys the machine does not have, and handles nobody made.
    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "CLSID", &other), ERROR_BADKEY);
    EXPECT_EQ(RegOpenKeyA(reinterpret_cast<HKEY>(0x4321), "x", &other), ERROR_BADKEY);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_BADKEY);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "\\Software", &other), ERROR_BAD_PATHNAME);
    SetLastError(0);
    EXPECT_EQ(RegOpenKeyA(key_, "a\\\\b", &other), ERROR_BAD_PATHNAME);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_PATHNAME));
}

TEST_F(RegistryApi, QueryValueBufferRules) {
    const BYTE text[] = "abc";
    const DWORD number = 0x12345678;
    ASSERT_EQ(RegSetValueExA(key_, "Text", 0, REG_SZ, text, 4), ERROR_SUCCESS);
    ASSERT_EQ(
        RegSetValueExA(key_, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key_, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);

    struct Case {
        const char* name;
        bool withData; // a buffer is passed
        DWORD given;   // its size
        LONG rc;
        DWORD size; // *lpcbData afterwards
        DWORD type;
        const char* bytes; // what the buffer holds afterwards (8 bytes, '.' = untouched)
    };
    const Case cases[] = {
        {"Text", false, 0, ERROR_SUCCESS, 4, REG_SZ, "........"},
        {"Text", true, 3, ERROR_MORE_DATA, 4, REG_SZ, "........"},
        {"Text", true, 4, ERROR_SUCCESS, 4, REG_SZ, "abc\0...."},
        {"TEXT", true, 8, ERROR_SUCCESS, 4, REG_SZ, "abc\0...."},
        {"Number", true, 0, ERROR_MORE_DATA, 4, REG_DWORD, "........"},
        {"Number", true, 4, ERROR_SUCCESS, 4, REG_DWORD, "\x78\x56\x34\x12...."},
        {"Empty", true, 8, ERROR_SUCCESS, 0, REG_BINARY, "........"},
        {"Missing", true, 8, ERROR_FILE_NOT_FOUND, 8, 99, "........"},
        {nullptr, true, 8, ERROR_FILE_NOT_FOUND, 8, 99, "........"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name ? c.name : "(default)") + " given " +
                     std::to_string(c.given));
        BYTE buffer[8];
        std::memset(buffer, '.', sizeof buffer);
        DWORD size = c.given, type = 99;
        EXPECT_EQ(
            RegQueryValueExA(key_, c.name, nullptr, &type, c.withData ? buffer : nullptr, &size),
            c.rc);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(std::memcmp(buffer, c.bytes, 8), 0);
    }
    // The type and the size are each optional; a buffer without a size is not.
    DWORD size = 4;
    BYTE buffer[4];
    EXPECT_EQ(RegQueryValueExA(key_, "Text", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key_, "Text", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key_, "Text", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key_, "Text", &reserved, nullptr, nullptr, &size),
              ERROR_INVALID_PARAMETER);
}

// Windows 98 stores a string up to its end within cbData and appends the
// terminator, whether or not cbData counted it; other types as given.
TEST_F(RegistryApi, SetValueStoresStringsWithTheirTerminator) {
    struct Case {
        DWORD type;
        const char* data;
        DWORD cbData;
        std::string stored;
    };
    const char* padded = "abc\0garbage";
    const Case cases[] = {
        {REG_SZ, "abc", 4, std::string("abc\0", 4)},
        {REG_SZ, "abc", 3, std::string("abc\0", 4)},
        {REG_SZ, padded, 11, std::string("abc\0", 4)},
        {REG_SZ, "abc", 0, std::string("\0", 1)},
        {REG_SZ, nullptr, 0, std::string("\0", 1)},
        {REG_EXPAND_SZ, "%x%", 3, std::string("%x%\0", 4)},
        {REG_BINARY, padded, 6, std::string("abc\0ga", 6)},
        {REG_MULTI_SZ, "a\0b\0", 5, std::string("a\0b\0\0", 5)},
        {REG_DWORD, "\1\2", 2, std::string("\1\2", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.cbData));
        ASSERT_EQ(
            RegSetValueExA(key_, "v", 0, c.type, reinterpret_cast<const BYTE*>(c.data), c.cbData),
            ERROR_SUCCESS);
        machine::RegistryValue v;
        ASSERT_EQ(
            Store().GetValue(machine::RegistryRoot::LocalMachine, "Software\\RegTest", "V", &v),
            ERROR_SUCCESS);
        EXPECT_EQ(v.type, c.type);
        EXPECT_EQ(std::string(v.data.begin(), v.data.end()), c.stored);
    }
    EXPECT_EQ(RegSetValueExA(key_, "v", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key_, "v", 1, REG_BINARY, nullptr, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key_, std::string(256, 'n').c_str(), 0, REG_BINARY, nullptr, 0),
              ERROR_INVALID_PARAMETER);

    // The default value.
    const BYTE text[] = "dflt";
    ASSERT_EQ(RegSetValueExA(key_, nullptr, 0, REG_SZ, text, 5), ERROR_SUCCESS);
    char buffer[8] = {};
    DWORD size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key_, "", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "dflt");
}

TEST_F(RegistryApi, EnumKeysInOrderWithBufferRules) {
    for (const char* name : {"Zulu", "alpha", "Mike"}) {
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyA(key_, name, &sub), ERROR_SUCCESS);
        RegCloseKey(sub);
    }
    char name[8];
    EXPECT_EQ(RegEnumKeyA(key_, 0, name, 5), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Zulu");
    EXPECT_EQ(RegEnumKeyA(key_, 1, name, 5), ERROR_MORE_DATA) << "alpha and its terminator need 6";
    EXPECT_EQ(RegEnumKeyA(key_, 1, name, 6), ERROR_SUCCESS);
    EXPECT_STREQ(name, "alpha");
    EXPECT_EQ(RegEnumKeyA(key_, 2, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Mike");
    EXPECT_EQ(RegEnumKeyA(key_, 3, name, sizeof name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyA(key_, 0, nullptr, 0), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryApi, DeletingAKeyTakesItsSubkeysAndInvalidatesItsHandles) {
    HKEY deep = nullptr, sub = nullptr;
    ASSERT_EQ(RegCreateKeyA(key_, "Gone\\Deep\\Deeper", &deep), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyA(key_, "Gone", &sub), ERROR_SUCCESS);
    const BYTE one = 1;
    ASSERT_EQ(RegSetValueExA(deep, "x", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKeyA(key_, "GONE"), ERROR_SUCCESS);
    EXPECT_FALSE(Store().KeyExists(machine::RegistryRoot::LocalMachine, "Software\\RegTest\\Gone"));
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(deep, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(sub, "x", 0, REG_BINARY, &one, 1), ERROR_KEY_DELETED);
    char name[8];
    EXPECT_EQ(RegEnumKeyA(sub, 0, name, sizeof name), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(deep), ERROR_SUCCESS) << "a handle of a deleted key still closes";
    EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteKeyA(key_, "Gone"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(key_, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);

    // An empty subkey deletes the key of the handle itself.
    HKEY self = nullptr;
    ASSERT_EQ(RegCreateKeyA(key_, "Self", &self), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(self, ""), ERROR_SUCCESS);
    EXPECT_FALSE(Store().KeyExists(machine::RegistryRoot::LocalMachine, "Software\\RegTest\\Self"));
    RegCloseKey(self);

    ASSERT_EQ(RegSetValueExA(key_, "v", 0, REG_BINARY, &one, 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key_, "V"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key_, "v"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApi, ChangesAreTraced) {
    platform::SetTraceSink(Collect);
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyA(key_, "Traced", &sub), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyA(key_, "traced", &sub), ERROR_SUCCESS) << "exists: no event";
    const BYTE data[] = {0x0A, 0xff};
    ASSERT_EQ(RegSetValueExA(sub, "Bin", 0, REG_BINARY, data, 2), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(sub, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("hi"), 2),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(sub, "Bin"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(sub, "Bin"), ERROR_FILE_NOT_FOUND) << "no event for a failure";
    ASSERT_EQ(RegDeleteKeyA(key_, "Traced"), ERROR_SUCCESS);
    RegCloseKey(sub);
    RegCloseKey(sub);

    const std::string key = "\"key\": \"HKEY_LOCAL_MACHINE\\\\Software\\\\RegTest\\\\Traced\"";
    const std::vector<std::string> expected = {
        "\"ev\": \"reg.create\", " + key + "}",
        "\"ev\": \"reg.set\", " + key + ", \"name\": \"Bin\", \"type\": 3, \"data\": \"0aff\"}",
        "\"ev\": \"reg.set\", " + key + ", \"name\": \"\", \"type\": 1, \"data\": \"686900\"}",
        "\"ev\": \"reg.delete\", " + key + ", \"name\": \"Bin\"}",
        "\"ev\": \"reg.delete\", " + key + ", \"name\": null}",
    };
    ASSERT_EQ(traced.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(traced[i].rfind("{\"t\": ", 0), 0u) << traced[i];
        EXPECT_NE(traced[i].find(", " + expected[i]), std::string::npos) << traced[i];
        EXPECT_EQ(traced[i].size() - traced[i].find(", \"ev\"") - 2, expected[i].size())
            << traced[i];
    }
}

// The program's changes reach the machine's file at once, where another
// process on the machine reads them.
TEST_F(RegistryApi, ChangesAreInTheMachinesFile) {
    const BYTE six = 6;
    ASSERT_EQ(RegSetValueExA(key_, "MaxSpeakers", 0, REG_BINARY, &six, 1), ERROR_SUCCESS);
    machine::Registry other(machine_->Directory() / "registry.reg");
    std::string error;
    ASSERT_TRUE(other.Load(&error)) << error;
    machine::RegistryValue v;
    ASSERT_EQ(
        other.GetValue(machine::RegistryRoot::LocalMachine, "software\\regtest", "maxspeakers", &v),
        ERROR_SUCCESS);
    EXPECT_EQ(v.data, std::vector<uint8_t>{6});
    // The default installation's keys are there too, read from the same file.
    EXPECT_TRUE(other.KeyExists(machine::RegistryRoot::LocalMachine,
                                "System\\CurrentControlSet\\Services\\Class\\MEDIA\\0001\\Config"));
}

} // namespace
