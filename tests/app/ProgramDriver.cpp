#include "ProgramDriver.h"

#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "controls/GdiPlus.h"
#include "support/TestSupport.h"
#include "ui/DibSection.h"

namespace e2e {

Program::~Program() {
  if (Running()) {
    if (!Close(5000)) Kill();
  }
}

bool Program::Start(const std::string& exe, const std::string& args) {
  std::string cmd = "\"" + exe + "\"";
  if (!args.empty()) cmd += " " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::vector<char> buf(cmd.begin(), cmd.end());
  buf.push_back('\0');
  start_tick_ = GetTickCount();
  if (!CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, nullptr, &si, &pi)) {
    return false;
  }
  UniqueHandle thread(pi.hThread);
  process_.reset(pi.hProcess);
  id_ = pi.dwProcessId;
  // In a job before it runs, so that the job's record of its peak memory misses nothing.
  job_.reset(CreateJobObjectA(nullptr, nullptr));
  if (job_ && !AssignProcessToJobObject(job_.get(), process_.get())) job_.reset();
  ResumeThread(thread.get());
  return true;
}

std::uint64_t Program::PeakCommitted() const {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
  if (!job_ || !QueryInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &info,
                                          sizeof info, nullptr))
    return 0;
  return info.PeakProcessMemoryUsed;
}

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::WaitExit(DWORD ms) const {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

bool Program::Close(DWORD ms) {
  if (!Running()) return true;
  if (HWND main = MainFormWindow(id_)) PostMessageA(main, WM_CLOSE, 0, 0);
  return WaitExit(ms).has_value();
}

void Program::Kill() {
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    WaitExit(5000);
  }
}

WindowInfo Describe(HWND wnd) {
  WindowInfo info;
  info.Wnd = wnd;
  char buf[256] = {};
  GetClassNameA(wnd, buf, sizeof(buf));
  info.Class = buf;
  buf[0] = '\0';
  // Not WM_GETTEXT: a hung target must not hang the test.
  WCHAR wide[256] = {};
  InternalGetWindowText(wnd, wide, 256);
  WideCharToMultiByte(CP_ACP, 0, wide, -1, buf, sizeof(buf), nullptr, nullptr);
  info.Title = buf;
  GetWindowRect(wnd, &info.Rect);
  info.Visible = IsWindowVisible(wnd) != FALSE;
  info.Style = GetWindowLongPtrA(wnd, GWL_STYLE);
  info.ExStyle = GetWindowLongPtrA(wnd, GWL_EXSTYLE);
  info.Owner = GetWindow(wnd, GW_OWNER);
  return info;
}

namespace {
struct EnumState {
  DWORD pid;
  std::vector<WindowInfo>* out;
};
BOOL CALLBACK CollectTop(HWND wnd, LPARAM param) {
  auto* state = reinterpret_cast<EnumState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid == state->pid) state->out->push_back(Describe(wnd));
  return TRUE;
}
}  // namespace

std::vector<WindowInfo> TopWindows(DWORD pid) {
  std::vector<WindowInfo> out;
  EnumState state{pid, &out};
  EnumWindows(&CollectTop, reinterpret_cast<LPARAM>(&state));
  return out;
}

HWND FindTopWindow(DWORD pid, const std::string& cls, const std::string& title) {
  for (const auto& w : TopWindows(pid)) {
    if ((cls.empty() || w.Class == cls) && (title.empty() || w.Title == title)) return w.Wnd;
  }
  return nullptr;
}

HWND MainFormWindow(DWORD pid) { return FindTopWindow(pid, "", "FrmMemtideMain"); }

HWND ApplicationWindow(DWORD pid) { return FindTopWindow(pid, "MemtideApplication", ""); }

HWND MonitorWindow(DWORD pid) {
  for (const auto& w : TopWindows(pid)) {
    if (w.Title == "Memtide" && w.Class != "MemtideApplication" && w.Class != "#32770") {
      return w.Wnd;
    }
  }
  return nullptr;
}

bool MonitorShownOnce(HWND monitor) {
  return monitor && (GetWindowLongPtrA(monitor, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

int CountProcesses(const std::string& exeName) {
  UniqueFileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return -1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL ok = Process32First(snap.get(), &entry); ok; ok = Process32Next(snap.get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, exeName.c_str()) == 0) ++count;
  }
  return count;
}

MemoryCounters ReadMemory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc = {};
  pmc.cb = sizeof(pmc);
  MemoryCounters m;
  if (GetProcessMemoryInfo(process, &pmc, sizeof(pmc))) {
    m.Committed = pmc.PagefileUsage;
    m.PeakWorkingSet = pmc.PeakWorkingSetSize;
  }
  return m;
}

void MemoryWatch::Reset() {
  baseline_ = peak_ = current_ = ReadMemory(process_).Committed;
}

void MemoryWatch::Sample() {
  current_ = ReadMemory(process_).Committed;
  if (current_ > peak_) peak_ = current_;
}

bool WaitFor(const std::function<bool()>& pred, DWORD ms, DWORD stepMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > ms) return pred();
    testsupport::PumpMessages(stepMs);
  }
}

namespace {
void SendMouse(DWORD flags, int x, int y) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = (x * 65535 + (w - 1) / 2) / (w - 1);
  in.mi.dy = (y * 65535 + (h - 1) / 2) / (h - 1);
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &in, sizeof(in));
}
void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}
}  // namespace

void MoveMouse(int x, int y) {
  SendMouse(0, x, y);
  testsupport::PumpMessages(30);
}

void Click(int x, int y, bool right) {
  // A press soon after the last one would arrive as the second half of a double click.
  static DWORD lastClick = 0;
  const DWORD spacing = GetDoubleClickTime() + 100;
  const DWORD since = GetTickCount() - lastClick;
  if (lastClick != 0 && since < spacing) testsupport::PumpMessages(spacing - since);
  lastClick = GetTickCount();
  SendMouse(0, x, y);
  SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y);
  SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y);
  testsupport::PumpMessages(30);
}

void DoubleClick(int x, int y) {
  SendMouse(0, x, y);
  for (int i = 0; i < 2; ++i) {
    SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    SendMouse(MOUSEEVENTF_LEFTUP, x, y);
  }
  testsupport::PumpMessages(30);
}

void PressKey(WORD vk) {
  SendKey(vk, false);
  SendKey(vk, true);
  testsupport::PumpMessages(30);
}

void PressChord(const std::vector<WORD>& vks) {
  for (WORD vk : vks) SendKey(vk, false);
  for (auto it = vks.rbegin(); it != vks.rend(); ++it) SendKey(*it, true);
  testsupport::PumpMessages(30);
}

void MenuKey(HWND menu, WORD vk) {
  const UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
  PostMessageA(menu, WM_KEYDOWN, vk, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageA(menu, WM_KEYUP, vk, static_cast<LPARAM>(1 | (scan << 16) | 0xC0000000u));
  testsupport::PumpMessages(30);
}

RECT TaskbarRect() {
  RECT r{0, 0, 0, 0};
  if (HWND bar = FindWindowA("Shell_TrayWnd", nullptr)) GetWindowRect(bar, &r);
  return r;
}

POINT TrayIconPoint() {
  // The notification area fills from the right end; the first icon is the right-most one.
  RECT r = TaskbarRect();
  const int icon = GetSystemMetrics(SM_CXSMICON) + 4;
  return {r.right - icon / 2, (r.top + r.bottom) / 2};
}

bool TrayIconExists(HWND wnd, UINT id) {
  // A modification that changes nothing succeeds only for an icon the shell knows.
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof(data);
  data.hWnd = wnd;
  data.uID = id;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

ScreenShot::ScreenShot(const RECT& area) : w_(area.right - area.left), h_(area.bottom - area.top) {
  if (w_ <= 0 || h_ <= 0) {
    w_ = h_ = 0;
    return;
  }
  TDibSection shot(w_, h_);
  if (shot.Empty()) {
    w_ = h_ = 0;
    return;
  }
  {
    ScopedGetDC screen(nullptr);
    BitBlt(shot.Dc(), 0, 0, w_, h_, screen.get(), area.left, area.top, SRCCOPY);
  }
  GdiFlush();
  pixels_.assign(shot.Bits(), shot.Bits() + static_cast<size_t>(w_) * static_cast<size_t>(h_));
  for (auto& px : pixels_) px &= 0x00FFFFFFu;
}

int ScreenShot::Count(const RECT& part, const std::function<bool(std::uint32_t)>& test) const {
  int n = 0;
  for (int y = std::max<LONG>(0, part.top); y < std::min<LONG>(h_, part.bottom); ++y) {
    for (int x = std::max<LONG>(0, part.left); x < std::min<LONG>(w_, part.right); ++x) {
      if (test(At(x, y))) ++n;
    }
  }
  return n;
}

bool ScreenShot::SavePng(const std::string& path) const {
  if (w_ == 0) return false;
  Gdiplus::Bitmap bmp(w_, h_, w_ * 4, PixelFormat32bppRGB,
                      reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels_.data())));
  CLSID png = {};
  UINT num = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&num, &size);
  std::vector<BYTE> buf(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
  Gdiplus::GetImageEncoders(num, size, codecs);
  bool found = false;
  for (UINT i = 0; i < num; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      png = codecs[i].Clsid;
      found = true;
    }
  }
  if (!found) return false;
  std::wstring wide(path.begin(), path.end());
  return bmp.Save(wide.c_str(), &png, nullptr) == Gdiplus::Ok;
}

RegistryKeyGuard::RegistryKeyGuard(HKEY root, std::string path)
    : root_(root), path_(std::move(path)) {
  UniqueHKey key;
  existed_ = RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
  for (auto& [name, v] : ReadValues(root_, path_)) values_[name] = Value{v.Type, v.Data};
}

RegistryKeyGuard::~RegistryKeyGuard() {
  Clear();
  if (!existed_) return;
  UniqueHKey key;
  if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  for (const auto& [name, v] : values_) {
    RegSetValueExA(key.get(), name.c_str(), 0, v.Type, v.Data.data(),
                   static_cast<DWORD>(v.Data.size()));
  }
}

void RegistryKeyGuard::Clear() const { RegDeleteTreeA(root_, path_.c_str()); }

std::string RegValue::Text() const {
  std::string s(Data.begin(), Data.end());
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

DWORD RegValue::Dword() const {
  DWORD d = 0;
  if (Data.size() >= sizeof(d)) memcpy(&d, Data.data(), sizeof(d));
  return d;
}

bool WriteDword(HKEY root, const std::string& path, const char* name, DWORD value) {
  UniqueHKey key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    key.release();
    return false;
  }
  return RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

std::map<std::string, RegValue> ReadValues(HKEY root, const std::string& path) {
  std::map<std::string, RegValue> out;
  UniqueHKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLen = sizeof(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      break;
    }
    RegValue v;
    v.Type = type;
    v.Data.resize(size);
    DWORD dataSize = size;
    RegQueryValueExA(key.get(), name, nullptr, &type, v.Data.data(), &dataSize);
    out[name] = v;
  }
  return out;
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool FileExists(const std::string& path) {
  DWORD attrs = GetFileAttributesA(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProgramPath() { return testsupport::ExeFolder() + "Memtide.exe"; }

bool NoProgramRunning(DWORD ms) {
  return WaitFor([] { return CountProcesses("Memtide.exe") == 0; }, ms);
}

std::string EndToEndSkipReason(const std::string& exe) {
  // The desktop's shell may still be starting when the first window of a session opens.
  // (Wine sizes its taskbar only once something is shown in it.)
  if (!WaitFor([] { return FindWindowA("Shell_TrayWnd", nullptr) != nullptr; }, kReactionMs, 100))
    return "no taskbar: the Wine prefix has no shared virtual desktop";
  if (!FileExists(exe)) return "Memtide.exe not built beside the tests";
  return "";
}

}  // namespace e2e
