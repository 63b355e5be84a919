// The dock label: sizing to its text, the mouse-over font, alignment, shadow and alpha, as
// seen in real paints on a white window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/ColorUnit.h"
#include "controls/DockButton.h"
#include "controls/DockLabel.h"
#include "controls/GdiPlus.h"
#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/UiTestKit.h"

namespace {

class CountedLabel : public TPCDockLabel {
 public:
  using TPCDockLabel::TPCDockLabel;
  void Invalidate() override {
    ++invalidations;
    TPCDockLabel::Invalidate();
  }
  int invalidations = 0;
};

// Pixels clearly darker than the white background, i.e. ink.
bool Ink(const uitest::Picture& p, int x, int y) { return p.R(x, y) + p.G(x, y) + p.B(x, y) < 600; }
int InkIn(const uitest::Picture& p, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += Ink(p, x, y);
  return n;
}

bool FaceInstalled(const wchar_t* Face) {
  Gdiplus::FontFamily family(Face);
  return family.GetLastStatus() == Gdiplus::Ok;
}

// Tahoma when GDI+ knows it (Windows; a Wine prefix with Wine's own fonts installed),
// otherwise the first installed family, so the behaviour tests run everywhere.
std::string TestFace() {
  if (FaceInstalled(L"Tahoma")) return "Tahoma";
  Gdiplus::InstalledFontCollection installed;
  Gdiplus::FontFamily first;
  INT found = 0;
  installed.GetFamilies(1, &first, &found);
  WCHAR name[LF_FACESIZE] = {};
  if (found == 1) first.GetFamilyName(name);
  char narrow[LF_FACESIZE] = {};
  WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

// Whether this GDI+ draws the underline of an underlined font (Wine 8's does not).
bool GdiPlusDrawsUnderline(const std::string& Face) {
  Gdiplus::Bitmap bmp(80, 20, PixelFormat32bppARGB);
  Gdiplus::Graphics g(&bmp);
  g.Clear(Gdiplus::Color(255, 255, 255, 255));
  std::wstring face(Face.begin(), Face.end());
  Gdiplus::FontFamily family(face.c_str());
  Gdiplus::Font font(&family, 8, Gdiplus::FontStyleUnderline, Gdiplus::UnitPoint);
  Gdiplus::SolidBrush black(Gdiplus::Color(255, 0, 0, 0));
  g.DrawString(L"ii ii ii", -1, &font, Gdiplus::PointF(0, 0), &black);
  for (int y = 0; y < 20; ++y) {
    int run = 0;
    for (int x = 0; x < 80; ++x) {
      Gdiplus::Color c;
      bmp.GetPixel(x, y, &c);
      run = c.GetR() < 128 ? run + 1 : 0;
      if (run >= 12) return true;  // longer than any glyph: a line
    }
  }
  return false;
}

class DockLabelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { session_ = new GdiPlusSession(); }
  static void TearDownTestSuite() {
    delete session_;
    session_ = nullptr;
  }
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBorderStyle(bsNone);
    form_->SetColor(0xFFFFFF);
    form_->SetBounds(0, 0, 300, 120);
  }
  CountedLabel* Add(const std::string& Caption, int L, int T) {
    auto* l = new CountedLabel(form_.get());
    l->Font()->SetName(face_);
    l->SetParent(form_.get());
    l->SetLeft(L);
    l->SetTop(T);
    l->SetCaption(Caption);
    return l;
  }
  uitest::Picture Shot() { return uitest::Capture(*form_); }
  static GdiPlusSession* session_;
  std::unique_ptr<TForm> form_;
  std::string face_ = TestFace();
};
GdiPlusSession* DockLabelTest::session_ = nullptr;

TEST_F(DockLabelTest, NewLabelUsesEightPointTahomaAndIsReadyToFit) {
  TPCDockLabel l(nullptr);
  EXPECT_EQ(l.Font()->Name(), "Tahoma");
  EXPECT_EQ(l.Font()->Size(), 8);
  EXPECT_EQ(l.MouseOverFont()->Name(), "Tahoma");
  EXPECT_TRUE(l.AutoSize());
  EXPECT_EQ(l.Caption(), "");
}

// Windows at 150 % (a system DPI of 144): the screen's LOGPIXELSY is 144, and a form created
// on a monitor of 144 DPI scales its 96-DPI design by 144 / 96. The default 8 points are a
// design value too (11 pixels at 96 DPI), so the font is scaled that once and no more; on a
// monitor of 96 DPI it stays 11 pixels high.
TEST_F(DockLabelTest, DefaultEightPointFontIsScaledOnceAtASystemDpiOf144) {
  dpi::SetDpiOverride(144);
  struct Restore {
    ~Restore() { dpi::SetDpiOverride(0); }
  } restore;
  TForm form(nullptr);
  auto* label = new TPCDockLabel(&form);
  label->SetParent(&form);
  auto* button = new TPCDockButton(&form);
  button->SetParent(&form);
  EXPECT_EQ(label->Font()->Height(), -11);
  EXPECT_EQ(button->Font()->Height(), -11);
  form.ScaleForDpi(144);
  EXPECT_EQ(label->Font()->Height(), -17);
  EXPECT_EQ(label->MouseOverFont()->Height(), -17);
  EXPECT_EQ(button->Font()->Height(), -17);
  EXPECT_EQ(button->MouseOverFont()->Height(), -17);
  form.ScaleForDpi(96);
  EXPECT_EQ(label->Font()->Height(), -11);
  EXPECT_EQ(button->MouseOverFont()->Height(), -11);
}

TEST_F(DockLabelTest, AutoSizedHeadingTakesItsMeasuredSizePlusOne) {
  if (face_ != "Tahoma") GTEST_SKIP() << "GDI+ knows no Tahoma here (Wine prefix without Wine's fonts)";
  auto* cpu = Add("CPU", 8, 24);
  cpu->Font()->SetStyle(fsBold);
  // The monitor window's form stores this heading as 27 x 15; font metrics differ a
  // little between systems.
  EXPECT_NEAR(cpu->Width(), 27, 3);
  EXPECT_NEAR(cpu->Height(), 15, 2);
  EXPECT_EQ(cpu->Left(), 8);
  EXPECT_EQ(cpu->Top(), 24);
  int w = cpu->Width();
  cpu->SetCaption("CPU CPU");
  EXPECT_GT(cpu->Width(), w + 15);  // at once, keeping the top-left corner
  EXPECT_EQ(cpu->Left(), 8);
  cpu->SetAlignment(Gdiplus::StringAlignmentFar);
  EXPECT_EQ(cpu->Width(), cpu->Width());
  int before = cpu->Width();
  cpu->SetLayout(Gdiplus::StringAlignmentNear);
  EXPECT_EQ(cpu->Width(), before);
}

TEST_F(DockLabelTest, TextIsDrawnNearlyBlackInTheDefaultFont) {
  auto* l = Add("Memtide", 8, 3);
  auto shot = Shot();
  EXPECT_GT(InkIn(shot, l->Left(), l->Top(), l->Left() + l->Width(), l->Top() + l->Height()), 20);
  EXPECT_EQ(InkIn(shot, l->Left() + l->Width() + 1, 0, 300, 120), 0);
}

TEST_F(DockLabelTest, FarAlignmentPutsTextAtTheRightOfAFixedWidth) {
  auto* l = Add("", 10, 10);
  l->SetAutoSize(false);
  l->SetBounds(10, 10, 201, 15);
  l->SetAlignment(Gdiplus::StringAlignmentFar);
  l->SetCaption("1.1 G");
  EXPECT_EQ(l->Width(), 201);  // no auto size: caption changes keep the size
  auto shot = Shot();
  EXPECT_EQ(InkIn(shot, 10, 10, 150, 25), 0);
  EXPECT_GT(InkIn(shot, 170, 10, 211, 25), 10);
}

TEST_F(DockLabelTest, LongCaptionWrapsAtWordsEvenWithoutWordWrap) {
  auto* l = Add("", 10, 10);
  l->SetAutoSize(false);
  l->SetBounds(10, 10, 60, 40);
  l->SetAlignment(Gdiplus::StringAlignmentNear);
  l->SetLayout(Gdiplus::StringAlignmentNear);
  EXPECT_FALSE(l->WordWrap());
  l->SetCaption("Optimize Optimize Optimize");
  auto shot = Shot();
  EXPECT_GT(InkIn(shot, 10, 10, 70, 23), 10);  // first line
  EXPECT_GT(InkIn(shot, 10, 24, 70, 37), 10);  // second line
  EXPECT_EQ(InkIn(shot, 71, 0, 300, 120), 0);  // nothing beyond the control
}

TEST_F(DockLabelTest, LinkIsUnderlinedWhileTheMouseIsOverItAndEnterComesLast) {
  auto* link = Add("Start Optimize", 8, 40);
  link->SetMouseOverFont(*link->Font());
  link->MouseOverFont()->SetStyle(fsUnderline);
  const RECT before = link->BoundsRect();
  auto count_underline_rows = [&](const uitest::Picture& p) {
    // Rows where ink runs across most of the text width: only an underline does that.
    int rows = 0;
    for (int y = link->Top(); y < link->Top() + link->Height(); ++y) {
      int run = 0, best = 0;
      for (int x = link->Left(); x < link->Left() + link->Width(); ++x) {
        run = Ink(p, x, y) ? run + 1 : 0;
        best = std::max(best, run);
      }
      rows += best > link->Width() * 2 / 3;
    }
    return rows;
  };
  EXPECT_EQ(count_underline_rows(Shot()), 0);

  int repaints_at_enter = -1, width_at_enter = -1;
  link->OnMouseEnter = [&](TObject* s) {
    EXPECT_EQ(s, link);
    repaints_at_enter = link->invalidations;
    width_at_enter = link->Width();
  };
  int repaints = link->invalidations;
  SendMessageA(form_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(before.left + 3, before.top + 3));
  EXPECT_TRUE(link->MouseOver());
  EXPECT_GT(repaints_at_enter, repaints);  // repaint requested before the event
  EXPECT_EQ(width_at_enter, link->Width());
  const bool underlines = GdiPlusDrawsUnderline(face_);
  if (underlines) {
    EXPECT_GE(count_underline_rows(Shot()), 1);
  }

  bool left = false;
  link->OnMouseLeave = [&](TObject*) { left = true; };
  SendMessageA(form_->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_TRUE(left);
  EXPECT_FALSE(link->MouseOver());
  EXPECT_EQ(count_underline_rows(Shot()), 0);
  if (!underlines) GTEST_SKIP() << "this GDI+ draws no underlines; only the states were checked";
}

TEST_F(DockLabelTest, ZeroFontAlphaHidesTextWhileTheShadowStillDraws) {
  auto* l = Add("RAM RAM", 20, 20);
  l->Font()->SetColor(0xFF0000);  // blue text
  l->SetShadowColor(0x0000FF);    // red shadow
  l->SetShadowAlpha(255);
  l->SetShowShadow(true);
  l->SetFontAlpha(0);
  auto shot = Shot();
  int red = 0, blue = 0;
  for (int y = 15; y < 45; ++y)
    for (int x = 15; x < 100; ++x) {
      red += shot.R(x, y) > 200 && shot.G(x, y) < 120 && shot.B(x, y) < 120;
      blue += shot.B(x, y) > 200 && shot.R(x, y) < 120 && shot.G(x, y) < 120;
    }
  EXPECT_GT(red, 10);
  EXPECT_EQ(blue, 0);
}

TEST_F(DockLabelTest, BackgroundGradientFillsTheLabel) {
  auto* l = Add("x", 10, 10);
  l->SetAutoSize(false);
  l->SetBounds(10, 10, 40, 40);
  l->SetShowBackColor(true);
  l->SetBackColor(0x0000FF);
  l->SetBackColorAlpha(255);
  l->SetBackGradColor(0x0000FF);
  l->SetBackGradColorAlpha(128);
  auto shot = Shot();
  EXPECT_TRUE(uitest::PixelNear(shot, 12, 11, 0xFF0000, 12));             // opaque red at the top
  EXPECT_TRUE(uitest::PixelNear(shot, 12, 48, uitest::Blend(0xFFFFFF, 0xFF0000, 128), 12));
  EXPECT_TRUE(uitest::PixelNear(shot, 9, 30, 0xFFFFFF, 0));
}

TEST_F(DockLabelTest, UnknownFaceKeepsTheSizeAndPaintsOnlyTheBackground) {
  auto* l = Add("Start", 10, 10);
  const int w = l->Width(), h = l->Height();
  EXPECT_LT(w, 105);  // it did fit with a known face
  l->Font()->SetName("No Such Face 4711");
  l->SetCaption("Start Optimize now");
  EXPECT_EQ(l->Width(), w);
  EXPECT_EQ(l->Height(), h);
  EXPECT_EQ(InkIn(Shot(), 0, 0, 300, 120), 0);
}

TEST_F(DockLabelTest, UnchangedValuesDoNothingAndSizingWaitsForLoading) {
  auto* l = Add("CPU", 10, 10);
  int repaints = l->invalidations;
  l->SetFontAlpha(255);
  l->SetAlignment(Gdiplus::StringAlignmentCenter);
  l->SetTextRendering(Gdiplus::TextRenderingHintClearTypeGridFit);
  l->SetCaption("CPU");
  l->SetMouseOverFont(*l->MouseOverFont());
  EXPECT_EQ(l->invalidations, repaints);
  l->SetWordWrap(true);
  EXPECT_EQ(l->invalidations, repaints + 1);

  const int w = l->Width();
  form_->BeginLoading();
  l->SetCaption("CPU and more");
  EXPECT_EQ(l->Width(), w);
  form_->EndLoading();
  EXPECT_GT(l->Width(), w);
}

}  // namespace
