// Print jobs of the print backend: a job drawn through a QPainter into a PDF
// document of whole sheets, handed to the spooler or written to an output
// file when the document ends.
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
#include "platform/SchedulerWait.h"
#include "platform/PrintBackendScheduler.h"
#include "platform/QtStrings.h"

namespace PrintBackend {
namespace {

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
  if (out_->temp) return FromQ(out_->temp->fileName());
  if (out_->file) return FromQ(out_->file->fileName());
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
    out->file = std::make_unique<QSaveFile>(ToQ(outputFile));
    if (!out->file->open(QIODevice::WriteOnly)) {
      lastError_ = Format(GraphicsMessages::CannotCreateFile, outputFile.c_str(),
                          FromQ(out->file->errorString()).c_str());
      return 0;
    }
    device = out->file.get();
  } else {
    out->temp = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/ardel-print-XXXXXX.pdf");
    if (!out->temp->open()) {
      lastError_ = FromQ(out->temp->errorString());
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
  out->writer->setTitle(ToQ(title));
  out->writer->setCreator(ToQ(Application::Title()));
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
      reason = FromQ(file.errorString());
    else if (::fsync(file.handle()) != 0)
      reason = std::strerror(errno);
    if (reason.empty() && !file.commit()) reason = FromQ(file.errorString());
    if (!reason.empty()) file.cancelWriting();
    ok = reason.empty();
    if (!ok)
      lastError_ = Format(GraphicsMessages::CannotCreateFile, FromQ(file.fileName()).c_str(), reason.c_str());
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

}  // namespace PrintBackend
