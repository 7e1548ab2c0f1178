// The dialog manager: dialogs made from templates, modal and modeless,
// DefDlgProc, and the keyboard interface of IsDialogMessage.
#include "dialog.h"

#include "classes.h"
#include "host/text.h"
#include "input.h"
#include "kernel/resources.h"
#include "message.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform::user {
namespace {

constexpr const char* kDialogClass = "#32770";
// The dialog's extra words, as on Windows: DWL_MSGRESULT, DWL_DLGPROC,
// DWL_USER.
constexpr int kDialogExtra = 12;

struct DialogState : ControlState {
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    HWND savedFocus = nullptr;
    int defaultId = 0; // 0: none set (IDOK is used)
};

DLGPROC ProcOf(Window* w) {
    return w->extra.size() > 1 ? reinterpret_cast<DLGPROC>(w->extra[1]) : nullptr;
}

// Messages whose result the dialog procedure returns directly instead of
// through DWL_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    return message == WM_INITDIALOG || message == 0x0037 /* WM_QUERYDRAGICON */ ||
           (message >= 0x0132 && message <= 0x0138) /* WM_CTLCOLOR* */ ||
           message == 0x0039 /* WM_COMPAREITEM */ || message == 0x002E /* WM_VKEYTOITEM */ ||
           message == 0x002F /* WM_CHARTOITEM */;
}

bool IsTabStopCandidate(const Window* w) {
    return (w->style & WS_TABSTOP) && IsVisible(w) && IsEnabled(w);
}

// A window whose children take part in its parent dialog's keyboard
// navigation: WS_EX_CONTROLPARENT, and the dialogs that serve as pages.
bool IsControlParent(const Window* w) {
    return (w->exStyle & WS_EX_CONTROLPARENT) || (IsDialog(w) && (w->style & WS_CHILD));
}

// The dialog's controls in tab order: z-order, descending into control
// parents.
void CollectControls(Window* parent, std::vector<Window*>* out) {
    for (Window* child : parent->children) {
        if (child->destroyed) continue;
        if (IsControlParent(child)) {
            if (IsVisible(child) && IsEnabled(child)) CollectControls(child, out);
        } else {
            out->push_back(child);
        }
    }
}

// The member of `list` that `w` is, or that contains it.
int IndexIn(const std::vector<Window*>& list, Window* w) {
    for (; w != nullptr; w = w->parent) {
        auto it = std::find(list.begin(), list.end(), w);
        if (it != list.end()) return static_cast<int>(it - list.begin());
    }
    return -1;
}

UINT DialogCode(Window* w, MSG* msg) {
    return static_cast<UINT>(Send(w, WM_GETDLGCODE, msg ? msg->wParam : 0,
                                  reinterpret_cast<LPARAM>(msg)));
}

bool IsPushButton(Window* w) {
    return (DialogCode(w, nullptr) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Moves the focus to a control as the keyboard does; an edit field would
// select its text here.
void FocusControl(Window* dialog, Window* control) {
    if (control == nullptr) return;
    SetFocus(control->handle);
    (void)dialog;
}

// The mnemonic of a control's text: the letter after '&', lower-cased.
int Mnemonic(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&') {
            if (text[i + 1] == '&') {
                ++i;
                continue;
            }
            return std::tolower(static_cast<unsigned char>(text[i + 1]));
        }
    return -1;
}

bool HandleMnemonic(Window* dialog, int ch) {
    std::vector<Window*> controls;
    CollectControls(dialog, &controls);
    int start = IndexIn(controls, FocusWindow());
    int n = static_cast<int>(controls.size());
    for (int k = 1; k <= n; ++k) {
        Window* c = controls[(start + k + n) % n];
        if (!IsVisible(c) || !IsEnabled(c) || Mnemonic(c->text) != ch) continue;
        UINT code = DialogCode(c, nullptr);
        if (code & DLGC_STATIC) {
            // A label's mnemonic moves to the control after it.
            for (int j = 1; j < n; ++j) {
                Window* next = controls[(IndexIn(controls, c) + j) % n];
                if (IsTabStopCandidate(next)) {
                    FocusControl(dialog, next);
                    break;
                }
            }
        } else if (code & DLGC_BUTTON) {
            FocusControl(dialog, c);
            Send(c, BM_CLICK, 0, 0);
        } else {
            FocusControl(dialog, c);
        }
        return true;
    }
    return false;
}

Window* DefaultButton(Window* dialog) {
    LRESULT def = Send(dialog, DM_GETDEFID, 0, 0);
    int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    std::vector<Window*> controls;
    CollectControls(dialog, &controls);
    for (Window* c : controls)
        if (c->id == static_cast<UINT>(id)) return c;
    return nullptr;
}

void Click(Window* dialog, int id, Window* control) {
    if (control != nullptr && !IsEnabled(control)) return;
    Send(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
         reinterpret_cast<LPARAM>(control ? control->handle : nullptr));
}

// Creates the dialog described by a parsed template.
HWND CreateFromTemplate(HINSTANCE instance, const DialogTemplateInfo& t, HWND parentHandle,
                        DLGPROC proc, LPARAM param, bool modal) {
    Window* parent = Find(parentHandle);
    DWORD style = t.style;
    DWORD exStyle = t.exStyle;
    if (style & DS_CONTROL) exStyle |= WS_EX_CONTROLPARENT;
    if (style & DS_CONTEXTHELP) exStyle |= WS_EX_CONTEXTHELP;
    if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;

    HMENU menu = nullptr;
    if (!t.menu.Empty() && !(style & WS_CHILD))
        menu = LoadMenuA(instance, t.menu.isOrdinal ? MAKEINTRESOURCEA(t.menu.ordinal)
                                                    : t.menu.text.c_str());

    // The template gives the client area; the frame and menu bar come on top.
    RECT client = DialogUnitsToPixels(t.x, t.y, t.cx, t.cy);
    Window probe;
    probe.style = style;
    probe.menu = menu;
    RECT in = NonClientInsets(&probe);
    int width = client.right - client.left + in.left + in.right;
    int height = client.bottom - client.top + in.top + in.bottom;
    int x = client.left, y = client.top;
    if (!(style & WS_CHILD) && parent != nullptr && !(style & DS_ABSALIGN)) {
        // A top-level dialog's position counts from its owner's client area.
        RECT owner = ClientScreenRect(TopLevelOf(parent));
        x += owner.left;
        y += owner.top;
    }
    if (style & DS_CENTER) {
        RECT screen = Desktop()->rect;
        x = (screen.right - width) / 2;
        y = (screen.bottom - height) / 2;
    }

    std::string className = t.className.Empty() || t.className.isOrdinal ? kDialogClass
                                                                         : t.className.text;
    HWND hwnd = CreateWindowExA(exStyle, className.c_str(), t.title.c_str(), style & ~WS_VISIBLE,
                                x, y, width, height, parentHandle, menu, instance, nullptr);
    Window* w = Find(hwnd);
    if (w == nullptr) {
        if (menu != nullptr) DestroyMenu(menu);
        return nullptr;
    }
    if (w->extra.size() < 3) w->extra.resize(3, 0);
    w->extra[1] = reinterpret_cast<LONG>(proc);
    StateOf<DialogState>(w).modal = modal;

    for (const DialogItemInfo& item : t.items) {
        RECT r = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy);
        LPCSTR title = item.title.isOrdinal ? MAKEINTRESOURCEA(item.title.ordinal)
                                            : item.title.text.c_str();
        LPVOID data = item.creationData.empty()
                          ? nullptr
                          : const_cast<BYTE*>(item.creationData.data());
        HWND control = CreateWindowExA(item.exStyle | WS_EX_NOPARENTNOTIFY,
                                       item.className.c_str(), title, item.style | WS_CHILD,
                                       r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd,
                                       reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id)),
                                       instance, data);
        if (control == nullptr && !(style & DS_NOFAILCREATE)) {
            DestroyWindow(hwnd);
            return nullptr;
        }
        if (Find(hwnd) != w) return nullptr;
    }

    // The first control that takes the focus is offered in wParam.
    Window* first = nullptr;
    std::vector<Window*> controls;
    CollectControls(w, &controls);
    for (Window* c : controls)
        if (c->style & WS_TABSTOP && !(c->style & WS_DISABLED)) {
            first = c;
            break;
        }
    HWND firstHandle = first ? first->handle : nullptr;
    LRESULT setFocus = Send(w, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstHandle), param);
    if (Find(hwnd) != w) return nullptr;
    if (setFocus && !(style & WS_CHILD) && Find(firstHandle) != nullptr) {
        Activate(w);
        ChangeFocus(Find(firstHandle));
    }
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOWNORMAL);
    return hwnd;
}

bool TemplateAt(LPCDLGTEMPLATEA tpl, DialogTemplateInfo* info) {
    if (tpl == nullptr) return false;
    // A template handed over by pointer is read as far as it says; a locked
    // resource's size bounds it.
    size_t size = 0;
    if (!ResourceExtent(tpl, &size)) size = 0x10000;
    return ParseDialogTemplate(tpl, size, info);
}

INT_PTR RunModal(HINSTANCE instance, const DialogTemplateInfo& t, HWND ownerHandle, DLGPROC proc,
                 LPARAM param) {
    Window* ownerWindow = TopLevelOf(Find(ownerHandle));
    HWND owner = ownerWindow ? ownerWindow->handle : nullptr;
    HWND hwnd = CreateFromTemplate(instance, t, owner, proc, param, true);
    Window* w = Find(hwnd);
    if (w == nullptr) return -1;
    auto& state = StateOf<DialogState>(w);
    // The owner takes no input while the modal dialog runs.
    bool disabledOwner = owner != nullptr && IsWindowEnabled(owner);
    if (!state.ended) {
        if (disabledOwner) EnableWindow(owner, FALSE);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        if (FocusWindow() == nullptr || TopLevelOf(FocusWindow()) != w) {
            Activate(w);
        }
        RunModalLoop(w, &state.ended, hwnd);
    }
    INT_PTR result = Find(hwnd) == w ? state.result : 0;
    if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (Find(hwnd) == w) {
        if (owner != nullptr && IsWindow(owner)) Activate(Find(owner));
        DestroyWindow(hwnd);
    }
    return result;
}

bool FindTemplate(HINSTANCE instance, LPCSTR name, DialogTemplateInfo* t) {
    return LoadDialogInfo(instance, name, t);
}

} // namespace

RECT DialogUnitsToPixels(short x, short y, short cx, short cy) {
    auto px = [](int v) { return v * kCellWidth / 4; };
    auto py = [](int v) { return v * kCellHeight / 8; };
    return {px(x), py(y), px(x + cx), py(y + cy)};
}

bool IsDialog(const Window* w) {
    return w != nullptr && w->windowClass != nullptr && w->windowClass->name == kDialogClass;
}

void RegisterDialogClass() {
    RegisterSystemClass(kDialogClass, DefDlgProcA, CS_DBLCLKS | CS_SAVEBITS,
                        MAKEINTRESOURCEA(IDC_ARROW));
    // DWL_MSGRESULT, DWL_DLGPROC and DWL_USER live in the extra words.
    (void)kDialogExtra;
}

} // namespace platform::user

using namespace platform::user;
using platform::DialogTemplateInfo;

WINBASEAPI LRESULT WINAPI DefDlgProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (w == nullptr) return 0;
    if (w->extra.size() < 3) w->extra.resize(3, 0);
    if (DLGPROC proc = ProcOf(w)) {
        w->extra[0] = 0; // DWL_MSGRESULT
        INT_PTR handled = proc(hwnd, message, wParam, lParam);
        if (Find(hwnd) != w) return handled;
        if (handled) return ReturnsDirectly(message) ? handled : w->extra[0];
    }
    auto& state = StateOf<DialogState>(w);
    switch (message) {
    case WM_CLOSE:
        // Closing means Cancel, unless the Cancel button is disabled.
        if (HWND cancel = GetDlgItem(hwnd, IDCANCEL); cancel == nullptr || IsWindowEnabled(cancel))
            PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(cancel));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            Window* f = FocusWindow();
            if (f != nullptr && IsChild(hwnd, f->handle)) state.savedFocus = f->handle;
        } else if (Window* saved = Find(state.savedFocus); saved != nullptr && IsChild(hwnd, saved->handle)) {
            ChangeFocus(saved);
        }
        return 0;
    case WM_SETFOCUS: {
        // A dialog that gets the focus hands it to its first control.
        Window* saved = Find(state.savedFocus);
        if (saved == nullptr || !IsChild(hwnd, saved->handle) || !IsTabStopCandidate(saved))
            saved = Find(GetNextDlgTabItem(hwnd, nullptr, FALSE));
        if (saved != nullptr) ChangeFocus(saved);
        return 0;
    }
    case WM_NEXTDLGCTL: {
        Window* target = lParam ? Find(reinterpret_cast<HWND>(wParam))
                                : Find(GetNextDlgTabItem(hwnd, GetFocus(), wParam != 0));
        if (target != nullptr) ChangeFocus(target);
        return 0;
    }
    case DM_GETDEFID:
        return state.defaultId ? MAKELONG(state.defaultId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
        state.defaultId = static_cast<int>(wParam);
        return TRUE;
    case WM_GETDLGCODE: return 0;
    case WM_ERASEBKGND: return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

WINBASEAPI HWND WINAPI CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA tpl,
                                                  HWND parent, DLGPROC proc, LPARAM param) {
    DialogTemplateInfo t;
    if (!TemplateAt(tpl, &t)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateFromTemplate(instance, t, parent, proc, param, false);
}

WINBASEAPI HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND parent,
                                          DLGPROC proc, LPARAM param) {
    DialogTemplateInfo t;
    if (!FindTemplate(instance, name, &t)) return nullptr;
    return CreateFromTemplate(instance, t, parent, proc, param, false);
}

WINBASEAPI INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA tpl,
                                                  HWND owner, DLGPROC proc, LPARAM param) {
    DialogTemplateInfo t;
    if (!TemplateAt(tpl, &t)) return -1;
    return RunModal(instance, t, owner, proc, param);
}

WINBASEAPI INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner,
                                          DLGPROC proc, LPARAM param) {
    DialogTemplateInfo t;
    if (!FindTemplate(instance, name, &t)) return -1;
    return RunModal(instance, t, owner, proc, param);
}

WINBASEAPI BOOL WINAPI EndDialog(HWND hwnd, INT_PTR result) {
    Window* w = Find(hwnd);
    if (w == nullptr || !IsDialog(w)) return FALSE;
    auto& state = StateOf<DialogState>(w);
    state.result = result;
    state.ended = true;
    EndModalLoopsOf(w); // wakes its loop
    // A modal dialog disappears now and is destroyed by its loop; a modeless
    // one is only hidden.
    ShowWindow(hwnd, SW_HIDE);
    return TRUE;
}

WINBASEAPI HWND WINAPI GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    Window* d = Find(dialog);
    if (d == nullptr) return nullptr;
    std::vector<Window*> controls;
    CollectControls(d, &controls);
    int n = static_cast<int>(controls.size());
    if (n == 0) return nullptr;
    int start = IndexIn(controls, Find(control));
    if (start < 0) start = previous ? 0 : n - 1;
    for (int k = 1; k <= n; ++k) {
        int i = ((previous ? start - k : start + k) % n + n) % n;
        if (IsTabStopCandidate(controls[i])) return controls[i]->handle;
    }
    return nullptr;
}

WINBASEAPI HWND WINAPI GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
    Window* c = Find(control);
    if (Find(dialog) == nullptr || c == nullptr || c->parent == nullptr) return nullptr;
    // The group: from the WS_GROUP sibling at or before the control up to
    // the next WS_GROUP sibling.
    const auto& siblings = c->parent->children;
    int at = static_cast<int>(std::find(siblings.begin(), siblings.end(), c) - siblings.begin());
    int begin = at;
    while (begin > 0 && !(siblings[begin]->style & WS_GROUP)) --begin;
    int end = at + 1;
    while (end < static_cast<int>(siblings.size()) && !(siblings[end]->style & WS_GROUP)) ++end;
    int n = end - begin;
    for (int k = 1; k < n; ++k) {
        int i = begin + (((at - begin) + (previous ? -k : k)) % n + n) % n;
        if (IsVisible(siblings[i]) && IsEnabled(siblings[i])) return siblings[i]->handle;
    }
    return control;
}

WINBASEAPI BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG msg) {
    Window* d = Find(dialog);
    if (d == nullptr || msg == nullptr) return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
    Window* target = Find(msg->hwnd);
    if (target == nullptr) return FALSE;

    if (msg->message == WM_KEYDOWN) {
        UINT code = DialogCode(target, msg);
        if (!(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
            switch (msg->wParam) {
            case VK_TAB:
                if (code & DLGC_WANTTAB) break;
                if (Window* next = Find(GetNextDlgTabItem(dialog, msg->hwnd, KeyDown(VK_SHIFT))))
                    FocusControl(d, next);
                return TRUE;
            case VK_LEFT:
            case VK_UP:
            case VK_RIGHT:
            case VK_DOWN: {
                if (code & DLGC_WANTARROWS) break;
                bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
                Window* next = Find(GetNextDlgGroupItem(dialog, msg->hwnd, back));
                if (next != nullptr && next != target) {
                    FocusControl(d, next);
                    // Arrowing onto an automatic radio button checks it.
                    if ((DialogCode(next, nullptr) & DLGC_RADIOBUTTON) &&
                        (next->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                        Send(next, BM_CLICK, 0, 0);
                }
                return TRUE;
            }
            case VK_RETURN: {
                // A focused push button is the one Enter presses; otherwise
                // the default button, or IDOK.
                Window* button = IsPushButton(target) ? target : DefaultButton(d);
                int id = button ? static_cast<int>(button->id) : IDOK;
                Window* owner = button && button->parent ? button->parent : d;
                Click(owner, id, button);
                return TRUE;
            }
            case VK_ESCAPE: {
                Window* cancel = Find(GetDlgItem(dialog, IDCANCEL));
                Click(d, IDCANCEL, cancel);
                return TRUE;
            }
            }
        }
    } else if (msg->message == WM_SYSCHAR || (msg->message == WM_CHAR &&
                                              !(DialogCode(target, msg) & DLGC_WANTCHARS))) {
        int ch = std::tolower(static_cast<int>(msg->wParam & 0xFF));
        if (HandleMnemonic(d, ch)) return TRUE;
        if (msg->message == WM_SYSCHAR) return TRUE;
    }
    // Everything else goes on to its window, translated as the main loop
    // would.
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return TRUE;
}

WINBASEAPI LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? SendMessageA(control, message, wParam, lParam) : 0;
}

WINBASEAPI BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr && SetWindowTextA(control, text);
}

WINBASEAPI UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        if (buffer != nullptr && size > 0) *buffer = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(control, buffer, size));
}

WINBASEAPI BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) return FALSE;
    SendMessageA(control, BM_SETCHECK, check, 0);
    return TRUE;
}

WINBASEAPI UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

WINBASEAPI BOOL WINAPI CheckRadioButton(HWND dialog, int first, int last, int check) {
    if (Find(dialog) == nullptr) return FALSE;
    for (int id = first; id <= last; ++id)
        if (HWND c = GetDlgItem(dialog, id))
            SendMessageA(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

WINBASEAPI BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect) {
    if (Find(dialog) == nullptr || rect == nullptr) return FALSE;
    *rect = DialogUnitsToPixels(static_cast<short>(rect->left), static_cast<short>(rect->top),
                                static_cast<short>(rect->right - rect->left),
                                static_cast<short>(rect->bottom - rect->top));
    return TRUE;
}

WINBASEAPI LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(kCellWidth, kCellHeight); }
