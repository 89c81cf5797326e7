// The clipboard with picture formats, over QClipboard and QMimeData.
//
// Formats: a raster image (Qt's image format, which other programs see as
// PNG and the like), enhanced metafiles as "image/x-emf" (Windows metafiles as
// "image/x-wmf"), and the private format "application/x-ardel-picture": the
// graphic's class name, a NUL byte, then what the graphic's SaveToStream
// writes.
#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QRectF>

#include "platform/Dib.h"

namespace {

const QString PictureMime = QStringLiteral("application/x-ardel-picture");
const QString EmfMime = QStringLiteral("image/x-emf");
const QString WmfMime = QStringLiteral("image/x-wmf");

const QMimeData* CurrentMimeData() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
  return QGuiApplication::clipboard()->mimeData();
}

QByteArray ToByteArray(const TBytes& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

TByteView ToView(const QByteArray& bytes) {
  return TByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
}

bool SizeWithinLimits(int width, int height) {
  return width > 0 && height > 0 && width <= dib::MaxSide && height <= dib::MaxSide &&
         std::int64_t(width) * height <= dib::MaxPixels;
}

std::unique_ptr<TGraphic> ReadGraphic(TGraphicClass cls, TByteView data) {
  if (!cls) return nullptr;
  std::unique_ptr<TGraphic> graphic = cls->Create();
  try {
    graphic->LoadFromStream(data);
  } catch (const Exception&) {
    return nullptr;
  }
  return graphic;
}

}  // namespace

bool ClipboardHasFormat(TClipboardFormat format) {
  const QMimeData* mime = CurrentMimeData();
  if (!mime) return false;
  switch (format) {
    case TClipboardFormat::Bitmap:
      return mime->hasImage();
    case TClipboardFormat::MetafilePicture:
      return mime->hasFormat(EmfMime) || mime->hasFormat(WmfMime);
    case TClipboardFormat::Picture:
      return mime->hasFormat(PictureMime);
  }
  return false;
}

void CopyGraphicToClipboard(const TGraphic& graphic) {
  if (graphic.ClassType() == TIcon::Class()) throw EInvalidGraphicOperation(GraphicsMessages::NoIconClipboard);
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (graphic.Empty()) {
    clipboard->clear();
    return;
  }
  auto mime = std::make_unique<QMimeData>();
  const TBytes stream = graphic.SaveToStream();
  QImage image;
  if (graphic.ClassType() == TMetafile::Class()) {
    const auto& metafile = static_cast<const TMetafile&>(graphic);
    mime->setData(metafile.Enhanced() ? EmfMime : WmfMime, ToByteArray(stream));
    // The bitmap rendering is drawn against white, as a pasted picture shows.
    if (SizeWithinLimits(graphic.Width(), graphic.Height())) {
      image = QImage(graphic.Width(), graphic.Height(), QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      graphic.Draw(painter, QRectF(0, 0, image.width(), image.height()));
    }
  } else {
    image = graphic.ToImage();
  }
  if (!image.isNull()) mime->setImageData(image);
  QByteArray picture(graphic.ClassName().c_str());
  picture.append('\0');
  picture.append(ToByteArray(stream));
  mime->setData(PictureMime, picture);
  clipboard->setMimeData(mime.release());
}

std::unique_ptr<TGraphic> GraphicFromClipboard() {
  const QMimeData* mime = CurrentMimeData();
  if (!mime) return nullptr;
  if (mime->hasFormat(PictureMime)) {
    const QByteArray data = mime->data(PictureMime);
    const qsizetype nul = data.indexOf('\0');
    if (nul > 0) {
      TGraphicClass cls = FindGraphicClass(data.left(nul).toStdString());
      if (cls != TIcon::Class()) {
        if (auto graphic = ReadGraphic(cls, ToView(data).subspan(std::size_t(nul) + 1))) return graphic;
      }
    }
  }
  for (const QString& format : {EmfMime, WmfMime}) {
    if (!mime->hasFormat(format)) continue;
    const QByteArray data = mime->data(format);
    if (auto graphic = ReadGraphic(TMetafile::Class(), ToView(data))) return graphic;
  }
  return BitmapFromClipboard();
}

std::unique_ptr<TBitmap> BitmapFromClipboard() {
  const QMimeData* mime = CurrentMimeData();
  if (!mime || !mime->hasImage()) return nullptr;
  const QImage image = qvariant_cast<QImage>(mime->imageData());
  if (image.isNull() || !SizeWithinLimits(image.width(), image.height())) return nullptr;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(image);
  return bitmap;
}
