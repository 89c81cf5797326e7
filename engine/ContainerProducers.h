// The producers of the container report link for containers: panels, group
// boxes and radio groups, the root container, tab controls and sheets, page
// controls, notebooks and their pages, scrolling controls, frames and forms.
// The children of a container are produced into its host.
#pragma once

#include "engine/WinControlProducers.h"
#include "report/CheckItems.h"

// Containers: the item is the background; the children are produced into
// the host.
class TdxPSCustomContainerProducer : public TdxPSContainerCustomWinControlProducer {
  DX_CLASS(TdxPSCustomContainerProducer, TdxPSContainerCustomWinControlProducer)

 public:
  static bool CanHaveChildren() { return true; }
  static TdxClass DefinitionClass() { return TdxPSContainerDefinition::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
  // The extent of the host's children.
  int MeasureContentHeight(TdxPSCustomContainerItemDefinition& definition, TCanvas& dc) override;
  int MeasureContentWidth(TdxPSCustomContainerItemDefinition& definition, TCanvas& dc) override;
};

class TdxPSCustomPanelProducer : public TdxPSCustomContainerProducer {
  DX_CLASS(TdxPSCustomPanelProducer, TdxPSCustomContainerProducer)

 public:
  static TdxClass ControlClass() { return &TCustomPanelClass; }
  TdxClass ItemClass() const override { return TdxReportCellString::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSCustomGroupBoxProducer : public TdxPSCustomContainerProducer {
  DX_CLASS(TdxPSCustomGroupBoxProducer, TdxPSCustomContainerProducer)

 public:
  static TdxClass ControlClass() { return &TCustomGroupBoxClass; }
  TdxClass ItemClass() const override { return TdxReportGroup::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

// A group box that counts as a radio group: its radio buttons are the
// group's buttons (and no children of their own).
class TdxPSCustomRadioGroupProducer : public TdxPSCustomGroupBoxProducer {
  DX_CLASS(TdxPSCustomRadioGroupProducer, TdxPSCustomGroupBoxProducer)

 public:
  static TdxClass ControlClass() { return &TCustomRadioGroupClass; }
  TdxClass ItemClass() const override { return TdxReportRadioGroup::StaticClass(); }
  bool IsChildAccepted(QWidget* child) const override;
  void InitializeItem(TdxReportVisualItem& item) override;
};

// The root of a report: the item is placed at the host's origin.
class TdxPSRootContainerProducer : public TdxPSCustomContainerProducer {
  DX_CLASS(TdxPSRootContainerProducer, TdxPSCustomContainerProducer)

 public:
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSTabControlProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSTabControlProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TTabControlClass; }
};

class TdxPSTabSheetProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSTabSheetProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TTabSheetClass; }
};

// Only the active page.
class TdxPSPageControlProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSPageControlProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TPageControlClass; }
  bool IsChildAccepted(QWidget* child) const override;
  std::shared_ptr<IdxPSContainerIterator> Iterator() const override;
};

class TdxPSNotebookPageProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSNotebookPageProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TPageClass; }
};

// Only the page at the page index.
class TdxPSNotebookProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSNotebookProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TNotebookClass; }
  bool IsChildAccepted(QWidget* child) const override;
  std::shared_ptr<IdxPSContainerIterator> Iterator() const override;
};

class TdxPSTabbedNotebookPageProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSTabbedNotebookPageProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TTabPageClass; }
};

class TdxPSTabbedNotebookProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSTabbedNotebookProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TTabbedNotebookClass; }
  bool IsChildAccepted(QWidget* child) const override;
  std::shared_ptr<IdxPSContainerIterator> Iterator() const override;
};

// The host covers the whole scroll range; children keep their unscrolled
// places.
class TdxPSScrollingWinControlProducer : public TdxPSRootContainerProducer {
  DX_CLASS(TdxPSScrollingWinControlProducer, TdxPSRootContainerProducer)

 public:
  static TdxClass ControlClass() { return &TScrollingWinControlClass; }
  void InitializeHost(TdxReportCell& host) override;
};

class TdxPSCustomFrameProducer : public TdxPSScrollingWinControlProducer {
  DX_CLASS(TdxPSCustomFrameProducer, TdxPSScrollingWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TCustomFrameClass; }
};

class TdxPSCustomFormProducer : public TdxPSScrollingWinControlProducer {
  DX_CLASS(TdxPSCustomFormProducer, TdxPSScrollingWinControlProducer)

 public:
  static TdxClass ControlClass() { return &TCustomFormClass; }
};
