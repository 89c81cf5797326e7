// Engine settings: whether and where the engine keeps window layouts and user
// choices in the registry of the current user, and the custom colours of the
// shared colour dialog.
#pragma once

#include <string>
#include <vector>

#include "report/Singletons.h"

// Base key of the engine in the registry of the current user.
inline constexpr const char* dxPSRegistryRoot = "Software\\Quorvane\\Pagestead";
// The key of the colour dialog's custom colours.
inline constexpr const char* dxPSCustomColorsKey = "Software\\Quorvane\\Pagestead\\CustomColors";

// Marks a design environment. Nothing in the program sets it.
inline bool dxPSIsDesignTime = false;

class TdxPSEngine : public TBasedxPSSingleton {
  DX_SINGLETON(TdxPSEngine, TBasedxPSSingleton)

 public:
  std::string DesignTimeRegistryPath;
  std::string HelpFile;
  unsigned char FormLook = 0;  // 1 and 3 select flat frames for the engine's small windows
  std::string RegistryPath;
  bool SaveFormLayouts = true;
  bool UseThemes = true;

  // DesignTimeRegistryPath inside a design environment, RegistryPath otherwise.
  const std::string& RealRegistryPath() const;

 protected:
  void InitializeInstance() override;
};

TdxPSEngine* dxPSEngine();

// The key under which the engine window of this class keeps its layout: the
// effective registry path, "\FormLayouts\" and the class name without its
// leading T. Empty (store nothing) while the effective path is empty or
// SaveFormLayouts is off.
std::string dxPSFormLayoutKey(const std::string& windowClassName);

// The custom colours of the process's shared colour dialog, as lines
// "name=value" (the colour dialog reads and updates them).
std::vector<std::string>& dxPSCustomColors();
// At start: every value of the custom-colours key becomes a line of the list.
// At exit: the key is deleted and written again, one value per line (the text
// before the first "=" names the value; lines without "=" are skipped).
// Registry errors are ignored; both run on every run.
void dxPSLoadCustomColors();
void dxPSSaveCustomColors();
