#include "platform/PrintBackend.h"

#include <cups/cups.h>
#include <cups/pwg.h>
#include <ifaddrs.h>
#include <langinfo.h>
#include <net/if.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSpinBox>
#include <QTemporaryFile>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/GrayPaintDevice.h"
#include "platform/MessageDialogs.h"
#include "platform/ModalRun.h"
#include "platform/SchedulerWait.h"

namespace PrintBackend {
namespace {

constexpr int kConnectMsec = 5000;  // connecting to the scheduler

// The scheduler as the user knows it: a socket's path, or host and port.
std::string ServerName() {
  const char* server = cupsServer();
  if (!server || !*server) return "localhost";
  if (*server == '/') return server;
  return Format("%s:%d", server, ippPort());
}

// A connection to the scheduler, closed when it goes. Every wait of it is
// bounded and keeps the program painting (SchedulerWait.h); right after a
// wait that ended without an answer none is made.
class Connection {
 public:
  Connection() {
    if (SchedulerUnanswered()) return;
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectMsec,
                         nullptr);
    if (http_) watch_.Attach(http_, ServerName());
  }
  ~Connection() {
    if (http_) httpClose(http_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  http_t* get() const { return http_; }
  explicit operator bool() const { return http_ != nullptr; }

 private:
  TSchedulerWatch watch_;  // declared before the connection: outlives it
  http_t* http_ = nullptr;
};

// A printer of the scheduler with its capabilities.
class Dest {
 public:
  Dest(const Connection& c, const std::string& name) {
    if (!c) return;
    dest_ = cupsGetNamedDest(c.get(), name.c_str(), nullptr);
    if (dest_) info_ = cupsCopyDestInfo(c.get(), dest_);
  }
  ~Dest() {
    if (info_) cupsFreeDestInfo(info_);
    if (dest_) cupsFreeDests(1, dest_);
  }
  Dest(const Dest&) = delete;
  Dest& operator=(const Dest&) = delete;
  explicit operator bool() const { return dest_ && info_; }
  cups_dest_t* dest() const { return dest_; }
  cups_dinfo_t* info() const { return info_; }

 private:
  cups_dest_t* dest_ = nullptr;
  cups_dinfo_t* info_ = nullptr;
};

// Known paper kinds with their sizes (hundredths of a mm as the paper is
// fed) and names.
struct KnownPaper {
  int Kind;
  int Width;
  int Height;
  const char* Name;
};

constexpr KnownPaper kKnownPapers[] = {
    {1, 21590, 27940, "Letter"},
    {3, 27940, 43180, "Tabloid"},
    {4, 43180, 27940, "Ledger"},
    {5, 21590, 35560, "Legal"},
    {6, 13970, 21590, "Statement"},
    {7, 18415, 26670, "Executive"},
    {8, 29700, 42000, "A3"},
    {9, 21000, 29700, "A4"},
    {11, 14800, 21000, "A5"},
    {12, 25700, 36400, "B4 (JIS)"},
    {13, 18200, 25700, "B5 (JIS)"},
    {14, 21590, 33020, "Folio"},
    {15, 21500, 27500, "Quarto"},
    {16, 25400, 35560, "10x14"},
    {19, 9843, 22543, "Envelope #9"},
    {20, 10478, 24130, "Envelope #10"},
    {21, 11430, 26353, "Envelope #11"},
    {22, 12065, 27940, "Envelope #12"},
    {23, 12700, 29210, "Envelope #14"},
    {24, 43180, 55880, "C size sheet"},
    {25, 55880, 86360, "D size sheet"},
    {26, 86360, 111760, "E size sheet"},
    {27, 11000, 22000, "Envelope DL"},
    {28, 16200, 22900, "Envelope C5"},
    {29, 32400, 45800, "Envelope C3"},
    {30, 22900, 32400, "Envelope C4"},
    {31, 11400, 16200, "Envelope C6"},
    {32, 11400, 22900, "Envelope C65"},
    {34, 17600, 25000, "B5 (ISO)"},
    {36, 11000, 23000, "Envelope 110 x 230 mm"},
    {37, 9843, 19050, "Envelope Monarch"},
    {38, 9208, 16510, "6 3/4 Envelope"},
    {39, 37783, 27940, "US Std Fanfold"},
    {40, 21590, 30480, "German Std Fanfold"},
    {42, 25000, 35300, "B4 (ISO)"},
    {43, 10000, 14800, "Japanese Postcard"},
    {44, 22860, 27940, "9 x 11"},
    {45, 25400, 27940, "10 x 11"},
    {46, 38100, 27940, "15 x 11"},
    {47, 22000, 22000, "Envelope Invite"},
    {50, 24130, 30480, "Letter Extra"},
    {51, 24130, 38100, "Legal Extra"},
    {52, 29693, 45720, "Tabloid Extra"},
    {53, 23550, 32230, "A4 Extra"},
    {57, 22700, 35600, "SuperA/SuperA/A4"},
    {58, 30500, 48700, "SuperB/SuperB/A3"},
    {59, 21590, 32233, "Letter Plus"},
    {60, 21000, 33000, "A4 Plus"},
    {63, 32200, 44500, "A3 Extra"},
    {64, 17400, 23500, "A5 Extra"},
    {65, 20100, 27600, "B5 (ISO) Extra"},
    {66, 42000, 59400, "A2"},
    {69, 20000, 14800, "Japanese Double Postcard"},
    {70, 10500, 14800, "A6"},
    {75, 27940, 21590, "Letter Rotated"},
    {76, 42000, 29700, "A3 Rotated"},
    {77, 29700, 21000, "A4 Rotated"},
    {78, 21000, 14800, "A5 Rotated"},
    {79, 36400, 25700, "B4 (JIS) Rotated"},
    {80, 25700, 18200, "B5 (JIS) Rotated"},
    {81, 14800, 10000, "Japanese Postcard Rotated"},
    {83, 14800, 10500, "A6 Rotated"},
    {88, 12800, 18200, "B6 (JIS)"},
    {89, 18200, 12800, "B6 (JIS) Rotated"},
    {90, 30480, 27940, "12 x 11"},
    {93, 14600, 21500, "PRC 16K"},
    {94, 9700, 15100, "PRC 32K"},
    {96, 10200, 16500, "PRC Envelope #1"},
    {97, 10200, 17600, "PRC Envelope #2"},
    {98, 12500, 17600, "PRC Envelope #3"},
    {99, 11000, 20800, "PRC Envelope #4"},
    {100, 11000, 22000, "PRC Envelope #5"},
    {101, 12000, 23000, "PRC Envelope #6"},
    {102, 16000, 23000, "PRC Envelope #7"},
    {103, 12000, 30900, "PRC Envelope #8"},
    {104, 22900, 32400, "PRC Envelope #9"},
    {105, 32400, 45800, "PRC Envelope #10"},
};

const KnownPaper* KnownPaperForSize(int width, int height) {
  for (const KnownPaper& p : kKnownPapers)
    if (std::llabs(std::int64_t(p.Width) - width) <= 100 && std::llabs(std::int64_t(p.Height) - height) <= 100)
      return &p;
  return nullptr;
}

// Platform bin numbers for the spooler's media sources.
struct KnownBin {
  const char* Keyword;
  int Id;
};
constexpr KnownBin kKnownBins[] = {
    {"auto", 7},     {"main", 1},          {"top", 1},        {"tray-1", 1},         {"bottom", 2},
    {"tray-2", 2},   {"middle", 3},        {"tray-3", 3},     {"manual", 4},         {"by-pass-tray", 4},
    {"envelope", 5}, {"large-capacity", 11}, {"main-roll", 8}, {"alternate", 2},
};

int TenthsOf(int hundredths) { return (hundredths + 5) / 10; }

bool Contains(ipp_attribute_t* attr, const char* value) {
  return attr && ippContainsString(attr, value);
}

// "8.5 x 11 \"" reads better as "8.5 x 11 in".
std::string CleanName(const char* text) {
  std::string s = text ? text : "";
  std::string out;
  for (char c : s) {
    if (c == '"')
      out += "in";
    else
      out += c;
  }
  return out;
}

void ReadPapers(const Connection& c, const Dest& d, std::vector<TPrinterPaper>& papers,
                TSize& maxExtent, TSize& minExtent) {
  ipp_attribute_t* media = cupsFindDestSupported(c.get(), d.dest(), d.info(), "media");
  int count = media ? ippGetCount(media) : 0;
  int nextKind = DMPAPER_USER + 1;
  std::vector<int> usedKinds;
  for (int i = 0; i < count; ++i) {
    const char* name = ippGetString(media, i, nullptr);
    if (!name || !*name) continue;
    pwg_media_t* pwg = pwgMediaForPWG(name);
    auto extent = [&](TSize& e) {
      if (pwg && pwg->width > 0 && pwg->length > 0)
        e = {std::min(TenthsOf(pwg->width), 32767), std::min(TenthsOf(pwg->length), 32767)};
    };
    if (!std::strncmp(name, "custom_max_", 11)) {
      extent(maxExtent);
      continue;
    }
    if (!std::strncmp(name, "custom_min_", 11)) {
      extent(minExtent);
      continue;
    }
    bool duplicate = std::any_of(papers.begin(), papers.end(), [&](const TPrinterPaper& p) { return p.Media == name; });
    if (duplicate) continue;
    cups_size_t size{};
    bool haveSize = cupsGetDestMediaByName(c.get(), d.dest(), d.info(), name, CUPS_MEDIA_FLAGS_DEFAULT, &size);
    int width = pwg ? pwg->width : (haveSize ? size.width : 0);
    int height = pwg ? pwg->length : (haveSize ? size.length : 0);
    if (width <= 0 || height <= 0 || width > 3276700 || height > 3276700) continue;
    TPrinterPaper paper;
    paper.Media = name;
    if (haveSize)
      paper.Margins = TRect(std::max(0, size.left), std::max(0, size.top), std::max(0, size.right),
                            std::max(0, size.bottom));
    const KnownPaper* known = KnownPaperForSize(width, height);
    if (known && std::find(usedKinds.begin(), usedKinds.end(), known->Kind) == usedKinds.end()) {
      paper.Kind = known->Kind;
      paper.Name = known->Name;
      paper.Width = TenthsOf(known->Width);
      paper.Height = TenthsOf(known->Height);
      usedKinds.push_back(known->Kind);
    } else {
      paper.Kind = nextKind++;
      cups_size_t loc = size;
      std::snprintf(loc.media, sizeof loc.media, "%s", name);
      loc.width = width;
      loc.length = height;
      const char* text = cupsLocalizeDestMedia(c.get(), d.dest(), d.info(), CUPS_MEDIA_FLAGS_DEFAULT, &loc);
      paper.Name = text && *text ? CleanName(text) : std::string(name);
      paper.Width = TenthsOf(width);
      paper.Height = TenthsOf(height);
    }
    papers.push_back(std::move(paper));
  }
}

void ReadBins(const Connection& c, const Dest& d, std::vector<TPrinterBin>& bins) {
  ipp_attribute_t* sources = cupsFindDestSupported(c.get(), d.dest(), d.info(), "media-source");
  int count = sources ? ippGetCount(sources) : 0;
  int nextId = 257;
  for (int i = 0; i < count; ++i) {
    const char* kw = ippGetString(sources, i, nullptr);
    if (!kw || !*kw) continue;
    int id = 0;
    for (const KnownBin& k : kKnownBins)
      if (!std::strcmp(k.Keyword, kw)) id = k.Id;
    bool used = std::any_of(bins.begin(), bins.end(), [&](const TPrinterBin& b) { return b.Id == id; });
    if (id == 0 || used) id = nextId++;
    const char* text = cupsLocalizeDestValue(c.get(), d.dest(), d.info(), "media-source", kw);
    std::string name = text && *text ? text : kw;
    if (id == DMBIN_AUTO && name.find("Auto") == std::string::npos) name = "Automatically Select";
    bins.push_back({id, name, kw});
  }
  if (bins.empty()) bins.push_back({DMBIN_AUTO, "Automatically Select", ""});
}

std::string StringOption(const cups_dest_t* dest, const char* name) {
  const char* v = cupsGetOption(name, dest->num_options, dest->options);
  return v ? v : "";
}

struct PageGeometry {
  int Width = 0;  // tenths of a mm, as printed (landscape swapped)
  int Height = 0;
  TRect Margins;  // hundredths of a mm, as printed
  bool Landscape = false;
  int Dpi = 300;
};

PageGeometry GeometryOf(const std::vector<TPrinterPaper>& papers, const TPrinterSettings& s) {
  PageGeometry g;
  g.Dpi = s.PrintQuality >= 72 && s.PrintQuality <= 2400 ? s.PrintQuality : 300;
  const TPrinterPaper* paper = nullptr;
  for (const TPrinterPaper& p : papers)
    if (p.Kind == s.PaperSize) paper = &p;
  if (s.PaperWidth > 0 && s.PaperLength > 0) {
    g.Width = s.PaperWidth;
    g.Height = s.PaperLength;
    if (!papers.empty()) g.Margins = papers.front().Margins;
  } else if (paper) {
    g.Width = paper->Width;
    g.Height = paper->Height;
    g.Margins = paper->Margins;
  } else if (!papers.empty()) {
    g.Width = papers.front().Width;
    g.Height = papers.front().Height;
    g.Margins = papers.front().Margins;
  } else {
    g.Width = 2159;
    g.Height = 2794;
  }
  g.Width = std::clamp(g.Width, 10, 32767);
  g.Height = std::clamp(g.Height, 10, 32767);
  // Margins that leave no printable area are ignored.
  if (g.Margins.Left + g.Margins.Right >= g.Width * 10 || g.Margins.Top + g.Margins.Bottom >= g.Height * 10)
    g.Margins = TRect();
  if (s.Orientation == DMORIENT_LANDSCAPE) {
    // The page turns a quarter counter-clockwise: its top is the sheet's left.
    g.Landscape = true;
    std::swap(g.Width, g.Height);
    const TRect m = g.Margins;
    g.Margins = TRect(m.Bottom, m.Left, m.Top, m.Right);
  }
  return g;
}

TDeviceCaps CapsOf(const PageGeometry& g) {
  TDeviceCaps caps;
  caps.Technology = DT_RASPRINTER;
  caps.LogPixelsX = caps.LogPixelsY = g.Dpi;
  caps.PhysicalWidth = MulDiv(g.Width, g.Dpi, 254);
  caps.PhysicalHeight = MulDiv(g.Height, g.Dpi, 254);
  caps.PhysicalOffsetX = MulDiv(g.Margins.Left, g.Dpi, 2540);
  caps.PhysicalOffsetY = MulDiv(g.Margins.Top, g.Dpi, 2540);
  int right = MulDiv(g.Margins.Right, g.Dpi, 2540);
  int bottom = MulDiv(g.Margins.Bottom, g.Dpi, 2540);
  caps.HorzRes = std::max(1, caps.PhysicalWidth - caps.PhysicalOffsetX - right);
  caps.VertRes = std::max(1, caps.PhysicalHeight - caps.PhysicalOffsetY - bottom);
  caps.HorzSize = MulDiv(caps.HorzRes, 254, g.Dpi * 10);
  caps.VertSize = MulDiv(caps.VertRes, 254, g.Dpi * 10);
  caps.BitsPixel = 24;
  caps.NumColors = -1;
  return caps;
}

// The document's page: the whole sheet. Qt would place the painter's origin
// at margins rounded to whole points (118 pixels at 300 dpi become 117), so
// the writer gets no margins and the job moves the painter's origin to the
// printable area's corner itself, to the pixel (TPrintJob::PlaceOrigin).
QPageLayout LayoutOf(const PageGeometry& g) {
  // Qt takes the size as the sheet is fed (portrait) and turns it itself.
  QSizeF portrait = g.Landscape ? QSizeF(g.Height / 10.0, g.Width / 10.0) : QSizeF(g.Width / 10.0, g.Height / 10.0);
  QPageSize size(portrait, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
  QPageLayout layout(size, g.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(),
                     QPageLayout::Point, QMarginsF());
  layout.setMode(QPageLayout::FullPageMode);
  return layout;
}

int g_localJobId = 0;

}  // namespace

std::uint32_t StatusFromState(int state, const std::vector<std::string>& reasons) {
  std::uint32_t status = 0;
  if (state == IPP_PSTATE_PROCESSING) status |= PRINTER_STATUS_PRINTING;
  if (state == IPP_PSTATE_STOPPED) status |= PRINTER_STATUS_PAUSED;
  static const struct {
    const char* Reason;
    std::uint32_t Bit;
  } kReasons[] = {
      {"paused", PRINTER_STATUS_PAUSED},
      {"media-jam", PRINTER_STATUS_PAPER_JAM},
      {"media-empty", PRINTER_STATUS_PAPER_OUT},
      {"media-needed", PRINTER_STATUS_PAPER_OUT},
      {"media-low", PRINTER_STATUS_PAPER_PROBLEM},
      {"input-tray-missing", PRINTER_STATUS_PAPER_PROBLEM},
      {"offline", PRINTER_STATUS_OFFLINE},
      {"shutdown", PRINTER_STATUS_NOT_AVAILABLE},
      {"toner-low", PRINTER_STATUS_TONER_LOW},
      {"marker-supply-low", PRINTER_STATUS_TONER_LOW},
      {"toner-empty", PRINTER_STATUS_NO_TONER},
      {"marker-supply-empty", PRINTER_STATUS_NO_TONER},
      {"door-open", PRINTER_STATUS_DOOR_OPEN},
      {"cover-open", PRINTER_STATUS_DOOR_OPEN},
      {"interlock-open", PRINTER_STATUS_DOOR_OPEN},
      {"output-area-full", PRINTER_STATUS_OUTPUT_BIN_FULL},
      {"connecting-to-device", PRINTER_STATUS_WAITING},
      {"spool-area-full", PRINTER_STATUS_OUT_OF_MEMORY},
  };
  for (std::string reason : reasons) {
    bool isError = false;
    for (const char* suffix : {"-error", "-warning", "-report"}) {
      std::size_t n = std::strlen(suffix);
      if (reason.size() > n && reason.compare(reason.size() - n, n, suffix) == 0) {
        isError = std::strcmp(suffix, "-error") == 0;
        reason.resize(reason.size() - n);
        break;
      }
    }
    bool known = false;
    for (const auto& r : kReasons)
      if (reason == r.Reason) {
        status |= r.Bit;
        known = true;
      }
    if (!known && isError && reason.rfind("cups-", 0) != 0) status |= PRINTER_STATUS_ERROR;
  }
  return status;
}

void ResetServer() { cupsSetServer(nullptr); }

std::vector<TPrinterEntry> EnumPrinters() {
  // The scheduler is looked up again, so that a changed CUPS_SERVER counts.
  ResetServer();
  std::vector<TPrinterEntry> entries;
  Connection c;
  if (!c) return entries;
  cups_dest_t* dests = nullptr;
  int n = cupsGetDests2(c.get(), &dests);
  for (int i = 0; i < n; ++i) {
    const cups_dest_t& d = dests[i];
    if (d.instance || !d.name) continue;
    TPrinterEntry e;
    e.Name = d.name;
    e.IsDefault = d.is_default != 0;
    std::string type = StringOption(&d, "printer-type");
    unsigned long bits = type.empty() ? 0 : std::strtoul(type.c_str(), nullptr, 10);
    e.IsNetwork = (bits & (CUPS_PRINTER_REMOTE | CUPS_PRINTER_DISCOVERED)) != 0;
    entries.push_back(std::move(e));
  }
  cupsFreeDests(n, dests);
  return entries;
}

std::string DefaultPrinterName() {
  Connection c;
  if (!c) return {};
  cups_dest_t* dests = nullptr;
  int n = cupsGetDests2(c.get(), &dests);
  std::string name;
  if (cups_dest_t* d = cupsGetDest(nullptr, nullptr, n, dests); d && d->name) name = d->name;
  cupsFreeDests(n, dests);
  return name;
}

int LocalePaperKind() {
  // The locale's paper in millimetres (LC_PAPER).
  int height = int(reinterpret_cast<std::intptr_t>(nl_langinfo(_NL_PAPER_HEIGHT)));
  int width = int(reinterpret_cast<std::intptr_t>(nl_langinfo(_NL_PAPER_WIDTH)));
  if (width == 216 && height == 279) return 1;
  if (width == 216 && height == 356) return 5;
  if (width == 297 && height == 420) return 8;
  if (width == 210 && height == 297) return 9;
  return 1;
}

int JobState(int jobId) {
  if (jobId <= 0) return 0;
  Connection c;
  if (!c) return 0;
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "job-state");
  ipp_t* response = cupsDoRequest(c.get(), request, "/");
  int state = 0;
  if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING) {
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) state = ippGetInteger(a, 0);
  }
  ippDelete(response);
  return state;
}

int PaperKindForSize(int width, int height) {
  const KnownPaper* p = KnownPaperForSize(width, height);
  return p ? p->Kind : 0;
}

// ---- TPrinter -----------------------------------------------------------------

TPrinter::TPrinter(std::string name, TPrinterSettings defaults, std::vector<TPrinterPaper> papers,
                   std::vector<TPrinterBin> bins)
    : name_(std::move(name)), defaults_(defaults), papers_(std::move(papers)), bins_(std::move(bins)) {}

std::unique_ptr<TPrinter> TPrinter::Open(const std::string& name) {
  Connection c;
  if (!c || name.empty()) return nullptr;
  Dest d(c, name);
  if (!d) return nullptr;
  std::unique_ptr<TPrinter> p(new TPrinter);
  p->name_ = name;
  http_t* http = c.get();
  ReadPapers(c, d, p->papers_, p->maxExtent_, p->minExtent_);
  ReadBins(c, d, p->bins_);

  TPrinterSettings& s = p->defaults_;
  s.Fields = DM_ORIENTATION | DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_PAPERSIZE | DM_PAPERLENGTH |
             DM_PAPERWIDTH;

  // Paper: the user's choice for this printer, else the printer's default.
  std::string media = StringOption(d.dest(), "media");
  if (media.empty())
    if (ipp_attribute_t* a = cupsFindDestDefault(http, d.dest(), d.info(), "media"))
      media = ippGetString(a, 0, nullptr) ? ippGetString(a, 0, nullptr) : "";
  s.PaperSize = p->papers_.empty() ? LocalePaperKind() : p->papers_.front().Kind;
  bool found = false;
  for (const TPrinterPaper& paper : p->papers_)
    if (!found && paper.Media == media) {
      s.PaperSize = paper.Kind;
      found = true;
    }
  // Some printers name their default paper only by its size.
  if (ipp_attribute_t* a = found ? nullptr : cupsFindDestDefault(http, d.dest(), d.info(), "media-col")) {
    ipp_t* col = ippGetCollection(a, 0);
    ipp_attribute_t* sizeAttr = col ? ippFindAttribute(col, "media-size", IPP_TAG_BEGIN_COLLECTION) : nullptr;
    ipp_t* size = sizeAttr ? ippGetCollection(sizeAttr, 0) : nullptr;
    ipp_attribute_t* x = size ? ippFindAttribute(size, "x-dimension", IPP_TAG_INTEGER) : nullptr;
    ipp_attribute_t* y = size ? ippFindAttribute(size, "y-dimension", IPP_TAG_INTEGER) : nullptr;
    if (x && y)
      for (const TPrinterPaper& paper : p->papers_)
        if (!found && std::llabs(paper.Width * 10LL - ippGetInteger(x, 0)) <= 100 &&
            std::llabs(paper.Height * 10LL - ippGetInteger(y, 0)) <= 100) {
          s.PaperSize = paper.Kind;
          found = true;
        }
  }

  ipp_attribute_t* copies = cupsFindDestSupported(http, d.dest(), d.info(), "copies");
  int upper = 0;
  p->maxCopies_ = copies && ippGetRange(copies, 0, &upper) >= 1 && upper >= 1 ? std::min(upper, 9999) : 9999;

  if (Contains(cupsFindDestSupported(http, d.dest(), d.info(), "multiple-document-handling"),
               "separate-documents-collated-copies")) {
    s.Fields |= DM_COLLATE;
    ipp_attribute_t* a = cupsFindDestDefault(http, d.dest(), d.info(), "multiple-document-handling");
    s.Collate = Contains(a, "separate-documents-collated-copies") ? 1 : 0;
  }
  if (Contains(cupsFindDestSupported(http, d.dest(), d.info(), "print-color-mode"), "color")) {
    s.Fields |= DM_COLOR;
    ipp_attribute_t* a = cupsFindDestDefault(http, d.dest(), d.info(), "print-color-mode");
    s.Color = a && !Contains(a, "color") ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR;
  } else {
    s.Color = DMCOLOR_MONOCHROME;
  }
  ipp_attribute_t* sides = cupsFindDestSupported(http, d.dest(), d.info(), "sides");
  if (Contains(sides, "two-sided-long-edge") || Contains(sides, "two-sided-short-edge")) {
    s.Fields |= DM_DUPLEX;
    ipp_attribute_t* a = cupsFindDestDefault(http, d.dest(), d.info(), "sides");
    s.Duplex = Contains(a, "two-sided-long-edge")    ? DMDUP_VERTICAL
               : Contains(a, "two-sided-short-edge") ? DMDUP_HORIZONTAL
                                                     : DMDUP_SIMPLEX;
  }
  ipp_attribute_t* res = cupsFindDestDefault(http, d.dest(), d.info(), "printer-resolution");
  if (!res) res = cupsFindDestSupported(http, d.dest(), d.info(), "printer-resolution");
  if (res && ippGetValueTag(res) == IPP_TAG_RESOLUTION) {
    int yres = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    int xres = ippGetResolution(res, 0, &yres, &units);
    if (units == IPP_RES_PER_CM) xres = xres * 254 / 100;
    if (xres >= 72 && xres <= 2400) s.PrintQuality = xres;
  }
  // The resolutions offered, as dots per inch; only those with the same
  // resolution across and down, which a job can ask for by one number.
  if (ipp_attribute_t* a = cupsFindDestSupported(http, d.dest(), d.info(), "printer-resolution");
      a && ippGetValueTag(a) == IPP_TAG_RESOLUTION) {
    for (int i = 0; i < ippGetCount(a); ++i) {
      int yres = 0;
      ipp_res_t units = IPP_RES_PER_INCH;
      int xres = ippGetResolution(a, i, &yres, &units);
      if (xres != yres) continue;
      if (units == IPP_RES_PER_CM) xres = xres * 254 / 100;
      if (xres >= 72 && xres <= 2400 &&
          std::find(p->resolutions_.begin(), p->resolutions_.end(), xres) == p->resolutions_.end())
        p->resolutions_.push_back(xres);
    }
  }
  if (ipp_attribute_t* a = cupsFindDestDefault(http, d.dest(), d.info(), "orientation-requested"))
    if (ippGetValueTag(a) == IPP_TAG_ENUM && ippGetInteger(a, 0) == IPP_ORIENT_LANDSCAPE)
      s.Orientation = DMORIENT_LANDSCAPE;
  s.DefaultSource = p->bins_.front().Id;
  if (ipp_attribute_t* a = cupsFindDestDefault(http, d.dest(), d.info(), "media-source"))
    if (const char* kw = ippGetString(a, 0, nullptr))
      for (const TPrinterBin& b : p->bins_)
        if (b.Keyword == kw) s.DefaultSource = b.Id;
  return p;
}

bool TPrinter::ReadState(TPrinterState& state) const {
  Connection c;
  if (!c) return false;
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                   name_.c_str());
  static const char* const kAttrs[] = {"printer-state",          "printer-state-reasons", "queued-job-count",
                                       "printer-make-and-model", "device-uri",            "printer-info",
                                       "printer-location"};
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(kAttrs)),
                nullptr, kAttrs);
  ipp_t* response = cupsDoRequest(c.get(), request, "/");
  if (!response || ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
    ippDelete(response);
    return false;
  }
  auto text = [&](const char* name) -> std::string {
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO);
    const char* v = a ? ippGetString(a, 0, nullptr) : nullptr;
    return v ? v : "";
  };
  TPrinterState s;
  int pstate = 0;
  if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM)) pstate = ippGetInteger(a, 0);
  std::vector<std::string> reasons;
  if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD))
    for (int i = 0; i < ippGetCount(a); ++i)
      if (const char* r = ippGetString(a, i, nullptr)) reasons.emplace_back(r);
  s.Status = StatusFromState(pstate, reasons);
  if (ipp_attribute_t* a = ippFindAttribute(response, "queued-job-count", IPP_TAG_INTEGER))
    s.JobCount = std::max(0, ippGetInteger(a, 0));
  s.Driver = text("printer-make-and-model");
  s.Port = text("device-uri");
  s.Comment = text("printer-info");
  s.Location = text("printer-location");
  ippDelete(response);
  state = s;
  return true;
}

TDeviceCaps ComputeCaps(const TPrinter& printer, const TPrinterSettings& settings) {
  return CapsOf(GeometryOf(printer.Papers(), settings));
}

// ---- TPrintJob ------------------------------------------------------------------

struct TPrintJob::Output {
  std::unique_ptr<QSaveFile> file;       // print to file
  std::unique_ptr<QTemporaryFile> temp;  // to the spooler
  std::unique_ptr<QPdfWriter> writer;
  std::unique_ptr<TGrayPaintDevice> gray;  // gray shading: draws on writer; declared last: goes first
};

TPrintJob::TPrintJob(const TPrinter& printer, const TPrinterSettings& settings)
    : printerName_(printer.Name()),
      papers_(printer.Papers()),
      bins_(printer.Bins()),
      resolutions_(printer.Resolutions()),
      settings_(settings) {
  caps_ = CapsOf(GeometryOf(papers_, settings_));
}

TPrintJob::~TPrintJob() {
  if (out_) AbortDoc();
}

std::string TPrintJob::DocumentFileName() const {
  if (!out_) return {};
  if (out_->temp) return out_->temp->fileName().toStdString();
  if (out_->file) return out_->file->fileName().toStdString();
  return {};
}

void TPrintJob::Reset(const TPrinterSettings& settings) {
  settings_ = settings;
  PageGeometry g = GeometryOf(papers_, settings_);
  if (out_) g.Dpi = caps_.LogPixelsX;  // the resolution stays for the whole document
  caps_ = CapsOf(g);
  if (out_ && out_->writer) out_->writer->setPageLayout(LayoutOf(g));
}

int TPrintJob::StartDoc(const std::string& title, const std::string& outputFile) {
  if (out_) return 0;
  lastError_.clear();
  title_ = title;
  jobId_ = 0;
  toFile_ = !outputFile.empty();
  auto out = std::make_unique<Output>();
  QIODevice* device = nullptr;
  if (toFile_) {
    out->file = std::make_unique<QSaveFile>(QString::fromStdString(outputFile));
    if (!out->file->open(QIODevice::WriteOnly)) {
      lastError_ = Format(GraphicsMessages::CannotCreateFile, outputFile.c_str(),
                          out->file->errorString().toStdString().c_str());
      return 0;
    }
    device = out->file.get();
  } else {
    out->temp = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/ardel-print-XXXXXX.pdf");
    if (!out->temp->open()) {
      lastError_ = out->temp->errorString().toStdString();
      return 0;
    }
    device = out->temp.get();
    Connection c;
    Dest d(c, printerName_);
    if (!d) {
      lastError_ = SchedulerError();
      return 0;
    }
    int numOptions = 0;
    cups_option_t* options = nullptr;
    char buf[64];
    const TPrinterSettings& s = settings_;
    if (s.PaperWidth > 0 && s.PaperLength > 0) {
      pwgFormatSizeName(buf, sizeof buf, "custom", nullptr, s.PaperWidth * 10, s.PaperLength * 10, "mm");
      numOptions = cupsAddOption("media", buf, numOptions, &options);
    } else {
      for (const TPrinterPaper& p : papers_)
        if (p.Kind == s.PaperSize) numOptions = cupsAddOption("media", p.Media.c_str(), numOptions, &options);
    }
    if (s.Copies > 1) {
      std::snprintf(buf, sizeof buf, "%d", std::min(s.Copies, 9999));
      numOptions = cupsAddOption("copies", buf, numOptions, &options);
      if (s.Fields & DM_COLLATE)
        numOptions = cupsAddOption("multiple-document-handling",
                                   s.Collate ? "separate-documents-collated-copies"
                                             : "separate-documents-uncollated-copies",
                                   numOptions, &options);
    }
    if (s.Fields & DM_DUPLEX)
      numOptions = cupsAddOption("sides",
                                 s.Duplex == DMDUP_VERTICAL     ? "two-sided-long-edge"
                                 : s.Duplex == DMDUP_HORIZONTAL ? "two-sided-short-edge"
                                                                : "one-sided",
                                 numOptions, &options);
    if (s.Fields & DM_COLOR)
      numOptions = cupsAddOption("print-color-mode", s.Color == DMCOLOR_MONOCHROME ? "monochrome" : "color",
                                 numOptions, &options);
    if ((s.Fields & DM_PRINTQUALITY) &&
        std::find(resolutions_.begin(), resolutions_.end(), s.PrintQuality) != resolutions_.end()) {
      std::snprintf(buf, sizeof buf, "%ddpi", s.PrintQuality);
      numOptions = cupsAddOption("printer-resolution", buf, numOptions, &options);
    }
    for (const TPrinterBin& b : bins_)
      if (b.Id == s.DefaultSource && !b.Keyword.empty())
        numOptions = cupsAddOption("media-source", b.Keyword.c_str(), numOptions, &options);
    int id = 0;
    ipp_status_t status = cupsCreateDestJob(c.get(), d.dest(), d.info(), &id, title.c_str(), numOptions, options);
    cupsFreeOptions(numOptions, options);
    if (status > IPP_STATUS_OK_CONFLICTING || id <= 0) {
      lastError_ = SchedulerError();
      return status > IPP_STATUS_OK_CONFLICTING ? -int(status) : 0;
    }
    jobId_ = id;
  }
  PageGeometry g = GeometryOf(papers_, settings_);
  caps_ = CapsOf(g);
  out->writer = std::make_unique<QPdfWriter>(device);
  out->writer->setResolution(g.Dpi);
  out->writer->setPageLayout(LayoutOf(g));
  out->writer->setTitle(QString::fromStdString(title));
  out->writer->setCreator(QString::fromStdString(Application::Title()));
  // Gray shading draws the pages gray, whatever the printer does with
  // the colour option.
  if ((settings_.Fields & DM_COLOR) && settings_.Color == DMCOLOR_MONOCHROME)
    out->gray = std::make_unique<TGrayPaintDevice>(out->writer.get());
  out_ = std::move(out);
  painter_ = std::make_unique<QPainter>();
  QPaintDevice* pages = out_->gray ? static_cast<QPaintDevice*>(out_->gray.get()) : out_->writer.get();
  if (!painter_->begin(pages)) {
    lastError_ = "Cannot start the document";
    painter_.reset();
    Discard();
    return 0;
  }
  needNewPage_ = false;
  PlaceOrigin();
  if (toFile_) jobId_ = ++g_localJobId;
  return jobId_;
}

void TPrintJob::PlaceOrigin() {
  originX_ = caps_.PhysicalOffsetX;
  originY_ = caps_.PhysicalOffsetY;
  painter_->setTransform(QTransform::fromTranslate(originX_, originY_));
}

void TPrintJob::StartPage() {
  // The writer opens the first page itself; later pages are opened here,
  // after any Reset, so that new settings apply to them.
  if (!painter_ || !needNewPage_) return;
  out_->writer->newPage();
  needNewPage_ = false;
  // The painter keeps its state from page to page; a new geometry moves the
  // origin.
  if (originX_ != caps_.PhysicalOffsetX || originY_ != caps_.PhysicalOffsetY) PlaceOrigin();
}

void TPrintJob::EndPage() {
  if (painter_) needNewPage_ = true;
}

bool TPrintJob::EndDoc() {
  if (!painter_) return false;
  painter_->end();
  painter_.reset();
  bool ok = true;
  if (toFile_) {
    out_->gray.reset();
    out_->writer.reset();
    // The file replaces the old one only when every byte reached the disk:
    // the last buffered bytes, written by flush, and what the disk holds
    // back until fsync, fail there (a full disk), and commit would not see it.
    QSaveFile& file = *out_->file;
    std::string reason;
    if (!file.flush() || file.error() != QFileDevice::NoError)
      reason = file.errorString().toStdString();
    else if (::fsync(file.handle()) != 0)
      reason = std::strerror(errno);
    if (reason.empty() && !file.commit()) reason = file.errorString().toStdString();
    if (!reason.empty()) file.cancelWriting();
    ok = reason.empty();
    if (!ok)
      lastError_ = Format(GraphicsMessages::CannotCreateFile, file.fileName().toStdString().c_str(), reason.c_str());
  } else {
    out_->gray.reset();
    out_->writer.reset();
    QTemporaryFile& temp = *out_->temp;
    Connection c;
    Dest d(c, printerName_);
    ok = bool(d) && temp.seek(0);
    if (ok)
      ok = cupsStartDestDocument(c.get(), d.dest(), d.info(), jobId_, title_.c_str(), CUPS_FORMAT_PDF, 0, nullptr,
                                 1) == HTTP_STATUS_CONTINUE;
    if (ok) {
      char buf[65536];
      qint64 n = 0;
      while (ok && (n = temp.read(buf, sizeof buf)) > 0)
        ok = cupsWriteRequestData(c.get(), buf, size_t(n)) == HTTP_STATUS_CONTINUE;
      ok = cupsFinishDestDocument(c.get(), d.dest(), d.info()) <= IPP_STATUS_OK_CONFLICTING && ok && n == 0;
    }
    if (!ok) {
      lastError_ = SchedulerUnanswered() ? SchedulerError() : (cupsLastErrorString() ? cupsLastErrorString() : "");
      if (lastError_.empty()) lastError_ = "The spooler did not take the document";
      if (d) cupsCancelDestJob(c.get(), d.dest(), jobId_);
    }
  }
  out_.reset();
  jobId_ = 0;
  needNewPage_ = false;
  return ok;
}

void TPrintJob::AbortDoc() {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
  Discard();
}

void TPrintJob::Discard() {
  if (!out_) return;
  if (out_->file) out_->file->cancelWriting();
  out_.reset();  // removes the partial PDF
  if (!toFile_ && jobId_ > 0) {
    Connection c;
    Dest d(c, printerName_);
    if (d) cupsCancelDestJob(c.get(), d.dest(), jobId_);
  }
  jobId_ = 0;
  needNewPage_ = false;
}

// ---- Document properties dialog ---------------------------------------------------

bool EditDocumentProperties(QWidget* parent, const TPrinter& printer, TPrinterSettings& settings) {
  QDialog dialog(parent);
  dialog.setObjectName("DocumentProperties");
  dialog.setWindowTitle(QString::fromStdString(printer.Name() + " Document Properties"));
  auto* form = new QFormLayout(&dialog);

  auto* paper = new QComboBox(&dialog);
  paper->setObjectName("Paper");
  for (const TPrinterPaper& p : printer.Papers()) {
    paper->addItem(QString::fromStdString(p.Name), p.Kind);
    if (p.Kind == settings.PaperSize) paper->setCurrentIndex(paper->count() - 1);
  }
  form->addRow("Paper &size:", paper);

  auto* source = new QComboBox(&dialog);
  source->setObjectName("Source");
  for (const TPrinterBin& b : printer.Bins()) {
    source->addItem(QString::fromStdString(b.Name), b.Id);
    if (b.Id == settings.DefaultSource) source->setCurrentIndex(source->count() - 1);
  }
  form->addRow("Paper s&ource:", source);

  auto* orientation = new QComboBox(&dialog);
  orientation->setObjectName("Orientation");
  orientation->addItems({"Portrait", "Landscape"});
  orientation->setCurrentIndex(settings.Orientation == DMORIENT_LANDSCAPE ? 1 : 0);
  form->addRow("&Orientation:", orientation);

  QComboBox* duplex = nullptr;
  if (settings.Fields & DM_DUPLEX) {
    duplex = new QComboBox(&dialog);
    duplex->setObjectName("Duplex");
    duplex->addItems({"None", "Long edge", "Short edge"});
    duplex->setCurrentIndex(std::clamp(settings.Duplex - 1, 0, 2));
    form->addRow("&Two-sided:", duplex);
  }
  QComboBox* resolution = nullptr;
  if (!printer.Resolutions().empty()) {
    resolution = new QComboBox(&dialog);
    resolution->setObjectName("Resolution");
    int nearest = 0;
    for (int dpi : printer.Resolutions()) {
      resolution->addItem(QString("%1 dpi").arg(dpi), dpi);
      const int best = resolution->itemData(nearest).toInt();
      if (std::abs(dpi - settings.PrintQuality) < std::abs(best - settings.PrintQuality))
        nearest = resolution->count() - 1;
    }
    resolution->setCurrentIndex(nearest);
    form->addRow("&Resolution:", resolution);
  }
  QComboBox* color = nullptr;
  if (settings.Fields & DM_COLOR) {
    color = new QComboBox(&dialog);
    color->setObjectName("Color");
    color->addItems({"Monochrome", "Colour"});
    color->setCurrentIndex(settings.Color == DMCOLOR_MONOCHROME ? 0 : 1);
    form->addRow("Co&lour:", color);
  }
  auto* copies = new QSpinBox(&dialog);
  copies->setObjectName("Copies");
  copies->setRange(1, std::max(1, printer.MaxCopies()));
  copies->setValue(std::clamp(settings.Copies, 1, std::max(1, printer.MaxCopies())));
  form->addRow("&Copies:", copies);
  QCheckBox* collate = nullptr;
  if (settings.Fields & DM_COLLATE) {
    collate = new QCheckBox("Co&llate", &dialog);
    collate->setObjectName("Collate");
    collate->setChecked(settings.Collate != 0);
    form->addRow(QString(), collate);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);

  if (RunModal(dialog) != QDialog::Accepted) return false;
  TPrinterSettings s = settings;
  if (paper->currentIndex() >= 0 && paper->currentData().toInt() != s.PaperSize) {
    s.PaperSize = paper->currentData().toInt();
    s.PaperWidth = s.PaperLength = 0;
  }
  if (source->currentIndex() >= 0) s.DefaultSource = source->currentData().toInt();
  s.Orientation = orientation->currentIndex() == 1 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  if (duplex) s.Duplex = duplex->currentIndex() + 1;
  if (resolution && resolution->currentIndex() >= 0) {
    s.PrintQuality = resolution->currentData().toInt();
    s.Fields |= DM_PRINTQUALITY;
  }
  if (color) s.Color = color->currentIndex() == 0 ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR;
  s.Copies = copies->value();
  if (collate) s.Collate = collate->isChecked() ? 1 : 0;
  settings = s;
  return true;
}

// ---- Network printers ----------------------------------------------------------

bool NetworkPresent() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool present = false;
  for (ifaddrs* a = list; a && !present; a = a->ifa_next) {
    if (!a->ifa_addr || (a->ifa_addr->sa_family != AF_INET && a->ifa_addr->sa_family != AF_INET6)) continue;
    const unsigned flags = a->ifa_flags;
    present = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
  }
  freeifaddrs(list);
  return present;
}

namespace {

// No password prompts on the terminal while the scheduler is asked to add a
// printer: a refusal is an answer.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) { return nullptr; }

struct ScopedNoPassword {
  ScopedNoPassword() { cupsSetPasswordCB2(NoPassword, nullptr); }
  ~ScopedNoPassword() { cupsSetPasswordCB2(nullptr, nullptr); }
};

// A queue name the scheduler takes: printable characters other than blanks
// and the few it reserves, at most 127 of them.
std::string QueueName(const std::string& wanted) {
  std::string name;
  for (unsigned char ch : wanted) {
    if (name.size() >= 127) break;
    const bool bad = ch <= ' ' || ch >= 127 || std::strchr("/\\#?'\"@,", ch);
    if (!bad)
      name += char(ch);
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name.empty() ? std::string("NetworkPrinter") : name;
}

// Waits (bounded) until the scheduler has set the new queue up; a queue that
// takes longer is still there, only not yet ready.
void WaitUntilReady(const std::string& name) {
  for (int i = 0; i < 100; ++i) {
    Connection c;
    if (!c) return;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     name.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-state");
    ipp_t* response = cupsDoRequest(c.get(), request, "/");
    int state = 0;
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING)
      if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM)) state = ippGetInteger(a, 0);
    ippDelete(response);
    if (state == IPP_PSTATE_IDLE || state == IPP_PSTATE_PROCESSING || state == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace

bool ConnectPrinter(const std::string& uri, std::string& name, std::string& error) {
  char scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  const http_uri_status_t parsed = httpSeparateURI(HTTP_URI_CODING_ALL, uri.c_str(), scheme, sizeof scheme, user,
                                                   sizeof user, host, sizeof host, &port, resource, sizeof resource);
  const bool secure = !std::strcmp(scheme, "ipps");
  if (parsed < HTTP_URI_STATUS_OK || (std::strcmp(scheme, "ipp") && !secure) || !*host) {
    error = Format(Messages::NotAPrinterAddress, uri.c_str());
    return false;
  }

  // A queue that already prints there.
  {
    Connection c;
    if (!c) {
      error = Format(Messages::CannotConnectPrinter, uri.c_str(), SchedulerError().c_str());
      return false;
    }
    cups_dest_t* dests = nullptr;
    const int n = cupsGetDests2(c.get(), &dests);
    std::string existing;
    for (int i = 0; i < n && existing.empty(); ++i)
      if (!dests[i].instance && StringOption(&dests[i], "device-uri") == uri) existing = dests[i].name;
    cupsFreeDests(n, dests);
    if (!existing.empty()) {
      name = existing;
      return true;
    }
  }

  // The printer itself, asked directly.
  std::string remoteName, info;
  {
    http_t* http = httpConnect2(host, port, nullptr, AF_UNSPEC,
                                secure ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED, 1, kConnectMsec,
                                nullptr);
    if (!http) {
      error = Format(Messages::CannotReachPrinter, uri.c_str(), SchedulerError().c_str());
      return false;
    }
    TSchedulerWatch watch;
    watch.Attach(http, Format("%s:%d", host, port));
    static const char* const kAttrs[] = {"printer-state", "printer-name", "printer-make-and-model", "printer-info"};
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(kAttrs)),
                  nullptr, kAttrs);
    ipp_t* response = cupsDoRequest(http, request, resource);
    const bool answered = response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING;
    const bool isPrinter = answered && ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    if (isPrinter) {
      auto text = [&](const char* attr) -> std::string {
        ipp_attribute_t* a = ippFindAttribute(response, attr, IPP_TAG_ZERO);
        const char* v = a ? ippGetString(a, 0, nullptr) : nullptr;
        return v ? v : "";
      };
      remoteName = text("printer-name");
      info = text("printer-info");
      if (info.empty()) info = text("printer-make-and-model");
    }
    const std::string why = SchedulerError();
    ippDelete(response);
    httpClose(http);
    if (!answered) {
      error = Format(Messages::CannotReachPrinter, uri.c_str(), why.c_str());
      return false;
    }
    if (!isPrinter) {
      error = Format(Messages::NotAPrinter, uri.c_str());
      return false;
    }
  }

  Connection c;
  if (!c) {
    error = Format(Messages::CannotConnectPrinter, uri.c_str(), SchedulerError().c_str());
    return false;
  }
  // A name of its own among the scheduler's printers.
  std::string wanted = QueueName(remoteName.empty() ? std::string(host) : remoteName);
  {
    cups_dest_t* dests = nullptr;
    const int n = cupsGetDests2(c.get(), &dests);
    auto taken = [&](const std::string& candidate) {
      for (int i = 0; i < n; ++i)
        if (dests[i].name && !strcasecmp(dests[i].name, candidate.c_str())) return true;
      return false;
    };
    const std::string base = wanted.substr(0, 120);
    for (int k = 2; taken(wanted) && k < 1000; ++k) wanted = base + "_" + std::to_string(k);
    cupsFreeDests(n, dests);
  }

  ScopedNoPassword noPassword;
  // A lasting queue, described from what the printer reports.
  char queueUri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, queueUri, sizeof queueUri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                   wanted.c_str());
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, queueUri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "ppd-name", nullptr, "everywhere");
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, uri.c_str());
  if (!info.empty()) ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr, info.c_str());
  ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
  ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-shared", 0);
  ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
  ippDelete(cupsDoRequest(c.get(), request, "/admin/"));
  ipp_status_t status = cupsLastError();
  if (status <= IPP_STATUS_OK_CONFLICTING) {
    name = wanted;
    WaitUntilReady(name);
    return true;
  }
  if (status != IPP_STATUS_ERROR_FORBIDDEN && status != IPP_STATUS_ERROR_NOT_AUTHENTICATED &&
      status != IPP_STATUS_ERROR_NOT_AUTHORIZED) {
    error = Format(Messages::CannotConnectPrinter, uri.c_str(), SchedulerError().c_str());
    return false;
  }

  // The user may not add printers: a queue the scheduler keeps while it is used.
  request = ippNewRequest(IPP_OP_CUPS_CREATE_LOCAL_PRINTER);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, wanted.c_str());
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, uri.c_str());
  if (!info.empty()) ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr, info.c_str());
  ipp_t* response = cupsDoRequest(c.get(), request, "/");
  std::string created;
  if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING)
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-uri-supported", IPP_TAG_URI))
      if (const char* u = ippGetString(a, 0, nullptr))
        if (const char* at = std::strstr(u, "/printers/")) created = at + 10;
  ippDelete(response);
  if (created.empty()) {
    error = Format(Messages::CannotConnectPrinter, uri.c_str(), SchedulerError().c_str());
    return false;
  }
  name = created;
  WaitUntilReady(name);
  return true;
}

namespace {
bool ConnectWithWaitCursor(const std::string& uri, std::string& name, std::string& error) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = ConnectPrinter(uri, name, error);
  QGuiApplication::restoreOverrideCursor();
  return ok;
}
}  // namespace

bool ConnectPrinterDialog(QWidget* parent, std::string& name) {
  std::string error;
  QDialog dialog(parent);
  dialog.setObjectName("ConnectPrinter");
  dialog.setWindowTitle(Messages::ConnectPrinterTitle);
  auto* form = new QFormLayout(&dialog);
  auto* prompt = new QLabel(Messages::ConnectPrinterPrompt, &dialog);
  prompt->setWordWrap(true);
  form->addRow(prompt);
  auto* address = new QLineEdit(&dialog);
  address->setObjectName("Address");
  address->setMinimumWidth(320);
  form->addRow("&Printer:", address);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  // A failed address stays in the box to be corrected.
  while (RunModal(dialog) == QDialog::Accepted) {
    const std::string uri = address->text().trimmed().toStdString();
    if (ConnectWithWaitCursor(uri, name, error)) return true;
    MessageWarning(error);
  }
  return false;
}

}  // namespace PrintBackend
