// Persistent option objects: update lock signals, Assign/DoAssign, Clone,
// IsCompatibleWith and storage in the component stream, with hostile bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "report/BaseObject.h"
#include "report/EngineExceptions.h"
#include "tests/TestSupport.h"

namespace {
class TTestOptions : public TdxBaseObject {
  DX_CLASS(TTestOptions, TdxBaseObject)

 public:
  int Width = 10;
  std::string Caption = "Preview";
  bool Flag = false;
  bool FailAssign = false;

  void WriteProperties(TdxPropertyWriter& w, const std::string& prefix) const override {
    w.WriteProperty(prefix + "Width", std::int64_t(Width));
    w.WriteProperty(prefix + "Caption", Caption);
    w.WriteProperty(prefix + "Flag", Flag);
  }
  void ReadProperty(const std::string& name, const TdxPropertyValue& v) override {
    if (name == "Width" && std::holds_alternative<std::int64_t>(v))
      Width = int(std::get<std::int64_t>(v));
    else if (name == "Caption" && std::holds_alternative<std::string>(v))
      Caption = std::get<std::string>(v);
    else if (name == "Flag" && std::holds_alternative<bool>(v))
      Flag = std::get<bool>(v);
    else
      TdxBaseObject::ReadProperty(name, v);
  }

 protected:
  void DoAssign(const TdxBaseObject& source) override {
    auto* s = dynamic_cast<const TTestOptions*>(&source);
    if (!s) return;
    if (s->FailAssign) throw EdxPrintEngine("assign failed");
    Width = s->Width;
    Caption = s->Caption;
    Flag = s->Flag;
    Changed(100);  // a change inside the lock
  }
};

class TTestOptionsEx : public TTestOptions {
  DX_CLASS(TTestOptionsEx, TTestOptions)

 public:
  std::vector<std::string> Zoom{"posZoom"};

 protected:
  void DoAssign(const TdxBaseObject& source) override {
    TTestOptions::DoAssign(source);
    if (auto* s = dynamic_cast<const TTestOptionsEx*>(&source)) Zoom = s->Zoom;
  }
};

// Records the change handler's calls.
struct Recorder {
  std::vector<int> Codes;
  void Attach(TdxBaseObject& o) {
    o.OnChanged = [this](TdxBaseObject&, int code) { Codes.push_back(code); };
  }
};

TBytes Save(const TdxBaseObject& o) {
  TdxComponentStreamWriter w;
  o.SaveToStream(w);
  return w.Bytes();
}

void Load(TdxBaseObject& o, const TBytes& bytes) {
  TdxComponentStreamReader r(bytes);
  o.LoadFromStream(r);
}

// A stream holding one TdxSaver with the given raw property bytes.
TBytes SaverWith(const std::vector<std::uint8_t>& properties) {
  TBytes b = {'T', 'P', 'F', '0', 8, 'T', 'd', 'x', 'S', 'a', 'v', 'e', 'r', 0};
  b.insert(b.end(), properties.begin(), properties.end());
  b.push_back(0);
  b.push_back(0);
  return b;
}

std::vector<std::uint8_t> PropName(const std::string& name) {
  std::vector<std::uint8_t> b{std::uint8_t(name.size())};
  b.insert(b.end(), name.begin(), name.end());
  return b;
}
}  // namespace

TEST(BaseObjectTest, NestedLockSignalsOnceEachWay) {
  TTestOptions o;
  Recorder r;
  r.Attach(o);
  EXPECT_FALSE(o.IsLocked());
  o.BeginUpdate();
  o.BeginUpdate();
  o.BeginUpdate();
  EXPECT_TRUE(o.IsLocked());
  EXPECT_EQ(o.UpdateCount(), 3);
  o.EndUpdate();
  o.CancelUpdate();
  EXPECT_EQ(r.Codes, (std::vector<int>{lsLock}));
  o.EndUpdate();
  EXPECT_FALSE(o.IsLocked());
  EXPECT_EQ(r.Codes, (std::vector<int>{lsLock, lsUnLock}));

  // Unbalanced calls do nothing.
  o.EndUpdate();
  o.CancelUpdate();
  EXPECT_EQ(o.UpdateCount(), 0);
  EXPECT_EQ(r.Codes.size(), 2u);

  // CancelUpdate of the outermost lock: unlocked without a signal.
  o.BeginUpdate();
  o.CancelUpdate();
  EXPECT_FALSE(o.IsLocked());
  EXPECT_EQ(r.Codes, (std::vector<int>{lsLock, lsUnLock, lsLock}));
}

TEST(BaseObjectTest, AssignCopiesInsideOneLock) {
  TTestOptions a, b;
  b.Width = 42;
  b.Caption = "Other";
  b.Flag = true;
  Recorder r;
  r.Attach(a);
  a.Assign(&b);
  EXPECT_EQ(a.Width, 42);
  EXPECT_EQ(a.Caption, "Other");
  EXPECT_TRUE(a.Flag);
  EXPECT_EQ(r.Codes, (std::vector<int>{lsLock, 100, lsUnLock}));

  // Inside an outer lock, Assign signals nothing of its own lock.
  r.Codes.clear();
  a.BeginUpdate();
  a.Assign(&b);
  a.EndUpdate();
  EXPECT_EQ(r.Codes, (std::vector<int>{lsLock, 100, lsUnLock}));

  // A failing DoAssign still unlocks.
  b.FailAssign = true;
  EXPECT_THROW(a.Assign(&b), EdxPrintEngine);
  EXPECT_FALSE(a.IsLocked());
}

TEST(BaseObjectTest, AssignFromAnythingElseFails) {
  TTestOptions a;
  TdxObject plain;
  try {
    a.Assign(&plain);
    FAIL();
  } catch (const EdxPrintEngine& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TdxObject to a TTestOptions");
  }
  try {
    a.Assign(nullptr);
    FAIL();
  } catch (const EdxPrintEngine& e) {
    EXPECT_EQ(e.Message, "Cannot assign a nil to a TTestOptions");
  }
}

TEST(BaseObjectTest, CloneKeepsTheClassAndTheValues) {
  TTestOptionsEx o;
  o.Width = 5;
  o.Zoom = {"posZoom", "posView"};
  std::unique_ptr<TdxBaseObject> copy = o.Clone();
  ASSERT_EQ(copy->ClassType(), TTestOptionsEx::StaticClass());
  auto* typed = dynamic_cast<TTestOptionsEx*>(copy.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->Width, 5);
  EXPECT_EQ(typed->Zoom, o.Zoom);
  EXPECT_FALSE(typed->OnChanged);  // the handler is not copied

  o.FailAssign = true;
  EXPECT_THROW(o.Clone(), EdxPrintEngine);  // the half-made copy is freed (leak check)
}

TEST(BaseObjectTest, CompatibilityFollowsTheClassTree) {
  TTestOptions base;
  TTestOptionsEx ex;
  TdxBaseObject root;
  EXPECT_TRUE(base.IsCompatibleWith(&ex));
  EXPECT_TRUE(base.IsCompatibleWith(&base));
  EXPECT_FALSE(ex.IsCompatibleWith(&base));
  EXPECT_FALSE(base.IsCompatibleWith(&root));
  EXPECT_TRUE(root.IsCompatibleWith(&ex));
  EXPECT_FALSE(base.IsCompatibleWith(nullptr));
}

TEST(BaseObjectTest, StreamRoundTrip) {
  TTestOptions o;
  o.Width = 70000;  // needs 32 bits
  o.Caption = "Önizleme";  // not ASCII
  o.Flag = true;
  TBytes bytes = Save(o);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "TPF0");
  std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("TdxSaver"), std::string::npos);
  EXPECT_NE(text.find("Persistent.Width"), std::string::npos);

  TTestOptions loaded;
  Recorder r;
  r.Attach(loaded);
  Load(loaded, bytes);
  EXPECT_EQ(loaded.Width, 70000);
  EXPECT_EQ(loaded.Caption, "Önizleme");
  EXPECT_TRUE(loaded.Flag);
  EXPECT_EQ(r.Codes, (std::vector<int>{lsLock, 100, lsUnLock}));  // one assignment
}

TEST(BaseObjectTest, EveryValueKindRoundTrips) {
  TdxComponentStreamWriter w;
  const std::vector<TdxPropertyValue> values = {
      std::int64_t(0),           std::int64_t(-128),         std::int64_t(-129),
      std::int64_t(32767),       std::int64_t(-2147483648LL), std::int64_t(1) << 40,
      2.5,                       false,                      true,
      std::string(),             std::string(300, 'x'),      TdxIdent{"ppmCenter"},
      TdxSet{{"a", "b"}},        TdxSet{},                   TBytes{0, 1, 255},
  };
  w.BeginObject("TThing", "Thing1");
  for (std::size_t i = 0; i < values.size(); ++i) w.WriteProperty("P" + std::to_string(i), values[i]);
  w.BeginObject("TChild", "");  // a child ends the parent's properties
  w.EndObject();
  w.EndObject();

  TdxComponentStreamReader r(w.Bytes());
  std::string cls, name;
  r.BeginObject(cls, name);
  EXPECT_EQ(cls, "TThing");
  EXPECT_EQ(name, "Thing1");
  std::string prop;
  TdxPropertyValue v;
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(r.ReadProperty(prop, v)) << i;
    EXPECT_EQ(prop, "P" + std::to_string(i));
    EXPECT_EQ(v, values[i]) << i;
  }
  EXPECT_FALSE(r.ReadProperty(prop, v));
  EXPECT_THROW(r.EndObject(), EReadError);  // children are not read here
}

TEST(BaseObjectTest, WriterRefusesWhatTheFormatCannotHold) {
  TdxComponentStreamWriter w;
  EXPECT_THROW(w.WriteProperty("X", true), EWriteError);  // no object open
  w.BeginObject("TThing", "");
  EXPECT_THROW(w.WriteProperty(std::string(256, 'n'), true), EWriteError);
  EXPECT_THROW(w.WriteProperty("", true), EWriteError);
  EXPECT_THROW(w.WriteProperty("S", TdxSet{{""}}), EWriteError);
  w.EndObject();
  EXPECT_THROW(w.EndObject(), EWriteError);
}

TEST(BaseObjectTest, TruncatedStreamsFailAndLeaveTheObjectUnchanged) {
  TTestOptions source;
  source.Width = 1234;
  source.Caption = "Changed";
  TBytes bytes = Save(source);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    TBytes cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    TTestOptions target;
    EXPECT_THROW(Load(target, cut), EReadError) << n;
    EXPECT_EQ(target.Width, 10) << n;
    EXPECT_EQ(target.Caption, "Preview") << n;
  }
}

TEST(BaseObjectTest, HostileStreamsFailCleanly) {
  auto expectReadError = [](const TBytes& bytes, const char* message) {
    TTestOptions target;
    try {
      Load(target, bytes);
      ADD_FAILURE() << "no error for " << message;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message, message);
    }
    EXPECT_EQ(target.Width, 10);
  };
  auto withValue = [](const std::string& name, std::vector<std::uint8_t> value) {
    std::vector<std::uint8_t> p = PropName(name);
    p.insert(p.end(), value.begin(), value.end());
    return SaverWith(p);
  };
  // A long string that claims more bytes than remain, and a negative length.
  expectReadError(withValue("Persistent.Caption", {12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), "Stream read error");
  expectReadError(withValue("Persistent.Caption", {20, 0xFF, 0xFF, 0xFF, 0xFF}), "Invalid property value");
  expectReadError(withValue("Persistent.Caption", {10, 0x00, 0x00, 0x00, 0x80}), "Invalid property value");
  // Unknown value types and a set without its end.
  expectReadError(withValue("Persistent.Width", {1}), "Invalid property value");
  expectReadError(withValue("Persistent.Width", {0xEE}), "Invalid property value");
  TBytes openSet = withValue("Persistent.Width", {11, 1, 'a', 1, 'b'});
  openSet.resize(openSet.size() - 2);  // the stream ends inside the set
  expectReadError(openSet, "Stream read error");
  // Wrong signature and wrong carrier class.
  TBytes bad = SaverWith({});
  bad[0] = 'X';
  expectReadError(bad, "Invalid stream format");
  TBytes other = {'T', 'P', 'F', '0', 5, 'T', 'F', 'o', 'r', 'm', 0, 0, 0};
  expectReadError(other, "Invalid stream format");
  // Properties the object does not have, or outside the carrier's "Persistent".
  expectReadError(withValue("Persistent.Height", {2, 5}), "Property Height does not exist");
  expectReadError(withValue("Persistent.Width", {6, 1, 'x'}), "Property Width does not exist");
  expectReadError(withValue("Width", {2, 5}), "Property Width does not exist");
  expectReadError(withValue("Persistent.", {2, 5}), "Property Persistent. does not exist");
  // A property list followed by something other than the end of the children.
  TBytes child = SaverWith({});
  child.back() = 6;
  expectReadError(child, "Invalid stream format");
}

TEST(BaseObjectTest, ReadsExtendedSingleAndShortIntegers) {
  TdxPropertyValue v;
  std::string name, cls, obj;
  // 80-bit 2.5: mantissa 0xA000000000000000, exponent 16384.
  TBytes bytes = SaverWith({1, 'E', 5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0x40, 1, 'S', 15, 0, 0, 0x20, 0xC0,
                            1, 'I', 3, 0x00, 0x80});
  TdxComponentStreamReader r(bytes);
  r.BeginObject(cls, obj);
  ASSERT_TRUE(r.ReadProperty(name, v));
  EXPECT_EQ(v, TdxPropertyValue(2.5));
  ASSERT_TRUE(r.ReadProperty(name, v));
  EXPECT_EQ(v, TdxPropertyValue(-2.5));
  ASSERT_TRUE(r.ReadProperty(name, v));
  EXPECT_EQ(v, TdxPropertyValue(std::int64_t(-32768)));
  EXPECT_FALSE(r.ReadProperty(name, v));
  r.EndObject();
}

TEST(BaseObjectTest, FileRoundTripAndMissingFile) {
  ScratchDir dir;
  TTestOptions o;
  o.Width = 3;
  o.SaveToFile(dir.Path("options.dat"));
  TTestOptions loaded;
  loaded.LoadFromFile(dir.Path("options.dat"));
  EXPECT_EQ(loaded.Width, 3);
  EXPECT_THROW(loaded.LoadFromFile(dir.Path("missing.dat")), EFOpenError);
  EXPECT_EQ(loaded.Width, 3);
}
