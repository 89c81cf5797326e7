// Pictures: graphics of the registered kinds (bitmap, icon, metafile, JPEG),
// each reading and writing its own file format, and TPicture, which holds one
// graphic and loads it from a file whose extension names the kind.
//
// Every reader validates what it reads before it allocates or draws; a failed
// read raises EInvalidGraphic (or a descendant) and leaves the graphic as it
// was before the call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Types.h"

class QPainter;
class QRectF;
class QImage;
class TGraphic;

using TBytes = std::vector<std::uint8_t>;
using TByteView = std::span<const std::uint8_t>;

// A class reference for graphics: name, factory and the default extension.
struct TGraphicClassInfo {
  const char* ClassName;  // "TBitmap", "TIcon", "TMetafile", "TJPEGImage"
  const char* DefaultExtension;  // "bmp", "ico", "emf", "jpg"
  std::unique_ptr<TGraphic> (*Create)();
};
using TGraphicClass = const TGraphicClassInfo*;

class TGraphic {
 public:
  virtual ~TGraphic();
  virtual TGraphicClass ClassType() const = 0;
  std::string ClassName() const { return ClassType()->ClassName; }

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;   // natural size in pixels
  virtual int Height() const = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);

  // Draws the graphic stretched into dest (coordinates of the painter's
  // current transform). Draws nothing when empty.
  virtual void Draw(QPainter& painter, const QRectF& dest) const = 0;

  // Reads the graphic's own file format. On failure raises and keeps the
  // previous contents.
  virtual void LoadFromStream(TByteView data) = 0;
  // Writes the graphic's own file format (an empty graphic writes nothing).
  virtual TBytes SaveToStream() const = 0;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  // A raster copy of the graphic at its natural size (null image when empty).
  virtual QImage ToImage() const;

  std::function<void(TGraphic&)> OnChange;

 protected:
  void Changed();
  bool transparent_ = false;
};

// Reads a whole file; raises EFOpenError with the platform's message.
TBytes ReadFileBytes(const std::string& fileName);
// Writes a file through a temporary file and a rename, so that a failed write
// never leaves a half-written file behind. Raises EFCreateError/EWriteError.
void WriteFileBytes(const std::string& fileName, TByteView data);

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(const TBitmap& other);
  ~TBitmap() override;
  static TGraphicClass Class();
  TGraphicClass ClassType() const override { return Class(); }

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void Draw(QPainter& painter, const QRectF& dest) const override;
  void LoadFromStream(TByteView data) override;
  TBytes SaveToStream() const override;
  std::unique_ptr<TGraphic> Clone() const override;
  QImage ToImage() const override;

  // The pixels (32-bit ARGB or RGB). Changing them through SetImage notifies.
  const QImage& Image() const;
  void SetImage(const QImage& image);
  void SetSize(int width, int height);  // clears to white
  // Colour taken as transparent (0x00BBGGRR): the lower-left pixel.
  std::uint32_t TransparentColor() const;
  bool Monochrome() const { return monochrome_; }

 private:
  std::unique_ptr<QImage> image_;
  bool monochrome_ = false;
};

class TIcon : public TGraphic {
 public:
  TIcon();
  TIcon(const TIcon& other);
  ~TIcon() override;
  static TGraphicClass Class();
  TGraphicClass ClassType() const override { return Class(); }

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  // Icons are always drawn with their mask.
  bool Transparent() const override { return true; }
  void Draw(QPainter& painter, const QRectF& dest) const override;
  void LoadFromStream(TByteView data) override;
  TBytes SaveToStream() const override;  // the original icon file bytes
  std::unique_ptr<TGraphic> Clone() const override;
  QImage ToImage() const override;

 private:
  TBytes data_;                     // the icon file as read
  std::unique_ptr<QImage> image_;   // the image shown (first entry of the file)
};

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  TJPEGImage(const TJPEGImage& other);
  ~TJPEGImage() override;
  static TGraphicClass Class();
  TGraphicClass ClassType() const override { return Class(); }

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void Draw(QPainter& painter, const QRectF& dest) const override;
  // Decodes with libjpeg; a decoder failure raises EJPEG("JPEG error #n").
  void LoadFromStream(TByteView data) override;
  TBytes SaveToStream() const override;  // the JPEG bytes
  std::unique_ptr<TGraphic> Clone() const override;
  QImage ToImage() const override;

  // Compresses a bitmap with libjpeg at once (quality 0..100).
  void AssignBitmap(const TBitmap& bitmap, int quality = 90);
  int CompressionQuality = 90;

 private:
  TBytes data_;
  std::unique_ptr<QImage> image_;
};

// Enhanced metafile held as EMF bytes. Windows metafiles (WMF, with or without
// the placeable header) are read as well and kept in their own form for
// saving; they play through the same player.
class TMetafile : public TGraphic {
 public:
  TMetafile();
  TMetafile(const TMetafile& other);
  ~TMetafile() override;
  static TGraphicClass Class();
  TGraphicClass ClassType() const override { return Class(); }

  bool Empty() const override;
  int Width() const override;    // pixels at the screen density
  int Height() const override;
  // Size in 0.01 mm, as the header's frame gives it.
  int MMWidth() const { return mmWidth_; }
  int MMHeight() const { return mmHeight_; }
  void SetMMSize(int mmWidth, int mmHeight);
  bool Enhanced() const { return enhanced_; }

  void Draw(QPainter& painter, const QRectF& dest) const override;
  // Raises EInvalidGraphic("Metafile is not valid") for anything unreadable.
  void LoadFromStream(TByteView data) override;
  TBytes SaveToStream() const override;
  std::unique_ptr<TGraphic> Clone() const override;

  // The records, as EMF (for WMF input: the WMF bytes when !Enhanced()).
  const TBytes& Data() const { return data_; }
  // Takes EMF bytes produced by a recording canvas (already validated there).
  void SetEnhancedData(TBytes emf);

 private:
  TBytes data_;
  bool enhanced_ = true;
  int mmWidth_ = 0;
  int mmHeight_ = 0;
  int pxWidth_ = 0;
  int pxHeight_ = 0;
};

// Replays metafile records onto a painter, scaled to dest. Unknown records are
// skipped; a malformed record stops playback at that record.
void PlayEnhancedMetafile(QPainter& painter, TByteView emf, const QRectF& dest);
void PlayWindowsMetafile(QPainter& painter, TByteView wmf, const QRectF& dest);

// ---------------------------------------------------------------------------

class TPicture {
 public:
  TPicture();
  ~TPicture();
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes ownership; null empties the picture. Notifies.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // Copies the source's graphic (null source or empty source empties).
  void Assign(const TPicture* source);
  void AssignGraphic(const TGraphic* source);
  bool Empty() const { return !graphic_ || graphic_->Empty(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // The extension picks the kind (case ignored); the new graphic replaces the
  // old one only when reading succeeded.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // The graphic as a bitmap: an existing bitmap is kept, anything else is
  // replaced by an empty bitmap.
  TBitmap& Bitmap();

  std::function<void(TPicture&)> OnChange;
  void Changed();

  // Registered file kinds, in order of registration.
  struct FileFormat {
    std::string Extension;    // lower case, no dot
    std::string Description;
    TGraphicClass Class;
  };
  static const std::vector<FileFormat>& FileFormats();
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 TGraphicClass cls);
  static TGraphicClass ClassForExtension(const std::string& extension);

 private:
  void GraphicChanged(TGraphic&);
  std::unique_ptr<TGraphic> graphic_;
};

// Filter of the picture dialogs ("desc|mask|desc|mask"): all registered kinds
// (cls null) or only those of one class, walked from the last registered kind
// to the first, with an "All" entry in front when more than one kind is listed.
std::string GraphicFilter(TGraphicClass cls);
std::string GraphicExtension(TGraphicClass cls);
std::string GraphicFileMask(TGraphicClass cls);

// Graphic classes by name, case ignored (null when unknown).
TGraphicClass FindGraphicClass(const std::string& className);
