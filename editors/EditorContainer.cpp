#include "editors/EditorContainer.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "platform/EnumBits.h"
#include "platform/QtStrings.h"
#include "platform/UpdateLock.h"

namespace {

const char* const kValueNames[] = {
    "BorderColor", "BorderStyle", "Color", "Edges", "Font", "HotTrack",
    "Shadow", "TransparentBorder", "ButtonStyle", "ButtonTransparency", "PopupBorderStyle",
};

TColor ToTColor(const QColor& c) { return TColor(RGBValue(c.red(), c.green(), c.blue())); }

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// r widened by d on the sides in edges.
TRect Widen(TRect r, int d, TcxBorders edges) {
  if (edges & dxBit(bLeft)) r.Left -= d;
  if (edges & dxBit(bTop)) r.Top -= d;
  if (edges & dxBit(bRight)) r.Right += d;
  if (edges & dxBit(bBottom)) r.Bottom += d;
  return r;
}

// The size of the edit field's border and content margin under visual styles.
int NativeBorderWidth() { return TcxWinXPLookAndFeelPainter::Class()->BorderSize(); }

TColor NativeDisabledFill() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return clBtnFace;
  return ToTColor(QApplication::palette().color(QPalette::Disabled, QPalette::Base));
}

// The shadow's offset from the border and its thickness.
constexpr int kShadowSize = 3;

}  // namespace

// ---- TcxContainerStyle ------------------------------------------------------------

TcxContainerStyle::TcxContainerStyle(TcxContainer* owner) : owner_(owner) {
  // A change of the look and feel is a change of the style (the frame follows).
  lookAndFeel_.OnChanged = [this](TcxLookAndFeel&, TcxLookAndFeelValues) { Changed(); };
}

TcxContainerStyle::~TcxContainerStyle() {
  destroying_ = true;
  lookAndFeel_.OnChanged = nullptr;
  if (controller_) controller_->Detach(this);
  controller_ = nullptr;
}

const char* TcxContainerStyle::ValueName(int bit) {
  if (bit < 0 || bit >= int(std::size(kValueNames))) return "";
  return kValueNames[bit];
}

void TcxContainerStyle::Changed() {
  if (destroying_) return;
  if (updateCount_ > 0) {
    changePending_ = true;
    return;
  }
  if (OnChanged) OnChanged(*this);
}

void TcxContainerStyle::BeginUpdate() { ++updateCount_; }

void TcxContainerStyle::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && changePending_) {
    changePending_ = false;
    Changed();
  }
}

template <typename T>
void TcxContainerStyle::SetValue(int bit, T& field, const T& value) {
  if (IsValueAssigned(bit) && field == value) return;
  field = value;
  assigned_ |= StyleValue(bit);
  Changed();
}

template <typename T, typename Getter>
T TcxContainerStyle::Resolve(int bit, const T& own, Getter fromController, const T& fallback) const {
  if (IsValueAssigned(bit)) return own;
  if (controller_) return fromController(controller_->Style());
  return fallback;
}

void TcxContainerStyle::SetAssignedValues(TcxContainerStyleValues values) {
  if (values == assigned_) return;
  assigned_ = values;
  // The font is re-taken on reading: an unassigned font reads as the owner's.
  Changed();
}

void TcxContainerStyle::ResetToDefaults() {
  UpdateLock lock(*this);
  if (owner_) {
    owner_->SetParentColor(false);
    owner_->SetParentFont(true);
  }
  lookAndFeel_.SetAssignedValues(0);
  SetAssignedValues(0);
}

void TcxContainerStyle::Assign(const TcxContainerStyle& source) {
  if (&source == this) return;
  UpdateLock lock(*this);
  SetStyleController(source.controller_);
  lookAndFeel_.Assign(source.lookAndFeel_);
  borderColor_ = source.borderColor_;
  borderStyle_ = source.borderStyle_;
  color_ = source.color_;
  edges_ = source.edges_;
  font_ = source.font_;
  hotTrack_ = source.hotTrack_;
  shadow_ = source.shadow_;
  transparentBorder_ = source.transparentBorder_;
  AssignOwnValues(source);
  assigned_ = source.assigned_;
  Changed();
}

TColor TcxContainerStyle::BorderColor() const {
  return Resolve(csvBorderColor, borderColor_, [](const TcxContainerStyle& s) { return s.BorderColor(); },
                 clWindowFrame);
}
void TcxContainerStyle::SetBorderColor(TColor value) { SetValue(csvBorderColor, borderColor_, value); }

TcxContainerBorderStyle TcxContainerStyle::BorderStyle() const {
  TcxContainerBorderStyle byKind = cbsUltraFlat;
  switch (lookAndFeel_.Kind()) {
    case lfFlat: byKind = cbsFlat; break;
    case lfStandard: byKind = cbs3D; break;
    case lfUltraFlat: byKind = cbsUltraFlat; break;
  }
  return Resolve(csvBorderStyle, borderStyle_, [](const TcxContainerStyle& s) { return s.BorderStyle(); }, byKind);
}
void TcxContainerStyle::SetBorderStyle(TcxContainerBorderStyle value) {
  SetValue(csvBorderStyle, borderStyle_, value);
}

TColor TcxContainerStyle::Color() const {
  if (owner_ && owner_->ParentColor() && owner_->parentWidget()) return owner_->ParentControlColor();
  return Resolve(csvColor, color_, [](const TcxContainerStyle& s) { return s.Color(); }, clWindow);
}
void TcxContainerStyle::SetColor(TColor value) { SetValue(csvColor, color_, value); }

TcxBorders TcxContainerStyle::Edges() const {
  return Resolve(csvEdges, edges_, [](const TcxContainerStyle& s) { return s.Edges(); }, cxBordersAll);
}
void TcxContainerStyle::SetEdges(TcxBorders value) { SetValue(csvEdges, edges_, TcxBorders(value & cxBordersAll)); }

TFont TcxContainerStyle::Font() const {
  if (IsValueAssigned(csvFont)) return font_;
  if (controller_ && controller_->Style().IsFontGiven()) return controller_->Style().Font();
  if (owner_) return owner_->Font();
  return font_;
}

bool TcxContainerStyle::IsFontGiven() const {
  return IsValueAssigned(csvFont) || (controller_ && controller_->Style().IsFontGiven());
}

void TcxContainerStyle::SetFont(const TFont& value) {
  font_ = value;
  assigned_ |= StyleValue(csvFont);
  Changed();
}

void TcxContainerStyle::ChangeFont(const std::function<void(TFont&)>& change) {
  if (!IsValueAssigned(csvFont)) font_ = Font();
  change(font_);
  assigned_ |= StyleValue(csvFont);
  Changed();
}

bool TcxContainerStyle::HotTrack() const {
  return Resolve(csvHotTrack, hotTrack_, [](const TcxContainerStyle& s) { return s.HotTrack(); }, true);
}
void TcxContainerStyle::SetHotTrack(bool value) { SetValue(csvHotTrack, hotTrack_, value); }

bool TcxContainerStyle::Shadow() const {
  return Resolve(csvShadow, shadow_, [](const TcxContainerStyle& s) { return s.Shadow(); }, false);
}
void TcxContainerStyle::SetShadow(bool value) { SetValue(csvShadow, shadow_, value); }

bool TcxContainerStyle::TransparentBorder() const {
  return Resolve(csvTransparentBorder, transparentBorder_,
                 [](const TcxContainerStyle& s) { return s.TransparentBorder(); }, true);
}
void TcxContainerStyle::SetTransparentBorder(bool value) {
  SetValue(csvTransparentBorder, transparentBorder_, value);
}

void TcxContainerStyle::SetStyleController(TcxStyleController* controller) {
  if (controller == controller_) return;
  // No cycles: not the controller of this very style, nor one whose style
  // leads back here through its own controllers.
  for (TcxStyleController* c = controller; c; c = c->Style().StyleController())
    if (&c->Style() == this) return;
  if (controller_) controller_->Detach(this);
  controller_ = controller;
  if (controller_) controller_->Attach(this);
  lookAndFeel_.SetParentLookAndFeel(controller_ ? &controller_->Style().LookAndFeel() : nullptr);
  Changed();
}

void TcxContainerStyle::ControllerRemoved() {
  controller_ = nullptr;
  lookAndFeel_.SetParentLookAndFeel(nullptr);
  Changed();
}

// ---- TcxCustomEditStyle -----------------------------------------------------------

namespace {
const TcxCustomEditStyle* AsEditStyle(const TcxContainerStyle& s) { return dynamic_cast<const TcxCustomEditStyle*>(&s); }
}  // namespace

void TcxCustomEditStyle::AssignOwnValues(const TcxContainerStyle& source) {
  if (const TcxCustomEditStyle* e = AsEditStyle(source)) {
    buttonStyle_ = e->buttonStyle_;
    buttonTransparency_ = e->buttonTransparency_;
    popupBorderStyle_ = e->popupBorderStyle_;
  }
}

TcxEditButtonStyle TcxCustomEditStyle::ButtonStyle() const {
  return Resolve(csvButtonStyle, buttonStyle_, [](const TcxContainerStyle& s) {
    const TcxCustomEditStyle* e = AsEditStyle(s);
    return e ? e->ButtonStyle() : btsDefault;
  }, btsDefault);
}
void TcxCustomEditStyle::SetButtonStyle(TcxEditButtonStyle value) { SetValue(csvButtonStyle, buttonStyle_, value); }

TcxEditButtonTransparency TcxCustomEditStyle::ButtonTransparency() const {
  return Resolve(csvButtonTransparency, buttonTransparency_, [](const TcxContainerStyle& s) {
    const TcxCustomEditStyle* e = AsEditStyle(s);
    return e ? e->ButtonTransparency() : ebtNone;
  }, ebtNone);
}
void TcxCustomEditStyle::SetButtonTransparency(TcxEditButtonTransparency value) {
  SetValue(csvButtonTransparency, buttonTransparency_, value);
}

TcxEditPopupBorderStyle TcxCustomEditStyle::PopupBorderStyle() const {
  return Resolve(csvPopupBorderStyle, popupBorderStyle_, [](const TcxContainerStyle& s) {
    const TcxCustomEditStyle* e = AsEditStyle(s);
    return e ? e->PopupBorderStyle() : epbsDefault;
  }, epbsDefault);
}
void TcxCustomEditStyle::SetPopupBorderStyle(TcxEditPopupBorderStyle value) {
  SetValue(csvPopupBorderStyle, popupBorderStyle_, value);
}

TcxEditStyleController* TcxCustomEditStyle::StyleController() const {
  return qobject_cast<TcxEditStyleController*>(TcxContainerStyle::StyleController());
}

void TcxCustomEditStyle::SetStyleController(TcxEditStyleController* controller) {
  TcxContainerStyle::SetStyleController(controller);
}

// ---- Style controllers ----------------------------------------------------------------

TcxStyleController::TcxStyleController(QObject* owner)
    : TcxStyleController(owner, std::make_unique<TcxContainerStyle>(nullptr)) {}

TcxStyleController::TcxStyleController(QObject* owner, std::unique_ptr<TcxContainerStyle> style)
    : QObject(owner), style_(std::move(style)) {
  style_->OnChanged = [this](TcxContainerStyle&) { StyleChanged(); };
}

TcxStyleController::~TcxStyleController() {
  destroying_ = true;
  style_->OnChanged = nullptr;
  const auto snapshot = attached_;
  attached_.clear();
  for (TcxContainerStyle* s : snapshot) s->ControllerRemoved();
  // The own style may hang on another controller; it detaches in its destructor.
}

void TcxStyleController::Attach(TcxContainerStyle* style) {
  if (std::find(attached_.begin(), attached_.end(), style) == attached_.end()) attached_.push_back(style);
}

void TcxStyleController::Detach(TcxContainerStyle* style) {
  attached_.erase(std::remove(attached_.begin(), attached_.end(), style), attached_.end());
}

void TcxStyleController::StyleChanged() {
  if (destroying_) return;
  if (OnStyleChanged) OnStyleChanged(*this, *style_);
  const auto snapshot = attached_;
  for (TcxContainerStyle* s : snapshot) {
    if (std::find(attached_.begin(), attached_.end(), s) == attached_.end()) continue;
    s->Changed();
    if (OnStyleChanged) OnStyleChanged(*this, *s);
  }
}

TcxEditStyleController::TcxEditStyleController(QObject* owner)
    : TcxStyleController(owner, std::make_unique<TcxEditStyle>(nullptr)) {}

// ---- Frame --------------------------------------------------------------------------

TcxContainerBorderStyle cxDrawnBorderStyle(TcxContainerBorderStyle style, TcxContainerHotState hotState) {
  bool active = hotState == chsSelected;
  switch (style) {
    case cbsNone: return active ? cbsFlat : cbsNone;
    case cbsSingle: return active ? cbsThick : cbsSingle;
    case cbsThick: return cbsThick;
    case cbsFlat: return active ? cbs3D : cbsFlat;
    case cbs3D: return cbs3D;
    case cbsUltraFlat: return cbsSingle;
  }
  return cbsSingle;
}

int cxBorderWidth(TcxContainerBorderStyle drawnStyle) {
  switch (drawnStyle) {
    case cbsNone: return 0;
    case cbsSingle: return 1;
    case cbsThick: return 2;
    case cbsFlat: return 2;
    case cbs3D: return 2;
    case cbsUltraFlat: return 1;
  }
  return 1;
}

TcxContainerViewInfo cxCalculateContainerViewInfo(const TcxContainerStyle& style, const TcxContainerFrameInput& in) {
  TcxContainerViewInfo vi;
  vi.Bounds = in.Bounds;
  vi.Enabled = in.Enabled;
  vi.Edges = style.Edges() & cxBordersAll;
  vi.NativeStyle = style.LookAndFeel().UsesVisualStyles();
  vi.Shadow = style.Shadow() && !vi.NativeStyle;
  const TcxContainerBorderStyle borderStyle = style.BorderStyle();
  const bool hotTrack = style.HotTrack();

  // Margins do not depend on the state, so the content never moves.
  TRect& m = vi.ContentMargins;
  if (vi.NativeStyle) {
    int border = NativeBorderWidth();
    m = TRect(border + 1, border + 1, border + 1, border + 1);
    vi.BorderRect = TRect(in.Bounds.Left + border, in.Bounds.Top + border, in.Bounds.Right - border,
                          in.Bounds.Bottom - border);
  } else {
    int margin = style.TransparentBorder() || hotTrack ? 2 : cxBorderWidth(cxDrawnBorderStyle(borderStyle, chsNoHotTrack));
    m = TRect(margin, margin, margin, margin);
    if (vi.Shadow) {
      m.Right += kShadowSize;
      m.Bottom += kShadowSize;
    }
  }
  vi.ClientRect = TRect(in.Bounds.Left + m.Left, in.Bounds.Top + m.Top, in.Bounds.Right - m.Right,
                        in.Bounds.Bottom - m.Bottom);
  if (!vi.NativeStyle) vi.BorderRect = vi.ClientRect;

  // State. Whether the pointer is over the border is judged against the
  // border as drawn without the pointer, so that a border that grows when
  // hot cannot make the state flicker at its edge.
  vi.Focused = in.Enabled && in.Focused;
  TcxContainerHotState restState = !hotTrack ? chsNoHotTrack : vi.Focused ? chsSelected : chsNormal;
  TRect hitRect = vi.NativeStyle ? in.Bounds
                                 : Widen(vi.BorderRect, cxBorderWidth(cxDrawnBorderStyle(borderStyle, restState)), vi.Edges);
  vi.Hot = in.Enabled && in.Mouse && hitRect.Contains(*in.Mouse) && (!in.MouseButtonHeld || in.MouseCaptured);
  vi.HotState = !hotTrack ? chsNoHotTrack : (vi.Focused || vi.Hot) ? chsSelected : chsNormal;
  vi.BorderStyle = cxDrawnBorderStyle(borderStyle, vi.HotState);
  vi.BorderWidth = cxBorderWidth(vi.BorderStyle);
  vi.BorderOuterRect = vi.NativeStyle ? in.Bounds : Widen(vi.BorderRect, vi.BorderWidth, vi.Edges);
  vi.NativeState = !in.Enabled ? 4 : in.ReadOnly ? 6 : vi.Focused ? 5 : vi.Hot ? 2 : 1;

  if (borderStyle == cbsUltraFlat)
    vi.BorderColor = vi.Focused || (vi.Hot && hotTrack) ? clHighlight : clBtnShadow;
  else
    vi.BorderColor = style.BorderColor();
  vi.TextColor = in.Enabled ? style.Font().Color : clBtnShadow;
  vi.BackgroundColor = in.Enabled ? style.Color() : vi.NativeStyle ? NativeDisabledFill() : clBtnFace;

  if (!vi.NativeStyle) {
    vi.WindowRegion = TRegion(vi.BorderOuterRect);
    if (vi.Shadow) {
      TRegion shadow(vi.BorderOuterRect);
      shadow.Offset(kShadowSize, kShadowSize);
      vi.WindowRegion.Combine(shadow, RGN_OR);
    }
  }
  return vi;
}

namespace {

void FillBand(TCanvas& canvas, int l, int t, int r, int b, TColor color) {
  if (r > l && b > t) canvas.FillRect(TRect(l, t, r, b), color);
}

void DrawNativeFrame(TCanvas& canvas, const TcxContainerViewInfo& vi, bool fillContent) {
  canvas.FillRect(vi.Bounds, vi.BackgroundColor);
  QStyle* style = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
  if (style && canvas.Painter()) {
    QStyleOptionFrame option;
    option.rect = ToQRect(vi.Bounds);
    option.lineWidth = NativeBorderWidth();
    option.palette = QApplication::palette();
    option.state = QStyle::State_Sunken;
    if (vi.NativeState != 4) option.state |= QStyle::State_Enabled;
    if (vi.NativeState == 2) option.state |= QStyle::State_MouseOver;
    if (vi.NativeState == 5) option.state |= QStyle::State_HasFocus;
    if (vi.NativeState == 6) option.state |= QStyle::State_ReadOnly;
    QPainter& p = *canvas.Painter();
    p.save();
    style->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p);
    p.restore();
  } else {
    canvas.DrawEdge(vi.Bounds, EDGE_SUNKEN, BF_RECT);
  }
  if (fillContent) canvas.FillRect(vi.ClientRect, vi.BackgroundColor);
}

}  // namespace

void cxDrawContainerFrame(TCanvas& canvas, const TcxContainerViewInfo& vi, TColor parentColor, bool fillContent) {
  if (vi.NativeStyle) {
    DrawNativeFrame(canvas, vi, fillContent);
    return;
  }
  const int bw = vi.BorderWidth;
  const TcxBorders edges = vi.Edges;
  {
    TCanvasStateSaver saver(canvas);
    TRect r = vi.ClientRect;
    r.Left -= bw;
    r.Top -= bw;
    if (edges & dxBit(bRight)) r.Right += bw;
    if (edges & dxBit(bBottom)) r.Bottom += bw;
    if (vi.Shadow) {
      TRect below(r.Left + kShadowSize, r.Bottom, r.Right, r.Bottom + kShadowSize);
      TRect right(r.Right, r.Top + kShadowSize, r.Right + kShadowSize, r.Bottom + kShadowSize);
      FillBand(canvas, below.Left, below.Top, below.Right, below.Bottom, clBtnShadow);
      FillBand(canvas, right.Left, right.Top, right.Right, right.Bottom, clBtnShadow);
      canvas.ExcludeClipRect(below);
      canvas.ExcludeClipRect(right);
    }
    // Lines of the sides without an edge fall outside the window region.
    if (!(edges & dxBit(bRight))) r.Right += bw;
    if (!(edges & dxBit(bBottom))) r.Bottom += bw;
    switch (vi.BorderStyle) {
      case cbsNone: break;
      case cbsSingle:
      case cbsThick:
      case cbsUltraFlat:
        FillBand(canvas, r.Left, r.Top, r.Left + bw, r.Bottom, vi.BorderColor);
        FillBand(canvas, r.Right - bw, r.Top, r.Right, r.Bottom, vi.BorderColor);
        FillBand(canvas, r.Left, r.Top, r.Right, r.Top + bw, vi.BorderColor);
        FillBand(canvas, r.Left, r.Bottom - bw, r.Right, r.Bottom, vi.BorderColor);
        break;
      case cbsFlat: {
        canvas.DrawEdge(r, BDR_SUNKENOUTER, edges | BF_ADJUST);
        TBrush face;
        face.Color = clBtnFace;
        canvas.FrameRect(r, face);
        break;
      }
      case cbs3D:
        canvas.DrawEdge(r, BDR_SUNKENOUTER, edges | BF_ADJUST);
        canvas.DrawEdge(r, BDR_SUNKENINNER, edges);
        break;
    }
  }
  // What lies outside the window region belongs to the parent.
  if (!vi.WindowRegion.IsEmpty()) {
    TRegion outside(vi.Bounds);
    if (outside.Combine(vi.WindowRegion, RGN_DIFF) != NULLREGION) {
      TBrush brush;
      brush.Color = parentColor;
      canvas.FillRgn(outside, brush);
    }
  }
  if (fillContent) canvas.FillRect(vi.ClientRect, vi.BackgroundColor);
}

// ---- TcxContainer -------------------------------------------------------------------

namespace {
std::unique_ptr<TcxContainerStyle> CreateContainerStyle(TcxContainer* owner) {
  return std::make_unique<TcxContainerStyle>(owner);
}
}  // namespace

TcxContainer::TcxContainer(QWidget* parent) : TcxContainer(parent, &CreateContainerStyle) {}

TcxContainer::TcxContainer(QWidget* parent, StyleFactory createStyle)
    : QWidget(parent), style_(createStyle(this)), lookAndFeel_(std::make_unique<TcxLookAndFeel>()) {
  lookAndFeel_->SetParentLookAndFeel(&style_->LookAndFeel());
  style_->OnChanged = [this](TcxContainerStyle&) { ContainerStyleChanged(); };
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  color_ = clWindow;
  parentColor_ = false;
  UpdateFrame();
  creating_ = false;
}

TcxContainer::~TcxContainer() {
  destroying_ = true;
  EndMouseTracking();
  style_->OnChanged = nullptr;
}

void TcxContainer::SetColor(TColor value) {
  parentColor_ = false;
  style_->SetColor(value);
}

void TcxContainer::SetParentColor(bool value) {
  if (value == parentColor_) return;
  parentColor_ = value;
  // The parent's colour reaches the style without assigning it.
  TcxContainerStyleValues assigned = style_->AssignedValues();
  if (value && (assigned & StyleValue(csvColor)))
    style_->SetAssignedValues(assigned & ~StyleValue(csvColor));
  else
    style_->Changed();
}

TColor TcxContainer::ParentControlColor() const {
  QWidget* parent = parentWidget();
  if (!parent) return color_;
  if (auto* container = qobject_cast<TcxContainer*>(parent)) return container->Color();
  return ToTColor(parent->palette().color(parent->backgroundRole()));
}

TFont TcxContainer::Font() const {
  TFont f;
  QFont q = font();
  f.Name = FromQ(q.family());
  f.Height = q.pixelSize() > 0 ? -q.pixelSize() : -int(q.pointSizeF() * 96 / 72 + 0.5);
  f.Style = (q.bold() ? unsigned(fsBold) : 0u) | (q.italic() ? unsigned(fsItalic) : 0u) |
            (q.underline() ? unsigned(fsUnderline) : 0u) | (q.strikeOut() ? unsigned(fsStrikeOut) : 0u);
  f.Color = fontColor_;
  return f;
}

void TcxContainer::SetFont(const TFont& value) {
  fontFromStyle_ = false;
  fontColor_ = value.Color;
  style_->ControlFontChanged(value);
  setFont(MakeQFont(value));
  ApplyStyleFont();
  UpdateFrame();
}

bool TcxContainer::ParentFont() const { return !testAttribute(Qt::WA_SetFont); }

void TcxContainer::SetParentFont(bool value) {
  if (value) {
    fontFromStyle_ = false;
    applyingFont_ = true;
    setFont(QFont());
    applyingFont_ = false;
    auto* container = qobject_cast<TcxContainer*>(parentWidget());
    fontColor_ = container ? container->fontColor_ : clWindowText;
    ApplyStyleFont();
  } else if (ParentFont()) {
    setFont(font());
  }
  UpdateFrame();
}

void TcxContainer::ApplyStyleFont() {
  if (style_->IsFontGiven()) {
    TFont f = style_->Font();
    QFont q = MakeQFont(f);
    if (!fontFromStyle_ || font() != q || fontColor_ != f.Color) {
      applyingFont_ = true;
      setFont(q);
      applyingFont_ = false;
      fontColor_ = f.Color;
      fontFromStyle_ = true;
    }
  } else if (fontFromStyle_) {
    fontFromStyle_ = false;
    applyingFont_ = true;
    setFont(QFont());
    applyingFont_ = false;
    fontColor_ = clWindowText;
  }
}

bool TcxContainer::Focused() const { return hasFocus(); }

const TcxContainerViewInfo& TcxContainer::ContainerViewInfo() const {
  if (!destroying_ && containerViewInfo_.Bounds != TRect(0, 0, width(), height()))
    const_cast<TcxContainer*>(this)->UpdateFrame();
  return containerViewInfo_;
}

void TcxContainer::ContainerStyleChanged() {
  if (creating_ || destroying_) return;
  UpdateFrame();
  TColor c = style_->Color();
  if (c != color_) color_ = c;
  ApplyStyleFont();
  UpdateFrame();
  // Colour and font reach the content too.
  FrameChanged();
  update();
}

void TcxContainer::UpdateFrame() {
  if (destroying_) return;
  TcxContainerFrameInput in;
  in.Bounds = TRect(0, 0, width(), height());
  in.Enabled = isEnabled();
  in.Focused = Focused();
  in.ReadOnly = IsReadOnly();
  in.Mouse = mouse_;
  in.MouseButtonHeld = buttonHeld_;
  in.MouseCaptured = captured_ || mouseGrabber() == this;
  TcxContainerViewInfo vi = cxCalculateContainerViewInfo(*style_, in);
  if (vi == containerViewInfo_ && !creating_) return;
  const TcxContainerViewInfo old = std::exchange(containerViewInfo_, vi);
  ApplyWindowRegion();
  if (creating_) return;
  const bool content = old.Bounds != vi.Bounds || old.ClientRect != vi.ClientRect ||
                       old.BackgroundColor != vi.BackgroundColor || old.TextColor != vi.TextColor ||
                       old.Enabled != vi.Enabled || old.NativeStyle != vi.NativeStyle;
  const bool frame = old.BorderStyle != vi.BorderStyle || old.BorderColor != vi.BorderColor ||
                     old.Shadow != vi.Shadow || old.WindowRegion != vi.WindowRegion ||
                     (vi.NativeStyle && old.NativeState != vi.NativeState);
  if (content)
    update();
  else if (frame)
    update(QRegion(rect()).subtracted(QRegion(ToQRect(vi.ClientRect))));
  FrameChanged();
}

void TcxContainer::ApplyWindowRegion() {
  const QRegion& region = containerViewInfo_.WindowRegion.ToQRegion();
  // Handed to the window system only when it changed.
  if (region.isEmpty()) {
    if (!mask().isEmpty()) clearMask();
  } else if (mask() != region) {
    setMask(region);
  }
}

void TcxContainer::PaintFrame(TCanvas& canvas, bool fillContent) const {
  cxDrawContainerFrame(canvas, ContainerViewInfo(), parentWidget() ? ParentControlColor() : containerViewInfo_.BackgroundColor,
                       fillContent);
}

// ---- Hot tracking -------------------------------------------------------------------

bool TcxContainer::IsMouseTracking() const { return trackingTimer_ && trackingTimer_->isActive(); }

void TcxContainer::BeginMouseTracking() {
  if (!trackingTimer_) {
    trackingTimer_ = new QTimer(this);
    trackingTimer_->setObjectName("cxMouseTrackingTimer");
    trackingTimer_->setInterval(kMouseTrackingInterval);
    connect(trackingTimer_, &QTimer::timeout, this, [this] { CheckMouseTracking(); });
  }
  if (!trackingTimer_->isActive()) trackingTimer_->start();
}

void TcxContainer::EndMouseTracking() {
  if (trackingTimer_) trackingTimer_->stop();
}

void TcxContainer::CheckMouseTracking() {
  if (!IsMouseTracking()) return;
  const QPoint at = mapFromGlobal(QCursor::pos());
  if (isVisible() && rect().contains(at)) return;
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(this, &leave);
}

// ---- Events -------------------------------------------------------------------------

bool TcxContainer::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::ApplicationPaletteChange:
    case QEvent::ThemeChange:
    case QEvent::StyleChange:
      // The system colours changed: the frame is recomputed and repainted.
      UpdateFrame();
      update();
      break;
    default: break;
  }
  return QWidget::event(e);
}

void TcxContainer::resizeEvent(QResizeEvent* e) {
  UpdateFrame();
  QWidget::resizeEvent(e);
}

void TcxContainer::enterEvent(QEnterEvent* e) {
  const QPoint p = e->position().toPoint();
  mouse_ = TPoint{p.x(), p.y()};
  buttonHeld_ = QGuiApplication::mouseButtons() != Qt::NoButton;
  BeginMouseTracking();
  UpdateFrame();
  QWidget::enterEvent(e);
}

void TcxContainer::leaveEvent(QEvent* e) {
  mouse_.reset();
  buttonHeld_ = false;
  EndMouseTracking();
  UpdateFrame();
  QWidget::leaveEvent(e);
}

void TcxContainer::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  mouse_ = TPoint{p.x(), p.y()};
  buttonHeld_ = e->buttons() != Qt::NoButton;
  if (rect().contains(p)) BeginMouseTracking();
  UpdateFrame();
  QWidget::mouseMoveEvent(e);
}

void TcxContainer::mousePressEvent(QMouseEvent* e) {
  captured_ = true;
  buttonHeld_ = true;
  const QPoint p = e->position().toPoint();
  mouse_ = TPoint{p.x(), p.y()};
  UpdateFrame();
  QWidget::mousePressEvent(e);
}

void TcxContainer::mouseReleaseEvent(QMouseEvent* e) {
  buttonHeld_ = e->buttons() != Qt::NoButton;
  if (!buttonHeld_) captured_ = false;
  UpdateFrame();
  QWidget::mouseReleaseEvent(e);
}

void TcxContainer::focusInEvent(QFocusEvent* e) {
  UpdateFrame();
  QWidget::focusInEvent(e);
}

void TcxContainer::focusOutEvent(QFocusEvent* e) {
  UpdateFrame();
  QWidget::focusOutEvent(e);
}

void TcxContainer::changeEvent(QEvent* e) {
  switch (e->type()) {
    case QEvent::EnabledChange:
    case QEvent::FontChange:
      UpdateFrame();
      break;
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
      // A parent-coloured control follows its parent.
      if (parentColor_) ContainerStyleChanged();
      break;
    default: break;
  }
  QWidget::changeEvent(e);
}
