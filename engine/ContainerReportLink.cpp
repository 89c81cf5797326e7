#include "engine/ContainerReportLink.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>
#include <exception>
#include <map>

#include "engine/ComponentPrinter.h"
#include "layout/ReportRenderer.h"
#include "platform/Canvas.h"
#include "platform/MetafileRecorder.h"
#include "platform/QtStrings.h"
#include "report/ShapeItems.h"

namespace {

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

void SortUnique(std::vector<int>& list) {
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
}

}  // namespace

// ---- Options ---------------------------------------------------------------------

void TdxCustomContainerReportLinkOptions::OptionChanged() {
  if (link_) link_->OptionsModified();
}

void TdxCustomContainerReportLinkOptions::SetFlag(bool& field, bool value) {
  if (field == value) return;
  field = value;
  OptionChanged();
}

void TdxCustomContainerReportLinkOptions::ReadFlag(const TdxPropertyValue& value, bool& field) {
  if (const bool* b = std::get_if<bool>(&value)) SetFlag(field, *b);
}

namespace {
// Options are written only when they differ from their defaults.
void WriteFlag(TdxPropertyWriter& writer, const std::string& name, bool value, bool defaultValue) {
  if (value != defaultValue) writer.WriteProperty(name, value);
}
}  // namespace

void TdxCustomContainerReportLinkOptionsBehavior::RestoreDefaults() {
  consumeExistingLinks_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsBehavior::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsBehavior*>(&source))
    SetConsumeExistingLinks(s->consumeExistingLinks_);
}
void TdxCustomContainerReportLinkOptionsBehavior::WriteProperties(TdxPropertyWriter& writer,
                                                                   const std::string& prefix) const {
  WriteFlag(writer, prefix + "ConsumeExistingLinks", consumeExistingLinks_, true);
}
void TdxCustomContainerReportLinkOptionsBehavior::ReadProperty(const std::string& name,
                                                                const TdxPropertyValue& value) {
  if (name == "ConsumeExistingLinks") ReadFlag(value, consumeExistingLinks_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsDesignerTabs::RestoreDefaults() {
  autoHideReportLinksIfEmpty_ = controls_ = reportLinks_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsDesignerTabs::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsDesignerTabs*>(&source)) {
    SetAutoHideReportLinksIfEmpty(s->autoHideReportLinksIfEmpty_);
    SetControls(s->controls_);
    SetReportLinks(s->reportLinks_);
  }
}
void TdxCustomContainerReportLinkOptionsDesignerTabs::WriteProperties(TdxPropertyWriter& writer,
                                                                       const std::string& prefix) const {
  WriteFlag(writer, prefix + "AutoHideReportLinksIfEmpty", autoHideReportLinksIfEmpty_, true);
  WriteFlag(writer, prefix + "Controls", controls_, true);
  WriteFlag(writer, prefix + "ReportLinks", reportLinks_, true);
}
void TdxCustomContainerReportLinkOptionsDesignerTabs::ReadProperty(const std::string& name,
                                                                    const TdxPropertyValue& value) {
  if (name == "AutoHideReportLinksIfEmpty") ReadFlag(value, autoHideReportLinksIfEmpty_);
  else if (name == "Controls") ReadFlag(value, controls_);
  else if (name == "ReportLinks") ReadFlag(value, reportLinks_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsItemPlace::RestoreDefaults() {
  expandHeight_ = expandWidth_ = shrinkHeight_ = shrinkWidth_ = false;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsItemPlace::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsItemPlace*>(&source)) {
    SetExpandHeight(s->expandHeight_);
    SetExpandWidth(s->expandWidth_);
    SetShrinkHeight(s->shrinkHeight_);
    SetShrinkWidth(s->shrinkWidth_);
  }
}
void TdxCustomContainerReportLinkOptionsItemPlace::WriteProperties(TdxPropertyWriter& writer,
                                                                    const std::string& prefix) const {
  WriteFlag(writer, prefix + "ExpandHeight", expandHeight_, false);
  WriteFlag(writer, prefix + "ExpandWidth", expandWidth_, false);
  WriteFlag(writer, prefix + "ShrinkHeight", shrinkHeight_, false);
  WriteFlag(writer, prefix + "ShrinkWidth", shrinkWidth_, false);
}
void TdxCustomContainerReportLinkOptionsItemPlace::ReadProperty(const std::string& name,
                                                                 const TdxPropertyValue& value) {
  if (name == "ExpandHeight") ReadFlag(value, expandHeight_);
  else if (name == "ExpandWidth") ReadFlag(value, expandWidth_);
  else if (name == "ShrinkHeight") ReadFlag(value, shrinkHeight_);
  else if (name == "ShrinkWidth") ReadFlag(value, shrinkWidth_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsPagination::RestoreDefaults() {
  controlDetails_ = controls_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsPagination::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsPagination*>(&source)) {
    SetControlDetails(s->controlDetails_);
    SetControls(s->controls_);
  }
}
void TdxCustomContainerReportLinkOptionsPagination::WriteProperties(TdxPropertyWriter& writer,
                                                                     const std::string& prefix) const {
  WriteFlag(writer, prefix + "ControlDetails", controlDetails_, true);
  WriteFlag(writer, prefix + "Controls", controls_, true);
}
void TdxCustomContainerReportLinkOptionsPagination::ReadProperty(const std::string& name,
                                                                  const TdxPropertyValue& value) {
  if (name == "ControlDetails") ReadFlag(value, controlDetails_);
  else if (name == "Controls") ReadFlag(value, controls_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsRefinements::RestoreDefaults() {
  rootBorders_ = false;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsRefinements::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsRefinements*>(&source))
    SetRootBorders(s->rootBorders_);
}
void TdxCustomContainerReportLinkOptionsRefinements::WriteProperties(TdxPropertyWriter& writer,
                                                                      const std::string& prefix) const {
  WriteFlag(writer, prefix + "RootBorders", rootBorders_, false);
}
void TdxCustomContainerReportLinkOptionsRefinements::ReadProperty(const std::string& name,
                                                                   const TdxPropertyValue& value) {
  if (name == "RootBorders") ReadFlag(value, rootBorders_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsTransparent::RestoreDefaults() {
  containers_ = true;
  controls_ = false;
  graphics_ = false;
  root_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsTransparent::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsTransparent*>(&source)) {
    SetContainers(s->containers_);
    SetControls(s->controls_);
    SetGraphics(s->graphics_);
    SetRoot(s->root_);
  }
}
void TdxCustomContainerReportLinkOptionsTransparent::WriteProperties(TdxPropertyWriter& writer,
                                                                      const std::string& prefix) const {
  WriteFlag(writer, prefix + "Containers", containers_, true);
  WriteFlag(writer, prefix + "Controls", controls_, false);
  WriteFlag(writer, prefix + "Graphics", graphics_, false);
  WriteFlag(writer, prefix + "Root", root_, true);
}
void TdxCustomContainerReportLinkOptionsTransparent::ReadProperty(const std::string& name,
                                                                   const TdxPropertyValue& value) {
  if (name == "Containers") ReadFlag(value, containers_);
  else if (name == "Controls") ReadFlag(value, controls_);
  else if (name == "Graphics") ReadFlag(value, graphics_);
  else if (name == "Root") ReadFlag(value, root_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

// ---- Item definitions ------------------------------------------------------------

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

// ---- Iterators -------------------------------------------------------------------

TdxPSWinControlIterator::TdxPSWinControlIterator(QWidget* control, const TdxPSCustomProducer* producer) {
  for (QWidget* child : dxControlChildren(control))
    if (!producer || producer->IsChildAccepted(child)) controls_.push_back(child);
}

QWidget* TdxPSWinControlIterator::Controls(int index) const {
  return index >= 0 && index < ControlCount() ? controls_[std::size_t(index)] : nullptr;
}

QWidget* TdxPSWinControlIterator::Next() {
  if (index_ < ControlCount()) ++index_;
  return Controls(index_);
}

QWidget* TdxPSWinControlIterator::Prior() {
  if (index_ >= 0) --index_;
  return Controls(index_);
}

namespace {
std::vector<QWidget*> ActivePageList(QWidget* control) {
  QWidget* page = dxControlActivePage(control);
  return page ? std::vector<QWidget*>{page} : std::vector<QWidget*>{};
}
}  // namespace

TdxPSPageControlIterator::TdxPSPageControlIterator(QWidget* control)
    : TdxPSWinControlIterator(ActivePageList(control)) {}

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

TdxCustomClassMaps* TdxPSCustomProducer::PairFactory() { return TdxPSContainerItemProducerFactory::Instance(); }
TdxCustomClassMaps* TdxPSControlAsMetafileProducer::PairFactory() { return TdxPSProducerHelperFactory::Instance(); }
TdxCustomClassMaps* TdxPSWinControlAsMetafileProducer::PairFactory() {
  return TdxPSProducerHelperFactory::Instance();
}
TdxCustomClassMaps* TdxPSNativePrintableControlProducer::PairFactory() {
  return TdxPSNativePrintableControlProducerFactory::Instance();
}

// ---- TdxPSCustomProducer ---------------------------------------------------------

void TdxPSCustomProducer::Initialize(TdxCustomContainerReportLink* link, QWidget* object) {
  link_ = link;
  object_ = object;
}

QWidget* TdxPSCustomProducer::RootComponent() const {
  return link_ ? qobject_cast<QWidget*>(link_->Component()) : nullptr;
}

bool TdxPSCustomProducer::IsRoot() const { return object_ && object_ == RootComponent(); }

bool TdxPSCustomProducer::IsChildAccepted(QWidget* child) const {
  TdxClass cls = dxComponentClassOf(object_);
  if (InheritsFrom(cls, &TCustomFormClass) || InheritsFrom(cls, &TCustomFrameClass)) return true;
  return dxControlAcceptsControls(object_) && !dxIsInternalControlPart(object_, child);
}

std::shared_ptr<IdxPSContainerIterator> TdxPSCustomProducer::Iterator() const {
  return std::make_shared<TdxPSWinControlIterator>(object_, this);
}

void TdxPSCustomProducer::InitializeHost(TdxReportCell& host) {
  host.SetBoundsRect(ControlBounds());
  host.SetColor(ControlColor());
  host.SetCellSides(0);
  host.SetOpaqueToParent(true);
  host.SetTransparent(true);
}

TRect TdxPSCustomProducer::ControlBounds() const {
  TRect r = dxControlBounds(object_);
  if (!IsRoot()) {
    // The parent's scroll offsets bring scrolled content back to its place.
    TPoint scroll = dxControlScrollPos(dxControlParent(object_));
    r.Offset(scroll.X, scroll.Y);
  }
  return r;
}

TColor TdxPSCustomProducer::ControlColor() const {
  return dxControlEnabled(object_) ? dxControlColor(object_) : clBtnFace;
}

TColor TdxPSCustomProducer::ControlFontColor() const {
  return dxControlEnabled(object_) ? dxControlFont(object_).Color : clBtnText;
}

int TdxPSCustomProducer::ControlFontIndex() const {
  TFont font = dxControlFont(object_);
  font.Color = ControlFontColor();
  if (!dxIsTrueTypeFont(font.Name) && link_) font.Name = link_->Font().Name;
  return link_ ? link_->FontPool().Add(font) : 0;
}

int TdxPSCustomProducer::HorzScrollPos() const { return dxControlScrollPos(object_).X; }
int TdxPSCustomProducer::VertScrollPos() const { return dxControlScrollPos(object_).Y; }

int TdxPSCustomProducer::MeasureContentHeight(TdxPSCustomContainerItemDefinition& definition, TCanvas& dc) {
  TdxReportVisualItem* item = definition.OptionsPlaceItem();
  return item ? item->MeasureHeight(dc) : 0;
}

int TdxPSCustomProducer::MeasureContentWidth(TdxPSCustomContainerItemDefinition& definition, TCanvas& dc) {
  TdxReportVisualItem* item = definition.OptionsPlaceItem();
  return item ? item->MeasureWidth(dc) : 0;
}

// ---- Item producers --------------------------------------------------------------

void TdxPSCustomContainerItemProducer::InitializeItem(TdxReportVisualItem& item) {
  item.SetBoundsRect(ControlBounds());
  item.SetColor(ControlColor());
  item.SetFontIndex(ControlFontIndex());
  item.SetTransparent(ReportLink()->OptionsTransparent().Controls());
}

void TdxPSContainerControlProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomContainerItemProducer::InitializeItem(item);
  item.SetBoundsRect(ControlBounds());
  item.SetCellSides(dxFormatSides);
}

void dxPaintControlToMetafile(QWidget* control, TdxReportCellGraphic& item) {
  item.SetImage(nullptr);
  int width = item.Width(), height = item.Height();
  if (!control || width <= 0 || height <= 0) return;
  TMetafile metafile;
  {
    TMetafileRecorder recorder(width, height, ScreenPixelsPerInch());
    // The control erases its background and paints itself, then its
    // children at their places, onto the recording canvas.
    control->render(&recorder, QPoint(0, 0), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    metafile.SetEnhancedData(recorder.EnhancedData());
  }
  item.SetImage(&metafile);
}

namespace {
void InitializeMetafileItem(QWidget* control, TdxReportVisualItem& item) {
  item.SetCellSides(0);
  auto& graphic = dynamic_cast<TdxReportCellGraphic&>(item);
  graphic.SetImageTransparent(false);
  dxPaintControlToMetafile(control, graphic);
}
}  // namespace

void TdxPSControlAsMetafileProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerControlProducer::InitializeItem(item);
  InitializeMetafileItem(ProducingObject(), item);
}

void TdxPSBevelProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSContainerControlProducer::InitializeItem(item);
  auto* frame = qobject_cast<QFrame*>(ProducingObject());
  if (!frame) return;
  switch (frame->frameShape()) {
    case QFrame::NoFrame: item.SetCellSides(0); break;
    case QFrame::HLine: item.SetCellSides(isdTop); break;
    case QFrame::VLine: item.SetCellSides(isdLeft); break;
    default: break;
  }
  if (frame->frameShadow() == QFrame::Sunken) item.SetBorderClass(TdxPSCellSunkenBorder::StaticClass());
  else if (frame->frameShadow() == QFrame::Raised) item.SetBorderClass(TdxPSCellRaisedBorder::StaticClass());
}

namespace {
TdxClass ShapeClassOf(const QWidget* w) {
  static const std::pair<const char*, TdxClass> shapes[] = {
      {"stRectangle", TdxReportCellRectangle::StaticClass()},
      {"stSquare", TdxReportCellSquare::StaticClass()},
      {"stRoundRect", TdxReportCellRoundRect::StaticClass()},
      {"stRoundSquare", TdxReportCellRoundSquare::StaticClass()},
      {"stEllipse", TdxReportCellEllipse::StaticClass()},
      {"stCircle", TdxReportCellCircle::StaticClass()},
  };
  QVariant shape = w ? w->property("Shape") : QVariant();
  if (shape.isValid()) {
    bool numeric = false;
    int ordinal = shape.toInt(&numeric);
    if (numeric && ordinal >= 0 && ordinal < int(std::size(shapes))) return shapes[ordinal].second;
    for (const auto& [name, cls] : shapes)
      if (SameText(name, FromQ(shape.toString()))) return cls;
  }
  return shapes[0].second;
}

TColor ColorProperty(const QWidget* w, const char* name, TColor fallback) {
  QVariant v = w ? w->property(name) : QVariant();
  if (!v.isValid()) return fallback;
  if (v.canConvert<QColor>() && v.value<QColor>().isValid()) return dxColorFromQColor(v.value<QColor>());
  bool ok = false;
  int value = v.toInt(&ok);
  return ok ? TColor(value) : fallback;
}
}  // namespace

TdxClass TdxPSShapeProducer::ItemClass() const { return ShapeClassOf(ProducingObject()); }

void TdxPSShapeProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomContainerItemProducer::InitializeItem(item);
  item.SetCellSides(0);
  auto* shape = dynamic_cast<TCustomdxReportCellShape*>(&item);
  if (!shape) return;
  QWidget* w = ProducingObject();
  TColor pen = ColorProperty(w, "PenColor", ControlFontColor());
  TColor brush = ColorProperty(w, "BrushColor", ControlColor());
  shape->SetShapeBorderColor(pen);
  shape->SetShapeColor(brush);
  shape->SetContentBkColor(brush);
  shape->SetColor(brush);
}

void TdxPSCustomLabelProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxPSCustomContainerItemProducer::InitializeItem(item);
  item.SetCellSides(0);
  auto& text = dynamic_cast<TdxReportCellString&>(item);
  text.SetText(ControlText());
  TdxTextAlignX alignX = taLeft;
  TdxTextAlignY alignY = taTop;
  bool wordWrap = false;
  if (auto* label = qobject_cast<QLabel*>(ProducingObject())) {
    Qt::Alignment a = label->alignment();
    if (a & Qt::AlignHCenter) alignX = taCenterX;
    else if (a & Qt::AlignRight) alignX = taRight;
    else if (a & Qt::AlignJustify) alignX = taJustifyX;
    if (a & Qt::AlignVCenter) alignY = taCenterY;
    else if (a & Qt::AlignBottom) alignY = taBottom;
    wordWrap = label->wordWrap();
  }
  text.SetTextAlignX(alignX);
  text.SetTextAlignY(alignY);
  text.SetMultiline(wordWrap);
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

// ---- Embedding another link's report ---------------------------------------------

namespace {

// A copy of source (with its classes) appended to parent.
TdxReportCell* CopyCell(const TdxReportCell& source, TdxReportCell* parent) {
  std::unique_ptr<TdxReportCell> owned = dxCreateObject<TdxReportCell>(source.ClassType());
  owned->SetParent(parent);
  TdxReportCell* cell = owned.release();
  cell->Assign(source);
  cell->ClearAll();  // again below, keeping the classes of nested cells
  for (int i = 0; i < source.CellCount(); ++i) CopyCell(*source.Cells(i), cell);
  for (int i = 0; i < source.DataItemCount(); ++i) {
    const TAbstractdxReportCellData* data = source.DataItems(i);
    std::unique_ptr<TdxReportItem> item = dxCreateObject<TdxReportItem>(data->ClassType());
    item->SetParent(cell);
    item.release()->Assign(*data);
  }
  return cell;
}

// Re-enters the fonts and background bitmaps of the items from the pools of
// link into the pools of owner; the items no longer refer to components.
void RemapPools(TdxReportVisualItem& item, TBasedxReportLink& link, TdxCustomContainerReportLink& owner, int ppi) {
  item.Data = 0;
  int font = item.FontIndex();
  if (font >= 0 && font < link.FontPool().Count()) {
    TFont f = link.FontPool().Font(font);
    f.PixelsPerInch = ppi;
    f.SetSize(link.FontPool().PointSize(font));
    item.SetFontIndex(owner.FontPool().Add(f));
  } else {
    item.SetFontIndex(-1);
  }
  int bitmap = item.BackgroundBitmapIndex();
  if (bitmap >= 0) {
    const TBitmap* b = link.BackgroundBitmapPool().Bitmap(bitmap);
    item.SetBackgroundBitmapIndex(b ? owner.BackgroundBitmapPool().Add(*b) : -1);
  }
  if (auto* cell = dynamic_cast<TdxReportCell*>(&item)) {
    for (int i = 0; i < cell->CellCount(); ++i) RemapPools(*cell->Cells(i), link, owner, ppi);
    for (int i = 0; i < cell->DataItemCount(); ++i) RemapPools(*cell->DataItems(i), link, owner, ppi);
  }
}

// The position of cell within the top-level cell that holds it.
TPoint PositionInRoot(const TdxReportCell& cell) {
  const TdxReportVisualItem* top = &cell;
  while (top->Parent() && top->Parent()->Parent()) top = top->Parent();
  TPoint a = cell.AbsoluteOrigin(), r = top->AbsoluteOrigin();
  return {a.X - r.X, a.Y - r.Y};
}

}  // namespace

void TdxPSNativePrintableControlProducer::InitializeItem(TdxReportVisualItem& item) {
  TdxCustomContainerReportLink& owner = *ReportLink();
  QWidget* control = ProducingObject();
  auto& cell = dynamic_cast<TdxReportCell&>(item);
  TRect bounds = ControlBounds();
  if (dxIsWinControl(control)) bounds = Bounds(0, 0, bounds.Width(), bounds.Height());
  cell.SetBoundsRect(bounds);
  cell.SetColor(ControlColor());
  cell.SetFontIndex(ControlFontIndex());
  cell.SetCellSides(0);
  cell.SetTransparent(owner.OptionsTransparent().Controls());

  // The link to embed: the printer's own link of the control, or a
  // temporary one of the registered class.
  TBasedxReportLink* link = nullptr;
  if (owner.OptionsBehavior().ConsumeExistingLinks() && owner.ComponentPrinter())
    link = owner.ComponentPrinter()->FindLinkByComponent(control);
  owner.DoGetComponentReportLink(control, link);
  std::unique_ptr<TBasedxReportLink> temporary;
  if (link) {
    owner.AddAggregatedLink(link);
  } else {
    TdxClass linkClass = dxPSLinkClassByComponentClass(dxComponentClassOf(control));
    if (!linkClass) return;
    temporary = dxCreateObject<TBasedxReportLink>(linkClass);
    link = temporary.get();
  }
  if (link == &owner) return;

  QObject* previous = link->Component();
  bool attached = false;
  AggregationScope scope(link, &owner);
  auto finish = [&] {
    if (attached) link->SetComponent(previous);
    if (owner.OnInitializeReportLink) owner.OnInitializeReportLink(owner, *link, psAfter);
  };
  try {
    if (previous != control) {
      link->SetComponent(control);
      attached = true;
    }
    if (temporary) link->RestoreFromOriginal();
    if (owner.OnInitializeReportLink) owner.OnInitializeReportLink(owner, *link, psBefore);
    link->BuildReport();

    if (TdxReportCells* source = link->ReportCells()) {
      // The embedded report is in report units; this report is still in
      // screen pixels.
      int ppi = ScreenPixelsPerInch(), upi = dxPSReportUnitsPerInch();
      const TdxReportCell& root = *source->Cells();
      for (int i = 0; i < root.CellCount(); ++i) {
        TdxReportCell* copy = CopyCell(*root.Cells(i), &cell);
        copy->Scale(ppi, upi);
        RemapPools(*copy, *link, owner, ppi);
      }
      for (int i = 0; i < root.DataItemCount(); ++i) {
        const TAbstractdxReportCellData* data = root.DataItems(i);
        std::unique_ptr<TdxReportItem> owned = dxCreateObject<TdxReportItem>(data->ClassType());
        owned->SetParent(&cell);
        auto* copy = static_cast<TdxReportVisualItem*>(owned.release());
        copy->Assign(*data);
        copy->Scale(ppi, upi);
        RemapPools(*copy, *link, owner, ppi);
      }
      TSize size{MulDiv(root.Width(), ppi, upi), MulDiv(root.Height(), ppi, upi)};

      if (auto* definition = dynamic_cast<TdxPSNativePrintableControlDefinition*>(owner.DefinitionOf(item))) {
        std::vector<int> horz, vert;
        link->GetDelimiters(horz, vert);
        definition->DelimitersHorz.clear();
        definition->DelimitersVert.clear();
        for (int x : horz) definition->DelimitersHorz.push_back(MulDiv(x, ppi, upi));
        for (int y : vert) definition->DelimitersVert.push_back(MulDiv(y, ppi, upi));
        definition->ReportSize = size;
      }
      // The item, and the host of a windowed control, take at least the
      // embedded report's size (place options may shrink them later).
      if (cell.Width() < size.cx) cell.SetWidth(size.cx);
      if (cell.Height() < size.cy) cell.SetHeight(size.cy);
      if (dxIsWinControl(control) && cell.Parent()) {
        TdxReportCell* host = cell.Parent();
        if (host->Width() < size.cx) host->SetWidth(size.cx);
        if (host->Height() < size.cy) host->SetHeight(size.cy);
      }
      // Overlays, moved to the control's place within the root.
      if (TdxReportCells* target = owner.ConstructedCells()) {
        TPoint at = PositionInRoot(cell);
        for (int i = 0; i < source->OverlayCount(); ++i) {
          TdxReportCell* overlay = target->AddOverlay();
          overlay->Assign(*source->Overlays(i));
          overlay->Scale(ppi, upi);
          RemapPools(*overlay, *link, owner, ppi);
          for (int c = 0; c < overlay->CellCount(); ++c) overlay->Cells(c)->SetLeft(overlay->Cells(c)->Left() + at.X);
          for (int c = 0; c < overlay->CellCount(); ++c) overlay->Cells(c)->SetTop(overlay->Cells(c)->Top() + at.Y);
          for (int d = 0; d < overlay->DataItemCount(); ++d) {
            TdxReportVisualItem* data = overlay->DataItems(d);
            data->SetBounds(data->Left() + at.X, data->Top() + at.Y, data->Width(), data->Height());
          }
        }
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

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
  std::exception_ptr error;
  try {
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
  } catch (...) {
    error = std::current_exception();
  }
  UnprepareConstruct();
  if (error) std::rethrow_exception(error);
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
