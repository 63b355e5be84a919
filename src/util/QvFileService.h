// File tests, version resources, signer names and file times.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Days since 30 December 1899, fraction = time of day.
using TDateTime = double;

// The strings of a file's version resource; each empty when absent.
struct TMyFileVersion {
  std::string InternalName;
  std::string ProductName;
  std::string ProductVersion;
  std::string FileVersion;
  std::string CompanyName;
  std::string FileDescription;
  std::string LegalCopyright;
};

// True when Path names an existing entry that is not a folder. Wildcards never match.
bool IsExistingFile(const std::string& Path);

// Path with "\" appended unless empty or already ending in "\".
std::string WithTrailingBackslash(const std::string& Path);

// The file time in local time as a day count (day 0 = 30 December 1899).
TDateTime FileTimeToLocalDateTime(const FILETIME& FileTime);
// The day count of an already local 100-ns tick count.
TDateTime LocalTicksToDateTime(std::uint64_t localTicks);

// Folder of the running executable with a trailing "\".
std::string GetProgramFolder();
// Full path of the running executable.
std::string GetProgramFile();

// The version strings of File. False (Info untouched) without a readable version resource.
bool ReadVersionInfo(const std::string& File, TMyFileVersion& Info);

// Authenticode signer's display name. False when the file is missing or carries no embedded
// signature; true with an empty Name when the signer's certificate is not in the file.
bool GetSignerName(const std::string& File, std::string& Name);

// Index in the system's small-icon image list, -1 on failure.
int GetSmallIconIndex(const std::string& Path);
