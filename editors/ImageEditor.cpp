#include "editors/ImageEditor.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEngine>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include "editors/ImageEditorGlyphs.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/EnumBits.h"
#include "platform/QtStrings.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedValue.h"

namespace {
QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// Runs a user command; errors go to the application's error display, since
// they must not pass through the window system's event dispatch.
template <typename F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

// The focus frame: four one-pixel black bars along the inside of the content.
void DrawFocusBars(QPainter& p, const QRect& content) {
  p.fillRect(QRect(content.left(), content.top(), 1, content.height()), Qt::black);
  p.fillRect(QRect(content.right(), content.top(), 1, content.height()), Qt::black);
  p.fillRect(QRect(content.left(), content.top(), content.width(), 1), Qt::black);
  p.fillRect(QRect(content.left(), content.bottom(), content.width(), 1), Qt::black);
}

std::unique_ptr<TcxContainerStyle> CreateEditStyle(TcxContainer* owner) { return std::make_unique<TcxEditStyle>(owner); }

// Captions of the built-in menu, in item order.
const char* const kMenuCaptions[] = {"Cu&t", "&Copy", "&Paste", "&Delete", "&Load...", "Save &As..."};
}  // namespace

// --- TcxPopupMenuLayout --------------------------------------------------

void TcxPopupMenuLayout::Assign(const TcxPopupMenuLayout& source) {
  menuItems_ = source.menuItems_;
  customCaption_ = source.customCaption_;
  SetCustomMenuItemGlyph(source.glyph_.get());
  Changed();
}

void TcxPopupMenuLayout::SetMenuItems(TcxPopupMenuItems items) {
  items &= dxBitsUpTo(pmiCustom);
  if (items == menuItems_) return;
  menuItems_ = items;
  Changed();
}

void TcxPopupMenuLayout::SetCustomMenuItemCaption(const std::string& caption) {
  if (caption == customCaption_) return;
  customCaption_ = caption;
  Changed();
}

TBitmap* TcxPopupMenuLayout::CustomMenuItemGlyph() {
  if (!glyph_) glyph_ = std::make_unique<TBitmap>();
  return glyph_.get();
}

void TcxPopupMenuLayout::SetCustomMenuItemGlyph(const TBitmap* glyph) {
  if (!glyph) {
    glyph_.reset();
  } else if (glyph != glyph_.get()) {
    glyph_ = std::make_unique<TBitmap>(*glyph);
  }
  Changed();
}

void TcxPopupMenuLayout::Changed() {
  if (owner_) owner_->Changed();
}

// --- TcxImageProperties --------------------------------------------------

TcxImageProperties::TcxImageProperties() : graphicClass_(TBitmap::Class()) {}

TcxImageProperties::~TcxImageProperties() { destroying_ = true; }

void TcxImageProperties::Changed() {
  if (destroying_ || assigning_ > 0) return;
  if (OnPropertiesChanged) OnPropertiesChanged();
}

void TcxImageProperties::Assign(const TcxImageProperties& source) {
  if (&source == this) return;
  {
    ++assigning_;
    ScopeExit assigned([this] { --assigning_; });
    immediatePost_ = source.immediatePost_;
    readOnly_ = source.readOnly_;
    caption_ = source.caption_;
    center_ = source.center_;
    customFilter_ = source.customFilter_;
    graphicClass_ = source.graphicClass_;
    transparency_ = source.transparency_;
    menuLayout_.Assign(source.menuLayout_);
    stretch_ = source.stretch_;
    OnAssignPicture = source.OnAssignPicture;
    OnCustomClick = source.OnCustomClick;
  }
  Changed();
}

#define CX_SETTER(Name, field, Type)              \
  void TcxImageProperties::Set##Name(Type value) { \
    if (field == value) return;                    \
    field = value;                                 \
    Changed();                                     \
  }
CX_SETTER(Caption, caption_, const std::string&)
CX_SETTER(Center, center_, bool)
CX_SETTER(CustomFilter, customFilter_, const std::string&)
CX_SETTER(GraphicClass, graphicClass_, TGraphicClass)
CX_SETTER(GraphicTransparency, transparency_, TcxImageTransparency)
CX_SETTER(ImmediatePost, immediatePost_, bool)
CX_SETTER(ReadOnly, readOnly_, bool)
CX_SETTER(ShowFocusRect, showFocusRect_, bool)
CX_SETTER(Stretch, stretch_, bool)
#undef CX_SETTER

std::string TcxImageProperties::GraphicClassName() const {
  return graphicClass_ ? graphicClass_->ClassName : std::string();
}

void TcxImageProperties::SetGraphicClassName(const std::string& name) {
  if (name.empty()) {
    SetGraphicClass(nullptr);
    return;
  }
  if (TGraphicClass cls = FindGraphicClass(name)) SetGraphicClass(cls);
}

// --- geometry ------------------------------------------------------------

TRect FitPictureRect(const TRect& content, int pw, int ph) {
  int w = content.Width(), h = content.Height();
  if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0) return content;
  TRect r = content;
  // W / H >= PW / PH, compared exactly in 64-bit integers.
  if (std::int64_t(w) * ph >= std::int64_t(pw) * h) {
    r.Right = r.Left + int(std::int64_t(h) * pw / ph);
    r.Bottom = r.Top + h;
  } else {
    r.Right = r.Left + w;
    r.Bottom = r.Top + int(std::int64_t(w) * ph / pw);
  }
  return r;
}

TRect PictureRect(const TcxImageViewInfo& info, int pw, int ph) {
  const TRect& c = info.ContentRect;
  int w = c.Width(), h = c.Height();
  TRect r;
  if (info.Stretch) {
    r = FitPictureRect(c, pw, ph);
    if (info.Center) r.Offset((w - r.Width()) / 2, (h - r.Height()) / 2);
  } else {
    r = Bounds(c.Left, c.Top, pw, ph);
    if (info.Center)
      r.Offset((w - pw) / 2, (h - ph) / 2);
    else
      r.Offset(-info.TopLeftX, -info.TopLeftY);
  }
  return r;
}

// --- TcxImage ------------------------------------------------------------

TcxImage::TcxImage(QWidget* parent)
    : TcxContainer(parent, &CreateEditStyle),
      properties_(std::make_unique<TcxImageProperties>()),
      picture_(std::make_unique<TPicture>()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAcceptDrops(true);
  resize(140, 100);
  hScroll_ = new QScrollBar(Qt::Horizontal, this);
  vScroll_ = new QScrollBar(Qt::Vertical, this);
  hScroll_->hide();
  vScroll_->hide();
  hScroll_->setSingleStep(8);
  vScroll_->setSingleStep(8);
  hScroll_->setFocusPolicy(Qt::NoFocus);
  vScroll_->setFocusPolicy(Qt::NoFocus);
  connect(hScroll_, &QScrollBar::valueChanged, this, [this] { ScrollBarMoved(); });
  connect(vScroll_, &QScrollBar::valueChanged, this, [this] { ScrollBarMoved(); });
  picture_->OnChange = [this](TPicture&) { PictureChanged(); };
  properties_->OnPropertiesChanged = [this] { PropertiesChanged(); };
  CalculateViewInfo();
}

TcxImage::~TcxImage() {
  destroying_ = true;
  delete builtInMenu_;
  builtInMenu_ = nullptr;
  picture_->OnChange = nullptr;
  properties_->OnPropertiesChanged = nullptr;
}

void TcxImage::SetPicture(const TPicture* source) { picture_->Assign(source); }

void TcxImage::SetAutoSize(bool value) {
  if (autoSize_ == value) return;
  autoSize_ = value;
  ApplyAutoSize();
  CalculateViewInfo();
  update();
}

bool TcxImage::PictureIsEmpty() const {
  const TGraphic* g = picture_->Graphic();
  // A picture without a natural size cannot be fitted; it counts as empty.
  return !g || g->Empty() || g->Width() <= 0 || g->Height() <= 0;
}

void TcxImage::PictureChanged() {
  if (destroying_) return;
  if (changeLock_++ == 0) changedPending_ = valueChangedPending_ = false;
  {
    ScopeFail unlock([this] { --changeLock_; });
    TcxImageTransparency t = properties_->GraphicTransparency();
    if (t != gtDefault && !picture_->Empty()) {
      TGraphic* g = picture_->Graphic();
      auto saved = std::move(g->OnChange);
      g->OnChange = nullptr;
      g->SetTransparent(t == gtTransparent);
      g->OnChange = std::move(saved);
    }
    transparentCache_.reset();
    screenCopy_.reset();
    if (!loading_) {
      hScroll_->blockSignals(true);
      vScroll_->blockSignals(true);
      hScroll_->setValue(0);
      vScroll_->setValue(0);
      hScroll_->blockSignals(false);
      vScroll_->blockSignals(false);
      CalculateViewInfo();
      update();
      ApplyAutoSize();
    }
    if (!settingValue_) {
      if (userAction_) {
        modified_ = true;
        validated_ = false;
      }
      Change();
      EditValueChanged();
    }
    if (properties_->ImmediatePost() && modified_) {
      // No data binding here: validating raises OnAssignPicture and the value
      // always counts as valid.
      if (properties_->OnAssignPicture) properties_->OnAssignPicture(*properties_, *picture_);
      validated_ = true;
    }
  }
  if (--changeLock_ == 0 && !loading_ && !destroying_) {
    if (changedPending_ && properties_->OnChange) properties_->OnChange(*this);
    if (valueChangedPending_ && properties_->OnEditValueChanged) properties_->OnEditValueChanged(*this);
    changedPending_ = valueChangedPending_ = false;
  }
}

void TcxImage::Change() {
  if (changeLock_ > 0) {
    changedPending_ = true;
    return;
  }
  if (properties_->OnChange) properties_->OnChange(*this);
}

void TcxImage::EditValueChanged() {
  if (changeLock_ > 0) {
    valueChangedPending_ = true;
    return;
  }
  if (properties_->OnEditValueChanged) properties_->OnEditValueChanged(*this);
}

void TcxImage::PropertiesChanged() {
  if (destroying_) return;
  PictureChanged();
  UpdateFrame();  // read-only editors look different under visual styles
  CalculateViewInfo();
  update();
}

void TcxImage::ApplyAutoSize() {
  if (!autoSize_) return;
  const TRect m = ContainerViewInfo().ContentMargins;
  int mx = m.Left + m.Right, my = m.Top + m.Bottom;
  if (PictureIsEmpty())
    resize(mx, my);
  else
    resize(picture_->Width() + mx, picture_->Height() + my);
  // A hidden editor gets its resize event only when shown.
  if (viewInfo_.Bounds != TRect(0, 0, width(), height())) CalculateViewInfo();
}

bool TcxImage::Focused() const { return hasFocus() || dialogOpen_; }

bool TcxImage::IsReadOnly() const { return properties_ && properties_->ReadOnly(); }

void TcxImage::FrameChanged() {
  if (destroying_ || calculating_ || !properties_) return;
  const TcxImageViewInfo before = viewInfo_;
  CalculateViewInfo();
  const TcxImageViewInfo& vi = viewInfo_;
  // A change of the border alone repaints only the frame (the container
  // does that); the content is repainted when it looks different.
  if (before.ContentRect != vi.ContentRect || before.BackgroundColor != vi.BackgroundColor ||
      before.TextColor != vi.TextColor || before.DrawFocusRect != vi.DrawFocusRect || before.Enabled != vi.Enabled)
    update();
}

void TcxImage::CalculateViewInfo() {
  ScopedValue calculating(calculating_, true);
  const TcxContainerViewInfo& frame = ContainerViewInfo();
  TcxImageViewInfo& vi = viewInfo_;
  vi.Bounds = frame.Bounds;
  vi.ContentRect = frame.ClientRect;
  vi.Caption = properties_->Caption();
  vi.Center = properties_->Center();
  vi.Stretch = properties_->Stretch();
  vi.Enabled = frame.Enabled;
  vi.BorderColor = frame.BorderColor;
  vi.BackgroundColor = frame.BackgroundColor;
  vi.TextColor = frame.TextColor;
  vi.DrawFocusRect = properties_->ShowFocusRect() && frame.Focused;
  UpdateScrollBars();
  if (!hScroll_->isHidden()) vi.ContentRect.Bottom -= hScroll_->height();
  if (!vScroll_->isHidden()) vi.ContentRect.Right -= vScroll_->width();
  if (vi.Center || vi.Stretch) {
    vi.TopLeftX = vi.TopLeftY = 0;
  } else {
    vi.TopLeftX = hScroll_->isHidden() ? 0 : hScroll_->value();
    vi.TopLeftY = vScroll_->isHidden() ? 0 : vScroll_->value();
  }
}

void TcxImage::UpdateScrollBars() {
  bool needBars = !properties_->Stretch() && !properties_->Center() && !autoSize_ && !PictureIsEmpty();
  int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const TRect& client = ContainerViewInfo().ClientRect;
  int fullW = std::max(0, client.Width());
  int fullH = std::max(0, client.Height());
  bool showH = false, showV = false;
  int w = fullW, h = fullH;
  if (needBars) {
    int pw = picture_->Width(), ph = picture_->Height();
    for (int pass = 0; pass < 3; ++pass) {
      w = fullW - (showV ? extent : 0);
      h = fullH - (showH ? extent : 0);
      bool newH = pw > w, newV = ph > h;
      if (newH == showH && newV == showV) break;
      showH = newH;
      showV = newV;
    }
    w = fullW - (showV ? extent : 0);
    h = fullH - (showH ? extent : 0);
    hScroll_->blockSignals(true);
    vScroll_->blockSignals(true);
    hScroll_->setRange(0, std::max(0, pw - w));
    hScroll_->setPageStep(std::max(1, w));
    vScroll_->setRange(0, std::max(0, ph - h));
    vScroll_->setPageStep(std::max(1, h));
    hScroll_->blockSignals(false);
    vScroll_->blockSignals(false);
  }
  hScroll_->setGeometry(client.Left, client.Top + h, w, extent);
  vScroll_->setGeometry(client.Left + w, client.Top, extent, h);
  hScroll_->setVisible(showH);
  vScroll_->setVisible(showV);
  if (!showH) hScroll_->setValue(0);
  if (!showV) vScroll_->setValue(0);
}

void TcxImage::ScrollBarMoved() {
  CalculateViewInfo();
  update();
}

void TcxImage::resizeEvent(QResizeEvent* e) {
  TcxContainer::resizeEvent(e);
  CalculateViewInfo();
}

void TcxImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintTo(painter);
}

void TcxImage::PaintTo(QPainter& p) {
  if (viewInfo_.Bounds != TRect(0, 0, width(), height())) CalculateViewInfo();
  const TcxImageViewInfo& vi = viewInfo_;
  QRect content = ToQRect(vi.ContentRect);
  QColor background = ColorToQColor(vi.BackgroundColor);
  const bool empty = PictureIsEmpty();
  {
    // The frame; an empty editor has its whole content filled with the
    // background, a picture fills what it leaves uncovered itself.
    TCanvas canvas(p);
    PaintFrame(canvas, empty);
  }
  p.save();
  // Under the scroll bars and their corner the background shows.
  const TRect& client = ContainerViewInfo().ClientRect;
  if (!empty && ToQRect(client) != content) {
    QRegion corner = QRegion(ToQRect(client)).subtracted(QRegion(content));
    for (const QRect& r : corner) p.fillRect(r, background);
  }

  if (empty) {
    if (!vi.Caption.empty() && !content.isEmpty()) {
      QString text = ToQ(vi.Caption);
      QFontMetrics fm(font());
      int tw = fm.horizontalAdvance(text), th = fm.height();
      int left = tw <= content.width() ? (content.left() + content.left() + content.width() - tw) / 2 : content.left();
      int top = th <= content.height() ? (content.top() + content.top() + content.height() - th) / 2 : content.top();
      p.setClipRect(content);
      p.setFont(font());
      auto drawAt = [&](int x, int y, TColor color) {
        p.setPen(ColorToQColor(color));
        p.drawText(QRect(x, y, std::max(tw, content.width()) + 1, th), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
      };
      if (!vi.Enabled) {
        drawAt(left + 1, top + 1, clBtnHighlight);
        drawAt(left, top, clBtnShadow);
      } else {
        drawAt(left, top, vi.TextColor);
      }
      p.setClipping(false);
    }
    if (vi.DrawFocusRect) DrawFocusBars(p, content);
    p.restore();
    return;
  }

  TGraphic* graphic = picture_->Graphic();
  int pw = graphic->Width(), ph = graphic->Height();
  QRect picRect = ToQRect(PictureRect(vi, pw, ph));
  QRect clip = content;
  if (vi.DrawFocusRect) {
    DrawFocusBars(p, content);
    clip = content.adjusted(1, 1, -1, -1);
  }
  p.setClipRect(clip);
  if (graphic->Transparent()) {
    // Composed against the editor's background colour. A raster picture is
    // composed at its own resolution. A metafile has none: on a high-density
    // device it is played at the size it is shown, in device pixels, rather
    // than at its size in client pixels and then scaled up.
    QSize cacheSize(pw, ph);
    qreal cacheRatio = 1;
    const QPaintDevice* device = p.paintEngine() ? p.paintEngine()->paintDevice() : p.device();
    const qreal deviceRatio =
        device && device->devType() != QInternal::Printer ? std::max<qreal>(1, device->devicePixelRatioF()) : 1;
    if (deviceRatio != 1 && dynamic_cast<const TMetafile*>(graphic)) {
      cacheRatio = deviceRatio;
      cacheSize = QSize(std::max(1, qRound(picRect.width() * cacheRatio)),
                        std::max(1, qRound(picRect.height() * cacheRatio)));
    }
    if (!transparentCache_ || transparentCache_->size() != cacheSize) {
      transparentCache_ = std::make_unique<QImage>(cacheSize, QImage::Format_RGB32);
    }
    transparentCache_->setDevicePixelRatio(cacheRatio);
    transparentCache_->fill(background);
    {
      QPainter cp(transparentCache_.get());
      graphic->Draw(cp, QRectF(0, 0, cacheSize.width() / cacheRatio, cacheSize.height() / cacheRatio));
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRectF(picRect), *transparentCache_);
  } else if (PaintsOnScreen(p) && !dynamic_cast<const TMetafile*>(graphic) &&
             (picRect.width() < pw || picRect.height() < ph)) {
    // A raster picture shrunk for the screen; paper and metafiles get the
    // picture itself, at full resolution.
    DrawScreenCopy(p, picRect, *graphic);
  } else {
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    graphic->Draw(p, QRectF(picRect));
  }
  QRegion rest = QRegion(clip).subtracted(QRegion(picRect));
  for (const QRect& r : rest) p.fillRect(r, background);
  p.restore();
}

void TcxImage::DrawScreenCopy(QPainter& p, const QRect& rect, const TGraphic& graphic) {
  const QPaintDevice* device = p.paintEngine()->paintDevice();
  const qreal ratio = device ? std::max<qreal>(1, device->devicePixelRatioF()) : 1;
  const QSize size(std::max(1, qRound(rect.width() * ratio)), std::max(1, qRound(rect.height() * ratio)));
  if (!screenCopy_ || screenCopy_->size() != size) {
    screenCopy_ = std::make_unique<QImage>(size, QImage::Format_ARGB32_Premultiplied);
    screenCopy_->fill(Qt::transparent);
    QPainter cp(screenCopy_.get());
    cp.setRenderHint(QPainter::SmoothPixmapTransform, true);
    graphic.Draw(cp, QRectF(0, 0, size.width(), size.height()));
  }
  p.drawImage(QRectF(rect), *screenCopy_);
}

// --- commands ------------------------------------------------------------

bool TcxImage::CanModify() const { return !properties_->ReadOnly(); }

bool TcxImage::DoEditing() {
  if (modified_) return true;
  bool can = CanModify();
  if (can && OnEditing) OnEditing(*this, can);
  return can;
}

void TcxImage::CopyPicture() {
  if (TGraphic* g = picture_->Graphic(); g && !g->Empty()) CopyGraphicToClipboard(*g);
}

void TcxImage::ClearPicture() {
  if (DoEditing()) picture_->SetGraphic(nullptr);
}

void TcxImage::CutPicture() {
  CopyPicture();
  ClearPicture();
}

bool TcxImage::CanPastePicture() const {
  TGraphicClass cls = properties_->GraphicClass();
  if (cls == TBitmap::Class() || cls == TJPEGImage::Class()) return ClipboardHasFormat(TClipboardFormat::Bitmap);
  if (cls == TMetafile::Class()) return ClipboardHasFormat(TClipboardFormat::MetafilePicture);
  if (cls == TIcon::Class()) return false;
  return ClipboardHasFormat(TClipboardFormat::Picture);
}

void TcxImage::PastePicture() {
  if (!CanPastePicture() || !DoEditing()) return;
  if (!ClipboardHasFormat(TClipboardFormat::Bitmap)) {
    if (auto g = GraphicFromClipboard()) picture_->SetGraphic(std::move(g));
    return;
  }
  auto bitmap = BitmapFromClipboard();
  if (!bitmap) return;
  if (properties_->GraphicClass() == TJPEGImage::Class()) {
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->AssignBitmap(*bitmap);
    picture_->SetGraphic(std::move(jpeg));
  } else if (dynamic_cast<TBitmap*>(picture_->Graphic())) {
    picture_->Bitmap().SetImage(bitmap->Image());
  } else {
    picture_->SetGraphic(std::move(bitmap));
  }
}

void TcxImage::LoadPictureWithDialog() {
  // The owner is asked about the change only once the user chose a file.
  if (!CanModify()) return;
  TFileDialog dialog(TFileDialogKind::OpenPicture);
  if (!properties_->CustomFilter().empty())
    dialog.Filter = properties_->CustomFilter();
  else
    dialog.Filter = GraphicFilter(properties_->GraphicClass());
  bool ok;
  {
    ScopedValue open(dialogOpen_, true);
    ok = dialog.Execute(window());
  }
  UpdateFrame();
  if (ok && DoEditing()) picture_->LoadFromFile(dialog.FileName);
}

void TcxImage::SavePictureWithDialog() {
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  TFileDialog dialog(TFileDialogKind::SavePicture);
  dialog.Filter = !properties_->CustomFilter().empty() ? properties_->CustomFilter() : GraphicFilter(g->ClassType());
  dialog.DefaultExt = GraphicExtension(g->ClassType());
  bool ok;
  {
    ScopedValue open(dialogOpen_, true);
    ok = dialog.Execute(window());
  }
  UpdateFrame();
  if (ok) picture_->SaveToFile(dialog.FileName);
}

void TcxImage::RunCustomMenuItem() {
  if (properties_->OnCustomClick) properties_->OnCustomClick(*this);
}

// --- value ---------------------------------------------------------------

std::optional<TBytes> TcxImage::PictureToValue() const {
  if (picture_->Empty()) return std::nullopt;
  return picture_->Graphic()->SaveToStream();
}

void TcxImage::ValueToPicture(const std::optional<TBytes>& value) {
  {
    ScopedValue setting(settingValue_, true);
    try {
      if (!value || value->empty()) {
        picture_->SetGraphic(nullptr);
      } else {
        TByteView data(*value);
        if (data.size() >= 8) {
          auto u16 = [&](size_t at) { return unsigned(data[at]) | (unsigned(data[at + 1]) << 8); };
          std::uint32_t len = std::uint32_t(data[4]) | (std::uint32_t(data[5]) << 8) |
                              (std::uint32_t(data[6]) << 16) | (std::uint32_t(data[7]) << 24);
          if (u16(0) == 1 && u16(2) == 0x0100 && len == data.size() - 8) data = data.subspan(8);
        }
        std::unique_ptr<TGraphic> g;
        if (TGraphicClass cls = properties_->GraphicClass())
          g = cls->Create();
        else
          g = std::make_unique<TBitmap>();
        g->LoadFromStream(data);
        picture_->SetGraphic(std::move(g));
      }
    } catch (const std::exception&) {
      picture_->SetGraphic(nullptr);
    }
  }
  modified_ = false;
}

// --- input ---------------------------------------------------------------

void TcxImage::keyPressEvent(QKeyEvent* e) {
  QWidget::keyPressEvent(e);
  ScopedValue action(userAction_, true);
  Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  int key = e->key();
  Guarded([&] {
    if ((key == Qt::Key_Insert && mods == Qt::ControlModifier) || (key == Qt::Key_C && mods == Qt::ControlModifier))
      CopyPicture();
    else if ((key == Qt::Key_Insert && mods == Qt::ShiftModifier) || (key == Qt::Key_V && mods == Qt::ControlModifier))
      PastePicture();
    else if ((key == Qt::Key_Delete && mods == Qt::ShiftModifier) || (key == Qt::Key_X && mods == Qt::ControlModifier))
      CutPicture();
  });
}

QMenu* TcxImage::PrepareBuiltInMenu() {
  if (!builtInMenu_) {
    builtInMenu_ = new QMenu(this);
    const int tags[] = {0, 1, 2, 3, -1, 4, 5, -1, 6};
    for (int tag : tags) {
      if (tag < 0) {
        builtInMenu_->addSeparator();
        continue;
      }
      QAction* a = builtInMenu_->addAction(QString());
      a->setData(tag);
      if (tag < 6) a->setIcon(cxMenuGlyph(tag));
      connect(a, &QAction::triggered, this, [this, tag] { RunMenuCommand(tag); });
    }
  }
  auto actions = builtInMenu_->actions();
  const auto& layout = properties_->PopupMenuLayout();
  TcxPopupMenuItems items = layout.MenuItems();
  auto has = [&](TcxPopupMenuItem i) { return (items & dxBit(i)) != 0; };
  for (int i = 0; i < 6; ++i) actions[i < 4 ? i : i + 1]->setText(ToQ(kMenuCaptions[i]));
  actions[0]->setVisible(has(pmiCut));
  actions[1]->setVisible(has(pmiCopy));
  actions[2]->setVisible(has(pmiPaste));
  actions[3]->setVisible(has(pmiDelete));
  actions[4]->setVisible(has(pmiLoad) || has(pmiSave));
  actions[5]->setVisible(has(pmiLoad));
  actions[6]->setVisible(has(pmiSave));
  actions[7]->setVisible(has(pmiCustom));
  actions[8]->setVisible(has(pmiCustom));
  actions[8]->setText(ToQ(layout.CustomMenuItemCaption()));
  if (layout.HasCustomMenuItemGlyph() &&
      !const_cast<TcxPopupMenuLayout&>(layout).CustomMenuItemGlyph()->Empty())
    actions[8]->setIcon(QIcon(QPixmap::fromImage(
        cxTransparentGlyph(const_cast<TcxPopupMenuLayout&>(layout).CustomMenuItemGlyph()->Image()))));
  else
    actions[8]->setIcon(QIcon());
  bool empty = picture_->Empty();
  bool icon = properties_->GraphicClass() == TIcon::Class();
  actions[0]->setEnabled(CanModify() && !empty && !icon);
  actions[1]->setEnabled(!empty && !icon);
  actions[2]->setEnabled(CanModify() && CanPastePicture());
  actions[3]->setEnabled(CanModify() && !empty);
  actions[5]->setEnabled(CanModify());
  actions[6]->setEnabled(!empty);
  actions[8]->setEnabled(true);
  return builtInMenu_;
}

void TcxImage::RunMenuCommand(int tag) {
  ScopedValue action(userAction_, true);
  Guarded([&] {
    switch (tag) {
      case 0: CutPicture(); break;
      case 1: CopyPicture(); break;
      case 2: PastePicture(); break;
      case 3: ClearPicture(); break;
      case 4: LoadPictureWithDialog(); break;
      case 5: SavePictureWithDialog(); break;
      case 6: RunCustomMenuItem(); break;
    }
  });
}

void TcxImage::contextMenuEvent(QContextMenuEvent* e) {
  bool keyboard = e->reason() == QContextMenuEvent::Keyboard;
  if (popupMenu_ || properties_->PopupMenuLayout().MenuItems() == 0) {
    if (!popupMenu_) return;
    if (!keyboard && !viewInfo_.ContentRect.Contains({e->pos().x(), e->pos().y()})) return;
    QPoint at = keyboard ? mapToGlobal(QPoint(0, 0)) : e->globalPos();
    popupMenu_->setProperty("PopupComponent", QVariant::fromValue(static_cast<QObject*>(this)));
    popupMenu_->popup(at);
    return;
  }
  QMenu* menu = PrepareBuiltInMenu();
  menu->popup(keyboard ? mapToGlobal(QPoint(10, 10)) : e->globalPos());
}

void TcxImage::mousePressEvent(QMouseEvent* e) {
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  TcxContainer::mousePressEvent(e);
}

void TcxImage::changeEvent(QEvent* e) {
  TcxContainer::changeEvent(e);
  // The caption follows the font even when the frame does not change.
  if (e->type() == QEvent::FontChange) update();
}
