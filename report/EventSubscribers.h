// The typed subscribers of the event bus: each accepts one kind of event
// (report built, page printed, print styles changed, page parameters
// changed, header and footer text entries changed or chosen) and hands it to
// its handler slots. An empty slot is skipped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "report/EventBus.h"

class TdxPSBuildReportSubscriber : public TdxEventSubscriber {
 public:
  TdxPSBuildReportSubscriber() : TdxEventSubscriber({TdxPSBuildEvent::StaticClass()}) {}
  std::function<void(TdxObject* sender, TdxObject* reportLink)> OnEndBuild;
  std::function<void(TdxObject* sender, TdxObject* reportLink, double percentDone)> OnBuildProgress;
  std::function<void(TdxObject* sender, TdxObject* reportLink)> OnStartBuild;

 protected:
  void ProcessEvent() override;
};

class TdxPSPrintReportSubscriber : public TdxEventSubscriber {
 public:
  TdxPSPrintReportSubscriber() : TdxEventSubscriber({TdxPSPrintEvent::StaticClass()}) {}
  std::function<void(TdxObject* sender, TdxObject* reportLink)> OnEndPrint;
  std::function<void(TdxObject* sender, TdxObject* reportLink, int pageIndex)> OnNewPage;
  std::function<void(TdxObject* sender, TdxObject* reportLink, int pageCount)> OnStartPrint;

 protected:
  void ProcessEvent() override;
};

class TdxStyleListChangedSubscriber : public TdxEventSubscriber {
 public:
  TdxStyleListChangedSubscriber() : TdxEventSubscriber({TdxSMStyleListChangedEvent::StaticClass()}) {}
  std::function<void(TdxObject* sender)> OnStyleListChanged;

 protected:
  void ProcessEvent() override;
};

class TdxPageParamsChangedSubscriber : public TdxEventSubscriber {
 public:
  TdxPageParamsChangedSubscriber() : TdxEventSubscriber({TdxSMPageParamsChangedEvent::StaticClass()}) {}
  std::function<void(TdxObject* printerPage, TdxObject* printStyle, std::uint8_t updateCodes)> OnPageParamsChanged;

 protected:
  void ProcessEvent() override;
};

class TdxHFTextEntriesChangedSubscriber : public TdxEventSubscriber {
 public:
  TdxHFTextEntriesChangedSubscriber() : TdxEventSubscriber({TdxHFTextEntriesChangedEvent::StaticClass()}) {}
  std::function<void()> OnHFTextEntriesChanged;

 protected:
  void ProcessEvent() override;
};

class TdxHFTextEntryChooseSubscriber : public TdxEventSubscriber {
 public:
  TdxHFTextEntryChooseSubscriber() : TdxEventSubscriber({TdxHFTextEntryChooseEvent::StaticClass()}) {}
  std::function<void(TdxObject* sender, const std::string& entry)> OnHFTextEntryChosen;

 protected:
  void ProcessEvent() override;
};
