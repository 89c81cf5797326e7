#include "editors/ImageEditorGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
constexpr QRgb kKey = 0xFFFF00FF;  // background, taken as transparent

QImage NewGlyph() {
  QImage img(16, 16, QImage::Format_RGB32);
  img.fill(kKey);
  return img;
}

QImage Cut() {
  QImage img = NewGlyph();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(0, 0, 0));
  p.drawLine(5, 1, 9, 9);
  p.drawLine(10, 1, 6, 9);
  p.setPen(QColor(0, 0, 128));
  p.drawEllipse(2, 9, 4, 4);
  p.drawEllipse(9, 9, 4, 4);
  return img;
}

QImage Copy() {
  QImage img = NewGlyph();
  QPainter p(&img);
  p.setPen(QColor(0, 0, 128));
  p.setBrush(Qt::white);
  p.drawRect(1, 1, 8, 10);
  p.drawRect(6, 4, 8, 10);
  p.setPen(QColor(128, 128, 128));
  for (int y = 7; y <= 12; y += 2) p.drawLine(8, y, 12, y);
  return img;
}

QImage Paste() {
  QImage img = NewGlyph();
  QPainter p(&img);
  p.setPen(QColor(0, 0, 0));
  p.setBrush(QColor(128, 128, 0));
  p.drawRect(1, 2, 10, 12);
  p.setBrush(QColor(192, 192, 192));
  p.drawRect(4, 1, 4, 2);
  p.setPen(QColor(0, 0, 128));
  p.setBrush(Qt::white);
  p.drawRect(6, 6, 8, 9);
  return img;
}

QImage Delete() {
  QImage img = NewGlyph();
  QPainter p(&img);
  p.setPen(QPen(QColor(192, 0, 0), 2));
  p.drawLine(3, 3, 12, 12);
  p.drawLine(12, 3, 3, 12);
  return img;
}

QImage Load() {
  QImage img = NewGlyph();
  QPainter p(&img);
  p.setPen(QColor(0, 0, 0));
  p.setBrush(QColor(255, 255, 128));
  QPolygon back({QPoint(1, 4), QPoint(5, 4), QPoint(6, 5), QPoint(13, 5), QPoint(13, 13), QPoint(1, 13)});
  p.drawPolygon(back);
  p.setBrush(QColor(192, 160, 0));
  QPolygon front({QPoint(1, 13), QPoint(4, 8), QPoint(15, 8), QPoint(13, 13)});
  p.drawPolygon(front);
  return img;
}

QImage Save() {
  QImage img = NewGlyph();
  QPainter p(&img);
  p.setPen(QColor(0, 0, 0));
  p.setBrush(QColor(0, 0, 128));
  p.drawRect(1, 1, 13, 13);
  p.setBrush(Qt::white);
  p.drawRect(4, 1, 7, 5);
  p.setBrush(QColor(192, 192, 192));
  p.drawRect(4, 9, 7, 5);
  return img;
}
}  // namespace

const std::vector<QImage>& cxMenuGlyphBitmaps() {
  static const std::vector<QImage> glyphs = {Cut(), Copy(), Paste(), Delete(), Load(), Save()};
  return glyphs;
}

QImage cxTransparentGlyph(const QImage& glyph) {
  if (glyph.isNull()) return glyph;
  QImage out = glyph.convertToFormat(QImage::Format_ARGB32);
  QRgb key = out.pixel(0, out.height() - 1);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF)) line[x] = 0;
  }
  return out;
}

QIcon cxMenuGlyph(int index) {
  const auto& glyphs = cxMenuGlyphBitmaps();
  if (index < 0 || index >= int(glyphs.size())) return {};
  return QIcon(QPixmap::fromImage(cxTransparentGlyph(glyphs[size_t(index)])));
}
