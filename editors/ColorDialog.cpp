#include "editors/ColorDialog.h"

#include <QColorDialog>
#include <array>
#include <cctype>

#include "platform/Canvas.h"
#include "platform/ModalRun.h"
#include "report/EngineSettings.h"

namespace {
constexpr int kSlots = 16;

// The slots are kept here rather than in the toolkit's dialog, so that the
// engine's list alone decides what they hold.
std::array<TColor, kSlots>& Slots() {
  static std::array<TColor, kSlots> table = [] {
    std::array<TColor, kSlots> a;
    a.fill(clWhite);
    return a;
  }();
  return table;
}

std::string SlotName(int index) { return std::string("Color") + char('A' + index); }

// The slot a line names ("ColorA" .. "ColorP", case ignored), or -1.
int SlotOfName(const std::string& name) {
  if (name.size() != 6 || LowerCase(name.substr(0, 5)) != "color") return -1;
  int letter = std::toupper(static_cast<unsigned char>(name[5]));
  return letter >= 'A' && letter < 'A' + kSlots ? letter - 'A' : -1;
}

// One to eight hexadecimal digits naming a plain colour, or nothing.
std::optional<TColor> ParseHexColor(const std::string& text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char ch : text) {
    int c = std::tolower(static_cast<unsigned char>(ch));
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? 10 + c - 'a' : -1;
    if (digit < 0) return std::nullopt;
    value = value * 16 + std::uint32_t(digit);
  }
  if (value > 0xFFFFFF) return std::nullopt;
  return TColor(value);
}

TColor FromQColor(const QColor& c) { return TColor(RGBValue(c.red(), c.green(), c.blue())); }
}  // namespace

std::vector<TColor> dxPSDialogCustomColors() { return std::vector<TColor>(Slots().begin(), Slots().end()); }

void dxPSSetDialogCustomColor(int index, TColor color) {
  if (index < 0 || index >= kSlots) return;
  Slots()[index] = TColor(ColorToRGB(color));
}

void dxPSLoadDialogCustomColors() {
  for (const std::string& line : dxPSCustomColors()) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    int slot = SlotOfName(line.substr(0, eq));
    if (slot < 0) continue;
    if (std::optional<TColor> c = ParseHexColor(line.substr(eq + 1))) Slots()[slot] = *c;
  }
}

void dxPSStoreDialogCustomColors() {
  std::vector<std::string>& lines = dxPSCustomColors();
  for (int i = 0; i < kSlots; ++i) {
    std::string line = SlotName(i) + "=" + Format("%06X", unsigned(Slots()[i]) & 0xFFFFFFu);
    bool replaced = false;
    for (std::string& existing : lines) {
      std::size_t eq = existing.find('=');
      if (eq != std::string::npos && SlotOfName(existing.substr(0, eq)) == i) {
        existing = line;
        replaced = true;
        break;
      }
    }
    if (!replaced) lines.push_back(line);
  }
}

bool dxPSExecuteColorDialog(TColor& color, QWidget* parent) {
  dxPSLoadDialogCustomColors();
  const TColor start = color == clNone || color == clDefault ? clBlack : color;
  std::optional<TColor> chosen;
  for (int i = 0; i < kSlots && i < QColorDialog::customCount(); ++i)
    QColorDialog::setCustomColor(i, ColorToQColor(Slots()[i]));
  QColorDialog dialog(ColorToQColor(start), parent);
  if (RunModal(dialog) == QDialog::Accepted) {
    chosen = FromQColor(dialog.selectedColor());
    for (int i = 0; i < kSlots && i < QColorDialog::customCount(); ++i)
      Slots()[i] = FromQColor(QColorDialog::customColor(i));
  }
  if (!chosen) return false;
  color = *chosen;
  dxPSStoreDialogCustomColors();
  return true;
}
