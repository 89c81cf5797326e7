// The WMF records of the metafile player: the window and viewport, objects
// in their slots, shapes, text and the packed-DIB bitmap records.
#include "platform/MetafilePlayerState.h"

namespace metafile {
namespace {

// A packed DIB (header, colours, bits) as WMF records carry it.
QImage DecodePackedDib(TByteView dib, std::uint32_t usage) {
  Fields f(dib);
  const std::uint32_t headerSize = f.U32(0);
  if (!f.Ok() || headerSize > dib.size()) return {};
  std::uint32_t colors = 0, bitCount, compression = 0;
  std::size_t entry = 4;
  if (headerSize == 12) {
    bitCount = f.U16(10);
    entry = 3;
  } else {
    bitCount = f.U16(14);
    compression = f.U32(16);
    colors = f.U32(32);
  }
  if (!f.Ok()) return {};
  std::uint64_t tableBytes = 0;
  if (bitCount <= 8) tableBytes = std::uint64_t(colors ? colors : (1u << std::min(bitCount, 8u))) * entry;
  else if (colors) tableBytes = std::uint64_t(colors) * entry;
  if (compression == U_BI_BITFIELDS && headerSize == 40) tableBytes += 12;
  const std::uint64_t offBits = headerSize + tableBytes;
  if (offBits > dib.size()) return {};
  return DecodeRecordDib(dib, 0, std::uint32_t(offBits), std::uint32_t(offBits),
                         std::uint32_t(dib.size() - offBits), usage);
}

QPointF P16(const U_POINT16& p) { return QPointF(p.x, p.y); }
QRectF R16(const U_RECT16& r) { return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)); }

}  // namespace

bool Player::WmfRecord(std::uint16_t function, TByteView rec) {
  const char* r = reinterpret_cast<const char*>(rec.data());
  const char* end = r + rec.size();
  auto inside = [&](const void* ptr, std::size_t n) {
    const char* c = static_cast<const char*>(ptr);
    return c && c >= r && c <= end && n <= std::size_t(end - c);
  };
  U_POINT16 a, b, c, d;
  U_RECT16 box;
  std::uint16_t u = 0;
  int16_t i16 = 0;
  U_COLORREF color;
  std::uint32_t rop = 0;
  const char* dib = nullptr;
  auto colorOf = [](const U_COLORREF& cr) { return QColor(cr.Red, cr.Green, cr.Blue); };

  switch (function & 0xFF) {
    case U_WMR_EOF: return false;
    case U_WMR_SETBKCOLOR: if (!U_WMRSETBKCOLOR_get(r, &color)) return false; s_.bkColor = colorOf(color); break;
    case U_WMR_SETBKMODE: if (!U_WMRSETBKMODE_get(r, &u)) return false; s_.bkOpaque = u == U_OPAQUE; break;
    case U_WMR_SETMAPMODE: if (!U_WMRSETMAPMODE_get(r, &u)) return false; SetMapMode(u); break;
    case U_WMR_SETROP2: if (!U_WMRSETROP2_get(r, &u)) return false; s_.rop2 = u; break;
    case U_WMR_SETPOLYFILLMODE: if (!U_WMRSETPOLYFILLMODE_get(r, &u)) return false; s_.winding = u == U_WINDING; break;
    case U_WMR_SETTEXTCOLOR: if (!U_WMRSETTEXTCOLOR_get(r, &color)) return false; s_.textColor = colorOf(color); break;
    case U_WMR_SETTEXTALIGN: if (!U_WMRSETTEXTALIGN_get(r, &u)) return false; s_.textAlign = u; break;
    case U_WMR_SETWINDOWORG: if (!U_WMRSETWINDOWORG_get(r, &a)) return false; s_.windowOrg = P16(a); break;
    case U_WMR_SETWINDOWEXT: if (!U_WMRSETWINDOWEXT_get(r, &a)) return false; SetExtent(s_.windowExt, a.x, a.y); break;
    case U_WMR_SETVIEWPORTORG: if (!U_WMRSETVIEWPORTORG_get(r, &a)) return false; s_.viewportOrg = P16(a); break;
    case U_WMR_SETVIEWPORTEXT: if (!U_WMRSETVIEWPORTEXT_get(r, &a)) return false; SetExtent(s_.viewportExt, a.x, a.y); break;
    case U_WMR_OFFSETWINDOWORG: if (!U_WMROFFSETWINDOWORG_get(r, &a)) return false; s_.windowOrg += P16(a); break;
    case U_WMR_OFFSETVIEWPORTORG: if (!U_WMROFFSETVIEWPORTORG_get(r, &a)) return false; s_.viewportOrg += P16(a); break;
    case U_WMR_SCALEWINDOWEXT:
      if (!U_WMRSCALEWINDOWEXT_get(r, &a, &b)) return false;
      ScaleExtent(s_.windowExt, b.x, a.x, b.y, a.y);
      break;
    case U_WMR_SCALEVIEWPORTEXT:
      if (!U_WMRSCALEVIEWPORTEXT_get(r, &a, &b)) return false;
      ScaleExtent(s_.viewportExt, b.x, a.x, b.y, a.y);
      break;
    case U_WMR_MOVETO: if (!U_WMRMOVETO_get(r, &a)) return false; s_.current = P16(a); break;
    case U_WMR_LINETO: {
      if (!U_WMRLINETO_get(r, &a)) return false;
      QPainterPath path(s_.current);
      path.lineTo(P16(a));
      Shape(path, false, true);
      s_.current = P16(a);
      break;
    }
    case U_WMR_EXCLUDECLIPRECT:
    case U_WMR_INTERSECTCLIPRECT:
      if (!((function & 0xFF) == U_WMR_EXCLUDECLIPRECT ? U_WMREXCLUDECLIPRECT_get(r, &box)
                                                       : U_WMRINTERSECTCLIPRECT_get(r, &box)))
        return false;
      ClipRect(R16(box), (function & 0xFF) == U_WMR_EXCLUDECLIPRECT);
      break;
    case U_WMR_ARC: if (!U_WMRARC_get(r, &a, &b, &box)) return false; ArcShape(R16(box), P16(a), P16(b), 0); break;
    case U_WMR_CHORD: if (!U_WMRCHORD_get(r, &a, &b, &box)) return false; ArcShape(R16(box), P16(a), P16(b), 1); break;
    case U_WMR_PIE: if (!U_WMRPIE_get(r, &a, &b, &box)) return false; ArcShape(R16(box), P16(a), P16(b), 2); break;
    case U_WMR_ELLIPSE:
    case U_WMR_RECTANGLE: {
      const bool ellipse = (function & 0xFF) == U_WMR_ELLIPSE;
      if (!(ellipse ? U_WMRELLIPSE_get(r, &box) : U_WMRRECTANGLE_get(r, &box))) return false;
      QPainterPath path;
      if (ellipse) path.addEllipse(R16(box).normalized());
      else path.addRect(R16(box).normalized());
      Shape(path, true, true);
      break;
    }
    case U_WMR_ROUNDRECT: {
      int16_t w, h;
      if (!U_WMRROUNDRECT_get(r, &w, &h, &box)) return false;
      QPainterPath path;
      path.addRoundedRect(R16(box).normalized(), std::abs(w) / 2.0, std::abs(h) / 2.0);
      Shape(path, true, true);
      break;
    }
    case U_WMR_PATBLT:
      if (!U_WMRPATBLT_get(r, &a, &b, &rop)) return false;
      PatBlt(QRectF(P16(a), QSizeF(b.x, b.y)), rop);
      break;
    case U_WMR_SAVEDC: SaveDC(); break;
    case U_WMR_RESTOREDC: if (!U_WMRRESTOREDC_get(r, &i16)) return false; RestoreDC(i16); break;
    case U_WMR_POLYGON:
    case U_WMR_POLYLINE: {
      const char* data = nullptr;
      const bool polygon = (function & 0xFF) == U_WMR_POLYGON;
      if (!(polygon ? U_WMRPOLYGON_get(r, &u, &data) : U_WMRPOLYLINE_get(r, &u, &data))) return false;
      if (!inside(data, std::size_t(u) * 4)) return false;
      Fields pts(TByteView(reinterpret_cast<const std::uint8_t*>(data), std::size_t(u) * 4));
      QPolygonF poly;
      for (std::size_t k = 0; k < u; ++k) poly << QPointF(pts.I16(4 * k), pts.I16(4 * k + 2));
      QPainterPath path;
      path.addPolygon(poly);
      if (polygon) path.closeSubpath();
      Shape(path, polygon, true);
      break;
    }
    case U_WMR_POLYPOLYGON: {
      const uint16_t* counts = nullptr;
      const char* data = nullptr;
      if (!U_WMRPOLYPOLYGON_get(r, &u, &counts, &data)) return false;
      if (!inside(counts, std::size_t(u) * 2)) return false;
      Fields cf(TByteView(reinterpret_cast<const std::uint8_t*>(counts), std::size_t(u) * 2));
      std::size_t total = 0;
      for (std::size_t k = 0; k < u; ++k) total += cf.U16(2 * k);
      if (!inside(data, total * 4)) return false;
      Fields pts(TByteView(reinterpret_cast<const std::uint8_t*>(data), total * 4));
      QPainterPath path;
      std::size_t next = 0;
      for (std::size_t k = 0; k < u; ++k) {
        QPolygonF poly;
        for (std::size_t n = cf.U16(2 * k); n > 0; --n, ++next) poly << QPointF(pts.I16(4 * next), pts.I16(4 * next + 2));
        path.addPolygon(poly);
        path.closeSubpath();
      }
      Shape(path, true, true);
      break;
    }
    case U_WMR_TEXTOUT: {
      const char* text = nullptr;
      if (!U_WMRTEXTOUT_get(r, &a, &i16, &text)) return false;
      if (i16 < 0 || !inside(text, std::size_t(i16))) return false;
      Text(P16(a), DecodeSingleByte(TByteView(reinterpret_cast<const std::uint8_t*>(text), std::size_t(i16)), s_.font.charset),
           {}, 0, QRectF());
      break;
    }
    case U_WMR_EXTTEXTOUT: {
      const char* text = nullptr;
      const int16_t* dx = nullptr;
      if (!U_WMREXTTEXTOUT_get(r, &a, &i16, &u, &text, &dx, &box)) return false;
      if (i16 < 0 || !inside(text, std::size_t(i16))) return false;
      std::vector<double> advances;
      if (dx && inside(dx, std::size_t(i16) * 2)) {
        Fields df(TByteView(reinterpret_cast<const std::uint8_t*>(dx), std::size_t(i16) * 2));
        for (int k = 0; k < i16; ++k) advances.push_back(df.I16(2 * std::size_t(k)));
      }
      const QRectF rect = (u & (U_ETO_OPAQUE | U_ETO_CLIPPED)) ? R16(box) : QRectF();
      Text(P16(a), DecodeSingleByte(TByteView(reinterpret_cast<const std::uint8_t*>(text), std::size_t(i16)), s_.font.charset),
           advances, u, rect);
      break;
    }
    case U_WMR_STRETCHDIB: {
      if (!U_WMRSTRETCHDIB_get(r, &a, &b, &c, &d, &u, &rop, &dib)) return false;
      if (!dib || !inside(dib, 0)) return true;
      const QImage image = DecodePackedDib(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib)), u);
      QRectF src(P16(c), QSizeF(d.x, d.y));
      if (!image.isNull() && Fields(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib))).I32(8) > 0)
        src.moveTop(image.height() - src.bottom());
      Image(QRectF(P16(a), QSizeF(b.x, b.y)), image, src, rop);
      break;
    }
    case U_WMR_DIBSTRETCHBLT:
    case U_WMR_DIBBITBLT: {
      const bool stretch = (function & 0xFF) == U_WMR_DIBSTRETCHBLT;
      if (stretch ? !U_WMRDIBSTRETCHBLT_get(r, &a, &b, &c, &d, &rop, &dib)
                  : !U_WMRDIBBITBLT_get(r, &a, &b, &c, &rop, &dib))
        return false;
      if (!stretch) d = b;
      const QRectF dest(P16(a), QSizeF(b.x, b.y));
      if (!dib) {
        PatBlt(dest, rop);
        break;
      }
      if (!inside(dib, 0)) return true;
      const QImage image = DecodePackedDib(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib)), 0);
      Image(dest, image, QRectF(P16(c), QSizeF(d.x, d.y)), rop);
      break;
    }
    case U_WMR_SELECTOBJECT:
      if (!U_WMRSELECTOBJECT_get(r, &u)) return false;
      if (u < wmfObjects_.size() && wmfObjects_[u]) Select(*wmfObjects_[u]);
      break;
    case U_WMR_DELETEOBJECT:
      if (!U_WMRDELETEOBJECT_get(r, &u)) return false;
      if (u < wmfObjects_.size()) wmfObjects_[u].reset();
      break;
    case U_WMR_CREATEPENINDIRECT: {
      U_PEN pen;
      if (!U_WMRCREATEPENINDIRECT_get(r, &pen)) return false;
      GdiObject o;
      o.kind = GdiObject::Pen;
      o.pen = MakePenState(pen.Style, int16_t(pen.Widthw[0]), colorOf(pen.Color), false);
      WmfSlot(o);
      break;
    }
    case U_WMR_CREATEBRUSHINDIRECT: {
      const char* brush = nullptr;
      if (!U_WMRCREATEBRUSHINDIRECT_get(r, &brush) || !inside(brush, 8)) return false;
      Fields bf(TByteView(reinterpret_cast<const std::uint8_t*>(brush), 8));
      GdiObject o;
      o.kind = GdiObject::Brush;
      o.brush = MakeBrushState(bf.U16(0), ColorRef(bf.U32(2)), bf.U16(6));
      WmfSlot(o);
      break;
    }
    case U_WMR_DIBCREATEPATTERNBRUSH: {
      const char* bm16 = nullptr;
      std::uint16_t style = 0;
      GdiObject o;
      o.kind = GdiObject::Brush;
      if (U_WMRDIBCREATEPATTERNBRUSH_get(r, &style, &u, &bm16, &dib) && dib && inside(dib, 0))
        o.brush.pattern = DecodePackedDib(TByteView(reinterpret_cast<const std::uint8_t*>(dib), std::size_t(end - dib)), u);
      o.brush.kind = o.brush.pattern.isNull() ? BrushState::Solid : BrushState::Pattern;
      o.brush.color = Qt::gray;
      WmfSlot(o);
      break;
    }
    case U_WMR_CREATEFONTINDIRECT: {
      const char* font = nullptr;
      if (!U_WMRCREATEFONTINDIRECT_get(r, &font) || !inside(font, 18)) return false;
      Fields ff(TByteView(reinterpret_cast<const std::uint8_t*>(font), std::size_t(end - font)));
      GdiObject o;
      o.kind = GdiObject::Font;
      o.font.height = ff.I16(0);
      o.font.width = ff.I16(2);
      o.font.escapement = ff.I16(4);
      o.font.weight = ff.I16(8);
      o.font.italic = ff.U8(10) != 0;
      o.font.underline = ff.U8(11) != 0;
      o.font.strikeOut = ff.U8(12) != 0;
      o.font.charset = ff.U8(13);
      QByteArray face;
      for (std::size_t k = 18; k < 18 + 32 && ff.Has(k, 1) && ff.U8(k) != 0; ++k) face.append(char(ff.U8(k)));
      o.font.face = DecodeSingleByte(TByteView(reinterpret_cast<const std::uint8_t*>(face.constData()), std::size_t(face.size())), 0);
      WmfSlot(o);
      break;
    }
    case U_WMR_CREATEPALETTE: case U_WMR_CREATEPATTERNBRUSH: case U_WMR_CREATEREGION:
    case U_WMR_CREATEBITMAPINDIRECT: case U_WMR_CREATEBITMAP:
      WmfSlot(GdiObject{});  // takes a slot in the object table, not drawn
      break;
    default: break;  // not drawn
  }
  return true;
}

}  // namespace metafile
