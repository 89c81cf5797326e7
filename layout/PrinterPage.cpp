#include "layout/PrinterPage.h"

#include <algorithm>
#include <climits>

#include "layout/UserLocale.h"
#include "layout/PaperTable.h"
#include "layout/PropertyValues.h"
#include "platform/ScopedValue.h"
#include "platform/Units.h"
#include "platform/UpdateLock.h"

using namespace dxPropValues;

namespace {

constexpr int kUserPaper = 256;
constexpr int kMinPageSizeMM = 50000;

constexpr std::initializer_list<const char*> kOrientationNames = {"poPortrait", "poLandscape"};
constexpr std::initializer_list<const char*> kPageOrderNames = {"poOverThenDown", "poDownThenOver"};
constexpr std::initializer_list<const char*> kScaleModeNames = {"smAdjust", "smFit"};
constexpr std::initializer_list<const char*> kAlignYNames = {"taTop", "taCenterY", "taBottom", "taDistributeY"};
constexpr const char* kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr const char* kTitleNames[] = {"LeftTitle", "CenterTitle", "RightTitle"};
constexpr const char* kAlignNames[] = {"LeftTextAlignY", "CenterTextAlignY", "RightTextAlignY"};

int ClampToInt(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// v limited to lo..hi; unchanged when hi < lo.
int Fit(long long v, long long lo, long long hi) {
  if (hi < lo) return ClampToInt(v);
  return ClampToInt(std::clamp(v, lo, hi));
}

// round(v / d) with halves to even (d > 0).
long long RoundHalfEven(long long v, long long d) {
  long long q = v / d, r = v % d;
  if (r < 0) {
    r = -r;
    if (2 * r > d || (2 * r == d && (q & 1))) --q;
  } else if (2 * r > d || (2 * r == d && (q & 1))) {
    ++q;
  }
  return q;
}

TdxMeasurementUnits RealUnitsOf(TdxMeasurementUnits units) {
  return units == muDefault ? LocaleMeasurementUnits() : units;
}

std::string Name(std::initializer_list<const char*> names, int ordinal) {
  return names.begin()[std::clamp(ordinal, 0, int(names.size()) - 1)];
}

TRect RotateToLandscape(const TRect& r) { return TRect(r.Bottom, r.Left, r.Top, r.Right); }
TRect RotateToPortrait(const TRect& r) { return TRect(r.Top, r.Right, r.Bottom, r.Left); }

std::unique_ptr<TdxPrinterPage>& DefaultPageSlot() {
  static std::unique_ptr<TdxPrinterPage> page;
  return page;
}

}  // namespace

// ---------------------------------------------------------------------------
// Conversions

int MillimetersToInches(int value) {
  return ClampToInt(RoundHalfEven(MetricToInchLength(value), 100) * 100);
}

int InchesToMillimeters(int value) { return ClampToInt(RoundHalfEven(InchToMetricLength(value), 10) * 10); }

TRect MillimetersToInches(const TRect& v) {
  return TRect(MillimetersToInches(v.Left), MillimetersToInches(v.Top), MillimetersToInches(v.Right),
               MillimetersToInches(v.Bottom));
}

TRect InchesToMillimeters(const TRect& v) {
  return TRect(InchesToMillimeters(v.Left), InchesToMillimeters(v.Top), InchesToMillimeters(v.Right),
               InchesToMillimeters(v.Bottom));
}

TPoint MillimetersToInches(const TPoint& v) { return TPoint{MillimetersToInches(v.X), MillimetersToInches(v.Y)}; }

TPoint InchesToMillimeters(const TPoint& v) { return TPoint{InchesToMillimeters(v.X), InchesToMillimeters(v.Y)}; }

TdxMeasurementUnits LocaleMeasurementUnits() { return dxLocaleIsMetric() ? muMillimeters : muInches; }

std::string dxLinesToText(const TdxStrings& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

TdxStrings dxTextToLines(const std::string& text) {
  TdxStrings lines;
  std::size_t start = 0, i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// ---------------------------------------------------------------------------
// TdxPageBackground, TdxPrinterPageObject

void TdxPageBackground::DoChange(TdxBackgroundParams codes) {
  TdxBackground::DoChange(codes);
  if (!IsLocked() && owner_) owner_->ObjectChanged();
}

TdxPrinterPageObject::TdxPrinterPageObject() : background_(std::make_unique<TdxPageBackground>(this)) {
  OnChanged = [this](TdxBaseObject&, int code) {
    if (code == lsUnLock) ObjectChanged();
  };
}

TdxPrinterPageObject::~TdxPrinterPageObject() = default;

void TdxPrinterPageObject::ObjectChanged() {
  if (!IsLocked() && page_) page_->PageObjectChanged();
}

void TdxPrinterPageObject::DoAssign(const TdxBaseObject& source) {
  TdxBaseObject::DoAssign(source);
  if (auto* src = dynamic_cast<const TdxPrinterPageObject*>(&source); src && src != this)
    background_->Assign(src->background_.get());
}

void TdxPrinterPageObject::WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const {
  background_->WriteProperties(writer, prefix + "Background.");
}

void TdxPrinterPageObject::ReadProperty(const std::string& name, const TdxPropertyValue& value) {
  if (std::string rest = After(name, "Background."); !rest.empty())
    background_->ReadProperty(rest, value);
  else
    TdxBaseObject::ReadProperty(name, value);
}

// ---------------------------------------------------------------------------
// TCustomdxPageObject

TCustomdxPageObject::TCustomdxPageObject() {
  font_.Name = "Tahoma";
  font_.Height = -11;
  font_.Charset = DEFAULT_CHARSET;
  font_.Color = clWindowText;
  font_.Style = 0;
}

const TdxStrings& TCustomdxPageObject::Title(TdxPageTitlePart part) const {
  return titles_[std::clamp(int(part), 0, 2)];
}

void TCustomdxPageObject::SetTitle(TdxPageTitlePart part, const TdxStrings& lines) {
  TdxStrings& title = titles_[std::clamp(int(part), 0, 2)];
  if (title == lines) return;
  title = lines;
  ObjectChanged();
}

std::string TCustomdxPageObject::TitleText(TdxPageTitlePart part) const {
  std::string text;
  const TdxStrings& lines = Title(part);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  return text;
}

TdxTextAlignY TCustomdxPageObject::TextAlignY(TdxPageTitlePart part) const {
  return alignY_[std::clamp(int(part), 0, 2)];
}

void TCustomdxPageObject::SetTextAlignY(TdxPageTitlePart part, TdxTextAlignY value) {
  TdxTextAlignY& align = alignY_[std::clamp(int(part), 0, 2)];
  if (align == value) return;
  align = value;
  ObjectChanged();
}

void TCustomdxPageObject::SetFont(const TFont& value) {
  if (font_ == value) return;
  font_ = value;
  ObjectChanged();
}

void TCustomdxPageObject::DoAssign(const TdxBaseObject& source) {
  TdxPrinterPageObject::DoAssign(source);
  auto* src = dynamic_cast<const TCustomdxPageObject*>(&source);
  if (!src || src == this) return;
  for (int i = 0; i < 3; ++i) SetTitle(TdxPageTitlePart(i), src->titles_[i]);
  for (int i = 0; i < 3; ++i) SetTextAlignY(TdxPageTitlePart(i), src->alignY_[i]);
  SetFont(src->font_);
}

void TCustomdxPageObject::WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const {
  TdxPrinterPageObject::WriteProperties(writer, prefix);
  // Published order: CenterTextAlignY, CenterTitle, Font, LeftTextAlignY,
  // LeftTitle, RightTextAlignY, RightTitle.
  auto writeAlign = [&](int i) {
    if (alignY_[i] != taCenterY)
      writer.WriteProperty(prefix + kAlignNames[i], TdxIdent{Name(kAlignYNames, alignY_[i])});
  };
  auto writeTitle = [&](int i) {
    if (!titles_[i].empty()) writer.WriteProperty(prefix + kTitleNames[i] + ".Strings", dxLinesToText(titles_[i]));
  };
  writeAlign(tpCenter);
  writeTitle(tpCenter);
  writer.WriteProperty(prefix + "Font.Charset", std::int64_t(font_.Charset));
  writer.WriteProperty(prefix + "Font.Color", std::int64_t(font_.Color));
  writer.WriteProperty(prefix + "Font.Height", std::int64_t(font_.Height));
  writer.WriteProperty(prefix + "Font.Name", font_.Name);
  TdxSet style;
  for (int i = 0; i < 4; ++i)
    if (font_.Style & (1u << i)) style.Names.push_back(kFontStyleNames[i]);
  writer.WriteProperty(prefix + "Font.Style", style);
  writeAlign(tpLeft);
  writeTitle(tpLeft);
  writeAlign(tpRight);
  writeTitle(tpRight);
}

void TCustomdxPageObject::ReadProperty(const std::string& name, const TdxPropertyValue& value) {
  for (int i = 0; i < 3; ++i) {
    if (name == kAlignNames[i]) {
      SetTextAlignY(TdxPageTitlePart(i), TdxTextAlignY(AsEnum(value, kAlignYNames)));
      return;
    }
    if (name == std::string(kTitleNames[i]) + ".Strings") {
      SetTitle(TdxPageTitlePart(i), dxTextToLines(AsString(value)));
      return;
    }
  }
  if (std::string rest = After(name, "Font."); !rest.empty()) {
    TFont font = font_;
    if (rest == "Charset") {
      font.Charset = AsInt(value);
    } else if (rest == "Color") {
      font.Color = AsInt(value);
    } else if (rest == "Height") {
      font.Height = AsInt(value);
    } else if (rest == "Name") {
      font.Name = AsString(value);
    } else if (rest == "Style") {
      const auto* set = std::get_if<TdxSet>(&value);
      if (!set) throw EReadError(InvalidValue);
      TFontStyles style = 0;
      for (const std::string& member : set->Names) {
        int bit = -1;
        for (int i = 0; i < 4; ++i)
          if (SameText(member, kFontStyleNames[i])) bit = i;
        if (bit < 0) throw EReadError(InvalidValue);
        style |= 1u << bit;
      }
      font.Style = style;
    } else {
      TdxBaseObject::ReadProperty(name, value);
      return;
    }
    SetFont(font);
    return;
  }
  TdxPrinterPageObject::ReadProperty(name, value);
}

// ---------------------------------------------------------------------------
// TdxPrinterPage: construction

TdxPrinterPage::TdxPrinterPage(PlainTag) {
  SetPage(this);
  OnChanged = nullptr;  // the page's own handler comes with the hooks
  pageHeader_ = std::make_unique<TdxPageHeader>();
  pageHeader_->SetPage(this);
  pageFooter_ = std::make_unique<TdxPageFooter>();
  pageFooter_->SetPage(this);
  // The paper kind comes from RestoreDefaults (the default page) or from the
  // default page (every other page).
  storedUnits_ = RealMeasurementUnits();
}

TdxPrinterPage::TdxPrinterPage() : TdxPrinterPage(PlainTag{}) {
  GetDefaultPrinterPage();
  AssignDefaults();
  AttachHooks();
}

TdxPrinterPage::~TdxPrinterPage() {
  OnChanged = nullptr;
  margins_.OnChanging = nullptr;
  margins_.OnChanged = nullptr;
  minMargins_.OnChanging = nullptr;
  minMargins_.OnChanged = nullptr;
  headerFooter_.OnChanging = nullptr;
  headerFooter_.OnChanged = nullptr;
  pageSize_.OnChanging = nullptr;
  pageSize_.OnChanged = nullptr;
}

void TdxPrinterPage::AttachHooks() {
  OnChanged = [this](TdxBaseObject&, int code) {
    if (code != lsUnLock) return;
    PageParamsChanged(ucAll);
    if (OnPageObjectChanged) OnPageObjectChanged(*this);
  };
  margins_.OnChanging = [this](TdxRectWrapper&, unsigned sides, TRect& r) { MarginsChanging(sides, r); };
  margins_.OnChanged = [this](TdxRectWrapper&, unsigned sides) { MarginsChanged(sides); };
  headerFooter_.OnChanging = [this](TdxRectWrapper&, unsigned sides, TRect& r) { HeaderFooterChanging(sides, r); };
  headerFooter_.OnChanged = [this](TdxRectWrapper&, unsigned sides) { HeaderFooterChanged(sides); };
  minMargins_.OnChanging = [this](TdxRectWrapper&, unsigned sides, TRect& r) { MinMarginsChanging(sides, r); };
  minMargins_.OnChanged = [this](TdxRectWrapper&, unsigned sides) { MinMarginsChanged(sides); };
  pageSize_.OnChanging = [this](TdxPointWrapper&, unsigned coords, TPoint& p) { PageSizeChanging(coords, p); };
  pageSize_.OnChanged = [this](TdxPointWrapper&, unsigned coords) { PageSizeChanged(coords); };
}

TdxPrinterPage& GetDefaultPrinterPage() {
  std::unique_ptr<TdxPrinterPage>& slot = DefaultPageSlot();
  if (!slot) {
    slot.reset(new TdxPrinterPage(TdxPrinterPage::PlainTag{}));
    slot->RestoreDefaults();
  }
  return *slot;
}

void ResetDefaultPrinterPage() { GetDefaultPrinterPage().RestoreDefaults(); }

void TdxPrinterPage::AssignDefaults() {
  TdxPrinterPage* defaults = DefaultPageSlot().get();
  if (defaults && defaults != this) Assign(defaults);
}

void TdxPrinterPage::RestoreDefaults() {
  BeginUpdate();
  storedUnits_ = RealMeasurementUnits();
  const bool inches = storedUnits_ == muInches;
  minMargins_.SetRect(TRect());
  const int m = inches ? MillimetersToInches(12700) : 12700;
  const int hf = inches ? MillimetersToInches(6350) : 6350;
  margins_.SetRect(TRect(m, m, m, m));
  SetHeader(hf);
  SetFooter(hf);
  const TdxPapers& papers = GetStandardPapers();
  auto usable = [&](int index) { return index >= 0 && papers[index].Size.X > 0 && papers[index].Size.Y > 0; };
  int kind = GetPrintDevice().DefaultPaperKind();
  int index = papers.FindKind(kind);
  if (!usable(index)) {
    kind = 1;
    index = papers.FindKind(kind);
  }
  dmPaper_ = kind;
  if (usable(index)) {
    TPoint size{papers[index].Size.X * 100, papers[index].Size.Y * 100};
    if (inches) size = TPoint{MetricToInchLength(size.X), MetricToInchLength(size.Y)};
    pageSize_.SetPoint(size);
  }
  orientation_ = poPortrait;
  EndUpdate();
}

// ---------------------------------------------------------------------------
// Units and geometry

TdxMeasurementUnits TdxPrinterPage::RealMeasurementUnits() const { return RealUnitsOf(measurementUnits_); }

int TdxPrinterPage::MinPageSize() const {
  return storedUnits_ == muInches ? MillimetersToInches(kMinPageSizeMM) : kMinPageSizeMM;
}

TPoint TdxPrinterPage::OrientedPageSize() const {
  const TPoint& p = pageSize_.Point();
  return orientation_ == poLandscape ? TPoint{p.Y, p.X} : p;
}

void TdxPrinterPage::SetOrientedPageSize(int width, int height) {
  pageSize_.SetPoint(orientation_ == poLandscape ? TPoint{height, width} : TPoint{width, height});
}

int TdxPrinterPage::MarginRoomX() const { return ClampToInt((long long)OrientedPageSize().X - MinPageSize()); }

int TdxPrinterPage::MarginRoomY() const { return ClampToInt((long long)OrientedPageSize().Y - MinPageSize()); }

TRect TdxPrinterPage::HeaderRect() const {
  const long long w = OrientedPageSize().X;
  return TRect(margins_.Left(), Header(), ClampToInt(w - margins_.Right()), margins_.Top());
}

TRect TdxPrinterPage::FooterRect() const {
  const TPoint s = OrientedPageSize();
  return TRect(margins_.Left(), ClampToInt((long long)s.Y - margins_.Bottom()),
               ClampToInt((long long)s.X - margins_.Right()), ClampToInt((long long)s.Y - Footer()));
}

int TdxPrinterPage::ToLoMetric(int value) const {
  if (storedUnits_ == muInches) value = InchesToMillimeters(value);
  return MulDiv(value, 1, 100);
}

TRect TdxPrinterPage::ToLoMetric(const TRect& v) const {
  return TRect(ToLoMetric(v.Left), ToLoMetric(v.Top), ToLoMetric(v.Right), ToLoMetric(v.Bottom));
}

TPoint TdxPrinterPage::PageSizeLoMetric() const { return TPoint{ToLoMetric(pageSize_.X()), ToLoMetric(pageSize_.Y())}; }

TPoint TdxPrinterPage::OrientedPageSizeLoMetric() const {
  const TPoint s = OrientedPageSize();
  return TPoint{ToLoMetric(s.X), ToLoMetric(s.Y)};
}

TRect TdxPrinterPage::PaintRect() const {
  const TPoint s = OrientedPageSize();
  return ToLoMetric(TRect(margins_.Left(), margins_.Top(), ClampToInt((long long)s.X - margins_.Right()),
                          ClampToInt((long long)s.Y - margins_.Bottom())));
}

TPoint TdxPrinterPage::OrientedPageSizePixels() const {
  const TDeviceCaps screen = TDeviceCaps::Screen();
  const TPoint s = OrientedPageSizeLoMetric();
  return TPoint{LoMetricToPixels(s.X, screen.LogPixelsX), LoMetricToPixels(s.Y, screen.LogPixelsY)};
}

TRect TdxPrinterPage::PaintRectPixels() const {
  const TDeviceCaps screen = TDeviceCaps::Screen();
  const TRect r = PaintRect();
  return TRect(LoMetricToPixels(r.Left, screen.LogPixelsX), LoMetricToPixels(r.Top, screen.LogPixelsY),
               LoMetricToPixels(r.Right, screen.LogPixelsX), LoMetricToPixels(r.Bottom, screen.LogPixelsY));
}

void TdxPrinterPage::ConvertUnits(TdxMeasurementUnits from, TdxMeasurementUnits to) {
  if (from == to) return;
  const bool toInches = to == muInches;
  auto rect = [&](const TRect& r) { return toInches ? MillimetersToInches(r) : InchesToMillimeters(r); };
  auto value = [&](int v) { return toInches ? MillimetersToInches(v) : InchesToMillimeters(v); };
  minMargins_.SetRect(rect(minMargins_.Rect()));
  SetHeader(value(Header()));
  SetFooter(value(Footer()));
  margins_.SetRect(rect(margins_.Rect()));
  const TPoint& p = pageSize_.Point();
  pageSize_.SetPoint(toInches ? MillimetersToInches(p) : InchesToMillimeters(p));
}

void TdxPrinterPage::SetMeasurementUnits(TdxMeasurementUnits value) {
  if (value == measurementUnits_ || value < muDefault || value > muMillimeters) return;
  const TdxMeasurementUnits oldUnits = storedUnits_, newUnits = RealUnitsOf(value);
  if (oldUnits == newUnits) {
    measurementUnits_ = value;
    return;
  }
  BeginUpdate();
  measurementUnits_ = value;
  storedUnits_ = newUnits;
  ConvertUnits(oldUnits, newUnits);
  EndUpdate();
}

void TdxPrinterPage::CheckLocaleUnits() {
  if (measurementUnits_ != muDefault) return;
  const TdxMeasurementUnits locale = LocaleMeasurementUnits();
  if (locale == storedUnits_) return;
  BeginUpdate();
  const TdxMeasurementUnits oldUnits = storedUnits_;
  storedUnits_ = locale;
  ConvertUnits(oldUnits, locale);
  EndUpdate();
}

// ---------------------------------------------------------------------------
// Property setters

void TdxPrinterPage::SetDMPaper(int value) {
  if (value == dmPaper_) return;
  dmPaper_ = value;
  SizeFromPaper();
}

void TdxPrinterPage::SetFitToPagesByTall(int value) {
  const bool changed = value != fitToPagesByTall_;
  fitToPagesByTall_ = value;
  scaleMode_ = smFit;
  if (changed) PageParamsChanged(ucScale);
}

void TdxPrinterPage::SetFitToPagesByWide(int value) {
  const bool changed = value != fitToPagesByWide_;
  fitToPagesByWide_ = value;
  scaleMode_ = smFit;
  if (changed) PageParamsChanged(ucScale);
}

void TdxPrinterPage::SetScaleFactor(int value) {
  value = std::clamp(value, 10, 500);
  const bool changed = value != scaleFactor_;
  scaleFactor_ = value;
  scaleMode_ = smAdjust;
  if (changed) PageParamsChanged(ucScale);
}

void TdxPrinterPage::SetPaperSource(int value) {
  if (value <= 0) value = 1;
  else if (value >= 16 && value <= 255) value = 15;
  paperSource_ = value;
}

void TdxPrinterPage::SetHeader(int value) { headerFooter_.SetTop(std::max(value, 0)); }

void TdxPrinterPage::SetFooter(int value) { headerFooter_.SetBottom(std::max(value, 0)); }

void TdxPrinterPage::SetOrientation(TdxPrinterOrientation value) {
  if (value == orientation_ || (value != poPortrait && value != poLandscape)) return;
  orientation_ = value;
  if (!IsOwnerLoading() && !assigning_ && autoSwapMargins_) RotateMargins();
}

void TdxPrinterPage::RotateMargins() {
  BeginUpdate();
  auto rotate = orientation_ == poLandscape ? RotateToLandscape : RotateToPortrait;
  minMargins_.SetRect(rotate(minMargins_.Rect()));
  margins_.SetRect(rotate(margins_.Rect()));
  FitMargins();
  EndUpdate();
}

void TdxPrinterPage::SizeFromPaper() {
  TPoint size;
  bool found = false;
  const TdxPapers& papers = GetStandardPapers();
  if (int index = papers.FindKind(dmPaper_); index >= 0) {
    size = papers[index].Size;
    found = true;
  } else if (const auto* entries = GetPrintDevice().PaperEntries()) {
    for (const TdxPaperInfo& paper : *entries) {
      if (paper.DMPaper() == dmPaper_) {
        size = paper.Size();
        found = true;
        break;
      }
    }
  }
  if (!found || size.X == 0 || size.Y == 0) return;
  TPoint value{ClampToInt(size.X * 100LL), ClampToInt(size.Y * 100LL)};
  if (storedUnits_ == muInches) value = MillimetersToInches(value);
  ScopedValue sizingFromPaper(sizeFromPaperActive_, true);
  pageSize_.SetPoint(value);
}

void TdxPrinterPage::PaperFromSize() {
  const TPoint size = PageSizeLoMetric();
  const TdxPapers& papers = GetStandardPapers();
  const int index = papers.FindSize(size.X, size.Y);
  dmPaper_ = index >= 0 ? papers[index].DMPaper : kUserPaper;
}

// ---------------------------------------------------------------------------
// Validation hooks

void TdxPrinterPage::MarginsChanging(unsigned sides, TRect& r) {
  if (HooksSuspended()) return;
  const long long roomX = MarginRoomX(), roomY = MarginRoomY();
  if (sides & rwsLeft) r.Left = Fit(r.Left, minMargins_.Left(), roomX - margins_.Right());
  if (sides & rwsTop) r.Top = Fit(r.Top, Header(), roomY - margins_.Bottom());
  if (sides & rwsRight) r.Right = Fit(r.Right, minMargins_.Right(), roomX - margins_.Left());
  if (sides & rwsBottom) r.Bottom = Fit(r.Bottom, Footer(), roomY - margins_.Top());
}

void TdxPrinterPage::MarginsChanged(unsigned sides) {
  if (HooksSuspended()) return;
  PageParamsChanged(TdxPageUpdateCodes(sides & 15));
}

void TdxPrinterPage::HeaderFooterChanging(unsigned sides, TRect& r) {
  if (IsLocked()) return;
  const long long roomY = MarginRoomY();
  if (sides & rwsTop) r.Top = Fit(r.Top, minMargins_.Top(), roomY - margins_.Bottom());
  if (sides & rwsBottom) r.Bottom = Fit(r.Bottom, minMargins_.Bottom(), roomY - margins_.Top());
}

void TdxPrinterPage::HeaderFooterChanged(unsigned) {
  if (IsLocked()) return;
  BeginUpdate();
  FitMargins();
  EndUpdate();
}

void TdxPrinterPage::MinMarginsChanging(unsigned sides, TRect& r) {
  if (HooksSuspended()) return;
  const long long roomX = MarginRoomX(), roomY = MarginRoomY();
  if (sides & rwsLeft) r.Left = Fit(r.Left, 0, roomX - minMargins_.Right());
  if (sides & rwsTop) r.Top = Fit(r.Top, 0, roomY - minMargins_.Bottom());
  if (sides & rwsRight) r.Right = Fit(r.Right, 0, roomX - minMargins_.Left());
  if (sides & rwsBottom) r.Bottom = Fit(r.Bottom, 0, roomY - minMargins_.Top());
}

void TdxPrinterPage::MinMarginsChanged(unsigned sides) {
  if (HooksSuspended()) return;
  const long long roomX = MarginRoomX(), roomY = MarginRoomY();
  const TdxRectWrapper& mm = minMargins_;
  if (sides & rwsLeft) {
    margins_.SetLeft(Fit(margins_.Left(), mm.Left(), roomX));
    margins_.SetRight(Fit(margins_.Right(), mm.Right(), roomX - margins_.Left()));
  }
  if (sides & rwsTop) {
    SetHeader(Fit(Header(), mm.Top(), roomY));
    SetFooter(Fit(Footer(), mm.Bottom(), roomY - Header()));
    margins_.SetTop(Fit(margins_.Top(), Header(), roomY - Footer()));
    margins_.SetBottom(Fit(margins_.Bottom(), Footer(), roomY - Header()));
  }
  if (sides & rwsRight) {
    margins_.SetRight(Fit(margins_.Right(), mm.Right(), roomX));
    margins_.SetLeft(Fit(margins_.Left(), mm.Left(), roomX - margins_.Right()));
  }
  if (sides & rwsBottom) {
    SetFooter(Fit(Footer(), mm.Bottom(), roomY));
    SetHeader(Fit(Header(), mm.Top(), roomY - Footer()));
    margins_.SetBottom(Fit(margins_.Bottom(), Footer(), roomY - Header()));
    margins_.SetTop(Fit(margins_.Top(), Header(), roomY - Footer()));
  }
}

void TdxPrinterPage::PageSizeChanging(unsigned, TPoint& p) {
  if (IsOwnerLoading()) return;
  p.X = std::max(p.X, MinPageSize());
  p.Y = std::max(p.Y, MinPageSize());
}

void TdxPrinterPage::PageSizeChanged(unsigned) {
  if (HooksSuspended()) return;
  UpdateLock lock(*this);
  FitMinMargins();
  FitMargins();
  if (!sizeFromPaperActive_) PaperFromSize();
}

void TdxPrinterPage::FitMargins() {
  const long long roomX = MarginRoomX(), roomY = MarginRoomY();
  const TdxRectWrapper& mm = minMargins_;
  SetHeader(Fit(Header(), mm.Top(), roomY - mm.Bottom()));
  SetFooter(Fit(Footer(), mm.Bottom(), roomY - Header()));
  margins_.SetLeft(Fit(margins_.Left(), mm.Left(), roomX - mm.Right()));
  margins_.SetRight(Fit(margins_.Right(), mm.Right(), roomX - margins_.Left()));
  margins_.SetTop(Fit(margins_.Top(), Header(), roomY - Footer()));
  margins_.SetBottom(Fit(margins_.Bottom(), Footer(), roomY - Header()));
}

void TdxPrinterPage::FitMinMargins() {
  const long long roomX = MarginRoomX(), roomY = MarginRoomY();
  TRect m = minMargins_.Rect();
  m.Left = Fit(m.Left, 0, roomX);
  m.Right = roomX == 0 ? 0 : Fit(m.Right, 0, roomX - m.Left);
  m.Top = Fit(m.Top, 0, roomY);
  m.Bottom = roomY == 0 ? 0 : Fit(m.Bottom, 0, roomY - m.Top);
  minMargins_.SetRect(m);
}

void TdxPrinterPage::Loaded() {
  if (!loadPending_) return;
  BeginUpdate();
  if (measurementUnits_ != muDefault && storedUnits_ != measurementUnits_) {
    const TdxMeasurementUnits oldUnits = storedUnits_;
    storedUnits_ = measurementUnits_;
    ConvertUnits(oldUnits, measurementUnits_);
  }
  CheckLocaleUnits();
  const int minSize = MinPageSize();
  const TPoint& p = pageSize_.Point();
  pageSize_.SetPointSilently(TPoint{std::max(p.X, minSize), std::max(p.Y, minSize)});
  if (Header() < 0) headerFooter_.SetTop(0);
  if (Footer() < 0) headerFooter_.SetBottom(0);
  FitMinMargins();
  FitMargins();
  loadPending_ = false;
  EndUpdate();
}

// ---------------------------------------------------------------------------
// Notifications

void TdxPrinterPage::PageParamsChanged(TdxPageUpdateCodes codes) {
  if (!IsLocked() && (codes & 0x3F) && OnPageParamsChanged) OnPageParamsChanged(*this, codes);
}

void TdxPrinterPage::PageObjectChanged() {
  if (!IsLocked() && OnPageObjectChanged) OnPageObjectChanged(*this);
}

// ---------------------------------------------------------------------------
// Printer

TRect TdxPrinterPage::PrinterMinMargins() {
  TRect r;
  TdxPrintDevice& device = GetPrintDevice();
  if (device.HasPrinters(false)) {
    const TDeviceCaps& caps = device.InfoContext();
    int left = MulDiv(device.PhysicalOffset(0), 1000, caps.LogPixelsX);
    int top = MulDiv(device.PhysicalOffset(1), 1000, caps.LogPixelsY);
    if (storedUnits_ == muMillimeters) {
      left = InchToMetricLength(left);
      top = InchToMetricLength(top);
    }
    r = TRect(left, top, left, top);
  } else {
    // Without printers the unprintable strip is taken as 6.3 mm, the same
    // figure MarginsInPrintableArea checks against (rounded up for inches so
    // that fixed margins pass that check).
    const int offset = storedUnits_ == muMillimeters ? 6300 : (63 * 1000 + kLoMetricPerInch - 1) / kLoMetricPerInch;
    r = TRect(offset, offset, offset, offset);
  }
  r.Left = std::max(r.Left, minMargins_.Left());
  r.Top = std::max(r.Top, minMargins_.Top());
  r.Right = std::max(r.Right, minMargins_.Right());
  r.Bottom = std::max(r.Bottom, minMargins_.Bottom());
  return r;
}

bool TdxPrinterPage::MarginsInPrintableArea() {
  int offsetX = 63, offsetY = 63;
  if (IsPrintDeviceReady()) {
    TdxPrintDevice& device = GetPrintDevice();
    if (device.HasPrinters(false)) {
      const TDeviceCaps& caps = device.InfoContext();
      offsetX = PixelsToLoMetric(device.PhysicalOffset(0), caps.LogPixelsX);
      offsetY = PixelsToLoMetric(device.PhysicalOffset(1), caps.LogPixelsY);
    }
  }
  return ToLoMetric(margins_.Left()) >= offsetX && ToLoMetric(margins_.Right()) >= offsetX &&
         ToLoMetric(Header()) >= offsetY && ToLoMetric(Footer()) >= offsetY;
}

void TdxPrinterPage::FixMargins() {
  UpdateLock lock(*this);
  const TRect pm = PrinterMinMargins();
  SetHeader(std::max(Header(), pm.Top));
  SetFooter(std::max(Footer(), pm.Bottom));
  margins_.SetLeft(std::max(margins_.Left(), pm.Left));
  margins_.SetRight(std::max(margins_.Right(), pm.Right));
  FitMargins();
}

void TdxPrinterPage::ApplyToPrintDevice() {
  TdxPrintDevice& device = GetPrintDevice();
  if (!device.HasPrinters(false)) return;
  device.SetColor(!grayShading_);
  device.SetOrientation(orientation_);
  device.SelectPaperKind(dmPaper_);
  if (dmPaper_ > 255) {
    const auto* papers = device.PaperEntries();
    const int index = device.CurrentPaperIndex();
    if (papers && index >= 0 && index < int(papers->size())) {
      // The entry belongs to the device; its size setters are meant for this.
      auto& paper = const_cast<TdxPaperInfo&>((*papers)[std::size_t(index)]);
      const TPoint size = PageSizeLoMetric();
      paper.SetWidth(size.X);
      paper.SetHeight(size.Y);
    }
  }
  device.SelectBinKind(paperSource_);
}

// ---------------------------------------------------------------------------
// Copy and compare

void TdxPrinterPage::DoAssign(const TdxBaseObject& source) {
  TdxPrinterPageObject::DoAssign(source);
  auto* src = dynamic_cast<const TdxPrinterPage*>(&source);
  if (!src || src == this) return;
  ScopedValue assigning(assigning_, true);
  centerOnPageH_ = src->centerOnPageH_;
  centerOnPageV_ = src->centerOnPageV_;
  SetDMPaper(src->dmPaper_);
  grayShading_ = src->grayShading_;
  SetMeasurementUnits(src->measurementUnits_);
  // The numbers below are in the source's stored units.
  if (storedUnits_ != src->storedUnits_) storedUnits_ = src->storedUnits_;
  minMargins_.SetRect(src->minMargins_.Rect());
  margins_.SetRect(src->margins_.Rect());
  SetHeader(src->Header());
  SetFooter(src->Footer());
  pageSize_.SetPoint(src->pageSize_.Point());
  SetOrientation(src->orientation_);
  pageHeader_->Assign(src->pageHeader_.get());
  pageFooter_->Assign(src->pageFooter_.get());
  pageOrder_ = src->pageOrder_;
  SetPaperSource(src->paperSource_);
  reverseTitlesOnEvenPages_ = src->reverseTitlesOnEvenPages_;
  scaleMode_ = src->scaleMode_;
  if (src->scaleMode_ == smFit) {
    SetScaleFactor(src->scaleFactor_);
    SetFitToPagesByWide(src->fitToPagesByWide_);
    SetFitToPagesByTall(src->fitToPagesByTall_);
  } else {
    SetFitToPagesByWide(src->fitToPagesByWide_);
    SetFitToPagesByTall(src->fitToPagesByTall_);
    SetScaleFactor(src->scaleFactor_);
  }
  if (src->loadPending_) {
    // Loading reads into a copy that is then assigned: stored-only values
    // come along, and the result is made consistent.
    autoSwapMargins_ = src->autoSwapMargins_;
    loadPending_ = true;
    Loaded();
  }
}

bool TdxPrinterPage::IsCompatibleWith(const TdxObject* object) const {
  if (!TdxPrinterPageObject::IsCompatibleWith(object)) return false;
  auto* o = dynamic_cast<const TdxPrinterPage*>(object);
  return o && Background().IsCompatibleWith(&o->Background()) && centerOnPageH_ == o->centerOnPageH_ &&
         centerOnPageV_ == o->centerOnPageV_ && pageOrder_ == o->pageOrder_ && grayShading_ == o->grayShading_ &&
         scaleFactor_ == o->scaleFactor_ && reverseTitlesOnEvenPages_ == o->reverseTitlesOnEvenPages_ &&
         margins_ == o->margins_ && minMargins_ == o->minMargins_ && pageSize_ == o->pageSize_ &&
         measurementUnits_ == o->measurementUnits_ && orientation_ == o->orientation_ && dmPaper_ == o->dmPaper_ &&
         paperSource_ == o->paperSource_ && headerFooter_ == o->headerFooter_ &&
         pageHeader_->ClassType() == o->pageHeader_->ClassType() &&
         pageFooter_->ClassType() == o->pageFooter_->ClassType();
}

// ---------------------------------------------------------------------------
// Storage

void TdxPrinterPage::WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const {
  auto integer = [&](const char* name, int v) { writer.WriteProperty(prefix + name, std::int64_t(v)); };
  if (!autoSwapMargins_) writer.WriteProperty(prefix + "AutoSwapMargins", false);
  TdxPrinterPageObject::WriteProperties(writer, prefix);
  if (centerOnPageH_) writer.WriteProperty(prefix + "CenterOnPageH", true);
  if (centerOnPageV_) writer.WriteProperty(prefix + "CenterOnPageV", true);
  if (dmPaper_ != 1) integer("DMPaper", dmPaper_);
  if (fitToPagesByTall_ != 1) integer("FitToPagesByTall", fitToPagesByTall_);
  if (fitToPagesByWide_ != 1) integer("FitToPagesByWide", fitToPagesByWide_);
  if (Footer() != 0) integer("Footer", Footer());
  if (grayShading_) writer.WriteProperty(prefix + "GrayShading", true);
  if (Header() != 0) integer("Header", Header());
  integer("Margins.Left", margins_.Left());
  integer("Margins.Top", margins_.Top());
  integer("Margins.Right", margins_.Right());
  integer("Margins.Bottom", margins_.Bottom());
  integer("MinMargins.Left", minMargins_.Left());
  integer("MinMargins.Top", minMargins_.Top());
  integer("MinMargins.Right", minMargins_.Right());
  integer("MinMargins.Bottom", minMargins_.Bottom());
  if (orientation_ != poPortrait)
    writer.WriteProperty(prefix + "Orientation", TdxIdent{Name(kOrientationNames, orientation_)});
  pageFooter_->WriteProperties(writer, prefix + "PageFooter.");
  pageHeader_->WriteProperties(writer, prefix + "PageHeader.");
  if (pageOrder_ != poOverThenDown)
    writer.WriteProperty(prefix + "PageOrder", TdxIdent{Name(kPageOrderNames, pageOrder_)});
  integer("PageSize.X", pageSize_.X());
  integer("PageSize.Y", pageSize_.Y());
  if (paperSource_ != 7) integer("PaperSource", paperSource_);
  if (reverseTitlesOnEvenPages_) writer.WriteProperty(prefix + "ReverseTitlesOnEvenPages", true);
  if (scaleFactor_ != 100) integer("ScaleFactor", scaleFactor_);
  if (scaleMode_ != smAdjust) writer.WriteProperty(prefix + "ScaleMode", TdxIdent{Name(kScaleModeNames, scaleMode_)});
  integer("_dxMeasurementUnits_", measurementUnits_);
  integer("_dxLastMU_", storedUnits_);
}

void TdxPrinterPage::ReadProperty(const std::string& name, const TdxPropertyValue& value) {
  auto side = [&](TdxRectWrapper& wrapper, const std::string& rest) {
    TRect r = wrapper.Rect();
    const int v = AsInt(value);
    if (rest == "Left") r.Left = v;
    else if (rest == "Top") r.Top = v;
    else if (rest == "Right") r.Right = v;
    else if (rest == "Bottom") r.Bottom = v;
    else return false;
    wrapper.SetRectSilently(r);
    return true;
  };
  loadPending_ = true;
  std::string rest;
  if (name == "AutoSwapMargins") {
    autoSwapMargins_ = AsBool(value);
  } else if (name == "CenterOnPageH") {
    centerOnPageH_ = AsBool(value);
  } else if (name == "CenterOnPageV") {
    centerOnPageV_ = AsBool(value);
  } else if (name == "DMPaper") {
    dmPaper_ = AsInt(value);
  } else if (name == "FitToPagesByTall") {
    fitToPagesByTall_ = AsInt(value);
  } else if (name == "FitToPagesByWide") {
    fitToPagesByWide_ = AsInt(value);
  } else if (name == "Footer") {
    TRect r = headerFooter_.Rect();
    r.Bottom = std::max(AsInt(value), 0);
    headerFooter_.SetRectSilently(r);
  } else if (name == "GrayShading") {
    grayShading_ = AsBool(value);
  } else if (name == "Header") {
    TRect r = headerFooter_.Rect();
    r.Top = std::max(AsInt(value), 0);
    headerFooter_.SetRectSilently(r);
  } else if (!(rest = After(name, "Margins.")).empty()) {
    if (!side(margins_, rest)) TdxBaseObject::ReadProperty(name, value);
  } else if (!(rest = After(name, "MinMargins.")).empty()) {
    if (!side(minMargins_, rest)) TdxBaseObject::ReadProperty(name, value);
  } else if (name == "Orientation") {
    orientation_ = TdxPrinterOrientation(AsEnum(value, kOrientationNames));
  } else if (!(rest = After(name, "PageFooter.")).empty()) {
    pageFooter_->ReadProperty(rest, value);
  } else if (!(rest = After(name, "PageHeader.")).empty()) {
    pageHeader_->ReadProperty(rest, value);
  } else if (name == "PageOrder") {
    pageOrder_ = TdxPageOrder(AsEnum(value, kPageOrderNames));
  } else if (name == "PageSize.X" || name == "PageSize.Y") {
    TPoint p = pageSize_.Point();
    (name.back() == 'X' ? p.X : p.Y) = AsInt(value);
    pageSize_.SetPointSilently(p);
  } else if (name == "PaperSource") {
    SetPaperSource(AsInt(value));
  } else if (name == "ReverseTitlesOnEvenPages") {
    reverseTitlesOnEvenPages_ = AsBool(value);
  } else if (name == "ScaleFactor") {
    scaleFactor_ = std::clamp(AsInt(value), 10, 500);
  } else if (name == "ScaleMode") {
    scaleMode_ = TdxScaleMode(AsEnum(value, kScaleModeNames));
  } else if (name == "_dxMeasurementUnits_") {
    const int v = AsInt(value);
    if (v < muDefault || v > muMillimeters) throw EReadError(InvalidValue);
    // The units of the numbers come with _dxLastMU_ (written after this);
    // converting before knowing them could convert foreign numbers.
    measurementUnits_ = TdxMeasurementUnits(v);
  } else if (name == "_dxLastMU_") {
    const int v = AsInt(value);
    if (v != muInches && v != muMillimeters) throw EReadError(InvalidValue);
    storedUnits_ = TdxMeasurementUnits(v);
    CheckLocaleUnits();
  } else {
    TdxPrinterPageObject::ReadProperty(name, value);
  }
}
