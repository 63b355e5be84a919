#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShellTestUtil.h"
#include "shell/GlobalHotKeys.h"
#include "support/TestSupport.h"

using namespace hotkey;

namespace {
constexpr std::uint32_t kCtrlAltO = 49231;  // 0xC04F
}

TEST(HotKeyValue, SplitsIntoWindowsModifiersAndKey) {
  Registration r = SplitHotKey(kCtrlAltO);
  EXPECT_EQ(r.modifiers, static_cast<UINT>(MOD_ALT | MOD_CONTROL));
  EXPECT_EQ(r.key, 0x4Fu);
  r = SplitHotKey(kWin | kShift | 'O');
  EXPECT_EQ(r.modifiers, static_cast<UINT>(MOD_WIN | MOD_SHIFT));
  // Bits 8-12 are not part of a registration.
  r = SplitHotKey(0x1F00 | 'A');
  EXPECT_EQ(r.modifiers, 0u);
  EXPECT_EQ(r.key, static_cast<UINT>('A'));
}

TEST(HotKeyValue, RebuiltFromEveryModifierCombinationOfTheMessage) {
  for (std::uint32_t mods = 0; mods < 16; ++mods) {
    const std::uint32_t value = (mods & 1 ? kShift : 0) | (mods & 2 ? kCtrl : 0) |
                                (mods & 4 ? kAlt : 0) | (mods & 8 ? kWin : 0) | VK_F7;
    const Registration r = SplitHotKey(value);
    EXPECT_EQ(HotKeyFromMessage(MAKELPARAM(r.modifiers, r.key)), value) << value;
  }
}

TEST(HotKeyValue, AtomNameCarriesTheDecimalValue) {
  EXPECT_EQ(AtomName(kCtrlAltO), "GlobalHotKeysHotKey49231");
  EXPECT_EQ(AtomName(0), "GlobalHotKeysHotKey0");
}

TEST(HotKeyText, ModifiersComeInFixedOrder) {
  const ModifierNames names{"Umschalt", "Strg", "Alt", "Win"};
  EXPECT_EQ(ModifierPrefix(kWin | kAlt | kShift | kCtrl | 'X', names), "Strg+Umschalt+Alt+Win+");
  EXPECT_EQ(ModifierPrefix(kAlt | 'X', names), "Alt+");
  EXPECT_EQ(ModifierPrefix('X', names), "");
}

TEST(HotKeyText, ExtendedKeysAreTheCursorBlockInsertAndDelete) {
  for (UINT vk = 0; vk < 256; ++vk) {
    const bool expected = (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
    EXPECT_EQ(IsExtendedKey(vk), expected) << vk;
  }
  EXPECT_EQ(KeyNameParam(0x18, 'O'), 0x180000);
  EXPECT_EQ(KeyNameParam(0x52, VK_INSERT), 0x1520000);
  EXPECT_EQ(KeyNameParam(0, 'O'), 0);          // no scan code: no name asked for
  EXPECT_NE(KeyNameParam(0, VK_DELETE), 0);    // the extended bit alone still asks
}

TEST(HotKeyText, MediaKeyNamesCoverExactly166To183) {
  EXPECT_EQ(MediaKeyName(166), "Browser Back");
  EXPECT_EQ(MediaKeyName(172), "Browser Start/Home");
  EXPECT_EQ(MediaKeyName(179), "Play/Pause Media");
  EXPECT_EQ(MediaKeyName(183), "Start Application 2");
  EXPECT_EQ(MediaKeyName(165), "");
  EXPECT_EQ(MediaKeyName(184), "");
  for (UINT vk = 166; vk <= 183; ++vk) EXPECT_FALSE(MediaKeyName(vk).empty()) << vk;
}

TEST(HotKeyText, TableNameOnlyReplacesShortSystemNamesOfMediaKeys) {
  EXPECT_EQ(ChooseKeyName(166, ""), "Browser Back");
  EXPECT_EQ(ChooseKeyName(175, "?"), "Volume Up");
  EXPECT_EQ(ChooseKeyName(175, "Vol+"), "Vol+");
  EXPECT_EQ(ChooseKeyName('O', "O"), "O");
  EXPECT_EQ(ChooseKeyName(VK_F1, ""), "");
}

TEST(HotKeyText, WinIsCapitalisedLikeAlt) {
  EXPECT_EQ(WinNameFor("ALT"), "WIN");
  EXPECT_EQ(WinNameFor(""), "WIN");
  EXPECT_EQ(WinNameFor("Alt"), "Win");
  EXPECT_EQ(WinNameFor("ALT GR"), "Win");  // the blank is not a capital letter
}

TEST(HotKeyText, FixedNamesGiveUsEnglishText) {
  EXPECT_EQ(HotKeyToText(kCtrlAltO, false), "Ctrl+Alt+O");
  EXPECT_EQ(HotKeyToText(kCtrl | kShift | 'O', false), "Ctrl+Shift+O");
  EXPECT_EQ(HotKeyToText(kWin | kAlt | kShift | kCtrl | 'O', false), "Ctrl+Shift+Alt+Win+O");
  const std::string back = HotKeyToText(166, false);
  EXPECT_FALSE(back.empty());
  if (back.size() <= 1) {
    EXPECT_EQ(back, "Browser Back");
  }
}

TEST(HotKeyText, LocalizedTextUsesTheLayoutNames) {
  const ModifierNames& names = LocalizedNames();
  EXPECT_FALSE(names.ctrl.empty());
  EXPECT_EQ(names.win, WinNameFor(names.alt));
  EXPECT_EQ(HotKeyToText(kCtrl | 'O', true), names.ctrl + "+" + HotKeyToText('O', true));
}

// ---- The component with the Windows calls replaced ----

namespace {

struct FakeSystem {
  std::vector<std::string> log;
  bool refuseRegister = false;
  bool refuseUnregister = false;
  ATOM nextAtom = 0xC100;

  THotKeySystem Make() {
    THotKeySystem s;
    s.Register = [this](HWND, int id, UINT mods, UINT key) {
      log.push_back("register " + std::to_string(id) + " " + std::to_string(mods) + " " +
                    std::to_string(key));
      return refuseRegister ? FALSE : TRUE;
    };
    s.Unregister = [this](HWND, int id) {
      log.push_back("unregister " + std::to_string(id));
      return refuseUnregister ? FALSE : TRUE;
    };
    s.AddAtom = [this](LPCSTR name) {
      log.push_back(std::string("add ") + name);
      return nextAtom++;
    };
    s.DeleteAtom = [this](ATOM a) {
      log.push_back("delete " + std::to_string(a));
      return ATOM(0);
    };
    return s;
  }
};

}  // namespace

TEST(GlobalHotKeysSeam, AddRegistersUnderTheAtom) {
  FakeSystem fake;
  TGlobalHotKeys hk(nullptr, fake.Make());
  EXPECT_EQ(hk.AddHotKey(kCtrlAltO), 0xC100);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"add GlobalHotKeysHotKey49231",
                                                "register 49408 3 79"}));
  ASSERT_EQ(hk.HotKeys().size(), 1u);
  EXPECT_EQ(hk.HotKeys()[0].HotKey, kCtrlAltO);
  EXPECT_EQ(hk.HotKeys()[0].Id, 0xC100);
}

TEST(GlobalHotKeysSeam, RefusedRegistrationDeletesTheAtomAndListsNothing) {
  FakeSystem fake;
  fake.refuseRegister = true;
  TGlobalHotKeys hk(nullptr, fake.Make());
  EXPECT_EQ(hk.AddHotKey(kCtrlAltO), 0);
  EXPECT_TRUE(hk.HotKeys().empty());
  EXPECT_EQ(fake.log.back(), "delete 49408");
}

TEST(GlobalHotKeysSeam, ClearWalksBackwardsAndDropsEntriesEvenWhenRefused) {
  FakeSystem fake;
  TGlobalHotKeys hk(nullptr, fake.Make());
  hk.AddHotKey(kCtrlAltO);
  hk.AddHotKey(kAlt | 'A');
  fake.log.clear();
  fake.refuseUnregister = true;
  hk.ClearHotKeys();
  EXPECT_EQ(fake.log, (std::vector<std::string>{"unregister 49409", "delete 49409",
                                                "unregister 49408", "delete 49408"}));
  EXPECT_TRUE(hk.HotKeys().empty());
  fake.log.clear();
  hk.ClearHotKeys();
  EXPECT_TRUE(fake.log.empty());
}

TEST(GlobalHotKeysSeam, DestructionClearsTheHotKeys) {
  FakeSystem fake;
  {
    TGlobalHotKeys hk(nullptr, fake.Make());
    hk.AddHotKey(kCtrlAltO);
    fake.log.clear();
  }
  EXPECT_EQ(fake.log, (std::vector<std::string>{"unregister 49408", "delete 49408"}));
}

TEST(GlobalHotKeysSeam, EventOnlyForListedValues) {
  FakeSystem fake;
  TGlobalHotKeys hk(nullptr, fake.Make());
  const WORD id = hk.AddHotKey(kWin | 'O');
  std::vector<std::pair<std::uint32_t, WORD>> seen;
  hk.OnHotKeyPressed = [&](std::uint32_t v, WORD i) { seen.emplace_back(v, i); };
  SendMessageA(hk.Handle(), WM_HOTKEY, id, MAKELPARAM(MOD_WIN, 'O'));
  SendMessageA(hk.Handle(), WM_HOTKEY, 7, MAKELPARAM(MOD_ALT, 'Q'));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, kWin | 'O');
  EXPECT_EQ(seen[0].second, id);
}

// Bits 8-12 and 17-31 take no part in a registration. Kept in the list they would make a
// combination that is taken from every program but never raises the event.
TEST(GlobalHotKeysSeam, StrayBitsAreDroppedForTheAtomTheListAndTheEvent) {
  FakeSystem fake;
  TGlobalHotKeys hk(nullptr, fake.Make());
  const WORD id = hk.AddHotKey(0xFFF00000u | 0x1F00 | kCtrl | 'P');
  EXPECT_EQ(fake.log, (std::vector<std::string>{"add " + AtomName(kCtrl | 'P'),
                                                "register 49408 2 80"}));
  ASSERT_EQ(hk.HotKeys().size(), 1u);
  EXPECT_EQ(hk.HotKeys()[0].HotKey, kCtrl | 'P');
  std::vector<std::uint32_t> seen;
  hk.OnHotKeyPressed = [&](std::uint32_t v, WORD) { seen.push_back(v); };
  SendMessageA(hk.Handle(), WM_HOTKEY, id, MAKELPARAM(MOD_CONTROL, 'P'));
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{kCtrl | 'P'}));
  EXPECT_EQ(MaskHotKey(12345), kShift | '9');
}

TEST(HotKeyValue, OnlyCtrlAltOrWinWithAKeyMakeACommand) {
  EXPECT_TRUE(IsCommandHotKey(kCtrlAltO));
  EXPECT_TRUE(IsCommandHotKey(kWin | 'O'));
  EXPECT_TRUE(IsCommandHotKey(kAlt | kShift | VK_F4));
  EXPECT_FALSE(IsCommandHotKey('O'));
  EXPECT_FALSE(IsCommandHotKey(kShift | VK_SPACE));
  EXPECT_FALSE(IsCommandHotKey(0));
  EXPECT_FALSE(IsCommandHotKey(kCtrl | kAlt));  // modifiers without a key
}

// The new hot key goes in before the old one goes: refused, the old one stays.
TEST(GlobalHotKeysSeam, ReplaceKeepsTheOldOnesWhenTheNewOneIsRefused) {
  FakeSystem fake;
  TGlobalHotKeys hk(nullptr, fake.Make());
  hk.AddHotKey(kCtrlAltO);
  fake.log.clear();
  fake.refuseRegister = true;
  EXPECT_FALSE(hk.ReplaceHotKeys(kAlt | 'A'));
  ASSERT_EQ(hk.HotKeys().size(), 1u);
  EXPECT_EQ(hk.HotKeys()[0].HotKey, kCtrlAltO);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"add " + AtomName(kAlt | 'A'),
                                                "register 49409 1 65", "delete 49409"}));

  fake.refuseRegister = false;
  fake.log.clear();
  EXPECT_TRUE(hk.ReplaceHotKeys(kAlt | 'A'));
  ASSERT_EQ(hk.HotKeys().size(), 1u);
  EXPECT_EQ(hk.HotKeys()[0].HotKey, kAlt | 'A');
  EXPECT_EQ(fake.log, (std::vector<std::string>{"add " + AtomName(kAlt | 'A'),
                                                "register 49410 1 65", "unregister 49408",
                                                "delete 49408"}));

  // The one already registered is kept as it is: no second registration of it.
  fake.log.clear();
  EXPECT_TRUE(hk.ReplaceHotKeys(0x0100 | kAlt | 'A'));
  EXPECT_TRUE(fake.log.empty());
  EXPECT_EQ(hk.HotKeys().size(), 1u);
}

// ---- Real registrations ----

namespace {

bool AtomExists(std::uint32_t value) {
  return GlobalFindAtomA(AtomName(value).c_str()) != 0;
}

// A second process that holds a hot key while it lives.
class HotKeyHolder {
 public:
  HotKeyHolder(UINT mods, UINT vk) {
    const std::string tag = std::to_string(GetCurrentProcessId());
    const std::string readyName = "MemtideTestReady" + tag, quitName = "MemtideTestQuit" + tag;
    ready_ = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    quit_ = CreateEventA(nullptr, TRUE, FALSE, quitName.c_str());
    std::string cmd(1, '"');
    cmd += testsupport::ExeFolder();
    cmd += "hold_hotkey.exe\" " + std::to_string(mods) + " " + std::to_string(vk) + " ";
    cmd += readyName + " " + quitName;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
      started_ = WaitForSingleObject(ready_, 10000) == WAIT_OBJECT_0;
  }
  ~HotKeyHolder() {
    SetEvent(quit_);
    if (pi_.hProcess) {
      WaitForSingleObject(pi_.hProcess, 10000);
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
    }
    CloseHandle(ready_);
    CloseHandle(quit_);
  }
  // True when the holder registered the hot key.
  bool Holding() {
    DWORD code = 0;
    return started_ && GetExitCodeProcess(pi_.hProcess, &code) && code == STILL_ACTIVE;
  }

 private:
  HANDLE ready_ = nullptr, quit_ = nullptr;
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
};

}  // namespace

TEST(GlobalHotKeys, RealKeyPressRaisesTheEventUntilCleared) {
  if (!shelltest::XdotoolAvailable()) GTEST_SKIP() << "xdotool cannot be started from here";
  TGlobalHotKeys hk(nullptr);
  const WORD id = hk.AddHotKey(kCtrlAltO);
  ASSERT_NE(id, 0) << "Ctrl+Alt+O is taken on this desktop";
  EXPECT_TRUE(AtomExists(kCtrlAltO));
  std::vector<std::pair<std::uint32_t, WORD>> seen;
  hk.OnHotKeyPressed = [&](std::uint32_t v, WORD i) { seen.emplace_back(v, i); };

  ASSERT_TRUE(shelltest::Xdotool("key ctrl+alt+o"));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return !seen.empty(); }, 5000));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, kCtrlAltO);
  EXPECT_EQ(seen[0].second, id);

  hk.ClearHotKeys();
  EXPECT_FALSE(AtomExists(kCtrlAltO));
  seen.clear();
  ASSERT_TRUE(shelltest::Xdotool("key ctrl+alt+o"));
  testsupport::PumpMessages(800);
  EXPECT_TRUE(seen.empty());
}

TEST(GlobalHotKeys, WinBitRegistersWithModWin) {
  TGlobalHotKeys hk(nullptr);
  const WORD id = hk.AddHotKey(kWin | kShift | VK_F9);
  ASSERT_NE(id, 0);
  // Windows refuses a second registration of the same combination from this thread, which
  // shows that MOD_WIN | MOD_SHIFT + F9 is what was registered.
  HWND probe = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(RegisterHotKey(probe, 1, MOD_WIN | MOD_SHIFT, VK_F9));
  EXPECT_TRUE(RegisterHotKey(probe, 2, MOD_SHIFT, VK_F9));
  UnregisterHotKey(probe, 2);
  DestroyWindow(probe);
}

TEST(GlobalHotKeys, CombinationHeldByAnotherProcessIsRefused) {
  HotKeyHolder holder(MOD_CONTROL | MOD_ALT, VK_F11);
  ASSERT_TRUE(holder.Holding()) << "the helper could not hold Ctrl+Alt+F11";
  TGlobalHotKeys hk(nullptr);
  EXPECT_EQ(hk.AddHotKey(kCtrl | kAlt | VK_F11), 0);
  EXPECT_TRUE(hk.HotKeys().empty());
  EXPECT_FALSE(AtomExists(kCtrl | kAlt | VK_F11));
  // Another combination still works meanwhile.
  EXPECT_NE(hk.AddHotKey(kCtrl | kAlt | VK_F12), 0);
}
