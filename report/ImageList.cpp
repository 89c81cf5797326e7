#include "report/ImageList.h"

#include <QImage>
#include <algorithm>

#include "platform/Types.h"
#include "report/ReportCells.h"
#include "report/EngineExceptions.h"

TCustomImageList::TCustomImageList(int width, int height)
    : width_(std::clamp(width, 1, 4096)), height_(std::clamp(height, 1, 4096)) {}

TCustomImageList::~TCustomImageList() = default;

int TCustomImageList::Add(const TBitmap& image) {
  if (image.Empty()) throw EInvalidGraphic(GraphicsMessages::InvalidBitmap);
  auto entry = std::make_unique<TBitmap>();
  const QImage& source = image.Image();
  if (source.width() == width_ && source.height() == height_)
    entry->SetImage(source);
  else
    entry->SetImage(source.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::FastTransformation));
  entry->SetTransparent(true);
  images_.push_back(std::move(entry));
  return Count() - 1;
}

void TCustomImageList::Delete(int index) {
  if (index >= 0 && index < Count()) images_.erase(images_.begin() + index);
}

void TCustomImageList::Clear() { images_.clear(); }

const TBitmap& TCustomImageList::Image(int index) const {
  if (index < 0 || index >= Count()) throw EdxPrintEngine(::Format(dxPSReportMessages::ImageIndexOutOfRange, index));
  return *images_[std::size_t(index)];
}

void TCustomImageList::Assign(const TCustomImageList& source) {
  if (&source == this) return;
  std::vector<std::unique_ptr<TBitmap>> copy;
  for (const auto& image : source.images_) copy.push_back(std::make_unique<TBitmap>(*image));
  width_ = source.width_;
  height_ = source.height_;
  images_ = std::move(copy);
}
