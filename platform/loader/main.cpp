// The process's real main, as a Windows loader: it reads its own options,
// opens the machine, starts the clock and the front end, loads the program
// module from the machine and calls its main entry with the rest of the
// command line.
#include <windows.h>

#include "host/clock.h"
#include "host/context.h"
#include "host/frontend.h"
#include "shell/folder_window.h"
#include "host/trace.h"
#include "kernel/modules.h"
#include "machine.h"
#include "scenario.h"
#include "terminal.h"
#include "trace_file.h"
#include "user/process.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace {

const char kUsage[] =
    "Usage: cvpanel [options] [--] [command line]\n"
    "\n"
    "Starts the audio control panel on a simulated PC. The command line is\n"
    "handed to the program as it is; \"OPEN\" opens the control panel at once.\n"
    "\n"
    "Options:\n"
    "  --machine DIR  the machine to run on (default: $CVPANEL_MACHINE, else\n"
    "                 ~/.local/share/cvpanel/machine); a missing folder is\n"
    "                 created with the default installation\n"
    "  --script FILE  drive the program from a scenario script, on virtual time\n"
    "  --trace FILE   write every effect on the outside world to FILE, one JSON\n"
    "                 object a line\n"
    "  --help         show this help and exit\n"
    "  --version      show the program's version and exit\n";

struct Options {
    std::string machineDir;
    std::string script;
    std::string trace;
    std::string commandLine;
    bool help = false;
    bool version = false;
};

// Returns 0 when the options are good, else the exit status (2) after a
// message.
int ParseOptions(int argc, char** argv, Options* o) {
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "cvpanel: %s needs a value\n", arg.c_str());
                return false;
            }
            *into = argv[++i];
            return true;
        };
        if (arg == "--") {
            ++i;
            break;
        } else if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg == "--version") {
            o->version = true;
        } else if (arg == "--machine" || arg == "--script" || arg == "--trace") {
            std::string* into = arg == "--machine" ? &o->machineDir
                                : arg == "--script" ? &o->script
                                                    : &o->trace;
            if (!value(into)) return 2;
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::fprintf(stderr, "cvpanel: unknown option %s (see cvpanel --help)\n", arg.c_str());
            return 2;
        } else {
            break;
        }
    }
    for (int first = i; i < argc; ++i) {
        if (i > first) o->commandLine += ' ';
        o->commandLine += argv[i];
    }
    return 0;
}

std::string DefaultMachineDir() {
    if (const char* env = std::getenv("CVPANEL_MACHINE"); env != nullptr && *env != '\0') return env;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.local/share/cvpanel/machine";
    return "";
}

// The folder that holds this executable and the modules built with it.
std::filesystem::path ModulesDir() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : self.parent_path();
}

typedef int(WINAPI* WinMainProc)(HINSTANCE, HINSTANCE, LPSTR, int);

// The terminal desktop, when the run has a terminal and no script.
std::unique_ptr<desktop::TerminalDesktop> terminalDesktop;

// What process exit does, once: the run folder entry goes, the modules get
// their detach calls, the trace is closed.
void EndProcess() {
    static bool done = false;
    if (done) return;
    done = true;
    // The terminal first, so that what is written from here on reads normally.
    if (terminalDesktop) terminalDesktop->Stop();
    platform::user::LeaveRunFolder();
    platform::UnloadAllModules();
    platform::SetFrontEnd(nullptr);
    desktop::CloseTraceFile();
    platform::SetCurrentMachine(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (int status = ParseOptions(argc, argv, &options)) return status;
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("cvpanel %s\n", CVPANEL_VERSION);
        return 0;
    }
    if (options.machineDir.empty()) options.machineDir = DefaultMachineDir();
    if (options.machineDir.empty()) {
        std::fputs("cvpanel: no machine folder: give --machine DIR or set CVPANEL_MACHINE\n", stderr);
        return 2;
    }
    // A script is read whole before anything else, so a wrong one is refused
    // before the machine or the program is touched.
    std::unique_ptr<desktop::ScenarioDriver> driver;
    if (!options.script.empty()) {
        driver = std::make_unique<desktop::ScenarioDriver>(std::cout, std::cerr);
        std::string error;
        if (!driver->Load(options.script, &error)) {
            std::fprintf(stderr, "cvpanel: %s\n", error.c_str());
            return desktop::ScenarioDriver::kScriptWrong;
        }
    }

    std::string error;
    auto machine = machine::Machine::Open(options.machineDir, ModulesDir(), &error);
    if (!machine) {
        std::fprintf(stderr, "cvpanel: %s\n", error.c_str());
        return 1;
    }
    platform::SetCurrentMachine(machine.get());
    if (!options.trace.empty() && !desktop::OpenTraceFile(options.trace, &error)) {
        std::fprintf(stderr, "cvpanel: --trace: %s\n", error.c_str());
        return 1;
    }
    if (driver) {
        // The setup lines change the machine before the program starts; then
        // the driver is the front end, on the virtual clock.
        if (int status = driver->RunSetup(*machine)) {
            EndProcess();
            return status;
        }
        driver->SetEndOfRun([](int status) {
            std::cout.flush();
            EndProcess();
            std::exit(status);
        });
        platform::SetClockMode(platform::ClockMode::Virtual);
        platform::SetFrontEnd(driver.get());
    } else {
        platform::SetClockMode(platform::ClockMode::Real);
        if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))
            terminalDesktop = std::make_unique<desktop::TerminalDesktop>();
    }

    HMODULE program = platform::LoadProgramModule(machine::kProgramPath);
    auto entry = reinterpret_cast<WinMainProc>(platform::FindExport(program, "WinMain"));
    if (entry == nullptr) {
        std::fprintf(stderr, "cvpanel: the program %s is not installed on the machine %s\n",
                     machine::kProgramPath, machine->Directory().c_str());
        EndProcess();
        return 1;
    }
    if (terminalDesktop) {
        if (terminalDesktop->Start(&error)) {
            platform::SetFrontEnd(terminalDesktop.get());
        } else {
            std::fprintf(stderr, "cvpanel: %s; running without a screen\n", error.c_str());
            terminalDesktop.reset();
        }
    }
    platform::shell::OpenFolderWindow();
    platform::TraceEvent("start").Str("cmdline", options.commandLine);
    int code = entry(reinterpret_cast<HINSTANCE>(program), nullptr, options.commandLine.data(),
                     SW_SHOWDEFAULT);
    platform::TraceEvent("exit").Int("code", code);
    // A script goes on after the program's end with the lines that need no
    // program (expect exit, expect reg, ...); its result is the status.
    int status = driver ? driver->Finish(code) : code;
    EndProcess();
    return status;
}
