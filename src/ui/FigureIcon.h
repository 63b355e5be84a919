// A small icon that shows a short text (a number) in large, condensed glyphs on a rounded
// square: the tray icon's free-memory figure.
#pragma once
#include <windows.h>

#include <string>

#include "ui/Graphics.h"

// An icon of Width x Height pixels: a rounded square of Back with an edge one shade darker,
// Text centred on it in Ink, its glyphs as tall as about three quarters of the icon and
// narrowed until the text fits. The caller owns the icon. Null when the size is below 8,
// the text is empty, or GDI refuses; every GDI object made on the way is freed either way.
HICON DrawFigureIcon(int Width, int Height, const std::string& Text, TColor Back, TColor Ink);

// The rounded square's shape: whether pixel (x, y) of a Width x Height icon lies inside
// it, with corners of the given radius.
bool InsideRoundedSquare(int X, int Y, int Width, int Height, int Radius);
