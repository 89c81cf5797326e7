// The producers of the container report link for windowed controls: the
// control's text, the metafile picture of a control with its children, date
// pickers, hot keys, static texts, edits and memos, combo boxes, check boxes
// and radio buttons.
#pragma once

#include "engine/ControlProducers.h"
#include "report/CheckItems.h"

// Windowed controls: the host is a TdxReportWinControlHost; the item fills
// it from its origin, sunken (Ctl3D) or ultra-flat sides.
class TdxPSContainerCustomWinControlProducer : public TdxPSContainerControlProducer {
  DX_CLASS(TdxPSContainerCustomWinControlProducer, TdxPSContainerControlProducer)

 public:
  static TdxClass ControlClass() { return &TWinControlClass; }
  static TdxClass DefinitionClass() { return TdxPSContainerWinControlDefinition::StaticClass(); }
  TdxClass HostClass() const override { return TdxReportWinControlHost::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

// The control's text.
class TdxPSContainerWinControlProducer : public TdxPSContainerCustomWinControlProducer {
  DX_CLASS(TdxPSContainerWinControlProducer, TdxPSContainerCustomWinControlProducer)

 public:
  TdxClass ItemClass() const override { return TdxReportCellString::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

// Substitute for TdxPSContainerWinControlProducer: a picture of the control
// and its children.
class TdxPSWinControlAsMetafileProducer : public TdxPSContainerCustomWinControlProducer {
  DX_CLASS(TdxPSWinControlAsMetafileProducer, TdxPSContainerCustomWinControlProducer)

 public:
  static TdxClass HelpedProducerClass() { return TdxPSContainerWinControlProducer::StaticClass(); }
  static TdxCustomClassMaps* PairFactory();
  TdxClass ItemClass() const override { return TdxReportCellGraphic::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

// A check item when the picker shows a check box (dynamic properties
// "ShowCheckbox" and "Checked"), else a string item.
class TdxPSDateTimePickerProducer : public TdxPSContainerWinControlProducer {
  DX_CLASS(TdxPSDateTimePickerProducer, TdxPSContainerWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TDateTimePickerClass; }
  TdxClass ItemClass() const override;
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSCustomHotKeyProducer : public TdxPSContainerWinControlProducer {
  DX_CLASS(TdxPSCustomHotKeyProducer, TdxPSContainerWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TCustomHotKeyClass; }
};

// Sides by the border style: a QFrame with a frame has all four.
class TdxPSCustomStaticTextProducer : public TdxPSContainerWinControlProducer {
  DX_CLASS(TdxPSCustomStaticTextProducer, TdxPSContainerWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TCustomStaticTextClass; }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSCustomEditProducer : public TdxPSContainerWinControlProducer {
  DX_CLASS(TdxPSCustomEditProducer, TdxPSContainerWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TCustomEditClass; }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSCustomMemoProducer : public TdxPSCustomEditProducer {
  DX_CLASS(TdxPSCustomMemoProducer, TdxPSCustomEditProducer)

 public:
  static TdxClass ControlClass() { return &TCustomMemoClass; }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSCustomComboBoxProducer : public TdxPSContainerWinControlProducer {
  DX_CLASS(TdxPSCustomComboBoxProducer, TdxPSContainerWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TCustomComboBoxClass; }
  void InitializeItem(TdxReportVisualItem& item) override;
};

// The selected item's text and icon.
class TdxPSCustomComboBoxExProducer : public TdxPSCustomComboBoxProducer {
  DX_CLASS(TdxPSCustomComboBoxExProducer, TdxPSCustomComboBoxProducer)

 public:
  static TdxClass ControlClass() { return &TCustomComboBoxExClass; }
  TdxClass ItemClass() const override { return TdxReportCellImage::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSCustomCheckBoxProducer : public TdxPSContainerWinControlProducer {
  DX_CLASS(TdxPSCustomCheckBoxProducer, TdxPSContainerWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TCustomCheckBoxClass; }
  TdxClass ItemClass() const override { return TdxReportCellCheck::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSRadioButtonProducer : public TdxPSContainerWinControlProducer {
  DX_CLASS(TdxPSRadioButtonProducer, TdxPSContainerWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TRadioButtonClass; }
  TdxClass ItemClass() const override { return TdxReportCellRadio::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};
