// The module loader's inside, shared by LoadLibraryA and friends, the
// process loader and the resource functions.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Loads the program module from its Windows path, without an entry-point
// call (a program has none). Returns null with the Win32 error set.
HMODULE LoadProgramModule(const char* windowsPath);

// The program module, once loaded.
HMODULE ProgramModule();

// The host address of an export, or null; the module handle must be live.
void* FindExport(HMODULE module, const char* name);

// The Windows path of a live module, or null.
const std::string* ModulePath(HMODULE module);

// Records a call into a module: the trace event "dll.call" with the
// module's file name, the export, the arguments and the result (signed, so
// that an error code reads as one).
void TraceDllCall(const std::string& moduleName, const std::string& exportName,
                  const DWORD* args, int argCount, DWORD result);

// The file name of a live module ("CVTHK32.DLL"), or "".
std::string ModuleFileName(HMODULE module);

// Unloads every module still loaded, in reverse order of loading, with the
// detach calls, as process exit does.
void UnloadAllModules();

} // namespace platform
