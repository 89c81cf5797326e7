// The spin box and its spin buttons, and the controls' warning sound.
#include "editors/DialogControls.h"

#include <QMouseEvent>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>
#include <limits>

#include "platform/QtStrings.h"

namespace {
std::function<void()>& BeepHook() {
  static std::function<void()> hook;
  return hook;
}

// The locale's decimal separator (one character in every locale we know; the
// first one is taken otherwise).
QChar DecimalSeparator() {
  QString sep = QLocale().decimalPoint();
  return sep.isEmpty() ? QChar('.') : sep.at(0);
}

// Digits after the separator that the fixed-point form shows at most.
constexpr int kMaxFixedDigits = 18;
constexpr int kPrecision = 15;

// v in fixed-point form with the given decimals, rounded to 15 significant
// digits first; values with more integer digits than that take the
// exponent form. Plain "-" and digits; the locale's decimal separator.
QString FormatFixed(double v, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxFixedDigits);
  QString s;
  if (std::fabs(v) >= 1e15) {
    s = QString::number(v, 'E', kPrecision - 1);
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", kPrecision - 1, v);
    double rounded = std::strtod(buf, nullptr);
    s = QString::number(rounded, 'f', decimals);
  }
  // No negative zero: "-0.00" reads as "0.00".
  if (s.startsWith('-')) {
    bool allZero = true;
    for (QChar c : s)
      if (c.isDigit() && c != '0') allZero = false;
    if (allZero) s.remove(0, 1);
  }
  s.replace('.', DecimalSeparator());
  return s;
}

// A whole number in the platform's value syntax: blanks around, an optional
// sign, then decimal digits or "$" / "0x" and hexadecimal digits.
std::optional<double> ParseInteger(const QString& text) {
  QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  int i = 0;
  bool negative = false;
  if (t[i] == '+' || t[i] == '-') negative = t[i++] == '-';
  int base = 10;
  if (i < t.size() && t[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) return std::nullopt;
  unsigned long long value = 0;
  const unsigned long long limit = std::numeric_limits<long long>::max();
  for (; i < t.size(); ++i) {
    int digit = QChar(t[i]).digitValue();
    if (t[i].unicode() > 127) return std::nullopt;
    if (base == 16 && digit < 0) {
      char c = char(t[i].toLower().unicode());
      if (c >= 'a' && c <= 'f') digit = 10 + (c - 'a');
    }
    if (digit < 0 || digit >= base) return std::nullopt;
    if (value > (limit - unsigned(digit)) / unsigned(base)) return std::nullopt;
    value = value * unsigned(base) + unsigned(digit);
  }
  double d = double(value);
  return negative ? -d : d;
}

// A real number with the locale's decimal separator: blanks around, sign,
// digits with at most one separator, an optional exponent.
std::optional<double> ParseReal(const QString& text) {
  QString t = text.trimmed();
  QChar sep = DecimalSeparator();
  if (t.isEmpty()) return std::nullopt;
  if (sep != '.' && t.contains('.')) return std::nullopt;
  std::string s;
  int i = 0;
  if (t[i] == '+' || t[i] == '-') s += char(t[i++].unicode());
  int digits = 0;
  bool seenSep = false;
  for (; i < t.size(); ++i) {
    QChar c = t[i];
    if (c >= '0' && c <= '9') {
      s += char(c.unicode());
      ++digits;
    } else if (c == sep && !seenSep) {
      s += '.';
      seenSep = true;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    s += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) s += char(t[i++].unicode());
    int expDigits = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++expDigits) s += char(t[i].unicode());
    if (expDigits == 0) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  double v = std::strtod(s.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}
}  // namespace

void dxPSBeep() {
  if (BeepHook())
    BeepHook()();
  else
    QApplication::beep();
}

void dxPSSetBeepHook(std::function<void()> hook) { BeepHook() = std::move(hook); }

// ---- TdxUpDown ---------------------------------------------------------------------

TdxUpDown::TdxUpDown(TdxPSSpinEdit* owner, TdxButtonType kind)
    : QWidget(owner), owner_(owner), kind_(kind), sens_(owner->ScrollMouseSens()) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
  setMouseTracking(true);
  repeat_ = new QTimer(this);
  connect(repeat_, &QTimer::timeout, this, [this] { Repeat(); });
  show();
}

int TdxUpDown::DragThreshold() const {
  switch (sens_) {
    case msLow: return 10;
    case msMedium: return 5;
    case msHigh: return 1;
  }
  return 5;
}

bool TdxUpDown::InMiddleBand(int y) const { return std::abs(y - height() / 2) <= 2; }

void TdxUpDown::CancelDrag() {
  dragging_ = false;
  pressed_ = -1;
  repeat_->stop();
  update();
}

void TdxUpDown::Click(bool up) { owner_->ButtonClick(kind_, up); }

void TdxUpDown::Repeat() {
  if (pressed_ < 0) {
    repeat_->stop();
    return;
  }
  repeat_->setInterval(100);
  QPoint pos = mapFromGlobal(QCursor::pos());
  bool up = pressed_ == 0;
  QRect half = up ? QRect(0, 0, width(), height() / 2) : QRect(0, height() / 2, width(), height() - height() / 2);
  if (half.contains(pos)) Click(up);
}

void TdxUpDown::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !isEnabled()) return;
  int y = int(e->position().y());
  if (InMiddleBand(y)) {
    if (owner_->focusPolicy() & Qt::ClickFocus) owner_->setFocus(Qt::MouseFocusReason);
    dragging_ = true;
    lastY_ = y;
    return;
  }
  bool up = y < height() / 2;
  pressed_ = up ? 0 : 1;
  update();
  Click(up);
  repeat_->start(400);
}

void TdxUpDown::mouseMoveEvent(QMouseEvent* e) {
  int y = int(e->position().y());
  if (dragging_) {
    int dy = y - lastY_;
    if (std::abs(dy) >= DragThreshold()) {
      lastY_ = y;
      owner_->ButtonClick(kind_, dy < 0);
    }
    return;
  }
  if (pressed_ < 0) setCursor(InMiddleBand(y) ? Qt::SplitVCursor : Qt::ArrowCursor);
}

void TdxUpDown::mouseReleaseEvent(QMouseEvent*) { CancelDrag(); }

void TdxUpDown::paintEvent(QPaintEvent*) {
  QPainter p(this);
  TCanvas c(p);
  int w = width(), h = height();
  TRect halves[2] = {TRect(0, 0, w, h / 2), TRect(0, h / 2, w, h)};
  TColor arrow = isEnabled() ? clBtnText : clGrayText;
  for (int i = 0; i < 2; ++i) {
    const TRect& r = halves[i];
    c.DrawFrameControl(r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed_ == i ? DFCS_PUSHED : 0));
    // An arrow head in the middle of the button; the page pair shows two.
    int size = std::max(2, std::min((r.Width() - 4) / 2, (r.Height() - 2) / 2));
    size = std::min(size, 4);
    int cx = (r.Left + r.Right) / 2 + (pressed_ == i ? 1 : 0);
    int heads = kind_ == btPage ? 2 : 1;
    int total = heads * size + (heads - 1);
    int top = r.Top + (r.Height() - total) / 2 + (pressed_ == i ? 1 : 0);
    c.SetPen(TPen{arrow, 1, psSolid});
    c.SetBrush(TBrush{arrow, bsSolid, {}});
    for (int k = 0; k < heads; ++k) {
      int y0 = top + k * (size + 1);
      // Rows of widths 1, 3, 5, ... from the tip.
      for (int row = 0; row < size; ++row) {
        int y = i == 0 ? y0 + row : y0 + size - 1 - row;
        c.FillRect(TRect(cx - row, y, cx + row + 1, y + 1), arrow);
      }
    }
  }
}

// ---- TdxPSSpinEdit -----------------------------------------------------------------

TdxPSSpinEdit::TdxPSSpinEdit(QWidget* parent)
    : QLineEdit(parent), incrButtonWidth_(DefaultButtonWidth()), pageIncrButtonWidth_(DefaultButtonWidth()) {
  setFrame(false);
  lineButtons_ = new TdxUpDown(this, btLine);
  setMinimumHeight(MinimumBoxHeight());
  resize(65, std::max(22, MinimumBoxHeight()));
  setText(FormatValue(0));
  connect(this, &QLineEdit::textEdited, this, [this] {
    if (OnChange) OnChange(*this);
  });
  UpdateLayout();
}

TdxPSSpinEdit::~TdxPSSpinEdit() = default;

int TdxPSSpinEdit::DefaultButtonWidth() {
  return std::max(9, QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

int TdxPSSpinEdit::MinimumBoxHeight() const { return QFontMetrics(font()).height() + 4 * 1 + 1; }

std::string TdxPSSpinEdit::Legend() const {
  if (legendText_.empty() || legendText_[0] == ' ') return legendText_;
  return " " + legendText_;
}

QString TdxPSSpinEdit::NumberText() const {
  QString t = text();
  QString legend = ToQ(Legend());
  if (!legend.isEmpty()) {
    int at = t.indexOf(legend);
    if (at >= 0) t.truncate(at);
  }
  return t;
}

double TdxPSSpinEdit::ReadValue(const QString& legend) const {
  QString t = text();
  if (!legend.isEmpty()) {
    int at = t.indexOf(legend);
    if (at >= 0) t.truncate(at);
  }
  if (std::optional<double> v = ParseValue(t)) return *v;
  return valueType_ == svtInteger ? std::trunc(defaultValue_) : defaultValue_;
}

double TdxPSSpinEdit::Value() const { return ReadValue(ToQ(Legend())); }

int TdxPSSpinEdit::AsInteger() const {
  double v = std::trunc(Value());
  if (v >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return int(v);
}

void TdxPSSpinEdit::SetValue(double value) {
  if (!std::isfinite(value)) value = valueType_ == svtInteger ? std::trunc(defaultValue_) : defaultValue_;
  setText(FormatValue(CheckValue(value)) + ToQ(Legend()));
}

double TdxPSSpinEdit::CheckValue(double value) const {
  if (!checkBounds_) return value;
  if (value < minValue_) return minValue_;
  if (value > maxValue_) return maxValue_;
  return value;
}

QString TdxPSSpinEdit::FormatValue(double value) const {
  if (valueType_ == svtFloat) return FormatFixed(value, decimal_);
  QString s = QString::number(std::nearbyint(value), 'f', 0);
  return s == "-0" ? QStringLiteral("0") : s;
}

std::optional<double> TdxPSSpinEdit::ParseValue(const QString& numberText) const {
  return valueType_ == svtInteger ? ParseInteger(numberText) : ParseReal(numberText);
}

bool TdxPSSpinEdit::IsValidChar(QChar c) const {
  if (!editorEnabled_) return c.unicode() < 32 && c.unicode() != 8;
  if (c.unicode() < 32) return true;
  if ((c >= '0' && c <= '9') || c == '+' || c == '-') return true;
  if (valueType_ == svtFloat && c == DecimalSeparator()) return true;
  return ToQ(Legend()).contains(c);
}

void TdxPSSpinEdit::Rewrite() { SetValue(Value()); }

void TdxPSSpinEdit::UserWrite(double value) {
  QString before = text();
  SetValue(value);
  if (text() != before) {
    setModified(true);
    if (OnChange) OnChange(*this);
  }
}

void TdxPSSpinEdit::Step(double delta, TdxButtonType type, TUDBtnType button) {
  if (isReadOnly()) {
    dxPSBeep();
    return;
  }
  UserWrite(Value() + delta);
  if (OnButtonClick) OnButtonClick(*this, type, button);
}

void TdxPSSpinEdit::ButtonClick(TdxButtonType pair, bool up) {
  if (isEnabled() && (focusPolicy() & Qt::ClickFocus) && !hasFocus()) setFocus(Qt::MouseFocusReason);
  if (pair == btLine)
    Step(up ? increment_ : -increment_, btLine, up ? btNext : btPrev);
  else
    Step(up ? pageIncrement_ : -pageIncrement_, btPage, up ? btPrev : btNext);
}

void TdxPSSpinEdit::SetValueType(TdxSpinValueType value) {
  if (value == valueType_) return;
  double v = Value();
  valueType_ = value;
  if (value == svtInteger) {
    increment_ = std::nearbyint(increment_);
    if (increment_ == 0) increment_ = 1;
    pageIncrement_ = std::nearbyint(pageIncrement_);
    if (pageIncrement_ == 0) pageIncrement_ = 1;
  }
  SetValue(v);
}

void TdxPSSpinEdit::SetDecimal(int value) {
  value = std::clamp(value, 0, 255);
  if (value == decimal_) return;
  double v = Value();
  decimal_ = value;
  SetValue(v);
}

void TdxPSSpinEdit::SetMinValue(double value) {
  double v = Value();
  minValue_ = value;
  SetValue(v);
}

void TdxPSSpinEdit::SetMaxValue(double value) {
  double v = Value();
  maxValue_ = value;
  SetValue(v);
}

void TdxPSSpinEdit::SetCheckBounds(bool value) {
  double v = Value();
  checkBounds_ = value;
  SetValue(v);
}

void TdxPSSpinEdit::SetDefaultValue(double value) { defaultValue_ = CheckValue(value); }

void TdxPSSpinEdit::SetLegendText(const std::string& value) {
  // Read with the old legend, write with the new one.
  double v = Value();
  legendText_ = value;
  SetValue(v);
}

void TdxPSSpinEdit::SetUsePageIncr(bool value) {
  if (value == UsePageIncr()) return;
  if (value) {
    pageButtons_ = new TdxUpDown(this, btPage);
    pageButtons_->SetScrollMouseSens(sens_);
  } else {
    delete pageButtons_;
    pageButtons_ = nullptr;
  }
  UpdateLayout();
}

void TdxPSSpinEdit::SetIncrButtonWidth(int value) {
  incrButtonWidth_ = std::max(9, value);
  UpdateLayout();
}

void TdxPSSpinEdit::SetPageIncrButtonWidth(int value) {
  pageIncrButtonWidth_ = std::max(9, value);
  UpdateLayout();
}

void TdxPSSpinEdit::SetScrollMouseSens(TdxScrollMouseSensetivity value) {
  sens_ = value;
  lineButtons_->SetScrollMouseSens(value);
  if (pageButtons_) pageButtons_->SetScrollMouseSens(value);
}

void TdxPSSpinEdit::SetEditorEnabled(bool value) {
  editorEnabled_ = value;
  setAcceptDrops(value);
}

void TdxPSSpinEdit::SetFlat(bool value) {
  flat_ = value;
  update();
}

void TdxPSSpinEdit::SetAlignment(TAlignment value) {
  alignment_ = value;
  Qt::Alignment h = value == taRightJustify ? Qt::AlignRight : value == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
  setAlignment(h | Qt::AlignVCenter);
}

void TdxPSSpinEdit::UpdateLayout() {
  const int f = kFrameWidth;
  int h = std::max(0, height() - 2 * f);
  int lw = incrButtonWidth_;
  int pw = pageButtons_ ? pageIncrButtonWidth_ : 0;
  if (!isRightToLeft()) {
    if (pageButtons_) pageButtons_->setGeometry(width() - f - pw, f, pw, h);
    lineButtons_->setGeometry(width() - f - pw - lw, f, lw, h);
    setTextMargins(f, f, f + lw + pw + 2, f);
  } else {
    if (pageButtons_) pageButtons_->setGeometry(f, f, pw, h);
    lineButtons_->setGeometry(f + pw, f, lw, h);
    setTextMargins(f + pw + lw + 1, f, f, f);
  }
}

bool TdxPSSpinEdit::IsHot() const {
  if (!underMouse() || !window()->isActiveWindow()) return false;
  return dynamic_cast<TdxPSSpinEdit*>(QApplication::focusWidget()) == nullptr;
}

void TdxPSSpinEdit::keyPressEvent(QKeyEvent* e) {
  int key = e->key();
  Qt::KeyboardModifiers mods = e->modifiers();
  if (OnKeyDown) {
    OnKeyDown(*this, key, mods);
    if (key == 0) {
      e->accept();
      return;
    }
  }
  const bool ctrl = mods & Qt::ControlModifier;
  switch (key) {
    case Qt::Key_Escape:
      // Ends a drag of the buttons; the key itself belongs to the form.
      if (lineButtons_->Dragging()) lineButtons_->CancelDrag();
      if (pageButtons_ && pageButtons_->Dragging()) pageButtons_->CancelDrag();
      e->ignore();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Rewrite();
      if (autoSelect_) selectAll();
      // Left to the form, whose default button takes it.
      e->ignore();
      return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      if (!arrowKeys_) break;
      if (key == Qt::Key_Up)
        ctrl ? Step(pageIncrement_, btPage, btNext) : Step(increment_, btLine, btNext);
      else if (key == Qt::Key_Down)
        ctrl ? Step(-pageIncrement_, btPage, btPrev) : Step(-increment_, btLine, btPrev);
      else if (key == Qt::Key_PageUp)
        Step(pageIncrement_, btPage, btPrev);
      else
        Step(-pageIncrement_, btPage, btNext);
      e->accept();
      return;
    case Qt::Key_Home:
    case Qt::Key_End:
      if (!ctrl) break;
      if (isReadOnly())
        dxPSBeep();
      else
        UserWrite(key == Qt::Key_Home ? minValue_ : maxValue_);
      e->accept();
      return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
      if (!editorEnabled_ && !isReadOnly()) {
        dxPSBeep();
        e->accept();
        return;
      }
      break;
    default:
      break;
  }
  if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)) {
    if (!editorEnabled_) {
      e->accept();
      return;
    }
  }
  // Typed characters (not shortcuts). Delete is an editing key, although the
  // window system gives it the text U+007F.
  const QString typed = e->text();
  if (key != Qt::Key_Delete && !typed.isEmpty() &&
      !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    for (QChar c : typed) {
      if (!IsValidChar(c)) {
        dxPSBeep();
        e->accept();
        return;
      }
    }
  }
  QLineEdit::keyPressEvent(e);
}

void TdxPSSpinEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (autoSelect_ && QApplication::mouseButtons() == Qt::NoButton)
    selectAll();
  else if (!autoSelect_ && e->reason() != Qt::MouseFocusReason)
    deselect();
  enterValue_ = Value();
  if (flat_) update();
  if (OnEnter) OnEnter(*this);
}

void TdxPSSpinEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  lineButtons_->CancelDrag();
  if (pageButtons_) pageButtons_->CancelDrag();
  Rewrite();
  if (flat_) update();
  if (OnExit) OnExit(*this);
}

void TdxPSSpinEdit::wheelEvent(QWheelEvent* e) {
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  wheelDelta_ += e->angleDelta().y();
  while (wheelDelta_ >= 120) {
    wheelDelta_ -= 120;
    ctrl ? Step(pageIncrement_, btPage, btPrev) : Step(increment_, btLine, btNext);
  }
  while (wheelDelta_ <= -120) {
    wheelDelta_ += 120;
    ctrl ? Step(-pageIncrement_, btPage, btNext) : Step(-increment_, btLine, btPrev);
  }
  e->accept();
}

void TdxPSSpinEdit::paintEvent(QPaintEvent* e) {
  QLineEdit::paintEvent(e);
  QPainter p(this);
  TCanvas c(p);
  TRect r(0, 0, width(), height());
  if (!flat_) {
    c.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
    return;
  }
  if (isEnabled() && (hasFocus() || IsHot()))
    c.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT);
  else
    c.FrameRect(r, TBrush{clBtnFace, bsSolid, {}});
  r.Inflate(-1, -1);
  c.FrameRect(r, TBrush{isEnabled() ? clBtnFace : clBtnHighlight, bsSolid, {}});
}

void TdxPSSpinEdit::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  UpdateLayout();
}

void TdxPSSpinEdit::changeEvent(QEvent* e) {
  QLineEdit::changeEvent(e);
  switch (e->type()) {
    case QEvent::FontChange:
      setMinimumHeight(MinimumBoxHeight());
      UpdateLayout();
      break;
    case QEvent::LayoutDirectionChange:
      UpdateLayout();
      break;
    case QEvent::EnabledChange:
    case QEvent::ActivationChange:
      update();
      break;
    default:
      break;
  }
}

void TdxPSSpinEdit::enterEvent(QEnterEvent* e) {
  QLineEdit::enterEvent(e);
  if (flat_) update();
}

void TdxPSSpinEdit::leaveEvent(QEvent* e) {
  QLineEdit::leaveEvent(e);
  if (flat_) update();
}

void TdxPSSpinEdit::contextMenuEvent(QContextMenuEvent* e) {
  std::unique_ptr<QMenu> menu(createStandardContextMenu());
  if (!editorEnabled_) {
    // The clipboard commands that would change the text are not offered.
    for (QAction* a : menu->actions()) {
      const QString name = a->objectName();
      if (name == "edit-cut" || name == "edit-paste" || name == "edit-delete" || name == "edit-undo" ||
          name == "edit-redo")
        a->setEnabled(false);
    }
  }
  menu->exec(e->globalPos());
}

void TdxPSSpinEdit::mouseReleaseEvent(QMouseEvent* e) {
  // The selection paste of the middle button is a paste like any other.
  if (e->button() == Qt::MiddleButton && !editorEnabled_) {
    e->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(e);
}

void TdxPSFocusLabel::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (OnClick)
    OnClick();
  else if (buddy())
    buddy()->setFocus(Qt::MouseFocusReason);
}
