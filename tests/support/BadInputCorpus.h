// Malformed Memtide.ini and language files, generated, with what a sound program makes of
// each. Used in-process by the reliability tests and by the tests that start the real
// program with them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace badinput {

// `size` pseudo-random bytes, the same for the same seed; withNul false replaces NULs by 1.
std::string Garbage(std::size_t size, unsigned seed, bool withNul = true);
// The text as UTF-16LE with a byte order mark (ASCII input only).
std::string Utf16(const std::string& ascii);
// Joins texts by appending: GCC 12 warns wrongly (-Wrestrict) about some inlined
// "literal" + std::string expressions.
std::string Cat(std::initializer_list<std::string_view> parts);
std::string Repeat(char c, std::size_t n);

// The settings store's INI keys of the ten colours, in the order of Fields::Colors.
extern const char* const kColorKeys[10];

// The sixteen settings as one comparable value; default constructed: the defaults.
struct Fields {
  bool ShowMessageWhenOptimizing = true;
  bool AutoOptimize = true;
  std::int32_t HotKey = 49231;
  std::uint32_t Colors[10] = {16757683, 16777215, 16777215, 255,      4259584,
                              16757683, 16777215, 16777215, 16776960, 255};
  bool CPUDataFromSystemPerform = false;
  std::string Language = "English";
  bool ShowFreeMemoryInTrayIcon = false;

  bool operator==(const Fields& o) const;
  bool operator!=(const Fields& o) const { return !(*this == o); }
};
std::ostream& operator<<(std::ostream& os, const Fields& f);

struct IniCase {
  std::string name;
  std::string content;
  // Accepted results of loading it; empty: any, as long as it survives a save unchanged.
  std::vector<Fields> accepted;
  // True when one of the accepted results is what `f` holds (or any is accepted).
  bool Accepts(const Fields& f) const;
};
std::vector<IniCase> IniCorpus();

struct LngCase {
  std::string name;
  std::string content;
  // The free-memory line the monitor window must show; empty: only that it shows one.
  std::string expectedRamLine;
};
std::vector<LngCase> LngCorpus();

}  // namespace badinput
