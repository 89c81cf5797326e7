// The recording canvas: a QPaintEngine that turns QPainter calls into EMF
// records built with libuemf's record builders.
//
// The metafile's device is the canvas in pixels; its logical unit is 1/16
// pixel (anisotropic mapping), so that geometry keeps sub-pixel precision in
// integer coordinates. Geometry is mapped through the painter's transform
// here; the world transform of the records stays the identity. Pens, brushes
// and the font live in the fixed object slots 1, 2 and 3 and are recreated
// whenever they change.
#include "platform/MetafileRecorder.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include <uemf.h>

namespace {

constexpr int Sub = 16;  // logical units per device pixel
constexpr std::uint32_t PenSlot = 1, BrushSlot = 2, FontSlot = 3, Slots = 4;
constexpr int MaxImageSide = 8192;

std::int32_t Coord(double v) { return std::int32_t(std::lround(std::clamp(v * Sub, -1e9, 1e9))); }
U_POINTL Point(const QPointF& p) { return U_POINTL{Coord(p.x()), Coord(p.y())}; }
U_RECTL Bounds(const QRectF& r) {  // device pixels, inclusive
  const QRect b = r.toAlignedRect();
  return U_RECTL{b.left(), b.top(), b.right(), b.bottom()};
}

// Colours without alpha: translucent ones are mixed with white, the page they
// usually end up on.
U_COLORREF Color(const QColor& c) {
  const double a = c.alphaF();
  auto mix = [a](int v) { return std::uint8_t(std::lround(v * a + 255 * (1 - a))); };
  return colorref3_set(mix(c.red()), mix(c.green()), mix(c.blue()));
}

double Scale(const QTransform& t) { return std::sqrt(std::fabs(t.determinant())); }

}  // namespace

class TMetafileRecorder::Engine : public QPaintEngine {
 public:
  Engine(TMetafileRecorder* owner, int width, int height, int dpi)
      : QPaintEngine(QPaintEngine::AllFeatures), owner_(owner), w_(width), h_(height), dpi_(dpi) {
    Reset();
  }

  bool begin(QPaintDevice*) override {
    Reset();
    return true;
  }
  bool end() override { return true; }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& state) override {
    const DirtyFlags flags = state.state();
    if (flags & DirtyTransform) transform_ = state.transform();
    if (flags & DirtyPen) pen_ = state.pen();
    if (flags & DirtyBrush) brush_ = state.brush();
    if (flags & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled)) clipDirty_ = true;
  }

  void drawPath(const QPainterPath& path) override { Path(path, true, true); }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    if (count <= 0) return;
    QPainterPath path;
    path.moveTo(points[0]);
    for (int i = 1; i < count; ++i) path.lineTo(points[i]);
    const bool closed = mode != PolylineMode;
    if (closed) path.closeSubpath();
    path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
    Path(path, closed, true);
  }

  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
    drawImage(r, pm.toImage(), sr, Qt::AutoColor);
  }

  void drawTiledPixmap(const QRectF& r, const QPixmap& pixmap, const QPointF& s) override {
    const QSize size = r.size().toSize();
    if (pixmap.isNull() || size.isEmpty() || size.width() > MaxImageSide || size.height() > MaxImageSide) return;
    QImage tiled(size, QImage::Format_ARGB32_Premultiplied);
    tiled.fill(Qt::transparent);
    QPainter p(&tiled);
    p.drawTiledPixmap(QRectF(QPointF(0, 0), r.size()), pixmap, s);
    p.end();
    drawImage(r, tiled, QRectF(tiled.rect()), Qt::AutoColor);
  }

  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override {
    if (!jpeg_.empty() && image.size() == jpegSize_ && sr == QRectF(image.rect())) {
      Jpeg(r, image.size());
      return;
    }
    const QRect source = sr.toAlignedRect().intersected(image.rect());
    if (source.isEmpty() || source.width() > MaxImageSide || source.height() > MaxImageSide) return;
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels =
        image.copy(source).convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    SyncClip();
    const QRectF dest = transform_.mapRect(r);
    // 32-bit top-down DIB: rows of B, G, R, A as QImage keeps them.
    const int w = pixels.width(), h = pixels.height();
    U_BITMAPINFOHEADER header = bitmapinfoheader_set(w, -h, 1, 32, U_BI_RGB, std::uint32_t(w * h * 4), 0, 0, 0, 0);
    PU_BITMAPINFO bmi = bitmapinfo_set(header, nullptr);
    std::vector<char> bits(std::size_t(w) * h * 4);
    for (int y = 0; y < h; ++y) std::memcpy(bits.data() + std::size_t(y) * w * 4, pixels.constScanLine(y), std::size_t(w) * 4);
    const U_POINTL at = Point(dest.topLeft()), extent{Coord(dest.width()), Coord(dest.height())};
    if (alpha) {
      const U_BLEND blend{0, 0, 255, U_AC_SRC_ALPHA};
      Add(U_EMRALPHABLEND_set(Bounds(dest), at, extent, U_POINTL{0, 0}, U_POINTL{w, h}, xform_set(1, 0, 0, 1, 0, 0),
                              colorref3_set(255, 255, 255), U_DIB_RGB_COLORS, blend, bmi, std::uint32_t(bits.size()),
                              bits.data()));
    } else {
      Add(U_EMRSTRETCHDIBITS_set(Bounds(dest), at, extent, U_POINTL{0, 0}, U_POINTL{w, h}, U_DIB_RGB_COLORS,
                                 U_SRCCOPY, bmi, std::uint32_t(bits.size()), bits.data()));
    }
    std::free(bmi);
  }

  // The next picture of this size (the one being drawn) comes from these
  // JPEG bytes.
  void SetJpegSource(QSize pixels, TByteView jpeg) {
    jpegSize_ = pixels;
    jpeg_ = jpeg;
  }
  TMetafileRecorder* Owner() const { return owner_; }

  // STRETCHDIBITS with the compressed bytes: a BI_JPEG header of the
  // picture's size (bottom-up, as compressed bitmaps are, no colour table),
  // then the JPEG data padded to whole 32-bit words.
  void Jpeg(const QRectF& r, QSize size) {
    SyncClip();
    const QRectF dest = transform_.mapRect(r);
    constexpr std::uint32_t Fixed = 80, Header = 40;
    const std::size_t length = jpeg_.size(), padded = (length + 3) / 4 * 4;
    if (padded > 0x7FFFFFFF - Fixed - Header) return;
    const std::uint32_t recordSize = std::uint32_t(Fixed + Header + padded);
    char* record = static_cast<char*>(std::calloc(recordSize, 1));
    if (!record) return;
    auto put = [&](std::size_t pos, std::int64_t v) {
      const std::uint32_t u = std::uint32_t(v);
      std::memcpy(record + pos, &u, 4);
    };
    const U_RECTL bounds = Bounds(dest);
    const U_POINTL at = Point(dest.topLeft());
    put(0, U_EMR_STRETCHDIBITS);
    put(4, recordSize);
    put(8, bounds.left), put(12, bounds.top), put(16, bounds.right), put(20, bounds.bottom);
    put(24, at.x), put(28, at.y);
    put(32, 0), put(36, 0), put(40, size.width()), put(44, size.height());
    put(48, Fixed), put(52, Header), put(56, Fixed + Header), put(60, std::int64_t(length));
    put(64, U_DIB_RGB_COLORS), put(68, U_SRCCOPY);
    put(72, Coord(dest.width())), put(76, Coord(dest.height()));
    // BITMAPINFOHEADER: size, width, height, planes 1 and bit count 0, compression, image size.
    put(Fixed, Header), put(Fixed + 4, size.width()), put(Fixed + 8, size.height());
    put(Fixed + 12, 1), put(Fixed + 16, U_BI_JPEG), put(Fixed + 20, std::int64_t(length));
    std::memcpy(record + Fixed + Header, jpeg_.data(), length);
    Add(record);
  }

  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    const QString text = item.text();
    if (text.isEmpty() || pen_.style() == Qt::NoPen) return;
    SyncClip();
    const QFont font = item.font();
    double em = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpi_ / 72.0;
    const double scale = Scale(transform_);
    if (!(em * scale > 0)) return;
    const double angle = std::atan2(-transform_.m12(), transform_.m11()) * 180 / M_PI;
    SelectFont(font, em * scale, int(std::lround(angle * 10)));
    SetTextColor(pen_.color());

    // Advances of the characters at the painter's size, in logical units.
    const QFontMetricsF fm(font, paintDevice());
    std::vector<std::uint32_t> dx(std::size_t(text.size()), 0);
    double x = 0, placed = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (text[i].isLowSurrogate()) continue;
      const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
      x += fm.horizontalAdvance(text.mid(i, n)) * scale * Sub;
      const double next = std::round(x);
      dx[std::size_t(i)] = std::uint32_t(std::max(0.0, next - placed));
      placed = next;
    }
    const QPointF origin = transform_.map(p);
    std::u16string chars(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
    char* emrtext = emrtext_set(Point(origin), U_NUM_STR(chars.size()), 2, chars.data(), U_ETO_NO_RECT,
                                U_RECTL{0, 0, 0, 0}, dx.data());
    const QRectF box = transform_.mapRect(QRectF(p.x(), p.y() - fm.ascent(), item.width(), fm.height()));
    Add(U_EMREXTTEXTOUTW_set(Bounds(box), U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
  }

  TBytes Data() const {
    TBytes out = records_;
    EMFTRACK track{};
    char* eof = U_EMREOF_set(0, nullptr, &track);
    Append(out, eof);
    std::free(eof);
    auto put32 = [&](std::size_t pos, std::uint32_t v) { std::memcpy(&out[pos], &v, 4); };
    put32(48, std::uint32_t(out.size()));   // nBytes
    put32(52, std::uint32_t(count_ + 1));  // nRecords
    const std::uint16_t handles = Slots;
    std::memcpy(&out[56], &handles, 2);     // nHandles
    return out;
  }

 private:
  static void Append(TBytes& out, const char* record) {
    std::uint32_t size;
    std::memcpy(&size, record + 4, 4);
    out.insert(out.end(), record, record + size);
  }
  void Add(char* record) {
    if (!record) return;
    Append(records_, record);
    std::free(record);
    ++count_;
  }

  void Reset() {
    records_.clear();
    count_ = 0;
    pen_ = QPen();
    brush_ = QBrush();
    transform_ = QTransform();
    penKey_.clear();
    brushKey_.clear();
    fontKey_.clear();
    textColor_ = QColor();
    fillRule_ = -1;
    clipDirty_ = true;
    // The frame is the canvas; the reference device has dpi pixels per inch
    // (dpi * 10 pixels on 254 mm, exactly).
    const U_RECTL frame{0, 0, int(std::lround(w_ * 2540.0 / dpi_)), int(std::lround(h_ * 2540.0 / dpi_))};
    Add(U_EMRHEADER_set(U_RECTL{0, 0, w_ - 1, h_ - 1}, frame, nullptr, 0, nullptr, U_SIZEL{dpi_ * 10, dpi_ * 10},
                        U_SIZEL{254, 254}, 0));
    Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    Add(U_EMRSETWINDOWEXTEX_set(U_SIZEL{Sub, Sub}));
    Add(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{1, 1}));
    Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT));
  }

  // --- objects

  void Replace(std::uint32_t slot, std::uint32_t stock, char* create) {
    Add(U_EMRSELECTOBJECT_set(stock));
    Add(U_EMRDELETEOBJECT_set(slot));
    Add(create);
    Add(U_EMRSELECTOBJECT_set(slot));
  }

  // Selects the pen for stroking (or the null pen); false when nothing is stroked.
  bool SelectPen(bool stroke) {
    const bool none = !stroke || pen_.style() == Qt::NoPen || pen_.brush().style() == Qt::NoBrush ||
                      pen_.color().alpha() == 0;
    const bool cosmetic = pen_.isCosmetic() || pen_.widthF() == 0;
    const double width = cosmetic ? 0 : pen_.widthF() * Scale(transform_) * Sub;
    const QString key = none ? QStringLiteral("null")
                             : QStringLiteral("%1 %2 %3 %4 %5 %6")
                                   .arg(int(pen_.style()))
                                   .arg(width)
                                   .arg(pen_.color().rgba())
                                   .arg(int(pen_.capStyle()))
                                   .arg(int(pen_.joinStyle()))
                                   .arg(cosmetic);
    if (key == penKey_) return !none;
    penKey_ = key;
    if (none) {
      Add(U_EMRSELECTOBJECT_set(U_NULL_PEN));
      return false;
    }
    std::uint32_t style = U_PS_SOLID;
    switch (pen_.style()) {
      case Qt::DashLine: case Qt::CustomDashLine: style = U_PS_DASH; break;
      case Qt::DotLine: style = U_PS_DOT; break;
      case Qt::DashDotLine: style = U_PS_DASHDOT; break;
      case Qt::DashDotDotLine: style = U_PS_DASHDOTDOT; break;
      default: break;
    }
    if (cosmetic) {
      Replace(PenSlot, U_BLACK_PEN, U_EMRCREATEPEN_set(PenSlot, logpen_set(style, U_POINT{0, 0}, Color(pen_.color()))));
      return true;
    }
    style |= U_PS_GEOMETRIC;
    style |= pen_.capStyle() == Qt::FlatCap ? U_PS_ENDCAP_FLAT : pen_.capStyle() == Qt::SquareCap ? U_PS_ENDCAP_SQUARE : U_PS_ENDCAP_ROUND;
    style |= pen_.joinStyle() == Qt::MiterJoin || pen_.joinStyle() == Qt::SvgMiterJoin ? U_PS_JOIN_MITER
             : pen_.joinStyle() == Qt::BevelJoin                                          ? U_PS_JOIN_BEVEL
                                                                                          : U_PS_JOIN_ROUND;
    PU_EXTLOGPEN elp = extlogpen_set(style, std::uint32_t(std::lround(std::min(width, 1e8))), U_BS_SOLID,
                                     Color(pen_.color()), 0, 0, nullptr);
    Replace(PenSlot, U_BLACK_PEN, U_EMREXTCREATEPEN_set(PenSlot, nullptr, 0, nullptr, elp));
    std::free(elp);
    return true;
  }

  // Selects the brush for filling (or the null brush); false when nothing is filled.
  bool SelectBrush(bool fill) {
    QColor color = brush_.color();
    const Qt::BrushStyle style = brush_.style();
    if (const QGradient* g = brush_.gradient(); g && !g->stops().isEmpty())
      color = g->stops()[g->stops().size() / 2].second;  // gradients: their middle colour
    const bool none = !fill || style == Qt::NoBrush || color.alpha() == 0;
    const QString key = none ? QStringLiteral("null")
                             : QStringLiteral("%1 %2 %3").arg(int(style)).arg(color.rgba()).arg(brush_.textureImage().cacheKey());
    if (key == brushKey_) return !none;
    brushKey_ = key;
    if (none) {
      Add(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
      return false;
    }
    if (style == Qt::TexturePattern && !brush_.textureImage().isNull()) {
      const QImage texture = brush_.textureImage().convertToFormat(QImage::Format_RGB32);
      if (texture.width() <= 256 && texture.height() <= 256) {
        const int w = texture.width(), h = texture.height();
        PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(w, -h, 1, 32, U_BI_RGB, std::uint32_t(w * h * 4), 0, 0, 0, 0), nullptr);
        std::vector<char> bits(std::size_t(w) * h * 4);
        for (int y = 0; y < h; ++y) std::memcpy(bits.data() + std::size_t(y) * w * 4, texture.constScanLine(y), std::size_t(w) * 4);
        Replace(BrushSlot, U_WHITE_BRUSH,
                U_EMRCREATEDIBPATTERNBRUSHPT_set(BrushSlot, U_DIB_RGB_COLORS, bmi, std::uint32_t(bits.size()), bits.data()));
        std::free(bmi);
        return true;
      }
    }
    std::uint32_t lbStyle = U_BS_SOLID, hatch = 0;
    switch (style) {
      case Qt::HorPattern: lbStyle = U_BS_HATCHED, hatch = U_HS_HORIZONTAL; break;
      case Qt::VerPattern: lbStyle = U_BS_HATCHED, hatch = U_HS_VERTICAL; break;
      case Qt::CrossPattern: lbStyle = U_BS_HATCHED, hatch = U_HS_CROSS; break;
      case Qt::BDiagPattern: lbStyle = U_BS_HATCHED, hatch = U_HS_BDIAGONAL; break;
      case Qt::FDiagPattern: lbStyle = U_BS_HATCHED, hatch = U_HS_FDIAGONAL; break;
      case Qt::DiagCrossPattern: lbStyle = U_BS_HATCHED, hatch = U_HS_DIAGCROSS; break;
      default: break;
    }
    Replace(BrushSlot, U_WHITE_BRUSH,
            U_EMRCREATEBRUSHINDIRECT_set(BrushSlot, logbrush_set(lbStyle, Color(color), std::int32_t(hatch))));
    return true;
  }

  void SelectFont(const QFont& font, double emPixels, int escapement) {
    const int height = -std::max(1, int(std::lround(std::min(emPixels * Sub, 1e6))));
    const QString key = QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                            .arg(font.family())
                            .arg(height)
                            .arg(int(font.weight()))
                            .arg(font.italic())
                            .arg(font.underline())
                            .arg(font.strikeOut())
                            .arg(escapement);
    if (key == fontKey_) return;
    fontKey_ = key;
    std::vector<std::uint16_t> face(32, 0);
    const QString family = font.family().left(31);
    for (qsizetype i = 0; i < family.size(); ++i) face[std::size_t(i)] = family[i].unicode();
    U_LOGFONT lf = logfont_set(height, 0, escapement, escapement, int(font.weight()), font.italic(), font.underline(),
                               font.strikeOut(), U_DEFAULT_CHARSET, 0, 0, 0, 0, face.data());
    Replace(FontSlot, U_DEVICE_DEFAULT_FONT,
            U_EMREXTCREATEFONTINDIRECTW_set(FontSlot, reinterpret_cast<const char*>(&lf), nullptr));
  }

  void SetTextColor(const QColor& color) {
    if (color == textColor_) return;
    textColor_ = color;
    Add(U_EMRSETTEXTCOLOR_set(Color(color)));
  }

  // --- geometry

  // Emits a device path as path records (between BEGINPATH and ENDPATH).
  void PathRecords(const QPainterPath& device) {
    Add(U_EMRBEGINPATH_set());
    std::vector<U_POINTL> run;
    bool curves = false;
    auto flush = [&] {
      if (run.empty()) return;
      const U_RECTL b{0, 0, -1, -1};
      Add(curves ? U_EMRPOLYBEZIERTO_set(b, std::uint32_t(run.size()), run.data())
                 : U_EMRPOLYLINETO_set(b, std::uint32_t(run.size()), run.data()));
      run.clear();
    };
    QPointF start;
    for (int i = 0; i < device.elementCount(); ++i) {
      const QPainterPath::Element e = device.elementAt(i);
      switch (e.type) {
        case QPainterPath::MoveToElement:
          flush();
          if (i > 0 && QPointF(device.elementAt(i - 1)) == start) Add(U_EMRCLOSEFIGURE_set());
          start = e;
          Add(U_EMRMOVETOEX_set(Point(e)));
          break;
        case QPainterPath::LineToElement:
          if (curves) flush();
          curves = false;
          run.push_back(Point(e));
          break;
        case QPainterPath::CurveToElement:
          if (!curves) flush();
          curves = true;
          run.push_back(Point(e));
          break;
        default:  // the two points that follow a curve's first control point
          run.push_back(Point(e));
          break;
      }
    }
    flush();
    if (device.elementCount() > 1 && QPointF(device.elementAt(device.elementCount() - 1)) == start)
      Add(U_EMRCLOSEFIGURE_set());
    Add(U_EMRENDPATH_set());
  }

  void Path(const QPainterPath& path, bool fill, bool stroke) {
    if (path.isEmpty()) return;
    SyncClip();
    const bool filled = SelectBrush(fill);
    const bool stroked = SelectPen(stroke);
    if (!filled && !stroked) return;
    const int rule = path.fillRule() == Qt::WindingFill ? U_WINDING : U_ALTERNATE;
    if (filled && rule != fillRule_) {
      fillRule_ = rule;
      Add(U_EMRSETPOLYFILLMODE_set(std::uint32_t(rule)));
    }
    const QPainterPath device = transform_.map(path);
    PathRecords(device);
    const U_RECTL b = Bounds(device.boundingRect());
    Add(filled && stroked ? U_EMRSTROKEANDFILLPATH_set(b) : filled ? U_EMRFILLPATH_set(b) : U_EMRSTROKEPATH_set(b));
  }

  // The painter's clip (and the system clip) as the metafile's clip.
  void SyncClip() {
    if (!clipDirty_) return;
    clipDirty_ = false;
    QPainter* p = painter();
    std::optional<QPainterPath> clip;
    if (p && p->hasClipping()) clip = p->combinedTransform().map(p->clipPath());
    if (!systemClip().isEmpty()) {
      QPainterPath system;
      system.addRegion(systemClip());
      clip = clip ? clip->intersected(system) : system;
    }
    if (!clip) {
      Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, nullptr));
      return;
    }
    const QRectF box = clip->boundingRect();
    QPainterPath rectPath;
    rectPath.addRect(box);
    if (clip->elementCount() <= 5 && (clip->isEmpty() || rectPath.subtracted(*clip).isEmpty())) {
      // A rectangle (device pixels) as a region.
      const QRect r = box.toAlignedRect();
      U_RECTL rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
      PU_RGNDATA rgn = rgndata_set(rgndataheader_set(clip->isEmpty() ? 0 : 1, rect), &rect);
      Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, rgn));
      std::free(rgn);
      return;
    }
    PathRecords(*clip);
    Add(U_EMRSELECTCLIPPATH_set(U_RGN_COPY));
  }

  TMetafileRecorder* owner_;
  int w_, h_, dpi_;
  TBytes records_;
  std::size_t count_ = 0;
  QPen pen_;
  QBrush brush_;
  QTransform transform_;
  QString penKey_, brushKey_, fontKey_;
  QColor textColor_;
  int fillRule_ = -1;
  bool clipDirty_ = true;
  QSize jpegSize_;
  TByteView jpeg_;
};

TMetafileRecorder::TMetafileRecorder(int width, int height, int dpi)
    : width_(std::max(1, width)), height_(std::max(1, height)), dpi_(std::clamp(dpi, 1, 100000)) {
  engine_ = std::make_unique<Engine>(this, width_, height_, dpi_);
}

TMetafileRecorder::~TMetafileRecorder() = default;

QPaintEngine* TMetafileRecorder::paintEngine() const { return engine_.get(); }

TBytes TMetafileRecorder::EnhancedData() const { return engine_->Data(); }

TMetafileRecorder* TMetafileRecorder::Of(QPainter& painter) {
  // Also a widget's painter while the widget is rendered onto a recorder:
  // it paints through the recorder's engine.
  auto* engine = dynamic_cast<Engine*>(painter.paintEngine());
  return engine ? engine->Owner() : nullptr;
}

void TMetafileRecorder::DrawJpeg(QPainter& painter, const QRectF& dest, const QImage& pixels, TByteView jpeg) {
  engine_->SetJpegSource(pixels.size(), jpeg);
  painter.drawImage(dest, pixels);
  engine_->SetJpegSource(QSize(), {});
}

int TMetafileRecorder::metric(PaintDeviceMetric metric) const {
  switch (metric) {
    case PdmWidth: return width_;
    case PdmHeight: return height_;
    case PdmWidthMM: return int(std::lround(width_ * 25.4 / dpi_));
    case PdmHeightMM: return int(std::lround(height_ * 25.4 / dpi_));
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return dpi_;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
    default: return 0;
  }
}
