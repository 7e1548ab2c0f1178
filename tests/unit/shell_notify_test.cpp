// The notification area: Shell_NotifyIconA with its 488-byte record and the
// older 88-byte one, mouse actions on an icon as callback messages, and the
// shell's restart.
#include <windows.h>
#include <shellapi.h>

#include "host/trace.h"
#include "shell/notifyarea.h"
#include "test_windows.h"

#include <cstring>

using namespace platform::shell;

namespace {

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) {
    traceLines.push_back(line);
}

constexpr UINT kCallback = WM_APP;

class NotifyArea : public ::testing::Test {
  protected:
    void SetUp() override {
        Received().clear();
        traceLines.clear();
        platform::SetTraceSink(CollectTrace);
        TaskbarRestart(); // an empty area; nothing else may be left from before
        Received().clear();
        window_ = CreateRecordingParent();
    }
    void TearDown() override {
        platform::SetTraceSink(nullptr);
        TaskbarRestart();
        if (IsWindow(window_)) DestroyWindow(window_);
    }
    // The record as the program fills it: size, window, id 1, all three
    // fields valid.
    NOTIFYICONDATAA Record(const char* tip) const {
        NOTIFYICONDATAA d{};
        d.cbSize = sizeof d;
        d.hWnd = window_;
        d.uID = 1;
        d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        d.uCallbackMessage = kCallback;
        d.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_APPLICATION));
        std::strncpy(d.szTip, tip, sizeof d.szTip - 1);
        return d;
    }
    static bool Traced(size_t i, const std::string& part) {
        return i < traceLines.size() && traceLines[i].find(part) != std::string::npos;
    }
    TempMachine machine_;
    HWND window_ = nullptr;
};

TEST_F(NotifyArea, AddModifyAndDeleteWithTheirTrace) {
    NOTIFYICONDATAA d = Record("Orbiq Control Panel");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d)) << "the icon is there already";
    ASSERT_EQ(NotifyIcons().size(), 1u);
    const NotifyIcon& icon = NotifyIcons()[0];
    EXPECT_EQ(icon.window, window_);
    EXPECT_EQ(icon.id, 1u);
    EXPECT_EQ(icon.callbackMessage, kCallback);
    EXPECT_EQ(icon.tip, "Orbiq Control Panel");
    EXPECT_EQ(icon.picture.width, 32) << "the picture is kept with the icon";

    NOTIFYICONDATAA tip = Record("Other");
    tip.uFlags = NIF_TIP;
    EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &tip));
    EXPECT_EQ(NotifyIcons()[0].tip, "Other");
    EXPECT_EQ(NotifyIcons()[0].callbackMessage, kCallback) << "fields not flagged stay";

    // Removal names only the window and the id.
    NOTIFYICONDATAA gone{};
    gone.cbSize = sizeof gone;
    gone.hWnd = window_;
    gone.uID = 1;
    EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    EXPECT_TRUE(NotifyIcons().empty());
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &gone));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &tip));

    ASSERT_EQ(traceLines.size(), 6u);
    EXPECT_TRUE(Traced(
        0, "\"ev\": \"tray\", \"op\": \"add\", \"tip\": \"Orbiq Control Panel\", \"ok\": true"));
    EXPECT_TRUE(Traced(1, "\"op\": \"add\"") && Traced(1, "\"ok\": false"));
    EXPECT_TRUE(Traced(2, "\"op\": \"modify\", \"tip\": \"Other\""));
    EXPECT_TRUE(Traced(3, "\"op\": \"delete\", \"tip\": \"Other\", \"ok\": true"));
    EXPECT_TRUE(Traced(4, "\"op\": \"delete\"") && Traced(4, "\"ok\": false"));

    d.hWnd = reinterpret_cast<HWND>(0x999);
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &d)) << "no such window";
    EXPECT_FALSE(Shell_NotifyIconA(7, &d));
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, nullptr));
}

TEST_F(NotifyArea, TheTipIsReadAsFarAsTheRecordsFormHoldsIt) {
    struct Case {
        DWORD size;
        std::string tip; // what fills the field, unterminated when it is full
        bool ok;
        std::string kept;
    };
    const std::string e = "\xC3\xA9"; // a two-byte character
    std::string e64;
    for (int i = 0; i < 64; ++i)
        e64 += e;
    const Case cases[] = {
        {488, "short", true, "short"},
        {488, std::string(128, 'a'), true, std::string(127, 'a')},
        {488, e64, true, e64.substr(0, 126)}, // whole characters only
        {88, std::string(64, 'b'), true, std::string(63, 'b')},
        {88, "old form", true, "old form"},
        {87, "too small", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        NOTIFYICONDATAA d = Record("");
        d.cbSize = c.size;
        std::memcpy(d.szTip, c.tip.data(), std::min(c.tip.size(), sizeof d.szTip));
        EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, &d) != FALSE, c.ok);
        if (c.ok) {
            ASSERT_EQ(NotifyIcons().size(), 1u);
            EXPECT_EQ(NotifyIcons()[0].tip, c.kept);
            EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &d));
        }
    }
}

TEST_F(NotifyArea, MouseActionsReachTheWindowAsCallbackMessages) {
    NOTIFYICONDATAA d = Record("tip");
    d.uID = 5;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    struct Case {
        NotifyClick click;
        std::vector<LPARAM> messages;
    } cases[] = {
        {NotifyClick::Left, {WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {NotifyClick::Double, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
        {NotifyClick::Right, {WM_RBUTTONDOWN, WM_RBUTTONUP}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.click));
        Received().clear();
        EXPECT_TRUE(NotifyAreaClick(0, c.click));
        EXPECT_TRUE(ReceivedOf(window_, kCallback).empty()) << "posted, not sent";
        Pump();
        std::vector<LPARAM> seen;
        for (const Recorded& r : ReceivedOf(window_, kCallback)) {
            EXPECT_EQ(r.wParam, 5u) << "the icon's id";
            seen.push_back(r.lParam);
        }
        EXPECT_EQ(seen, c.messages);
    }
    Received().clear();
    EXPECT_TRUE(NotifyAreaMouse(0, WM_MOUSEMOVE));
    EXPECT_FALSE(NotifyAreaMouse(1, WM_MOUSEMOVE)) << "no second icon";
    Pump();
    ASSERT_EQ(ReceivedOf(window_, kCallback).size(), 1u);
    EXPECT_EQ(ReceivedOf(window_, kCallback)[0].lParam, WM_MOUSEMOVE);

    // The window went without removing its icon: the icon goes when the
    // pointer reaches it.
    DestroyWindow(window_);
    EXPECT_EQ(NotifyIcons().size(), 1u);
    EXPECT_FALSE(NotifyAreaMouse(0, WM_MOUSEMOVE));
    EXPECT_TRUE(NotifyIcons().empty());
}

// A window that adds its icon again when the taskbar is rebuilt, as the
// program does.
LRESULT CALLBACK ReAddingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == RegisterWindowMessageA("TaskbarCreated")) {
        NOTIFYICONDATAA d{};
        d.cbSize = sizeof d;
        d.hWnd = hwnd;
        d.uID = 1;
        d.uFlags = NIF_TIP;
        std::strcpy(d.szTip, "again");
        Shell_NotifyIconA(NIM_ADD, &d);
        return 0;
    }
    return RecordingProc(hwnd, message, wParam, lParam);
}

TEST_F(NotifyArea, TaskbarRestartEmptiesTheAreaAndTellsEveryTopLevelWindow) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReAddingProc;
    wc.lpszClassName = "TestReAdding";
    RegisterClassA(&wc);
    // A hidden, disabled window is told as well.
    HWND hidden = CreateWindowExA(WS_EX_TOOLWINDOW, "TestReAdding", "", WS_DISABLED, 0, 0, 0, 0,
                                  nullptr, nullptr, nullptr, nullptr);
    NOTIFYICONDATAA d = Record("first");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &d));
    Received().clear();

    TaskbarRestart();
    const UINT created = RegisterWindowMessageA("TaskbarCreated");
    EXPECT_EQ(ReceivedOf(window_, created).size(), 1u);
    ASSERT_EQ(NotifyIcons().size(), 1u) << "only the window that added its icon again has one";
    EXPECT_EQ(NotifyIcons()[0].window, hidden);
    EXPECT_EQ(NotifyIcons()[0].tip, "again");
    DestroyWindow(hidden);
    UnregisterClassA("TestReAdding", nullptr);
}

} // namespace
