// A drop-down list on a form scaled to another DPI: the system sizes the closed field to
// the scaled font, and the control's window must end where that field ends, with the
// form painted below it (not a strip of the list's window). Other DPIs come through the
// dpi::SetDpiOverride seam, as Wine fixes the process DPI when the process starts.
#include <gtest/gtest.h>

#include <algorithm>

#include "UiTestKit.h"
#include "support/TestSupport.h"
#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/StdCtrls.h"

namespace {

struct DpiOverride {
  explicit DpiOverride(int Dpi) { dpi::SetDpiOverride(Dpi); }
  ~DpiOverride() { dpi::SetDpiOverride(0); }
};

constexpr TColor kFormColor = 0x00406080;  // 0x00BBGGRR; no part of a combo box is drawn in it
constexpr std::uint32_t kFormRgb = 0x00806040;

// A frameless form laid out at 96 DPI with the options dialog's language list on it.
class ComboForm : public TForm {
 public:
  ComboForm() : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetColor(kFormColor);
    SetBounds(40, 40, 300, 160);
    combo = new TComboBox(this);
    combo->SetParent(this);
    combo->SetBounds(20, 12, 185, 21);
    combo->AddItem("English");
    combo->AddItem("Deutsch");
    combo->SetItemIndex(0);
  }
  TComboBox* combo;
};

int WindowHeight(HWND Wnd) {
  RECT r{};
  GetWindowRect(Wnd, &r);
  return r.bottom - r.top;
}

// Bottom of the selection field (the text and the button) in the combo box's client area.
int FieldBottom(HWND Combo) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(Combo, &info)) return -1;
  return std::max(info.rcItem.bottom, info.rcButton.bottom);
}

// The closed combo box's window is its field and the field's frame, nothing more, and the
// control reports that height.
void ExpectClosedWindowIsTheField(TComboBox& Combo) {
  HWND wnd = Combo.Handle();
  const int height = WindowHeight(wnd);
  const int field = FieldBottom(wnd);
  ASSERT_GT(field, 0);
  EXPECT_GE(height - field, 0);
  EXPECT_LE(height - field, 3) << "window " << height << " px, field ends at " << field;
  EXPECT_EQ(Combo.Height(), height);
}

// What the form shows on screen once it has painted what it was asked to (nothing more is
// invalidated here: a part nobody asked to repaint must show up as wrong).
uitest::Picture Shot(TForm& Form) {
  testsupport::PumpMessages(150);
  RECT r{};
  GetClientRect(Form.Handle(), &r);
  return uitest::Render(r.right, r.bottom, 0x00FF00FF, [&](HDC dc) {
    HDC screen = GetDC(Form.Handle());
    BitBlt(dc, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(Form.Handle(), screen);
  });
}

// Every pixel between the combo box's bottom and 40 px below it shows the form.
void ExpectFormBelow(TForm& Form, TComboBox& Combo) {
  uitest::Picture pic = Shot(Form);
  ASSERT_GT(pic.width, 0);
  int wrong = 0, firstX = -1, firstY = -1;
  const int top = Combo.Top() + Combo.Height();
  for (int y = top; y < std::min(top + 40, pic.height); ++y)
    for (int x = Combo.Left(); x < Combo.Left() + Combo.Width(); ++x)
      if (!uitest::PixelNear(pic, x, y, kFormRgb, 0) && wrong++ == 0) firstX = x, firstY = y;
  EXPECT_EQ(wrong, 0) << "first at (" << firstX << ", " << firstY << "): " << std::hex
                      << pic.At(firstX < 0 ? 0 : firstX, firstY < 0 ? 0 : firstY);
}

TEST(ComboBoxDpi, At96TheDesignHeightIsTheClosedHeight) {
  DpiOverride at(96);
  ComboForm f;
  f.Show();
  EXPECT_EQ(WindowHeight(f.combo->Handle()), 21);
  EXPECT_EQ(f.combo->Height(), 21);
  ExpectClosedWindowIsTheField(*f.combo);
  ExpectFormBelow(f, *f.combo);
}

TEST(ComboBoxDpi, FormCreatedAtAnotherDpiEndsTheWindowWithTheScaledField) {
  for (int d : {144, 192}) {
    SCOPED_TRACE(d);
    DpiOverride at(d);
    ComboForm f;
    f.Show();
    ASSERT_EQ(f.PixelsPerInch(), d);
    EXPECT_EQ(f.combo->Font()->Height(), dpi::Scale(-11, d));
    // The field follows the scaled font: taller than at 96 DPI.
    EXPECT_GT(FieldBottom(f.combo->Handle()), dpi::Scale(17, d) - 4);
    ExpectClosedWindowIsTheField(*f.combo);
    EXPECT_EQ(f.combo->Top(), dpi::Scale(12, d));
    EXPECT_EQ(f.combo->Width(), dpi::Scale(185, d));
    ExpectFormBelow(f, *f.combo);
  }
}

TEST(ComboBoxDpi, MoveToAnotherDpiWhileShownRepaintsWhatTheListGaveUp) {
  DpiOverride at(96);
  ComboForm f;
  f.Show();
  testsupport::PumpMessages(50);
  RECT wr{};
  GetWindowRect(f.Handle(), &wr);
  RECT to144{wr.left, wr.top, wr.left + 450, wr.top + 240};
  SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&to144));
  ASSERT_EQ(f.PixelsPerInch(), 144);
  ExpectClosedWindowIsTheField(*f.combo);
  ExpectFormBelow(f, *f.combo);
  // Back at 96 the design height again, and the list still drops down below the field.
  RECT to96{wr.left, wr.top, wr.right, wr.bottom};
  SendMessageA(f.Handle(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&to96));
  EXPECT_EQ(f.combo->Height(), 21);
  ExpectClosedWindowIsTheField(*f.combo);
  ExpectFormBelow(f, *f.combo);
  RECT dropped{};
  SendMessageA(f.combo->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_GT(dropped.bottom - dropped.top, 21 + 2 * 13) << "room for the two items";
}

}  // namespace
