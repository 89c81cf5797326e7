// The print backend's talk with the scheduler, shared by its pieces
// (PrintBackend.cpp, PrintBackendJobs.cpp, PrintBackendNetwork.cpp): a bounded
// connection, a printer with its capabilities, the string options of a
// printer, and the page geometry of a printer's settings. Internal to the
// backend.
#pragma once

#include <cups/cups.h>

#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/PrintBackend.h"
#include "platform/SchedulerWait.h"

namespace PrintBackend {

constexpr int kConnectMsec = 5000;  // connecting to the scheduler

// The scheduler as the user knows it: a socket's path, or host and port.
inline std::string ServerName() {
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

std::string StringOption(const cups_dest_t* dest, const char* name);

struct PageGeometry {
  int Width = 0;  // tenths of a mm, as printed (landscape swapped)
  int Height = 0;
  TRect Margins;  // hundredths of a mm, as printed
  bool Landscape = false;
  int Dpi = 300;
};

PageGeometry GeometryOf(const std::vector<TPrinterPaper>& papers, const TPrinterSettings& s);
TDeviceCaps CapsOf(const PageGeometry& g);

}  // namespace PrintBackend
