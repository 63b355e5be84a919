// A page control (the options dialog's two pages) moved to another DPI: the tabs grow with
// the scaled font, and the pages must start below them and fill the rest. Other DPIs come
// through the dpi::SetDpiOverride seam, as Wine fixes the process DPI when it starts.
#include <gtest/gtest.h>

#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/StdCtrls.h"

namespace {

struct DpiOverride {
  explicit DpiOverride(int Dpi) { dpi::SetDpiOverride(Dpi); }
  ~DpiOverride() { dpi::SetDpiOverride(0); }
};

void ExpectPagesFillTheDisplayRect(TPageControl& pc) {
  const RECT d = pc.DisplayRect();
  for (int i = 0; i < pc.PageCount(); ++i) {
    TTabSheet* page = pc.Pages(i);
    EXPECT_EQ(page->Left(), d.left) << i;
    EXPECT_EQ(page->Top(), d.top) << i << ": under the tabs";
    EXPECT_EQ(page->Width(), d.right - d.left) << i;
    EXPECT_EQ(page->Height(), d.bottom - d.top) << i;
  }
}

// The bounds are scaled before the font: the layout done for the new size still measured
// the tabs in the old font.
TEST(PageControlDpi, PagesFollowTheTabsToAnotherDpi) {
  DpiOverride at(96);
  TForm f(nullptr);
  f.SetBorderStyle(bsNone);
  f.SetBounds(0, 0, 460, 330);
  auto* pc = new TPageControl(&f);
  pc->SetParent(&f);
  pc->SetBounds(8, 8, 441, 275);
  for (const char* caption : {"General Settings", "Colors"}) {
    auto* page = new TTabSheet(&f);
    page->SetCaption(caption);
    page->SetPageControl(pc);
  }
  f.Handle();
  ExpectPagesFillTheDisplayRect(*pc);
  const RECT top = pc->DisplayRect();

  RECT to{0, 0, 920, 660};
  SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&to));
  ASSERT_EQ(f.PixelsPerInch(), 192);
  EXPECT_GT(pc->DisplayRect().top, top.top) << "the tabs grew with the font";
  ExpectPagesFillTheDisplayRect(*pc);
}

}  // namespace
