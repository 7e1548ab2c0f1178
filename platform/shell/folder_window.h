// A folder window of the shell, open on the desktop when the program starts,
// as the machine's profile asks ([shell] folder_window).
#pragma once

namespace platform::shell {

// Opens the folder window the profile names, if any, behind every other
// window and without activating it.
void OpenFolderWindow();

} // namespace platform::shell
