// Singletons: access codes, messages, creation and reverse destruction order,
// failures during initialisation and finalisation; engine settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/EngineSettings.h"
#include "report/Singletons.h"

namespace {
std::vector<std::string> g_log;
bool g_failInitialize = false;
bool g_finalizeCreatesB = false;
bool g_failFinalize = false;

#define TEST_SINGLETON(Name)                                      \
  class Name : public TBasedxPSSingleton {                            \
    DX_SINGLETON(Name, TBasedxPSSingleton)                            \
                                                                      \
   public:                                                            \
    int Value = 7;                                                    \
                                                                      \
   protected:                                                         \
    void InitializeInstance() override;                               \
    void FinalizeInstance() override;                                 \
  };

TEST_SINGLETON(TTestSingletonA)
TEST_SINGLETON(TTestSingletonB)
TEST_SINGLETON(TTestSingletonC)

void TTestSingletonA::InitializeInstance() {
  g_log.push_back("init A");
  if (g_failInitialize) throw EdxPrintEngine("init failed");
}
void TTestSingletonA::FinalizeInstance() {
  g_log.push_back("final A");
  if (g_finalizeCreatesB) TTestSingletonB::Instance();
  if (g_failFinalize) throw EdxPrintEngine("finalize failed");
}
void TTestSingletonB::InitializeInstance() { g_log.push_back("init B"); }
void TTestSingletonB::FinalizeInstance() { g_log.push_back("final B"); }
void TTestSingletonC::InitializeInstance() { g_log.push_back("init C"); }
void TTestSingletonC::FinalizeInstance() { g_log.push_back("final C"); }

// A descendant of a singleton class is a singleton of its own.
class TTestSingletonA2 : public TTestSingletonA {
  DX_SINGLETON(TTestSingletonA2, TTestSingletonA)
};

class SingletonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSFinalizeSingletons();
    g_log.clear();
    g_failInitialize = g_finalizeCreatesB = g_failFinalize = false;
  }
  void TearDown() override {
    g_failInitialize = g_finalizeCreatesB = g_failFinalize = false;
    dxPSFinalizeSingletons();
  }
};

template <class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const EdxPSSingleton& e) {
    return e.Message;
  }
  return "no EdxPSSingleton";
}
}  // namespace

TEST_F(SingletonTest, InstanceIsCreatedOnceAndAfterReleaseAnew) {
  EXPECT_EQ(TTestSingletonA::GetInstance(0), nullptr);
  TTestSingletonA* a = TTestSingletonA::Instance();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(TTestSingletonA::Instance(), a);
  EXPECT_EQ(TTestSingletonA::GetInstance(0), a);
  EXPECT_EQ(TTestSingletonA::GetInstance(1), a);
  EXPECT_EQ(g_log, (std::vector<std::string>{"init A"}));
  a->Value = 99;

  TTestSingletonA::ReleaseInstance();
  EXPECT_EQ(TTestSingletonA::GetInstance(0), nullptr);
  TTestSingletonA::ReleaseInstance();  // nothing left: no effect
  EXPECT_EQ(TTestSingletonA::Instance()->Value, 7);  // a fresh object
  EXPECT_EQ(g_log, (std::vector<std::string>{"init A", "final A", "init A"}));
}

TEST_F(SingletonTest, DescendantClassHasItsOwnInstance) {
  TTestSingletonA* a = TTestSingletonA::Instance();
  TTestSingletonA2* a2 = TTestSingletonA2::Instance();
  EXPECT_NE(static_cast<TTestSingletonA*>(a2), a);
  EXPECT_EQ(TTestSingletonA2::StaticClass()->ClassParent(), TTestSingletonA::StaticClass());
  // The registry tells them apart by exact class.
  TdxPSSingletonFactory* registry = dxPSSingletonFactory();
  EXPECT_EQ(registry->Items(registry->IndexOf(TTestSingletonA::StaticClass())), a);
  EXPECT_EQ(registry->Items(registry->IndexOf(TTestSingletonA2::StaticClass())), a2);
}

TEST_F(SingletonTest, ReleasedInReverseOrderOfCreation) {
  TTestSingletonB::Instance();
  TTestSingletonA::Instance();
  TTestSingletonC::Instance();
  TdxPSSingletonFactory* registry = dxPSSingletonFactory();
  ASSERT_EQ(registry->Count(), 3);
  EXPECT_EQ(registry->ItemClasses(0), TTestSingletonB::StaticClass());
  EXPECT_EQ(registry->ItemClasses(2), TTestSingletonC::StaticClass());
  EXPECT_EQ(registry->Items(3), nullptr);
  EXPECT_EQ(registry->ItemClasses(-1), nullptr);
  g_log.clear();

  dxPSFinalizeSingletons();
  EXPECT_EQ(g_log, (std::vector<std::string>{"final C", "final A", "final B"}));
  EXPECT_EQ(TdxPSSingletonFactory::GetInstance(0), nullptr);
  EXPECT_EQ(TTestSingletonA::GetInstance(0), nullptr);
  dxPSFinalizeSingletons();  // nothing left: no effect
}

TEST_F(SingletonTest, SingletonCreatedDuringFinalizationIsReleasedToo) {
  TTestSingletonA::Instance();
  TTestSingletonB::Instance();
  g_finalizeCreatesB = true;
  g_log.clear();
  dxPSFinalizeSingletons();
  // B goes first, A's finalisation creates a new B, which goes in turn.
  EXPECT_EQ(g_log, (std::vector<std::string>{"final B", "final A", "init B", "final B"}));
  EXPECT_EQ(TdxPSSingletonFactory::GetInstance(0), nullptr);
}

TEST_F(SingletonTest, FailingFinalizationStillReleasesEverything) {
  TTestSingletonB::Instance();
  TTestSingletonA::Instance();
  g_failFinalize = true;
  EXPECT_THROW(TTestSingletonA::ReleaseInstance(), EdxPrintEngine);
  EXPECT_EQ(TTestSingletonA::GetInstance(0), nullptr);  // gone despite the failure

  TTestSingletonA::Instance();
  g_log.clear();
  dxPSFinalizeSingletons();  // the failure does not stop the others
  EXPECT_EQ(g_log, (std::vector<std::string>{"final A", "final B"}));
}

TEST_F(SingletonTest, FailingInitializationLeavesNoInstance) {
  g_failInitialize = true;
  EXPECT_THROW(TTestSingletonA::Instance(), EdxPrintEngine);
  EXPECT_EQ(TTestSingletonA::GetInstance(0), nullptr);
  EXPECT_EQ(g_log, (std::vector<std::string>{"init A", "final A"}));
  g_failInitialize = false;
  EXPECT_NE(TTestSingletonA::Instance(), nullptr);
}

TEST_F(SingletonTest, IllegalAccessCodes) {
  EXPECT_EQ(MessageOf([] { TTestSingletonA::GetInstance(2); }), "Illegal AccessCode 2 in GetInstance");
  EXPECT_EQ(MessageOf([] { TTestSingletonA::GetInstance(-1); }), "Illegal AccessCode -1 in GetInstance");
  EXPECT_EQ(MessageOf([] { TdxPSSingletonFactory::GetInstance(3); }), "Illegal AccessCode 3 in GetInstance");
  // Through a class reference too.
  TdxClass cls = TTestSingletonB::StaticClass();
  EXPECT_EQ(MessageOf([cls] { dynamic_cast<const TdxSingletonClassInfo*>(cls)->GetInstance(7); }),
            "Illegal AccessCode 7 in GetInstance");
}

TEST_F(SingletonTest, RegistryAccessCodeTwoForgetsTheRegistry) {
  TdxPSSingletonFactory* registry = dxPSSingletonFactory();
  EXPECT_EQ(TdxPSSingletonFactory::GetInstance(0), registry);
  EXPECT_EQ(TdxPSSingletonFactory::GetInstance(2), nullptr);
  EXPECT_EQ(TdxPSSingletonFactory::GetInstance(0), nullptr);
  // Put it back (code 2 does not destroy it) so that it can be released.
  TdxPSSingletonFactory* fresh = TdxPSSingletonFactory::Instance();
  EXPECT_NE(fresh, nullptr);
  delete registry;  // a directly deleted registry must not disturb the new one
  EXPECT_EQ(TdxPSSingletonFactory::GetInstance(0), fresh);
  EXPECT_EQ(fresh->Count(), 0);
}

TEST_F(SingletonTest, DirectConstructionIsRefused) {
  EXPECT_EQ(MessageOf([] { TTestSingletonA a; }), "Access class TTestSingletonA through Instance only");
  EXPECT_EQ(MessageOf([] { delete new TTestSingletonA2(); }),
            "Access class TTestSingletonA2 through Instance only");
  EXPECT_EQ(MessageOf([] { TdxPSEngine::StaticClass()->Create(); }), "Access class TdxPSEngine through Instance only");
  EXPECT_EQ(MessageOf([] { TBasedxPSSingleton b; }), "Access class TBasedxPSSingleton through Instance only");
  // A refused construction leaves nothing behind and does not block Instance.
  EXPECT_EQ(TTestSingletonA::GetInstance(0), nullptr);
  EXPECT_NE(TTestSingletonA::Instance(), nullptr);
}

TEST_F(SingletonTest, DirectlyDeletedInstanceLeavesTheRegistry) {
  TTestSingletonA* a = TTestSingletonA::Instance();
  TTestSingletonB::Instance();
  delete a;
  EXPECT_EQ(TTestSingletonA::GetInstance(0), nullptr);
  EXPECT_EQ(dxPSSingletonFactory()->Count(), 1);
}

TEST_F(SingletonTest, EngineSettingsDefaults) {
  TdxPSEngine* engine = dxPSEngine();
  EXPECT_EQ(engine, TdxPSEngine::Instance());
  EXPECT_EQ(engine->DesignTimeRegistryPath, "Software\\Quorvane\\Pagestead\\DesignTime");
  EXPECT_EQ(engine->HelpFile, "");
  EXPECT_EQ(engine->FormLook, 0);
  EXPECT_EQ(engine->RegistryPath, "");
  EXPECT_TRUE(engine->SaveFormLayouts);
  EXPECT_TRUE(engine->UseThemes);
  EXPECT_EQ(engine->RealRegistryPath(), "");
  EXPECT_EQ(dxPSFormLayoutKey("TdxPSPreviewDialog"), "");  // no path: nothing is stored

  engine->RegistryPath = "Software\\Me";
  EXPECT_EQ(dxPSFormLayoutKey("TdxfmPageSetup"), "Software\\Me\\FormLayouts\\dxfmPageSetup");
  engine->SaveFormLayouts = false;
  EXPECT_EQ(dxPSFormLayoutKey("TdxfmPageSetup"), "");

  dxPSIsDesignTime = true;
  engine->SaveFormLayouts = true;
  EXPECT_EQ(engine->RealRegistryPath(), "Software\\Quorvane\\Pagestead\\DesignTime");
  dxPSIsDesignTime = false;
}
