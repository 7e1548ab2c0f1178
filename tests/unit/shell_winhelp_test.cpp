// WinHelp: no viewer, every request traced with the context it asks for,
// read from the program's help table for the two table commands.
#include <windows.h>

#include "host/trace.h"
#include "test_windows.h"

namespace {

std::vector<std::string> traceLines;
void CollectTrace(const std::string& line) {
    traceLines.push_back(line);
}

TEST(WinHelp, EveryRequestIsTracedWithTheContextFromTheTable) {
    TempMachine machine;
    traceLines.clear();
    platform::SetTraceSink(CollectTrace);
    HWND dialog = CreateRecordingParent();
    HWND listed = CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 1, 1, dialog,
                                  reinterpret_cast<HMENU>(1049), nullptr, nullptr);
    HWND unlisted = CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 1, 1, dialog,
                                    reinterpret_cast<HMENU>(1150), nullptr, nullptr);
    static const DWORD table[] = {1062, 0xFFFFFFFF, 1049, 0x10419, 0, 0};
    const ULONG_PTR data = reinterpret_cast<ULONG_PTR>(table);
    struct Case {
        HWND hwnd;
        const char* file;
        UINT command;
        ULONG_PTR data;
        const char* traced;
    } cases[] = {
        {listed, "cvpanel.hlp", HELP_WM_HELP, data,
         "\"file\": \"cvpanel.hlp\", \"command\": 12, \"control\": 1049, \"data\": 66585"},
        {unlisted, "cvpanel.hlp", HELP_CONTEXTMENU, data,
         "\"command\": 10, \"control\": 1150, \"data\": null"},
        {dialog, "cvpanel.hlp", HELP_CONTEXTMENU, data, "\"control\": 0, \"data\": null"},
        {listed, "cvpanel.hlp", HELP_WM_HELP, 0, "\"control\": 1049, \"data\": null"},
        {dialog, "cvpanel.hlp", HELP_QUIT, 0, "\"command\": 2, \"data\": 0"},
        {dialog, "cvpanel.hlp", HELP_CONTEXT, 0x10419, "\"command\": 1, \"data\": 66585"},
        {nullptr, nullptr, HELP_QUIT, 0, "\"file\": null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.traced);
        traceLines.clear();
        EXPECT_TRUE(WinHelpA(c.hwnd, c.file, c.command, c.data));
        ASSERT_EQ(traceLines.size(), 1u);
        EXPECT_NE(traceLines[0].find("\"ev\": \"winhelp\""), std::string::npos) << traceLines[0];
        EXPECT_NE(traceLines[0].find(c.traced), std::string::npos) << traceLines[0];
    }
    platform::SetTraceSink(nullptr);
    DestroyWindow(dialog);
}

} // namespace
