// The trackbar, as message sequences: an action, then the notifications its
// parent must get, in order.
#include <windows.h>

#include <commctrl.h>

#include "commctrl/trackbar.h"
#include "test_frontend.h"
#include "test_windows.h"

#include <utility>
#include <vector>

namespace {

using platform::commctrl::TrackbarThumbPoint;
using platform::user::MouseAction;
using platform::user::MouseInput;

// A notification: the code and the position carried in the high word.
using Note = std::pair<int, int>;

class Trackbars : public ::testing::Test {
  protected:
    void SetUp() override {
        InitCommonControls();
        parent_ = CreateRecordingParent();
        Received().clear();
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND Create(DWORD style, int width, int height) {
        return CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                               20, 30, width, height, parent_,
                               reinterpret_cast<HMENU>(static_cast<uintptr_t>(1113)), nullptr,
                               nullptr);
    }
    // The horizontal balance slider and the vertical volume slider of a
    // mixer page, in pixels.
    HWND Balance() { return Create(0, 49, 28); }
    HWND Volume() { return Create(TBS_VERT | TBS_BOTH | TBS_AUTOTICKS, 41, 126); }

    static LRESULT Msg(HWND h, UINT m, WPARAM w = 0, LPARAM l = 0) {
        return SendMessageA(h, m, w, l);
    }
    static LONG Pos(HWND h) { return static_cast<LONG>(Msg(h, TBM_GETPOS)); }

    // The notifications the parent got, each checked to name the trackbar.
    std::vector<Note> Notes(HWND trackbar, UINT message = WM_HSCROLL) {
        std::vector<Note> notes;
        for (const Recorded& r : ReceivedOf(parent_, message)) {
            EXPECT_EQ(reinterpret_cast<HWND>(r.lParam), trackbar);
            notes.push_back({LOWORD(r.wParam), HIWORD(r.wParam)});
        }
        return notes;
    }

    // Presses on the thumb, moves it through the points of `positions`
    // and lets go at the last.
    static void Drag(HWND trackbar, const std::vector<int>& positions) {
        POINT p = TrackbarThumbPoint(trackbar, Pos(trackbar));
        MouseInput(MouseAction::Move, p);
        MouseInput(MouseAction::LeftDown, p);
        Pump();
        for (int pos : positions) {
            p = TrackbarThumbPoint(trackbar, pos);
            MouseInput(MouseAction::Move, p);
            Pump();
        }
        MouseInput(MouseAction::LeftUp, p);
        Pump();
    }

    TempMachine machine_;
    ScriptedFrontEnd frontEnd_;
    HWND parent_ = nullptr;
};

TEST_F(Trackbars, DraggingTheThumbTracksEachNewPositionThenReportsTheEnd) {
    HWND tb = Balance();
    Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, 32));
    Msg(tb, TBM_SETPOS, TRUE, 16);
    Received().clear();

    // The second move to 20 changes nothing and tells nothing.
    Drag(tb, {18, 20, 20});
    EXPECT_EQ(Notes(tb), (std::vector<Note>{{TB_THUMBTRACK, 18},
                                            {TB_THUMBTRACK, 20},
                                            {TB_THUMBPOSITION, 20},
                                            {TB_ENDTRACK, 0}}));
    EXPECT_EQ(Pos(tb), 20);
    EXPECT_EQ(GetFocus(), tb);
    EXPECT_EQ(GetCapture(), nullptr);

    // Grabbing the thumb without moving it still ends as a thumb move.
    Received().clear();
    Drag(tb, {});
    EXPECT_EQ(Notes(tb), (std::vector<Note>{{TB_THUMBPOSITION, 20}, {TB_ENDTRACK, 0}}));
}

TEST_F(Trackbars, EveryPositionHasAThumbPointThatADragReaches) {
    struct Case {
        const char* name;
        DWORD style;
        int width, height, max;
    };
    const Case cases[] = {
        {"balance", 0, 49, 28, 32},
        {"volume", TBS_VERT | TBS_BOTH | TBS_AUTOTICKS, 41, 126, 15},
        {"cpu usage", TBS_AUTOTICKS | TBS_TOP, 186, 30, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND tb = Create(c.style, c.width, c.height);
        Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, c.max));
        RECT window;
        GetWindowRect(tb, &window);
        for (int target : {c.max, 0, c.max / 2 + 1, 1, c.max - 1, c.max / 2}) {
            Drag(tb, {target});
            EXPECT_EQ(Pos(tb), target);
            // The thumb as the control reports it lies around that point.
            POINT p = TrackbarThumbPoint(tb, target);
            ScreenToClient(tb, &p);
            RECT thumb;
            Msg(tb, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
            EXPECT_TRUE(PtInRect(&thumb, p)) << "position " << target;
        }
        // Position 0 is at the left, or at the top of a vertical trackbar,
        // and both ends stay inside the window.
        POINT low = TrackbarThumbPoint(tb, 0), high = TrackbarThumbPoint(tb, c.max);
        if (c.style & TBS_VERT) {
            EXPECT_LT(low.y, high.y);
            EXPECT_EQ(low.x, high.x);
        } else {
            EXPECT_LT(low.x, high.x);
            EXPECT_EQ(low.y, high.y);
        }
        EXPECT_TRUE(PtInRect(&window, low));
        EXPECT_TRUE(PtInRect(&window, high));
        DestroyWindow(tb);
    }
    EXPECT_EQ(TrackbarThumbPoint(parent_, 0).x, 0) << "not a trackbar";
}

TEST_F(Trackbars, AVerticalDragReportsThroughVScroll) {
    HWND tb = Volume();
    Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, 15));
    Received().clear();
    Drag(tb, {15});
    EXPECT_EQ(Notes(tb, WM_VSCROLL), (std::vector<Note>{{TB_THUMBTRACK, 15},
                                                        {TB_THUMBPOSITION, 15},
                                                        {TB_ENDTRACK, 0}}));
    EXPECT_TRUE(Notes(tb, WM_HSCROLL).empty());
}

TEST_F(Trackbars, AClickBesideTheThumbMovesOnePageTowardIt) {
    struct Case {
        DWORD style;
        int clickAt; // a position on the side clicked
        int code;
        LONG pos;
    };
    const Case cases[] = {
        {0, 0, TB_PAGEUP, 30},
        {0, 100, TB_PAGEDOWN, 70},
        {TBS_VERT, 0, TB_PAGEUP, 30}, // above the thumb
        {TBS_VERT, 100, TB_PAGEDOWN, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " click at " << c.clickAt);
        HWND tb = Create(c.style, 120, 120);
        Msg(tb, TBM_SETPOS, TRUE, 50);
        Received().clear();
        POINT p = TrackbarThumbPoint(tb, c.clickAt);
        MouseInput(MouseAction::Move, p);
        MouseInput(MouseAction::LeftDown, p);
        Pump();
        EXPECT_EQ(Pos(tb), c.pos) << "moved on the press";
        MouseInput(MouseAction::LeftUp, p);
        Pump();
        const UINT message = (c.style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
        EXPECT_EQ(Notes(tb, message), (std::vector<Note>{{c.code, 0}, {TB_ENDTRACK, 0}}));
        EXPECT_EQ(GetFocus(), tb);
        DestroyWindow(tb);
    }
}

TEST_F(Trackbars, KeysMoveByLineAndPageToTheEndsThenEndOnRelease) {
    struct Case {
        UINT vk;
        int code;
        LONG pos;
    };
    // From 50 of 0..100, line 1 and the default page of 20. Up and Left
    // lower the position on either kind of trackbar: position 0 is at the
    // top of a vertical one.
    const Case cases[] = {
        {VK_LEFT, TB_LINEUP, 49},    {VK_UP, TB_LINEUP, 49},
        {VK_RIGHT, TB_LINEDOWN, 51}, {VK_DOWN, TB_LINEDOWN, 51},
        {VK_PRIOR, TB_PAGEUP, 30},   {VK_NEXT, TB_PAGEDOWN, 70},
        {VK_HOME, TB_TOP, 0},        {VK_END, TB_BOTTOM, 100},
    };
    for (DWORD style : {DWORD{0}, DWORD{TBS_VERT}}) {
        HWND tb = Create(style, 100, 100);
        EXPECT_EQ(Msg(tb, WM_GETDLGCODE), DLGC_WANTARROWS);
        SetFocus(tb);
        const UINT message = style ? WM_VSCROLL : WM_HSCROLL;
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "style " << style << " key " << c.vk);
            Msg(tb, TBM_SETPOS, TRUE, 50);
            Received().clear();
            Key(c.vk);
            EXPECT_EQ(Pos(tb), c.pos);
            EXPECT_EQ(Notes(tb, message), (std::vector<Note>{{c.code, 0}, {TB_ENDTRACK, 0}}));
        }
        // Other keys are not the trackbar's.
        Received().clear();
        Key('A', 0, 'a');
        EXPECT_TRUE(Notes(tb, message).empty());
        DestroyWindow(tb);
    }
}

TEST_F(Trackbars, PositionsAreClampedToTheRangeWithoutNotifying) {
    HWND tb = Balance();
    EXPECT_EQ(Msg(tb, TBM_GETRANGEMIN), 0);
    EXPECT_EQ(Msg(tb, TBM_GETRANGEMAX), 100);
    EXPECT_EQ(Pos(tb), 0);

    Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, 1000));
    struct Case {
        LPARAM set;
        LONG pos;
    };
    const Case cases[] = {{500, 500}, {-5, 0}, {1001, 1000}, {0x7FFFFFFF, 1000}};
    for (const Case& c : cases) {
        Msg(tb, TBM_SETPOS, TRUE, c.set);
        EXPECT_EQ(Pos(tb), c.pos) << "set " << c.set;
    }
    // A narrower range pulls the thumb inside it.
    Msg(tb, TBM_SETRANGE, TRUE, MAKELPARAM(0, 32));
    EXPECT_EQ(Pos(tb), 32);
    Msg(tb, TBM_SETRANGEMIN, TRUE, 40);
    Msg(tb, TBM_SETRANGEMAX, TRUE, 60);
    EXPECT_EQ(Pos(tb), 40);
    EXPECT_EQ(Msg(tb, TBM_GETRANGEMIN), 40);
    EXPECT_EQ(Msg(tb, TBM_GETRANGEMAX), 60);
    EXPECT_TRUE(Notes(tb).empty());
}

TEST_F(Trackbars, ThePageIsAFifthOfTheRangeUntilSet) {
    HWND tb = Balance();
    EXPECT_EQ(Msg(tb, TBM_GETLINESIZE), 1);
    EXPECT_EQ(Msg(tb, TBM_GETPAGESIZE), 20);
    struct Case {
        int max;
        LONG page;
    };
    for (const Case& c : {Case{15, 3}, Case{32, 6}, Case{1000, 200}, Case{2, 1}}) {
        Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, c.max));
        EXPECT_EQ(Msg(tb, TBM_GETPAGESIZE), c.page) << "range 0.." << c.max;
    }
    EXPECT_EQ(Msg(tb, TBM_SETPAGESIZE, 0, 7), 1);
    EXPECT_EQ(Msg(tb, TBM_SETLINESIZE, 0, 4), 1);
    Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    EXPECT_EQ(Msg(tb, TBM_GETPAGESIZE), 7);
    EXPECT_EQ(Msg(tb, TBM_GETLINESIZE), 4);
    SetFocus(tb);
    Key(VK_NEXT);
    Key(VK_RIGHT);
    EXPECT_EQ(Pos(tb), 11);
}

TEST_F(Trackbars, TickMarksCountBothEnds) {
    struct Case {
        const char* name;
        DWORD style;
        int max;
        WPARAM frequency; // 0: left as it is
        LPARAM tick;      // -1: none set
        bool clear;
        LRESULT count;
        std::vector<LRESULT> ticks;
    };
    const Case cases[] = {
        {"automatic", TBS_AUTOTICKS, 5, 0, -1, false, 6, {1, 2, 3, 4}},
        {"automatic, every 40", TBS_AUTOTICKS, 100, 40, -1, false, 4, {40, 80}},
        {"automatic, cleared", TBS_AUTOTICKS, 5, 0, -1, true, 2, {}},
        {"ends only", 0, 32, 0, -1, false, 2, {}},
        {"centre tick", 0, 32, 0, 16, false, 3, {16}},
        {"tick outside the range", 0, 32, 0, 33, false, 2, {}},
        {"no ticks", TBS_NOTICKS, 32, 0, -1, false, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND tb = Create(c.style, 100, 30);
        Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, c.max));
        if (c.frequency) Msg(tb, TBM_SETTICFREQ, c.frequency);
        if (c.tick >= 0) {
            EXPECT_EQ(Msg(tb, TBM_SETTIC, 0, c.tick), c.tick <= c.max);
        }
        if (c.clear) Msg(tb, TBM_CLEARTICS, TRUE);
        EXPECT_EQ(Msg(tb, TBM_GETNUMTICS), c.count);
        std::vector<LRESULT> ticks;
        for (WPARAM i = 0; Msg(tb, TBM_GETTIC, i) != -1; ++i)
            ticks.push_back(Msg(tb, TBM_GETTIC, i));
        EXPECT_EQ(ticks, c.ticks);
        DestroyWindow(tb);
    }
}

TEST_F(Trackbars, ADragEndsWhenTheTrackbarLosesTheMouse) {
    HWND tb = Balance();
    Msg(tb, TBM_SETRANGE, FALSE, MAKELPARAM(0, 32));
    auto press = [tb](int pos) {
        POINT p = TrackbarThumbPoint(tb, pos);
        MouseInput(MouseAction::Move, p);
        MouseInput(MouseAction::LeftDown, p);
        Pump();
    };
    auto move = [tb](int pos) {
        MouseInput(MouseAction::Move, TrackbarThumbPoint(tb, pos));
        Pump();
    };
    auto release = [tb]() {
        MouseInput(MouseAction::LeftUp, TrackbarThumbPoint(tb, Pos(tb)));
        Pump();
    };

    // Another window takes the mouse: the drag ends as a release would.
    press(0);
    move(10);
    ReleaseCapture();
    release();
    EXPECT_EQ(Notes(tb), (std::vector<Note>{{TB_THUMBTRACK, 10},
                                            {TB_THUMBPOSITION, 10},
                                            {TB_ENDTRACK, 0}}));

    // Disabled meanwhile, the trackbar loses the mouse without a word; the
    // drag is over and later moves do not carry the thumb.
    Received().clear();
    press(10);
    EnableWindow(tb, FALSE);
    EnableWindow(tb, TRUE);
    move(20);
    release();
    EXPECT_EQ(Pos(tb), 10);
    EXPECT_TRUE(Notes(tb).empty());
    Drag(tb, {20});
    EXPECT_EQ(Pos(tb), 20);
}

// A parent that destroys the trackbar at its first notification.
LRESULT CALLBACK DestroyingParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL) DestroyWindow(reinterpret_cast<HWND>(lParam));
    return RecordingProc(hwnd, message, wParam, lParam);
}

TEST_F(Trackbars, AParentMayDestroyTheTrackbarInANotification) {
    SetWindowLongA(parent_, GWL_WNDPROC, reinterpret_cast<LONG>(DestroyingParentProc));
    for (UINT vk : {UINT{VK_RIGHT}, UINT{0}}) {
        HWND tb = Balance();
        Received().clear();
        if (vk != 0) {
            SetFocus(tb);
            Key(vk);
        } else {
            Drag(tb, {50, 60});
        }
        EXPECT_FALSE(IsWindow(tb));
        EXPECT_EQ(ReceivedOf(parent_, WM_HSCROLL).size(), 1u);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

} // namespace
