#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "support/TestSupport.h"
#include "util/FileSearcher.h"

using testsupport::TempFolder;

namespace {

std::vector<std::string> Names(const TFileSearcher& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Items(i)->Name);
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// The order the file system lists a folder in, to compare with without assuming one.
std::vector<std::string> ListedOrder(const std::string& folder) {
  std::vector<std::string> out;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "*.*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return out;
}

}  // namespace

TEST(FileSearcherTest, ProgramFolder_YieldsOnlyTheLanguageFilesInListedOrder) {
  TempFolder dir;
  dir.Write("English.lng", "[Language]\r\n");
  dir.Write("Deutsch.lng", "[Language]\r\nx=y\r\n");
  dir.Write("readme.txt", "hello");
  CreateDirectoryA(dir.File("Lang").c_str(), nullptr);
  dir.Write("Lang\\Inner.lng", "");

  std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> folders;
  int found = 0;
  TFileSearcher s;
  s.OnFolder = [&](const std::string& f, std::int64_t d, std::int64_t t) {
    folders.emplace_back(f, d, t);
  };
  s.OnFileFound = [&](TFileObj& f) {
    ++found;
    EXPECT_EQ(f.FileType, FileTypeUnclassified);
  };
  TFileSearchTypeListObj types;
  TFileSearchTypeObj* t = types.AddType();
  t->Masks = "*.lng";
  t->TypeNumber = 1;
  s.Search(dir.Path(), true);
  EXPECT_EQ(found, 3);
  EXPECT_EQ(s.DoneBytes, 12 + 17 + 5);  // the three files' sizes
  s.Classify(&types);
  s.RemoveUnclassified();

  std::vector<std::string> expected;
  for (const std::string& n : ListedOrder(dir.Path()))
    if (n != "readme.txt") expected.push_back(n);
  EXPECT_EQ(Names(s), expected);
  EXPECT_EQ(Sorted(Names(s)), (std::vector<std::string>{"Deutsch.lng", "English.lng"}));
  for (int i = 0; i < s.Count(); ++i) {
    EXPECT_EQ(s.Items(i)->FileType, 1);
    EXPECT_EQ(s.Items(i)->FullName, dir.Path() + s.Items(i)->Name);
  }

  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(std::get<0>(folders[0]), dir.Path() + "Lang");
  EXPECT_EQ(std::get<0>(folders[1]), "");
  EXPECT_EQ(std::get<1>(folders[1]), s.TotalBytes);
  EXPECT_EQ(std::get<2>(folders[1]), s.TotalBytes);
  EXPECT_GE(s.TotalBytes, 1);
}

TEST(FileSearcherTest, Search_RecordsSizeAttributesAndTimes) {
  TempFolder dir;
  dir.Write("a.bin", std::string(1000, 'x'));
  SetFileAttributesA(dir.File("a.bin").c_str(), FILE_ATTRIBUTE_HIDDEN);
  TFileSearcher s;
  // No trailing backslash: the searcher adds it.
  s.Search(dir.Path().substr(0, dir.Path().size() - 1), true);
  ASSERT_EQ(s.Count(), 1);
  const TFileObj* f = s.Items(0);
  EXPECT_EQ(f->FullName, dir.File("a.bin"));
  EXPECT_EQ(f->Size, 1000u);
  EXPECT_TRUE(f->Attributes & FILE_ATTRIBUTE_HIDDEN);
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
  const double today = static_cast<double>(u.QuadPart) / 864000000000.0 - 109205.0;
  EXPECT_NEAR(f->LastWriteTime, today, 1.0 / 24);  // within the hour, in local time
  EXPECT_NEAR(f->CreationTime, today, 1.0 / 24);
  SetFileAttributesA(dir.File("a.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileSearcherTest, MissingFolder_EmptyResultAndTheEndEventStillFires) {
  TFileSearcher s;
  int ends = 0;
  s.OnFolder = [&](const std::string& f, std::int64_t d, std::int64_t t) {
    if (f.empty() && d == t) ++ends;
  };
  s.Search("C:\\no\\such\\folder\\here", true);
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(ends, 1);
  EXPECT_GE(s.TotalBytes, 1);
}

TEST(FileSearcherTest, SearchTwiceWithoutClearing_ListsEveryFileTwice) {
  TempFolder dir;
  dir.Write("a.lng", "1");
  dir.Write("b.txt", "22");
  TFileSearcher s;
  s.Search(dir.Path(), false);
  s.Search(dir.Path(), false);
  EXPECT_EQ(Sorted(Names(s)), (std::vector<std::string>{"a.lng", "a.lng", "b.txt", "b.txt"}));
  EXPECT_EQ(s.DoneBytes, 3);  // of the current search only
  s.Search(dir.Path(), true);
  EXPECT_EQ(s.Count(), 2);
}

TEST(FileSearcherTest, Cancel_StopsTheListing) {
  TempFolder dir;
  for (const char* name : {"f0", "f1", "f2", "f3", "f4"}) dir.Write(name, "");
  TFileSearcher s;
  s.OnFileFound = [&](TFileObj&) { s.Cancelled = true; };
  s.Search(dir.Path(), true);
  EXPECT_EQ(s.Count(), 1);
  s.OnFileFound = nullptr;
  s.Search(dir.Path(), true);  // a new search starts uncancelled
  EXPECT_EQ(s.Count(), 5);
}

TEST(FileSearcherTest, FirstMatchingTypeWins) {
  TempFolder dir;
  dir.Write("English.lng", "");
  dir.Write("notes.txt", "");
  dir.Write("other.dat", "");
  TFileSearchTypeListObj types;
  auto* first = types.AddType();
  first->TypeNumber = 1;
  first->Masks = "*.txt";
  first->Mark = true;
  auto* second = types.AddType();
  second->TypeNumber = 2;
  second->Masks = "*";
  TFileSearcher s;
  s.Search(dir.Path(), true);
  s.Classify(&types);
  for (int i = 0; i < s.Count(); ++i) {
    const TFileObj* f = s.Items(i);
    EXPECT_EQ(f->FileType, f->Name == "notes.txt" ? 1 : 2) << f->Name;
    EXPECT_EQ(f->Mark, f->Name == "notes.txt") << f->Name;
  }
  // Classifying again does not move a file to another type.
  first->Masks = "*";
  first->TypeNumber = 7;
  s.Classify(&types);
  for (int i = 0; i < s.Count(); ++i) EXPECT_NE(s.Items(i)->FileType, 7);
}

TEST(FileSearcherTest, Classify_ProgressEventsAndNullList) {
  TempFolder dir;
  dir.Write("a.lng", "");
  TFileSearchTypeListObj types;
  auto* t1 = types.AddType();
  t1->Masks = "*.lng; *.txt";
  auto* t2 = types.AddType();
  t2->Masks = "*.x";
  TFileSearcher s;
  int pumps = 0;
  s.ProcessMessages = [&] { ++pumps; };
  std::vector<std::tuple<const TFileSearchTypeObj*, int, int>> events;
  s.OnClassifyProgress = [&](const TFileSearchTypeObj* t, int c, int n) {
    events.emplace_back(t, c, n);
  };
  s.Search(dir.Path(), true);
  s.Classify(nullptr);
  EXPECT_TRUE(events.empty());
  s.Classify(&types);
  using E = std::tuple<const TFileSearchTypeObj*, int, int>;
  EXPECT_EQ(events, (std::vector<E>{E{t1, 1, 3}, E{t1, 2, 3}, E{t2, 3, 3}, E{nullptr, 3, 3}}));
  // One round of message processing per record and mask.
  EXPECT_EQ(pumps, 3);
  EXPECT_EQ(s.Items(0)->FileType, t1->TypeNumber);

  events.clear();
  TFileSearchTypeListObj empty;
  s.Classify(&empty);
  EXPECT_EQ(events, (std::vector<E>{E{nullptr, 1, 1}}));
}

TEST(FileSearcherTest, RecordListOperations) {
  TempFolder dir;
  dir.Write("a", "");
  dir.Write("b", "");
  dir.Write("c", "");
  TFileSearcher s;
  s.Search(dir.Path(), true);
  ASSERT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Items(-1), nullptr);
  EXPECT_EQ(s.Items(3), nullptr);
  const std::string second = s.Items(1)->Name;
  s.Delete(3);
  s.Delete(-1);
  EXPECT_EQ(s.Count(), 3);
  s.Delete(0);
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.Items(0)->Name, second);
  s.Items(0)->FileType = 5;
  int pumps = 0;
  s.ProcessMessages = [&] { ++pumps; };
  s.RemoveUnclassified();
  ASSERT_EQ(s.Count(), 1);
  EXPECT_EQ(s.Items(0)->Name, second);
  EXPECT_EQ(pumps, 2);
  s.Clear();
  EXPECT_EQ(s.Count(), 0);
}

namespace {
int g_timerHits = 0;
void CALLBACK CountTimer(HWND, UINT, UINT_PTR, DWORD) { ++g_timerHits; }
}  // namespace

TEST(FileSearcherTest, DefaultPumpDispatchesPendingMessages) {
  TempFolder dir;
  dir.Write("a", "");
  g_timerHits = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 1, CountTimer);
  Sleep(30);
  TFileSearcher s;
  s.Search(dir.Path(), true);
  s.RemoveUnclassified();
  KillTimer(nullptr, id);
  EXPECT_GE(g_timerHits, 1);
}

TEST(FileSearcherTest, DefaultPumpLeavesAQuitRequestForTheRealLoop) {
  TempFolder dir;
  dir.Write("a", "");
  dir.Write("b", "");
  PostQuitMessage(3);
  TFileSearcher s;
  s.Search(dir.Path(), true);
  s.RemoveUnclassified();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(FileSearchTypeListTest, AddItemsClearAndMaskCount) {
  TFileSearchTypeListObj types;
  EXPECT_EQ(types.MaskCount(), 0);
  auto* t = types.AddType();
  EXPECT_EQ(t->TypeNumber, 0);
  EXPECT_EQ(t->Masks, "");
  EXPECT_FALSE(t->Mark);
  t->Masks = " *.lng ; ; *.txt ";
  types.AddType()->Masks = "*";
  EXPECT_EQ(types.Count(), 2);
  EXPECT_EQ(types.Items(0), t);
  EXPECT_EQ(types.Items(2), nullptr);
  EXPECT_EQ(types.Items(-1), nullptr);
  EXPECT_EQ(types.MaskCount(), 3);
  types.Clear();
  EXPECT_EQ(types.Count(), 0);
}

TEST(SplitMasksTest, TrimsAndDropsEmptyPieces) {
  EXPECT_EQ(SplitMasks(" *.lng ; ; *.txt "), (std::vector<std::string>{"*.lng", "*.txt"}));
  EXPECT_EQ(SplitMasks("\t*.a\r\n;*.b"), (std::vector<std::string>{"*.a", "*.b"}));
  EXPECT_EQ(SplitMasks("a b;c"), (std::vector<std::string>{"a b", "c"}));
  EXPECT_TRUE(SplitMasks("").empty());
  EXPECT_TRUE(SplitMasks(" ; ;;").empty());
}

TEST(MatchesMaskTest, WholeNameWildcards) {
  struct Case {
    const char* mask;
    const char* name;
    bool match;
  } cases[] = {
      {"*.lng", "English.lng", true},  {"*.lng", "german.LNG", true},
      {"*.lng", "English.lng.bak", false}, {"*.lng", "lng", false},
      {"*.lng", ".lng", true},         {"?.lng", "a.lng", true},
      {"?.lng", "ab.lng", false},      {"?.lng", ".lng", false},
      {"*", "anything at all", true},  {"*", "", true},
      {"", "", true},                  {"", "a", false},
      {"a", "", false},                {"*?a", "aaa", true},
      {"*?a", "a", false},             {"*?a", "ba", true},
      {"a*b*c", "aXbYbZc", true},      {"a*b*c", "aXbYcZ", false},
      {"**", "x", true},               {"*a*", "bbb", false},
      {"*.*", "noext", false},         {"*.*", "a.b", true},
      {"abc", "ABC", true},            {"\xe4*", "\xc4x", false},  // only a-z fold
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(c.mask, c.name), c.match) << c.mask << " vs " << c.name;
}

// Reference matcher by plain recursion, to check the fast one on many generated pairs.
static bool Reference(std::string_view m, std::string_view n) {
  if (m.empty()) return n.empty();
  if (m[0] == '*') return Reference(m.substr(1), n) || (!n.empty() && Reference(m, n.substr(1)));
  if (n.empty()) return false;
  if (m[0] != '?' && toupper(m[0]) != toupper(n[0])) return false;
  return Reference(m.substr(1), n.substr(1));
}

TEST(MatchesMaskTest, AgreesWithAReferenceOnEveryShortPair) {
  const char alphabet[] = {'a', 'b', '*', '?'};
  auto gen = [&](int len, int code, int base) {
    std::string s;
    for (int i = 0; i < len; ++i, code /= base) s.push_back(alphabet[code % base]);
    return s;
  };
  int checked = 0;
  for (int ml = 0; ml <= 4; ++ml)
    for (int mc = 0; mc < (1 << (2 * ml)); ++mc)
      for (int nl = 0; nl <= 4; ++nl)
        for (int nc = 0; nc < (1 << nl); ++nc) {
          std::string m = gen(ml, mc, 4), n = gen(nl, nc, 2);
          ASSERT_EQ(MatchesMask(m, n), Reference(m, n)) << m << " vs " << n;
          ++checked;
        }
  EXPECT_GT(checked, 1000);
}
