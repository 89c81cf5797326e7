// The colour list.
#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QWheelEvent>

#include "editors/DialogControls.h"
#include "editors/ColorDialog.h"
#include "platform/EnumBits.h"
#include "platform/QtStrings.h"

const TdxColorListEntry dxPureColors[20] = {
    {"Black", 0x000000},       {"Olive", 0x008080},       {"Teal", 0x808000},   {"Green", 0x008000},
    {"Money Green", 0xC0DCC0}, {"Lime", 0x00FF00},        {"Navy", 0x800000},   {"Blue", 0xFF0000},
    {"Aqua", 0xFFFF00},        {"Sky Blue", 0xF0CAA6},    {"Gray", 0x808080},   {"Medium Gray", 0xA4A0A0},
    {"Silver", 0xC0C0C0},      {"Maroon", 0x000080},      {"Purple", 0x800080}, {"Fuchsia", 0xFF00FF},
    {"Red", 0x0000FF},         {"Cream", 0xF0FBFF},       {"Yellow", 0x00FFFF}, {"White", 0xFFFFFF},
};

const TdxColorListEntry dxSystemColors[25] = {
    {"ScrollBar", clScrollBar},
    {"Background", clBackground},
    {"Active Caption", clActiveCaption},
    {"Inactive Caption", clInactiveCaption},
    {"Menu", clMenu},
    {"Window", clWindow},
    {"Window Frame", clWindowFrame},
    {"Menu Text", clMenuText},
    {"Window Text", clWindowText},
    {"Caption Text", clCaptionText},
    {"Active Border", clActiveBorder},
    {"Inactive Border", clInactiveBorder},
    {"App Workspace", clAppWorkSpace},
    {"Highlight", clHighlight},
    {"Highlight Text", clHighlightText},
    {"Button Face", clBtnFace},
    {"Button Shadow", clBtnShadow},
    {"Gray Text", clGrayText},
    {"Button Text", clBtnText},
    {"Inactive Caption Text", clInactiveCaptionText},
    {"Button Highlight", clBtnHighlight},
    {"3DDk Shadow", cl3DDkShadow},
    {"3DLight", cl3DLight},
    {"Info Text", clInfoText},
    {"InfoBk", clInfoBk},
};

namespace {
constexpr int kSwatchWidth = 22;
constexpr int kNameGap = 6;

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
TRect ToTRect(const QRect& r) { return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }

// Two colours name the same colour: equal values, or equal plain colours
// when neither is one of the special values.
bool SameColor(TColor a, TColor b) {
  if (a == b) return true;
  auto special = [](TColor c) { return c == clNone || c == clDefault; };
  if (special(a) || special(b)) return false;
  return ColorToRGB(a) == ColorToRGB(b);
}

// Paints the entries of the open list through the combo's own drawing.
class ColorItemDelegate : public QAbstractItemDelegate {
 public:
  explicit ColorItemDelegate(TdxPSColorCombo* combo) : QAbstractItemDelegate(combo), combo_(combo) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    TCanvas canvas(*painter);
    combo_->DrawEntry(canvas, index.row(), ToTRect(option.rect), option.state & QStyle::State_Selected, false);
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(combo_->width(), combo_->ItemHeight());
  }

 private:
  TdxPSColorCombo* combo_;
};
}  // namespace

TdxPSColorCombo::TdxPSColorCombo(QWidget* parent) : QComboBox(parent) {
  setItemDelegate(new ColorItemDelegate(this));
  setMaxVisibleItems(dropDownCount_);
  connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) { Activated(index); });
  Rebuild();
  previousColor_ = ColorValue();
}

TdxPSColorCombo::~TdxPSColorCombo() = default;

int TdxPSColorCombo::ItemHeight() const { return std::max(10, QFontMetrics(font()).height() * 15 / 10); }

TColor TdxPSColorCombo::EntryColor(int index) const {
  const Entry& e = entries_.at(index);
  return e.Kind == dxColorEntryAuto ? autoColor_ : e.Color;
}

int TdxPSColorCombo::AutoColorIndex() const { return showAutoColor_ ? 0 : -1; }

int TdxPSColorCombo::CustomColorIndex() const { return showCustomColor_ ? EntryCount() - 1 : -1; }

TColor TdxPSColorCombo::ColorValue() const {
  int i = currentIndex();
  return i >= 0 && i < EntryCount() ? EntryColor(i) : clNone;
}

int TdxPSColorCombo::FindExact(TColor value, bool includeCustom) const {
  for (int i = 0; i < EntryCount(); ++i) {
    if (!includeCustom && entries_[i].Kind == dxColorEntryCustom) continue;
    if (EntryColor(i) == value) return i;
  }
  return -1;
}

void TdxPSColorCombo::SelectIndex(int index) {
  QSignalBlocker block(this);
  setCurrentIndex(index);
  update();
}

void TdxPSColorCombo::SetColorValue(TColor value) {
  int i = FindExact(value, true);
  if (i < 0 && showCustomColor_) {
    i = CustomColorIndex();
    customColor_ = value;
    entries_[i].Color = value;
  }
  if (i >= 0) SelectIndex(i);
  previousColor_ = ColorValue();
}

// The entries, rebuilt on every change of what is listed; the selected
// colour stays selected when it is still listed.
void TdxPSColorCombo::Rebuild() {
  const bool hadEntries = !entries_.empty();
  const TColor keep = ColorValue();
  entries_.clear();
  if (showAutoColor_) entries_.push_back({autoColorText_, autoColor_, dxColorEntryAuto});
  if (colorTypes_ & dxBit(ctPure))
    for (const auto& e : dxPureColors) entries_.push_back({e.Name, e.Color, dxColorEntryOther});
  if (colorTypes_ & dxBit(ctSystem))
    for (const auto& e : dxSystemColors) entries_.push_back({e.Name, e.Color, dxColorEntryOther});
  if (showCustomColor_) entries_.push_back({customColorText_, customColor_, dxColorEntryCustom});

  QSignalBlocker block(this);
  clear();
  for (const Entry& e : entries_) addItem(ToQ(e.Name));
  setCurrentIndex(entries_.empty() ? -1 : 0);
  if (hadEntries) {
    for (int i = 0; i < EntryCount(); ++i) {
      if (SameColor(EntryColor(i), keep)) {
        setCurrentIndex(i);
        break;
      }
    }
  }
  if (!dropDownCountSet_) setMaxVisibleItems(std::max(1, EntryCount()));
  previousColor_ = ColorValue();
  update();
}

void TdxPSColorCombo::SetColorTypes(TdxColorTypes value) {
  value &= dxBit(ctPure) | dxBit(ctSystem);
  if (value == 0) value = dxBit(ctPure);
  if (value == colorTypes_) return;
  colorTypes_ = value;
  Rebuild();
}

void TdxPSColorCombo::SetShowAutoColor(bool value) {
  if (value == showAutoColor_) return;
  showAutoColor_ = value;
  Rebuild();
}

void TdxPSColorCombo::SetAutoColor(TColor value) {
  if (value == autoColor_) return;
  autoColor_ = value;
  Rebuild();
}

void TdxPSColorCombo::SetAutoColorText(const std::string& value) {
  if (value == autoColorText_) return;
  autoColorText_ = value;
  Rebuild();
}

void TdxPSColorCombo::SetShowCustomColor(bool value) {
  if (value == showCustomColor_) return;
  showCustomColor_ = value;
  Rebuild();
}

void TdxPSColorCombo::SetCustomColorText(const std::string& value) {
  if (value == customColorText_) return;
  customColorText_ = value;
  Rebuild();
}

void TdxPSColorCombo::SetShowColorName(bool value) {
  showColorName_ = value;
  update();
}

void TdxPSColorCombo::SetEndEllipsis(bool value) {
  endEllipsis_ = value;
  update();
}

void TdxPSColorCombo::SetDropDownCount(int value) {
  dropDownCount_ = std::max(1, value);
  dropDownCountSet_ = true;
  setMaxVisibleItems(dropDownCount_);
}

void TdxPSColorCombo::DrawEntry(TCanvas& canvas, int index, const TRect& rect, bool selected, bool editPart) const {
  const bool enabled = isEnabled();
  canvas.FillRect(rect, selected ? clHighlight : clWindow);
  if (index < 0 || index >= EntryCount()) return;
  const Entry& e = entries_[index];
  const TColor color = EntryColor(index);

  TRect r = rect;
  r.Inflate(-2, -2);
  TRect swatch = r, textRect;
  const bool named = showColorName_ || e.Kind != dxColorEntryOther;
  if (named) {
    if (isRightToLeft()) {
      swatch.Left = std::max(r.Left, r.Right - kSwatchWidth);
      textRect = TRect(r.Left, r.Top, swatch.Left - kNameGap, r.Bottom);
    } else {
      swatch.Right = std::min(r.Right, r.Left + kSwatchWidth);
      textRect = TRect(swatch.Right + kNameGap, r.Top, r.Right, r.Bottom);
    }
  }
  canvas.SetPen(TPen{clBtnShadow, 1, psSolid});
  if (color == clNone && showAutoColor_)
    canvas.SetBrush(TBrush{clWhite, bsClear, {}});
  else
    canvas.SetBrush(TBrush{color, bsSolid, {}});
  canvas.Rectangle(swatch);

  if (named && !textRect.IsEmpty()) {
    std::string name = e.Name;
    if (OnGetColorName)
      OnGetColorName(const_cast<TdxPSColorCombo&>(*this), index, name, e.Kind, color);
    QPainter* p = canvas.Painter();
    if (p) {
      p->save();
      QFont f = font();
      p->setFont(f);
      TColor textColor = !enabled ? clGrayText : selected ? clHighlightText : clWindowText;
      p->setPen(ColorToQColor(textColor));
      QRect tr = ToQRect(textRect);
      QString text = ToQ(name);
      if (endEllipsis_) text = QFontMetrics(f).elidedText(text, Qt::ElideRight, tr.width());
      Qt::Alignment align = (isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
      p->setClipRect(tr, Qt::IntersectClip);
      p->drawText(tr, int(align) | Qt::TextSingleLine, text);
      p->restore();
    }
  }
  // The automatic entry is set off from the colours below it.
  if (showAutoColor_ && !editPart && index == 0) {
    canvas.FillRect(TRect(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom), clWindowText);
  }
}

void TdxPSColorCombo::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionComboBox opt;
  initStyleOption(&opt);
  opt.currentText.clear();
  opt.currentIcon = QIcon();
  p.drawComplexControl(QStyle::CC_ComboBox, opt);
  QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
  TCanvas canvas(p);
  DrawEntry(canvas, currentIndex(), ToTRect(field), hasFocus() && !view()->isVisible(), true);
}

void TdxPSColorCombo::Activated(int index) {
  const bool custom = index >= 0 && index < EntryCount() && entries_[index].Kind == dxColorEntryCustom;
  if (custom && !keyboardMove_) ChooseCustomColor();
  previousColor_ = ColorValue();
  if (OnClick) OnClick(*this);
  if (OnChange) OnChange(*this);
}

void TdxPSColorCombo::ChooseCustomColor() {
  const int customIndex = CustomColorIndex();
  if (customIndex < 0) return;
  const TColor previous = previousColor_;
  TdxSelectColorProc proc;
  if (OnGetSelectColorProc) OnGetSelectColorProc(*this, proc);
  if (!proc) proc = [](TdxPSColorCombo& sender, TColor& color) { return dxPSExecuteColorDialog(color, &sender); };
  TColor color = entries_[customIndex].Color;
  if (proc(*this, color)) {
    int listed = FindExact(color, false);
    if (listed >= 0) {
      SelectIndex(listed);
    } else {
      customColor_ = color;
      entries_[customIndex].Color = color;
      SelectIndex(customIndex);
    }
  } else {
    // Cancelled: the colour selected before is selected again.
    int i = FindExact(previous, true);
    if (i >= 0) SelectIndex(i);
  }
  previousColor_ = ColorValue();
}

void TdxPSColorCombo::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && currentIndex() == CustomColorIndex() &&
      CustomColorIndex() >= 0) {
    const TColor before = ColorValue();
    ChooseCustomColor();
    if (ColorValue() != before && OnChange) OnChange(*this);
    e->accept();
    return;
  }
  // Moving through the closed list with the keys does not open the colour
  // choice on the custom entry; Enter (or a click) does.
  keyboardMove_ = true;
  QComboBox::keyPressEvent(e);
  keyboardMove_ = false;
}

void TdxPSColorCombo::wheelEvent(QWheelEvent* e) {
  keyboardMove_ = true;
  QComboBox::wheelEvent(e);
  keyboardMove_ = false;
}

void TdxPSColorCombo::changeEvent(QEvent* e) {
  QComboBox::changeEvent(e);
  if (e->type() == QEvent::EnabledChange || e->type() == QEvent::FontChange) update();
}
