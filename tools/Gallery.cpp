// The drawing controls laid out on dock containers as the monitor window lays them out,
// with sample data, for looking at them (and for the screenshot in docs/).
//   Gallery.exe [-close-after MS]
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "controls/ColorUnit.h"
#include "controls/DockButton.h"
#include "controls/DockContainer.h"
#include "controls/DockLabel.h"
#include "controls/DockPanel.h"
#include "controls/QvGDIPlusProgressBar.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "monitor/MonitorLooks.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Timer.h"

namespace {

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path);
  return s.substr(0, s.find_last_of('\\') + 1);
}

TPCDockLabel* Label(TComponent* owner, TWinControl* parent, const std::string& caption, int l,
                    int t, int w, int h, bool bold, bool autoSize,
                    Gdiplus::StringAlignment align = Gdiplus::StringAlignmentCenter) {
  auto* lbl = new TPCDockLabel(owner);
  lbl->SetParent(parent);
  lbl->SetBounds(l, t, w, h);
  lbl->Font()->SetHeight(-11);
  lbl->Font()->SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{0});
  lbl->SetAutoSize(autoSize);
  lbl->SetAlignment(align);
  lbl->SetCaption(caption);
  return lbl;
}

TQvGDIPlusTrendLine* Chart(TComponent* owner, TWinControl* parent, int l, int t, TColor high,
                           TColor low, double phase) {
  auto* c = new TQvGDIPlusTrendLine(owner);
  c->SetParent(parent);
  c->SetBounds(l, t, 241, 89);
  c->SetAutoDraw(false);
  c->SetMax(100);
  c->SetMin(0);
  c->SetBorderColor1(kFrameBlue);
  c->SetBorderColor2(kFrameBlue);
  c->SetBorderAlpha(128);
  c->SetShowGrid(true);
  c->SetGridSize(10);
  c->SetGridColor(kLightBlue);
  c->SetGridColorAlpha(128);
  c->SetBackColor1(clBlack);
  c->SetBackColor2(clWhite);
  c->SetBackColorMode(Gdiplus::LinearGradientModeVertical);
  c->SetBackColorAlpha(128);
  c->SetLine1Color1(high);
  c->SetLine1Color2(low);
  c->SetLine1Fill(true);
  c->SetLine1Visible(true);
  c->SetLine1Alpha(128);
  c->SetLineFill1Alpha(128);
  c->SetLine1Width(1);
  for (int i = 0; i < 100; ++i)
    c->AddValue(1, static_cast<int>(50 + 35 * std::sin(phase + i / 9.0) + 10 * std::sin(i / 2.7)));
  c->SetAutoDraw(true);
  return c;
}

// The monitor window's layout, with a run in progress and a result in the title strip.
void BuildMonitor(TForm* form, int left) {
  auto* p1 = new TpcDockContainer(form);
  p1->SetParent(form);
  p1->SetBounds(left, 0, 257, 268);
  p1->SetBorderColor1(kFrameBlue);
  p1->SetBorderColor2(kFrameBlue);
  p1->SetBorderAlpha(100);
  p1->SetBackColor1(kPaleYellow);
  p1->SetBackColor2(kPaleYellow);
  p1->SetBackColorAlpha(100);
  p1->SetBackColorMode(Gdiplus::LinearGradientModeVertical);

  Label(form, p1, "CPU", 8, 24, 27, 15, true, true);
  Chart(form, p1, 8, 40, 0x0000FF, kLineBlue, 0.0);
  auto* strip = new TpcDockPanel(form);
  strip->SetParent(p1);
  strip->SetBounds(-1, -1, 262, 21);
  strip->SetBorderColor1(kFrameBlue);
  strip->SetBorderColor2(kFrameBlue);
  strip->SetBackColor1(0x808080);
  strip->SetBackColor2(clWhite);
  Label(form, p1, "Memtide", 8, 3, 57, 15, true, true);
  Label(form, p1, "RAM", 8, 136, 29, 15, true, true);
  Chart(form, p1, 8, 152, 0x008000, 0x0000FF, 2.0);
  Label(form, p1, "37%", 210, 24, 39, 15, false, false, Gdiplus::StringAlignmentFar);
  Label(form, p1, "1.1 G Free [28%] / 4.0 G", 48, 136, 201, 15, false, false,
        Gdiplus::StringAlignmentFar);
  auto* pin = new TPCDockButton(form);
  pin->SetParent(p1);
  pin->SetBounds(236, 1, 17, 17);
  pin->SetDrawMode(idmNormal);
  pin->SetImageQuality(2);
  pin->SetNormalSource(ExeFolder() + "p1.png");
  pin->SetMouseOverSource(ExeFolder() + "p1.png");
  auto* link = Label(form, p1, "Start Optimize", 8, 248, 73, 15, false, true);
  link->SetCursor(crHandPoint);
  link->Font()->SetColor(kFrameBlue);
  link->SetMouseOverFont(*link->Font());
  link->MouseOverFont()->SetStyle(fsUnderline);
  link->SetEnabled(false);  // a run is in progress
  auto* options = Label(form, p1, "Options", 184, 248, 64, 15, false, false,
                        Gdiplus::StringAlignmentFar);
  options->SetCursor(crHandPoint);
  options->Font()->SetColor(kFrameBlue);
  options->SetMouseOverFont(*options->Font());
  options->MouseOverFont()->SetStyle(fsUnderline);
  auto* pb = new TQvGDIPlusProgressBar(form);
  pb->SetParent(p1);
  pb->SetBounds(88, 247, 89, 15);
  ApplyProgressBarLooks(*pb);
  pb->SetValue(62);
  Label(form, p1, "62%", 116, 248, 21, 15, false, true);
  auto* result = Label(form, p1, "14:03:27 +312.45 M", 101, 3, 128, 15, true, false,
                       Gdiplus::StringAlignmentFar);
  result->Font()->SetColor(kFrameBlue);
}

// The remaining looks: swatches, label effects, the four bar directions, button modes.
void BuildExtras(TForm* form, int left) {
  auto* p2 = new TpcDockContainer(form);
  p2->SetParent(form);
  p2->SetBounds(left, 0, 257, 268);
  p2->SetBorderColor1(kFrameBlue);
  p2->SetBorderColor2(0x00FFFF);
  p2->SetBackColor1(0xF0E0D0);
  p2->SetBackColor2(0x3060C0);
  p2->SetBackColorAlpha(160);
  p2->SetBackColorMode(Gdiplus::LinearGradientModeForwardDiagonal);
  p2->SetBorderWidth(4);

  Label(form, p2, "Colour swatches", 10, 8, 100, 15, true, true, Gdiplus::StringAlignmentNear);
  const TColor swatches[10] = {0x000000, 0xFFFFFF, 0x408000, 0x0000FF, 0x00FF00,
                               0x808080, 0xC0C0C0, 0xFF0000, 0x00FFFF, 0xFF00FF};
  for (int i = 0; i < 10; ++i) {
    auto* s = new TpcDockPanel(form);
    s->SetParent(p2);
    s->SetBounds(10 + (i % 5) * 32, 28 + (i / 5) * 22, 25, 17);
    s->SetCursor(crHandPoint);
    s->SetBorderColor1(static_cast<TColor>(-1));
    s->SetBorderColor2(clBlack);
    s->SetBackColor1(swatches[i]);
    s->SetBackColor2(swatches[i]);
    s->SetBackColorAlpha(128);
  }

  auto* shadow = Label(form, p2, "Shadowed text", 10, 78, 0, 0, true, true);
  shadow->Font()->SetHeight(-16);
  shadow->Font()->SetColor(clWhite);
  shadow->SetShowShadow(true);
  auto* backed = Label(form, p2, "Label with a gradient", 10, 104, 150, 18, false, false);
  backed->SetShowBackColor(true);
  backed->SetBackColor(0x00D7FF);
  backed->SetBackColorAlpha(220);
  backed->SetBackGradColor(0x0080FF);
  backed->SetBackGradColorAlpha(60);
  backed->SetBackColorMode(Gdiplus::LinearGradientModeHorizontal);
  auto* faint = Label(form, p2, "Half-transparent text", 10, 128, 150, 15, true, false,
                      Gdiplus::StringAlignmentNear);
  faint->SetFontAlpha(110);

  const TQvProgressBarDrawStyle styles[4] = {pbdsLeft, pbdsRight, pbdsTop, pbdsBottom};
  for (int i = 0; i < 4; ++i) {
    auto* bar = new TQvGDIPlusProgressBar(form);
    bar->SetParent(p2);
    bool horizontal = i < 2;
    bar->SetBounds(horizontal ? 10 : 130 + (i - 2) * 26, horizontal ? 156 + i * 22 : 156,
                   horizontal ? 100 : 18, horizontal ? 15 : 60);
    bar->SetDrawStyle(styles[i]);
    bar->SetFrontColor(i % 2 ? 0x0080FF : kProgressGreen);
    bar->SetFrontGradColor(clWhite);
    bar->SetFrontAlpha(200);
    bar->SetBackColor(clSilver);
    bar->SetBackGradColor(clWhite);
    bar->SetBackAlpha(120);
    bar->SetShowBorder(true);
    bar->SetBorderColor(kFrameBlue);
    bar->SetBorderGradColor(kFrameBlue);
    bar->SetBorderAlpha(128);
    bar->SetValue(30 + 15 * i);
  }

  const TQvImageDrawMode modes[3] = {idmNormal, idmStretch, idmFill};
  for (int i = 0; i < 3; ++i) {
    auto* b = new TPCDockButton(form);
    b->SetParent(p2);
    b->SetDrawMode(modes[i]);
    b->SetBounds(190, 30 + i * 40, 34, 34);
    b->SetNormalSource(ExeFolder() + (i == 1 ? "p2.png" : "p1.png"));
    b->SetAlpha(i == 2 ? 128 : 255);
  }
  auto* caption = new TPCDockButton(form);
  caption->SetParent(p2);
  caption->SetDrawMode(idmNormal);
  caption->SetBounds(160, 230, 86, 24);
  caption->SetShowBackColor(true);
  caption->SetBackColor(kFrameBlue);
  caption->SetBackGradColor(clWhite);
  caption->SetBackColorAlpha(200);
  caption->SetBackGradColorAlpha(80);
  caption->SetCaption("Button");
  Label(form, p2, "Link (hover me)", 10, 240, 0, 0, false, true)->SetCursor(crHandPoint);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  GdiPlusSession gdiplus;
  TApplication app;
  auto* form = new TForm(&app);
  form->SetName("Gallery");
  form->SetCaption("Memtide controls");
  form->SetBorderStyle(bsNone);
  form->SetBounds(20, 20, 257 * 2 + 8, 268);
  form->SetColor(clBtnFace);
  // Built like a form read from its description: auto-sizing waits until all is set.
  form->BeginLoading();
  BuildMonitor(form, 0);
  BuildExtras(form, 257 + 8);
  form->EndLoading();
  app.SetMainForm(form);
  form->Show();

  TTimer closer(nullptr);
  closer.SetEnabled(false);
  if (__argc >= 3 && std::string(__argv[1]) == "-close-after") {
    closer.SetInterval(static_cast<unsigned>(std::atoi(__argv[2])));
    closer.OnTimer = [form](TObject*) { form->Close(); };
    closer.SetEnabled(true);
  }
  app.Run();
  return 0;
}
