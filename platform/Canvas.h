// The canvas: a device context with integer logical coordinates on any
// QPaintDevice (image, widget, printer, picture, metafile recorder).
//
// Coordinates. Every drawing call takes logical coordinates. The mapping mode
// and the window/viewport origins and extents map them to device pixels:
//   device = (logical - windowOrg) * viewportExt / windowExt + viewportOrg,
// rounded to the nearest device pixel, so that rectangles that share an edge
// in logical units share it on the device at every scale. The painter's world
// transform always equals that mapping (composed with the painter's own
// transform for a canvas made on an existing painter), so a graphic drawn
// through Painter() lands in logical coordinates too.
//
// Rectangles have exclusive right and bottom edges: FillRect of (0, 0, 10, 10)
// covers device pixels 0..9 under MM_TEXT. Lines exclude their last pixel.
//
// Regions (TRegion) are in device pixels, as clip regions are: GetClipRgn
// answers device pixels and SelectClipRgn takes them; IntersectClipRect and
// ExcludeClipRect take logical rectangles. FillRgn takes a region built in
// logical units (as the platform does). The clip region stays put in device
// space when the mapping changes afterwards.
//
// Text. Fonts are measured with unhinted outline metrics of a 2048-pixel
// reference font scaled down to the font's logical size, and drawn with that
// reference font under a scaling world transform (QFont pixel size 2048,
// kerning and ligatures off). Widths therefore scale exactly with the
// logical size: a line breaks at the same place at every zoom. Measures are
// integers in logical units. Text strings are UTF-8; counts and per-character
// arrays (fit counts, partial extents, dx) are per byte: a multi-byte
// character is measured as a whole at its last byte and its advance is the sum
// of the dx entries of its bytes. Glyphs follow the mapping in both directions
// (under an anisotropic mapping they stretch) and stay upright when the
// mapping turns the y axis upwards.
//
// Brushes. Hatch and pattern brushes are tiled from the device origin plus the
// brush origin (SetBrushOrg). Hatch lines take the brush colour; the gaps take
// the background colour in OPAQUE mode and stay untouched in TRANSPARENT mode.
// A monochrome pattern (a Format_Mono or Format_MonoLSB image) paints its
// black pixels (0 bits) in the text colour and its white pixels (1 bits) in
// the background colour, whatever the background mode; a colour pattern
// paints its own pixels.
//
// Colours: system colours resolve through the classic table (ColorToRGB);
// clNone paints nothing.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QTransform>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"

class QColor;
class QPainter;
class QPaintDevice;
class TGraphic;

// ---- Constants of the device context ---------------------------------------

// GetDeviceCaps indexes.
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
// TECHNOLOGY values.
constexpr int DT_PLOTTER = 0;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;
constexpr int DT_METAFILE = 5;

// Mapping modes.
constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Text alignment.
constexpr unsigned TA_NOUPDATECP = 0;
constexpr unsigned TA_UPDATECP = 1;
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

// ExtTextOut options.
constexpr unsigned ETO_OPAQUE = 2;
constexpr unsigned ETO_CLIPPED = 4;

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Region combination and region kinds.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// Raster operations of PatBlt and BitBlt.
constexpr unsigned BLACKNESS = 0x00000042;
constexpr unsigned DSTINVERT = 0x00550009;
constexpr unsigned PATINVERT = 0x005A0049;
constexpr unsigned PATCOPY = 0x00F00021;
constexpr unsigned WHITENESS = 0x00FF0062;
constexpr unsigned SRCCOPY = 0x00CC0020;
constexpr unsigned SRCPAINT = 0x00EE0086;
constexpr unsigned SRCAND = 0x008800C6;
constexpr unsigned SRCINVERT = 0x00660046;

// DrawEdge.
constexpr unsigned BDR_RAISEDOUTER = 0x0001;
constexpr unsigned BDR_SUNKENOUTER = 0x0002;
constexpr unsigned BDR_RAISEDINNER = 0x0004;
constexpr unsigned BDR_SUNKENINNER = 0x0008;
constexpr unsigned BDR_OUTER = 0x0003;
constexpr unsigned BDR_INNER = 0x000C;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x0001;
constexpr unsigned BF_TOP = 0x0002;
constexpr unsigned BF_RIGHT = 0x0004;
constexpr unsigned BF_BOTTOM = 0x0008;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x0800;
constexpr unsigned BF_SOFT = 0x1000;
constexpr unsigned BF_ADJUST = 0x2000;
constexpr unsigned BF_FLAT = 0x4000;
constexpr unsigned BF_MONO = 0x8000;

// DrawFrameControl (buttons only).
constexpr unsigned DFC_BUTTON = 4;
constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
constexpr unsigned DFCS_BUTTONRADIOIMAGE = 0x0001;
constexpr unsigned DFCS_BUTTONRADIO = 0x0004;
constexpr unsigned DFCS_BUTTON3STATE = 0x0008;
constexpr unsigned DFCS_BUTTONPUSH = 0x0010;
constexpr unsigned DFCS_INACTIVE = 0x0100;
constexpr unsigned DFCS_PUSHED = 0x0200;
constexpr unsigned DFCS_CHECKED = 0x0400;
constexpr unsigned DFCS_TRANSPARENT = 0x0800;
constexpr unsigned DFCS_HOT = 0x1000;
constexpr unsigned DFCS_ADJUSTRECT = 0x2000;
constexpr unsigned DFCS_FLAT = 0x4000;
constexpr unsigned DFCS_MONO = 0x8000;

// GetPixel on a device whose pixels cannot be read, or outside it.
// The colour as the window system takes it (system colours resolved).
QColor ColorToQColor(TColor color);

constexpr TColor CLR_INVALID = TColor(0xFFFFFFFF);

// ---- Drawing objects ---------------------------------------------------------

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// Width in logical units; 0 = one device pixel. Styled (dashed, dotted) lines
// need a width of at most one device pixel; wider pens draw solid, with round
// ends and joins. psInsideFrame keeps a wide outline of a closed figure inside
// its bounding rectangle.
struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  friend bool operator==(const TPen&, const TPen&) = default;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// A brush. A non-null Bitmap makes it a pattern brush (Style is then ignored);
// see the header comment for how patterns are coloured and anchored.
struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  QImage Bitmap;
};

// A monochrome pattern (Format_Mono), one row per byte, width at most 8:
// bit 7 of rows[r] (the most significant) is pixel (0, r); set bits are
// white (background colour), clear bits black (text colour).
QImage CreateMonoPattern(std::span<const std::uint8_t> rows, int width = 8);

// A transparent pixmap of width x height screen pixels at the screens'
// device pixel ratio, drawn by paint in screen pixels: icons, cursors and
// marks stay sharp on high-density screens.
QPixmap ScreenPixmap(int width, int height, const std::function<void(QPainter&)>& paint);

// True when painter draws on paper (a printer or a PDF). Paper gets no
// transparency: a page holding any is turned into one picture by the
// spooler's PostScript filters, and its text is no longer text.
bool PaintsOnPaper(const QPainter& painter);
// True when painter draws pixels for the screen (a widget, pixmap or image),
// not paper and not a metafile being recorded.
bool PaintsOnScreen(const QPainter& painter);
// image as paper takes it: a pixel at least half covered is opaque, any
// other clear (a stencil, which paper keeps), and an opacity below 1 fades
// the colours towards white paper as translucent pens and brushes do.
QImage OpaqueForPaper(const QImage& image, double opacity = 1);
// Draws image into dest, without transparency on paper.
void DrawPicture(QPainter& painter, const QRectF& dest, const QImage& image);

// ---- Device capabilities -----------------------------------------------------

struct TDeviceCaps {
  int Technology = DT_RASDISPLAY;
  int HorzSize = 0;  // millimetres
  int VertSize = 0;
  int HorzRes = 0;   // device pixels of the drawable area
  int VertRes = 0;
  int LogPixelsX = 96;
  int LogPixelsY = 96;
  int PhysicalWidth = 0;   // the whole sheet, device pixels
  int PhysicalHeight = 0;
  int PhysicalOffsetX = 0;  // unprintable margin left/top, device pixels
  int PhysicalOffsetY = 0;
  int BitsPixel = 32;
  int NumColors = -1;

  // The capabilities of a paint device: a QPrinter reports its resolution,
  // its page (printable) rectangle as the drawable area and its paper for the
  // physical size and offsets; a QPicture reports DT_METAFILE.
  static TDeviceCaps FromDevice(const QPaintDevice* device);
  // The primary screen (96 pixels per inch under the offscreen platform).
  static TDeviceCaps Screen();
  friend bool operator==(const TDeviceCaps&, const TDeviceCaps&) = default;
};

// ---- Regions -----------------------------------------------------------------

// A set of pixels made of rectangles, in whatever integer units it is built
// in (device pixels for clipping, see above).
class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& rect);
  explicit TRegion(const QRegion& region) : region_(region) {}
  // The ellipse inscribed in rect; a rectangle with corners rounded by
  // ellipses of the given width and height.
  static TRegion Ellipse(const TRect& rect);
  static TRegion RoundRect(const TRect& rect, int ellipseWidth, int ellipseHeight);

  // RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF (this minus other) or RGN_COPY
  // (other); answers the kind of the result (NULLREGION, SIMPLEREGION,
  // COMPLEXREGION; RGN_ERROR for an unknown mode, leaving this unchanged).
  int Combine(const TRegion& other, int mode);
  void Offset(int dx, int dy);
  bool IsEmpty() const { return region_.isEmpty(); }
  int Kind() const;
  TRect Box() const;  // bounding rectangle (zero rectangle when empty)
  bool Contains(TPoint p) const;
  bool Intersects(const TRect& rect) const;
  std::vector<TRect> Rects() const;
  const QRegion& ToQRegion() const { return region_; }
  friend bool operator==(const TRegion& a, const TRegion& b) { return a.region_ == b.region_; }

 private:
  QRegion region_;
};

// ---- Text metrics ------------------------------------------------------------

struct TTextMetric {
  int tmHeight = 0;  // ascent + descent
  int tmAscent = 0;
  int tmDescent = 0;
  int tmInternalLeading = 0;  // cell height minus em size
  int tmExternalLeading = 0;  // recommended gap between lines
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
  int tmWeight = 400;
  int tmOverhang = 0;
  bool tmItalic = false;
  bool tmUnderlined = false;
  bool tmStruckOut = false;
  int tmPitchAndFamily = 0;  // bit 0 set for variable pitch, as the platform does
  int tmCharSet = DEFAULT_CHARSET;
  char tmBreakChar = ' ';
};

// ---- The canvas --------------------------------------------------------------

class TCanvas {
 public:
  // Paints on a device: the painter begins here and ends in the destructor.
  // Raises EInvalidGraphicOperation("Canvas does not allow drawing") when the
  // device cannot be painted on. The second form reports the given
  // capabilities instead of the device's (a metafile recorder reports its
  // reference device).
  explicit TCanvas(QPaintDevice* device);
  TCanvas(QPaintDevice* device, const TDeviceCaps& caps);
  // Paints through a painter that is already active (a widget's paintEvent).
  // Its current transform is the device space of the canvas and its clip
  // stays in force; the painter's state is restored in the destructor.
  explicit TCanvas(QPainter& painter);
  TCanvas(QPainter& painter, const TDeviceCaps& caps);
  // An information context: measures text and answers capabilities and
  // mapping, draws nothing.
  explicit TCanvas(const TDeviceCaps& caps);
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The painter (null for an information context). Its world transform is
  // the logical mapping; code that draws on it directly must leave its state
  // as it found it (save/restore).
  QPainter* Painter() const { return painter_; }
  bool CanDraw() const { return painter_ != nullptr; }
  const TDeviceCaps& DeviceCaps() const { return caps_; }
  int GetDeviceCaps(int index) const;
  bool IsPrinter() const { return caps_.Technology == DT_RASPRINTER; }
  bool IsMetafile() const { return caps_.Technology == DT_METAFILE; }

  // ---- Mapping (see the header comment) ----
  // Answers the previous mode; 0 (and no change) for an unknown mode.
  // MM_ISOTROPIC starts from the MM_LOMETRIC extents; MM_ANISOTROPIC keeps
  // the current ones. The metric and English modes turn the y axis upwards.
  int SetMapMode(int mode);
  int GetMapMode() const { return state_.mapMode; }
  void SetWindowOrg(int x, int y, TPoint* old = nullptr);
  void OffsetWindowOrg(int dx, int dy, TPoint* old = nullptr);
  TPoint GetWindowOrg() const { return state_.windowOrg; }
  void SetViewportOrg(int x, int y, TPoint* old = nullptr);
  void OffsetViewportOrg(int dx, int dy, TPoint* old = nullptr);
  TPoint GetViewportOrg() const { return state_.viewportOrg; }
  // Extents change only in MM_ISOTROPIC and MM_ANISOTROPIC and must not be
  // zero; false otherwise. In MM_ISOTROPIC the viewport extent is then
  // reduced on one axis so that a logical unit is as long on both axes.
  // Scale* multiply by num and divide by denom (truncating).
  bool SetWindowExt(int cx, int cy, TSize* old = nullptr);
  bool ScaleWindowExt(int xNum, int xDenom, int yNum, int yDenom, TSize* old = nullptr);
  TSize GetWindowExt() const { return state_.windowExt; }
  bool SetViewportExt(int cx, int cy, TSize* old = nullptr);
  bool ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom, TSize* old = nullptr);
  TSize GetViewportExt() const { return state_.viewportExt; }
  TPoint LPtoDP(TPoint p) const;
  TPoint DPtoLP(TPoint p) const;
  // Both corners mapped; not normalised (y may turn round).
  TRect LPtoDP(const TRect& r) const;
  TRect DPtoLP(const TRect& r) const;
  void LPtoDP(std::span<TPoint> points) const;
  void DPtoLP(std::span<TPoint> points) const;
  // The logical rectangle as device pixels, normalised (left <= right).
  TRect DeviceRect(const TRect& logical) const;

  // ---- State ----
  // Saves mapping, clip, pen, brush, font, colours, modes and the current
  // position; answers the new depth (1 for the first save).
  int SaveDC();
  // Restores the state of the given depth (negative: relative to the
  // current one, -1 = the last saved) and drops it and everything saved
  // after it. False (and nothing changes) for a depth that does not exist.
  bool RestoreDC(int savedDC);
  int SavedDepth() const { return int(saved_.size()); }

  // ---- Clipping ----
  // Answer the kind of the new clip region (NULLREGION, SIMPLEREGION,
  // COMPLEXREGION). Without a clip region the whole device counts.
  int IntersectClipRect(const TRect& logical);
  int ExcludeClipRect(const TRect& logical);
  // Device pixels; null removes the clip region.
  int SelectClipRgn(const TRegion* deviceRegion);
  int ExtSelectClipRgn(const TRegion* deviceRegion, int mode);
  int SelectClipRect(const TRect& logical);
  // The clip region in device pixels; false when there is none.
  bool GetClipRgn(TRegion& deviceRegion) const;
  bool HasClipRgn() const { return state_.clip.has_value(); }
  // The bounding box of the visible area (clip region within the device) in
  // logical units; answers its kind.
  int GetClipBox(TRect& logical) const;
  bool RectVisible(const TRect& logical) const;
  bool PtVisible(int x, int y) const;

  // ---- Objects and modes ----
  const TPen& Pen() const { return state_.pen; }
  TPen& Pen() { return state_.pen; }
  void SetPen(const TPen& pen) { state_.pen = pen; }
  const TBrush& Brush() const { return state_.brush; }
  TBrush& Brush() { return state_.brush; }
  void SetBrush(const TBrush& brush) { state_.brush = brush; }
  // Selecting a font also makes its colour the text colour.
  const TFont& Font() const { return state_.font; }
  void SetFont(const TFont& font);
  TColor GetTextColor() const { return state_.textColor; }
  TColor SetTextColor(TColor color);  // answers the previous one
  TColor GetBkColor() const { return state_.bkColor; }
  TColor SetBkColor(TColor color);
  int GetBkMode() const { return state_.bkMode; }
  int SetBkMode(int mode);  // TRANSPARENT or OPAQUE; 0 for others
  unsigned GetTextAlign() const { return state_.textAlign; }
  unsigned SetTextAlign(unsigned align);
  int GetPolyFillMode() const { return state_.polyFillMode; }
  int SetPolyFillMode(int mode);  // ALTERNATE or WINDING
  // Brush origin in device pixels.
  void SetBrushOrg(int x, int y, TPoint* old = nullptr);
  TPoint GetBrushOrg() const { return state_.brushOrg; }
  // Extra space spread over the break characters of the next text outputs
  // (TextOut, ExtTextOut without dx, TabbedTextOut); measuring ignores it.
  // SetTextJustification(0, 0) ends it.
  void SetTextJustification(int breakExtra, int breakCount);

  // ---- Lines and shapes ----
  TPoint PenPos() const { return state_.penPos; }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(std::span<const TPoint> points);
  void Polygon(std::span<const TPoint> points);
  // 1 + 3n points: start, then control, control, end for each curve.
  void PolyBezier(std::span<const TPoint> points);
  // Outline with the pen, inside with the brush. With a one-pixel pen the
  // figure covers [Left, Right) x [Top, Bottom); without a pen the inside
  // alone is filled, which covers [Left, Right - 1) x [Top, Bottom - 1).
  void Rectangle(const TRect& r);
  void Rectangle(int l, int t, int r, int b) { Rectangle(TRect(l, t, r, b)); }
  void Ellipse(const TRect& r);
  void RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight);
  // Counter-clockwise from the ray through start to the ray through end.
  void Arc(const TRect& r, TPoint start, TPoint end);
  void Pie(const TRect& r, TPoint start, TPoint end);
  void Chord(const TRect& r, TPoint start, TPoint end);

  // ---- Fills ----
  void FillRect(const TRect& r);  // with the current brush
  void FillRect(const TRect& r, const TBrush& brush);
  void FillRect(const TRect& r, TColor color);
  // A frame one logical unit wide (at least one device pixel).
  void FrameRect(const TRect& r);
  void FrameRect(const TRect& r, const TBrush& brush);
  void InvertRect(const TRect& r);
  void FillRgn(const TRegion& logicalRegion, const TBrush& brush);
  // PATCOPY, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS; false for others.
  // Inverting needs a raster device (image, widget); elsewhere it does
  // nothing.
  bool PatBlt(int x, int y, int width, int height, unsigned rop);
  TColor GetPixel(int x, int y) const;  // CLR_INVALID unless the device is an image
  void SetPixel(int x, int y, TColor color);

  // ---- Pictures ----
  // The graphic stretched into the rectangle (device pixels of its corners,
  // never mirrored).
  void StretchDraw(const TRect& r, const TGraphic& graphic);
  // At its natural size in logical units.
  void Draw(int x, int y, const TGraphic& graphic);
  // A part of an image stretched into the rectangle. rop: SRCCOPY, SRCPAINT,
  // SRCAND or SRCINVERT (the last three on raster devices; elsewhere copied).
  void CopyRect(const TRect& dest, const QImage& source, const TRect& sourceRect, unsigned rop = SRCCOPY);
  bool BitBlt(int x, int y, int width, int height, const QImage& source, int sx, int sy, unsigned rop = SRCCOPY);

  // ---- Text ----
  void TextOut(int x, int y, const std::string& text);
  // rect may be null; dx (one entry per byte, logical units) may be empty; a
  // dx shorter than the text is ignored.
  void ExtTextOut(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                  std::span<const int> dx = {});
  // The text clipped to rect, on the brush colour unless the brush is clear.
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  // Tabs advance to the next multiple of 8 average character widths from x;
  // answers the extent.
  TSize TabbedTextOut(int x, int y, const std::string& text);
  TSize GetTabbedTextExtent(const std::string& text) const;
  TSize TextExtent(const std::string& text) const;
  int TextWidth(const std::string& text) const { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) const { return TextExtent(text).cy; }
  TTextMetric GetTextMetrics() const;
  // The extent of the whole text; fit = bytes of the longest leading part
  // (whole characters) whose extent is at most maxExtent; partial[i] = extent
  // of the text up to and including byte i.
  TSize GetTextExtentExPoint(const std::string& text, int maxExtent, int* fit,
                             std::vector<int>* partial) const;

  // ---- Edges and controls (classic colours) ----
  // Edge lines are one logical unit wide, at least one device pixel. Right
  // and bottom lines cover the corners they share with left and top.
  bool DrawEdge(TRect& rect, unsigned edge, unsigned flags);
  bool DrawEdge(const TRect& rect, unsigned edge, unsigned flags) {
    TRect r = rect;
    return DrawEdge(r, edge, flags);
  }
  // Only DFC_BUTTON: check box, radio button, push button.
  bool DrawFrameControl(TRect& rect, unsigned type, unsigned state);
  bool DrawFrameControl(const TRect& rect, unsigned type, unsigned state) {
    TRect r = rect;
    return DrawFrameControl(r, type, state);
  }
  // A dotted frame, inverted on raster devices (drawing it twice removes it).
  void DrawFocusRect(const TRect& r);

  struct FontData;

 private:
  struct State {
    int mapMode = MM_TEXT;
    TPoint windowOrg;
    TPoint viewportOrg;
    TSize windowExt{1, 1};
    TSize viewportExt{1, 1};
    std::optional<QRegion> clip;  // device pixels
    TPen pen;
    TBrush brush;
    TFont font;
    TColor textColor = clBlack;
    TColor bkColor = clWhite;
    int bkMode = OPAQUE;
    unsigned textAlign = TA_LEFT | TA_TOP;
    int polyFillMode = ALTERNATE;
    TPoint brushOrg;
    TPoint penPos;
    int justifyExtra = 0;
    int justifyCount = 0;
  };
  class DeviceSpace;

  void Init();
  void FixIsotropic();
  void MappingChanged();
  void ApplyClip();
  QTransform MappingTransform() const;
  QRegion VisibleRegion() const;
  int ClipKind() const;
  int MapX(int x) const;
  int MapY(int y) const;
  int DeviceLength(int logical) const;  // along x, at least 0
  const FontData& Font_() const;

  void FillDeviceRect(const QRect& r, const TBrush& brush);
  void FillDeviceRegion(const QRegion& r, const TBrush& brush);
  void StrokeLine(TPoint d0, TPoint d1);
  void DrawClosedFigure(int kind, const TRect& r, TPoint start, TPoint end, int ew, int eh);
  void EdgeRing(TRect& r, unsigned sides, TColor topLeft, TColor bottomRight);
  void DrawTextRun(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                   std::span<const int> dx, bool justify);

  QPainter* painter_ = nullptr;
  std::unique_ptr<QPainter> ownPainter_;
  bool restorePainter_ = false;
  TDeviceCaps caps_;
  QTransform base_;              // device space of the canvas in painter coordinates
  std::optional<QRegion> baseClip_;  // the painter's clip when the canvas was made
  QRect deviceBounds_;
  State state_;
  std::vector<State> saved_;
  mutable std::unique_ptr<FontData> fontData_;
};

// Saves the canvas state and restores it when it goes out of scope, also
// when an exception passes.
class TCanvasStateSaver {
 public:
  explicit TCanvasStateSaver(TCanvas& canvas) : canvas_(canvas), level_(canvas.SaveDC()) {}
  ~TCanvasStateSaver() { canvas_.RestoreDC(level_); }
  TCanvasStateSaver(const TCanvasStateSaver&) = delete;
  TCanvasStateSaver& operator=(const TCanvasStateSaver&) = delete;

 private:
  TCanvas& canvas_;
  int level_;
};
