// Two processes on one machine: another process's window is found by its
// class through the run folder; once that process is killed, its entry is
// ignored and removed. (The scenario second_copy.scn shows a message posted
// to another process arriving.)
#include <windows.h>

#include "test_machine.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

TEST(ScenarioProcesses, EntryOfAKilledProcessIsIgnoredAndRemoved) {
    TempMachine machine;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other process: one top-level window, then it waits to be killed.
        close(ready[0]);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "Killed Test";
        RegisterClassA(&wc);
        HWND hwnd = CreateWindowExA(0, "Killed Test", "victim", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    nullptr, nullptr);
        const char made = hwnd != nullptr ? 1 : 0;
        if (write(ready[1], &made, 1) != 1) _exit(1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char made = 0;
    const bool told = read(ready[0], &made, 1) == 1;
    close(ready[0]);
    const std::filesystem::path entry = machine->RunDirectory() / std::to_string(child);
    if (!told || made != 1) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        FAIL() << "the other process could not make its window";
    }

    // Lines that are no entry, among the good one, are skipped.
    std::ofstream(entry, std::ios::app | std::ios::binary)
        << "\n\t\tno handle\nnot-a-number\tKilled Test\tx\n99999999999999\tKilled Test\n"
        << std::string(10000, 'x') << "\n";
    HWND found = FindWindowA("Killed Test", nullptr);
    EXPECT_NE(found, nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "victim"), found);
    EXPECT_TRUE(std::filesystem::exists(entry));

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    EXPECT_EQ(FindWindowA("Killed Test", nullptr), nullptr);
    EXPECT_FALSE(PostMessageA(found, WM_USER, 1, 2));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(
        std::filesystem::exists(machine->RunDirectory() / (std::to_string(child) + ".sock")));
}

// An entry whose process number now belongs to another program (the one
// that wrote it died and the number was given again) counts as dead: no
// window is found through it and it is removed. Files that are no entry
// are left alone.
TEST(ScenarioProcesses, EntryOfANumberReusedByAnotherProgramIsRemoved) {
    TempMachine machine;
    const std::filesystem::path run = machine->RunDirectory();
    std::filesystem::create_directories(run);
    const pid_t other = getppid(); // alive, and not this test program
    const std::filesystem::path entry = run / std::to_string(other);
    std::ofstream(entry) << "4660\tCorvane Control\tCVPANEL\n";
    std::ofstream(run / "notes.txt") << "4660\tCorvane Control\tCVPANEL\n";

    EXPECT_EQ(FindWindowA("Corvane Control", nullptr), nullptr);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(std::filesystem::exists(run / "notes.txt"));
}
