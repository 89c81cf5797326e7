// The item definitions of the container report link: one per produced item,
// with its control, its place options and its page-break positions (for a
// control, a windowed control, a container and an embedded report).
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "engine/ContainerReportLinkOptions.h"
#include "engine/ReportLink.h"
#include "report/DataItems.h"

class TdxCustomContainerReportLink;

// One produced item: its control, its place options and its page-break
// positions.
class TdxPSCustomContainerItemDefinition : public TdxObject {
  DX_CLASS(TdxPSCustomContainerItemDefinition, TdxObject)

 public:
  TdxPSCustomContainerItemDefinition();
  ~TdxPSCustomContainerItemDefinition() override;
  TdxPSCustomContainerItemDefinition(const TdxPSCustomContainerItemDefinition&) = delete;
  TdxPSCustomContainerItemDefinition& operator=(const TdxPSCustomContainerItemDefinition&) = delete;

  void Initialize(TdxCustomContainerReportLink* link, QWidget* component, TdxReportVisualItem* item);

  // Break positions in absolute report coordinates (the base adds none).
  virtual void AddDelimitersHorz(std::vector<int>& list) {}
  virtual void AddDelimitersVert(std::vector<int>& list) {}
  // The item whose size the place options change (the base: the item).
  virtual TdxReportVisualItem* SizeChangeItem() const { return item_; }
  // The item whose content the place options measure (the base: the item).
  virtual TdxReportVisualItem* OptionsPlaceItem() const { return item_; }
  const TdxCustomContainerReportLinkOptionsPagination& OptionsPagination() const;

  TdxCustomContainerReportLink* ReportLink() const { return link_; }
  QWidget* Component() const { return component_; }
  TdxReportVisualItem* ReportItem() const { return item_; }
  TdxCustomContainerReportLinkOptionsItemPlace& OptionsPlace() { return *optionsPlace_; }

 private:
  TdxCustomContainerReportLink* link_ = nullptr;
  QPointer<QWidget> component_;
  TdxReportVisualItem* item_ = nullptr;
  std::unique_ptr<TdxCustomContainerReportLinkOptionsItemPlace> optionsPlace_;
};

// A control's item: with OptionsPagination.Controls its absolute left and
// right edges and top and bottom edges are break positions.
class TdxPSContainerControlDefinition : public TdxPSCustomContainerItemDefinition {
  DX_CLASS(TdxPSContainerControlDefinition, TdxPSCustomContainerItemDefinition)

 public:
  void AddDelimitersHorz(std::vector<int>& list) override;
  void AddDelimitersVert(std::vector<int>& list) override;
};

// A windowed control's item: its size changes with its host.
class TdxPSContainerWinControlDefinition : public TdxPSContainerControlDefinition {
  DX_CLASS(TdxPSContainerWinControlDefinition, TdxPSContainerControlDefinition)

 public:
  TdxReportVisualItem* SizeChangeItem() const override;
};

// A container's item: the host is measured and resized.
class TdxPSContainerDefinition : public TdxPSContainerWinControlDefinition {
  DX_CLASS(TdxPSContainerDefinition, TdxPSContainerWinControlDefinition)

 public:
  TdxReportVisualItem* OptionsPlaceItem() const override;
};

// An embedded report: keeps its break positions (moved to the control's
// place within the root) and its size.
class TdxPSNativePrintableControlDefinition : public TdxPSContainerControlDefinition {
  DX_CLASS(TdxPSNativePrintableControlDefinition, TdxPSContainerControlDefinition)

 public:
  void AddDelimitersHorz(std::vector<int>& list) override;
  void AddDelimitersVert(std::vector<int>& list) override;

  std::vector<int> DelimitersHorz;
  std::vector<int> DelimitersVert;
  TSize ReportSize;
};
