// The print device: the one object that knows the installed printers, holds
// the selected printer with its document settings, lists that printer's
// papers and paper sources, answers geometry questions (printable area,
// unprintable offsets, largest and smallest paper), owns the drawing canvas
// and runs print jobs (begin, new page, end, abort). Everything else reaches
// printers only through it.
//
// Sizes are tenths of a millimetre (papers, extents), geometry is in device
// pixels of the printer.
//
// Selection is lazy: nothing is selected until a query needs a printer; the
// first such query selects the default printer (and raises "There is no
// default printer selected" when there is none).
//
// Jobs pump pending window messages when they begin and at every new page,
// so that an abort request can arrive between pages. The output file of a
// job (JobOutputFile, print to file) is cleared when the job ends, so a later
// job goes to the printer unless it is given a file again. An aborted job
// leaves no output behind.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/PrintBackend.h"
#include "report/EngineExceptions.h"

class QWidget;
class TdxPrintDevice;

class EdxPrintDevice : public EdxPrintEngine {
 public:
  using EdxPrintEngine::EdxPrintEngine;
};

namespace dxPrnDevMessages {
inline constexpr const char* InvalidPrinter = "Printer selected is not valid";
inline constexpr const char* NotPrinting = "Printer is not currently printing";
inline constexpr const char* Printing = "Printing in progress";
inline constexpr const char* PrinterIndexError = "Printer index out of range";
inline constexpr const char* NoDefaultPrinter = "There is no default printer selected";
}  // namespace dxPrnDevMessages

enum TdxPrinterOrientation { poPortrait, poLandscape };

// Which of these the selected printer's settings carry (bits 1 << value).
enum TdxPrintDeviceFeature { pdfCopies, pdfOrientation, pdfCollation };
using TdxPrintDeviceFeatures = unsigned;

enum TdxPrintDeviceContextKind { dckNone, dckInformation, dckDrawing };

// One entry of the printer list.
struct TdxPrintDeviceInfo {
  std::string DeviceName;  // the printer's name as the spooler knows it
  std::string DriverName;  // always empty
  std::string Port;        // always empty (entries carry no ports)
  bool IsDefault = false;
  bool IsNetwork = false;
};

struct TdxPrinterEntry {
  std::string DisplayName;
  TdxPrintDeviceInfo Info;
};

// One paper of the selected printer.
class TdxPaperInfo {
 public:
  TdxPaperInfo(TdxPrintDevice* owner, int dmPaper, std::string name, TPoint size)
      : owner_(owner), dmPaper_(dmPaper), name_(std::move(name)), size_(size) {}
  int DMPaper() const { return dmPaper_; }
  const std::string& Name() const { return name_; }
  const TPoint& Size() const { return size_; }  // X width, Y height, tenths of a mm, portrait
  TdxPrintDevice* Owner() const { return owner_; }
  // Only a custom paper (kind 256 and above) changes size; the settings'
  // paper width (length) follows, without marking the settings dirty.
  void SetWidth(int value);
  void SetHeight(int value);

 private:
  TdxPrintDevice* owner_;
  int dmPaper_;
  std::string name_;
  TPoint size_;
};

struct TdxBinEntry {
  std::string Name;
  int Id = 0;
};

// The drawing surface on the device's context. Pen, brush, font, colours,
// background mode and pen position carry over from one context to the next;
// the font keeps its point size at the printer's resolution.
class TdxPrintDeviceCanvas {
 public:
  explicit TdxPrintDeviceCanvas(TdxPrintDevice& device) : device_(device) {}
  TdxPrintDeviceCanvas(const TdxPrintDeviceCanvas&) = delete;
  TdxPrintDeviceCanvas& operator=(const TdxPrintDeviceCanvas&) = delete;

  // The canvas that draws on the current page. Raises "Printer is not
  // currently printing" outside a job. The reference stays valid for the
  // page and for later pages of the same geometry; fetch it again after
  // NewJobPage.
  TCanvas& Canvas();
  // The canvas of the open context, for measuring, mapping and device
  // capabilities; opens an information context when none is open (may
  // raise). Outside a job it draws nothing.
  TCanvas& Handle();
  bool HandleAllocated() const { return canvas_ != nullptr; }

 private:
  friend class TdxPrintDevice;
  void Attach(bool drawing);
  void Detach();

  struct Tools {
    TPen Pen;
    TBrush Brush;
    TFont Font;
    TColor TextColor = clBlack;
    TColor BkColor = clWhite;
    int BkMode = OPAQUE;
    TPoint PenPos;
  };
  TdxPrintDevice& device_;
  std::unique_ptr<TCanvas> canvas_;
  bool drawing_ = false;
  std::optional<Tools> tools_;
};

class TdxPrintDevice {
 public:
  TdxPrintDevice();
  virtual ~TdxPrintDevice();
  TdxPrintDevice(const TdxPrintDevice&) = delete;
  TdxPrintDevice& operator=(const TdxPrintDevice&) = delete;

  // ---- Printer list and selection ----
  // Builds the printer list; with entries, makes sure an information
  // context can be opened for the selected (or default) printer. Errors
  // there are raised when raiseErrors is set, else the answer is false.
  bool HasPrinters(bool raiseErrors = false);
  int PrinterCount() const { return entries_ ? int(entries_->size()) : 0; }  // 0 before the list is built
  bool PrintersBuilt() const { return entries_.has_value(); }
  const std::vector<TdxPrinterEntry>& PrinterEntries();  // built on first use
  void FillPrinterNames(std::vector<std::string>& names);
  // Selects the default printer first when none is selected (may raise);
  // -1 without printers.
  int SelectedPrinter();
  // -1 selects the default printer. Raises "Printing in progress" during a
  // job and "Printer index out of range" below -1 or past the list.
  void SelectPrinter(int index);
  void SelectDefaultPrinter();
  // First entry whose device equals device and whose port is empty or
  // equals port (ignoring case); -1 when none.
  int FindPrinter(const std::string& device, const std::string& port);
  virtual std::string DefaultPrinterName() const;  // empty: no default printer
  bool IsDefaultPrinterName(const std::string& name) const;
  // The default printer's default paper; without one, the locale's.
  int DefaultPaperKind();
  // Builds the list again; the selected printer keeps its settings when it
  // is still there.
  void RefreshPrinters();
  // The printer's document properties dialog on a copy of the settings; on
  // OK the copy replaces them and the answer is true.
  bool EditPrinterSettings(QWidget* parent);
  // The connect-to-printer dialog (a printer by its IPP address); when a
  // printer was connected, the printers are refreshed and the answer is true.
  bool ConnectNetworkPrinter(QWidget* parent);
  // Of the selected printer; nothing without printers or settings.
  std::optional<std::string> DeviceName() const;
  std::optional<std::string> PortName() const;
  // The spooler's state of the selected printer (status bits, waiting
  // jobs, driver, port, comment); false when it cannot be read.
  bool ReadPrinterState(PrintBackend::TPrinterState& state);

  // ---- Settings of the selected printer ----
  // These first make sure a printer is selected (selecting the default one,
  // which may raise) and do nothing (answer 0 / false) without printers or
  // settings. Setters mark the settings dirty.
  const PrintBackend::TPrinterSettings* Settings();
  bool SettingsDirty() const { return settingsDirty_; }
  bool KeepSettingsOnSwitch = true;
  TdxPrintDeviceFeatures Features() const { return features_; }
  int CopyLimit() const { return copyLimit_; }
  int Copies();
  void SetCopies(int value);  // raises "Printing in progress" during a job
  bool Collate();
  void SetCollate(bool value);
  void SetColor(bool color);
  void SetDuplex(int mode);  // 0 none, 1 long edge, 2 short edge; only when supported
  bool DuplexSupported();
  TdxPrinterOrientation Orientation();
  void SetOrientation(TdxPrinterOrientation value);
  // These two look only at the settings block (they select nothing).
  void SelectPaper(int index);
  void SelectBin(int index);

  // ---- Papers and sources ----
  // Built on first use; nothing when the printer cannot be asked. The last
  // paper always takes user-defined sizes.
  const std::vector<TdxPaperInfo>* PaperEntries();
  const std::vector<TdxBinEntry>* BinEntries();
  int FindPaperKind(int kind);
  int FindBinKind(int id);
  // Exact size, else the last (custom) paper; -1 without a paper list.
  int FindPaperSize(int width, int height);
  int CurrentPaperIndex();
  bool SelectPaperKind(int kind);
  bool SelectBinKind(int id);
  bool SelectPaperSize(int width, int height);
  // Clamps to the paper extents and gives the custom paper that size.
  void SetCustomPaperSize(int& width, int& height);
  bool IsAutomaticBin(int index);
  bool IsEnvelopePaper(int index);
  int LargestPaper(int axis);   // 0 width, 1 height
  int SmallestPaper(int axis);

  // ---- Geometry ----
  // The open context's capabilities (LOGPIXELSX/Y, HORZRES, ...); opens an
  // information context when none is open. Raises "Printer selected is not
  // valid" when it cannot.
  const TDeviceCaps& InfoContext();
  TdxPrintDeviceContextKind ContextKind() const { return contextKind_; }
  int PrintableWidth();
  int PrintableHeight();
  int PhysicalOffset(int axis);  // 0 without printers or context

  // ---- Jobs ----
  std::string JobTitle;
  std::string JobOutputFile;  // empty: the printer; cleared when a job ends
  // The spooler's job id (above 0), or 0 or less when the document could
  // not be started (JobLastError tells why).
  int BeginJob();
  void NewJobPage();
  // Raises EdxPrintDevice when the finished document could not be delivered.
  void EndJob();
  void AbortJob();
  bool JobActive() const { return jobActive_; }
  bool JobAborted() const { return jobAborted_; }
  int JobPageNumber() const { return jobPage_; }
  int JobId() const { return jobId_; }
  const std::string& JobLastError() const { return jobError_; }
  TdxPrintDeviceCanvas& Canvas();
  // Hands changed settings to the drawing context (with force: always);
  // they take effect from the next page; the canvas keeps its tools.
  void ApplyPendingSettings(bool force);

  // A system settings change: with WatchSettingsChanges the printers are
  // refreshed (after the job, when one is running).
  bool WatchSettingsChanges = false;
  void SettingsChanged();

  std::function<void(TdxPrintDevice&)> OnPageStarted;
  std::function<void(TdxPrintDevice&)> OnPrinterSwitched;
  std::function<void(TdxPrintDevice&)> OnPrintersRefreshed;

 protected:
  // The spooler. Tests replace these to describe printers by hand.
  virtual std::vector<PrintBackend::TPrinterEntry> EnumPrinters();
  virtual std::unique_ptr<PrintBackend::TPrinter> OpenPrinter(const std::string& name);

 private:
  friend class TdxPrintDeviceCanvas;
  friend class TdxPaperInfo;

  PrintBackend::TPrinterSettings* CheckedSettings();
  void SelectEntry(int index);
  void ReleasePrinter();
  void ApplyExtents();
  void OpenContext(TdxPrintDeviceContextKind kind);
  void CloseContext();
  void MarkDirty(std::uint32_t field);

  std::optional<std::vector<TdxPrinterEntry>> entries_;
  int selected_ = -1;
  std::string curDevice_, curDriver_, curPort_;
  std::unique_ptr<PrintBackend::TPrinter> printer_;
  std::optional<PrintBackend::TPrinterSettings> settings_;
  bool settingsDirty_ = false;
  TdxPrintDeviceFeatures features_ = 0;
  int copyLimit_ = 0;
  TSize largest_{5000, 5000};
  TSize smallest_{500, 500};
  bool papersBuilt_ = false;
  std::optional<std::vector<TdxPaperInfo>> papers_;
  bool binsBuilt_ = false;
  std::optional<std::vector<TdxBinEntry>> bins_;
  TdxPrintDeviceContextKind contextKind_ = dckNone;
  TDeviceCaps caps_;
  std::unique_ptr<PrintBackend::TPrintJob> job_;
  std::unique_ptr<TdxPrintDeviceCanvas> canvas_;
  bool jobActive_ = false;
  bool jobAborted_ = false;
  int jobPage_ = 0;
  int jobId_ = 0;
  std::string jobError_;
  bool refreshPending_ = false;
};

// The process-wide print device, created on first use, destroyed when the
// program ends.
TdxPrintDevice& GetPrintDevice();
// Puts another device in place of the process-wide one (tests describe
// printers by hand this way) and answers the previous one (null when none
// was made yet); null makes the next GetPrintDevice create a fresh device.
std::unique_ptr<TdxPrintDevice> dxReplacePrintDevice(std::unique_ptr<TdxPrintDevice> device);
// True when the print device exists and has built its printer list (so
// that asking it does not create it or talk to the spooler).
bool IsPrintDeviceReady();
