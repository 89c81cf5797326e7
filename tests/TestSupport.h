// Helpers shared by the tests: scratch folders and picture files made on the fly.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <optional>
#include <string>

#include "platform/Graphics.h"

// A fresh folder for one test, removed when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string Path(const std::string& name) const;
  std::string Write(const std::string& name, TByteView bytes) const;
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string root_;
};

// A test image: left half red, right half blue, with a green square at the centre.
QImage MakeTestImage(int width, int height);
// The test image of that size as a JPEG file (quality 95) named name in dir;
// answers its path.
std::string WriteTestJpeg(const ScratchDir& dir, const std::string& name, int width, int height);
// The JPEG with an EXIF block (APP1 "Exif") right after its start that holds
// only the orientation tag (0x0112) with the given value.
TBytes WithExifOrientation(TByteView jpeg, int orientation);
// Colour of a pixel as 0xRRGGBB.
unsigned PixelRGB(const QImage& image, int x, int y);
// True when every channel differs by at most tolerance.
bool ColorNear(unsigned rgbA, unsigned rgbB, int tolerance);
// The path of a file under the source tree.
std::string SourcePath(const std::string& relative);

// Print tests run on the private scheduler of tests/support/cups-sandbox.sh.
// The folder its printers write their PDFs into when CUPS_SERVER names such a
// sandbox; otherwise nothing, and why in *why.
std::optional<std::string> CupsSandboxPdfFolder(std::string* why = nullptr);
// Waits (at most a minute) until the scheduler is done with job id (state 7
// or above) or, with untilGone, no longer knows it; answers the last state.
int WaitForCupsJob(int id, bool untilGone = false);
// The PDF a sandbox printer wrote for job id ("<title>-job_<id>.pdf"); empty
// when there is none.
std::string CupsJobPdf(const std::string& pdfFolder, int id);

// Keys as the window system delivers them: offered to the shortcuts first,
// then pressed and released on the widget that has the focus, carrying the
// text the key types (U+007F for Delete, "\b" for Backspace, "\r" for
// Return, U+001B for Escape unless text is given). Answers false when no
// widget has the focus and no shortcut took the key.
bool PressKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString());
// Types each character of text as its key.
void TypeKeys(const QString& text);
