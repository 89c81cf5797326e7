// Backgrounds: how a rectangle is filled before anything is drawn on it. Not
// at all, with a brush (solid colour or hatch), with a small bitmap repeated
// like a brush, or with a picture placed centred, stretched, tiled or
// proportionally. The printer page owns one for the page and one for each
// header and footer band; the preview control owns one for its pages; the
// renderer asks the page's background to paint itself on printers.
//
// Painting works on any canvas (screen, printer, metafile) in its logical
// units. Picture sizes are scaled by a numerator and a denominator (MulDiv):
// Paint uses 1 and 1, the renderer passes its own pair so that a picture keeps
// its size relative to the page when printed. Small bitmaps (up to 8 x 8) are
// used as pattern brushes on screens and tiled on printers, where hatch
// brushes are turned into 8 x 8 tiles too (printers scale brushes poorly).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "report/BaseObject.h"

enum TdxBackgroundMode { bmNone, bmBrush, bmBrushBitmap, bmPicture };
enum TdxPicturePaintMode { ppmCenter, ppmStretch, ppmTile, ppmProportional };

// Change codes of a background (a byte set).
using TdxBackgroundParams = std::uint8_t;
inline constexpr TdxBackgroundParams bpBkColor = 1;
inline constexpr TdxBackgroundParams bpBrush = 2;
inline constexpr TdxBackgroundParams bpMode = 4;
inline constexpr TdxBackgroundParams bpPictureMode = 8;
inline constexpr TdxBackgroundParams bpPicture = 16;
inline constexpr TdxBackgroundParams bpAll = 31;

// Stages of the custom draw handlers.
inline constexpr int dxBkgndStageBefore = 0;
inline constexpr int dxBkgndStageAfter = 1;

class TdxBackground : public TdxBaseObject {
  DX_CLASS(TdxBackground, TdxBaseObject)

 public:
  TdxBackground();
  ~TdxBackground() override;

  // ---- Properties (each setter reports its change code when the value
  // really changes) ----
  // The colour between the lines of a hatch brush. Default clWhite.
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor value);
  // The brush of bmBrush: colour and style (its Bitmap is not used). Default
  // solid white.
  const TBrush& Brush() const { return brush_; }
  void SetBrush(const TBrush& value);  // copies colour and style
  void SetBrushColor(TColor value);
  void SetBrushStyle(TBrushStyle value);
  // A stored flag nothing consults.
  bool Effects() const { return effects_; }
  void SetEffects(bool value) { effects_ = value; }
  TdxBackgroundMode Mode() const { return mode_; }
  void SetMode(TdxBackgroundMode value);
  TdxPicturePaintMode PictureMode() const { return pictureMode_; }
  void SetPictureMode(TdxPicturePaintMode value);
  // The picture of bmBrushBitmap and bmPicture, always a bitmap; an empty one
  // is created on demand. Every change of it reports bpPicture.
  TBitmap& Picture();
  bool HasPicture() const { return picture_ && !picture_->Empty(); }
  // Copies any graphic into the bitmap (other kinds are drawn into it at
  // their natural size); none releases the image.
  void SetPicture(const TGraphic* graphic);

  // What NeedsRepaint answered for the last reported change.
  bool RepaintNeeded() const { return repaintNeeded_; }

  // The class test, then equal BkColor, brush colour and style, Mode,
  // PictureMode and pictures (pixels).
  bool IsCompatibleWith(const TdxObject* object) const override;

  // ---- Virtual operations ----
  // Whether a change with these codes alters what the background paints.
  virtual bool NeedsRepaint(TdxBackgroundParams codes) const;
  virtual void Paint(TCanvas& canvas, const TRect& rect) { PaintEx(canvas, rect, 1, 1); }
  virtual void PaintEx(TCanvas& canvas, const TRect& rect, int numerator, int denominator);

  // The shared picture placement: nothing for an empty graphic. ppmCenter and
  // ppmTile scale the picture by numerator / denominator; ppmProportional
  // ignores them. On screens only visible parts are drawn; printer and
  // metafile canvases get everything. Tiling narrows the clip region to rect.
  static void DrawPicture(const TGraphic* graphic, TCanvas& canvas, const TRect& rect, TdxPicturePaintMode mode,
                          int numerator, int denominator);

  // ---- Handlers ----
  // After a change was reported while not locked (the last EndUpdate
  // reports bpAll).
  std::function<void(TdxBackground& sender, TdxBackgroundParams codes)> OnChange;
  // Raised by the fill-effects dialog's Apply button with the values to apply.
  std::function<void(TdxBackground& background)> OnApply;
  // Before (stage 0) and after (stage 1) painting; done at stage 0 skips the
  // painting and stage 1. OnCustomDraw runs after OnCustomDrawEx unless that
  // one reported done.
  std::function<void(TdxBackground& sender, TCanvas& canvas, const TRect& rect, bool& done, int numerator,
                     int denominator, int stage)>
      OnCustomDrawEx;
  std::function<void(TdxBackground& sender, TCanvas& canvas, const TRect& rect, bool& done, int stage)>
      OnCustomDraw;

  // ---- Storage: BkColor, Brush.Color, Brush.Style, Effects, Mode,
  // Picture.Data, PictureMode (each only when it differs from its default) ----
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  // Copies BkColor, Brush, Mode, PictureMode, Picture (in this order);
  // from a background that was read from a stream, Effects too.
  void DoAssign(const TdxBaseObject& source) override;
  virtual void DoCustomDraw(TCanvas& canvas, const TRect& rect, bool& done, int stage);
  virtual void DoCustomDrawEx(TCanvas& canvas, const TRect& rect, bool& done, int numerator, int denominator,
                              int stage);
  // Reports a change: nothing while locked; otherwise RepaintNeeded is set
  // from NeedsRepaint and OnChange is raised.
  virtual void DoChange(TdxBackgroundParams codes);

 private:
  void PaintBrush(TCanvas& canvas, const TRect& rect, int numerator, int denominator);
  bool IsHatch() const { return brush_.Style != bsSolid && brush_.Style != bsClear; }

  TColor bkColor_ = clWhite;
  TBrush brush_;
  bool effects_ = false;
  TdxBackgroundMode mode_ = bmNone;
  TdxPicturePaintMode pictureMode_ = ppmCenter;
  std::unique_ptr<TBitmap> picture_;
  bool repaintNeeded_ = false;
  bool streamed_ = false;  // read from a stream (Effects then travels with Assign)
};

// The form stream encoding of a picture ("Picture.Data"): a one-byte length
// and the graphic's class name, then the graphic in its own file format.
TBytes dxPictureToData(const TGraphic& graphic);
// Reads such data; raises EReadError for an unknown class and the graphic's
// own error for malformed bytes.
std::unique_ptr<TGraphic> dxPictureFromData(TByteView data);
