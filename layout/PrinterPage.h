// The printer page: the page setup of one report. Paper kind and size,
// orientation, margins and minimal margins, header and footer distances, the
// header and footer contents (three titles, font, band background), the page
// background, scaling, page order, centring, gray shading and paper source.
//
// Units. Every length is an integer in page units: thousandths of a
// millimetre when the numbers are held in millimetres, thousandths of an inch
// when they are held in inches (StoredUnits). MeasurementUnits muDefault
// follows the user's locale. A 12.7 mm margin is 12700 or 500.
//
// Consistency. The page raises nothing: out-of-range values are clamped.
// Opposite margins never overlap (outside update brackets), a margin never
// drops below its minimal margin, the top (bottom) margin never below the
// header (footer) distance, and the page never gets smaller than 50 mm
// (2 inches). The checks run as hooks of the margin, minimal-margin,
// header/footer and page-size wrappers; they are skipped while the page is
// locked (BeginUpdate) or its owner is loading (the header/footer hooks only
// while locked, the page-size limit only while loading).
//
// Notifications. Update codes are a byte set: bits 0 to 3 the left, top,
// right and bottom margins, bit 6 the scaling, 127 everything.
// PageParamsChanged receives them; the last EndUpdate of a bracket sends 127
// once (and then OnPageObjectChanged) for everything changed inside it.
// Header, footer and background changes raise OnPageObjectChanged.
//
// Owners (a report link, a print style) derive from TdxPrinterPage, answer
// Owner and IsOwnerLoading and override PageParamsChanged to hear the codes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layout/Background.h"
#include "layout/TextLayout.h"
#include "layout/PrintDevice.h"
#include "layout/ValueWrappers.h"
#include "platform/Fonts.h"

enum TdxMeasurementUnits { muDefault, muInches, muMillimeters };
enum TdxScaleMode { smAdjust, smFit };
enum TdxPageOrder { poOverThenDown, poDownThenOver };
// The three title sections of a header or footer.
enum TdxPageTitlePart { tpLeft, tpCenter, tpRight };

using TdxPageUpdateCodes = std::uint8_t;
inline constexpr TdxPageUpdateCodes ucMarginLeft = 1;
inline constexpr TdxPageUpdateCodes ucMarginTop = 2;
inline constexpr TdxPageUpdateCodes ucMarginRight = 4;
inline constexpr TdxPageUpdateCodes ucMarginBottom = 8;
inline constexpr TdxPageUpdateCodes ucScale = 64;
inline constexpr TdxPageUpdateCodes ucAll = 127;

using TdxStrings = std::vector<std::string>;

// ---- Unit conversions ---------------------------------------------------------
// round(MulDiv(v, 10, 254) / 100) x 100: multiples of 0.1 inch (6350 -> 200,
// 12700 -> 500, 50000 -> 2000). The second rounding is to nearest, halves to
// even.
int MillimetersToInches(int value);
// round(MulDiv(v, 254, 10) / 10) x 10: multiples of 0.01 mm (8300 -> 210820).
int InchesToMillimeters(int value);
TRect MillimetersToInches(const TRect& value);
TRect InchesToMillimeters(const TRect& value);
TPoint MillimetersToInches(const TPoint& value);
TPoint InchesToMillimeters(const TPoint& value);
// muMillimeters for a metric locale, else muInches.
TdxMeasurementUnits LocaleMeasurementUnits();

// Lines of a title and the text form of a string list (each line followed by
// a line break); reading splits at CR LF, LF or CR.
std::string dxLinesToText(const TdxStrings& lines);
TdxStrings dxTextToLines(const std::string& text);

class TdxPrinterPage;
class TdxPrinterPageObject;

// A background that tells its page object after every reported change.
class TdxPageBackground : public TdxBackground {
  DX_CLASS(TdxPageBackground, TdxBackground)

 public:
  TdxPageBackground() = default;
  explicit TdxPageBackground(TdxPrinterPageObject* owner) : owner_(owner) {}
  TdxPrinterPageObject* PageObject() const { return owner_; }

 protected:
  void DoChange(TdxBackgroundParams codes) override;

 private:
  TdxPrinterPageObject* owner_ = nullptr;
};

// Base of the page and its header and footer: a background and the page the
// object belongs to (a page belongs to itself).
class TdxPrinterPageObject : public TdxBaseObject {
  DX_CLASS(TdxPrinterPageObject, TdxBaseObject)

 public:
  TdxPrinterPageObject();
  ~TdxPrinterPageObject() override;

  TdxPageBackground& Background() { return *background_; }
  const TdxPageBackground& Background() const { return *background_; }
  // Assigns into the owned background.
  void SetBackground(const TdxBackground& value) { background_->Assign(&value); }
  TdxPrinterPage* Page() const { return page_; }

  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  // Copies the background.
  void DoAssign(const TdxBaseObject& source) override;
  // A change of the object's contents: passed to its page unless the object
  // is locked (the end of an update bracket reports here too).
  virtual void ObjectChanged();
  void SetPage(TdxPrinterPage* page) { page_ = page; }

 private:
  friend class TdxPageBackground;
  friend class TdxPrinterPage;
  std::unique_ptr<TdxPageBackground> background_;
  TdxPrinterPage* page_ = nullptr;
};

// Header or footer contents: three title sections (lines that may hold the
// header/footer function tokens), their vertical alignments, one font.
class TCustomdxPageObject : public TdxPrinterPageObject {
  DX_CLASS(TCustomdxPageObject, TdxPrinterPageObject)

 public:
  TCustomdxPageObject();

  const TdxStrings& Title(TdxPageTitlePart part) const;
  void SetTitle(TdxPageTitlePart part, const TdxStrings& lines);
  const TdxStrings& LeftTitle() const { return Title(tpLeft); }
  const TdxStrings& CenterTitle() const { return Title(tpCenter); }
  const TdxStrings& RightTitle() const { return Title(tpRight); }
  void SetLeftTitle(const TdxStrings& lines) { SetTitle(tpLeft, lines); }
  void SetCenterTitle(const TdxStrings& lines) { SetTitle(tpCenter, lines); }
  void SetRightTitle(const TdxStrings& lines) { SetTitle(tpRight, lines); }
  // The lines joined with CR LF (no break after the last line).
  std::string TitleText(TdxPageTitlePart part) const;

  TdxTextAlignY TextAlignY(TdxPageTitlePart part) const;
  void SetTextAlignY(TdxPageTitlePart part, TdxTextAlignY value);
  TdxTextAlignY LeftTextAlignY() const { return TextAlignY(tpLeft); }
  TdxTextAlignY CenterTextAlignY() const { return TextAlignY(tpCenter); }
  TdxTextAlignY RightTextAlignY() const { return TextAlignY(tpRight); }
  void SetLeftTextAlignY(TdxTextAlignY value) { SetTextAlignY(tpLeft, value); }
  void SetCenterTextAlignY(TdxTextAlignY value) { SetTextAlignY(tpCenter, value); }
  void SetRightTextAlignY(TdxTextAlignY value) { SetTextAlignY(tpRight, value); }

  // Default: "Tahoma", height -11, DEFAULT_CHARSET, clWindowText, no style.
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& value);

  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  // Background, the three titles, the three alignments and the font.
  void DoAssign(const TdxBaseObject& source) override;

 private:
  TdxStrings titles_[3];
  TdxTextAlignY alignY_[3] = {taCenterY, taCenterY, taCenterY};
  TFont font_;
};

class TdxPageHeader : public TCustomdxPageObject {
  DX_CLASS(TdxPageHeader, TCustomdxPageObject)
};

class TdxPageFooter : public TCustomdxPageObject {
  DX_CLASS(TdxPageFooter, TCustomdxPageObject)
};

class TdxPrinterPage : public TdxPrinterPageObject {
  DX_CLASS(TdxPrinterPage, TdxPrinterPageObject)

 public:
  // A new page with the default page's values (the default page is created
  // first when it does not exist yet); the validation hooks are attached
  // after the values are copied.
  TdxPrinterPage();
  ~TdxPrinterPage() override;

  // ---- Properties ----
  bool AutoSwapMargins() const { return autoSwapMargins_; }
  void SetAutoSwapMargins(bool value) { autoSwapMargins_ = value; }
  bool CenterOnPageH() const { return centerOnPageH_; }
  void SetCenterOnPageH(bool value) { centerOnPageH_ = value; }
  bool CenterOnPageV() const { return centerOnPageV_; }
  void SetCenterOnPageV(bool value) { centerOnPageV_ = value; }
  // Paper kind (DMPAPER; 256 = user-defined). A new kind sets the page size.
  int DMPaper() const { return dmPaper_; }
  void SetDMPaper(int value);
  int FitToPagesByTall() const { return fitToPagesByTall_; }
  void SetFitToPagesByTall(int value);
  int FitToPagesByWide() const { return fitToPagesByWide_; }
  void SetFitToPagesByWide(int value);
  // Distance from the top (bottom) edge of the oriented page to the top
  // (bottom) of the header (footer) band. Negative values become 0.
  int Header() const { return headerFooter_.Top(); }
  void SetHeader(int value);
  int Footer() const { return headerFooter_.Bottom(); }
  void SetFooter(int value);
  bool GrayShading() const { return grayShading_; }
  void SetGrayShading(bool value) { grayShading_ = value; }
  // Report area margins relative to the oriented page, and their lower bounds.
  TdxRectWrapper& Margins() { return margins_; }
  const TdxRectWrapper& Margins() const { return margins_; }
  void SetMargins(const TRect& value) { margins_.SetRect(value); }
  TdxRectWrapper& MinMargins() { return minMargins_; }
  const TdxRectWrapper& MinMargins() const { return minMargins_; }
  void SetMinMargins(const TRect& value) { minMargins_.SetRect(value); }
  // Switching between real units converts every length.
  TdxMeasurementUnits MeasurementUnits() const { return measurementUnits_; }
  void SetMeasurementUnits(TdxMeasurementUnits value);
  TdxPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TdxPrinterOrientation value);
  TdxPageHeader& PageHeader() { return *pageHeader_; }
  const TdxPageHeader& PageHeader() const { return *pageHeader_; }
  void SetPageHeader(const TCustomdxPageObject& value) { pageHeader_->Assign(&value); }
  TdxPageFooter& PageFooter() { return *pageFooter_; }
  const TdxPageFooter& PageFooter() const { return *pageFooter_; }
  void SetPageFooter(const TCustomdxPageObject& value) { pageFooter_->Assign(&value); }
  TdxPageOrder PageOrder() const { return pageOrder_; }
  void SetPageOrder(TdxPageOrder value) { pageOrder_ = value; }
  // Paper size in portrait terms (X width, Y height).
  TdxPointWrapper& PageSize() { return pageSize_; }
  const TdxPointWrapper& PageSize() const { return pageSize_; }
  void SetPageSize(const TPoint& value) { pageSize_.SetPoint(value); }
  // Paper bin (DMBIN; 7 automatic): 0 and below become 1, 16 to 255 become 15.
  int PaperSource() const { return paperSource_; }
  void SetPaperSource(int value);
  bool ReverseTitlesOnEvenPages() const { return reverseTitlesOnEvenPages_; }
  void SetReverseTitlesOnEvenPages(bool value) { reverseTitlesOnEvenPages_ = value; }
  // 10 to 500 (clamped); sets ScaleMode smAdjust.
  int ScaleFactor() const { return scaleFactor_; }
  void SetScaleFactor(int value);
  TdxScaleMode ScaleMode() const { return scaleMode_; }
  void SetScaleMode(TdxScaleMode value) { scaleMode_ = value; }

  // ---- Units ----
  // MeasurementUnits, or the locale's for muDefault.
  TdxMeasurementUnits RealMeasurementUnits() const;
  // The units the numbers are held in now (muInches or muMillimeters).
  TdxMeasurementUnits StoredUnits() const { return storedUnits_; }
  // With muDefault: converts the numbers when the locale's units differ
  // from the stored ones (run after a settings change and after loading).
  void CheckLocaleUnits();

  // ---- Geometry (page units unless stated) ----
  TPoint OrientedPageSize() const;
  // Sets PageSize from a size in the current orientation.
  void SetOrientedPageSize(int width, int height);
  // 50000 in millimetre units, 2000 in inch units.
  int MinPageSize() const;
  // Oriented width (height) minus MinPageSize: room for two opposite margins.
  int MarginRoomX() const;
  int MarginRoomY() const;
  // (Margins.Left, Header, W - Margins.Right, Margins.Top)
  TRect HeaderRect() const;
  // (Margins.Left, H - Margins.Bottom, W - Margins.Right, H - Footer)
  TRect FooterRect() const;
  // Tenths of a millimetre.
  int ToLoMetric(int value) const;
  TRect ToLoMetric(const TRect& value) const;
  TPoint PageSizeLoMetric() const;
  TPoint OrientedPageSizeLoMetric() const;
  TRect MarginsLoMetric() const { return ToLoMetric(margins_.Rect()); }
  TRect MinMarginsLoMetric() const { return ToLoMetric(minMargins_.Rect()); }
  int HeaderLoMetric() const { return ToLoMetric(Header()); }
  int FooterLoMetric() const { return ToLoMetric(Footer()); }
  TRect HeaderRectLoMetric() const { return ToLoMetric(HeaderRect()); }
  TRect FooterRectLoMetric() const { return ToLoMetric(FooterRect()); }
  // The report area, in tenths of a millimetre.
  TRect PaintRect() const;
  // Screen pixels (tenths x pixels per inch / 254).
  TPoint OrientedPageSizePixels() const;
  TRect PaintRectPixels() const;

  // ---- Operations ----
  // Margins 12.7 mm, header and footer 6.35 mm, no minimal margins, the
  // default paper in portrait (converted for an inch locale).
  void RestoreDefaults();
  // Assign from the default page (unless this is it).
  void AssignDefaults();
  // Colour, orientation, paper (and a user-defined size), bin; nothing
  // without printers.
  void ApplyToPrintDevice();
  // The printer's unprintable offsets as (left, top, right, bottom) in page
  // units, each at least the matching minimal margin.
  TRect PrinterMinMargins();
  // Whether the side margins and the header/footer distances are at least
  // the printer's unprintable offsets (6.3 mm without a print device).
  bool MarginsInPrintableArea();
  // Raises header, footer and side margins to PrinterMinMargins, then fits.
  void FixMargins();
  // Header and footer within the minimal margins and the room, then the four
  // margins (see the implementation for the order).
  void FitMargins();
  void FitMinMargins();
  // After a form description was read into the page: units as stored,
  // CheckLocaleUnits, then the numbers made consistent (page size at least
  // MinPageSize, FitMinMargins, FitMargins). Nothing when nothing was read.
  void Loaded();

  // The class test, then every page parameter except AutoSwapMargins,
  // ScaleMode and the fit counts; header and footer only by class.
  bool IsCompatibleWith(const TdxObject* object) const override;
  std::string NamePath() const { return ClassName(); }

  // ---- Owner (descendants) ----
  virtual TdxObject* Owner() const { return nullptr; }
  // While the owner reads its form description the margin, minimal-margin
  // and page-size hooks are skipped and the orientation does not rotate.
  virtual bool IsOwnerLoading() const { return false; }
  // Changed page parameters; raises OnPageParamsChanged when not locked and
  // any of bits 0 to 5 is set.
  virtual void PageParamsChanged(TdxPageUpdateCodes codes);

  std::function<void(TdxPrinterPage& page)> OnPageObjectChanged;
  std::function<void(TdxPrinterPage& page, TdxPageUpdateCodes codes)> OnPageParamsChanged;

  // ---- Storage: the properties in published order (those equal to their
  // defaults omitted; Margins, MinMargins, PageSize and the sub-objects
  // always), then _dxMeasurementUnits_ and _dxLastMU_ ----
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  // Values are stored as read (no hooks, no notifications). _dxLastMU_ tells
  // the units of the numbers read and runs CheckLocaleUnits; Loaded (run by
  // Assign from a page that was read, as LoadFromStream does) converts
  // explicit units and makes the numbers consistent. An owner that reads the
  // page's properties in place calls Loaded when it is done.
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  struct PlainTag {};
  // The plain constructor of the default page: defaults, no hooks.
  explicit TdxPrinterPage(PlainTag);
  void DoAssign(const TdxBaseObject& source) override;

 private:
  friend TdxPrinterPage& GetDefaultPrinterPage();
  friend class TdxPrinterPageObject;

  void AttachHooks();
  bool HooksSuspended() const { return IsLocked() || IsOwnerLoading(); }
  void PageObjectChanged();
  void MarginsChanging(unsigned sides, TRect& proposed);
  void MarginsChanged(unsigned sides);
  void HeaderFooterChanging(unsigned sides, TRect& proposed);
  void HeaderFooterChanged(unsigned sides);
  void MinMarginsChanging(unsigned sides, TRect& proposed);
  void MinMarginsChanged(unsigned sides);
  void PageSizeChanging(unsigned coords, TPoint& proposed);
  void PageSizeChanged(unsigned coords);
  void RotateMargins();
  void SizeFromPaper();
  void PaperFromSize();
  void ConvertUnits(TdxMeasurementUnits from, TdxMeasurementUnits to);

  bool autoSwapMargins_ = true;
  bool centerOnPageH_ = false;
  bool centerOnPageV_ = false;
  int dmPaper_ = 1;
  int fitToPagesByTall_ = 1;
  int fitToPagesByWide_ = 1;
  bool grayShading_ = false;
  TdxRectWrapper margins_;
  TdxRectWrapper minMargins_;
  TdxRectWrapper headerFooter_;  // Top = Header, Bottom = Footer
  TdxMeasurementUnits measurementUnits_ = muDefault;
  TdxMeasurementUnits storedUnits_ = muMillimeters;
  TdxPrinterOrientation orientation_ = poPortrait;
  std::unique_ptr<TdxPageHeader> pageHeader_;
  std::unique_ptr<TdxPageFooter> pageFooter_;
  TdxPageOrder pageOrder_ = poOverThenDown;
  TdxPointWrapper pageSize_;
  int paperSource_ = 7;
  bool reverseTitlesOnEvenPages_ = false;
  int scaleFactor_ = 100;
  TdxScaleMode scaleMode_ = smAdjust;

  bool assigning_ = false;
  bool sizeFromPaperActive_ = false;
  bool loadPending_ = false;  // read from a stream, not yet made consistent
};

// The process-wide default page (plain constructor, filled by
// RestoreDefaults), created on first use and destroyed when the program ends.
TdxPrinterPage& GetDefaultPrinterPage();
// RestoreDefaults on the default page (after a system settings change).
void ResetDefaultPrinterPage();
