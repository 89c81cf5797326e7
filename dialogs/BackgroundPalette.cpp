#include "dialogs/BackgroundPalette.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "dialogs/FillEffectsDialog.h"
#include "editors/ColorDialog.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/QtStrings.h"
#include "platform/ModalRun.h"
#include "platform/ScopeExit.h"
#include "preview/PreviewWindow.h"

const TdxPaletteColorEntry dxPSPaletteColors[40] = {
    {"Black", 0, 0, 0},
    {"Brown", 152, 52, 0},
    {"Olive Green", 57, 60, 0},
    {"Dark Green", 0, 52, 0},
    {"Dark Teal", 0, 52, 99},
    {"Dark Blue", 0, 4, 132},
    {"Indigo", 49, 52, 148},
    {"Gray-80%", 49, 52, 49},
    {"Dark Red", 132, 4, 0},
    {"Orange", 255, 106, 0},
    {"Dark Yellow", 123, 125, 0},
    {"Green", 0, 130, 0},
    {"Teal", 0, 134, 132},
    {"Blue", 0, 4, 255},
    {"Blue Gray", 99, 101, 156},
    {"Gray-50%", 123, 125, 123},
    {"Red", 255, 4, 0},
    {"Light Orange", 255, 154, 0},
    {"Lime", 156, 207, 0},
    {"Sea Green", 66, 162, 132},
    {"Aqua", 57, 207, 206},
    {"Light Blue", 49, 101, 255},
    {"Violet", 132, 4, 132},
    {"Gray-40%", 148, 150, 148},
    {"Pink", 255, 4, 255},
    {"Gold", 255, 203, 0},
    {"Yellow", 255, 255, 0},
    {"Bright Green", 0, 255, 0},
    {"Turquoise", 0, 255, 255},
    {"Sky Blue", 0, 207, 255},
    {"Plum", 156, 52, 107},
    {"Gray-25%", 199, 198, 198},
    {"Rose", 255, 158, 206},
    {"Tan", 255, 207, 152},
    {"Light Yellow", 255, 255, 152},
    {"Light Green", 206, 255, 206},
    {"Light Turquoise", 206, 255, 255},
    {"Pale Blue", 156, 207, 255},
    {"Lavender", 206, 158, 255},
    {"White", 255, 255, 255},
};

TColor dxPSPaletteColor(int index) {
  const TdxPaletteColorEntry& e = dxPSPaletteColors[index];
  return TColor(RGBValue(e.R, e.G, e.B));
}

namespace {

// The window a palette without an owner belongs to: the modal window in
// front, else the active one.
QWidget* DefaultOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

constexpr int kNoFillTop = 3;
constexpr int kNoFillHeight = 22;
constexpr int kGridTop = 28;
constexpr int kSeparator = 5;
constexpr int kRowButtonHeight = 26;
// Below the grid, or below the row of buttons (148 x 182 with both buttons).
constexpr int kBottomMargin = 2;
constexpr int kRowBottomMargin = 7;

// 16 x 16: button face, a 12 x 12 button-shadow frame inset by 2, the colour
// inside.
QIcon ColorGlyph(TColor color) {
  QImage image(16, 16, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    TCanvas canvas(painter);
    canvas.FillRect(TRect(0, 0, 16, 16), clBtnFace);
    canvas.FillRect(TRect(2, 2, 14, 14), clBtnShadow);
    canvas.FillRect(TRect(3, 3, 13, 13), color);
  }
  return QIcon(QPixmap::fromImage(image));
}

// The no-fill swatch: a square as high as the button minus 4, framed in
// button shadow.
QIcon SwatchGlyph(TColor color, int size) {
  size = std::max(size, 4);
  QImage image(size, size, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    TCanvas canvas(painter);
    canvas.FillRect(TRect(0, 0, size, size), clBtnShadow);
    canvas.FillRect(TRect(1, 1, size - 1, size - 1), color);
  }
  return QIcon(QPixmap::fromImage(image));
}

// The no-fill button: flat, with a sunken edge inset by 2 pixels (4 above 96
// pixels per inch).
class TdxNoFillButton : public QToolButton {
 public:
  using QToolButton::QToolButton;

 protected:
  void paintEvent(QPaintEvent* e) override {
    QToolButton::paintEvent(e);
    QPainter painter(this);
    TCanvas canvas(painter);
    const int inset = logicalDpiX() > 96 ? 4 : 2;
    canvas.DrawEdge(TRect(inset, inset, width() - inset, height() - inset), BDR_SUNKENOUTER, BF_RECT);
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// TdxfmColorPalette

TdxfmColorPalette::TdxfmColorPalette(TdxBackground& background, const TdxBackgroundDlgData& options, QWidget* owner)
    : QDialog(owner ? owner->window() : DefaultOwner(), Qt::Popup),
      background_(background),
      options_(options) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(ToQ(options_.Caption));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
  setPalette(pal);
  setAutoFillBackground(true);

  auto* group = new QButtonGroup(this);
  group->setExclusive(false);  // at most one is down; none may be

  noFill_ = new TdxNoFillButton(this);
  noFill_->setText(ToQ(options_.NoFillCaption));
  noFill_->setCheckable(true);
  noFill_->setAutoRaise(true);
  noFill_->setToolButtonStyle(options_.NoFillSwatchColor != clNone ? Qt::ToolButtonTextBesideIcon
                                                                    : Qt::ToolButtonTextOnly);
  if (options_.NoFillSwatchColor != clNone) {
    noFill_->setIcon(SwatchGlyph(options_.NoFillSwatchColor, kNoFillHeight - 4));
    noFill_->setIconSize(QSize(kNoFillHeight - 4, kNoFillHeight - 4));
  }
  group->addButton(noFill_);
  connect(noFill_, &QToolButton::clicked, this, [this] { PickNoFill(); });

  for (int i = 0; i < 40; ++i) {
    auto* button = new QToolButton(this);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setIcon(ColorGlyph(dxPSPaletteColor(i)));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(dxPSPaletteColors[i].Hint);
    button->setFocusPolicy(Qt::NoFocus);
    group->addButton(button);
    colors_[i] = button;
    connect(button, &QToolButton::clicked, this, [this, i] { PickColor(dxPSPaletteColor(i)); });
  }

  moreColors_ = new QPushButton(ToQ(dxPSBackgroundPaletteTexts::MoreColors), this);
  moreColors_->setFlat(true);
  connect(moreColors_, &QPushButton::clicked, this, [this] { PickMoreColors(); });
  fillEffects_ = new QPushButton(ToQ(dxPSBackgroundPaletteTexts::FillEffects), this);
  fillEffects_->setFlat(true);
  connect(fillEffects_, &QPushButton::clicked, this, [this] { PickFillEffects(); });

  // What is down on opening.
  if (background_.Mode() == bmNone) {
    noFill_->setChecked(true);
  } else if (background_.Mode() == bmBrush) {
    const std::uint32_t rgb = ColorToRGB(background_.Brush().Color);
    for (int i = 0; i < 40; ++i)
      if (ColorToRGB(dxPSPaletteColor(i)) == rgb) {
        colors_[i]->setChecked(true);
        break;
      }
  }
  Arrange();
}

TdxfmColorPalette::~TdxfmColorPalette() = default;

void TdxfmColorPalette::Arrange() {
  noFill_->setGeometry(2, kNoFillTop, 144, kNoFillHeight);
  for (int i = 0; i < 40; ++i)
    colors_[i]->setGeometry(2 + (i % 8) * kColorButtonSize, kGridTop + (i / 8) * kColorButtonSize, kColorButtonSize,
                            kColorButtonSize);
  int bottom = kGridTop + 5 * kColorButtonSize;
  const bool row = options_.ShowMoreColors || options_.ShowFillEffects;
  moreColors_->setVisible(row && options_.ShowMoreColors);
  fillEffects_->setVisible(row && options_.ShowFillEffects);
  int margin = kBottomMargin;
  if (moreColors_->isVisibleTo(this) || fillEffects_->isVisibleTo(this)) {
    bottom += kSeparator;
    for (QPushButton* b : {moreColors_, fillEffects_}) {
      if (!b->isVisibleTo(this)) continue;
      b->setGeometry(2, bottom, 144, kRowButtonHeight);
      bottom += kRowButtonHeight;
    }
    margin = kRowBottomMargin;
  }
  setFixedSize(kClientWidth, bottom + margin);
}

int TdxfmColorPalette::DownColorIndex() const {
  for (int i = 0; i < 40; ++i)
    if (colors_[i]->isChecked()) return i;
  return -1;
}

QPoint TdxfmColorPalette::PlaceWithin(QPoint at, QSize size, const QRect& workArea) {
  QPoint p = at;
  if (p.x() + size.width() > workArea.right() + 1) p.setX(workArea.right() + 1 - size.width());
  if (p.x() < workArea.left()) p.setX(workArea.left());
  if (p.y() + size.height() > workArea.bottom() + 1) p.setY(workArea.bottom() + 1 - size.height());
  return p;
}

void TdxfmColorPalette::PickColor(TColor color) {
  color_ = color;
  Pick(pcColor);
}

void TdxfmColorPalette::PickNoFill() { Pick(pcNoFill); }

void TdxfmColorPalette::PickMoreColors() { Pick(pcMoreColors); }

void TdxfmColorPalette::PickFillEffects() { Pick(pcFillEffects); }

void TdxfmColorPalette::Dismiss() { Pick(pcDismissed); }

void TdxfmColorPalette::Pick(TChoice choice) {
  if (!isVisible()) return;  // already closed
  choice_ = choice;
  if (choice == pcDismissed)
    reject();
  else
    accept();
}

bool TdxfmColorPalette::Run(QPoint at) {
  QRect work(0, 0, 1 << 20, 1 << 20);
  QScreen* screen = QGuiApplication::screenAt(at);
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) work = screen->availableGeometry();
  move(PlaceWithin(at, size(), work));
  choice_ = pcDismissed;
  RunModal(*this);
  return Apply();
}

bool TdxfmColorPalette::Apply() {
  switch (choice_) {
    case pcColor: {
      background_.BeginUpdate();
      ScopeExit unlock([this] { background_.EndUpdate(); });
      background_.SetMode(bmBrush);
      background_.SetBrushStyle(bsSolid);
      background_.SetBrushColor(color_);
      return true;
    }
    case pcNoFill:
      background_.SetMode(bmNone);
      return true;
    case pcMoreColors: {
      TColor color = background_.Mode() == bmBrush ? background_.Brush().Color : clBlack;
      if (!dxPSExecuteColorDialog(color, parentWidget())) return false;
      color_ = color;
      choice_ = pcColor;
      return Apply();
    }
    case pcFillEffects:
      Application::ProcessMessages();
      return EditFillEffects(background_, parentWidget());
    case pcDismissed: break;
  }
  return false;
}

void TdxfmColorPalette::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  // A pop-up has no frame of the window system: both border styles draw a
  // raised edge, the framed one inside a window-frame line.
  QPainter painter(this);
  TCanvas canvas(painter);
  TRect edge(0, 0, width(), height());
  if (!options_.BorderNone) {
    canvas.FrameRect(edge, TBrush{clWindowFrame, bsSolid, {}});
    edge = TRect(1, 1, width() - 1, height() - 1);
  }
  canvas.DrawEdge(edge, EDGE_RAISED, BF_RECT);
}

void TdxfmColorPalette::keyPressEvent(QKeyEvent* e) {
  // Escape, or a key pressed with Alt that no button took as its mnemonic.
  const bool altKey = (e->modifiers() & Qt::AltModifier) && e->key() != Qt::Key_Alt;
  if (e->key() == Qt::Key_Escape || altKey) {
    Dismiss();
    return;
  }
  QDialog::keyPressEvent(e);
}

// ---------------------------------------------------------------------------
// Entry points

bool ChooseBackground(TdxBackground& background, QPoint at, const TdxBackgroundDlgData* options, QWidget* owner) {
  const TdxBackgroundDlgData defaults;
  TdxfmColorPalette palette(background, options ? *options : defaults, owner);
  return palette.Run(at);
}

void dxPSRegisterBackgroundPalette() {
  auto& dialogs = dxPSPreviewWindowDialogs();
  if (!dialogs.ChooseBackground)
    dialogs.ChooseBackground = [](TdxBackground& background, QPoint at, QWidget* owner) {
      return ChooseBackground(background, at, nullptr, owner);
    };
}
