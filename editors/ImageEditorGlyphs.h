// The glyphs of the image editor's built-in menu: six 16 x 16 pictures in one
// list, index n for menu item n (cut 0 ... save 5). The colour of each
// glyph's lower-left pixel is its transparent colour.
#pragma once

#include <QIcon>
#include <QImage>
#include <vector>

const std::vector<QImage>& cxMenuGlyphBitmaps();
// The glyph with its transparent colour removed, as a menu icon.
QIcon cxMenuGlyph(int index);
// Makes the colour of the lower-left pixel transparent.
QImage cxTransparentGlyph(const QImage& glyph);
