#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "memory/PublicUnit.h"
#include "support/TestSupport.h"
#include "util/ScopedHandles.h"

namespace {

std::string Size1(std::int64_t size) { return FormatSizeWith(1, true, size, ",", "."); }

TEST(FormatSize, TableWithCommaAndPoint) {
  EXPECT_EQ(Size1(0), "0");
  EXPECT_EQ(FormatSizeWith(1, false, 0, ",", "."), "");
  EXPECT_EQ(Size1(512), "512 B");
  EXPECT_EQ(Size1(1023), "1,023 B");
  EXPECT_EQ(Size1(1024), "1.0 K");
  EXPECT_EQ(Size1(1536), "1.5 K");
  EXPECT_EQ(Size1(1048575), "1,024.0 K");
  EXPECT_EQ(Size1(1048576), "1.0 M");
  EXPECT_EQ(Size1(1610612736), "1.5 G");
  EXPECT_EQ(Size1(3758096384), "3.5 G");
  EXPECT_EQ(Size1(1099511627776), "1.0 T");
  EXPECT_EQ(Size1(-5), "-5 B");
  EXPECT_EQ(FormatSizeWith(2, true, 1536, ",", "."), "1.50 K");
}

TEST(FormatSize, UnitBoundariesAndRounding) {
  EXPECT_EQ(Size1(1073741823), "1,024.0 M");  // just below 1 GiB keeps M
  EXPECT_EQ(Size1(1073741824), "1.0 G");
  EXPECT_EQ(Size1(1099511627775), "1,024.0 G");
  EXPECT_EQ(Size1(-1234567), "-1,234,567 B");
  EXPECT_EQ(Size1(INT64_MIN), "-9,223,372,036,854,775,808 B");
  // 1126 / 1024 = 1.0996..: rounds up across the decimal; 1075 / 1024 = 1.0498.. down.
  EXPECT_EQ(Size1(1126), "1.1 K");
  EXPECT_EQ(Size1(1075), "1.0 K");
  EXPECT_EQ(FormatSizeWith(0, true, 1536, ",", "."), "2 K");
  EXPECT_EQ(FormatSizeWith(0, true, 1535, ",", "."), "1 K");
  EXPECT_EQ(FormatSizeWith(4, true, 1025, ",", "."), "1.0010 K");
  EXPECT_EQ(FormatSizeWith(3, true, 5 * 1048576 + 1, ",", "."), "5.000 M");
  EXPECT_EQ(FormatSizeWith(2, false, 123456789012, ",", "."), "114.98 G");
}

// Machines with 1 TiB of memory and more: the units go on as T and P in the same pattern,
// and P takes everything above (a signed count ends below 8,192 P).
TEST(FormatSize, TebiAndPebiBytesContinueThePattern) {
  EXPECT_EQ(Size1(1099511627775), "1,024.0 G");
  EXPECT_EQ(Size1(1099511627776), "1.0 T");
  EXPECT_EQ(Size1(1649267441664), "1.5 T");
  EXPECT_EQ(FormatSizeWith(2, true, 3 * 1099511627776LL + 10995116278LL, ",", "."), "3.01 T");
  EXPECT_EQ(Size1(1125899906842623), "1,024.0 T");
  EXPECT_EQ(Size1(1125899906842624), "1.0 P");
  EXPECT_EQ(Size1(1152921504606846976), "1,024.0 P");
  EXPECT_EQ(Size1(INT64_MAX), "8,192.0 P");
  EXPECT_EQ(FormatSizeWith(4, true, INT64_MAX, ",", "."), "8,192.0000 P");
  EXPECT_EQ(FormatSizeWith(4, true, 1125899906842624 + 112589990684, ",", "."), "1.0001 P");
  EXPECT_EQ(FormatSizeWith(0, false, 1099511627776 + 549755813888, ",", "."), "2 T");
}

TEST(FormatSize, DecimalsOutsideTheMaskTableAreClamped) {
  EXPECT_EQ(FormatSizeWith(-1, true, 1536, ",", "."), "2 K");
  EXPECT_EQ(FormatSizeWith(9, true, 1536, ",", "."), "1.5000 K");
}

TEST(FormatSize, UsesTheGivenSeparators) {
  EXPECT_EQ(FormatSizeWith(1, true, 1048575, ".", ","), "1.024,0 K");
  EXPECT_EQ(FormatSizeWith(2, true, 1234567890, "\xA0", ","), "1,15 G");
  EXPECT_EQ(FormatSizeWith(1, true, 1023, "'", ","), "1'023 B");
  EXPECT_EQ(FormatSizeWith(1, true, 1048575, "", "."), "1024.0 K");
}

// Restores one user locale setting on scope exit.
class LocaleSetting {
 public:
  explicit LocaleSetting(LCTYPE type) : type_(type) {
    char buf[16] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof(buf));
    old_ = buf;
  }
  ~LocaleSetting() { SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, old_.c_str()); }
  bool Set(const char* value) { return SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, value) != 0; }

 private:
  LCTYPE type_;
  std::string old_;
};

TEST(FormatSize, ReadsTheUserLocaleSeparatorsOnEveryCall) {
  LocaleSetting thousand(LOCALE_STHOUSAND);
  LocaleSetting decimal(LOCALE_SDECIMAL);
  if (!thousand.Set("'") || !decimal.Set(",")) GTEST_SKIP() << "locale cannot be changed here";
  EXPECT_EQ(FormatSize(1, true, 1048575), "1'024,0 K");
  EXPECT_EQ(FormatSize(2, true, 1536), "1,50 K");
  ASSERT_TRUE(thousand.Set(","));
  ASSERT_TRUE(decimal.Set("."));
  EXPECT_EQ(FormatSize(1, true, 1048575), "1,024.0 K");
}

// Windows 10 and later group the digits of French with U+202F, a narrow no-break space that
// code page 1252 has no place for; GetLocaleInfoA answers "?" for it.
TEST(FormatSize, ASeparatorTheCodePageCannotHoldBecomesABlank) {
  LocaleSetting thousand(LOCALE_STHOUSAND);
  LocaleSetting decimal(LOCALE_SDECIMAL);
  if (!SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, L"\u202F") || !decimal.Set(","))
    GTEST_SKIP() << "locale cannot be changed here";
  EXPECT_EQ(FormatSize(1, true, 1048575), "1 024,0 K");
  ASSERT_TRUE(thousand.Set("\xA0"));  // the no-break space of earlier versions, which 1252 has
  EXPECT_EQ(FormatSize(1, true, 1048575), "1\xA0" "024,0 K");
}

TEST(ProgramFolder, IsTheExecutableFolderWithTrailingBackslash) {
  const std::string folder = GetProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_EQ(folder, testsupport::ExeFolder());
  EXPECT_EQ(GetProgramFile().rfind(folder, 0), 0u);
  EXPECT_TRUE(IsExistingFile(GetProgramFile()));
}

// Runs a helper program and waits for it.
DWORD RunHelper(const std::string& commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return 0xFFFFFFFF;
  }
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  WaitForSingleObject(process.get(), 30000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

TEST(ProductVersion, ReadsTheRunningProgramsOwnResource) {
  testsupport::TempFolder temp;
  const std::string exe = testsupport::ExeFolder() + "VersionProbe.exe";
  ASSERT_TRUE(IsExistingFile(exe));
  const std::string out = temp.File("probe.txt");
  ASSERT_EQ(RunHelper("\"" + exe + "\" \"" + out + "\""), 0u);
  std::ifstream in(out);
  std::string version, folder;
  std::getline(in, version);
  std::getline(in, folder);
  EXPECT_EQ(version, "1.0.6.917");
  EXPECT_EQ(folder, testsupport::ExeFolder());
}

TEST(ProductVersion, EmptyForAProgramWithoutVersionResource) {
  // The test program itself carries no version resource.
  TMyFileVersion info;
  ASSERT_FALSE(ReadVersionInfo(GetProgramFile(), info));
  EXPECT_EQ(GetProductVersion(), "");
}

TEST(ProductVersion, TheProgramCarriesItsVersion) {
  const std::string exe = testsupport::ExeFolder() + "Memtide.exe";
  if (!IsExistingFile(exe)) GTEST_SKIP() << "Memtide.exe not built beside the tests";
  TMyFileVersion info;
  ASSERT_TRUE(ReadVersionInfo(exe, info));
  EXPECT_EQ(info.ProductVersion, "1.0.6.917");
  EXPECT_EQ(info.FileVersion, "1.0.6.917");
  EXPECT_EQ(info.FileDescription, "Optimize RAM");
  EXPECT_EQ(info.CompanyName, "Quorix");
  EXPECT_EQ(info.InternalName, "Memtide.exe");
  EXPECT_EQ(info.ProductName, "Memtide");
}

// Saves HKCU\Software\Quorix\Memtide\programfile and puts it back afterwards.
class ProgramPathValue {
 public:
  ProgramPathValue() { had_ = Read(old_); }
  ~ProgramPathValue() {
    UniqueHKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    if (had_) {
      RegSetValueExA(key.get(), "programfile", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(old_.c_str()), static_cast<DWORD>(old_.size() + 1));
    } else {
      RegDeleteValueA(key.get(), "programfile");
    }
  }
  static bool Read(std::string& value, DWORD* type = nullptr) {
    UniqueHKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    char buf[1024] = {};
    DWORD size = sizeof(buf) - 1;
    DWORD t = 0;
    if (RegQueryValueExA(key.get(), "programfile", nullptr, &t, reinterpret_cast<BYTE*>(buf), &size) !=
        ERROR_SUCCESS) {
      return false;
    }
    if (type) *type = t;
    value = buf;
    return true;
  }
  static constexpr const char* kKey = "Software\\Quorix\\Memtide";

 private:
  bool had_ = false;
  std::string old_;
};

TEST(RegisterProgramPath, WritesTheExecutablePathAsText) {
  ProgramPathValue saved;
  {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ProgramPathValue::kKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    const DWORD stale = 5;  // a value of the wrong type is replaced, not kept
    RegSetValueExA(key.get(), "programfile", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stale),
                   sizeof(stale));
  }
  RegisterProgramPath();
  std::string value;
  DWORD type = 0;
  ASSERT_TRUE(ProgramPathValue::Read(value, &type));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value, GetProgramFile());
  EXPECT_EQ(value.rfind(testsupport::ExeFolder(), 0), 0u);
}

}  // namespace
