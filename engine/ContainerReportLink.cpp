// The container report link: the producer class operations, the builder,
// the producer cache, the registration of the link's classes and the link
// itself (construction of the report, place options, aggregated links,
// hidden and excluded components).
#include "engine/ContainerReportLink.h"

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
#include "platform/QtStrings.h"
#include "report/ShapeItems.h"
#include "engine/ContainerProducers.h"
#include "engine/ContainerReportLinkHelpers.h"
#include "engine/ControlProducers.h"
#include "engine/WinControlProducers.h"
#include "platform/ScopeExit.h"

using namespace ContainerReportLinkHelpers;

namespace {

void SortUnique(std::vector<int>& list) {
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

}  // namespace

namespace ContainerReportLinkHelpers {

int ScreenPixelsPerInch() {
  int ppi = TDeviceCaps::Screen().LogPixelsY;
  return ppi > 0 ? ppi : 96;
}

// The links being embedded right now, with the container link that embeds
// each.
std::map<const TBasedxReportLink*, TdxCustomContainerReportLink*>& AggregationMap() {
  static std::map<const TBasedxReportLink*, TdxCustomContainerReportLink*> map;
  return map;
}

}  // namespace ContainerReportLinkHelpers

// ---- Producer class operations ---------------------------------------------------

const TdxPSProducerClassInfo* TdxPSProducerClassInfo::SubstituteProducerClass() const {
  TdxPSProducerHelperFactory* helpers = TdxPSProducerHelperFactory::Instance();
  for (int i = 0; i < helpers->Count(); ++i) {
    auto* helper = dynamic_cast<TdxPSProducerClass>(helpers->Items(i));
    if (helper && helper->HelpedProducerClass() == this) return helper;
  }
  return nullptr;
}

void TdxPSProducerClassInfo::Register() const { PairFactory()->Register(this); }
void TdxPSProducerClassInfo::Unregister() const { PairFactory()->Unregister(this); }

// ---- Builder ---------------------------------------------------------------------

TdxPSContainerBuilder::~TdxPSContainerBuilder() {
  if (link_ && link_->CurrentBuilder() == this) link_->SetCurrentBuilder(parentBuilder_);
}

void TdxPSContainerBuilder::Initialize(TdxCustomContainerReportLink* link, QWidget* container,
                                       TdxPSContainerBuilder* parentBuilder, TdxReportCell* parentHost) {
  link_ = link;
  container_ = container;
  parentBuilder_ = parentBuilder;
  parentHost_ = parentHost;
  link_->SetCurrentBuilder(this);
}

TdxReportCell* TdxPSContainerBuilder::Build() {
  producingObject_ = container_;
  host_ = CreateHost();
  CreateNestedItems();
  CreateItself();
  return host_;
}

TdxReportCell* TdxPSContainerBuilder::CreateHost() {
  TdxPSCustomProducer* producer = link_->ProducerFor(container_);
  TdxReportCell* parent = parentHost_ ? parentHost_
                          : parentBuilder_ ? parentBuilder_->Host()
                                           : link_->ConstructedCells()->Cells();
  std::unique_ptr<TdxReportCell> owned = dxCreateObject<TdxReportCell>(producer->HostClass());
  owned->SetParent(parent);
  TdxReportCell* host = owned.release();
  producer->InitializeHost(*host);
  return host;
}

void TdxPSContainerBuilder::CreateNestedItems() {
  TdxPSCustomProducer* producer = link_->ProducerFor(container_);
  if (!dxIsWinControl(container_) || !producer->ProducerClass()->CanHaveChildren()) return;
  std::shared_ptr<IdxPSContainerIterator> iterator = producer->Iterator();
  bool any = false;
  iterator->GoBeforeBOF();
  while (!any && !iterator->IsEOF()) any = link_->IsComponentProcessed(iterator->Next());
  if (!any) return;

  // Non-windowed children from the last to the first, into this host.
  iterator->GoBeyondEOF();
  while (!iterator->IsBOF()) {
    QWidget* child = iterator->Prior();
    if (!child || dxIsWinControl(child) || !link_->IsComponentProcessed(child)) continue;
    producingObject_ = child;
    link_->CreateItem(child, host_);
  }
  // Windowed children from the first to the last, each with a builder.
  iterator->GoBeforeBOF();
  while (!iterator->IsEOF()) {
    QWidget* child = iterator->Next();
    if (!child || !dxIsWinControl(child) || !link_->IsComponentProcessed(child)) continue;
    producingObject_ = child;
    std::unique_ptr<TdxPSContainerBuilder> nested = link_->CreateBuilder(child, this, host_);
    nested->Build();
  }
  producingObject_ = container_;
}

void TdxPSContainerBuilder::CreateItself() {
  producingObject_ = container_;
  TdxReportVisualItem* item = link_->CreateItem(container_, host_);
  item->SetIndex(0);
}

// ---- Producer cache --------------------------------------------------------------

TdxPSCustomProducer* TdxPSCustomProducerCache::Get(TdxPSProducerClass cls, QWidget* object) {
  TdxPSCustomProducer* producer = nullptr;
  for (int i = 0; i < Count() && !producer; ++i) {
    auto* cached = static_cast<TdxPSCustomProducer*>(Items(i));
    if (cached->ClassType() != cls) continue;
    if (cls->Reenterable() || cached->ProducingObject() == object) producer = cached;
  }
  if (!producer) {
    std::unique_ptr<TdxPSCustomProducer> created = dxCreateObject<TdxPSCustomProducer>(cls);
    created->Initialize(ReportLink(), object);
    producer = created.get();
    Add(std::move(created));
  }
  producer->SetProducingObject(object);
  return producer;
}

// ---- Registration ----------------------------------------------------------------

void dxPSRegisterContainerLinkClasses() {
  TdxPSContainerBuilderFactory* builders = TdxPSContainerBuilderFactory::Instance();
  if (builders->IndexOf(TdxPSContainerBuilder::StaticClass()) < 0)
    builders->Register(TdxPSContainerBuilder::StaticClass());

  if (TdxPSNativePrintableControlProducerFactory::Instance()->IndexOf(
          TdxPSNativePrintableControlProducer::StaticClass()) < 0)
    TdxPSNativePrintableControlProducer::StaticClass()->Register();

  if (TdxPSProducerHelperFactory::Instance()->IndexOf(TdxPSControlAsMetafileProducer::StaticClass()) < 0) {
    TdxPSControlAsMetafileProducer::StaticClass()->Register();
    TdxPSWinControlAsMetafileProducer::StaticClass()->Register();
  }

  if (TdxPSContainerItemProducerFactory::Instance()->IndexOf(TdxPSCustomContainerItemProducer::StaticClass()) < 0) {
    const TdxPSProducerClass producers[] = {
        TdxPSCustomContainerItemProducer::StaticClass(), TdxPSContainerControlProducer::StaticClass(),
        TdxPSBevelProducer::StaticClass(),               TdxPSPaintBoxProducer::StaticClass(),
        TdxPSShapeProducer::StaticClass(),               TdxPSCustomLabelProducer::StaticClass(),
        TdxPSContainerCustomWinControlProducer::StaticClass(), TdxPSContainerWinControlProducer::StaticClass(),
        TdxPSDateTimePickerProducer::StaticClass(),      TdxPSCustomHotKeyProducer::StaticClass(),
        TdxPSCustomStaticTextProducer::StaticClass(),    TdxPSCustomEditProducer::StaticClass(),
        TdxPSCustomMemoProducer::StaticClass(),          TdxPSCustomComboBoxProducer::StaticClass(),
        TdxPSCustomCheckBoxProducer::StaticClass(),      TdxPSRadioButtonProducer::StaticClass(),
        TdxPSCustomPanelProducer::StaticClass(),         TdxPSCustomGroupBoxProducer::StaticClass(),
        TdxPSCustomRadioGroupProducer::StaticClass(),    TdxPSTabControlProducer::StaticClass(),
        TdxPSTabSheetProducer::StaticClass(),            TdxPSPageControlProducer::StaticClass(),
        TdxPSNotebookPageProducer::StaticClass(),        TdxPSNotebookProducer::StaticClass(),
        TdxPSTabbedNotebookPageProducer::StaticClass(),  TdxPSTabbedNotebookProducer::StaticClass(),
        TdxPSScrollingWinControlProducer::StaticClass(), TdxPSCustomFormProducer::StaticClass(),
        TdxPSCustomFrameProducer::StaticClass(),         TdxPSCustomComboBoxExProducer::StaticClass(),
    };
    for (TdxPSProducerClass producer : producers) producer->Register();
  }
}

bool dxPSIsAggregatableReportLink(TdxClass linkClass) {
  return linkClass && !InheritsFrom(linkClass, TdxCustomContainerReportLink::StaticClass());
}

TdxCustomContainerReportLink* dxPSAggregatingReportLink(const TBasedxReportLink* link) {
  auto it = AggregationMap().find(link);
  return it == AggregationMap().end() ? nullptr : it->second;
}

namespace {
// Start-up: the report item classes for streams and the link registry
// entries; both undone at the end.
const TdxClass* RegisteredComponentClasses() {
  static const TdxClass classes[] = {&TPanelClass,    &TScrollBoxClass,      &TTabControlClass, &TTabSheetClass,
                                     &TPageControlClass, &TTabPageClass,     &TTabbedNotebookClass, &TPageClass,
                                     &TNotebookClass, &TCustomFormClass,     &TCustomFrameClass, nullptr};
  return classes;
}

struct TdxContainerLinkUnit {
  TdxContainerLinkUnit() {
    dxRegisterClass(TdxReportWinControlHost::StaticClass());
    dxRegisterClass(TdxReportNativePrintableControlHost::StaticClass());
    for (const TdxClass* cls = RegisteredComponentClasses(); *cls; ++cls)
      dxPSRegisterReportLink(TdxCustomContainerReportLink::StaticClass(), *cls, nullptr);
  }
  ~TdxContainerLinkUnit() {
    for (const TdxClass* cls = RegisteredComponentClasses(); *cls; ++cls)
      dxPSUnregisterReportLink(TdxCustomContainerReportLink::StaticClass(), *cls, nullptr);
    dxUnregisterClass(TdxReportNativePrintableControlHost::StaticClass());
    dxUnregisterClass(TdxReportWinControlHost::StaticClass());
  }
};
const TdxContainerLinkUnit containerLinkUnit;
}  // namespace

// ---- TdxCustomContainerReportLink ------------------------------------------------

TdxCustomContainerReportLink::TdxCustomContainerReportLink()
    : optionsBehavior_(std::make_unique<TdxCustomContainerReportLinkOptionsBehavior>(this)),
      optionsDesignerTabs_(std::make_unique<TdxCustomContainerReportLinkOptionsDesignerTabs>(this)),
      optionsPagination_(std::make_unique<TdxCustomContainerReportLinkOptionsPagination>(this)),
      optionsRefinements_(std::make_unique<TdxCustomContainerReportLinkOptionsRefinements>(this)),
      optionsTransparent_(std::make_unique<TdxCustomContainerReportLinkOptionsTransparent>(this)),
      producerCache_(std::make_unique<TdxPSCustomProducerCache>(this)) {
  dxPSRegisterContainerLinkClasses();
}

TdxCustomContainerReportLink::~TdxCustomContainerReportLink() {
  // Producers refer to the link; they go before the rest of it.
  producerCache_.reset();
}

void TdxCustomContainerReportLink::SetSupportedCustomDraw(bool value) {
  if (supportedCustomDraw_ == value) return;
  supportedCustomDraw_ = value;
  RebuildNeeded = true;
}

void TdxCustomContainerReportLink::SetOnCustomDrawItem(TCustomDrawItemEvent handler) {
  onCustomDrawItem_ = std::move(handler);
  if (supportedCustomDraw_) RebuildNeeded = true;
}

void TdxCustomContainerReportLink::OptionsModified() { RebuildNeeded = true; }

void TdxCustomContainerReportLink::RestoreDefaults() {
  TBasedxReportLink::RestoreDefaults();
  optionsBehavior_->RestoreDefaults();
  optionsDesignerTabs_->RestoreDefaults();
  optionsPagination_->RestoreDefaults();
  optionsRefinements_->RestoreDefaults();
  optionsTransparent_->RestoreDefaults();
  SetSupportedCustomDraw(false);
}

void TdxCustomContainerReportLink::Assign(const TBasedxReportLink& source) {
  if (&source == this) return;
  TBasedxReportLink::Assign(source);
  auto* s = dynamic_cast<const TdxCustomContainerReportLink*>(&source);
  if (!s) return;
  optionsBehavior_->Assign(s->optionsBehavior_.get());
  optionsDesignerTabs_->Assign(s->optionsDesignerTabs_.get());
  optionsPagination_->Assign(s->optionsPagination_.get());
  optionsRefinements_->Assign(s->optionsRefinements_.get());
  optionsTransparent_->Assign(s->optionsTransparent_.get());
  SetSupportedCustomDraw(s->supportedCustomDraw_);
  s->Purge(s->hidden_);
  s->Purge(s->excluded_);
  hidden_ = s->hidden_;
  excluded_ = s->excluded_;
  listsComponent_ = Component();
  RebuildNeeded = true;
}

namespace {
TdxClass& ContainerDesignWindowClass() {
  static TdxClass cls = nullptr;
  return cls;
}
}  // namespace

TdxClass dxPSContainerDesignWindowClass() { return ContainerDesignWindowClass(); }
void dxPSSetContainerDesignWindowClass(TdxClass cls) { ContainerDesignWindowClass() = cls; }

TdxClass TdxCustomContainerReportLink::DesignWindowClass() const {
  if (TdxClass cls = TBasedxReportLink::DesignWindowClass()) return cls;
  TdxClass componentClass = dxComponentClassOf(Component());
  if (InheritsFrom(componentClass, &TCustomFormClass) || InheritsFrom(componentClass, &TCustomFrameClass))
    return dxPSContainerDesignWindowClass();
  return nullptr;
}

void TdxCustomContainerReportLink::InternalClear() {
  TBasedxReportLink::InternalClear();
  definitions_.clear();
}

// ---- Construction ----

void TdxCustomContainerReportLink::ConstructReport(TdxReportCells& cells) {
  TBasedxReportLink::ConstructReport(cells);
  auto* root = qobject_cast<QWidget*>(Component());
  if (!root) return;
  dxPSRegisterContainerLinkClasses();
  ScopeExit unprepare([this] { UnprepareConstruct(); });
  PrepareConstruct(cells);
  TdxReportCell* rootHost;
  {
    std::unique_ptr<TdxPSContainerBuilder> builder = CreateBuilder(root, nullptr, nullptr);
    rootHost = builder->Build();
  }
  ApplyPlaceOptions();
  rootHost->SetBounds(0, 0, rootHost->Width(), rootHost->Height());
  TdxReportCell* document = cells.Cells();
  document->SetBounds(document->Left(), document->Top(), rootHost->Width(), rootHost->Height());
}

void TdxCustomContainerReportLink::PrepareConstruct(TdxReportCells& cells) {
  cells_ = &cells;
  definitions_.clear();
  aggregatedLinks_.clear();
  cells.ClearItems();
  cells.ClearOverlays();
  screenDC_ = std::make_unique<TCanvas>(TDeviceCaps::Screen());
  CheckComponentChanged();
  ResolveStored(hidden_, false);
  ResolveStored(excluded_, false);

  auto* root = qobject_cast<QWidget*>(Component());
  dxPrepareControlTree(root);
  progressTotal_ = root ? 1 + int(root->findChildren<QWidget*>().size()) : 0;
  progressDone_ = progressTold_ = 0;
  // Group captions use the container's font and colour.
  TdxPSCustomProducer* producer = ProducerFor(root);
  TdxPSReportGroupLookAndFeel* lookAndFeel =
      cells.CreateLookAndFeel(TdxPSReportGroupStandardLookAndFeel::StaticClass(), true);
  int font = producer->ControlFontIndex();
  lookAndFeel->SetFontIndex(font);
  lookAndFeel->SetCaptionFontIndex(font);
  lookAndFeel->SetColor(producer->ControlColor());
  cells.SetLookAndFeel(lookAndFeel);
}

void TdxCustomContainerReportLink::UnprepareConstruct() {
  delimitersHorz_.clear();
  delimitersVert_.clear();
  for (auto& definition : definitions_) {
    definition->AddDelimitersHorz(delimitersHorz_);
    definition->AddDelimitersVert(delimitersVert_);
  }
  SortUnique(delimitersHorz_);
  SortUnique(delimitersVert_);
  screenDC_.reset();
  cells_ = nullptr;
}

std::unique_ptr<TdxPSContainerBuilder> TdxCustomContainerReportLink::CreateBuilder(QWidget* control,
                                                                                   TdxPSContainerBuilder* parentBuilder,
                                                                                   TdxReportCell* parentHost) {
  TdxClass cls = TdxPSContainerBuilderFactory::Instance()->FindItem(dxComponentClassOf(control));
  if (!cls) cls = TdxPSContainerBuilder::StaticClass();
  std::unique_ptr<TdxPSContainerBuilder> builder = dxCreateObject<TdxPSContainerBuilder>(cls);
  builder->Initialize(this, control, parentBuilder, parentHost);
  return builder;
}

TdxReportVisualItem* TdxCustomContainerReportLink::CreateItem(QWidget* control, TdxReportCell* cell) {
  TdxPSCustomProducer* producer = ProducerFor(control);
  std::unique_ptr<TdxReportVisualItem> owned = dxCreateObject<TdxReportVisualItem>(producer->ItemClass());
  owned->SetParent(cell);
  TdxReportVisualItem* item = owned.release();
  std::unique_ptr<TdxPSCustomContainerItemDefinition> definition =
      dxCreateObject<TdxPSCustomContainerItemDefinition>(producer->ProducerClass()->DefinitionClass());
  definition->Initialize(this, control, item);
  TdxPSCustomContainerItemDefinition* added = definition.get();
  definitions_.push_back(std::move(definition));
  // Data refers to the control, through its definition.
  item->Data = std::int32_t(definitions_.size());
  producer->InitializeItem(*item);
  DoInitializeItem(*item, control);
  DoInitializeItemOptionsPlace(*item, control, added->OptionsPlace());
  ReportProgress();
  return item;
}

void TdxCustomContainerReportLink::ReportProgress() {
  ++progressDone_;
  if (!ComponentPrinter() || progressTotal_ <= 0) return;
  const int percent = int(std::min<std::int64_t>(std::int64_t(progressDone_) * 100 / progressTotal_, 100));
  if (percent <= progressTold_) return;
  progressTold_ = percent;
  ComponentPrinter()->GenerateReportProgress(this, percent);
}

void TdxCustomContainerReportLink::DoInitializeItem(TdxReportVisualItem& item, QObject* component) {
  if (OnInitializeItem) OnInitializeItem(*this, item, component);
}

void TdxCustomContainerReportLink::DoInitializeItemOptionsPlace(TdxReportVisualItem& item, QObject* component,
                                                                TdxCustomContainerReportLinkOptionsItemPlace& options) {
  if (OnInitializeItemOptionsPlace) OnInitializeItemOptionsPlace(*this, item, component, options);
}

void TdxCustomContainerReportLink::DoGetComponentReportLink(QObject* component, TBasedxReportLink*& link) {
  if (OnGetComponentReportLink) OnGetComponentReportLink(*this, component, link);
}

void TdxCustomContainerReportLink::ApplyPlaceOptions() {
  // Production order puts every container's own item after its children's.
  for (std::size_t i = 0; i < definitions_.size(); ++i) ApplyPlaceOptions(*definitions_[i]);
}

void TdxCustomContainerReportLink::ApplyPlaceOptions(TdxPSCustomContainerItemDefinition& definition) {
  TdxCustomContainerReportLinkOptionsItemPlace& options = definition.OptionsPlace();
  if (!options.HasHeightOptions() && !options.HasWidthOptions()) return;
  QWidget* control = definition.Component();
  TdxReportVisualItem* target = definition.SizeChangeItem();
  if (!control || !target || !screenDC_) return;
  TdxPSCustomProducer* producer = ProducerFor(control);
  TdxReportVisualItem* item = definition.ReportItem();
  if (options.HasHeightOptions()) {
    int content = producer->MeasureContentHeight(definition, *screenDC_);
    int height = target->Height();
    if (content > 0 && ((options.ExpandHeight() && content > height) || (options.ShrinkHeight() && content < height))) {
      target->SetHeight(content);
      // The item fills its host: it follows.
      if (item != target && item->Height() == height) item->SetHeight(content);
    }
  }
  if (options.HasWidthOptions()) {
    int content = producer->MeasureContentWidth(definition, *screenDC_);
    int width = target->Width();
    if (content > 0 && ((options.ExpandWidth() && content > width) || (options.ShrinkWidth() && content < width))) {
      target->SetWidth(content);
      if (item != target && item->Width() == width) item->SetWidth(content);
    }
  }
}

bool TdxCustomContainerReportLink::IsComponentProcessed(QObject* component) {
  if (!component) return false;
  bool processed = true;
  if (auto* w = qobject_cast<QWidget*>(component))
    if (!dxControlVisible(w) || dxControlBounds(w).IsEmpty()) processed = false;
  if (processed && (IsHiddenComponent(component) || IsExcludedComponent(component))) processed = false;
  if (OnIsComponentProcessed) OnIsComponentProcessed(*this, component, processed);
  return processed;
}

TdxPSProducerClass TdxCustomContainerReportLink::ProducerClassFor(QWidget* control) const {
  dxPSRegisterContainerLinkClasses();
  TdxClass cls = dxComponentClassOf(control);
  if (control != Component()) {
    auto* native =
        dynamic_cast<TdxPSProducerClass>(TdxPSNativePrintableControlProducerFactory::Instance()->FindItem(cls));
    if (native && dxPSIsAggregatableReportLink(dxPSLinkClassByComponentClass(cls))) return native;
  }
  auto* producer = dynamic_cast<TdxPSProducerClass>(TdxPSContainerItemProducerFactory::Instance()->FindItem(cls));
  if (!producer)
    throw EdxReportLink(::Format("No producer for %s", dxClassName(cls).c_str()));
  if (TdxPSProducerClass substitute = producer->SubstituteProducerClass()) return substitute;
  return producer;
}

TdxPSCustomProducer* TdxCustomContainerReportLink::ProducerFor(QWidget* control) {
  return producerCache_->Get(ProducerClassFor(control), control);
}

void TdxCustomContainerReportLink::ConvertCoords() {
  TBasedxReportLink::ConvertCoords();
  int upi = dxPSReportUnitsPerInch(), ppi = ScreenPixelsPerInch();
  for (int& x : delimitersHorz_) x = MulDiv(x, upi, ppi);
  for (int& y : delimitersVert_) y = MulDiv(y, upi, ppi);
}

void TdxCustomContainerReportLink::GetDelimiters(std::vector<int>& horz, std::vector<int>& vert) {
  horz = delimitersHorz_;
  vert = delimitersVert_;
}

TdxPSCustomContainerItemDefinition* TdxCustomContainerReportLink::Definitions(int index) const {
  return index >= 0 && index < DefinitionCount() ? definitions_[std::size_t(index)].get() : nullptr;
}

TdxPSCustomContainerItemDefinition* TdxCustomContainerReportLink::DefinitionOf(const TdxReportItem& item) const {
  TdxPSCustomContainerItemDefinition* definition = Definitions(item.Data - 1);
  return definition && definition->ReportItem() == &item ? definition : nullptr;
}

QWidget* TdxCustomContainerReportLink::ComponentOf(const TdxReportItem& item) const {
  TdxPSCustomContainerItemDefinition* definition = DefinitionOf(item);
  return definition ? definition->Component() : nullptr;
}

bool TdxCustomContainerReportLink::IsSupportedCustomDraw(const TAbstractdxReportCellData& item) const {
  return supportedCustomDraw_ && ComponentOf(item) != nullptr;
}

bool TdxCustomContainerReportLink::CustomDrawItem(TAbstractdxReportCellData& item, TCanvas& canvas, const TRect&,
                                                  const TRect&) {
  bool done = false;
  if (onCustomDrawItem_ && IsSupportedCustomDraw(item)) onCustomDrawItem_(*this, canvas, item, ComponentOf(item), done);
  return done;
}

void TdxCustomContainerReportLink::EnumerateImageLists(const std::function<void(TCustomImageList*)>& report) {
  for (auto& definition : definitions_)
    if (QWidget* control = definition->Component()) ProducerFor(control)->EnumerateImageLists(report);
}

// ---- Aggregated links ----

void TdxCustomContainerReportLink::AddAggregatedLink(TBasedxReportLink* link) {
  if (link && std::find(aggregatedLinks_.begin(), aggregatedLinks_.end(), link) == aggregatedLinks_.end())
    aggregatedLinks_.push_back(link);
}

namespace {
// With a printer, a link stays listed only while the printer still holds it
// (the printer destroys the links it removes).
bool IsLiveLink(const TCustomdxComponentPrinter* printer, const TBasedxReportLink* link) {
  return !printer || printer->IndexOfLink(link) >= 0;
}
}  // namespace

int TdxCustomContainerReportLink::AggregatedReportLinkCount() const {
  return int(std::count_if(aggregatedLinks_.begin(), aggregatedLinks_.end(),
                           [this](const TBasedxReportLink* l) { return IsLiveLink(ComponentPrinter(), l); }));
}

TBasedxReportLink* TdxCustomContainerReportLink::AggregatedReportLinks(int index) const {
  for (TBasedxReportLink* link : aggregatedLinks_)
    if (IsLiveLink(ComponentPrinter(), link) && index-- == 0) return link;
  return nullptr;
}

// ---- Hidden and excluded components ----

void TdxCustomContainerReportLink::AttachComponent(QObject* component) {
  TBasedxReportLink::AttachComponent(component);
  CheckComponentChanged();
  // Names read before the component was known are resolved now.
  ResolveStored(hidden_, true);
  ResolveStored(excluded_, true);
}

void TdxCustomContainerReportLink::CheckComponentChanged() const {
  const QObject* component = Component();
  if (component == listsComponent_) return;
  if (listsComponent_ && !IsLoading()) {
    hidden_.clear();
    excluded_.clear();
  }
  listsComponent_ = component;
}

void TdxCustomContainerReportLink::Purge(StoredList& list) const {
  CheckComponentChanged();
  std::erase_if(list, [](const StoredComponent& e) { return e.Resolved && e.Component.isNull(); });
}

bool TdxCustomContainerReportLink::CanStore(const QObject* component) const {
  const QObject* root = Component();
  if (!component || !root || component == root) return false;
  if (auto* w = qobject_cast<const QWidget*>(component)) {
    auto* rootWidget = qobject_cast<const QWidget*>(root);
    return rootWidget && rootWidget->isAncestorOf(w);
  }
  return component->parent() && component->parent() == root->parent();
}

bool TdxCustomContainerReportLink::AddStored(StoredList& list, QObject* component) {
  Purge(list);
  if (!CanStore(component) || IsStored(list, component)) return false;
  list.push_back({FromQ(component->objectName()), component, true});
  return true;
}

bool TdxCustomContainerReportLink::IsStored(const StoredList& list, const QObject* component) {
  if (!component) return false;
  return std::any_of(list.begin(), list.end(),
                     [component](const StoredComponent& e) { return e.Resolved && e.Component == component; });
}

void TdxCustomContainerReportLink::RemoveStored(StoredList& list, const QObject* component) {
  std::erase_if(list, [component](const StoredComponent& e) { return e.Resolved && e.Component == component; });
}

int TdxCustomContainerReportLink::StoredCount(StoredList& list) const {
  Purge(list);
  return int(list.size());
}

QObject* TdxCustomContainerReportLink::StoredItem(StoredList& list, int index) const {
  Purge(list);
  return index >= 0 && index < int(list.size()) ? list[std::size_t(index)].Component.data() : nullptr;
}

bool TdxCustomContainerReportLink::AddHiddenComponent(QObject* component) { return AddStored(hidden_, component); }
bool TdxCustomContainerReportLink::IsHiddenComponent(const QObject* component) const {
  Purge(hidden_);
  return IsStored(hidden_, component);
}
void TdxCustomContainerReportLink::RemoveHiddenComponent(const QObject* component) {
  Purge(hidden_);
  RemoveStored(hidden_, component);
}
void TdxCustomContainerReportLink::ClearHiddenComponents() { hidden_.clear(); }
int TdxCustomContainerReportLink::HiddenComponentCount() const { return StoredCount(hidden_); }
QObject* TdxCustomContainerReportLink::HiddenComponents(int index) const { return StoredItem(hidden_, index); }

bool TdxCustomContainerReportLink::AddExcludedComponent(QObject* component) { return AddStored(excluded_, component); }
bool TdxCustomContainerReportLink::IsExcludedComponent(const QObject* component) const {
  Purge(excluded_);
  return IsStored(excluded_, component);
}
void TdxCustomContainerReportLink::RemoveExcludedComponent(const QObject* component) {
  Purge(excluded_);
  RemoveStored(excluded_, component);
}
void TdxCustomContainerReportLink::ClearExcludedComponents() { excluded_.clear(); }
int TdxCustomContainerReportLink::ExcludedComponentCount() const { return StoredCount(excluded_); }
QObject* TdxCustomContainerReportLink::ExcludedComponents(int index) const { return StoredItem(excluded_, index); }

std::vector<std::string> TdxCustomContainerReportLink::HiddenComponentNames() const {
  Purge(hidden_);
  std::vector<std::string> names;
  for (const StoredComponent& e : hidden_) names.push_back(e.Name);
  return names;
}

std::vector<std::string> TdxCustomContainerReportLink::ExcludedComponentNames() const {
  Purge(excluded_);
  std::vector<std::string> names;
  for (const StoredComponent& e : excluded_) names.push_back(e.Name);
  return names;
}

namespace {
const char* const kStandardControls[] = {"TScrollBar", "TSplitter", "TControlBar", "TToolBar", "TCoolBar",
                                         "TPageScroller"};

bool IsStandardControl(const QWidget* w) {
  TdxClass cls = dxComponentClassOf(w);
  for (const char* name : kStandardControls)
    if (TdxClass standard = dxControlClassByName(name); standard && InheritsFrom(cls, standard)) return true;
  return false;
}
}  // namespace

void TdxCustomContainerReportLink::HideStandardControls() {
  auto* root = qobject_cast<QWidget*>(Component());
  if (!root) return;
  for (QWidget* child : dxControlChildren(root))
    if (IsStandardControl(child)) AddHiddenComponent(child);
}

void TdxCustomContainerReportLink::UnhideStandardControls() {
  auto* root = qobject_cast<QWidget*>(Component());
  if (!root) return;
  for (QWidget* child : dxControlChildren(root))
    if (IsStandardControl(child)) RemoveHiddenComponent(child);
}

TBytes TdxCustomContainerReportLink::WriteStored(const StoredList& list) {
  TBytes block;
  for (const StoredComponent& e : list) {
    if (e.Name.empty()) continue;
    block.insert(block.end(), e.Name.begin(), e.Name.end());
    block.push_back('\r');
    block.push_back('\n');
  }
  return block;
}

void TdxCustomContainerReportLink::ReadStored(StoredList& list, TByteView block) {
  list.clear();
  std::string name;
  auto flush = [&] {
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (!name.empty()) list.push_back({name, nullptr, false});
    name.clear();
  };
  // CR, LF and CR LF all end a line, as in the platform's string lists.
  for (std::uint8_t byte : block) {
    if (byte == '\n' || byte == '\r') flush();
    else if (byte != 0) name.push_back(char(byte));
  }
  flush();
}

TBytes TdxCustomContainerReportLink::WriteHiddenComponents() const {
  Purge(hidden_);
  return WriteStored(hidden_);
}
TBytes TdxCustomContainerReportLink::WriteExcludedComponents() const {
  Purge(excluded_);
  return WriteStored(excluded_);
}
void TdxCustomContainerReportLink::ReadHiddenComponents(TByteView block) { ReadStored(hidden_, block); }
void TdxCustomContainerReportLink::ReadExcludedComponents(TByteView block) { ReadStored(excluded_, block); }

QObject* TdxCustomContainerReportLink::Owner() const {
  if (owner_) return owner_;
  if (ComponentPrinter() && ComponentPrinter()->parent()) return ComponentPrinter()->parent();
  if (auto* w = qobject_cast<QWidget*>(Component())) return w->window();
  return nullptr;
}

void TdxCustomContainerReportLink::ResolveStored(StoredList& list, bool dropMissing) {
  QObject* owner = Owner();
  if (!owner) return;  // nowhere to look yet: names stay pending
  for (std::size_t i = list.size(); i-- > 0;) {
    StoredComponent& e = list[i];
    if (e.Resolved) continue;
    QString name = ToQ(e.Name);
    QObject* found = owner->objectName() == name ? owner : owner->findChild<QObject*>(name);
    if (found && !IsStored(list, found)) {
      e.Component = found;
      e.Resolved = true;
    } else if (dropMissing || found) {
      list.erase(list.begin() + std::ptrdiff_t(i));
    }
  }
}

void TdxCustomContainerReportLink::Loaded() {
  CheckComponentChanged();
  ResolveStored(hidden_, true);
  ResolveStored(excluded_, true);
}

std::string TdxCustomContainerReportLink::ComponentCaption(QObject* component) {
  std::string caption = component ? FromQ(component->objectName()) : std::string();
  if (OnGetComponentCaption) OnGetComponentCaption(*this, component, caption);
  return caption;
}
