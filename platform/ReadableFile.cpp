#include "platform/ReadableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <cstring>

#include "platform/Exceptions.h"
#include "platform/ScopeExit.h"

#include "platform/Types.h"

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "FIFO";
  if (S_ISCHR(mode)) return "character device";
  if (S_ISBLK(mode)) return "block device";
  if (S_ISSOCK(mode)) return "socket";
  return "special file";
}

std::uint32_t U32(TByteView head, std::size_t at) {
  if (head.size() < at + 4) return 0;
  return std::uint32_t(head[at]) | std::uint32_t(head[at + 1]) << 8 | std::uint32_t(head[at + 2]) << 16 |
         std::uint32_t(head[at + 3]) << 24;
}

}  // namespace

std::string TReadableFile::OpenError(const std::string& fileName, const std::string& reason) {
  return Format(GraphicsMessages::CannotOpenFile, fileName.c_str(), reason.c_str());
}

TReadableFile::TReadableFile(const std::string& fileName, std::int64_t maxSize)
    : fileName_(fileName), maxSize_(maxSize) {
  auto refuse = [&](const std::string& reason) { throw EFOpenError(OpenError(fileName, reason)); };
  auto check = [&](const struct stat& st) {
    if (S_ISDIR(st.st_mode)) refuse(std::strerror(EISDIR));
    if (!S_ISREG(st.st_mode)) refuse(Format(ReadableFileMessages::NotRegularFile, KindOf(st.st_mode)));
    if (maxSize_ > 0 && st.st_size > maxSize_)
      refuse(Format(ReadableFileMessages::TooLarge, static_cast<long long>(st.st_size),
                    static_cast<long long>(maxSize_)));
  };
  // Looked at by name first, so that a device is never opened at all; then
  // opened without blocking (the name may have changed in between) and
  // looked at again through the descriptor.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) refuse(std::strerror(errno));
  check(st);
  fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) refuse(std::strerror(errno));
  ScopeFail closeFile([this] {
    ::close(fd_);
    fd_ = -1;
  });
  if (::fstat(fd_, &st) != 0) refuse(std::strerror(errno));
  check(st);
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) refuse(std::strerror(errno));
  size_ = st.st_size;

}

TReadableFile::~TReadableFile() {
  if (fd_ >= 0) ::close(fd_);
}

int TReadableFile::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

std::size_t TReadableFile::ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, buffer + done, count - done, off_t(offset + std::int64_t(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError(OpenError(fileName_, std::strerror(errno)));
    }
    if (n == 0) break;
    done += std::size_t(n);
  }
  return done;
}

TBytes TReadableFile::ReadHead(std::size_t count) {
  TBytes head(count);
  head.resize(ReadAt(0, head.data(), count));
  return head;
}

TBytes TReadableFile::ReadAll() {
  // One byte more than the size found at opening tells a file that grew.
  TBytes bytes(std::size_t(size_) + 1);
  std::size_t done = ReadAt(0, bytes.data(), bytes.size());
  while (done == bytes.size()) {
    if (maxSize_ > 0 && std::int64_t(done) > maxSize_)
      throw EFOpenError(OpenError(fileName_, Format(ReadableFileMessages::TooLarge, static_cast<long long>(done),
                                                    static_cast<long long>(maxSize_))));
    bytes.resize(bytes.size() + 65536);
    done += ReadAt(std::int64_t(done), bytes.data() + done, bytes.size() - done);
  }
  bytes.resize(done);
  if (maxSize_ > 0 && std::int64_t(done) > maxSize_)
    throw EFOpenError(OpenError(fileName_, Format(ReadableFileMessages::TooLarge, static_cast<long long>(done),
                                                  static_cast<long long>(maxSize_))));
  bytes.shrink_to_fit();
  return bytes;
}

bool PictureHeadFits(TGraphicClass cls, TByteView head) {
  auto starts = [&](std::initializer_list<std::uint8_t> bytes) {
    return head.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), head.begin());
  };
  if (cls == TBitmap::Class()) return starts({'B', 'M'});
  if (cls == TIcon::Class()) return starts({0, 0, 1, 0});
  if (cls == TJPEGImage::Class()) return starts({0xFF, 0xD8, 0xFF});
  if (cls == TMetafile::Class()) {
    constexpr std::uint32_t emfHeader = 1, emfSignature = 0x464D4520, placeableKey = 0x9AC6CDD7;
    if (U32(head, 0) == emfHeader && U32(head, 40) == emfSignature) return true;
    if (U32(head, 0) == placeableKey) return true;
    // A plain Windows metafile: type 1 (memory) or 2 (disk), header of 9 words.
    return head.size() >= 4 && (head[0] == 1 || head[0] == 2) && head[1] == 0 && head[2] == 9 && head[3] == 0;
  }
  return true;
}
