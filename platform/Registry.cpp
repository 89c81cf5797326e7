#include "platform/Registry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "platform/Types.h"
#include "platform/QtStrings.h"

// Layout of the INI file: every registry key is one group whose name is the
// whole key path, and its values are the group's keys. Names are escaped
// ("%" -> %25, "/" -> %2F, "\" -> %5C, an empty name -> "%") so that neither
// QSettings' own separators nor an empty name can confuse keys and values.

namespace {
std::string& FileOverride() {
  static std::string file;
  return file;
}

QString Escape(const std::string& name) {
  if (name.empty()) return QStringLiteral("%");
  std::string out;
  for (char c : name) {
    if (c == '%')
      out += "%25";
    else if (c == '/')
      out += "%2F";
    else if (c == '\\')
      out += "%5C";
    else
      out += c;
  }
  return ToQ(out);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(const QString& escaped) {
  std::string in = FromQ(escaped);
  if (in == "%") return std::string();
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '%' && i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 && HexDigit(in[i + 2]) >= 0) {
      out += char(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2]));
      i += 2;
    } else {
      out += in[i];
    }
  }
  return out;
}

// "\A\\B\" -> "A\B": no leading, trailing or doubled separators.
std::string Normalize(const std::string& path) {
  std::string out;
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t j = path.find('\\', i);
    if (j == std::string::npos) j = path.size();
    if (j > i) {
      if (!out.empty()) out += '\\';
      out.append(path, i, j - i);
    }
    i = j + 1;
  }
  return out;
}

QString Group(const std::string& normalizedPath) { return Escape(normalizedPath); }

bool IsBelow(const std::string& path, const std::string& parent) {
  if (parent.empty()) return !path.empty();
  return path.size() > parent.size() + 1 && path.compare(0, parent.size(), parent) == 0 &&
         path[parent.size()] == '\\';
}

// Every stored key path.
std::vector<std::string> StoredKeys(QSettings& s) {
  std::vector<std::string> keys;
  for (const QString& g : s.childGroups()) keys.push_back(Unescape(g));
  return keys;
}

bool KeyHasValues(QSettings& s, const std::string& path) {
  s.beginGroup(Group(path));
  bool has = !s.childKeys().isEmpty();
  s.endGroup();
  return has;
}
}  // namespace

void SetRegistryFile(const std::string& fileName) { FileOverride() = fileName; }

std::string RegistryFile() {
  if (!FileOverride().empty()) return FileOverride();
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return FromQ(base + QStringLiteral("/ArdelSorvan/registry.ini"));
}

TRegistry::TRegistry()
    : settings_(std::make_unique<QSettings>(ToQ(RegistryFile()), QSettings::IniFormat)) {}

TRegistry::~TRegistry() = default;

std::string TRegistry::Resolve(const std::string& key) const {
  if (!key.empty() && key[0] == '\\') return Normalize(key);
  if (path_.empty()) return Normalize(key);
  return Normalize(path_ + "\\" + key);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  std::string path = Resolve(key);
  if (!canCreate && !KeyExists("\\" + path)) return false;
  path_ = path;
  readOnly_ = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  std::string path = Resolve(key);
  if (!KeyExists("\\" + path)) return false;
  path_ = path;
  readOnly_ = true;
  return true;
}

void TRegistry::CloseKey() {
  path_.clear();
  readOnly_ = false;
  settings_->sync();
}

bool TRegistry::KeyExists(const std::string& key) const {
  std::string path = Resolve(key);
  if (path.empty()) return true;
  if (KeyHasValues(*settings_, path)) return true;
  for (const std::string& k : StoredKeys(*settings_))
    if (IsBelow(k, path)) return true;
  return false;
}

bool TRegistry::DeleteKey(const std::string& key) {
  std::string path = Resolve(key);
  if (readOnly_) throw ERegistryException(Format("Failed to delete key '%s'", path.c_str()));
  bool found = false;
  for (const std::string& k : StoredKeys(*settings_)) {
    if (k == path || IsBelow(k, path)) {
      settings_->remove(Group(k));
      found = true;
    }
  }
  settings_->sync();
  return found;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
  std::vector<std::string> names;
  for (const std::string& k : StoredKeys(*settings_)) {
    if (!IsBelow(k, path_)) continue;
    std::size_t start = path_.empty() ? 0 : path_.size() + 1;
    std::size_t end = k.find('\\', start);
    std::string name = k.substr(start, end == std::string::npos ? std::string::npos : end - start);
    bool seen = false;
    for (const std::string& n : names) seen = seen || n == name;
    if (!seen) names.push_back(name);
  }
  return names;
}

bool TRegistry::ValueExists(const std::string& name) const {
  return settings_->contains(Group(path_) + "/" + Escape(name));
}

bool TRegistry::DeleteValue(const std::string& name) {
  CheckWritable(name);
  if (!ValueExists(name)) return false;
  settings_->remove(Group(path_) + "/" + Escape(name));
  settings_->sync();
  return true;
}

std::vector<std::string> TRegistry::GetValueNames() const {
  std::vector<std::string> names;
  settings_->beginGroup(Group(path_));
  for (const QString& k : settings_->childKeys()) names.push_back(Unescape(k));
  settings_->endGroup();
  return names;
}

std::string TRegistry::ReadString(const std::string& name) const {
  return FromQ(settings_->value(Group(path_) + "/" + Escape(name)).toString());
}

int TRegistry::ReadInteger(const std::string& name) const {
  QVariant v = settings_->value(Group(path_) + "/" + Escape(name));
  bool ok = false;
  int value = v.isValid() ? v.toString().trimmed().toInt(&ok) : 0;
  if (!ok) throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
  return value;
}

bool TRegistry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

void TRegistry::CheckWritable(const std::string& name) const {
  if (readOnly_) throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  CheckWritable(name);
  settings_->setValue(Group(path_) + "/" + Escape(name), ToQ(value));
  settings_->sync();
  if (settings_->status() != QSettings::NoError)
    throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::WriteInteger(const std::string& name, int value) { WriteString(name, std::to_string(value)); }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

// ---------------------------------------------------------------------------
// Window layouts

namespace {
QSize ScreenSize() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(0, 0);
}

std::optional<int> ReadOptional(const TRegistry& r, const char* name) {
  try {
    if (r.ValueExists(name)) return r.ReadInteger(name);
  } catch (const ERegistryException&) {
  }
  return std::nullopt;
}
}  // namespace

void SaveWindowLayout(const QWidget& window, const std::string& key, bool sizeable) {
  if (key.empty()) return;
  try {
    TRegistry r;
    if (!r.OpenKey("\\" + key, true)) return;
    QSize screen = ScreenSize();
    r.WriteInteger("ScreenWidth", screen.width());
    r.WriteInteger("ScreenHeight", screen.height());
    Qt::WindowStates state = window.windowState();
    int stateValue = state.testFlag(Qt::WindowMinimized) ? 1 : state.testFlag(Qt::WindowMaximized) ? 2 : 0;
    r.WriteInteger("WindowState", stateValue);
    QRect normal = window.normalGeometry();
    if (!normal.isValid()) normal = window.geometry();
    r.WriteInteger("Left", normal.left());
    r.WriteInteger("Top", normal.top());
    if (sizeable) {
      r.WriteInteger("Width", normal.width());
      r.WriteInteger("Height", normal.height());
    }
  } catch (const ERegistryException&) {
  }
}

void RestoreWindowLayout(QWidget& window, const std::string& key, bool sizeable) {
  if (key.empty()) return;
  try {
    TRegistry r;
    if (!r.OpenKeyReadOnly("\\" + key)) return;
    // Stored values are limited first, so that hostile numbers cannot overflow.
    auto limited = [&](const char* name, int fallback, int lo, int hi) {
      return std::clamp(ReadOptional(r, name).value_or(fallback), lo, hi);
    };
    constexpr int kMax = 1 << 20;
    int state = ReadOptional(r, "WindowState").value_or(0);
    QRect bounds = window.geometry();
    int left = limited("Left", bounds.left(), -kMax, kMax);
    int top = limited("Top", bounds.top(), -kMax, kMax);
    int width = bounds.width(), height = bounds.height();
    if (sizeable) {
      width = limited("Width", width, 0, kMax);
      height = limited("Height", height, 0, kMax);
    }
    // Edges as on the platform: right and bottom exclusive.
    int right = left + width, bottom = top + height;
    if (state != 2) {
      QSize screen = ScreenSize();
      int storedWidth = ReadOptional(r, "ScreenWidth").value_or(screen.width());
      int storedHeight = ReadOptional(r, "ScreenHeight").value_or(screen.height());
      if (storedWidth != screen.width() || storedHeight != screen.height()) {
        right = std::min(right, screen.width());
        bottom = std::min(bottom, screen.height());
      }
    }
    if (right < left) right = left;
    if (bottom < top) bottom = top;
    window.setGeometry(left, top, right - left, bottom - top);
    Qt::WindowStates ws = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1) ws |= Qt::WindowMinimized;
    if (state == 2) ws |= Qt::WindowMaximized;
    window.setWindowState(ws);
  } catch (const ERegistryException&) {
  }
}
