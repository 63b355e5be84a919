// Malformed Memtide.ini files, generated here, run through the real load and save of the
// settings store in portable mode; plus an INI file and a registry key that cannot be
// written. Every input must give a usable settings object, no lost setting and at most one
// error message per save.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "settings/OptionsUnit.h"
#include "support/TestSupport.h"
#include "util/QvBaseUnit.h"
#include "util/ScopedHandles.h"

using testsupport::TempFolder;

namespace {

constexpr char kScratchKey[] = "Software\\MemtideReliabilityTest";

// The fifteen fields as one comparable value.
struct Fields {
  bool ShowMessageWhenOptimizing = true;
  bool AutoOptimize = true;
  std::int32_t HotKey = 49231;
  std::uint32_t Colors[10] = {16757683, 16777215, 16777215, 255,      4259584,
                              16757683, 16777215, 16777215, 16776960, 255};
  bool CPUDataFromSystemPerform = false;
  std::string Language = "English";

  bool operator==(const Fields& o) const {
    for (int i = 0; i < 10; ++i)
      if (Colors[i] != o.Colors[i]) return false;
    return ShowMessageWhenOptimizing == o.ShowMessageWhenOptimizing &&
           AutoOptimize == o.AutoOptimize && HotKey == o.HotKey &&
           CPUDataFromSystemPerform == o.CPUDataFromSystemPerform && Language == o.Language;
  }
};

std::ostream& operator<<(std::ostream& os, const Fields& f) {
  os << "{show " << f.ShowMessageWhenOptimizing << ", auto " << f.AutoOptimize << ", hotkey "
     << f.HotKey << ", colors";
  for (auto c : f.Colors) os << ' ' << c;
  os << ", pdh " << f.CPUDataFromSystemPerform << ", language ";
  if (f.Language.size() > 40) os << f.Language.size() << " chars";
  else os << '"' << f.Language << '"';
  return os << '}';
}

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
  return f;
}

Fields With(std::function<void(Fields&)> change) {
  Fields f;
  change(f);
  return f;
}

std::string Garbage(std::size_t size, unsigned seed, bool withNul) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& c : s) {
    c = static_cast<char>(rng() & 0xFF);
    if (!withNul && c == '\0') c = '\x01';
  }
  return s;
}

std::string Utf16(const std::string& ascii) {
  std::string s = "\xFF\xFE";
  for (char c : ascii) {
    s += c;
    s += '\0';
  }
  return s;
}

// Joins texts by appending: GCC 12 warns wrongly (-Wrestrict) about some inlined
// "literal" + std::string expressions.
std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (auto p : parts) s.append(p);
  return s;
}

struct IniCase {
  std::string name;
  std::string content;
  // Accepted results of the load; empty: any, as long as it survives a save unchanged.
  std::vector<Fields> accepted;
};

std::vector<IniCase> IniCorpus() {
  const std::string mib(1 << 20, '7');
  const Fields d;
  std::string manyKeys = "[Options]\r\n";
  for (int i = 0; i < 20000; ++i) {
    const std::string n = std::to_string(i);
    manyKeys += Cat({"k", n, "=", n, "\r\n"});
  }
  manyKeys += "HotKey=777\r\n";
  return {
      {"empty file", "", {d}},
      {"binary garbage with NULs", Garbage(4096, 1, true), {d}},
      {"binary garbage without NULs", Garbage(65536, 2, false), {d}},
      {"1 MiB number", Cat({"[Options]\r\nHotKey=", mib, "\r\n"}), {d}},
      {"1 MiB language", Cat({"[Options]\r\nLanguage=", std::string(1 << 20, 'x'), "\r\n"}),
       {With([](Fields& f) { f.Language = std::string(2047, 'x'); })}},
      {"1 MiB junk line before the section",
       Cat({std::string(1 << 20, 'j'), "\r\n[Options]\r\nHotKey=12345\r\n"}),
       {With([](Fields& f) { f.HotKey = 12345; })}},
      {"1 MiB section name", Cat({"[", std::string(1 << 20, 'S'), "]\r\nHotKey=1\r\n[Options]\r\nAutoOptimize=0\r\n"}),
       {With([](Fields& f) { f.AutoOptimize = false; })}},
      {"entries without a section", "HotKey=12345\r\nAutoOptimize=0\r\n", {d}},
      {"other section only", "[Optionen]\r\nHotKey=12345\r\n", {d}},
      {"section and keys in other case", "[OPTIONS]\r\nhotkey=12345\r\n",
       {With([](Fields& f) { f.HotKey = 12345; })}},
      {"duplicate keys", "[Options]\r\nHotKey=111\r\nHotKey=222\r\n",
       {With([](Fields& f) { f.HotKey = 111; }), With([](Fields& f) { f.HotKey = 222; })}},
      {"duplicate sections", "[Options]\r\nHotKey=111\r\n[Options]\r\nAutoOptimize=0\r\n",
       {With([](Fields& f) { f.HotKey = 111; }), With([](Fields& f) {
          f.HotKey = 111;
          f.AutoOptimize = false;
        })}},
      {"decimal numbers out of range",
       "[Options]\r\nHotKey=2147483648\r\nCPUGridColor=-2147483649\r\n"
       "CPUStartBackColor=99999999999999999999\r\nCPUEndBackColor=4294967295\r\n",
       {d}},
      {"decimal extremes in range", "[Options]\r\nHotKey=-2147483648\r\nCPUGridColor=2147483647\r\n",
       {With([](Fields& f) {
         f.HotKey = INT32_MIN;
         f.Colors[0] = 2147483647u;
       })}},
      {"hexadecimal forms",
       "[Options]\r\nHotKey=0xFFFFFFFF\r\nCPUGridColor=0x\r\nCPUEndBackColor=0x1G\r\n"
       "CPUHighCPUColor=0x100000000\r\nCPULowCPUColor=0X00ff00\r\nRAMGridColor=0x-5\r\n",
       {With([](Fields& f) {
         f.HotKey = -1;
         f.Colors[4] = 0xFF00;
       })}},
      {"booleans as words and numbers",
       "[Options]\r\nShowMessageWhenOptimizing=yes\r\nAutoOptimize=false\r\n"
       "CPUDataFromSystemPerform=-1\r\n",
       {With([](Fields& f) { f.CPUDataFromSystemPerform = true; })}},
      {"signs, blanks and exponents",
       "[Options]\r\nHotKey=+5\r\nCPUGridColor=--5\r\nCPUStartBackColor=1 2\r\n"
       "CPUEndBackColor=   7   \r\nRAMGridColor=5e3\r\nRAMStartBackColor=12abc\r\n",
       {With([](Fields& f) {
         f.HotKey = 5;
         f.Colors[2] = 7;
       })}},
      {"empty language", "[Options]\r\nLanguage=\r\n", {With([](Fields& f) { f.Language = ""; })}},
      {"every kind of placeholder as language",
       "[Options]\r\nLanguage=%s%n%d%x%p%%%{0}$1%1$s%ls\r\n",
       {With([](Fields& f) { f.Language = "%s%n%d%x%p%%%{0}$1%1$s%ls"; })}},
      {"language naming a path outside the folder",
       "[Options]\r\nLanguage=..\\..\\..\\windows\\win\r\n",
       {With([](Fields& f) { f.Language = "..\\..\\..\\windows\\win"; })}},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[Options]\r\nHotKey=12345\r\n",
       {d, With([](Fields& f) { f.HotKey = 12345; })}},
      {"UTF-16 file", Utf16("[Options]\r\nHotKey=12345\r\n"),
       {d, With([](Fields& f) { f.HotKey = 12345; })}},
      {"carriage returns only", "[Options]\rHotKey=12345\rAutoOptimize=0\r", {}},
      {"line feeds only", "[Options]\nHotKey=12345\nAutoOptimize=0\n",
       {With([](Fields& f) {
         f.HotKey = 12345;
         f.AutoOptimize = false;
       })}},
      {"keys without values", "[Options]\r\nHotKey\r\nAutoOptimize=\r\n=5\r\n==\r\n", {d}},
      {"nested brackets", "[[Options]]\r\nHotKey=1\r\n", {d}},
      {"20 000 other keys first", manyKeys, {With([](Fields& f) { f.HotKey = 777; })}},
      {"NUL inside a value", std::string("[Options]\r\nHotKey=12\0 34\r\nAutoOptimize=0\r\n", 41), {}},
      {"comments only", "; [Options]\r\n;HotKey=1\r\n# AutoOptimize=0\r\n", {d}},
      {"control characters in the language", "[Options]\r\nLanguage=ab\x01\x7f\tc\r\n", {}},
      {"every key malformed",
       "[Options]\r\nShowMessageWhenOptimizing=\xff\r\nAutoOptimize=1.5\r\nHotKey=0x\r\n"
       "CPUGridColor=-\r\nCPUStartBackColor=+\r\nCPUEndBackColor=0xx1\r\nCPUHighCPUColor= \r\n"
       "CPULowCPUColor=1e9\r\nRAMGridColor=0b101\r\nRAMStartBackColor=\"12\"x\r\n"
       "RAMEndBackColor=12,5\r\nRAMHighRAMColor=NaN\r\nRAMLowRAMColor=inf\r\n"
       "CPUDataFromSystemPerform=on\r\n",
       {d}},
  };
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
  const auto corpus = IniCorpus();
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

TEST_F(SettingsStoreFaults, RegistryKeyThatCannotBeWrittenIsReadAndSkippedSilentlyOnSave) {
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
    options.HotKey = 777;
    EXPECT_TRUE(options.SaveSettings());
    EXPECT_EQ(777, options.HotKey);
  }
  EXPECT_TRUE(messages_.empty());
  // The stored values are untouched.
  DWORD hotKey = 0, size = sizeof hotKey;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), "HotKey", nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(&hotKey), &size));
  EXPECT_EQ(12345u, hotKey);
  ASSERT_TRUE(RestoreFullAccess(key.get()));
}

}  // namespace
