#include "platform/Fonts.h"
#include "platform/QtStrings.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <cmath>
#include <cstdlib>

int TFont::Size() const {
  int ppi = PixelsPerInch > 0 ? PixelsPerInch : 96;
  return -MulDiv(Height, 72, ppi);
}

void TFont::SetSize(int points) {
  int ppi = PixelsPerInch > 0 ? PixelsPerInch : 96;
  Height = -MulDiv(points, ppi, 72);
}

void TFont::SetPixelsPerInch(int ppi) {
  int points = Size();
  PixelsPerInch = ppi;
  SetSize(points);
}

namespace {

constexpr const char* kWineFontDir = "/usr/share/wine/fonts/";

bool& WineMsSansSerifScalable() {
  static bool scalable = false;
  return scalable;
}
bool& WineTahomaRegistered() {
  static bool registered = false;
  return registered;
}

}  // namespace

void RegisterSubstituteFonts() {
  static bool done = false;
  if (done || !QGuiApplication::instance()) return;
  done = true;
  for (const char* file : {"ms_sans_serif.ttf", "tahoma.ttf", "tahomabd.ttf", "marlett.ttf", "symbol.ttf"}) {
    QString path = QString::fromLatin1(kWineFontDir) + QString::fromLatin1(file);
    if (!QFile::exists(path)) continue;
    int id = QFontDatabase::addApplicationFont(path);
    if (id < 0) continue;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.contains(QStringLiteral("Tahoma"))) WineTahomaRegistered() = true;
    if (families.contains(QStringLiteral("MS Sans Serif")))
      WineMsSansSerifScalable() = QFontDatabase::isSmoothlyScalable(QStringLiteral("MS Sans Serif"));
  }
}

QString SubstituteFontName(const std::string& name) {
  std::string key = LowerCase(name);
  if (key == "ms sans serif" || key == "ms shell dlg")
    return WineMsSansSerifScalable() ? QStringLiteral("MS Sans Serif") : QStringLiteral("Liberation Sans");
  if (key == "microsoft sans serif" || key == "arial") return QStringLiteral("Liberation Sans");
  if (key == "tahoma" || key == "ms shell dlg 2")
    return WineTahomaRegistered() ? QStringLiteral("Tahoma") : QStringLiteral("DejaVu Sans");
  if (key == "times new roman") return QStringLiteral("Liberation Serif");
  if (key == "courier new" || key == "courier") return QStringLiteral("Liberation Mono");
  return ToQ(name);
}

QFont MakeQFont(const TFont& font, int emPixels, bool unhinted) {
  QFont f;
  f.setFamily(SubstituteFontName(font.Name));
  if (font.Pitch == fpFixed) {
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
  }
  if (SameText(font.Name, "Marlett") || SameText(font.Name, "Symbol") || font.Charset == SYMBOL_CHARSET)
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::PreferNoShaping | QFont::NoFontMerging));
  else
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::PreferNoShaping));
  f.setWeight(font.Style & fsBold ? QFont::Bold : QFont::Normal);
  f.setItalic(font.Style & fsItalic);
  f.setUnderline(font.Style & fsUnderline);
  f.setStrikeOut(font.Style & fsStrikeOut);
  f.setKerning(false);
  if (unhinted) f.setHintingPreference(QFont::PreferNoHinting);

  int em = emPixels;
  if (em <= 0) {
    long long h = font.Height;
    if (h == 0) {
      em = 12;
    } else if (h < 0) {
      em = int(std::min<long long>(-h, 1 << 20));
    } else {
      // A cell height: convert through the face's ascent + descent.
      QFont probe(f);
      probe.setPixelSize(1000);
      QFontMetricsF m(probe);
      double cell = m.ascent() + m.descent();
      double e = cell > 0 ? double(std::min<long long>(h, 1 << 20)) * 1000.0 / cell : double(h);
      em = std::max(1, int(std::lround(e)));
    }
  }
  f.setPixelSize(std::max(1, em));
  return f;
}
