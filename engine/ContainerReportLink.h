// The container report link: prints a container control (a form, a frame, a
// panel, a scroll box, a tab sheet or page control, a notebook) as it is
// laid out on the screen. Every visible child control becomes a report item
// at the same place and size; windowed children get a host cell of their
// own that holds their items; containers nest.
//
// Which item a control becomes is decided per control class by producer
// classes kept in class maps (report/ClassFactories.h):
//   TdxPSContainerItemProducerFactory         the producers
//   TdxPSNativePrintableControlProducerFactory the producer that embeds the
//                                              report of another link
//   TdxPSProducerHelperFactory                 substitutes: producers that
//                                              stand in for another one
//   TdxPSContainerBuilderFactory               the builder of windowed controls
// A control class without a dedicated producer resolves to the producer
// registered last for TWinControl (or TControl), whose substitute paints the
// control into a metafile: vectors and text, not a screen grab.
//
// Building (ConstructReport): a builder walks the component; a windowed
// control gets a host cell (TdxReportWinControlHost) from its producer;
// non-windowed children become items in it (walked from the last to the
// first), windowed children nested hosts (first to last); the control's own
// item goes to index 0 of the host's data items. Every item is recorded in
// an item definition (production order), which carries the item's place
// options and page-break positions. Cells are built in screen pixels; the
// base link scales them to report units (ConvertCoords scales the break
// positions as well).
//
// Controls are Qt widgets seen through the control tree of
// engine/ControlClasses.h.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ControlClasses.h"
#include "engine/ReportLink.h"
#include "report/BaseObject.h"
#include "report/DataItems.h"
#include "report/ClassFactories.h"

class TdxCustomContainerReportLink;
class TdxPSCustomProducer;
class TdxPSContainerBuilder;
class TdxPSCustomContainerItemDefinition;

enum TdxPSReportLinkProcessingStage { psBefore, psAfter };

// ---- Options ---------------------------------------------------------------------

// Base of the link's option objects: every change tells the link, which marks
// its report for rebuilding.
class TdxCustomContainerReportLinkOptions : public TdxBaseObject {
  DX_CLASS(TdxCustomContainerReportLinkOptions, TdxBaseObject)

 public:
  explicit TdxCustomContainerReportLinkOptions(TdxCustomContainerReportLink* link = nullptr) : link_(link) {}
  TdxCustomContainerReportLink* ReportLink() const { return link_; }
  virtual void RestoreDefaults() {}

 protected:
  // Tells the link (nothing without one or while locked).
  void OptionChanged();
  void SetFlag(bool& field, bool value);
  void ReadFlag(const TdxPropertyValue& value, bool& field);

 private:
  TdxCustomContainerReportLink* link_ = nullptr;
};

class TdxCustomContainerReportLinkOptionsBehavior : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsBehavior, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool ConsumeExistingLinks() const { return consumeExistingLinks_; }
  void SetConsumeExistingLinks(bool value) { SetFlag(consumeExistingLinks_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool consumeExistingLinks_ = true;
};

class TdxCustomContainerReportLinkOptionsDesignerTabs : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsDesignerTabs, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool AutoHideReportLinksIfEmpty() const { return autoHideReportLinksIfEmpty_; }
  void SetAutoHideReportLinksIfEmpty(bool value) { SetFlag(autoHideReportLinksIfEmpty_, value); }
  bool Controls() const { return controls_; }
  void SetControls(bool value) { SetFlag(controls_, value); }
  bool ReportLinks() const { return reportLinks_; }
  void SetReportLinks(bool value) { SetFlag(reportLinks_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool autoHideReportLinksIfEmpty_ = true;
  bool controls_ = true;
  bool reportLinks_ = true;
};

// Per item: grow or shrink the item to its content after the tree is built.
class TdxCustomContainerReportLinkOptionsItemPlace : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsItemPlace, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool ExpandHeight() const { return expandHeight_; }
  void SetExpandHeight(bool value) { SetFlag(expandHeight_, value); }
  bool ExpandWidth() const { return expandWidth_; }
  void SetExpandWidth(bool value) { SetFlag(expandWidth_, value); }
  bool ShrinkHeight() const { return shrinkHeight_; }
  void SetShrinkHeight(bool value) { SetFlag(shrinkHeight_, value); }
  bool ShrinkWidth() const { return shrinkWidth_; }
  void SetShrinkWidth(bool value) { SetFlag(shrinkWidth_, value); }
  bool HasHeightOptions() const { return expandHeight_ || shrinkHeight_; }
  bool HasWidthOptions() const { return expandWidth_ || shrinkWidth_; }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool expandHeight_ = false;
  bool expandWidth_ = false;
  bool shrinkHeight_ = false;
  bool shrinkWidth_ = false;
};

class TdxCustomContainerReportLinkOptionsPagination : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsPagination, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  // Page breaks respect the inside of embedded reports.
  bool ControlDetails() const { return controlDetails_; }
  void SetControlDetails(bool value) { SetFlag(controlDetails_, value); }
  // Page breaks respect control boundaries.
  bool Controls() const { return controls_; }
  void SetControls(bool value) { SetFlag(controls_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool controlDetails_ = true;
  bool controls_ = true;
};

class TdxCustomContainerReportLinkOptionsRefinements : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsRefinements, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  // A border around the root container.
  bool RootBorders() const { return rootBorders_; }
  void SetRootBorders(bool value) { SetFlag(rootBorders_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool rootBorders_ = false;
};

class TdxCustomContainerReportLinkOptionsTransparent : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsTransparent, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool Containers() const { return containers_; }
  void SetContainers(bool value) { SetFlag(containers_, value); }
  bool Controls() const { return controls_; }
  void SetControls(bool value) { SetFlag(controls_, value); }
  // Stored and copied only.
  bool Graphics() const { return graphics_; }
  void SetGraphics(bool value) { SetFlag(graphics_, value); }
  bool Root() const { return root_; }
  void SetRoot(bool value) { SetFlag(root_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool containers_ = true;
  bool controls_ = false;
  bool graphics_ = false;
  bool root_ = true;
};

// ---- Report items of the link ----------------------------------------------------

// The cell of one windowed control: its own item, the items of its
// non-windowed children and the hosts of its windowed children.
class TdxReportWinControlHost : public TdxReportCell {
  DX_CLASS(TdxReportWinControlHost, TdxReportCell)

 public:
  explicit TdxReportWinControlHost(TdxReportCell* parent = nullptr) : TdxReportCell(parent) {}
};

// The cell that holds the embedded report of another link.
class TdxReportNativePrintableControlHost : public TdxReportWinControlHost {
  DX_CLASS(TdxReportNativePrintableControlHost, TdxReportWinControlHost)

 public:
  explicit TdxReportNativePrintableControlHost(TdxReportCell* parent = nullptr) : TdxReportWinControlHost(parent) {}
};

// ---- Item definitions ------------------------------------------------------------

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

// ---- Iterators -------------------------------------------------------------------

// Walks child controls by index: GoBeforeBOF then Next until IsEOF, or
// GoBeyondEOF then Prior until IsBOF.
class IdxPSContainerIterator {
 public:
  virtual ~IdxPSContainerIterator() = default;
  virtual void GoBeforeBOF() = 0;
  virtual void GoBeyondEOF() = 0;
  virtual bool IsBOF() const = 0;
  virtual bool IsEOF() const = 0;
  virtual QWidget* Next() = 0;
  virtual QWidget* Prior() = 0;
};

class TdxPSWinControlIterator : public IdxPSContainerIterator {
 public:
  // The children of control that producer accepts.
  TdxPSWinControlIterator(QWidget* control, const TdxPSCustomProducer* producer);
  void GoBeforeBOF() override { index_ = -1; }
  void GoBeyondEOF() override { index_ = ControlCount(); }
  bool IsBOF() const override { return index_ <= 0; }
  bool IsEOF() const override { return index_ >= ControlCount() - 1; }
  QWidget* Next() override;
  QWidget* Prior() override;
  int ControlCount() const { return int(controls_.size()); }
  QWidget* Controls(int index) const;

 protected:
  explicit TdxPSWinControlIterator(std::vector<QWidget*> controls) : controls_(std::move(controls)) {}

 private:
  std::vector<QWidget*> controls_;
  int index_ = -1;
};

// Only the active page (one element when the control has pages).
class TdxPSPageControlIterator : public TdxPSWinControlIterator {
 public:
  explicit TdxPSPageControlIterator(QWidget* control);
};
class TdxPSNotebookIterator : public TdxPSPageControlIterator {
 public:
  using TdxPSPageControlIterator::TdxPSPageControlIterator;
};
class TdxPSTabbedNotebookIterator : public TdxPSPageControlIterator {
 public:
  using TdxPSPageControlIterator::TdxPSPageControlIterator;
};

// ---- Producers -------------------------------------------------------------------

// Class operations of producers, callable through a class reference.
class TdxPSProducerClassInfo : public TdxClassMapItemClassInfo {
 public:
  using TdxClassMapItemClassInfo::TdxClassMapItemClassInfo;
  virtual TdxClass ControlClass() const = 0;
  // For substitutes: the producer class they stand in for; otherwise none.
  virtual TdxClass HelpedProducerClass() const = 0;
  virtual bool CanHaveChildren() const = 0;
  // One cached object may serve many controls one after the other.
  virtual bool Reenterable() const = 0;
  virtual TdxClass DefinitionClass() const = 0;
  // The class map the class registers in.
  virtual TdxCustomClassMaps* PairFactory() const = 0;
  // The substitute registered for this producer class (a helper whose
  // HelpedProducerClass is exactly this class), or none.
  const TdxPSProducerClassInfo* SubstituteProducerClass() const;
  void Register() const;
  void Unregister() const;
};
using TdxPSProducerClass = const TdxPSProducerClassInfo*;

template <class T>
class TdxPSProducerMeta : public TdxPSProducerClassInfo {
 public:
  using TdxPSProducerClassInfo::TdxPSProducerClassInfo;
  TdxClass ServedClass() const override { return T::ControlClass(); }
  TdxClass ControlClass() const override { return T::ControlClass(); }
  TdxClass HelpedProducerClass() const override { return T::HelpedProducerClass(); }
  bool CanHaveChildren() const override { return T::CanHaveChildren(); }
  bool Reenterable() const override { return T::Reenterable(); }
  TdxClass DefinitionClass() const override { return T::DefinitionClass(); }
  TdxCustomClassMaps* PairFactory() const override { return T::PairFactory(); }
};

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

// ---- Builder ---------------------------------------------------------------------

// Builds one windowed control: its host, its children, its own item. While
// it exists it is the link's current builder.
class TdxPSContainerBuilder : public TdxCustomClassMapItem {
  DX_CLASS(TdxPSContainerBuilder, TdxCustomClassMapItem)

 public:
  TdxPSContainerBuilder() = default;
  ~TdxPSContainerBuilder() override;
  TdxPSContainerBuilder(const TdxPSContainerBuilder&) = delete;
  TdxPSContainerBuilder& operator=(const TdxPSContainerBuilder&) = delete;

  static TdxClass ServedClass() { return &TWinControlClass; }

  // Makes the builder the link's current one.
  void Initialize(TdxCustomContainerReportLink* link, QWidget* container, TdxPSContainerBuilder* parentBuilder,
                  TdxReportCell* parentHost);
  // Answers the host.
  virtual TdxReportCell* Build();

  TdxCustomContainerReportLink* ReportLink() const { return link_; }
  QWidget* Container() const { return container_; }
  TdxPSContainerBuilder* ParentBuilder() const { return parentBuilder_; }
  TdxReportCell* ParentHost() const { return parentHost_; }
  TdxReportCell* Host() const { return host_; }
  QWidget* ProducingObject() const { return producingObject_; }

 protected:
  virtual TdxReportCell* CreateHost();
  virtual void CreateNestedItems();
  virtual void CreateItself();

 private:
  TdxCustomContainerReportLink* link_ = nullptr;
  QWidget* container_ = nullptr;
  TdxPSContainerBuilder* parentBuilder_ = nullptr;
  TdxReportCell* parentHost_ = nullptr;
  TdxReportCell* host_ = nullptr;
  QWidget* producingObject_ = nullptr;
  TdxPSContainerBuilder* previousBuilder_ = nullptr;
};

// ---- Factories and the producer cache --------------------------------------------

class TdxPSContainerItemProducerFactory : public TdxCustomClassMaps {
  DX_SINGLETON(TdxPSContainerItemProducerFactory, TdxCustomClassMaps)
};
class TdxPSNativePrintableControlProducerFactory : public TdxCustomClassMaps {
  DX_SINGLETON(TdxPSNativePrintableControlProducerFactory, TdxCustomClassMaps)
};
class TdxPSProducerHelperFactory : public TdxCustomClassMaps {
  DX_SINGLETON(TdxPSProducerHelperFactory, TdxCustomClassMaps)
};
class TdxPSContainerBuilderFactory : public TdxCustomClassMaps {
  DX_SINGLETON(TdxPSContainerBuilderFactory, TdxCustomClassMaps)
};

class TdxPSContainerReportLinkCustomCache : public TdxCustomCache {
 public:
  explicit TdxPSContainerReportLinkCustomCache(TdxCustomContainerReportLink* link) : link_(link) {}
  TdxCustomContainerReportLink* ReportLink() const { return link_; }

 private:
  TdxCustomContainerReportLink* link_;
};

class TdxPSCustomProducerCache : public TdxPSContainerReportLinkCustomCache {
 public:
  using TdxPSContainerReportLinkCustomCache::TdxPSContainerReportLinkCustomCache;
  // An object of exactly cls: a cached one when cls is reenterable or the
  // cached one already works on object, else a new one (cached). Its
  // producing object becomes object.
  TdxPSCustomProducer* Get(TdxPSProducerClass cls, QWidget* object);
};

// Fills the four factories (the builder, the native-printable producer, the
// two metafile substitutes, then the producers in their order) unless they
// hold them already; the link calls it before it builds. Also registers the
// link's report item classes for streams.
void dxPSRegisterContainerLinkClasses();
// Whether a link class may be embedded by a container link: every link
// class except the container links.
bool dxPSIsAggregatableReportLink(TdxClass linkClass);
// The container link that is embedding link right now, or none.
TdxCustomContainerReportLink* dxPSAggregatingReportLink(const TBasedxReportLink* link);
// The design window class that forms and frames fall back on when the link
// registry names none; set when the design window is registered.
TdxClass dxPSContainerDesignWindowClass();
void dxPSSetContainerDesignWindowClass(TdxClass cls);

// ---- The link --------------------------------------------------------------------

class TdxCustomContainerReportLink : public TBasedxReportLink {
  DX_CLASS(TdxCustomContainerReportLink, TBasedxReportLink)

 public:
  TdxCustomContainerReportLink();
  ~TdxCustomContainerReportLink() override;

  // ---- Published properties ----
  TdxCustomContainerReportLinkOptionsBehavior& OptionsBehavior() { return *optionsBehavior_; }
  TdxCustomContainerReportLinkOptionsDesignerTabs& OptionsDesignerTabs() { return *optionsDesignerTabs_; }
  TdxCustomContainerReportLinkOptionsPagination& OptionsPagination() { return *optionsPagination_; }
  TdxCustomContainerReportLinkOptionsRefinements& OptionsRefinements() { return *optionsRefinements_; }
  TdxCustomContainerReportLinkOptionsTransparent& OptionsTransparent() { return *optionsTransparent_; }
  const TdxCustomContainerReportLinkOptionsPagination& OptionsPagination() const { return *optionsPagination_; }
  const TdxCustomContainerReportLinkOptionsTransparent& OptionsTransparent() const { return *optionsTransparent_; }
  const TdxCustomContainerReportLinkOptionsRefinements& OptionsRefinements() const { return *optionsRefinements_; }
  bool SupportedCustomDraw() const { return supportedCustomDraw_; }
  void SetSupportedCustomDraw(bool value);

  // ---- Events ----
  using TCustomDrawItemEvent = std::function<void(TdxCustomContainerReportLink&, TCanvas&,
                                                  TAbstractdxReportCellData&, QObject*, bool& done)>;
  const TCustomDrawItemEvent& OnCustomDrawItem() const { return onCustomDrawItem_; }
  // Marks the report for rebuilding while SupportedCustomDraw is on.
  void SetOnCustomDrawItem(TCustomDrawItemEvent handler);
  std::function<void(TdxCustomContainerReportLink&, QObject*, std::string& caption)> OnGetComponentCaption;
  std::function<void(TdxCustomContainerReportLink&, QObject*, TBasedxReportLink*& link)> OnGetComponentReportLink;
  std::function<void(TdxCustomContainerReportLink&, TdxReportVisualItem&, QObject*)> OnInitializeItem;
  std::function<void(TdxCustomContainerReportLink&, TdxReportVisualItem&, QObject*,
                     TdxCustomContainerReportLinkOptionsItemPlace&)>
      OnInitializeItemOptionsPlace;
  std::function<void(TdxCustomContainerReportLink&, TBasedxReportLink&, TdxPSReportLinkProcessingStage)>
      OnInitializeReportLink;
  std::function<void(TdxCustomContainerReportLink&, QObject*, bool& processed)> OnIsComponentProcessed;

  // ---- Base link operations ----
  void ConstructReport(TdxReportCells& cells) override;
  void ConvertCoords() override;
  void GetDelimiters(std::vector<int>& horz, std::vector<int>& vert) override;
  bool IsSupportedCustomDraw(const TAbstractdxReportCellData& item) const override;
  bool CustomDrawItem(TAbstractdxReportCellData& item, TCanvas& canvas, const TRect& bounds,
                      const TRect& clientBounds) override;
  void RestoreDefaults() override;
  // The base values, the options, SupportedCustomDraw and both component
  // lists (which then count as lists of this link's component).
  void Assign(const TBasedxReportLink& source) override;
  // The registered one; otherwise, for a form or frame component, the
  // container design window once it is registered
  // (dxPSSetContainerDesignWindowClass).
  TdxClass DesignWindowClass() const override;
  // The base clearing; the definitions go with the report they describe.
  void InternalClear() override;
  bool SupportsEmptyPages() const override { return true; }
  // Every definition's producer reports its image lists.
  void EnumerateImageLists(const std::function<void(TCustomImageList*)>& report);

  // ---- Production ----
  // Not visible, empty bounds, hidden or excluded: False; then
  // OnIsComponentProcessed may change the answer.
  virtual bool IsComponentProcessed(QObject* component);
  // The producer object for a control (see the header comment); its
  // producing object becomes control.
  TdxPSCustomProducer* ProducerFor(QWidget* control);
  // The producer class ProducerFor uses for control.
  TdxPSProducerClass ProducerClassFor(QWidget* control) const;
  // A new builder for a windowed control (made current).
  std::unique_ptr<TdxPSContainerBuilder> CreateBuilder(QWidget* control, TdxPSContainerBuilder* parentBuilder,
                                                       TdxReportCell* parentHost);
  // Produces the item of control into cell (definition, initialisation,
  // OnInitializeItem, OnInitializeItemOptionsPlace).
  TdxReportVisualItem* CreateItem(QWidget* control, TdxReportCell* cell);
  // One more item made: the component printer hears each new whole
  // percentage of the build.
  void ReportProgress();
  TdxPSContainerBuilder* CurrentBuilder() const { return currentBuilder_; }
  void SetCurrentBuilder(TdxPSContainerBuilder* builder) { currentBuilder_ = builder; }
  // The reference device while the report is constructed (else none).
  TCanvas* ScreenDC() const { return screenDC_.get(); }
  // The document under construction (else none).
  TdxReportCells* ConstructedCells() const { return cells_; }

  // ---- Definitions and aggregated links ----
  int DefinitionCount() const { return int(definitions_.size()); }
  TdxPSCustomContainerItemDefinition* Definitions(int index) const;
  TdxPSCustomContainerItemDefinition* DefinitionOf(const TdxReportItem& item) const;
  // The component an item of the current report refers to (its Data); none.
  QWidget* ComponentOf(const TdxReportItem& item) const;
  // The links whose reports the last construction embedded (links of the
  // component printer; temporary links are not listed).
  int AggregatedReportLinkCount() const;
  TBasedxReportLink* AggregatedReportLinks(int index) const;

  // ---- Hidden and excluded components ----
  // Only components inside the link's component (non-controls: with the
  // same owner), each once. Answers whether it was added.
  bool AddHiddenComponent(QObject* component);
  bool IsHiddenComponent(const QObject* component) const;
  void RemoveHiddenComponent(const QObject* component);
  void ClearHiddenComponents();
  int HiddenComponentCount() const;
  QObject* HiddenComponents(int index) const;
  std::vector<std::string> HiddenComponentNames() const;
  bool AddExcludedComponent(QObject* component);
  bool IsExcludedComponent(const QObject* component) const;
  void RemoveExcludedComponent(const QObject* component);
  void ClearExcludedComponents();
  int ExcludedComponentCount() const;
  QObject* ExcludedComponents(int index) const;
  std::vector<std::string> ExcludedComponentNames() const;
  // Hides (unhides) the direct children whose class is one of TScrollBar,
  // TSplitter, TControlBar, TToolBar, TCoolBar, TPageScroller (names that
  // are no known control class are skipped).
  void HideStandardControls();
  void UnhideStandardControls();

  // ---- Storage of the two lists ----
  // The names, each followed by CR LF; an empty list is 0 bytes.
  TBytes WriteHiddenComponents() const;
  TBytes WriteExcludedComponents() const;
  // Replaces the list by the names of the block (resolved by Loaded).
  void ReadHiddenComponents(TByteView block);
  void ReadExcludedComponents(TByteView block);
  // After loading: looks every stored name up among the components of the
  // owner; missing names are dropped (each list walked from its end).
  void Loaded();
  // Where stored names are looked up: the owner set here, else the
  // component printer's parent, else the component's window.
  QObject* Owner() const;
  void SetOwner(QObject* owner) { owner_ = owner; }

  // The caption the design window shows for a component (its name, or
  // what OnGetComponentCaption makes of it).
  std::string ComponentCaption(QObject* component);

  // Called by the option objects.
  void OptionsModified();

 protected:
  void AttachComponent(QObject* component) override;
  // Construction steps.
  virtual void PrepareConstruct(TdxReportCells& cells);
  virtual void UnprepareConstruct();
  virtual void ApplyPlaceOptions();
  // The raisers of the events.
  virtual void DoInitializeItem(TdxReportVisualItem& item, QObject* component);
  virtual void DoInitializeItemOptionsPlace(TdxReportVisualItem& item, QObject* component,
                                            TdxCustomContainerReportLinkOptionsItemPlace& options);
  virtual void DoGetComponentReportLink(QObject* component, TBasedxReportLink*& link);

 private:
  friend class TdxPSNativePrintableControlProducer;
  struct StoredComponent {
    std::string Name;
    QPointer<QObject> Component;
    bool Resolved = false;
  };
  using StoredList = std::vector<StoredComponent>;
  void ApplyPlaceOptions(TdxPSCustomContainerItemDefinition& definition);
  void CheckComponentChanged() const;
  void Purge(StoredList& list) const;
  bool CanStore(const QObject* component) const;
  bool AddStored(StoredList& list, QObject* component);
  static bool IsStored(const StoredList& list, const QObject* component);
  static void RemoveStored(StoredList& list, const QObject* component);
  int StoredCount(StoredList& list) const;
  QObject* StoredItem(StoredList& list, int index) const;
  static TBytes WriteStored(const StoredList& list);
  static void ReadStored(StoredList& list, TByteView block);
  void ResolveStored(StoredList& list, bool dropMissing);
  void AddAggregatedLink(TBasedxReportLink* link);

  std::unique_ptr<TdxCustomContainerReportLinkOptionsBehavior> optionsBehavior_;
  std::unique_ptr<TdxCustomContainerReportLinkOptionsDesignerTabs> optionsDesignerTabs_;
  std::unique_ptr<TdxCustomContainerReportLinkOptionsPagination> optionsPagination_;
  std::unique_ptr<TdxCustomContainerReportLinkOptionsRefinements> optionsRefinements_;
  std::unique_ptr<TdxCustomContainerReportLinkOptionsTransparent> optionsTransparent_;
  bool supportedCustomDraw_ = false;
  TCustomDrawItemEvent onCustomDrawItem_;

  std::vector<std::unique_ptr<TdxPSCustomContainerItemDefinition>> definitions_;
  std::vector<TBasedxReportLink*> aggregatedLinks_;
  std::vector<int> delimitersHorz_;
  std::vector<int> delimitersVert_;
  std::unique_ptr<TdxPSCustomProducerCache> producerCache_;
  TdxPSContainerBuilder* currentBuilder_ = nullptr;
  std::unique_ptr<TCanvas> screenDC_;
  // Build progress: items made of the controls the build may visit, and the
  // last whole percentage told to the component printer.
  int progressTotal_ = 0, progressDone_ = 0, progressTold_ = 0;
  TdxReportCells* cells_ = nullptr;

  mutable StoredList hidden_;
  mutable StoredList excluded_;
  mutable const QObject* listsComponent_ = nullptr;  // the component the lists belong to
  QPointer<QObject> owner_;
};
