#include "memory/PublicUnit.h"

#include <windows.h>

#include <algorithm>

#include "util/ScopedHandles.h"

namespace {

std::string LocaleText(LCTYPE type, const char* fallback) {
  char buf[16] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof(buf)) <= 1) return fallback;
  return buf;
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
  static constexpr Unit kUnits[] = {{10, " K"}, {20, " M"}, {30, " G"}};
  const auto size = static_cast<std::uint64_t>(Size);
  for (const Unit& unit : kUnits) {
    if (size >= (std::uint64_t{1} << (unit.shift + 10))) continue;
    // size / 2^shift is exact in binary, so scaling by 10^decimals in integers and rounding
    // half away from zero gives the same text as a decimal float formatter, without drift.
    const int decimals = std::clamp(Decimals, 0, 4);
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    // size < 2^40 and scale <= 10^4 < 2^14: the product fits in 64 bits.
    const std::uint64_t scaled =
        (size * scale + (std::uint64_t{1} << (unit.shift - 1))) >> unit.shift;
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
  return "";
}

std::string FormatSize(int Decimals, bool ShowZero, std::int64_t Size) {
  return FormatSizeWith(Decimals, ShowZero, Size, LocaleText(LOCALE_STHOUSAND, ","),
                        LocaleText(LOCALE_SDECIMAL, "."));
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
