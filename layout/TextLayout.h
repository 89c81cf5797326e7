// Text layout: breaks report text into lines inside a rectangle, aligns the
// lines, cuts the last visible line with an ellipsis, greeks text too small
// to read and measures text instead of drawing it.
//
// Everything happens in the logical units of the canvas: widths and heights
// come from the canvas's measuring only, which scales exactly with the
// logical size of the font. The only device-dependent quantities are the size
// of one device pixel (for tofMargins, the indents and the greek bars) and the
// greeking threshold; with a reference pixel (TdxTextReference) the margins
// and indents are device-independent too, and a text laid out in report units
// breaks into the same lines at every zoom and on every device. Drawing then
// places the glyphs of each line at their logical positions, scaled to the
// device, without measuring again.
//
// Texts are UTF-8; prefix characters, break characters, line ends, line
// breaking inside words and the ellipsis all work on whole characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"
#include "report/ItemFormat.h"

class TCanvas;

// The format word of TextOut. The bits are the ones report items compose
// (dxTextFlags in report/ItemFormat.h, where TdxTextAlignX and
// TdxTextAlignY live too); alignment X in bits 0-2, alignment Y in bits 4-5.
constexpr unsigned tofAlignXMask = dxTextFlags::AlignXMask;
constexpr unsigned tofAlignYMask = dxTextFlags::AlignYMask;
constexpr unsigned tofAlignYShift = dxTextFlags::AlignYOffset;
constexpr unsigned tofWordBreak = dxTextFlags::WordBreak;
constexpr unsigned tofSingleLine = dxTextFlags::SingleLine;
constexpr unsigned tofExpandTabs = dxTextFlags::ExpandTabs;
constexpr unsigned tofEndEllipsis = dxTextFlags::EndEllipsis;
constexpr unsigned tofGreekSmallText = dxTextFlags::GreekSmallText;
constexpr unsigned tofExternalLeading = dxTextFlags::ExternalLeading;
constexpr unsigned tofLastLineFullyVisible = dxTextFlags::LastLineFullyVisible;
constexpr unsigned tofNoClip = dxTextFlags::NoClip;
constexpr unsigned tofMargins = dxTextFlags::Margins;
constexpr unsigned tofBreakInWords = dxTextFlags::BreakInWords;
constexpr unsigned tofKeepLeft = dxTextFlags::KeepLeft;
constexpr unsigned tofKeepTop = dxTextFlags::KeepTop;
constexpr unsigned tofCalcRect = dxTextFlags::CalcRect;
constexpr unsigned tofLineCount = dxTextFlags::LineCount;
constexpr unsigned tofHidePrefix = dxTextFlags::HidePrefix;

// The alignment bits of a format word; other bits are taken from flags.
constexpr unsigned dxTextFormat(TdxTextAlignX x, TdxTextAlignY y, unsigned flags = 0) {
  return (flags & ~(tofAlignXMask | tofAlignYMask)) | unsigned(x) | (unsigned(y) << tofAlignYShift);
}
// The alignments of a format word; an alignment X above 4 counts as left.
TdxTextAlignX dxTextAlignX(unsigned format);
TdxTextAlignY dxTextAlignY(unsigned format);

// The pixel a text is laid out with. Widths and heights come from the
// canvas's measuring, which scales exactly with the logical size of the font,
// but the margins (tofMargins) and the indents are counted in pixels: in
// device pixels they narrow the lines by a different amount on every device
// and at every zoom, and a paragraph then breaks differently on screen and on
// paper. A layout pixel in logical units of the canvas (report units for
// report text) takes the device pixel's place for everything that decides
// where lines break and where they go, so that the lines are the same on every
// device; the greeking threshold and the greek bars still follow the device.
// Zero fields mean the device pixel.
struct TdxTextReference {
  int PixelX = 0;
  int PixelY = 0;
  bool IsDevice() const { return PixelX <= 0 || PixelY <= 0; }
};

struct TdxTextLayout;

// Lays out and draws text in rect (logical units of the canvas).
//  - font: selected for the call (null: the canvas's current font); the text
//    colour becomes the font's colour, or color when that is not clDefault.
//  - maxLineCount > 0 limits the lines laid out and drawn.
//  - leftIndent, rightIndent: inset of the rectangle in device pixels (in
//    layout pixels with a reference).
//  - reference: the layout pixel (see TdxTextReference).
//  - laidOut: receives the layout that was drawn or measured.
//  - tofCalcRect: nothing is drawn; rect.Right and rect.Bottom become the
//    extent of the text (margins and indents included): the widest line and
//    the lines stacked from the top, whatever the vertical alignment. rect
//    stays as it is when nothing is laid out.
//  - tofEndEllipsis: the last line gets "..." when it is wider than the
//    rectangle, or when text follows it that is not shown (the last line
//    ends at a line end like the others, and the dots mark what is hidden);
//    the line and its dots are aligned together.
// Answers the height of the laid-out block (last line's top + font height -
// top of the rectangle), with tofLineCount the number of lines; 0 when
// nothing is laid out (empty text, empty rectangle). The canvas's font,
// colours, modes and clip region are as before on return.
int TextOut(TCanvas& canvas, const std::string& text, TRect& rect, unsigned format,
            const TFont* font = nullptr, int maxLineCount = 0, int leftIndent = 0,
            int rightIndent = 0, TColor color = clDefault, const TdxTextReference& reference = {},
            TdxTextLayout* laidOut = nullptr);

// One laid-out line.
struct TdxTextLine {
  int Start = 0;   // byte offset in TdxTextLayout::Text
  int Length = 0;  // bytes (without the ellipsis)
  int Width = 0;   // logical units
  int Height = 0;
  int Spaces = 0;  // break characters (spaces, tabs) for justification; 0: not stretched
  int X = 0;       // left of the line's text
  int Y = 0;       // top of the line
  bool Ellipsis = false;  // "..." follows the (shortened) line
};

// The result of laying out a text, as TextOut draws or measures it.
struct TdxTextLayout {
  std::string Text;                // the text after prefix handling
  std::vector<TdxTextLine> Lines;  // at most maxLineCount
  TRect Bounds;                    // the working rectangle (margins and indents applied)
  TRect Extent;                    // tofCalcRect: the measured rectangle (Right and Bottom go to rect)
  int FontHeight = 0;              // height of "Wg"
  int Leading = 0;                 // external leading when tofExternalLeading
  int LineStep = 0;                // FontHeight + Leading, or the distributed step
  int EllipsisWidth = 0;
  int PixelX = 1;                  // one device pixel in logical units (greek bars)
  int PixelY = 1;
  int LayoutPixelX = 1;            // the pixel of margins and indents: the device's or the reference's
  int LayoutPixelY = 1;
  bool Greek = false;              // lines are drawn as bars
  bool Bold = false;
  // The text of a line as it is drawn (without the ellipsis).
  std::string LineText(const TdxTextLine& line) const;
  std::string LineText(std::size_t index) const { return LineText(Lines.at(index)); }
  // The height TextOut answers (without tofLineCount).
  int BlockHeight() const;
};

// Lays the text out without drawing: the lines, where they go and the
// metrics TextOut uses. The canvas's state is unchanged on return.
TdxTextLayout dxLayoutText(TCanvas& canvas, const std::string& text, const TRect& rect,
                           unsigned format, const TFont* font = nullptr, int maxLineCount = 0,
                           int leftIndent = 0, int rightIndent = 0, const TdxTextReference& reference = {});

// The text without prefix characters: a single "&" is removed, "&&" becomes "&".
std::string dxRemovePrefix(const std::string& text);
