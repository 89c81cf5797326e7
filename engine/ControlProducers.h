// The producers of the container report link for any control: the base of
// all producers, the producers of plain (non-windowed) controls (bevels,
// paint boxes, shapes, labels), the metafile picture that stands in for a
// control, and the producer that embeds the report of another link. Which
// producer a control gets is decided per control class (see
// engine/ContainerReportLink.h).
#pragma once

#include "engine/ContainerReportLink.h"

// Base of the producers: the link, the control worked on, and the queries
// the initialisations share.
class TdxPSCustomProducer : public TdxCustomClassMapItem {
 public:
  template <class T>
  using dxMetaClass = TdxPSProducerMeta<T>;
  DX_CLASS(TdxPSCustomProducer, TdxCustomClassMapItem)

 public:
  TdxPSCustomProducer() = default;
  TdxPSCustomProducer(const TdxPSCustomProducer&) = delete;
  TdxPSCustomProducer& operator=(const TdxPSCustomProducer&) = delete;

  // ---- Class operations ----
  static TdxClass ControlClass() { return &TControlClass; }
  static TdxClass HelpedProducerClass() { return nullptr; }
  static bool CanHaveChildren() { return false; }
  static bool Reenterable() { return true; }
  static TdxClass DefinitionClass() { return TdxPSCustomContainerItemDefinition::StaticClass(); }
  static TdxCustomClassMaps* PairFactory();
  TdxPSProducerClass ProducerClass() const { return static_cast<TdxPSProducerClass>(ClassType()); }

  void Initialize(TdxCustomContainerReportLink* link, QWidget* object);
  TdxCustomContainerReportLink* ReportLink() const { return link_; }
  QWidget* ProducingObject() const { return object_; }
  void SetProducingObject(QWidget* object) { object_ = object; }
  // The link's component.
  QWidget* RootComponent() const;
  bool IsRoot() const;

  virtual bool IsChildAccepted(QWidget* child) const;
  // The accepted children of the producing object.
  virtual std::shared_ptr<IdxPSContainerIterator> Iterator() const;
  virtual TdxClass HostClass() const { return TdxReportCell::StaticClass(); }
  virtual TdxClass ItemClass() const { return TAbstractdxReportCellData::StaticClass(); }
  virtual void InitializeHost(TdxReportCell& host);
  virtual void InitializeItem(TdxReportVisualItem& item) {}
  virtual void EnumerateImageLists(const std::function<void(TCustomImageList*)>& report) {}

  // ---- Queries on the producing object ----
  // Bounds within the parent; for a control that is not the link's
  // component moved by the parent's scroll offsets (its unscrolled place).
  virtual TRect ControlBounds() const;
  // Color when enabled, else clBtnFace.
  virtual TColor ControlColor() const;
  // Font colour when enabled, else clBtnText.
  virtual TColor ControlFontColor() const;
  // The font with that colour, the link's font name for a font that is not
  // TrueType, entered in the link's font pool.
  virtual int ControlFontIndex() const;
  virtual std::string ControlText() const { return dxControlText(object_); }
  // The producing object's scroll positions as the parent of its children.
  virtual int HorzScrollPos() const;
  virtual int VertScrollPos() const;

  // ---- Place options: the content size on the reference device ----
  virtual int MeasureContentHeight(TdxPSCustomContainerItemDefinition& definition, TCanvas& dc);
  virtual int MeasureContentWidth(TdxPSCustomContainerItemDefinition& definition, TCanvas& dc);

 private:
  TdxCustomContainerReportLink* link_ = nullptr;
  QPointer<QWidget> object_;
};

// Bounds, colour and font of any control.
class TdxPSCustomContainerItemProducer : public TdxPSCustomProducer {
  DX_CLASS(TdxPSCustomContainerItemProducer, TdxPSCustomProducer)

 public:
  static TdxClass DefinitionClass() { return TdxPSContainerControlDefinition::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

// As above, with all four sides.
class TdxPSContainerControlProducer : public TdxPSCustomContainerItemProducer {
  DX_CLASS(TdxPSContainerControlProducer, TdxPSCustomContainerItemProducer)

 public:
  void InitializeItem(TdxReportVisualItem& item) override;
};

// Paints a control (and its children) into a metafile picture.
void dxPaintControlToMetafile(QWidget* control, TdxReportCellGraphic& item);

// Substitute for TdxPSContainerControlProducer: a picture of the control.
class TdxPSControlAsMetafileProducer : public TdxPSContainerControlProducer {
  DX_CLASS(TdxPSControlAsMetafileProducer, TdxPSContainerControlProducer)

 public:
  static TdxClass HelpedProducerClass() { return TdxPSContainerControlProducer::StaticClass(); }
  static TdxCustomClassMaps* PairFactory();
  TdxClass ItemClass() const override { return TdxReportCellGraphic::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSBevelProducer : public TdxPSContainerControlProducer {
  DX_CLASS(TdxPSBevelProducer, TdxPSContainerControlProducer)

 public:
  static TdxClass ControlClass() { return &TBevelClass; }
  TdxClass ItemClass() const override { return TdxReportCellBox::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSPaintBoxProducer : public TdxPSContainerControlProducer {
  DX_CLASS(TdxPSPaintBoxProducer, TdxPSContainerControlProducer)

 public:
  static TdxClass ControlClass() { return &TPaintBoxClass; }
  TdxClass ItemClass() const override { return TdxReportCellBox::StaticClass(); }
};

// The shape of a TShape control comes from its dynamic property "Shape"
// ("stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse",
// "stCircle" or their ordinals), its pen colour from "PenColor" or the text
// colour, its brush colour from "BrushColor" or the background colour.
class TdxPSShapeProducer : public TdxPSCustomContainerItemProducer {
  DX_CLASS(TdxPSShapeProducer, TdxPSCustomContainerItemProducer)

 public:
  static TdxClass ControlClass() { return &TShapeClass; }
  TdxClass ItemClass() const override;
  void InitializeItem(TdxReportVisualItem& item) override;
};

class TdxPSCustomLabelProducer : public TdxPSCustomContainerItemProducer {
  DX_CLASS(TdxPSCustomLabelProducer, TdxPSCustomContainerItemProducer)

 public:
  static TdxClass ControlClass() { return &TCustomLabelClass; }
  TdxClass ItemClass() const override { return TdxReportCellString::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};

// Embeds the report of the control's own link (controls whose class the
// link registry maps to an aggregatable link class).
class TdxPSNativePrintableControlProducer : public TdxPSCustomProducer {
  DX_CLASS(TdxPSNativePrintableControlProducer, TdxPSCustomProducer)

 public:
  static bool Reenterable() { return false; }
  static TdxClass DefinitionClass() { return TdxPSNativePrintableControlDefinition::StaticClass(); }
  static TdxCustomClassMaps* PairFactory();
  TdxClass HostClass() const override { return TdxReportNativePrintableControlHost::StaticClass(); }
  TdxClass ItemClass() const override { return TdxReportCell::StaticClass(); }
  void InitializeItem(TdxReportVisualItem& item) override;
};
