#include "tests/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QFileInfo>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "platform/PrintBackend.h"

ScratchDir::ScratchDir() {
  QTemporaryDir dir(QDir::tempPath() + "/ardel-test-XXXXXX");
  dir.setAutoRemove(false);
  if (!dir.isValid()) throw std::runtime_error("cannot create a scratch folder");
  root_ = dir.path().toStdString();
}

ScratchDir::~ScratchDir() { QDir(QString::fromStdString(root_)).removeRecursively(); }

std::string ScratchDir::Path(const std::string& name) const { return root_ + "/" + name; }

std::string ScratchDir::Write(const std::string& name, TByteView bytes) const {
  std::string path = Path(name);
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + path);
  f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
  return path;
}

std::string ScratchDir::Write(const std::string& name, const std::string& bytes) const {
  return Write(name, TByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

QImage MakeTestImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.fillRect(0, 0, width / 2, height, QColor(255, 0, 0));
  p.fillRect(width / 2, 0, width - width / 2, height, QColor(0, 0, 255));
  int s = std::min(width, height) / 4;
  p.fillRect(width / 2 - s / 2, height / 2 - s / 2, s, s, QColor(0, 255, 0));
  return image;
}

std::string WriteTestJpeg(const ScratchDir& dir, const std::string& name, int width, int height) {
  TBitmap bmp;
  bmp.SetImage(MakeTestImage(width, height));
  TJPEGImage jpeg;
  jpeg.AssignBitmap(bmp, 95);
  return dir.Write(name, jpeg.SaveToStream());
}

TBytes WithExifOrientation(TByteView jpeg, int orientation) {
  const std::uint8_t o = std::uint8_t(orientation);
  // Little-endian TIFF header, one IFD of one SHORT entry, no next IFD.
  const TBytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, o, 0, 0, 0, 0, 0, 0, 0};
  const std::size_t length = 2 + 6 + tiff.size();
  TBytes out(jpeg.begin(), jpeg.begin() + 2);  // SOI
  const TBytes app1 = {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
  out.insert(out.end(), app1.begin(), app1.end());
  out.insert(out.end(), tiff.begin(), tiff.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

unsigned PixelRGB(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

bool ColorNear(unsigned a, unsigned b, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
    if (std::abs(ca - cb) > tolerance) return false;
  }
  return true;
}

std::string SourcePath(const std::string& relative) {
#ifdef ARDEL_SOURCE_DIR
  return std::string(ARDEL_SOURCE_DIR) + "/" + relative;
#else
  return relative;
#endif
}

std::optional<std::string> CupsSandboxPdfFolder(std::string* why) {
  const char* server = std::getenv("CUPS_SERVER");
  if (!server || !*server) {
    if (why) *why = "CUPS_SERVER is not set; run through ctest, or start tests/support/cups-sandbox.sh";
    return std::nullopt;
  }
  const QFileInfo socket(QString::fromLocal8Bit(server));
  const QString folder = socket.absolutePath();
  if (!socket.isAbsolute() || !QFile::exists(folder + "/ardel-cups-sandbox")) {
    if (why) *why = std::string("CUPS_SERVER (") + server + ") is not a print-test sandbox";
    return std::nullopt;
  }
  return (folder + "/pdf").toStdString();
}

int WaitForCupsJob(int id, bool untilGone) {
  int state = 0;
  for (int i = 0; i < 600; ++i) {
    state = PrintBackend::JobState(id);
    if (state >= 7 || (untilGone && state == 0)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return state;
}

std::string CupsJobPdf(const std::string& pdfFolder, int id) {
  const QString folder = QString::fromStdString(pdfFolder);
  const QString suffix = QString("-job_%1.pdf").arg(id), prefix = QString("job_%1-").arg(id);
  for (const QString& name : QDir(folder).entryList(QDir::Files))
    if (name.endsWith(suffix) || name.startsWith(prefix)) return (folder + "/" + name).toStdString();
  return {};
}

// The shortcut dispatch of the GUI library, which the window system's key
// delivery runs before the key reaches the focus widget.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false,
                                               ushort count = 1);

bool PressKey(int key, Qt::KeyboardModifiers mods, const QString& text) {
  QString typed = text;
  if (typed.isEmpty() && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
    switch (key) {
      case Qt::Key_Delete: typed = QString(QChar(0x7F)); break;
      case Qt::Key_Backspace: typed = QStringLiteral("\b"); break;
      case Qt::Key_Return:
      case Qt::Key_Enter: typed = QStringLiteral("\r"); break;
      case Qt::Key_Escape: typed = QString(QChar(0x1B)); break;
      case Qt::Key_Tab: typed = QStringLiteral("\t"); break;
      default: break;
    }
  }
  QWidget* focus = QApplication::focusWidget();
  QObject* target = focus ? static_cast<QObject*>(focus) : QApplication::activeWindow();
  if (!target) return false;
  if (qt_sendShortcutOverrideEvent(target, 0, key, mods, typed)) return true;
  focus = QApplication::focusWidget();
  if (!focus) return false;
  QKeyEvent press(QEvent::KeyPress, key, mods, typed);
  QApplication::sendEvent(focus, &press);
  if (QWidget* now = QApplication::focusWidget()) {
    QKeyEvent release(QEvent::KeyRelease, key, mods, typed);
    QApplication::sendEvent(now, &release);
  }
  return true;
}

void TypeKeys(const QString& text) {
  for (QChar c : text) {
    // Key codes of letters are those of the capitals; of other printable
    // characters their own code.
    const int key = c.toUpper().unicode();
    const Qt::KeyboardModifiers mods = c.isUpper() || c == u'%' ? Qt::ShiftModifier : Qt::NoModifier;
    PressKey(key, mods, QString(c));
  }
}
