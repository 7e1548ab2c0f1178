// Message boxes: a top-level window made of the ordinary controls (an icon
// static, a text static and push buttons), run modally with the owner
// disabled, so that clicks, Tab, Enter and Escape work as in any dialog
// through IsDialogMessage. The box is sized to its text and centred on the
// screen.
#include "msgbox.h"

#include "host/text.h"

#include "classes.h"
#include "cursor.h"
#include "host/trace.h"
#include "menu.h"
#include "message.h"
#include "window.h"

#include <algorithm>

namespace platform::user {
namespace {

constexpr const char* kBoxClass = "MessageBox";
constexpr int kIconId = 20;
constexpr int kTextId = 0xFFFF;

// Layout in cells and rows of the terminal (kCellWidth x kCellHeight).
constexpr int kMargin = 2;    // cells left and right of the contents
constexpr int kIconCells = 6; // room for a 32 x 32 icon
constexpr int kIconRows = 3;
constexpr int kButtonCells = 10;
constexpr int kButtonGap = 2;
constexpr int kButtonHeight = 23; // 14 dialog units, like a template's button
constexpr int kButtonRows = 2;

struct Box {
    HWND window = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
    std::vector<std::string> lines;
    std::vector<MessageBoxView::Button> buttons;
    int defaultId = 0;
    bool ended = false;
    int answer = 0;
};
std::vector<Box*> openBoxes;

Box* BoxOf(HWND hwnd) {
    for (Box* box : openBoxes)
        if (box->window == hwnd) return box;
    return nullptr;
}

std::vector<MessageBoxView::Button> ButtonsFor(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL:
        return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
        return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default:
        return {{IDOK, "OK"}};
    }
}

bool HasButton(const Box& box, int id) {
    return std::any_of(box.buttons.begin(), box.buttons.end(),
                       [id](const MessageBoxView::Button& b) { return b.id == id; });
}

void Answer(Box& box, int id) {
    box.answer = id;
    box.ended = true;
}

// Escape, the close button and IDCANCEL from the keyboard: Cancel when the
// box has one; a box with only OK takes it as OK; the others ignore it.
void Cancel(Box& box) {
    if (HasButton(box, IDCANCEL))
        Answer(box, IDCANCEL);
    else if ((box.type & MB_TYPEMASK) == MB_OK)
        Answer(box, IDOK);
}

LRESULT CALLBACK BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Box* box = BoxOf(hwnd);
    switch (message) {
    case WM_COMMAND:
        if (box != nullptr && HIWORD(wParam) == BN_CLICKED) {
            int id = LOWORD(wParam);
            if (id == IDCANCEL)
                Cancel(*box);
            else if (HasButton(*box, id))
                Answer(*box, id);
        }
        return 0;
    case DM_GETDEFID:
        return box != nullptr ? MAKELONG(box->defaultId, DC_HASDEFID) : 0;
    case WM_CLOSE:
        if (box != nullptr) Cancel(*box);
        return 0;
    case WM_DESTROY:
        // Destroyed from outside (with its owner) while its loop still
        // runs: the box ends unanswered. The loop may be waiting for input
        // meanwhile; an empty message wakes it.
        if (box != nullptr) {
            box->ended = true;
            PostMessageA(nullptr, WM_NULL, 0, 0);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

size_t SequenceLength(const std::string& s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return std::min(n, s.size() - i);
}

void WrapParagraph(const std::string& text, int cells, std::vector<std::string>* out) {
    std::string line;
    int width = 0;
    for (size_t i = 0; i < text.size();) {
        size_t n = SequenceLength(text, i);
        std::string ch = text.substr(i, n);
        i += n;
        int w = TextCells(ch);
        if (width + w > cells && !line.empty()) {
            // Break after the last blank of the line; a line without one
            // breaks here, between two characters.
            size_t blank = line.find_last_of(' ');
            std::string rest;
            if (blank != std::string::npos && blank > 0 && ch != " ") {
                rest = line.substr(blank + 1);
                line.erase(blank);
            }
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            out->push_back(line);
            line = rest;
            width = TextCells(line);
            if (ch == " " && line.empty()) continue; // no blank at a line's start
        }
        line += ch;
        width += w;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    out->push_back(line);
}

HWND CreateChild(HWND box, const char* cls, const char* text, DWORD style, int id, int x, int y,
                 int width, int height) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, box,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
}

WORD IconResource(UINT icon) {
    switch (icon) {
    case MB_ICONHAND:
        return IDI_HAND;
    case MB_ICONQUESTION:
        return IDI_QUESTION;
    case MB_ICONEXCLAMATION:
        return IDI_EXCLAMATION;
    case MB_ICONASTERISK:
        return IDI_ASTERISK;
    }
    return 0;
}

// Creates the box window and its controls, laid out for the text.
HWND CreateBox(Box& box, HWND owner) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const WORD icon = IconResource(box.type & MB_ICONMASK);
    const int textLeft = kMargin + (icon ? kIconCells + kMargin : 0);
    const int screenCells = screenWidth / kCellWidth;
    // Long lines wrap at five eighths of the screen's width, and always
    // leave room for the icon and margins.
    const int maxTextCells =
        std::max(10, std::min(screenCells * 5 / 8, screenCells - 2 - textLeft - kMargin));
    box.lines = WrapText(box.text, maxTextCells);

    int textCells = 0;
    for (const std::string& line : box.lines)
        textCells = std::max(textCells, TextCells(line));
    const int buttonCount = static_cast<int>(box.buttons.size());
    const int buttonsCells = buttonCount * kButtonCells + (buttonCount - 1) * kButtonGap;
    // The caption keeps room for itself and the close button.
    int clientCells = std::max(
        {textLeft + textCells + kMargin, buttonsCells + 2 * kMargin, TextCells(box.caption) + 6});
    clientCells = std::min(clientCells, std::max(1, screenCells - 2));
    const int lineCount = static_cast<int>(box.lines.size());
    const int contentRows = std::max(lineCount, icon ? kIconRows : 0);
    const int textTop = 1 + (contentRows - lineCount) / 2;
    const int buttonsTop = 1 + contentRows + 1;
    const int clientRows = buttonsTop + kButtonRows + 1;

    const int width = clientCells * kCellWidth + 2 * kFrameX;
    const int height = clientRows * kCellHeight + 2 * kFrameY;
    const int x = (screenWidth - width) / 2, y = (screenHeight - height) / 2;

    DWORD style = WS_POPUP | WS_CAPTION;
    // The close button is there only when it can answer.
    const UINT kind = box.type & MB_TYPEMASK;
    if (kind == MB_OK || HasButton(box, IDCANCEL)) style |= WS_SYSMENU;
    DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    if (box.type & MB_SYSTEMMODAL) exStyle |= WS_EX_TOPMOST;
    HWND hwnd = CreateWindowExA(exStyle, kBoxClass, box.caption.c_str(), style, x, y, width, height,
                                owner, nullptr, nullptr, nullptr);
    if (hwnd == nullptr) return nullptr;
    box.window = hwnd;

    if (icon)
        CreateChild(hwnd, "Static", MAKEINTRESOURCEA(icon), SS_ICON, kIconId, kMargin * kCellWidth,
                    kCellHeight, 32, 32);
    CreateChild(hwnd, "Static", box.text.c_str(), SS_LEFT | SS_NOPREFIX, kTextId,
                textLeft * kCellWidth, textTop * kCellHeight, textCells * kCellWidth,
                lineCount * kCellHeight);
    int left = (clientCells - buttonsCells) / 2;
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        MessageBoxView::Button& b = box.buttons[i];
        DWORD buttonStyle = WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                            (b.id == box.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        b.window =
            CreateChild(hwnd, "Button", b.text.c_str(), buttonStyle, b.id,
                        (left + static_cast<int>(i) * (kButtonCells + kButtonGap)) * kCellWidth,
                        buttonsTop * kCellHeight, kButtonCells * kCellWidth, kButtonHeight);
    }
    return hwnd;
}

} // namespace

void RegisterMessageBoxClass() {
    RegisterSystemClass(kBoxClass, BoxProc, CS_SAVEBITS, MAKEINTRESOURCEA(IDC_ARROW));
}

std::vector<std::string> WrapText(const std::string& text, int cells) {
    std::vector<std::string> lines;
    std::string paragraph;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n') {
            WrapParagraph(paragraph, std::max(1, cells), &lines);
            paragraph.clear();
        } else if (text[i] != '\r') {
            paragraph += text[i];
        }
    }
    return lines;
}

std::optional<MessageBoxView> OpenMessageBox() {
    for (auto it = openBoxes.rbegin(); it != openBoxes.rend(); ++it) {
        const Box& box = **it;
        if (Find(box.window) == nullptr || box.ended) continue;
        MessageBoxView view;
        view.window = box.window;
        view.text = box.text;
        view.caption = box.caption;
        view.type = box.type;
        view.icon = box.type & MB_ICONMASK;
        view.lines = box.lines;
        view.buttons = box.buttons;
        view.defaultId = box.defaultId;
        return view;
    }
    return std::nullopt;
}

} // namespace platform::user

using namespace platform::user;

WINBASEAPI int WINAPI MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type) {
    Window* ownerWindow = nullptr;
    if (hwnd != nullptr) {
        ownerWindow = TopLevelOf(Find(hwnd));
        if (ownerWindow == nullptr || ownerWindow == Desktop()) {
            if (ownerWindow == nullptr) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return 0;
            }
            ownerWindow = nullptr; // the desktop owns nothing
        }
    }
    const HWND owner = ownerWindow != nullptr ? ownerWindow->handle : nullptr;

    Box box;
    box.text = text != nullptr ? text : "";
    box.caption = caption != nullptr ? caption : "Error";
    box.type = type;
    box.buttons = ButtonsFor(type);
    size_t defaultIndex = ((type & MB_DEFMASK) >> 8);
    if (defaultIndex >= box.buttons.size()) defaultIndex = 0;
    box.defaultId = box.buttons[defaultIndex].id;

    // A menu that is open closes, so that the box gets the mouse.
    CancelMenu();
    openBoxes.push_back(&box);
    HWND window = CreateBox(box, owner);
    if (window == nullptr) {
        openBoxes.erase(std::find(openBoxes.begin(), openBoxes.end(), &box));
        return 0;
    }
    // The owner takes no input while the box is open.
    const bool disabledOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOWNORMAL);
    if (HWND button = GetDlgItem(window, box.defaultId)) SetFocus(button);

    RunModalLoop(Find(window), &box.ended, window);

    // The owner is enabled again before the box goes, so that the
    // activation returns to it.
    if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
    openBoxes.erase(std::find(openBoxes.begin(), openBoxes.end(), &box));
    if (IsWindow(window)) DestroyWindow(window);

    platform::TraceEvent("msgbox")
        .Str("text", box.text)
        .Str("caption", box.caption)
        .Int("type", static_cast<long long>(type))
        .Int("answer", box.answer);
    return box.answer;
}
