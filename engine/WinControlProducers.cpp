// The producers of the container report link for windowed controls.
#include "engine/WinControlProducers.h"

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

TdxCustomClassMaps* TdxPSWinControlAsMetafileProducer::PairFactory() {
  return TdxPSProducerHelperFactory::Instance();
}
void TdxPSContainerCustomWinControlProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerControlProducer::InitializeItem(item);
  item.SetLeft(0);
  item.SetTop(0);
  if (dxControlCtl3D(ProducingObject()))
    item.SetBorderClass(TdxPSCellSunkenBorder::StaticClass());
  else
    item.SetBorderClass(TdxPSCellUltraFlatBorder::StaticClass());
}

void TdxPSContainerWinControlProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerCustomWinControlProducer::InitializeItem(item);
  if (auto* text = dynamic_cast<TdxReportCellText*>(&item)) {
    text->SetText(ControlText());
    text->SetTextAlignY(taCenterY);
  }
}

void TdxPSWinControlAsMetafileProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerCustomWinControlProducer::InitializeItem(item);
  InitializeMetafileItem(ProducingObject(), item);
}

TdxClass TdxPSDateTimePickerProducer::ItemClass() const {
  QWidget* w = ProducingObject();
  return w && w->property("ShowCheckbox").toBool() ? TdxReportCellCheck::StaticClass()
                                                   : TdxReportCellString::StaticClass();
}

void TdxPSDateTimePickerProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerWinControlProducer::InitializeItem(item);
  if (auto* check = dynamic_cast<TdxReportCellCheck*>(&item)) {
    check->SetChecked(ProducingObject()->property("Checked").toBool());
    check->SetEnabled(dxControlEnabled(ProducingObject()));
  }
}

void TdxPSCustomStaticTextProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerWinControlProducer::InitializeItem(item);
  auto* frame = qobject_cast<QFrame*>(ProducingObject());
  item.SetCellSides(frame && frame->frameShape() != QFrame::NoFrame ? dxFormatSides : 0);
}

void TdxPSCustomEditProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerWinControlProducer::InitializeItem(item);
  if (auto* text = dynamic_cast<TdxReportCellText*>(&item)) text->SetEndEllipsis(true);
}

void TdxPSCustomMemoProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomEditProducer::InitializeItem(item);
  if (auto* text = dynamic_cast<TdxReportCellText*>(&item)) {
    text->SetEndEllipsis(false);
    text->SetMultiline(true);
    text->SetTextAlignY(taTop);
  }
}

void TdxPSCustomComboBoxProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerWinControlProducer::InitializeItem(item);
  if (auto* text = dynamic_cast<TdxReportCellText*>(&item)) text->SetEndEllipsis(true);
}

void TdxPSCustomComboBoxExProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomComboBoxProducer::InitializeItem(item);
  auto* image = dynamic_cast<TdxReportCellImage*>(&item);
  auto* combo = qobject_cast<QComboBox*>(ProducingObject());
  if (!image || !combo || combo->currentIndex() < 0) return;
  QIcon icon = combo->itemIcon(combo->currentIndex());
  if (icon.isNull()) return;
  QSize size = combo->iconSize();
  TBitmap bitmap;
  bitmap.SetImage(icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32));
  image->SetImage(&bitmap);
  image->SetImagePosition(ipCenterLeft);
}

void TdxPSCustomCheckBoxProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerWinControlProducer::InitializeItem(item);
  item.SetCellSides(0);
  auto& check = dynamic_cast<TdxReportCellCheck&>(item);
  auto* box = qobject_cast<QCheckBox*>(ProducingObject());
  check.SetChecked(box ? box->checkState() != Qt::Unchecked : false);
  check.SetEnabled(dxControlEnabled(ProducingObject()));
}

void TdxPSRadioButtonProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerWinControlProducer::InitializeItem(item);
  auto& radio = dynamic_cast<TdxReportCellCheck&>(item);
  auto* button = qobject_cast<QAbstractButton*>(ProducingObject());
  radio.SetChecked(button && button->isChecked());
  radio.SetEnabled(dxControlEnabled(ProducingObject()));
}
