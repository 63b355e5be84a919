// Program-wide helpers: size texts, the program folder, our own version, the install record.
#pragma once
#include <cstdint>
#include <string>

#include "util/QvFileService.h"  // GetProgramFolder lives there; this header re-exports it

// Byte count as short text in units of 1024: "512 B", "1.5 K", "1,024.0 K", "3.50 G",
// "2.0 T", "1.0 P". Decimals 0..4 (clamped). Zero gives "0" or "" (ShowZero false).
// Uses the user's locale thousands and decimal separators, read on every call.
std::string FormatSize(int Decimals, bool ShowZero, std::int64_t Size);
// The same with the separators given.
std::string FormatSizeWith(int Decimals, bool ShowZero, std::int64_t Size,
                           const std::string& thousandSep, const std::string& decimalSep);

// ProductVersion of the running executable's version resource, "" when absent.
std::string GetProductVersion();

// HKCU\Software\Quorix\Memtide, value programfile = full path of the running executable.
void RegisterProgramPath();
