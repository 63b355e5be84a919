// Colouring a chart's traces from a coverage mask: GDI+ draws a trace or a fill once in
// plain opaque white, so the mask's alpha is how much of each pixel the shape covers, and
// each row then takes its colour of a top-to-bottom gradient. A software GDI+ computes a
// gradient brush's colour for every pixel of the shape's bounding box and blends pixel by
// pixel; one colour per row is a small part of that work, for the same picture.
#pragma once
#include <cstdint>
#include <vector>

// 0xAARRGGBB (GDI+ ARGB, not premultiplied).
using ArgbPixel = std::uint32_t;

// The colours of rows 0 .. rows - 1 under a vertical linear gradient from `top` (colour
// `first`) to `top + height` (colour `last`), taken at the middle of each row. Outside the
// gradient's rows it repeats, as a GDI+ gradient brush does by default. A height below 1
// gives `first` everywhere.
std::vector<ArgbPixel> VerticalGradientRows(int rows, int top, int height, ArgbPixel first,
                                            ArgbPixel last);

// `colour` drawn over `dst` with its alpha scaled by coverage / 255 (source over, neither
// premultiplied).
ArgbPixel BlendOver(ArgbPixel dst, ArgbPixel colour, int coverage);

// Draws every covered pixel of `mask` (its alpha is the coverage) over `dst` in the colour
// of its row, and clears the mask's pixel on the way for its next shape. Both are
// width x height; the strides count pixels.
void BlendMaskRows(ArgbPixel* dst, int dstStride, ArgbPixel* mask, int maskStride, int width,
                   int height, const std::vector<ArgbPixel>& rowColours);
