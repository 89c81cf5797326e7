// Text layout: breaks report text into lines inside a rectangle, aligns the
// lines, cuts the last visible line with an ellipsis, greeks text too small
// to read and measures text instead of drawing it.
//
// Everything happens in the logical units of the canvas: widths and heights
// come from the canvas's measuring only, so a text laid out in report units
// breaks into the same lines at every zoom and on every device. The only
// device-dependent quantities are the size of one device pixel (for
// tofMargins, the indents and the greek bars) and the greeking threshold.
//
// Texts are UTF-8; prefix characters, break characters, line ends, line
// breaking inside words and the ellipsis all work on whole characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"

class TCanvas;

// Horizontal and vertical text alignment, in the order the format word uses.
enum TdxTextAlignX { taLeft, taCenterX, taRight, taJustifyX, taDistributeX };
enum TdxTextAlignY { taTop, taCenterY, taBottom, taDistributeY };

// The format word of TextOut.
constexpr unsigned tofAlignXMask = 0x00000007;
constexpr unsigned tofAlignYMask = 0x00000030;
constexpr unsigned tofAlignYShift = 4;
constexpr unsigned tofWordBreak = 0x00000100;
constexpr unsigned tofSingleLine = 0x00000200;
constexpr unsigned tofExpandTabs = 0x00000400;
constexpr unsigned tofEndEllipsis = 0x00000800;
constexpr unsigned tofGreekSmallText = 0x00001000;
constexpr unsigned tofExternalLeading = 0x00002000;
constexpr unsigned tofLastLineFullyVisible = 0x00004000;
constexpr unsigned tofNoClip = 0x00008000;
constexpr unsigned tofMargins = 0x00010000;
constexpr unsigned tofBreakInWords = 0x00020000;
constexpr unsigned tofKeepLeft = 0x00040000;
constexpr unsigned tofKeepTop = 0x00080000;
constexpr unsigned tofCalcRect = 0x00100000;
constexpr unsigned tofLineCount = 0x00200000;
constexpr unsigned tofHidePrefix = 0x01000000;

// The alignment bits of a format word; other bits are taken from flags.
constexpr unsigned dxTextFormat(TdxTextAlignX x, TdxTextAlignY y, unsigned flags = 0) {
  return (flags & ~(tofAlignXMask | tofAlignYMask)) | unsigned(x) | (unsigned(y) << tofAlignYShift);
}
// The alignments of a format word; values out of range count as left and top.
TdxTextAlignX dxTextAlignX(unsigned format);
TdxTextAlignY dxTextAlignY(unsigned format);

// Lays out and draws text in rect (logical units of the canvas).
//  - font: selected for the call (null: the canvas's current font); the text
//    colour becomes the font's colour, or color when that is not clDefault.
//  - maxLineCount > 0 limits the lines laid out and drawn.
//  - leftIndent, rightIndent: inset of the rectangle in device pixels.
//  - tofCalcRect: nothing is drawn; rect.Right and rect.Bottom become the
//    extent of the text (margins and indents included): the widest line and
//    the lines stacked from the top, whatever the vertical alignment. rect
//    stays as it is when nothing is laid out.
// Answers the height of the laid-out block (last line's top + font height -
// top of the rectangle), with tofLineCount the number of lines; 0 when
// nothing is laid out (empty text, empty rectangle). The canvas's font,
// colours, modes and clip region are as before on return.
int TextOut(TCanvas& canvas, const std::string& text, TRect& rect, unsigned format,
            const TFont* font = nullptr, int maxLineCount = 0, int leftIndent = 0,
            int rightIndent = 0, TColor color = clDefault);

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
  TRect Extent;                    // tofCalcRect: the rectangle TextOut answers
  int FontHeight = 0;              // height of "Wg"
  int Leading = 0;                 // external leading when tofExternalLeading
  int LineStep = 0;                // FontHeight + Leading, or the distributed step
  int EllipsisWidth = 0;
  int PixelX = 1;                  // one device pixel in logical units
  int PixelY = 1;
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
                           int leftIndent = 0, int rightIndent = 0);

// The text without prefix characters: a single "&" is removed, "&&" becomes "&".
std::string dxRemovePrefix(const std::string& text);
