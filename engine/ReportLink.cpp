#include "engine/ReportLink.h"

#include <QFileInfo>
#include <QWidget>
#include <algorithm>

#include "engine/ComponentPrinter.h"
#include "layout/UserLocale.h"
#include "platform/Canvas.h"
#include "platform/EnumBits.h"
#include "platform/Exceptions.h"
#include "platform/MessageDialogs.h"
#include "platform/MetafileRecorder.h"
#include "platform/QtStrings.h"
#include "platform/ReadableFile.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedValue.h"
#include "platform/Units.h"
#include "platform/UpdateLock.h"
#include "report/EventBus.h"
#include "report/ReportStreamValues.h"
#include "report/ReportStreams.h"

namespace {

constexpr TdxPageUpdateCodes kLayoutCodes = ucMarginLeft | ucMarginTop | ucMarginRight | ucMarginBottom | ucScale;

// Runs a long operation of the link's printer for the lifetime of the object.
class LongOperation {
 public:
  explicit LongOperation(TCustomdxComponentPrinter* printer) : printer_(printer) {
    if (printer_) printer_->BeginLongOperation();
  }
  ~LongOperation() {
    if (printer_) printer_->EndLongOperation();
  }
  LongOperation(const LongOperation&) = delete;
  LongOperation& operator=(const LongOperation&) = delete;

 private:
  TCustomdxComponentPrinter* printer_;
};

std::string StripAmpersand(const std::string& label) {
  std::string result;
  for (char c : label)
    if (c != '&') result += c;
  return result;
}

int ClampIndex(int value, const std::vector<std::string>& list) {
  if (list.empty()) return 0;
  return std::clamp(value, 0, int(list.size()) - 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// TdxPSReportDocument

TdxPSReportDocument::TdxPSReportDocument(TBasedxReportLink* link)
    : link_(link), preview_(std::make_unique<TMetafile>()) {}

TdxPSReportDocument::~TdxPSReportDocument() = default;

void TdxPSReportDocument::SetCaption(const std::string& value) {
  if (caption_ == value) return;
  caption_ = value;
  DocChanged();
}

void TdxPSReportDocument::SetCreationDate(double value) {
  if (creationDate_ == value) return;
  creationDate_ = value;
  DocChanged();
}

void TdxPSReportDocument::SetCreator(const std::string& value) {
  if (creator_ == value) return;
  creator_ = value;
  DocChanged();
}

void TdxPSReportDocument::SetDescription(const std::string& value) {
  if (description_ == value) return;
  description_ = value;
  DocChanged();
}

void TdxPSReportDocument::DocChanged() {
  if (!IsLocked() && OnDocumentChanged) OnDocumentChanged(*this);
}

void TdxPSReportDocument::Assign(const TdxObject* source) {
  TdxBaseObject::Assign(source);
  DocChanged();
}

void TdxPSReportDocument::DoAssign(const TdxBaseObject& source) {
  TdxBaseObject::DoAssign(source);
  if (auto* doc = dynamic_cast<const TdxPSReportDocument*>(&source)) {
    caption_ = doc->caption_;
    creationDate_ = doc->creationDate_;
    creator_ = doc->creator_;
    description_ = doc->description_;
    preview_ = std::make_unique<TMetafile>(*doc->preview_);
  }
}

std::string TdxPSReportDocument::AsText() const {
  std::vector<std::string> lines;
  if (!caption_.empty()) lines.push_back(StripAmpersand("&Caption:") + " " + caption_);
  if (!creator_.empty()) lines.push_back(StripAmpersand("Creato&r:") + " " + creator_);
  // The date in the locale's short date picture, the time with seconds.
  const std::string timePicture = std::string(dxLocaleTimeLeadingZero() ? "HH" : "H") + ":mm:ss";
  std::string created = dxFormatDate(creationDate_, dxLocaleShortDateFormat());
  const std::string time = dxFormatTime(creationDate_, timePicture);
  if (!time.empty()) created += (created.empty() ? "" : " ") + time;
  lines.push_back(StripAmpersand("Create&d:") + " " + created);
  if (!description_.empty()) lines.push_back(StripAmpersand("&Description:") + " " + description_);
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  return text;
}

void TdxPSReportDocument::ReadData(TdxReportReader& reader) {
  {
    UpdateLock lock(*this);
    caption_ = reader.ReadString();
    creationDate_ = reader.ReadDateTime();
    creator_ = reader.ReadString();
    description_ = reader.ReadString();
    TMetafile picture;
    reader.ReadPicture(picture);
    preview_ = std::make_unique<TMetafile>(picture);
  }
  DocChanged();
}

void TdxPSReportDocument::WriteData(TdxReportWriter& writer) {
  RetrievePreview();
  writer.WriteString(caption_);
  writer.WriteDateTime(creationDate_);
  writer.WriteString(creator_);
  writer.WriteString(description_);
  writer.WritePicture(*preview_);
}

void TdxPSReportDocument::RetrievePreview() {
  preview_ = std::make_unique<TMetafile>();
  if (!link_) return;
  // A picture of the whole first page at screen resolution.
  const TPoint size = link_->RealPrinterPage().OrientedPageSizePixels();
  if (size.X <= 0 || size.Y <= 0) return;
  TDeviceCaps caps = TDeviceCaps::Screen();
  const int dpi = caps.LogPixelsX > 0 ? caps.LogPixelsX : 96;
  TMetafileRecorder recorder(size.X, size.Y, dpi);
  caps.Technology = DT_METAFILE;
  caps.HorzRes = size.X;
  caps.VertRes = size.Y;
  {
    TCanvas canvas(&recorder, caps);
    const TRect page(0, 0, size.X, size.Y);
    canvas.FillRect(page, clWhite);
    if (link_->PageCount() > 0) link_->PaintPage(canvas, page, 100, 0);
  }
  preview_->SetEnhancedData(recorder.EnhancedData());
}

// ---------------------------------------------------------------------------
// TdxReportLinkPrinterPage

TdxReportLinkPrinterPage::TdxReportLinkPrinterPage(TBasedxReportLink* link) : link_(link) {}

TdxObject* TdxReportLinkPrinterPage::Owner() const { return link_; }

bool TdxReportLinkPrinterPage::IsOwnerLoading() const { return link_ && link_->IsLoading(); }

void TdxReportLinkPrinterPage::PageParamsChanged(TdxPageUpdateCodes codes) {
  TdxPrinterPage::PageParamsChanged(codes);
  if (!IsLocked() && link_) link_->PageParamsChanged(*this, nullptr, codes);
}

// ---------------------------------------------------------------------------
// Services

TdxReportLinkStorage& dxPSReportLinkStorage() {
  static TdxReportLinkStorage storage;
  return storage;
}

TdxPrintStyleServices& dxPSPrintStyleServices() {
  static TdxPrintStyleServices services;
  return services;
}

TdxReportLinkDialogs& dxPSReportLinkDialogs() {
  static TdxReportLinkDialogs dialogs;
  return dialogs;
}

// ---------------------------------------------------------------------------
// TBasedxReportLink: creation and destruction

TBasedxReportLink::TBasedxReportLink()
    : printerPage_(std::make_unique<TdxReportLinkPrinterPage>(this)),
      reportDocument_(std::make_unique<TdxPSReportDocument>(this)),
      reportTitle_(std::make_unique<TdxReportTitle>(this)),
      savedReportDocument_(std::make_unique<TdxPSReportDocument>()),
      savedReportTitle_(std::make_unique<TdxReportTitle>()) {
  font_.Name = "Times New Roman";
  reportDocument_->OnDocumentChanged = [this](TdxPSReportDocument&) { DocumentChanged(); };
  pageParamsSubscriber_ = std::make_unique<TdxPageParamsChangedSubscriber>();
  pageParamsSubscriber_->OnPageParamsChanged = [this](TdxObject* page, TdxObject* style, std::uint8_t codes) {
    auto* printerPage = dynamic_cast<TdxPrinterPage*>(page);
    if (!printerPage || destroying_) return;
    auto& services = dxPSPrintStyleServices();
    TdxPrintStyle* printStyle = services.AsPrintStyle && style ? services.AsPrintStyle(style) : nullptr;
    PageParamsChanged(*printerPage, printStyle, codes);
  };
}

TBasedxReportLink::~TBasedxReportLink() {
  destroying_ = true;
  if (OnDestroy) {
    try {
      OnDestroy(*this);
    } catch (...) {
      // A destructor must not pass failures on.
    }
  }
  pageParamsSubscriber_.reset();
  if (styleManager_) {
    auto& services = dxPSPrintStyleServices();
    if (services.LinkManagerChanged) services.LinkManagerChanged(*this, styleManager_, nullptr);
    styleManager_ = nullptr;
  }
  // Leave the printer (it chooses another current link). A printer that is
  // itself being destroyed frees its links and needs no notice.
  if (printer_ && !printer_->IsDestroying()) {
    try {
      SetComponentPrinter(nullptr);
    } catch (...) {
    }
  }
  printer_ = nullptr;
  if (componentDestroyed_) QObject::disconnect(componentDestroyed_);
  component_ = nullptr;
  active_ = false;
  reportCells_.reset();
  renderer_.reset();
  renderInfo_.reset();
}

// ---------------------------------------------------------------------------
// Identity and ownership

void TBasedxReportLink::SetName(const std::string& name) {
  if (name_ == name) return;
  name_ = name;
  if (Caption().empty()) SetCaption(name);
  if (printer_) printer_->LinksChanged();
}

void TBasedxReportLink::SetComponentPrinter(TCustomdxComponentPrinter* printer) {
  // The printer's AddLink and RemoveLink may call back here; the guard and
  // the list checks keep the link in exactly one list.
  if (printer_ == printer || settingPrinter_) return;
  ScopedValue guard(settingPrinter_, true);
  if (TCustomdxComponentPrinter* old = printer_) {
    if (old->IndexOfLink(this) >= 0) old->RemoveLink(this);
    printer_ = nullptr;
  }
  printer_ = printer;
  if (printer_ && printer_->IndexOfLink(this) < 0) printer_->AddLink(this);
}

void TBasedxReportLink::BeginLoading() { loading_ = true; }

void TBasedxReportLink::EndLoading() {
  if (!loading_) return;
  loading_ = false;
  QObject* stored = component_.data();
  if (!stored) {
    pendingActive_ = false;
    return;
  }
  // Attach the component read from the form description.
  component_ = nullptr;
  if (!Supports(dxComponentClassOf(stored))) {
    pendingActive_ = false;
    throw EdxReportLink(Format(dxPSReportLinkMessages::ComponentNotSupported, stored->metaObject()->className()));
  }
  AttachComponent(stored);
}

// ---------------------------------------------------------------------------
// Published properties

void TBasedxReportLink::SetActive(bool value) {
  if (loading_) {
    pendingActive_ = value;
    return;
  }
  if (value == active_ || !printer_) return;
  if (value)
    printer_->BuildLink(this);
  else
    printer_->ClearLink(this);
}

void TBasedxReportLink::SetAssignedFormatValues(TdxAssignedFormatValues value) {
  if (dateFormat_ == DefaultDateFormat()) value &= ~dxBit(fvDate);
  if (timeFormat_ == DefaultTimeFormat()) value &= ~dxBit(fvTime);
  if (pageNumberFormat_ == DefaultPageNumberFormat()) value &= ~dxBit(fvPageNumber);
  if (value != assignedFormatValues_) assignedFormatValues_ = value;
}

std::string TBasedxReportLink::Caption() const { return reportDocument_->Caption(); }

void TBasedxReportLink::SetCaption(const std::string& value) { reportDocument_->SetCaption(value); }

void TBasedxReportLink::SetComponent(QObject* component) {
  if (loading_) {
    component_ = component;
    return;
  }
  if (component == component_.data()) return;
  if (IsCurrentLink() && printer_->Previewing()) printer_->ClosePreview();
  if (component) {
    if (!Supports(dxComponentClassOf(component)))
      throw EdxReportLink(
          Format(dxPSReportLinkMessages::ComponentNotSupported, component->metaObject()->className()));
    if (componentDestroyed_) QObject::disconnect(componentDestroyed_);
    AttachComponent(component);
  } else {
    SetActive(false);
    if (componentDestroyed_) QObject::disconnect(componentDestroyed_);
    component_ = nullptr;
  }
  if (!destroying_ && !loading_) {
    if (OnChangeComponent) OnChangeComponent(*this);
    if (printer_) {
      printer_->DoChangeComponent(this);
      printer_->LinksChanged();
    }
  }
}

void TBasedxReportLink::AttachComponent(QObject* component) {
  component_ = component;
  if (active_ || pendingActive_) {
    pendingActive_ = false;
    ScopeFail detach([this] { component_ = nullptr; });
    Rebuild();
    if (!loading_ && printer_ && !printer_->AutoUpdateDateTime) SetDateTime(dxNow());
    RebuildNeeded = false;
  }
  if (component_)
    componentDestroyed_ = QObject::connect(component, &QObject::destroyed, [this] { ComponentDestroyed(); });
}

void TBasedxReportLink::ComponentDestroyed() {
  componentDestroyed_ = {};
  component_ = nullptr;
}

int TBasedxReportLink::DateFormat() const {
  if ((assignedFormatValues_ & dxBit(fvDate)) || !printer_) return dateFormat_;
  return printer_->DateFormat();
}

void TBasedxReportLink::SetDateFormat(int value) {
  dateFormat_ = ClampIndex(value, DateFormatList());
  if (dateFormat_ != DefaultDateFormat())
    assignedFormatValues_ |= dxBit(fvDate);
  else
    assignedFormatValues_ &= ~dxBit(fvDate);
  if (IsCurrentLink() && !DateFormatList().empty())
    GetHFFormatObject()->DateFormat = DateFormatList()[std::size_t(DateFormat())];
}

int TBasedxReportLink::TimeFormat() const {
  if ((assignedFormatValues_ & dxBit(fvTime)) || !printer_) return timeFormat_;
  return printer_->TimeFormat();
}

void TBasedxReportLink::SetTimeFormat(int value) {
  timeFormat_ = ClampIndex(value, TimeFormatList());
  if (timeFormat_ != DefaultTimeFormat())
    assignedFormatValues_ |= dxBit(fvTime);
  else
    assignedFormatValues_ &= ~dxBit(fvTime);
  if (IsCurrentLink() && !TimeFormatList().empty())
    GetHFFormatObject()->TimeFormat = TimeFormatList()[std::size_t(TimeFormat())];
}

TdxPageNumberFormat TBasedxReportLink::PageNumberFormat() const {
  if ((assignedFormatValues_ & dxBit(fvPageNumber)) || !printer_) return pageNumberFormat_;
  return printer_->PageNumberFormat();
}

void TBasedxReportLink::SetPageNumberFormat(TdxPageNumberFormat value) {
  pageNumberFormat_ = value;
  if (pageNumberFormat_ != DefaultPageNumberFormat())
    assignedFormatValues_ |= dxBit(fvPageNumber);
  else
    assignedFormatValues_ &= ~dxBit(fvPageNumber);
  if (IsCurrentLink()) GetHFFormatObject()->PageNumberFormat = PageNumberFormat();
}

// The defaults the flags are measured against: the printer's values (0 and
// pnfNumeral without a printer), so that a value equal to the printer's
// never counts as the link's own.
int TBasedxReportLink::DefaultDateFormat() const { return printer_ ? printer_->DateFormat() : 0; }
int TBasedxReportLink::DefaultTimeFormat() const { return printer_ ? printer_->TimeFormat() : 0; }
TdxPageNumberFormat TBasedxReportLink::DefaultPageNumberFormat() const {
  return printer_ ? printer_->PageNumberFormat() : pnfNumeral;
}

void TBasedxReportLink::CopyFormatsToHF() {
  TdxHFFunctionFormatObject* format = GetHFFormatObject();
  if (!format) return;
  if (!DateFormatList().empty()) format->DateFormat = DateFormatList()[std::size_t(ClampIndex(DateFormat(), DateFormatList()))];
  format->DateTime = DateTime();
  format->PageNumberFormat = PageNumberFormat();
  format->StartPageIndex = StartPageIndex();
  if (!TimeFormatList().empty()) format->TimeFormat = TimeFormatList()[std::size_t(ClampIndex(TimeFormat(), TimeFormatList()))];
}

double TBasedxReportLink::DateTime() const { return reportDocument_->CreationDate(); }

void TBasedxReportLink::SetDateTime(double value) { reportDocument_->SetCreationDate(value); }

std::string TBasedxReportLink::Description() const { return reportDocument_->Description(); }

void TBasedxReportLink::SetDescription(const std::string& value) { reportDocument_->SetDescription(value); }

int TBasedxReportLink::Index() const { return printer_ ? printer_->IndexOfLink(this) : -1; }

void TBasedxReportLink::SetIndex(int value) {
  if (!printer_) return;
  const int current = Index();
  value = std::clamp(value, 0, printer_->LinkCount() - 1);
  if (current < 0 || current == value) return;
  printer_->MoveLink(current, value);
  printer_->LinksChanged();
}

bool TBasedxReportLink::IsCurrentLink() const { return printer_ && printer_->CurrentLink() == this; }

void TBasedxReportLink::SetIsCurrentLink(bool value) {
  if (value && printer_) printer_->SetCurrentLink(this);
}

void TBasedxReportLink::SetPrinterPage(const TdxPrinterPage& value) { printerPage_->Assign(&value); }

void TBasedxReportLink::SetReportDocument(const TdxPSReportDocument& value) { reportDocument_->Assign(&value); }

void TBasedxReportLink::SetReportTitle(const TdxReportTitle& value) { reportTitle_->Assign(&value); }

TdxReportTitleMode TBasedxReportLink::ReportTitleMode() const { return reportTitle_->Mode(); }

void TBasedxReportLink::SetReportTitleMode(TdxReportTitleMode value) { reportTitle_->SetMode(value); }

std::string TBasedxReportLink::ReportTitleText() const { return reportTitle_->Text(); }

void TBasedxReportLink::SetReportTitleText(const std::string& value) { reportTitle_->SetText(value); }

void TBasedxReportLink::SetShowPageFooter(bool value) {
  if (showPageFooter_ == value) return;
  showPageFooter_ = value;
  if (!loading_) CalculateRenderInfo();
}

void TBasedxReportLink::SetShowPageHeader(bool value) {
  if (showPageHeader_ == value) return;
  showPageHeader_ = value;
  if (!loading_) CalculateRenderInfo();
}

bool TBasedxReportLink::ShrinkToPageWidth() { return RealPrinterPage().ScaleMode() == smFit; }

void TBasedxReportLink::SetShrinkToPageWidth(bool value) {
  if (ShrinkToPageWidth() == value) return;
  LongOperation operation(printer_);
  TdxPrinterPage& page = RealPrinterPage();
  UpdateLock lock(page);
  if (value) {
    page.SetFitToPagesByTall(1);
    page.SetFitToPagesByWide(1);
  }
  page.SetScaleMode(value ? smFit : smAdjust);
}

void TBasedxReportLink::SetStartPageIndex(int value) {
  if (value <= 0) value = 1;
  if (startPageIndex_ == value) return;
  startPageIndex_ = value;
  if (IsCurrentLink()) GetHFFormatObject()->StartPageIndex = startPageIndex_;
}

void TBasedxReportLink::SetStorageName(const std::string& value) {
  storageName_ = value;
  if (!loading_ && dataSource_ == dsExternalStorage && !value.empty() && QFileInfo::exists(ToQ(value)))
    LoadFromFile(value);
}

void TBasedxReportLink::SetStyleManager(TdxPrintStyleManager* value) {
  if (styleManager_ == value) return;
  TdxPrintStyleManager* oldManager = styleManager_;
  styleManager_ = value;
  auto& services = dxPSPrintStyleServices();
  if (services.LinkManagerChanged) services.LinkManagerChanged(*this, oldManager, value);
  if (destroying_ || loading_) return;
  TdxPrintStyle* style = services.CurrentStyle && value ? services.CurrentStyle(value) : nullptr;
  PageParamsChanged(RealPrinterPage(), style, ucAll);
}

void TBasedxReportLink::StyleManagerDestroyed(TdxPrintStyleManager* manager) {
  if (manager && manager == styleManager_) styleManager_ = nullptr;
}

void TBasedxReportLink::SetShowEmptyPages(bool value) {
  if (showEmptyPages_ == value) return;
  showEmptyPages_ = value;
  if (!loading_) CalculateRenderInfo();
}

// ---------------------------------------------------------------------------
// Non-published fields

void TBasedxReportLink::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  RebuildNeeded = true;
}

void TBasedxReportLink::SetFont(const TFont& value) {
  if (font_ == value) return;
  font_ = value;
  RebuildNeeded = true;
}

void TBasedxReportLink::SetScaleFonts(bool value) {
  if (scaleFonts_ == value) return;
  scaleFonts_ = value;
  RebuildNeeded = true;
}

void TBasedxReportLink::SetCurrentPage(int value) { currentPage_ = std::clamp(value, 1, std::max(1, PageCount())); }

void TBasedxReportLink::SetDataSource(TdxReportLinkDataSource value) {
  if (dataSource_ == value) return;
  // The live document and title are kept whenever a stored report takes
  // over, so that coming back restores them whichever way the switch went.
  if (value == dsExternalStorage) {
    savedReportDocument_->Assign(reportDocument_.get());
    savedReportTitle_->Assign(reportTitle_.get());
    savedDocumentValid_ = true;
  }
  dataSource_ = value;
  if (OnDataSourceChanged) OnDataSourceChanged(*this);
  if (value == dsComponent && savedDocumentValid_) {
    savedDocumentValid_ = false;
    reportDocument_->Assign(savedReportDocument_.get());
    ScopedValue restoring(restoringTitle_, true);
    reportTitle_->Assign(savedReportTitle_.get());
  }
  const bool previewed = IsCurrentLink() && printer_->Previewing() && DataProviderPresent();
  if (!previewed) {
    if (value == dsComponent) Deactivate();
    return;
  }
  Rebuild();
}

// ---------------------------------------------------------------------------
// TdxPSRenderLink

void TBasedxReportLink::NotifyPrintStyle(TdxPrintStyleNotification notification) {
  if (!styleManager_) return;
  auto& services = dxPSPrintStyleServices();
  if (!services.CurrentStyle || !services.Notify) return;
  if (TdxPrintStyle* style = services.CurrentStyle(styleManager_)) services.Notify(style, notification);
}

TdxPrinterPage& TBasedxReportLink::RealPrinterPage() {
  if (styleManager_) {
    auto& services = dxPSPrintStyleServices();
    if (services.CurrentStyle && services.StylePrinterPage)
      if (TdxPrintStyle* style = services.CurrentStyle(styleManager_))
        if (TdxPrinterPage* page = services.StylePrinterPage(style)) return *page;
  }
  return *printerPage_;
}

int TBasedxReportLink::RealScaleFactor() {
  TdxPrinterPage& page = RealPrinterPage();
  return page.ScaleMode() == smFit ? FitScaleFactor() : page.ScaleFactor();
}

bool TBasedxReportLink::IsCustomDrawn(const TAbstractdxReportCellData& item) const {
  return dataSource_ != dsExternalStorage && IsSupportedCustomDraw(item);
}

void TBasedxReportLink::CustomDrawPage(TCanvas& canvas, int pageIndex, const TRect& rect) {
  if (!printer_) return;
  int zoom = 100;
  if (printer_->Previewing() && printer_->PreviewWindow()) zoom = printer_->PreviewWindow()->ZoomFactor();
  printer_->CustomDrawPage(this, canvas, pageIndex, rect, 100, zoom);
}

void TBasedxReportLink::CustomDrawPageHeaderOrFooter(bool isHeader, TCanvas& canvas, int pageIndex, TRect& rect,
                                                     int nom, int denom, bool& defaultDrawText,
                                                     bool& defaultDrawBackground) {
  if (printer_) {
    printer_->CustomDrawPageHeaderOrFooter(this, canvas, pageIndex, isHeader, rect, defaultDrawText,
                                           defaultDrawBackground);
    if (!defaultDrawText && !defaultDrawBackground) return;
  }
  auto& handler = isHeader ? OnCustomDrawPageHeader : OnCustomDrawPageFooter;
  if (handler) handler(*this, canvas, pageIndex, rect, nom, denom, defaultDrawText, defaultDrawBackground);
}

void TBasedxReportLink::CustomDrawReportTitle(TCanvas& canvas, const TRect& rect, int nom, int denom,
                                              TdxTextAlignX& alignX, TdxTextAlignY& alignY, TColor& color,
                                              TFont& font, bool& done) {
  if (printer_) {
    printer_->CustomDrawReportTitle(this, canvas, rect, alignX, alignY, color, font, done);
    if (done) return;
  }
  if (OnCustomDrawReportLinkTitle)
    OnCustomDrawReportLinkTitle(*this, canvas, rect, nom, denom, alignX, alignY, color, font, done);
}

void TBasedxReportLink::MeasureReportTitle(int& height) {
  if (printer_) printer_->MeasureReportTitle(this, height);
  if (OnMeasureReportLinkTitle) OnMeasureReportLinkTitle(*this, height);
}

void TBasedxReportLink::ReportTitleChanged() {
  if (loading_ || destroying_ || readingStoredReport_ || restoringTitle_) return;
  CalculateRenderInfo();
}

// ---------------------------------------------------------------------------
// Render info and renderer

TdxPSReportRenderInfo& TBasedxReportLink::RenderInfo() {
  if (!renderInfo_) {
    renderInfo_ = dxCreateObject<TdxPSReportRenderInfo>(RenderInfoClass());
    renderInfo_->SetReportLink(this);
  }
  return *renderInfo_;
}

TdxPSReportRenderer& TBasedxReportLink::Renderer() {
  if (!renderer_) {
    renderer_ = dxCreateObject<TdxPSReportRenderer>(RendererClass());
    renderer_->SetReportLink(this);
    renderer_->SetRenderInfo(&RenderInfo());
  }
  return *renderer_;
}

TdxClass TBasedxReportLink::RenderInfoClass() const { return TdxPSReportRenderInfo::StaticClass(); }

TdxClass TBasedxReportLink::RendererClass() const { return TdxPSReportRenderer::StaticClass(); }

// ---------------------------------------------------------------------------
// Operations

void TBasedxReportLink::PaintPage(TCanvas& canvas, const TRect& pageRect, int zoom, int pageIndex) {
  if (!reportCells_ || !renderInfo_) return;
  TdxPSReportRenderInfo& info = RenderInfo();
  if (pageIndex < 0 || pageIndex >= info.GridPageCount()) return;
  ScopedValue painting(paintingPage_, true);
  Renderer().RenderPage(canvas, pageRect, zoom, pageIndex, info.IndexToVisiblePage(pageIndex));
}

int TBasedxReportLink::PageCount() {
  const int count = reportCells_ && renderInfo_ ? renderInfo_->PageCount() : 0;
  if (IsCurrentLink()) GetHFFormatObject()->TotalPages = count;
  return count;
}

int TBasedxReportLink::ReportWidth() const { return reportCells_ ? reportCells_->BoundsWidth() : 0; }

int TBasedxReportLink::ReportHeight() const { return reportCells_ ? reportCells_->BoundsHeight() : 0; }

int TBasedxReportLink::FitScaleFactor() {
  const int width = ReportWidth();
  if (width <= 0) return 100;
  const int unitsPerInch = RenderInfo().UnitsPerInch();
  const int paintWidth = LoMetricToPixels(RealPrinterPage().PaintRect().Width(), unitsPerInch);
  // One percent under the exact ratio; never below 1, so that page sizes
  // divided by it stay finite.
  return std::max(1, MulDiv(paintWidth, 100, width) - 1);
}

std::string TBasedxReportLink::DataProviderErrorText() const {
  return dataSource_ == dsComponent ? dxPSReportLinkMessages::MissingComponent
                                    : dxPSReportLinkMessages::InvalidExternalStorage;
}

bool TBasedxReportLink::DataProviderPresent() const {
  if (dataSource_ == dsComponent) return component_ != nullptr;
  const auto& storage = dxPSReportLinkStorage();
  return !storedReport_.empty() && storage.IsReportStream && storage.IsReportStream(storedReport_);
}

void TBasedxReportLink::RaiseDataProviderError() const { throw EdxReportLink(DataProviderErrorText()); }

void TBasedxReportLink::ConstructReport(TdxReportCells& cells) {
  fontPool_.Clear();
  bitmapPool_.Clear();
  fontPool_.Add(font_);
}

void TBasedxReportLink::ConvertCoords() {
  if (!reportCells_) return;
  const int screenPpi = TDeviceCaps::Screen().LogPixelsY;
  if (screenPpi > 0) reportCells_->Scale(RenderInfo().UnitsPerInch(), screenPpi);
}

void TBasedxReportLink::PrepareCells(TdxReportCells& cells) {
  TCanvas dc(TDeviceCaps::Screen());
  for (int i = 0; i < cells.LookAndFeelCount(); ++i) cells.LookAndFeels(i)->Prepare(dc);
  cells.EnumerateItems([&dc](TdxReportItem& item) {
    if (auto* group = dynamic_cast<TdxReportGroup*>(&item)) group->Prepare(dc);
  });
}

bool TBasedxReportLink::CustomDrawItem(TAbstractdxReportCellData&, TCanvas&, const TRect&, const TRect&) {
  return false;
}

void TBasedxReportLink::ReadStoredReport() {
  const auto& storage = dxPSReportLinkStorage();
  try {
    if (!storage.ReadReport) RaiseDataProviderError();
    ScopedValue reading(readingStoredReport_, true);
    storage.ReadReport(*this, storedReport_);
  } catch (...) {
    // Back to the live report: pools, title and document as they were.
    fontPool_.Clear();
    bitmapPool_.Clear();
    fontPool_.Add(font_);
    if (savedDocumentValid_) {
      ScopedValue restoring(restoringTitle_, true);
      reportTitle_->Assign(savedReportTitle_.get());
      reportDocument_->Assign(savedReportDocument_.get());
    }
    MessageError(Format("Cannot load Report File \"%s\".", storageName_.c_str()) +
                 "\nFile is corruted or is locked by another User or Application.\n\nOriginal Report will be restored.");
    // The switch rebuilds from the component when a preview shows the link
    // (a nested build), else deactivates; either way this build is over.
    SetDataSource(dsComponent);
    rebuildAbandoned_ = true;
  }
}

void TBasedxReportLink::InternalRebuild() {
  if (!reportCells_) {
    reportCells_ = std::make_unique<TdxReportCells>();
    reportCells_->SetRenderer(&Renderer());
  }
  if (dataSource_ == dsComponent) {
    ConstructReport(*reportCells_);
  } else {
    ReadStoredReport();
    if (rebuildAbandoned_) return;
  }
  dxPSSetReportUnitsPerInch(RenderInfo().UnitsPerInch());
  if (dataSource_ == dsComponent) {
    PrepareCells(*reportCells_);
    ConvertCoords();
  }
  CalculateRenderInfo();
}

void TBasedxReportLink::InternalClear() {
  active_ = false;
  {
    LongOperation operation(printer_);
    reportCells_.reset();
    if (renderInfo_) renderInfo_->Clear();
  }
  if (printer_ && !destroying_) printer_->ReportCleared(this);
}

void TBasedxReportLink::BuildReport() {
  rebuildAbandoned_ = false;
  ScopeFail clear([this] {
    rebuildAbandoned_ = false;
    InternalClear();
  });
  if (!DataProviderPresent()) RaiseDataProviderError();
  InternalRebuild();
  if (rebuildAbandoned_) {
    // The stored report could not be read and the link went back to its
    // component, which rebuilt it or left it inactive.
    rebuildAbandoned_ = false;
    if (!active_) {
      reportCells_.reset();
      if (renderInfo_) renderInfo_->Clear();
    }
    return;
  }
  RebuildNeeded = false;
  active_ = true;
}

void TBasedxReportLink::Rebuild() {
  SetActive(false);
  SetActive(true);
}

void TBasedxReportLink::RestoreDefaults() {
  SetColor(clWhite);
  TFont font;
  font.Name = "Times New Roman";
  font.SetSize(8);
  font.Style = 0;
  font.Pitch = fpDefault;
  font.Charset = DEFAULT_CHARSET;
  SetFont(font);
  SetDateFormat(DefaultDateFormat());
  SetTimeFormat(DefaultTimeFormat());
  SetPageNumberFormat(DefaultPageNumberFormat());
}

void TBasedxReportLink::RestoreFromOriginal() {
  auto* widget = qobject_cast<QWidget*>(component_.data());
  if (!widget) return;
  const QColor background = widget->palette().color(widget->backgroundRole());
  SetColor(TColor(background.red() | (background.green() << 8) | (background.blue() << 16)));
  const QFont qfont = widget->font();
  TFont font = font_;
  font.Name = FromQ(qfont.family());
  if (qfont.pointSize() > 0) font.SetSize(qfont.pointSize());
  TFontStyles style = 0;
  if (qfont.bold()) style |= fsBold;
  if (qfont.italic()) style |= fsItalic;
  if (qfont.underline()) style |= fsUnderline;
  if (qfont.strikeOut()) style |= fsStrikeOut;
  font.Style = style;
  const QColor text = widget->palette().color(widget->foregroundRole());
  font.Color = TColor(text.red() | (text.green() << 8) | (text.blue() << 16));
  SetFont(font);
}

void TBasedxReportLink::PageParamsChanged(TdxPrinterPage& page, TdxPrintStyle* style, TdxPageUpdateCodes codes) {
  if (loading_ || destroying_) return;
  if (&page != &RealPrinterPage() || !IsCurrentLink() || !(codes & kLayoutCodes)) return;
  if (active_) {
    if (NeedsRebuildOnPageParamsChanged(codes))
      Rebuild();
    else
      CalculateRenderInfo();
  }
  RefreshPreview();
}

void TBasedxReportLink::CalculateRenderInfo() {
  if (!DataProviderPresent() || !reportCells_) return;
  LongOperation operation(printer_);
  RenderInfo().Calculate();
}

void TBasedxReportLink::RefreshPreview() {
  if (printer_) printer_->RefreshPreview();
}

void TBasedxReportLink::DocumentChanged() {
  if (IsCurrentLink()) GetHFFormatObject()->DateTime = DateTime();
}

bool TBasedxReportLink::IsSupportedStyle(TdxPrintStyle* style) {
  auto& services = dxPSPrintStyleServices();
  if (style && styleManager_ && services.CurrentStyle && services.CurrentStyle(styleManager_) == style) return true;
  bool supported = true;
  if (OnFilterStyle) OnFilterStyle(*this, style, supported);
  return supported;
}

bool TBasedxReportLink::Supports(TdxClass componentClass) const {
  return dxPSLinkClassByComponentClass(componentClass) == ClassType();
}

void TBasedxReportLink::Preview(bool modal) {
  if (!printer_) return;
  SetIsCurrentLink(true);
  printer_->Preview(modal, this);
}

bool TBasedxReportLink::Print(bool showDialog, void* printDlgData) {
  if (!printer_) return false;
  SetIsCurrentLink(true);
  return printer_->Print(showDialog, static_cast<TdxPrintDlgData*>(printDlgData), this);
}

std::string TBasedxReportLink::DefaultReportFileName() const {
  std::string name = reportTitle_->Text();
  if (name.empty()) name = Caption();
  if (name.empty()) name = "NewReport";
  for (char& c : name)
    if (c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '/' || c == '\\') c = '_';
  return name;
}

void TBasedxReportLink::LoadFromFile(const std::string& fileName) {
  const auto& storage = dxPSReportLinkStorage();
  auto notAReport = [&] {
    MessageError(Format("Cannot load Report File \"%s\".", fileName.c_str()) +
                 "\nThe file is not a report file or was written by another version.");
  };
  TBytes bytes;
  {
    // The file is looked at in place first: its header, then the sections
    // the header points to. A file that is no report, or a report with
    // other data after it, is refused without being read whole.
    TdxFileStream stream(fileName, TdxFileStreamMode::Read);
    if (storage.IsReportInStream && !storage.IsReportInStream(stream)) return notAReport();
    // The report is held in memory once loaded: a file larger than the
    // program reads whole is refused before its sections are read.
    if (stream.Size() > MaxReadFileSize)
      throw EFOpenError(TReadableFile::OpenError(
          fileName, Format(ReadableFileMessages::TooLarge, static_cast<long long>(stream.Size()),
                           static_cast<long long>(MaxReadFileSize))));
    if (storage.CheckReportInStream) {
      try {
        storage.CheckReportInStream(stream);
      } catch (const std::exception& e) {
        ShowCorruptReport(fileName, e.what());
        return;
      }
    }
    bytes.resize(std::size_t(stream.Size()));
    stream.SetPosition(0);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const std::size_t n = stream.Read(bytes.data() + done, bytes.size() - done);
      if (n == 0) break;
      done += n;
    }
    bytes.resize(done);
  }
  // A file that is no report leaves the link as it was, StorageName included.
  if (bytes.empty() || !storage.IsReportStream || !storage.IsReportStream(bytes)) {
    if (storage.IsReportStream) notAReport();
    return;
  }
  const std::string previousName = storageName_;
  storageName_ = fileName;
  streamRefused_ = false;
  LoadFromStream(bytes);
  if (streamRefused_) storageName_ = previousName;
}

void TBasedxReportLink::ShowCorruptReport(const std::string& fileName, const std::string& reason) {
  std::string text = Format("Cannot load Report File \"%s\".", fileName.c_str()) +
                     "\nFile is corruted or is locked by another User or Application.\n\n"
                     "Original Report will be restored.";
  if (!reason.empty()) text += "\n\n" + reason;
  MessageError(text);
}

void TBasedxReportLink::LoadFromStream(TByteView data) {
  const auto& storage = dxPSReportLinkStorage();
  if (data.empty() || !storage.IsReportStream || !storage.IsReportStream(data)) return;
  // The stream must read completely before it replaces anything.
  if (storage.CheckReport) {
    try {
      storage.CheckReport(data);
    } catch (const std::exception& e) {
      streamRefused_ = true;
      ShowCorruptReport(storageName_, e.what());
      return;
    }
  }
  // A new buffer of the report's own size: the previous report's memory goes.
  storedReport_ = TBytes(data.begin(), data.end());
  if (dataSource_ == dsExternalStorage) {
    if (IsCurrentLink() && printer_->Previewing()) Rebuild();
  } else {
    SetDataSource(dsExternalStorage);
  }
}

bool TBasedxReportLink::SaveToStream(TBytes& data) {
  const auto& storage = dxPSReportLinkStorage();
  if (!storage.WriteReport) return false;
  if (DataProviderPresent() && !reportCells_) Rebuild();
  if (!reportCells_) return false;
  ScopedValue saving(savingReport_, true);
  LongOperation operation(printer_);
  storage.WriteReport(*this, data);
  return true;
}

bool TBasedxReportLink::SaveToFile(const std::string& fileName) {
  std::string reason;
  try {
    TBytes data;
    if (!SaveToStream(data))
      reason = "There is no report to save.";
    else
      // Written beside the target, synced and renamed over it only when all
      // of it is on disk; any failure leaves the old file untouched and says
      // what the system said.
      WriteFileBytes(fileName, data);
  } catch (const std::exception& e) {
    reason = e.what();
  }
  if (reason.empty()) return true;
  MessageError(Format("Cannot save the report file \"%s\".", fileName.c_str()) + "\n" + reason);
  return false;
}

bool TBasedxReportLink::CheckMarginsInPrintableArea() {
  TdxPrinterPage& page = RealPrinterPage();
  if (page.MarginsInPrintableArea()) return true;
  if (!MessageQuestion("One or more margins are set outside the printable area of the page.\nDo you want to continue ?"))
    return false;
  page.FixMargins();
  return true;
}

bool TBasedxReportLink::ShowDateTimeFormatsDialog() {
  const auto& dialog = dxPSReportLinkDialogs().DateTimeFormats;
  return dialog && dialog(*this);
}

bool TBasedxReportLink::ShowPageNumberFormatsDialog() {
  const auto& dialog = dxPSReportLinkDialogs().PageNumberFormats;
  return dialog && dialog(*this);
}

bool TBasedxReportLink::ShowTitlePropertiesDialog() {
  const auto& dialog = dxPSReportLinkDialogs().TitleProperties;
  return dialog && CanChangeTitle() && dialog(*this);
}

bool TBasedxReportLink::CanChangeTitle() const {
  if (dataSource_ != dsComponent) return false;
  return !printer_ || (!printer_->Building() && !printer_->Printing());
}

void TBasedxReportLink::Assign(const TBasedxReportLink& source) {
  if (&source == this) return;
  SetReportDocument(*source.reportDocument_);
  SetCaption(source.Caption());
  SetDescription(source.Description());
  SetColor(source.Color());
  SetFont(source.Font());
  SetDateFormat(source.DateFormat());
  SetTimeFormat(source.TimeFormat());
  SetPageNumberFormat(source.PageNumberFormat());
  {
    TdxPrinterPage& page = RealPrinterPage();
    UpdateLock lock(page);
    page.Assign(&const_cast<TBasedxReportLink&>(source).RealPrinterPage());
  }
  SetReportTitle(*source.reportTitle_);
  SetScaleFonts(source.ScaleFonts());
  SetContinuousPageIndexes(source.ContinuousPageIndexes());
  SetShowPageFooter(source.ShowPageFooter());
  SetShowPageHeader(source.ShowPageHeader());
  SetShrinkToPageWidth(const_cast<TBasedxReportLink&>(source).ShrinkToPageWidth());
}

void TBasedxReportLink::BeginLongOperation() {
  if (printer_) printer_->BeginLongOperation();
}

void TBasedxReportLink::EndLongOperation() {
  if (printer_) printer_->EndLongOperation();
}

// ---------------------------------------------------------------------------
// Link registry

namespace {

std::vector<TdxReportLinkRegistryEntry>& Registry() {
  static std::vector<TdxReportLinkRegistryEntry> registry;
  return registry;
}

bool SameEntry(const TdxReportLinkRegistryEntry& e, TdxClass link, TdxClass component, TdxClass designWindow) {
  return e.LinkClass == link && e.ComponentClass == component && e.DesignWindowClass == designWindow;
}

// The entry for the most specific registered class that componentClass
// inherits from; among entries for the same class the most recent one.
const TdxReportLinkRegistryEntry* FindEntry(TdxClass componentClass) {
  const TdxReportLinkRegistryEntry* best = nullptr;
  for (const auto& entry : Registry()) {
    if (!componentClass) {
      if (!entry.ComponentClass) return &entry;
      continue;
    }
    if (!entry.ComponentClass || !componentClass->InheritsFrom(entry.ComponentClass)) continue;
    if (!best || (entry.ComponentClass != best->ComponentClass &&
                  entry.ComponentClass->InheritsFrom(best->ComponentClass)))
      best = &entry;
  }
  return best;
}

}  // namespace

void dxPSRegisterReportLink(TdxClass linkClass, TdxClass componentClass, TdxClass designWindowClass) {
  if (!linkClass) return;
  auto& registry = Registry();
  for (const auto& entry : registry)
    if (SameEntry(entry, linkClass, componentClass, designWindowClass)) return;
  registry.insert(registry.begin(), {componentClass, designWindowClass, linkClass});
  if (!dxFindClass(linkClass->ClassName())) dxRegisterClass(linkClass);
}

void dxPSUnregisterReportLink(TdxClass linkClass, TdxClass componentClass, TdxClass designWindowClass) {
  auto& registry = Registry();
  registry.erase(std::remove_if(registry.begin(), registry.end(),
                                [&](const TdxReportLinkRegistryEntry& e) {
                                  return SameEntry(e, linkClass, componentClass, designWindowClass);
                                }),
                 registry.end());
}

TdxClass dxPSLinkClassByComponentClass(TdxClass componentClass) {
  const TdxReportLinkRegistryEntry* entry = FindEntry(componentClass);
  return entry ? entry->LinkClass : nullptr;
}

TdxClass dxPSDesignWindowClassByComponentClass(TdxClass componentClass) {
  const TdxReportLinkRegistryEntry* entry = FindEntry(componentClass);
  return entry ? entry->DesignWindowClass : nullptr;
}

const std::vector<TdxReportLinkRegistryEntry>& dxPSReportLinkRegistry() { return Registry(); }

TdxClass TBasedxReportLink::DesignWindowClass() const {
  TdxClass componentClass = dxComponentClassOf(component_);
  const TdxReportLinkRegistryEntry* best = nullptr;
  for (const auto& entry : Registry()) {
    if (!entry.LinkClass || !ClassType()->InheritsFrom(entry.LinkClass)) continue;
    if (!componentClass) {
      if (!entry.ComponentClass) return entry.DesignWindowClass;
      continue;
    }
    if (!entry.ComponentClass || !componentClass->InheritsFrom(entry.ComponentClass)) continue;
    if (!best || (entry.ComponentClass != best->ComponentClass &&
                  entry.ComponentClass->InheritsFrom(best->ComponentClass)))
      best = &entry;
  }
  return best ? best->DesignWindowClass : nullptr;
}

bool TBasedxReportLink::CanDesign() const {
  TdxClass cls = DesignWindowClass();
  return cls && cls->CanCreate() && !IsExternalStorage();
}
