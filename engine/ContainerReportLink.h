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
//
// The options are declared in engine/ContainerReportLinkOptions.h, the item
// definitions in engine/ContainerItemDefinitions.h, the iterators in
// engine/ContainerIterators.h, the producers in engine/ControlProducers.h (the base producers, plain
// controls, the metafile pictures and embedded reports),
// engine/WinControlProducers.h (windowed controls) and
// engine/ContainerProducers.h (containers, pages, notebooks, frames and
// forms).
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ContainerItemDefinitions.h"
#include "engine/ContainerIterators.h"
#include "engine/ContainerReportLinkOptions.h"
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
