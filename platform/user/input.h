// Input from the front ends: the mouse at a point of the screen and keys,
// routed as Windows routes them (capture, hit testing, focus) into the
// message queue.
#pragma once

#include "window.h"

namespace platform::user {

enum class MouseAction { Move, LeftDown, LeftUp, LeftDouble, RightDown, RightUp, RightDouble };

void MouseInput(MouseAction action, POINT screen);
POINT CursorPosition();

// Modifier bits for KeyInput.
constexpr UINT kShift = 1, kControl = 2, kAlt = 4;

// A key pressed or released. `ch` is the character the key types (0 for
// keys that type none); TranslateMessage turns it into WM_CHAR.
void KeyInput(UINT vk, bool down, UINT modifiers, unsigned char ch);
// Characters typed as text (a scenario's `type`): WM_CHAR per byte.
void TextInput(const std::string& text);

// WM_KEYDOWN's lParam carries the typed character in its scan-code byte.
UINT CharacterOfKey(LPARAM lParam);
bool KeyDown(UINT vk);

// The window under a screen point that gets mouse input there: the deepest
// visible, enabled child that does not let the point through.
Window* WindowAt(POINT screen);
// The same, as the help pointer finds it: any visible child, static or not.
Window* ControlAt(POINT screen);

// Non-client parts of a top-level window at a screen point (HT* codes).
int NonClientHit(Window* top, POINT screen);
RECT CloseButtonRect(Window* top);
RECT HelpButtonRect(Window* top);
RECT MenuBarRect(Window* top);

// Context-help mode, entered by the title bar's help button: the next click
// on a control sends it WM_HELP.
void EnterHelpMode(Window* top);
bool InHelpMode();

} // namespace platform::user
