// The producers of the container report link for any control: the base
// producer's queries, plain controls, the metafile picture of a control and
// the embedding of another link's report.
#include "engine/ControlProducers.h"

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
#include "platform/ScopeExit.h"
#include "platform/QtStrings.h"

using namespace ContainerReportLinkHelpers;

TdxCustomClassMaps* TdxPSCustomProducer::PairFactory() { return TdxPSContainerItemProducerFactory::Instance(); }
TdxCustomClassMaps* TdxPSControlAsMetafileProducer::PairFactory() { return TdxPSProducerHelperFactory::Instance(); }
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

namespace ContainerReportLinkHelpers {
void InitializeMetafileItem(QWidget* control, TdxReportVisualItem& item) {
  item.SetCellSides(0);
  auto& graphic = dynamic_cast<TdxReportCellGraphic&>(item);
  graphic.SetImageTransparent(false);
  dxPaintControlToMetafile(control, graphic);
}
}  // namespace ContainerReportLinkHelpers

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
  ScopeExit finishing(finish);
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
}
