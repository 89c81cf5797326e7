// The item definitions of the container report link: initialisation and the
// page-break positions of each kind of item.
#include "engine/ContainerItemDefinitions.h"

#include "engine/ContainerReportLink.h"

TdxPSCustomContainerItemDefinition::TdxPSCustomContainerItemDefinition()
    : optionsPlace_(std::make_unique<TdxCustomContainerReportLinkOptionsItemPlace>()) {}

TdxPSCustomContainerItemDefinition::~TdxPSCustomContainerItemDefinition() = default;

void TdxPSCustomContainerItemDefinition::Initialize(TdxCustomContainerReportLink* link, QWidget* component,
                                                    TdxReportVisualItem* item) {
  link_ = link;
  component_ = component;
  item_ = item;
  optionsPlace_ = std::make_unique<TdxCustomContainerReportLinkOptionsItemPlace>(link);
}

const TdxCustomContainerReportLinkOptionsPagination& TdxPSCustomContainerItemDefinition::OptionsPagination() const {
  static const TdxCustomContainerReportLinkOptionsPagination defaults;
  return link_ ? link_->OptionsPagination() : defaults;
}

void TdxPSContainerControlDefinition::AddDelimitersHorz(std::vector<int>& list) {
  if (!ReportItem() || !OptionsPagination().Controls()) return;
  TRect r = ReportItem()->AbsoluteRect();
  list.push_back(r.Left);
  list.push_back(r.Right);
}

void TdxPSContainerControlDefinition::AddDelimitersVert(std::vector<int>& list) {
  if (!ReportItem() || !OptionsPagination().Controls()) return;
  TRect r = ReportItem()->AbsoluteRect();
  list.push_back(r.Top);
  list.push_back(r.Bottom);
}

TdxReportVisualItem* TdxPSContainerWinControlDefinition::SizeChangeItem() const {
  return ReportItem() && ReportItem()->Parent() ? ReportItem()->Parent() : ReportItem();
}

TdxReportVisualItem* TdxPSContainerDefinition::OptionsPlaceItem() const { return SizeChangeItem(); }

void TdxPSNativePrintableControlDefinition::AddDelimitersHorz(std::vector<int>& list) {
  TdxPSContainerControlDefinition::AddDelimitersHorz(list);
  if (!ReportItem() || !OptionsPagination().ControlDetails()) return;
  int origin = ReportItem()->AbsoluteOrigin().X;
  for (int x : DelimitersHorz) list.push_back(origin + x);
}

void TdxPSNativePrintableControlDefinition::AddDelimitersVert(std::vector<int>& list) {
  TdxPSContainerControlDefinition::AddDelimitersVert(list);
  if (!ReportItem() || !OptionsPagination().ControlDetails()) return;
  int origin = ReportItem()->AbsoluteOrigin().Y;
  for (int y : DelimitersVert) list.push_back(origin + y);
}
