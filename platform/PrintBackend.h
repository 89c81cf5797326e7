// The spooler behind the print device: the printers of the CUPS scheduler
// (the one CUPS_SERVER names, else the system's), their papers, paper
// sources, resolution and state, and print jobs.
//
// Units. Paper sizes are tenths of a millimetre, portrait; paper margins are
// hundredths of a millimetre; device geometry is in device pixels at the
// printer's resolution.
//
// Paper kinds are the platform's paper numbers (1 Letter, 9 A4, ...): a
// printer's media are matched by size (within 1 mm) against the known kinds;
// media of no known kind get numbers from 257 on, in the printer's order.
// Paper sources get the platform's bin numbers (7 automatic, 1 upper or main,
// 2 lower, 4 manual, ...); a printer that names no source gets one automatic
// source.
//
// Jobs. A job is drawn through a QPainter into a PDF document whose pages are
// the whole sheets; the painter's origin is the printable area's corner
// (Caps().PhysicalOffsetX/Y pixels from the sheet's corner, exactly), as on a
// printer's device context, so a page drawn from -PhysicalOffset lands on the
// sheet where it lands on a printer without unprintable margins. For a printer
// the spooler's job is created when the document starts (so its id is known)
// and the PDF is handed over when the document ends; aborting cancels the
// spooler's job. For an output file the PDF is written next to the file and
// renamed over it only when the document ends successfully, so an aborted or
// failed job never leaves a half-written file behind.
//
// Every talk with the scheduler connects with a bounded timeout: without a
// scheduler the printer list is empty and nothing waits long.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Types.h"

class QPainter;
class QWidget;

namespace PrintBackend {

// Fields of TPrinterSettings; a set bit in Fields says the printer honours
// the field.
constexpr std::uint32_t DM_ORIENTATION = 0x00000001;
constexpr std::uint32_t DM_PAPERSIZE = 0x00000002;
constexpr std::uint32_t DM_PAPERLENGTH = 0x00000004;
constexpr std::uint32_t DM_PAPERWIDTH = 0x00000008;
constexpr std::uint32_t DM_COPIES = 0x00000100;
constexpr std::uint32_t DM_DEFAULTSOURCE = 0x00000200;
constexpr std::uint32_t DM_PRINTQUALITY = 0x00000400;
constexpr std::uint32_t DM_COLOR = 0x00000800;
constexpr std::uint32_t DM_DUPLEX = 0x00001000;
constexpr std::uint32_t DM_COLLATE = 0x00008000;

constexpr int DMORIENT_PORTRAIT = 1;
constexpr int DMORIENT_LANDSCAPE = 2;
constexpr int DMCOLOR_MONOCHROME = 1;
constexpr int DMCOLOR_COLOR = 2;
constexpr int DMDUP_SIMPLEX = 1;
constexpr int DMDUP_VERTICAL = 2;    // two-sided, long edge
constexpr int DMDUP_HORIZONTAL = 3;  // two-sided, short edge
constexpr int DMPAPER_LETTER = 1;
constexpr int DMPAPER_USER = 256;
constexpr int DMBIN_AUTO = 7;

// The document settings of one printer.
struct TPrinterSettings {
  std::uint32_t Fields = 0;
  int Orientation = DMORIENT_PORTRAIT;
  int PaperSize = DMPAPER_LETTER;  // paper kind
  int PaperLength = 0;  // tenths of a mm; with PaperWidth, when both are above 0
  int PaperWidth = 0;   // they override PaperSize (a custom size)
  int Copies = 1;
  int DefaultSource = DMBIN_AUTO;
  int PrintQuality = 300;  // dots per inch
  int Color = DMCOLOR_COLOR;
  int Duplex = DMDUP_SIMPLEX;
  int Collate = 0;
  friend bool operator==(const TPrinterSettings&, const TPrinterSettings&) = default;
};

struct TPrinterEntry {
  std::string Name;
  bool IsDefault = false;
  bool IsNetwork = false;  // a queue of another server
};

struct TPrinterPaper {
  int Kind = 0;
  std::string Name;
  int Width = 0;   // tenths of a mm, portrait
  int Height = 0;
  TRect Margins;   // unprintable margins, hundredths of a mm, portrait
  std::string Media;  // the spooler's media name
};

struct TPrinterBin {
  int Id = 0;
  std::string Name;
  std::string Keyword;  // the spooler's media-source value; empty: its own choice
};

// The spooler's state of a printer, in the platform's printer status bits.
constexpr std::uint32_t PRINTER_STATUS_PAUSED = 0x1;
constexpr std::uint32_t PRINTER_STATUS_ERROR = 0x2;
constexpr std::uint32_t PRINTER_STATUS_PAPER_JAM = 0x8;
constexpr std::uint32_t PRINTER_STATUS_PAPER_OUT = 0x10;
constexpr std::uint32_t PRINTER_STATUS_PAPER_PROBLEM = 0x40;
constexpr std::uint32_t PRINTER_STATUS_OFFLINE = 0x80;
constexpr std::uint32_t PRINTER_STATUS_BUSY = 0x200;
constexpr std::uint32_t PRINTER_STATUS_PRINTING = 0x400;
constexpr std::uint32_t PRINTER_STATUS_OUTPUT_BIN_FULL = 0x800;
constexpr std::uint32_t PRINTER_STATUS_NOT_AVAILABLE = 0x1000;
constexpr std::uint32_t PRINTER_STATUS_WAITING = 0x2000;
constexpr std::uint32_t PRINTER_STATUS_PROCESSING = 0x4000;
constexpr std::uint32_t PRINTER_STATUS_TONER_LOW = 0x20000;
constexpr std::uint32_t PRINTER_STATUS_NO_TONER = 0x40000;
constexpr std::uint32_t PRINTER_STATUS_USER_INTERVENTION = 0x100000;
constexpr std::uint32_t PRINTER_STATUS_OUT_OF_MEMORY = 0x200000;
constexpr std::uint32_t PRINTER_STATUS_DOOR_OPEN = 0x400000;

struct TPrinterState {
  std::uint32_t Status = 0;  // 0: ready
  int JobCount = 0;          // jobs waiting or printing
  std::string Driver;        // make and model
  std::string Port;          // the device URI
  std::string Comment;       // the description
  std::string Location;
};

// The status bits for a scheduler state (3 idle, 4 processing, 5 stopped)
// and its state reasons.
std::uint32_t StatusFromState(int state, const std::vector<std::string>& reasons);

// The printers of the scheduler in its order; empty when it does not answer.
// Looks the scheduler up again first (see ResetServer).
std::vector<TPrinterEntry> EnumPrinters();
// Forgets which scheduler to talk to, so that the next talk reads
// CUPS_SERVER (and the client configuration) again.
void ResetServer();
// The default printer's name; empty when there is none.
std::string DefaultPrinterName();
// The paper kind of the user's locale: 1 Letter, 5 Legal, 8 A3, 9 A4, else 1.
int LocalePaperKind();
// The state of a job of the scheduler: 3 pending ... 7 cancelled, 8 aborted,
// 9 completed; 0 when it is unknown or the scheduler does not answer.
int JobState(int jobId);

// The known paper kind of a size (hundredths of a mm, portrait as given),
// matched within 1 mm; 0 when none.
int PaperKindForSize(int width, int height);

// An open printer: its capabilities as the spooler reported them when it was
// opened.
class TPrinter {
 public:
  // Nothing when the scheduler does not know the printer or does not answer.
  static std::unique_ptr<TPrinter> Open(const std::string& name);

  const std::string& Name() const { return name_; }
  // The printer's default document settings.
  const TPrinterSettings& DefaultSettings() const { return defaults_; }
  const std::vector<TPrinterPaper>& Papers() const { return papers_; }
  const std::vector<TPrinterBin>& Bins() const { return bins_; }
  int MaxCopies() const { return maxCopies_; }
  // Largest and smallest custom paper, tenths of a mm (each at most 32767);
  // 0 x 0 when the printer takes no custom sizes.
  TSize MaxExtent() const { return maxExtent_; }
  TSize MinExtent() const { return minExtent_; }
  bool DuplexSupported() const { return (defaults_.Fields & DM_DUPLEX) != 0; }
  // The resolutions the printer offers (dots per inch, as the spooler lists
  // them); empty when it names none.
  const std::vector<int>& Resolutions() const { return resolutions_; }
  void SetResolutions(std::vector<int> dpi) { resolutions_ = std::move(dpi); }
  // Asks the scheduler; false when it does not answer.
  bool ReadState(TPrinterState& state) const;

  // For tests and for printers described by hand.
  TPrinter(std::string name, TPrinterSettings defaults, std::vector<TPrinterPaper> papers,
           std::vector<TPrinterBin> bins);
  void SetLimits(int maxCopies, TSize maxExtent, TSize minExtent) {
    maxCopies_ = maxCopies;
    maxExtent_ = maxExtent;
    minExtent_ = minExtent;
  }

 private:
  TPrinter() = default;
  std::string name_;
  TPrinterSettings defaults_;
  std::vector<TPrinterPaper> papers_;
  std::vector<TPrinterBin> bins_;
  int maxCopies_ = 1;
  TSize maxExtent_;
  TSize minExtent_;
  std::vector<int> resolutions_;
};

// The geometry of a page printed with these settings: resolution, the whole
// sheet, the printable area and its offsets (DT_RASPRINTER).
TDeviceCaps ComputeCaps(const TPrinter& printer, const TPrinterSettings& settings);

// A document being printed.
class TPrintJob {
 public:
  TPrintJob(const TPrinter& printer, const TPrinterSettings& settings);
  ~TPrintJob();  // an unfinished document is discarded
  TPrintJob(const TPrintJob&) = delete;
  TPrintJob& operator=(const TPrintJob&) = delete;

  // The geometry of the current page (after Reset: of the next page).
  const TDeviceCaps& Caps() const { return caps_; }
  // New settings; they take effect with the next page.
  void Reset(const TPrinterSettings& settings);

  // Starts the document: to outputFile when it is not empty, else to the
  // printer. Answers the job's id (above 0), or 0 or less on failure.
  int StartDoc(const std::string& title, const std::string& outputFile);
  void StartPage();
  void EndPage();
  // Finishes the document (file renamed into place, or the PDF handed to the
  // spooler). False on failure; LastError() tells why; nothing is left behind.
  bool EndDoc();
  // Discards the document and cancels the spooler's job.
  void AbortDoc();
  bool Active() const { return painter_ != nullptr; }
  // The painter of the current page; null outside a document. Its origin
  // is the printable area's corner (a translation it keeps from page to
  // page); a canvas made on it must be gone before a page with another
  // geometry starts (after Reset).
  QPainter* Painter() const { return painter_.get(); }
  const std::string& LastError() const { return lastError_; }
  // The PDF being written (empty outside a document).
  std::string DocumentFileName() const;

 private:
  struct Output;
  void Discard();
  // Moves the painter's origin to the printable area's corner of Caps().
  void PlaceOrigin();

  std::string printerName_;
  std::vector<TPrinterPaper> papers_;
  std::vector<TPrinterBin> bins_;
  std::vector<int> resolutions_;
  TPrinterSettings settings_;
  TDeviceCaps caps_;
  std::unique_ptr<Output> out_;
  std::unique_ptr<QPainter> painter_;
  bool needNewPage_ = false;
  int originX_ = 0, originY_ = 0;  // the painter's origin on the sheet, pixels
  int jobId_ = 0;
  bool toFile_ = false;
  std::string title_;
  std::string lastError_;
};

// The printer's document properties in a dialog (paper, source,
// orientation, two-sided printing, resolution, colour, copies, collation).
// On OK the settings are changed and the answer is true.
bool EditDocumentProperties(QWidget* parent, const TPrinter& printer, TPrinterSettings& settings);
// The dialog is the window named "DocumentProperties"; its boxes are named
// "Paper", "Source", "Orientation", "Duplex", "Resolution", "Color", "Copies"
// and "Collate".

// ---- Network printers ----------------------------------------------------------

namespace Messages {
inline constexpr const char* ConnectPrinterTitle = "Connect to Printer";
inline constexpr const char* ConnectPrinterPrompt =
    "Enter the address of the network printer, for example ipp://printer.example.com/ipp/print";
inline constexpr const char* NotAPrinterAddress =
    "\"%s\" is not the address of a network printer. Enter an address such as ipp://host/ipp/print.";
inline constexpr const char* CannotReachPrinter = "Cannot reach the printer at \"%s\": %s";
inline constexpr const char* NotAPrinter = "The device at \"%s\" does not answer as a printer.";
inline constexpr const char* CannotConnectPrinter = "The printer at \"%s\" could not be connected: %s";
}  // namespace Messages

// Whether the machine is connected to a network (an interface other than the
// loopback is up).
bool NetworkPresent();

// Connects the network printer at an IPP address ("ipp://host/ipp/print",
// "ipps://..."). The printer itself is asked first; when it cannot be reached
// or does not answer as a printer, the answer is false with a message for the
// user (Messages above). Then
// the scheduler gets a queue for it, set up from what the printer reports: a
// lasting one, or, where the user may not add printers, one that the
// scheduler keeps while it is in use. A queue that already prints to that
// address is used as it is. name is the queue's name.
bool ConnectPrinter(const std::string& uri, std::string& name, std::string& error);

// The connect-to-printer dialog: asks for the printer's address and connects
// it (a failure is shown and the address can be corrected). True with the
// queue's name when a printer was connected.
bool ConnectPrinterDialog(QWidget* parent, std::string& name);
// The dialog is the window named "ConnectPrinter" with the box "Address".

}  // namespace PrintBackend
