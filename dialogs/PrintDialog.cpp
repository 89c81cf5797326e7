// The print dialog: its texts and pictures, the public helpers (printer
// status texts, print file names, the collation picture), the controls of
// the window, its construction, initialisation, layout and state, running
// the window and the entry point. The handlers of its controls and the print
// styles panel are in PrintDialogHandlers.cpp.
#include "dialogs/PrintDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QUrl>
#include <algorithm>
#include <array>

#include "editors/DialogControls.h"
#include "dialogs/PrintStyles.h"
#include "engine/ComponentPrinter.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/MessageDialogs.h"
#include "platform/QtStrings.h"
#include "platform/Registry.h"
#include "report/EventBus.h"
#include "report/ImageList.h"
#include "dialogs/PrintDialogHelpers.h"

namespace M = dxPSPrintDialogMessages;
using namespace PrintDialogHelpers;

namespace {

// ---- Texts and pictures ----------------------------------------------------------------

// A line break written the platform's way ("\n\r") as the label shows it.
QString ShownText(const char* text) {
  QString s = ToQ(text);
  s.replace("\n\r", "\n");
  return s;
}

struct StatusText {
  std::uint32_t Value;
  const char* Text;
};
constexpr StatusText kStatusTexts[] = {
    {0x0, "Ready"},           {0x1, "Paused"},          {0x2, "Error"},
    {0x4, "Pending Deletion"}, {0x8, "Paper Jam"},      {0x10, "Paper Out"},
    {0x20, "Manual Feed"},    {0x40, "Paper Problem"},  {0x80, "Offline"},
    {0x100, "IO Active"},     {0x200, "Busy"},          {0x400, "Printing"},
    {0x800, "Output Bin Full"}, {0x1000, "Not Available"}, {0x2000, "Waiting"},
    {0x4000, "Processing"},   {0x8000, "Initializing"}, {0x10000, "Warming Up"},
    {0x20000, "Toner Low"},   {0x40000, "No Toner"},    {0x80000, "Page Punt"},
    {0x100000, "User Intervention"}, {0x200000, "Out of Memory"}, {0x400000, "Door Open"},
};

// The four printer images (16 x 16): + 1 for a network printer, + 2 for the
// default printer.
const QImage& PrinterImage(int index) {
  static const std::array<QImage, 4> images = [] {
    std::array<QImage, 4> result;
    for (int i = 0; i < 4; ++i) {
      QImage image(16, 16, QImage::Format_ARGB32);
      image.fill(Qt::transparent);
      QPainter p(&image);
      p.fillRect(4, 1, 8, 5, Qt::white);  // paper
      p.setPen(QColor(64, 64, 64));
      p.drawRect(4, 1, 7, 5);
      p.fillRect(1, 6, 14, 6, QColor(192, 192, 192));  // body
      p.drawRect(1, 6, 13, 5);
      p.fillRect(3, 8, 3, 1, QColor(0, 160, 0));  // lamp
      p.fillRect(4, 12, 8, 2, Qt::white);        // output
      p.drawRect(4, 12, 7, 1);
      if (i & 1) {  // the cable to the network
        p.setPen(QColor(0, 0, 192));
        p.drawLine(8, 14, 8, 15);
        p.drawLine(2, 15, 14, 15);
      }
      if (i & 2) {  // the default mark
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setBrush(Qt::black);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(0, 0, 8, 8));
        p.setPen(QPen(Qt::white, 1.4));
        p.drawLine(QPointF(2, 4), QPointF(3.5, 5.8));
        p.drawLine(QPointF(3.5, 5.8), QPointF(6.2, 2.2));
      }
      result[std::size_t(i)] = image;
    }
    return result;
  }();
  return images[std::size_t(std::clamp(index, 0, 3))];
}

std::string TrimBlanks(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// A device address as shown: without a user name or password in it.
std::string ShownAddress(const std::string& uri) {
  QUrl url(ToQ(uri));
  if (!url.isValid() || url.userInfo().isEmpty()) return uri;
  url.setUserInfo(QString());
  return FromQ(url.toString());
}

// Geometry of the window (pixels at 96 per inch).
constexpr int kWidth = 464;
constexpr int kMargin = 8;
constexpr int kPrinterGroupHeight = 160;
constexpr int kPrintToFileHeight = 32;
constexpr int kRangeGroupHeight = 150;
constexpr int kStylesPanelHeight = 126;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 26;
constexpr int kStyleItemHeight = 34;

// The bottom row: two slots on the left, three on the right.
int ButtonSlotX(int slot) {
  switch (slot) {
    case 0: return kMargin;
    case 1: return kMargin + kButtonWidth + 6;
    default: return kWidth - kMargin - (5 - slot) * kButtonWidth - (4 - slot) * 6;
  }
}

}  // namespace

namespace PrintDialogHelpers {

QIcon ArrowGlyph(bool up) {
  QImage image(9, 9, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath path;
  if (up) {
    path.moveTo(4.5, 1.5);
    path.lineTo(8.5, 6.5);
    path.lineTo(0.5, 6.5);
  } else {
    path.moveTo(0.5, 2.5);
    path.lineTo(8.5, 2.5);
    path.lineTo(4.5, 7.5);
  }
  path.closeSubpath();
  p.fillPath(path, Qt::black);
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace PrintDialogHelpers

// ---- Public helpers ---------------------------------------------------------------------

std::string dxPSPrinterStatusText(std::uint32_t status) {
  for (const StatusText& s : kStatusTexts)
    if (s.Value == status) return s.Text;
  return std::string();
}

bool dxPSCompletePrintFileName(const std::string& typed, std::string& completed, std::string& shown) {
  std::string name = typed;
  bool quoted = false;
  if (name.size() > 2 && name.front() == '"' && name.back() == '"') {
    name = name.substr(1, name.size() - 2);
    quoted = true;
  }
  shown = name;
  const std::string trimmed = TrimBlanks(name);
  if (trimmed.empty() || trimmed.find_first_of("<>\"[]|") != std::string::npos) return false;
  completed = trimmed;
  if (!quoted && QFileInfo(ToQ(trimmed)).suffix().isEmpty()) completed += ".prn";
  // The job could not write there: a folder, or a place that does not exist.
  const QFileInfo info(ToQ(completed));
  if (info.isDir() || !info.absoluteDir().exists()) return false;
  return true;
}

void dxPSDrawCollatePicture(TCanvas& canvas, const TRect& box, bool collate) {
  constexpr int kPageWidth = 19, kPageHeight = 24, kStepX = 10, kStepY = 8;
  const int stacks = collate ? 2 : 3;
  const int pages = collate ? 3 : 2;
  const int stackWidth = kPageWidth + kStepX * (pages - 1);
  const int stackHeight = kPageHeight + kStepY * (pages - 1);
  const int gap = (box.Width() - stacks * stackWidth) / (stacks + 1);
  const int top = box.Top + (box.Height() - stackHeight) / 2;

  TFont font;
  font.Name = "Arial";
  font.Height = -9;
  font.Color = clBlack;
  canvas.SetFont(font);
  canvas.SetBkMode(TRANSPARENT);
  for (int s = 0; s < stacks; ++s) {
    const int left = box.Left + gap + s * (stackWidth + gap);
    // From the back: each page lies partly under the one before it.
    for (int j = pages - 1; j >= 0; --j) {
      const TRect r(left + j * kStepX, top + (pages - 1 - j) * kStepY, left + j * kStepX + kPageWidth,
                    top + (pages - 1 - j) * kStepY + kPageHeight);
      canvas.FillRect(r, clWhite);
      canvas.FrameRect(r, TBrush{clBlack, bsSolid, {}});
      canvas.DrawEdge(TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1), BDR_RAISEDINNER, BF_RECT);
      const std::string number = std::to_string(collate ? j + 1 : s + 1);
      const TSize size = canvas.TextExtent(number);
      canvas.TextOut(r.Right - 3 - size.cx, r.Bottom - 2 - size.cy, number);
    }
  }
}

// ---- Controls of the window ------------------------------------------------------------------

// The page range edit: digits always; backspace, "," and "-" only while it
// holds text; any other character is refused with a beep.
class TdxfmPrintDialog::TPageRangesEdit : public QLineEdit {
 public:
  explicit TPageRangesEdit(TdxfmPrintDialog* owner, QWidget* parent) : QLineEdit(parent), owner_(owner) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    const QString text = event->text();
    // Delete is an editing key, although the window system gives it the text U+007F.
    const bool passes = text.isEmpty() || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
                        key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete || event->matches(QKeySequence::Copy) ||
                        event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
                        event->matches(QKeySequence::SelectAll) || event->matches(QKeySequence::Undo) ||
                        event->matches(QKeySequence::Redo);
    if (passes) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    const QChar c = text.at(0);
    const bool accepted = (c >= '0' && c <= '9') ||
                          ((c == ',' || c == '-' || key == Qt::Key_Backspace) && !this->text().isEmpty());
    if (!accepted) {
      dxPSBeep();
      event->accept();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    // The focus has already moved on: the widget taking it is known here.
    // When the window itself loses the focus, nothing is checked.
    const bool withinWindow =
        event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
    owner_->PageRangesExit(QApplication::focusWidget(), withinWindow);
  }

 private:
  TdxfmPrintDialog* owner_;
};

// The paint box of the collation picture; a double click toggles collation.
class TdxfmPrintDialog::TCollatePaintBox : public QWidget {
 public:
  TCollatePaintBox(TdxfmPrintDialog* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    TCanvas canvas(painter);
    dxPSDrawCollatePicture(canvas, TRect(0, 0, width(), height()), owner_->chbxCollate_->isChecked());
  }
  void mouseDoubleClickEvent(QMouseEvent*) override { owner_->CollatePictureDblClick(); }

 private:
  TdxfmPrintDialog* owner_;
};

namespace {

// Draws a print style: its glyph and its caption, 34 pixels high.
class StyleItemDelegate : public QStyledItemDelegate {
 public:
  using GlyphFunc = std::function<QImage(int row)>;
  StyleItemDelegate(GlyphFunc glyph, QObject* parent) : QStyledItemDelegate(parent), glyph_(std::move(glyph)) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kStyleItemHeight);
  }
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(r, ColorToQColor(selected ? clHighlight : clWindow));
    const QImage glyph = glyph_(index.row());
    int x = r.left() + 2;
    if (!glyph.isNull()) {
      const QImage scaled = glyph.height() > kStyleItemHeight - 2
                                ? glyph.scaled(kStyleItemHeight - 2, kStyleItemHeight - 2, Qt::KeepAspectRatio)
                                : glyph;
      painter->drawImage(x, r.top() + (r.height() - scaled.height()) / 2, scaled);
      x += std::max(32, scaled.width()) + 4;
    } else {
      x += 36;
    }
    painter->setPen(ColorToQColor(selected ? clHighlightText : clWindowText));
    painter->drawText(QRect(x, r.top(), r.right() - x, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                      index.data(Qt::DisplayRole).toString());
    if (option.state & QStyle::State_HasFocus) {
      painter->setPen(QPen(ColorToQColor(selected ? clHighlightText : clWindowText), 1, Qt::DotLine));
      painter->drawRect(r.adjusted(0, 0, -1, -1));
    }
  }

 private:
  GlyphFunc glyph_;
};

QPushButton* MakeButton(const char* caption, QWidget* parent, const char* name) {
  auto* b = new QPushButton(ToQ(caption), parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QLabel* MakeLabel(const char* caption, QWidget* parent, const char* name) {
  auto* l = new QLabel(ToQ(caption), parent);
  l->setObjectName(name);
  return l;
}

}  // namespace

// ---- The window --------------------------------------------------------------------------

TdxfmPrintDialog::TdxfmPrintDialog(QWidget* parent) : TCustomdxPSForm(parent, Qt::Dialog) {
  setObjectName("dxfmPrintDialog");
  TFont font;
  font.Name = "Tahoma";
  font.SetSize(8);
  setFont(MakeQFont(font));
  CreateControls();
}

TdxfmPrintDialog::~TdxfmPrintDialog() {
  if (data_.StyleManager) WriteStylesShown();
}

void TdxfmPrintDialog::CreateControls() {
  // Printer.
  gbxPrinter_ = new QGroupBox(ToQ(M::PrinterGroup), this);
  gbxPrinter_->setObjectName("gbxPrinter");
  lblName_ = MakeLabel(M::Name, gbxPrinter_, "lblName");
  cbxPrinters_ = new QComboBox(gbxPrinter_);
  cbxPrinters_->setObjectName("cbxPrinters");
  cbxPrinters_->setIconSize(QSize(16, 16));
  lblName_->setBuddy(cbxPrinters_);
  lblName_->installEventFilter(this);
  btnPrinterProperties_ = MakeButton(M::Properties, gbxPrinter_, "btnPrinterProperties");
  btnNetwork_ = MakeButton(M::Network, gbxPrinter_, "btnNetwork");
  lblStatus_ = MakeLabel(M::Status, gbxPrinter_, "lblStatus");
  lblType_ = MakeLabel(M::Type, gbxPrinter_, "lblType");
  lblWhere_ = MakeLabel(M::Where, gbxPrinter_, "lblWhere");
  lblComment_ = MakeLabel(M::Comment, gbxPrinter_, "lblComment");
  lblStatusValue_ = MakeLabel("", gbxPrinter_, "lblStatusValue");
  lblTypeValue_ = MakeLabel("", gbxPrinter_, "lblTypeValue");
  lblWhereValue_ = MakeLabel("", gbxPrinter_, "lblWhereValue");
  lblCommentValue_ = MakeLabel("", gbxPrinter_, "lblCommentValue");
  pnlPrintToFile_ = new QWidget(gbxPrinter_);
  pnlPrintToFile_->setObjectName("pnlPrintToFile");
  chbxPrintToFile_ = new QCheckBox(ToQ(M::PrintToFile), pnlPrintToFile_);
  chbxPrintToFile_->setObjectName("chbxPrintToFile");
  cbxFileName_ = new QComboBox(pnlPrintToFile_);
  cbxFileName_->setObjectName("cbxFileName");
  cbxFileName_->setEditable(true);
  cbxFileName_->setInsertPolicy(QComboBox::NoInsert);
  btnBrowse_ = MakeButton(M::Browse, pnlPrintToFile_, "btnBrowse");

  // Page range.
  gbxPageRange_ = new QGroupBox(ToQ(M::PageRangeGroup), this);
  gbxPageRange_->setObjectName("gbxPageRange");
  rbtnAllPages_ = new QRadioButton(ToQ(M::AllPages), gbxPageRange_);
  rbtnAllPages_->setObjectName("rbtnAllPages");
  rbtnCurrentPage_ = new QRadioButton(ToQ(M::CurrentPage), gbxPageRange_);
  rbtnCurrentPage_->setObjectName("rbtnCurrentPage");
  rbtnSelection_ = new QRadioButton(ToQ(M::Selection), gbxPageRange_);
  rbtnSelection_->setObjectName("rbtnSelection");
  rbtnPageRanges_ = new QRadioButton(ToQ(M::Pages), gbxPageRange_);
  rbtnPageRanges_->setObjectName("rbtnPageRanges");
  edPageRanges_ = new TPageRangesEdit(this, gbxPageRange_);
  edPageRanges_->setObjectName("edPageRanges");
  lblDescription_ = new QLabel(ShownText(M::Description), gbxPageRange_);
  lblDescription_->setObjectName("lblDescription");
  lblDescription_->setWordWrap(true);
  lblDescription_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  wpPageRanges_ = new TdxPSWarningPane(gbxPageRange_);
  wpPageRanges_->setObjectName("wpPageRanges");
  wpPageRanges_->hide();

  // Copies.
  gbxCopies_ = new QGroupBox(ToQ(M::CopiesGroup), this);
  gbxCopies_->setObjectName("gbxCopies");
  lblNumberOfPages_ = MakeLabel(M::NumberOfPages, gbxCopies_, "lblNumberOfPages");
  cbxNumberOfPages_ = new QComboBox(gbxCopies_);
  cbxNumberOfPages_->setObjectName("cbxNumberOfPages");
  cbxNumberOfPages_->addItems({ToQ(M::PageFilterAll), ToQ(M::PageFilterEven), ToQ(M::PageFilterOdd)});
  lblNumberOfPages_->setBuddy(cbxNumberOfPages_);
  lblNumberOfPages_->installEventFilter(this);
  lblCopies_ = MakeLabel(M::NumberOfCopies, gbxCopies_, "lblCopies");
  sePageCopies_ = new TdxPSSpinEdit(gbxCopies_);
  sePageCopies_->setObjectName("sePageCopies");
  sePageCopies_->SetMinValue(1);
  sePageCopies_->SetMaxValue(1);
  sePageCopies_->SetValue(1);
  lblCopies_->setBuddy(sePageCopies_);
  lblCopies_->installEventFilter(this);
  chbxCollate_ = new QCheckBox(ToQ(M::CollateCopies), gbxCopies_);
  chbxCollate_->setObjectName("chbxCollate");
  pbxCollate_ = new TCollatePaintBox(this, gbxCopies_);
  pbxCollate_->setObjectName("pbxCollate");

  // Print styles; the list comes first so that the group's accelerator
  // focuses it.
  pnlPrintStyles_ = new QGroupBox(ToQ(M::PrintStylesGroup), this);
  pnlPrintStyles_->setObjectName("pnlPrintStyles");
  lbxPrintStyles_ = new QListWidget(pnlPrintStyles_);
  lbxPrintStyles_->setObjectName("lbxPrintStyles");
  lbxPrintStyles_->setUniformItemSizes(true);
  lbxPrintStyles_->setItemDelegate(new StyleItemDelegate(
      [this](int row) -> QImage {
        TdxPrintStyleManager* manager = data_.StyleManager;
        TBasedxPrintStyle* style = manager ? manager->Styles(row) : nullptr;
        if (!style) return QImage();
        const TBitmap* glyph = nullptr;
        if (manager->Images && style->ImageIndex >= 0 && style->ImageIndex < manager->Images->Count())
          glyph = &manager->Images->Image(style->ImageIndex);
        else if (!style->StyleGlyph().Empty())
          glyph = &style->StyleGlyph();
        if (!glyph) return QImage();
        // The lower-left pixel's colour is the glyph's background.
        QImage image = glyph->ToImage().convertToFormat(QImage::Format_ARGB32);
        const QRgb background = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == background) image.setPixel(x, y, qRgba(0, 0, 0, 0));
        return image;
      },
      lbxPrintStyles_));
  lbxPrintStyles_->setContextMenuPolicy(Qt::CustomContextMenu);
  btnPageSetup_ = MakeButton(M::PageSetup, pnlPrintStyles_, "btnPageSetup");
  btnDefineStyles_ = MakeButton(M::DefineStyles, pnlPrintStyles_, "btnDefineStyles");
  btnStyleOptions_ = MakeButton(M::StyleOptions, pnlPrintStyles_, "btnStyleOptions");
  pmPrintStyles_ = new QMenu(this);
  pmPrintStyles_->setObjectName("pmPrintStyles");
  QAction* miPageSetup = pmPrintStyles_->addAction(ToQ(M::PageSetup));
  miPageSetup->setObjectName("miPageSetup");
  miPageSetup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
  pmPrintStyles_->setDefaultAction(miPageSetup);
  QAction* miStyleOptions = pmPrintStyles_->addAction(ToQ(M::StyleOptions));
  miStyleOptions->setObjectName("miStyleOptions");
  pmPrintStyles_->addSeparator();
  QAction* miDefineStyles = pmPrintStyles_->addAction(ToQ(M::DefineStyles));
  miDefineStyles->setObjectName("miDefineStyles");
  auto* pageSetupKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), lbxPrintStyles_);
  pageSetupKey->setContext(Qt::WidgetShortcut);
  auto* pageSetupKey2 = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), lbxPrintStyles_);
  pageSetupKey2->setContext(Qt::WidgetShortcut);

  // Bottom row.
  btnPageSetup2_ = MakeButton(M::PageSetup, this, "btnPageSetup2");
  btnPreview_ = MakeButton(M::Preview, this, "btnPreview");
  QString print = ToQ(M::Print);
  while (print.endsWith('.')) print.chop(1);
  btnOK_ = new QPushButton(print, this);
  btnOK_->setObjectName("btnOK");
  btnOK_->setAutoDefault(false);
  btnOK_->setDefault(true);
  btnCancel_ = MakeButton(M::Cancel, this, "btnCancel");
  btnHelp_ = MakeButton(M::Help, this, "btnHelp");

  // Handlers.
  connect(cbxPrinters_, &QComboBox::activated, this, [this](int index) { PrinterChosen(index); });
  connect(btnPrinterProperties_, &QPushButton::clicked, this, [this] { PropertiesClick(); });
  connect(btnNetwork_, &QPushButton::clicked, this, [this] { NetworkClick(); });
  connect(chbxPrintToFile_, &QCheckBox::clicked, this, [this] { PrintToFileClick(); });
  connect(btnBrowse_, &QPushButton::clicked, this, [this] { BrowseClick(); });
  connect(rbtnAllPages_, &QRadioButton::clicked, this, [this] { RangeKindClick(prkAll); });
  connect(rbtnCurrentPage_, &QRadioButton::clicked, this, [this] { RangeKindClick(prkCurrentPage); });
  connect(rbtnSelection_, &QRadioButton::clicked, this, [this] { RangeKindClick(prkSelection); });
  connect(rbtnPageRanges_, &QRadioButton::clicked, this, [this] { RangeKindClick(prkPageRanges); });
  connect(edPageRanges_, &QLineEdit::textEdited, this, [this] { PageRangesEdited(); });
  connect(cbxNumberOfPages_, &QComboBox::activated, this,
          [this](int index) { data_.NumberOfPages = std::uint8_t(std::clamp(index, 0, 2)); });
  sePageCopies_->OnExit = [this](TdxPSSpinEdit& sender) { data_.Copies = sender.AsInteger(); };
  connect(chbxCollate_, &QCheckBox::clicked, this, [this] { CollateClick(); });
  connect(lbxPrintStyles_, &QListWidget::currentRowChanged, this, [this](int row) { StyleClicked(row); });
  connect(lbxPrintStyles_, &QListWidget::itemDoubleClicked, this, [this] {
    if (btnPageSetup_->isEnabled()) StylePageSetupClick();
  });
  connect(lbxPrintStyles_, &QListWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { ShowStylesMenu(pos); });
  connect(pageSetupKey, &QShortcut::activated, this, [this] {
    if (btnPageSetup_->isEnabled()) StylePageSetupClick();
  });
  connect(pageSetupKey2, &QShortcut::activated, this, [this] {
    if (btnPageSetup_->isEnabled()) StylePageSetupClick();
  });
  connect(btnPageSetup_, &QPushButton::clicked, this, [this] { StylePageSetupClick(); });
  connect(btnDefineStyles_, &QPushButton::clicked, this, [this] { DefineStylesClick(); });
  connect(btnStyleOptions_, &QPushButton::clicked, this, [this] { StyleOptionsClick(); });
  connect(miPageSetup, &QAction::triggered, this, [this] { StylePageSetupClick(); });
  connect(miStyleOptions, &QAction::triggered, this, [this] { StyleOptionsClick(); });
  connect(miDefineStyles, &QAction::triggered, this, [this] { DefineStylesClick(); });
  connect(btnPageSetup2_, &QPushButton::clicked, this, [this] { PageSetupClick(); });
  connect(btnPreview_, &QPushButton::clicked, this, [this] { PreviewClick(); });
  connect(btnOK_, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { CancelClick(); });

  // The style list follows the manager's list.
  styleListSubscriber_ = std::make_unique<TdxStyleListChangedSubscriber>();
  styleListSubscriber_->OnStyleListChanged = [this](TdxObject* sender) {
    if (data_.StyleManager && sender == static_cast<TdxObject*>(data_.StyleManager)) {
      FillStyles();
      UpdateControlsState();
    }
  };
}

void TdxfmPrintDialog::Initialize(TdxPrintDlgData& data) {
  if (data.DialogData) data_ = *data.DialogData;
  events_ = data.Events;
  buttonsEnabled_ = data.ButtonsEnabled;
  buttonsVisible_ = data.ButtonsVisible;
  optionsEnabled_ = data.OptionsEnabled;
  optionsVisible_ = data.OptionsVisible;
  validate_ = data.Validate;
  requested_ = false;
  setWindowTitle(ToQ(data.Title));
  if (data_.StyleManager) ReadStylesShown();

  // Visibility.
  btnPrinterProperties_->setVisible(buttonsVisible_ & pdbPrinterProperties);
  btnNetwork_->setVisible(buttonsVisible_ & pdbNetwork);
  pnlPrintToFile_->setVisible(optionsVisible_ & pdoPrintToFile);
  rbtnAllPages_->setVisible(optionsVisible_ & pdoAllPages);
  rbtnCurrentPage_->setVisible(optionsVisible_ & pdoCurrentPage);
  rbtnSelection_->setVisible(optionsVisible_ & pdoSelection);
  rbtnPageRanges_->setVisible(optionsVisible_ & pdoPageRange);
  edPageRanges_->setVisible(optionsVisible_ & pdoPageRange);
  lblDescription_->setVisible(optionsVisible_ & pdoPageRange);
  gbxPageRange_->setVisible(optionsVisible_ & (pdoAllPages | pdoCurrentPage | pdoSelection | pdoPageRange));
  btnPageSetup_->setVisible(buttonsVisible_ & pdbPageSetup);
  btnDefineStyles_->setVisible(buttonsVisible_ & pdbDefineStyles);
  btnPreview_->setVisible(buttonsVisible_ & pdbPreview);

  // Enabled state; the network needs a network.
  btnPrinterProperties_->setEnabled(buttonsEnabled_ & pdbPrinterProperties);
  btnNetwork_->setEnabled((buttonsEnabled_ & pdbNetwork) && PrintBackend::NetworkPresent());
  btnPreview_->setEnabled(buttonsEnabled_ & pdbPreview);
  btnPageSetup2_->setEnabled(buttonsEnabled_ & pdbPageSetup);
  btnDefineStyles_->setEnabled(buttonsEnabled_ & pdbDefineStyles);
  btnHelp_->setEnabled(buttonsEnabled_ & pdbHelp);
  chbxPrintToFile_->setEnabled(optionsEnabled_ & pdoPrintToFile);
  rbtnAllPages_->setEnabled(optionsEnabled_ & pdoAllPages);
  rbtnCurrentPage_->setEnabled(optionsEnabled_ & pdoCurrentPage);
  rbtnSelection_->setEnabled(optionsEnabled_ & pdoSelection);
  rbtnPageRanges_->setEnabled(optionsEnabled_ & pdoPageRange);
  edPageRanges_->setEnabled(optionsEnabled_ & pdoPageRange);
  lblDescription_->setEnabled(optionsEnabled_ & pdoPageRange);

  // Values.
  const bool rangesOn = (optionsEnabled_ & pdoPageRange) && (optionsVisible_ & pdoPageRange);
  if (rangesOn) edPageRanges_->setText(ToQ(data_.PageRanges));
  FillFileNames();
  chbxPrintToFile_->setChecked(data_.PrintToFile);
  switch (data_.PageRangeKind) {
    case prkCurrentPage: rbtnCurrentPage_->setChecked(true); break;
    case prkPageRanges: rbtnPageRanges_->setChecked(true); break;
    case prkSelection: rbtnSelection_->setChecked(true); break;
    default: rbtnAllPages_->setChecked(true); break;
  }
  cbxNumberOfPages_->setCurrentIndex(std::clamp(int(data_.NumberOfPages), 0, 2));
  chbxCollate_->setChecked(data_.Collate);

  // The bottom-left button: print styles, or the caller's page setup.
  if (StylesAvailable()) {
    btnPageSetup2_->setText(ToQ(M::PrintStyles));
    btnPageSetup2_->setIcon(ArrowGlyph(stylesShown_));
  } else {
    btnPageSetup2_->setText(ToQ(M::PageSetup));
    btnPageSetup2_->setIcon(QIcon());
  }
  btnPageSetup2_->setVisible((buttonsVisible_ & pdbPageSetup) &&
                             (StylesAvailable() || (!data_.StyleManager && events_ && events_->OnPageSetup)));
  FillStyles();

  // The printer.
  FillPrinters();
  ReadPrinterState();
  UpdateCopiesRange();
  sePageCopies_->SetValue(std::max(1, data_.Copies));

  LayOut();
  UpdateControlsState();
}

bool TdxfmPrintDialog::StylesAvailable() const {
  return data_.StyleManager && (optionsVisible_ & pdoPrintStyles);
}

void TdxfmPrintDialog::SetHelpContext(int value) {
  helpContext_ = value;
  LayOut();
}

void TdxfmPrintDialog::LayOut() {
  // Printer group, with or without the print-to-file strip.
  const bool strip = !pnlPrintToFile_->isHidden();
  const int printerHeight = kPrinterGroupHeight - (strip ? 0 : kPrintToFileHeight);
  gbxPrinter_->setGeometry(kMargin, 6, kWidth - 2 * kMargin, printerHeight);
  lblName_->setGeometry(10, 24, 60, 16);
  cbxPrinters_->setGeometry(72, 20, 262, 24);
  btnPrinterProperties_->setGeometry(342, 19, 96, kButtonHeight);
  btnNetwork_->setGeometry(342, 49, 96, kButtonHeight);
  QLabel* captions[] = {lblStatus_, lblType_, lblWhere_, lblComment_};
  QLabel* values[] = {lblStatusValue_, lblTypeValue_, lblWhereValue_, lblCommentValue_};
  for (int i = 0; i < 4; ++i) {
    captions[i]->setGeometry(10, 52 + i * 18, 60, 16);
    values[i]->setGeometry(72, 52 + i * 18, 266, 16);
  }
  pnlPrintToFile_->setGeometry(2, 124, kWidth - 2 * kMargin - 4, kPrintToFileHeight);
  chbxPrintToFile_->setGeometry(8, 7, 100, 18);
  cbxFileName_->setGeometry(110, 4, 222, 24);
  btnBrowse_->setGeometry(340, 3, 96, kButtonHeight);

  // Page range (left) and copies (right).
  int top = 6 + printerHeight + 6;
  gbxPageRange_->setGeometry(kMargin, top, 222, kRangeGroupHeight);
  rbtnAllPages_->setGeometry(10, 22, 120, 18);
  rbtnCurrentPage_->setGeometry(10, 44, 120, 18);
  rbtnSelection_->setGeometry(10, 66, 120, 18);
  rbtnPageRanges_->setGeometry(10, 88, 70, 18);
  edPageRanges_->setGeometry(82, 86, 130, 22);
  // The warning above the edit stays clear of the captions of the radio
  // buttons beside it.
  const int captionsEnd =
      10 + std::max(rbtnCurrentPage_->sizeHint().width(), rbtnSelection_->sizeHint().width()) + 4;
  const int warningLeft = std::clamp(captionsEnd, 82, 214 - 80);
  wpPageRanges_->setGeometry(warningLeft, 40, 214 - warningLeft, 44);
  lblDescription_->setGeometry(10, 112, 204, 34);
  gbxCopies_->setGeometry(236, top, 220, kRangeGroupHeight);
  lblNumberOfPages_->setGeometry(10, 24, 104, 16);
  cbxNumberOfPages_->setGeometry(116, 20, 94, 24);
  lblCopies_->setGeometry(10, 54, 104, 16);
  sePageCopies_->setGeometry(116, 50, 94, 22);
  chbxCollate_->setGeometry(10, 78, 150, 18);
  pbxCollate_->setGeometry(10, 98, 200, 46);
  top += kRangeGroupHeight + 6;

  // Print styles.
  const bool styles = StylesAvailable() && stylesShown_;
  pnlPrintStyles_->setVisible(styles);
  pnlPrintStyles_->setGeometry(kMargin, top, kWidth - 2 * kMargin, kStylesPanelHeight);
  lbxPrintStyles_->setGeometry(10, 20, 324, 96);
  btnPageSetup_->setGeometry(342, 20, 96, kButtonHeight);
  btnDefineStyles_->setGeometry(342, 50, 96, kButtonHeight);
  btnStyleOptions_->setGeometry(342, 80, 96, kButtonHeight);
  if (styles) top += kStylesPanelHeight + 6;

  // Bottom row: Preview takes the place of a hidden Page Setup; without Help,
  // OK and Cancel move one place to the right.
  top += 2;
  const bool pageSetup = !btnPageSetup2_->isHidden();
  const bool help = (buttonsVisible_ & pdbHelp) && helpContext_ != 0;
  btnHelp_->setVisible(help);
  btnPageSetup2_->setGeometry(ButtonSlotX(0), top, kButtonWidth, kButtonHeight);
  btnPreview_->setGeometry(ButtonSlotX(pageSetup ? 1 : 0), top, kButtonWidth, kButtonHeight);
  btnOK_->setGeometry(ButtonSlotX(help ? 2 : 3), top, kButtonWidth, kButtonHeight);
  btnCancel_->setGeometry(ButtonSlotX(help ? 3 : 4), top, kButtonWidth, kButtonHeight);
  btnHelp_->setGeometry(ButtonSlotX(4), top, kButtonWidth, kButtonHeight);
  setFixedSize(kWidth, top + kButtonHeight + kMargin);
}

void TdxfmPrintDialog::FillPrinters() {
  TdxPrintDevice& device = GetPrintDevice();
  filling_ = true;
  cbxPrinters_->clear();
  try {
    for (const TdxPrinterEntry& e : device.PrinterEntries()) {
      const int image = (e.Info.IsNetwork ? 1 : 0) + (e.Info.IsDefault ? 2 : 0);
      cbxPrinters_->addItem(QIcon(QPixmap::fromImage(PrinterImage(image))), ToQ(e.DisplayName));
    }
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
  filling_ = false;
  SyncPrinterSelection();
}

void TdxfmPrintDialog::SyncPrinterSelection() {
  TdxPrintDevice& device = GetPrintDevice();
  int selected = -1;
  try {
    selected = device.SelectedPrinter();
  } catch (const EdxPrintDevice&) {
    // No default printer: the first one stands in, so there is a printer to
    // print on.
    try {
      if (device.PrinterCount() > 0) {
        device.SelectPrinter(0);
        selected = device.SelectedPrinter();
      }
    } catch (const std::exception& e) {
      Application::ShowException(e);
    }
  }
  filling_ = true;
  cbxPrinters_->setCurrentIndex(selected < cbxPrinters_->count() ? selected : -1);
  filling_ = false;
}

void TdxfmPrintDialog::UpdateCopiesRange() {
  TdxPrintDevice& device = GetPrintDevice();
  int limit = 1;
  try {
    if (device.PrinterCount() > 0 && device.Settings()) limit = std::max(1, device.CopyLimit());
  } catch (const std::exception&) {
    // The state reading reports printer failures.
  }
  sePageCopies_->SetMaxValue(limit);
  sePageCopies_->SetValue(sePageCopies_->Value());
}

void TdxfmPrintDialog::FillFileNames() {
  cbxFileName_->clear();
  for (const std::string& name : data_.FileNames) cbxFileName_->addItem(ToQ(name));
  if (cbxFileName_->count() > 0)
    cbxFileName_->setCurrentIndex(0);
  else
    cbxFileName_->setEditText(ToQ(data_.FileName));
}

void TdxfmPrintDialog::FillStyles() {
  filling_ = true;
  lbxPrintStyles_->clear();
  if (TdxPrintStyleManager* manager = data_.StyleManager) {
    for (int i = 0; i < manager->Count(); ++i) lbxPrintStyles_->addItem(ToQ(manager->Styles(i)->StyleCaption()));
    lbxPrintStyles_->setCurrentRow(manager->CurrentStyleIndex());
  }
  filling_ = false;
}

TBasedxPrintStyle* TdxfmPrintDialog::SelectedStyle() const {
  TdxPrintStyleManager* manager = data_.StyleManager;
  return manager ? manager->Styles(lbxPrintStyles_->currentRow()) : nullptr;
}

void TdxfmPrintDialog::ReadPrinterState() {
  TdxPrintDevice& device = GetPrintDevice();
  try {
    PrintBackend::TPrinterState state;
    if (device.PrinterCount() == 0 || !device.ReadPrinterState(state)) return;
    const std::string status = state.JobCount > 0 ? Format(M::PrintingJobs, state.JobCount)
                                                  : dxPSPrinterStatusText(state.Status);
    lblStatusValue_->setText(ToQ(status));
    QPalette palette = lblStatusValue_->palette();
    palette.setColor(QPalette::WindowText, state.Status != 0 ? ColorToQColor(clHighlight)
                                                             : this->palette().color(QPalette::WindowText));
    lblStatusValue_->setPalette(palette);
    lblTypeValue_->setText(ToQ(state.Driver));
    lblWhereValue_->setText(ToQ(ShownAddress(state.Port)));
    std::string comment = state.Comment;
    if (comment.empty())
      comment = state.Location;
    else if (!state.Location.empty() && state.Location != comment)
      comment += " (" + state.Location + ")";
    lblCommentValue_->setText(ToQ(comment));
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

void TdxfmPrintDialog::UpdateControlsState() {
  const bool printToFile = (optionsEnabled_ & pdoPrintToFile) && (optionsVisible_ & pdoPrintToFile);
  const bool toFile = chbxPrintToFile_->isChecked();
  cbxFileName_->setEnabled(printToFile && toFile);
  btnBrowse_->setEnabled(printToFile && toFile);
  QPalette palette = cbxFileName_->palette();
  const QColor base = ColorToQColor(toFile ? clWindow : clBtnFace);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, QPalette::Base, base);
  cbxFileName_->setPalette(palette);

  TBasedxPrintStyle* style = SelectedStyle();
  btnPageSetup_->setEnabled((buttonsEnabled_ & pdbPageSetup) && style);
  const bool options = (buttonsEnabled_ & pdbStyleOptions) && style && style->HasOptions();
  btnStyleOptions_->setEnabled(options);
  btnStyleOptions_->setVisible((buttonsVisible_ & pdbStyleOptions) && options);

  const bool printers = GetPrintDevice().PrinterCount() > 0;
  cbxPrinters_->setEnabled(printers);
  btnOK_->setEnabled(printers || toFile);
  pbxCollate_->update();
}

void TdxfmPrintDialog::ChangedThroughPrinter() { btnCancel_->setText(ToQ(M::Close)); }

// ---- Window ---------------------------------------------------------------------------------

bool TdxfmPrintDialog::Execute() {
  modalResult_ = mrNone;
  TModalRunOptions run;
  run.Shown = [this] {
    // The first of the copies box, the page-count list and OK that can take it.
    for (QWidget* w : {static_cast<QWidget*>(sePageCopies_), static_cast<QWidget*>(cbxNumberOfPages_),
                       static_cast<QWidget*>(btnOK_)})
      if (w->isEnabled() && w->isVisibleTo(this)) {
        w->setFocus();
        break;
      }
    if (events_ && events_->OnShow) events_->OnShow(this);
  };
  if (!RunModal(run)) return false;
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  if (events_ && events_->OnHide) events_->OnHide(this);
  hide();
  return modalResult_ == mrOk;
}

void TdxfmPrintDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      if (btnCancel_->isEnabled()) CancelClick();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (event->modifiers() & Qt::ControlModifier) break;
      if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
          button && button->window() == this && button->isEnabled()) {
        button->click();
      } else {
        OKClick();
      }
      return;
    default: break;
  }
  TCustomdxPSForm::keyPressEvent(event);
}

void TdxfmPrintDialog::closeEvent(QCloseEvent* event) {
  if (modalResult_ == mrNone) SetModalResult(mrCancel);
  TCustomdxPSForm::closeEvent(event);
}

bool TdxfmPrintDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == lblName_ && cbxPrinters_->isEnabled()) {
      cbxPrinters_->setFocus();
      cbxPrinters_->showPopup();
      return true;
    }
    if (watched == lblNumberOfPages_ && cbxNumberOfPages_->isEnabled()) {
      cbxNumberOfPages_->setFocus();
      cbxNumberOfPages_->showPopup();
      return true;
    }
    if (watched == lblCopies_ && sePageCopies_->isEnabled()) {
      sePageCopies_->setFocus();
      return true;
    }
  }
  return TCustomdxPSForm::eventFilter(watched, event);
}

// ---- Entry --------------------------------------------------------------------------------

bool dxShowPrintDialog(TdxPrintDlgData& data) {
  if (!data.DialogData) return false;
  TdxPrintDevice& device = GetPrintDevice();
  bool printers = false;
  try {
    printers = !device.PrinterEntries().empty();
  } catch (const std::exception& e) {
    Application::ShowException(e);
    return false;
  }
  if (!printers) {
    MessageWarning(M::NoPrinters);
    return false;
  }
  const TdxPrintDialogData saved = *data.DialogData;
  bool confirmed = false;
  {
    TdxfmPrintDialog dialog(QApplication::activeWindow());
    dialog.Initialize(data);
    dialog.AfterConstruction();
    confirmed = dialog.Execute();
    *data.DialogData = confirmed ? dialog.DialogData() : saved;
    data.Requested = dialog.Requested();
  }
  return confirmed;
}

void dxPSRegisterPrintDialog() { dxPSSetShowPrintDialog(dxShowPrintDialog); }
