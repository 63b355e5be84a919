#include "ui/FigureIcon.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/DibSection.h"
#include "util/ScopedHandles.h"

namespace {

std::uint32_t Pixel(TColor c) {  // 0x00BBGGRR -> opaque 0xAARRGGBB
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

TColor Darker(TColor c) {
  auto part = [c](int shift) { return ((c >> shift) & 0xFF) * 3 / 5; };
  return part(0) | (part(8) << 8) | (part(16) << 16);
}

UniqueHFont MakeFont(int Height, int Width) {
  return UniqueHFont(CreateFontA(-Height, Width, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
}

struct Fitted {
  UniqueHFont Font;
  SIZE Extent{0, 0};
  int DigitTop = 0;     // the glyphs' top, below the cell's top
  int DigitHeight = 0;  // from the glyphs' top to the baseline
  int Reserve = 0;      // width kept free for strokes drawn wider by hand
};

// The largest font whose digits are at most `maxHeight` tall, narrowed until `text` is at
// most `maxWidth` wide.
Fitted FitFont(HDC dc, const std::string& text, int maxWidth, int maxHeight) {
  Fitted best;
  const int n = static_cast<int>(text.size());
  for (int h = maxHeight * 2; h >= 4; --h) {
    UniqueHFont font = MakeFont(h, 0);
    if (!font) return best;
    TEXTMETRICA tm{};
    {
      ScopedSelect select(dc, font.get());
      if (!GetTextMetricsA(dc, &tm)) return best;
    }
    const int digitHeight = tm.tmAscent - tm.tmInternalLeading;
    if (digitHeight > maxHeight) continue;
    const int reserve = std::max(1, digitHeight / 10);
    // Narrow the glyphs step by step (0: the font's own width); narrowed much further than
    // four fifths the strokes get too thin to read, so a smaller height is tried then.
    const int narrowest = std::max(3, static_cast<int>(tm.tmAveCharWidth * 4 / 5));
    for (int w = 0; w == 0 || w >= narrowest; w = (w == 0 ? static_cast<int>(tm.tmAveCharWidth) : w) - 1) {
      UniqueHFont narrowed = w == 0 ? std::move(font) : MakeFont(h, w);
      if (!narrowed) return best;
      SIZE extent{0, 0};
      {
        ScopedSelect select(dc, narrowed.get());
        if (!GetTextExtentPoint32A(dc, text.c_str(), n, &extent)) return best;
      }
      if (extent.cx + reserve <= maxWidth) {
        best.Font = std::move(narrowed);
        best.Extent = extent;
        best.Reserve = reserve;
        best.DigitTop = tm.tmInternalLeading;
        best.DigitHeight = digitHeight;
        return best;
      }
    }
  }
  return best;
}

int Distance(std::uint32_t a, std::uint32_t b) {
  int d = 0;
  for (int shift : {0, 8, 16}) d += std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                             static_cast<int>((b >> shift) & 0xFF));
  return d;
}

// Whether most horizontal runs of text pixels inside the edge (pixels nearer the ink than
// the fill, so that smoothing's pale fringes do not count) are at most `thinWidth` pixels
// wide: strokes drawn without bold, or narrowed so far that they lost it.
bool ThinStrokes(const TDibSection& dib, std::uint32_t fill, std::uint32_t ink, int thinWidth) {
  int runs = 0, thin = 0;
  for (int y = 1; y + 1 < dib.Height(); ++y) {
    const std::uint32_t* row = dib.Row(y);
    int run = 0;
    for (int x = 1; x < dib.Width(); ++x) {
      // GDI may have cleared the alpha of what it drew: colours only.
      const bool inked = x + 1 < dib.Width() && Distance(row[x], ink) < Distance(row[x], fill);
      if (inked) {
        ++run;
        continue;
      }
      if (run > 0) {
        ++runs;
        if (run <= thinWidth) ++thin;
      }
      run = 0;
    }
  }
  return runs > 0 && thin * 2 > runs;
}

}  // namespace

bool InsideRoundedSquare(int X, int Y, int Width, int Height, int Radius) {
  if (X < 0 || Y < 0 || X >= Width || Y >= Height) return false;
  // Pixel centres against the corner circles, in half pixels to stay in integers.
  const int px = 2 * X + 1, py = 2 * Y + 1, r = 2 * Radius;
  const int cx = px < r ? r : (px > 2 * Width - r ? 2 * Width - r : px);
  const int cy = py < r ? r : (py > 2 * Height - r ? 2 * Height - r : py);
  const int dx = px - cx, dy = py - cy;
  return dx * dx + dy * dy <= r * r;
}

HICON DrawFigureIcon(int Width, int Height, const std::string& Text, TColor Back, TColor Ink) {
  if (Width < 8 || Height < 8 || Text.empty()) return nullptr;
  TDibSection dib(Width, Height);
  if (dib.Empty()) return nullptr;
  const int radius = std::max(2, std::min(Width, Height) / 6);
  const std::uint32_t fill = Pixel(Back), edge = Pixel(Darker(Back & 0xFFFFFF));
  auto inside = [&](int x, int y) { return InsideRoundedSquare(x, y, Width, Height, radius); };
  auto paintSquare = [&] {
    for (int y = 0; y < Height; ++y) {
      std::uint32_t* row = dib.Row(y);
      for (int x = 0; x < Width; ++x) {
        if (!inside(x, y)) {
          row[x] = 0;
          continue;
        }
        const bool border = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) ||
                            !inside(x, y + 1);
        row[x] = border ? edge : fill;
      }
    }
  };

  // One pixel of edge and one of air on each side.
  Fitted fit = FitFont(dib.Dc(), Text, Width - 3, Height * 3 / 4);
  if (!fit.Font) return nullptr;
  ScopedSelect select(dib.Dc(), fit.Font.get());
  SetBkMode(dib.Dc(), TRANSPARENT);
  SetTextColor(dib.Dc(), Ink & 0xFFFFFF);
  SetTextAlign(dib.Dc(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
  // Each stroke drawn `smear` pixels wider to the right.
  auto paintText = [&](int smear) {
    const int x = (Width - fit.Extent.cx - smear + 1) / 2;
    const int y = (Height - fit.DigitHeight + 1) / 2 - fit.DigitTop;
    for (int dx = 0; dx <= smear; ++dx)
      if (!TextOutA(dib.Dc(), x + dx, y, Text.c_str(), static_cast<int>(Text.size())))
        return false;
    GdiFlush();
    return true;
  };
  paintSquare();
  if (!paintText(0)) return nullptr;
  // A face without a bold of its own, or one narrowed to fit, gives strokes of about a
  // tenth of the digits' height or less, hard to read at a glance: they are widened by hand.
  if (ThinStrokes(dib, fill, Pixel(Ink & 0xFFFFFF), std::max(1, fit.DigitHeight / 8))) {
    paintSquare();
    if (!paintText(fit.Reserve)) return nullptr;
  }
  GdiFlush();
  // GDI leaves the alpha of what it drew at 0: the square is opaque, the corners stay clear.
  for (int y = 0; y < Height; ++y) {
    std::uint32_t* row = dib.Row(y);
    for (int x = 0; x < Width; ++x) row[x] = inside(x, y) ? (row[x] | 0xFF000000u) : 0;
  }

  // The icon's bitmaps are copies made apart from the drawing DC, which still holds its
  // section; CreateIconIndirect copies them in turn.
  UniqueHBitmap color(CreateBitmap(Width, Height, 1, 32, dib.Bits()));
  const int maskStride = (Width + 15) / 16 * 2;
  std::vector<BYTE> maskBits(static_cast<size_t>(maskStride) * Height, 0);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      if (!inside(x, y)) maskBits[static_cast<size_t>(y) * maskStride + x / 8] |= 0x80 >> (x % 8);
  UniqueHBitmap mask(CreateBitmap(Width, Height, 1, 1, maskBits.data()));
  if (!color || !mask) return nullptr;
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask.get();
  info.hbmColor = color.get();
  return CreateIconIndirect(&info);
}
