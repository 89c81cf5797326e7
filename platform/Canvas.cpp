// The canvas: colours, mono patterns, device capabilities, regions, the fonts
// of a canvas, construction, the mapping, the drawing state and clipping. Lines,
// shapes, fills and pictures are drawn in CanvasDrawing.cpp, text in
// CanvasText.cpp, edges and frame controls in CanvasFrameControls.cpp.
#include "platform/Canvas.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QScreen>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/CanvasHelpers.h"

using namespace CanvasHelpers;

namespace {

// Pixel size of the reference font that text is measured and drawn with.
constexpr int kRefPixels = 2048;

// round(v * num / den) with halves rounded up (towards +infinity), exact.
long long ScaleRound(long long v, long long num, long long den) {
  __int128 n = __int128(v) * num;
  __int128 d = den;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  __int128 a = 2 * n + d, b = 2 * d;
  __int128 q = a / b;
  if (a % b != 0 && a < 0) --q;
  if (q > LLONG_MAX / 2) return LLONG_MAX / 2;
  if (q < LLONG_MIN / 2) return LLONG_MIN / 2;
  return (long long)q;
}

int RegionKind(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

QColor ColorToQColor(TColor color) {
  std::uint32_t rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// ---- Mono patterns -------------------------------------------------------------

QPixmap ScreenPixmap(int width, int height, const std::function<void(QPainter&)>& paint) {
  const qreal ratio = qGuiApp ? std::max<qreal>(1, qGuiApp->devicePixelRatio()) : 1;
  QPixmap pixmap(int(std::ceil(std::max(1, width) * ratio)), int(std::ceil(std::max(1, height) * ratio)));
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  paint(painter);
  return pixmap;
}

bool PaintsOnPaper(const QPainter& painter) {
  const QPaintEngine* engine = painter.paintEngine();
  return engine && engine->type() == QPaintEngine::Pdf;
}

bool PaintsOnScreen(const QPainter& painter) {
  const QPaintEngine* engine = painter.paintEngine();
  return engine && engine->type() == QPaintEngine::Raster;
}

QImage OpaqueForPaper(const QImage& image, double opacity) {
  opacity = std::clamp(std::isfinite(opacity) ? opacity : 1.0, 0.0, 1.0);
  if (image.isNull() || (!image.hasAlphaChannel() && opacity >= 1)) return image;
  QImage out = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  const int fade = int(std::lround(opacity * 256));
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb c = line[x];
      auto toPaper = [fade](int v) { return 255 - (((255 - v) * fade) >> 8); };
      const int alpha = out.hasAlphaChannel() ? (qAlpha(c) >= 128 ? 255 : 0) : 255;
      line[x] = qRgba(toPaper(qRed(c)), toPaper(qGreen(c)), toPaper(qBlue(c)), alpha);
    }
  }
  return out;
}

void DrawPicture(QPainter& painter, const QRectF& dest, const QImage& image) {
  painter.drawImage(dest, PaintsOnPaper(painter) ? OpaqueForPaper(image) : image);
}

QImage CreateMonoPattern(std::span<const std::uint8_t> rows, int width) {
  width = std::clamp(width, 1, 8);
  if (rows.empty()) return QImage();
  QImage image(width, int(rows.size()), QImage::Format_Mono);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, (rows[std::size_t(y)] >> (7 - x)) & 1);
  return image;
}

// ---- Device capabilities ---------------------------------------------------------

TDeviceCaps TDeviceCaps::FromDevice(const QPaintDevice* device) {
  TDeviceCaps caps;
  if (!device) return caps;
  caps.HorzRes = device->width();
  caps.VertRes = device->height();
  caps.HorzSize = device->widthMM();
  caps.VertSize = device->heightMM();
  caps.LogPixelsX = device->logicalDpiX() > 0 ? device->logicalDpiX() : 96;
  caps.LogPixelsY = device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
  caps.BitsPixel = device->depth();
  caps.NumColors = caps.BitsPixel > 0 && caps.BitsPixel <= 8 ? 1 << caps.BitsPixel : -1;
  caps.PhysicalWidth = caps.HorzRes;
  caps.PhysicalHeight = caps.VertRes;
  switch (device->devType()) {
    case QInternal::Printer: {
      caps.Technology = DT_RASPRINTER;
      if (const auto* printer = dynamic_cast<const QPrinter*>(device)) {
        int res = printer->resolution();
        if (res > 0) {
          QPageLayout layout = printer->pageLayout();
          QRect full = layout.fullRectPixels(res);
          QRect paint = layout.paintRectPixels(res);
          caps.PhysicalWidth = full.width();
          caps.PhysicalHeight = full.height();
          caps.PhysicalOffsetX = paint.left() - full.left();
          caps.PhysicalOffsetY = paint.top() - full.top();
          caps.LogPixelsX = caps.LogPixelsY = res;
        }
      }
      break;
    }
    case QInternal::Picture:
      caps.Technology = DT_METAFILE;
      break;
    default:
      caps.Technology = DT_RASDISPLAY;
      break;
  }
  return caps;
}

TDeviceCaps TDeviceCaps::Screen() {
  TDeviceCaps caps;
  QScreen* screen = QGuiApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
  if (!screen) {
    caps.HorzRes = 1024;
    caps.VertRes = 768;
    caps.HorzSize = 271;
    caps.VertSize = 203;
  } else {
    caps.HorzRes = screen->geometry().width();
    caps.VertRes = screen->geometry().height();
    caps.HorzSize = RoundToInt(screen->physicalSize().width());
    caps.VertSize = RoundToInt(screen->physicalSize().height());
    caps.LogPixelsX = std::max(1, RoundToInt(screen->logicalDotsPerInchX()));
    caps.LogPixelsY = std::max(1, RoundToInt(screen->logicalDotsPerInchY()));
    caps.BitsPixel = screen->depth();
  }
  caps.PhysicalWidth = caps.HorzRes;
  caps.PhysicalHeight = caps.VertRes;
  return caps;
}

// ---- Regions -----------------------------------------------------------------------

TRegion::TRegion(const TRect& rect) {
  if (!rect.IsEmpty()) region_ = QRegion(ToQRect(rect));
}

TRegion TRegion::Ellipse(const TRect& rect) {
  if (rect.IsEmpty()) return TRegion();
  return TRegion(QRegion(ToQRect(rect), QRegion::Ellipse));
}

TRegion TRegion::RoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight) {
  if (rect.IsEmpty()) return TRegion();
  double rx = std::clamp(ellipseWidth / 2.0, 0.0, rect.Width() / 2.0);
  double ry = std::clamp(ellipseHeight / 2.0, 0.0, rect.Height() / 2.0);
  if (rx < 1 || ry < 1) return TRegion(rect);
  QPainterPath path;
  path.addRoundedRect(QRectF(ToQRect(rect)), rx, ry);
  return TRegion(QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill) & QRegion(ToQRect(rect)));
}

int TRegion::Combine(const TRegion& other, int mode) {
  switch (mode) {
    case RGN_AND: region_ = region_.intersected(other.region_); break;
    case RGN_OR: region_ = region_.united(other.region_); break;
    case RGN_XOR: region_ = region_.xored(other.region_); break;
    case RGN_DIFF: region_ = region_.subtracted(other.region_); break;
    case RGN_COPY: region_ = other.region_; break;
    default: return RGN_ERROR;
  }
  return Kind();
}

void TRegion::Offset(int dx, int dy) { region_.translate(dx, dy); }
int TRegion::Kind() const { return RegionKind(region_); }
TRect TRegion::Box() const { return FromQRect(region_.boundingRect()); }
bool TRegion::Contains(TPoint p) const { return region_.contains(QPoint(p.X, p.Y)); }
bool TRegion::Intersects(const TRect& rect) const {
  return !rect.IsEmpty() && region_.intersects(ToQRect(rect));
}
std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> out;
  for (const QRect& r : region_) out.push_back(FromQRect(r));
  return out;
}

// ---- Fonts of the canvas -------------------------------------------------------------

const TCanvas::FontData& TCanvas::Font_() const {
  if (fontData_ && fontData_->key == state_.font) return *fontData_;
  auto fd = std::make_unique<FontData>();
  const TFont& f = state_.font;
  fd->key = f;
  fd->ref = MakeQFont(f, kRefPixels, true);
  QFontMetricsF m(fd->ref);
  double asc = std::max(0.0, m.ascent()), desc = std::max(0.0, m.descent());
  long long h = std::clamp<long long>(f.Height, -(1LL << 24), 1LL << 24);
  if (h == 0) h = -12;
  if (h > 0)
    fd->k = asc + desc > 0 ? double(h) / (asc + desc) : double(h) / kRefPixels;
  else
    fd->k = double(-h) / kRefPixels;
  TTextMetric& tm = fd->tm;
  tm.tmAscent = RoundToInt(asc * fd->k);
  tm.tmDescent = h > 0 ? std::max(0, int(h) - tm.tmAscent) : RoundToInt(desc * fd->k);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  int em = RoundToInt(kRefPixels * fd->k);
  tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
  tm.tmExternalLeading = std::max(0, RoundToInt(m.leading() * fd->k));
  tm.tmAveCharWidth = RoundToInt(m.averageCharWidth() * fd->k);
  tm.tmMaxCharWidth = RoundToInt(m.maxWidth() * fd->k);
  tm.tmWeight = f.Style & fsBold ? 700 : 400;
  tm.tmItalic = f.Style & fsItalic;
  tm.tmUnderlined = f.Style & fsUnderline;
  tm.tmStruckOut = f.Style & fsStrikeOut;
  tm.tmPitchAndFamily = 0x06 | (QFontInfo(fd->ref).fixedPitch() ? 0 : 1);
  tm.tmCharSet = f.Charset;
  tm.tmBreakChar = ' ';
  fontData_ = std::move(fd);
  return *fontData_;
}

// ---- Construction ------------------------------------------------------------------------

TCanvas::TCanvas(QPaintDevice* device) : TCanvas(device, TDeviceCaps::FromDevice(device)) {}

TCanvas::TCanvas(QPaintDevice* device, const TDeviceCaps& caps) : caps_(caps) {
  ownPainter_ = std::make_unique<QPainter>();
  if (!device || !ownPainter_->begin(device)) throw EInvalidGraphicOperation("Canvas does not allow drawing");
  painter_ = ownPainter_.get();
  Init();
}

namespace {
// The transform a painter applies of its own accord: its world transform and
// its window/viewport mapping. Its combined transform would also hold the
// device pixel ratio of a high-density device (a widget's backing store, an
// image with a ratio), which the painter applies underneath whatever world
// transform is set; taking it into the canvas's device space would scale
// everything twice.
QTransform OwnTransform(const QPainter& painter) {
  QTransform t = painter.worldMatrixEnabled() ? painter.worldTransform() : QTransform();
  if (painter.viewTransformEnabled()) {
    const QRect w = painter.window(), v = painter.viewport();
    if (w != v && w.width() != 0 && w.height() != 0) {
      const qreal sx = qreal(v.width()) / w.width(), sy = qreal(v.height()) / w.height();
      t *= QTransform(sx, 0, 0, sy, v.x() - w.x() * sx, v.y() - w.y() * sy);
    }
  }
  return t;
}
}  // namespace

TCanvas::TCanvas(QPainter& painter) : TCanvas(painter, TDeviceCaps::FromDevice(painter.device())) {}

TCanvas::TCanvas(QPainter& painter, const TDeviceCaps& caps) : caps_(caps) {
  if (!painter.isActive()) throw EInvalidGraphicOperation("Canvas does not allow drawing");
  painter_ = &painter;
  painter.save();
  restorePainter_ = true;
  base_ = OwnTransform(painter);
  if (painter.hasClipping()) baseClip_ = painter.clipRegion();
  painter.setViewTransformEnabled(false);
  Init();
}

TCanvas::TCanvas(const TDeviceCaps& caps) : caps_(caps) { Init(); }

TCanvas::~TCanvas() {
  if (restorePainter_ && painter_) painter_->restore();
  if (ownPainter_ && ownPainter_->isActive()) ownPainter_->end();
}

void TCanvas::Init() {
  if (caps_.Technology == DT_METAFILE)
    deviceBounds_ = QRect(-(1 << 28), -(1 << 28), 1 << 29, 1 << 29);
  else
    deviceBounds_ = QRect(0, 0, std::max(0, caps_.HorzRes), std::max(0, caps_.VertRes));
  if (caps_.LogPixelsX <= 0) caps_.LogPixelsX = 96;
  if (caps_.LogPixelsY <= 0) caps_.LogPixelsY = 96;
  state_.textColor = state_.font.Color;
  if (!painter_) return;
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::TextAntialiasing, true);
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, true);
  ApplyClip();
  painter_->setWorldTransform(MappingTransform());
}

int TCanvas::GetDeviceCaps(int index) const {
  switch (index) {
    case TECHNOLOGY: return caps_.Technology;
    case HORZSIZE: return caps_.HorzSize;
    case VERTSIZE: return caps_.VertSize;
    case HORZRES: return caps_.HorzRes;
    case VERTRES: return caps_.VertRes;
    case BITSPIXEL: return caps_.BitsPixel;
    case PLANES: return 1;
    case NUMCOLORS: return caps_.NumColors;
    case LOGPIXELSX: return caps_.LogPixelsX;
    case LOGPIXELSY: return caps_.LogPixelsY;
    case PHYSICALWIDTH: return caps_.PhysicalWidth;
    case PHYSICALHEIGHT: return caps_.PhysicalHeight;
    case PHYSICALOFFSETX: return caps_.PhysicalOffsetX;
    case PHYSICALOFFSETY: return caps_.PhysicalOffsetY;
    default: return 0;
  }
}

// ---- Mapping ----------------------------------------------------------------------------

QTransform TCanvas::MappingTransform() const {
  double sx = double(state_.viewportExt.cx) / state_.windowExt.cx;
  double sy = double(state_.viewportExt.cy) / state_.windowExt.cy;
  QTransform m(sx, 0, 0, sy, state_.viewportOrg.X - state_.windowOrg.X * sx,
               state_.viewportOrg.Y - state_.windowOrg.Y * sy);
  return m * base_;
}

void TCanvas::MappingChanged() {
  if (painter_) painter_->setWorldTransform(MappingTransform());
}

int TCanvas::MapX(int x) const {
  return ClampInt(state_.viewportOrg.X +
                  ScaleRound((long long)x - state_.windowOrg.X, state_.viewportExt.cx, state_.windowExt.cx));
}

int TCanvas::MapY(int y) const {
  return ClampInt(state_.viewportOrg.Y +
                  ScaleRound((long long)y - state_.windowOrg.Y, state_.viewportExt.cy, state_.windowExt.cy));
}

int TCanvas::DeviceLength(int logical) const {
  return ClampInt(std::llabs(ScaleRound(logical, state_.viewportExt.cx, state_.windowExt.cx)));
}

TPoint TCanvas::LPtoDP(TPoint p) const { return {MapX(p.X), MapY(p.Y)}; }

TPoint TCanvas::DPtoLP(TPoint p) const {
  return {ClampInt(state_.windowOrg.X + ScaleRound((long long)p.X - state_.viewportOrg.X, state_.windowExt.cx,
                                                   state_.viewportExt.cx)),
          ClampInt(state_.windowOrg.Y + ScaleRound((long long)p.Y - state_.viewportOrg.Y, state_.windowExt.cy,
                                                   state_.viewportExt.cy))};
}

TRect TCanvas::LPtoDP(const TRect& r) const {
  TPoint a = LPtoDP(r.TopLeft()), b = LPtoDP(r.BottomRight());
  return TRect(a.X, a.Y, b.X, b.Y);
}

TRect TCanvas::DPtoLP(const TRect& r) const {
  TPoint a = DPtoLP(r.TopLeft()), b = DPtoLP(r.BottomRight());
  return TRect(a.X, a.Y, b.X, b.Y);
}

void TCanvas::LPtoDP(std::span<TPoint> points) const {
  for (TPoint& p : points) p = LPtoDP(p);
}

void TCanvas::DPtoLP(std::span<TPoint> points) const {
  for (TPoint& p : points) p = DPtoLP(p);
}

TRect TCanvas::DeviceRect(const TRect& logical) const {
  int x0 = MapX(logical.Left), x1 = MapX(logical.Right);
  int y0 = MapY(logical.Top), y1 = MapY(logical.Bottom);
  return TRect(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
}

int TCanvas::SetMapMode(int mode) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  int old = state_.mapMode;
  if (mode == old && (mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC)) return old;
  int lx = caps_.LogPixelsX, ly = caps_.LogPixelsY;
  auto metric = [&](int unitsPerInch) {
    state_.windowExt = {unitsPerInch, unitsPerInch};
    state_.viewportExt = {lx, -ly};
  };
  switch (mode) {
    case MM_TEXT:
      state_.windowExt = {1, 1};
      state_.viewportExt = {1, 1};
      break;
    case MM_LOMETRIC: metric(254); break;
    case MM_HIMETRIC: metric(2540); break;
    case MM_LOENGLISH: metric(100); break;
    case MM_HIENGLISH: metric(1000); break;
    case MM_TWIPS: metric(1440); break;
    case MM_ISOTROPIC: metric(254); break;
    case MM_ANISOTROPIC: break;
  }
  state_.mapMode = mode;
  MappingChanged();
  return old;
}

void TCanvas::FixIsotropic() {
  // Reduce the viewport extent of the axis whose logical unit is longer.
  double xs = std::fabs(double(state_.viewportExt.cx) / (double(state_.windowExt.cx) * caps_.LogPixelsX));
  double ys = std::fabs(double(state_.viewportExt.cy) / (double(state_.windowExt.cy) * caps_.LogPixelsY));
  if (xs > ys) {
    double v = std::fabs(double(state_.windowExt.cx)) * caps_.LogPixelsX * ys;
    int m = std::max(1, RoundToInt(std::min(v, double(INT_MAX))));
    state_.viewportExt.cx = state_.viewportExt.cx < 0 ? -m : m;
  } else if (ys > xs) {
    double v = std::fabs(double(state_.windowExt.cy)) * caps_.LogPixelsY * xs;
    int m = std::max(1, RoundToInt(std::min(v, double(INT_MAX))));
    state_.viewportExt.cy = state_.viewportExt.cy < 0 ? -m : m;
  }
}

void TCanvas::SetWindowOrg(int x, int y, TPoint* old) {
  if (old) *old = state_.windowOrg;
  state_.windowOrg = {x, y};
  MappingChanged();
}

void TCanvas::OffsetWindowOrg(int dx, int dy, TPoint* old) {
  if (old) *old = state_.windowOrg;
  state_.windowOrg = {ClampInt((long long)state_.windowOrg.X + dx), ClampInt((long long)state_.windowOrg.Y + dy)};
  MappingChanged();
}

void TCanvas::SetViewportOrg(int x, int y, TPoint* old) {
  if (old) *old = state_.viewportOrg;
  state_.viewportOrg = {x, y};
  MappingChanged();
}

void TCanvas::OffsetViewportOrg(int dx, int dy, TPoint* old) {
  if (old) *old = state_.viewportOrg;
  state_.viewportOrg = {ClampInt((long long)state_.viewportOrg.X + dx),
                        ClampInt((long long)state_.viewportOrg.Y + dy)};
  MappingChanged();
}

bool TCanvas::SetWindowExt(int cx, int cy, TSize* old) {
  if (old) *old = state_.windowExt;
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return false;
  if (cx == 0 || cy == 0) return false;
  state_.windowExt = {cx, cy};
  if (state_.mapMode == MM_ISOTROPIC) FixIsotropic();
  MappingChanged();
  return true;
}

bool TCanvas::SetViewportExt(int cx, int cy, TSize* old) {
  if (old) *old = state_.viewportExt;
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return false;
  if (cx == 0 || cy == 0) return false;
  state_.viewportExt = {cx, cy};
  if (state_.mapMode == MM_ISOTROPIC) FixIsotropic();
  MappingChanged();
  return true;
}

namespace {
bool ScaleExtent(TSize& ext, int xNum, int xDenom, int yNum, int yDenom) {
  if (xDenom == 0 || yDenom == 0) return false;
  long long cx = (long long)ext.cx * xNum / xDenom;
  long long cy = (long long)ext.cy * yNum / yDenom;
  if (cx == 0 || cy == 0 || cx != ClampInt(cx) || cy != ClampInt(cy)) return false;
  ext = {int(cx), int(cy)};
  return true;
}
}  // namespace

bool TCanvas::ScaleWindowExt(int xNum, int xDenom, int yNum, int yDenom, TSize* old) {
  if (old) *old = state_.windowExt;
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return true;
  if (!ScaleExtent(state_.windowExt, xNum, xDenom, yNum, yDenom)) return false;
  if (state_.mapMode == MM_ISOTROPIC) FixIsotropic();
  MappingChanged();
  return true;
}

bool TCanvas::ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom, TSize* old) {
  if (old) *old = state_.viewportExt;
  if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC) return true;
  if (!ScaleExtent(state_.viewportExt, xNum, xDenom, yNum, yDenom)) return false;
  if (state_.mapMode == MM_ISOTROPIC) FixIsotropic();
  MappingChanged();
  return true;
}

// ---- State --------------------------------------------------------------------------------

int TCanvas::SaveDC() {
  saved_.push_back(state_);
  return int(saved_.size());
}

bool TCanvas::RestoreDC(int savedDC) {
  int depth = int(saved_.size());
  int level = savedDC > 0 ? savedDC : depth + 1 + savedDC;
  if (savedDC == 0 || level < 1 || level > depth) return false;
  bool clipChanged = saved_[std::size_t(level - 1)].clip != state_.clip;
  state_ = std::move(saved_[std::size_t(level - 1)]);
  saved_.resize(std::size_t(level - 1));
  if (painter_) {
    if (clipChanged) ApplyClip();
    painter_->setWorldTransform(MappingTransform());
  }
  return true;
}

void TCanvas::SetFont(const TFont& font) {
  state_.font = font;
  state_.textColor = font.Color;
}

TColor TCanvas::SetTextColor(TColor color) {
  TColor old = state_.textColor;
  state_.textColor = color;
  return old;
}

TColor TCanvas::SetBkColor(TColor color) {
  TColor old = state_.bkColor;
  state_.bkColor = color;
  return old;
}

int TCanvas::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  int old = state_.bkMode;
  state_.bkMode = mode;
  return old;
}

unsigned TCanvas::SetTextAlign(unsigned align) {
  unsigned old = state_.textAlign;
  state_.textAlign = align;
  return old;
}

int TCanvas::SetPolyFillMode(int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  int old = state_.polyFillMode;
  state_.polyFillMode = mode;
  return old;
}

void TCanvas::SetBrushOrg(int x, int y, TPoint* old) {
  if (old) *old = state_.brushOrg;
  state_.brushOrg = {x, y};
}

void TCanvas::SetTextJustification(int breakExtra, int breakCount) {
  if (breakCount <= 0 || breakExtra == 0) breakExtra = breakCount = 0;
  state_.justifyExtra = breakExtra;
  state_.justifyCount = breakCount;
}

// ---- Clipping -----------------------------------------------------------------------------

void TCanvas::ApplyClip() {
  if (!painter_) return;
  DeviceSpace ds(*this);
  if (state_.clip && baseClip_)
    painter_->setClipRegion(*state_.clip & *baseClip_);
  else if (state_.clip)
    painter_->setClipRegion(*state_.clip);
  else if (baseClip_)
    painter_->setClipRegion(*baseClip_);
  else
    // Not setClipping(false): after it the raster engine of Qt 6.4 ignores
    // the next clip region set for fills.
    painter_->setClipRegion(QRegion(), Qt::NoClip);
}

QRegion TCanvas::VisibleRegion() const {
  QRegion r(deviceBounds_);
  if (state_.clip) r &= *state_.clip;
  if (baseClip_) r &= *baseClip_;
  return r;
}

int TCanvas::ClipKind() const { return RegionKind(state_.clip ? *state_.clip : QRegion(deviceBounds_)); }

int TCanvas::IntersectClipRect(const TRect& logical) {
  QRegion r(ToQRect(DeviceRect(logical)));
  state_.clip = state_.clip ? (*state_.clip & r) : r;
  ApplyClip();
  return ClipKind();
}

int TCanvas::ExcludeClipRect(const TRect& logical) {
  QRegion r(ToQRect(DeviceRect(logical)));
  state_.clip = (state_.clip ? *state_.clip : QRegion(deviceBounds_)).subtracted(r);
  ApplyClip();
  return ClipKind();
}

int TCanvas::SelectClipRgn(const TRegion* deviceRegion) {
  if (deviceRegion)
    state_.clip = deviceRegion->ToQRegion();
  else
    state_.clip.reset();
  ApplyClip();
  return ClipKind();
}

int TCanvas::ExtSelectClipRgn(const TRegion* deviceRegion, int mode) {
  if (mode == RGN_COPY) return SelectClipRgn(deviceRegion);
  if (!deviceRegion) return RGN_ERROR;
  TRegion current(state_.clip ? *state_.clip : QRegion(deviceBounds_));
  if (current.Combine(*deviceRegion, mode) == RGN_ERROR) return RGN_ERROR;
  state_.clip = current.ToQRegion();
  ApplyClip();
  return ClipKind();
}

int TCanvas::SelectClipRect(const TRect& logical) {
  state_.clip = QRegion(ToQRect(DeviceRect(logical)));
  ApplyClip();
  return ClipKind();
}

bool TCanvas::GetClipRgn(TRegion& deviceRegion) const {
  if (!state_.clip) return false;
  deviceRegion = TRegion(*state_.clip);
  return true;
}

int TCanvas::GetClipBox(TRect& logical) const {
  QRegion vis = VisibleRegion();
  if (vis.isEmpty()) {
    logical = TRect();
    return NULLREGION;
  }
  TRect box = FromQRect(vis.boundingRect());
  TPoint a = DPtoLP(box.TopLeft()), b = DPtoLP(box.BottomRight());
  logical = TRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
  return RegionKind(vis);
}

bool TCanvas::RectVisible(const TRect& logical) const {
  TRect d = DeviceRect(logical);
  if (d.IsEmpty()) return false;
  return VisibleRegion().intersects(ToQRect(d));
}

bool TCanvas::PtVisible(int x, int y) const { return VisibleRegion().contains(QPoint(MapX(x), MapY(y))); }
