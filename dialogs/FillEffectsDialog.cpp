#include "dialogs/FillEffectsDialog.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>

#include "dialogs/FillEffectsPictures.h"
#include "editors/DialogControls.h"
#include "editors/PicturePreview.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/EnumBits.h"
#include "platform/MessageDialogs.h"
#include "platform/QtStrings.h"
#include "platform/Registry.h"
#include "platform/ScopeExit.h"
#include "report/EngineSettings.h"

using namespace dxFillEffectsTexts;

namespace {

constexpr QSize kTextureCell(dxTextureSize, dxTextureSize);
constexpr QSize kPatternCell(34, 25);

// The picture kinds the dialog opens, by extension (lower case, no dot).
TGraphicClass ClassForFile(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  if (!ext.empty()) ext.erase(0, 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  if (ext == GraphicExtension(TBitmap::Class())) return TBitmap::Class();
  if (ext == GraphicExtension(TJPEGImage::Class()) || ext == "jpeg") return TJPEGImage::Class();
  if (ext == GraphicExtension(TMetafile::Class()) || ext == "wmf") return TMetafile::Class();
  return nullptr;
}

// "Description (masks)|masks" entries of the kinds the dialog opens.
std::string PictureFilter() {
  std::string filter, all;
  for (const TPicture::FileFormat& format : TPicture::FileFormats()) {
    const TGraphicClass cls = format.Class;
    if (cls != TBitmap::Class() && cls != TJPEGImage::Class() && cls != TMetafile::Class()) continue;
    const std::string mask = "*." + format.Extension;
    filter += "|" + format.Description + " (" + mask + ")|" + mask;
    all += (all.empty() ? "" : ";") + mask;
  }
  return "All (" + all + ")|" + all + filter;
}

// A raster copy of a graphic at its own size.
QImage RasterOf(const TGraphic& graphic) { return graphic.ToImage().convertToFormat(QImage::Format_RGB32); }

bool SameImage(const QImage& a, const QImage& b) {
  return !a.isNull() && a.size() == b.size() &&
         a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

std::string BaseName(const std::string& fileName) { return std::filesystem::path(fileName).stem().string(); }

}  // namespace

std::unique_ptr<TGraphic> dxLoadFillEffectsPicture(const std::string& fileName) {
  const TGraphicClass cls = ClassForFile(fileName);
  if (!cls) return nullptr;
  std::unique_ptr<TGraphic> graphic = cls->Create();
  graphic->LoadFromFile(fileName);
  return graphic;
}

// ---------------------------------------------------------------------------
// TdxFEFGrid

TdxFEFGrid::TdxFEFGrid(int columns, int rows, QSize cellSize, bool tiled, QWidget* parent)
    : QAbstractScrollArea(parent), columns_(columns), rows_(rows), cellSize_(cellSize), tiled_(tiled) {
  cells_.resize(columns * rows);
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setSingleStep(cellSize.height());
}

void TdxFEFGrid::SetCell(int index, const QImage& image) {
  if (index < 0 || index > ExtraIndex()) return;
  if (index >= Count()) cells_.resize(index + 1);
  cells_[index] = image;
  UpdateScrollBar();
  viewport()->update();
}

QRect TdxFEFGrid::CellRect(int index) const {
  const int column = index < ExtraIndex() ? index / rows_ : 0;
  const int row = index < ExtraIndex() ? index % rows_ : rows_;
  return QRect(QPoint(column * cellSize_.width(), row * cellSize_.height() - verticalScrollBar()->value()),
               cellSize_);
}

int TdxFEFGrid::IndexAt(QPoint p) const {
  for (int i = 0; i < Count(); ++i)
    if (CellRect(i).contains(p)) return i;
  return -1;
}

void TdxFEFGrid::SetSelected(int index) {
  selected_ = index >= 0 && index < Count() ? index : -1;
  if (selected_ >= 0) {
    const QRect cell = CellRect(selected_);
    QScrollBar* bar = verticalScrollBar();
    if (cell.top() < 0) bar->setValue(bar->value() + cell.top());
    if (cell.bottom() >= viewport()->height()) bar->setValue(bar->value() + cell.bottom() + 1 - viewport()->height());
  }
  viewport()->update();
}

void TdxFEFGrid::Choose(int index) {
  if (index < 0 || index >= Count()) return;
  SetSelected(index);
  if (OnSelect) OnSelect(index);
}

void TdxFEFGrid::UpdateScrollBar() {
  const int rows = Count() > ExtraIndex() ? rows_ + 1 : rows_;
  const int height = rows * cellSize_.height();
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
}

void TdxFEFGrid::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBar();
}

void TdxFEFGrid::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), ColorToQColor(clWindow));
  for (int i = 0; i < Count(); ++i) {
    const QRect cell = CellRect(i);
    if (!cell.intersects(viewport()->rect()) || cells_[i].isNull()) continue;
    const QRect inner = tiled_ ? cell.adjusted(3, 3, -3, -3) : cell;
    if (tiled_)
      painter.fillRect(inner, QBrush(cells_[i]));
    else
      painter.drawImage(inner.topLeft(), cells_[i], QRect(QPoint(0, 0), inner.size()));
    if (tiled_) {
      painter.setPen(ColorToQColor(clBtnShadow));
      painter.drawRect(inner.adjusted(0, 0, -1, -1));
    }
  }
  if (selected_ >= 0) {
    const QRect cell = CellRect(selected_);
    painter.setPen(QPen(ColorToQColor(clHighlight), 2));
    painter.drawRect(cell.adjusted(1, 1, -1, -1));
    if (hasFocus()) {
      painter.setPen(QPen(ColorToQColor(clWindow), 1, Qt::DotLine));
      painter.drawRect(cell.adjusted(2, 2, -3, -3));
    }
  }
}

void TdxFEFGrid::mousePressEvent(QMouseEvent* e) {
  setFocus(Qt::MouseFocusReason);
  if (e->button() == Qt::LeftButton) Choose(IndexAt(e->position().toPoint()));
}

void TdxFEFGrid::keyPressEvent(QKeyEvent* e) {
  if (Count() == 0) return QAbstractScrollArea::keyPressEvent(e);
  const int current = selected_ < 0 ? 0 : selected_;
  const QRect cell = CellRect(current);
  QPoint target = cell.center();
  switch (e->key()) {
    case Qt::Key_Left: target.rx() -= cellSize_.width(); break;
    case Qt::Key_Right: target.rx() += cellSize_.width(); break;
    case Qt::Key_Up: target.ry() -= cellSize_.height(); break;
    case Qt::Key_Down: target.ry() += cellSize_.height(); break;
    default: return QAbstractScrollArea::keyPressEvent(e);
  }
  // Cells out of view lie outside the viewport; look them up without it.
  for (int i = 0; i < Count(); ++i)
    if (CellRect(i).contains(target)) {
      Choose(i);
      break;
    }
  if (selected_ < 0) Choose(current);
  e->accept();
}

// ---------------------------------------------------------------------------
// TdxFEFDialog

TdxFEFDialog::TdxFEFDialog(TdxBackground& background, QWidget* parent)
    : TdxPSDialogForm(parent), edited_(background) {
  setWindowTitle(ToQ(Caption));
  setFixedSize(392, 301);
  working_.Assign(&background);
  CreateControls();
  LoadSettings();
  LoadFromBackground();
  UpdateControls();
}

TdxFEFDialog::~TdxFEFDialog() = default;

void TdxFEFDialog::CreateControls() {
  tabs_ = new QTabWidget(this);
  tabs_->setGeometry(8, 8, 298, 285);
  auto* texturePage = new QWidget;
  auto* patternPage = new QWidget;
  auto* picturePage = new QWidget;
  tabs_->addTab(texturePage, ToQ(Texture));
  tabs_->addTab(patternPage, ToQ(Pattern));
  tabs_->addTab(picturePage, ToQ(Picture));
  CreateTexturePage(texturePage);
  CreatePatternPage(patternPage);
  CreatePicturePage(picturePage);

  ok_ = new QPushButton(ToQ(OK), this);
  cancel_ = new QPushButton(ToQ(Cancel), this);
  apply_ = new QPushButton(ToQ(Apply), this);
  help_ = new QPushButton(ToQ(Help), this);
  SetDefaultButton(ok_);
  SetCancelButton(cancel_);
  SetButtonResult(cancel_, mrCancel);
  connect(ok_, &QPushButton::clicked, this, [this] {
    if (modified_ && choice_ != fcNone) WriteChoice(edited_);
    SetModalResult(mrOk);
  });
  connect(apply_, &QPushButton::clicked, this, [this] { ApplyChoice(); });
  apply_->setVisible(bool(edited_.OnApply));
  // With a help context the title bar gets its help button and Help shows.
  help_->setVisible(dxFillEffectsDialogHelpContext != 0);
  if (dxFillEffectsDialogHelpContext != 0) setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  // The shown buttons stack down the right side.
  int top = 8;
  for (QPushButton* button : {ok_, cancel_, apply_, help_}) {
    button->setGeometry(313, top, 72, 23);
    if (!button->isHidden()) top += 29;
  }

  sampleLabel_ = new QLabel(ToQ(Sample), this);
  sampleLabel_->setGeometry(313, 206, 72, 16);
  sample_ = new TdxPSPaintPanel(this);
  sample_->setGeometry(318, 224, 61, 61);
  sample_->OnPaint = [this](TdxPSPaintPanel& panel, TCanvas& canvas) {
    const TRect r = panel.ClientRect();
    canvas.FillRect(r, clWhite);
    TdxBackground shown;
    shown.Assign(&working_);
    if (choice_ != fcNone) WriteChoice(shown);
    shown.Paint(canvas, r);
  };
}

void TdxFEFDialog::CreateTexturePage(QWidget* page) {
  textures_ = new TdxFEFGrid(dxTextureColumns, dxTextureRows, kTextureCell, false, page);
  textures_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Four whole columns beside the scroll bar, three rows in view.
  const int frame = 2 * textures_->frameWidth();
  textures_->setGeometry(6, 6, dxTextureColumns * dxTextureSize + frame + style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                         3 * dxTextureSize + frame);
  for (int i = 0; i < dxTextureCount; ++i) textures_->SetCell(i, dxTextureCell(i));
  textures_->OnSelect = [this](int index) { SelectTexture(index); };
  textureName_ = new QLabel(page);
  textureName_->setGeometry(6, 204, 276, 16);
  textureName_->setAlignment(Qt::AlignCenter);
  otherTexture_ = new QPushButton(ToQ(OtherTexture), page);
  otherTexture_->setGeometry(6, 226, 120, 23);
  connect(otherTexture_, &QPushButton::clicked, this, [this] { ChooseTexture(); });
}

void TdxFEFDialog::CreatePatternPage(QWidget* page) {
  patterns_ = new TdxFEFGrid(dxPatternColumns, dxPatternRows, kPatternCell, true, page);
  patterns_->setGeometry(6, 6, dxPatternColumns * kPatternCell.width() + 2 * patterns_->frameWidth(),
                        dxPatternRows * kPatternCell.height() + 2 * patterns_->frameWidth());
  patterns_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  patterns_->OnSelect = [this](int index) { SelectPattern(index); };
  patternName_ = new QLabel(page);
  patternName_->setGeometry(6, 160, 276, 16);
  patternName_->setAlignment(Qt::AlignCenter);

  auto combo = [&](const char* caption, int left, bool fore) {
    auto* label = new TdxPSFocusLabel(ToQ(caption), page);
    label->setGeometry(left, 180, 130, 16);
    auto* box = new TdxPSColorCombo(page);
    box->setGeometry(left, 197, 130, 22);
    box->SetColorTypes(dxBit(ctPure));
    box->SetShowCustomColor(false);
    box->SetShowColorName(true);
    label->setBuddy(box);
    box->OnChange = [this, fore](TdxPSColorCombo& sender) {
      if (updating_) return;
      if (fore)
        SetColors(sender.ColorValue(), backColor_);
      else
        SetColors(foreColor_, sender.ColorValue());
    };
    return box;
  };
  foreground_ = combo(Foreground, 6, true);
  background_ = combo(Background, 146, false);
  invert_ = new QPushButton(ToQ(dxFillEffectsTexts::InvertColors), page);
  invert_->setGeometry(6, 226, 110, 23);
  connect(invert_, &QPushButton::clicked, this, [this] { InvertColors(); });
}

void TdxFEFDialog::CreatePicturePage(QWidget* page) {
  pictureBox_ = new TdxPSImageScrollBox(page);
  pictureBox_->setGeometry(6, 6, 180, 190);
  pictureBox_->SetHintText(NoPicture);
  pictureBox_->SetMenuItems(0);
  pictureBox_->installEventFilter(this);
  pictureFile_ = new QLabel(page);
  pictureFile_->setGeometry(6, 202, 276, 16);
  selectPicture_ = new QPushButton(ToQ(SelectPicture), page);
  selectPicture_->setGeometry(192, 6, 94, 23);
  connect(selectPicture_, &QPushButton::clicked, this, [this] { ChoosePicture(); });
  auto* modeLabel = new TdxPSFocusLabel(ToQ(dxFillEffectsTexts::PaintMode), page);
  modeLabel->setGeometry(192, 40, 94, 16);
  paintMode_ = new QComboBox(page);
  paintMode_->setGeometry(192, 57, 94, 22);
  for (const char* mode : PaintModes) paintMode_->addItem(ToQ(mode));
  modeLabel->setBuddy(paintMode_);
  connect(paintMode_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!updating_ && index >= 0) SetPaintMode(TdxPicturePaintMode(index));
  });
  preview_ = new QPushButton(ToQ(dxFillEffectsTexts::PreviewPicture), page);
  preview_->setGeometry(192, 90, 94, 23);
  connect(preview_, &QPushButton::clicked, this, [this] { PreviewPicture(); });

  pictureMenu_ = new QMenu(this);
  struct Item {
    const char* caption;
    QKeySequence key;
    void (TdxFEFDialog::*command)();
  };
  const Item items[6] = {{dxFillEffectsTexts::PreviewPicture, QKeySequence(), &TdxFEFDialog::PreviewPicture},
                         {Load, QKeySequence(Qt::Key_Insert), &TdxFEFDialog::ChoosePicture},
                         {Delete, QKeySequence(Qt::Key_Delete), &TdxFEFDialog::DeletePicture},
                         {Cut, QKeySequence(Qt::CTRL | Qt::Key_X), &TdxFEFDialog::CutPicture},
                         {Copy, QKeySequence(Qt::CTRL | Qt::Key_C), &TdxFEFDialog::CopyPicture},
                         {Paste, QKeySequence(Qt::CTRL | Qt::Key_V), &TdxFEFDialog::PastePicture}};
  for (int i = 0; i < 6; ++i) {
    if (i == 1 || i == 3) pictureMenu_->addSeparator();
    QAction* action = pictureMenu_->addAction(ToQ(items[i].caption));
    action->setShortcut(items[i].key);
    action->setShortcutContext(Qt::WidgetShortcut);
    pictureBox_->addAction(action);
    const auto command = items[i].command;
    connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
    menuActions_[i] = action;
  }
}

bool TdxFEFDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pictureBox_ && event->type() == QEvent::ContextMenu) {
    UpdateControls();
    pictureMenu_->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return TdxPSDialogForm::eventFilter(watched, event);
}

// ---- Opening --------------------------------------------------------------------

void TdxFEFDialog::LoadFromBackground() {
  updating_ = true;
  ScopeExit done([this] { updating_ = false; });
  if (working_.BkColor() == clWhite && working_.Brush().Color == clWhite) working_.SetBrushColor(clBlack);
  foreColor_ = working_.Brush().Color;
  backColor_ = working_.BkColor();
  foreground_->SetColorValue(foreColor_);
  background_->SetColorValue(backColor_);
  RefreshPatterns();
  paintMode_->setCurrentIndex(int(working_.PictureMode()));

  if (working_.Mode() == bmBrushBitmap && working_.HasPicture()) {
    const QImage picture = working_.Picture().Image();
    for (int i = 0; i < dxPatternCount; ++i)
      if (SameImage(dxPatternCell(i, ForegroundColor(), BackgroundColor()), picture)) {
        patterns_->SetSelected(i);
        choice_ = fcPattern;
        tabs_->setCurrentIndex(fpPattern);
        return;
      }
    for (int i = 0; i < dxTextureCount; ++i)
      if (SameImage(dxTextureCell(i), picture)) {
        textures_->SetSelected(i);
        choice_ = fcTexture;
        tabs_->setCurrentIndex(fpTexture);
        return;
      }
  } else if (working_.Mode() == bmPicture && working_.HasPicture()) {
    picture_ = std::make_unique<TBitmap>(working_.Picture());
    pictureBox_->SetGraphic(picture_.get());
    choice_ = fcPicture;
    tabs_->setCurrentIndex(fpPicture);
  }
}

// ---- State ----------------------------------------------------------------------

TColor TdxFEFDialog::ForegroundColor() const { return foreColor_; }
TColor TdxFEFDialog::BackgroundColor() const { return backColor_; }
TdxPicturePaintMode TdxFEFDialog::PaintMode() const {
  return TdxPicturePaintMode(std::max(0, paintMode_->currentIndex()));
}

QImage TdxFEFDialog::ChosenImage() const {
  switch (choice_) {
    case fcTexture: {
      const int index = textures_->Selected();
      return index == textures_->ExtraIndex() ? extraTexture_ : dxTextureCell(index);
    }
    case fcPattern: return dxPatternCell(patterns_->Selected(), ForegroundColor(), BackgroundColor());
    case fcPicture: return picture_ ? picture_->Image() : QImage();
    case fcNone: break;
  }
  return QImage();
}

void TdxFEFDialog::WriteChoice(TdxBackground& background) const {
  background.SetBkColor(BackgroundColor());
  background.SetBrushColor(ForegroundColor());
  TBitmap bitmap;
  bitmap.SetImage(ChosenImage());
  background.SetPicture(&bitmap);
  switch (choice_) {
    case fcTexture:
    case fcPattern: background.SetMode(bmBrushBitmap); break;
    case fcPicture:
      background.SetMode(bmPicture);
      background.SetPictureMode(PaintMode());
      break;
    case fcNone: break;
  }
}

void TdxFEFDialog::Changed(TChoice choice) {
  choice_ = choice;
  modified_ = true;
  UpdateControls();
}

void TdxFEFDialog::UpdateControls() {
  const int texture = textures_->Selected();
  textureName_->setText(texture < 0 ? QString()
                        : texture == textures_->ExtraIndex() ? textureName_->text()
                                                              : ToQ(dxTextureNames[texture]));
  const int pattern = patterns_->Selected();
  patternName_->setText(pattern < 0 ? QString() : ToQ(dxPatternNames[pattern]));
  invert_->setEnabled(ForegroundColor() != BackgroundColor());
  const bool hasPicture = picture_ && !picture_->Empty();
  paintMode_->setEnabled(hasPicture);
  const QSize box = pictureBox_->viewport()->size();
  preview_->setEnabled(hasPicture && (picture_->Width() > box.width() || picture_->Height() > box.height()));
  pictureFile_->setText(ToQ(pictureFileName_));
  menuActions_[0]->setEnabled(hasPicture);
  menuActions_[2]->setEnabled(hasPicture);
  menuActions_[3]->setEnabled(hasPicture);
  menuActions_[4]->setEnabled(hasPicture);
  menuActions_[5]->setEnabled(ClipboardHasFormat(TClipboardFormat::Bitmap) ||
                              ClipboardHasFormat(TClipboardFormat::Picture));
  apply_->setEnabled(modified_ && choice_ != fcNone);
  sample_->update();
}

void TdxFEFDialog::RefreshPatterns() {
  for (int i = 0; i < dxPatternCount; ++i) patterns_->SetCell(i, dxPatternCell(i, ForegroundColor(), BackgroundColor()));
}

// ---- Commands -------------------------------------------------------------------

void TdxFEFDialog::SelectTexture(int index) {
  if (index < 0 || index >= textures_->Count()) return;
  textures_->SetSelected(index);
  Changed(fcTexture);
}

void TdxFEFDialog::SelectPattern(int index) {
  if (index < 0 || index >= dxPatternCount) return;
  patterns_->SetSelected(index);
  Changed(fcPattern);
}

void TdxFEFDialog::SetColors(TColor foreground, TColor background) {
  foreColor_ = foreground;
  backColor_ = background;
  {
    updating_ = true;
    ScopeExit done([this] { updating_ = false; });
    foreground_->SetColorValue(foreground);
    background_->SetColorValue(background);
  }
  RefreshPatterns();
  if (patterns_->Selected() < 0) patterns_->SetSelected(0);
  Changed(fcPattern);
}

void TdxFEFDialog::InvertColors() {
  if (ForegroundColor() == BackgroundColor()) return;
  SetColors(BackgroundColor(), ForegroundColor());
}

void TdxFEFDialog::SetPaintMode(TdxPicturePaintMode mode) {
  if (!picture_ || picture_->Empty()) return;
  {
    updating_ = true;
    ScopeExit done([this] { updating_ = false; });
    paintMode_->setCurrentIndex(int(mode));
  }
  Changed(fcPicture);
}

bool TdxFEFDialog::LoadTexture(const std::string& fileName) {
  QImage image;
  try {
    std::unique_ptr<TGraphic> graphic = dxLoadFillEffectsPicture(fileName);
    if (!graphic || graphic->Empty()) return false;
    image = RasterOf(*graphic);
    if (graphic->ClassType() == TBitmap::Class()) {
      image = image.copy(0, 0, std::min(image.width(), dxTextureSize), std::min(image.height(), dxTextureSize));
    } else if (graphic->ClassType() != TMetafile::Class()) {
      QImage drawn(kTextureCell, QImage::Format_RGB32);
      drawn.fill(Qt::white);
      QPainter painter(&drawn);
      graphic->Draw(painter, QRectF(0, 0, dxTextureSize, dxTextureSize));
      painter.end();
      image = drawn;
    }
  } catch (const std::exception& e) {
    MessageError(e.what());
    return false;
  }
  extraTexture_ = image;
  textures_->SetCell(textures_->ExtraIndex(), image);
  textureName_->setText(ToQ(BaseName(fileName)));
  SelectTexture(textures_->ExtraIndex());
  return true;
}

bool TdxFEFDialog::LoadPicture(const std::string& fileName) {
  auto bitmap = std::make_unique<TBitmap>();
  try {
    std::unique_ptr<TGraphic> graphic = dxLoadFillEffectsPicture(fileName);
    if (!graphic || graphic->Empty()) return false;
    bitmap->SetImage(RasterOf(*graphic));
  } catch (const std::exception& e) {
    MessageError(e.what());
    return false;
  }
  picture_ = std::move(bitmap);
  pictureFileName_ = fileName;
  pictureBox_->SetGraphic(picture_.get());
  Changed(fcPicture);
  return true;
}

bool TdxFEFDialog::ChooseFile(std::string& fileName) {
  TFileDialog dialog(TFileDialogKind::OpenPicture);
  dialog.Filter = PictureFilter();
  dialog.InitialDir = initialDir_;
  if (!dialog.Execute(this)) return false;
  fileName = dialog.FileName;
  initialDir_ = std::filesystem::path(fileName).parent_path().string();
  return true;
}

void TdxFEFDialog::ChooseTexture() {
  std::string fileName;
  if (ChooseFile(fileName)) LoadTexture(fileName);
}

void TdxFEFDialog::ChoosePicture() {
  std::string fileName;
  if (ChooseFile(fileName)) LoadPicture(fileName);
}

void TdxFEFDialog::PreviewPicture() {
  if (picture_ && !picture_->Empty()) dxShowPicturePreview(picture_.get(), this);
}

void TdxFEFDialog::CopyPicture() {
  if (!picture_ || picture_->Empty()) return;
  try {
    CopyGraphicToClipboard(*picture_);
  } catch (const std::exception& e) {
    MessageError(e.what());
  }
  UpdateControls();
}

void TdxFEFDialog::CutPicture() {
  if (!picture_ || picture_->Empty()) return;
  CopyPicture();
  DeletePicture();
}

void TdxFEFDialog::DeletePicture() {
  if (!picture_ || picture_->Empty()) return;
  picture_.reset();
  pictureFileName_.clear();
  pictureBox_->SetGraphic(nullptr);
  Changed(choice_ == fcPicture ? fcNone : choice_);
}

void TdxFEFDialog::PastePicture() {
  std::unique_ptr<TGraphic> graphic = GraphicFromClipboard();
  if (!graphic || graphic->Empty()) return;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(RasterOf(*graphic));
  picture_ = std::move(bitmap);
  pictureFileName_.clear();
  pictureBox_->SetGraphic(picture_.get());
  Changed(fcPicture);
}

void TdxFEFDialog::ApplyChoice() {
  if (!modified_ || choice_ == fcNone) return;
  {
    working_.BeginUpdate();
    ScopeExit unlock([this] { working_.EndUpdate(); });
    WriteChoice(working_);
  }
  edited_.Assign(&working_);
  if (edited_.OnApply) edited_.OnApply(working_);
  cancel_->setText(ToQ(Close));
  applied_ = true;
  modified_ = false;
  UpdateControls();
}

// ---- Running --------------------------------------------------------------------

bool TdxFEFDialog::Execute() {
  const bool ok = ShowModal() == mrOk;
  SaveSettings();
  return applied_ || (ok && modified_ && choice_ != fcNone);
}

std::string TdxFEFDialog::RegistryKey() const {
  const std::string& path = dxPSEngine()->RealRegistryPath();
  return path.empty() ? std::string() : path + "\\dxFEFDialog";
}

void TdxFEFDialog::LoadSettings() {
  const std::string key = RegistryKey();
  if (key.empty()) return;
  try {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly("\\" + key)) return;
    initialDir_ = registry.ReadString("InitialDir");
    if (registry.ValueExists("ActivePage")) {
      const int page = registry.ReadInteger("ActivePage");
      if (page >= 0 && page < tabs_->count()) tabs_->setCurrentIndex(page);
    }
  } catch (const std::exception&) {
  }
}

void TdxFEFDialog::SaveSettings() const {
  const std::string key = RegistryKey();
  if (key.empty()) return;
  try {
    TRegistry registry;
    if (!registry.OpenKey("\\" + key, true)) return;
    registry.WriteString("InitialDir", initialDir_);
    registry.WriteInteger("ActivePage", tabs_->currentIndex());
  } catch (const std::exception&) {
  }
}

bool EditFillEffects(TdxBackground& background, QWidget* owner) {
  TdxFEFDialog dialog(background, owner ? owner->window() : nullptr);
  return dialog.Execute();
}
