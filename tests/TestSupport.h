// Helpers shared by the tests: scratch folders and picture files made on the fly.
#pragma once

#include <QColor>
#include <QImage>
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
// Colour of a pixel as 0xRRGGBB.
unsigned PixelRGB(const QImage& image, int x, int y);
// True when every channel differs by at most tolerance.
bool ColorNear(unsigned rgbA, unsigned rgbB, int tolerance);
// The path of a file under the source tree.
std::string SourcePath(const std::string& relative);
