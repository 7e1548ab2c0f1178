// The terminal desktop: the platform's screen shown full screen in the
// terminal of standard input and output, and the person's keys and mouse
// fed to it as input.
//
// The screen is the shared renderer's grid (render.h) with what only a
// person at the terminal needs over it: the notification icon's tip, the
// keyboard focus on the notification area, the wait and hand pointers, and
// a notice when the terminal is too small for a window. Only the cells that
// changed are written. Keys and mouse reports (xterm's SGR mode) become
// the platform's key and mouse input, one input each time the program
// waits, so that each reaches the window it would reach on Windows.
//
// While the program waits, the desktop blocks in poll() on the terminal,
// the platform's wake descriptor, a pipe that signals write to, and the
// next timer, so an idle program uses no processor time. The terminal is
// given back as it was on every way out: the program's end, exit(),
// Ctrl+C, SIGTERM, SIGHUP and the signals of a crash.
#pragma once

#include "host/frontend.h"
#include "render.h"
#include "terminal_input.h"
#include "terminal_output.h"
#include "user/cursor.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace desktop {

class TerminalDesktop : public platform::FrontEnd {
  public:
    // The key that puts the keyboard focus on the notification area.
    static constexpr UINT kTrayFocusKey = 'T'; // with Ctrl
    // Two presses of a button this close in time, on one cell, are a
    // double click.
    static constexpr int kDoubleClickMs = 500;

    TerminalDesktop();
    ~TerminalDesktop() override;
    TerminalDesktop(const TerminalDesktop&) = delete;
    TerminalDesktop& operator=(const TerminalDesktop&) = delete;

    // Takes over the terminal: raw input, the alternate screen, mouse
    // reporting; standard error is kept aside and shown when the terminal is
    // given back. False with the reason when standard input and output are
    // no terminal that can show the desktop.
    bool Start(std::string* error);
    // Gives the terminal back as it was. Safe to call more than once.
    void Stop();

    // FrontEnd.
    void Wait(std::optional<uint32_t> deadline, int wakeFd) override;
    int ScreenWidth() const override;
    int ScreenHeight() const override;
    void ScreenChanged() override;

  private:
    using Step = std::function<void()>;

    void ReadSize();
    void HandleSignals();
    void Suspend();
    void ReadInput();
    void Translate(const TerminalEvent& e);
    void OnKey(const TerminalKey& key);
    bool OnTrayKey(const TerminalKey& key);
    void QueueKey(const TerminalKey& key);
    void OnMouse(const TerminalMouse& mouse);
    void QueueMove(POINT p);
    void TrayClick(size_t icon, UINT first, UINT second);

    bool KeepWindowsInView();
    void Draw();
    void Present();
    void AddOverlays(Grid& frame);
    Grid TooSmallScreen() const;
    void ComputeNeededSize();

    bool started_ = false;
    bool inputClosed_ = false;
    int columns_ = 80;
    int rows_ = 24;
    std::unique_ptr<ScreenWriter> writer_;
    TerminalInputReader reader_;
    std::chrono::steady_clock::time_point incompleteSince_;

    // Input still to feed, one piece each time the program waits.
    std::deque<Step> steps_;
    POINT lastFed_{-1, -1};

    // The mouse: where it was last, and the last press for double clicks.
    bool mouseKnown_ = false;
    int mouseColumn_ = 0, mouseRow_ = 0;
    TerminalButton heldButton_ = TerminalButton::None;
    TerminalButton lastPressButton_ = TerminalButton::None;
    int lastPressColumn_ = -1, lastPressRow_ = -1;
    std::chrono::steady_clock::time_point lastPressTime_;
    bool lastPressDouble_ = false;
    std::optional<size_t> pressedIcon_; // a press that began on a notification icon
    std::optional<size_t> hoverIcon_;

    // The keyboard focus on the notification area, on icon trayIcon_.
    bool trayFocus_ = false;
    size_t trayIcon_ = 0;

    // The size the shown windows need, and whether the terminal has it.
    int neededColumns_ = 0, neededRows_ = 0;
    std::string neededBy_;
    bool tooSmall_ = false;

    // The renderer's last grid, under the overlays.
    std::unique_ptr<Grid> rendered_;
    platform::user::CursorKind shownCursor_ = platform::user::CursorKind::Arrow;
    bool inWait_ = false;
    bool rendering_ = false;
};

} // namespace desktop
