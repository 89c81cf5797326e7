// The registry of the current user: keys named by backslash-separated paths
// ("Software\Quorvane\Pagestead\CustomColors") holding named values. It is
// kept in an INI file under the user's configuration folder
// (~/.config/ArdelSorvan/registry.ini); tests point it at a scratch file.
//
// Differences from a real registry: values are stored as text (an integer
// written as 5 reads back as the string "5" too), and a key exists only while
// it holds values or subkeys. Key and value names are case-sensitive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Exceptions.h"

class QSettings;
class QWidget;

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class TRegistry {
 public:
  TRegistry();
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Opens a key, relative to the open key unless it starts with "\". With
  // canCreate the key is opened even when it does not exist yet (it comes
  // into being with its first value); otherwise a missing key gives false.
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  // The open key's path ("" for the root).
  const std::string& CurrentPath() const { return path_; }

  // Keys given relative to the open key unless they start with "\".
  bool KeyExists(const std::string& key) const;
  // Deletes the key with its values and subkeys; false when it did not exist.
  bool DeleteKey(const std::string& key);
  std::vector<std::string> GetKeyNames() const;

  // Values of the open key.
  bool ValueExists(const std::string& name) const;
  bool DeleteValue(const std::string& name);
  std::vector<std::string> GetValueNames() const;
  // "" when the value does not exist.
  std::string ReadString(const std::string& name) const;
  // Raise ERegistryException "Invalid data type for '%s'" when the value does
  // not exist or does not hold a number.
  int ReadInteger(const std::string& name) const;
  bool ReadBool(const std::string& name) const;
  // Raise ERegistryException "Failed to set data for '%s'" on a key opened
  // read-only.
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int value);
  void WriteBool(const std::string& name, bool value);

 private:
  std::string Resolve(const std::string& key) const;
  void CheckWritable(const std::string& name) const;
  std::unique_ptr<QSettings> settings_;
  std::string path_;
  bool readOnly_ = false;
};

// The file that holds the registry; an empty name selects the default file
// under the user's configuration folder.
void SetRegistryFile(const std::string& fileName);
std::string RegistryFile();

// Window layouts under a registry key: "WindowState" (0 normal, 1 minimised,
// 2 maximised), "Left", "Top", "Width", "Height" (the last two only for
// windows the user may resize), "ScreenWidth", "ScreenHeight". Registry
// errors are ignored; a missing key leaves the window as it is. An empty key
// does nothing.
void SaveWindowLayout(const QWidget& window, const std::string& key, bool sizeable);
void RestoreWindowLayout(QWidget& window, const std::string& key, bool sizeable);
