// Finding the maker's companion cleaner through its registry entry.
#pragma once
#include <windows.h>

#include <string>

inline constexpr char kCompanionKey[] = "Software\\Quorix\\Brisvane";
inline constexpr char kCompanionParameter[] = "-autocleanup";

// The companion's program file registered under root\kCompanionKey, value "programfile"
// (REG_SZ only), with surrounding blanks removed; empty when there is none.
std::string ReadCompanionPath(HKEY root);
