// The clipboard with picture formats: bitmaps, metafiles and a private format
// that carries any graphic in its own file format.
#pragma once

#include <memory>

#include "platform/Graphics.h"

enum class TClipboardFormat {
  Bitmap,           // a raster image
  MetafilePicture,  // an enhanced metafile
  Picture,          // the private format: class name + the graphic's stream
};

bool ClipboardHasFormat(TClipboardFormat format);
// Puts a graphic on the clipboard: bitmaps and JPEG images as a bitmap,
// metafiles as a metafile (and a bitmap rendering), every kind also in the
// private format. An icon raises EInvalidGraphicOperation
// ("Clipboard does not support Icons").
void CopyGraphicToClipboard(const TGraphic& graphic);
// The graphic the clipboard holds: the private format first, then a
// metafile, then a bitmap. Null when there is none (or it cannot be read).
std::unique_ptr<TGraphic> GraphicFromClipboard();
// The clipboard's bitmap, or null when it holds none.
std::unique_ptr<TBitmap> BitmapFromClipboard();
