// The Page tab of the page setup dialog: paper type and size, paper source,
// orientation and print order; the paper and source rows and their icons.
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
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "report/EngineUtilities.h"
#include "dialogs/PageSetupDialogTabs.h"

using namespace dxPSPageSetupTexts;
using namespace PageSetupDialogTabs;

namespace {

constexpr int kPaperRowHeight = 18;
constexpr int kPaperEnvelopeRole = Qt::UserRole + 1;  // bool: envelope paper / automatic source
constexpr int kPaperKindRole = Qt::UserRole + 2;
QIcon PaperIcon(bool envelope) {
  QImage image = MakeImage(16, 16);
  QPainter p(&image);
  p.setPen(QColor(64, 64, 64));
  p.setBrush(Qt::white);
  if (envelope) {
    p.drawRect(1, 4, 13, 8);
    p.drawLine(1, 4, 8, 9);
    p.drawLine(14, 4, 8, 9);
  } else {
    const QPoint sheet[] = {{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}};
    p.drawPolygon(sheet, 5);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(QColor(128, 128, 128));
    for (int y = 7; y <= 12; y += 2) p.drawLine(5, y, 11, y);
  }
  p.end();
  return QIcon(QPixmap::fromImage(image));
}

QIcon TrayIcon(bool automatic) {
  QImage image = MakeImage(16, 16);
  QPainter p(&image);
  p.setPen(QColor(64, 64, 64));
  p.setBrush(QColor(224, 224, 224));
  p.drawRect(1, 8, 13, 5);
  p.setBrush(Qt::white);
  p.drawRect(3, 3, 9, 6);
  if (automatic) {
    p.setPen(QColor(0, 128, 0));
    p.drawLine(6, 11, 10, 11);
    p.drawLine(8, 9, 10, 11);
  }
  p.end();
  return QIcon(QPixmap::fromImage(image));
}
// ---- Paper and source rows -----------------------------------------------------------------

// Rows of the paper and paper source lists: the background, an icon inset by
// 2 pixels horizontally and 1 vertically, the name 2 pixels right of it,
// vertically centred; dimmed in a disabled list.
class PaperRowDelegate : public QStyledItemDelegate {
 public:
  PaperRowDelegate(QObject* parent, bool bins) : QStyledItemDelegate(parent), bins_(bins) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool enabled = option.state & QStyle::State_Enabled;
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(option.rect, ColorToQColor(selected && enabled ? clHighlight : clWindow));
    const bool special = index.data(kPaperEnvelopeRole).toBool();
    const QIcon icon = bins_ ? TrayIcon(special) : PaperIcon(special);
    const QRect iconRect(option.rect.left() + 2, option.rect.top() + 1, 16, 16);
    icon.paint(painter, iconRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    const QRect textRect(iconRect.right() + 1 + 2, option.rect.top(), option.rect.width() - iconRect.width() - 6,
                         option.rect.height());
    painter->setPen(ColorToQColor(!enabled ? clGrayText : selected ? clHighlightText : clWindowText));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width() + 20, kPaperRowHeight};
  }

 private:
  bool bins_;
};
// The orientation picture shows the page's proportions only: a page whose
// longer side is 10 cm fits the small picture at any paper size.
TPoint OrientationPictureSize(TPoint portrait) {
  const int longer = std::max({portrait.X, portrait.Y, 1});
  return {std::max(1, MulDiv(portrait.X, 1000, longer)), std::max(1, MulDiv(portrait.Y, 1000, longer))};
}

}  // namespace

namespace PageSetupDialogTabs {

// The print order pictures: 0 down then over, 1 over then down.
QImage OrderImage(int index) {
  QImage image(kOrderPictureWidth, kOrderPictureHeight, QImage::Format_ARGB32);
  image.fill(ColorToQColor(clBtnFace));
  QPainter p(&image);
  const QRect pages[4] = {{4, 4, 14, 18}, {4, 27, 14, 18}, {22, 4, 14, 18}, {22, 27, 14, 18}};
  p.setPen(QColor(64, 64, 64));
  p.setBrush(Qt::white);
  for (const QRect& r : pages) p.drawRect(r);
  p.setPen(QPen(QColor(0, 0, 160), 2));
  if (index == 0) {  // down, then over
    p.drawLine(48, 8, 48, 40);
    p.drawLine(48, 40, 66, 40);
    p.drawLine(62, 36, 66, 40);
    p.drawLine(62, 44, 66, 40);
  } else {  // over, then down
    p.drawLine(44, 10, 68, 10);
    p.drawLine(68, 10, 68, 40);
    p.drawLine(64, 36, 68, 40);
    p.drawLine(72, 36, 68, 40);
  }
  p.end();
  return image;
}
TdxPSSpinEdit* NewLengthBox(QWidget* parent) {
  auto* box = new TdxPSSpinEdit(parent);
  box->SetValueType(svtFloat);
  box->SetDecimal(2);
  box->SetIncrement(0.1);
  box->SetPageIncrement(1.0);
  box->SetMinValue(0);
  box->SetMaxValue(100000);
  box->setMinimumWidth(88);
  return box;
}

}  // namespace PageSetupDialogTabs

QWidget* TdxfmPageSetupDialog::CreatePageTab() {
  auto* sheet = new QWidget;
  auto* col = new QVBoxLayout(sheet);

  auto* paperGroup = NewGroup(Paper, sheet);
  {
    auto* grid = new QGridLayout(paperGroup);
    auto* typeLabel = new QLabel(ToQ(PaperType), paperGroup);
    paperList_ = new QListWidget(paperGroup);
    paperList_->setItemDelegate(new PaperRowDelegate(paperList_, false));
    paperList_->setUniformItemSizes(true);
    paperList_->setFixedHeight(5 * kPaperRowHeight + 4);
    typeLabel->setBuddy(paperList_);
    grid->addWidget(typeLabel, 0, 0, 1, 4);
    grid->addWidget(paperList_, 1, 0, 1, 4);
    auto* widthLabel = new QLabel(ToQ(PaperWidth), paperGroup);
    auto* heightLabel = new QLabel(ToQ(PaperHeight), paperGroup);
    paperWidth_ = NewLengthBox(paperGroup);
    paperHeight_ = NewLengthBox(paperGroup);
    widthLabel->setBuddy(paperWidth_);
    heightLabel->setBuddy(paperHeight_);
    grid->addWidget(widthLabel, 2, 0);
    grid->addWidget(paperWidth_, 2, 1);
    grid->addWidget(heightLabel, 2, 2);
    grid->addWidget(paperHeight_, 2, 3);
    paperSourceLabel_ = new QLabel(ToQ(PaperSource), paperGroup);
    paperSource_ = new QComboBox(paperGroup);
    paperSource_->setItemDelegate(new PaperRowDelegate(paperSource_, true));
    paperSourceLabel_->setBuddy(paperSource_);
    paperSourceLabel_->installEventFilter(this);
    grid->addWidget(paperSourceLabel_, 3, 0);
    grid->addWidget(paperSource_, 3, 1, 1, 3);
  }
  col->addWidget(paperGroup);
  connect(paperList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (loading_ || row < 0) return;
    SetModified();
    ApplyPaper(row);
    UpdateMarginStates(false);
  });
  for (TdxPSSpinEdit* box : {paperWidth_, paperHeight_}) {
    box->OnChange = [this](TdxPSSpinEdit&) { SetModified(); };
    box->OnExit = [this](TdxPSSpinEdit&) { PaperSizeChanged(); };
    box->OnButtonClick = [this](TdxPSSpinEdit&, TdxButtonType, TUDBtnType) { PaperSizeChanged(); };
  }
  connect(paperSource_, QOverload<int>::of(&QComboBox::activated), this, [this](int row) {
    if (loading_ || row < 0 || row >= int(binRows_.size())) return;
    const auto* bins = GetPrintDevice().BinEntries();
    if (!bins || binRows_[std::size_t(row)] >= int(bins->size())) return;
    WorkingPage().SetPaperSource((*bins)[std::size_t(binRows_[std::size_t(row)])].Id);
    SetModified();
  });

  auto* middle = new QHBoxLayout;
  orientationGroup_ = NewGroup(Orientation, sheet);
  {
    auto* row = new QHBoxLayout(orientationGroup_);
    orientationPreview_ = new TdxPreview(orientationGroup_);
    orientationPreview_->setFixedSize(52, 52);
    orientationPreview_->SetPageCount(1);
    orientationPreview_->SetBorderStyle(bsNone);
    orientationPreview_->SetScrollBars(ssNone);
    orientationPreview_->SetLookAndFeel(plfFlat);
    orientationPreview_->SetColor(clBtnFace);
    orientationPreview_->SetOptionsHint(0);
    orientationPreview_->SetOptionsView(dxBit(povDefaultDrawPageBackground));
    orientationPreview_->SetOptionsZoom(0);
    orientationPreview_->SetOptionsBehavior(0);
    orientationPreview_->SetMinHeaderSize(0);
    orientationPreview_->SetMinFooterSize(0);
    orientationPreview_->SetMinUsefulSize(TPoint{1, 1});
    orientationPreview_->SetZoomMode(pzmPages);
    orientationPreview_->setEnabled(false);
    row->addWidget(orientationPreview_);
    auto* radios = new QVBoxLayout;
    portrait_ = new QRadioButton(ToQ(Portrait), orientationGroup_);
    landscape_ = new QRadioButton(ToQ(Landscape), orientationGroup_);
    radios->addWidget(portrait_);
    radios->addWidget(landscape_);
    row->addLayout(radios);
    for (QRadioButton* b : {portrait_, landscape_}) b->installEventFilter(this);
    connect(portrait_, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OrientationClicked(poPortrait);
    });
    connect(landscape_, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OrientationClicked(poLandscape);
    });
  }
  middle->addWidget(orientationGroup_);
  orderGroup_ = NewGroup(PrintOrder, sheet);
  {
    auto* row = new QHBoxLayout(orderGroup_);
    auto* radios = new QVBoxLayout;
    overThenDown_ = new QRadioButton(ToQ(OverThenDown), orderGroup_);
    downThenOver_ = new QRadioButton(ToQ(DownThenOver), orderGroup_);
    radios->addWidget(overThenDown_);
    radios->addWidget(downThenOver_);
    row->addLayout(radios);
    orderPicture_ = new OrderPicture(orderGroup_);
    orderPicture_->installEventFilter(this);
    row->addWidget(orderPicture_);
    auto setOrder = [this](TdxPageOrder order) {
      if (loading_) return;
      WorkingPage().SetPageOrder(order);
      static_cast<OrderPicture*>(orderPicture_)->SetOrder(order);
      SetModified();
    };
    connect(overThenDown_, &QRadioButton::toggled, this, [setOrder](bool on) {
      if (on) setOrder(poOverThenDown);
    });
    connect(downThenOver_, &QRadioButton::toggled, this, [setOrder](bool on) {
      if (on) setOrder(poDownThenOver);
    });
  }
  middle->addWidget(orderGroup_);
  col->addLayout(middle);

  shadingGroup_ = NewGroup(Shading, sheet);
  {
    auto* row = new QHBoxLayout(shadingGroup_);
    grayShading_ = new QCheckBox(ToQ(PrintUsingGrayShading), shadingGroup_);
    row->addWidget(grayShading_);
    connect(grayShading_, &QCheckBox::toggled, this, [this](bool on) {
      if (loading_) return;
      WorkingPage().SetGrayShading(on);
      SetModified();
    });
  }
  col->addWidget(shadingGroup_);
  col->addStretch(1);
  return sheet;
}

// ---- Page tab ----

void TdxfmPageSetupDialog::FillPapers() {
  TdxPrinterPage& page = WorkingPage();
  const bool wasLoading = loading_;
  loading_ = true;
  paperList_->clear();
  paperRows_.clear();
  const std::vector<TdxPaperInfo>* papers = nullptr;
  TdxPrintDevice& device = GetPrintDevice();
  try {
    papers = device.PaperEntries();
  } catch (const Exception&) {
    papers = nullptr;
  }
  int selected = -1;
  if (papers) {
    const TPoint portrait = page.PageSizeLoMetric();
    for (const TdxPaperInfo& paper : *papers) {
      if (paper.DMPaper() != 256) continue;
      // The device's entry is meant to take user-defined sizes.
      auto& custom = const_cast<TdxPaperInfo&>(paper);
      custom.SetWidth(portrait.X);
      custom.SetHeight(portrait.Y);
    }
    for (int i = 0; i < int(papers->size()); ++i) {
      const TdxPaperInfo& paper = (*papers)[std::size_t(i)];
      if (!working_->FilterPaper(paper)) continue;
      if (!working_->AllowCustomPaperSizes && paper.DMPaper() >= 256) continue;
      auto* item = new QListWidgetItem(ToQ(paper.Name()));
      item->setData(kPaperKindRole, paper.DMPaper());
      item->setData(kPaperEnvelopeRole, device.IsEnvelopePaper(i));
      paperList_->addItem(item);
      paperRows_.push_back(i);
    }
    for (int row = 0; row < int(paperRows_.size()) && selected < 0; ++row)
      if ((*papers)[std::size_t(paperRows_[std::size_t(row)])].DMPaper() == page.DMPaper()) selected = row;
    if (selected < 0 && working_->AllowCustomPaperSizes)
      for (int row = 0; row < int(paperRows_.size()) && selected < 0; ++row)
        if (ToQ((*papers)[std::size_t(paperRows_[std::size_t(row)])].Name()).contains("Custom"))
          selected = row;
    if (selected < 0 && !paperRows_.empty()) selected = 0;
  }
  paperList_->setEnabled(!paperRows_.empty() && working_->AllowChangePaper);
  if (selected >= 0) {
    paperList_->setCurrentRow(selected);
    ApplyPaper(selected);
  }
  loading_ = wasLoading;
}

void TdxfmPageSetupDialog::FillBins() {
  const bool wasLoading = loading_;
  loading_ = true;
  paperSource_->clear();
  binRows_.clear();
  TdxPrintDevice& device = GetPrintDevice();
  const std::vector<TdxBinEntry>* bins = nullptr;
  try {
    bins = device.BinEntries();
  } catch (const Exception&) {
    bins = nullptr;
  }
  int selected = -1;
  if (bins) {
    for (int i = 0; i < int(bins->size()); ++i) {
      const TdxBinEntry& bin = (*bins)[std::size_t(i)];
      paperSource_->addItem(ToQ(bin.Name));
      paperSource_->setItemData(paperSource_->count() - 1, device.IsAutomaticBin(i), kPaperEnvelopeRole);
      binRows_.push_back(i);
      if (selected < 0 && bin.Id == WorkingPage().PaperSource()) selected = i;
    }
    if (selected < 0 && !binRows_.empty()) selected = 0;
  }
  paperSource_->setEnabled(!binRows_.empty());
  paperSource_->setCurrentIndex(selected);
  loading_ = wasLoading;
}

void TdxfmPageSetupDialog::ApplyPaper(int row) {
  if (row < 0 || row >= int(paperRows_.size())) return;
  const std::vector<TdxPaperInfo>* papers = GetPrintDevice().PaperEntries();
  if (!papers || paperRows_[std::size_t(row)] >= int(papers->size())) return;
  WorkingPage().SetDMPaper((*papers)[std::size_t(paperRows_[std::size_t(row)])].DMPaper());
  const TPoint size = WorkingPage().PageSizeLoMetric();
  sample_->OriginalPageSize().SetPoint(size);
  orientationPreview_->OriginalPageSize().SetPoint(OrientationPictureSize(size));
  LoadPaperSizeBoxes();
  RecalcMarginLimits();
}

void TdxfmPageSetupDialog::SelectPaperOfPage() {
  const bool wasLoading = loading_;
  loading_ = true;
  int row = -1;
  for (int i = 0; i < paperList_->count() && row < 0; ++i)
    if (paperList_->item(i)->data(kPaperKindRole).toInt() == WorkingPage().DMPaper()) row = i;
  paperList_->setCurrentRow(row);
  loading_ = wasLoading;
}

void TdxfmPageSetupDialog::LoadPaperSizeBoxes() {
  TdxPrintDevice& device = GetPrintDevice();
  int smallest[2] = {500, 500}, largest[2] = {5000, 5000};
  try {
    for (int axis = 0; axis < 2; ++axis) {
      smallest[axis] = device.SmallestPaper(axis);
      largest[axis] = device.LargestPaper(axis);
    }
  } catch (const Exception&) {
  }
  const TdxPrinterPage& page = WorkingPage();
  const bool landscape = page.Orientation() == poLandscape;
  const double div = Inches() ? 254.0 : 10.0;
  const int wAxis = landscape ? 1 : 0, hAxis = landscape ? 0 : 1;
  SetBoxLimits(paperWidth_, smallest[wAxis] / div, largest[wAxis] / div);
  SetBoxLimits(paperHeight_, smallest[hAxis] / div, largest[hAxis] / div);
  const TPoint size = page.OrientedPageSize();
  paperWidth_->SetValue(ToBox(size.X));
  paperHeight_->SetValue(ToBox(size.Y));
}

void TdxfmPageSetupDialog::PaperSizeChanged() {
  if (loading_ || !working_ || paperWidth_->isReadOnly()) return;
  TdxPrinterPage& page = WorkingPage();
  const int w = FromBox(paperWidth_->Value()), h = FromBox(paperHeight_->Value());
  const TPoint old = page.OrientedPageSize();
  if (w == old.X && h == old.Y) return;
  page.SetOrientedPageSize(w, h);
  SetModified();
  const TPoint size = page.PageSizeLoMetric();
  sample_->OriginalPageSize().SetPoint(size);
  orientationPreview_->OriginalPageSize().SetPoint(OrientationPictureSize(size));
  // The page may have kept its size within its limits.
  const TPoint now = page.OrientedPageSize();
  paperWidth_->SetValue(ToBox(now.X));
  paperHeight_->SetValue(ToBox(now.Y));
  RecalcMarginLimits();
  SelectPaperOfPage();
  UpdateMarginStates(true);
}

void TdxfmPageSetupDialog::LoadSamplePages() {
  const TdxPrinterPage& page = WorkingPage();
  const TPoint size = page.PageSizeLoMetric();
  const TdxPreviewPaperOrientation orientation = page.Orientation() == poLandscape ? ppoLandscape : ppoPortrait;
  for (TdxPreview* p : {sample_, orientationPreview_}) {
    p->SetMeasurementUnits(Inches() ? pmuInches : pmuMillimeters);
    p->OriginalPageSize().SetPoint(p == sample_ ? size : OrientationPictureSize(size));
    p->SetOrientation(orientation);
  }
  const TRect m = page.MarginsLoMetric();
  SetSampleLines(page.HeaderLoMetric(), m.Top, page.FooterLoMetric(), m.Bottom, m.Left, m.Right);
}

void TdxfmPageSetupDialog::OrientationClicked(TdxPrinterOrientation orientation) {
  if (loading_ || !working_ || WorkingPage().Orientation() == orientation) return;
  SetModified();
  const TdxPreviewPaperOrientation o = orientation == poLandscape ? ppoLandscape : ppoPortrait;
  sample_->SetOrientation(o);
  orientationPreview_->SetOrientation(o);
  WriteMarginsToPage();
  WorkingPage().SetOrientation(orientation);
  LoadPaperSizeBoxes();
  RecalcMarginLimits();
  LoadMarginBoxes();
  UpdateMarginStates(true);
}
