#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <thread>
#include <vector>

#include "support/TestSupport.h"
#include "util/QvBaseUnit.h"
#include "util/QvFileService.h"
#include "util/ScopedHandles.h"

namespace {

using testsupport::ExeFolder;
using testsupport::TempFolder;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> ReadLines(const std::string& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct BoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT flags;
};

// Captures message boxes instead of showing them and restores the defaults afterwards.
class MessageBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxFunction([this](HWND owner, const std::string& text, const std::string& caption,
                                 UINT flags) {
      calls.push_back({owner, text, caption, flags});
      return answer;
    });
  }
  void TearDown() override {
    SetMessageBoxFunction(nullptr);
    SetApplicationWindowProvider(nullptr);
  }
  std::vector<BoxCall> calls;
  int answer = IDOK;
};

TEST_F(MessageBoxes, CarryTheTitleAndTheApplicationWindowAsOwner) {
  EXPECT_EQ(ShowMessageBox("hello", MB_ICONINFORMATION), IDOK);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].owner, nullptr);  // no application window yet
  EXPECT_EQ(calls[0].caption, "Memtide");
  EXPECT_EQ(calls[0].text, "hello");
  EXPECT_EQ(calls[0].flags, static_cast<UINT>(MB_ICONINFORMATION));

  const HWND fake = reinterpret_cast<HWND>(0x1234);
  SetApplicationWindowProvider([fake] { return fake; });
  answer = IDNO;
  EXPECT_EQ(ShowMessageBox("overwrite?", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].owner, fake);
  EXPECT_EQ(calls[1].flags, 0x24u);
}

namespace {
HWND PopupWindow(DWORD exStyle) {
  return CreateWindowExA(exStyle, "STATIC", "waiting", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}
bool IsTopmost(HWND wnd) { return (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
}  // namespace

// An always-on-top dialog would cover the box and take a second click meanwhile.
TEST_F(MessageBoxes, OtherWindowsWaitBehindTheBoxAndComeBackAsTheyWere) {
  HWND onTop = PopupWindow(WS_EX_TOPMOST);
  HWND plain = PopupWindow(0);
  HWND disabled = PopupWindow(0);
  ASSERT_TRUE(onTop && plain && disabled);
  EnableWindow(disabled, FALSE);
  bool onTopEnabled = true, onTopTopmost = true, plainEnabled = true;
  SetMessageBoxFunction([&](HWND, const std::string&, const std::string&, UINT) {
    onTopEnabled = IsWindowEnabled(onTop) != FALSE;
    onTopTopmost = IsTopmost(onTop);
    plainEnabled = IsWindowEnabled(plain) != FALSE;
    return IDNO;
  });
  EXPECT_EQ(ShowMessageBox("overwrite?", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_FALSE(onTopEnabled);
  EXPECT_FALSE(onTopTopmost);
  EXPECT_FALSE(plainEnabled);
  EXPECT_TRUE(IsWindowEnabled(onTop));
  EXPECT_TRUE(IsTopmost(onTop));
  EXPECT_TRUE(IsWindowEnabled(plain));
  EXPECT_FALSE(IsTopmost(plain));
  EXPECT_FALSE(IsWindowEnabled(disabled)) << "was disabled before the box";
  DestroyWindow(onTop);
  DestroyWindow(plain);
  DestroyWindow(disabled);
}

// A window closed by something the box's message loop handled is simply gone afterwards.
TEST_F(MessageBoxes, AWindowClosedDuringTheBoxIsLeftAlone) {
  HWND doomed = PopupWindow(WS_EX_TOPMOST);
  HWND kept = PopupWindow(0);
  ASSERT_TRUE(doomed && kept);
  SetMessageBoxFunction([&](HWND, const std::string&, const std::string&, UINT) {
    DestroyWindow(doomed);
    return IDOK;
  });
  EXPECT_EQ(ShowMessageBox("x", MB_ICONINFORMATION), IDOK);
  EXPECT_FALSE(IsWindow(doomed));
  EXPECT_TRUE(IsWindowEnabled(kept));
  DestroyWindow(kept);
}

TEST_F(MessageBoxes, UnknownPrivilegeShowsPrivilegeFaild) {
  EnablePrivilege("SeMemtideNoSuchPrivilege", true);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, "Privilege Faild");
  EXPECT_EQ(calls[0].caption, "Memtide");
  EXPECT_EQ(calls[0].flags, static_cast<UINT>(MB_ICONERROR));
}

bool PrivilegeEnabled(const char* name) {
  LUID luid{};
  if (!LookupPrivilegeValueA(nullptr, name, &luid)) return false;
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buf(size);
  if (!GetTokenInformation(token.get(), TokenPrivileges, buf.data(), size, &size)) return false;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buf.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID& l = privileges->Privileges[i].Luid;
    if (l.LowPart == luid.LowPart && l.HighPart == luid.HighPart) {
      return (privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return false;
}

TEST_F(MessageBoxes, KnownPrivilegeIsSwitchedSilently) {
  EnablePrivilege("SeShutdownPrivilege", true);
  const bool on = PrivilegeEnabled("SeShutdownPrivilege");
  EnablePrivilege("SeShutdownPrivilege", false);
  const bool off = PrivilegeEnabled("SeShutdownPrivilege");
  // The five the process collection asks for; none the user lacks raises a message either.
  for (const char* name : {"SeDebugPrivilege", "SeSecurityPrivilege", "SeBackupPrivilege",
                           "SeTakeOwnershipPrivilege", "SeShutDownPrivilege"}) {
    EnablePrivilege(name, true);
  }
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(on);
  EXPECT_FALSE(off);
}

// A real MessageBoxA: another thread finds it by its caption, checks its owner and closes it.
TEST(ShowMessageBox, RealBoxIsOwnedByTheApplicationWindow) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  SetApplicationWindowProvider([owner] { return owner; });
  HWND seenOwner = nullptr;
  std::string seenText;
  std::thread closer([&] {
    for (int i = 0; i < 500; ++i) {
      HWND box = FindWindowA("#32770", "Memtide");
      if (box) {
        seenOwner = GetWindow(box, GW_OWNER);
        char text[64] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
        seenText = text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  const int result = ShowMessageBox("Real box", MB_ICONINFORMATION);
  closer.join();
  SetApplicationWindowProvider(nullptr);
  DestroyWindow(owner);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(seenOwner, owner);
  EXPECT_EQ(seenText, "Real box");
}

TEST(GetSystemFolder, IsTheSystemDirectory) {
  char expected[MAX_PATH] = {};
  GetSystemDirectoryA(expected, MAX_PATH);
  const std::string folder = GetSystemFolder();
  EXPECT_EQ(folder, expected);
  EXPECT_NE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(GetEnvVar, DropsOneTrailingBackslash) {
  SetEnvironmentVariableA("MEMTIDE_T1", "C:\\Some\\Where\\");
  SetEnvironmentVariableA("MEMTIDE_T2", "C:\\\\");
  SetEnvironmentVariableA("MEMTIDE_T3", "plain");
  EXPECT_EQ(GetEnvVar("MEMTIDE_T1"), "C:\\Some\\Where");
  EXPECT_EQ(GetEnvVar("MEMTIDE_T2"), "C:\\");
  EXPECT_EQ(GetEnvVar("MEMTIDE_T3"), "plain");
  EXPECT_EQ(GetEnvVar("MEMTIDE_NOT_SET_ANYWHERE"), "");
  SetEnvironmentVariableA("MEMTIDE_T1", nullptr);
  SetEnvironmentVariableA("MEMTIDE_T2", nullptr);
  SetEnvironmentVariableA("MEMTIDE_T3", nullptr);
}

TEST(GetEnvVar, LongValuesAreReadWhole) {
  const std::string value(3000, 'v');
  SetEnvironmentVariableA("MEMTIDE_LONG", value.c_str());
  EXPECT_EQ(GetEnvVar("MEMTIDE_LONG"), value);
  SetEnvironmentVariableA("MEMTIDE_LONG", nullptr);
}

// A folder tree with programs in it, some in folders with blanks in their names.
class ProgramTree : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(temp.File("Program Files").c_str(), nullptr);
    CreateDirectoryA(temp.File("Program Files\\App").c_str(), nullptr);
    temp.Write("Program Files\\App\\app.exe", "MZ");
    temp.Write("tool.dll", "MZ");
    temp.Write("data.txt.exe", "MZ");
  }
  TempFolder temp;
  std::string path;
};

TEST_F(ProgramTree, SearchExecutableAddsExeToTheTextBeforeABlank) {
  ASSERT_TRUE(SearchExecutable(temp.File("Program Files\\App\\app -x"), path));
  EXPECT_EQ(path, temp.File("Program Files\\App\\app.exe"));
  ASSERT_TRUE(SearchExecutable(temp.File("Program Files\\App\\app.exe -x -y"), path));
  EXPECT_EQ(path, temp.File("Program Files\\App\\app.exe"));
  ASSERT_TRUE(SearchExecutable(temp.File("Program Files\\App\\app"), path));
  EXPECT_EQ(path, temp.File("Program Files\\App\\app.exe"));
}

TEST_F(ProgramTree, SearchExecutableCutsAtCommaAndSemicolon) {
  ASSERT_TRUE(SearchExecutable(temp.File("tool.dll,Entry 5"), path));
  EXPECT_EQ(path, temp.File("tool.dll"));
  ASSERT_TRUE(SearchExecutable(temp.File("tool.dll;x"), path));
  EXPECT_EQ(path, temp.File("tool.dll"));
}

TEST_F(ProgramTree, SearchExecutableKeepsAnExistingExtension) {
  path = "unchanged";
  // "data.txt" has an extension, so ".exe" is not tried on it.
  EXPECT_FALSE(SearchExecutable(temp.File("data.txt -y"), path));
  EXPECT_EQ(path, "unchanged");
  EXPECT_FALSE(SearchExecutable("", path));
  EXPECT_EQ(path, "unchanged");
}

TEST_F(ProgramTree, ResolveProgramFileUnquotesAndSearches) {
  const std::string app = temp.File("Program Files\\App\\app.exe");
  ASSERT_TRUE(ResolveProgramFile(app, path));
  EXPECT_EQ(path, app);
  ASSERT_TRUE(ResolveProgramFile("  \"" + app + "\" /run", path));
  EXPECT_EQ(path, app);
  ASSERT_TRUE(ResolveProgramFile(temp.File("Program Files\\App\\app /s"), path));
  EXPECT_EQ(path, app);
  ASSERT_TRUE(ResolveProgramFile("RunDll32 " + temp.File("tool.dll,Start"), path));
  EXPECT_EQ(path, temp.File("tool.dll"));
}

TEST_F(ProgramTree, ResolveProgramFileGivesUpOnShortOrUnknownTexts) {
  EXPECT_FALSE(ResolveProgramFile("ab", path));
  EXPECT_EQ(path, "ab");
  EXPECT_FALSE(ResolveProgramFile("", path));
  EXPECT_FALSE(ResolveProgramFile(temp.File("nothing here.exe"), path));
  EXPECT_FALSE(ResolveProgramFile("memtide_no_such_program_42.exe", path));
  EXPECT_EQ(path, "memtide_no_such_program_42.exe");
}

TEST(ResolveProgramFile, RundllCommandFindsTheDllBelowSystem32) {
  std::string path;
  ASSERT_TRUE(ResolveProgramFile("rundll32.exe shell32.dll,Control_RunDLL", path));
  EXPECT_EQ(Lower(path), Lower(GetEnvVar("SystemRoot") + "\\System32\\shell32.dll"));
}

TEST(ResolveProgramFile, ExpandsAVariableFirst) {
  std::string path;
  ASSERT_TRUE(ResolveProgramFile("%SystemRoot%\\explorer.exe", path));
  EXPECT_EQ(Lower(path), Lower(GetEnvVar("SystemRoot") + "\\explorer.exe"));
  SetEnvironmentVariableA("MEMTIDE_APPDIR", GetSystemFolder().c_str());
  ASSERT_TRUE(ResolveProgramFile("%MEMTIDE_APPDIR%\\kernel32.dll", path));
  EXPECT_EQ(Lower(path), Lower(GetSystemFolder() + "\\kernel32.dll"));
  SetEnvironmentVariableA("MEMTIDE_APPDIR", nullptr);
}

// Registry entries under HKLM\SOFTWARE\Classes, removed again afterwards.
class ClassesEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.Write("server.exe", "MZ");
    CreateDirectoryA(temp.File("apps").c_str(), nullptr);
    temp.Write("apps\\memtideprobeapp.exe", "MZ");
  }
  void TearDown() override {
    for (const std::string& key : created) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
  }
  bool Set(const std::string& key, const char* name, const std::string& value,
           DWORD type = REG_SZ) {
    UniqueHKey k;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        k.put(), nullptr) != ERROR_SUCCESS) {
      return false;
    }
    created.push_back(key);
    return RegSetValueExA(k.get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  }
  TempFolder temp;
  std::vector<std::string> created;
  std::string path;
  static constexpr const char* kClsid = "{7D1F5A2E-0B44-4C7A-9E61-3A5C2B8E1F90}";
};

TEST_F(ClassesEntries, AppIdLeadsToTheLocalServerOfItsClass) {
  if (!Set(std::string("SOFTWARE\\Classes\\AppID\\memtideprobe.exe"), "AppID", kClsid) ||
      !Set(std::string("SOFTWARE\\Classes\\CLSID\\") + kClsid + "\\LocalServer32", nullptr,
           temp.File("server.exe") + " -Embedding")) {
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable here";
  }
  EXPECT_EQ(GetLocalServerPath(kClsid), temp.File("server.exe") + " -Embedding");
  EXPECT_EQ(GetAppIdServerPath("memtideprobe.exe"), temp.File("server.exe") + " -Embedding");
  EXPECT_EQ(GetAppIdServerPath("memtide_no_such_appid.exe"), "");
  ASSERT_TRUE(ResolveProgramFile("memtideprobe.exe", path));
  EXPECT_EQ(path, temp.File("server.exe"));
}

TEST_F(ClassesEntries, LocalServerOfAnotherTypeIsIgnored) {
  const std::string key = std::string("SOFTWARE\\Classes\\CLSID\\") + kClsid + "\\LocalServer32";
  if (!Set(key, nullptr, "abcd", REG_BINARY)) GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable";
  EXPECT_EQ(GetLocalServerPath(kClsid), "");
  EXPECT_EQ(GetLocalServerPath(""), "");
}

TEST_F(ClassesEntries, ApplicationsCommandGivesTheProgramsFolder) {
  const std::string base = "SOFTWARE\\Classes\\Applications\\memtideprobeapp.exe";
  if (!Set(base + "\\shell\\edit\\command", nullptr,
           "\"" + temp.File("apps\\memtideprobeapp.exe") + "\" \"%1\"")) {
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable here";
  }
  created.push_back(base);
  EXPECT_EQ(GetApplicationCommandPath("memtideprobeapp.exe"), temp.File("apps\\memtideprobeapp.exe"));
  EXPECT_EQ(GetApplicationCommandPath("memtide_not_registered.exe"), "");
  ASSERT_TRUE(ResolveProgramFile("memtideprobeapp.exe", path));
  EXPECT_EQ(path, temp.File("apps\\memtideprobeapp.exe"));
  // "open" comes before "edit".
  ASSERT_TRUE(Set(base + "\\shell\\open\\command", nullptr, "C:\\elsewhere\\x.exe"));
  EXPECT_EQ(GetApplicationCommandPath("memtideprobeapp.exe"), "C:\\elsewhere\\memtideprobeapp.exe");
}

TEST(RunProgram, PassesParametersAndFolderAndWaits) {
  TempFolder temp;
  const std::string out = temp.File("out.txt");
  ASSERT_TRUE(RunProgram(ExeFolder() + "ProbeChild.exe", "\"" + out + "\" --sleep=700 second",
                         temp.Path(), true));
  // Waited: the child has written its file before RunProgram returned.
  const auto lines = ReadLines(out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Lower(WithTrailingBackslash(lines[0])), Lower(temp.Path()));
  EXPECT_EQ(lines[1], "--sleep=700");
  EXPECT_EQ(lines[2], "second");
}

TEST(RunProgram, WithoutWaitReturnsAtOnce) {
  TempFolder temp;
  const std::string out = temp.File("out.txt");
  ASSERT_TRUE(RunProgram(ExeFolder() + "ProbeChild.exe", "\"" + out + "\" --sleep=1500", "", false));
  EXPECT_FALSE(IsExistingFile(out));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return IsExistingFile(out); }, 15000));
  Sleep(200);  // let the child close the file before the folder is removed
}

namespace {
// A visible dialog box of this process, or null.
HWND OwnDialog() {
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w;
       w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(w)) return w;
  }
  return nullptr;
}
}  // namespace

// A stale path (the companion's registry entry pointing at a removed file): the shell tells
// the user in its own error box, and the call reports the failure.
TEST(RunProgram, AMissingProgramIsReportedByTheShellAndFails) {
  TempFolder temp;
  bool sawBox = false;
  std::thread closer([&] {
    for (int i = 0; i < 500 && !sawBox; ++i) {
      if (HWND box = OwnDialog()) {
        sawBox = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
      Sleep(20);
    }
  });
  const bool started = RunProgram(temp.File("missing.exe"), "", "", false);
  closer.join();
  EXPECT_FALSE(started);
  EXPECT_TRUE(sawBox) << "no error box from the shell";
}

TEST(OpenWithShell, OpensTheTarget) {
  const std::string marker = ExeFolder() + "ProbeChild.ran";
  DeleteFileA(marker.c_str());
  OpenWithShell(ExeFolder() + "ProbeChild.exe");
  EXPECT_TRUE(testsupport::PumpUntil([&] { return IsExistingFile(marker); }, 15000));
  Sleep(200);
  DeleteFileA(marker.c_str());
}

}  // namespace
