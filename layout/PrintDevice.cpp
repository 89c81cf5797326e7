#include "layout/PrintDevice.h"

#include <algorithm>
#include <cctype>

#include "platform/Application.h"
#include "platform/ScopeExit.h"

using namespace PrintBackend;
using namespace dxPrnDevMessages;

namespace {

std::string UpperCase(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

constexpr int kCustomPaper = 256;
constexpr TPoint kLetterSize{2159, 2794};
constexpr TPoint kNoPrinterCustomSize{2100, 2970};

}  // namespace

// ---- TdxPaperInfo ----------------------------------------------------------------

void TdxPaperInfo::SetWidth(int value) {
  if (dmPaper_ < kCustomPaper) return;
  size_.X = value;
  if (owner_ && owner_->settings_) owner_->settings_->PaperWidth = value;
}

void TdxPaperInfo::SetHeight(int value) {
  if (dmPaper_ < kCustomPaper) return;
  size_.Y = value;
  if (owner_ && owner_->settings_) owner_->settings_->PaperLength = value;
}

// ---- TdxPrintDeviceCanvas ------------------------------------------------------------

TCanvas& TdxPrintDeviceCanvas::Canvas() {
  if (!device_.JobActive() || !device_.job_ || !device_.job_->Painter()) throw EdxPrintDevice(NotPrinting);
  if (!canvas_ || !drawing_ || !(canvas_->DeviceCaps() == device_.caps_)) Attach(true);
  return *canvas_;
}

TCanvas& TdxPrintDeviceCanvas::Handle() {
  if (device_.JobActive()) return Canvas();
  const TDeviceCaps& caps = device_.InfoContext();
  if (!canvas_ || drawing_ || !(canvas_->DeviceCaps() == caps)) Attach(false);
  return *canvas_;
}

void TdxPrintDeviceCanvas::Attach(bool drawing) {
  Detach();
  const TDeviceCaps& caps = device_.caps_;
  if (drawing)
    canvas_ = std::make_unique<TCanvas>(*device_.job_->Painter(), caps);
  else
    canvas_ = std::make_unique<TCanvas>(caps);
  drawing_ = drawing;
  if (!tools_) {
    tools_ = Tools{canvas_->Pen(),      canvas_->Brush(),   canvas_->Font(), canvas_->GetTextColor(),
                   canvas_->GetBkColor(), canvas_->GetBkMode(), canvas_->PenPos()};
  }
  TFont font = tools_->Font;
  font.SetPixelsPerInch(caps.LogPixelsY);
  canvas_->SetPen(tools_->Pen);
  canvas_->SetBrush(tools_->Brush);
  canvas_->SetFont(font);
  canvas_->SetTextColor(tools_->TextColor);
  canvas_->SetBkColor(tools_->BkColor);
  canvas_->SetBkMode(tools_->BkMode);
  canvas_->MoveTo(tools_->PenPos.X, tools_->PenPos.Y);
}

void TdxPrintDeviceCanvas::Detach() {
  if (!canvas_) return;
  tools_ = Tools{canvas_->Pen(),      canvas_->Brush(),   canvas_->Font(), canvas_->GetTextColor(),
                 canvas_->GetBkColor(), canvas_->GetBkMode(), canvas_->PenPos()};
  canvas_.reset();
  drawing_ = false;
}

// ---- TdxPrintDevice: printer list and selection -----------------------------------------

TdxPrintDevice::TdxPrintDevice() = default;

TdxPrintDevice::~TdxPrintDevice() {
  refreshPending_ = false;
  try {
    if (jobActive_) EndJob();
  } catch (...) {
  }
  jobActive_ = false;
  if (canvas_) canvas_->Detach();
  job_.reset();
  contextKind_ = dckNone;
  printer_.reset();
}

std::vector<TPrinterEntry> TdxPrintDevice::EnumPrinters() { return PrintBackend::EnumPrinters(); }

std::unique_ptr<TPrinter> TdxPrintDevice::OpenPrinter(const std::string& name) { return TPrinter::Open(name); }

std::string TdxPrintDevice::DefaultPrinterName() const { return PrintBackend::DefaultPrinterName(); }

bool TdxPrintDevice::IsDefaultPrinterName(const std::string& name) const {
  return SameText(name, DefaultPrinterName());
}

const std::vector<TdxPrinterEntry>& TdxPrintDevice::PrinterEntries() {
  if (!entries_) {
    std::vector<TdxPrinterEntry> list;
    std::vector<TPrinterEntry> printers = EnumPrinters();
    std::string defaultName = printers.empty() ? std::string() : DefaultPrinterName();
    for (const TPrinterEntry& p : printers) {
      TdxPrinterEntry e;
      e.DisplayName = p.Name;
      e.Info.DeviceName = p.Name;
      e.Info.IsDefault = !defaultName.empty() && SameText(p.Name, defaultName);
      e.Info.IsNetwork = p.IsNetwork;
      list.push_back(std::move(e));
    }
    entries_ = std::move(list);
  }
  return *entries_;
}

void TdxPrintDevice::FillPrinterNames(std::vector<std::string>& names) {
  const auto& entries = PrinterEntries();
  names.clear();
  for (const TdxPrinterEntry& e : entries) names.push_back(e.DisplayName);
}

bool TdxPrintDevice::HasPrinters(bool raiseErrors) {
  try {
    if (PrinterEntries().empty()) return false;
    InfoContext();
    return true;
  } catch (const Exception&) {
    if (raiseErrors) throw;
    return false;
  }
}

int TdxPrintDevice::SelectedPrinter() {
  if (selected_ < 0 && !PrinterEntries().empty()) SelectDefaultPrinter();
  return selected_;
}

void TdxPrintDevice::SelectPrinter(int index) {
  if (jobActive_) throw EdxPrintDevice(Printing);
  int count = int(PrinterEntries().size());
  if (index < -1 || index >= count) throw EdxPrintDevice(PrinterIndexError);
  if (index == -1) {
    SelectDefaultPrinter();
  } else {
    SelectEntry(index);
  }
  CloseContext();
}

void TdxPrintDevice::SelectDefaultPrinter() {
  std::string name = DefaultPrinterName();
  int index = name.empty() ? -1 : FindPrinter(name, std::string());
  if (index < 0) throw EdxPrintDevice(NoDefaultPrinter);
  SelectEntry(index);
}

int TdxPrintDevice::FindPrinter(const std::string& device, const std::string& port) {
  const auto& entries = PrinterEntries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TdxPrintDeviceInfo& info = entries[i].Info;
    if (SameText(info.DeviceName, device) && (info.Port.empty() || SameText(info.Port, port))) return int(i);
  }
  return -1;
}

int TdxPrintDevice::DefaultPaperKind() {
  std::string name = DefaultPrinterName();
  if (!name.empty()) {
    if (printer_ && SameText(printer_->Name(), name)) return printer_->DefaultSettings().PaperSize;
    if (std::unique_ptr<TPrinter> p = OpenPrinter(name)) return p->DefaultSettings().PaperSize;
  }
  return LocalePaperKind();
}

void TdxPrintDevice::SelectEntry(int index) {
  if (index == selected_ && printer_) return;
  std::optional<TPrinterSettings> kept;
  std::optional<TPoint> keptSize;
  if (KeepSettingsOnSwitch && settings_) {
    kept = *settings_;
    int current = CurrentPaperIndex();
    if (papers_ && current >= 0 && current < int(papers_->size())) keptSize = (*papers_)[std::size_t(current)].Size();
  }
  ReleasePrinter();
  const TdxPrinterEntry& entry = PrinterEntries()[std::size_t(index)];
  curDevice_ = entry.Info.DeviceName;
  curDriver_ = entry.Info.DriverName;
  curPort_ = entry.Info.Port;
  printer_ = OpenPrinter(curDevice_);
  if (!printer_) {
    curDevice_.clear();
    curDriver_.clear();
    curPort_.clear();
    return;
  }
  settings_ = printer_->DefaultSettings();
  settingsDirty_ = false;
  selected_ = index;
  features_ = 0;
  if (settings_->Fields & DM_COPIES) features_ |= 1u << pdfCopies;
  if (settings_->Fields & DM_ORIENTATION) features_ |= 1u << pdfOrientation;
  if (settings_->Fields & DM_COLLATE) features_ |= 1u << pdfCollation;
  copyLimit_ = printer_->MaxCopies();
  ApplyExtents();
  if (kept) {
    SetCopies(kept->Copies);
    SetDuplex(kept->Duplex - 1);
    SetOrientation(kept->Orientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait);
    if (!SelectPaperKind(kept->PaperSize) && keptSize) SelectPaperSize(keptSize->X, keptSize->Y);
    SelectBinKind(kept->DefaultSource);
    if (OnPrinterSwitched) OnPrinterSwitched(*this);
  }
}

void TdxPrintDevice::ApplyExtents() {
  TSize maxExtent = printer_->MaxExtent();
  TSize minExtent = printer_->MinExtent();
  largest_ = maxExtent.cx <= 0 || maxExtent.cy <= 0 ? TSize{7620, 7620} : maxExtent;
  smallest_ = minExtent.cx <= 0 || minExtent.cy <= 0 ? TSize{254, 254} : minExtent;
  if (const auto* papers = PaperEntries()) {
    for (const TdxPaperInfo& p : *papers) {
      if (p.Size().X <= 0 || p.Size().Y <= 0) continue;
      smallest_.cx = std::min(smallest_.cx, p.Size().X);
      smallest_.cy = std::min(smallest_.cy, p.Size().Y);
      largest_.cx = std::max(largest_.cx, p.Size().X);
      largest_.cy = std::max(largest_.cy, p.Size().Y);
    }
  }
  smallest_.cx = std::max(smallest_.cx, 500);
  smallest_.cy = std::max(smallest_.cy, 500);
  largest_.cx = std::min(std::max(largest_.cx, smallest_.cx), 32767);
  largest_.cy = std::min(std::max(largest_.cy, smallest_.cy), 32767);
}

void TdxPrintDevice::ReleasePrinter() {
  CloseContext();  // raises during a job, before anything changes
  curDevice_.clear();
  curDriver_.clear();
  curPort_.clear();
  bins_.reset();
  binsBuilt_ = false;
  papers_.reset();
  papersBuilt_ = false;
  settings_.reset();
  settingsDirty_ = false;
  printer_.reset();
  canvas_.reset();
  selected_ = -1;
}

void TdxPrintDevice::RefreshPrinters() {
  std::string device = curDevice_;
  std::string port = curPort_;
  std::optional<TPrinterSettings> kept = settings_;
  ReleasePrinter();
  entries_.reset();
  PrinterEntries();
  if (kept) {
    int index = FindPrinter(device, port);
    if (index >= 0) {
      SelectEntry(index);
      if (settings_) {
        *settings_ = *kept;
        settingsDirty_ = true;
      }
    } else if (!entries_->empty()) {
      SelectDefaultPrinter();
    }
  }
  if (OnPrintersRefreshed) OnPrintersRefreshed(*this);
}

bool TdxPrintDevice::EditPrinterSettings(QWidget* parent) {
  TPrinterSettings* settings = CheckedSettings();
  if (!settings || !printer_) return false;
  TPrinterSettings copy = *settings;
  if (!EditDocumentProperties(parent, *printer_, copy)) return false;
  *settings_ = copy;
  settingsDirty_ = true;
  return true;
}

bool TdxPrintDevice::ConnectNetworkPrinter(QWidget* parent) {
  std::string name;
  if (!PrintBackend::ConnectPrinterDialog(parent, name)) return false;
  RefreshPrinters();
  return true;
}

std::optional<std::string> TdxPrintDevice::DeviceName() const {
  if (PrinterCount() == 0 || !settings_) return std::nullopt;
  return curDevice_;
}

std::optional<std::string> TdxPrintDevice::PortName() const {
  if (PrinterCount() == 0 || !settings_) return std::nullopt;
  return curPort_;
}

bool TdxPrintDevice::ReadPrinterState(TPrinterState& state) {
  if (!CheckedSettings() || !printer_) return false;
  return printer_->ReadState(state);
}

// ---- Settings ----------------------------------------------------------------------

TPrinterSettings* TdxPrintDevice::CheckedSettings() {
  if (PrinterEntries().empty()) return nullptr;
  if (selected_ < 0) SelectDefaultPrinter();
  return settings_ ? &*settings_ : nullptr;
}

const TPrinterSettings* TdxPrintDevice::Settings() { return CheckedSettings(); }

void TdxPrintDevice::MarkDirty(std::uint32_t field) {
  settings_->Fields |= field;
  settingsDirty_ = true;
}

int TdxPrintDevice::Copies() {
  const TPrinterSettings* s = CheckedSettings();
  return s ? s->Copies : 0;
}

void TdxPrintDevice::SetCopies(int value) {
  if (jobActive_) throw EdxPrintDevice(Printing);
  if (TPrinterSettings* s = CheckedSettings()) {
    s->Copies = value;
    MarkDirty(DM_COPIES);
  }
}

bool TdxPrintDevice::Collate() {
  const TPrinterSettings* s = CheckedSettings();
  return s && s->Collate != 0;
}

void TdxPrintDevice::SetCollate(bool value) {
  if (TPrinterSettings* s = CheckedSettings()) {
    s->Collate = value ? 1 : 0;
    MarkDirty(DM_COLLATE);
  }
}

void TdxPrintDevice::SetColor(bool color) {
  if (TPrinterSettings* s = CheckedSettings()) {
    s->Color = color ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME;
    MarkDirty(DM_COLOR);
  }
}

bool TdxPrintDevice::DuplexSupported() {
  const TPrinterSettings* s = CheckedSettings();
  return s && (s->Fields & DM_DUPLEX);
}

void TdxPrintDevice::SetDuplex(int mode) {
  if (!DuplexSupported() || mode < 0 || mode > 2) return;
  settings_->Duplex = mode + 1;
  MarkDirty(DM_DUPLEX);
}

TdxPrinterOrientation TdxPrintDevice::Orientation() {
  const TPrinterSettings* s = CheckedSettings();
  return s && s->Orientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TdxPrintDevice::SetOrientation(TdxPrinterOrientation value) {
  if (TPrinterSettings* s = CheckedSettings()) {
    s->Orientation = value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    MarkDirty(DM_ORIENTATION);
  }
}

void TdxPrintDevice::SelectPaper(int index) {
  if (!settings_) return;
  const auto* papers = PaperEntries();
  if (!papers || !settings_ || index < 0 || index >= int(papers->size())) return;
  settings_->PaperSize = (*papers)[std::size_t(index)].DMPaper();
  std::uint32_t fields = DM_PAPERSIZE;
  if (index == int(papers->size()) - 1) fields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
  MarkDirty(fields);
}

void TdxPrintDevice::SelectBin(int index) {
  if (!settings_) return;
  const auto* bins = BinEntries();
  if (!bins || !settings_ || index < 0 || index >= int(bins->size())) return;
  int id = (*bins)[std::size_t(index)].Id;
  if (settings_->DefaultSource == id) return;
  settings_->DefaultSource = id;
  MarkDirty(DM_DEFAULTSOURCE);
}

// ---- Papers and sources --------------------------------------------------------------

const std::vector<TdxPaperInfo>* TdxPrintDevice::PaperEntries() {
  if (!papersBuilt_) {
    bool noPrinters = PrinterEntries().empty();
    if (!noPrinters && selected_ < 0) SelectDefaultPrinter();  // may build the list itself
    if (papersBuilt_) return papers_ ? &*papers_ : nullptr;
    std::vector<TdxPaperInfo> list;
    if (noPrinters || (printer_ && printer_->Papers().empty())) {
      list.emplace_back(this, kCustomPaper, "Custom Size", kNoPrinterCustomSize);
    } else if (!printer_ || !settings_) {
      return nullptr;
    } else {
      std::optional<TPoint> letter;
      for (const TPrinterPaper& p : printer_->Papers()) {
        list.emplace_back(this, p.Kind, p.Name, TPoint{p.Width, p.Height});
        if (p.Kind == DMPAPER_LETTER && !letter) letter = TPoint{p.Width, p.Height};
      }
      if (list.back().Name().find("Custom") == std::string::npos)
        list.emplace_back(this, kCustomPaper, "Custom Size", letter.value_or(kLetterSize));
    }
    papers_ = std::move(list);
    papersBuilt_ = true;
  }
  return papers_ ? &*papers_ : nullptr;
}

const std::vector<TdxBinEntry>* TdxPrintDevice::BinEntries() {
  if (!binsBuilt_) {
    bool noPrinters = PrinterEntries().empty();
    if (!noPrinters && selected_ < 0) SelectDefaultPrinter();
    if (noPrinters) {
      bins_ = std::vector<TdxBinEntry>{{"Default Tray", 256}};
    } else {
      if (!printer_ || !settings_) return nullptr;
      if (printer_->Bins().empty()) {
        bins_.reset();
      } else {
        std::vector<TdxBinEntry> list;
        for (const TPrinterBin& b : printer_->Bins()) list.push_back({b.Name, b.Id});
        bins_ = std::move(list);
      }
    }
    binsBuilt_ = true;
  }
  return bins_ ? &*bins_ : nullptr;
}

int TdxPrintDevice::FindPaperKind(int kind) {
  if (const auto* papers = PaperEntries())
    for (std::size_t i = 0; i < papers->size(); ++i)
      if ((*papers)[i].DMPaper() == kind) return int(i);
  return -1;
}

int TdxPrintDevice::FindBinKind(int id) {
  if (const auto* bins = BinEntries())
    for (std::size_t i = 0; i < bins->size(); ++i)
      if ((*bins)[i].Id == id) return int(i);
  return -1;
}

int TdxPrintDevice::FindPaperSize(int width, int height) {
  const auto* papers = PaperEntries();
  if (!papers) return -1;
  for (std::size_t i = 0; i < papers->size(); ++i)
    if ((*papers)[i].Size() == TPoint{width, height}) return int(i);
  return int(papers->size()) - 1;
}

int TdxPrintDevice::CurrentPaperIndex() {
  if (!settings_) return 0;
  int index = FindPaperKind(settings_ ? settings_->PaperSize : 0);
  if (index < 0) {
    const auto* papers = PaperEntries();
    return papers && !papers->empty() ? 0 : -1;
  }
  return index;
}

bool TdxPrintDevice::SelectPaperKind(int kind) {
  int index = FindPaperKind(kind);
  if (index < 0) return false;
  SelectPaper(index);
  return true;
}

bool TdxPrintDevice::SelectBinKind(int id) {
  int index = FindBinKind(id);
  if (index < 0) return false;
  SelectBin(index);
  return true;
}

bool TdxPrintDevice::SelectPaperSize(int width, int height) {
  int index = FindPaperSize(width, height);
  if (index < 0) return false;
  SelectPaper(index);
  if (settings_) {
    const auto* papers = PaperEntries();
    if (papers && CurrentPaperIndex() == int(papers->size()) - 1) {
      SetCustomPaperSize(width, height);
    } else {
      settings_->PaperWidth = 0;
      settings_->PaperLength = 0;
    }
  }
  return true;
}

void TdxPrintDevice::SetCustomPaperSize(int& width, int& height) {
  width = std::max(std::min(width, LargestPaper(0)), SmallestPaper(0));
  height = std::max(std::min(height, LargestPaper(1)), SmallestPaper(1));
  auto* papers = const_cast<std::vector<TdxPaperInfo>*>(PaperEntries());
  if (!papers || papers->empty()) return;
  TdxPaperInfo& custom = papers->back();
  if (!settings_ || width != settings_->PaperWidth) custom.SetWidth(width);
  if (!settings_ || height != settings_->PaperLength) custom.SetHeight(height);
}

bool TdxPrintDevice::IsAutomaticBin(int index) {
  const auto* bins = BinEntries();
  if (!bins || index < 0 || index >= int(bins->size())) return false;
  return UpperCase((*bins)[std::size_t(index)].Name).find("AUTO") != std::string::npos;
}

bool TdxPrintDevice::IsEnvelopePaper(int index) {
  const auto* papers = PaperEntries();
  if (!papers || index < 0 || index >= int(papers->size())) return false;
  return UpperCase((*papers)[std::size_t(index)].Name()).find("ENV") != std::string::npos;
}

int TdxPrintDevice::LargestPaper(int axis) {
  if (!CheckedSettings() && PrinterEntries().empty()) return 5000;
  return axis == 0 ? largest_.cx : largest_.cy;
}

int TdxPrintDevice::SmallestPaper(int axis) {
  if (!CheckedSettings() && PrinterEntries().empty()) return 500;
  return axis == 0 ? smallest_.cx : smallest_.cy;
}

// ---- Contexts and geometry -------------------------------------------------------------

void TdxPrintDevice::OpenContext(TdxPrintDeviceContextKind kind) {
  if (kind == dckNone) {
    CloseContext();
    return;
  }
  if (kind == dckInformation && contextKind_ != dckNone) return;
  if (!PrinterEntries().empty() && selected_ < 0) SelectDefaultPrinter();
  if (kind == dckDrawing) CloseContext();
  if (!printer_ || !settings_) throw EdxPrintDevice(InvalidPrinter);
  if (kind == dckInformation) {
    caps_ = ComputeCaps(*printer_, *settings_);
  } else {
    job_ = std::make_unique<TPrintJob>(*printer_, *settings_);
    caps_ = job_->Caps();
    settingsDirty_ = false;
  }
  contextKind_ = kind;
}

void TdxPrintDevice::CloseContext() {
  if (jobActive_) throw EdxPrintDevice(Printing);
  if (canvas_) canvas_->Detach();
  job_.reset();
  contextKind_ = dckNone;
  caps_ = TDeviceCaps();
}

const TDeviceCaps& TdxPrintDevice::InfoContext() {
  if (contextKind_ == dckNone)
    OpenContext(dckInformation);
  else if (contextKind_ == dckInformation && printer_ && settings_)
    caps_ = ComputeCaps(*printer_, *settings_);  // follows changed settings
  return caps_;
}

int TdxPrintDevice::PrintableWidth() { return InfoContext().HorzRes; }

int TdxPrintDevice::PrintableHeight() { return InfoContext().VertRes; }

int TdxPrintDevice::PhysicalOffset(int axis) {
  try {
    if (PrinterEntries().empty()) return 0;
    const TDeviceCaps& caps = InfoContext();
    return axis == 0 ? caps.PhysicalOffsetX : caps.PhysicalOffsetY;
  } catch (const Exception&) {
    return 0;
  }
}

// ---- Jobs ----------------------------------------------------------------------------

TdxPrintDeviceCanvas& TdxPrintDevice::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TdxPrintDeviceCanvas>(*this);
  return *canvas_;
}

int TdxPrintDevice::BeginJob() {
  Application::ProcessMessages();
  if (jobActive_) throw EdxPrintDevice(Printing);
  jobError_.clear();
  CloseContext();
  {
    ScopeFail dropOutputFile([this] { JobOutputFile.clear(); });
    OpenContext(dckDrawing);
  }
  jobActive_ = true;
  jobAborted_ = false;
  jobPage_ = 1;
  int id = job_->StartDoc(JobTitle, JobOutputFile);
  if (id <= 0) {
    jobError_ = job_->LastError();
    jobActive_ = false;
    jobAborted_ = false;
    CloseContext();
    jobPage_ = 0;
    JobOutputFile.clear();
    return id;
  }
  jobId_ = id;
  job_->StartPage();
  return id;
}

void TdxPrintDevice::NewJobPage() {
  if (!jobActive_) throw EdxPrintDevice(NotPrinting);
  job_->EndPage();
  ++jobPage_;
  Application::ProcessMessages();
  if (!jobActive_) return;  // the job ended while messages were handled
  if (OnPageStarted) OnPageStarted(*this);
  if (!jobActive_) return;
  ApplyPendingSettings(false);
  job_->StartPage();
}

void TdxPrintDevice::EndJob() {
  if (!jobActive_) throw EdxPrintDevice(NotPrinting);
  if (canvas_) canvas_->Detach();
  job_->EndPage();
  bool ok = true;
  if (!jobAborted_) {
    ok = job_->EndDoc();
    if (!ok) jobError_ = job_->LastError();
  }
  jobActive_ = false;
  jobAborted_ = false;
  CloseContext();
  jobPage_ = 0;
  jobId_ = 0;
  JobOutputFile.clear();
  if (refreshPending_) {
    refreshPending_ = false;
    try {
      RefreshPrinters();
    } catch (const Exception&) {
    }
  }
  if (!ok) throw EdxPrintDevice(jobError_);
}

void TdxPrintDevice::AbortJob() {
  if (!jobActive_) throw EdxPrintDevice(NotPrinting);
  if (canvas_) canvas_->Detach();
  job_->AbortDoc();
  jobAborted_ = true;
  EndJob();
}

void TdxPrintDevice::ApplyPendingSettings(bool force) {
  if (!force && !settingsDirty_) return;
  settingsDirty_ = false;
  if (!job_ || !settings_) return;
  if (canvas_) canvas_->Detach();  // keeps the tools for the next page
  job_->Reset(*settings_);
  caps_ = job_->Caps();
}

void TdxPrintDevice::SettingsChanged() {
  if (!WatchSettingsChanges) return;
  if (jobActive_) {
    refreshPending_ = true;
    return;
  }
  RefreshPrinters();
}

// ---- Process-wide device ---------------------------------------------------------------

namespace {
std::unique_ptr<TdxPrintDevice>& DeviceHolder() {
  static std::unique_ptr<TdxPrintDevice> device;
  return device;
}
}  // namespace

TdxPrintDevice& GetPrintDevice() {
  auto& device = DeviceHolder();
  if (!device) device = std::make_unique<TdxPrintDevice>();
  return *device;
}

std::unique_ptr<TdxPrintDevice> dxReplacePrintDevice(std::unique_ptr<TdxPrintDevice> device) {
  std::swap(DeviceHolder(), device);
  return device;
}

bool IsPrintDeviceReady() {
  auto& device = DeviceHolder();
  return device && device->PrintersBuilt();
}
