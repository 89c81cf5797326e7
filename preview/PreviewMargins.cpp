// Margins of the preview control, the unit texts of their hints, the page
// background that repaints its control, and the hint window.
#include <QApplication>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <cstdlib>

#include "layout/UserLocale.h"
#include "platform/Exceptions.h"
#include "platform/QtStrings.h"
#include "platform/UpdateLock.h"
#include "preview/PreviewControl.h"
#include "report/EngineUtilities.h"

// ---------------------------------------------------------------------------
// Units

TdxPreviewMeasurementUnits dxPreviewActualUnits(TdxPreviewMeasurementUnits units) {
  if (units != pmuDefault) return units;
  return dxLocaleIsMetric() ? pmuMillimeters : pmuInches;
}

std::string dxPreviewUnitText(TdxPreviewMeasurementUnits units) {
  switch (dxPreviewActualUnits(units)) {
    case pmuInches: return "\"";
    case pmuCentimeters: return "cm";
    case pmuPoints: return "pt";
    case pmuPicas: return "pi";
    default: return "mm";
  }
}

std::string dxPreviewLengthText(int tenthsOfMM, TdxPreviewMeasurementUnits units) {
  // value = L x num / den, shown with up to `decimals` decimals ("########0.#"
  // or "########0.##"), rounded half away from zero. Integer arithmetic keeps
  // 0.5-boundaries exact.
  long long num = 1, den = 10;
  int decimals = 1;
  switch (dxPreviewActualUnits(units)) {
    case pmuInches: num = 1, den = 254, decimals = 2; break;
    case pmuCentimeters: num = 1, den = 100, decimals = 2; break;
    case pmuPoints: num = 72, den = 254, decimals = 1; break;
    case pmuPicas: num = 6, den = 254, decimals = 2; break;
    default: break;
  }
  const long long scale = decimals == 2 ? 100 : 10;
  const long long n = (long long)tenthsOfMM * num * scale;
  const bool negative = n < 0;
  long long q = (std::llabs(n) * 2 + den) / (2 * den);  // rounded, halves up on the magnitude
  long long whole = q / scale, frac = q % scale;
  std::string text = (negative && q != 0 ? "-" : "") + std::to_string(whole);
  if (frac != 0) {
    std::string digits = std::to_string(frac);
    digits.insert(0, std::size_t(decimals) - digits.size(), '0');
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    text += FromQ(QString(QLocale().decimalPoint())) + digits;
  }
  return text + " " + dxPreviewUnitText(units);
}

// ---------------------------------------------------------------------------
// TdxPreviewMargin

namespace {
const char* const kMarginCaptions[7] = {"Left Margin", "Top Margin", "Right Margin", "Bottom Margin",
                                         "Gutter",      "Header",     "Footer"};
const char* const kMarginKindNames[7] = {"pmLeft", "pmTop", "pmRight", "pmBottom", "pmGutter", "pmHeader", "pmFooter"};
const int kMarginDefaults[7] = {254, 254, 254, 254, 0, 127, 127};
}  // namespace

TdxPreviewMargin::TdxPreviewMargin(TdxPreviewMargins* owner, TdxPreviewMarginType kind)
    : owner_(owner), kind_(kind), value_(kMarginDefaults[kind]) {}

TCustomdxPreview* TdxPreviewMargin::Preview() const { return owner_ ? owner_->Preview() : nullptr; }

int TdxPreviewMargin::DefaultValue() const { return kMarginDefaults[kind_]; }

void TdxPreviewMargin::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  TCustomdxPreview* preview = Preview();
  if (preview && !value && preview->DraggingMargin() == this) preview->EndDragMargin(false);
}

void TdxPreviewMargin::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  if (TCustomdxPreview* preview = Preview()) preview->InvalidateMargin(*this, preview->MarginPos(*this));
}

void TdxPreviewMargin::SetMinValue(int value) {
  TCustomdxPreview* preview = Preview();
  int upper = value;
  if (preview) {
    int lo, hi;
    preview->MarginLimits(*this, lo, hi);
    upper = hi;
  }
  value = MinMax(value, 0, std::max(0, upper));
  if (value == minValue_) return;
  minValue_ = value;
  if (maxValue_ != -1 && maxValue_ < minValue_) maxValue_ = minValue_;
  if (value_ < minValue_) {
    if (preview)
      preview->MarginValueSet(*this, minValue_);
    else
      value_ = minValue_;
  }
}

void TdxPreviewMargin::SetMaxValue(int value) {
  if (value < -1) value = -1;
  if (value == maxValue_) return;
  maxValue_ = value;
  if (value == -1) return;
  if (minValue_ > value) minValue_ = value;
  if (value_ > value) {
    if (TCustomdxPreview* preview = Preview())
      preview->MarginValueSet(*this, value);
    else
      value_ = value;
  }
}

void TdxPreviewMargin::SetValue(int value) {
  if (TCustomdxPreview* preview = Preview())
    preview->MarginValueSet(*this, value);
  else
    value_ = value;
}

int TdxPreviewMargin::MinLimit() const {
  int lo = minValue_, hi = 0;
  if (TCustomdxPreview* preview = Preview()) preview->MarginLimits(*this, lo, hi);
  return lo;
}

int TdxPreviewMargin::MaxLimit() const {
  int lo = 0, hi = maxValue_;
  if (TCustomdxPreview* preview = Preview()) preview->MarginLimits(*this, lo, hi);
  return hi;
}

bool TdxPreviewMargin::IsDragged() const {
  TCustomdxPreview* preview = Preview();
  return preview && preview->DraggingMargin() == this;
}

int TdxPreviewMargin::DraggingValue() const {
  TCustomdxPreview* preview = Preview();
  return preview ? preview->MarginPosToValue(*this, dragPos_) : value_;
}

std::string TdxPreviewMargin::Caption() const { return kMarginCaptions[kind_]; }

std::string TdxPreviewMargin::Hint() const {
  TCustomdxPreview* preview = Preview();
  const TdxPreviewMeasurementUnits units = preview ? preview->MeasurementUnits() : pmuDefault;
  return Caption() + ": " + dxPreviewLengthText(IsDragged() ? DraggingValue() : value_, units);
}

std::string TdxPreviewMargin::NamePath() const {
  return Format("%s[%s]", owner_ ? owner_->NamePath().c_str() : "", kMarginKindNames[kind_]);
}

void TdxPreviewMargin::Assign(const TdxPreviewMargin& source) {
  if (&source == this) return;
  SetMaxValue(source.maxValue_);
  SetMinValue(source.minValue_);
  SetValue(source.value_);
  SetEnabled(source.enabled_);
  SetVisible(source.visible_);
}

// ---------------------------------------------------------------------------
// TdxPreviewMargins

TdxPreviewMargins::TdxPreviewMargins(TCustomdxPreview* preview) : preview_(preview) {
  for (int k = 0; k < Count; ++k) items_[k] = std::make_unique<TdxPreviewMargin>(this, TdxPreviewMarginType(k));
}

void TdxPreviewMargins::Assign(const TdxPreviewMargins& source) {
  if (&source == this) return;
  if (!preview_) {
    for (int k = 0; k < Count; ++k) items_[k]->Assign(*source.items_[k]);
    return;
  }
  UpdateLock lock(*preview_);
  std::array<int, 7> values{};
  for (int k = 0; k < Count; ++k) {
    TdxPreviewMargin& m = *items_[k];
    const TdxPreviewMargin& s = *source.items_[k];
    m.maxValue_ = s.maxValue_;
    m.minValue_ = s.minValue_;
    m.enabled_ = s.enabled_;
    m.visible_ = s.visible_;
    values[k] = s.value_;
  }
  preview_->SetMarginValues(values);
}

std::string TdxPreviewMargins::NamePath() const {
  std::string owner = preview_ ? FromQ(preview_->objectName()) : std::string();
  return owner.empty() ? "Margins" : owner + ".Margins";
}

namespace {
void PutInt(TBytes& out, int value) {
  const auto u = std::uint32_t(value);
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(u >> (8 * i)));
}
int GetInt(TByteView in, std::size_t at) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= std::uint32_t(in[at + i]) << (8 * i);
  return int(u);
}
constexpr std::size_t kMarginRecordSize = 14;
}  // namespace

TBytes TdxPreviewMargins::WriteData() const {
  TBytes out;
  out.reserve(kMarginRecordSize * Count);
  for (const auto& m : items_) {
    PutInt(out, m->maxValue_);
    PutInt(out, m->minValue_);
    PutInt(out, m->value_);
    out.push_back(m->enabled_ ? 1 : 0);
    out.push_back(m->visible_ ? 1 : 0);
  }
  return out;
}

void TdxPreviewMargins::ReadData(TByteView data) {
  if (data.size() != kMarginRecordSize * Count)
    throw EReadError(Format("Invalid margins data: %zu bytes instead of %zu", data.size(), kMarginRecordSize * Count));
  TdxPreviewMargins source(nullptr);
  for (int k = 0; k < Count; ++k) {
    const std::size_t at = kMarginRecordSize * std::size_t(k);
    TdxPreviewMargin& m = *source.items_[k];
    m.maxValue_ = std::max(-1, GetInt(data, at));
    m.minValue_ = std::max(0, GetInt(data, at + 4));
    m.value_ = GetInt(data, at + 8);
    m.enabled_ = data[at + 12] != 0;
    m.visible_ = data[at + 13] != 0;
  }
  Assign(source);
}

// ---------------------------------------------------------------------------
// TdxPreviewPageBackground

void TdxPreviewPageBackground::Paint(TCanvas& canvas, const TRect& rect) {
  const int zoom = preview_ ? preview_->ZoomFactor() : 100;
  if (Mode() == bmPicture && PictureMode() == ppmCenter && zoom != 100)
    PaintEx(canvas, rect, zoom, 100);
  else
    PaintEx(canvas, rect, 1, 1);
}

void TdxPreviewPageBackground::DoChange(TdxBackgroundParams codes) {
  TdxBackground::DoChange(codes);
  if (IsLocked() || !RepaintNeeded() || !preview_ || preview_->IsUpdateLocked()) return;
  preview_->InvalidatePages();
}

// ---------------------------------------------------------------------------
// TdxPreviewHintWindow

TdxPreviewHintWindow::TdxPreviewHintWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  QFont f = QApplication::font("QStatusBar");
  if (f.pointSizeF() <= 0 && f.pixelSize() <= 0) f.setPointSize(8);
  setFont(f);
}

QSize TdxPreviewHintWindow::CalcHintSize(const std::string& text) const {
  QFontMetrics fm(font());
  return QSize(fm.horizontalAdvance(ToQ(text)) + 6, fm.height() + 6);
}

void TdxPreviewHintWindow::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  update();
}

void TdxPreviewHintWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  {
    TCanvas canvas(p);
    const TRect r(0, 0, width(), height());
    canvas.FillRect(r, clInfoBk);
    canvas.DrawEdge(r, BDR_RAISEDOUTER, BF_RECT);
  }
  p.setFont(font());
  p.setPen(ColorToQColor(clInfoText));
  QFontMetrics fm(font());
  p.drawText(3, 3 + fm.ascent(), ToQ(text_));
}
