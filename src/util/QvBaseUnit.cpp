#include "util/QvBaseUnit.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "util/AnsiText.h"
#include "util/ModalBoxScope.h"
#include "util/QvFileService.h"
#include "util/ScopedHandles.h"

namespace {

std::function<HWND()>& WindowProvider() {
  static std::function<HWND()> provider;
  return provider;
}

MessageBoxFunction& BoxFunction() {
  static MessageBoxFunction fn;
  return fn;
}

void PrivilegeFailed() { ShowMessageBox("Privilege Faild", MB_ICONERROR); }

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// A value of an open key when it is text (REG_SZ or REG_EXPAND_SZ, not expanded).
bool ReadKeyText(HKEY key, const char* value, std::string& text) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return false;
  }
  std::vector<char> data(size + 1, '\0');
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  text = data.data();  // the stored text need not end with a zero
  return true;
}

bool ReadText(HKEY root, const std::string& subkey, const char* value, REGSAM access,
              std::string& text) {
  UniqueHKey key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, access, key.put()) != ERROR_SUCCESS) return false;
  return ReadKeyText(key.get(), value, text);
}

bool KeyExists(HKEY root, const std::string& subkey) {
  UniqueHKey key;
  return RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool Found(const std::string& candidate, std::string& Path) {
  if (!IsExistingFile(candidate)) return false;
  Path = candidate;
  return true;
}

}  // namespace

void SetApplicationWindowProvider(std::function<HWND()> provider) {
  WindowProvider() = std::move(provider);
}

HWND ApplicationWindow() {
  const auto& provider = WindowProvider();
  return provider ? provider() : nullptr;
}

void SetMessageBoxFunction(MessageBoxFunction fn) { BoxFunction() = std::move(fn); }

int ShowMessageBox(const std::string& Text, UINT Flags) {
  const HWND owner = ApplicationWindow();
  ModalBoxScope waiting;
  if (const auto& fn = BoxFunction()) return fn(owner, Text, kApplicationTitle, Flags);
  return MessageBoxA(owner, Text.c_str(), kApplicationTitle, Flags);
}

void EnablePrivilege(const std::string& Name, bool Enable) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    PrivilegeFailed();
    return;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  if (!LookupPrivilegeValueA(nullptr, Name.c_str(), &privileges.Privileges[0].Luid)) {
    token.reset();
    PrivilegeFailed();
    return;
  }
  privileges.Privileges[0].Attributes = Enable ? SE_PRIVILEGE_ENABLED : 0;
  const BOOL adjusted =
      AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  token.reset();
  if (!adjusted) PrivilegeFailed();
}

void OpenWithShell(const std::string& Target) {
  ShellExecuteA(ApplicationWindow(), "open", Target.c_str(), nullptr, nullptr, SW_SHOW);
}

bool RunProgram(const std::string& File, const std::string& Parameters, const std::string& Folder,
                bool Wait) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof(info);
  // With its UI: a program that cannot be started (a stale path in the registry) gets the
  // shell's own error box, so a menu item never silently does nothing.
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = nullptr;
  info.lpVerb = "open";
  info.lpFile = File.c_str();
  info.lpParameters = Parameters.c_str();
  info.lpDirectory = Folder.c_str();
  info.nShow = SW_SHOW;
  if (!ShellExecuteExA(&info)) return false;
  UniqueHandle process(info.hProcess);  // may be null when the shell reused a running program
  if (Wait && process) WaitForSingleObject(process.get(), INFINITE);
  return true;
}

std::string GetSystemFolder() {
  char buf[512] = {};
  const UINT n = GetSystemDirectoryA(buf, sizeof(buf));
  if (n == 0 || n >= sizeof(buf)) return "";
  return std::string(buf, n);
}

std::string GetEnvVar(const std::string& Name) {
  std::vector<char> buf(1024, '\0');
  DWORD n = GetEnvironmentVariableA(Name.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  if (n >= buf.size()) {  // longer than the buffer: n is the size needed
    buf.assign(n + 1, '\0');
    n = GetEnvironmentVariableA(Name.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n >= buf.size()) return "";
  }
  std::string value(buf.data(), n);
  if (!value.empty() && value.back() == '\\') value.pop_back();
  return value;
}

bool SearchExecutable(const std::string& Text, std::string& Path) {
  if (Text.empty()) return false;  // the registry look-ups answer "" for "none"
  if (Found(Text, Path)) return true;
  for (std::size_t i = Text.size(); i-- > 0;) {
    const char c = Text[i];
    if (c != ' ' && c != ',' && c != ';' && c != '\\') continue;
    const std::string candidate = Text.substr(0, i);
    if (Found(candidate, Path)) return true;
    if (candidate.size() >= 4 && candidate[candidate.size() - 4] != '.' &&
        Found(candidate + ".exe", Path)) {
      return true;
    }
  }
  return Found(Text + ".exe", Path);
}

std::string GetApplicationCommandPath(const std::string& Name) {
  const std::string base = "SOFTWARE\\Classes\\Applications\\";
  if (Name.empty() || !KeyExists(HKEY_LOCAL_MACHINE, base + Name)) return "";
  std::string command;
  for (const char* verb : {"open", "edit", "read"}) {
    UniqueHKey key;
    const std::string subkey = base + Name + "\\shell\\" + verb + "\\command";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
      continue;
    }
    // The first key that opens decides, even when its default value is not text.
    ReadKeyText(key.get(), nullptr, command);
    break;
  }
  if (command.empty()) return "";
  const auto slash = command.find_last_of('\\');
  std::string result =
      (slash == std::string::npos ? std::string() : command.substr(0, slash + 1)) + Name;
  if (!result.empty() && result.front() == '"') result.erase(0, 1);
  return result;
}

std::string GetLocalServerPath(const std::string& ClassId) {
  std::string path;
  if (ClassId.empty()) return "";
  ReadText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + ClassId + "\\LocalServer32",
           nullptr, KEY_ALL_ACCESS, path);
  return path;
}

std::string GetAppIdServerPath(const std::string& Name) {
  std::string appId;
  if (Name.empty() ||
      !ReadText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\AppID\\" + Name, "AppID", KEY_ALL_ACCESS,
                appId)) {
    return "";
  }
  return GetLocalServerPath(appId);
}

bool ResolveProgramFile(const std::string& Command, std::string& Path) {
  Path = Command;
  if (Found(Command, Path)) return true;

  std::string text = Trim(Command);
  const auto blank = text.find(' ');
  if (blank != std::string::npos) {
    const std::string first = text.substr(0, blank);
    if (SameTextAscii(first, "rundll32") || SameTextAscii(first, "rundll32.exe")) {
      text = text.substr(blank + 1);
    }
  }
  if (Found(text, Path)) return true;
  if (!text.empty() && text.front() == '"') {
    text.erase(0, 1);
    const auto quote = text.find('"');
    if (quote != std::string::npos) text.resize(quote);
  }
  if (Found(text, Path)) return true;
  if (!text.empty() && text.front() == '%') {
    text.erase(0, 1);
    const auto percent = text.find('%');
    if (percent != std::string::npos) {
      text = GetEnvVar(text.substr(0, percent)) + text.substr(percent + 1);
    }
  }
  if (Found(text, Path)) return true;
  if (text.size() < 3) return false;
  if (text[1] == ':') return SearchExecutable(text, Path);

  const std::string root = GetEnvVar("SystemRoot");
  return SearchExecutable(root + "\\" + text, Path) ||
         SearchExecutable(root + "\\System32\\" + text, Path) ||
         SearchExecutable(GetAppIdServerPath(text), Path) ||
         SearchExecutable(GetApplicationCommandPath(text), Path);
}
