#include "support/BadInputCorpus.h"

#include <cstdint>
#include <functional>
#include <random>

namespace badinput {

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

std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (auto p : parts) s.append(p);
  return s;
}

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

const char* const kColorKeys[10] = {
    "CPUGridColor", "CPUStartBackColor", "CPUEndBackColor",   "CPUHighCPUColor",
    "CPULowCPUColor", "RAMGridColor",    "RAMStartBackColor", "RAMEndBackColor",
    "RAMHighRAMColor", "RAMLowRAMColor"};

bool Fields::operator==(const Fields& o) const {
  for (int i = 0; i < 10; ++i)
    if (Colors[i] != o.Colors[i]) return false;
  return ShowMessageWhenOptimizing == o.ShowMessageWhenOptimizing &&
         AutoOptimize == o.AutoOptimize && HotKey == o.HotKey &&
         CPUDataFromSystemPerform == o.CPUDataFromSystemPerform && Language == o.Language &&
         ShowFreeMemoryInTrayIcon == o.ShowFreeMemoryInTrayIcon;
}

std::ostream& operator<<(std::ostream& os, const Fields& f) {
  os << "{show " << f.ShowMessageWhenOptimizing << ", auto " << f.AutoOptimize << ", hotkey "
     << f.HotKey << ", colors";
  for (auto c : f.Colors) os << ' ' << c;
  os << ", pdh " << f.CPUDataFromSystemPerform << ", language ";
  if (f.Language.size() > 40) os << f.Language.size() << " chars";
  else os << '"' << f.Language << '"';
  return os << ", figure " << f.ShowFreeMemoryInTrayIcon << '}';
}

bool IniCase::Accepts(const Fields& f) const {
  if (accepted.empty()) return true;
  for (const auto& a : accepted)
    if (a == f) return true;
  return false;
}

namespace {

Fields With(const std::function<void(Fields&)>& change) {
  Fields f;
  change(f);
  return f;
}

}  // namespace

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
      {"the tray figure's flag as a word",
       "[Options]\r\nShowFreeMemoryInTrayIcon=on\r\n", {Fields{}}},
      {"the tray figure's flag as hexadecimal", "[Options]\r\nShowFreeMemoryInTrayIcon=0x2\r\n",
       {With([](Fields& f) { f.ShowFreeMemoryInTrayIcon = true; })}},
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

std::vector<LngCase> LngCorpus() {
  std::string manyKeys = "[Language]\r\n";
  for (int i = 0; i < 5000; ++i) manyKeys += Cat({"key", std::to_string(i), "=x\r\n"});
  manyKeys += "msg_ramfree=LATE\r\n";
  return {
      {"empty file", "", ""},
      {"binary garbage", Garbage(8192, 7), ""},
      {"1 MiB format", Cat({"[Language]\r\nmsg_ramfree=", Repeat('A', 1 << 20), "\r\n"}),
       Repeat('A', 2047)},
      {"more placeholders than values", "[Language]\r\nmsg_ramfree=%s|%s|%s|%s|%s\r\n", ""},
      {"printf conversions", "[Language]\r\nmsg_ramfree=%n%d%x%p%%%\r\n", "%n%d%x%p%%"},
      {"positional and width forms",
       "[Language]\r\nmsg_ramfree=%1$s %*s %.99999s %ls %S %hs {0} $1\r\n",
       "%1$s %*s %.99999s %ls %S %hs {0} $1"},
      {"a lone percent", "[Language]\r\nmsg_ramfree=%\r\n", "%"},
      {"empty format", "[Language]\r\nmsg_ramfree=\r\n", ""},
      {"no Language section", "[FrmMemtide]\r\nlbl_cpu=C\r\n", ""},
      {"duplicate keys", "[Language]\r\nmsg_ramfree=ONE\r\nmsg_ramfree=TWO\r\n", ""},
      {"5000 keys first", manyKeys, ""},
      {"1 MiB captions",
       Cat({"[FrmMemtide]\r\nlbl_title=", Repeat('T', 1 << 20), "\r\nlbl_cpu=",
            Repeat('C', 1 << 20), "\r\n"}),
       ""},
      {"1 MiB section name", Cat({"[", Repeat('L', 1 << 20), "]\r\nmsg_ramfree=X\r\n"}), ""},
      {"1 MiB author", Cat({"[About]\r\nAuthor=", Repeat('a', 1 << 20), "\r\n"}), ""},
      {"UTF-16 file", std::string("\xFF\xFE[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\r\0\n\0", 28), ""},
      {"equals signs only", "[Language]\r\n=\r\n==\r\nmsg_ramfree\r\n", ""},
  };
}

}  // namespace badinput
