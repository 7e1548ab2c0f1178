// The program module CVPANEL.EXE. For now it holds only the resources (the
// .rc files beside this one); the program's code arrives with the shell.
// A module needs at least one source file, and this is it.
