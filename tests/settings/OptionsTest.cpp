#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

#include "ScratchRegistry.h"
#include "settings/OptionsUnit.h"

using testsupport::TempFolder;

namespace {

class OptionsTest : public ::testing::Test {
 protected:
  ScratchKey key;
  TempFolder folder;
  std::vector<std::string> errors;

  std::string SettingsKey() const { return key.Sub("Memtide"); }
  std::string RunKey() const { return key.Sub("Run"); }

  std::unique_ptr<TOptions> Make(const std::string& exe = "C:\\Tools\\Memtide.exe") {
    auto o = std::make_unique<TOptions>(ScratchStorage(key, folder, exe));
    o->OnWriteError = [this](const std::string& m) { errors.push_back(m); };
    return o;
  }
  void MakePortable() const { folder.Write("PortableEdition.dat", ""); }
  std::string IniText(const char* entry) const {
    char buf[256] = {};
    GetPrivateProfileStringA("Options", entry, "<absent>", buf, sizeof buf,
                             folder.File("Memtide.ini").c_str());
    return buf;
  }
  void SetIni(const char* entry, const char* text) const {
    WritePrivateProfileStringA("Options", entry, text, folder.File("Memtide.ini").c_str());
  }
};

void ExpectDefaults(const TOptions& o) {
  EXPECT_TRUE(o.ShowMessageWhenOptimizing);
  EXPECT_TRUE(o.AutoOptimize);
  EXPECT_EQ(o.HotKey, 49231);
  EXPECT_EQ(o.CPUGridColor, 0xFFB3B3u);
  EXPECT_EQ(o.CPUStartBackColor, 0xFFFFFFu);
  EXPECT_EQ(o.CPUEndBackColor, 0xFFFFFFu);
  EXPECT_EQ(o.CPUHighCPUColor, 0x0000FFu);
  EXPECT_EQ(o.CPULowCPUColor, 0x40FF00u);
  EXPECT_EQ(o.RAMGridColor, 0xFFB3B3u);
  EXPECT_EQ(o.RAMStartBackColor, 0xFFFFFFu);
  EXPECT_EQ(o.RAMEndBackColor, 0xFFFFFFu);
  EXPECT_EQ(o.RAMHighRAMColor, 0xFFFF00u);
  EXPECT_EQ(o.RAMLowRAMColor, 0x0000FFu);
  EXPECT_FALSE(o.CPUDataFromSystemPerform);
  EXPECT_EQ(o.Language, "English");
}

// Every field away from its default, so a field that is not stored shows up.
void SetOddValues(TOptions& o) {
  o.ShowMessageWhenOptimizing = false;
  o.AutoOptimize = false;
  o.HotKey = -2;
  o.CPUGridColor = 1;
  o.CPUStartBackColor = 2;
  o.CPUEndBackColor = 3;
  o.CPUHighCPUColor = 4;
  o.CPULowCPUColor = 5;
  o.RAMGridColor = 6;
  o.RAMStartBackColor = 7;
  o.RAMEndBackColor = 8;
  o.RAMHighRAMColor = 9;
  o.RAMLowRAMColor = 0xFFFFFFFFu;
  o.CPUDataFromSystemPerform = true;
  o.Language = "Deutsch";
}

void ExpectOddValues(const TOptions& o) {
  EXPECT_FALSE(o.ShowMessageWhenOptimizing);
  EXPECT_FALSE(o.AutoOptimize);
  EXPECT_EQ(o.HotKey, -2);
  EXPECT_EQ(o.CPUGridColor, 1u);
  EXPECT_EQ(o.CPUStartBackColor, 2u);
  EXPECT_EQ(o.CPUEndBackColor, 3u);
  EXPECT_EQ(o.CPUHighCPUColor, 4u);
  EXPECT_EQ(o.CPULowCPUColor, 5u);
  EXPECT_EQ(o.RAMGridColor, 6u);
  EXPECT_EQ(o.RAMStartBackColor, 7u);
  EXPECT_EQ(o.RAMEndBackColor, 8u);
  EXPECT_EQ(o.RAMHighRAMColor, 9u);
  EXPECT_EQ(o.RAMLowRAMColor, 0xFFFFFFFFu);
  EXPECT_TRUE(o.CPUDataFromSystemPerform);
  EXPECT_EQ(o.Language, "Deutsch");
}

const char* const kNumberKeys[] = {
    "ShowMessageWhenOptimizing", "AutoOptimize",      "HotKey",          "CPUGridColor",
    "CPUStartBackColor",         "CPUEndBackColor",   "CPUHighCPUColor", "CPULowCPUColor",
    "RAMGridColor",              "RAMStartBackColor", "RAMEndBackColor", "RAMHighRAMColor",
    "RAMLowRAMColor",            "CPUDataFromSystemPerform"};

}  // namespace

TEST(OptionsStorageTest, ForThisProgram_PointsAtTheProgramsOwnPlaces) {
  TOptionsStorage s = TOptionsStorage::ForThisProgram();
  EXPECT_EQ(s.Root, HKEY_CURRENT_USER);
  EXPECT_EQ(s.SettingsKey, "Software\\Quorix\\Memtide");
  EXPECT_EQ(s.RunKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(s.RunValue, "quorix_Memtide");
  EXPECT_EQ(s.ProgramFolder, testsupport::ExeFolder());
  EXPECT_EQ(s.IniPath(), testsupport::ExeFolder() + "Memtide.ini");
  EXPECT_EQ(s.MarkerPath(), testsupport::ExeFolder() + "PortableEdition.dat");
  EXPECT_EQ(s.ExePath.rfind(s.ProgramFolder, 0), 0u);
  EXPECT_NE(s.ExePath.find(".exe"), std::string::npos);
}

TEST_F(OptionsTest, FirstLoad_NoKey_DefaultsAndCreatesEmptyKey) {
  ASSERT_FALSE(KeyExists(SettingsKey()));
  auto o = Make();
  ExpectDefaults(*o);
  EXPECT_TRUE(KeyExists(SettingsKey()));
  EXPECT_EQ(ValueCount(SettingsKey()), 0u);
  EXPECT_FALSE(o->PortableMode());
}

TEST_F(OptionsTest, Registry_RoundTripsAllFifteenValuesWithTheirTypes) {
  {
    auto o = Make();
    SetOddValues(*o);
    EXPECT_TRUE(o->SaveSettings());
  }
  EXPECT_EQ(ValueCount(SettingsKey()), 15u);
  for (const char* k : kNumberKeys) EXPECT_EQ(ValueType(SettingsKey(), k), DWORD(REG_DWORD)) << k;
  EXPECT_EQ(ValueType(SettingsKey(), "Language"), DWORD(REG_SZ));
  EXPECT_EQ(ReadDword(SettingsKey(), "ShowMessageWhenOptimizing"), 0u);
  EXPECT_EQ(ReadDword(SettingsKey(), "CPUDataFromSystemPerform"), 1u);
  EXPECT_EQ(ReadDword(SettingsKey(), "HotKey"), 0xFFFFFFFEu);
  EXPECT_EQ(ReadString(SettingsKey(), "Language"), "Deutsch");
  auto again = Make();
  ExpectOddValues(*again);
  EXPECT_TRUE(errors.empty());
}

TEST_F(OptionsTest, Registry_DefaultsSaveAsTheDocumentedNumbers) {
  Make()->SaveSettings();
  EXPECT_EQ(ReadDword(SettingsKey(), "ShowMessageWhenOptimizing"), 1u);
  EXPECT_EQ(ReadDword(SettingsKey(), "HotKey"), 49231u);
  EXPECT_EQ(ReadDword(SettingsKey(), "CPUGridColor"), 16757683u);
  EXPECT_EQ(ReadDword(SettingsKey(), "CPULowCPUColor"), 4259584u);
  EXPECT_EQ(ReadDword(SettingsKey(), "RAMHighRAMColor"), 16776960u);
  EXPECT_EQ(ReadString(SettingsKey(), "Language"), "English");
}

TEST_F(OptionsTest, Registry_KeyWithOnlyLanguage_GivesItAndDefaultsElsewhere) {
  WriteString(SettingsKey(), "Language", "Francais");
  auto o = Make();
  EXPECT_EQ(o->Language, "Francais");
  o->Language = "English";
  ExpectDefaults(*o);
}

TEST_F(OptionsTest, Registry_NonZeroDwordIsTrue) {
  WriteDword(SettingsKey(), "ShowMessageWhenOptimizing", 7);
  WriteDword(SettingsKey(), "AutoOptimize", 0);
  WriteDword(SettingsKey(), "CPUDataFromSystemPerform", 0xFFFFFFFF);
  auto o = Make();
  EXPECT_TRUE(o->ShowMessageWhenOptimizing);
  EXPECT_FALSE(o->AutoOptimize);
  EXPECT_TRUE(o->CPUDataFromSystemPerform);
}

TEST_F(OptionsTest, Registry_WrongTypedValues_KeepDefaultsAndLoadTheRest) {
  WriteString(SettingsKey(), "HotKey", "123");
  WriteDword(SettingsKey(), "Language", 5);
  const BYTE two[2] = {1, 0};
  WriteRaw(SettingsKey(), "AutoOptimize", REG_BINARY, two, sizeof two);
  WriteRaw(SettingsKey(), "ShowMessageWhenOptimizing", REG_DWORD, two, sizeof two);  // short
  const unsigned long long q = 7;
  WriteRaw(SettingsKey(), "CPUGridColor", REG_QWORD, &q, sizeof q);
  WriteRaw(SettingsKey(), "RAMGridColor", REG_SZ, "", 1);
  WriteDword(SettingsKey(), "RAMLowRAMColor", 0x123456);  // a sound value beside them
  auto o = Make();
  EXPECT_EQ(o->RAMLowRAMColor, 0x123456u);
  o->RAMLowRAMColor = 255;
  ExpectDefaults(*o);
}

TEST_F(OptionsTest, Registry_LanguageWithoutTerminatorIsReadWhole) {
  WriteRaw(SettingsKey(), "Language", REG_SZ, "Polski", 6);  // no NUL stored
  EXPECT_EQ(Make()->Language, "Polski");
}

TEST_F(OptionsTest, Registry_LongLanguageIsKept) {
  const std::string name(3000, 'x');
  WriteString(SettingsKey(), "Language", name);
  EXPECT_EQ(Make()->Language, name);
}

TEST_F(OptionsTest, Destruction_SavesTheFields) {
  {
    auto o = Make();
    o->HotKey = 0x4041;
  }
  EXPECT_EQ(ReadDword(SettingsKey(), "HotKey"), 0x4041u);
}

// The session-end path saves, then frees the settings with the forms: one write, and one
// report of a failed write, not two.
TEST_F(OptionsTest, Destruction_WithSavingOffWritesAndReportsNothingMore) {
  {
    auto o = Make();
    o->HotKey = 0x4041;
    o->SetSaveOnDestroy(false);
  }
  EXPECT_NE(ReadDword(SettingsKey(), "HotKey"), 0x4041u);

  MakePortable();
  CreateDirectoryA(folder.File("Memtide.ini").c_str(), nullptr);
  {
    auto o = Make();
    EXPECT_FALSE(o->SaveSettings());
    o->SetSaveOnDestroy(false);
  }
  EXPECT_EQ(errors.size(), 1u);
  RemoveDirectoryA(folder.File("Memtide.ini").c_str());
}

TEST_F(OptionsTest, Load_ResetsFieldsThatStorageLacks) {
  auto o = Make();
  o->HotKey = 1;
  o->Language = "x";
  o->LoadSettings();
  EXPECT_EQ(o->HotKey, 49231);
  EXPECT_EQ(o->Language, "English");
}

TEST_F(OptionsTest, Portable_NoIni_DefaultsAndFirstSaveWritesFifteenEntries) {
  MakePortable();
  auto o = Make();
  EXPECT_TRUE(o->PortableMode());
  ExpectDefaults(*o);
  EXPECT_TRUE(o->SaveSettings());
  char section[4096] = {};
  DWORD n = GetPrivateProfileSectionA("Options", section, sizeof section,
                                      folder.File("Memtide.ini").c_str());
  int entries = 0;
  for (DWORD i = 0; i < n; i += static_cast<DWORD>(strlen(section + i)) + 1) ++entries;
  EXPECT_EQ(entries, 15);
  EXPECT_EQ(IniText("ShowMessageWhenOptimizing"), "1");
  EXPECT_EQ(IniText("CPUDataFromSystemPerform"), "0");
  EXPECT_EQ(IniText("HotKey"), "49231");
  EXPECT_EQ(IniText("CPUGridColor"), "16757683");
  EXPECT_EQ(IniText("Language"), "English");
  // The portable edition leaves the registry alone.
  EXPECT_FALSE(KeyExists(SettingsKey()));
}

TEST_F(OptionsTest, Portable_RoundTripsAllFifteenValues) {
  MakePortable();
  {
    auto o = Make();
    SetOddValues(*o);
  }
  EXPECT_EQ(IniText("RAMLowRAMColor"), "-1");  // signed decimal text
  EXPECT_EQ(IniText("HotKey"), "-2");
  ExpectOddValues(*Make());
}

TEST_F(OptionsTest, Portable_NumberTexts) {
  MakePortable();
  SetIni("HotKey", "0xC04F");
  SetIni("CPUGridColor", "0X10");
  SetIni("RAMGridColor", "-1");
  SetIni("AutoOptimize", "0");
  SetIni("ShowMessageWhenOptimizing", "-1");
  SetIni("CPUDataFromSystemPerform", "2");
  auto o = Make();
  EXPECT_EQ(o->HotKey, 49231);
  EXPECT_EQ(o->CPUGridColor, 16u);
  EXPECT_EQ(o->RAMGridColor, 0xFFFFFFFFu);
  EXPECT_FALSE(o->AutoOptimize);
  EXPECT_TRUE(o->ShowMessageWhenOptimizing);
  EXPECT_TRUE(o->CPUDataFromSystemPerform);
}

TEST_F(OptionsTest, Portable_InvalidTextsGiveTheKeysDefault) {
  MakePortable();
  SetIni("HotKey", "abc");
  SetIni("AutoOptimize", "yes");
  SetIni("CPUDataFromSystemPerform", "true");
  SetIni("CPUGridColor", "0x");
  SetIni("RAMGridColor", "12abc");
  SetIni("RAMStartBackColor", "99999999999");
  SetIni("CPUEndBackColor", "");
  ExpectDefaults(*Make());
}

TEST_F(OptionsTest, Portable_EmptyLanguageStaysEmpty) {
  MakePortable();
  SetIni("Language", "");
  EXPECT_EQ(Make()->Language, "");
}

TEST_F(OptionsTest, Portable_LanguageCutAt2047Characters) {
  MakePortable();
  SetIni("Language", std::string(3000, 'L').c_str());
  EXPECT_EQ(Make()->Language, std::string(2047, 'L'));
}

TEST_F(OptionsTest, MarkerCreatedWhileRunning_SwitchesTheNextSave) {
  auto o = Make();
  o->HotKey = 1234;
  EXPECT_TRUE(o->SaveSettings());
  EXPECT_EQ(ReadDword(SettingsKey(), "HotKey"), 1234u);
  MakePortable();
  o->HotKey = 5678;
  EXPECT_TRUE(o->SaveSettings());
  EXPECT_EQ(IniText("HotKey"), "5678");
  EXPECT_EQ(ReadDword(SettingsKey(), "HotKey"), 1234u);
  DeleteFileA(folder.File("PortableEdition.dat").c_str());
  o->LoadSettings();
  EXPECT_EQ(o->HotKey, 1234);
}

TEST_F(OptionsTest, Portable_UnwritableIni_ReportsOnceAndStops) {
  MakePortable();
  // A folder where the file should be makes every write fail.
  CreateDirectoryA(folder.File("Memtide.ini").c_str(), nullptr);
  auto o = Make();
  ExpectDefaults(*o);
  EXPECT_FALSE(o->SaveSettings());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Unable to write to " + folder.File("Memtide.ini"));
}

TEST_F(OptionsTest, RunAtStartup_SetOverwriteAndDelete) {
  auto o = Make("C:\\Tools\\Memtide.exe");
  EXPECT_FALSE(o->IsRunAtStartup());
  o->SetRunAtStartup(true);
  EXPECT_TRUE(o->IsRunAtStartup());
  EXPECT_EQ(ValueType(RunKey(), "quorix_Memtide"), DWORD(REG_SZ));
  EXPECT_EQ(ReadString(RunKey(), "quorix_Memtide"), "C:\\Tools\\Memtide.exe");

  WriteString(RunKey(), "quorix_Memtide", "D:\\elsewhere.exe");
  EXPECT_TRUE(o->IsRunAtStartup());  // any content counts
  o->SetRunAtStartup(true);
  EXPECT_EQ(ReadString(RunKey(), "quorix_Memtide"), "C:\\Tools\\Memtide.exe");

  WriteString(RunKey(), "Other", "keep me");
  o->SetRunAtStartup(false);
  EXPECT_FALSE(o->IsRunAtStartup());
  EXPECT_EQ(ReadString(RunKey(), "Other"), "keep me");
  o->SetRunAtStartup(false);  // absent: nothing happens
  EXPECT_FALSE(o->IsRunAtStartup());
}

TEST_F(OptionsTest, RunAtStartup_PathWithBlanksIsQuoted) {
  auto o = Make("C:\\Program Files\\Memtide\\Memtide.exe");
  o->SetRunAtStartup(true);
  EXPECT_EQ(ReadString(RunKey(), "quorix_Memtide"), "\"C:\\Program Files\\Memtide\\Memtide.exe\"");
  EXPECT_TRUE(o->IsRunAtStartup());
}

TEST_F(OptionsTest, RunAtStartup_MissingRunKeyIsNotCreatedByTheQuery) {
  auto o = Make();
  EXPECT_FALSE(o->IsRunAtStartup());
  EXPECT_FALSE(KeyExists(RunKey()));
}

TEST_F(OptionsTest, RunAtStartup_PortableStillUsesTheRegistry) {
  MakePortable();
  auto o = Make();
  o->SetRunAtStartup(true);
  EXPECT_EQ(ReadString(RunKey(), "quorix_Memtide"), "C:\\Tools\\Memtide.exe");
}

TEST(ParseIniIntegerTest, FollowsTheNumberRule) {
  struct Case {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"0", 0},          {"1", 1},           {"-1", -1},          {"+5", 5},
      {"49231", 49231},  {"0xC04F", 49231},  {"0XC04F", 49231},   {"0xffffffff", -1},
      {"0x7FFFFFFF", INT32_MAX},             {"-2147483648", INT32_MIN},
      {"0x", 77},        {"0x1g", 77},       {"0x-1", 77},        {"0x100000000", 77},
      {"2147483648", 77}, {"abc", 77},       {"", 77},            {" 5", 77},
      {"5 ", 77},        {"-", 77},          {"1.5", 77},         {"00x1", 77},
      {"010", 10},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text, 77), c.expected) << c.text;
}

TEST(RunCommandForPathTest, QuotesOnlyPathsWithBlanks) {
  EXPECT_EQ(RunCommandForPath("C:\\Memtide.exe"), "C:\\Memtide.exe");
  EXPECT_EQ(RunCommandForPath("C:\\My Apps\\Memtide.exe"), "\"C:\\My Apps\\Memtide.exe\"");
}
