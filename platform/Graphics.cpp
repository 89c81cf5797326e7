// The graphic base, file access, TPicture and the registry of picture file kinds.
#include "platform/Graphics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <cerrno>
#include <cstring>

#include "platform/Dib.h"
#include "platform/ReadableFile.h"

// ---------------------------------------------------------------------------
// TGraphic

TGraphic::~TGraphic() = default;

void TGraphic::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange(*this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TReadableFile file(fileName);
  // What cannot begin a picture of this kind is refused on its first bytes
  // (with the kind's own message), before the rest is read.
  const TBytes head = file.ReadHead(PictureHeadSize);
  if (!PictureHeadFits(ClassType(), head)) {
    Clone()->LoadFromStream(head);
    throw EInvalidGraphic(Format(GraphicsMessages::CannotOpenFile, fileName.c_str(), "It is no picture of its kind."));
  }
  LoadFromStream(file.ReadAll());
}

void TGraphic::SaveToFile(const std::string& fileName) const { WriteFileBytes(fileName, SaveToStream()); }

QImage TGraphic::ToImage() const {
  const int w = Width(), h = Height();
  if (Empty() || w <= 0 || h <= 0 || w > dib::MaxSide || h > dib::MaxSide ||
      std::int64_t(w) * h > dib::MaxPixels)
    return QImage();
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return image;
  image.fill(Qt::transparent);
  QPainter painter(&image);
  Draw(painter, QRectF(0, 0, w, h));
  painter.end();
  return image;
}

// ---------------------------------------------------------------------------
// Files

TBytes ReadFileBytes(const std::string& fileName) { return TReadableFile(fileName).ReadAll(); }

void WriteFileBytes(const std::string& fileName, TByteView data) {
  auto message = [&](int error) {
    return Format(GraphicsMessages::CannotCreateFile, fileName.c_str(), std::strerror(error));
  };
  std::string temp = fileName + ".tmp-XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) throw EFCreateError(message(errno));
  // The new file gets the mode of the file it replaces, or the usual mode.
  struct stat st {};
  mode_t mode;
  if (::stat(fileName.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  int error = 0;
  std::size_t done = 0;
  while (!error && done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n >= 0)
      done += std::size_t(n);
    else if (errno != EINTR)
      error = errno;
  }
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (error) {
    ::unlink(temp.c_str());
    throw EWriteError(message(error));
  }
  if (::rename(temp.c_str(), fileName.c_str()) != 0) {
    error = errno;
    ::unlink(temp.c_str());
    throw EFCreateError(message(error));
  }
}

// ---------------------------------------------------------------------------
// Registry of file kinds

namespace {

std::vector<TPicture::FileFormat>& FormatList() {
  static std::vector<TPicture::FileFormat> list = {
      {"wmf", "Metafiles", TMetafile::Class()},
      {"emf", "Enhanced Metafiles", TMetafile::Class()},
      {"ico", "Icons", TIcon::Class()},
      {"bmp", "Bitmaps", TBitmap::Class()},
      {"jpeg", "JPEG Image File", TJPEGImage::Class()},
      {"jpg", "JPEG Image File", TJPEGImage::Class()},
  };
  return list;
}

bool Matches(TGraphicClass wanted, TGraphicClass cls) { return !wanted || wanted == cls; }

// The dialog entries and the combined mask of the kinds of one class (or all).
void BuildFilter(TGraphicClass cls, std::string& descriptions, std::string& masks) {
  descriptions.clear();
  masks.clear();
  int count = 0;
  const auto& list = FormatList();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (!Matches(cls, it->Class) || it->Extension.empty()) continue;
    if (count) {
      descriptions += '|';
      masks += ';';
    }
    descriptions += it->Description + " (*." + it->Extension + ")|*." + it->Extension;
    masks += "*." + it->Extension;
    ++count;
  }
  if (count > 1) descriptions = "All (" + masks + ")|" + masks + "|" + descriptions;
}

}  // namespace

const std::vector<TPicture::FileFormat>& TPicture::FileFormats() { return FormatList(); }

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicClass cls) {
  FormatList().push_back({LowerCase(extension), description, cls});
}

TGraphicClass TPicture::ClassForExtension(const std::string& extension) {
  const auto& list = FormatList();
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (SameText(it->Extension, extension)) return it->Class;
  return nullptr;
}

std::string GraphicFilter(TGraphicClass cls) {
  std::string descriptions, masks;
  BuildFilter(cls, descriptions, masks);
  return descriptions;
}

std::string GraphicFileMask(TGraphicClass cls) {
  std::string descriptions, masks;
  BuildFilter(cls, descriptions, masks);
  return masks;
}

std::string GraphicExtension(TGraphicClass cls) {
  const auto& list = FormatList();
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (it->Class == cls) return it->Extension;
  return std::string();
}

TGraphicClass FindGraphicClass(const std::string& className) {
  for (TGraphicClass cls : {TBitmap::Class(), TIcon::Class(), TMetafile::Class(), TJPEGImage::Class()})
    if (SameText(cls->ClassName, className)) return cls;
  for (const auto& f : FormatList())
    if (f.Class && SameText(f.Class->ClassName, className)) return f.Class;
  return nullptr;
}

// ---------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;

TPicture::~TPicture() {
  if (graphic_) graphic_->OnChange = nullptr;
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  if (graphic_) graphic_->OnChange = nullptr;
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TGraphic& g) { GraphicChanged(g); };
  Changed();
}

void TPicture::Assign(const TPicture* source) {
  if (!source || source->Empty())
    SetGraphic(nullptr);
  else
    SetGraphic(source->graphic_->Clone());
}

void TPicture::AssignGraphic(const TGraphic* source) { SetGraphic(source ? source->Clone() : nullptr); }

void TPicture::LoadFromFile(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t dot = fileName.find_last_of('.');
  std::string extension;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) extension = fileName.substr(dot + 1);
  TGraphicClass cls = ClassForExtension(extension);
  if (!cls) throw EInvalidGraphic(Format(GraphicsMessages::UnknownExtension, extension.c_str()));
  std::unique_ptr<TGraphic> graphic = cls->Create();
  graphic->LoadFromFile(fileName);
  SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const {
  if (graphic_) graphic_->SaveToFile(fileName);
}

TBitmap& TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
  SetGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*graphic_);
}

void TPicture::Changed() {
  if (OnChange) OnChange(*this);
}

void TPicture::GraphicChanged(TGraphic&) { Changed(); }
