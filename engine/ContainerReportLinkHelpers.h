// Helpers shared by the pieces of the container report link
// (ContainerReportLink.cpp and the producer files): the screen resolution,
// the links being embedded right now and the metafile picture of a control.
// Internal to the link.
#pragma once

#include <QWidget>
#include <map>

#include "engine/ContainerReportLink.h"

namespace ContainerReportLinkHelpers {

int ScreenPixelsPerInch();

// The links being embedded right now, with the container link that embeds
// each.
std::map<const TBasedxReportLink*, TdxCustomContainerReportLink*>& AggregationMap();

class AggregationScope {
 public:
  AggregationScope(const TBasedxReportLink* link, TdxCustomContainerReportLink* owner) : link_(link) {
    AggregationMap()[link] = owner;
  }
  ~AggregationScope() { AggregationMap().erase(link_); }
  AggregationScope(const AggregationScope&) = delete;
  AggregationScope& operator=(const AggregationScope&) = delete;

 private:
  const TBasedxReportLink* link_;
};

void InitializeMetafileItem(QWidget* control, TdxReportVisualItem& item);

}  // namespace ContainerReportLinkHelpers
