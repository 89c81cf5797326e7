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

namespace {
QColor ToQColor(TColor color) { return ColorToQColor(color); }


// Pixel size of the reference font that text is measured and drawn with.
constexpr int kRefPixels = 2048;

int ClampInt(long long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int(v);
}

int RoundToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= double(INT_MAX)) return INT_MAX;
  if (v <= double(INT_MIN)) return INT_MIN;
  return int(std::floor(v + 0.5));
}

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

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }

TRect FromQRect(const QRect& r) {
  if (r.isEmpty()) return TRect();
  return TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
}

int RegionKind(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool IsRasterDevice(QPainter* p) {
  return p && p->paintEngine() && p->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

// Hatch rows, most significant bit = leftmost pixel.
const std::uint8_t* HatchRows(TBrushStyle style) {
  static const std::uint8_t rows[6][8] = {
      {0xFF, 0, 0, 0, 0, 0, 0, 0},                          // horizontal
      {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},     // vertical
      {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},     // \ forward diagonal
      {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},     // / backward diagonal
      {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80},     // cross
      {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},     // diagonal cross
  };
  switch (style) {
    case bsHorizontal: return rows[0];
    case bsVertical: return rows[1];
    case bsFDiagonal: return rows[2];
    case bsBDiagonal: return rows[3];
    case bsCross: return rows[4];
    case bsDiagCross: return rows[5];
    default: return nullptr;
  }
}

QRgb OpaqueRgb(TColor c) { return ToQColor(c).rgba(); }

TBrush SolidBrush(TColor c) {
  TBrush b;
  b.Color = c;
  return b;
}

// ---- UTF-8 text with byte <-> UTF-16 bookkeeping ----

struct TextChar {
  int byteStart;
  int byteLen;
  int u16Start;
  int u16Len;
  bool isBreak;  // a space
};

struct DecodedText {
  QString q;
  std::vector<TextChar> chars;
};

DecodedText Decode(const std::string& s) {
  DecodedText out;
  out.q.reserve(int(std::min<std::size_t>(s.size(), 1u << 24)));
  const auto* b = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t n = s.size(), i = 0;
  while (i < n) {
    unsigned c = b[i];
    char32_t cp = 0xFFFD;
    int len = 1;
    auto cont = [&](std::size_t k) { return k < n && (b[k] & 0xC0) == 0x80; };
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
      cp = ((c & 0x1F) << 6) | (b[i + 1] & 0x3F);
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
      char32_t v = ((c & 0x0F) << 12) | ((b[i + 1] & 0x3F) << 6) | (b[i + 2] & 0x3F);
      if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
        cp = v;
        len = 3;
      }
    } else if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
      char32_t v = ((c & 0x07) << 18) | ((b[i + 1] & 0x3F) << 12) | ((b[i + 2] & 0x3F) << 6) | (b[i + 3] & 0x3F);
      if (v >= 0x10000 && v <= 0x10FFFF) {
        cp = v;
        len = 4;
      }
    }
    if (cp < 0x20 || cp == 0x7F) cp = ' ';  // control characters take the room of a space
    TextChar ch{int(i), len, int(out.q.size()), 0, c == ' '};
    if (cp >= 0x10000) {
      out.q.append(QChar(QChar::highSurrogate(cp)));
      out.q.append(QChar(QChar::lowSurrogate(cp)));
    } else {
      out.q.append(QChar(char16_t(cp)));
    }
    ch.u16Len = int(out.q.size()) - ch.u16Start;
    out.chars.push_back(ch);
    i += std::size_t(len);
  }
  return out;
}

// Pen positions (reference pixels) at every UTF-16 index 0..size.
std::vector<double> RefPositions(const QFont& font, const QString& q) {
  std::vector<double> pos(std::size_t(q.size()) + 1, 0.0);
  if (q.isEmpty()) return pos;
  QTextLayout layout(q, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e9);
  layout.endLayout();
  if (!line.isValid()) return pos;
  for (int i = 0; i <= q.size(); ++i) pos[std::size_t(i)] = line.cursorToX(i);
  for (std::size_t i = 1; i < pos.size(); ++i) pos[i] = std::max(pos[i], pos[i - 1]);
  return pos;
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

struct TCanvas::FontData {
  TFont key;
  QFont ref;       // kRefPixels em, unhinted
  double k = 0;    // logical units per reference pixel
  TTextMetric tm;
};

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

class TCanvas::DeviceSpace {
 public:
  explicit DeviceSpace(const TCanvas& c) : c_(c) { c_.painter_->setWorldTransform(c_.base_); }
  ~DeviceSpace() { c_.painter_->setWorldTransform(c_.MappingTransform()); }
  DeviceSpace(const DeviceSpace&) = delete;
  DeviceSpace& operator=(const DeviceSpace&) = delete;

 private:
  const TCanvas& c_;
};

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

// ---- Brushes and pens ---------------------------------------------------------------------

namespace {

struct BrushSetup {
  bool none = true;
  QBrush brush;
};

// What a brush paints, given the text and background colours and mode.
BrushSetup MakeBrush(const TBrush& b, TColor textColor, TColor bkColor, int bkMode) {
  BrushSetup s;
  if (!b.Bitmap.isNull()) {
    const QImage& src = b.Bitmap;
    QImage tex(src.size(), QImage::Format_ARGB32_Premultiplied);
    if (src.format() == QImage::Format_Mono || src.format() == QImage::Format_MonoLSB) {
      QRgb fg = textColor == clNone ? 0 : OpaqueRgb(textColor);
      QRgb bg = bkColor == clNone ? 0 : OpaqueRgb(bkColor);
      for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) tex.setPixel(x, y, qGray(src.pixel(x, y)) >= 128 ? bg : fg);
    } else {
      tex = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    s.brush = QBrush(tex);
    s.none = false;
    return s;
  }
  if (b.Style == bsClear || b.Color == clNone) return s;
  if (b.Style == bsSolid) {
    s.brush = QBrush(ToQColor(b.Color));
    s.none = false;
    return s;
  }
  const std::uint8_t* rows = HatchRows(b.Style);
  if (!rows) return s;
  QImage tex(8, 8, QImage::Format_ARGB32_Premultiplied);
  tex.fill(bkMode == OPAQUE && bkColor != clNone ? OpaqueRgb(bkColor) : 0);
  QRgb line = OpaqueRgb(b.Color);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if ((rows[y] >> (7 - x)) & 1) tex.setPixel(x, y, line);
  s.brush = QBrush(tex);
  s.none = false;
  return s;
}

}  // namespace

void TCanvas::FillDeviceRect(const QRect& r, const TBrush& brush) {
  if (!painter_ || r.isEmpty()) return;
  BrushSetup b = MakeBrush(brush, state_.textColor, state_.bkColor, state_.bkMode);
  if (b.none) return;
  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  painter_->fillRect(r, b.brush);
}

void TCanvas::FillDeviceRegion(const QRegion& r, const TBrush& brush) {
  if (!painter_ || r.isEmpty()) return;
  BrushSetup b = MakeBrush(brush, state_.textColor, state_.bkColor, state_.bkMode);
  if (b.none) return;
  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  for (const QRect& rect : r) painter_->fillRect(rect, b.brush);
}

namespace {

struct PenSetup {
  bool none = true;
  bool thin = true;   // one device pixel
  double width = 1;   // device pixels
  bool inside = false;
  QPen pen;
  bool gaps = false;  // styled line on an opaque background
  QPen gapPen;
};

}  // namespace

// The pen in device terms.
static PenSetup MakePen(const TPen& p, int deviceWidth, TColor bkColor, int bkMode) {
  PenSetup s;
  if (p.Style == psClear || p.Color == clNone) return s;
  s.none = false;
  s.width = std::max(1, deviceWidth);
  s.thin = s.width <= 1;
  s.inside = p.Style == psInsideFrame;
  QColor c = ToQColor(p.Color);
  if (s.thin) {
    s.pen = QPen(c, 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    QList<qreal> dashes;
    switch (p.Style) {
      case psDash: dashes = {18, 6}; break;
      case psDot: dashes = {3, 3}; break;
      case psDashDot: dashes = {9, 6, 3, 6}; break;
      case psDashDotDot: dashes = {9, 3, 3, 3, 3, 3}; break;
      default: break;
    }
    if (!dashes.isEmpty()) {
      s.pen.setDashPattern(dashes);
      if (bkMode == OPAQUE && bkColor != clNone) {
        s.gaps = true;
        s.gapPen = QPen(ToQColor(bkColor), 0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
      }
    }
  } else {
    s.pen = QPen(c, s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  }
  return s;
}

// A one-pixel line from d0 to d1 without its last pixel, or a wide line
// with round ends.
void TCanvas::StrokeLine(TPoint d0, TPoint d1) {
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  if (ps.none || !painter_) return;
  DeviceSpace ds(*this);
  painter_->setBrush(Qt::NoBrush);
  if (!ps.thin) {
    painter_->setPen(ps.pen);
    painter_->drawLine(QPointF(d0.X + 0.5, d0.Y + 0.5), QPointF(d1.X + 0.5, d1.Y + 0.5));
    return;
  }
  if (d0 == d1) return;
  // A cosmetic pen with flat caps leaves out the last pixel, as lines do here.
  QPoint a(d0.X, d0.Y), b(d1.X, d1.Y);
  if (ps.gaps) {
    painter_->setPen(ps.gapPen);
    painter_->drawLine(a, b);
  }
  painter_->setPen(ps.pen);
  painter_->drawLine(a, b);
}

// ---- Lines and shapes ------------------------------------------------------------------------

void TCanvas::MoveTo(int x, int y) { state_.penPos = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  StrokeLine(LPtoDP(state_.penPos), LPtoDP(TPoint{x, y}));
  state_.penPos = {x, y};
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (points.size() < 2 || !painter_) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  if (ps.none) return;
  if (ps.thin) {
    for (std::size_t i = 1; i < points.size(); ++i) StrokeLine(LPtoDP(points[i - 1]), LPtoDP(points[i]));
    return;
  }
  QPolygonF poly;
  for (const TPoint& p : points) {
    TPoint d = LPtoDP(p);
    poly << QPointF(d.X + 0.5, d.Y + 0.5);
  }
  DeviceSpace ds(*this);
  painter_->setBrush(Qt::NoBrush);
  painter_->setPen(ps.pen);
  painter_->drawPolyline(poly);
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2 || !painter_) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  BrushSetup bs = MakeBrush(state_.brush, state_.textColor, state_.bkColor, state_.bkMode);
  Qt::FillRule rule = state_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
  QPolygon poly;
  QPolygonF polyF;
  for (const TPoint& p : points) {
    TPoint d = LPtoDP(p);
    poly << QPoint(d.X, d.Y);
    polyF << QPointF(d.X + 0.5, d.Y + 0.5);
  }
  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  if (!bs.none) {
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(bs.brush);
    painter_->drawPolygon(poly, rule);
  }
  if (ps.none) return;
  painter_->setBrush(Qt::NoBrush);
  if (ps.thin) {
    if (ps.gaps) {
      painter_->setPen(ps.gapPen);
      painter_->drawPolygon(poly, rule);
    }
    painter_->setPen(ps.pen);
    painter_->drawPolygon(poly, rule);
  } else {
    painter_->setPen(ps.pen);
    painter_->drawPolygon(polyF, rule);
  }
}

void TCanvas::PolyBezier(std::span<const TPoint> points) {
  if (points.size() < 4 || (points.size() - 1) % 3 != 0 || !painter_) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  if (ps.none) return;
  double off = ps.thin ? 0.0 : 0.5;
  auto dev = [&](std::size_t i) {
    TPoint d = LPtoDP(points[i]);
    return QPointF(d.X + off, d.Y + off);
  };
  QPainterPath path(dev(0));
  for (std::size_t i = 1; i + 2 < points.size(); i += 3) path.cubicTo(dev(i), dev(i + 1), dev(i + 2));
  DeviceSpace ds(*this);
  painter_->setBrush(Qt::NoBrush);
  painter_->setPen(ps.pen);
  painter_->drawPath(path);
}

namespace {
enum FigureKind { fkRectangle, fkEllipse, fkRoundRect, fkArc, fkPie, fkChord };

// Angle (degrees, counter-clockwise on the device) of the ellipse parameter
// whose point lies on the ray from the centre through p.
double ParamAngle(const QRectF& r, QPointF p) {
  double cx = r.center().x(), cy = r.center().y();
  double a = std::max(r.width() / 2, 1e-9), b = std::max(r.height() / 2, 1e-9);
  double ux = p.x() - cx, uy = cy - p.y();
  if (ux == 0 && uy == 0) ux = 1;
  return std::atan2(uy / b, ux / a) * 180.0 / std::numbers::pi;
}
}  // namespace

void TCanvas::DrawClosedFigure(int kind, const TRect& r, TPoint start, TPoint end, int ew, int eh) {
  if (!painter_) return;
  TRect d = DeviceRect(r);
  if (d.Width() < 1 || d.Height() < 1) return;
  PenSetup ps = MakePen(state_.pen, state_.pen.Width == 0 ? 1 : DeviceLength(state_.pen.Width), state_.bkColor,
                        state_.bkMode);
  BrushSetup bs = kind == fkArc ? BrushSetup() : MakeBrush(state_.brush, state_.textColor, state_.bkColor, state_.bkMode);
  if (kind == fkArc && ps.none) return;

  // Geometry: through the centres of the outermost pixels.
  QRectF g;
  if (ps.none || ps.thin) {
    g = QRectF(d.Left, d.Top, d.Width() - 1, d.Height() - 1);
  } else if (ps.inside) {
    double w = std::min({ps.width, double(d.Width()), double(d.Height())});
    g = QRectF(d.Left + w / 2, d.Top + w / 2, d.Width() - w, d.Height() - w);
  } else {
    g = QRectF(d.Left + 0.5, d.Top + 0.5, d.Width() - 1, d.Height() - 1);
  }

  DeviceSpace ds(*this);
  painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
  painter_->setPen(ps.none ? QPen(Qt::NoPen) : ps.pen);
  painter_->setBrush(bs.none ? QBrush(Qt::NoBrush) : bs.brush);

  if (kind == fkRectangle) {
    if (ps.none) {
      if (!bs.none) painter_->fillRect(QRect(d.Left, d.Top, d.Width() - 1, d.Height() - 1), bs.brush);
      return;
    }
    if (ps.gaps) {
      painter_->setPen(ps.gapPen);
      painter_->drawRect(g);
      painter_->setPen(ps.pen);
      painter_->setBrush(Qt::NoBrush);
    }
    painter_->drawRect(g);
    return;
  }
  if (kind == fkEllipse) {
    painter_->drawEllipse(g);
    return;
  }
  if (kind == fkRoundRect) {
    double sx = std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx);
    double sy = std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy);
    double rx = std::min(std::fabs(ew) * sx / 2, g.width() / 2);
    double ry = std::min(std::fabs(eh) * sy / 2, g.height() / 2);
    painter_->drawRoundedRect(g, rx, ry, Qt::AbsoluteSize);
    return;
  }
  TPoint ds0 = LPtoDP(start), de0 = LPtoDP(end);
  double a0 = ParamAngle(g, QPointF(ds0.X, ds0.Y));
  double a1 = ParamAngle(g, QPointF(de0.X, de0.Y));
  double span = a1 - a0;
  while (span <= 0) span += 360;
  while (span > 360) span -= 360;
  int s16 = RoundToInt(a0 * 16), span16 = RoundToInt(span * 16);
  if (kind == fkArc) {
    painter_->setBrush(Qt::NoBrush);
    painter_->drawArc(g, s16, span16);
  } else if (kind == fkPie) {
    painter_->drawPie(g, s16, span16);
  } else {
    painter_->drawChord(g, s16, span16);
  }
}

void TCanvas::Rectangle(const TRect& r) { DrawClosedFigure(fkRectangle, r, {}, {}, 0, 0); }
void TCanvas::Ellipse(const TRect& r) { DrawClosedFigure(fkEllipse, r, {}, {}, 0, 0); }
void TCanvas::RoundRect(const TRect& r, int ew, int eh) { DrawClosedFigure(fkRoundRect, r, {}, {}, ew, eh); }
void TCanvas::Arc(const TRect& r, TPoint s, TPoint e) { DrawClosedFigure(fkArc, r, s, e, 0, 0); }
void TCanvas::Pie(const TRect& r, TPoint s, TPoint e) { DrawClosedFigure(fkPie, r, s, e, 0, 0); }
void TCanvas::Chord(const TRect& r, TPoint s, TPoint e) { DrawClosedFigure(fkChord, r, s, e, 0, 0); }

// ---- Fills ------------------------------------------------------------------------------------

void TCanvas::FillRect(const TRect& r) { FillRect(r, state_.brush); }

void TCanvas::FillRect(const TRect& r, const TBrush& brush) { FillDeviceRect(ToQRect(DeviceRect(r)), brush); }

void TCanvas::FillRect(const TRect& r, TColor color) {
  if (color == clNone) return;
  TBrush b;
  b.Color = color;
  FillRect(r, b);
}

void TCanvas::FrameRect(const TRect& r) { FrameRect(r, state_.brush); }

void TCanvas::FrameRect(const TRect& r, const TBrush& brush) {
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  int wx = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx)));
  int wy = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy)));
  QRegion frame(ToQRect(d));
  frame -= QRegion(QRect(d.Left + wx, d.Top + wy, d.Width() - 2 * wx, d.Height() - 2 * wy));
  FillDeviceRegion(frame, brush);
}

void TCanvas::InvertRect(const TRect& r) {
  if (!IsRasterDevice(painter_)) return;
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
  painter_->fillRect(ToQRect(d), Qt::black);
  painter_->restore();
}

void TCanvas::FillRgn(const TRegion& logicalRegion, const TBrush& brush) {
  QRegion dev;
  for (const QRect& r : logicalRegion.ToQRegion()) dev += QRect(ToQRect(DeviceRect(FromQRect(r))));
  FillDeviceRegion(dev, brush);
}

bool TCanvas::PatBlt(int x, int y, int width, int height, unsigned rop) {
  TRect d = DeviceRect(TRect(x, y, ClampInt((long long)x + width), ClampInt((long long)y + height)));
  switch (rop) {
    case PATCOPY: FillDeviceRect(ToQRect(d), state_.brush); return true;
    case BLACKNESS: FillDeviceRect(ToQRect(d), SolidBrush(clBlack)); return true;
    case WHITENESS: FillDeviceRect(ToQRect(d), SolidBrush(clWhite)); return true;
    case DSTINVERT:
      if (!IsRasterDevice(painter_) || d.IsEmpty()) return true;
      {
        DeviceSpace ds(*this);
        painter_->save();
        painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
        painter_->fillRect(ToQRect(d), Qt::black);
        painter_->restore();
      }
      return true;
    case PATINVERT: {
      if (!IsRasterDevice(painter_) || d.IsEmpty()) return true;
      BrushSetup b = MakeBrush(state_.brush, state_.textColor, state_.bkColor, state_.bkMode);
      if (b.none) return true;
      DeviceSpace ds(*this);
      painter_->save();
      painter_->setBrushOrigin(QPointF(state_.brushOrg.X, state_.brushOrg.Y));
      painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter_->fillRect(ToQRect(d), b.brush);
      painter_->restore();
      return true;
    }
    default: return false;
  }
}

TColor TCanvas::GetPixel(int x, int y) const {
  if (!painter_ || !painter_->device() || painter_->device()->devType() != QInternal::Image) return CLR_INVALID;
  const auto* image = static_cast<const QImage*>(painter_->device());
  QPoint p = base_.map(QPoint(MapX(x), MapY(y)));
  if (!image->rect().contains(p)) return CLR_INVALID;
  QRgb c = image->pixel(p);
  return TColor(RGBValue(qRed(c), qGreen(c), qBlue(c)));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (color == clNone) return;
  TBrush b;
  b.Color = color;
  FillDeviceRect(QRect(MapX(x), MapY(y), 1, 1), b);
}

// ---- Pictures ---------------------------------------------------------------------------------

void TCanvas::StretchDraw(const TRect& r, const TGraphic& graphic) {
  if (!painter_ || graphic.Empty()) return;
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  DeviceSpace ds(*this);
  painter_->save();
  try {
    graphic.Draw(*painter_, QRectF(d.Left, d.Top, d.Width(), d.Height()));
  } catch (...) {
    painter_->restore();
    throw;
  }
  painter_->restore();
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
  if (graphic.Empty()) return;
  StretchDraw(TRect(x, y, ClampInt((long long)x + graphic.Width()), ClampInt((long long)y + graphic.Height())),
              graphic);
}

void TCanvas::CopyRect(const TRect& dest, const QImage& source, const TRect& sourceRect, unsigned rop) {
  if (!painter_ || source.isNull() || sourceRect.IsEmpty()) return;
  TRect d = DeviceRect(dest);
  if (d.IsEmpty()) return;
  TRect s = IntersectRect(sourceRect, TRect(0, 0, source.width(), source.height()));
  if (s.IsEmpty()) return;
  // The part of the destination that the clamped source covers.
  double fx = double(d.Width()) / sourceRect.Width(), fy = double(d.Height()) / sourceRect.Height();
  QRectF target(d.Left + (s.Left - sourceRect.Left) * fx, d.Top + (s.Top - sourceRect.Top) * fy, s.Width() * fx,
                s.Height() * fy);
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  bool raster = IsRasterDevice(painter_);
  if (raster && rop == SRCPAINT) mode = QPainter::RasterOp_SourceOrDestination;
  if (raster && rop == SRCAND) mode = QPainter::RasterOp_SourceAndDestination;
  if (raster && rop == SRCINVERT) mode = QPainter::RasterOp_SourceXorDestination;
  QImage img = source.hasAlphaChannel() ? source.convertToFormat(QImage::Format_RGB32) : source;
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setCompositionMode(mode);
  painter_->drawImage(target, img, QRectF(s.Left, s.Top, s.Width(), s.Height()));
  painter_->restore();
}

bool TCanvas::BitBlt(int x, int y, int width, int height, const QImage& source, int sx, int sy, unsigned rop) {
  if (width <= 0 || height <= 0) return false;
  if (rop != SRCCOPY && rop != SRCPAINT && rop != SRCAND && rop != SRCINVERT) return false;
  CopyRect(TRect(x, y, ClampInt((long long)x + width), ClampInt((long long)y + height)), source,
           TRect(sx, sy, ClampInt((long long)sx + width), ClampInt((long long)sy + height)), rop);
  return true;
}

// ---- Text -------------------------------------------------------------------------------------

TTextMetric TCanvas::GetTextMetrics() const { return Font_().tm; }

TSize TCanvas::TextExtent(const std::string& text) const {
  const FontData& fd = Font_();
  if (text.empty()) return {0, fd.tm.tmHeight};
  DecodedText t = Decode(text);
  std::vector<double> pos = RefPositions(fd.ref, t.q);
  return {RoundToInt(pos.back() * fd.k), fd.tm.tmHeight};
}

TSize TCanvas::GetTextExtentExPoint(const std::string& text, int maxExtent, int* fit,
                                    std::vector<int>* partial) const {
  const FontData& fd = Font_();
  DecodedText t = Decode(text);
  std::vector<double> pos = RefPositions(fd.ref, t.q);
  if (partial) partial->assign(text.size(), 0);
  int fitBytes = 0;
  bool fitting = maxExtent >= 0;
  for (const TextChar& c : t.chars) {
    int ext = RoundToInt(pos[std::size_t(c.u16Start + c.u16Len)] * fd.k);
    if (partial)
      for (int b = 0; b < c.byteLen; ++b) (*partial)[std::size_t(c.byteStart + b)] = ext;
    if (fitting && ext <= maxExtent)
      fitBytes = c.byteStart + c.byteLen;
    else
      fitting = false;
  }
  if (fit) *fit = fitBytes;
  return {RoundToInt(pos.back() * fd.k), fd.tm.tmHeight};
}

TSize TCanvas::GetTabbedTextExtent(const std::string& text) const {
  const FontData& fd = Font_();
  int tab = std::max(1, 8 * fd.tm.tmAveCharWidth);
  long long x = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t tabPos = text.find('\t', start);
    std::string part = text.substr(start, tabPos == std::string::npos ? std::string::npos : tabPos - start);
    x += TextExtent(part).cx;
    if (tabPos == std::string::npos) break;
    x = (x / tab + 1) * tab;
    start = tabPos + 1;
  }
  return {ClampInt(x), fd.tm.tmHeight};
}

TSize TCanvas::TabbedTextOut(int x, int y, const std::string& text) {
  const FontData& fd = Font_();
  int tab = std::max(1, 8 * fd.tm.tmAveCharWidth);
  long long pos = 0;
  std::size_t start = 0;
  unsigned oldAlign = state_.textAlign;
  state_.textAlign &= ~(TA_UPDATECP | TA_CENTER);  // segments are placed left-aligned from x
  try {
    while (true) {
      std::size_t tabPos = text.find('\t', start);
      std::string part = text.substr(start, tabPos == std::string::npos ? std::string::npos : tabPos - start);
      if (!part.empty()) DrawTextRun(ClampInt(x + pos), y, 0, nullptr, part, {}, true);
      pos += TextExtent(part).cx;
      if (tabPos == std::string::npos) break;
      pos = (pos / tab + 1) * tab;
      start = tabPos + 1;
    }
  } catch (...) {
    state_.textAlign = oldAlign;
    throw;
  }
  state_.textAlign = oldAlign;
  return {ClampInt(pos), fd.tm.tmHeight};
}

void TCanvas::TextOut(int x, int y, const std::string& text) { DrawTextRun(x, y, 0, nullptr, text, {}, true); }

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                         std::span<const int> dx) {
  DrawTextRun(x, y, options, rect, text, dx, dx.empty());
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  unsigned options = ETO_CLIPPED;
  if (state_.brush.Style != bsClear && state_.brush.Color != clNone) options |= ETO_OPAQUE;
  TColor oldBk = state_.bkColor;
  if (options & ETO_OPAQUE) state_.bkColor = state_.brush.Color;
  try {
    DrawTextRun(x, y, options, &rect, text, {}, true);
  } catch (...) {
    state_.bkColor = oldBk;
    throw;
  }
  state_.bkColor = oldBk;
}

void TCanvas::DrawTextRun(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                          std::span<const int> dx, bool justify) {
  const FontData& fd = Font_();
  const TTextMetric& tm = fd.tm;
  DecodedText t = Decode(text);
  std::vector<double> pos = RefPositions(fd.ref, t.q);
  if (dx.size() < text.size()) dx = {};

  // Advances per character (logical units) when they are not the natural ones.
  std::vector<long long> charX;  // start of each character, logical
  long long width = RoundToInt(pos.back() * fd.k);
  bool perChar = false;
  if (!dx.empty() || (justify && state_.justifyCount > 0)) {
    perChar = true;
    charX.reserve(t.chars.size());
    long long cx = 0;
    int breaks = 0;
    for (const TextChar& c : t.chars) {
      charX.push_back(cx);
      if (!dx.empty()) {
        for (int b = 0; b < c.byteLen; ++b) cx += dx[std::size_t(c.byteStart + b)];
      } else {
        cx += RoundToInt(pos[std::size_t(c.u16Start + c.u16Len)] * fd.k) - RoundToInt(pos[std::size_t(c.u16Start)] * fd.k);
        if (c.isBreak && breaks < state_.justifyCount) {
          int share = state_.justifyExtra / state_.justifyCount;
          int rest = state_.justifyExtra % state_.justifyCount;
          cx += share + (breaks < std::abs(rest) ? (rest > 0 ? 1 : -1) : 0);
          ++breaks;
        }
      }
    }
    width = cx;
  }

  unsigned align = state_.textAlign;
  bool updateCP = align & TA_UPDATECP;
  if (updateCP) {
    x = state_.penPos.X;
    y = state_.penPos.Y;
  }
  double x0 = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    x0 = -double(width) / 2;
  else if (align & TA_RIGHT)
    x0 = -double(width);
  double baseline = tm.tmAscent;
  if ((align & TA_BASELINE) == TA_BASELINE)
    baseline = 0;
  else if (align & TA_BOTTOM)
    baseline = -tm.tmDescent;
  if (updateCP) {
    if ((align & TA_CENTER) == TA_CENTER) {
    } else if (align & TA_RIGHT) {
      state_.penPos.X = ClampInt(state_.penPos.X - width);
    } else {
      state_.penPos.X = ClampInt(state_.penPos.X + width);
    }
  }
  if (!painter_) return;

  // Local frame: logical offsets from the reference point, y downwards on
  // the device, rotated by the font's orientation.
  double sx = std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx);
  double sy = std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy);
  QTransform local = QTransform().rotate(-state_.font.Orientation / 10.0) * QTransform::fromScale(sx, sy) *
                     QTransform::fromTranslate(MapX(x), MapY(y));

  painter_->save();
  painter_->setWorldTransform(base_);
  if (options & ETO_OPAQUE) {
    if (rect && state_.bkColor != clNone) painter_->fillRect(ToQRect(DeviceRect(*rect)), ToQColor(state_.bkColor));
  } else if (state_.bkMode == OPAQUE && state_.bkColor != clNone && !text.empty()) {
    QRectF box(x0, baseline - tm.tmAscent, double(width), double(tm.tmHeight));
    QPolygonF poly = local.map(QPolygonF(box));
    if (state_.font.Orientation % 3600 == 0) {
      QRectF b = poly.boundingRect();
      QRect ib(QPoint(RoundToInt(b.left()), RoundToInt(b.top())), QPoint(RoundToInt(b.right()) - 1, RoundToInt(b.bottom()) - 1));
      painter_->fillRect(ib, ToQColor(state_.bkColor));
    } else {
      painter_->setPen(Qt::NoPen);
      painter_->setBrush(ToQColor(state_.bkColor));
      painter_->drawPolygon(poly);
    }
  }
  if ((options & ETO_CLIPPED) && rect) {
    QRect clip = ToQRect(DeviceRect(*rect));
    painter_->setClipRect(clip, painter_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  }
  if (state_.textColor != clNone && !t.q.isEmpty() && fd.k > 0) {
    painter_->setFont(fd.ref);
    painter_->setPen(ToQColor(state_.textColor));
    painter_->setBrush(Qt::NoBrush);
    painter_->setWorldTransform(QTransform::fromScale(fd.k, fd.k) * local * base_);
    double by = baseline / fd.k;
    if (!perChar) {
      painter_->drawText(QPointF(x0 / fd.k, by), t.q);
    } else {
      for (std::size_t i = 0; i < t.chars.size(); ++i) {
        const TextChar& c = t.chars[i];
        if (c.isBreak) continue;
        painter_->drawText(QPointF((x0 + double(charX[i])) / fd.k, by), t.q.mid(c.u16Start, c.u16Len));
      }
    }
  }
  painter_->restore();
}

// ---- Edges and controls -------------------------------------------------------------------------

namespace {
struct EdgeColors {
  TColor outerTL = clNone, outerBR = clNone, innerTL = clNone, innerBR = clNone;
};

EdgeColors EdgeColorsFor(unsigned edge, unsigned flags) {
  EdgeColors c;
  unsigned outer = edge & BDR_OUTER, inner = (edge & BDR_INNER) >> 2;
  if (flags & BF_MONO) {
    if (outer) c.outerTL = c.outerBR = clWindowFrame;
    if (inner) c.innerTL = c.innerBR = clWindow;
    return c;
  }
  if (flags & BF_FLAT) {
    if (outer) c.outerTL = c.outerBR = clBtnShadow;
    if (inner) c.innerTL = c.innerBR = clBtnFace;
    return c;
  }
  bool soft = flags & BF_SOFT;
  if (outer == 1) {  // raised
    c.outerTL = soft ? clBtnHighlight : cl3DLight;
    c.outerBR = cl3DDkShadow;
  } else if (outer == 2) {  // sunken
    c.outerTL = soft ? cl3DDkShadow : clBtnShadow;
    c.outerBR = clBtnHighlight;
  }
  if (inner == 1) {
    c.innerTL = soft ? cl3DLight : clBtnHighlight;
    c.innerBR = clBtnShadow;
  } else if (inner == 2) {
    c.innerTL = soft ? clBtnShadow : cl3DDkShadow;
    c.innerBR = cl3DLight;
  }
  return c;
}
}  // namespace

// One ring of an edge in device pixels: left and top first, then right and
// bottom over the shared corners; the rectangle shrinks by the ring.
void TCanvas::EdgeRing(TRect& d, unsigned sides, TColor tl, TColor br) {
  if (tl == clNone && br == clNone) return;
  int wx = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx)));
  int wy = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy)));
  auto fill = [&](int l, int t, int r, int b, TColor c) {
    if (c == clNone || r <= l || b <= t) return;
    TBrush brush;
    brush.Color = c;
    FillDeviceRect(QRect(l, t, r - l, b - t), brush);
  };
  if (sides & BF_LEFT) fill(d.Left, d.Top, d.Left + wx, d.Bottom, tl);
  if (sides & BF_TOP) fill(d.Left, d.Top, d.Right, d.Top + wy, tl);
  if (sides & BF_RIGHT) fill(d.Right - wx, d.Top, d.Right, d.Bottom, br);
  if (sides & BF_BOTTOM) fill(d.Left, d.Bottom - wy, d.Right, d.Bottom, br);
  if (sides & BF_LEFT) d.Left += wx;
  if (sides & BF_TOP) d.Top += wy;
  if (sides & BF_RIGHT) d.Right -= wx;
  if (sides & BF_BOTTOM) d.Bottom -= wy;
}

bool TCanvas::DrawEdge(TRect& rect, unsigned edge, unsigned flags) {
  TRect d = DeviceRect(rect);
  EdgeColors c = EdgeColorsFor(edge, flags);
  EdgeRing(d, flags & BF_RECT, c.outerTL, c.outerBR);
  EdgeRing(d, flags & BF_RECT, c.innerTL, c.innerBR);
  if ((flags & BF_MIDDLE) && d.Right > d.Left && d.Bottom > d.Top) {
    TBrush b;
    b.Color = flags & BF_MONO ? clWindow : clBtnFace;
    FillDeviceRect(ToQRect(d), b);
  }
  if (flags & BF_ADJUST) {
    // Back to logical units, keeping which logical side maps to which device side.
    TPoint a = DPtoLP(TPoint{d.Left, d.Top}), b = DPtoLP(TPoint{d.Right, d.Bottom});
    bool flipX = state_.viewportExt.cx / double(state_.windowExt.cx) < 0;
    bool flipY = state_.viewportExt.cy / double(state_.windowExt.cy) < 0;
    rect.Left = flipX ? b.X : a.X;
    rect.Right = flipX ? a.X : b.X;
    rect.Top = flipY ? b.Y : a.Y;
    rect.Bottom = flipY ? a.Y : b.Y;
  }
  return true;
}

bool TCanvas::DrawFrameControl(TRect& rect, unsigned type, unsigned state) {
  if (type != DFC_BUTTON) return false;
  TRect d = DeviceRect(rect);
  unsigned kind = state & 0xFF;
  unsigned look = (state & DFCS_MONO ? BF_MONO : 0) | (state & DFCS_FLAT ? BF_FLAT : 0);
  bool dim = state & DFCS_INACTIVE;
  bool pushed = state & DFCS_PUSHED;
  bool checked = state & DFCS_CHECKED;

  if (kind == DFCS_BUTTONPUSH) {
    EdgeColors c = EdgeColorsFor(pushed || checked ? EDGE_SUNKEN : EDGE_RAISED, BF_SOFT | look);
    EdgeRing(d, BF_RECT, c.outerTL, c.outerBR);
    EdgeRing(d, BF_RECT, c.innerTL, c.innerBR);
    if (d.Right > d.Left && d.Bottom > d.Top) {
      TBrush b;
      b.Color = look & BF_MONO ? clWindow : clBtnFace;
      FillDeviceRect(ToQRect(d), b);
    }
    if (state & DFCS_ADJUSTRECT) {
      TPoint a = DPtoLP(TPoint{d.Left, d.Top}), b = DPtoLP(TPoint{d.Right, d.Bottom});
      rect = TRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
    }
    return true;
  }

  bool radio = kind == DFCS_BUTTONRADIO || kind == DFCS_BUTTONRADIOIMAGE;
  bool check = kind == DFCS_BUTTONCHECK || kind == DFCS_BUTTON3STATE;
  if (!radio && !check) return false;
  int s = std::min(d.Width(), d.Height());
  if (s <= 0 || !painter_) return true;
  TRect sq = Bounds(d.Left + (d.Width() - s) / 2, d.Top + (d.Height() - s) / 2, s, s);
  TColor face = pushed || dim ? clBtnFace : clWindow;
  TColor mark = dim || kind == DFCS_BUTTON3STATE ? clBtnShadow : clWindowText;
  if (look & BF_MONO) {
    face = clWindow;
    mark = clWindowText;
  }

  if (check) {
    int u = std::max(1, s / 13);
    EdgeColors c = EdgeColorsFor(EDGE_SUNKEN, look);
    auto ring = [&](TRect& r, TColor tl, TColor br) {
      if (tl == clNone && br == clNone) return;
      auto fill = [&](int l, int t, int rr, int b, TColor col) {
        if (col == clNone || rr <= l || b <= t) return;
        TBrush brush;
        brush.Color = col;
        FillDeviceRect(QRect(l, t, rr - l, b - t), brush);
      };
      fill(r.Left, r.Top, r.Left + u, r.Bottom, tl);
      fill(r.Left, r.Top, r.Right, r.Top + u, tl);
      fill(r.Right - u, r.Top, r.Right, r.Bottom, br);
      fill(r.Left, r.Bottom - u, r.Right, r.Bottom, br);
      r.Inflate(-u, -u);
    };
    TRect in = sq;
    ring(in, c.outerTL, c.outerBR);
    ring(in, c.innerTL, c.innerBR);
    if (in.IsEmpty()) return true;
    TBrush fb;
    fb.Color = face;
    FillDeviceRect(ToQRect(in), fb);
    if (checked) {
      // The classic mark: seven columns, three pixels high, on a 9 x 9 grid.
      static const int top[7] = {2, 3, 4, 3, 2, 1, 0};
      int n = std::min(in.Width(), in.Height());
      TBrush mb;
      mb.Color = mark;
      for (int col = 0; col < 7; ++col) {
        int x0 = in.Left + (1 + col) * n / 9, x1 = in.Left + (2 + col) * n / 9;
        int y0 = in.Top + (1 + top[col]) * n / 9, y1 = in.Top + (4 + top[col]) * n / 9;
        FillDeviceRect(QRect(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0)), mb);
      }
    }
    return true;
  }

  // Radio button: two rings of half circles, the interior and the dot.
  int u = std::max(1, s / 12);
  EdgeColors c = EdgeColorsFor(EDGE_SUNKEN, look);
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setPen(Qt::NoPen);
  QPolygon upperLeft;
  upperLeft << QPoint(sq.Left, sq.Top) << QPoint(sq.Right, sq.Top) << QPoint(sq.Left, sq.Bottom);
  auto disc = [&](const TRect& r, TColor tl, TColor br) {
    if (r.IsEmpty()) return;
    QRectF e(r.Left, r.Top, r.Width(), r.Height());
    painter_->setBrush(ToQColor(br));
    painter_->drawEllipse(e);
    painter_->save();
    painter_->setClipRegion(QRegion(upperLeft), Qt::IntersectClip);
    painter_->setBrush(ToQColor(tl));
    painter_->drawEllipse(e);
    painter_->restore();
  };
  TRect r = sq;
  if (c.outerTL != clNone) {
    disc(r, c.outerTL, c.outerBR);
    r.Inflate(-u, -u);
  }
  if (c.innerTL != clNone) {
    disc(r, c.innerTL, c.innerBR);
    r.Inflate(-u, -u);
  }
  if (!r.IsEmpty()) {
    painter_->setBrush(ToQColor(face));
    painter_->drawEllipse(QRectF(r.Left, r.Top, r.Width(), r.Height()));
  }
  if (checked) {
    double dot = std::max(2.0, s / 3.0);
    painter_->setBrush(ToQColor(mark));
    painter_->drawEllipse(QRectF(sq.Left + (s - dot) / 2, sq.Top + (s - dot) / 2, dot, dot));
  }
  painter_->restore();
  return true;
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (!painter_) return;
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  bool raster = IsRasterDevice(painter_);
  QImage tex(2, 2, QImage::Format_ARGB32_Premultiplied);
  tex.fill(raster ? qRgb(0, 0, 0) : 0);
  QRgb on = raster ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
  tex.setPixel(0, 0, on);
  tex.setPixel(1, 1, on);
  QRegion frame(ToQRect(d));
  if (d.Width() > 2 && d.Height() > 2) frame -= QRegion(d.Left + 1, d.Top + 1, d.Width() - 2, d.Height() - 2);
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setBrushOrigin(d.Left, d.Top);
  if (raster) painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  for (const QRect& rect : frame) painter_->fillRect(rect, QBrush(tex));
  painter_->restore();
}
