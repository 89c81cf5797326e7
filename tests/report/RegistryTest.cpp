// The registry store (in a scratch file, never the user's), the custom
// colours kept in it, window layouts and the message boxes.
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "tests/TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.Path("registry.ini");
    SetRegistryFile(file_);
  }
  void TearDown() override {
    SetRegistryFile(std::string());
    dxPSCustomColors().clear();
    dxPSFinalizeSingletons();
  }
  ScratchDir dir_;
  std::string file_;
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}
}  // namespace

TEST_F(RegistryTest, TheStoreIsTheScratchFile) {
  EXPECT_EQ(RegistryFile(), file_);
  SetRegistryFile(std::string());
  std::string real = RegistryFile();
  EXPECT_NE(real, file_);
  EXPECT_NE(real.find("/ArdelSorvan/registry.ini"), std::string::npos);
  SetRegistryFile(file_);
}

TEST_F(RegistryTest, ValuesRoundTripAcrossObjects) {
  {
    TRegistry r;
    EXPECT_FALSE(r.OpenKey("Software\\Test", false));  // does not exist yet
    ASSERT_TRUE(r.OpenKey("Software\\Test", true));
    EXPECT_EQ(r.CurrentPath(), "Software\\Test");
    r.WriteString("Name", "Ardel");
    r.WriteInteger("Count", -12);
    r.WriteBool("On", true);
    r.WriteString("Unicode", "Çıkış");
  }
  QFile f(QString::fromStdString(file_));
  EXPECT_TRUE(f.exists());

  TRegistry r;
  ASSERT_TRUE(r.OpenKeyReadOnly("\\Software\\Test\\"));
  EXPECT_EQ(r.ReadString("Name"), "Ardel");
  EXPECT_EQ(r.ReadInteger("Count"), -12);
  EXPECT_EQ(r.ReadString("Count"), "-12");
  EXPECT_TRUE(r.ReadBool("On"));
  EXPECT_EQ(r.ReadString("Unicode"), "Çıkış");
  EXPECT_EQ(r.ReadString("Missing"), "");
  EXPECT_FALSE(r.ValueExists("Missing"));
  EXPECT_EQ(Sorted(r.GetValueNames()), (std::vector<std::string>{"Count", "Name", "On", "Unicode"}));
  try {
    r.ReadInteger("Name");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message, "Invalid data type for 'Name'");
  }
  EXPECT_THROW(r.ReadInteger("Missing"), ERegistryException);
  // A key opened read-only refuses writes.
  try {
    r.WriteString("Name", "x");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message, "Failed to set data for 'Name'");
  }
  EXPECT_EQ(r.ReadString("Name"), "Ardel");
}

TEST_F(RegistryTest, KeysRelativeAbsoluteAndNested) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey("Software", true));
  ASSERT_TRUE(r.OpenKey("Quorvane\\Pagestead", true));  // relative to the open key
  EXPECT_EQ(r.CurrentPath(), "Software\\Quorvane\\Pagestead");
  r.WriteString("A", "1");
  ASSERT_TRUE(r.OpenKey("\\Software\\Other", true));  // absolute
  r.WriteString("B", "2");
  r.CloseKey();
  EXPECT_EQ(r.CurrentPath(), "");
  EXPECT_TRUE(r.KeyExists("Software"));  // exists through its subkeys
  EXPECT_TRUE(r.KeyExists("Software\\Quorvane"));
  EXPECT_FALSE(r.KeyExists("Software\\Quorv"));
  ASSERT_TRUE(r.OpenKey("Software", false));
  EXPECT_EQ(Sorted(r.GetKeyNames()), (std::vector<std::string>{"Other", "Quorvane"}));
}

TEST_F(RegistryTest, AwkwardNamesStayApart) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey("K", true));
  r.WriteString("a/b", "slash");
  r.WriteString("a\\b", "backslash");
  r.WriteString("a%2Fb", "percent");
  r.WriteString("", "default");
  r.WriteString("Sub", "value named like the subkey");
  ASSERT_TRUE(r.OpenKey("Sub", true));
  r.WriteString("x", "in the subkey");

  ASSERT_TRUE(r.OpenKey("\\K", false));
  EXPECT_EQ(r.ReadString("a/b"), "slash");
  EXPECT_EQ(r.ReadString("a\\b"), "backslash");
  EXPECT_EQ(r.ReadString("a%2Fb"), "percent");
  EXPECT_EQ(r.ReadString(""), "default");
  EXPECT_EQ(Sorted(r.GetValueNames()), (std::vector<std::string>{"", "Sub", "a%2Fb", "a/b", "a\\b"}));
  // Deleting the subkey keeps the value of the same name, and the other way round.
  EXPECT_TRUE(r.DeleteKey("Sub"));
  EXPECT_FALSE(r.KeyExists("Sub"));
  EXPECT_EQ(r.ReadString("Sub"), "value named like the subkey");
  EXPECT_TRUE(r.DeleteValue("Sub"));
  EXPECT_FALSE(r.DeleteValue("Sub"));
  EXPECT_FALSE(r.DeleteKey("Sub"));
}

TEST_F(RegistryTest, DeleteKeyTakesSubkeysButNotSiblings) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey("\\P\\Key\\Deep", true));
  r.WriteString("v", "1");
  ASSERT_TRUE(r.OpenKey("\\P\\Key", true));
  r.WriteString("v", "2");
  ASSERT_TRUE(r.OpenKey("\\P\\KeyTwo", true));  // same prefix, not below
  r.WriteString("v", "3");
  EXPECT_TRUE(r.DeleteKey("\\P\\Key"));
  EXPECT_FALSE(r.KeyExists("\\P\\Key"));
  EXPECT_FALSE(r.KeyExists("\\P\\Key\\Deep"));
  EXPECT_TRUE(r.KeyExists("\\P\\KeyTwo"));
  EXPECT_EQ(r.ReadString("v"), "3");
}

TEST_F(RegistryTest, CustomColorsAreReadAndRewritten) {
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(dxPSCustomColorsKey, true));
    r.WriteString("ColorA", "FFFFFF");
    r.WriteString("ColorB", "808080");
  }
  dxPSLoadCustomColors();
  EXPECT_EQ(Sorted(dxPSCustomColors()), (std::vector<std::string>{"ColorA=FFFFFF", "ColorB=808080"}));

  // At exit the key is written anew: stale values go, lines without "=" are
  // skipped, the text after the first "=" is the value.
  dxPSCustomColors() = {"ColorA=00FF00", "junk", "ColorC=a=b", "=empty name"};
  dxPSSaveCustomColors();
  TRegistry r;
  ASSERT_TRUE(r.OpenKeyReadOnly(dxPSCustomColorsKey));
  EXPECT_EQ(Sorted(r.GetValueNames()), (std::vector<std::string>{"", "ColorA", "ColorC"}));
  EXPECT_EQ(r.ReadString("ColorA"), "00FF00");
  EXPECT_EQ(r.ReadString("ColorC"), "a=b");

  // An empty list leaves no values; loading then gives an empty list.
  dxPSCustomColors().clear();
  dxPSSaveCustomColors();
  dxPSCustomColors() = {"stale"};
  dxPSLoadCustomColors();
  EXPECT_EQ(dxPSCustomColors(), (std::vector<std::string>{"stale"}));  // no key: the list stays
}

TEST_F(RegistryTest, UnwritableStoreIsIgnored) {
  // A file where the folder should be: nothing can be written there.
  dir_.Write("blocker", std::string("x"));
  SetRegistryFile(dir_.Path("blocker/registry.ini"));
  dxPSCustomColors() = {"ColorA=1"};
  dxPSSaveCustomColors();  // registry errors are swallowed
  dxPSLoadCustomColors();
  EXPECT_EQ(dxPSCustomColors(), (std::vector<std::string>{"ColorA=1"}));
  TRegistry r;
  ASSERT_TRUE(r.OpenKey("K", true));
  EXPECT_THROW(r.WriteString("v", "1"), ERegistryException);
}

TEST_F(RegistryTest, NothingButCustomColorsWithoutARegistryPath) {
  QWidget window;
  window.setGeometry(10, 20, 300, 200);
  // What the engine's windows do: store only under a non-empty key.
  SaveWindowLayout(window, dxPSFormLayoutKey("TdxPSPreviewDialog"), true);
  dxPSCustomColors() = {"ColorA=FFFFFF"};
  dxPSSaveCustomColors();
  TRegistry r;
  EXPECT_EQ(r.GetKeyNames(), (std::vector<std::string>{"Software"}));
  ASSERT_TRUE(r.OpenKeyReadOnly(dxPSRegistryRoot));
  EXPECT_EQ(r.GetKeyNames(), (std::vector<std::string>{"CustomColors"}));
  EXPECT_TRUE(r.GetValueNames().empty());
}

TEST_F(RegistryTest, WindowLayoutRoundTrip) {
  dxPSEngine()->RegistryPath = "Software\\Me";
  const std::string key = dxPSFormLayoutKey("TdxfmPageSetup");
  ASSERT_EQ(key, "Software\\Me\\FormLayouts\\dxfmPageSetup");
  QWidget window;
  window.setGeometry(30, 40, 320, 240);
  SaveWindowLayout(window, key, true);
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKeyReadOnly(key));
    EXPECT_EQ(r.ReadInteger("Left"), 30);
    EXPECT_EQ(r.ReadInteger("Top"), 40);
    EXPECT_EQ(r.ReadInteger("Width"), 320);
    EXPECT_EQ(r.ReadInteger("Height"), 240);
    EXPECT_EQ(r.ReadInteger("WindowState"), 0);
    EXPECT_TRUE(r.ValueExists("ScreenWidth"));
  }
  QWidget restored;
  restored.setGeometry(0, 0, 100, 100);
  RestoreWindowLayout(restored, key, true);
  EXPECT_EQ(restored.geometry(), QRect(30, 40, 320, 240));

  // A window the user cannot resize keeps its own size.
  QWidget fixed;
  fixed.setGeometry(0, 0, 150, 90);
  RestoreWindowLayout(fixed, key, false);
  EXPECT_EQ(fixed.geometry(), QRect(30, 40, 150, 90));

  // A missing key leaves the window as it is.
  QWidget untouched;
  untouched.setGeometry(5, 6, 70, 80);
  RestoreWindowLayout(untouched, key + "X", true);
  EXPECT_EQ(untouched.geometry(), QRect(5, 6, 70, 80));
}

TEST_F(RegistryTest, WindowLayoutFromAnotherScreenIsCut) {
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  const std::string key = "Software\\Me\\FormLayouts\\dxPSPreviewDialog";
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(key, true));
    r.WriteInteger("ScreenWidth", screen.width() + 1000);
    r.WriteInteger("ScreenHeight", screen.height() + 1000);
    r.WriteInteger("Left", screen.width() - 100);
    r.WriteInteger("Top", screen.height() - 50);
    r.WriteInteger("Width", 400);
    r.WriteInteger("Height", 300);
    r.WriteInteger("WindowState", 0);
  }
  QWidget window;
  RestoreWindowLayout(window, key, true);
  EXPECT_EQ(window.geometry(), QRect(screen.width() - 100, screen.height() - 50, 100, 50));

  // Hostile numbers are limited instead of overflowing.
  {
    TRegistry r;
    ASSERT_TRUE(r.OpenKey(key, true));
    r.WriteInteger("Left", 2147483647);
    r.WriteInteger("Width", 2147483647);
    r.WriteString("Top", "not a number");
  }
  QWidget hostile;
  hostile.setGeometry(1, 2, 3, 4);
  RestoreWindowLayout(hostile, key, true);
  EXPECT_EQ(hostile.geometry().top(), 2);
  EXPECT_LE(hostile.geometry().right(), 1 << 21);
}

TEST(MessageDialogTest, HookGetsKindCaptionAndText) {
  struct Call {
    TMessageBoxKind Kind;
    std::string Caption, Text;
  };
  std::vector<Call> calls;
  bool answer = true;
  AnswerMessageBoxes([&](TMessageBoxKind kind, const std::string& caption, const std::string& text) {
    calls.push_back({kind, caption, text});
    return answer;
  });
  std::string oldTitle = Application::Title();
  Application::SetTitle("Ardel Sorvan");
  MessageError("Printer is not ready");
  MessageWarning("Nothing to print");
  EXPECT_TRUE(MessageQuestion("Rebuild?"));
  answer = false;
  EXPECT_FALSE(MessageQuestion("Rebuild?"));
  AnswerMessageBoxes(nullptr);
  Application::SetTitle(oldTitle);

  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].Kind, TMessageBoxKind::Error);
  EXPECT_EQ(calls[0].Caption, "Ardel Sorvan");
  EXPECT_EQ(calls[0].Text, "Printer is not ready");
  EXPECT_EQ(calls[1].Kind, TMessageBoxKind::Warning);
  EXPECT_EQ(calls[2].Kind, TMessageBoxKind::Question);
}
