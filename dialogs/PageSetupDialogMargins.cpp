// The Margins tab of the page setup dialog: the margin boxes and their limits,
// the sample page with its draggable margin lines, and fixing margins that lie
// outside the printable area.
#include "dialogs/PageSetupDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "editors/DialogControls.h"
#include "dialogs/BackgroundPalette.h"
#include "dialogs/FormatDialogs.h"
#include "dialogs/FunctionToolBar.h"
#include "engine/ComponentPrinter.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/MessageDialogs.h"
#include "platform/ScopeExit.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "report/EngineUtilities.h"
#include "dialogs/PageSetupDialogTabs.h"

using namespace dxPSPageSetupTexts;
using namespace PageSetupDialogTabs;

namespace {

constexpr int kGridCellWidth = 15;
constexpr int kGridCellHeight = 7;
// Rounds a page-unit length up (down) to the hundredths the boxes show.
int CeilToShown(long long v) { return int(v >= 0 ? (v + 9) / 10 * 10 : -((-v) / 10 * 10)); }
int FloorToShown(long long v) { return int(v >= 0 ? v / 10 * 10 : -((-v + 9) / 10 * 10)); }

}  // namespace

QWidget* TdxfmPageSetupDialog::CreateMarginsTab() {
  auto* sheet = new QWidget;
  auto* col = new QVBoxLayout(sheet);
  warningPane_ = new TdxPSWarningPane(sheet);
  warningPane_->setFixedHeight(24);
  col->addWidget(warningPane_);

  auto* row = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  marginsGroup_ = NewGroup(Margins, sheet);
  {
    auto* box = new QVBoxLayout(marginsGroup_);
    auto* grid = new QGridLayout;
    const char* captions[6] = {MarginTop, MarginBottom, MarginLeft, MarginRight, MarginHeader, MarginFooter};
    for (int i = 0; i < 6; ++i) {
      marginBoxes_[i] = NewLengthBox(marginsGroup_);
      marginLabels_[i] = new QLabel(ToQ(captions[i]), marginsGroup_);
      marginLabels_[i]->setBuddy(marginBoxes_[i]);
      marginLabels_[i]->installEventFilter(this);
      marginBoxes_[i]->OnChange = [this](TdxPSSpinEdit&) { MarginBoxChanged(); };
      marginBoxes_[i]->OnExit = [this](TdxPSSpinEdit&) { MarginBoxLeft(); };
      marginBoxes_[i]->OnButtonClick = [this](TdxPSSpinEdit&, TdxButtonType, TUDBtnType) { MarginBoxLeft(); };
    }
    for (int i = 0; i < 4; ++i) {
      grid->addWidget(marginLabels_[i], i / 2, (i % 2) * 2);
      grid->addWidget(marginBoxes_[i], i / 2, (i % 2) * 2 + 1);
    }
    box->addLayout(grid);
    distancePanel_ = new QWidget(marginsGroup_);
    auto* dgrid = new QGridLayout(distancePanel_);
    dgrid->setContentsMargins(0, 0, 0, 0);
    for (int i = 4; i < 6; ++i) {
      marginLabels_[i]->setParent(distancePanel_);
      marginBoxes_[i]->setParent(distancePanel_);
      dgrid->addWidget(marginLabels_[i], 0, (i - 4) * 2);
      dgrid->addWidget(marginBoxes_[i], 0, (i - 4) * 2 + 1);
    }
    box->addWidget(distancePanel_);
    auto* buttons = new QHBoxLayout;
    fix_ = new QPushButton(ToQ(dxPSPageSetupTexts::Fix), marginsGroup_);
    restore_ = new QPushButton(ToQ(dxPSPageSetupTexts::RestoreOriginal), marginsGroup_);
    buttons->addWidget(fix_);
    buttons->addWidget(restore_);
    buttons->addStretch(1);
    box->addLayout(buttons);
    connect(fix_, &QPushButton::clicked, this, [this] { Fix(); });
    connect(restore_, &QPushButton::clicked, this, [this] { RestoreOriginal(); });
  }
  // The tab order of the six boxes: top, bottom, left, right, header, footer.
  for (int i = 0; i < 5; ++i) setTabOrder(marginBoxes_[i], marginBoxes_[i + 1]);
  left->addWidget(marginsGroup_);
  left->addStretch(1);
  row->addLayout(left, 1);

  sample_ = new TdxPreview(sheet);
  sample_->setFixedSize(150, 190);
  sample_->SetPageCount(1);
  sample_->SetScrollBars(ssNone);
  sample_->SetZoomMode(pzmPages);
  sample_->SetOptionsZoom(0);
  sample_->SetOptionsHint(0);
  sample_->SetOptionsView(dxBit(povDefaultDrawPageBackground) | dxBit(povMargins));
  sample_->SetOptionsBehavior(dxBit(pobAllowDragMargins));
  sample_->SetMinHeaderSize(0);
  sample_->SetMinFooterSize(0);
  sample_->SetColor(clBtnFace);
  sample_->Margins().Gutter().SetVisible(false);
  sample_->Margins().Gutter().SetEnabled(false);
  sample_->OnDrawPageContent = [this](TCustomdxPreview&, TCanvas& canvas, TRect& rect, int) {
    DrawSampleContent(canvas, rect);
  };
  sample_->OnAfterDragMargin = [this](TCustomdxPreview&, TdxPreviewMargin& margin) {
    SampleMarginDragged(int(margin.Kind()));
  };
  row->addWidget(sample_, 0, Qt::AlignTop);
  col->addLayout(row);

  centerGroup_ = NewGroup(CenterOnPage, sheet);
  {
    auto* r = new QHBoxLayout(centerGroup_);
    centerH_ = new QCheckBox(ToQ(Horizontally), centerGroup_);
    centerV_ = new QCheckBox(ToQ(Vertically), centerGroup_);
    r->addWidget(centerH_);
    r->addWidget(centerV_);
    r->addStretch(1);
    connect(centerH_, &QCheckBox::toggled, this, [this](bool on) {
      if (loading_) return;
      WorkingPage().SetCenterOnPageH(on);
      SetModified();
      sample_->InvalidatePages();
    });
    connect(centerV_, &QCheckBox::toggled, this, [this](bool on) {
      if (loading_) return;
      WorkingPage().SetCenterOnPageV(on);
      SetModified();
      sample_->InvalidatePages();
    });
  }
  col->addWidget(centerGroup_);
  col->addStretch(1);
  return sheet;
}

// ---- Margins tab ----

void TdxfmPageSetupDialog::RecalcMarginLimits() {
  const TdxPrinterPage& page = WorkingPage();
  const TPoint s = page.OrientedPageSize();
  const long long W = s.X, H = s.Y, M = page.MinPageSize();
  const TRect mn = page.MinMargins().Rect();
  const bool wasFixing = fixing_;
  fixing_ = true;
  auto limit = [&](TdxMarginBox box, long long lo, long long hi) {
    constexpr long long lowest = std::numeric_limits<int>::min(), highest = std::numeric_limits<int>::max();
    SetBoxLimits(marginBoxes_[box], ToBox(int(std::clamp(lo, lowest, highest))), ToBox(int(std::clamp(hi, lowest, highest))));
  };
  limit(mbTop, mn.Top, H - M - mn.Bottom);
  limit(mbBottom, mn.Bottom, H - M - mn.Top);
  limit(mbLeft, mn.Left, W - M - mn.Right);
  limit(mbRight, mn.Right, W - M - mn.Left);
  limit(mbHeader, mn.Top, H - M - mn.Bottom);
  limit(mbFooter, mn.Bottom, H - M - mn.Top);
  fixing_ = wasFixing;
}

void TdxfmPageSetupDialog::SetBoxValue(TdxMarginBox box, double value) {
  const bool wasFixing = fixing_;
  fixing_ = true;
  marginBoxes_[box]->SetValue(value);
  fixing_ = wasFixing;
}

void TdxfmPageSetupDialog::LoadMarginBoxes() {
  const TdxPrinterPage& page = WorkingPage();
  SetBoxValue(mbHeader, ToBox(page.Header()));
  SetBoxValue(mbFooter, ToBox(page.Footer()));
  SetBoxValue(mbTop, ToBox(page.Margins().Top()));
  SetBoxValue(mbBottom, ToBox(page.Margins().Bottom()));
  SetBoxValue(mbLeft, ToBox(page.Margins().Left()));
  SetBoxValue(mbRight, ToBox(page.Margins().Right()));
}

void TdxfmPageSetupDialog::WriteMarginsToPage() {
  TdxPrinterPage& page = WorkingPage();
  page.BeginUpdate();
  ScopeExit endUpdate([&page] { page.EndUpdate(); });
  page.SetHeader(BoxUnits(mbHeader));
  page.SetFooter(BoxUnits(mbFooter));
  page.SetMargins(TRect(BoxUnits(mbLeft), BoxUnits(mbTop), BoxUnits(mbRight), BoxUnits(mbBottom)));
}

std::optional<TdxMarginBox> TdxfmPageSetupDialog::FirstInvalidMargin() const {
  const TdxPrinterPage& page = working_->PrinterPage();
  const TPoint s = page.OrientedPageSize();
  const long long hRoom = (long long)s.Y - page.MinPageSize(), wRoom = (long long)s.X - page.MinPageSize();
  const long long header = BoxUnits(mbHeader), footer = BoxUnits(mbFooter), top = BoxUnits(mbTop),
                  bottom = BoxUnits(mbBottom), left = BoxUnits(mbLeft), right = BoxUnits(mbRight);
  if (header < 0 || header > hRoom) return mbHeader;
  if (footer < 0 || footer > hRoom - header) return mbFooter;
  if (top < header || top > hRoom - bottom) return mbTop;
  if (bottom < footer || bottom > hRoom - top) return mbBottom;
  if (left < 0 || left > wRoom) return mbLeft;
  if (right < 0 || right > wRoom - left) return mbRight;
  return std::nullopt;
}

std::pair<double, double> TdxfmPageSetupDialog::PrintableOffsets() const {
  double x = 0, y = 0;
  try {
    TdxPrintDevice& device = GetPrintDevice();
    if (device.HasPrinters(false)) {
      const TDeviceCaps& caps = device.InfoContext();
      if (caps.LogPixelsX > 0) x = double(device.PhysicalOffset(0)) / caps.LogPixelsX;
      if (caps.LogPixelsY > 0) y = double(device.PhysicalOffset(1)) / caps.LogPixelsY;
    }
  } catch (const Exception&) {
    x = y = 0;
  }
  if (!Inches()) {
    x *= 25.4;
    y *= 25.4;
  }
  return {x, y};
}

std::optional<TdxMarginBox> TdxfmPageSetupDialog::FirstOutsideMargin() const {
  const auto [x, y] = PrintableOffsets();
  if (marginBoxes_[mbHeader]->Value() < y) return mbHeader;
  if (marginBoxes_[mbFooter]->Value() < y) return mbFooter;
  if (marginBoxes_[mbLeft]->Value() < x) return mbLeft;
  if (marginBoxes_[mbRight]->Value() < x) return mbRight;
  return std::nullopt;
}

void TdxfmPageSetupDialog::MarginBoxChanged() {
  if (loading_ || fixing_) return;
  marginsEdited_ = true;
  modified_ = true;
}

void TdxfmPageSetupDialog::MarginBoxLeft() {
  if (loading_ || finished_ || !working_) return;
  UpdateMarginStates(false);
}

void TdxfmPageSetupDialog::UpdateMarginStates(bool repaintAlways) {
  if (checking_ || !working_) return;
  checking_ = true;
  const bool wasInvalid = invalid_;
  invalid_ = FirstInvalidMargin().has_value();
  outside_ = FirstOutsideMargin().has_value();
  UpdateWarning();
  if (!invalid_) SetSampleLinesFromBoxes();
  UpdateSampleLineStates();
  if (repaintAlways || wasInvalid != invalid_) sample_->InvalidatePages();
  UpdateMarginButtons();
  checking_ = false;
}

void TdxfmPageSetupDialog::UpdateWarning() {
  const bool show = invalid_ || outside_;
  warningPane_->SetStateAndText(show, invalid_ ? InvalidMargins : outside_ ? OutsideMargins : warningPane_->Text());
}

void TdxfmPageSetupDialog::UpdateMarginButtons() {
  fix_->setEnabled(invalid_ || outside_);
  restore_->setEnabled(MarginsEditable() && marginsEdited_);
}

void TdxfmPageSetupDialog::SetSampleLines(int header, int top, int footer, int bottom, int left, int right) {
  // All six at once, so that no line is held back by a neighbour's old value.
  TdxPreviewMargins lines(nullptr);
  lines.Assign(sample_->Margins());
  lines.Header().SetValue(header);
  lines.Top().SetValue(top);
  lines.Footer().SetValue(footer);
  lines.Bottom().SetValue(bottom);
  lines.Left().SetValue(left);
  lines.Right().SetValue(right);
  lines.Gutter().SetValue(0);
  sample_->Margins().Assign(lines);
}

void TdxfmPageSetupDialog::SetSampleLinesFromBoxes() {
  auto t = [this](TdxMarginBox box) { return BoxToLoMetric(marginBoxes_[box]->Value()); };
  SetSampleLines(t(mbHeader), t(mbTop), t(mbFooter), t(mbBottom), t(mbLeft), t(mbRight));
}

void TdxfmPageSetupDialog::UpdateSampleLineStates() {
  if (!sample_) return;
  TdxPreviewMargins& m = sample_->Margins();
  const bool shown = !invalid_;
  const bool hfLines = OptionVisible(psoHFMargins) && OptionVisible(psoMargins);
  for (TdxPreviewMarginType k : {pmLeft, pmTop, pmRight, pmBottom}) {
    m[k].SetVisible(shown);
    m[k].SetEnabled(MarginsEditable());
  }
  for (TdxPreviewMarginType k : {pmHeader, pmFooter}) {
    m[k].SetVisible(shown && hfLines);
    m[k].SetEnabled(hfLines && DistancesEditable());
  }
  m.Gutter().SetVisible(false);
  m.Gutter().SetEnabled(false);
}

void TdxfmPageSetupDialog::SampleMarginDragged(int kind) {
  if (finished_ || !working_) return;
  static const std::pair<TdxPreviewMarginType, TdxMarginBox> map[] = {
      {pmLeft, mbLeft}, {pmTop, mbTop}, {pmRight, mbRight}, {pmBottom, mbBottom}, {pmHeader, mbHeader}, {pmFooter, mbFooter}};
  for (const auto& [type, box] : map) {
    if (type != TdxPreviewMarginType(kind)) continue;
    const double before = marginBoxes_[box]->Value();
    SetBoxValue(box, LoMetricToBox(sample_->Margins()[type].Value()));
    if (marginBoxes_[box]->Value() == before) return;  // a drag that went nowhere
    marginsEdited_ = true;
    modified_ = true;
    UpdateMarginStates(false);
    return;
  }
}

void TdxfmPageSetupDialog::Fix() {
  if (outside_)
    FixPrintableArea();
  else if (invalid_)
    FixValues();
}

void TdxfmPageSetupDialog::FixPrintableArea() {
  TdxPrinterPage& page = WorkingPage();
  const TRect p = page.PrinterMinMargins();
  const auto [x, y] = PrintableOffsets();
  // At least the offsets the printable check measures, in what the boxes show.
  const int needX = CeilToShown(std::max<long long>(0, (long long)std::ceil(x * 1000 - 1e-6)));
  const int needY = CeilToShown(std::max<long long>(0, (long long)std::ceil(y * 1000 - 1e-6)));
  auto raise = [this](TdxMarginBox box, int atLeast) {
    if (BoxUnits(box) < atLeast) SetBoxValue(box, ToBox(atLeast));
  };
  raise(mbTop, std::max(CeilToShown(p.Top), needY));
  raise(mbHeader, std::max(CeilToShown(p.Top), needY));
  raise(mbBottom, std::max(CeilToShown(p.Bottom), needY));
  raise(mbFooter, std::max(CeilToShown(p.Bottom), needY));
  raise(mbLeft, std::max(CeilToShown(p.Left), needX));
  raise(mbRight, std::max(CeilToShown(p.Right), needX));
  modified_ = true;
  // The raised values are checked again rather than taken as good.
  UpdateMarginStates(true);
}

void TdxfmPageSetupDialog::FixValues() {
  TdxPrinterPage& page = WorkingPage();
  const TRect p = page.PrinterMinMargins();
  const TPoint s = page.OrientedPageSize();
  const long long hRoom = (long long)s.Y - page.MinPageSize(), wRoom = (long long)s.X - page.MinPageSize();
  auto limit = [](long long v, long long lo, long long hi) { return v < lo ? lo : v > hi ? hi : v; };
  const long long header = limit(BoxUnits(mbHeader), CeilToShown(p.Top), FloorToShown(hRoom - p.Bottom));
  const long long footer = limit(BoxUnits(mbFooter), CeilToShown(p.Bottom), hRoom - header);
  const long long top = limit(BoxUnits(mbTop), header, hRoom - footer);
  const long long bottom = limit(BoxUnits(mbBottom), footer, hRoom - top);
  const long long left = limit(BoxUnits(mbLeft), CeilToShown(p.Left), FloorToShown(wRoom - p.Right));
  const long long right = limit(BoxUnits(mbRight), CeilToShown(p.Right), wRoom - left);
  SetBoxValue(mbTop, ToBox(int(top)));
  SetBoxValue(mbHeader, ToBox(int(header)));
  SetBoxValue(mbBottom, ToBox(int(bottom)));
  SetBoxValue(mbFooter, ToBox(int(footer)));
  SetBoxValue(mbLeft, ToBox(int(left)));
  SetBoxValue(mbRight, ToBox(int(right)));
  modified_ = true;
  UpdateMarginStates(true);
}

void TdxfmPageSetupDialog::RestoreOriginal() {
  if (!source_) return;
  const TdxPrinterPage& page = source_->PrinterPage();
  SetBoxValue(mbHeader, ToBox(page.Header()));
  SetBoxValue(mbFooter, ToBox(page.Footer()));
  SetBoxValue(mbLeft, ToBox(page.Margins().Left()));
  SetBoxValue(mbTop, ToBox(page.Margins().Top()));
  SetBoxValue(mbRight, ToBox(page.Margins().Right()));
  SetBoxValue(mbBottom, ToBox(page.Margins().Bottom()));
  modified_ = true;
  UpdateMarginStates(true);
  // The lines take the page's own values, not the boxes' rounded ones.
  if (!invalid_) {
    const TRect m = page.MarginsLoMetric();
    SetSampleLines(page.HeaderLoMetric(), m.Top, page.FooterLoMetric(), m.Bottom, m.Left, m.Right);
  }
}

bool TdxfmPageSetupDialog::AskInvalidMargins() {
  const int choice = AskWarning(pswInvalidMargins, InvalidMarginValues, {dxPSPageSetupTexts::Fix, dxPSPageSetupTexts::RestoreOriginal, dxPSPageSetupTexts::Close}, this);
  if (choice == 0)
    FixValues();
  else if (choice == 1)
    RestoreOriginal();
  return choice == 0 || choice == 1;
}

void TdxfmPageSetupDialog::DrawSampleContent(TCanvas& canvas, const TRect& pageRect) {
  if (invalid_ || !working_) return;
  // The canvas counts device pixels (ratio of them to a client pixel): the
  // margins and the grid keep their client size, the grid lines are one
  // device pixel thin.
  const double ratio = sample_->PaintPixelRatio();
  auto scaled = [ratio](int clientPixels) { return int(std::lround(clientPixels * ratio)); };
  const TdxPreviewMargins& m = sample_->Margins();
  auto px = [&](int tenths) { return scaled(sample_->LengthToZoomedPixels(tenths)); };
  const TRect content(pageRect.Left + px(m[pmLeft].Value()), pageRect.Top + px(m[pmTop].Value()),
                      pageRect.Right - px(m[pmRight].Value()), pageRect.Bottom - px(m[pmBottom].Value()));
  const TRect header(content.Left, pageRect.Top + px(m[pmHeader].Value()), content.Right, content.Top);
  const TRect footer(content.Left, content.Bottom, content.Right, pageRect.Bottom - px(m[pmFooter].Value()));
  if (onCustomDrawPreview_) {
    onCustomDrawPreview_(*working_, canvas, pageRect, content, header, footer);
    return;
  }
  const int w = content.Width(), h = content.Height();
  if (w <= 1 || h <= 1) return;
  const int cellWidth = std::max(1, scaled(kGridCellWidth)), cellHeight = std::max(1, scaled(kGridCellHeight));
  const int columns = (w - 1) / cellWidth, rows = (h - 1) / cellHeight;
  int left = content.Left, top = content.Top;
  if (WorkingPage().CenterOnPageH()) left += (w - columns * cellWidth) / 2;
  if (WorkingPage().CenterOnPageV()) top += (h - rows * cellHeight) / 2;
  const int right = left + columns * cellWidth, bottom = top + rows * cellHeight;
  for (int i = 0; i <= columns; ++i) {
    const TRect line(left + i * cellWidth, top, left + i * cellWidth + 1, bottom + 1);
    if (canvas.RectVisible(line)) canvas.FillRect(line, clBtnFace);
  }
  for (int j = 0; j <= rows; ++j) {
    const TRect line(left, top + j * cellHeight, right + 1, top + j * cellHeight + 1);
    if (canvas.RectVisible(line)) canvas.FillRect(line, clBtnFace);
  }
}
