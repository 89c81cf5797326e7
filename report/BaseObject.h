// Persistent option objects: TdxBaseObject with an update lock, a change
// handler, Assign/DoAssign, Clone and storage as named properties.
//
// Storage goes through a small writer/reader interface of named, typed
// property values; TdxComponentStreamWriter/Reader implement it over the
// binary component-stream format ("TPF0"). An object is stored as the single
// property "Persistent" of a carrier object of class TdxSaver: each of its
// properties is written as "Persistent.<name>".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/Graphics.h"  // TBytes, TByteView
#include "report/ClassInfo.h"

// An enumeration value, stored by its identifier.
struct TdxIdent {
  std::string Name;
  friend bool operator==(const TdxIdent&, const TdxIdent&) = default;
};
// A set, stored as the identifiers of its members.
struct TdxSet {
  std::vector<std::string> Names;
  friend bool operator==(const TdxSet&, const TdxSet&) = default;
};

using TdxPropertyValue = std::variant<std::int64_t, double, bool, std::string, TdxIdent, TdxSet, TBytes>;

class TdxPropertyWriter {
 public:
  virtual ~TdxPropertyWriter() = default;
  virtual void BeginObject(const std::string& className, const std::string& objectName) = 0;
  virtual void WriteProperty(const std::string& name, const TdxPropertyValue& value) = 0;
  // Ends the object's properties and children.
  virtual void EndObject() = 0;
};

class TdxPropertyReader {
 public:
  virtual ~TdxPropertyReader() = default;
  // Reads the header of the next object. Malformed input raises EReadError.
  virtual void BeginObject(std::string& className, std::string& objectName) = 0;
  // The next property of the current object; false at the end of its list.
  virtual bool ReadProperty(std::string& name, TdxPropertyValue& value) = 0;
  // Ends an object whose properties have all been read (no child objects).
  virtual void EndObject() = 0;
};

// Lock states reported to the change handler by BeginUpdate and EndUpdate.
enum TdxLockState { lsUnLock, lsLock };

class TdxBaseObject : public TdxObject {
  DX_CLASS(TdxBaseObject, TdxObject)

 public:
  TdxBaseObject() = default;
  TdxBaseObject(const TdxBaseObject&) = delete;
  TdxBaseObject& operator=(const TdxBaseObject&) = delete;

  // From another TdxBaseObject: BeginUpdate, DoAssign, EndUpdate. Anything
  // else (or nothing) raises EdxPrintEngine "Cannot assign a %s to a %s".
  virtual void Assign(const TdxObject* source);
  // A new object of this object's class (its default constructor) with this
  // object assigned to it.
  std::unique_ptr<TdxBaseObject> Clone() const;
  // Whether object is an instance of this object's class or a descendant.
  virtual bool IsCompatibleWith(const TdxObject* object) const;

  // Nestable lock. The first BeginUpdate calls the change handler with
  // lsLock; the EndUpdate that brings the count back to 0 calls it with
  // lsUnLock. CancelUpdate decrements without a signal. Unbalanced EndUpdate
  // and CancelUpdate calls do nothing.
  void BeginUpdate();
  void EndUpdate();
  void CancelUpdate();
  bool IsLocked() const { return updateCount_ > 0; }
  int UpdateCount() const { return updateCount_; }

  // The change handler: the object and a code (lsLock, lsUnLock or a
  // descendant's change code).
  std::function<void(TdxBaseObject& sender, int code)> OnChanged;

  void SaveToStream(TdxPropertyWriter& writer) const;
  // A failed load leaves the object unchanged (classes that cannot be cloned
  // are read in place).
  void LoadFromStream(TdxPropertyReader& reader);
  void SaveToFile(const std::string& fileName) const;
  void LoadFromFile(const std::string& fileName);

  // The object's stored properties, each named prefix + property name.
  virtual void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const {}
  // One stored property (name without prefix). The base raises EReadError
  // "Property %s does not exist".
  virtual void ReadProperty(const std::string& name, const TdxPropertyValue& value);

 protected:
  // Copies the fields of source (default: nothing).
  virtual void DoAssign(const TdxBaseObject& source) {}
  // Calls the change handler.
  void Changed(int code);

 private:
  int updateCount_ = 0;
};

// The binary component-stream format: "TPF0", then per object its class name
// and name, its properties (name, typed value) ending with a zero byte, its
// child objects ending with a zero byte.
class TdxComponentStreamWriter : public TdxPropertyWriter {
 public:
  void BeginObject(const std::string& className, const std::string& objectName) override;
  void WriteProperty(const std::string& name, const TdxPropertyValue& value) override;
  void EndObject() override;
  const TBytes& Bytes() const { return bytes_; }

 private:
  void ShortString(const std::string& s);
  void Int32(std::int32_t v);
  TBytes bytes_;
  std::vector<bool> propertiesOpen_;  // per open object
};

// Reads what TdxComponentStreamWriter writes. Every length is checked against
// the bytes that remain; malformed input raises EReadError.
class TdxComponentStreamReader : public TdxPropertyReader {
 public:
  explicit TdxComponentStreamReader(TByteView data) : data_(data) {}
  void BeginObject(std::string& className, std::string& objectName) override;
  bool ReadProperty(std::string& name, TdxPropertyValue& value) override;
  void EndObject() override;

 private:
  std::uint8_t Byte();
  std::uint64_t Unsigned(int size);
  std::string Chars(std::size_t count);
  std::string ShortString();
  TByteView data_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  bool propertiesOpen_ = false;
};
