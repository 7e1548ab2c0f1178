// The "Button" control: push buttons, check boxes, radio buttons and group
// boxes. It keeps its check and pushed state, answers the BM_ messages the
// front ends draw from, and tells its parent of clicks with BN_CLICKED.
#include "classes.h"
#include "window.h"

#include <windows.h>

namespace platform::user {
namespace {

struct ButtonState : ControlState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    bool mouseTracking = false; // the left button went down on us
    bool spaceDown = false;
};

UINT TypeOf(const Window* w) { return w->style & BS_TYPEMASK; }

bool IsCheckBox(UINT type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
}
bool IsRadioButton(UINT type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

// The highest check state the button can show: 2 (indeterminate) for the
// three-state boxes, 1 for the other check boxes and radio buttons.
UINT MaxCheck(UINT type) {
    if (type == BS_3STATE || type == BS_AUTO3STATE) return BST_INDETERMINATE;
    return IsCheckBox(type) || IsRadioButton(type) ? BST_CHECKED : BST_UNCHECKED;
}

void SetPushed(Window* w, bool pushed) {
    auto& s = StateOf<ButtonState>(w);
    if (s.pushed == pushed) return;
    s.pushed = pushed;
    ScreenChanged();
}

// Unchecks the radio buttons of the WS_GROUP group that `w` belongs to,
// other than `w`, in the order of its siblings.
void UncheckRestOfGroup(Window* w) {
    if (w->parent == nullptr) return;
    const std::vector<Window*> siblings = w->parent->children; // may change while we send
    size_t at = 0;
    while (at < siblings.size() && siblings[at] != w) ++at;
    if (at == siblings.size()) return;
    size_t begin = at;
    while (begin > 0 && !(siblings[begin]->style & WS_GROUP)) --begin;
    size_t end = at + 1;
    while (end < siblings.size() && !(siblings[end]->style & WS_GROUP)) ++end;
    for (size_t i = begin; i < end; ++i) {
        Window* other = siblings[i];
        if (other == w || Find(other->handle) != other) continue;
        if (Send(other, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
            Send(other, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

// What a click does: automatic buttons change their state first, so that
// the parent's BN_CLICKED handler reads the new one.
void Clicked(Window* w) {
    HWND hwnd = w->handle;
    auto& s = StateOf<ButtonState>(w);
    switch (TypeOf(w)) {
    case BS_AUTOCHECKBOX:
        s.check = s.check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED;
        ScreenChanged();
        break;
    case BS_AUTO3STATE:
        s.check = (s.check + 1) % 3;
        ScreenChanged();
        break;
    case BS_AUTORADIOBUTTON:
        s.check = BST_CHECKED;
        ScreenChanged();
        UncheckRestOfGroup(w);
        break;
    }
    if (Find(hwnd) != w || w->parent == nullptr) return;
    Send(w->parent, WM_COMMAND, MAKEWPARAM(w->id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

bool InClient(Window* w, LPARAM lParam) {
    RECT client = ClientScreenRect(w);
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return p.x >= 0 && p.y >= 0 && p.x < client.right - client.left &&
           p.y < client.bottom - client.top;
}

// Leaves the pressed state without clicking (focus lost, capture taken).
void CancelPress(Window* w) {
    auto& s = StateOf<ButtonState>(w);
    s.spaceDown = false;
    bool hadCapture = s.mouseTracking;
    s.mouseTracking = false;
    SetPushed(w, false);
    if (hadCapture && CaptureWindow() == w) ReleaseCapture();
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (w == nullptr) return 0;
    auto& s = StateOf<ButtonState>(w);
    const UINT type = TypeOf(w);
    const bool groupBox = type == BS_GROUPBOX;

    switch (message) {
    case WM_NCHITTEST:
        // A group box is only a frame: clicks reach the window beneath.
        if (groupBox) return HTTRANSPARENT;
        break;
    case WM_GETDLGCODE:
        if (groupBox) return DLGC_STATIC;
        if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (IsRadioButton(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        return DLGC_BUTTON;

    case BM_GETCHECK: return IsCheckBox(type) || IsRadioButton(type) ? s.check : BST_UNCHECKED;
    case BM_SETCHECK: {
        // Values beyond what the button can show count as its highest state.
        UINT max = MaxCheck(type);
        UINT check = static_cast<UINT>(wParam) > max ? max : static_cast<UINT>(wParam);
        if (check != s.check) {
            s.check = check;
            ScreenChanged();
        }
        return 0;
    }
    case BM_GETSTATE:
        return (IsCheckBox(type) || IsRadioButton(type) ? s.check : 0) |
               (s.pushed ? BST_PUSHED : 0) | (s.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        SetPushed(w, wParam != 0);
        return 0;
    case BM_SETSTYLE:
        // Only the kind changes (the dialog manager swaps default and
        // normal push buttons); the other style bits stay.
        w->style = (w->style & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
        ScreenChanged();
        return 0;
    case BM_CLICK:
        if (groupBox || !IsEnabled(w)) return 0;
        Clicked(w);
        return 0;

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (groupBox || !IsEnabled(w)) return 0;
        SetFocus(hwnd);
        if (Find(hwnd) != w || !IsEnabled(w)) return 0;
        SetCapture(hwnd);
        s.mouseTracking = true;
        SetPushed(w, true);
        return 0;
    case WM_MOUSEMOVE:
        // While the button is held, the button looks pressed only with the
        // mouse over it.
        if (s.mouseTracking) SetPushed(w, InClient(w, lParam));
        return 0;
    case WM_LBUTTONUP: {
        if (!s.mouseTracking) return 0;
        s.mouseTracking = false;
        const bool inside = InClient(w, lParam);
        if (CaptureWindow() == w) ReleaseCapture();
        if (Find(hwnd) != w) return 0;
        SetPushed(w, false);
        if (inside && IsEnabled(w)) Clicked(w);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (s.mouseTracking) CancelPress(w);
        return 0;

    case WM_KEYDOWN:
        if (wParam == VK_SPACE && !groupBox && IsEnabled(w)) {
            s.spaceDown = true;
            SetPushed(w, true);
            return 0;
        }
        break;
    case WM_KEYUP:
        if (wParam == VK_SPACE && s.spaceDown) {
            s.spaceDown = false;
            SetPushed(w, false);
            if (IsEnabled(w)) Clicked(w);
            return 0;
        }
        break;
    case WM_CHAR:
        return 0; // Space works through its key; characters type nothing here

    case WM_SETFOCUS:
        s.focused = true;
        ScreenChanged();
        return 0;
    case WM_KILLFOCUS:
        s.focused = false;
        CancelPress(w);
        ScreenChanged();
        return 0;
    case WM_ENABLE:
        if (!wParam) CancelPress(w);
        ScreenChanged();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

void RegisterButtonClass() {
    RegisterSystemClass("Button", ButtonProc, 0, MAKEINTRESOURCEA(IDC_ARROW));
}

} // namespace platform::user
