// The spooler behind the print device: the state of printers, the printer
// list, the default printer and the locale's paper, job states, opening a
// printer with its papers, sources and resolution, and the document
// properties dialog. Print jobs are in PrintBackendJobs.cpp, network printers
// in PrintBackendNetwork.cpp, the connection to the scheduler in
// PrintBackendScheduler.h.
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
#include "platform/Units.h"
#include "platform/SchedulerWait.h"
#include "platform/PrintBackendScheduler.h"
#include "platform/QtStrings.h"

namespace PrintBackend {
namespace {

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

}  // namespace

std::string StringOption(const cups_dest_t* dest, const char* name) {
  const char* v = cupsGetOption(name, dest->num_options, dest->options);
  return v ? v : "";
}

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
  caps.PhysicalWidth = LoMetricToPixels(g.Width, g.Dpi);
  caps.PhysicalHeight = LoMetricToPixels(g.Height, g.Dpi);
  caps.PhysicalOffsetX = HiMetricToPixels(g.Margins.Left, g.Dpi);
  caps.PhysicalOffsetY = HiMetricToPixels(g.Margins.Top, g.Dpi);
  int right = HiMetricToPixels(g.Margins.Right, g.Dpi);
  int bottom = HiMetricToPixels(g.Margins.Bottom, g.Dpi);
  caps.HorzRes = std::max(1, caps.PhysicalWidth - caps.PhysicalOffsetX - right);
  caps.VertRes = std::max(1, caps.PhysicalHeight - caps.PhysicalOffsetY - bottom);
  caps.HorzSize = PixelsToMillimeters(caps.HorzRes, g.Dpi);
  caps.VertSize = PixelsToMillimeters(caps.VertRes, g.Dpi);
  caps.BitsPixel = 24;
  caps.NumColors = -1;
  return caps;
}

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

// ---- Document properties dialog ---------------------------------------------------

bool EditDocumentProperties(QWidget* parent, const TPrinter& printer, TPrinterSettings& settings) {
  QDialog dialog(parent);
  dialog.setObjectName("DocumentProperties");
  dialog.setWindowTitle(ToQ(printer.Name() + " Document Properties"));
  auto* form = new QFormLayout(&dialog);

  auto* paper = new QComboBox(&dialog);
  paper->setObjectName("Paper");
  for (const TPrinterPaper& p : printer.Papers()) {
    paper->addItem(ToQ(p.Name), p.Kind);
    if (p.Kind == settings.PaperSize) paper->setCurrentIndex(paper->count() - 1);
  }
  form->addRow("Paper &size:", paper);

  auto* source = new QComboBox(&dialog);
  source->setObjectName("Source");
  for (const TPrinterBin& b : printer.Bins()) {
    source->addItem(ToQ(b.Name), b.Id);
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

}  // namespace PrintBackend
