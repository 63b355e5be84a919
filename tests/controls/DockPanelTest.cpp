// The dock panel and container: rendering rules on the cached picture, repaint rules, the
// image, and real paints over a parent.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "controls/ColorUnit.h"
#include "controls/DockContainer.h"
#include "controls/DockPanel.h"
#include "controls/GdiPlus.h"
#include "support/TestSupport.h"
#include "ui/Form.h"
#include "ui/UiTestKit.h"
#include "util/ScopedHandles.h"

namespace {

template <class C>
class Counted : public C {
 public:
  using C::C;
  void Invalidate() override {
    ++invalidations;
    C::Invalidate();
  }
  int invalidations = 0;
};

struct Argb {
  int a, r, g, b;
};
Argb PixelOf(Gdiplus::Bitmap* bmp, int x, int y) {
  Gdiplus::Color c;
  bmp->GetPixel(x, y, &c);
  return {c.GetA(), c.GetR(), c.GetG(), c.GetB()};
}
bool Near(int a, int b, int tol) { return a >= b - tol && a <= b + tol; }

// Writes a PNG made of two vertical halves: red on the left, blue on the right.
void WriteTwoHalvesPng(const std::string& path, int w, int h) {
  Gdiplus::Bitmap bmp(w, h, PixelFormat32bppARGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      bmp.SetPixel(x, y, x < w / 2 ? Gdiplus::Color(255, 255, 0, 0) : Gdiplus::Color(255, 0, 0, 255));
  CLSID png;
  UINT n = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&n, &size);
  std::string buf(size, '\0');
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
  Gdiplus::GetImageEncoders(n, size, codecs);
  for (UINT i = 0; i < n; ++i)
    if (std::wstring(codecs[i].MimeType) == L"image/png") png = codecs[i].Clsid;
  std::wstring wide(path.begin(), path.end());
  ASSERT_EQ(bmp.Save(wide.c_str(), &png, nullptr), Gdiplus::Ok);
}

class DockSurfaceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { session_ = new GdiPlusSession(); }
  static void TearDownTestSuite() {
    delete session_;
    session_ = nullptr;
  }
  static GdiPlusSession* session_;
};
GdiPlusSession* DockSurfaceTest::session_ = nullptr;

TEST_F(DockSurfaceTest, NewControlsHaveAPictureOfTheirDefaultSizeInTheInitialLook) {
  TpcDockPanel panel(nullptr);
  ASSERT_NE(panel.CachedPicture(), nullptr);
  EXPECT_EQ(panel.CachedPicture()->GetWidth(), 105u);
  EXPECT_EQ(panel.CachedPicture()->GetHeight(), 105u);
  Argb mid = PixelOf(panel.CachedPicture(), 52, 52);  // blue at alpha 100
  EXPECT_TRUE(Near(mid.a, 100, 1));
  EXPECT_TRUE(Near(mid.b, 255, 2) && mid.r < 3 && mid.g < 3);
  TpcDockContainer container(nullptr);
  ASSERT_NE(container.CachedPicture(), nullptr);
  EXPECT_EQ(container.CachedPicture()->GetWidth(), 185u);
  EXPECT_EQ(container.CachedPicture()->GetHeight(), 41u);
  EXPECT_TRUE(container.DoubleBuffered());
}

TEST_F(DockSurfaceTest, GradientRunsInTheChosenDirectionAndBorderIsOnePixelInside) {
  TpcDockPanel panel(nullptr);
  panel.SetBounds(0, 0, 100, 60);
  panel.SetBackColor1(0x0000FF);  // red at the top
  panel.SetBackColor2(0xFF0000);  // blue at the bottom
  panel.SetBackColorAlpha(255);
  panel.SetBorderColor1(0x00FF00);
  panel.SetBorderColor2(0x00FF00);
  panel.SetBorderAlpha(255);
  Gdiplus::Bitmap* pic = panel.CachedPicture();
  Argb top = PixelOf(pic, 50, 2), bottom = PixelOf(pic, 50, 57);
  EXPECT_GT(top.r, 200);
  EXPECT_LT(top.b, 40);
  EXPECT_GT(bottom.b, 200);
  EXPECT_LT(bottom.r, 40);
  // A 2.0 pen centred on the outline: the outermost pixel row is border, the next is not.
  Argb edge = PixelOf(pic, 50, 0), inner = PixelOf(pic, 50, 1), left = PixelOf(pic, 0, 30);
  EXPECT_GT(edge.g, 200);
  EXPECT_GT(left.g, 200);
  EXPECT_LT(inner.g, 60);

  panel.SetBackColorMode(Gdiplus::LinearGradientModeHorizontal);
  pic = panel.CachedPicture();
  EXPECT_GT(PixelOf(pic, 3, 30).r, 200);
  EXPECT_GT(PixelOf(pic, 96, 30).b, 200);
}

TEST_F(DockSurfaceTest, HiddenPartsDrawNothingAndZeroSizeHasNoPicture) {
  TpcDockPanel panel(nullptr);
  panel.SetBounds(0, 0, 20, 20);
  panel.SetShowBorder(false);
  panel.SetShowBackColor(false);
  EXPECT_EQ(PixelOf(panel.CachedPicture(), 0, 0).a, 0);
  EXPECT_EQ(PixelOf(panel.CachedPicture(), 10, 10).a, 0);
  panel.SetBounds(0, 0, 0, 20);
  EXPECT_EQ(panel.CachedPicture(), nullptr);
}

TEST_F(DockSurfaceTest, UnchangedValuesNeitherRenderNorRepaint) {
  Counted<TpcDockPanel> panel(nullptr);
  int renders = panel.RenderCount(), repaints = panel.invalidations;
  panel.SetBackColor1(panel.BackColor1());
  panel.SetBorderAlpha(panel.BorderAlpha());
  panel.SetBackColorMode(panel.BackColorMode());
  panel.SetShowImage(false);
  panel.SetBackColor(3, 0x123456);    // no such index
  panel.SetBorderColor(0, 0x123456);
  EXPECT_EQ(panel.RenderCount(), renders);
  EXPECT_EQ(panel.invalidations, repaints);
  EXPECT_EQ(panel.BackColor(3), 0u);

  panel.SetBackColor(2, 0x123456);
  EXPECT_EQ(panel.BackColor2(), 0x123456u);
  EXPECT_EQ(panel.RenderCount(), renders + 1);
  EXPECT_EQ(panel.invalidations, repaints + 1);
}

TEST_F(DockSurfaceTest, PanelRepaintsAfterABoundsChangeAndContainerOnlyRenders) {
  Counted<TpcDockPanel> panel(nullptr);
  int renders = panel.RenderCount(), repaints = panel.invalidations;
  panel.SetBounds(5, 5, 30, 30);
  EXPECT_EQ(panel.RenderCount(), renders + 1);
  EXPECT_GT(panel.invalidations, repaints);
  EXPECT_EQ(panel.CachedPicture()->GetWidth(), 30u);

  Counted<TpcDockContainer> container(nullptr);
  renders = container.RenderCount();
  repaints = container.invalidations;
  container.SetBounds(0, 0, 257, 268);
  EXPECT_EQ(container.RenderCount(), renders + 1);
  EXPECT_EQ(container.invalidations, repaints);
  EXPECT_EQ(container.CachedPicture()->GetHeight(), 268u);
}

// Windows keeps what a window shows when it is resized and invalidates only the area that
// is new, unless the window's class has CS_HREDRAW and CS_VREDRAW ("redraws the entire
// window if a movement or size adjustment changes the width / height of the client area").
// The container's border runs along its edges: when a DPI change scales it, the whole
// container must be painted anew, or the old border stays inside and the new edge has none.
// Wine repaints a resized child whole in any case (and answers WM_NCCALCSIZE without the
// WVR_ flags of those styles), so here the class style is what tells the two apart.
TEST_F(DockSurfaceTest, ContainerIsRepaintedWholeWhenADpiChangeResizesIt) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(100, 100, 400, 300);
  auto* c = new TpcDockContainer(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 200, 100);
  form.Show();
  struct Step {
    int to, from, width;
  };
  for (const Step& s : {Step{120, 96, 250}, Step{96, 120, 200}}) {
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ASSERT_FALSE(GetUpdateRect(c->Handle(), nullptr, FALSE));
    c->ChangeScale(s.to, s.from);  // what the form does to each control at WM_DPICHANGED
    ASSERT_EQ(c->Width(), s.width);
    UniqueHRgn pending(CreateRectRgn(0, 0, 0, 0));
    UniqueHRgn whole(CreateRectRgn(0, 0, c->Width(), c->Height()));
    GetUpdateRgn(c->Handle(), pending.get(), FALSE);
    EXPECT_TRUE(EqualRgn(pending.get(), whole.get())) << "after the change to " << s.to << " DPI";
  }
  const ULONG_PTR style = GetClassLongPtrA(c->Handle(), GCL_STYLE);
  EXPECT_EQ(style & (CS_HREDRAW | CS_VREDRAW), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
  // Only the container's own class: other windows of the layer keep what they show.
  EXPECT_EQ(GetClassLongPtrA(form.Handle(), GCL_STYLE) & (CS_HREDRAW | CS_VREDRAW), 0u);
}

TEST_F(DockSurfaceTest, ContainerBorderPenFollowsBorderWidthFromTwoOn) {
  TpcDockContainer c(nullptr);
  c.SetBounds(0, 0, 60, 40);
  c.SetShowBackColor(false);
  c.SetBorderAlpha(255);
  for (int bw : {0, 1}) {
    c.SetBorderWidth(bw);
    EXPECT_GT(PixelOf(c.CachedPicture(), 30, 0).a, 200) << bw;
    EXPECT_LT(PixelOf(c.CachedPicture(), 30, 1).a, 30) << bw;
  }
  c.SetBorderWidth(4);  // a 4.0 pen: two pixels inside
  EXPECT_GT(PixelOf(c.CachedPicture(), 30, 1).a, 200);
  EXPECT_LT(PixelOf(c.CachedPicture(), 30, 3).a, 30);
}

TEST_F(DockSurfaceTest, ImageIsStretchedOverTheWholeContainerOverBackgroundAndBorder) {
  testsupport::TempFolder dir;
  const std::string png = dir.File("halves.png");
  WriteTwoHalvesPng(png, 16, 16);
  TpcDockContainer c(nullptr);
  c.SetBounds(0, 0, 257, 268);
  int renders = c.RenderCount();
  c.SetImageSource(png);
  ASSERT_NE(c.Image(), nullptr);
  EXPECT_EQ(c.RenderCount(), renders + 1);
  c.SetImageSource(png);  // same text: not loaded again
  EXPECT_EQ(c.RenderCount(), renders + 1);
  // Loaded but not shown yet: the picture still shows the blue background.
  EXPECT_LT(PixelOf(c.CachedPicture(), 60, 134).r, 10);
  c.SetShowImage(true);
  Gdiplus::Bitmap* pic = c.CachedPicture();
  Argb left = PixelOf(pic, 60, 134), right = PixelOf(pic, 200, 134), corner = PixelOf(pic, 0, 0);
  EXPECT_EQ(left.a, 255);
  EXPECT_GT(left.r, 240);
  EXPECT_LT(left.b, 15);
  EXPECT_GT(right.b, 240);
  EXPECT_LT(right.r, 15);
  EXPECT_GT(corner.r, 200);  // over the border too
  EXPECT_GT(PixelOf(pic, 250, 260).b, 200);
}

TEST_F(DockSurfaceTest, MissingOrUndecodableImageChangesNothingVisible) {
  testsupport::TempFolder dir;
  const std::string png = dir.File("halves.png");
  WriteTwoHalvesPng(png, 8, 8);
  dir.Write("broken.png", "this is not a picture");
  TpcDockPanel panel(nullptr);
  panel.SetBounds(0, 0, 40, 40);
  panel.SetShowImage(true);
  panel.SetImageSource(png);
  Gdiplus::Bitmap* image = panel.Image();
  int renders = panel.RenderCount();
  panel.SetImageSource(dir.File("missing.png"));
  EXPECT_EQ(panel.ImageSource(), dir.File("missing.png"));
  EXPECT_EQ(panel.Image(), image);  // the previous image stays
  EXPECT_EQ(panel.RenderCount(), renders);
  EXPECT_GT(PixelOf(panel.CachedPicture(), 5, 20).r, 200);

  TpcDockPanel other(nullptr);
  other.SetBounds(0, 0, 40, 40);
  other.SetShowImage(true);
  other.SetImageSource(dir.File("broken.png"));  // no error, and nothing drawn for it
  Argb mid = PixelOf(other.CachedPicture(), 20, 20);
  EXPECT_TRUE(Near(mid.a, 100, 1));
  EXPECT_GT(mid.b, 240);
}

// What the user sees: the monitor window's container with a title strip and a swatch.
TEST_F(DockSurfaceTest, PaintedOverTheParentTranslucentlyWithoutBoxes) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 257, 268);
  auto* p1 = new TpcDockContainer(&form);
  p1->SetParent(&form);
  p1->SetAlign(alClient);
  p1->SetColor(0xFFFFFF);  // the fill beneath the translucent picture
  p1->SetBackColor1(0xC6F9F3);
  p1->SetBackColor2(0xC6F9F3);
  p1->SetBorderColor1(0xD6682E);
  p1->SetBorderColor2(0xD6682E);
  auto* swatch = new TpcDockPanel(&form);
  swatch->SetParent(p1);
  swatch->SetBounds(100, 100, 25, 17);
  swatch->SetBackColor1(0x0000FF);
  swatch->SetBackColor2(0x0000FF);
  swatch->SetBackColorAlpha(128);
  form.Handle();
  ASSERT_EQ(p1->Width(), 257);
  auto shot = uitest::Capture(*p1);
  // Container: 0xC6F9F3 (R 243, G 249, B 198) at alpha 100 over white.
  const std::uint32_t tint = uitest::Blend(0xFFFFFF, 0xF3F9C6, 100);
  EXPECT_TRUE(uitest::PixelNear(shot, 50, 50, tint, 3));
  // Swatch: red at 128 over the container's tint, inside a border; no box outside it.
  EXPECT_TRUE(uitest::PixelNear(shot, 112, 108, uitest::Blend(tint, 0xFF0000, 128), 4));
  EXPECT_TRUE(uitest::PixelNear(shot, 99, 108, tint, 3));
  EXPECT_TRUE(uitest::PixelNear(shot, 125, 108, tint, 3));
  EXPECT_FALSE(uitest::PixelNear(shot, 100, 108, uitest::Blend(tint, 0xFF0000, 128), 4));
}

TEST_F(DockSurfaceTest, EveryPaintShowsTheLookOfTheLastChange) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 120, 80);
  form.SetColor(0xFFFFFF);
  auto* panel = new TpcDockPanel(&form);
  panel->SetParent(&form);
  panel->SetShowBorder(false);
  panel->SetBackColorAlpha(255);
  panel->SetBackColor1(0x0000FF);
  panel->SetBackColor2(0x0000FF);
  panel->SetBounds(10, 10, 30, 20);
  form.Handle();
  EXPECT_TRUE(uitest::PixelNear(uitest::Capture(form), 20, 20, 0xFF0000, 2));
  // Same size: the picture kept for painting is refilled, not left as it was.
  panel->SetBackColor1(0x00FF00);
  panel->SetBackColor2(0x00FF00);
  EXPECT_TRUE(uitest::PixelNear(uitest::Capture(form), 20, 20, 0x00FF00, 2));
  panel->SetBounds(10, 10, 80, 50);
  const auto grown = uitest::Capture(form);
  EXPECT_TRUE(uitest::PixelNear(grown, 85, 55, 0x00FF00, 2));
  EXPECT_TRUE(uitest::PixelNear(grown, 95, 65, 0xFFFFFF, 2));
}

}  // namespace
