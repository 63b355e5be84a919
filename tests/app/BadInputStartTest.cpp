// The real Memtide.exe started in a portable program folder with each malformed Memtide.ini
// and each malformed language file of the shared corpus. Every start must come up, survive
// its first sampling ticks without a message box, end normally when closed, and save the
// settings it could read, with the defaults where the file was bad.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ProgramDriver.h"
#include "support/BadInputCorpus.h"
#include "support/TestSupport.h"

using namespace e2e;
using badinput::Cat;
using badinput::Fields;

namespace {

constexpr char kSettingsKey[] = "Software\\Quorix\\Memtide";
// Longer than the monitor window's sampling interval, so at least one tick formats the
// value texts with the texts of the language file.
constexpr DWORD kRunMs = 1200;

// What one start of the program showed.
struct StartReport {
  bool Started = false;
  bool WindowsUp = false;
  bool MonitorShown = false;
  bool ShownFromTray = false;
  bool AliveAfterRun = false;
  std::optional<DWORD> ExitCode;
  std::vector<std::string> Dialogs;  // one text per dialog box seen
  std::size_t DialogsBeforeClose = 0;
  DWORD UpAfterMs = 0;
};

std::ostream& operator<<(std::ostream& os, const StartReport& r) {
  os << "started " << r.Started << ", windows " << r.WindowsUp << " after " << r.UpAfterMs
     << " ms, monitor shown " << r.MonitorShown << ", from the tray " << r.ShownFromTray
     << ", alive " << r.AliveAfterRun << ", exit ";
  if (r.ExitCode) os << "0x" << std::hex << *r.ExitCode << std::dec;
  else os << "none";
  for (const auto& d : r.Dialogs) os << "\n  dialog: " << d;
  return os;
}

// The longest static text of a dialog box: a message box's message.
std::string DialogText(HWND box) {
  std::string text = Cat({"(", Describe(box).Title, ")"});
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof(cls));
    if (lstrcmpiA(cls, "Static") != 0) continue;
    char buf[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    if (std::string(buf).size() + 2 > text.size()) text = buf;
  }
  return text;
}

// Reads the sixteen settings from a saved Memtide.ini. The program writes every key, numbers
// in signed decimal; anything else is named in `problems`.
Fields ReadSavedSettings(const std::string& ini, std::string& problems) {
  constexpr char kMissing[] = "\x02missing\x02";
  auto text = [&](const char* key) {
    std::vector<char> buf(4096);
    const DWORD n = GetPrivateProfileStringA("Options", key, kMissing, buf.data(),
                                             static_cast<DWORD>(buf.size()), ini.c_str());
    std::string value(buf.data(), n);
    if (value == kMissing) problems += Cat({" ", key, " not saved;"});
    return value;
  };
  auto number = [&](const char* key) -> long long {
    const std::string value = text(key);
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
      problems += Cat({" ", key, "='", value, "' is no 32-bit decimal;"});
    }
    return v;
  };
  auto flag = [&](const char* key) {
    const long long v = number(key);
    if (v != 0 && v != 1) problems += Cat({" ", key, " is no flag;"});
    return v != 0;
  };
  Fields f;
  f.ShowMessageWhenOptimizing = flag("ShowMessageWhenOptimizing");
  f.AutoOptimize = flag("AutoOptimize");
  f.HotKey = static_cast<std::int32_t>(number("HotKey"));
  for (int i = 0; i < 10; ++i) {
    const auto saved = static_cast<std::int32_t>(number(badinput::kColorKeys[i]));
    f.Colors[i] = static_cast<std::uint32_t>(saved);
  }
  f.CPUDataFromSystemPerform = flag("CPUDataFromSystemPerform");
  f.Language = text("Language");
  f.ShowFreeMemoryInTrayIcon = flag("ShowFreeMemoryInTrayIcon");
  return f;
}

class BadInputStart : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = EndToEndSkipReason(ProgramPath());
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(NoProgramRunning()) << "another Memtide is still running";
    // Every start writes the program path there, portable or not.
    settings_ = std::make_unique<RegistryKeyGuard>(HKEY_CURRENT_USER, kSettingsKey);
    settings_->Clear();
    folder_ = std::make_unique<testsupport::TempFolder>();
    exe_ = folder_->File("Memtide.exe");
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), exe_.c_str(), FALSE));
    for (const char* asset : {"p1.png", "p2.png"}) {
      CopyFileA((testsupport::ExeFolder() + asset).c_str(), folder_->File(asset).c_str(), FALSE);
    }
    folder_->Write("PortableEdition.dat", "");
    MoveMouse(100, 100);
  }

  void TearDown() override {
    folder_.reset();
    settings_.reset();
  }

  // Records every dialog box of the process not seen before and answers it with OK.
  void CollectDialogs(DWORD pid, StartReport& report) {
    for (const auto& w : TopWindows(pid)) {
      if (w.Class != "#32770" || !w.Visible) continue;
      if (seenDialogs_.insert(w.Wnd).second) report.Dialogs.push_back(DialogText(w.Wnd));
      PostMessageA(w.Wnd, WM_COMMAND, IDOK, 0);
    }
  }

  // Starts the program in the portable folder with these files, lets it run past a sampling
  // tick, optionally shows the monitor window from the tray icon once more, and closes it.
  StartReport StartWith(const std::string& ini, const std::string* lng, bool showFromTray) {
    return StartPrepared([&] {
      folder_->Write("Memtide.ini", ini);
      if (lng) folder_->Write("Bad.lng", *lng);
    }, showFromTray);
  }

  // `closeWith`: WM_CLOSE as a user closes it, or WM_QUERYENDSESSION as Windows ends the
  // session (posted: the handler may show a message box the test has to answer).
  StartReport StartPrepared(const std::function<void()>& prepare, bool showFromTray,
                            UINT closeWith = WM_CLOSE) {
    DeleteFileA(folder_->File("Memtide.ini").c_str());
    DeleteFileA(folder_->File("Bad.lng").c_str());
    prepare();
    seenDialogs_.clear();

    StartReport report;
    Program p;
    report.Started = p.Start(exe_);
    if (!report.Started) return report;
    const DWORD pid = p.Id();
    const DWORD start = GetTickCount();
    report.WindowsUp = WaitFor([&] {
      CollectDialogs(pid, report);
      return (MainFormWindow(pid) && MonitorWindow(pid)) || !p.Running();
    }, kReactionMs) && p.Running();
    report.UpAfterMs = GetTickCount() - start;
    if (report.WindowsUp) {
      // It shows itself beside the taskbar at start: every caption is drawn once.
      // Waits, answering boxes, until the monitor is in the wanted state (true) or the
      // program ends.
      auto monitorIs = [&](const std::function<bool(HWND)>& state) {
        return WaitFor([&] {
          CollectDialogs(pid, report);
          HWND m = MonitorWindow(pid);
          return (m && state(m)) || !p.Running();
        }, kReactionMs, 20) && p.Running();
      };
      // Shown at start-up, even when it hid again before this test looked.
      auto shownOnce = [](HWND m) { return IsWindowVisible(m) || MonitorShownOnce(m); };
      auto visible = [](HWND m) { return IsWindowVisible(m) != FALSE; };
      auto hidden = [](HWND m) { return MonitorShownOnce(m) && !IsWindowVisible(m); };
      // Runs for about one sampling tick, answering boxes.
      auto runATick = [&] {
        WaitFor([&] {
          CollectDialogs(pid, report);
          return !p.Running();
        }, kRunMs);
      };
      report.MonitorShown = monitorIs(shownOnce);
      runATick();
      // The start-up showing ends first, or it would pass for the one from the tray.
      if (showFromTray && monitorIs(hidden)) {
        const POINT icon = TrayIconPoint();
        MoveMouse(icon.x - 1, icon.y);
        MoveMouse(icon.x, icon.y);
        report.ShownFromTray = monitorIs(visible);
        // Shown through a sampling tick: the value lines are drawn from the file's formats.
        runATick();
        MoveMouse(100, 100);
      }
    }
    report.AliveAfterRun = p.Running();
    CollectDialogs(pid, report);
    report.DialogsBeforeClose = report.Dialogs.size();
    // Closed as Program::Close does (WM_CLOSE to the main form), answering any message box
    // raised while closing.
    if (HWND main = MainFormWindow(pid)) PostMessageA(main, closeWith, 0, 0);
    WaitFor([&] {
      CollectDialogs(pid, report);
      return !p.Running();
    }, kReactionMs);
    report.ExitCode = p.WaitExit(0);
    if (!report.ExitCode) p.Kill();
    return report;
  }

  // The settings the last run saved. Read from a copy under a name of its own: a process
  // may keep a profile file it read before cached by its name.
  Fields SavedSettings(std::string& problems) {
    const std::string name = Cat({"saved-", std::to_string(++savedCount_), ".ini"});
    const std::string copy = folder_->File(name);
    if (!CopyFileA(folder_->File("Memtide.ini").c_str(), copy.c_str(), FALSE)) {
      problems += " no Memtide.ini after the run;";
      return Fields();
    }
    return ReadSavedSettings(copy, problems);
  }

  void ExpectSound(const StartReport& r) {
    EXPECT_TRUE(r.Started);
    EXPECT_TRUE(r.WindowsUp) << r;
    EXPECT_TRUE(r.MonitorShown) << r;
    EXPECT_TRUE(r.AliveAfterRun) << r;
    EXPECT_TRUE(r.Dialogs.empty()) << r;
    ASSERT_TRUE(r.ExitCode.has_value()) << "did not end when closed: " << r;
    EXPECT_EQ(0u, *r.ExitCode) << r;
  }

  std::unique_ptr<RegistryKeyGuard> settings_;
  std::unique_ptr<testsupport::TempFolder> folder_;
  std::string exe_;
  std::set<HWND> seenDialogs_;
  int savedCount_ = 0;
};

TEST_F(BadInputStart, EveryMalformedIniStartsCleanlyAndSavesDefaultsForBadKeys) {
  const auto corpus = badinput::IniCorpus();
  ASSERT_GE(corpus.size(), 30u);
  for (const auto& c : corpus) {
    SCOPED_TRACE(Cat({"Memtide.ini: ", c.name}));
    const StartReport r = StartWith(c.content, nullptr, false);
    ExpectSound(r);
    if (!r.ExitCode) continue;
    std::string problems;
    const Fields saved = SavedSettings(problems);
    EXPECT_TRUE(problems.empty()) << problems;
    EXPECT_TRUE(c.Accepts(saved)) << "saved " << saved << "\nexpected e.g. "
                                  << c.accepted.front();
  }
}

TEST_F(BadInputStart, EveryMalformedLanguageFileStartsCleanlyAndKeepsTheSettings) {
  const auto corpus = badinput::LngCorpus();
  ASSERT_GE(corpus.size(), 16u);
  // These are shown once more from the tray icon, through a sampling tick.
  const std::set<std::string> shownAgain = {"1 MiB format", "positional and width forms",
                                            "1 MiB captions"};
  int shownFromTray = 0;
  Fields expected;
  expected.Language = "Bad";
  for (const auto& c : corpus) {
    SCOPED_TRACE(Cat({"Bad.lng: ", c.name}));
    const bool showAgain = shownAgain.count(c.name) > 0;
    const StartReport r = StartWith("[Options]\r\nLanguage=Bad\r\n", &c.content, showAgain);
    ExpectSound(r);
    if (showAgain) {
      ++shownFromTray;
      EXPECT_TRUE(r.ShownFromTray) << r;
    }
    if (!r.ExitCode) continue;
    std::string problems;
    EXPECT_EQ(expected, SavedSettings(problems));
    EXPECT_TRUE(problems.empty()) << problems;
  }
  EXPECT_EQ(3, shownFromTray) << "a case to be shown again is no longer in the corpus";
}

// The one error the program may show about its settings: a Memtide.ini it cannot write.
// Starting is silent; closing reports it once and still ends normally.
TEST_F(BadInputStart, IniThatIsAFolderGivesDefaultsAndOneErrorAtClose) {
  const std::string ini = folder_->File("Memtide.ini");
  const StartReport r = StartPrepared([&] { CreateDirectoryA(ini.c_str(), nullptr); }, false);
  RemoveDirectoryA(ini.c_str());
  EXPECT_TRUE(r.WindowsUp) << r;
  EXPECT_TRUE(r.AliveAfterRun) << r;
  EXPECT_EQ(0u, r.DialogsBeforeClose) << "loading must be silent: " << r;
  ASSERT_EQ(1u, r.Dialogs.size()) << r;
  EXPECT_EQ("Unable to write to " + ini, r.Dialogs[0]);
  ASSERT_TRUE(r.ExitCode.has_value()) << r;
  EXPECT_EQ(0u, *r.ExitCode);
}

// Ending the session saves at once and the forms are freed after: still one report.
TEST_F(BadInputStart, IniThatIsAFolderGivesOneErrorWhenTheSessionEnds) {
  const std::string ini = folder_->File("Memtide.ini");
  const StartReport r =
      StartPrepared([&] { CreateDirectoryA(ini.c_str(), nullptr); }, false, WM_QUERYENDSESSION);
  RemoveDirectoryA(ini.c_str());
  EXPECT_EQ(0u, r.DialogsBeforeClose) << r;
  ASSERT_EQ(1u, r.Dialogs.size()) << r;
  EXPECT_EQ("Unable to write to " + ini, r.Dialogs[0]);
  ASSERT_TRUE(r.ExitCode.has_value()) << r;
  EXPECT_EQ(0u, *r.ExitCode);
}

}  // namespace
