#include <gtest/gtest.h>

#include <fstream>

#include "support/TestSupport.h"
#include "util/QvBaseUnit.h"
#include "util/QvFileService.h"

namespace {

using testsupport::ExeFolder;
using testsupport::TempFolder;

TEST(IsExistingFile, OnlyFilesCount) {
  TempFolder temp;
  temp.Write("a.txt", "x");
  CreateDirectoryA(temp.File("sub").c_str(), nullptr);
  EXPECT_TRUE(IsExistingFile(temp.File("a.txt")));
  EXPECT_FALSE(IsExistingFile(temp.File("sub")));
  EXPECT_FALSE(IsExistingFile(temp.File("sub\\")));
  EXPECT_FALSE(IsExistingFile(temp.File("missing.txt")));
  EXPECT_FALSE(IsExistingFile(""));
}

TEST(IsExistingFile, WildcardsNameNoFile) {
  TempFolder temp;
  temp.Write("a.txt", "x");
  EXPECT_FALSE(IsExistingFile(temp.File("*.txt")));
  EXPECT_FALSE(IsExistingFile(temp.File("?.txt")));
}

TEST(IsExistingFile, LongPathPrefixIsNoWildcard) {
  TempFolder temp;
  temp.Write("a.txt", "x");
  EXPECT_TRUE(IsExistingFile("\\\\?\\" + temp.File("a.txt")));
  EXPECT_FALSE(IsExistingFile("\\\\?\\" + temp.File("?.txt")));
  EXPECT_FALSE(IsExistingFile("\\\\?\\" + temp.File("missing.txt")));
}

TEST(WithTrailingBackslash, AddsOneOnlyWhereMissing) {
  EXPECT_EQ(WithTrailingBackslash(""), "");
  EXPECT_EQ(WithTrailingBackslash("C:\\Temp"), "C:\\Temp\\");
  EXPECT_EQ(WithTrailingBackslash("C:\\Temp\\"), "C:\\Temp\\");
  EXPECT_EQ(WithTrailingBackslash("C:"), "C:\\");
}

TEST(FileTimeToLocalDateTime, DayZeroIsThe30thOfDecember1899) {
  EXPECT_DOUBLE_EQ(LocalTicksToDateTime(0), -109205.0);
  EXPECT_DOUBLE_EQ(LocalTicksToDateTime(864000000000ull), -109204.0);
  EXPECT_DOUBLE_EQ(LocalTicksToDateTime(864000000000ull * 109205), 0.0);
  EXPECT_DOUBLE_EQ(LocalTicksToDateTime(864000000000ull * 109205 + 432000000000ull), 0.5);
}

TEST(FileTimeToLocalDateTime, ConvertsUtcToLocalTimeFirst) {
  // Noon of 1 January 2000 in local time is day 36526.5.
  SYSTEMTIME st{};
  st.wYear = 2000;
  st.wMonth = 1;
  st.wDay = 1;
  st.wHour = 12;
  FILETIME local{}, utc{};
  ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  EXPECT_NEAR(FileTimeToLocalDateTime(utc), 36526.5, 1e-9);
}

TEST(ReadVersionInfo, ReadsEveryStringOfTheFirstTranslation) {
  TMyFileVersion info;
  info.LegalCopyright = "stale";
  ASSERT_TRUE(ReadVersionInfo(ExeFolder() + "ProbeChild.exe", info));
  EXPECT_EQ(info.InternalName, "ProbeChild.exe");
  EXPECT_EQ(info.ProductName, "Probe Product");
  EXPECT_EQ(info.ProductVersion, "6.7.8.9");
  EXPECT_EQ(info.FileVersion, "2.3.4.5");
  EXPECT_EQ(info.CompanyName, "Probe Company");
  EXPECT_EQ(info.FileDescription, "Probe description");
  EXPECT_EQ(info.LegalCopyright, "");  // missing key
}

TEST(ReadVersionInfo, FalseAndUntouchedWithoutAResource) {
  TempFolder temp;
  temp.Write("plain.txt", "no resource here");
  TMyFileVersion info;
  info.ProductVersion = "keep";
  EXPECT_FALSE(ReadVersionInfo(temp.File("plain.txt"), info));
  EXPECT_FALSE(ReadVersionInfo(temp.File("missing.exe"), info));
  EXPECT_FALSE(ReadVersionInfo(GetProgramFile(), info));  // the test program has none
  EXPECT_EQ(info.ProductVersion, "keep");
}

TEST(GetSmallIconIndex, IndexForAProgramAndMinusOneForNothing) {
  EXPECT_GE(GetSmallIconIndex(GetProgramFile()), 0);
  EXPECT_GE(GetSmallIconIndex(GetSystemFolder() + "\\kernel32.dll"), 0);
  TempFolder temp;
  EXPECT_EQ(GetSmallIconIndex(temp.File("no such file.exe")), -1);
}

TEST(GetSignerName, FalseWithEmptyNameForMissingAndUnsignedFiles) {
  TempFolder temp;
  std::string name = "stale";
  EXPECT_FALSE(GetSignerName(temp.File("missing.exe"), name));
  EXPECT_EQ(name, "");
  name = "stale";
  EXPECT_FALSE(GetSignerName(GetProgramFile(), name));
  EXPECT_EQ(name, "");
  temp.Write("text.exe", "MZ but not much else");
  EXPECT_FALSE(GetSignerName(temp.File("text.exe"), name));
}

}  // namespace
