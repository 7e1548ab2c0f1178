// Message boxes: answered by clicks and keys from inside their modal loop,
// their owner disabled meanwhile, laid out for their text, and traced.
#include <windows.h>

#include "host/trace.h"
#include "test_frontend.h"
#include "test_windows.h"
#include "user/cursor.h"
#include "user/menu.h"
#include "user/msgbox.h"

#include <functional>

using namespace platform::user;

namespace {

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) {
    traceLines.push_back(line);
}

MessageBoxView Box() {
    auto box = OpenMessageBox();
    EXPECT_TRUE(box.has_value()) << "no message box is open";
    return box.value_or(MessageBoxView{});
}

void ClickButton(int id) {
    HWND button = GetDlgItem(Box().window, id);
    ASSERT_NE(button, nullptr);
    POINT p = CenterOf(button);
    MouseInput(MouseAction::Move, p);
    MouseInput(MouseAction::LeftDown, p);
    MouseInput(MouseAction::LeftUp, p);
}

void PressKey(UINT vk, unsigned char ch = 0) {
    KeyInput(vk, true, 0, ch);
    KeyInput(vk, false, 0, 0);
}

class MessageBoxes : public ::testing::Test {
  protected:
    void SetUp() override {
        Received().clear();
        traceLines.clear();
        platform::SetTraceSink(CollectTrace);
        owner_ = CreateRecordingParent();
    }
    void TearDown() override {
        platform::SetTraceSink(nullptr);
        if (IsWindow(owner_)) DestroyWindow(owner_);
    }
    TempMachine machine_;
    ScriptedFrontEnd frontEnd_;
    HWND owner_ = nullptr;
};

TEST_F(MessageBoxes, AnsweredByClicksAndKeys) {
    struct Case {
        const char* what;
        UINT type;
        std::vector<std::function<void()>> steps;
        int answer;
    };
    const std::vector<Case> cases = {
        {"click Yes", MB_YESNO, {[] { ClickButton(IDYES); }}, IDYES},
        {"click No", MB_YESNO | MB_ICONQUESTION, {[] { ClickButton(IDNO); }}, IDNO},
        {"Enter presses the first button", MB_YESNO, {[] { PressKey(VK_RETURN); }}, IDYES},
        {"Enter presses the default button",
         MB_YESNO | MB_DEFBUTTON2,
         {[] { PressKey(VK_RETURN); }},
         IDNO},
        {"Tab moves to No",
         MB_YESNO,
         {[] { PressKey(VK_TAB); }, [] { PressKey(VK_RETURN); }},
         IDNO},
        {"mnemonic", MB_YESNO, {[] { PressKey('N', 'n'); }}, IDNO},
        {"Escape does nothing without Cancel",
         MB_YESNO,
         {[] { PressKey(VK_ESCAPE); },
          [] {
              EXPECT_TRUE(OpenMessageBox().has_value()) << "Escape closed a Yes/No box";
              ClickButton(IDNO);
          }},
         IDNO},
        {"Escape on OK alone is OK", MB_OK, {[] { PressKey(VK_ESCAPE); }}, IDOK},
        {"Escape is Cancel", MB_OKCANCEL, {[] { PressKey(VK_ESCAPE); }}, IDCANCEL},
        {"Escape is Cancel with three buttons",
         MB_YESNOCANCEL,
         {[] { PressKey(VK_ESCAPE); }},
         IDCANCEL},
        {"click OK", MB_OKCANCEL, {[] { ClickButton(IDOK); }}, IDOK},
        {"close button on OK alone",
         MB_OK,
         {[] {
             RECT close = CloseButtonRect(Find(Box().window));
             POINT p{(close.left + close.right) / 2, (close.top + close.bottom) / 2};
             MouseInput(MouseAction::LeftDown, p);
             MouseInput(MouseAction::LeftUp, p);
         }},
         IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& step : c.steps)
            frontEnd_.Then(step);
        EXPECT_EQ(MessageBoxA(owner_, "Question?", "Caption", c.type), c.answer);
        EXPECT_FALSE(OpenMessageBox().has_value());
    }
}

TEST_F(MessageBoxes, TheOwnerIsDisabledWhileTheBoxIsOpen) {
    HWND child = CreateWindowExA(0, "Static", "child", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, owner_,
                                 nullptr, nullptr, nullptr);
    frontEnd_.Then([this] {
        MessageBoxView box = Box();
        EXPECT_FALSE(IsWindowEnabled(owner_)) << "a child's top-level window is the owner";
        EXPECT_EQ(GetWindow(box.window, GW_OWNER), owner_);
        EXPECT_EQ(GetActiveWindow(), box.window);
        EXPECT_EQ(GetFocus(), GetDlgItem(box.window, IDOK));
        // The disabled owner takes no clicks.
        Received().clear();
        MouseInput(MouseAction::LeftDown, {5, 290});
        MouseInput(MouseAction::LeftUp, {5, 290});
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(MessageBoxA(child, "Hello", "Caption", MB_OK), IDOK);
    EXPECT_TRUE(ReceivedOf(owner_, WM_LBUTTONDOWN).empty());
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_EQ(GetActiveWindow(), owner_) << "the activation returns to the owner";

    // An owner that was disabled before (a hidden window of the program's)
    // stays disabled.
    EnableWindow(owner_, FALSE);
    frontEnd_.Then([] { PressKey(VK_RETURN); });
    EXPECT_EQ(MessageBoxA(owner_, "Hello", "Caption", MB_OK), IDOK);
    EXPECT_FALSE(IsWindowEnabled(owner_));

    // Without an owner nothing is disabled.
    EnableWindow(owner_, TRUE);
    frontEnd_.Then([this] {
        EXPECT_TRUE(IsWindowEnabled(owner_));
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(MessageBoxA(nullptr, "Hello", "Caption", MB_OK), IDOK);
}

TEST_F(MessageBoxes, SizedToItsTextAndCentredOnTheScreen) {
    const char* text = "Do you really want to uninstall Orbiq PCI audio/game\ndevices and drivers?";
    frontEnd_.Then([text] {
        MessageBoxView box = Box();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "Orbiq Control Panel");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONQUESTION));
        EXPECT_EQ(box.lines,
                  (std::vector<std::string>{"Do you really want to uninstall Orbiq PCI audio/game",
                                            "devices and drivers?"}));
        ASSERT_EQ(box.buttons.size(), 2u);
        EXPECT_EQ(box.buttons[0].text, "&Yes");
        EXPECT_EQ(box.buttons[1].text, "&No");
        EXPECT_EQ(box.defaultId, IDYES);

        RECT frame;
        GetWindowRect(box.window, &frame);
        EXPECT_EQ(frame.left, (600 - (frame.right - frame.left)) / 2);
        EXPECT_EQ(frame.top, (520 - (frame.bottom - frame.top)) / 2);

        HWND label = GetDlgItem(box.window, 0xFFFF);
        char shown[128];
        GetWindowTextA(label, shown, sizeof shown);
        EXPECT_STREQ(shown, text);
        RECT r;
        GetWindowRect(label, &r);
        EXPECT_EQ(r.bottom - r.top, 2 * kCellHeight) << "one row per line";
        EXPECT_EQ(r.right - r.left, 52 * kCellWidth) << "as wide as the longest line";
        for (const auto& b : box.buttons) {
            GetWindowRect(b.window, &r);
            EXPECT_EQ(r.right - r.left, 10 * kCellWidth);
            EXPECT_GE(r.top, ScreenRect(Find(label)).bottom) << "buttons below the text";
        }
        HWND icon = GetDlgItem(box.window, 20);
        ASSERT_NE(icon, nullptr);
        EXPECT_NE(IconPicture(reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0))),
                  nullptr);
        ClickButton(IDNO);
    });
    EXPECT_EQ(MessageBoxA(owner_, text, "Orbiq Control Panel", MB_YESNO | MB_ICONQUESTION), IDNO);

    // A long line wraps between words and the box stays on the screen; no
    // caption is "Error".
    const std::string longText =
        "No Microsoft DirectX (5 or above) was found in your system. Please install DirectX to "
        "make DirectSound Applications work properly.";
    frontEnd_.Then([&longText] {
        MessageBoxView box = Box();
        EXPECT_EQ(box.caption, "Error");
        EXPECT_GT(box.lines.size(), 1u);
        std::string joined;
        for (const std::string& line : box.lines)
            joined += (joined.empty() ? "" : " ") + line;
        EXPECT_EQ(joined, longText);
        RECT frame;
        GetWindowRect(box.window, &frame);
        EXPECT_GE(frame.left, 0);
        EXPECT_LE(frame.right, 600);
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(MessageBoxA(nullptr, longText.c_str(), nullptr, MB_OK), IDOK);
}

TEST_F(MessageBoxes, EachAnswerIsTracedAndAnOwnerDestroyedEndsTheBox) {
    frontEnd_.Then([] { ClickButton(IDYES); });
    MessageBoxA(owner_, "Line one\nline \"two\"", "Caption", MB_YESNO | MB_ICONQUESTION);
    ASSERT_EQ(traceLines.size(), 1u);
    const std::string& line = traceLines[0];
    EXPECT_NE(line.find("\"ev\": \"msgbox\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"text\": \"Line one\\nline \\\"two\\\"\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"caption\": \"Caption\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"type\": 36"), std::string::npos) << line;
    EXPECT_NE(line.find("\"answer\": 6"), std::string::npos) << line;

    // The owner goes while the box waits (the program ends): no answer.
    traceLines.clear();
    frontEnd_.Then([this] { DestroyWindow(owner_); });
    EXPECT_EQ(MessageBoxA(owner_, "Bye", "Caption", MB_OK), 0);
    EXPECT_FALSE(OpenMessageBox().has_value());
    ASSERT_EQ(traceLines.size(), 1u);
    EXPECT_NE(traceLines[0].find("\"answer\": 0"), std::string::npos) << traceLines[0];

    SetLastError(0);
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x777), "x", "y", MB_OK), 0) << "a bad owner";
}

void CALLBACK ShowBoxFromTimer(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    MessageBoxA(hwnd, "From a timer", "Caption", MB_OK);
}

TEST_F(MessageBoxes, ABoxOpeningOverAMenuClosesTheMenu) {
    platform::MenuTemplateInfo info;
    platform::MenuItemInfo item;
    item.text = "&Open";
    item.id = 1;
    info.items = {item};
    HMENU menu = CreateMenuFrom(info);
    SetForegroundWindow(owner_);
    SetTimer(owner_, 1, 100, ShowBoxFromTimer);
    frontEnd_.Then([] { platform::ClockAdvance(150); });
    frontEnd_.Then([] {
        EXPECT_FALSE(OpenMenu().has_value()) << "the menu closed when the box opened";
        EXPECT_EQ(GetCapture(), nullptr);
        ClickButton(IDOK);
    });
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner_, nullptr), 0);
    EXPECT_EQ(traceLines.size(), 1u) << "the box was answered";
    DestroyMenu(menu);
}

TEST(MessageBoxText, WrapsAtLineBreaksThenBetweenWords) {
    struct Case {
        const char* text;
        int cells;
        std::vector<std::string> lines;
    } cases[] = {
        {"", 10, {""}},
        {"one\r\ntwo", 10, {"one", "two"}},
        {"one\n\nthree", 10, {"one", "", "three"}},
        {"a bb ccc dddd", 6, {"a bb", "ccc", "dddd"}},
        {"abcdefgh", 3, {"abc", "def", "gh"}},
        {"word   next", 6, {"word", "next"}},
        {"開く開く開", 4, {"開く", "開く", "開"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(WrapText(c.text, c.cells), c.lines);
    }
}

} // namespace
