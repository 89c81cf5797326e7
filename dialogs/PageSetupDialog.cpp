#include "dialogs/PageSetupDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
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

using namespace dxPSPageSetupTexts;

namespace {

// ---- Sizes --------------------------------------------------------------------------------

constexpr int kWindowWidth = 530;
constexpr int kButtonPanelHeight = 39;
constexpr int kButtonWidth = 75;
constexpr int kWideButtonWidth = 86;
constexpr int kButtonHeight = 23;
constexpr int kPaperRowHeight = 18;
constexpr int kBackgroundButtonHeight = 26;
constexpr int kBackgroundPictureWidth = 95;
constexpr int kArrowPartWidth = 20;
constexpr int kMaxStyleCaption = 31;
constexpr int kGridCellWidth = 15;
constexpr int kGridCellHeight = 7;
constexpr int kOrderPictureWidth = 74;
constexpr int kOrderPictureHeight = 49;

constexpr int kPaperEnvelopeRole = Qt::UserRole + 1;  // bool: envelope paper / automatic source
constexpr int kPaperKindRole = Qt::UserRole + 2;

QString ToQ(const std::string& s) { return QString::fromStdString(s); }

// A text without the ampersand of its mnemonic.
std::string StripAmp(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

// Rounds a page-unit length up (down) to the hundredths the boxes show.
int CeilToShown(long long v) { return int(v >= 0 ? (v + 9) / 10 * 10 : -((-v) / 10 * 10)); }
int FloorToShown(long long v) { return int(v >= 0 ? v / 10 * 10 : -((-v + 9) / 10 * 10)); }

// ---- Pictures -------------------------------------------------------------------------------

QImage MakeImage(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

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

QIcon AlignmentIcon(TdxTextAlignY align) {
  QImage image = MakeImage(16, 16);
  QPainter p(&image);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(1, 1, 13, 13);
  const int y0 = align == taTop ? 3 : align == taCenterY ? 6 : 9;
  p.setPen(Qt::black);
  for (int i = 0; i < 3; ++i) p.drawLine(4, y0 + 2 * i, 11, y0 + 2 * i);
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

// The print order picture.
class OrderPicture : public QWidget {
 public:
  explicit OrderPicture(QWidget* parent) : QWidget(parent) { setFixedSize(kOrderPictureWidth, kOrderPictureHeight); }
  void SetOrder(TdxPageOrder order) {
    order_ = order;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QImage image = OrderImage(order_ == poDownThenOver ? 0 : 1);
    if (isEnabled()) {
      p.drawImage(0, 0, image);
    } else {
      QIcon icon(QPixmap::fromImage(image));
      icon.paint(&p, rect(), Qt::AlignCenter, QIcon::Disabled);
    }
  }

 private:
  TdxPageOrder order_ = poOverThenDown;
};

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

TdxPSSpinEdit* NewIntegerBox(QWidget* parent, int minValue, int maxValue) {
  auto* box = new TdxPSSpinEdit(parent);
  box->SetValueType(svtInteger);
  box->SetMinValue(minValue);
  box->SetMaxValue(maxValue);
  box->SetIncrement(1);
  box->setMinimumWidth(60);
  return box;
}

// The orientation picture shows the page's proportions only: a page whose
// longer side is 10 cm fits the small picture at any paper size.
TPoint OrientationPictureSize(TPoint portrait) {
  const int longer = std::max({portrait.X, portrait.Y, 1});
  return {std::max(1, MulDiv(portrait.X, 1000, longer)), std::max(1, MulDiv(portrait.Y, 1000, longer))};
}

QGroupBox* NewGroup(const char* caption, QWidget* parent) { return new QGroupBox(QString::fromUtf8(caption), parent); }

int AskWarning(TdxPageSetupWarning kind, const std::string& text, const std::vector<std::string>& buttons,
               QWidget* parent) {
  TdxPageSetupWarningBox box(kind, text, buttons, parent);
  RunModal(box);
  return box.Answer();
}

}  // namespace

// ---------------------------------------------------------------------------
// TdxPageSetupWarningBox

TdxPageSetupWarningBox::TdxPageSetupWarningBox(TdxPageSetupWarning kind, const std::string& text,
                                               const std::vector<std::string>& captions, QWidget* parent)
    : QMessageBox(QMessageBox::Warning, ToQ(Application::Title()), ToQ(text), QMessageBox::NoButton, parent),
      kind_(kind),
      captions_(captions) {
  for (const std::string& caption : captions) {
    if (caption == dxPSPageSetupTexts::Ignore)
      buttons_.push_back(addButton(QMessageBox::Ignore));
    else
      buttons_.push_back(addButton(ToQ(caption), QMessageBox::AcceptRole));
  }
}

int TdxPageSetupWarningBox::Answer() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (clickedButton() == buttons_[i]) return int(i);
  return int(buttons_.size()) - 1;
}

// ---------------------------------------------------------------------------
// TdxPageSetupDialog

TdxPageSetupDialog::TdxPageSetupDialog(QObject* owner) : QObject(owner) {}

TdxPageSetupDialog::~TdxPageSetupDialog() = default;

std::string TdxPageSetupDialog::DialogCaption(const TBasedxPrintStyle& style) const {
  std::string caption = Title;
  if (style.StyleManager()) {
    caption += ": " + style.StyleCaption();
    if (caption.size() >= 2 && caption[caption.size() - 2] == ':') caption.erase(caption.size() - 2, 1);
  }
  return caption;
}

bool TdxPageSetupDialog::Execute() {
  QPointer<TBasedxPrintStyle> style = printStyle_;
  if (!style) return false;
  TdxPageSetupDlgData data;
  data.PrintStyle = style;
  data.ActivePageIndex = ActivePageIndex;
  data.Caption = DialogCaption(*style);
  data.HelpContext = HelpContext;
  data.HFMode = HFMode;
  data.ButtonsEnabled = ButtonsEnabled;
  data.ButtonsVisible = ButtonsVisible;
  if (!style->HasOptions()) data.ButtonsVisible &= ~dxPSBit(psbStyleOptions);
  data.OptionsEnabled = OptionsEnabled;
  data.OptionsVisible = OptionsVisible;
  data.OnClose = [this] {
    if (OnClose) OnClose(*this);
  };
  data.OnShow = [this] {
    if (OnShow) OnShow(*this);
  };
  data.OnCustomDrawPreview = OnCustomDrawPreview;

  bool ok = false;
  {
    TdxfmPageSetupDialog window;
    window.Initialize(data);
    window.LoadValues();
    ok = window.Execute();
    // The style may have gone while the window was open.
    if (ok && style) {
      if (window.Modified()) style->Assign(window.WorkingStyle());
      if (data.PreviewBtnClicked || data.PrintBtnClicked) style->SetIsCurrentStyle(true);
    }
  }
  previewBtnClicked_ = data.PreviewBtnClicked;
  printBtnClicked_ = data.PrintBtnClicked;
  return ok;
}

// ---------------------------------------------------------------------------
// TdxfmPageSetupDialog: construction

TdxfmPageSetupDialog::TdxfmPageSetupDialog(QWidget* parent) : TCustomdxPSForm(parent, Qt::Dialog) {
  setObjectName("dxfmPageSetupDialog");
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
  setPalette(pal);
  CreateControls();
}

TdxfmPageSetupDialog::~TdxfmPageSetupDialog() {
  finished_ = true;
  // Children outlive the working copy while the window is taken apart: no
  // handler may reach it any more.
  for (QPlainTextEdit* box : textBoxes_)
    if (box) box->removeEventFilter(this);
  for (TdxPSSpinEdit* box : {paperWidth_, paperHeight_, scaleFactor_, fitWide_, fitTall_, marginBoxes_[0],
                             marginBoxes_[1], marginBoxes_[2], marginBoxes_[3], marginBoxes_[4], marginBoxes_[5]}) {
    if (!box) continue;
    box->OnChange = nullptr;
    box->OnExit = nullptr;
    box->OnEnter = nullptr;
    box->OnButtonClick = nullptr;
  }
  for (TdxPreview* preview : {sample_, orientationPreview_}) {
    if (!preview) continue;
    preview->OnDrawPageContent = nullptr;
    preview->OnAfterDragMargin = nullptr;
  }
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void TdxfmPageSetupDialog::CreateControls() {
  setFixedWidth(kWindowWidth);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  stylePanel_ = new QWidget(this);
  stylePanel_->setFixedHeight(34);
  {
    auto* row = new QHBoxLayout(stylePanel_);
    row->setContentsMargins(8, 8, 8, 2);
    auto* label = new QLabel(QString::fromUtf8(StyleName), stylePanel_);
    styleName_ = new QLineEdit(stylePanel_);
    styleName_->setMaxLength(kMaxStyleCaption);
    label->setBuddy(styleName_);
    row->addWidget(label);
    row->addWidget(styleName_, 1);
    connect(styleName_, &QLineEdit::textEdited, this, [this] { SetModified(); });
    connect(styleName_, &QLineEdit::editingFinished, this, [this] { StyleNameLeft(); });
  }
  root->addWidget(stylePanel_);

  auto* tabHolder = new QWidget(this);
  {
    auto* l = new QVBoxLayout(tabHolder);
    l->setContentsMargins(8, 8, 8, 0);
    tabs_ = new QTabWidget(tabHolder);
    l->addWidget(tabs_);
  }
  root->addWidget(tabHolder);
  sheets_[pstPage] = CreatePageTab();
  sheets_[pstMargins] = CreateMarginsTab();
  sheets_[pstHeaderFooter] = CreateHeaderFooterTab();
  sheets_[pstScaling] = CreateScalingTab();
  tabs_->addTab(sheets_[pstPage], QString::fromUtf8(TabPage));
  tabs_->addTab(sheets_[pstMargins], QString::fromUtf8(TabMargins));
  tabs_->addTab(sheets_[pstHeaderFooter], QString::fromUtf8(TabHeaderFooter));
  tabs_->addTab(sheets_[pstScaling], QString::fromUtf8(TabScaling));
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { TabChanged(index); });

  buttonPanel_ = new QWidget(this);
  buttonPanel_->setFixedHeight(kButtonPanelHeight);
  ok_ = new QPushButton(QString::fromUtf8(OK), buttonPanel_);
  cancel_ = new QPushButton(QString::fromUtf8(Cancel), buttonPanel_);
  help_ = new QPushButton(QString::fromUtf8(Help), buttonPanel_);
  options_ = new QPushButton(QString::fromUtf8(Options), buttonPanel_);
  preview_ = new QPushButton(QString::fromUtf8(PrintPreview), buttonPanel_);
  print_ = new QPushButton(QString::fromUtf8(Print), buttonPanel_);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] { CloseWithOK(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { CloseWithCancel(); });
  connect(options_, &QPushButton::clicked, this, [this] {
    if (working_ && working_->EditOptions()) modified_ = true;
  });
  connect(preview_, &QPushButton::clicked, this, [this] {
    modified_ = true;
    previewChosen_ = true;
    CloseWithOK();
  });
  connect(print_, &QPushButton::clicked, this, [this] {
    modified_ = true;
    printChosen_ = true;
    CloseWithOK();
  });
  root->addWidget(buttonPanel_);
}

QWidget* TdxfmPageSetupDialog::CreatePageTab() {
  auto* sheet = new QWidget;
  auto* col = new QVBoxLayout(sheet);

  auto* paperGroup = NewGroup(Paper, sheet);
  {
    auto* grid = new QGridLayout(paperGroup);
    auto* typeLabel = new QLabel(QString::fromUtf8(PaperType), paperGroup);
    paperList_ = new QListWidget(paperGroup);
    paperList_->setItemDelegate(new PaperRowDelegate(paperList_, false));
    paperList_->setUniformItemSizes(true);
    paperList_->setFixedHeight(5 * kPaperRowHeight + 4);
    typeLabel->setBuddy(paperList_);
    grid->addWidget(typeLabel, 0, 0, 1, 4);
    grid->addWidget(paperList_, 1, 0, 1, 4);
    auto* widthLabel = new QLabel(QString::fromUtf8(PaperWidth), paperGroup);
    auto* heightLabel = new QLabel(QString::fromUtf8(PaperHeight), paperGroup);
    paperWidth_ = NewLengthBox(paperGroup);
    paperHeight_ = NewLengthBox(paperGroup);
    widthLabel->setBuddy(paperWidth_);
    heightLabel->setBuddy(paperHeight_);
    grid->addWidget(widthLabel, 2, 0);
    grid->addWidget(paperWidth_, 2, 1);
    grid->addWidget(heightLabel, 2, 2);
    grid->addWidget(paperHeight_, 2, 3);
    paperSourceLabel_ = new QLabel(QString::fromUtf8(PaperSource), paperGroup);
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
    orientationPreview_->SetOptionsView(dxPreviewBit(povDefaultDrawPageBackground));
    orientationPreview_->SetOptionsZoom(0);
    orientationPreview_->SetOptionsBehavior(0);
    orientationPreview_->SetMinHeaderSize(0);
    orientationPreview_->SetMinFooterSize(0);
    orientationPreview_->SetMinUsefulSize(TPoint{1, 1});
    orientationPreview_->SetZoomMode(pzmPages);
    orientationPreview_->setEnabled(false);
    row->addWidget(orientationPreview_);
    auto* radios = new QVBoxLayout;
    portrait_ = new QRadioButton(QString::fromUtf8(Portrait), orientationGroup_);
    landscape_ = new QRadioButton(QString::fromUtf8(Landscape), orientationGroup_);
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
    overThenDown_ = new QRadioButton(QString::fromUtf8(OverThenDown), orderGroup_);
    downThenOver_ = new QRadioButton(QString::fromUtf8(DownThenOver), orderGroup_);
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
    grayShading_ = new QCheckBox(QString::fromUtf8(PrintUsingGrayShading), shadingGroup_);
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
      marginLabels_[i] = new QLabel(QString::fromUtf8(captions[i]), marginsGroup_);
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
    fix_ = new QPushButton(QString::fromUtf8(dxPSPageSetupTexts::Fix), marginsGroup_);
    restore_ = new QPushButton(QString::fromUtf8(dxPSPageSetupTexts::RestoreOriginal), marginsGroup_);
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
  sample_->SetOptionsView(dxPreviewBit(povDefaultDrawPageBackground) | dxPreviewBit(povMargins));
  sample_->SetOptionsBehavior(dxPreviewBit(pobAllowDragMargins));
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
    centerH_ = new QCheckBox(QString::fromUtf8(Horizontally), centerGroup_);
    centerV_ = new QCheckBox(QString::fromUtf8(Vertically), centerGroup_);
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

QWidget* TdxfmPageSetupDialog::CreateHeaderFooterTab() {
  auto* sheet = new QWidget;
  auto* col = new QVBoxLayout(sheet);
  for (int f = 0; f < 2; ++f) {
    QGroupBox* panel = NewGroup(f ? Footer : Header, sheet);
    hfPanels_[f] = panel;
    auto* box = new QVBoxLayout(panel);
    hfFontRows_[f] = new QWidget(panel);
    auto* fontRow = new QHBoxLayout(hfFontRows_[f]);
    fontRow->setContentsMargins(0, 0, 0, 0);
    fontButtons_[f] = new QPushButton(QString::fromUtf8(f ? FooterFont : HeaderFont), hfFontRows_[f]);
    fontBoxes_[f] = new QLineEdit(hfFontRows_[f]);
    fontBoxes_[f]->setReadOnly(true);
    SetBoxReadOnly(fontBoxes_[f], true);
    backgroundButtons_[f] = new QPushButton(QString::fromUtf8(f ? FooterBackground : HeaderBackground), hfFontRows_[f]);
    backgroundButtons_[f]->setFixedHeight(kBackgroundButtonHeight);
    backgroundButtons_[f]->setIconSize(QSize(kBackgroundPictureWidth, kBackgroundButtonHeight - 10));
    fontRow->addWidget(fontButtons_[f]);
    fontRow->addWidget(fontBoxes_[f], 1);
    fontRow->addWidget(backgroundButtons_[f]);
    box->addWidget(hfFontRows_[f]);
    hfTextRows_[f] = new QWidget(panel);
    auto* textRow = new QHBoxLayout(hfTextRows_[f]);
    textRow->setContentsMargins(0, 0, 0, 0);
    for (int part = 0; part < 3; ++part) {
      const int index = f * 3 + part;
      auto* text = new QPlainTextEdit(hfTextRows_[f]);
      text->setFixedHeight(52);
      text->setTabChangesFocus(true);
      text->setLineWrapMode(QPlainTextEdit::NoWrap);
      text->installEventFilter(this);
      textBoxes_[index] = text;
      textRow->addWidget(text);
      connect(text, &QPlainTextEdit::textChanged, this, [this] { SetModified(); });
    }
    box->addWidget(hfTextRows_[f]);
    connect(fontButtons_[f], &QPushButton::clicked, this, [this, f] { ChooseFont(f == 1); });
    connect(backgroundButtons_[f], &QPushButton::clicked, this, [this, f] { ChooseSectionBackground(f == 1); });
    col->addWidget(panel);
  }

  toolRow_ = new QWidget(sheet);
  {
    auto* row = new QHBoxLayout(toolRow_);
    row->setContentsMargins(0, 0, 0, 0);
    functionsGroup_ = NewGroup(PredefinedFunctions, toolRow_);
    auto* fl = new QHBoxLayout(functionsGroup_);
    fl->addStretch(1);
    functionBar_ = new QToolBar(functionsGroup_);
    fl->addWidget(functionBar_);
    fl->addStretch(1);
    row->addWidget(functionsGroup_, 1);
    alignmentGroup_ = NewGroup(VerticalAlignment, toolRow_);
    auto* al = new QHBoxLayout(alignmentGroup_);
    auto* group = new QButtonGroup(alignmentGroup_);
    const TdxTextAlignY aligns[3] = {taTop, taCenterY, taBottom};
    const char* hints[3] = {AlignTop, AlignCenter, AlignBottom};
    for (int i = 0; i < 3; ++i) {
      auto* b = new QToolButton(alignmentGroup_);
      b->setCheckable(true);
      b->setAutoRaise(true);
      b->setFocusPolicy(Qt::NoFocus);
      b->setIcon(AlignmentIcon(aligns[i]));
      b->setToolTip(QString::fromUtf8(hints[i]));
      group->addButton(b, i);
      al->addWidget(b);
      alignButtons_[i] = b;
      const TdxTextAlignY align = aligns[i];
      connect(b, &QToolButton::clicked, this, [this, align] { AlignmentClicked(align); });
    }
    row->addWidget(alignmentGroup_);
  }
  col->addWidget(toolRow_);
  reverse_ = new QCheckBox(QString::fromUtf8(ReverseOnEvenPages), sheet);
  connect(reverse_, &QCheckBox::toggled, this, [this](bool on) {
    if (loading_) return;
    WorkingPage().SetReverseTitlesOnEvenPages(on);
    SetModified();
  });
  col->addWidget(reverse_);
  col->addStretch(1);
  return sheet;
}

QWidget* TdxfmPageSetupDialog::CreateScalingTab() {
  auto* sheet = new QWidget;
  auto* col = new QVBoxLayout(sheet);
  auto* group = NewGroup(Scaling, sheet);
  auto* grid = new QGridLayout(group);
  adjustTo_ = new QRadioButton(QString::fromUtf8(AdjustTo), group);
  fitTo_ = new QRadioButton(QString::fromUtf8(FitTo), group);
  scaleFactor_ = NewIntegerBox(group, 10, 500);
  fitWide_ = NewIntegerBox(group, 1, 100);
  fitTall_ = NewIntegerBox(group, 1, 100);
  auto* normal = new QLabel(QString::fromUtf8(NormalSize), group);
  auto* wideBy = new QLabel(QString::fromUtf8(PagesWideBy), group);
  auto* tall = new QLabel(QString::fromUtf8(Tall), group);
  wideBy->setBuddy(fitTall_);
  tall->setBuddy(fitTall_);
  grid->addWidget(adjustTo_, 0, 0);
  grid->addWidget(scaleFactor_, 0, 1);
  grid->addWidget(normal, 0, 2, 1, 3);
  grid->addWidget(fitTo_, 1, 0);
  grid->addWidget(fitWide_, 1, 1);
  grid->addWidget(wideBy, 1, 2);
  grid->addWidget(fitTall_, 1, 3);
  grid->addWidget(tall, 1, 4);
  grid->setColumnStretch(5, 1);
  col->addWidget(group);
  col->addStretch(1);

  connect(adjustTo_, &QRadioButton::clicked, this, [this] {
    SetModified();
    SetScaleMode(smAdjust, true);
  });
  connect(fitTo_, &QRadioButton::clicked, this, [this] {
    SetModified();
    SetScaleMode(smFit, true);
  });
  // The boxes take their values into the page when they are left after an
  // edit; typing chooses the matching mode.
  scaleFactor_->OnChange = [this](TdxPSSpinEdit& box) {
    if (loading_) return;
    SetModified();
    box.setProperty("dxEdited", true);
    if (!adjustTo_->isChecked()) SetScaleMode(smAdjust, false);
  };
  scaleFactor_->OnExit = [this](TdxPSSpinEdit& box) {
    if (loading_ || !working_ || !box.property("dxEdited").toBool()) return;
    box.setProperty("dxEdited", false);
    SetScaleMode(smAdjust, false);
    WorkingPage().SetScaleFactor(box.AsInteger());
  };
  for (TdxPSSpinEdit* box : {fitWide_, fitTall_}) {
    box->OnChange = [this](TdxPSSpinEdit& b) {
      if (loading_) return;
      SetModified();
      b.setProperty("dxEdited", true);
      if (!fitTo_->isChecked()) SetScaleMode(smFit, false);
    };
    box->OnExit = [this](TdxPSSpinEdit& b) {
      if (loading_ || !working_ || !b.property("dxEdited").toBool()) return;
      b.setProperty("dxEdited", false);
      TdxPrinterPage& page = WorkingPage();
      page.SetFitToPagesByWide(fitWide_->AsInteger());
      page.SetFitToPagesByTall(fitTall_->AsInteger());
      // The counts alone do not change the chosen mode.
      page.SetScaleMode(adjustTo_->isChecked() ? smAdjust : smFit);
    };
  }
  return sheet;
}

// ---------------------------------------------------------------------------
// Preparing

void TdxfmPageSetupDialog::Initialize(TdxPageSetupDlgData& data) {
  data_ = &data;
  source_ = data.PrintStyle;
  manager_ = source_ ? source_->StyleManager() : nullptr;
  TdxClass cls = source_ ? source_->ClassType() : TdxPSPrintStyle::StaticClass();
  if (!cls->CanCreate()) cls = TdxPSPrintStyle::StaticClass();
  working_ = dxCreateObject<TBasedxPrintStyle>(cls);
  if (source_) working_->Assign(*source_);

  setWindowTitle(ToQ(data.Caption));
  helpContext_ = data.HelpContext;
  onShow_ = data.OnShow;
  onClose_ = data.OnClose;
  onCustomDrawPreview_ = data.OnCustomDrawPreview;

  options_->setEnabled(data.ButtonsEnabled & dxPSBit(psbStyleOptions));
  preview_->setEnabled(data.ButtonsEnabled & dxPSBit(psbPreview));
  print_->setEnabled(data.ButtonsEnabled & dxPSBit(psbPrint));
  options_->setVisible(data.ButtonsVisible & dxPSBit(psbStyleOptions));
  preview_->setVisible(data.ButtonsVisible & dxPSBit(psbPreview));
  print_->setVisible(data.ButtonsVisible & dxPSBit(psbPrint));

  ApplyOptions();
  ApplyPermissions();
  if (OptionVisible(psoHFFunctions)) BuildFunctionToolBar();

  const std::string unit = UnitText();
  for (TdxPSSpinEdit* box : {paperWidth_, paperHeight_}) box->SetLegendText(unit);
  for (TdxPSSpinEdit* box : marginBoxes_) box->SetLegendText(unit);
  LoadPaperSizeBoxes();

  int first = std::clamp(data.ActivePageIndex, 0, 3);
  if (!TabVisible(TdxPageSetupTab(first))) first = pstPage;
  tabReverting_ = true;
  tabs_->setCurrentIndex(first);
  tabReverting_ = false;
  currentTab_ = first;

  if (source_ && source_->IsCloning()) modified_ = true;
  PlaceButtons();
  adjustSize();
}

bool TdxfmPageSetupDialog::TabVisible(TdxPageSetupTab tab) const { return tabs_->isTabVisible(int(tab)); }

void TdxfmPageSetupDialog::ApplyOptions() {
  const bool marginsGroup = OptionVisible(psoMargins);
  centerGroup_->setVisible(OptionVisible(psoCenterOnPage));
  marginsGroup_->setVisible(marginsGroup);
  distancePanel_->setVisible(marginsGroup && OptionVisible(psoHFMargins));
  orderGroup_->setVisible(OptionVisible(psoPageOrder));
  shadingGroup_->setVisible(OptionVisible(psoShading));
  stylePanel_->setVisible(OptionVisible(psoStyleCaption));
  functionsGroup_->setVisible(OptionVisible(psoHFFunctions));
  alignmentGroup_->setVisible(OptionVisible(psoHFVertAlignment));
  reverse_->setVisible(OptionVisible(psoHFReverse));
  const bool fontRow = OptionVisible(psoHFFont) || OptionVisible(psoHFBackground);
  for (int f = 0; f < 2; ++f) {
    fontButtons_[f]->setVisible(OptionVisible(psoHFFont));
    fontBoxes_[f]->setVisible(OptionVisible(psoHFFont));
    backgroundButtons_[f]->setVisible(OptionVisible(psoHFBackground));
    hfFontRows_[f]->setVisible(fontRow);
    hfTextRows_[f]->setVisible(OptionVisible(psoHFText));
    hfPanels_[f]->setVisible(fontRow || OptionVisible(psoHFText));
    for (int part = 1; part < 3; ++part)
      textBoxes_[f * 3 + part]->setVisible(data_ && data_->HFMode == hfmThreeSections);
  }
  const bool toolRow = OptionVisible(psoHFFunctions) || OptionVisible(psoHFVertAlignment);
  toolRow_->setVisible(toolRow);

  tabs_->setTabVisible(pstMargins, marginsGroup || OptionVisible(psoCenterOnPage));
  const bool panels = fontRow || OptionVisible(psoHFText);
  tabs_->setTabVisible(pstHeaderFooter, panels || toolRow || OptionVisible(psoHFReverse));
  tabs_->setTabVisible(pstScaling, working_ && working_->AllowChangeScale);

  centerH_->setEnabled(OptionEnabled(psoCenterOnPage));
  centerV_->setEnabled(OptionEnabled(psoCenterOnPage));
  overThenDown_->setEnabled(OptionEnabled(psoPageOrder));
  downThenOver_->setEnabled(OptionEnabled(psoPageOrder));
  orderPicture_->setEnabled(OptionEnabled(psoPageOrder));
  grayShading_->setEnabled(OptionEnabled(psoShading));
  for (int f = 0; f < 2; ++f) {
    backgroundButtons_[f]->setEnabled(OptionEnabled(psoHFBackground));
    fontButtons_[f]->setEnabled(OptionEnabled(psoHFFont));
  }
  reverse_->setEnabled(OptionEnabled(psoHFReverse));
}

bool TdxfmPageSetupDialog::MarginsEditable() const {
  return working_ && working_->AllowChangeMargins && OptionEnabled(psoMargins);
}

bool TdxfmPageSetupDialog::DistancesEditable() const { return MarginsEditable() && OptionEnabled(psoHFMargins); }

bool TdxfmPageSetupDialog::TextsEditable() const {
  return working_ && working_->AllowChangeHFText && OptionEnabled(psoHFText);
}

void TdxfmPageSetupDialog::SetBoxReadOnly(QWidget* box, bool readOnly) {
  if (auto* line = qobject_cast<QLineEdit*>(box)) line->setReadOnly(readOnly);
  if (auto* text = qobject_cast<QPlainTextEdit*>(box)) text->setReadOnly(readOnly);
  QPalette pal = box->palette();
  pal.setColor(QPalette::Base, ColorToQColor(readOnly ? clBtnFace : clWindow));
  box->setPalette(pal);
  box->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
}

void TdxfmPageSetupDialog::ApplyPermissions() {
  TBasedxPrintStyle& s = *working_;
  paperList_->setEnabled(s.AllowChangePaper);
  portrait_->setEnabled(s.AllowChangeOrientation);
  landscape_->setEnabled(s.AllowChangeOrientation);
  for (int i = mbTop; i <= mbRight; ++i) SetBoxReadOnly(marginBoxes_[i], !MarginsEditable());
  for (int i = mbHeader; i <= mbFooter; ++i) SetBoxReadOnly(marginBoxes_[i], !DistancesEditable());
  for (QPlainTextEdit* box : textBoxes_) SetBoxReadOnly(box, !TextsEditable());
  SetBoxReadOnly(paperWidth_, !s.AllowCustomPaperSizes);
  SetBoxReadOnly(paperHeight_, !s.AllowCustomPaperSizes);
  SetBoxReadOnly(styleName_, !source_ || source_->BuiltIn());
  sample_->SetOptionsBehavior(MarginsEditable() ? dxPreviewBit(pobAllowDragMargins) : 0u);
  UpdateSampleLineStates();
}

void TdxfmPageSetupDialog::BuildFunctionToolBar() {
  TdxHFToolBarParams params;
  params.Centered = true;
  params.AvailableWidth = kWindowWidth - 16 - 24 - 140;  // the group beside the alignment buttons
  params.OnFunctionClick = [this](int index) { InsertFunction(index); };
  params.WithAutoTextButton = manager_ != nullptr && OptionVisible(psoHFAutoText);
  if (params.WithAutoTextButton) {
    params.AvailableWidth = kWindowWidth - 16;
    params.AutoTextEntries = &manager_->AutoHFTextEntries();
    params.OnAutoTextClick = [this](int index) { InsertAutoText(index); };
  }
  BuildHFToolBar(*functionBar_, *GetHFFunctionLibrary(), params);
  functionBar_->setEnabled(OptionEnabled(psoHFFunctions));
}

void TdxfmPageSetupDialog::PlaceButtons() {
  const int y = (kButtonPanelHeight - kButtonHeight) / 2;
  const int w = kWindowWidth;
  const int slot0 = w - 8 - kButtonWidth, slot1 = slot0 - kButtonWidth - 6, slot2 = slot1 - kButtonWidth - 6;
  const bool help = helpContext_ != 0;
  help_->setVisible(help);
  ok_->setGeometry(help ? slot2 : slot1, y, kButtonWidth, kButtonHeight);
  cancel_->setGeometry(help ? slot1 : slot0, y, kButtonWidth, kButtonHeight);
  help_->setGeometry(slot0, y, kButtonWidth, kButtonHeight);
  const int left0 = 8, left1 = left0 + kWideButtonWidth + 4, left2 = left1 + kWideButtonWidth + 4;
  options_->setGeometry(left0, y, kWideButtonWidth, kButtonHeight);
  print_->setGeometry(left1, y, kWideButtonWidth, kButtonHeight);
  const bool previewTakesPrintPlace = print_->isHidden() && !preview_->isHidden();
  preview_->setGeometry(previewTakesPrintPlace ? left1 : left2, y, kWideButtonWidth, kButtonHeight);
}

// ---------------------------------------------------------------------------
// Units

bool TdxfmPageSetupDialog::Inches() const { return working_->PrinterPage().StoredUnits() == muInches; }

std::string TdxfmPageSetupDialog::UnitText() const { return Inches() ? "\"" : "mm"; }

int TdxfmPageSetupDialog::FromBox(double value) {
  const double v = std::round(value * 1000);
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return int(v);
}

int TdxfmPageSetupDialog::BoxToLoMetric(double value) const {
  return Inches() ? MulDiv(FromBox(value), 254, 1000) : FromBox(value) / 100;
}

double TdxfmPageSetupDialog::LoMetricToBox(int tenths) const { return Inches() ? tenths / 254.0 : tenths / 10.0; }

int TdxfmPageSetupDialog::BoxUnits(TdxMarginBox box) const { return FromBox(marginBoxes_[box]->Value()); }

void TdxfmPageSetupDialog::SetBoxLimits(TdxPSSpinEdit* box, double minValue, double maxValue) {
  box->SetCheckBounds(false);
  box->SetMinValue(minValue);
  box->SetMaxValue(std::max(minValue, maxValue));
  box->SetCheckBounds(true);
}

// ---------------------------------------------------------------------------
// Loading

void TdxfmPageSetupDialog::LoadValues() {
  TdxPrinterPage& page = WorkingPage();
  loading_ = true;
  FillPapers();
  FillBins();
  UpdateBackgroundPictures();
  styleName_->setText(source_ ? ToQ(source_->StyleCaption()).left(kMaxStyleCaption) : QString());
  styleName_->setModified(false);
  grayShading_->setChecked(page.GrayShading());
  SetToolBarsEnabled(false);

  RecalcMarginLimits();
  LoadMarginBoxes();
  LoadSamplePages();
  portrait_->setChecked(page.Orientation() == poPortrait);
  landscape_->setChecked(page.Orientation() == poLandscape);

  centerH_->setChecked(page.CenterOnPageH());
  centerV_->setChecked(page.CenterOnPageV());
  overThenDown_->setChecked(page.PageOrder() == poOverThenDown);
  downThenOver_->setChecked(page.PageOrder() == poDownThenOver);
  static_cast<OrderPicture*>(orderPicture_)->SetOrder(page.PageOrder());
  for (int i = 0; i < 6; ++i) {
    const auto box = TdxHFSectionBox(i);
    const TdxStrings& lines = SectionObject(box).Title(SectionPart(box));
    QStringList list;
    for (const std::string& line : lines) list << ToQ(line);
    textBoxes_[i]->setPlainText(list.join('\n'));
    textBoxes_[i]->document()->setModified(false);
  }
  UpdateFontDescription(false);
  UpdateFontDescription(true);
  adjustTo_->setChecked(page.ScaleMode() == smAdjust);
  fitTo_->setChecked(page.ScaleMode() == smFit);
  scaleFactor_->SetValue(page.ScaleFactor());
  fitWide_->SetValue(page.FitToPagesByWide());
  fitTall_->SetValue(page.FitToPagesByTall());
  reverse_->setChecked(page.ReverseTitlesOnEvenPages());
  PlaceButtons();
  loading_ = false;
  UpdateMarginStates(true);

  if (manager_ && !stylePanel_->isHidden() && !styleName_->isReadOnly())
    styleName_->setFocus();
  else if (currentTab_ == pstPage)
    paperList_->setFocus();
  else if (currentTab_ == pstMargins && !marginBoxes_[mbTop]->isReadOnly())
    marginBoxes_[mbTop]->setFocus();
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
        if (QString::fromStdString((*papers)[std::size_t(paperRows_[std::size_t(row)])].Name()).contains("Custom"))
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
  try {
    page.SetHeader(BoxUnits(mbHeader));
    page.SetFooter(BoxUnits(mbFooter));
    page.SetMargins(TRect(BoxUnits(mbLeft), BoxUnits(mbTop), BoxUnits(mbRight), BoxUnits(mbBottom)));
  } catch (...) {
    page.EndUpdate();
    throw;
  }
  page.EndUpdate();
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

// ---- Header\Footer tab ----

QToolButton* TdxfmPageSetupDialog::AlignmentButton(TdxTextAlignY align) const {
  switch (align) {
    case taTop: return alignButtons_[0];
    case taCenterY: return alignButtons_[1];
    case taBottom: return alignButtons_[2];
    default: return nullptr;
  }
}

TCustomdxPageObject& TdxfmPageSetupDialog::SectionObject(TdxHFSectionBox box) {
  TdxPrinterPage& page = WorkingPage();
  if (box <= hfbHeaderRight) return page.PageHeader();
  return page.PageFooter();
}

void TdxfmPageSetupDialog::SetToolBarsEnabled(bool enabled) {
  functionBar_->setEnabled(enabled && OptionEnabled(psoHFFunctions) && TextsEditable());
  for (QToolButton* b : alignButtons_) b->setEnabled(enabled && OptionEnabled(psoHFVertAlignment));
}

void TdxfmPageSetupDialog::PressAlignmentButton(TdxTextAlignY align) {
  // A distributed section has no button: none is down then.
  auto* group = alignButtons_[0]->group();
  group->setExclusive(false);
  for (QToolButton* b : alignButtons_) b->setChecked(false);
  if (QToolButton* b = AlignmentButton(align)) b->setChecked(true);
  group->setExclusive(true);
}

void TdxfmPageSetupDialog::TextBoxEntered(TdxHFSectionBox box) {
  if (finished_ || !working_) return;
  activeText_ = box;
  SetToolBarsEnabled(true);
  PressAlignmentButton(SectionObject(box).TextAlignY(SectionPart(box)));
}

void TdxfmPageSetupDialog::TextBoxLeft(TdxHFSectionBox box) {
  if (finished_ || !working_) return;
  StoreText(box);
  QWidget* next = QApplication::focusWidget();
  const bool toText = std::find(std::begin(textBoxes_), std::end(textBoxes_), next) != std::end(textBoxes_);
  if (!toText) {
    activeText_.reset();
    SetToolBarsEnabled(false);
  }
}

void TdxfmPageSetupDialog::StoreText(TdxHFSectionBox box) {
  QPlainTextEdit* edit = textBoxes_[box];
  if (!edit->document()->isModified()) return;
  SectionObject(box).SetTitle(SectionPart(box), dxTextToLines(edit->toPlainText().toStdString()));
  edit->document()->setModified(false);
}

void TdxfmPageSetupDialog::AlignmentClicked(TdxTextAlignY align) {
  if (!activeText_ || !working_) return;
  SectionObject(*activeText_).SetTextAlignY(SectionPart(*activeText_), align);
  SetModified();
}

void TdxfmPageSetupDialog::ReplaceSelection(TdxHFSectionBox box, const std::string& text) {
  QPlainTextEdit* edit = textBoxes_[box];
  if (edit->isReadOnly() || edit->isHidden()) return;
  edit->textCursor().insertText(ToQ(text));
  if (QApplication::focusWidget() != edit) StoreText(box);
}

void TdxfmPageSetupDialog::InsertFunction(int functionIndex) {
  if (!activeText_) return;
  TdxHFFunction* function = GetHFFunctionLibrary()->Functions(functionIndex);
  if (!function) return;
  ReplaceSelection(*activeText_, function->Token());
}

void TdxfmPageSetupDialog::InsertAutoText(int entryIndex) {
  if (!manager_) return;
  const std::vector<std::string>& entries = manager_->AutoHFTextEntries();
  if (entryIndex < 0 || entryIndex >= int(entries.size())) return;
  std::string left, center, right;
  SplitAutoTextEntry(entries[std::size_t(entryIndex)], left, center, right);
  if (center.empty() && right.empty()) {
    if (activeText_) ReplaceSelection(*activeText_, left);
    return;
  }
  const bool footer = activeText_ && *activeText_ >= hfbFooterLeft;
  const int base = footer ? hfbFooterLeft : hfbHeaderLeft;
  const std::string* parts[3] = {&left, &center, &right};
  for (int i = 0; i < 3; ++i)
    if (!parts[i]->empty()) ReplaceSelection(TdxHFSectionBox(base + i), *parts[i]);
}

void TdxfmPageSetupDialog::ChooseFont(bool footer) {
  TCustomdxPageObject& section = footer ? static_cast<TCustomdxPageObject&>(WorkingPage().PageFooter())
                                        : static_cast<TCustomdxPageObject&>(WorkingPage().PageHeader());
  TFont font = section.Font();
  if (!dxPSExecuteFontDialog(font, this)) return;
  section.SetFont(font);
  UpdateFontDescription(footer);
  SetModified();
}

void TdxfmPageSetupDialog::UpdateFontDescription(bool footer) {
  const TCustomdxPageObject& section = footer ? static_cast<const TCustomdxPageObject&>(WorkingPage().PageFooter())
                                              : static_cast<const TCustomdxPageObject&>(WorkingPage().PageHeader());
  QLineEdit* box = fontBoxes_[footer ? 1 : 0];
  box->setText(ToQ(FormatFontInfo(section.Font())));
  const QColor background = box->palette().color(QPalette::Base);
  QColor color = ColorToQColor(section.Font().Color);
  if (color.rgb() == background.rgb()) color = ColorToQColor(clWindowText);
  QPalette pal = box->palette();
  pal.setColor(QPalette::Text, color);
  box->setPalette(pal);
}

void TdxfmPageSetupDialog::ChooseSectionBackground(bool footer) {
  TCustomdxPageObject& section = footer ? static_cast<TCustomdxPageObject&>(WorkingPage().PageFooter())
                                        : static_cast<TCustomdxPageObject&>(WorkingPage().PageHeader());
  QPushButton* button = backgroundButtons_[footer ? 1 : 0];
  TdxBackgroundDlgData options;
  options.BorderNone = true;
  options.NoFillCaption = NoFill;
  if (!ChooseBackground(section.Background(), button->mapToGlobal(QPoint(0, button->height())), &options, this))
    return;
  SetModified();
  UpdateBackgroundPictures();
}

QImage TdxfmPageSetupDialog::BackgroundPicture(bool footer) const {
  const TCustomdxPageObject& section = footer ? static_cast<const TCustomdxPageObject&>(working_->PrinterPage().PageFooter())
                                              : static_cast<const TCustomdxPageObject&>(working_->PrinterPage().PageHeader());
  const TdxBackground& background = section.Background();
  const int h = std::max(1, backgroundButtons_[footer ? 1 : 0]->height() - 10);
  const int w = kBackgroundPictureWidth;
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(ColorToQColor(clBtnFace));
  QPainter p(&image);
  const QRect leftPart(0, 0, w - kArrowPartWidth, h);
  p.setPen(ColorToQColor(clBtnFace));
  p.drawRect(leftPart.adjusted(0, 0, -1, -1));
  const QRect inner = leftPart.adjusted(1, 1, -1, -1);
  auto text = [&](const char* caption) {
    p.setPen(ColorToQColor(clHighlight));
    p.drawText(inner, Qt::AlignCenter, ToQ("[" + StripAmp(caption) + "]"));
  };
  switch (background.Mode()) {
    case bmNone: text(NoFill); break;
    case bmPicture: text(Picture); break;
    case bmBrush:
    case bmBrushBitmap: {
      p.setPen(ColorToQColor(clBtnShadow));
      p.drawRect(inner.adjusted(0, 0, -1, -1));
      const QRect fill = inner.adjusted(1, 1, -1, -1);
      if (background.Mode() == bmBrush) {
        p.fillRect(fill, ColorToQColor(background.Brush().Color));
      } else if (background.HasPicture()) {
        // Picture() creates an empty bitmap on demand, hence not const; one exists here.
        const TBitmap& picture = const_cast<TdxBackground&>(background).Picture();
        p.fillRect(fill, QBrush(QPixmap::fromImage(picture.Image())));
      }
      break;
    }
  }
  // The drop-down part: button face, button face, button shadow, button
  // highlight, then the 16 x 16 arrow on button face.
  const int x = w - kArrowPartWidth;
  p.fillRect(QRect(x, 0, 2, h), ColorToQColor(clBtnFace));
  p.fillRect(QRect(x + 2, 0, 1, h), ColorToQColor(clBtnShadow));
  p.fillRect(QRect(x + 3, 0, 1, h), ColorToQColor(clBtnHighlight));
  const int ax = x + 4, ay = (h - 16) / 2;
  p.fillRect(QRect(ax, ay, 16, 16), ColorToQColor(clBtnFace));
  p.setPen(Qt::NoPen);
  p.setBrush(ColorToQColor(clBtnText));
  const QPoint arrow[] = {{ax + 5, ay + 6}, {ax + 11, ay + 6}, {ax + 8, ay + 9}};
  p.drawPolygon(arrow, 3);
  p.end();
  return image;
}

void TdxfmPageSetupDialog::UpdateBackgroundPictures() {
  for (int f = 0; f < 2; ++f) {
    const QImage picture = BackgroundPicture(f == 1);
    backgroundButtons_[f]->setIcon(QIcon(QPixmap::fromImage(picture)));
    backgroundButtons_[f]->setIconSize(picture.size());
  }
}

// ---- Scaling ----

void TdxfmPageSetupDialog::SetScaleMode(TdxScaleMode mode, bool focus) {
  if (!working_) return;
  if (!loading_) WorkingPage().SetScaleMode(mode);
  const bool wasLoading = loading_;
  loading_ = true;
  (mode == smAdjust ? adjustTo_ : fitTo_)->setChecked(true);
  loading_ = wasLoading;
  if (!focus) return;
  if (mode == smAdjust)
    scaleFactor_->setFocus();
  else
    (fitWide_->isEnabled() ? fitWide_ : fitTall_)->setFocus();
}

// ---- Style name ----

void TdxfmPageSetupDialog::StyleNameLeft() {
  if (finished_ || !working_ || styleName_->isReadOnly()) return;
  working_->SetStyleCaption(styleName_->text().toStdString());
  if (manager_ && manager_->PageSetupDialog)
    setWindowTitle(ToQ(manager_->PageSetupDialog->DialogCaption(*working_)));
  else
    setWindowTitle(ToQ(std::string(Title) + ": " + working_->StyleCaption()));
}

// ---------------------------------------------------------------------------
// Running and closing

bool TdxfmPageSetupDialog::Execute() {
  if (!RunModal()) return false;
  // A run that ended without an answer cancels.
  if (!finished_) FinishClose(false);
  hide();
  if (data_) {
    data_->PreviewBtnClicked = accepted_ && previewChosen_;
    data_->PrintBtnClicked = accepted_ && printChosen_;
  }
  return accepted_;
}

void TdxfmPageSetupDialog::FinishClose(bool ok) {
  finished_ = true;
  accepted_ = ok;
  if (!ok) previewChosen_ = printChosen_ = false;
  EndRun();
}

void TdxfmPageSetupDialog::CloseWithCancel() {
  if (finished_) return;
  if (sample_->DraggingMargin()) return;
  FinishClose(false);
}

void TdxfmPageSetupDialog::DeliverFocusedSpinExit() {
  // A value typed into the focused box counts before anything is checked.
  auto* box = dynamic_cast<TdxPSSpinEdit*>(QApplication::focusWidget());
  if (!box || !isAncestorOf(box)) return;
  box->SetValue(box->Value());
  if (box->OnExit) box->OnExit(*box);
}

void TdxfmPageSetupDialog::StoreFocusedText() {
  if (activeText_) StoreText(*activeText_);
}

int TdxfmPageSetupDialog::TabOf(QWidget* control) const {
  for (int i = 0; i < 4; ++i)
    if (sheets_[i]->isAncestorOf(control)) return i;
  return -1;
}

void TdxfmPageSetupDialog::ShowControl(QWidget* control) {
  const int tab = TabOf(control);
  if (tab >= 0 && tab != tabs_->currentIndex()) {
    tabReverting_ = true;
    tabs_->setCurrentIndex(tab);
    tabReverting_ = false;
    currentTab_ = tab;
  }
  control->setFocus();
}

bool TdxfmPageSetupDialog::CloseWithOK() {
  if (finished_) return true;
  if (sample_->DraggingMargin()) return false;
  DeliverFocusedSpinExit();
  StoreFocusedText();
  QWidget* refused = nullptr;
  if (manager_ && !styleName_->isReadOnly()) {
    const QString name = styleName_->text();
    for (int i = 0; i < manager_->Count(); ++i) {
      TBasedxPrintStyle* other = manager_->Styles(i);
      if (!other || other == source_) continue;
      if (ToQ(other->StyleCaption()).compare(name, Qt::CaseInsensitive) == 0) {
        MessageWarning(Format(DuplicateStyleName, name.toStdString().c_str()));
        refused = styleName_;
        break;
      }
    }
  }
  if (!refused) {
    bool fixedPrintable = false;
    if (FirstOutsideMargin()) {
      dxPSBeep();
      if (AskWarning(pswOutsidePrintableArea, OutsidePrintableArea, {dxPSPageSetupTexts::Fix, dxPSPageSetupTexts::Ignore}, this) == 0) {
        FixPrintableArea();
        fixedPrintable = true;
      }
    }
    if (!fixedPrintable && FirstInvalidMargin()) {
      dxPSBeep();
      AskInvalidMargins();
    }
  }
  if (refused) {
    previewChosen_ = printChosen_ = false;
    ShowControl(refused);
    return false;
  }
  WriteBack();
  FinishClose(true);
  return true;
}

void TdxfmPageSetupDialog::WriteBack() {
  if (!styleName_->isReadOnly() && styleName_->isModified())
    working_->SetStyleCaption(styleName_->text().toStdString());
  WriteMarginsToPage();
}

void TdxfmPageSetupDialog::TabChanged(int index) {
  if (tabReverting_ || finished_) return;
  if (currentTab_ == pstMargins && index != pstMargins && working_) {
    if (const std::optional<TdxMarginBox> bad = FirstInvalidMargin()) {
      dxPSBeep();
      AskInvalidMargins();
      tabReverting_ = true;
      tabs_->setCurrentIndex(pstMargins);
      tabReverting_ = false;
      marginBoxes_[*bad]->setFocus();
      return;
    }
  }
  currentTab_ = index;
}

// ---------------------------------------------------------------------------
// Events

void TdxfmPageSetupDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    CloseWithCancel();
    return;
  }
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
      !qobject_cast<QPlainTextEdit*>(QApplication::focusWidget())) {
    CloseWithOK();
    return;
  }
  TCustomdxPSForm::keyPressEvent(e);
}

void TdxfmPageSetupDialog::closeEvent(QCloseEvent* e) {
  if (!finished_) {
    if (sample_->DraggingMargin()) {
      e->ignore();
      return;
    }
    CloseWithCancel();
  }
  e->accept();
}

void TdxfmPageSetupDialog::showEvent(QShowEvent* e) {
  TCustomdxPSForm::showEvent(e);
  if (onShow_) onShow_();
}

void TdxfmPageSetupDialog::hideEvent(QHideEvent* e) {
  TCustomdxPSForm::hideEvent(e);
  if (onClose_) onClose_();
}

void TdxfmPageSetupDialog::changeEvent(QEvent* e) {
  TCustomdxPSForm::changeEvent(e);
  if (e->type() == QEvent::PaletteChange && working_ && backgroundButtons_[0]) UpdateBackgroundPictures();
}

bool TdxfmPageSetupDialog::eventFilter(QObject* watched, QEvent* e) {
  for (int i = 0; i < 6; ++i) {
    if (watched != textBoxes_[i]) continue;
    if (e->type() == QEvent::FocusIn) TextBoxEntered(TdxHFSectionBox(i));
    if (e->type() == QEvent::FocusOut) TextBoxLeft(TdxHFSectionBox(i));
    if (e->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(e);
      if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        CloseWithCancel();
        return true;
      }
    }
    return false;
  }
  if (e->type() == QEvent::MouseButtonDblClick && (watched == portrait_ || watched == landscape_)) {
    if (static_cast<QWidget*>(watched)->isEnabled()) CloseWithOK();
    return true;
  }
  if (e->type() == QEvent::MouseButtonDblClick && watched == orderPicture_) {
    if (orderPicture_->isEnabled()) (overThenDown_->isChecked() ? downThenOver_ : overThenDown_)->setChecked(true);
    return true;
  }
  if (e->type() == QEvent::MouseButtonPress) {
    if (watched == paperSourceLabel_ && paperSource_->isEnabled()) {
      paperSource_->setFocus();
      paperSource_->showPopup();
      return true;
    }
    for (int i = 0; i < 6; ++i) {
      if (watched == marginLabels_[i] && marginBoxes_[i]->isEnabled()) {
        marginBoxes_[i]->setFocus();
        return true;
      }
    }
  }
  return TCustomdxPSForm::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------
// Entry points

bool dxPSPrintStylePageSetup(TBasedxPrintStyle& style, int activePageIndex, bool* previewChosen, bool* printChosen) {
  TdxPrintStyleManager* manager = style.StyleManager();
  TdxPageSetupDialog* dialog = manager ? manager->PageSetupDialog : nullptr;
  std::unique_ptr<TdxPageSetupDialog> temporary;
  if (!dialog) {
    temporary = std::make_unique<TdxPageSetupDialog>();
    dialog = temporary.get();
  }
  // The component's own settings come back afterwards: one run without the
  // follow-ups must not hide them for the next.
  TBasedxPrintStyle* savedStyle = dialog->PrintStyle();
  const int savedPage = dialog->ActivePageIndex;
  const TdxPageSetupDlgButtons savedButtons = dialog->ButtonsVisible;
  const TdxPageSetupDlgOptions savedOptions = dialog->OptionsVisible;
  auto restore = [&] {
    dialog->SetPrintStyle(savedStyle);
    dialog->ActivePageIndex = savedPage;
    dialog->ButtonsVisible = savedButtons;
    dialog->OptionsVisible = savedOptions;
  };
  dialog->SetPrintStyle(&style);
  dialog->ActivePageIndex = activePageIndex;
  if (!previewChosen) dialog->ButtonsVisible &= ~dxPSBit(psbPreview);
  if (!printChosen) dialog->ButtonsVisible &= ~dxPSBit(psbPrint);
  if (!manager) dialog->OptionsVisible &= ~dxPSBit(psoStyleCaption);
  bool result = false;
  try {
    result = dialog->Execute();
  } catch (...) {
    restore();
    throw;
  }
  if (previewChosen) *previewChosen = dialog->PreviewBtnClicked();
  if (printChosen) *printChosen = dialog->PrintBtnClicked();
  restore();
  return result;
}

bool dxPSReportLinkPageSetup(TBasedxReportLink& link, int activePageIndex, bool* previewChosen, bool* printChosen) {
  TBasedxPrintStyle* style = nullptr;
  if (TdxPrintStyleManager* manager = link.StyleManager()) style = manager->CurrentStyle();
  std::unique_ptr<TdxPSPrintStyle> temporary;
  bool pageChanged = false;
  if (!style) {
    temporary = std::make_unique<TdxPSPrintStyle>();
    temporary->SetPrinterPage(link.PrinterPage());
    temporary->PrinterPage().OnPageParamsChanged = [&pageChanged](TdxPrinterPage&, TdxPageUpdateCodes) {
      pageChanged = true;
    };
    temporary->PrinterPage().OnPageObjectChanged = [&pageChanged](TdxPrinterPage&) { pageChanged = true; };
    style = temporary.get();
  }
  const bool hasData = link.DataProviderPresent();
  bool preview = false, print = false;
  const bool done = style->PageSetup(activePageIndex, previewChosen && hasData ? &preview : nullptr,
                                     printChosen && hasData ? &print : nullptr);
  if (temporary) {
    temporary->PrinterPage().OnPageParamsChanged = nullptr;
    temporary->PrinterPage().OnPageObjectChanged = nullptr;
    // The link re-paginates through its page's notifications.
    if (done && pageChanged) link.SetPrinterPage(temporary->PrinterPage());
  }
  if (previewChosen) *previewChosen = preview;
  if (printChosen) *printChosen = print;
  return done;
}

void dxPSRegisterPageSetupDialog() {
  dxPSPrintStyleDialogs().PageSetup = &dxPSPrintStylePageSetup;
  dxPSSetPageSetupDialog(&dxPSReportLinkPageSetup);
  dxPSPreviewWindowDialogs().PageSetup = true;
}

void dxPSUnregisterPageSetupDialog() {
  dxPSPrintStyleDialogs().PageSetup = nullptr;
  dxPSSetPageSetupDialog(nullptr);
  dxPSPreviewWindowDialogs().PageSetup = false;
}
