#include "memory/PublicUnit.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

#include "util/ScopedHandles.h"

namespace {

// Read as UTF-16 and converted here: a separator without a place in the ANSI code page
// (the narrow no-break space U+202F of French since Windows 10) would come from
// GetLocaleInfoA as "?". Such a separator becomes `unmappable`.
std::string LocaleText(LCTYPE type, const char* fallback, const char* unmappable) {
  wchar_t wide[16] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, wide, 16) <= 1) return fallback;
  char buf[64] = {};
  BOOL lost = FALSE;
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buf, sizeof(buf), nullptr,
                          &lost) <= 1)
    return fallback;
  return lost ? unmappable : buf;
}

std::string GroupThousands(std::uint64_t value, const std::string& sep) {
  std::string digits = std::to_string(value);
  std::string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += sep;
    out += digits[i];
  }
  return out;
}

struct Unit {
  int shift;  // divisor = 2^shift
  const char* text;
};

}  // namespace

std::string FormatSizeWith(int Decimals, bool ShowZero, std::int64_t Size,
                           const std::string& thousandSep, const std::string& decimalSep) {
  if (Size == 0) return ShowZero ? "0" : "";
  if (Size < 1024) {
    const bool negative = Size < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(Size) : static_cast<std::uint64_t>(Size);
    std::string text = negative ? "-" : "";
    text += GroupThousands(magnitude, thousandSep);
    text += " B";
    return text;
  }
  // P is the last unit and holds every larger count (a signed count stays below 8,192 P).
  static constexpr Unit kUnits[] = {{10, " K"}, {20, " M"}, {30, " G"}, {40, " T"}, {50, " P"}};
  const auto size = static_cast<std::uint64_t>(Size);
  for (const Unit& unit : kUnits) {
    if (&unit != &kUnits[std::size(kUnits) - 1] &&
        size >= (std::uint64_t{1} << (unit.shift + 10)))
      continue;
    // size / 2^shift is exact in binary, so scaling by 10^decimals in integers and rounding
    // half away from zero gives the same text as a decimal float formatter, without drift.
    const int decimals = std::clamp(Decimals, 0, 4);
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    // Whole units and the rest apart, so nothing overflows: the rest is below 2^50 and
    // scale at most 10^4 < 2^14, the whole units below 2^13.
    const std::uint64_t whole = size >> unit.shift;
    const std::uint64_t rest = size & ((std::uint64_t{1} << unit.shift) - 1);
    const std::uint64_t scaled =
        whole * scale + ((rest * scale + (std::uint64_t{1} << (unit.shift - 1))) >> unit.shift);
    std::string text = GroupThousands(scaled / scale, thousandSep);
    if (decimals > 0) {
      const std::string fraction = std::to_string(scaled % scale);
      text += decimalSep;
      text.append(decimals - fraction.size(), '0');
      text += fraction;
    }
    text += unit.text;
    return text;
  }
  return "";  // not reached: the last unit takes every count
}

std::string FormatSize(int Decimals, bool ShowZero, std::int64_t Size) {
  return FormatSizeWith(Decimals, ShowZero, Size, LocaleText(LOCALE_STHOUSAND, ",", " "),
                        LocaleText(LOCALE_SDECIMAL, ".", "."));
}

std::string GetProductVersion() {
  TMyFileVersion info;
  if (!ReadVersionInfo(GetProgramFile(), info)) return "";
  return info.ProductVersion;
}

void RegisterProgramPath() {
  UniqueHKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorix\\Memtide", 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::string path = GetProgramFile();
  RegSetValueExA(key.get(), "programfile", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>(path.size() + 1));
}
