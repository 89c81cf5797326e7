// The producers of the container report link for containers.
#include "engine/ContainerProducers.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>
#include <map>

#include "engine/ComponentPrinter.h"
#include "layout/ReportRenderer.h"
#include "platform/Canvas.h"
#include "platform/MetafileRecorder.h"
#include "report/ShapeItems.h"
#include "engine/ContainerReportLinkHelpers.h"

using namespace ContainerReportLinkHelpers;

// ---- Containers ------------------------------------------------------------------

void TdxPSCustomContainerProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerCustomWinControlProducer::InitializeItem(item);
  const TdxCustomContainerReportLink& link = *ReportLink();
  if (IsRoot()) {
    item.SetCellSides(link.OptionsRefinements().RootBorders() ? dxFormatSides : 0);
    item.SetTransparent(link.OptionsTransparent().Root());
  } else {
    item.SetTransparent(link.OptionsTransparent().Containers());
  }
}

namespace {
// The extent of the items in host other than own.
TSize ChildrenExtent(const TdxReportCell* host, const TdxReportItem* own) {
  TSize extent;
  if (!host) return extent;
  auto take = [&](const TdxReportVisualItem* item) {
    if (item == own) return;
    extent.cx = std::max(extent.cx, item->BoundsRect().Right);
    extent.cy = std::max(extent.cy, item->BoundsRect().Bottom);
  };
  for (int i = 0; i < host->CellCount(); ++i) take(host->Cells(i));
  for (int i = 0; i < host->DataItemCount(); ++i) take(host->DataItems(i));
  return extent;
}
}  // namespace

int TdxPSCustomContainerProducer::MeasureContentHeight(TdxPSCustomContainerItemDefinition& definition, TCanvas&) {
  return ChildrenExtent(dynamic_cast<TdxReportCell*>(definition.OptionsPlaceItem()), definition.ReportItem()).cy;
}

int TdxPSCustomContainerProducer::MeasureContentWidth(TdxPSCustomContainerItemDefinition& definition, TCanvas&) {
  return ChildrenExtent(dynamic_cast<TdxReportCell*>(definition.OptionsPlaceItem()), definition.ReportItem()).cx;
}

void TdxPSCustomPanelProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomContainerProducer::InitializeItem(item);
  auto& text = dynamic_cast<TdxReportCellString&>(item);
  text.SetText(ControlText());
  text.SetTextAlignX(taCenterX);
  text.SetTextAlignY(taCenterY);
}

void TdxPSCustomGroupBoxProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomContainerProducer::InitializeItem(item);
  auto& group = dynamic_cast<TdxReportGroup&>(item);
  group.Caption = ControlText();
  group.SetShowCaption(!group.Caption.empty());
}

bool TdxPSCustomRadioGroupProducer::IsChildAccepted(QWidget* child) const {
  // The radio buttons are the group's own buttons.
  return !qobject_cast<QRadioButton*>(child) && TdxPSCustomGroupBoxProducer::IsChildAccepted(child);
}

void TdxPSCustomRadioGroupProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomGroupBoxProducer::InitializeItem(item);
  auto& group = dynamic_cast<TdxReportRadioGroup&>(item);
  group.SetCheckPos(ccpLeft);  // the buttons show their captions
  int checked = -1;
  for (QWidget* child : dxControlChildren(ProducingObject())) {
    auto* button = qobject_cast<QRadioButton*>(child);
    if (!button) continue;
    if (button->isChecked()) checked = group.ButtonCount();
    group.Add(dxControlText(button));
  }
  bool ok = false;
  int columns = ProducingObject()->property("Columns").toInt(&ok);
  if (ok) group.SetColumnCount(columns);
  group.SetItemIndex(checked);
}

void TdxPSRootContainerProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomContainerProducer::InitializeItem(item);
  item.SetLeft(0);
  item.SetTop(0);
}

bool TdxPSPageControlProducer::IsChildAccepted(QWidget* child) const {
  return child && child == dxControlActivePage(ProducingObject());
}
std::shared_ptr<IdxPSContainerIterator> TdxPSPageControlProducer::Iterator() const {
  return std::make_shared<TdxPSPageControlIterator>(ProducingObject());
}

bool TdxPSNotebookProducer::IsChildAccepted(QWidget* child) const {
  return child && child == dxControlActivePage(ProducingObject());
}
std::shared_ptr<IdxPSContainerIterator> TdxPSNotebookProducer::Iterator() const {
  return std::make_shared<TdxPSNotebookIterator>(ProducingObject());
}

bool TdxPSTabbedNotebookProducer::IsChildAccepted(QWidget* child) const {
  return child && child == dxControlActivePage(ProducingObject());
}
std::shared_ptr<IdxPSContainerIterator> TdxPSTabbedNotebookProducer::Iterator() const {
  return std::make_shared<TdxPSTabbedNotebookIterator>(ProducingObject());
}

void TdxPSScrollingWinControlProducer::InitializeHost(TdxReportCell& host) {
  TdxPSRootContainerProducer::InitializeHost(host);
  TSize range = dxControlScrollRange(ProducingObject());
  if (host.Height() < range.cy) host.SetHeight(range.cy);
  if (host.Width() < range.cx) host.SetWidth(range.cx);
}
