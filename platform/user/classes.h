// The window classes the platform provides. Each control's file registers
// its own class; EnsureSystemClasses registers them all once.
#pragma once

namespace platform::user {

void RegisterButtonClass();   // "Button"
void RegisterStaticClass();   // "Static"
void RegisterComboBoxClass(); // "ComboBox", with its list "ComboLBox"
void RegisterDialogClass();   // "#32770"
void RegisterMenuClass();     // "#32768", the pop-up menu
void RegisterMessageBoxClass();

void EnsureSystemClasses();

} // namespace platform::user

namespace platform::commctrl {

// Registered by InitCommonControls, as on Windows.
void RegisterTrackbarClass();   // "msctls_trackbar32"
void RegisterTabControlClass(); // "SysTabControl32"

} // namespace platform::commctrl
