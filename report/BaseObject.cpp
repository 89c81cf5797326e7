#include "report/BaseObject.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/Exceptions.h"
#include "platform/Types.h"
#include "platform/UpdateLock.h"
#include "report/EngineExceptions.h"

namespace {
constexpr const char* kSaverClass = "TdxSaver";
constexpr const char* kPersistentPrefix = "Persistent.";
constexpr const char* kReadError = "Stream read error";
constexpr const char* kInvalidFormat = "Invalid stream format";
constexpr const char* kInvalidValue = "Invalid property value";
constexpr const char* kUnknownProperty = "Property %s does not exist";
constexpr const char* kWriteError = "Stream write error";

// Value types of the component stream.
enum : std::uint8_t {
  vaNull = 0,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaSingle = 15,
  vaUTF8String = 20,
  vaInt64 = 19,
  vaDouble = 21,
};

bool IsAscii(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
}  // namespace

// ---------------------------------------------------------------------------
// TdxBaseObject

void TdxBaseObject::Assign(const TdxObject* source) {
  auto* base = dynamic_cast<const TdxBaseObject*>(source);
  if (!base) {
    std::string from = source ? source->ClassName() : "nil";
    throw EdxPrintEngine(Format(dxPSMessages::CannotAssign, from.c_str(), ClassName().c_str()));
  }
  UpdateLock lock(*this);
  DoAssign(*base);

}

std::unique_ptr<TdxBaseObject> TdxBaseObject::Clone() const {
  std::unique_ptr<TdxBaseObject> copy = dxCreateObject<TdxBaseObject>(ClassType());
  copy->Assign(this);  // on failure the copy goes with the unique_ptr
  return copy;
}

bool TdxBaseObject::IsCompatibleWith(const TdxObject* object) const {
  return object && object->InheritsFrom(ClassType());
}

void TdxBaseObject::BeginUpdate() {
  if (++updateCount_ == 1) Changed(lsLock);
}

void TdxBaseObject::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) Changed(lsUnLock);
}

void TdxBaseObject::CancelUpdate() {
  if (updateCount_ > 0) --updateCount_;
}

void TdxBaseObject::Changed(int code) {
  if (OnChanged) OnChanged(*this, code);
}

void TdxBaseObject::ReadProperty(const std::string& name, const TdxPropertyValue&) {
  throw EReadError(Format(kUnknownProperty, name.c_str()));
}

void TdxBaseObject::SaveToStream(TdxPropertyWriter& writer) const {
  writer.BeginObject(kSaverClass, std::string());
  WriteProperties(writer, kPersistentPrefix);
  writer.EndObject();
}

void TdxBaseObject::LoadFromStream(TdxPropertyReader& reader) {
  std::string className, objectName;
  reader.BeginObject(className, objectName);
  if (!SameText(className, kSaverClass)) throw EReadError(kInvalidFormat);
  std::unique_ptr<TdxBaseObject> copy = ClassType()->CanCreate() ? Clone() : nullptr;
  TdxBaseObject& target = copy ? *copy : *this;
  const std::size_t prefixLength = std::strlen(kPersistentPrefix);
  std::string name;
  TdxPropertyValue value;
  while (reader.ReadProperty(name, value)) {
    if (name.compare(0, prefixLength, kPersistentPrefix) != 0 || name.size() == prefixLength)
      throw EReadError(Format(kUnknownProperty, name.c_str()));
    target.ReadProperty(name.substr(prefixLength), value);
  }
  reader.EndObject();
  if (copy) Assign(copy.get());
}

void TdxBaseObject::SaveToFile(const std::string& fileName) const {
  TdxComponentStreamWriter writer;
  SaveToStream(writer);
  WriteFileBytes(fileName, writer.Bytes());
}

void TdxBaseObject::LoadFromFile(const std::string& fileName) {
  TBytes bytes = ReadFileBytes(fileName);
  TdxComponentStreamReader reader(bytes);
  LoadFromStream(reader);
}

// ---------------------------------------------------------------------------
// TdxComponentStreamWriter

void TdxComponentStreamWriter::ShortString(const std::string& s) {
  if (s.size() > 255) throw EWriteError(kWriteError);
  bytes_.push_back(std::uint8_t(s.size()));
  bytes_.insert(bytes_.end(), s.begin(), s.end());
}

void TdxComponentStreamWriter::Int32(std::int32_t v) {
  auto u = std::uint32_t(v);
  for (int i = 0; i < 4; ++i) bytes_.push_back(std::uint8_t(u >> (8 * i)));
}

void TdxComponentStreamWriter::BeginObject(const std::string& className, const std::string& objectName) {
  if (propertiesOpen_.empty() && bytes_.empty()) bytes_.insert(bytes_.end(), {'T', 'P', 'F', '0'});
  if (!propertiesOpen_.empty() && propertiesOpen_.back()) {
    bytes_.push_back(vaNull);  // the parent's properties end before its children
    propertiesOpen_.back() = false;
  }
  ShortString(className);
  ShortString(objectName);
  propertiesOpen_.push_back(true);
}

void TdxComponentStreamWriter::WriteProperty(const std::string& name, const TdxPropertyValue& value) {
  if (propertiesOpen_.empty() || !propertiesOpen_.back() || name.empty()) throw EWriteError(kWriteError);
  ShortString(name);
  auto raw = [&](const void* p, std::size_t n) {
    auto* b = static_cast<const std::uint8_t*>(p);
    bytes_.insert(bytes_.end(), b, b + n);  // little-endian host
  };
  auto longBytes = [&](std::uint8_t type, const void* p, std::size_t n) {
    if (n > std::size_t(std::numeric_limits<std::int32_t>::max())) throw EWriteError(kWriteError);
    bytes_.push_back(type);
    Int32(std::int32_t(n));
    raw(p, n);
  };
  std::visit(
      [&](const auto& v) {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::int64_t>) {
          if (v >= INT8_MIN && v <= INT8_MAX) {
            bytes_.push_back(vaInt8);
            bytes_.push_back(std::uint8_t(std::int8_t(v)));
          } else if (v >= INT16_MIN && v <= INT16_MAX) {
            bytes_.push_back(vaInt16);
            auto s = std::int16_t(v);
            raw(&s, 2);
          } else if (v >= INT32_MIN && v <= INT32_MAX) {
            bytes_.push_back(vaInt32);
            Int32(std::int32_t(v));
          } else {
            bytes_.push_back(vaInt64);
            raw(&v, 8);
          }
        } else if constexpr (std::is_same_v<V, double>) {
          bytes_.push_back(vaDouble);
          raw(&v, 8);
        } else if constexpr (std::is_same_v<V, bool>) {
          bytes_.push_back(v ? vaTrue : vaFalse);
        } else if constexpr (std::is_same_v<V, std::string>) {
          if (!IsAscii(v)) {
            longBytes(vaUTF8String, v.data(), v.size());
          } else if (v.size() <= 255) {
            bytes_.push_back(vaString);
            ShortString(v);
          } else {
            longBytes(vaLString, v.data(), v.size());
          }
        } else if constexpr (std::is_same_v<V, TdxIdent>) {
          bytes_.push_back(vaIdent);
          ShortString(v.Name);
        } else if constexpr (std::is_same_v<V, TdxSet>) {
          bytes_.push_back(vaSet);
          for (const std::string& n : v.Names) {
            if (n.empty()) throw EWriteError(kWriteError);
            ShortString(n);
          }
          bytes_.push_back(0);
        } else {
          longBytes(vaBinary, v.data(), v.size());
        }
      },
      value);
}

void TdxComponentStreamWriter::EndObject() {
  if (propertiesOpen_.empty()) throw EWriteError(kWriteError);
  if (propertiesOpen_.back()) bytes_.push_back(vaNull);
  bytes_.push_back(vaNull);  // end of the children
  propertiesOpen_.pop_back();
}

// ---------------------------------------------------------------------------
// TdxComponentStreamReader

std::uint8_t TdxComponentStreamReader::Byte() {
  if (pos_ >= data_.size()) throw EReadError(kReadError);
  return data_[pos_++];
}

std::uint64_t TdxComponentStreamReader::Unsigned(int size) {
  if (data_.size() - pos_ < std::size_t(size)) throw EReadError(kReadError);
  std::uint64_t v = 0;
  for (int i = 0; i < size; ++i) v |= std::uint64_t(data_[pos_ + std::size_t(i)]) << (8 * i);
  pos_ += std::size_t(size);
  return v;
}

std::string TdxComponentStreamReader::Chars(std::size_t count) {
  if (data_.size() - pos_ < count) throw EReadError(kReadError);
  std::string s(reinterpret_cast<const char*>(data_.data() + pos_), count);
  pos_ += count;
  return s;
}

std::string TdxComponentStreamReader::ShortString() { return Chars(Byte()); }

void TdxComponentStreamReader::BeginObject(std::string& className, std::string& objectName) {
  if (depth_ == 0 && pos_ == 0) {
    if (Chars(4) != "TPF0") throw EReadError(kInvalidFormat);
  } else if (depth_ > 0 && propertiesOpen_) {
    throw EReadError(kInvalidFormat);
  }
  std::string cls = ShortString();
  if (cls.empty()) throw EReadError(kInvalidFormat);  // flags prefixes and list ends are not objects here
  std::string name = ShortString();
  className = std::move(cls);
  objectName = std::move(name);
  ++depth_;
  propertiesOpen_ = true;
}

bool TdxComponentStreamReader::ReadProperty(std::string& name, TdxPropertyValue& value) {
  if (depth_ == 0 || !propertiesOpen_) return false;
  std::string propName = ShortString();
  if (propName.empty()) {  // the zero byte that ends the list
    propertiesOpen_ = false;
    return false;
  }
  std::uint8_t type = Byte();
  TdxPropertyValue v;
  auto longLength = [&]() {
    auto n = std::int32_t(std::uint32_t(Unsigned(4)));
    if (n < 0) throw EReadError(kInvalidValue);
    return std::size_t(n);
  };
  switch (type) {
    case vaInt8: v = std::int64_t(std::int8_t(Byte())); break;
    case vaInt16: v = std::int64_t(std::int16_t(std::uint16_t(Unsigned(2)))); break;
    case vaInt32: v = std::int64_t(std::int32_t(std::uint32_t(Unsigned(4)))); break;
    case vaInt64: v = std::int64_t(Unsigned(8)); break;
    case vaSingle: {
      auto bits = std::uint32_t(Unsigned(4));
      float f;
      std::memcpy(&f, &bits, 4);
      v = double(f);
      break;
    }
    case vaDouble: {
      std::uint64_t bits = Unsigned(8);
      double d;
      std::memcpy(&d, &bits, 8);
      v = d;
      break;
    }
    case vaExtended: {  // 80-bit: 64-bit mantissa with explicit integer bit, 15-bit exponent, sign
      std::uint64_t mantissa = Unsigned(8);
      auto signExp = std::uint16_t(Unsigned(2));
      int exponent = signExp & 0x7FFF;
      double d;
      if (exponent == 0x7FFF)
        d = mantissa << 1 ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
      else
        d = std::ldexp(double(mantissa), exponent - 16383 - 63);
      v = (signExp & 0x8000) ? -d : d;
      break;
    }
    case vaFalse: v = false; break;
    case vaTrue: v = true; break;
    case vaString: v = ShortString(); break;
    case vaLString:
    case vaUTF8String: v = Chars(longLength()); break;
    case vaIdent: v = TdxIdent{ShortString()}; break;
    case vaNil: v = TdxIdent{"nil"}; break;
    case vaSet: {
      TdxSet set;
      for (std::string member = ShortString(); !member.empty(); member = ShortString())
        set.Names.push_back(std::move(member));
      v = std::move(set);
      break;
    }
    case vaBinary: {
      std::size_t n = longLength();
      if (data_.size() - pos_ < n) throw EReadError(kReadError);
      v = TBytes(data_.begin() + std::ptrdiff_t(pos_), data_.begin() + std::ptrdiff_t(pos_ + n));
      pos_ += n;
      break;
    }
    default:
      throw EReadError(kInvalidValue);
  }
  name = std::move(propName);
  value = std::move(v);
  return true;
}

void TdxComponentStreamReader::EndObject() {
  if (depth_ == 0 || propertiesOpen_) throw EReadError(kInvalidFormat);
  if (Byte() != vaNull) throw EReadError(kInvalidFormat);  // child objects are not read here
  --depth_;
}
