// An in-memory report stream for the tests: typed values in a list, read
// back in order; a value of the wrong kind raises EReadError as the real
// reader does.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "report/ImageList.h"
#include "report/ReportStreamValues.h"

struct TListBegin {};
struct TListEnd {};
struct TRaw32 {
  std::uint32_t Value;
};
struct TPictureBytes {
  TBytes Bytes;
};
struct TImageListRecord {
  int Width, Height;
  std::vector<TBytes> Images;
};
using TStreamValue =
    std::variant<std::int32_t, bool, std::string, TRect, TRaw32, TListBegin, TListEnd, TPictureBytes, TImageListRecord>;

class TTestWriter : public TdxReportWriter {
 public:
  void WriteInteger(std::int32_t v) override { Values.push_back(v); }
  void WriteBoolean(bool v) override { Values.push_back(v); }
  void WriteString(const std::string& v) override { Values.push_back(v); }
  void WriteRect(const TRect& v) override { Values.push_back(v); }
  void WriteRawUInt32(std::uint32_t v) override { Values.push_back(TRaw32{v}); }
  void WriteListBegin() override { Values.push_back(TListBegin{}); }
  void WriteListEnd() override { Values.push_back(TListEnd{}); }
  void WritePicture(const TGraphic& g) override { Values.push_back(TPictureBytes{g.SaveToStream()}); }
  void WriteImageList(const TCustomImageList& list) override {
    TImageListRecord r{list.Width(), list.Height(), {}};
    for (int i = 0; i < list.Count(); ++i) r.Images.push_back(list.Image(i).SaveToStream());
    Values.push_back(r);
  }
  std::vector<TStreamValue> Values;
};

class TTestReader : public TdxReportReader {
 public:
  explicit TTestReader(std::vector<TStreamValue> values) : values_(std::move(values)) {}
  std::int32_t ReadInteger() override { return Next<std::int32_t>(); }
  bool ReadBoolean() override { return Next<bool>(); }
  std::string ReadString() override { return Next<std::string>(); }
  TRect ReadRect() override { return Next<TRect>(); }
  std::uint32_t ReadRawUInt32() override { return Next<TRaw32>().Value; }
  void ReadListBegin() override { Next<TListBegin>(); }
  void ReadListEnd() override { Next<TListEnd>(); }
  bool EndOfList() override {
    if (pos_ >= values_.size()) throw EReadError("Stream read error");
    return std::holds_alternative<TListEnd>(values_[pos_]);
  }
  void ReadPicture(TGraphic& g) override {
    TPictureBytes p = Next<TPictureBytes>();
    if (!p.Bytes.empty()) g.LoadFromStream(p.Bytes);
  }
  void SkipPicture() override { Next<TPictureBytes>(); }
  void ReadImageList(TCustomImageList& list) override {
    TImageListRecord r = Next<TImageListRecord>();
    TCustomImageList read(r.Width, r.Height);
    for (const TBytes& b : r.Images) {
      TBitmap bitmap;
      bitmap.LoadFromStream(b);
      read.Add(bitmap);
    }
    list.Assign(read);
  }
  std::size_t Position() const { return pos_; }

 private:
  template <class T>
  T Next() {
    if (pos_ >= values_.size()) throw EReadError("Stream read error");
    const T* v = std::get_if<T>(&values_[pos_]);
    if (!v) throw EReadError("Invalid property value");
    ++pos_;
    return *v;
  }
  std::vector<TStreamValue> values_;
  std::size_t pos_ = 0;
};
