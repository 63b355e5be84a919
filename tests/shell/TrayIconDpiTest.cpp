// The tray icon at the notification area's size for the DPI: the icon handed to the shell
// is an image of that size (not a 16-pixel one stretched), and a DPI change or a new
// taskbar loads it again. Other DPIs come through the dpi::SetDpiOverride seam, as Wine
// fixes the process DPI when the process starts.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "shell/TrayIcon.h"
#include "support/IconPixels.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Form.h"

namespace {

struct DpiOverride {
  explicit DpiOverride(int Dpi) { dpi::SetDpiOverride(Dpi); }
  ~DpiOverride() { dpi::SetDpiOverride(0); }
};

bool HasPerDpiMetrics() {
  return GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi") != nullptr;
}

// One solid colour (0x00RRGGBB) per image size, so a stretched image is told apart.
struct IconImage {
  int size;
  std::uint32_t rgb;
};
const std::vector<IconImage> kImages = {
    {16, 0x00C00000}, {20, 0x0000C000}, {24, 0x000000C0}, {32, 0x00C0C000}, {48, 0x00C000C0}};

void Put16(std::string& s, unsigned v) { s.append({char(v & 0xFF), char((v >> 8) & 0xFF)}); }
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// An .ico file holding a 32-bit, fully opaque image of every size in kImages.
std::string IconFile() {
  std::vector<std::string> bodies;
  for (const IconImage& im : kImages) {
    std::string b;
    Put32(b, 40);  // BITMAPINFOHEADER
    Put32(b, static_cast<std::uint32_t>(im.size));
    Put32(b, static_cast<std::uint32_t>(im.size * 2));  // colour rows, then mask rows
    Put16(b, 1);
    Put16(b, 32);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    for (int p = 0; p < im.size * im.size; ++p) Put32(b, 0xFF000000u | im.rgb);
    const int maskStride = ((im.size + 31) / 32) * 4;
    b.append(static_cast<size_t>(maskStride * im.size), '\0');  // opaque
    bodies.push_back(b);
  }
  std::string f;
  Put16(f, 0);
  Put16(f, 1);  // icon
  Put16(f, static_cast<unsigned>(kImages.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(kImages.size());
  for (size_t i = 0; i < kImages.size(); ++i) {
    f.push_back(static_cast<char>(kImages[i].size));
    f.push_back(static_cast<char>(kImages[i].size));
    f.push_back(0);
    f.push_back(0);
    Put16(f, 1);
    Put16(f, 32);
    Put32(f, static_cast<std::uint32_t>(bodies[i].size()));
    Put32(f, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const std::string& b : bodies) f += b;
  return f;
}

struct IconLook {
  int width = 0, height = 0;
  std::uint32_t centre = 0;  // 0x00RRGGBB
};

// Size and centre colour of the icon's colour image.
IconLook Look(HICON Icon) {
  const testsupport::IconPixels img = testsupport::ReadIconPixels(Icon);
  IconLook look;
  if (img.Width == 0) return look;
  look.width = img.Width;
  look.height = img.Height;
  look.centre = img.Rgb(img.Width / 2, img.Height / 2);
  return look;
}

std::uint32_t ColourOfSize(int Size) {
  for (const IconImage& im : kImages)
    if (im.size == Size) return im.rgb;
  return 0xFFFFFFFF;
}

struct Sent {
  DWORD message;
  HICON icon;
};

struct TrayDpiFixture : testing::Test {
  testsupport::TempFolder folder;
  std::string icoPath;
  TForm* form = new TForm(nullptr);
  TTrayIcon* icon = nullptr;
  std::vector<Sent> sent;
  std::vector<SIZE> loads;

  void SetUp() override {
    if (!HasPerDpiMetrics()) GTEST_SKIP() << "no per-DPI system metrics here (before Windows 10)";
    folder.Write("tray.ico", IconFile());
    icoPath = folder.File("tray.ico");
    icon = new TTrayIcon(form);
    icon->SetShellNotify([this](DWORD m, NOTIFYICONDATAA* d) {
      sent.push_back({m, d->hIcon});
      return TRUE;
    });
  }
  void TearDown() override { delete form; }

  tray::IconLoader FileLoader() {
    return [this](int w, int h) {
      loads.push_back({w, h});
      return static_cast<HICON>(
          LoadImageA(nullptr, icoPath.c_str(), IMAGE_ICON, w, h, LR_LOADFROMFILE));
    };
  }
  void Load() {
    form->BeginLoading();
    form->EndLoading();
  }
  // The icon of the last shell call, which must be `message`, has its own image of Size.
  void ExpectLastSent(DWORD message, int Size) {
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().message, message);
    const IconLook look = Look(sent.back().icon);
    EXPECT_EQ(look.width, Size);
    EXPECT_EQ(look.height, Size);
    EXPECT_EQ(look.centre, ColourOfSize(Size)) << "stretched from another size";
  }
};

TEST(TrayIconSize, SmallIconSizeOfTheTaskbarsDpi) {
  if (!HasPerDpiMetrics()) GTEST_SKIP() << "no per-DPI system metrics here";
  {
    // No override: what the system answers for its own DPI.
    const SIZE s = tray::NotifyIconSize();
    EXPECT_EQ(s.cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(s.cy, GetSystemMetrics(SM_CYSMICON));
  }
  const struct { int dpi, size; } cases[] = {{96, 16}, {120, 20}, {144, 24}, {192, 32}};
  for (const auto& c : cases) {
    DpiOverride at(c.dpi);
    const SIZE s = tray::NotifyIconSize();
    EXPECT_EQ(s.cx, c.size) << c.dpi;
    EXPECT_EQ(s.cy, c.size) << c.dpi;
  }
}

TEST_F(TrayDpiFixture, ShellGetsTheImageOfTheNotificationAreaSizeAtEveryDpi) {
  for (int d : {96, 120, 144, 192}) {
    SCOPED_TRACE(d);
    DpiOverride at(d);
    icon->SetIconLoader(FileLoader());
    if (d == 96) Load();
    const int size = dpi::Scale(16, d);
    ExpectLastSent(d == 96 ? NIM_ADD : NIM_MODIFY, size);
    EXPECT_EQ(Look(icon->Icon()).width, size);
  }
}

TEST_F(TrayDpiFixture, DpiChangeOrNewTaskbarLoadsTheIconAgainOnlyWhenTheSizeChanged) {
  DpiOverride at(96);
  icon->SetIconLoader(FileLoader());
  Load();
  ExpectLastSent(NIM_ADD, 16);
  ASSERT_EQ(loads.size(), 1u);

  // The same size: nothing loaded, nothing sent.
  sent.clear();
  SendMessageA(Application()->Handle(), WM_SETTINGCHANGE, 0, 0);
  SendMessageA(Application()->Handle(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(loads.size(), 1u);

  // The application window moved to a 144-DPI monitor.
  dpi::SetDpiOverride(144);
  RECT r{0, 0, 100, 100};
  SendMessageA(Application()->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&r));
  ExpectLastSent(NIM_MODIFY, 24);
  EXPECT_EQ(sent.size(), 1u);

  // The owner form sees the change (the application window may not): 192 DPI.
  dpi::SetDpiOverride(192);
  GetWindowRect(form->Handle(), &r);
  SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&r));
  ExpectLastSent(NIM_MODIFY, 32);

  // A new taskbar at 120 DPI: the icon comes back at 20 pixels, added once.
  dpi::SetDpiOverride(120);
  sent.clear();
  SendMessageA(Application()->Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
  ASSERT_EQ(sent.size(), 1u);
  ExpectLastSent(NIM_ADD, 20);
  EXPECT_EQ(loads.size(), 4u);
}

TEST_F(TrayDpiFixture, FailedLoadKeepsTheIconAndAnIconSetLaterStays) {
  DpiOverride at(96);
  icon->SetIconLoader(FileLoader());
  Load();
  const HICON shown = icon->Icon();
  ASSERT_NE(shown, nullptr);

  // The resource cannot be loaded (a missing name): the icon shown stays.
  icon->SetIconLoader(tray::ResourceIcon(GetModuleHandleA(nullptr), "NO_SUCH_ICON"));
  EXPECT_EQ(icon->Icon(), shown);
  dpi::SetDpiOverride(144);
  SendMessageA(Application()->Handle(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(icon->Icon(), shown);
  EXPECT_EQ(Look(icon->Icon()).width, 16);

  // An icon set directly is not replaced by a later DPI change.
  icon->SetIconLoader(FileLoader());
  EXPECT_EQ(Look(icon->Icon()).width, 24);
  icon->SetIcon(LoadIconA(nullptr, IDI_APPLICATION));
  const size_t loadsBefore = loads.size();
  dpi::SetDpiOverride(192);
  SendMessageA(Application()->Handle(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(loads.size(), loadsBefore);
  EXPECT_EQ(Look(icon->Icon()).width, GetSystemMetrics(SM_CXICON));
}

}  // namespace
