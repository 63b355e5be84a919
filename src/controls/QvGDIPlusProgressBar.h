// A translucent percentage bar: a front over a back, each a two-colour gradient or a
// picture, growing from one edge, with an optional gradient border. Drawn afresh on
// every paint.
#pragma once
#include "controls/GdiPlus.h"

#include <memory>
#include <string>

#include "controls/ColorUnit.h"
#include "ui/Control.h"

enum TQvProgressBarDrawStyle { pbdsLeft = 0, pbdsRight = 1, pbdsTop = 2, pbdsBottom = 3 };
enum TQvProgressBarDrawMode { pbdmColor = 0, pbdmImage = 1 };

// Colour front of a bar: the filled length is truncated to whole pixels.
Gdiplus::Rect ProgressFrontRect(TQvProgressBarDrawStyle style, int width, int height, int value);

// Picture front: the part of the picture shown (cropped at the bar's fill fraction, not
// squeezed) and where it goes.
struct TProgressImagePart {
  Gdiplus::RectF Dest;
  Gdiplus::RectF Source;
};
TProgressImagePart ProgressImagePart(TQvProgressBarDrawStyle style, int width, int height,
                                     int imageWidth, int imageHeight, int value);

// Gradients run across the bar: top to bottom for the horizontal styles, left to right
// for the vertical ones.
Gdiplus::LinearGradientMode ProgressGradientMode(TQvProgressBarDrawStyle style);

class TQvGDIPlusProgressBar : public TControl {
 public:
  explicit TQvGDIPlusProgressBar(TComponent* Owner);
  ~TQvGDIPlusProgressBar() override;

  int Value() const { return value_; }
  // Clamped to 0..100.
  void SetValue(int Value);
  TQvProgressBarDrawStyle DrawStyle() const { return drawStyle_; }
  void SetDrawStyle(TQvProgressBarDrawStyle Value);
  TQvProgressBarDrawMode FrontMode() const { return frontMode_; }
  void SetFrontMode(TQvProgressBarDrawMode Value);
  TColor FrontColor() const { return frontColor_; }
  void SetFrontColor(TColor Value);
  TColor FrontGradColor() const { return frontGradColor_; }
  void SetFrontGradColor(TColor Value);
  int FrontAlpha() const { return frontAlpha_; }
  void SetFrontAlpha(int Value);
  TQvProgressBarDrawMode BackMode() const { return backMode_; }
  void SetBackMode(TQvProgressBarDrawMode Value);
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor Value);
  TColor BackGradColor() const { return backGradColor_; }
  void SetBackGradColor(TColor Value);
  int BackAlpha() const { return backAlpha_; }
  void SetBackAlpha(int Value);
  // Setting a new path loads the picture at once; a missing or undecodable file draws nothing.
  const std::string& FrontImageSource() const { return frontImageSource_; }
  void SetFrontImageSource(const std::string& Value);
  const std::string& BackImageSource() const { return backImageSource_; }
  void SetBackImageSource(const std::string& Value);
  bool ShowBorder() const { return showBorder_; }
  void SetShowBorder(bool Value);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor Value);
  TColor BorderGradColor() const { return borderGradColor_; }
  void SetBorderGradColor(TColor Value);
  int BorderAlpha() const { return borderAlpha_; }
  void SetBorderAlpha(int Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Paint(TCanvas& Canvas) override;
  // Draws the whole bar on `g`, whose origin is the bar's top-left corner.
  void Draw(Gdiplus::Graphics& g);

 private:
  template <class T>
  void Change(T& field, T value);
  void DrawBack(Gdiplus::Graphics& g);
  void DrawFront(Gdiplus::Graphics& g);

  bool ready_ = false;
  int value_ = 0;
  TQvProgressBarDrawStyle drawStyle_ = pbdsLeft;
  TQvProgressBarDrawMode frontMode_ = pbdmColor;
  TColor frontColor_ = 0xFF0000;
  TColor frontGradColor_ = 0xFFFFFF;
  std::unique_ptr<Gdiplus::Bitmap> frontImage_;
  int frontAlpha_ = 255;
  TQvProgressBarDrawMode backMode_ = pbdmColor;
  TColor backColor_ = 0xC0C0C0;
  TColor backGradColor_ = 0xFFFFFF;
  std::unique_ptr<Gdiplus::Bitmap> backImage_;
  int backAlpha_ = 255;
  bool showBorder_ = false;
  TColor borderColor_ = 0;
  TColor borderGradColor_ = 0;
  int borderAlpha_ = 255;
  std::string frontImageSource_;
  std::string backImageSource_;
};
