// An image list: pictures of one size kept side by side, each drawn with its
// mask (the pixels of its transparent colour, the lower-left pixel's, are
// left out). Picture items refer to one entry by list and index.
#pragma once

#include <memory>
#include <vector>

#include "platform/Graphics.h"

class TCustomImageList {
 public:
  // Entries are width x height pixels; sizes below 1 become 1.
  TCustomImageList(int width = 16, int height = 16);
  ~TCustomImageList();
  TCustomImageList(const TCustomImageList&) = delete;
  TCustomImageList& operator=(const TCustomImageList&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(images_.size()); }
  // Appends a copy of image scaled to the list's size; answers its index.
  // An empty image raises EInvalidGraphic.
  int Add(const TBitmap& image);
  void Delete(int index);  // nothing for an index out of range
  void Clear();
  // Entry index; raises EdxPrintEngine "Image index %d is out of range".
  const TBitmap& Image(int index) const;
  // Replaces the entries by those of source (same size).
  void Assign(const TCustomImageList& source);

 private:
  int width_;
  int height_;
  std::vector<std::unique_ptr<TBitmap>> images_;
};
