// TControl: the windowless control. It has bounds in its parent's client coordinates,
// paints on its parent's surface after the parent, in z-order (creation order, later on
// top), and receives the mouse from its parent (see TWinControl). Windowed controls
// (TWinControl) derive from it too and share the bounds, mouse and event members.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "ui/Component.h"
#include "ui/Graphics.h"

class TWinControl;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = unsigned;  // bit set of TShiftFlag

// Only alClient is laid out by the layer: the control fills its parent's client area.
enum TAlign { alNone, alClient };

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* Owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // Adds the control on top of the parent's windowless children (null: detach).
  virtual void SetParent(TWinControl* Parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // The one way bounds change; overriders call the base first. Repaints the old and the
  // new rectangle when the bounds really change.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  RECT BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  RECT ClientRect() const { return {0, 0, width_, height_}; }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign Value);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value) { cursor_ = Value; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value);
  TFont* Font() { return &font_; }
  const TFont* Font() const { return &font_; }
  void SetFont(const TFont& Value) { font_.Assign(Value); }
  TColor Color() const { return color_; }
  void SetColor(TColor Value);

  // Repaint request for only this control's rectangle (nothing while it has no parent
  // window). Update() then paints at once what is pending.
  virtual void Invalidate();
  void Update();
  void Repaint() { Invalidate(); Update(); }

  // Screen <-> this control's client coordinates.
  POINT ClientToScreen(POINT P) const;
  POINT ScreenToClient(POINT P) const;

  // Scales bounds and font by M / D (a DPI change from D to M); windowed controls scale
  // their children too. Controls with other pixel measures override and call the base.
  virtual void ChangeScale(int M, int D);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // --- Called by the parent window (and by tests). Overriders call the base, which
  // raises the event. Coordinates are in this control's client area.
  virtual void Paint(TCanvas& Canvas);
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void Click();
  virtual void DblClick();
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  // Whether MouseLeave must come when the cursor leaves the window straight from this
  // control. While the cursor rests on a control that answers false, the window does not
  // ask the system to report the mouse leaving it (Wine polls the cursor for that report
  // several times a second), and such a control may miss its MouseLeave.
  virtual bool WantsMouseLeave() const { return true; }

 protected:
  // Notifications after a change of the property (the value is already stored).
  virtual void CaptionChanged() { Invalidate(); }
  virtual void FontChanged() { Invalidate(); }
  virtual void EnabledChanged() { Invalidate(); }
  virtual void VisibleChanged();
  // True for controls that have their own window (TWinControl).
  virtual bool Windowed() const { return false; }

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;

 private:
  friend class TWinControl;
  TWinControl* parent_ = nullptr;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TCursor cursor_ = crDefault;
  std::string caption_;
  TFont font_;
  TColor color_ = clBtnFace;
};
