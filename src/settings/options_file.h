// User options files (".usr"): loading one, which makes it the current
// options file, and saving the settings in force.
#pragma once
#include <windows.h>

#include <string>

// "default.usr" in the program directory.
std::string DefaultOptionsPath();

// Loads the options file at path, or with nullptr the one the user picks in
// the options Open dialog (a cancel changes nothing). The settings in force
// are first saved to the file being left; then the new file becomes current,
// its values are applied (a missing file applies the built-in defaults) and
// the hot keys are registered anew. Only a file that does not exist means the
// built-in defaults: a file that exists but cannot be read is reported and
// never written over automatically; at start-up it stays current (with the
// default hot keys registered), later the file left stays current.
void LoadUserOptions(HWND window, const char* path);

// Saves the settings in force to path, or with nullptr to the name the user
// picks in the options Save dialog, which becomes the current options file.
// The file is replaced whole or not at all: a failure shows the system's
// message and leaves the old file as it was.
void SaveUserOptions(HWND window, const char* path);

// The saves nobody asked for (exit, end of the session, leaving a file for
// another): as SaveUserOptions, except that a current file whose settings
// could not be read is left as it is.
void SaveUserOptionsAutomatically(HWND window, const char* path);
