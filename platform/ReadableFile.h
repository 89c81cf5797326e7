// Opening a file for reading without trusting what its name leads to.
//
// A name may lead to a FIFO (opening it waits for a writer for ever), a
// device (/dev/zero never ends) or a file far larger than anything the
// program reads. TReadableFile looks before it opens: only a regular file is
// opened, without blocking, and one larger than the bound the caller gives is
// refused before a byte of it is read. Every refusal is an EFOpenError that
// says the file's name and the reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Graphics.h"

// The largest file the program reads whole (pictures, styles, report files
// held in memory). A photo or a report is a few megabytes.
inline constexpr std::int64_t MaxReadFileSize = std::int64_t(256) << 20;

namespace ReadableFileMessages {
inline constexpr const char* NotRegularFile = "It is a %s, not a regular file.";
inline constexpr const char* TooLarge = "The file is too large (%lld bytes; at most %lld bytes are read).";
}  // namespace ReadableFileMessages

class TReadableFile {
 public:
  // Opens fileName for reading; maxSize bounds the file's size (0: no bound,
  // for readers that take only what they seek to).
  explicit TReadableFile(const std::string& fileName, std::int64_t maxSize = MaxReadFileSize);
  ~TReadableFile();
  TReadableFile(const TReadableFile&) = delete;
  TReadableFile& operator=(const TReadableFile&) = delete;

  const std::string& FileName() const { return fileName_; }
  std::int64_t Size() const { return size_; }
  // Up to count bytes from the start (fewer when the file is shorter).
  TBytes ReadHead(std::size_t count);
  // The whole file (from the start), still within the bound: a file that
  // grew past it while being read is refused.
  TBytes ReadAll();
  // Hands the open descriptor over (the caller closes it).
  int Release();

  // The message of a refusal to open fileName for the reason given.
  static std::string OpenError(const std::string& fileName, const std::string& reason);

 private:
  std::size_t ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t count);

  std::string fileName_;
  std::int64_t maxSize_;
  std::int64_t size_ = 0;
  int fd_ = -1;
};

// Whether the first bytes of a file can begin a picture of the class (its
// signature); true for a class whose signature is not known here.
bool PictureHeadFits(TGraphicClass cls, TByteView head);
// The number of bytes PictureHeadFits looks at.
inline constexpr std::size_t PictureHeadSize = 64;
