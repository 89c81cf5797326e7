// The report document: cells with their child cells and data items, groups,
// the document (TdxReportCells) with its pools, reading and writing, and the
// registration of the report classes.
#include "report/ReportCells.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "platform/ScopeExit.h"
#include "report/CheckItems.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "report/ImageList.h"
#include "report/RendererInterface.h"
#include "report/ReportStreamValues.h"
#include "report/ReportItemHelpers.h"

using namespace ReportItemHelpers;

namespace {

constexpr int kMaxReadDepth = 256;
int gReadDepth = 0;

// Counts the nesting of item lists being read; a stream that nests cells
// deeper than any report does is refused before the stack runs out.
class TReadDepthGuard {
 public:
  TReadDepthGuard() {
    if (gReadDepth >= kMaxReadDepth) throw EdxPrintEngine(dxPSReportMessages::NestedTooDeeply);
    ++gReadDepth;
  }
  ~TReadDepthGuard() { --gReadDepth; }
  TReadDepthGuard(const TReadDepthGuard&) = delete;
  TReadDepthGuard& operator=(const TReadDepthGuard&) = delete;
};

[[noreturn]] void RaiseIndex(const char* message, int index) { throw EdxPrintEngine(::Format(message, index)); }

}  // namespace

// ---- TdxReportCell -------------------------------------------------------------

TdxReportCell::TdxReportCell(TdxReportCell* parent) {
  if (parent) parent->InsertItem(this);
}

TdxReportCell::~TdxReportCell() { ClearAll(); }

void TdxReportCell::InsertItem(TdxReportItem* item) {
  if (item->IsCell()) {
    auto* cell = static_cast<TdxReportCell*>(item);
    cells_.push_back(cell);
    cell->SetReportCells(reportCells_);
  } else {
    auto* data = dynamic_cast<TAbstractdxReportCellData*>(item);
    if (!data) throw EdxPrintEngine(::Format(dxPSReportMessages::NotAReportItem, item->ClassName().c_str()));
    dataItems_.push_back(data);
  }
  item->parent_ = this;
}

namespace {
// Removes item from list, searching from the end: lists are emptied from the
// back, so clearing a cell stays linear.
template <class T>
bool RemoveFromList(std::vector<T*>& list, TdxReportItem* item) {
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (static_cast<TdxReportItem*>(*it) == item) {
      list.erase(std::next(it).base());
      if (list.empty()) list.shrink_to_fit();
      return true;
    }
  return false;
}
}  // namespace

void TdxReportCell::RemoveItem(TdxReportItem* item) {
  // By address only: the item may be in the middle of its destruction.
  if (RemoveFromList(cells_, item) || RemoveFromList(dataItems_, item)) item->parent_ = nullptr;
}

namespace {
template <class T>
void MoveInList(std::vector<T*>& list, const TdxReportItem* item, int index) {
  auto it = std::find_if(list.begin(), list.end(), [&](T* p) { return static_cast<const TdxReportItem*>(p) == item; });
  if (it == list.end()) return;
  T* p = *it;
  list.erase(it);
  index = std::clamp(index, 0, int(list.size()));
  list.insert(list.begin() + index, p);
}
}  // namespace

void TdxReportCell::MoveItem(TdxReportItem* item, int index) {
  MoveInList(cells_, item, index);
  MoveInList(dataItems_, item, index);
}

void TdxReportCell::SetReportCells(TdxReportCells* cells) {
  reportCells_ = cells;
  for (TdxReportCell* c : cells_) c->SetReportCells(cells);
}

TdxReportCell* TdxReportCell::Cells(int index) const {
  if (index < 0 || index >= CellCount()) RaiseIndex(dxPSReportMessages::ListIndexOutOfBounds, index);
  return cells_[std::size_t(index)];
}

TAbstractdxReportCellData* TdxReportCell::DataItems(int index) const {
  if (index < 0 || index >= DataItemCount()) RaiseIndex(dxPSReportMessages::ListIndexOutOfBounds, index);
  return dataItems_[std::size_t(index)];
}

void TdxReportCell::ClearAll() {
  ClearDataItems();
  ClearCells();
}

void TdxReportCell::ClearCells() {
  while (!cells_.empty()) delete cells_.back();
}

void TdxReportCell::ClearDataItems() {
  while (!dataItems_.empty()) delete dataItems_.back();
}

int TdxReportCell::IndexOf(const TdxReportItem* item) const {
  for (std::size_t i = 0; i < cells_.size(); ++i)
    if (static_cast<const TdxReportItem*>(cells_[i]) == item) return int(i);
  for (std::size_t i = 0; i < dataItems_.size(); ++i)
    if (static_cast<const TdxReportItem*>(dataItems_[i]) == item) return int(i);
  return -1;
}

void TdxReportCell::Assign(const TdxReportItem& source) {
  if (&source == this) return;
  auto* s = dynamic_cast<const TdxReportCell*>(&source);
  // A source inside this cell would be freed by the clearing below: copy it
  // out first.
  if (s) {
    for (const TdxReportItem* p = s->Parent(); p; p = p->Parent())
      if (p == this) {
        TdxReportCell copy;
        copy.SetReportCells(reportCells_);
        copy.Assign(source);
        Assign(copy);
        return;
      }
  }
  if (s) ClearAll();
  TdxReportVisualItem::Assign(source);
  if (!s) return;
  for (TdxReportCell* c : s->cells_) {
    auto* cell = new TdxReportCell(this);
    cell->Assign(*c);
  }
  for (TAbstractdxReportCellData* d : s->dataItems_) {
    std::unique_ptr<TdxReportItem> item = dxCreateObject<TdxReportItem>(d->ClassType());
    item->SetParent(this);
    TdxReportItem* owned = item.release();
    owned->Assign(*d);
  }
}

void TdxReportCell::ReadData(TdxReportReader& reader) {
  TdxReportVisualItem::ReadData(reader);
  ReadProperties(reader);
  ReadCells(reader);
  ReadDataItems(reader);
}

void TdxReportCell::WriteData(TdxReportWriter& writer) const {
  TdxReportVisualItem::WriteData(writer);
  WriteProperties(writer);
  WriteCells(writer);
  WriteDataItems(writer);
}

void TdxReportCell::ReadItemList(TdxReportReader& reader) {
  TReadDepthGuard guard;
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    std::string name = reader.ReadString();
    TdxClass cls = dxFindClass(name);
    if (!cls) throw EdxPrintEngine(dxPSReportMessages::AssertionFailure);
    if (!InheritsFrom(cls, TdxReportItem::StaticClass()))
      throw EdxPrintEngine(::Format(dxPSReportMessages::NotAReportItem, name.c_str()));
    std::unique_ptr<TdxReportItem> item = dxCreateObject<TdxReportItem>(cls);
    item->SetParent(this);
    TdxReportItem* owned = item.release();
    owned->ReadData(reader);
  }
  reader.ReadListEnd();
}

void TdxReportCell::WriteItemList(TdxReportWriter& writer, bool cells) const {
  writer.WriteListBegin();
  auto write = [&](const TdxReportItem* item) {
    if (!item->IsSerializable()) return;
    writer.WriteString(item->ClassName());
    item->WriteData(writer);
  };
  if (cells)
    for (const TdxReportCell* c : cells_) write(c);
  else
    for (const TAbstractdxReportCellData* d : dataItems_) write(d);
  writer.WriteListEnd();
}

void TdxReportCell::ReadCells(TdxReportReader& reader) {
  ClearCells();
  ReadItemList(reader);
}

void TdxReportCell::ReadDataItems(TdxReportReader& reader) {
  ClearDataItems();
  BeginReadDataItems();
  ScopeExit endRead([this] { EndReadDataItems(); });
  ReadItemList(reader);
}

void TdxReportCell::WriteCells(TdxReportWriter& writer) const { WriteItemList(writer, true); }

void TdxReportCell::WriteDataItems(TdxReportWriter& writer) const { WriteItemList(writer, false); }

void TdxReportCell::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  for (TAbstractdxReportCellData* d : dataItems_) d->Scale(numerator, denominator);
  for (TdxReportCell* c : cells_) c->Scale(numerator, denominator);
  TdxReportVisualItem::Scale(numerator, denominator);
}

TRect TdxReportCell::GetBorderRect() const { return TRect(0, 0, Width(), Height()); }

void TdxReportCell::DrawItself(TCanvas& dc, const TRect& rect, int stage, const TRect& clip) {
  if (!Renderer()) return;
  TdxClipRegionSaver outer(dc);
  if (ClipChildren()) {
    int t = LineThickness();
    dc.IntersectClipRect(TRect(rect.Left - t, rect.Top - t, rect.Right, rect.Bottom));
  }
  {
    TdxClipRegionSaver inner(dc);
    if (!ExcludeOpaqueChildren(dc, clip)) {
      DrawBackgroundAndBorders(dc, stage);
      DrawDataItems(dc, clip, stage);
    }
  }
  DrawCells(dc, rect, stage, clip);
}

bool TdxReportCell::ExcludeOpaqueChildren(TCanvas& dc, const TRect& clip) {
  auto isOpaque = [&](const TdxReportVisualItem* item) {
    return item->OpaqueToParent() && !item->Transparent() && item->Visible() &&
           !IntersectRect(item->AbsoluteRect(), clip).IsEmpty();
  };
  for (TdxReportCell* c : cells_) {
    if (!isOpaque(c)) continue;
    TRect r = c->CalcOuterBounds();
    r.Offset(c->Left(), c->Top());
    if (dc.ExcludeClipRect(Snap(dc, r)) == NULLREGION) return true;
  }
  for (TAbstractdxReportCellData* d : dataItems_) {
    if (!isOpaque(d)) continue;
    if (dc.ExcludeClipRect(d->GetOuterBounds(dc)) == NULLREGION) return true;
  }
  return false;
}

void TdxReportCell::DrawBackgroundAndBorders(TCanvas& dc, int stage) {
  if (!(stage & 1)) return;
  if (HasBackgroundBitmap())
    DrawBackgroundBitmap(dc);
  else if (!Transparent())
    DrawBackground(dc);
  if (HasBorder()) DrawBorders(dc);
}

void TdxReportCell::DrawCells(TCanvas& dc, const TRect&, int stage, const TRect& clip) {
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    TdxReportCell* c = cells_[i];
    if (!c->Visible() || IntersectRect(c->AbsoluteRect(), clip).IsEmpty()) continue;
    int dx = c->Left(), dy = c->Top();
    bool moved = dx != 0 || dy != 0;
    if (moved) dc.OffsetWindowOrg(-dx, -dy);
    ScopeExit moveBack([&] {
      if (moved) dc.OffsetWindowOrg(dx, dy);
    });
    c->DrawItself(dc, TRect(0, 0, c->Width(), c->Height()), stage, clip);
  }
}

void TdxReportCell::DrawDataItems(TCanvas& dc, const TRect& clip, int stage) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return;
  for (std::size_t n = dataItems_.size(); n > 0; --n) {
    TAbstractdxReportCellData* item = dataItems_[n - 1];
    if (!item->Visible()) continue;
    if (!dc.RectVisible(item->GetOutputRect(dc, stage))) continue;
    if (!item->IsDrawingNeeded(dc, stage, clip)) continue;
    if (!item->IsCustomDrawn()) {
      item->Draw(dc, stage);
      continue;
    }
    // The link may change the item while it draws it: it works on the item
    // and the item is restored from a copy afterwards.
    std::unique_ptr<TdxReportItem> copy = dxCreateObject<TdxReportItem>(item->ClassType());
    copy->Assign(*item);
    TFont savedFont = dc.Font();
    TColor savedBrushColor = dc.Brush().Color;
    if (const TFont* f = item->Font()) dc.SetFont(*f);
    dc.Brush().Color = item->Color();
    auto restore = [&] {
      item->Assign(*copy);
      dc.Brush().Color = savedBrushColor;
      dc.Brush().Style = bsClear;
      dc.SetFont(savedFont);
      dc.SetBkMode(TRANSPARENT);
    };
    ScopeExit restoring(restore);
    if (!item->CustomDraw(dc)) item->Draw(dc, stage);
  }
}

TdxReportVisualItem* TdxReportCell::HitTest(TPoint p) {
  if (!Visible()) return nullptr;
  bool inside = TRect(0, 0, Width(), Height()).Contains(p);
  if (ClipChildren() && !inside) return nullptr;
  for (std::size_t n = cells_.size(); n > 0; --n) {
    TdxReportCell* c = cells_[n - 1];
    if (TdxReportVisualItem* hit = c->HitTest(TPoint{p.X - c->Left(), p.Y - c->Top()})) return hit;
  }
  for (TAbstractdxReportCellData* d : dataItems_)
    if (d->Visible() && d->BoundsRect().Contains(p)) return d;
  return inside ? this : nullptr;
}

// ---- TdxReportGroup ------------------------------------------------------------

TdxReportGroup::TdxReportGroup(TdxReportCell* parent) : TdxReportCell(parent) { format_ = dxDefaultGroupFormat; }

void TdxReportGroup::Assign(const TdxReportItem& source) {
  TdxReportCell::Assign(source);
  auto* s = dynamic_cast<const TdxReportGroup*>(&source);
  if (!s || s == this) return;
  Caption = s->Caption;
  CaptionTextWidth = s->CaptionTextWidth;
  // Look-and-feels belong to a document: another document's is replaced by
  // this document's of the same class.
  if (!s->LookAndFeel || s->ReportCells() == ReportCells())
    LookAndFeel = s->LookAndFeel;
  else
    LookAndFeel = ReportCells() ? ReportCells()->FindLookAndFeel(s->LookAndFeel->ClassType()) : nullptr;
}

void TdxReportGroup::ReadData(TdxReportReader& reader) {
  TdxReportCell::ReadData(reader);
  Caption = reader.ReadString();
  CaptionTextWidth = dxReadLength(reader);
  int index = reader.ReadInteger();
  TdxReportCells* doc = ReportCells();
  LookAndFeel = index == -1 || !doc ? nullptr : doc->LookAndFeels(index);
}

void TdxReportGroup::WriteData(TdxReportWriter& writer) const {
  TdxReportCell::WriteData(writer);
  writer.WriteString(Caption);
  writer.WriteInteger(CaptionTextWidth);
  TdxReportCells* doc = ReportCells();
  writer.WriteInteger(doc && LookAndFeel ? doc->IndexOfLookAndFeel(LookAndFeel) : -1);
}

void TdxReportGroup::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  TdxReportCell::Scale(numerator, denominator);
  CaptionTextWidth = MulDiv(CaptionTextWidth, numerator, denominator);
}

TdxPSReportGroupLookAndFeel* TdxReportGroup::EffectiveLookAndFeel() const {
  if (LookAndFeel) return LookAndFeel;
  for (const TdxReportCell* p = Parent(); p; p = p->Parent())
    if (auto* g = dynamic_cast<const TdxReportGroup*>(p); g && g->LookAndFeel) return g->LookAndFeel;
  TdxReportCells* doc = ReportCells();
  return doc ? doc->LookAndFeel() : nullptr;
}

TdxPSCellBorderClass TdxReportGroup::GetBorderClass() const {
  TdxPSReportGroupLookAndFeel* lf = EffectiveLookAndFeel();
  return lf ? lf->LookAndFeelClass()->DefaultBorderClass() : TdxReportCell::GetBorderClass();
}

int TdxReportGroup::GetBorderOuterExtent(int side, bool swapped) const {
  if (!EffectiveLookAndFeel()) return TdxReportCell::GetBorderOuterExtent(side, swapped);
  return swapped ? GetBorderThickness(side) : 0;
}

int TdxReportGroup::GetBorderThickness(int side) const {
  TdxPSReportGroupLookAndFeel* lf = EffectiveLookAndFeel();
  if (!lf) return TdxReportCell::GetBorderThickness(side);
  if (side != csTop) return lf->GetBorderThickness(*this, side);
  // The caption band counts as part of the top border.
  int b = lf->BorderThickness();
  TCustomdxReportRenderer* renderer = Renderer();
  int t = renderer ? renderer->LineThickness() : 0;
  bool inUnits = renderer && renderer->IsPrepared() && t != 0;
  if (inUnits) b *= t;
  if (ShowCaption()) b += lf->GetCaptionAreaHeight();
  if (inUnits) b /= t;
  return b;
}

bool TdxReportGroup::HasBorder() const { return TdxReportCell::HasBorder() || !Caption.empty(); }

void TdxReportGroup::DrawBorders(TCanvas& dc) {
  if (TdxPSReportGroupLookAndFeel* lf = EffectiveLookAndFeel())
    lf->Paint(dc, *this);
  else
    TdxReportCell::DrawBorders(dc);
}

TRect TdxReportGroup::GetBorderBounds(TCanvas& dc) const {
  TdxPSReportGroupLookAndFeel* lf = EffectiveLookAndFeel();
  if (!lf) return TdxReportCell::GetBorderBounds(dc);
  TRect r = CalcOuterBounds();
  if (Shadowed()) {
    int d = GetShadowDepth();
    r.Right -= d;
    r.Bottom -= d;
  }
  if (ShowCaption()) r.Top += lf->CaptionHeight() / 2;
  return Snap(dc, r);
}

void TdxReportGroup::Prepare(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (Caption.empty() || !renderer) {
    CaptionTextWidth = 0;
    return;
  }
  TdxPSReportGroupLookAndFeel* lf = EffectiveLookAndFeel();
  int width = renderer->MeasureTextWidth(dc, Caption, lf ? lf->CaptionFont() : Font());
  CaptionTextWidth = width > 0 ? width + 4 : 0;
}

// ---- TdxReportCells ------------------------------------------------------------

TdxReportCells::TdxReportCells() {
  dxPSRegisterReportClasses();
  root_ = std::make_unique<TdxReportCell>();
  root_->SetReportCells(this);
  root_->SetColor(clWhite);
  lookAndFeel_ = CreateLookAndFeel(TdxPSReportGroupStandardLookAndFeel::StaticClass(), false);
  CreateLookAndFeel(TdxPSReportGroupNullLookAndFeel::StaticClass(), false);
}

TdxReportCells::~TdxReportCells() {
  root_.reset();
  header_.reset();
  footer_.reset();
  overlays_.clear();
  lookAndFeels_.clear();
}

void TdxReportCells::AfterReadData(TdxReportReader&) {}

void TdxReportCells::AfterWriteData(TdxReportWriter&) {}

void TdxReportCells::BeforeReadData(TdxReportReader& reader) {
  imageLists_.clear();
  ownedImageLists_.clear();
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    auto list = std::make_unique<TCustomImageList>();
    reader.ReadImageList(*list);
    imageLists_.push_back(list.get());
    ownedImageLists_.push_back(std::move(list));
  }
  reader.ReadListEnd();
}

void TdxReportCells::CollectImageLists() {
  EnumerateItems([this](TdxReportItem& item) {
    if (auto* image = dynamic_cast<TCustomdxReportCellImageContainer*>(&item))
      if (image->ImageList && image->HasImage() && !image->Image()) AddImageList(image->ImageList);
  });
}

void TdxReportCells::BeforeWriteData(TdxReportWriter& writer) {
  CollectImageLists();
  writer.WriteListBegin();
  for (TCustomImageList* list : imageLists_) writer.WriteImageList(*list);
  writer.WriteListEnd();
}

void TdxReportCells::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  root_->Scale(numerator, denominator);
  shadowDepth_ = std::max(0, MulDiv(shadowDepth_, numerator, denominator));
  for (auto& lf : lookAndFeels_) lf->Scale(numerator, denominator);
  if (header_) header_->Scale(numerator, denominator);
  if (footer_) footer_->Scale(numerator, denominator);
  for (auto& o : overlays_) o->Scale(numerator, denominator);
}

TdxReportCell* TdxReportCells::GetTopLevelCell(const TdxReportItem* item) const {
  if (!item || !item->Parent()) return nullptr;
  auto isTop = [this](const TdxReportCell* c) {
    if (c == root_.get() || c == header_.get() || c == footer_.get()) return true;
    for (auto& o : overlays_)
      if (o.get() == c) return true;
    return false;
  };
  TdxReportCell* cell = item->Parent();
  while (cell->Parent() && !isTop(cell->Parent()) && !isTop(cell)) cell = cell->Parent();
  return cell;
}

void TdxReportCells::ReadData(TdxReportReader& reader) {
  ClearItems();
  ClearLookAndFeels();
  ScopeExit after([&] { AfterReadData(reader); });
  try {
    BeforeReadData(reader);
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
      std::string name = reader.ReadString();
      // The fields that follow depend on the class, so a class that is not
      // known ends the read like an unknown item class does.
      TdxClass cls = dxFindClass(name);
      if (!cls) throw EdxPrintEngine(dxPSReportMessages::AssertionFailure);
      CreateLookAndFeel(cls, false)->ReadData(reader);
    }
    reader.ReadListEnd();
    int index = reader.ReadInteger();
    lookAndFeel_ = index == -1 ? nullptr : LookAndFeels(index);
    root_->ReadData(reader);
    if (reader.ReadBoolean()) FooterCell()->ReadData(reader);
    if (reader.ReadBoolean()) HeaderCell()->ReadData(reader);
    ClearOverlays();
    reader.ReadListBegin();
    while (!reader.EndOfList()) AddOverlay()->ReadData(reader);
    reader.ReadListEnd();
    SetBorderColor(reader.ReadInteger());
    StoredInteger = reader.ReadInteger();
    SetExpandButtonBorderColor(reader.ReadInteger());
    SetGroupBorderColor(reader.ReadInteger());
    SetGroupCaptionColor(reader.ReadInteger());
    SetGroupCaptionSeparatorColor(reader.ReadInteger());
    SetGroupColor(reader.ReadInteger());
    SetShadowColor(reader.ReadInteger());
    SetShadowDepth(dxReadLength(reader));
    SetTreeLineColor(reader.ReadInteger());
    SetTreeLineStyle(reader.ReadInteger());
  } catch (...) {
    ClearItems();
    throw;
  }
}

void TdxReportCells::WriteData(TdxReportWriter& writer) {
  ScopeExit after([&] { AfterWriteData(writer); });
  BeforeWriteData(writer);
  writer.WriteListBegin();
  for (auto& lf : lookAndFeels_) {
    writer.WriteString(lf->ClassName());
    lf->WriteData(writer);
  }
  writer.WriteListEnd();
  writer.WriteInteger(IndexOfLookAndFeel(lookAndFeel_));
  root_->WriteData(writer);
  writer.WriteBoolean(bool(footer_));
  if (footer_) footer_->WriteData(writer);
  writer.WriteBoolean(bool(header_));
  if (header_) header_->WriteData(writer);
  writer.WriteListBegin();
  for (auto& o : overlays_) o->WriteData(writer);
  writer.WriteListEnd();
  writer.WriteInteger(borderColor_);
  writer.WriteInteger(StoredInteger);
  writer.WriteInteger(expandButtonBorderColor_);
  writer.WriteInteger(groupBorderColor_);
  writer.WriteInteger(groupCaptionColor_);
  writer.WriteInteger(groupCaptionSeparatorColor_);
  writer.WriteInteger(groupColor_);
  writer.WriteInteger(shadowColor_);
  writer.WriteInteger(shadowDepth_);
  writer.WriteInteger(treeLineColor_);
  writer.WriteInteger(treeLineStyle_);
}

void TdxReportCells::ClearItems() { root_->ClearAll(); }

TdxReportCell* TdxReportCells::HeaderCell() {
  if (!header_) {
    header_ = std::make_unique<TdxReportCell>();
    header_->SetReportCells(this);
    header_->SetColor(clBtnFace);
  }
  return header_.get();
}

TdxReportCell* TdxReportCells::FooterCell() {
  if (!footer_) {
    footer_ = std::make_unique<TdxReportCell>();
    footer_->SetReportCells(this);
    footer_->SetColor(clBtnFace);
  }
  return footer_.get();
}

int TdxReportCells::HeaderCellCount() const { return header_ ? header_->CellCount() : 0; }
int TdxReportCells::FooterCellCount() const { return footer_ ? footer_->CellCount() : 0; }
TRect TdxReportCells::HeaderCellBounds() const { return header_ ? header_->BoundsRect() : TRect(); }
TRect TdxReportCells::FooterCellBounds() const { return footer_ ? footer_->BoundsRect() : TRect(); }

TdxReportVisualItem* TdxReportCells::HitTest(TPoint p) const {
  for (std::size_t n = overlays_.size(); n > 0; --n) {
    TdxReportCell* o = overlays_[n - 1].get();
    if (TdxReportVisualItem* hit = o->HitTest(TPoint{p.X - o->Left(), p.Y - o->Top()})) return hit;
  }
  return root_->HitTest(TPoint{p.X - root_->Left(), p.Y - root_->Top()});
}

namespace {
void Enumerate(TdxReportCell& cell, const std::function<void(TdxReportItem&)>& visit) {
  visit(cell);
  for (int i = 0; i < cell.CellCount(); ++i) Enumerate(*cell.Cells(i), visit);
  for (int i = 0; i < cell.DataItemCount(); ++i) visit(*cell.DataItems(i));
}
}  // namespace

void TdxReportCells::EnumerateItems(const std::function<void(TdxReportItem&)>& visit) const {
  Enumerate(*root_, visit);
}

TdxPSReportGroupLookAndFeel* TdxReportCells::LookAndFeels(int index) const {
  if (index < 0 || index >= LookAndFeelCount()) RaiseIndex(dxPSReportMessages::LookAndFeelIndexOutOfRange, index);
  return lookAndFeels_[std::size_t(index)].get();
}

void TdxReportCells::SetLookAndFeel(TdxPSReportGroupLookAndFeel* lookAndFeel) {
  if (!lookAndFeel || IndexOfLookAndFeel(lookAndFeel) >= 0) lookAndFeel_ = lookAndFeel;
}

TdxPSReportGroupLookAndFeel* TdxReportCells::CreateLookAndFeel(TdxClass cls, bool reuse) {
  if (!InheritsFrom(cls, TdxPSReportGroupLookAndFeel::StaticClass()))
    throw EdxPrintEngine(::Format(dxPSReportMessages::NotALookAndFeel, dxClassName(cls).c_str()));
  if (reuse)
    for (auto& lf : lookAndFeels_)
      if (lf->ClassType() == cls) return lf.get();
  std::unique_ptr<TdxPSReportGroupLookAndFeel> lf = dxCreateObject<TdxPSReportGroupLookAndFeel>(cls);
  lf->SetReportCells(this);
  lookAndFeels_.push_back(std::move(lf));
  return lookAndFeels_.back().get();
}

TdxPSReportGroupLookAndFeel* TdxReportCells::FindLookAndFeel(TdxClass cls) const {
  for (auto& lf : lookAndFeels_)
    if (lf->ClassType() == cls) return lf.get();
  return nullptr;
}

int TdxReportCells::IndexOfLookAndFeel(const TdxPSReportGroupLookAndFeel* lookAndFeel) const {
  for (std::size_t i = 0; i < lookAndFeels_.size(); ++i)
    if (lookAndFeels_[i].get() == lookAndFeel) return int(i);
  return -1;
}

void TdxReportCells::ClearLookAndFeels() {
  // Groups anywhere in the document must not keep a pointer to a freed one.
  auto forget = [](TdxReportItem& item) {
    if (auto* g = dynamic_cast<TdxReportGroup*>(&item)) g->LookAndFeel = nullptr;
  };
  std::vector<TdxReportCell*> tops{root_.get(), header_.get(), footer_.get()};
  for (auto& o : overlays_) tops.push_back(o.get());
  for (TdxReportCell* top : tops)
    if (top) Enumerate(*top, forget);
  lookAndFeel_ = nullptr;
  lookAndFeels_.clear();
}

TCustomImageList* TdxReportCells::GetImageList(int index) const {
  if (index == -1) return nullptr;
  if (index < 0 || index >= ImageListCount()) RaiseIndex(dxPSReportMessages::ImageListIndexOutOfRange, index);
  return imageLists_[std::size_t(index)];
}

int TdxReportCells::IndexOfImageList(const TCustomImageList* list) const {
  for (std::size_t i = 0; i < imageLists_.size(); ++i)
    if (imageLists_[i] == list) return int(i);
  return -1;
}

void TdxReportCells::AddImageList(TCustomImageList* list) {
  if (list && IndexOfImageList(list) < 0) imageLists_.push_back(list);
}

TdxReportCell* TdxReportCells::AddOverlay() {
  auto cell = std::make_unique<TdxReportCell>();
  cell->SetReportCells(this);
  overlays_.push_back(std::move(cell));
  return overlays_.back().get();
}

TdxReportCell* TdxReportCells::Overlays(int index) const {
  if (index < 0 || index >= OverlayCount()) RaiseIndex(dxPSReportMessages::ListIndexOutOfBounds, index);
  return overlays_[std::size_t(index)].get();
}

void TdxReportCells::AddOverlays(const TdxReportCells& source, int dx, int dy) {
  std::size_t count = source.overlays_.size();
  for (std::size_t i = 0; i < count; ++i) {
    TdxReportCell* copy = AddOverlay();
    copy->Assign(*source.overlays_[i]);
    for (int c = 0; c < copy->CellCount(); ++c) {
      TdxReportCell* cell = copy->Cells(c);
      cell->SetBounds(cell->Left() + dx, cell->Top() + dy, cell->Width(), cell->Height());
    }
    for (int d = 0; d < copy->DataItemCount(); ++d) {
      TdxReportVisualItem* item = copy->DataItems(d);
      item->SetBounds(item->Left() + dx, item->Top() + dy, item->Width(), item->Height());
    }
  }
}

void TdxReportCells::AssignOverlays(const TdxReportCells& source, int dx, int dy) {
  if (&source == this) return;
  ClearOverlays();
  AddOverlays(source, dx, dy);
}

void TdxReportCells::ClearOverlays() { overlays_.clear(); }

const TFont* TdxReportCells::GetFontByIndex(int index) const {
  if (index == -1 || !renderer_) return nullptr;
  if (index < 0 || index >= renderer_->FontCount()) RaiseIndex(dxPSReportMessages::FontIndexOutOfRange, index);
  return renderer_->FontAt(index);
}

const TBitmap* TdxReportCells::GetBackgroundBitmap(int index) const {
  if (index == -1 || !renderer_) return nullptr;
  if (index < 0 || index >= renderer_->BackgroundBitmapCount())
    RaiseIndex(dxPSReportMessages::BitmapIndexOutOfRange, index);
  return renderer_->BackgroundBitmapAt(index);
}

int TdxReportCells::BoundsHeight() const {
  int h = root_->Height();
  for (auto& o : overlays_) h = std::max(h, o->BoundsRect().Bottom);
  return h;
}

int TdxReportCells::BoundsWidth() const {
  int w = root_->Width();
  for (auto& o : overlays_) w = std::max(w, o->BoundsRect().Right);
  return w;
}

void TdxReportCells::SetBorderColor(TColor color) { borderColor_ = color == clDefault ? clBlack : StoredColor(color); }
void TdxReportCells::SetExpandButtonBorderColor(TColor color) {
  expandButtonBorderColor_ = color == clDefault ? clBlack : StoredColor(color);
}
void TdxReportCells::SetGroupBorderColor(TColor color) {
  groupBorderColor_ = color == clDefault ? clBtnFace : StoredColor(color);
}
void TdxReportCells::SetGroupCaptionColor(TColor color) {
  groupCaptionColor_ = color == clDefault ? clBtnFace : StoredColor(color);
}
void TdxReportCells::SetGroupCaptionSeparatorColor(TColor color) {
  groupCaptionSeparatorColor_ = color == clDefault ? clBtnFace : StoredColor(color);
}
void TdxReportCells::SetGroupColor(TColor color) { groupColor_ = color == clDefault ? clBtnFace : StoredColor(color); }
void TdxReportCells::SetShadowColor(TColor color) { shadowColor_ = color == clDefault ? clBlack : StoredColor(color); }
void TdxReportCells::SetTreeLineColor(TColor color) {
  treeLineColor_ = color == clDefault ? clGray : StoredColor(color);
}

// ---- Registration --------------------------------------------------------------

void dxPSRegisterReportClasses() {
  dxPSRegisterBorderClasses();
  static bool done = false;
  if (done) return;
  done = true;
  const TdxClass classes[] = {
      // Fill patterns and borders.
      TdxPSSolidFillPattern::StaticClass(),
      TdxPSGray50FillPattern::StaticClass(),
      TdxPSCustomCellBorder::StaticClass(),
      TdxPSCellFlatBorder::StaticClass(),
      TdxPSCellUltraFlatBorder::StaticClass(),
      TdxPSCellBorderPainter::StaticClass(),
      // Look-and-feels and their painters.
      TdxPSReportGroupNullLookAndFeel::StaticClass(),
      TdxPSReportGroupStandardLookAndFeel::StaticClass(),
      TdxPSReportGroupOfficeLookAndFeel::StaticClass(),
      TdxPSReportGroupWebLookAndFeel::StaticClass(),
      TdxPSReportGroupNullLookAndFeelPainter::StaticClass(),
      TdxPSReportGroupStandardLookAndFeelPainter::StaticClass(),
      TdxPSReportGroupWebLookAndFeelPainter::StaticClass(),
      // Items (the plain data item stands for a form's own surface).
      TdxReportCell::StaticClass(),
      TAbstractdxReportCellData::StaticClass(),
      TdxReportGroup::StaticClass(),
      TdxReportRadioGroup::StaticClass(),
      TdxReportCellBox::StaticClass(),
      TdxReportCellString::StaticClass(),
      TdxReportCellImageContainer::StaticClass(),
      TdxReportCellCheck::StaticClass(),
      TdxReportCellRadio::StaticClass(),
      TdxReportCellGroupButton::StaticClass(),
      TdxReportCellCheckImage::StaticClass(),
      TdxReportCellImage::StaticClass(),
      TdxReportCellGraphic::StaticClass(),
      TdxReportCellExpandButton::StaticClass(),
  };
  for (TdxClass cls : classes) dxRegisterClass(cls);
}
