#include "report/EventBus.h"

#include <algorithm>

#include "platform/Application.h"
#include "report/EventSubscribers.h"

namespace {
// One running delivery. Deliveries nest when a handler publishes an event or
// runs a modal loop; the frames let a subscriber's destructor and the bus's
// finalisation tell the deliveries that they are gone.
struct DispatchFrame {
  TdxEventSubscriber* Current = nullptr;  // the subscriber whose handler runs now
  bool CurrentGone = false;
  TdxPSEventSystem* Bus = nullptr;
  bool BusGone = false;
  DispatchFrame* Outer = nullptr;
};
DispatchFrame* g_frames = nullptr;
}  // namespace

// ---------------------------------------------------------------------------
// TdxEventSubscriber

TdxEventSubscriber::TdxEventSubscriber(std::initializer_list<TdxClass> eventClasses) {
  for (TdxClass cls : eventClasses)
    if (cls && !Accepts(cls)) eventClasses_.push_back(cls);
  TdxPSEventSystem::Instance()->RegisterSubscriber(this);
}

TdxEventSubscriber::~TdxEventSubscriber() {
  for (DispatchFrame* f = g_frames; f; f = f->Outer)
    if (f->Current == this) f->CurrentGone = true;
  if (TdxPSEventSystem* bus = TdxPSEventSystem::GetInstance(0)) bus->UnregisterSubscriber(this);
  eventClasses_.clear();
}

bool TdxEventSubscriber::Accepts(TdxClass eventClass) const {
  return std::find(eventClasses_.begin(), eventClasses_.end(), eventClass) != eventClasses_.end();
}

bool TdxEventSubscriber::Registered() const {
  TdxPSEventSystem* bus = TdxPSEventSystem::GetInstance(0);
  return bus && bus->IndexOfSubscriber(this) >= 0;
}

void TdxEventSubscriber::SetRegistered(bool value) {
  if (value)
    TdxPSEventSystem::Instance()->RegisterSubscriber(this);
  else if (TdxPSEventSystem* bus = TdxPSEventSystem::GetInstance(0))
    bus->UnregisterSubscriber(this);
}

// ---------------------------------------------------------------------------
// TdxPSEventSystem

void TdxPSEventSystem::RegisterSubscriber(TdxEventSubscriber* subscriber) {
  if (subscriber && IndexOfSubscriber(subscriber) < 0) subscribers_.push_back({subscriber, nextSerial_++});
}

void TdxPSEventSystem::UnregisterSubscriber(TdxEventSubscriber* subscriber) {
  int index = IndexOfSubscriber(subscriber);
  if (index >= 0) subscribers_.erase(subscribers_.begin() + index);
}

int TdxPSEventSystem::IndexOfSubscriber(const TdxEventSubscriber* subscriber) const {
  for (std::size_t i = 0; i < subscribers_.size(); ++i)
    if (subscribers_[i].Subscriber == subscriber) return int(i);
  return -1;
}

bool TdxPSEventSystem::HasEntry(const Entry& entry) const {
  for (const Entry& e : subscribers_)
    if (e.Subscriber == entry.Subscriber && e.Serial == entry.Serial) return true;
  return false;
}

void TdxPSEventSystem::RegisterEventClass(TdxClass eventClass) {
  if (eventClass && std::find(eventClasses_.begin(), eventClasses_.end(), eventClass) == eventClasses_.end())
    eventClasses_.push_back(eventClass);
}

void TdxPSEventSystem::UnregisterEventClass(TdxClass eventClass) {
  eventClasses_.erase(std::remove(eventClasses_.begin(), eventClasses_.end(), eventClass), eventClasses_.end());
}

void TdxPSEventSystem::FinalizeInstance() {
  for (DispatchFrame* f = g_frames; f; f = f->Outer)
    if (f->Bus == this) f->BusGone = true;
  subscribers_.clear();
  eventClasses_.clear();
}

void TdxPSEventSystem::ProcessEvent(std::unique_ptr<TdxEvent> event) {
  if (!event || !event->Raised) return;
  RegisterEventClass(event->ClassType());

  DispatchFrame frame;
  frame.Bus = this;
  frame.Outer = g_frames;
  g_frames = &frame;
  struct PopFrame {
    DispatchFrame* frame;
    ~PopFrame() { g_frames = frame->Outer; }
  } pop{&frame};

  // The subscribers registered now, in order of registration. Each is checked
  // again before its turn: one removed or destroyed meanwhile is skipped.
  const std::vector<Entry> visit = subscribers_;
  for (const Entry& entry : visit) {
    if (frame.BusGone) break;  // a handler released the bus
    if (!HasEntry(entry)) continue;
    TdxEventSubscriber* subscriber = entry.Subscriber;
    if (!subscriber->Enabled || !subscriber->Accepts(event->ClassType())) continue;

    TdxEvent* outerActive = subscriber->activeEvent_;
    subscriber->activeEvent_ = event.get();
    frame.Current = subscriber;
    frame.CurrentGone = false;
    try {
      subscriber->ProcessEvent();
    } catch (const std::exception& e) {
      Application::ShowException(e);
    } catch (...) {
      Application::ShowException(Exception("Unknown error in an event handler"));
    }
    if (!frame.CurrentGone) subscriber->activeEvent_ = outerActive;
    frame.Current = nullptr;
    if (event->Stop) break;
  }
}

TdxPSEventSystem* dxPSEventSystem() { return TdxPSEventSystem::Instance(); }

// ---------------------------------------------------------------------------
// Handler subscribers

void TdxPSBuildReportSubscriber::ProcessEvent() {
  auto* e = dynamic_cast<TdxPSBuildEvent*>(ActiveEvent());
  if (!e) return;
  switch (e->Stage) {
    case dxPSStageStart:
      if (OnStartBuild) OnStartBuild(e->Sender, e->ReportLink);
      break;
    case dxPSStageProgress:
      if (OnBuildProgress) OnBuildProgress(e->Sender, e->ReportLink, e->PercentDone);
      break;
    case dxPSStageEnd:
      if (OnEndBuild) OnEndBuild(e->Sender, e->ReportLink);
      break;
    default:
      break;
  }
}

void TdxPSPrintReportSubscriber::ProcessEvent() {
  auto* e = dynamic_cast<TdxPSPrintEvent*>(ActiveEvent());
  if (!e) return;
  switch (e->Stage) {
    case dxPSStageStart:
      if (OnStartPrint) OnStartPrint(e->Sender, e->ReportLink, e->PageCount);
      break;
    case dxPSStageProgress:
      if (OnNewPage) OnNewPage(e->Sender, e->ReportLink, e->PageIndex);
      break;
    case dxPSStageEnd:
      if (OnEndPrint) OnEndPrint(e->Sender, e->ReportLink);
      break;
    default:
      break;
  }
}

void TdxStyleListChangedSubscriber::ProcessEvent() {
  auto* e = dynamic_cast<TdxSMStyleListChangedEvent*>(ActiveEvent());
  if (e && OnStyleListChanged) OnStyleListChanged(e->Sender);
}

void TdxPageParamsChangedSubscriber::ProcessEvent() {
  auto* e = dynamic_cast<TdxSMPageParamsChangedEvent*>(ActiveEvent());
  if (e && OnPageParamsChanged) OnPageParamsChanged(e->PrinterPage, e->PrintStyle, e->UpdateCodes);
}

void TdxHFTextEntriesChangedSubscriber::ProcessEvent() {
  auto* e = dynamic_cast<TdxHFTextEntriesChangedEvent*>(ActiveEvent());
  if (e && OnHFTextEntriesChanged) OnHFTextEntriesChanged();
}

void TdxHFTextEntryChooseSubscriber::ProcessEvent() {
  auto* e = dynamic_cast<TdxHFTextEntryChooseEvent*>(ActiveEvent());
  if (e && OnHFTextEntryChosen) OnHFTextEntryChosen(e->Sender, e->Entry);
}
