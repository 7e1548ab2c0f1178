// Message boxes: the open message box as front ends and scenarios see it,
// to show it and to answer it by clicking its buttons.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace platform::user {

struct MessageBoxView {
    struct Button {
        int id = 0;       // IDOK, IDCANCEL, IDYES, ...
        std::string text; // "OK", "&Yes", ...
        HWND window = nullptr;
    };
    HWND window = nullptr;
    std::string text; // as the program gave it
    std::string caption;
    UINT type = 0;                  // the MB_* flags
    UINT icon = 0;                  // MB_ICONHAND, MB_ICONQUESTION, ... or 0
    std::vector<std::string> lines; // the text as laid out: broken at "\n" and wrapped
    std::vector<Button> buttons;    // left to right
    int defaultId = 0;
};

// The message box shown last that is still open (message boxes can nest:
// a timer may show one while another waits).
std::optional<MessageBoxView> OpenMessageBox();

// The text broken into lines as a message box lays it out: at each line
// break, and between words (or, in a word too long for the line, between
// characters) so that no line takes more than `cells` terminal cells.
std::vector<std::string> WrapText(const std::string& text, int cells);

} // namespace platform::user
