// Malformed Memtide.ini files (the shared corpus), run through the real load and save of the
// settings store in portable mode; plus an INI file and a registry key that cannot be
// written. Every input must give a usable settings object, no lost setting and at most one
// error message per save.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "settings/OptionsUnit.h"
#include "support/BadInputCorpus.h"
#include "support/TestSupport.h"
#include "util/QvBaseUnit.h"
#include "util/ScopedHandles.h"

using badinput::Fields;
using testsupport::TempFolder;

namespace {

constexpr char kScratchKey[] = "Software\\MemtideReliabilityTest";

Fields Read(const TOptions& o) {
  Fields f;
  f.ShowMessageWhenOptimizing = o.ShowMessageWhenOptimizing;
  f.AutoOptimize = o.AutoOptimize;
  f.HotKey = o.HotKey;
  const std::uint32_t colors[10] = {o.CPUGridColor,     o.CPUStartBackColor, o.CPUEndBackColor,
                                    o.CPUHighCPUColor,  o.CPULowCPUColor,    o.RAMGridColor,
                                    o.RAMStartBackColor, o.RAMEndBackColor,  o.RAMHighRAMColor,
                                    o.RAMLowRAMColor};
  for (int i = 0; i < 10; ++i) f.Colors[i] = colors[i];
  f.CPUDataFromSystemPerform = o.CPUDataFromSystemPerform;
  f.Language = o.Language;
  f.ShowFreeMemoryInTrayIcon = o.ShowFreeMemoryInTrayIcon;
  return f;
}

class SettingsStoreFaults : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxFunction([this](HWND, const std::string& text, const std::string&, UINT) {
      messages_.push_back(text);
      return IDOK;
    });
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
  }
  void TearDown() override {
    SetMessageBoxFunction(nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
  }

  TOptionsStorage Storage(const TempFolder& folder, bool portable) const {
    TOptionsStorage s;
    s.ProgramFolder = folder.Path();
    s.SettingsKey = std::string(kScratchKey) + "\\Settings";
    s.RunKey = std::string(kScratchKey) + "\\Run";
    s.ExePath = folder.Path() + "Memtide.exe";
    if (portable) folder.Write("PortableEdition.dat", "");
    return s;
  }

  std::vector<std::string> messages_;
};

TEST_F(SettingsStoreFaults, MalformedIniFilesLoadDefaultsAndSurviveASave) {
  const auto corpus = badinput::IniCorpus();
  ASSERT_GE(corpus.size(), 30u);
  for (const auto& c : corpus) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    TOptionsStorage storage = Storage(folder, true);
    folder.Write("Memtide.ini", c.content);
    Fields loaded;
    {
      TOptions options(storage);
      loaded = Read(options);
      if (!c.accepted.empty()) {
        bool ok = false;
        for (const auto& a : c.accepted) ok = ok || a == loaded;
        EXPECT_TRUE(ok) << "loaded " << loaded << "\nexpected e.g. " << c.accepted.front();
      }
      EXPECT_TRUE(options.SaveSettings());
    }  // and the destructor saves once more
    TOptions reloaded(storage);
    EXPECT_EQ(loaded, Read(reloaded)) << "a setting changed across a save";
    EXPECT_TRUE(messages_.empty()) << messages_.front();
    messages_.clear();
  }
}

TEST_F(SettingsStoreFaults, IniThatIsAFolderOrLockedGivesDefaultsAndOneErrorPerSave) {
  for (int variant = 0; variant < 2; ++variant) {
    SCOPED_TRACE(variant == 0 ? "folder" : "locked");
    TempFolder folder;
    TOptionsStorage storage = Storage(folder, true);
    UniqueFileHandle lock;
    if (variant == 0) {
      ASSERT_TRUE(CreateDirectoryA(storage.IniPath().c_str(), nullptr));
    } else {
      folder.Write("Memtide.ini", "[Options]\r\nHotKey=12345\r\n");
      lock.reset(CreateFileA(storage.IniPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(lock);
    }
    {
      TOptions options(storage);
      EXPECT_EQ(Fields(), Read(options));
      EXPECT_TRUE(messages_.empty());
      options.HotKey = 999;
      EXPECT_FALSE(options.SaveSettings());
      ASSERT_EQ(1u, messages_.size());
      EXPECT_EQ("Unable to write to " + storage.IniPath(), messages_[0]);
      EXPECT_FALSE(options.SaveSettings());
      EXPECT_EQ(2u, messages_.size());
      EXPECT_EQ(999, options.HotKey) << "the setting in memory was lost";
    }
    EXPECT_EQ(3u, messages_.size()) << "the closing save reports once";
    messages_.clear();
    lock.reset();
    if (variant == 0) RemoveDirectoryA(storage.IniPath().c_str());
  }
}

TEST_F(SettingsStoreFaults, ReadOnlyIniReportsOncePerSaveAndLosesNothing) {
  TempFolder folder;
  TOptionsStorage storage = Storage(folder, true);
  folder.Write("Memtide.ini",
               "[Options]\r\nHotKey=12345\r\nAutoOptimize=0\r\nLanguage=German\r\n");
  ASSERT_TRUE(SetFileAttributesA(storage.IniPath().c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine run by root writes read-only files anyway (Unix permissions do not bind root).
  // There the file is made read-only to others by a handle that shares reading only.
  UniqueFileHandle readOnlyShare;
  {
    UniqueFileHandle probe(CreateFileA(storage.IniPath().c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    if (probe) {
      probe.reset();
      std::printf("read-only attribute not enforced here; holding a read-share handle\n");
      readOnlyShare.reset(CreateFileA(storage.IniPath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(readOnlyShare);
    }
  }
  {
    TOptions options(storage);
    EXPECT_EQ(12345, options.HotKey);
    EXPECT_FALSE(options.AutoOptimize);
    EXPECT_EQ("German", options.Language);
    EXPECT_TRUE(messages_.empty()) << "loading a read-only file is no error";

    options.CPUGridColor = 42;
    EXPECT_FALSE(options.SaveSettings());
    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ("Unable to write to " + storage.IniPath(), messages_[0]);
    EXPECT_FALSE(options.SaveSettings());
    EXPECT_EQ(2u, messages_.size());

    // The file keeps what it had; the object keeps what the user set.
    {
      TOptions second(storage);
      second.OnWriteError = [](const std::string&) {};
      EXPECT_EQ(12345, second.HotKey);
      EXPECT_FALSE(second.AutoOptimize);
      EXPECT_EQ("German", second.Language);
      EXPECT_EQ(16757683u, second.CPUGridColor);
    }
    EXPECT_EQ(42u, options.CPUGridColor);
    EXPECT_EQ(2u, messages_.size());
    // Once the file is writable again, the next save stores everything.
    ASSERT_TRUE(SetFileAttributesA(storage.IniPath().c_str(), FILE_ATTRIBUTE_NORMAL));
    readOnlyShare.reset();
    EXPECT_TRUE(options.SaveSettings());
    EXPECT_EQ(2u, messages_.size());
  }
  TOptions reloaded(storage);
  EXPECT_EQ(42u, reloaded.CPUGridColor);
  EXPECT_EQ(12345, reloaded.HotKey);
  EXPECT_EQ("German", reloaded.Language);
}

// Allows everyone to read the key and nothing else.
bool MakeReadOnly(HKEY key) {
  SECURITY_DESCRIPTOR sd;
  if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)) return false;
  static BYTE aclBuffer[256];
  auto* acl = reinterpret_cast<PACL>(aclBuffer);
  if (!InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION)) return false;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
    return false;
  bool ok = AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
            SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
  FreeSid(everyone);
  return ok;
}

bool RestoreFullAccess(HKEY key) {
  SECURITY_DESCRIPTOR sd;
  return InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE) &&  // null DACL: full access
         RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
}

// The key is read all the same, so the user edits settings that a save cannot keep: the
// save says so, once, and does not pass for a success.
TEST_F(SettingsStoreFaults, RegistryKeyThatCannotBeWrittenIsReadAndEachFailedSaveSaysSoOnce) {
  TempFolder folder;
  TOptionsStorage storage = Storage(folder, false);
  {
    TOptions first(storage);
    first.HotKey = 12345;
    first.Language = "German";
  }  // saved
  UniqueHKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, storage.SettingsKey.c_str(), 0,
                                         KEY_READ | WRITE_DAC, key.put()));
  ASSERT_TRUE(MakeReadOnly(key.get()));
  UniqueHKey probe;
  const bool enforced = RegOpenKeyExA(HKEY_CURRENT_USER, storage.SettingsKey.c_str(), 0,
                                      KEY_SET_VALUE, probe.put()) != ERROR_SUCCESS;
  if (!enforced) {
    probe.release();
    RestoreFullAccess(key.get());
    GTEST_SKIP() << "this system grants writes to a key whose DACL allows only reading";
  }
  {
    TOptions options(storage);
    // A key that cannot be opened with full access is still read, without a message.
    EXPECT_EQ(12345, options.HotKey);
    EXPECT_EQ("German", options.Language);
    EXPECT_TRUE(messages_.empty());
    options.HotKey = 777;
    EXPECT_FALSE(options.SaveSettings());
    EXPECT_EQ(777, options.HotKey);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], "Unable to write to HKEY_CURRENT_USER\\" + storage.SettingsKey);
  }  // the save at destruction fails the same way
  EXPECT_EQ(messages_.size(), 2u);
  // The stored values are untouched.
  DWORD hotKey = 0, size = sizeof hotKey;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), "HotKey", nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(&hotKey), &size));
  EXPECT_EQ(12345u, hotKey);
  ASSERT_TRUE(RestoreFullAccess(key.get()));
}

}  // namespace
