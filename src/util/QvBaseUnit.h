// Privileges, message boxes, launching programs and web pages, system folders and the
// resolution of command lines to program files.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

inline constexpr char kApplicationTitle[] = "Memtide";

// The window that owns message boxes and shell launches. The application object installs a
// provider at start-up; without one (or when it answers null) boxes have no owner.
void SetApplicationWindowProvider(std::function<HWND()> provider);
HWND ApplicationWindow();

// MessageBoxA(application window, Text, "Memtide", Flags); returns the button pressed.
int ShowMessageBox(const std::string& Text, UINT Flags);

// Replaces MessageBoxA behind ShowMessageBox (tests); an empty function restores it.
using MessageBoxFunction =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;
void SetMessageBoxFunction(MessageBoxFunction fn);

// Enables or disables a privilege ("SeDebugPrivilege", ...) in the process token.
// Shows "Privilege Faild" when the token cannot be opened, the name is unknown or the
// adjustment fails.
void EnablePrivilege(const std::string& Name, bool Enable);

// ShellExecuteA "open" on a web page or document, owned by the application window.
void OpenWithShell(const std::string& Target);

// Starts a program through the shell; with Wait, returns only when it has ended.
// Returns whether it was started.
bool RunProgram(const std::string& File, const std::string& Parameters, const std::string& Folder,
                bool Wait);

// The system folder (GetSystemDirectoryA), "" on failure.
std::string GetSystemFolder();

// Environment variable without one trailing "\", "" when it does not exist.
std::string GetEnvVar(const std::string& Name);

// Turns a command line or registered program reference into the path of an existing file.
// Path starts as Command and is set to the file found.
bool ResolveProgramFile(const std::string& Command, std::string& Path);
// Text, or the text before one of its blanks, commas, semicolons or backslashes, with
// ".exe" added where it has no extension, that names an existing file.
bool SearchExecutable(const std::string& Text, std::string& Path);
// Folder of HKLM\SOFTWARE\Classes\Applications\<Name>'s open/edit/read command + Name.
std::string GetApplicationCommandPath(const std::string& Name);
// HKLM\SOFTWARE\Classes\CLSID\<ClassId>\LocalServer32 default value.
std::string GetLocalServerPath(const std::string& ClassId);
// LocalServer32 of the class named by HKLM\SOFTWARE\Classes\AppID\<Name> value "AppID".
std::string GetAppIdServerPath(const std::string& Name);
