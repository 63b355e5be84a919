// The tray controller's window-free rules: command line, taskbar edge, placement beside
// the tray, About text, balloon condition, web addresses and the companion's registry entry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/CommandLine.h"
#include "app/Companion.h"
#include "app/MainFormTexts.h"
#include "app/TaskbarPlacement.h"
#include "app/TrayFigure.h"
#include "util/ScopedHandles.h"

TEST(IsAutoOptimizeRequest, FirstArgumentInAnyCase) {
  EXPECT_TRUE(IsAutoOptimizeRequest({"-autooptimize"}));
  EXPECT_TRUE(IsAutoOptimizeRequest({"-AUTOOPTIMIZE"}));
  EXPECT_TRUE(IsAutoOptimizeRequest({"-AutoOptimize", "extra"}));
}

TEST(IsAutoOptimizeRequest, OtherPositionsAndLookalikesDoNotCount) {
  EXPECT_FALSE(IsAutoOptimizeRequest({}));
  EXPECT_FALSE(IsAutoOptimizeRequest({"x", "-autooptimize"}));
  EXPECT_FALSE(IsAutoOptimizeRequest({"autooptimize"}));
  EXPECT_FALSE(IsAutoOptimizeRequest({"/autooptimize"}));
  EXPECT_FALSE(IsAutoOptimizeRequest({"-autooptimizer"}));
  EXPECT_FALSE(IsAutoOptimizeRequest({"-autooptimiz"}));
  EXPECT_FALSE(IsAutoOptimizeRequest({""}));
}

TEST(IsOptimizeRequest, FirstArgumentInAnyAsciiCase) {
  EXPECT_TRUE(IsOptimizeRequest({"-optimize"}));
  EXPECT_TRUE(IsOptimizeRequest({"-OPTIMIZE", "extra"}));
  EXPECT_TRUE(IsOptimizeRequest({"-OpTiMiZe"}));
  EXPECT_FALSE(IsOptimizeRequest({}));
  EXPECT_FALSE(IsOptimizeRequest({"x", "-optimize"}));
  EXPECT_FALSE(IsOptimizeRequest({"-optimiz"}));
  EXPECT_FALSE(IsOptimizeRequest({"-optimizer"}));
  EXPECT_FALSE(IsOptimizeRequest({"-autooptimize"}));
  EXPECT_FALSE(IsAutoOptimizeRequest({"-optimize"}));
  // Letters outside ASCII never match, whatever the code page makes of them: a dotted
  // capital I (0xDD in the Turkish page) and a dotless small i (0xFD).
  EXPECT_FALSE(IsOptimizeRequest({"-OPT\xDDM\xDDZE"}));
  EXPECT_FALSE(IsOptimizeRequest({"-opt\xFDm\xFDze"}));
}

namespace {

// Points this program's import of `function` (from any library) at `replacement` for the
// life of the object; inactive when the program does not import it.
class ImportPatch {
 public:
  ImportPatch(const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
      if (!d->OriginalFirstThunk) continue;
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
      for (; names->u1.AddressOfData; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::string(reinterpret_cast<const char*>(byName->Name)) != function) continue;
        slot_ = reinterpret_cast<void**>(&slots->u1.Function);
        original_ = *slot_;
        Write(replacement);
        return;
      }
    }
  }
  ~ImportPatch() {
    if (slot_) Write(original_);
  }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;
  void* Original() const { return original_; }

 private:
  void Write(void* value) {
    DWORD old = 0;
    VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old);
    *slot_ = value;
    VirtualProtect(slot_, sizeof(void*), old, &old);
  }
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

// Case folded as Windows folds it under a Turkish locale (code page 1254): "I" is the
// capital of the dotless "\xFD", and the dotted capital "\xDD" that of "i".
unsigned char TurkishLower(unsigned char c) {
  if (c == 'I') return 0xFD;
  if (c == 0xDD) return 'i';
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}
int TurkishCompare(const char* a, int na, const char* b, int nb) {
  const std::string x(a, na < 0 ? std::strlen(a) : static_cast<std::size_t>(na));
  const std::string y(b, nb < 0 ? std::strlen(b) : static_cast<std::size_t>(nb));
  for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
    const int d = TurkishLower(static_cast<unsigned char>(x[i])) -
                  TurkishLower(static_cast<unsigned char>(y[i]));
    if (d) return d;
  }
  return static_cast<int>(x.size()) - static_cast<int>(y.size());
}
ImportPatch* g_compareString = nullptr;
int WINAPI TurkishLstrcmpiA(LPCSTR a, LPCSTR b) { return TurkishCompare(a, -1, b, -1); }
int WINAPI TurkishCompareStringA(LCID locale, DWORD flags, LPCSTR a, int na, LPCSTR b, int nb) {
  if (flags & NORM_IGNORECASE) {
    const int d = TurkishCompare(a, na, b, nb);
    return d < 0 ? CSTR_LESS_THAN : d > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
  }
  using Fn = int(WINAPI*)(LCID, DWORD, LPCSTR, int, LPCSTR, int);
  return reinterpret_cast<Fn>(g_compareString->Original())(locale, flags, a, na, b, nb);
}

}  // namespace

// Windows folds case by the locale in lstrcmpiA and CompareStringA: under a Turkish locale
// "I" is not the capital of "i", so "-AUTOOPTIMIZE" would not be the switch. Wine folds as
// in English whatever the locale, so those two imports play Windows here. The switch is ASCII
// and compared as ASCII whatever the user's language.
TEST(IsAutoOptimizeRequest, AnyCaseUnderATurkishThreadLocale) {
  const LCID before = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_TURKISH_TURKEY), SORT_DEFAULT)));
  ImportPatch lstrcmpi("lstrcmpiA", reinterpret_cast<void*>(&TurkishLstrcmpiA));
  ImportPatch compareString("CompareStringA", reinterpret_cast<void*>(&TurkishCompareStringA));
  g_compareString = &compareString;
  EXPECT_TRUE(IsAutoOptimizeRequest({"-autooptimize"}));
  EXPECT_TRUE(IsAutoOptimizeRequest({"-AUTOOPTIMIZE"}));
  EXPECT_TRUE(IsAutoOptimizeRequest({"-AutoOptimize"}));
  EXPECT_FALSE(IsAutoOptimizeRequest({"-autoopt\xFDmize"}));  // a dotless i is another letter
  EXPECT_FALSE(IsAutoOptimizeRequest({"-AUTOOPT\xDDMIZE"}));  // and so is a dotted capital I
  g_compareString = nullptr;
  SetThreadLocale(before);
}

namespace {
constexpr int W = 1024;
constexpr int H = 768;
}  // namespace

TEST(TaskbarEdgeFromRect, EachEdgeWithItsThickness) {
  auto bottom = TaskbarEdgeFromRect(RECT{0, 748, W, H}, W, H);
  EXPECT_EQ(bottom.Edge, tbBottom);
  EXPECT_EQ(bottom.Thickness, 20);
  auto left = TaskbarEdgeFromRect(RECT{0, 0, 60, H}, W, H);
  EXPECT_EQ(left.Edge, tbLeft);
  EXPECT_EQ(left.Thickness, 60);
  auto top = TaskbarEdgeFromRect(RECT{0, 0, W, 30}, W, H);
  EXPECT_EQ(top.Edge, tbTop);
  EXPECT_EQ(top.Thickness, 30);
  auto right = TaskbarEdgeFromRect(RECT{W - 44, 0, W, H}, W, H);
  EXPECT_EQ(right.Edge, tbRight);
  EXPECT_EQ(right.Thickness, 44);
}

TEST(TaskbarEdgeFromRect, FirstMatchingRuleWins) {
  // A taskbar covering the whole screen matches every rule: bottom comes first.
  auto all = TaskbarEdgeFromRect(RECT{0, 0, W, H}, W, H);
  EXPECT_EQ(all.Edge, tbBottom);
  EXPECT_EQ(all.Thickness, H);
  // Left rule before top rule for a bar touching left, top and bottom.
  auto left = TaskbarEdgeFromRect(RECT{0, 0, 100, H}, W, H);
  EXPECT_EQ(left.Edge, tbLeft);
}

TEST(TaskbarEdgeFromRect, NoTaskbarOrFloatingOneFallsBackToBottom) {
  auto none = TaskbarEdgeFromRect(RECT{0, 0, 0, 0}, W, H);
  EXPECT_EQ(none.Edge, tbBottom);
  EXPECT_EQ(none.Thickness, 0);
  auto floating = TaskbarEdgeFromRect(RECT{100, 100, 400, 140}, W, H);
  EXPECT_EQ(floating.Edge, tbBottom);
  EXPECT_EQ(floating.Thickness, 40);
}

// The taskbar at the left edge of a second monitor to the right of this one: the window
// goes to this screen's bottom corner, on the screen, not a bar's height above it.
TEST(TaskbarEdgeFromRect, UprightBarOnAnotherMonitorIsAsThickAsItIsWide) {
  auto other = TaskbarEdgeFromRect(RECT{W, 0, W + 70, H}, W, H);
  EXPECT_EQ(other.Edge, tbBottom);
  EXPECT_EQ(other.Thickness, 70);
  POINT p = MonitorPositionNearTray(other, W + 30, H - 20, 257, 268, W, H);
  EXPECT_EQ(p.x, W - 257);
  EXPECT_EQ(p.y, H - 268 - 70 - 2);
}

TEST(MonitorPositionNearTray, BottomCentresOnCursorAboveTheBar) {
  POINT p = MonitorPositionNearTray({tbBottom, 20}, 500, 758, 257, 268, W, H);
  EXPECT_EQ(p.x, 500 - 128);
  EXPECT_EQ(p.y, H - 268 - 20 - 2);
}

TEST(MonitorPositionNearTray, BottomNearRightEdgeEndsFlushWithoutMargin) {
  POINT p = MonitorPositionNearTray({tbBottom, 20}, 1010, 758, 257, 268, W, H);
  EXPECT_EQ(p.x + 257, W);
}

TEST(MonitorPositionNearTray, TopBarBelowItWithMargin) {
  POINT p = MonitorPositionNearTray({tbTop, 30}, 1020, 10, 257, 268, W, H);
  EXPECT_EQ(p.x, W - 257);
  EXPECT_EQ(p.y, 32);
}

TEST(MonitorPositionNearTray, RightBarCursorNearTopClampsToZero) {
  POINT p = MonitorPositionNearTray({tbRight, 40}, 1000, 5, 257, 268, W, H);
  EXPECT_EQ(p.x, W - 2 - 40 - 257);
  EXPECT_EQ(p.y, 0);
}

TEST(MonitorPositionNearTray, SideBarsNearBottomKeepTwoPixelsMargin) {
  POINT right = MonitorPositionNearTray({tbRight, 40}, 1000, 760, 257, 268, W, H);
  EXPECT_EQ(right.y, H - 268 - 2);
  POINT left = MonitorPositionNearTray({tbLeft, 50}, 20, 760, 257, 268, W, H);
  EXPECT_EQ(left.x, 52);
  EXPECT_EQ(left.y, H - 268 - 2);
  POINT middle = MonitorPositionNearTray({tbLeft, 50}, 20, 400, 257, 268, W, H);
  EXPECT_EQ(middle.y, 400 - 134);
}

TEST(MonitorPositionNearTray, HalvesTruncateTowardZero) {
  POINT p = MonitorPositionNearTray({tbBottom, 20}, 300, 758, 257, 268, W, H);
  EXPECT_EQ(p.x, 300 - 128);  // 257 / 2 = 128
}

TEST(BuildAboutText, PortableFirstLineThenEmptyLine) {
  AboutFacts f;
  f.Version = "1.0.6.917";
  f.Portable = true;
  f.LanguageLabel = "Language";
  f.LanguageName = "English";
  f.AuthorLabel = "Author";
  std::string text = BuildAboutText(f);
  EXPECT_EQ(text.rfind("Memtide 1.0.6.917 Portable\r\n\r\n", 0), 0u) << text;
  EXPECT_EQ(text, std::string("Memtide 1.0.6.917 Portable\r\n\r\n") + kCopyrightLine +
                      "\r\n\r\nLanguage: English\r\nAuthor: ");
}

TEST(BuildAboutText, InstalledWithTranslatedLabelsAndAuthor) {
  AboutFacts f;
  f.Version = "1.0.6.917";
  f.LanguageLabel = "Sprache";
  f.LanguageName = "Deutsch";
  f.AuthorLabel = "Autor";
  f.Author = "Jo";
  std::string text = BuildAboutText(f);
  EXPECT_EQ(text.find("Portable"), std::string::npos);
  EXPECT_EQ(text.rfind("Memtide 1.0.6.917\r\n\r\n", 0), 0u);
  EXPECT_NE(text.find("\r\nSprache: Deutsch\r\nAutor: Jo"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "Jo");
}

TEST(ShouldShowOptimizeBalloon, OnlyWhileMonitorUnseenAndSettingOn) {
  EXPECT_TRUE(ShouldShowOptimizeBalloon(false, 0, true));
  EXPECT_TRUE(ShouldShowOptimizeBalloon(true, 0, true));
  EXPECT_FALSE(ShouldShowOptimizeBalloon(true, 1, true));
  EXPECT_FALSE(ShouldShowOptimizeBalloon(false, 0, false));
  EXPECT_FALSE(ShouldShowOptimizeBalloon(true, 0, false));
}

TEST(WebAddresses, UpdatePathOnTheMakersHost) {
  EXPECT_EQ(UpdatePageUrl(), std::string(kMakerHost) + "/memtideupdate");
  EXPECT_EQ(HomePageUrl().rfind(kMakerHost, 0), 0u);
  EXPECT_NE(std::string(kMakerHost).find(".example.com"), std::string::npos);
}

// The companion's entry is read from a scratch key that stands in for HKEY_CURRENT_USER.
class CompanionPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = "Software\\MemtideTests\\Companion" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratch_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, root_.put(), nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    root_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch_.c_str());
  }
  void SetValue(DWORD type, const void* data, DWORD size) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExA(root_.get(), kCompanionKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), "programfile", 0, type, static_cast<const BYTE*>(data),
                             size),
              ERROR_SUCCESS);
  }
  std::string scratch_;
  UniqueHKey root_;
};

TEST_F(CompanionPathTest, MissingKeyGivesEmptyPath) {
  EXPECT_EQ(ReadCompanionPath(root_.get()), "");
}

TEST_F(CompanionPathTest, StringValueIsTrimmed) {
  const char text[] = "  C:\\Tools\\Brisvane.exe \t";
  SetValue(REG_SZ, text, sizeof(text));
  EXPECT_EQ(ReadCompanionPath(root_.get()), "C:\\Tools\\Brisvane.exe");
}

TEST_F(CompanionPathTest, ValueWithoutTerminatorIsReadSafely) {
  const char text[] = "C:\\B.exe";
  SetValue(REG_SZ, text, sizeof(text) - 1);
  EXPECT_EQ(ReadCompanionPath(root_.get()), "C:\\B.exe");
}

TEST_F(CompanionPathTest, OtherValueTypesCountAsNotInstalled) {
  DWORD number = 42;
  SetValue(REG_DWORD, &number, sizeof(number));
  EXPECT_EQ(ReadCompanionPath(root_.get()), "");
  const char text[] = "%SystemRoot%\\b.exe";
  SetValue(REG_EXPAND_SZ, text, sizeof(text));
  EXPECT_EQ(ReadCompanionPath(root_.get()), "");
}

TEST_F(CompanionPathTest, BlankValueIsEmpty) {
  const char text[] = "   ";
  SetValue(REG_SZ, text, sizeof(text));
  EXPECT_EQ(ReadCompanionPath(root_.get()), "");
}

namespace {
constexpr std::int64_t kGiB = 1LL << 30;
constexpr TColor kCyan = 0xFFFF00, kRed = 0x0000FF;  // the memory chart's default colours
}  // namespace

TEST(TrayFigureFor, TheTicksTruncatedPercentOnThePlentyColour) {
  auto f = TrayFigureFor(kGiB * 2874 / 10000 * 4, 4 * kGiB, kCyan, kRed);  // 28.74 %
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Number, 28);
  EXPECT_EQ(TrayFigureText(*f), "28");
  EXPECT_EQ(f->Back, kCyan);
  EXPECT_EQ(f->Ink, clBlack);
}

TEST(TrayFigureFor, NinetyNineFromNinetyNineAndAHalfUpToAllFree) {
  EXPECT_EQ(TrayFigureFor(995, 1000, kCyan, kRed)->Number, 99);
  EXPECT_EQ(TrayFigureFor(1000, 1000, kCyan, kRed)->Number, 99);
  EXPECT_EQ(TrayFigureText(*TrayFigureFor(1000, 1000, kCyan, kRed)), "99");
  EXPECT_EQ(TrayFigureFor(2000, 1000, kCyan, kRed)->Number, 99);  // an odd status
  EXPECT_EQ(TrayFigureFor(-5, 1000, kCyan, kRed)->Number, 0);
  EXPECT_EQ(TrayFigureFor(0, 1000, kCyan, kRed)->Number, 0);
}

TEST(TrayFigureFor, BelowTheAutoOptimizeLimitTheScarceColourUntruncated) {
  // 7.99 % and 8 %: the same rule as the auto-optimize run, on the untruncated value.
  auto low = TrayFigureFor(799, 10000, kCyan, kRed);
  auto limit = TrayFigureFor(800, 10000, kCyan, kRed);
  ASSERT_TRUE(low && limit);
  EXPECT_EQ(low->Number, 7);
  EXPECT_EQ(low->Back, kRed);
  EXPECT_EQ(low->Ink, clWhite);
  EXPECT_EQ(limit->Number, 8);
  EXPECT_EQ(limit->Back, kCyan);
}

TEST(TrayFigureFor, UnknownTotalGivesNoFigure) {
  EXPECT_FALSE(TrayFigureFor(100, 0, kCyan, kRed));
  EXPECT_FALSE(TrayFigureFor(100, -1, kCyan, kRed));
}

TEST(TrayFigureFor, ColoursIgnoreTheTopByteAsTheChartsDo) {
  auto f = TrayFigureFor(50, 100, 0xFF000000u | kCyan, kRed);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Back, kCyan);
}

TEST(ScarceBackground, ClearlyDifferentFromPlentyWhateverTheUserChose) {
  EXPECT_EQ(ScarceBackground(kCyan, kRed), kRed);
  // Both chart colours alike: red, then black or white stand in.
  EXPECT_EQ(ScarceBackground(kCyan, 0xFEFF01), kRed);
  EXPECT_EQ(ScarceBackground(kRed, 0x0000F0), clBlack);
  EXPECT_EQ(ScarceBackground(0x101010, 0x101010), kRed);
  for (TColor plenty : {0x000000u, 0xFFFFFFu, 0x808080u, 0x0000FFu, 0x00FF00u, 0x7F7F7Fu}) {
    EXPECT_TRUE(ClearlyDifferent(ScarceBackground(plenty, plenty), plenty)) << plenty;
  }
}

TEST(InkOn, BlackOnLightWhiteOnDark) {
  EXPECT_EQ(InkOn(0xFFFFFF), clBlack);
  EXPECT_EQ(InkOn(kCyan), clBlack);
  EXPECT_EQ(InkOn(0x00FFFF), clBlack);  // yellow
  EXPECT_EQ(InkOn(kRed), clWhite);
  EXPECT_EQ(InkOn(0xFF0000), clWhite);  // blue
  EXPECT_EQ(InkOn(0x000000), clWhite);
}

TEST(NextTrayIconStep, OnlyAChangeOfNumberOrColourChangesTheIcon) {
  const TrayFigure a{42, kCyan, clBlack};
  TrayFigure otherNumber = a;
  otherNumber.Number = 41;
  TrayFigure otherColour = a;
  otherColour.Back = kRed;
  EXPECT_EQ(NextTrayIconStep(std::nullopt, std::nullopt), TrayIconStep::Keep);
  EXPECT_EQ(NextTrayIconStep(a, a), TrayIconStep::Keep);
  EXPECT_EQ(NextTrayIconStep(std::nullopt, a), TrayIconStep::ShowFigure);
  EXPECT_EQ(NextTrayIconStep(a, otherNumber), TrayIconStep::ShowFigure);
  EXPECT_EQ(NextTrayIconStep(a, otherColour), TrayIconStep::ShowFigure);
  EXPECT_EQ(NextTrayIconStep(a, std::nullopt), TrayIconStep::ShowProgramIcon);
}
