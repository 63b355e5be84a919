// A child process for the process-collection tests. Arguments (any order):
//   --window=<title>   show a visible top-level window with that title
//   --life=<ms>        end after that long (default 60 s, so nothing outlives a test run)
// Anything else (the tests add a distinctive token) is ignored.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string ArgValue(const std::string& commandLine, const std::string& name) {
  std::size_t at = commandLine.find(name);
  if (at == std::string::npos) return std::string();
  at += name.size();
  std::size_t end = commandLine.find(' ', at);
  return commandLine.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

}  // namespace

int main() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  std::string commandLine = GetCommandLineA();
  std::string life = ArgValue(commandLine, "--life=");
  DWORD lifeMs = life.empty() ? 60000 : static_cast<DWORD>(std::strtoul(life.c_str(), nullptr, 10));
  std::string title = ArgValue(commandLine, "--window=");

  HWND wnd = nullptr;
  if (!title.empty()) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "SamplingChildWindow";
    RegisterClassA(&wc);
    wnd = CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 200,
                          100, nullptr, nullptr, instance, nullptr);
    if (wnd) ShowWindow(wnd, SW_SHOWNOACTIVATE);
  }
  DWORD start = GetTickCount();
  while (GetTickCount() - start < lifeMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (wnd) DestroyWindow(wnd);
  return 0;
}
