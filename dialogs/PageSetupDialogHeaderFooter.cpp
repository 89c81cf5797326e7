// The Header\Footer tab of the page setup dialog: the six section text boxes,
// alignment, the function tool bars and auto texts, fonts and section backgrounds.
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
#include "dialogs/PageSetupDialogTabs.h"

using namespace dxPSPageSetupTexts;
using namespace PageSetupDialogTabs;

namespace {

constexpr int kBackgroundButtonHeight = 26;
constexpr int kBackgroundPictureWidth = 95;
constexpr int kArrowPartWidth = 20;
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

}  // namespace

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
    fontButtons_[f] = new QPushButton(ToQ(f ? FooterFont : HeaderFont), hfFontRows_[f]);
    fontBoxes_[f] = new QLineEdit(hfFontRows_[f]);
    fontBoxes_[f]->setReadOnly(true);
    SetBoxReadOnly(fontBoxes_[f], true);
    backgroundButtons_[f] = new QPushButton(ToQ(f ? FooterBackground : HeaderBackground), hfFontRows_[f]);
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
      b->setToolTip(ToQ(hints[i]));
      group->addButton(b, i);
      al->addWidget(b);
      alignButtons_[i] = b;
      const TdxTextAlignY align = aligns[i];
      connect(b, &QToolButton::clicked, this, [this, align] { AlignmentClicked(align); });
    }
    row->addWidget(alignmentGroup_);
  }
  col->addWidget(toolRow_);
  reverse_ = new QCheckBox(ToQ(ReverseOnEvenPages), sheet);
  connect(reverse_, &QCheckBox::toggled, this, [this](bool on) {
    if (loading_) return;
    WorkingPage().SetReverseTitlesOnEvenPages(on);
    SetModified();
  });
  col->addWidget(reverse_);
  col->addStretch(1);
  return sheet;
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
  SectionObject(box).SetTitle(SectionPart(box), dxTextToLines(FromQ(edit->toPlainText())));
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
