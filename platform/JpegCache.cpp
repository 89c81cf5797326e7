// The kept decode and the screen copies of JPEG photos.
#include "platform/JpegCache.h"

#include "platform/Dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The bytes an entry was made from; entries of the same bytes share one copy.
using TKey = std::shared_ptr<const TBytes>;

constexpr std::size_t MaxScaledCopies = 4;

struct TScaledCopy {
  TKey Key;
  QImage Image;
  std::uint64_t LastUse = 0;
};

struct TCache {
  TKey FullKey;
  QImage Full;
  std::vector<TScaledCopy> Scaled;
  std::uint64_t Clock = 0;
  // The bytes the last call found to be FullKey's, when nothing was asked
  // since: a screen copy asked next for the same bytes (as a metafile's
  // picture asks for its decode, then for its copy) needs no second compare.
  const std::uint8_t* matchedData = nullptr;
  std::size_t matchedSize = 0;
};

TCache& Cache() {
  static TCache cache;
  return cache;
}

bool SameBytes(const TKey& key, TByteView bytes) {
  return key && key->size() == bytes.size() && (bytes.empty() || std::memcmp(key->data(), bytes.data(), bytes.size()) == 0);
}

std::int64_t Pixels(const QImage& image) { return std::int64_t(image.width()) * image.height(); }

// Takes the bytes last found to be FullKey's: whether they are these.
bool JustMatched(TCache& c, TByteView bytes) {
  const bool same = c.matchedData && c.matchedData == bytes.data() && c.matchedSize == bytes.size();
  c.matchedData = nullptr;
  c.matchedSize = 0;
  return same;
}
}  // namespace

QImage DecodedJpeg(TByteView jpeg) {
  TCache& c = Cache();
  JustMatched(c, jpeg);
  if (SameBytes(c.FullKey, jpeg)) {
    c.matchedData = jpeg.data();
    c.matchedSize = jpeg.size();
    return c.Full;
  }
  QImage image = DecodeJpegPixels(jpeg);
  // Drop the old decode before keeping the new one: never two at a time.
  c.Full = QImage();
  c.FullKey.reset();
  std::erase_if(c.Scaled, [&](const TScaledCopy& s) { return !SameBytes(s.Key, jpeg); });
  c.FullKey = !c.Scaled.empty() ? c.Scaled.front().Key : std::make_shared<const TBytes>(jpeg.begin(), jpeg.end());
  c.Full = image;
  return image;
}

QImage ScaledJpeg(TByteView jpeg, QSize size) {
  if (size.isEmpty()) return QImage();
  TCache& c = Cache();
  const bool known = JustMatched(c, jpeg);
  for (TScaledCopy& s : c.Scaled) {
    if (s.Image.size() == size && ((known && s.Key == c.FullKey) || SameBytes(s.Key, jpeg))) {
      s.LastUse = ++c.Clock;
      return s.Image;
    }
  }
  QImage full;
  try {
    full = DecodedJpeg(jpeg);
  } catch (const EInvalidGraphic&) {
    return QImage();
  }
  if (full.isNull()) return full;
  if (size == full.size()) return full;
  QImage scaled = full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  // Together the copies hold no more pixels than the full decode.
  const std::int64_t budget = Pixels(full);
  if (Pixels(scaled) > budget) return scaled;
  auto total = [&] {
    std::int64_t sum = 0;
    for (const TScaledCopy& s : c.Scaled) sum += Pixels(s.Image);
    return sum;
  };
  while (!c.Scaled.empty() && (c.Scaled.size() >= MaxScaledCopies || total() + Pixels(scaled) > budget)) {
    auto oldest = std::min_element(c.Scaled.begin(), c.Scaled.end(),
                                   [](const TScaledCopy& a, const TScaledCopy& b) { return a.LastUse < b.LastUse; });
    c.Scaled.erase(oldest);
  }
  c.Scaled.push_back({c.FullKey, scaled, ++c.Clock});
  return scaled;
}

void ClearJpegCache() {
  TCache& c = Cache();
  JustMatched(c, {});
  c.Scaled.clear();
  c.Full = QImage();
  c.FullKey.reset();
}

std::int64_t KeptJpegPixels() {
  const TCache& c = Cache();
  std::int64_t sum = Pixels(c.Full);
  for (const TScaledCopy& s : c.Scaled) sum += Pixels(s.Image);
  return sum;
}

QImage TRecordJpeg::Pixels() const {
  try {
    return DecodedJpeg(Bytes);
  } catch (const EInvalidGraphic&) {
    return QImage();
  }
}

std::optional<TRecordJpeg> RecordJpeg(TByteView record, std::uint32_t offBmi, std::uint32_t cbBmi,
                                      std::uint32_t offBits, std::uint32_t cbBits, std::uint32_t usage) {
  constexpr std::uint32_t BiJpeg = 4, DibRgbColors = 0, InfoHeaderSize = 40;
  if (usage != DibRgbColors || cbBmi < InfoHeaderSize || !dib::Has(record, offBmi, cbBmi) ||
      !dib::Has(record, offBits, cbBits))
    return std::nullopt;
  const std::uint32_t headerSize = dib::U32(record, offBmi);
  if (headerSize < InfoHeaderSize || headerSize > cbBmi || dib::U32(record, offBmi + 16) != BiJpeg ||
      dib::U16(record, offBmi + 14) != 0)
    return std::nullopt;
  const std::int64_t width = std::int32_t(dib::U32(record, offBmi + 4));
  const std::int64_t height = std::abs(std::int64_t(std::int32_t(dib::U32(record, offBmi + 8))));
  try {
    dib::CheckSize(width, height);
  } catch (const dib::DibError&) {
    return std::nullopt;
  }
  // The image size, when given, is the length of the JPEG data.
  const std::uint32_t sizeImage = dib::U32(record, offBmi + 20);
  const std::uint32_t length = sizeImage != 0 && sizeImage <= cbBits ? sizeImage : cbBits;
  const TByteView bytes = record.subspan(offBits, length);
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
  return TRecordJpeg{QSize(int(width), int(height)), bytes};
}
