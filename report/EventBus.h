// The engine's event bus: notifications (report built, page printed, print
// styles changed, page parameters changed, header and footer text entries
// changed) go from the object that raises them to every subscriber that
// accepts that exact kind of notification.
//
//   dxPSEventSystem()->ProcessEvent(
//       std::make_unique<TdxPSBuildEvent>(printer, 0.0, link, dxPSStageStart));
//
// Subscribers are owned by whoever creates them and register themselves with
// the bus; a subscriber removed or destroyed while an event is being
// delivered is skipped and never touched again.
//
// The subscribers that hand each kind of event to handler slots are in
// report/EventSubscribers.h.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "report/ClassInfo.h"
#include "report/Singletons.h"

// Stages of build and print events.
inline constexpr std::uint8_t dxPSStageStart = 0;
inline constexpr std::uint8_t dxPSStageProgress = 1;  // build: progress; print: new page
inline constexpr std::uint8_t dxPSStageEnd = 2;

// One notification. It lives for one ProcessEvent call.
class TdxEvent : public TdxObject {
  DX_CLASS(TdxEvent, TdxObject)

 public:
  explicit TdxEvent(TdxObject* sender) : Sender(sender), Raised(true) {}
  TdxEvent(const TdxEvent&) = delete;
  TdxEvent& operator=(const TdxEvent&) = delete;

  TdxObject* Sender;
  bool Stop = false;  // a handler that sets it ends the delivery of this event
  bool Raised;        // only events made by their constructor are delivered
};

class TdxComponentPrinterEvent : public TdxEvent {
  DX_CLASS(TdxComponentPrinterEvent, TdxEvent)

 public:
  using TdxEvent::TdxEvent;
};

class TdxPSBuildEvent : public TdxComponentPrinterEvent {
  DX_CLASS(TdxPSBuildEvent, TdxComponentPrinterEvent)

 public:
  TdxPSBuildEvent(TdxObject* sender, double percentDone, TdxObject* reportLink, std::uint8_t stage)
      : TdxComponentPrinterEvent(sender), PercentDone(percentDone), ReportLink(reportLink), Stage(stage) {}
  double PercentDone;
  TdxObject* ReportLink;
  std::uint8_t Stage;  // dxPSStageStart, dxPSStageProgress, dxPSStageEnd
};

class TdxPSPrintEvent : public TdxComponentPrinterEvent {
  DX_CLASS(TdxPSPrintEvent, TdxComponentPrinterEvent)

 public:
  TdxPSPrintEvent(TdxObject* sender, int pageCount, int pageIndex, TdxObject* reportLink, std::uint8_t stage)
      : TdxComponentPrinterEvent(sender),
        PageCount(pageCount),
        PageIndex(pageIndex),
        ReportLink(reportLink),
        Stage(stage) {}
  int PageCount;
  int PageIndex;
  TdxObject* ReportLink;
  std::uint8_t Stage;  // dxPSStageStart, dxPSStageProgress (new page), dxPSStageEnd
};

class TdxSMStyleListChangedEvent : public TdxEvent {
  DX_CLASS(TdxSMStyleListChangedEvent, TdxEvent)

 public:
  using TdxEvent::TdxEvent;
};

class TdxSMPageParamsChangedEvent : public TdxEvent {
  DX_CLASS(TdxSMPageParamsChangedEvent, TdxEvent)

 public:
  // The raiser passes the print style's printer page along, so that
  // subscribers need not know the print style class.
  TdxSMPageParamsChangedEvent(TdxObject* sender, TdxObject* printStyle, std::uint8_t updateCodes,
                              TdxObject* printerPage = nullptr)
      : TdxEvent(sender), PrintStyle(printStyle), UpdateCodes(updateCodes), PrinterPage(printerPage) {}
  TdxObject* PrintStyle;
  std::uint8_t UpdateCodes;  // bit set of the changed page parameters
  TdxObject* PrinterPage;
};

class TdxHFTextEntriesChangedEvent : public TdxEvent {
  DX_CLASS(TdxHFTextEntriesChangedEvent, TdxEvent)

 public:
  using TdxEvent::TdxEvent;
};

class TdxHFTextEntryChooseEvent : public TdxEvent {
  DX_CLASS(TdxHFTextEntryChooseEvent, TdxEvent)

 public:
  TdxHFTextEntryChooseEvent(TdxObject* sender, std::string entry) : TdxEvent(sender), Entry(std::move(entry)) {}
  std::string Entry;
};

// Receives the events of the classes it accepts (exact classes: a subclass of
// an accepted class is not accepted). Registers itself with the bus when
// created and leaves it when destroyed.
class TdxEventSubscriber {
 public:
  explicit TdxEventSubscriber(std::initializer_list<TdxClass> eventClasses);
  virtual ~TdxEventSubscriber();
  TdxEventSubscriber(const TdxEventSubscriber&) = delete;
  TdxEventSubscriber& operator=(const TdxEventSubscriber&) = delete;

  // The event being delivered; set only for the duration of one delivery.
  TdxEvent* ActiveEvent() const { return activeEvent_; }
  bool Enabled = true;
  const std::vector<TdxClass>& EventClasses() const { return eventClasses_; }
  bool Accepts(TdxClass eventClass) const;
  // Whether the bus delivers to this subscriber; switching it registers or
  // unregisters.
  bool Registered() const;
  void SetRegistered(bool value);

 protected:
  // Handles ActiveEvent().
  virtual void ProcessEvent() = 0;

 private:
  friend class TdxPSEventSystem;
  std::vector<TdxClass> eventClasses_;
  TdxEvent* activeEvent_ = nullptr;
};

class TdxPSEventSystem : public TBasedxPSSingleton {
  DX_SINGLETON(TdxPSEventSystem, TBasedxPSSingleton)

 public:
  // Publishes the event: each subscriber registered at this moment that is
  // enabled and accepts the event's exact class gets it, in order of
  // registration, until a handler sets Stop. A handler's failure is shown by
  // the application's error handler and the delivery goes on. The event is
  // destroyed when the call returns.
  void ProcessEvent(std::unique_ptr<TdxEvent> event);

  // Twice registering or removing an absent subscriber has no effect.
  void RegisterSubscriber(TdxEventSubscriber* subscriber);
  void UnregisterSubscriber(TdxEventSubscriber* subscriber);
  int IndexOfSubscriber(const TdxEventSubscriber* subscriber) const;
  int SubscriberCount() const { return int(subscribers_.size()); }

  // The classes of the events raised so far (each once).
  void RegisterEventClass(TdxClass eventClass);
  void UnregisterEventClass(TdxClass eventClass);
  const std::vector<TdxClass>& EventClasses() const { return eventClasses_; }

 protected:
  // Removes every entry; subscribers are not destroyed.
  void FinalizeInstance() override;

 private:
  struct Entry {
    TdxEventSubscriber* Subscriber;
    std::uint64_t Serial;  // tells a new subscriber from a destroyed one at the same address
  };
  bool HasEntry(const Entry& entry) const;
  std::vector<Entry> subscribers_;
  std::vector<TdxClass> eventClasses_;
  std::uint64_t nextSerial_ = 1;
};

TdxPSEventSystem* dxPSEventSystem();
