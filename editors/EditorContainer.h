// The container base of the editor family: the style object (border,
// colours, font, hot tracking, look and feel), style controllers that share
// one style among several editors, and TcxContainer, which turns its style
// into a frame: states, geometry, window region, colours, painting and hot
// tracking.
//
// Frame geometry. The content margins are 2 pixels on every side while the
// style has a transparent border or hot tracking (so that the border can
// grow into the margin when it becomes active), otherwise the width of the
// border drawn without hot tracking; a shadow adds 3 pixels on the right and
// at the bottom. The window region is the border's outer rectangle (plus the
// shadow): the rest of the control shows the parent.
//
// Fonts. While the style does not assign its font (bit 4), it reads as the
// control's own font, which follows the parent font as the widget system
// gives it; an assigned font (or one assigned by a controller's style) is
// given to the control.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "editors/LookAndFeels.h"
#include "platform/Canvas.h"
#include "platform/EnumBits.h"
#include "platform/Fonts.h"
#include "platform/Types.h"

class QTimer;
class TcxContainer;
class TcxStyleController;
class TcxEditStyleController;

enum TcxContainerBorderStyle { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat };
enum TcxEditBorderStyle { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat };

enum TcxBorder { bLeft, bTop, bRight, bBottom };
using TcxBorders = unsigned;  // bit n = TcxBorder n (the same bits as BF_LEFT .. BF_BOTTOM)
constexpr TcxBorders cxBordersAll = dxBitsUpTo(bBottom);

// Bits of TcxContainerStyle::AssignedValues.
enum TcxContainerStyleValue {
  csvBorderColor,
  csvBorderStyle,
  csvColor,
  csvEdges,
  csvFont,
  csvHotTrack,
  csvShadow,
  csvTransparentBorder,
  csvButtonStyle,
  csvButtonTransparency,
  csvPopupBorderStyle,
};
using TcxContainerStyleValues = std::uint32_t;  // bits 0 .. 31
constexpr TcxContainerStyleValues StyleValue(int bit) { return TcxContainerStyleValues(1) << bit; }

enum TcxEditButtonStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat };
enum TcxEditButtonTransparency { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
enum TcxEditPopupBorderStyle { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };

// ---- Style ------------------------------------------------------------------------

class TcxContainerStyle {
 public:
  // The style of a control (owner may be null for a free-standing style).
  explicit TcxContainerStyle(TcxContainer* owner);
  virtual ~TcxContainerStyle();
  TcxContainerStyle(const TcxContainerStyle&) = delete;
  TcxContainerStyle& operator=(const TcxContainerStyle&) = delete;

  // Inside one update: the source's controller, look and feel (by value),
  // every stored value, the font and AssignedValues.
  virtual void Assign(const TcxContainerStyle& source);
  void BeginUpdate();
  void EndUpdate();
  bool IsUpdating() const { return updateCount_ > 0; }
  // The owner's ParentColor off and ParentFont on; nothing assigned.
  void ResetToDefaults();

  TcxContainerStyleValues AssignedValues() const { return assigned_; }
  void SetAssignedValues(TcxContainerStyleValues values);
  bool IsValueAssigned(int bit) const { return (assigned_ & StyleValue(bit)) != 0; }
  // A property is stored in a form only while its bit is set.
  bool IsValueStored(int bit) const { return IsValueAssigned(bit); }
  // Names of the values by bit ("BorderColor" ...); empty beyond the table.
  static const char* ValueName(int bit);
  // The number of values this kind of style has (8; editor styles 11).
  virtual int ValueCount() const { return 8; }

  // Resolved values: own when assigned, else the controller style's, else
  // the defaults (Color first follows a parent-coloured owner).
  TColor BorderColor() const;
  void SetBorderColor(TColor value);
  TcxContainerBorderStyle BorderStyle() const;
  void SetBorderStyle(TcxContainerBorderStyle value);
  TColor Color() const;
  void SetColor(TColor value);
  TcxBorders Edges() const;
  void SetEdges(TcxBorders value);
  TFont Font() const;
  // Copies the font and assigns it.
  void SetFont(const TFont& value);
  // Changes the style's own font object (which assigns it).
  void ChangeFont(const std::function<void(TFont&)>& change);
  // Whether the font reaching the owner comes from a style (this one or a
  // controller's) rather than from the owner's parent.
  bool IsFontGiven() const;
  bool HotTrack() const;
  void SetHotTrack(bool value);
  bool Shadow() const;
  void SetShadow(bool value);
  bool TransparentBorder() const;
  void SetTransparentBorder(bool value);

  TcxLookAndFeel& LookAndFeel() { return lookAndFeel_; }
  const TcxLookAndFeel& LookAndFeel() const { return lookAndFeel_; }
  void SetLookAndFeel(const TcxLookAndFeel& value) { lookAndFeel_.Assign(value); }

  TcxStyleController* StyleController() const { return controller_; }
  // Attaching to a controller whose style is this one, or whose style is
  // attached back to this one, is refused (nothing changes).
  void SetStyleController(TcxStyleController* controller);

  TcxContainer* Container() const { return owner_; }
  bool IsDestroying() const { return destroying_; }

  // The owner's change callback.
  std::function<void(TcxContainerStyle&)> OnChanged;
  // Raises a change (remembered while an update runs).
  void Changed();

 protected:
  friend class TcxStyleController;
  // Own values copied by Assign beyond the container ones.
  virtual void AssignOwnValues(const TcxContainerStyle& source) {}
  template <typename T>
  void SetValue(int bit, T& field, const T& value);
  template <typename T, typename Getter>
  T Resolve(int bit, const T& own, Getter fromController, const T& fallback) const;
  void ControllerRemoved();

 private:
  friend class TcxContainer;
  // The control's font was set directly: the style's font object follows it
  // without assigning it and without a change.
  void ControlFontChanged(const TFont& font) { font_ = font; }

  TcxContainer* owner_;
  TcxStyleController* controller_ = nullptr;
  TcxLookAndFeel lookAndFeel_;
  TFont font_;
  TcxContainerStyleValues assigned_ = 0;
  TColor borderColor_ = clWindowFrame;
  TcxContainerBorderStyle borderStyle_ = cbsUltraFlat;
  TColor color_ = clWindow;
  TcxBorders edges_ = cxBordersAll;
  bool hotTrack_ = true;
  bool shadow_ = false;
  bool transparentBorder_ = true;
  int updateCount_ = 0;
  bool changePending_ = false;
  bool destroying_ = false;
};

// The style of editors: the container values plus the button and popup values.
class TcxCustomEditStyle : public TcxContainerStyle {
 public:
  using TcxContainerStyle::TcxContainerStyle;
  int ValueCount() const override { return 11; }

  TcxEditBorderStyle BorderStyle() const { return TcxEditBorderStyle(TcxContainerStyle::BorderStyle()); }
  void SetBorderStyle(TcxEditBorderStyle value) { TcxContainerStyle::SetBorderStyle(TcxContainerBorderStyle(value)); }
  TcxEditButtonStyle ButtonStyle() const;
  void SetButtonStyle(TcxEditButtonStyle value);
  TcxEditButtonTransparency ButtonTransparency() const;
  void SetButtonTransparency(TcxEditButtonTransparency value);
  TcxEditPopupBorderStyle PopupBorderStyle() const;
  void SetPopupBorderStyle(TcxEditPopupBorderStyle value);
  TcxEditStyleController* StyleController() const;
  void SetStyleController(TcxEditStyleController* controller);

 protected:
  void AssignOwnValues(const TcxContainerStyle& source) override;

 private:
  TcxEditButtonStyle buttonStyle_ = btsDefault;
  TcxEditButtonTransparency buttonTransparency_ = ebtNone;
  TcxEditPopupBorderStyle popupBorderStyle_ = epbsDefault;
};

// The published form of the editor style.
class TcxEditStyle : public TcxCustomEditStyle {
 public:
  using TcxCustomEditStyle::TcxCustomEditStyle;
};

// ---- Style controllers --------------------------------------------------------------

// A component that owns one style which the styles attached to it inherit
// from. When it goes, the attached styles are detached.
class TcxStyleController : public QObject {
  Q_OBJECT
 public:
  explicit TcxStyleController(QObject* owner = nullptr);
  ~TcxStyleController() override;

  TcxContainerStyle& Style() { return *style_; }
  const TcxContainerStyle& Style() const { return *style_; }
  void SetStyle(const TcxContainerStyle& source) { style_->Assign(source); }
  // The attached styles, in the order of attachment.
  const std::vector<TcxContainerStyle*>& AttachedStyles() const { return attached_; }

  // Raised with the controller's own style, then with every attached style.
  std::function<void(TcxStyleController& sender, TcxContainerStyle& style)> OnStyleChanged;

 protected:
  TcxStyleController(QObject* owner, std::unique_ptr<TcxContainerStyle> style);
  virtual void StyleChanged();

 private:
  friend class TcxContainerStyle;
  void Attach(TcxContainerStyle* style);
  void Detach(TcxContainerStyle* style);

  std::unique_ptr<TcxContainerStyle> style_;
  std::vector<TcxContainerStyle*> attached_;
  bool destroying_ = false;
};

class TcxEditStyleController : public TcxStyleController {
  Q_OBJECT
 public:
  explicit TcxEditStyleController(QObject* owner = nullptr);
  TcxEditStyle& Style() { return static_cast<TcxEditStyle&>(TcxStyleController::Style()); }
  const TcxEditStyle& Style() const { return static_cast<const TcxEditStyle&>(TcxStyleController::Style()); }
};

// ---- Frame description -------------------------------------------------------------

enum TcxContainerHotState { chsNoHotTrack, chsNormal, chsSelected };  // off, inactive, active

// What the frame depends on besides the style.
struct TcxContainerFrameInput {
  TRect Bounds;
  bool Enabled = true;
  bool Focused = false;  // has the keyboard focus or counts as focused
  bool ReadOnly = false;
  std::optional<TPoint> Mouse;  // client coordinates; none while the pointer is elsewhere
  bool MouseButtonHeld = false;
  bool MouseCaptured = false;  // the control itself holds the mouse
};

struct TcxContainerViewInfo {
  TRect Bounds;
  bool Enabled = true;
  bool Focused = false;
  bool Hot = false;
  TcxContainerHotState HotState = chsNoHotTrack;
  TcxContainerBorderStyle BorderStyle = cbsSingle;  // as drawn
  int BorderWidth = 1;
  TRect ContentMargins;  // distances from Bounds: Left, Top, Right, Bottom
  TRect ClientRect;      // the content rectangle
  TRect BorderRect;      // the border's inner rectangle
  TRect BorderOuterRect;
  TcxBorders Edges = cxBordersAll;
  bool Shadow = false;
  bool NativeStyle = false;  // drawn with the platform's visual styles
  int NativeState = 1;       // edit-field state: normal 1, hot 2, disabled 4, focused 5, read-only 6
  TColor BorderColor = clBtnShadow;
  TColor TextColor = clWindowText;
  TColor BackgroundColor = clWindow;
  // The window region in client pixels; empty: the control has none.
  TRegion WindowRegion;

  friend bool operator==(const TcxContainerViewInfo&, const TcxContainerViewInfo&) = default;
};

// The border style drawn for a style's border style and hot-track state, and
// the width of a drawn style.
TcxContainerBorderStyle cxDrawnBorderStyle(TcxContainerBorderStyle style, TcxContainerHotState hotState);
int cxBorderWidth(TcxContainerBorderStyle drawnStyle);
// The frame of a style in a given state.
TcxContainerViewInfo cxCalculateContainerViewInfo(const TcxContainerStyle& style, const TcxContainerFrameInput& input);
// Paints the frame and fills the content with the background colour.
// parentColor fills what lies outside the window region (it belongs to the
// parent; a render that ignores the region shows it so).
// Without fillContent the content rectangle is left alone (an editor that
// covers it with a picture fills only what the picture leaves).
void cxDrawContainerFrame(TCanvas& canvas, const TcxContainerViewInfo& viewInfo, TColor parentColor,
                          bool fillContent = true);

// ---- Container -------------------------------------------------------------------

class TcxContainer : public QWidget {
  Q_OBJECT
 public:
  explicit TcxContainer(QWidget* parent = nullptr);
  ~TcxContainer() override;

  TcxContainerStyle& Style() { return *style_; }
  const TcxContainerStyle& Style() const { return *style_; }
  // The look and feel of the container's own parts (scroll bars); its parent
  // is the style's look and feel.
  TcxLookAndFeel& LookAndFeel() { return *lookAndFeel_; }
  // The frame description, brought up to date first when the control was
  // resized while hidden (the window system defers its resize events).
  const TcxContainerViewInfo& ContainerViewInfo() const;

  // The control's colour and font, kept equal to the style's.
  TColor Color() const { return color_; }
  // Sets the style's colour (assigning it) and turns ParentColor off.
  void SetColor(TColor value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  TFont Font() const;
  void SetFont(const TFont& value);
  bool ParentFont() const;
  void SetParentFont(bool value);
  // The colour a parent-coloured control takes.
  TColor ParentControlColor() const;

  // Has the keyboard focus (descendants may count more as focused).
  virtual bool Focused() const;
  virtual bool IsReadOnly() const { return false; }

  // Recomputes the frame from the last known mouse state.
  void UpdateFrame();
  // Paints the frame and the content background (also used when printing).
  void PaintFrame(TCanvas& canvas, bool fillContent = true) const;

  // Hot tracking: the timer runs while the pointer is over the control.
  bool IsMouseTracking() const;
  // One tick of the tracking timer: when the pointer has left the client
  // area, the control is sent a leave notification.
  void CheckMouseTracking();
  static constexpr int kMouseTrackingInterval = 10;  // ms

 protected:
  using StyleFactory = std::unique_ptr<TcxContainerStyle> (*)(TcxContainer* owner);
  TcxContainer(QWidget* parent, StyleFactory createStyle);

  // The style changed: frame, colour and font follow it.
  virtual void ContainerStyleChanged();
  // Called after a recomputation changed the frame (descendants lay out again).
  virtual void FrameChanged() {}
  bool IsCreating() const { return creating_; }
  bool IsDestroying() const { return destroying_; }

  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void BeginMouseTracking();
  void EndMouseTracking();
  void ApplyWindowRegion();
  void ApplyStyleFont();

  std::unique_ptr<TcxContainerStyle> style_;
  std::unique_ptr<TcxLookAndFeel> lookAndFeel_;
  TcxContainerViewInfo containerViewInfo_;
  QTimer* trackingTimer_ = nullptr;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  TColor fontColor_ = clWindowText;
  bool fontFromStyle_ = false;
  bool applyingFont_ = false;
  std::optional<TPoint> mouse_;  // last known pointer position while over the control
  bool buttonHeld_ = false;
  bool captured_ = false;  // pressed here: the control holds the mouse until release
  bool creating_ = true;
  bool destroying_ = false;
};
