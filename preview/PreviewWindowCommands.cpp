// The commands of the preview window (page setup, print, design, shrink to
// page, headers, footers, empty pages, zoom, preferences), the selected page
// and margins, and the build and print progress.
#include "preview/PreviewWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QSizeGrip>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "editors/DialogControls.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "report/EventBus.h"
#include "platform/ScopeExit.h"
#include "preview/PreviewWindowHelpers.h"
#include "platform/Units.h"

using namespace dxPSPreviewWindowTexts;
using namespace PreviewWindowHelpers;

// ---- Commands ----

void TCustomdxPSPreviewWindow::DoPageSetup(int activeTab) {
  if (!printer_ || !ReportLink()) return;
  bool printChosen = false;
  const bool printAllowed = CanPrint();
  QPointer<QWidget> guard(this);
  const bool done = printer_->PageSetup(activeTab, nullptr, printAllowed ? &printChosen : nullptr);
  if (!guard) return;
  if (done) {
    InitializeFromPage();
    CheckMarginsInPrintableArea(false);
    UpdateControls();
    if (printChosen && printAllowed) DoPrint(true);
  }
}

void TCustomdxPSPreviewWindow::DoPrint(bool withDialog) {
  if (!printer_ || !ReportLink()) return;
  QPointer<QWidget> guard(this);
  Guarded([&] {
    if (withDialog)
      printer_->PrintWithDialog();
    else
      printer_->Print(false);
  });
  if (!guard) return;
  UpdateControls();
  // A close asked for while the job ran takes effect now.
  if (closeRequested_) close();
}

void TCustomdxPSPreviewWindow::DoDesign() {
  TBasedxReportLink* link = ReportLink();
  const auto& dialogs = dxPSPreviewWindowDialogs();
  if (!printer_ || !link) return;
  QPointer<QWidget> guard(this);
  if (dialogs.Design)
    dialogs.Design(*printer_, *link);
  else if (link->CanDesign())
    printer_->DesignReport(link);
  if (guard) UpdateControls();
}

void TCustomdxPSPreviewWindow::DoShrinkToPage(bool value) {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  link->SetShrinkToPageWidth(value);
  SetPageCount(link->PageCount());
  InvalidateContent();
  UpdateControls();
}

void TCustomdxPSPreviewWindow::DoShowPageHeaders(bool value) {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  link->SetShowPageHeader(value);
  SetPageCount(link->PageCount());
  InvalidatePagesHeaderContent();
  UpdateControls();
}

void TCustomdxPSPreviewWindow::DoShowPageFooters(bool value) {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  link->SetShowPageFooter(value);
  SetPageCount(link->PageCount());
  InvalidatePagesFooterContent();
  UpdateControls();
}

void TCustomdxPSPreviewWindow::DoShowEmptyPages(bool value) {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  link->SetShowEmptyPages(value);
  SetPageCount(link->PageCount());
  InvalidateContent();
  UpdateControls();
}

void TCustomdxPSPreviewWindow::ZoomToPercent(int percent) {
  preview_->SetZoomMode(pzmNone);
  preview_->SetZoomFactor(percent);
}

void TCustomdxPSPreviewWindow::ZoomToPageWidth() { preview_->SetZoomMode(pzmPageWidth); }

void TCustomdxPSPreviewWindow::ZoomToPages(int columns, int rows) {
  preview_->BeginUpdate();
  preview_->SetZoomMode(pzmPages);
  preview_->SetPageXYCount(std::max(columns, 1), std::max(rows, 1));
  preview_->EndUpdate();
}

void TCustomdxPSPreviewWindow::ZoomToSourceWidth(bool allRows) {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  TdxPSReportRenderInfo& info = link->RenderInfo();
  ZoomToPages(info.ColumnCount(), allRows ? info.RowCount() : 1);
}

TdxPreviewWindowPreferences TCustomdxPSPreviewWindow::Preferences() const {
  TdxPreviewWindowPreferences p;
  p.MarginColor = preview_->MarginColor();
  const auto units = preview_->MeasurementUnits();
  p.MeasurementUnits = units == pmuInches ? 1 : units == pmuMillimeters ? 2 : 0;
  p.ShowMarginHintsWhileDragging = preview_->OptionsHint() & dxBit(pohShowOnDrag);
  p.ShowMarginHints = preview_->OptionsHint() & dxBit(pohShowForMargins);
  p.ShowMargins = preview_->OptionsView() & dxBit(povMargins);
  p.ZoomOnMouseRoll = preview_->OptionsZoom() & dxBit(pozZoomOnMouseRoll);
  p.ZoomStep = preview_->ZoomStep();
  return p;
}

void TCustomdxPSPreviewWindow::ApplyPreferences(const TdxPreviewWindowPreferences& p) {
  preview_->Margins().Gutter().SetVisible(false);
  auto hint = preview_->OptionsHint() & ~(dxBit(pohShowOnDrag) | dxBit(pohShowForMargins));
  if (p.ShowMarginHintsWhileDragging) hint |= dxBit(pohShowOnDrag);
  if (p.ShowMarginHints) hint |= dxBit(pohShowForMargins);
  preview_->SetOptionsHint(hint);
  auto zoom = preview_->OptionsZoom() & ~dxBit(pozZoomOnMouseRoll);
  if (p.ZoomOnMouseRoll) zoom |= dxBit(pozZoomOnMouseRoll);
  preview_->SetOptionsZoom(zoom);
  preview_->SetZoomStep(p.ZoomStep);
  preview_->SetMarginColor(p.MarginColor);
  const TdxPreviewMeasurementUnits units = p.MeasurementUnits == 1   ? pmuInches
                                           : p.MeasurementUnits == 2 ? pmuMillimeters
                                                                     : pmuDefault;
  preview_->SetMeasurementUnits(units);
  SetShowMargins(p.ShowMargins);
  if (TBasedxReportLink* link = ReportLink())
    link->RealPrinterPage().SetMeasurementUnits(units == pmuInches       ? muInches
                                                : units == pmuMillimeters ? muMillimeters
                                                                          : muDefault);
  UpdateControls();
}

// ---- Selection and margins ----

void TCustomdxPSPreviewWindow::PreviewSelectedPageChanged(int index) {
  if (TBasedxReportLink* link = ReportLink())
    if (index >= 0) link->SetCurrentPage(ReportPageNumber(index));
  UpdateControls();
  if (selectingFromThumbnails_) return;
  selectingFromPreview_ = true;
  ScopeExit done([this] { selectingFromPreview_ = false; });
  thumbnails_->SetSelectedPageIndex(index);
}

void TCustomdxPSPreviewWindow::ThumbnailSelectedPageChanged(int index) {
  if (selectingFromPreview_) return;
  selectingFromThumbnails_ = true;
  ScopeExit done([this] { selectingFromThumbnails_ = false; });
  preview_->SetSelectedPageIndex(index);
}

void TCustomdxPSPreviewWindow::MarginChanged(TdxPreviewMargin& margin) {
  const int panel = MarginValuePanel(margin.Kind());
  if (panel >= 0) marginBar_->SetPanelText(panel, MarginText(margin, false));
  if (updateCount_ == 0 && !preview_->IsUpdateLocked()) StoreMarginInPage(margin);
}

// The page keeps thousandths of a millimetre or of an inch; the preview
// tenths of a millimetre.
void TCustomdxPSPreviewWindow::StoreMarginInPage(TdxPreviewMargin& margin) {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  TdxPrinterPage& page = link->RealPrinterPage();
  const int v = margin.Value();
  const int value = page.StoredUnits() == muInches ? MulDiv(v, 1000, kLoMetricPerInch) : v * 100;
  switch (margin.Kind()) {
    case pmLeft: page.Margins().SetLeft(value); break;
    case pmTop: page.Margins().SetTop(value); break;
    case pmRight: page.Margins().SetRight(value); break;
    case pmBottom: page.Margins().SetBottom(value); break;
    case pmHeader: page.SetHeader(value); break;
    case pmFooter: page.SetFooter(value); break;
    case pmGutter: break;
  }
}

// ---- Progress ----

void TCustomdxPSPreviewWindow::StartProgress(int maximum) {
  if (!progressShown_) {
    progressShown_ = true;
    statusBar_->SetPanelWidth(spStatus, statusBar_->TextWidth(ProgressPanelSample));
    const int panel = statusBar_->AddPanel("", 0, false);
    progressBar_ = new QProgressBar(statusBar_);
    progressBar_->setObjectName("ProgressBar");
    progressBar_->setTextVisible(false);
    statusBar_->SetPanelControl(panel, progressBar_);
    progressBar_->show();
    statusBar_->SetSizeGrip(false);
  }
  progressBar_->setRange(0, std::max(maximum, 1));
  progressBar_->setValue(0);
}

void TCustomdxPSPreviewWindow::SetProgress(int position, const std::string& text) {
  progressText_ = text;
  if (progressBar_) progressBar_->setValue(std::clamp(position, progressBar_->minimum(), progressBar_->maximum()));
  UpdateStatusText();
  statusBar_->repaint();
}

void TCustomdxPSPreviewWindow::EndProgress() {
  if (!progressShown_) return;
  progressShown_ = false;
  statusBar_->RemovePanel(statusBar_->PanelCount() - 1);
  delete progressBar_;
  progressBar_ = nullptr;
  statusBar_->SetPanelWidth(spStatus, 0);
  statusBar_->SetSizeGrip(!isMaximized());
  progressText_.clear();
  UpdateStatusText();
}

void TCustomdxPSPreviewWindow::BuildStarted() {
  preview_->SetPageCount(0);
  thumbnails_->SetPageCount(0);
  preview_->repaint();
  StartProgress(100);
  SetProgress(0, "0 %");
  UpdateControls();
}

void TCustomdxPSPreviewWindow::BuildProgress(double percent) {
  const int n = std::clamp(int(std::lround(percent)), 0, 100);
  SetProgress(n, std::to_string(n) + " %");
}

void TCustomdxPSPreviewWindow::BuildEnded() {
  EndProgress();
  const int count = ReportPageCount();
  if (preview_->SelectedPageIndex() >= count && count > 0) preview_->SetSelectedPageIndex(count - 1);
  UpdateControls();
}

// Printing keeps the pages on view (nothing would give them back after the
// job); only the status bar shows the progress.
void TCustomdxPSPreviewWindow::PrintStarted(int pageCount) {
  StartProgress(pageCount);
  SetProgress(0, "1");
  UpdateControls();
}

void TCustomdxPSPreviewWindow::PrintProgress(int pageIndex) {
  SetProgress(pageIndex, std::to_string(pageIndex + 1));
}

void TCustomdxPSPreviewWindow::PrintEnded() {
  EndProgress();
  UpdateControls();
}
