#include "dialogs/PrintStyles.h"

#include <QFileInfo>
#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <algorithm>
#include <cctype>
#include <cstring>

#include "dialogs/PrintStyleMenu.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/PrintDevice.h"
#include "layout/PropertyValues.h"
#include "layout/StandardHeaderFooterFunctions.h"
#include "platform/MessageDialogs.h"
#include "platform/QtStrings.h"
#include "platform/Registry.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedValue.h"
#include "platform/UpdateLock.h"
#include "report/EngineSettings.h"
#include "report/EventBus.h"
#include "report/EngineExceptions.h"
#include "report/EngineUtilities.h"

using namespace dxPropValues;

namespace {

constexpr const char* kManagerClass = "TdxPrintStyleManager";
constexpr const char* kStyleCountProperty = "StyleCount";
constexpr const char* kPagePrefix = "PrinterPage.";
constexpr const char* kReadError = "Stream read error";
constexpr const char* kInvalidFormat = "Invalid stream format";
constexpr const char* kUnknownProperty = "Property %s does not exist";
// Beyond this a storage file is refused before it is read.
constexpr qint64 kMaxStyleFileSize = 64ll * 1024 * 1024;
// The fewest bytes one stored style takes (class name, name, end of the
// properties, end of the children).
constexpr std::size_t kMinStyleBytes = 5;
// Tries of the copy-caption rule before it settles for a caption that is not
// unique (a guard: each number gives a new caption).
constexpr int kMaxCloneCaptionTries = 100000;

// ---- Class registry ----

struct StyleClassRegistry {
  std::vector<TdxPrintStyleClassEntry> Entries;
  TdxClass Default = nullptr;
};

StyleClassRegistry& Registry() {
  static StyleClassRegistry registry;
  return registry;
}

// ---- Live managers (links may still name a manager that is gone) ----

std::vector<const TdxPrintStyleManager*>& LiveManagers() {
  static std::vector<const TdxPrintStyleManager*> managers;
  return managers;
}

bool IsLiveManager(const TdxPrintStyleManager* manager) {
  const auto& live = LiveManagers();
  return std::find(live.begin(), live.end(), manager) != live.end();
}

// ---- Texts ----

// The first count characters (code points) of a UTF-8 text.
std::string CutChars(const std::string& text, int count) {
  int chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == count) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

// The template formatted with one integer argument, as the platform's Format
// does it for the specifiers an integer can fill: %d, %u and %x with an
// optional argument index 0, a left-justify flag, a width and a precision;
// "%%" is a percent sign. Anything else (another specifier, a second
// argument, a '*' width) fails.
bool FormatWithNumber(const std::string& templ, int number, std::string& result) {
  result.clear();
  bool argumentUsed = false;
  for (std::size_t i = 0; i < templ.size(); ++i) {
    const char c = templ[i];
    if (c != '%') {
      result += c;
      continue;
    }
    if (++i >= templ.size()) return false;
    if (templ[i] == '%') {
      result += '%';
      continue;
    }
    bool tooLong = false;
    auto digits = [&](int& value) {
      bool any = false;
      value = 0;
      while (i < templ.size() && templ[i] >= '0' && templ[i] <= '9') {
        if (value > 100000) tooLong = true;  // no sane width or precision
        else value = value * 10 + (templ[i] - '0');
        ++i;
        any = true;
      }
      return any;
    };
    int argIndex = -1;
    const std::size_t start = i;
    int value = 0;
    if (digits(value) && i < templ.size() && templ[i] == ':') {
      argIndex = value;
      ++i;
    } else {
      i = start;
    }
    bool left = false;
    if (i < templ.size() && templ[i] == '-') {
      left = true;
      ++i;
    }
    int width = 0;
    if (!digits(width) && i < templ.size() && templ[i] == '*') return false;
    int precision = -1;
    if (i < templ.size() && templ[i] == '.') {
      ++i;
      if (!digits(precision)) return false;
    }
    if (i >= templ.size() || tooLong) return false;
    const char type = char(std::tolower(static_cast<unsigned char>(templ[i])));
    if (type != 'd' && type != 'u' && type != 'x') return false;
    if (argIndex > 0 || (argIndex < 0 && argumentUsed)) return false;
    argumentUsed = true;
    std::string text;
    if (type == 'x')
      text = Format("%X", unsigned(number));
    else if (type == 'u')
      text = Format("%u", unsigned(number));
    else
      text = std::to_string(number < 0 ? -static_cast<long long>(number) : number);
    if (precision >= 0 && int(text.size()) < precision) text.insert(0, std::size_t(precision) - text.size(), '0');
    if (type == 'd' && number < 0) text.insert(0, 1, '-');
    if (int(text.size()) < width) {
      if (left)
        text.append(std::size_t(width) - text.size(), ' ');
      else
        text.insert(0, std::size_t(width) - text.size(), ' ');
    }
    result += text;
  }
  return true;
}

// ---- Storage helpers ----

void AppendInt32(TBytes& bytes, std::int32_t value) {
  const auto u = std::uint32_t(value);
  for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(u >> (8 * i)));
}

std::int32_t Int32At(TByteView data, std::size_t pos) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= std::uint32_t(data[pos + std::size_t(i)]) << (8 * i);
  return std::int32_t(u);
}

// The page writer leaves out values equal to their published defaults. A
// page collecting stored values starts from the default page, whose values
// may differ from those defaults (paper kind, header and footer distances):
// the published defaults are put in first so that a left-out value reads
// back as what was saved.
void PutPublishedPageDefaults(TdxPrinterPage& page) {
  const std::pair<const char*, TdxPropertyValue> defaults[] = {
      {"AutoSwapMargins", true},
      {"CenterOnPageH", false},
      {"CenterOnPageV", false},
      {"DMPaper", std::int64_t(1)},
      {"FitToPagesByTall", std::int64_t(1)},
      {"FitToPagesByWide", std::int64_t(1)},
      {"Footer", std::int64_t(0)},
      {"GrayShading", false},
      {"Header", std::int64_t(0)},
      {"Orientation", TdxIdent{"poPortrait"}},
      {"PageOrder", TdxIdent{"poOverThenDown"}},
      {"PaperSource", std::int64_t(7)},
      {"ReverseTitlesOnEvenPages", false},
      {"ScaleFactor", std::int64_t(100)},
      {"ScaleMode", TdxIdent{"smAdjust"}},
  };
  for (const auto& [name, value] : defaults) page.ReadProperty(name, value);
  for (TCustomdxPageObject* object : {static_cast<TCustomdxPageObject*>(&page.PageHeader()),
                                      static_cast<TCustomdxPageObject*>(&page.PageFooter())}) {
    for (int part = tpLeft; part <= tpRight; ++part) {
      object->SetTitle(TdxPageTitlePart(part), {});
      object->SetTextAlignY(TdxPageTitlePart(part), taCenterY);
    }
  }
}

// Parses the manager's component stream into new styles (owned by nobody
// yet). Raises EReadError (or the picture reader's error for a damaged
// glyph) on anything malformed; nothing outside the result is touched.
std::vector<std::unique_ptr<TBasedxPrintStyle>> ReadStyleStream(TByteView data) {
  TdxComponentStreamReader reader(data);
  std::string className, objectName, name;
  TdxPropertyValue value;
  reader.BeginObject(className, objectName);
  if (!SameText(className, kManagerClass)) throw EReadError(kInvalidFormat);
  long long count = -1;
  while (reader.ReadProperty(name, value)) {
    if (name != kStyleCountProperty) throw EReadError(Format(kUnknownProperty, name.c_str()));
    count = AsInt(value);
  }
  // Each stored style takes bytes: a count beyond them is a lie.
  if (count < 0 || std::size_t(count) > data.size() / kMinStyleBytes) throw EReadError(kInvalidFormat);
  std::vector<std::unique_ptr<TBasedxPrintStyle>> styles;
  for (long long i = 0; i < count; ++i) {
    reader.BeginObject(className, objectName);
    TdxClass cls = dxFindClass(className);
    if (!cls || !dxPSIsPrintStyleClass(cls) || !cls->CanCreate())
      throw EReadError(Format(dxPSMessages::ClassNotFound, className.c_str()));
    std::unique_ptr<TBasedxPrintStyle> style = dxCreateObject<TBasedxPrintStyle>(cls);
    // A component name is text: bytes that are no UTF-8 could not be
    // written back as they were read.
    const QString qname = ToQ(objectName);
    if (FromQ(qname) != objectName) throw EReadError(kInvalidFormat);
    style->setObjectName(qname);
    TdxPrinterPage page;
    PutPublishedPageDefaults(page);
    style->BeginLoading();
    while (reader.ReadProperty(name, value)) style->ReadProperty(name, value, page);
    reader.EndObject();
    style->EndLoading();
    style->PrinterPage().Assign(&page);  // makes the stored numbers consistent
    styles.push_back(std::move(style));
  }
  reader.EndObject();
  return styles;
}

// The glyph of the standard style: a sheet with a folded corner and lines of
// text, drawn once.
TBitmap MakeStandardStyleGlyph() {
  QImage image(32, 32, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));  // the lower-left pixel: transparent
  QPainter painter(&image);
  painter.setPen(QColor(96, 96, 96));
  painter.setBrush(Qt::white);
  const QPoint sheet[] = {{6, 2}, {20, 2}, {26, 8}, {26, 29}, {6, 29}};
  painter.drawPolygon(sheet, 5);
  painter.setBrush(QColor(224, 224, 224));
  const QPoint fold[] = {{20, 2}, {20, 8}, {26, 8}};
  painter.drawPolygon(fold, 3);
  painter.setPen(QColor(0, 0, 160));
  for (int y = 11; y <= 26; y += 3) painter.drawLine(9, y, y % 2 ? 23 : 19, y);
  painter.end();
  TBitmap glyph;
  glyph.SetImage(image);
  return glyph;
}

}  // namespace

// ---------------------------------------------------------------------------
// TdxPrintStylePrinterPage

TdxObject* TdxPrintStylePrinterPage::Owner() const { return style_; }

bool TdxPrintStylePrinterPage::IsOwnerLoading() const { return style_ && style_->IsLoading(); }

void TdxPrintStylePrinterPage::PageParamsChanged(TdxPageUpdateCodes codes) {
  TdxPrinterPage::PageParamsChanged(codes);
  if (!IsLocked() && style_) style_->PageParamsChanged(codes);
}

// ---------------------------------------------------------------------------
// TBasedxPrintStyle

TBasedxPrintStyle::TBasedxPrintStyle(QObject* owner)
    : TdxPrintStyle(owner),
      printerPage_(std::make_unique<TdxPrintStylePrinterPage>(this)),
      styleGlyph_(std::make_unique<TBitmap>()),
      styleCaption_(dxPSPrintStyleMessages::BaseStyleCaption),
      builtIn_(dxPSIsDesignTime) {}

TBasedxPrintStyle::~TBasedxPrintStyle() {
  if (OnDestroy) {
    try {
      OnDestroy(*this);
    } catch (...) {
      // A destructor passes nothing on.
    }
  }
  if (manager_) manager_->RemoveStyle(this);
  manager_ = nullptr;
}

int TBasedxPrintStyle::Index() const { return manager_ ? manager_->IndexOfStyle(this) : -1; }

void TBasedxPrintStyle::SetIndex(int value) {
  if (manager_) manager_->MoveStyle(this, value);
}

bool TBasedxPrintStyle::IsCurrentStyle() const { return manager_ && manager_->CurrentStyle() == this; }

void TBasedxPrintStyle::SetIsCurrentStyle(bool value) {
  if (value && manager_ && !loading_ && !manager_->IsLoading()) manager_->SetCurrentStyle(this);
}

void TBasedxPrintStyle::SetPrinterPage(const TdxPrinterPage& value) {
  if (&value != printerPage_.get()) printerPage_->Assign(&value);
}

void TBasedxPrintStyle::SetStyleGlyph(const TBitmap& value) {
  if (&value != styleGlyph_.get()) styleGlyph_ = std::make_unique<TBitmap>(value);
}

void TBasedxPrintStyle::SetStyleManager(TdxPrintStyleManager* manager) {
  if (manager == manager_) return;
  if (manager_) manager_->RemoveStyle(this);
  if (manager) manager->InsertStyle(this, manager->Count());
}

void TBasedxPrintStyle::Assign(const TBasedxPrintStyle& source) {
  if (&source == this) return;
  AllowChangeHFText = source.AllowChangeHFText;
  AllowChangeMargins = source.AllowChangeMargins;
  AllowChangeOrientation = source.AllowChangeOrientation;
  AllowChangePaper = source.AllowChangePaper;
  AllowChangeScale = source.AllowChangeScale;
  AllowCustomPaperSizes = source.AllowCustomPaperSizes;
  Description = source.Description;
  ImageIndex = source.ImageIndex;
  SetPrinterPage(source.PrinterPage());
  SetStyleGlyph(source.StyleGlyph());
  styleCaption_ = source.styleCaption_;
}

bool TBasedxPrintStyle::FilterPaper(const TdxPaperInfo& paper) {
  if (!OnFilterPaper) return true;
  bool supported = true;
  OnFilterPaper(*this, paper, supported);
  return supported || paper.DMPaper() == printerPage_->DMPaper();
}

bool TBasedxPrintStyle::HasOptions() const {
  for (const TdxPrintStyleClassEntry& entry : dxPSPrintStyleClasses())
    if (entry.StyleClass == ClassType() && entry.OptionsDialogClass) return true;
  return false;
}

bool TBasedxPrintStyle::EditOptions() {
  TdxClass dialogClass = nullptr;
  for (const TdxPrintStyleClassEntry& entry : dxPSPrintStyleClasses())
    if (entry.StyleClass == ClassType() && entry.OptionsDialogClass) dialogClass = entry.OptionsDialogClass;
  if (!dialogClass) return false;
  std::unique_ptr<TBasedxPrintStyle> copy = dxCreateObject<TBasedxPrintStyle>(ClassType());
  copy->Assign(*this);
  std::unique_ptr<TdxPrintStyleOptionsDialog> dialog = dxCreateObject<TdxPrintStyleOptionsDialog>(dialogClass);
  if (!dialog->Execute(*copy)) return false;
  Assign(*copy);
  return true;
}

bool TBasedxPrintStyle::PageSetup(int activePageIndex, bool* previewChosen, bool* printChosen) {
  auto& dialogs = dxPSPrintStyleDialogs();
  if (!dialogs.PageSetup) return false;
  return dialogs.PageSetup(*this, activePageIndex, previewChosen, printChosen);
}

void TBasedxPrintStyle::PageParamsChanged(TdxPageUpdateCodes codes) {
  if (manager_) manager_->StylePageParamsChanged(this, codes);
}

void TBasedxPrintStyle::WriteProperties(TdxPropertyWriter& writer) const {
  auto flag = [&](const char* name, bool value) {
    if (!value) writer.WriteProperty(name, false);
  };
  flag("AllowChangeHFText", AllowChangeHFText);
  flag("AllowChangeMargins", AllowChangeMargins);
  flag("AllowChangeOrientation", AllowChangeOrientation);
  flag("AllowChangePaper", AllowChangePaper);
  flag("AllowChangeScale", AllowChangeScale);
  flag("AllowCustomPaperSizes", AllowCustomPaperSizes);
  if (!Description.empty()) writer.WriteProperty("Description", Description);
  if (ImageIndex != -1) writer.WriteProperty("ImageIndex", std::int64_t(ImageIndex));
  printerPage_->WriteProperties(writer, kPagePrefix);
  if (ShowPageSetupDlg) writer.WriteProperty("ShowPageSetupDlg", true);
  writer.WriteProperty("StyleCaption", styleCaption_);
  if (!styleGlyph_->Empty()) writer.WriteProperty("StyleGlyph", styleGlyph_->SaveToStream());
  writer.WriteProperty("BuiltInStyle", builtIn_);
}

void TBasedxPrintStyle::ReadProperty(const std::string& name, const TdxPropertyValue& value,
                                     TdxPrinterPage& pageTarget) {
  if (std::string rest = After(name, kPagePrefix); !rest.empty()) {
    pageTarget.ReadProperty(rest, value);
  } else if (name == "AllowChangeHFText") {
    AllowChangeHFText = AsBool(value);
  } else if (name == "AllowChangeMargins") {
    AllowChangeMargins = AsBool(value);
  } else if (name == "AllowChangeOrientation") {
    AllowChangeOrientation = AsBool(value);
  } else if (name == "AllowChangePaper") {
    AllowChangePaper = AsBool(value);
  } else if (name == "AllowChangeScale") {
    AllowChangeScale = AsBool(value);
  } else if (name == "AllowCustomPaperSizes") {
    AllowCustomPaperSizes = AsBool(value);
  } else if (name == "Description") {
    Description = AsString(value);
  } else if (name == "ImageIndex") {
    ImageIndex = AsInt(value);
  } else if (name == "ShowPageSetupDlg") {
    ShowPageSetupDlg = AsBool(value);
  } else if (name == "StyleCaption") {
    styleCaption_ = AsString(value);
  } else if (name == "StyleGlyph") {
    const TBytes& bytes = AsBytes(value);
    auto glyph = std::make_unique<TBitmap>();
    if (!bytes.empty()) glyph->LoadFromStream(bytes);
    styleGlyph_ = std::move(glyph);
  } else if (name == "BuiltInStyle") {
    builtIn_ = AsBool(value);
  } else {
    throw EReadError(Format(kUnknownProperty, name.c_str()));
  }
}

// ---------------------------------------------------------------------------
// TdxPSPrintStyle

TdxPSPrintStyle::TdxPSPrintStyle(QObject* owner) : TBasedxPrintStyle(owner) {
  SetDefaultCaption(dxPSPrintStyleMessages::StandardStyleCaption);
  SetStyleGlyph(dxPSStandardStyleGlyph());
  if (TdxHFFunctionLibrary* library = GetHFFunctionLibrary()) {
    TdxPageFooter& footer = PrinterPage().PageFooter();
    if (TdxHFFunction* f = library->FunctionByClass(TdxHFPageNumberFunction::StaticClass()))
      footer.SetCenterTitle({f->Token()});
    if (TdxHFFunction* f = library->FunctionByClass(TdxHFDateFunction::StaticClass()))
      footer.SetRightTitle({f->Token()});
  }
}

void TdxPSPrintStyle::DoBeforeGenerating() {
  if (OnBeforeGenerating) OnBeforeGenerating(*this);
}

void TdxPSPrintStyle::DoAfterGenerating() {
  if (OnAfterGenerating) OnAfterGenerating(*this);
}

void TdxPSPrintStyle::DoBeforePrinting() {
  if (OnBeforePrinting) OnBeforePrinting(*this);
}

void TdxPSPrintStyle::DoAfterPrinting() {
  if (OnAfterPrinting) OnAfterPrinting(*this);
}

const TBitmap& dxPSStandardStyleGlyph() {
  static const TBitmap glyph = MakeStandardStyleGlyph();
  return glyph;
}

// ---------------------------------------------------------------------------
// Registry of style classes

void RegisterPrintStyleClass(TdxClass styleClass, TdxClass optionsDialogClass, bool makeDefault) {
  if (!styleClass) return;
  StyleClassRegistry& registry = Registry();
  for (const TdxPrintStyleClassEntry& entry : registry.Entries)
    if (entry.StyleClass == styleClass && entry.OptionsDialogClass == optionsDialogClass) return;
  registry.Entries.push_back({styleClass, optionsDialogClass});
  dxRegisterClass(styleClass);
  if (makeDefault) registry.Default = styleClass;
}

void UnregisterPrintStyleClass(TdxClass styleClass, TdxClass optionsDialogClass) {
  StyleClassRegistry& registry = Registry();
  auto& entries = registry.Entries;
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const TdxPrintStyleClassEntry& e) {
                                 return e.StyleClass == styleClass && e.OptionsDialogClass == optionsDialogClass;
                               }),
                entries.end());
  if (registry.Default == styleClass && !dxPSIsPrintStyleClass(styleClass))
    registry.Default = entries.empty() ? nullptr : entries.back().StyleClass;
}

TdxClass DefaultPrintStyleClass() { return Registry().Default; }

const std::vector<TdxPrintStyleClassEntry>& dxPSPrintStyleClasses() { return Registry().Entries; }

bool dxPSIsPrintStyleClass(TdxClass cls) {
  for (const TdxPrintStyleClassEntry& entry : Registry().Entries)
    if (entry.StyleClass == cls) return true;
  return false;
}

TdxPrintStyleDialogs& dxPSPrintStyleDialogs() {
  static TdxPrintStyleDialogs dialogs;
  return dialogs;
}

void dxPSRegisterPrintStyles() {
  RegisterPrintStyleClass(TBasedxPrintStyle::StaticClass(), nullptr, false);
  RegisterPrintStyleClass(TdxPSPrintStyle::StaticClass(), nullptr, true);
  TdxPSPageSetupMenuBuilderFactory::Instance()->Register(TdxStandardPSPageSetupMenuBuilder::StaticClass());
  TdxPrintStyleServices& services = dxPSPrintStyleServices();
  services.CurrentStyle = [](TdxPrintStyleManager* manager) -> TdxPrintStyle* {
    return manager && IsLiveManager(manager) ? manager->CurrentStyle() : nullptr;
  };
  services.StylePrinterPage = [](TdxPrintStyle* style) -> TdxPrinterPage* {
    return style ? &style->PrinterPage() : nullptr;
  };
  services.AsPrintStyle = [](TdxObject* object) -> TdxPrintStyle* { return dynamic_cast<TdxPrintStyle*>(object); };
  services.Notify = [](TdxPrintStyle* style, TdxPrintStyleNotification notification) {
    auto* printStyle = dynamic_cast<TdxPSPrintStyle*>(style);
    if (!printStyle) return;
    switch (notification) {
      case TdxPrintStyleNotification::BeforeGenerating: printStyle->DoBeforeGenerating(); break;
      case TdxPrintStyleNotification::AfterGenerating: printStyle->DoAfterGenerating(); break;
      case TdxPrintStyleNotification::BeforePrinting: printStyle->DoBeforePrinting(); break;
      case TdxPrintStyleNotification::AfterPrinting: printStyle->DoAfterPrinting(); break;
    }
  };
  services.LinkManagerChanged = [](TBasedxReportLink& link, TdxPrintStyleManager* oldManager,
                                   TdxPrintStyleManager* newManager) {
    if (oldManager && IsLiveManager(oldManager)) oldManager->DetachLink(&link);
    if (newManager && IsLiveManager(newManager)) newManager->AttachLink(&link);
  };
}

// ---------------------------------------------------------------------------
// TdxPrintStyleManager: creation and destruction

TdxPrintStyleManager::TdxPrintStyleManager(QObject* owner) : QObject(owner) { LiveManagers().push_back(this); }

TdxPrintStyleManager::~TdxPrintStyleManager() {
  destroying_ = true;
  // The styles are still all there when they are saved.
  if (AutoSave && !dxPSIsDesignTime && !savedOnDestroy_) {
    savedOnDestroy_ = true;
    try {
      SaveToFile(StorageName);
    } catch (const Exception& e) {
      try {
        MessageError(Format(dxPSPrintStyleMessages::CannotSaveStyles, StorageName.c_str(), e.Message.c_str()));
      } catch (...) {
      }
    } catch (...) {
    }
  }
  WriteAutoHFTextEntries();
  const std::vector<TBasedxReportLink*> links = links_;
  links_.clear();
  for (TBasedxReportLink* link : links) link->StyleManagerDestroyed(this);
  // The styles belong to the owner and outlive the manager.
  for (TBasedxPrintStyle* style : styles_) style->manager_ = nullptr;
  styles_.clear();
  currentStyle_ = nullptr;
  auto& live = LiveManagers();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

QObject* TdxPrintStyleManager::StyleOwner() { return parent() ? parent() : this; }

void TdxPrintStyleManager::AttachLink(TBasedxReportLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TdxPrintStyleManager::DetachLink(TBasedxReportLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

// ---------------------------------------------------------------------------
// The list

TBasedxPrintStyle* TdxPrintStyleManager::Styles(int index) const {
  return index >= 0 && index < Count() ? styles_[std::size_t(index)] : nullptr;
}

int TdxPrintStyleManager::IndexOfStyle(const TBasedxPrintStyle* style) const {
  if (!style) return -1;
  auto it = std::find(styles_.begin(), styles_.end(), style);
  return it == styles_.end() ? -1 : int(it - styles_.begin());
}

TBasedxPrintStyle* TdxPrintStyleManager::StyleByName(const std::string& name) const {
  for (TBasedxPrintStyle* style : styles_)
    if (SameText(FromQ(style->objectName()), name)) return style;
  return nullptr;
}

void TdxPrintStyleManager::InsertStyle(TBasedxPrintStyle* style, int index) {
  if (!style || IndexOfStyle(style) >= 0) return;
  if (style->manager_ && style->manager_ != this) style->manager_->RemoveStyle(style);
  index = std::clamp(index, 0, Count());
  styles_.insert(styles_.begin() + index, style);
  style->manager_ = this;
  if (!currentStyle_) SelectCurrentStyle(style);
  StyleListChanged();
}

void TdxPrintStyleManager::RemoveStyle(TBasedxPrintStyle* style) {
  const int index = IndexOfStyle(style);
  if (index < 0) return;
  styles_.erase(styles_.begin() + index);
  style->manager_ = nullptr;
  if (destroying_) return;
  if (style == currentStyle_)
    SelectCurrentStyle(styles_.empty() ? nullptr : styles_[std::size_t(std::min(index, Count() - 1))]);
  StyleListChanged();
}

void TdxPrintStyleManager::MoveStyle(TBasedxPrintStyle* style, int index) {
  const int from = IndexOfStyle(style);
  if (from < 0) return;
  index = std::clamp(index, 0, Count() - 1);
  if (index == from) return;
  styles_.erase(styles_.begin() + from);
  styles_.insert(styles_.begin() + index, style);
  StyleListChanged();
}

TBasedxPrintStyle* TdxPrintStyleManager::AddStyle(TdxClass styleClass) {
  if (!styleClass) return nullptr;
  std::unique_ptr<TBasedxPrintStyle> style = dxCreateObject<TBasedxPrintStyle>(styleClass);
  style->setParent(StyleOwner());
  TBasedxPrintStyle* added = style.release();
  InsertStyle(added, Count());
  return added;
}

TBasedxPrintStyle* TdxPrintStyleManager::CloneStyle(int index) {
  if (index < -1 || index >= Count()) return nullptr;
  TBasedxPrintStyle* source = index >= 0 ? styles_[std::size_t(index)] : nullptr;
  TdxClass cls = source ? source->ClassType() : DefaultPrintStyleClass();
  if (!cls) return nullptr;
  // The update bracket stays open for FinishClone.
  BeginUpdate();
  TBasedxPrintStyle* clone = nullptr;
  ScopeFail drop([&] {
    delete clone;
    EndUpdate();
  });
  std::unique_ptr<TBasedxPrintStyle> style = dxCreateObject<TBasedxPrintStyle>(cls);
  style->setParent(StyleOwner());
  clone = style.release();
  InsertStyle(clone, index + 1);
  clone->cloning_ = true;
  if (source) clone->Assign(*source);
  clone->SetStyleCaption(CloneCaption(source ? source->StyleCaption() : clone->StyleCaption(), clone));
  return clone;
}

void TdxPrintStyleManager::FinishClone(TBasedxPrintStyle* style) {
  if (style) style->cloning_ = false;
  EndUpdate();
}

std::string TdxPrintStyleManager::CloneCaption(const std::string& sourceCaption,
                                               const TBasedxPrintStyle* exclude) const {
  auto unique = [&](const std::string& caption) {
    for (const TBasedxPrintStyle* style : styles_)
      if (style != exclude && style->StyleCaption() == caption) return false;
    return true;
  };
  std::string text = CloneStyleCaptionPrefix + sourceCaption;
  for (const char* pattern : {"(%d) ", "(%d)", "%d ", "%d"}) {
    const std::size_t pos = text.find(pattern);
    if (pos != std::string::npos) {
      text.erase(pos, std::strlen(pattern));
      break;
    }
  }
  text = CutChars(text, dxPSMaxCloneCaptionLength);
  if (unique(text)) return text;
  // Numbered captions keep their whole text: cut short, "Copy (2) of Copy of
  // Standard Style" would lose what tells it from its source.
  const std::string templ = CloneStyleCaptionPrefix + sourceCaption;
  for (int n = 2; n < kMaxCloneCaptionTries; ++n) {
    if (!FormatWithNumber(templ, n, text)) text = templ;
    if (text == templ || unique(text)) return text;
  }
  return text;
}

void TdxPrintStyleManager::DeleteStyle(int index) {
  if (TBasedxPrintStyle* style = Styles(index)) delete style;
}

void TdxPrintStyleManager::Clear() {
  BeginUpdate();
  while (!styles_.empty()) delete styles_.back();
  EndUpdate();
}

void TdxPrintStyleManager::DeleteNonBuiltInStyles() {
  BeginUpdate();
  for (int i = Count() - 1; i >= 0; --i)
    if (i < Count() && !styles_[std::size_t(i)]->BuiltIn()) delete styles_[std::size_t(i)];
  EndUpdate();
}

bool TdxPrintStyleManager::HasNonBuiltInStyles() const {
  return std::any_of(styles_.begin(), styles_.end(), [](const TBasedxPrintStyle* s) { return !s->BuiltIn(); });
}

// ---------------------------------------------------------------------------
// Current style and notifications

void TdxPrintStyleManager::SetCurrentStyle(TBasedxPrintStyle* style) {
  if (style == currentStyle_ || IndexOfStyle(style) < 0) return;
  SelectCurrentStyle(style);
}

void TdxPrintStyleManager::SetCurrentStyleIndex(int value) {
  if (styles_.empty()) return;
  SetCurrentStyle(styles_[std::size_t(std::clamp(value, 0, Count() - 1))]);
}

void TdxPrintStyleManager::SelectCurrentStyle(TBasedxPrintStyle* style) {
  if (style == currentStyle_) return;
  currentStyle_ = style;
  StylePageParamsChanged(style, ucAll);
  NotifyCurrentStyle();
}

void TdxPrintStyleManager::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ > 0) return;
  StyleListChanged();
  NotifyCurrentStyle();
}

void TdxPrintStyleManager::StyleListChanged() {
  if (NotificationsSuppressed()) return;
  if (OnStyleListChanged) OnStyleListChanged(*this);
  dxPSEventSystem()->ProcessEvent(std::make_unique<TdxSMStyleListChangedEvent>(this));
}

void TdxPrintStyleManager::NotifyCurrentStyle() {
  if (NotificationsSuppressed()) return;
  if (OnChangeCurrentStyle) OnChangeCurrentStyle(*this);
}

void TdxPrintStyleManager::StylePageParamsChanged(TBasedxPrintStyle* style, TdxPageUpdateCodes codes) {
  // While styles are read the list is in flux: one notification follows
  // when the current style is selected at the end.
  if (loading_ || destroying_) return;
  TdxObject* page = style ? static_cast<TdxObject*>(&style->PrinterPage()) : nullptr;
  dxPSEventSystem()->ProcessEvent(std::make_unique<TdxSMPageParamsChangedEvent>(this, style, codes, page));
}

// ---------------------------------------------------------------------------
// Auto-text entries

void TdxPrintStyleManager::EnsureAutoHFTextEntries() {
  if (autoHFTextEntries_) return;
  std::vector<std::string> defaults;
  DefaultAutoTextEntries(defaults);
  autoHFTextEntries_ = std::make_unique<std::vector<std::string>>();
  for (const std::string& entry : defaults) {
    auto& list = *autoHFTextEntries_;
    if (std::none_of(list.begin(), list.end(), [&](const std::string& e) { return SameText(e, entry); }))
      list.push_back(entry);
  }
}

const std::vector<std::string>& TdxPrintStyleManager::AutoHFTextEntries() {
  EnsureAutoHFTextEntries();
  return *autoHFTextEntries_;
}

void TdxPrintStyleManager::SetAutoHFTextEntries(const std::vector<std::string>& entries) {
  EnsureAutoHFTextEntries();
  std::vector<std::string> list;
  for (const std::string& entry : entries)
    if (std::none_of(list.begin(), list.end(), [&](const std::string& e) { return SameText(e, entry); }))
      list.push_back(entry);
  if (list == *autoHFTextEntries_) return;
  *autoHFTextEntries_ = std::move(list);
  AutoHFTextEntriesChanged();
}

bool TdxPrintStyleManager::AddAutoHFTextEntry(const std::string& entry) {
  EnsureAutoHFTextEntries();
  auto& list = *autoHFTextEntries_;
  if (std::any_of(list.begin(), list.end(), [&](const std::string& e) { return SameText(e, entry); })) return false;
  list.push_back(entry);
  AutoHFTextEntriesChanged();
  return true;
}

void TdxPrintStyleManager::DeleteAutoHFTextEntry(int index) {
  EnsureAutoHFTextEntries();
  auto& list = *autoHFTextEntries_;
  if (index < 0 || index >= int(list.size())) return;
  list.erase(list.begin() + index);
  AutoHFTextEntriesChanged();
}

void TdxPrintStyleManager::AutoHFTextEntriesChanged() {
  if (destroying_) return;
  dxPSEventSystem()->ProcessEvent(std::make_unique<TdxHFTextEntriesChangedEvent>(this));
}

std::string TdxPrintStyleManager::AutoHFTextEntriesKey() const {
  if (dxPSIsDesignTime) return std::string();
  const std::string& path = dxPSEngine()->RealRegistryPath();
  if (path.empty()) return std::string();
  return path + "\\AutoHFTextEntries\\" + FromQ(objectName());
}

void TdxPrintStyleManager::ReadAutoHFTextEntries() {
  const std::string key = AutoHFTextEntriesKey();
  if (key.empty()) return;
  std::vector<std::string> entries;
  try {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(key)) return;
    // The values are named by their index; the store lists names in text
    // order ("10" before "2"), so numbered names go by their number.
    std::vector<std::string> names = registry.GetValueNames();
    auto number = [](const std::string& name) -> long long {
      if (name.empty() || name.size() > 9) return -1;
      long long n = 0;
      for (char c : name) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
      }
      return n;
    };
    std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
      const long long na = number(a), nb = number(b);
      if (na < 0 || nb < 0) return na >= 0 && nb < 0;
      return na < nb;
    });
    for (const std::string& name : names) entries.push_back(registry.ReadString(name));
  } catch (...) {
    return;  // registry errors are ignored
  }
  EnsureAutoHFTextEntries();
  std::vector<std::string> list;
  for (const std::string& entry : entries)
    if (std::none_of(list.begin(), list.end(), [&](const std::string& e) { return SameText(e, entry); }))
      list.push_back(entry);
  *autoHFTextEntries_ = std::move(list);
  AutoHFTextEntriesChanged();
}

void TdxPrintStyleManager::WriteAutoHFTextEntries() {
  if (!autoHFTextEntries_) return;
  const std::string key = AutoHFTextEntriesKey();
  if (key.empty()) return;
  try {
    TRegistry registry;
    registry.DeleteKey(key);
    if (!registry.OpenKey(key, true)) return;
    for (std::size_t i = 0; i < autoHFTextEntries_->size(); ++i)
      registry.WriteString(std::to_string(i), (*autoHFTextEntries_)[i]);
  } catch (...) {
    // registry errors are ignored
  }
}

// ---------------------------------------------------------------------------
// Storage

TBytes TdxPrintStyleManager::SaveToBytes() const {
  TBytes bytes;
  AppendInt32(bytes, Version);
  AppendInt32(bytes, CurrentStyleIndex());
  TdxComponentStreamWriter writer;
  writer.BeginObject(kManagerClass, FromQ(objectName()));
  writer.WriteProperty(kStyleCountProperty, std::int64_t(Count()));
  for (const TBasedxPrintStyle* style : styles_) {
    writer.BeginObject(style->ClassName(), FromQ(style->objectName()));
    style->WriteProperties(writer);
    writer.EndObject();
  }
  writer.EndObject();
  bytes.insert(bytes.end(), writer.Bytes().begin(), writer.Bytes().end());
  return bytes;
}

bool TdxPrintStyleManager::SaveToFile(const std::string& fileName) {
  if (!ValidateFileName(fileName)) return false;
  // Everything is encoded before the file is touched; the file is replaced
  // only by a complete copy.
  const TBytes bytes = SaveToBytes();
  WriteFileBytes(fileName, bytes);
  return true;
}

bool TdxPrintStyleManager::LoadFromBytes(TByteView data) {
  if (data.size() < 4) throw EReadError(kReadError);
  if (Int32At(data, 0) != Version) return false;
  if (data.size() < 8) throw EReadError(kReadError);
  const int storedIndex = Int32At(data, 4);
  // Read completely first: a damaged file leaves the styles as they were.
  std::vector<std::unique_ptr<TBasedxPrintStyle>> styles = ReadStyleStream(data.subspan(8));

  UpdateLock lock(*this);
  {
    ScopedValue loading(loading_, true);
    while (!styles_.empty()) delete styles_.back();
    for (std::unique_ptr<TBasedxPrintStyle>& style : styles) {
      style->setParent(StyleOwner());
      InsertStyle(style.get(), Count());
      style.release();
    }
  }
  TBasedxPrintStyle* before = currentStyle_;
  SetCurrentStyleIndex(storedIndex);
  // The page of the current style is new even when its position is not.
  if (currentStyle_ == before) StylePageParamsChanged(currentStyle_, ucAll);
  return true;
}

bool TdxPrintStyleManager::LoadFromFile(const std::string& fileName) {
  if (fileName.empty()) return false;
  const QFileInfo info(ToQ(fileName));
  if (!info.exists()) return false;
  try {
    if (info.isFile() && info.size() > kMaxStyleFileSize) throw EReadError(dxPSPrintStyleMessages::StyleFileTooLarge);
    const TBytes bytes = ReadFileBytes(fileName);
    return LoadFromBytes(bytes);
  } catch (const Exception& e) {
    MessageError(Format(dxPSPrintStyleMessages::CannotLoadStyles, fileName.c_str(), e.Message.c_str()));
    return false;
  }
}

void TdxPrintStyleManager::Loaded() {
  if (dxPSIsDesignTime) return;
  ReadAutoHFTextEntries();
  if (AutoSave) LoadFromFile(StorageName);
}

// ---------------------------------------------------------------------------
// Other

bool TdxPrintStyleManager::DefinePrintStyles(bool* previewChosen, bool* printChosen) {
  bool result = false;
  auto& dialogs = dxPSPrintStyleDialogs();
  if (dialogs.DefinePrintStyles) result = dialogs.DefinePrintStyles(*this, previewChosen, printChosen);
  // The window may have changed anything: everyone hears of it once the
  // event loop is back.
  QMetaObject::invokeMethod(
      this,
      [this] {
        StyleListChanged();
        NotifyCurrentStyle();
      },
      Qt::QueuedConnection);
  return result;
}

void TdxPrintStyleManager::SettingsChanged() {
  ResetDefaultPrinterPage();
  for (TBasedxPrintStyle* style : styles_) style->SettingsChanged();
}
