// The preview window: its dialogs, the working window's construction and
// parts, its interface, settings, layout, refresh, state, window events and
// registry settings. The panel bar and the pane splitter are in
// PreviewWindowParts.cpp; the commands, selection and margins and the
// progress in PreviewWindowCommands.cpp.
#include "preview/PreviewWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
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
#include "platform/QtStrings.h"
#include "platform/Registry.h"
#include "platform/Units.h"
#include "report/EngineSettings.h"
#include "report/EventBus.h"
#include "platform/ScopeExit.h"
#include "preview/PreviewWindowHelpers.h"
#include "platform/ModalRun.h"

using namespace dxPSPreviewWindowTexts;
using namespace PreviewWindowHelpers;

TdxPreviewWindowDialogs& dxPSPreviewWindowDialogs() {
  static TdxPreviewWindowDialogs dialogs;
  return dialogs;
}

namespace {

constexpr int kMinPreviewWidth = 200;

// The number part of a length as the preview shows it ("210" of "210 mm").
std::string LengthNumber(int tenthsOfMM, TdxPreviewMeasurementUnits units) {
  std::string text = dxPreviewLengthText(tenthsOfMM, units);
  const std::string suffix = " " + dxPreviewUnitText(units);
  if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
    text.resize(text.size() - suffix.size());
  return text;
}

TdxPreviewMeasurementUnits PreviewUnitsOf(TdxMeasurementUnits units) {
  switch (units) {
    case muInches: return pmuInches;
    case muMillimeters: return pmuMillimeters;
    default: return pmuDefault;
  }
}

// The caption texts of the margin bar, ampersands removed.
struct MarginCaption {
  TdxPreviewMarginType Kind;
  const char* Text;
  int Width;
};
constexpr MarginCaption kMarginCaptions[] = {
    {pmLeft, "Left:", 40},    {pmTop, "Top:", 40},        {pmRight, "Right:", 50},
    {pmBottom, "Bottom:", 60}, {pmHeader, "Header:", 50}, {pmFooter, "Footer:", 50},
};
constexpr int kMarginValueWidth = 70;

}  // namespace

// ---- The working window ----------------------------------------------------------------

TCustomdxPSPreviewWindow::TCustomdxPSPreviewWindow(QWidget* parent) : TBasedxPreviewWindow(parent) {
  const TdxPreviewOptions defaults;
  enableOptions_ = defaults.EnableOptions;
  visibleOptions_ = defaults.VisibleOptions;
  setWindowTitle(ToQ(caption_));
  setMinimumSize(360, 300);
  CreateParts();
  ConnectPreviews();

  buildSubscriber_ = std::make_unique<TdxPSBuildReportSubscriber>();
  buildSubscriber_->OnStartBuild = [this](TdxObject* sender, TdxObject*) {
    if (IsOwnEvent(sender)) BuildStarted();
  };
  buildSubscriber_->OnBuildProgress = [this](TdxObject* sender, TdxObject*, double percent) {
    if (IsOwnEvent(sender)) BuildProgress(percent);
  };
  buildSubscriber_->OnEndBuild = [this](TdxObject* sender, TdxObject*) {
    if (IsOwnEvent(sender)) BuildEnded();
  };
  printSubscriber_ = std::make_unique<TdxPSPrintReportSubscriber>();
  printSubscriber_->OnStartPrint = [this](TdxObject* sender, TdxObject*, int pageCount) {
    if (IsOwnEvent(sender)) PrintStarted(pageCount);
  };
  printSubscriber_->OnNewPage = [this](TdxObject* sender, TdxObject*, int pageIndex) {
    if (IsOwnEvent(sender)) PrintProgress(pageIndex);
  };
  printSubscriber_->OnEndPrint = [this](TdxObject* sender, TdxObject*) {
    if (IsOwnEvent(sender)) PrintEnded();
  };
  styleListSubscriber_ = std::make_unique<TdxStyleListChangedSubscriber>();
  styleListSubscriber_->OnStyleListChanged = [this](TdxObject*) { RebuildPrintStyles(); };
  hfTextSubscriber_ = std::make_unique<TdxHFTextEntriesChangedSubscriber>();
  hfTextSubscriber_->OnHFTextEntriesChanged = [this] {
    InvalidatePagesHeaderContent();
    InvalidatePagesFooterContent();
  };
}

TCustomdxPSPreviewWindow::~TCustomdxPSPreviewWindow() {
  SaveSettings();
  // No notification reaches a window that is going.
  buildSubscriber_.reset();
  printSubscriber_.reset();
  styleListSubscriber_.reset();
  hfTextSubscriber_.reset();
  for (TdxPreview* p : {preview_, thumbnails_}) {
    p->OnDrawPageContent = nullptr;
    p->OnSelectingPage = nullptr;
    p->OnSelectedPageChanged = nullptr;
    p->OnMarginChanged = nullptr;
    p->OnDragMargin = nullptr;
    p->OnAfterDragMargin = nullptr;
    p->OnZoomFactorChanged = nullptr;
    p->OnZoomModeChanged = nullptr;
  }
  marginBar_->OnPanelDblClick = nullptr;
  marginBar_->OnPanelHint = nullptr;
  statusBar_->OnPanelDblClick = nullptr;
  statusBar_->OnPanelHint = nullptr;
  preview_->removeEventFilter(this);
  thumbnails_->removeEventFilter(this);
  clientHost_->removeEventFilter(this);
  previewPane_->removeEventFilter(this);
}

void TCustomdxPSPreviewWindow::CreateParts() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  topHost_ = new QWidget(this);
  auto* topLayout = new QVBoxLayout(topHost_);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->setSpacing(0);
  layout->addWidget(topHost_);

  clientHost_ = new QWidget(this);
  layout->addWidget(clientHost_, 1);

  explorerPane_ = new QFrame(clientHost_);
  explorerPane_->setObjectName("ExplorerPane");
  static_cast<QFrame*>(explorerPane_)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  {
    auto* paneLayout = new QVBoxLayout(explorerPane_);
    paneLayout->setContentsMargins(1, 1, 1, 1);
    paneLayout->setSpacing(0);
    auto* bar = new QWidget(explorerPane_);
    bar->setObjectName("ExplorerToolBar");
    bar->setFixedHeight(fontMetrics().height() * 3 / 2);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->addWidget(new QLabel(" Explorer", bar), 1);
    auto* closeButton = new QToolButton(bar);
    closeButton->setObjectName("ExplorerCloseButton");
    closeButton->setText("x");
    closeButton->setToolTip("Close Explorer");
    closeButton->setAutoRaise(true);
    connect(closeButton, &QToolButton::clicked, this, [this] { SetShowExplorer(false); });
    barLayout->addWidget(closeButton);
    paneLayout->addWidget(bar);
    auto* treeHost = new QWidget(explorerPane_);
    treeHost->setObjectName("ExplorerTreeHost");
    paneLayout->addWidget(treeHost, 1);
  }
  explorerPane_->hide();
  explorerSplitter_ = new TdxPSPaneSplitter(clientHost_, true);
  explorerSplitter_->setObjectName("ExplorerSplitter");
  explorerSplitter_->PaneWidth = [this] { return explorerPane_->width(); };
  explorerSplitter_->OnDragged = [this](int w) { SetPaneWidthChecked(false, w); };
  explorerSplitter_->hide();

  previewPane_ = new QWidget(clientHost_);
  previewPane_->setObjectName("PreviewPane");

  marginBar_ = new TdxPSPanelBar(previewPane_);
  marginBar_->setObjectName("MarginBar");
  marginBar_->AddPanel("Margins", 55, false, true);
  for (const MarginCaption& c : kMarginCaptions) {
    marginBar_->AddPanel(c.Text, c.Width, false, true);
    marginBar_->AddPanel("", kMarginValueWidth, true);
  }
  marginBar_->AddPanel("", 0, false);
  marginBar_->OnPanelDblClick = [this](TdxPSPanelBar&, int) {
    if (CanChangeMargins() && CanPageSetup()) Guarded([&] { DoPageSetup(1); });
  };
  marginBar_->OnPanelHint = [this](const TdxPSPanelBar&, int panel) -> std::string {
    if (!CanChangeMargins()) return std::string();
    for (int k = 0; k < 6; ++k)
      if (MarginValuePanel(kMarginCaptions[k].Kind) == panel || MarginValuePanel(kMarginCaptions[k].Kind) - 1 == panel)
        return preview_->Margins()[kMarginCaptions[k].Kind].Hint();
    return std::string();
  };

  preview_ = new TdxPreview(previewPane_);
  preview_->setObjectName("PreviewControl");
  thumbnailsSplitter_ = new TdxPSPaneSplitter(previewPane_, false);
  thumbnailsSplitter_->setObjectName("ThumbnailsSplitter");
  thumbnailsSplitter_->PaneWidth = [this] { return thumbnailsPane_->width(); };
  thumbnailsSplitter_->OnDragged = [this](int w) { SetPaneWidthChecked(true, w); };
  thumbnailsPane_ = new QWidget(previewPane_);
  thumbnailsPane_->setObjectName("ThumbnailsPane");
  auto* thumbsLayout = new QVBoxLayout(thumbnailsPane_);
  thumbsLayout->setContentsMargins(0, 0, 0, 0);
  thumbnails_ = new TdxPreview(thumbnailsPane_);
  thumbnails_->setObjectName("ThumbnailsPreview");
  thumbsLayout->addWidget(thumbnails_);
  thumbnailsSplitter_->hide();
  thumbnailsPane_->hide();

  statusBar_ = new TdxPSPanelBar(this);
  statusBar_->setObjectName("StatusBar");
  statusBar_->AddPanel("Page:", 40, false, true);
  statusBar_->AddPanel("", 45, true);
  statusBar_->AddPanel("of", 30, false, true);
  statusBar_->AddPanel("", 45, true);
  statusBar_->AddPanel("Pages", 50, false, true);
  statusBar_->AddPanel("", 4, false);
  statusBar_->AddPanel("Paper Size:", 80, false, true);
  statusBar_->AddPanel("", 150, true);
  statusBar_->AddPanel("Status:", 60, false, true);
  statusBar_->AddPanel(Ready, 0, true);
  statusBar_->SetSizeGrip(true);
  statusBar_->OnPanelDblClick = [this](TdxPSPanelBar&, int panel) {
    if (panel == spPaperSize && CanPageSetup()) Guarded([&] { DoPageSetup(0); });
  };
  statusBar_->OnPanelHint = [this](const TdxPSPanelBar&, int panel) -> std::string {
    return panel == spPaperSize && CanPageSetup() ? PaperSizeHint : std::string();
  };
  layout->addWidget(statusBar_);

  clientHost_->installEventFilter(this);
  previewPane_->installEventFilter(this);
}

void TCustomdxPSPreviewWindow::ConnectPreviews() {
  preview_->SetLookAndFeel(plfStandard);
  preview_->setFocusPolicy(Qt::StrongFocus);
  preview_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(preview_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowPopupMenu(preview_, preview_->mapToGlobal(pos)); });
  preview_->setAcceptDrops(true);
  preview_->installEventFilter(this);
  preview_->OnDrawPageContent = [this](TCustomdxPreview&, TCanvas& canvas, TRect& rect, int page) {
    PaintPage(canvas, page, rect);
  };
  preview_->OnSelectingPage = [this](TCustomdxPreview&, int page, bool& canSelect) {
    canSelect = CanSelectPage(page);
  };
  preview_->OnSelectedPageChanged = [this](TCustomdxPreview&, int page) { PreviewSelectedPageChanged(page); };
  preview_->OnMarginChanged = [this](TCustomdxPreview&, TdxPreviewMargin& margin) { MarginChanged(margin); };
  preview_->OnDragMargin = [this](TCustomdxPreview&, TdxPreviewMargin& margin) {
    const int panel = MarginValuePanel(margin.Kind());
    if (panel >= 0) marginBar_->SetPanelText(panel, MarginText(margin, true));
  };
  preview_->OnAfterDragMargin = [this](TCustomdxPreview&, TdxPreviewMargin&) {
    UpdateMarginBar();
    CheckMarginsInPrintableArea(true);
  };
  preview_->OnZoomFactorChanged = [this](TCustomdxPreview&) { UpdateControls(); };
  preview_->OnZoomModeChanged = [this](TCustomdxPreview&) { UpdateControls(); };

  thumbnails_->SetLookAndFeel(plfStandard);
  thumbnails_->SetMinZoomFactor(5);
  thumbnails_->SetOptionsBehavior(thumbnails_->OptionsBehavior() | dxBit(pobNonCenterizePages));
  thumbnails_->SetOptionsView(thumbnails_->OptionsView() & ~dxBit(povMargins));
  thumbnails_->SetOptionsZoom(thumbnails_->OptionsZoom() & ~dxBit(pozZoomOnClick));
  thumbnails_->SetSelectionFrameWidth(4);
  thumbnails_->SetZoomFactor(thumbnailsLarge_ ? 10 : 5);
  thumbnails_->setFocusPolicy(Qt::StrongFocus);
  thumbnails_->installEventFilter(this);
  thumbnails_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(thumbnails_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowPopupMenu(thumbnails_, thumbnails_->mapToGlobal(pos)); });
  thumbnails_->OnDrawPageContent = [this](TCustomdxPreview&, TCanvas& canvas, TRect& rect, int page) {
    PaintThumbnail(canvas, page, rect);
  };
  thumbnails_->OnSelectingPage = [this](TCustomdxPreview&, int page, bool& canSelect) {
    canSelect = CanSelectPage(page);
  };
  thumbnails_->OnSelectedPageChanged = [this](TCustomdxPreview&, int page) { ThumbnailSelectedPageChanged(page); };
}

// ---- Interface ----

void TCustomdxPSPreviewWindow::SetComponentPrinter(TCustomdxComponentPrinter* printer) {
  printer_ = printer;
  BeginUpdate();
  ScopeExit end([this] { EndUpdate(); });
  const std::string key = LayoutKey();
  if (!key.empty()) LoadFromRegistry(key);
  LayoutPanes();
  InitializeFromPage();
  if (TBasedxReportLink* link = ReportLink()) marginsInPrintableArea_ = link->RealPrinterPage().MarginsInPrintableArea();
  UpdateStatusText();
  RebuildPrintStyles();
}

int TCustomdxPSPreviewWindow::SelectedPageIndex() const { return preview_->SelectedPageIndex(); }

void TCustomdxPSPreviewWindow::SelectPage(int index) { preview_->SetSelectedPageIndex(index); }

int TCustomdxPSPreviewWindow::PageCount() const { return preview_->PageCount(); }

void TCustomdxPSPreviewWindow::SetPageCount(int count) {
  preview_->SetPageCount(count);
  thumbnails_->SetPageCount(count);
  UpdateControls();
}

int TCustomdxPSPreviewWindow::ZoomFactor() const { return preview_->ZoomFactor(); }

void TCustomdxPSPreviewWindow::SetZoomFactor(int zoom) { preview_->SetZoomFactor(zoom); }

void TCustomdxPSPreviewWindow::BeginUpdate() { ++updateCount_; }

void TCustomdxPSPreviewWindow::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) UpdateControls();
}

void TCustomdxPSPreviewWindow::CancelUpdate() {
  if (updateCount_ > 0) --updateCount_;
}

void TCustomdxPSPreviewWindow::InitializeFromPage() {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  TdxPrinterPage& page = link->RealPrinterPage();
  BeginUpdate();
  preview_->BeginUpdate();
  thumbnails_->BeginUpdate();
  ScopeExit end([this] {
    thumbnails_->EndUpdate();
    preview_->EndUpdate();
    EndUpdate();
  });

  const TPoint size = page.PageSizeLoMetric();
  const auto orientation = page.Orientation() == poLandscape ? ppoLandscape : ppoPortrait;
  for (TdxPreview* p : {preview_, thumbnails_}) {
    p->OriginalPageSize().SetPoint(size);
    p->SetOrientation(orientation);
  }
  preview_->SetMinUsefulSize(TPoint{500, 500});

  const int pages = link->PageCount();
  preview_->SetPageCount(pages);
  thumbnails_->SetPageCount(pages);

  preview_->SetMaxZoomFactor(500);
  preview_->SetMinZoomFactor(10);
  preview_->SetMinHeaderSize(0);
  preview_->SetMinFooterSize(0);
  preview_->SetMeasurementUnits(PreviewUnitsOf(page.MeasurementUnits()));

  // All seven at once, so that no margin is clamped against a stale one.
  TdxPreviewMargins margins(nullptr);
  margins.Assign(preview_->Margins());
  const TRect minMargins = page.MinMarginsLoMetric();
  const TRect values = page.MarginsLoMetric();
  margins.Left().SetMinValue(minMargins.Left);
  margins.Top().SetMinValue(minMargins.Top);
  margins.Right().SetMinValue(minMargins.Right);
  margins.Bottom().SetMinValue(minMargins.Bottom);
  margins.Gutter().SetVisible(false);
  margins.Header().SetValue(page.HeaderLoMetric());
  margins.Footer().SetValue(page.FooterLoMetric());
  margins.Left().SetValue(values.Left);
  margins.Top().SetValue(values.Top);
  margins.Right().SetValue(values.Right);
  margins.Bottom().SetValue(values.Bottom);
  preview_->SetMargins(margins);

  preview_->SetPageBackground(page.Background());
  if (!saveZoomPosition_) preview_->SetZoomFactor(100);
  // The content may differ even where the page count did not.
  preview_->InvalidatePages();
  thumbnails_->InvalidatePages();
  UpdateStatusText();
}

void TCustomdxPSPreviewWindow::InvalidateContent() {
  preview_->InvalidatePages();
  thumbnails_->InvalidatePages();
}

void TCustomdxPSPreviewWindow::InvalidatePage(int index) {
  preview_->InvalidatePage(index);
  thumbnails_->InvalidatePage(index);
}

void TCustomdxPSPreviewWindow::InvalidateAllPages() { InvalidateContent(); }

// The bands lie inside the pages; the pages are painted again whole.
void TCustomdxPSPreviewWindow::InvalidatePagesHeaderContent() { InvalidateContent(); }

void TCustomdxPSPreviewWindow::InvalidatePagesFooterContent() { InvalidateContent(); }

void TCustomdxPSPreviewWindow::GoToFirstPage() { preview_->SelectFirstPage(); }
void TCustomdxPSPreviewWindow::GoToLastPage() { preview_->SelectLastPage(); }
void TCustomdxPSPreviewWindow::GoToNextPage() { preview_->SelectNextPage(); }
void TCustomdxPSPreviewWindow::GoToPrevPage() { preview_->SelectPrevPage(); }

void TCustomdxPSPreviewWindow::PaintPage(TCanvas& canvas, int pageIndex, const TRect& rect) {
  if (printer_ && ReportLink()) printer_->PaintLinkPage(canvas, GridPageIndex(pageIndex), rect);
}

void TCustomdxPSPreviewWindow::PaintThumbnail(TCanvas& canvas, int pageIndex, const TRect& rect) {
  if (!printer_ || !ReportLink()) return;
  // The canvas counts device pixels: on a high-density screen the page
  // number's font (sized in points for the screen) takes the device's
  // density for the paint, so that the number keeps its size and is drawn
  // at the device's resolution.
  const double ratio = thumbnails_->PaintPixelRatio();
  if (ratio == 1.0) {
    printer_->PaintThumbnail(canvas, GridPageIndex(pageIndex), rect);
    return;
  }
  TFont& font = printer_->PreviewOptions().ThumbnailsOptions.Font;
  const TFont saved = font;
  ScopeExit restore([&] { font = saved; });
  font.SetPixelsPerInch(int(std::lround(font.PixelsPerInch * ratio)));
  printer_->PaintThumbnail(canvas, GridPageIndex(pageIndex), rect);
}

void TCustomdxPSPreviewWindow::ApplyOptions(const TdxPreviewOptions& options) {
  BeginUpdate();
  ScopeExit end([this] { EndUpdate(); });
  if (!dxPSIsDesignTime) {
    const TRect& b = options.Bounds;
    if (!b.IsEmpty()) setGeometry(b.Left, b.Top, std::max(b.Width(), minimumWidth()), std::max(b.Height(), minimumHeight()));
    SetEnableOptions(options.EnableOptions);
    helpContext_ = options.HelpContext;
    SetVisibleOptions(options.VisibleOptions);
    switch (options.WindowState) {
      case wsMaximized: setWindowState(Qt::WindowMaximized); break;
      case wsMinimized: setWindowState(Qt::WindowMinimized); break;
      default: setWindowState(Qt::WindowNoState); break;
    }
  }
  SetCaption(options.Caption);
  if (options.Icon && !options.Icon->Empty()) setWindowIcon(QIcon(QPixmap::fromImage(options.Icon->ToImage())));
  SetSaveZoomPosition(options.SaveZoomPosition);
  SetShowExplorer(options.ShowExplorer);
}

void TCustomdxPSPreviewWindow::Execute(bool modal) {
  if (!modal) {
    setAttribute(Qt::WA_DeleteOnClose, true);
    show();
    activateWindow();
    return;
  }
  // The window keeps the bounds its options gave.
  if (!RunModal({}, false)) return;
  hide();
}

// ---- Settings ----

void TCustomdxPSPreviewWindow::SetEnableOptions(TdxPreviewEnableOptions value) {
  // Design needs a link that can be designed.
  if (!CanDesign()) value &= ~(1u << unsigned(peoReportDesign));
  enableOptions_ = value;
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetVisibleOptions(TdxPreviewVisibleOptions value) {
  visibleOptions_ = value;
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetSaveZoomPosition(bool value) {
  saveZoomPosition_ = value;
  const auto store = preview_->OptionsStore();
  preview_->SetOptionsStore(value ? store | dxBit(posZoom) : store & ~dxBit(posZoom));
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetShowExplorer(bool value) {
  // There is no explorer in this engine: the pane stays hidden.
  value = false;
  if (explorerVisible_ == value) return;
  explorerVisible_ = value;
  LayoutPanes();
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetThumbnailsVisible(bool value) {
  if (thumbnailsVisible_ == value) return;
  thumbnailsVisible_ = value;
  LayoutPanes();
  if (!value) preview_->setFocus(Qt::OtherFocusReason);
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetThumbnailsLarge(bool value) {
  if (thumbnailsLarge_ == value) return;
  thumbnailsLarge_ = value;
  thumbnails_->SetZoomFactor(value ? 10 : 5);
  thumbnails_->InvalidatePages();
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetThumbnailsPaneWidth(int value) { SetPaneWidthChecked(true, value); }

void TCustomdxPSPreviewWindow::SetExplorerPaneWidth(int value) { SetPaneWidthChecked(false, value); }

int TCustomdxPSPreviewWindow::MaxPaneWidth(bool thumbnails) const {
  // The preview keeps at least 200 pixels next to the pane and its splitter.
  int room = thumbnails ? previewPane_->width() : clientHost_->width();
  if (!thumbnails && thumbnailsVisible_) room -= thumbnailsPane_->width() + kSplitterWidth;
  return std::max(0, room - kMinPreviewWidth - kSplitterWidth);
}

void TCustomdxPSPreviewWindow::SetPaneWidthChecked(bool thumbnails, int width) {
  width = std::max(0, width);
  if (isVisible() || testAttribute(Qt::WA_Resized)) width = std::min(width, MaxPaneWidth(thumbnails));
  (thumbnails ? thumbnailsPaneWidth_ : explorerPaneWidth_) = width;
  LayoutPanes();
}

void TCustomdxPSPreviewWindow::SetShowMarginBar(bool value) {
  if (showMarginBar_ == value) return;
  showMarginBar_ = value;
  LayoutPanes();
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetShowStatusBar(bool value) {
  if (showStatusBar_ == value) return;
  showStatusBar_ = value;
  statusBar_->setVisible(value);
  UpdateControls();
}

bool TCustomdxPSPreviewWindow::ShowMargins() const {
  return preview_->OptionsView() & dxBit(povMargins);
}

void TCustomdxPSPreviewWindow::SetShowMargins(bool value) {
  const auto view = preview_->OptionsView();
  preview_->SetOptionsView(value ? view | dxBit(povMargins) : view & ~dxBit(povMargins));
  preview_->Margins().Gutter().SetVisible(false);
  UpdateControls();
}

void TCustomdxPSPreviewWindow::SetCaption(const std::string& value) {
  caption_ = value;
  UpdateCaption();
}

int TCustomdxPSPreviewWindow::MarginValuePanel(TdxPreviewMarginType kind) {
  for (int k = 0; k < 6; ++k)
    if (kMarginCaptions[k].Kind == kind) return 2 + 2 * k;
  return -1;
}

// ---- Layout ----

void TCustomdxPSPreviewWindow::LayoutPanes() {
  const int w = clientHost_->width(), h = clientHost_->height();
  int x = 0;
  explorerPane_->setVisible(explorerVisible_);
  explorerSplitter_->setVisible(explorerVisible_);
  if (explorerVisible_) {
    const int ew = std::min(explorerPaneWidth_, std::max(0, w - kMinPreviewWidth - kSplitterWidth));
    explorerPane_->setGeometry(0, 0, ew, h);
    explorerSplitter_->setGeometry(ew, 0, kSplitterWidth, h);
    x = ew + kSplitterWidth;
  }
  previewPane_->setGeometry(x, 0, std::max(0, w - x), h);

  const int pw = previewPane_->width(), ph = previewPane_->height();
  int y = 0;
  marginBar_->setVisible(showMarginBar_);
  if (showMarginBar_) {
    marginBar_->setGeometry(0, 0, pw, marginBar_->height());
    y = marginBar_->height();
  }
  const int rest = std::max(0, ph - y);
  thumbnailsPane_->setVisible(thumbnailsVisible_);
  thumbnailsSplitter_->setVisible(thumbnailsVisible_);
  if (thumbnailsVisible_) {
    // A narrow window takes the room from the thumbnails first.
    const int tw = std::min(thumbnailsPaneWidth_, std::max(0, pw - kMinPreviewWidth - kSplitterWidth));
    thumbnailsPane_->setGeometry(pw - tw, y, tw, rest);
    thumbnailsSplitter_->setGeometry(pw - tw - kSplitterWidth, y, kSplitterWidth, rest);
    preview_->setGeometry(0, y, std::max(0, pw - tw - kSplitterWidth), rest);
  } else {
    preview_->setGeometry(0, y, pw, rest);
  }
}

void TCustomdxPSPreviewWindow::resizeEvent(QResizeEvent* e) {
  TBasedxPreviewWindow::resizeEvent(e);
  LayoutPanes();
}

bool TCustomdxPSPreviewWindow::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == clientHost_ || watched == previewPane_) && event->type() == QEvent::Resize) {
    LayoutPanes();
    return false;
  }
  if ((watched == preview_ || watched == thumbnails_) && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && IsPrinting()) {
    // Esc stops the job even where the preview would take the key.
    printer_->AbortPrint();
    return true;
  }
  if (watched == preview_) {
    switch (event->type()) {
      case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
          const TRect c = preview_->ClientRect();
          const QPoint p = e->position().toPoint();
          PreviewDoubleClick(TPoint{p.x() - c.Left, p.y() - c.Top});
        }
        return false;
      }
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        std::string file;
        const QMimeData* mime = e->mimeData();
        if (mime && mime->hasUrls() && mime->urls().size() == 1 && mime->urls().front().isLocalFile())
          file = FromQ(mime->urls().front().toLocalFile());
        const auto& storage = dxPSReportLinkStorage();
        TBasedxReportLink* link = ReportLink();
        const bool accepted = !file.empty() && link && IsVisible(pvoReportFileOperations) && storage.IsReportStream &&
                              storage.ReadReport && QFileInfo(ToQ(file)).isFile() &&
                              (!storage.IsReportFile || storage.IsReportFile(file));
        if (!accepted) {
          e->setDropAction(Qt::IgnoreAction);
          e->ignore();
          return true;
        }
        e->setDropAction(Qt::CopyAction);
        e->accept();
        if (event->type() == QEvent::Drop) {
          Guarded([&] { link->LoadFromFile(file); });
          UpdateControls();
        }
        return true;
      }
      default: break;
    }
  }
  return TBasedxPreviewWindow::eventFilter(watched, event);
}

void TCustomdxPSPreviewWindow::PreviewDoubleClick(TPoint clientPoint) {
  const int page = preview_->PageIndexFromPoint(clientPoint);
  if (page < 0) {
    if (CanDesign() && IsEnabled(peoReportDesign) && IsVisible(pvoReportDesign)) Guarded([&] { DoDesign(); });
    return;
  }
  if (page == preview_->SelectedPageIndex() && preview_->MarginFromPoint(clientPoint) && CanChangeMargins() &&
      CanPageSetup())
    Guarded([&] { DoPageSetup(1); });
}

// ---- Refresh ----

void TCustomdxPSPreviewWindow::UpdateControls() {
  if (updateCount_ > 0) return;
  UpdateCaption();
  auto behavior = preview_->OptionsBehavior();
  const bool drag = CanChangeMargins();
  preview_->SetOptionsBehavior(drag ? behavior | dxBit(pobAllowDragMargins)
                                    : behavior & ~dxBit(pobAllowDragMargins));
  LayoutPanes();
  statusBar_->setVisible(showStatusBar_);
  statusBar_->SetSizeGrip(!progressShown_ && !isMaximized());
  UpdateMarginBar();
  UpdateStatusBar();
  DoUpdateControls();
}

void TCustomdxPSPreviewWindow::UpdateCaption() {
  std::string caption = caption_;
  if (TBasedxReportLink* link = ReportLink())
    if (link->IsExternalStorage() && !link->StorageName().empty()) caption += " - " + link->StorageName();
  setWindowTitle(ToQ(caption));
}

std::string TCustomdxPSPreviewWindow::MarginText(const TdxPreviewMargin& margin, bool dragging) const {
  const int value = dragging && margin.IsDragged() ? margin.DraggingValue() : margin.Value();
  return dxPreviewLengthText(value, preview_->MeasurementUnits());
}

void TCustomdxPSPreviewWindow::UpdateMarginBar() {
  for (const MarginCaption& c : kMarginCaptions)
    marginBar_->SetPanelText(MarginValuePanel(c.Kind), MarginText(preview_->Margins()[c.Kind], true));
}

void TCustomdxPSPreviewWindow::UpdateStatusBar() {
  const int selected = preview_->SelectedPageIndex();
  statusBar_->SetPanelText(spPage, selected >= 0 ? std::to_string(ReportPageNumber(selected)) : std::string());
  statusBar_->SetPanelText(spPageCount, std::to_string(ReportPageCount()));
  statusBar_->SetPanelText(spPaperSize, PaperSizeText());
  statusBar_->SetPanelText(spStatus, StatusText());
}

void TCustomdxPSPreviewWindow::UpdateStatusText() { statusBar_->SetPanelText(spStatus, StatusText()); }

std::string TCustomdxPSPreviewWindow::StatusText() const {
  if (progressShown_) return progressText_;
  // Without a printer there is no printable area to measure the margins by.
  if (!PrinterExists()) return NoPrinters;
  return marginsInPrintableArea_ ? Ready : OutsideMargins;
}

std::string TCustomdxPSPreviewWindow::PaperSizeText() const {
  const TPoint size = preview_->PageSize();
  const TdxPreviewMeasurementUnits units = preview_->MeasurementUnits();
  return LengthNumber(size.X, units) + " x " + LengthNumber(size.Y, units) + " " +
         dxPreviewUnitText(dxPreviewActualUnits(units));
}

void TCustomdxPSPreviewWindow::CheckMarginsInPrintableArea(bool beep) {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  const bool inside = link->RealPrinterPage().MarginsInPrintableArea();
  if (beep && marginsInPrintableArea_ && !inside) dxPSBeep();
  marginsInPrintableArea_ = inside;
  UpdateStatusText();
}

// ---- State ----

TBasedxReportLink* TCustomdxPSPreviewWindow::ReportLink() const {
  return printer_ ? printer_->CurrentLink() : nullptr;
}

bool TCustomdxPSPreviewWindow::IsBuilding() const { return printer_ && printer_->Building(); }

bool TCustomdxPSPreviewWindow::IsPrinting() const { return printer_ && printer_->Printing(); }

int TCustomdxPSPreviewWindow::ReportPageCount() const {
  TBasedxReportLink* link = ReportLink();
  return link ? link->PageCount() : 0;
}

// The preview shows the pages the link shows, in order, so a preview page's
// report page number is its position plus one.
int TCustomdxPSPreviewWindow::ReportPageNumber(int previewPage) const { return previewPage + 1; }

int TCustomdxPSPreviewWindow::PreviewPageOfReportPage(int reportPage) const { return reportPage - 1; }

int TCustomdxPSPreviewWindow::GridPageIndex(int previewPage) const {
  TBasedxReportLink* link = ReportLink();
  if (!link || link->ShowEmptyPages() || !link->ReportCells()) return previewPage;
  const int index = link->RenderInfo().VisiblePageToIndex(previewPage);
  return index >= 0 ? index : previewPage;
}

bool TCustomdxPSPreviewWindow::CanSelectPage(int previewPage) const {
  TBasedxReportLink* link = ReportLink();
  if (!link || !link->SupportsEmptyPages() || !link->ShowEmptyPages() || !link->ReportCells()) return true;
  TdxPSReportRenderInfo& info = link->RenderInfo();
  if (previewPage < 0 || previewPage >= info.GridPageCount()) return true;
  return !info.Page(previewPage).IsEmpty;
}

bool TCustomdxPSPreviewWindow::IsOwnEvent(TdxObject* sender) const {
  return printer_ && sender == static_cast<TdxObject*>(printer_);
}

bool TCustomdxPSPreviewWindow::PrinterExists() const { return GetPrintDevice().HasPrinters(); }

bool TCustomdxPSPreviewWindow::CanChangeMargins() const {
  return IsEnabled(peoCanChangeMargins) && !IsBuilding() && !IsPrinting();
}

bool TCustomdxPSPreviewWindow::CanPageSetup() const {
  return ReportLink() && dxPSPreviewWindowDialogs().PageSetup && IsVisible(pvoPageSetup) &&
         IsEnabled(peoPageSetup) && !IsPrinting();
}

bool TCustomdxPSPreviewWindow::CanPrint() const {
  return ReportLink() && IsVisible(pvoPrint) && IsEnabled(peoPrint) && ReportPageCount() > 0 && !IsPrinting() &&
         PrinterExists();
}

bool TCustomdxPSPreviewWindow::CanDesign() const {
  const auto& dialogs = dxPSPreviewWindowDialogs();
  TBasedxReportLink* link = ReportLink();
  if (!link) return false;
  if (dialogs.Design) return dialogs.CanDesign && dialogs.CanDesign(*link);
  // Without a design entry: the design window registered for the link.
  return printer_ && link->CanDesign();
}

// ---- Window events ----

void TCustomdxPSPreviewWindow::closeEvent(QCloseEvent* e) {
  const bool ours = printer_ && printer_->PreviewWindow() == this;
  if (!QCoreApplication::closingDown() && ours && (IsBuilding() || IsPrinting())) {
    // The job runs on below this window's handlers: the window stays until
    // it returns, and is then closed.
    e->ignore();
    if (closeRequested_) return;
    closeRequested_ = true;
    if (IsPrinting() && MessageQuestion(AbortPrinting)) printer_->AbortPrint();
    return;
  }
  e->accept();
  EndRun();
}

void TCustomdxPSPreviewWindow::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
      if (IsPrinting()) {
        printer_->AbortPrint();
        e->accept();
        return;
      }
      break;
    case Qt::Key_Back: GoToPrevPage(); return;
    case Qt::Key_Forward: GoToNextPage(); return;
    case Qt::Key_HomePage: GoToFirstPage(); return;
    default: break;
  }
  TBasedxPreviewWindow::keyPressEvent(e);
}

void TCustomdxPSPreviewWindow::showEvent(QShowEvent* e) {
  TBasedxPreviewWindow::showEvent(e);
  marginBar_->update();
  LayoutPanes();
}

void TCustomdxPSPreviewWindow::changeEvent(QEvent* e) {
  TBasedxPreviewWindow::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) preview_->setFocus(Qt::ActiveWindowFocusReason);
  if (e->type() == QEvent::WindowStateChange) statusBar_->SetSizeGrip(!progressShown_ && !isMaximized());
}

// ---- Registry ----

void TCustomdxPSPreviewWindow::SaveSettings() {
  if (settingsSaved_) return;
  settingsSaved_ = true;
  const std::string key = Constructed() ? LayoutKey() : std::string();
  if (!key.empty()) SaveToRegistry(key);
}

void TCustomdxPSPreviewWindow::LoadFromRegistry(const std::string& key) {
  preview_->LoadFromRegistry("\\" + key + "\\PreviewControl");
  preview_->Margins().Gutter().SetVisible(false);
  try {
    TRegistry r;
    if (!r.OpenKeyReadOnly("\\" + key)) return;
    auto readBool = [&r](const char* name, auto apply) {
      if (r.ValueExists(name)) apply(r.ReadBool(name));
    };
    auto readInt = [&r](const char* name, auto apply) {
      if (r.ValueExists(name)) apply(r.ReadInteger(name));
    };
    readBool("MarginBar", [this](bool v) { showMarginBar_ = v; });
    readBool("StatusBar", [this](bool v) {
      showStatusBar_ = v;
      statusBar_->setVisible(v);
    });
    readInt("ExplorerVisibility", [this](int v) { SetShowExplorer(v == 2); });
    readInt("ThumbnailsVisibility", [this](int v) { thumbnailsVisible_ = v == 2; });
    readInt("ExplorerPaneWidth", [this](int v) { explorerPaneWidth_ = std::clamp(v, 0, 1 << 16); });
    readInt("ThumbnailsPaneWidth", [this](int v) { thumbnailsPaneWidth_ = std::clamp(v, 0, 1 << 16); });
  } catch (const ERegistryException&) {
  }
  LayoutPanes();
}

void TCustomdxPSPreviewWindow::SaveToRegistry(const std::string& key) {
  preview_->SaveToRegistry("\\" + key + "\\PreviewControl");
  try {
    TRegistry r;
    if (!r.OpenKey("\\" + key, true)) return;
    r.WriteBool("MarginBar", showMarginBar_);
    r.WriteBool("StatusBar", showStatusBar_);
    r.WriteInteger("ExplorerVisibility", explorerVisible_ ? 2 : 1);
    r.WriteInteger("ThumbnailsVisibility", thumbnailsVisible_ ? 2 : 1);
    if (explorerVisible_) r.WriteInteger("ExplorerPaneWidth", explorerPaneWidth_);
    if (thumbnailsVisible_) r.WriteInteger("ThumbnailsPaneWidth", thumbnailsPaneWidth_);
  } catch (const ERegistryException&) {
  }
}
