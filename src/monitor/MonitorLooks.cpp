#include "monitor/MonitorLooks.h"

#include "controls/QvGDIPlusProgressBar.h"

void ApplyProgressBarLooks(TQvGDIPlusProgressBar& Bar) {
  Bar.SetDrawStyle(pbdsLeft);
  Bar.SetFrontMode(pbdmColor);
  Bar.SetFrontColor(kProgressGreen);
  Bar.SetFrontGradColor(clWhite);
  Bar.SetFrontAlpha(200);
  Bar.SetBackMode(pbdmColor);
  Bar.SetBackColor(clSilver);
  Bar.SetBackGradColor(clWhite);
  Bar.SetBackAlpha(255);
  Bar.SetShowBorder(true);
  Bar.SetBorderColor(kFrameBlue);
  Bar.SetBorderGradColor(kFrameBlue);
  Bar.SetBorderAlpha(128);
}
