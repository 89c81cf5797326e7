// The Format word of visual report items: one 32-bit set of flags and small
// enumerations shared by the whole item tree. Each class family gives its
// bits a meaning; the same bit may mean different things in different
// families (text items and expand buttons both use bits 4-10, for example).
#pragma once

#include <cstdint>

using TdxFormat = std::uint32_t;

// ---- Bits of every visual item ------------------------------------------------
constexpr TdxFormat dxFormatLeftSide = 0x00000001;
constexpr TdxFormat dxFormatTopSide = 0x00000002;
constexpr TdxFormat dxFormatRightSide = 0x00000004;
constexpr TdxFormat dxFormatBottomSide = 0x00000008;
constexpr TdxFormat dxFormatSides = 0x0000000F;
constexpr TdxFormat dxFormatTransparent = 1u << 11;
constexpr TdxFormat dxFormatShadowed = 1u << 17;
constexpr TdxFormat dxFormatOpaqueToParent = 1u << 18;
constexpr TdxFormat dxFormatVisible = 1u << 31;

// ---- Cells and groups ---------------------------------------------------------
constexpr TdxFormat dxFormatCaptionAlignment = 0x00000070;  // 0 left, 1 centre, 2 right
constexpr int dxFormatCaptionAlignmentOffset = 4;
constexpr TdxFormat dxFormatClipChildren = 1u << 19;
constexpr TdxFormat dxFormatShowCaption = 1u << 28;
constexpr TdxFormat dxFormatCaptionTransparent = 1u << 29;

// ---- Data items ---------------------------------------------------------------
constexpr TdxFormat dxFormatTextAlignX = 0x00000070;
constexpr int dxFormatTextAlignXOffset = 4;
constexpr TdxFormat dxFormatPlacement = 0x00000070;
constexpr int dxFormatPlacementOffset = 4;
constexpr TdxFormat dxFormatTextAlignY = 0x00000180;
constexpr int dxFormatTextAlignYOffset = 7;
constexpr TdxFormat dxFormatEndEllipsis = 1u << 9;
constexpr TdxFormat dxFormatMultiline = 1u << 10;
constexpr TdxFormat dxFormatCheckChecked = 1u << 12;
constexpr TdxFormat dxFormatImagePosition = 0x0000F000;
constexpr int dxFormatImagePositionOffset = 12;
constexpr TdxFormat dxFormatCheckEnabled = 1u << 13;
constexpr TdxFormat dxFormatCheckEdgeStyle = 0x0001C000;
constexpr int dxFormatCheckEdgeStyleOffset = 14;
constexpr TdxFormat dxFormatHidePrefix = 1u << 19;
constexpr TdxFormat dxFormatKeepTextLeft = 1u << 20;
constexpr TdxFormat dxFormatKeepTextTop = 1u << 21;
constexpr TdxFormat dxFormatSortOrder = 0x00C00000;
constexpr int dxFormatSortOrderOffset = 22;
constexpr TdxFormat dxFormatKeepImageSpace = 1u << 24;
constexpr TdxFormat dxFormatImageTransparent = 1u << 25;
constexpr TdxFormat dxFormatCheckPos = 0x0C000000;
constexpr int dxFormatCheckPosOffset = 26;
constexpr TdxFormat dxFormatTextOverImage = 1u << 28;
constexpr TdxFormat dxFormatGlyphCount = 0x70000000;
constexpr int dxFormatGlyphCountOffset = 28;
constexpr TdxFormat dxFormatImageBand = 1u << 29;
constexpr TdxFormat dxFormatDataStored = 1u << 30;  // set at creation, only stored

// Expand buttons.
constexpr TdxFormat dxFormatButton3D = 1u << 4;
constexpr TdxFormat dxFormatButtonShadow = 1u << 5;
constexpr TdxFormat dxFormatButton3DSoft = 1u << 6;
constexpr TdxFormat dxFormatExpanded = 1u << 7;
constexpr TdxFormat dxFormatButtonStored = 1u << 8;  // only stored
constexpr TdxFormat dxFormatButtonTransparent = 1u << 9;
constexpr TdxFormat dxFormatButtonBorder = 1u << 10;
constexpr TdxFormat dxFormatShowButton = 1u << 12;
constexpr TdxFormat dxFormatTreeLineMode = 0x01C00000;
constexpr int dxFormatTreeLineModeOffset = 22;

// Default words.
constexpr TdxFormat dxDefaultVisualItemFormat = dxFormatSides | dxFormatTransparent | dxFormatVisible;
constexpr TdxFormat dxDefaultGroupFormat = dxDefaultVisualItemFormat | dxFormatClipChildren | dxFormatShowCaption;
constexpr TdxFormat dxDefaultDataItemFormat = dxDefaultVisualItemFormat | dxFormatDataStored;

// The value of the bits of mask, shifted down; and the word with those bits
// replaced by value (cut to the mask).
constexpr unsigned dxGetFormatBits(TdxFormat format, TdxFormat mask, int offset) {
  return unsigned((format & mask) >> offset);
}
constexpr TdxFormat dxSetFormatBits(TdxFormat format, TdxFormat mask, int offset, unsigned value) {
  return (format & ~mask) | ((TdxFormat(value) << offset) & mask);
}
constexpr TdxFormat dxSetFormatFlag(TdxFormat format, TdxFormat flag, bool value) {
  return value ? (format | flag) : (format & ~flag);
}

// ---- Enumerations kept in the word -------------------------------------------

// Sides of an item (bit n of the Sides bits is side n).
enum TdxCellSide { csLeft, csTop, csRight, csBottom };
// TdxItemSides set members (as bits of the Format word).
constexpr unsigned isdLeft = dxFormatLeftSide;
constexpr unsigned isdTop = dxFormatTopSide;
constexpr unsigned isdRight = dxFormatRightSide;
constexpr unsigned isdBottom = dxFormatBottomSide;
using TdxItemSides = unsigned;

enum TdxTextAlignX : int { taLeft, taCenterX, taRight, taJustifyX, taDistributeX };
enum TdxTextAlignY : int { taTop, taCenterY, taBottom, taDistributeY };

enum TdxPicturePlacement { plTopLeft, plCenter, plStretch, plFit, plFitCenter };

enum TdxImagePosition {
  ipTopLeft, ipTopCenter, ipTopRight,
  ipCenterLeft, ipCenter, ipCenterRight,
  ipBottomLeft, ipBottomCenter, ipBottomRight
};

enum TdxCheckEdgeStyle { cesNone, cesControl, cesGlyph3D, cesDouble, cesSingle, cesColored };

enum TdxCheckPos { ccpLeft, ccpCenter, ccpRight };

enum TdxCellSortOrder { csoNone, csoUp, csoDown };

enum TdxTreeLineMode { tlmNone, tlmVertical, tlmCross, tlmTopRightCorner, tlmBottomRightCorner };

enum TdxCaptionAlignment { caLeft, caCenter, caRight };

// ---- Flags of the text layout routine -----------------------------------------
// The items compose them (GetTextFormat); the text engine of the layout layer
// interprets them.
namespace dxTextFlags {
constexpr unsigned AlignXMask = 0x00000007;
constexpr unsigned AlignYMask = 0x00000030;
constexpr int AlignYOffset = 4;
constexpr unsigned WordBreak = 0x00000100;
constexpr unsigned SingleLine = 0x00000200;
constexpr unsigned ExpandTabs = 0x00000400;
constexpr unsigned EndEllipsis = 0x00000800;
constexpr unsigned GreekSmallText = 0x00001000;
constexpr unsigned ExternalLeading = 0x00002000;
constexpr unsigned LastLineFullyVisible = 0x00004000;
constexpr unsigned NoClip = 0x00008000;
constexpr unsigned Margins = 0x00010000;
constexpr unsigned BreakInWords = 0x00020000;
constexpr unsigned KeepLeft = 0x00040000;
constexpr unsigned KeepTop = 0x00080000;
constexpr unsigned CalcRect = 0x00100000;
constexpr unsigned LineCount = 0x00200000;
constexpr unsigned HidePrefix = 0x01000000;
// Always present in the flags of data item text.
constexpr unsigned ItemTextBase = ExpandTabs | GreekSmallText | LastLineFullyVisible | Margins | BreakInWords;
// Added to the flags of captions and titles.
constexpr unsigned CaptionBase = 0x31400;
}  // namespace dxTextFlags
