// Decoded photos kept for drawing. A JPEG photo stays in its compressed form
// wherever the program keeps it (the picture, the metafile of a printed
// control, report files); its pixels come from here: one full-size decode,
// shared by every holder of the same bytes, and copies scaled for the screen,
// so that a repaint neither decodes nor rescales the full photo again.
//
// Memory stays bounded whatever the zoom: one full-size decode, and scaled
// copies of a few sizes that together hold no more pixels than it.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <optional>

#include "platform/Graphics.h"

// The upright pixels of JPEG bytes: the kept decode when these are the bytes
// decoded last, else a fresh decode, which is then kept instead (and the
// scaled copies of other bytes are dropped). Raises EJPEG.
QImage DecodedJpeg(TByteView jpeg);

// The pixels of JPEG bytes scaled smoothly to size, for the screen. Copies
// of the sizes asked for last are kept. Null when the bytes cannot be
// decoded or the size is empty.
QImage ScaledJpeg(TByteView jpeg, QSize size);

// Forgets every decode and copy kept.
void ClearJpegCache();
// The pixels kept: the full-size decode and the scaled copies.
std::int64_t KeptJpegPixels();

// A bitmap of a metafile record that holds JPEG bytes (BI_JPEG): the size
// its header gives and the bytes.
struct TRecordJpeg {
  QSize Size;
  TByteView Bytes;
  // The decoded pixels (the kept decode); null when they cannot be decoded.
  QImage Pixels() const;
};
// The JPEG bitmap of a record (header at offBmi, bits at offBits); nothing
// when the bitmap is of another kind or its fields do not hold within the
// record.
std::optional<TRecordJpeg> RecordJpeg(TByteView record, std::uint32_t offBmi, std::uint32_t cbBmi,
                                      std::uint32_t offBits, std::uint32_t cbBits, std::uint32_t usage);

// Decodes JPEG bytes without keeping anything (the decoder itself).
QImage DecodeJpegPixels(TByteView jpeg);
// Compresses pixels (quality 1..100) without keeping anything. Raises EJPEG.
TBytes EncodeJpegPixels(const QImage& image, int quality);
