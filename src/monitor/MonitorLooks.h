// The monitor window's colours and the looks of its progress bar, kept in one place so
// the control gallery (tools/) shows the bar exactly as the window draws it.
#pragma once
#include "ui/Graphics.h"

class TQvGDIPlusProgressBar;

constexpr TColor kFrameBlue = 14051374;    // 0xD6682E
constexpr TColor kPaleYellow = 13040115;   // 0xC6F9F3
constexpr TColor kLightBlue = 16757683;    // 0xFFB3B3
constexpr TColor kLineBlue = 15110730;     // 0xE6924A
constexpr TColor kProgressGreen = 2806653; // 0x2AD37D

// Direction, colours, alphas and border of the run's progress bar; position, visibility
// and value are left to the caller.
void ApplyProgressBarLooks(TQvGDIPlusProgressBar& Bar);
