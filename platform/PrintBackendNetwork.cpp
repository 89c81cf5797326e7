// Network printers of the print backend: whether a network is there,
// connecting a printer by its address as a new queue of the scheduler, and
// the dialog that asks for the address.
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

#include "platform/ModalRun.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/GrayPaintDevice.h"
#include "platform/MessageDialogs.h"
#include "platform/SchedulerWait.h"
#include "platform/PrintBackendScheduler.h"
#include "platform/QtStrings.h"

namespace PrintBackend {

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
    const std::string uri = FromQ(address->text().trimmed());
    if (ConnectWithWaitCursor(uri, name, error)) return true;
    MessageWarning(error);
  }
  return false;
}

}  // namespace PrintBackend
