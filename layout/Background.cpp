#include "layout/Background.h"

#include <algorithm>
#include <climits>

#include "layout/PropertyValues.h"
#include "platform/ScopeExit.h"

using namespace dxPropValues;

namespace {

constexpr std::initializer_list<const char*> kModeNames = {"bmNone", "bmBrush", "bmBrushBitmap", "bmPicture"};
constexpr std::initializer_list<const char*> kPictureModeNames = {"ppmCenter", "ppmStretch", "ppmTile",
                                                                  "ppmProportional"};
constexpr std::initializer_list<const char*> kBrushStyleNames = {"bsSolid",    "bsClear",     "bsHorizontal",
                                                                 "bsVertical", "bsFDiagonal", "bsBDiagonal",
                                                                 "bsCross",    "bsDiagCross"};

const char* NameOf(std::initializer_list<const char*> names, int ordinal) {
  return names.begin()[std::clamp(ordinal, 0, int(names.size()) - 1)];
}

int ClampToInt(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// Area of w x h at (x, y), with the far edges kept inside the int range.
TRect Area(long long x, long long y, long long w, long long h) {
  return TRect(ClampToInt(x), ClampToInt(y), ClampToInt(x + w), ClampToInt(y + h));
}

void DrawAt(TCanvas& canvas, const TRect& area, const TGraphic& graphic, bool unscaled) {
  if (unscaled)
    canvas.Draw(area.Left, area.Top, graphic);
  else
    canvas.StretchDraw(area, graphic);
}

bool SamePicture(const TBitmap* a, const TBitmap* b) {
  const bool emptyA = !a || a->Empty(), emptyB = !b || b->Empty();
  if (emptyA || emptyB) return emptyA == emptyB;
  return a->Image() == b->Image();
}

}  // namespace

// ---------------------------------------------------------------------------
// TdxBackground

TdxBackground::TdxBackground() {
  // The last EndUpdate reports everything at once.
  OnChanged = [this](TdxBaseObject&, int code) {
    if (code == lsUnLock) DoChange(bpAll);
  };
}

TdxBackground::~TdxBackground() {
  if (picture_) picture_->OnChange = nullptr;
}

void TdxBackground::SetBkColor(TColor value) {
  if (bkColor_ == value) return;
  bkColor_ = value;
  DoChange(bpBkColor);
}

void TdxBackground::SetBrush(const TBrush& value) {
  if (brush_.Color == value.Color && brush_.Style == value.Style) return;
  brush_.Color = value.Color;
  brush_.Style = value.Style;
  DoChange(bpBrush);
}

void TdxBackground::SetBrushColor(TColor value) {
  TBrush b = brush_;
  b.Color = value;
  SetBrush(b);
}

void TdxBackground::SetBrushStyle(TBrushStyle value) {
  TBrush b = brush_;
  b.Style = value;
  SetBrush(b);
}

void TdxBackground::SetMode(TdxBackgroundMode value) {
  if (mode_ == value) return;
  mode_ = value;
  DoChange(bpMode);
}

void TdxBackground::SetPictureMode(TdxPicturePaintMode value) {
  if (pictureMode_ == value) return;
  pictureMode_ = value;
  DoChange(bpPictureMode);
}

TBitmap& TdxBackground::Picture() {
  if (!picture_) {
    picture_ = std::make_unique<TBitmap>();
    picture_->OnChange = [this](TGraphic&) { DoChange(bpPicture); };
  }
  return *picture_;
}

void TdxBackground::SetPicture(const TGraphic* graphic) {
  if (!graphic) {
    Picture().SetImage(QImage());
    return;
  }
  QImage image;
  if (auto* bitmap = dynamic_cast<const TBitmap*>(graphic))
    image = bitmap->Image();
  else
    image = graphic->ToImage();
  Picture().SetImage(image);
}

void TdxBackground::DoChange(TdxBackgroundParams codes) {
  if (IsLocked()) return;
  repaintNeeded_ = NeedsRepaint(codes);
  if (OnChange) OnChange(*this, codes);
}

void TdxBackground::DoAssign(const TdxBaseObject& source) {
  TdxBaseObject::DoAssign(source);
  auto* src = dynamic_cast<const TdxBackground*>(&source);
  if (!src || src == this) return;
  SetBkColor(src->bkColor_);
  SetBrush(src->brush_);
  SetMode(src->mode_);
  SetPictureMode(src->pictureMode_);
  SetPicture(src->picture_.get());
  // Loading reads into a copy that is then assigned: stored-only values come along.
  if (src->streamed_) effects_ = src->effects_;
}

bool TdxBackground::IsCompatibleWith(const TdxObject* object) const {
  if (!TdxBaseObject::IsCompatibleWith(object)) return false;
  auto* other = dynamic_cast<const TdxBackground*>(object);
  return other && bkColor_ == other->bkColor_ && brush_.Color == other->brush_.Color &&
         brush_.Style == other->brush_.Style && mode_ == other->mode_ && pictureMode_ == other->pictureMode_ &&
         SamePicture(picture_.get(), other->picture_.get());
}

bool TdxBackground::NeedsRepaint(TdxBackgroundParams codes) const {
  if (codes & bpMode) return true;
  switch (mode_) {
    case bmBrush: return (codes & bpBrush) || ((codes & bpBkColor) && IsHatch());
    case bmBrushBitmap: return (codes & bpPicture) != 0;
    case bmPicture: return (codes & (bpPictureMode | bpPicture)) != 0;
    case bmNone:
    default: return false;
  }
}

void TdxBackground::DoCustomDraw(TCanvas& canvas, const TRect& rect, bool& done, int stage) {
  if (OnCustomDraw) OnCustomDraw(*this, canvas, rect, done, stage);
}

void TdxBackground::DoCustomDrawEx(TCanvas& canvas, const TRect& rect, bool& done, int numerator, int denominator,
                                   int stage) {
  if (OnCustomDrawEx) OnCustomDrawEx(*this, canvas, rect, done, numerator, denominator, stage);
  if (!done) DoCustomDraw(canvas, rect, done, stage);
}

void TdxBackground::PaintEx(TCanvas& canvas, const TRect& rect, int numerator, int denominator) {
  bool done = false;
  DoCustomDrawEx(canvas, rect, done, numerator, denominator, dxBkgndStageBefore);
  if (done) return;

  const bool printer = canvas.IsPrinter();
  switch (mode_) {
    case bmBrush:
      PaintBrush(canvas, rect, numerator, denominator);
      break;
    case bmBrushBitmap:
      if (HasPicture()) {
        if (picture_->Width() > 8 || picture_->Height() > 8 || printer) {
          DrawPicture(picture_.get(), canvas, rect, ppmTile, numerator, denominator);
        } else {
          TBrush pattern;
          pattern.Bitmap = picture_->Image();
          canvas.FillRect(rect, pattern);
        }
      }
      break;
    case bmPicture:
      if (HasPicture()) {
        if (pictureMode_ == ppmTile && picture_->Width() <= 8 && picture_->Height() <= 8 && !printer) {
          TBrush pattern;
          pattern.Bitmap = picture_->Image();
          canvas.FillRect(rect, pattern);
        } else {
          DrawPicture(picture_.get(), canvas, rect, pictureMode_, numerator, denominator);
        }
      }
      break;
    case bmNone:
    default:
      break;
  }

  done = false;
  DoCustomDrawEx(canvas, rect, done, numerator, denominator, dxBkgndStageAfter);
}

void TdxBackground::PaintBrush(TCanvas& canvas, const TRect& rect, int numerator, int denominator) {
  if (brush_.Style == bsClear) return;
  TBrush brush;
  brush.Color = brush_.Color;
  brush.Style = brush_.Style;
  if (!IsHatch()) {
    canvas.FillRect(rect, brush);
    return;
  }
  const int oldMode = canvas.SetBkMode(TRANSPARENT);
  const TColor oldColor = canvas.SetBkColor(bkColor_);
  ScopeExit restore([&] {
    canvas.SetBkColor(oldColor);
    canvas.SetBkMode(oldMode);
  });
  if (canvas.IsPrinter()) {
    // Printers scale hatch brushes poorly: tile an 8 x 8 bitmap of it.
    TBitmap tile;
    tile.SetSize(8, 8);
    QImage image = tile.Image();
    {
      TCanvas tileCanvas(&image);
      tileCanvas.SetBkMode(TRANSPARENT);
      tileCanvas.SetBkColor(bkColor_);
      tileCanvas.FillRect(TRect(0, 0, 8, 8), brush);
    }
    tile.SetImage(image);
    DrawPicture(&tile, canvas, rect, ppmTile, numerator, denominator);
  } else {
    canvas.FillRect(rect, brush);
  }
}

void TdxBackground::DrawPicture(const TGraphic* graphic, TCanvas& canvas, const TRect& rect,
                                TdxPicturePaintMode mode, int numerator, int denominator) {
  if (!graphic || graphic->Empty()) return;
  const int w = graphic->Width(), h = graphic->Height();
  if (w <= 0 || h <= 0) return;
  const long long W = (long long)rect.Right - rect.Left, H = (long long)rect.Bottom - rect.Top;
  const bool drawAll = canvas.IsPrinter() || canvas.IsMetafile();
  auto visible = [&](const TRect& area) { return drawAll || canvas.RectVisible(area); };

  switch (mode) {
    case ppmCenter: {
      const int sw = MulDiv(w, numerator, denominator), sh = MulDiv(h, numerator, denominator);
      if (sw <= 0 || sh <= 0) return;
      const TRect area = Area(rect.Left + (W - sw) / 2, rect.Top + (H - sh) / 2, sw, sh);
      if (visible(area)) DrawAt(canvas, area, *graphic, sw == w && sh == h);
      break;
    }
    case ppmStretch:
      if (visible(rect)) canvas.StretchDraw(rect, *graphic);
      break;
    case ppmTile: {
      const int sw = MulDiv(w, numerator, denominator), sh = MulDiv(h, numerator, denominator);
      if (sw <= 0 || sh <= 0 || W <= 0 || H <= 0) return;
      const bool unscaled = sw == w && sh == h;
      TCanvasStateSaver saver(canvas);
      canvas.IntersectClipRect(rect);
      long long firstCol = 0, lastCol = W / sw, firstRow = 0, lastRow = H / sh;
      if (!canvas.IsMetafile()) {
        // Tiles outside the clip box cannot show; skip them without asking.
        TRect box;
        if (canvas.GetClipBox(box) == NULLREGION) return;
        firstCol = std::max(firstCol, ((long long)box.Left - rect.Left) / sw);
        lastCol = std::min(lastCol, ((long long)box.Right - rect.Left) / sw);
        firstRow = std::max(firstRow, ((long long)box.Top - rect.Top) / sh);
        lastRow = std::min(lastRow, ((long long)box.Bottom - rect.Top) / sh);
      }
      for (long long i = firstCol; i <= lastCol; ++i) {
        for (long long j = firstRow; j <= lastRow; ++j) {
          const TRect tile = Area(rect.Left + i * sw, rect.Top + j * sh, sw, sh);
          if (visible(tile)) DrawAt(canvas, tile, *graphic, unscaled);
        }
      }
      break;
    }
    case ppmProportional: {
      TRect area;
      if (W * h >= (long long)w * H) {
        const int width = MulDiv(w, ClampToInt(H), h);
        area = Area(rect.Left + (W - width) / 2, rect.Top, width, H);
      } else {
        const int height = MulDiv(h, ClampToInt(W), w);
        area = Area(rect.Left, rect.Top + (H - height) / 2, W, height);
      }
      if (!area.IsEmpty() && visible(area)) canvas.StretchDraw(area, *graphic);
      break;
    }
  }
}

// ---------------------------------------------------------------------------
// Storage

void TdxBackground::WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const {
  if (bkColor_ != clWhite) writer.WriteProperty(prefix + "BkColor", std::int64_t(bkColor_));
  if (brush_.Color != clWhite) writer.WriteProperty(prefix + "Brush.Color", std::int64_t(brush_.Color));
  if (brush_.Style != bsSolid)
    writer.WriteProperty(prefix + "Brush.Style", TdxIdent{NameOf(kBrushStyleNames, brush_.Style)});
  if (effects_) writer.WriteProperty(prefix + "Effects", true);
  if (mode_ != bmNone) writer.WriteProperty(prefix + "Mode", TdxIdent{NameOf(kModeNames, mode_)});
  if (HasPicture()) writer.WriteProperty(prefix + "Picture.Data", dxPictureToData(*picture_));
  if (pictureMode_ != ppmCenter)
    writer.WriteProperty(prefix + "PictureMode", TdxIdent{NameOf(kPictureModeNames, pictureMode_)});
}

void TdxBackground::ReadProperty(const std::string& name, const TdxPropertyValue& value) {
  streamed_ = true;
  if (name == "BkColor") {
    SetBkColor(AsInt(value));
  } else if (name == "Brush.Color") {
    SetBrushColor(AsInt(value));
  } else if (name == "Brush.Style") {
    SetBrushStyle(TBrushStyle(AsEnum(value, kBrushStyleNames)));
  } else if (name == "Effects") {
    SetEffects(AsBool(value));
  } else if (name == "Mode") {
    SetMode(TdxBackgroundMode(AsEnum(value, kModeNames)));
  } else if (name == "Picture.Data") {
    const TBytes& data = AsBytes(value);
    if (data.empty()) {
      SetPicture(nullptr);
    } else {
      std::unique_ptr<TGraphic> graphic = dxPictureFromData(data);
      SetPicture(graphic.get());
    }
  } else if (name == "PictureMode") {
    SetPictureMode(TdxPicturePaintMode(AsEnum(value, kPictureModeNames)));
  } else {
    TdxBaseObject::ReadProperty(name, value);
  }
}

TBytes dxPictureToData(const TGraphic& graphic) {
  const std::string cls = graphic.ClassName();
  TBytes out;
  out.push_back(std::uint8_t(cls.size()));
  out.insert(out.end(), cls.begin(), cls.end());
  const TBytes body = graphic.SaveToStream();
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::unique_ptr<TGraphic> dxPictureFromData(TByteView data) {
  if (data.empty() || data.size() - 1 < data[0]) throw EReadError(InvalidValue);
  const std::string cls(reinterpret_cast<const char*>(data.data() + 1), data[0]);
  TGraphicClass graphicClass = FindGraphicClass(cls);
  if (!graphicClass) throw EReadError(InvalidValue);
  std::unique_ptr<TGraphic> graphic = graphicClass->Create();
  graphic->LoadFromStream(data.subspan(std::size_t(data[0]) + 1));
  return graphic;
}
