#include "engine/ComponentPrinter.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <algorithm>
#include <chrono>

#include "engine/ContainerDesignWindow.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/UserLocale.h"
#include "layout/ReportRenderer.h"
#include "platform/MetafileRecorder.h"
#include "platform/QtStrings.h"
#include "report/EventBus.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedValue.h"
#include "platform/UpdateLock.h"

using namespace dxPSComponentPrinterMessages;

// ---- Options ------------------------------------------------------------------------

TdxComponentPrinterThumbnailsOptions::TdxComponentPrinterThumbnailsOptions() {
  Font.Name = "Tahoma";
  Font.SetSize(48);
  Font.Color = clBlue;
}

TdxPreviewOptions::TdxPreviewOptions()
    : EnableOptions((1u << (unsigned(peoReportDesign) + 1)) - 1 - (1u << unsigned(peoHelp))),
      VisibleOptions((1u << (unsigned(pvoReportFileOperations) + 1)) - 1 - (1u << unsigned(pvoHelp))) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      Bounds = TRect(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
    }
}

// ---- Preview window classes ---------------------------------------------------------

TBasedxPreviewWindow::~TBasedxPreviewWindow() {
  if (owningPrinter_) owningPrinter_->PreviewWindowDestroyed(this);
}

namespace {

struct PreviewWindowClass {
  std::string Name;
  TdxPreviewWindowFactory Factory;
};

std::vector<PreviewWindowClass>& PreviewWindowClasses() {
  static std::vector<PreviewWindowClass> classes;
  return classes;
}

int waitDepth = 0;

}  // namespace

void dxPSRegisterPreviewWindow(const std::string& className, TdxPreviewWindowFactory factory) {
  if (factory) PreviewWindowClasses().push_back({className, std::move(factory)});
}

void dxPSUnregisterPreviewWindow(const std::string& className) {
  auto& classes = PreviewWindowClasses();
  if (classes.empty()) return;
  if (className.empty()) {
    classes.pop_back();
  } else {
    auto it = std::find_if(classes.rbegin(), classes.rend(),
                           [&](const PreviewWindowClass& c) { return c.Name == className; });
    if (it != classes.rend()) classes.erase(std::next(it).base());
  }
  if (classes.empty()) classes.shrink_to_fit();
}

bool dxPSHasPreviewWindowClass() { return !PreviewWindowClasses().empty(); }

// ---- Wait cursor --------------------------------------------------------------------

void dxPSStartWait() {
  if (waitDepth++ == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void dxPSStopWait() {
  if (waitDepth == 0) return;
  if (--waitDepth == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    QGuiApplication::restoreOverrideCursor();
}

int dxPSWaitDepth() { return waitDepth; }

// ---- The component printer ----------------------------------------------------------

TCustomdxComponentPrinter::TCustomdxComponentPrinter(QObject* owner) : QObject(owner) {
  TickCount = [] {
    return std::int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count());
  };
  Beep = [] { QApplication::beep(); };
  previewOptions_.ComponentPrinter = this;
}

TCustomdxComponentPrinter::~TCustomdxComponentPrinter() {
  destroying_ = true;
  ClosePreview();
  currentLink_ = nullptr;
  // The last link first; each leaves the printer before it goes.
  while (!links_.empty()) {
    std::unique_ptr<TBasedxReportLink> link = std::move(links_.back());
    links_.pop_back();
    if (link->ComponentPrinter() == this) link->SetComponentPrinter(nullptr);
    link.reset();
  }
  // A long operation still open (a failure that skipped its end) leaves the
  // wait cursor.
  if (longOperationCount_ > 0 && HasOption(cpoShowHourGlass)) dxPSStopWait();
}

// ---- Links ----

void TCustomdxComponentPrinter::AddLink(TBasedxReportLink* link) {
  if (!link || IndexOfLink(link) >= 0) return;
  links_.emplace_back(link);
  if (link->ComponentPrinter() != this) link->SetComponentPrinter(this);
  if (links_.size() == 1 && IndexOfLink(link) == 0) SetCurrentLink(link);
}

void TCustomdxComponentPrinter::RemoveLink(TBasedxReportLink* link) {
  const int index = IndexOfLink(link);
  if (index < 0) return;
  int remembered = -1;
  if (link == currentLink_) {
    if (!destroying_) {
      if (previewWindow_) ClosePreview();
      remembered = index;
    }
    currentLink_ = nullptr;
  }
  links_[std::size_t(index)].release();
  links_.erase(links_.begin() + index);
  if (link->ComponentPrinter() == this) link->SetComponentPrinter(nullptr);
  if (remembered >= 0) {
    if (links_.empty()) {
      if (!loading_) DoChangeCurrentLink();
    } else {
      SetCurrentLink(links_[std::size_t(std::min(remembered, LinkCount() - 1))].get());
    }
  }
  if (!loading_) DoDeleteReportLink(link);
}

void TCustomdxComponentPrinter::MoveLink(int fromIndex, int toIndex) {
  const int count = LinkCount();
  if (fromIndex < 0 || fromIndex >= count || toIndex < 0 || toIndex >= count || fromIndex == toIndex) return;
  auto first = links_.begin();
  if (fromIndex < toIndex)
    std::rotate(first + fromIndex, first + fromIndex + 1, first + toIndex + 1);
  else
    std::rotate(first + toIndex, first + fromIndex, first + fromIndex + 1);
  LinksChanged();
}

int TCustomdxComponentPrinter::IndexOfLink(const TBasedxReportLink* link) const {
  if (!link) return -1;
  for (std::size_t i = 0; i < links_.size(); ++i)
    if (links_[i].get() == link) return int(i);
  return -1;
}

TBasedxReportLink* TCustomdxComponentPrinter::FindLinkByComponent(const QObject* component) const {
  if (!component) return nullptr;
  for (const auto& link : links_)
    if (link->Component() == component) return link.get();
  return nullptr;
}

TBasedxReportLink* TCustomdxComponentPrinter::FindLinkByName(const std::string& name) const {
  for (const auto& link : links_)
    if (link->Component() && FromQ(link->Component()->objectName()) == name) return link.get();
  return nullptr;
}

void TCustomdxComponentPrinter::SetCurrentLink(TBasedxReportLink* link) {
  if (link == currentLink_ || IndexOfLink(link) < 0) return;
  ClosePreview();
  currentLink_ = link;
  if (!loading_ && !destroying_) DoChangeCurrentLink();
  UpdateFormats(link);
}

void TCustomdxComponentPrinter::EndLoading() {
  loading_ = false;
  if (!links_.empty() && !currentLink_) SetCurrentLink(links_.front().get());
}

TBasedxReportLink* TCustomdxComponentPrinter::ResolveLink(TBasedxReportLink* link) {
  if (link) SetCurrentLink(link);
  return currentLink_;
}

// ---- Formats ----

void TCustomdxComponentPrinter::UpdateFormats(TBasedxReportLink* link) {
  if (!link) return;
  TdxHFFunctionFormatObject* formats = GetHFFormatObject();
  if (!formats) return;
  const auto& dates = DateFormatList();
  const int date = link->DateFormat();
  if (date >= 0 && date < int(dates.size())) formats->DateFormat = dates[std::size_t(date)];
  formats->DateTime = link->DateTime();
  formats->PageNumberFormat = link->PageNumberFormat();
  formats->StartPageIndex = link->StartPageIndex();
  const auto& times = TimeFormatList();
  const int time = link->TimeFormat();
  if (time >= 0 && time < int(times.size())) formats->TimeFormat = times[std::size_t(time)];
}

namespace {
int ClampIndex(int value, std::size_t count) {
  if (value < 0 || count == 0) return 0;
  return std::min(value, int(count) - 1);
}
}  // namespace

void TCustomdxComponentPrinter::SetDateFormat(int value) {
  value = ClampIndex(value, DateFormatList().size());
  if (value == dateFormat_) return;
  dateFormat_ = value;
  UpdateFormats(currentLink_);
}

void TCustomdxComponentPrinter::SetTimeFormat(int value) {
  value = ClampIndex(value, TimeFormatList().size());
  if (value == timeFormat_) return;
  timeFormat_ = value;
  UpdateFormats(currentLink_);
}

void TCustomdxComponentPrinter::SetPageNumberFormat(TdxPageNumberFormat value) {
  if (value == pageNumberFormat_) return;
  pageNumberFormat_ = value;
  UpdateFormats(currentLink_);
}

void TCustomdxComponentPrinter::SetLongOperationTime(int value) { longOperationTime_ = std::max(value, 0); }

// ---- Long operations ----

void TCustomdxComponentPrinter::BeginLongOperation() {
  if (destroying_) return;
  if (longOperationCount_ == 0) {
    longOperationStart_ = TickCount ? TickCount() : 0;
    if (HasOption(cpoShowHourGlass)) dxPSStartWait();
  }
  ++longOperationCount_;
}

void TCustomdxComponentPrinter::EndLongOperation() {
  if (destroying_ || longOperationCount_ == 0) return;
  if (--longOperationCount_ > 0) return;
  if (HasOption(cpoShowHourGlass)) dxPSStopWait();
  if (BeepAfterLongOperations) {
    longOperationEnd_ = TickCount ? TickCount() : 0;
    if (longOperationEnd_ - longOperationStart_ > longOperationTime_ && Beep) Beep();
  }
}

void TCustomdxComponentPrinter::SettingsChanged() {
  ResetDefaultPrinterPage();
  for (const auto& link : links_) link->PrinterPage().CheckLocaleUnits();
}

// ---- Reports ----

bool TCustomdxComponentPrinter::NeedsRebuild(TdxCPOption option) const {
  if (HasOption(option)) return true;
  return currentLink_ && (currentLink_->RebuildNeeded || currentLink_->DataSource() == dsExternalStorage);
}

void TCustomdxComponentPrinter::BuildLink(TBasedxReportLink* link) {
  if (!link) return;
  building_ = true;
  DoStartGenerateReport(link);
  dxPSEventSystem()->ProcessEvent(std::make_unique<TdxPSBuildEvent>(this, 0.0, link, dxPSStageStart));
  BeginLongOperation();
  link->NotifyPrintStyle(TdxPrintStyleNotification::BeforeGenerating);

  ScopeExit finish([this, link] {
    link->NotifyPrintStyle(TdxPrintStyleNotification::AfterGenerating);
    EndLongOperation();
    building_ = false;
    DoEndGenerateReport(link);
    dxPSEventSystem()->ProcessEvent(std::make_unique<TdxPSBuildEvent>(this, 100.0, link, dxPSStageEnd));
    if (!previewWindow_) return;
    const int pageCount = link->PageCount();
    if (previewWindow_->PageCount() == pageCount) {
      previewWindow_->InvalidateContent();
    } else {
      previewWindow_->SetPageCount(pageCount);
      previewWindow_->SelectPage(rememberedPageIndex_);
      if (previewWindow_->PageCount() > 0 && previewWindow_->SelectedPageIndex() == -1) previewWindow_->SelectPage(0);
    }
  });

  link->BuildReport();
  if (AutoUpdateDateTime && link->DataSource() == dsComponent) link->SetDateTime(dxNow());
}

void TCustomdxComponentPrinter::GenerateReportProgress(TBasedxReportLink* link, double percentDone) {
  DoProgress(link, percentDone);
  dxPSEventSystem()->ProcessEvent(std::make_unique<TdxPSBuildEvent>(this, percentDone, link, dxPSStageProgress));
}

void TCustomdxComponentPrinter::ClearLink(TBasedxReportLink* link) {
  if (link) link->InternalClear();
}

void TCustomdxComponentPrinter::RebuildLink(TBasedxReportLink* link) {
  if (!link) link = currentLink_;
  if (link) link->Rebuild();
}

void TCustomdxComponentPrinter::ReportCleared(TBasedxReportLink*) {
  if (previewWindow_) {
    rememberedPageIndex_ = previewWindow_->SelectedPageIndex();
    previewWindow_->SetPageCount(0);
  } else {
    rememberedPageIndex_ = -1;
  }
}

void TCustomdxComponentPrinter::DoChangeComponent(TBasedxReportLink* link) {
  if (!loading_ && OnChangeComponent) OnChangeComponent(*this, link);
}

// ---- Design ----

bool TCustomdxComponentPrinter::DesignReport(TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link) return false;
  ScopedValue designing(designingReport_, true);
  return dxPSDesignReportLink(*link);
}

// ---- Preview ----

void TCustomdxComponentPrinter::Preview(bool modal, TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link) return;

  if (Previewing()) {
    if (previewWindow_->isMinimized())
      previewWindow_->showNormal();
    else
      previewWindow_->show();
    previewWindow_->raise();
    previewWindow_->activateWindow();
    return;
  }

  if (link->DataProviderPresent() && NeedsRebuild(cpoAutoRebuildBeforePreview)) {
    try {
      RebuildLink(link);
    } catch (...) {
      // A failed build opens no window; the link has cleared its report.
      return;
    }
  } else if (AutoUpdateDateTime) {
    link->SetDateTime(dxNow());
  }

  if (!dxPSHasPreviewWindowClass()) throw EdxComponentPrinter(NoPreviewForm);
  std::unique_ptr<TBasedxPreviewWindow> window(PreviewWindowClasses().back().Factory());
  if (!window) throw EdxComponentPrinter(NoPreviewForm);
  {
    UpdateLock lock(*window);
    window->SetComponentPrinter(this);
    window->ApplyOptions(previewOptions_);
  }

  TBasedxPreviewWindow* w = window.release();
  w->owningPrinter_ = this;
  previewWindow_ = w;
  previewing_ = true;
  previewModal_ = modal;

  if (modal) {
    QPointer<QWidget> guard(w);
    ScopeExit done([&] {
      AfterPreview(IndexOfLink(link) >= 0 ? link : nullptr);
      delete guard.data();  // clears Previewing and PreviewWindow
    });
    DoBeforePreview(link);
    w->Execute(true);
  } else {
    ScopeFail drop([&] {
      if (previewWindow_ != w) return;
      w->owningPrinter_ = nullptr;
      previewWindow_ = nullptr;
      previewing_ = false;
      delete w;
    });
    DoBeforePreview(link);
    w->Execute(false);
  }
}

void TCustomdxComponentPrinter::AfterPreview(TBasedxReportLink* link) {
  if (link && HasOption(cpoDropStorageModeAfterPreview)) link->SetDataSource(dsComponent);
  DoAfterPreview(link);
}

void TCustomdxComponentPrinter::PreviewWindowDestroyed(TBasedxPreviewWindow* window) {
  if (window != previewWindow_) return;
  previewWindow_ = nullptr;
  previewing_ = false;
  if (!previewModal_ && !destroying_) AfterPreview(currentLink_);
}

void TCustomdxComponentPrinter::ClosePreview() {
  if (printing_) AbortPrint();
  TBasedxPreviewWindow* window = previewWindow_;
  if (!window) return;
  if (previewModal_) {
    // The modal loop ends and Preview, still on the stack, destroys the
    // window; until then it no longer counts as open.
    window->owningPrinter_ = nullptr;
    previewWindow_ = nullptr;
    previewing_ = false;
    window->close();
    return;
  }
  // Destroying a window from within one of its own handlers would pull it
  // from under that handler: outside the printer's destruction the window
  // goes when control is back in the event loop, closed at once.
  if (destroying_) {
    delete window;  // runs PreviewWindowDestroyed
  } else {
    TBasedxReportLink* link = currentLink_;
    window->owningPrinter_ = nullptr;
    previewWindow_ = nullptr;
    previewing_ = false;
    window->hide();
    window->deleteLater();
    AfterPreview(link);
  }
}

void TCustomdxComponentPrinter::RefreshPreview() {
  if (!previewWindow_) return;
  previewWindow_->InitializeFromPage();
  previewWindow_->UpdateControls();
}

// ---- Drawing ----

void TCustomdxComponentPrinter::PaintLinkPage(TCanvas& canvas, int pageIndex, const TRect& pageRect,
                                              TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link) return;
  int zoom = 100;
  if (previewWindow_ && canvas.DeviceCaps().Technology == DT_RASDISPLAY) zoom = previewWindow_->ZoomFactor();
  link->PaintPage(canvas, pageRect, zoom, pageIndex);
}

namespace {

// The text drawn as a halftone over what the canvas holds: an off-screen
// picture of the text's size, white, whose text pixels take the colour on
// the set cells of an 8 x 8 checkerboard, is combined with the canvas by a
// bitwise AND, so the white leaves the canvas as it was.
void DrawHalftoneText(TCanvas& canvas, const TRect& bounds, const std::string& text, const TFont& font) {
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(font);
  const TSize extent = canvas.TextExtent(text);
  if (extent.cx <= 0 || extent.cy <= 0) return;
  const TRect dest(bounds.Left + (bounds.Width() - extent.cx) / 2, bounds.Top + (bounds.Height() - extent.cy) / 2,
                   0, 0);
  const TRect destRect(dest.Left, dest.Top, dest.Left + extent.cx, dest.Top + extent.cy);
  // The picture has the text's size in device pixels, so the dots stay one
  // pixel wide whatever the mapping.
  const TRect device = canvas.DeviceRect(destRect);
  const int width = std::max(device.Width(), 1), height = std::max(device.Height(), 1);

  QImage mask(width, height, QImage::Format_RGB32);
  mask.fill(Qt::white);
  {
    TDeviceCaps caps = canvas.DeviceCaps();
    TCanvas maskCanvas(&mask, caps);
    maskCanvas.SetMapMode(MM_ANISOTROPIC);
    maskCanvas.SetWindowExt(extent.cx, extent.cy);
    maskCanvas.SetViewportExt(width, height);
    TFont black = font;
    black.Color = clBlack;
    maskCanvas.SetFont(black);
    maskCanvas.SetBkMode(TRANSPARENT);
    maskCanvas.TextOut(0, 0, text);
  }
  const TColor rgb = ColorToRGB(font.Color);
  const QRgb ink = qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(mask.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const bool inText = qGray(row[x]) < 128;
      row[x] = inText && ((x + y) % 2 == 0) ? ink : qRgb(255, 255, 255);
    }
  }
  canvas.CopyRect(destRect, mask, TRect(0, 0, width, height), SRCAND);
}

}  // namespace

void TCustomdxComponentPrinter::PaintThumbnail(TCanvas& canvas, int pageIndex, const TRect& pageRect,
                                               TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link) return;
  const bool small = !previewWindow_ || previewWindow_->ThumbnailsSmall();
  link->PaintPage(canvas, pageRect, small ? 5 : 10, pageIndex);
  TdxComponentPrinterThumbnailsOptions& options = previewOptions_.ThumbnailsOptions;
  if (!options.ShowPageNumbers) return;
  TFont& font = options.Font;
  const int size = font.Size();
  if (small) font.SetSize(size / 2);
  ScopeExit restore([&] {
    if (small) font.SetSize(size);
  });
  DrawHalftoneText(canvas, pageRect, std::to_string(pageIndex + 1), font);
}

// ---- Export ----

void TCustomdxComponentPrinter::ExportPages(TBasedxReportLink* link, const std::vector<int>& pages, int lastPosition,
                                            bool drawBackground, TGraphicClass pictureClass,
                                            const TdxExportPageCallback& callback, void* callbackData,
                                            void* eventData) {
  link = ResolveLink(link);
  if (!link || !callback || !pictureClass) return;
  const bool allPages = !pages.empty() && pages.front() == -1;
  const bool asMetafile = pictureClass == TMetafile::Class();
  const TPoint size = link->RealPrinterPage().OrientedPageSizePixels();
  const int width = std::max(size.X, 1), height = std::max(size.Y, 1);
  const int pageCount = link->PageCount();

  int last = lastPosition;
  if (last == 0) last = allPages ? pageCount - 1 : 0;
  if (!allPages) last = std::min(last, int(pages.size()) - 1);
  const int positions = last + 1;
  for (int position = 0; position <= last; ++position) {
    const int pageIndex = allPages ? position : pages[std::size_t(position)];
    const TRect whole(0, 0, width, height);

    std::unique_ptr<TGraphic> picture;
    if (asMetafile) {
      TMetafileRecorder recorder(width, height, TDeviceCaps::Screen().LogPixelsY);
      {
        TDeviceCaps caps = TDeviceCaps::Screen();
        caps.Technology = DT_METAFILE;
        TCanvas canvas(&recorder, caps);
        canvas.FillRect(whole, clWhite);
        if (drawBackground) link->RealPrinterPage().Background().Paint(canvas, whole);
        if (pageIndex >= 0 && pageIndex < pageCount) PaintLinkPage(canvas, pageIndex, whole, link);
      }
      auto metafile = std::make_unique<TMetafile>();
      metafile->SetEnhancedData(recorder.EnhancedData());
      picture = std::move(metafile);
    } else {
      TBitmap bitmap;
      bitmap.SetSize(width, height);
      QImage image = bitmap.Image();
      {
        TCanvas canvas(&image, TDeviceCaps::FromDevice(&image));
        canvas.FillRect(whole, clWhite);
        if (drawBackground) link->RealPrinterPage().Background().Paint(canvas, whole);
        if (pageIndex >= 0 && pageIndex < pageCount) PaintLinkPage(canvas, pageIndex, whole, link);
      }
      bitmap.SetImage(image);
      if (pictureClass == TBitmap::Class()) {
        picture = std::make_unique<TBitmap>(bitmap);
      } else {
        picture = pictureClass->Create();
        // A picture kind that cannot take a bitmap keeps it as a bitmap.
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture.get()))
          jpeg->AssignBitmap(bitmap);
        else
          picture = std::make_unique<TBitmap>(bitmap);
      }
    }

    if (OnExportPrepareGraphic) OnExportPrepareGraphic(*this, link, *picture, eventData);
    bool continueExport = true;
    callback(*this, link, continueExport, *picture, pageIndex, position, callbackData);
    if (!continueExport) break;
    if (OnExportProgress) OnExportProgress(*this, link, positions, position, pageIndex, eventData);
  }
}

// ---- Custom drawing ----

namespace {
int ReportResolution() { return dxPSReportUnitsPerInch(); }
int ScreenResolution() { return TDeviceCaps::Screen().LogPixelsY; }
}  // namespace

void TCustomdxComponentPrinter::CustomDrawPage(TBasedxReportLink* link, TCanvas& canvas, int pageIndex,
                                               const TRect& rect, int nom, int denom) {
  if (!OnCustomDrawPage) return;
  const TRect copy = rect;
  OnCustomDrawPage(*this, link, canvas, pageIndex, copy, nom, denom);
}

void TCustomdxComponentPrinter::CustomDrawPageHeaderOrFooter(TBasedxReportLink* link, TCanvas& canvas, int pageIndex,
                                                             bool isHeader, TRect& rect, bool& defaultDrawText,
                                                             bool& defaultDrawBackground) {
  auto& handler = isHeader ? OnCustomDrawPageHeader : OnCustomDrawPageFooter;
  if (!handler) return;
  TRect copy = rect;
  handler(*this, link, canvas, pageIndex, copy, ReportResolution(), ScreenResolution(), defaultDrawText,
          defaultDrawBackground);
}

void TCustomdxComponentPrinter::CustomDrawReportTitle(TBasedxReportLink* link, TCanvas& canvas, const TRect& rect,
                                                      TdxTextAlignX& alignX, TdxTextAlignY& alignY, TColor& color,
                                                      TFont& font, bool& done) {
  if (!OnCustomDrawReportTitle) return;
  const TRect copy = rect;
  OnCustomDrawReportTitle(*this, link, canvas, copy, ReportResolution(), ScreenResolution(), alignX, alignY, color,
                          font, done);
}

void TCustomdxComponentPrinter::MeasureReportTitle(TBasedxReportLink* link, int& height) {
  if (OnMeasureReportTitle) OnMeasureReportTitle(*this, link, height);
}

// ---- Event raisers ----

void TCustomdxComponentPrinter::DoAfterPreview(TBasedxReportLink* link) {
  if (OnAfterPreview) OnAfterPreview(*this, link);
}

void TCustomdxComponentPrinter::DoBeforePreview(TBasedxReportLink* link) {
  if (OnBeforePreview) OnBeforePreview(*this, link);
}

void TCustomdxComponentPrinter::DoChangeCurrentLink() {
  if (OnChangeCurrentLink) OnChangeCurrentLink(*this);
}

void TCustomdxComponentPrinter::DoDeleteReportLink(TBasedxReportLink* link) {
  if (OnDeleteReportLink) OnDeleteReportLink(*this, link);
}

void TCustomdxComponentPrinter::DoEndPrint(TBasedxReportLink* link) {
  if (link && OnEndPrint) OnEndPrint(*this, link);
}

void TCustomdxComponentPrinter::DoFinalizePrintDlgData(TBasedxReportLink* link, TdxPrintDlgData*& data) {
  if (OnFinalizePrintDlgData) OnFinalizePrintDlgData(*this, link, data);
}

void TCustomdxComponentPrinter::DoInitializePrintDlgData(TBasedxReportLink* link, TdxPrintDlgData*& data) {
  if (OnInitializePrintDlgData) OnInitializePrintDlgData(*this, link, data);
}

void TCustomdxComponentPrinter::DoPageSetup(TBasedxReportLink* link, bool done) {
  if (OnPageSetup) OnPageSetup(*this, link, done);
}

void TCustomdxComponentPrinter::DoBeforeDesignReport(TBasedxReportLink* link,
                                                     TAbstractdxReportLinkDesignWindow* window) {
  if (OnBeforeDesignReport) OnBeforeDesignReport(*this, link, window);
}

void TCustomdxComponentPrinter::DoDesignReport(TBasedxReportLink* link, bool& done) {
  if (OnDesignReport) OnDesignReport(*this, link, done);
}

void TCustomdxComponentPrinter::DoNewPage(TBasedxReportLink* link, int pageIndex) {
  if (link && OnNewPage) OnNewPage(*this, link, pageIndex);
}

void TCustomdxComponentPrinter::DoPrintDeviceBusy() {
  bool done = false;
  if (OnPrintDeviceBusy) OnPrintDeviceBusy(*this, done);
  if (!done) ShowPrintDeviceBusy();
}

void TCustomdxComponentPrinter::DoPrintDeviceError() {
  bool done = false;
  if (OnPrintDeviceError) OnPrintDeviceError(*this, done);
  if (!done) ShowPrintDeviceError();
}

void TCustomdxComponentPrinter::DoProgress(TBasedxReportLink* link, double percentDone) {
  if (HasOption(cpoGenerateReportProgressEvent) && !loading_ && OnGenerateReportProgress)
    OnGenerateReportProgress(*this, link, percentDone);
}

void TCustomdxComponentPrinter::DoStartPrint(TBasedxReportLink* link, int pageCount) {
  if (link && OnStartPrint) OnStartPrint(*this, link, pageCount);
}

void TCustomdxComponentPrinter::DoStartGenerateReport(TBasedxReportLink* link) {
  if (HasOption(cpoGenerateReportProgressEvent) && !loading_ && OnStartGenerateReport)
    OnStartGenerateReport(*this, link);
}

void TCustomdxComponentPrinter::DoEndGenerateReport(TBasedxReportLink* link) {
  if (HasOption(cpoGenerateReportProgressEvent) && !loading_ && OnEndGenerateReport) OnEndGenerateReport(*this, link);
}

void TCustomdxComponentPrinter::DoGetPrintTitle(TBasedxReportLink* link, std::string& title) {
  if (link && OnGetPrintTitle) OnGetPrintTitle(*this, link, title);
}
