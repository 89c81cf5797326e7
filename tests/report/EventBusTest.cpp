// The event bus: exact-class delivery, order, Stop, disabled and failing
// subscribers, subscribers removed, added or destroyed during a delivery,
// the bus itself released by a handler, and the handler subscribers.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "report/EventBus.h"
#include "report/EventSubscribers.h"
#include "tests/ModalAnswers.h"

namespace {
std::vector<std::string> g_log;
std::vector<std::string> g_errors;

void RecordError(const std::string&, const std::string& text) { g_errors.push_back(text); }

// An event that tells when it is destroyed.
int g_eventsDestroyed = 0;
class TTestEvent : public TdxEvent {
  DX_CLASS(TTestEvent, TdxEvent)

 public:
  using TdxEvent::TdxEvent;
  ~TTestEvent() override { ++g_eventsDestroyed; }
};

// A subscriber that runs an action for every event it gets.
class TTestSubscriber : public TdxEventSubscriber {
 public:
  TTestSubscriber(std::string name, std::initializer_list<TdxClass> classes)
      : TdxEventSubscriber(classes), Name(std::move(name)) {}
  std::string Name;
  std::function<void(TTestSubscriber&)> Action;
  TdxEvent* Seen = nullptr;

 protected:
  void ProcessEvent() override {
    g_log.push_back(Name);
    Seen = ActiveEvent();
    if (Action) Action(*this);
  }
};

class EventSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_errors.clear();
    g_eventsDestroyed = 0;
    AnswerErrorBoxes(RecordError);
  }
  void TearDown() override {
    AnswerErrorBoxes(nullptr);
    dxPSFinalizeSingletons();
  }
  static void Publish(std::unique_ptr<TdxEvent> event) { dxPSEventSystem()->ProcessEvent(std::move(event)); }
  static void PublishTest() { Publish(std::make_unique<TTestEvent>(nullptr)); }
};
}  // namespace

TEST_F(EventSystemTest, DeliversInOrderOfRegistrationAndDestroysTheEvent) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  TTestSubscriber b("b", {TTestEvent::StaticClass(), TTestEvent::StaticClass()});
  TTestSubscriber other("other", {TdxSMStyleListChangedEvent::StaticClass()});
  EXPECT_EQ(b.EventClasses().size(), 1u);  // each class once
  EXPECT_TRUE(a.Registered());
  dxPSEventSystem()->RegisterSubscriber(&a);  // twice: no effect
  EXPECT_EQ(dxPSEventSystem()->SubscriberCount(), 3);

  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(g_eventsDestroyed, 1);
  EXPECT_EQ(a.ActiveEvent(), nullptr);  // set only during the delivery
  EXPECT_NE(a.Seen, nullptr);
  EXPECT_EQ(dxPSEventSystem()->EventClasses(), (std::vector<TdxClass>{TTestEvent::StaticClass()}));

  // The caller's reference is cleared.
  std::unique_ptr<TdxEvent> event = std::make_unique<TTestEvent>(nullptr);
  dxPSEventSystem()->ProcessEvent(std::move(event));
  EXPECT_EQ(event, nullptr);
  EXPECT_EQ(g_eventsDestroyed, 2);
}

TEST_F(EventSystemTest, EventWithoutAcceptingSubscriberIsDestroyedWithoutEffect) {
  TTestSubscriber a("a", {TdxSMStyleListChangedEvent::StaticClass()});
  PublishTest();
  EXPECT_TRUE(g_log.empty());
  EXPECT_EQ(g_eventsDestroyed, 1);
  dxPSEventSystem()->ProcessEvent(nullptr);  // no event: nothing
}

TEST_F(EventSystemTest, OnlyTheExactClassIsAccepted) {
  TTestSubscriber base("base", {TdxComponentPrinterEvent::StaticClass()});
  TTestSubscriber build("build", {TdxPSBuildEvent::StaticClass()});
  Publish(std::make_unique<TdxPSBuildEvent>(nullptr, 0.0, nullptr, dxPSStageStart));
  EXPECT_EQ(g_log, (std::vector<std::string>{"build"}));
  g_log.clear();
  Publish(std::make_unique<TdxComponentPrinterEvent>(nullptr));
  EXPECT_EQ(g_log, (std::vector<std::string>{"base"}));
}

TEST_F(EventSystemTest, DisabledSubscriberIsSkippedUntilEnabled) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  TTestSubscriber b("b", {TTestEvent::StaticClass()});
  a.Enabled = false;
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"b"}));
  a.Enabled = true;
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"b", "a", "b"}));
}

TEST_F(EventSystemTest, UnregisteredSubscriberGetsNothingUntilRegisteredAgain) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  TTestSubscriber b("b", {TTestEvent::StaticClass()});
  a.SetRegistered(false);
  a.SetRegistered(false);
  EXPECT_FALSE(a.Registered());
  PublishTest();
  a.SetRegistered(true);  // now after b
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"b", "b", "a"}));
}

TEST_F(EventSystemTest, FailingHandlerIsReportedAndOthersStillReceive) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  TTestSubscriber b("b", {TTestEvent::StaticClass()});
  TTestSubscriber c("c", {TTestEvent::StaticClass()});
  a.Action = [](TTestSubscriber&) { throw EdxPrintEngine("handler failed"); };
  b.Action = [](TTestSubscriber&) { throw 42; };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_EQ(g_errors.size(), 2u);
  EXPECT_EQ(g_errors[0], "handler failed.");
  EXPECT_EQ(a.ActiveEvent(), nullptr);  // cleared whatever happens
  EXPECT_EQ(g_eventsDestroyed, 1);
}

TEST_F(EventSystemTest, StopEndsTheDelivery) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  TTestSubscriber b("b", {TTestEvent::StaticClass()});
  a.Action = [](TTestSubscriber& s) { s.ActiveEvent()->Stop = true; };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a"}));
}

TEST_F(EventSystemTest, SubscriberRemovedDuringDeliveryIsSkipped) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  TTestSubscriber b("b", {TTestEvent::StaticClass()});
  TTestSubscriber c("c", {TTestEvent::StaticClass()});
  a.Action = [&b](TTestSubscriber&) { b.SetRegistered(false); };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "c"}));
}

TEST_F(EventSystemTest, SubscriberDestroyedDuringDeliveryIsSkipped) {
  auto a = std::make_unique<TTestSubscriber>("a", std::initializer_list<TdxClass>{TTestEvent::StaticClass()});
  auto b = std::make_unique<TTestSubscriber>("b", std::initializer_list<TdxClass>{TTestEvent::StaticClass()});
  auto c = std::make_unique<TTestSubscriber>("c", std::initializer_list<TdxClass>{TTestEvent::StaticClass()});
  // a destroys b (a later one) and c destroys itself inside its own handler.
  a->Action = [&b](TTestSubscriber&) { b.reset(); };
  TTestSubscriber* cRaw = c.get();
  c->Action = [&c](TTestSubscriber&) { c.reset(); };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(dxPSEventSystem()->IndexOfSubscriber(cRaw), -1);
  EXPECT_EQ(dxPSEventSystem()->SubscriberCount(), 1);
}

TEST_F(EventSystemTest, SubscriberReplacedAtTheSameAddressIsNotVisited) {
  // A destroyed subscriber's memory may be reused by a new one registered
  // during the delivery: the new one was not registered when it began.
  alignas(TTestSubscriber) unsigned char storage[sizeof(TTestSubscriber)];
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  auto* b = new (storage) TTestSubscriber("b", {TTestEvent::StaticClass()});
  a.Action = [&b, &storage](TTestSubscriber&) {
    b->~TTestSubscriber();
    b = new (storage) TTestSubscriber("b2", {TTestEvent::StaticClass()});
  };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a"}));
  a.Action = nullptr;
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "a", "b2"}));
  b->~TTestSubscriber();
}

TEST_F(EventSystemTest, SubscriberAddedDuringDeliveryWaitsForTheNextEvent) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  std::unique_ptr<TTestSubscriber> late;
  a.Action = [&late](TTestSubscriber&) {
    if (!late) late = std::make_unique<TTestSubscriber>("late", std::initializer_list<TdxClass>{TTestEvent::StaticClass()});
  };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a"}));
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "a", "late"}));
}

TEST_F(EventSystemTest, NestedPublishingRestoresTheActiveEvent) {
  TTestSubscriber a("a", {TTestEvent::StaticClass(), TdxSMStyleListChangedEvent::StaticClass()});
  TdxEvent* outerSeenAfterNested = nullptr;
  a.Action = [&](TTestSubscriber& s) {
    if (s.ActiveEvent()->ClassType() != TTestEvent::StaticClass()) return;
    TdxEvent* outer = s.ActiveEvent();
    Publish(std::make_unique<TdxSMStyleListChangedEvent>(nullptr));
    outerSeenAfterNested = s.ActiveEvent();
    EXPECT_EQ(outerSeenAfterNested, outer);
  };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "a"}));
  EXPECT_NE(outerSeenAfterNested, nullptr);
  EXPECT_EQ(a.ActiveEvent(), nullptr);
}

TEST_F(EventSystemTest, BusReleasedDuringDeliveryStopsSafely) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  TTestSubscriber b("b", {TTestEvent::StaticClass()});
  a.Action = [](TTestSubscriber&) { TdxPSEventSystem::ReleaseInstance(); };
  PublishTest();
  EXPECT_EQ(g_log, (std::vector<std::string>{"a"}));
  EXPECT_EQ(g_eventsDestroyed, 1);
  EXPECT_FALSE(a.Registered());  // the bus dropped every subscriber
  EXPECT_EQ(TdxPSEventSystem::GetInstance(0), nullptr);
}

TEST_F(EventSystemTest, SubscribersOutliveTheBus) {
  TTestSubscriber a("a", {TTestEvent::StaticClass()});
  dxPSFinalizeSingletons();
  EXPECT_FALSE(a.Registered());
  // Destroying a at the end of the test touches no freed bus.
}

TEST_F(EventSystemTest, BuildAndPrintSubscribersRouteStages) {
  TdxObject printer, link;
  TdxPSBuildReportSubscriber build;
  TdxPSPrintReportSubscriber print;
  std::vector<std::string> calls;
  build.OnStartBuild = [&](TdxObject* s, TdxObject* l) { calls.push_back(s == &printer && l == &link ? "start" : "?"); };
  build.OnBuildProgress = [&](TdxObject*, TdxObject*, double p) { calls.push_back("progress " + std::to_string(int(p))); };
  build.OnEndBuild = [&](TdxObject*, TdxObject*) { calls.push_back("end"); };
  print.OnStartPrint = [&](TdxObject*, TdxObject*, int count) { calls.push_back("print " + std::to_string(count)); };
  print.OnNewPage = [&](TdxObject*, TdxObject*, int index) { calls.push_back("page " + std::to_string(index)); };
  // OnEndPrint left empty: skipped.

  Publish(std::make_unique<TdxPSBuildEvent>(&printer, 0.0, &link, dxPSStageStart));
  Publish(std::make_unique<TdxPSBuildEvent>(&printer, 50.0, &link, dxPSStageProgress));
  Publish(std::make_unique<TdxPSBuildEvent>(&printer, 100.0, &link, dxPSStageEnd));
  Publish(std::make_unique<TdxPSBuildEvent>(&printer, 100.0, &link, 9));  // unknown stage: nothing
  Publish(std::make_unique<TdxPSPrintEvent>(&printer, 3, 0, &link, dxPSStageStart));
  Publish(std::make_unique<TdxPSPrintEvent>(&printer, 3, 2, &link, dxPSStageProgress));
  Publish(std::make_unique<TdxPSPrintEvent>(&printer, 3, 2, &link, dxPSStageEnd));
  EXPECT_EQ(calls, (std::vector<std::string>{"start", "progress 50", "end", "print 3", "page 2"}));
}

TEST_F(EventSystemTest, StyleAndHeaderFooterSubscribers) {
  TdxObject sender, style, page;
  TdxStyleListChangedSubscriber styles;
  TdxPageParamsChangedSubscriber params;
  TdxHFTextEntriesChangedSubscriber entries;
  TdxHFTextEntryChooseSubscriber choose;
  std::vector<std::string> calls;
  styles.OnStyleListChanged = [&](TdxObject* s) { calls.push_back(s == &sender ? "styles" : "?"); };
  params.OnPageParamsChanged = [&](TdxObject* p, TdxObject* s, std::uint8_t codes) {
    calls.push_back(p == &page && s == &style ? "params " + std::to_string(codes) : "?");
  };
  entries.OnHFTextEntriesChanged = [&] { calls.push_back("entries"); };
  choose.OnHFTextEntryChosen = [&](TdxObject*, const std::string& entry) { calls.push_back("chosen " + entry); };

  Publish(std::make_unique<TdxSMStyleListChangedEvent>(&sender));
  Publish(std::make_unique<TdxSMPageParamsChangedEvent>(&sender, &style, std::uint8_t(127), &page));
  Publish(std::make_unique<TdxHFTextEntriesChangedEvent>(&sender));
  Publish(std::make_unique<TdxHFTextEntryChooseEvent>(&sender, "Page [Page #]"));
  EXPECT_EQ(calls, (std::vector<std::string>{"styles", "params 127", "entries", "chosen Page [Page #]"}));
}
