#include "report/EngineSettings.h"

#include "platform/Registry.h"
#include "report/EngineUtilities.h"

void TdxPSEngine::InitializeInstance() {
  DesignTimeRegistryPath = std::string(dxPSRegistryRoot) + "\\DesignTime";
  HelpFile.clear();
  FormLook = dxPSIsDesignTime ? 1 : 0;
  RegistryPath.clear();
  SaveFormLayouts = true;
  UseThemes = true;
}

const std::string& TdxPSEngine::RealRegistryPath() const {
  return dxPSIsDesignTime ? DesignTimeRegistryPath : RegistryPath;
}

TdxPSEngine* dxPSEngine() { return TdxPSEngine::Instance(); }

std::string dxPSFormLayoutKey(const std::string& windowClassName) {
  const TdxPSEngine* engine = dxPSEngine();
  const std::string& path = engine->RealRegistryPath();
  if (path.empty() || !engine->SaveFormLayouts) return std::string();
  return path + "\\FormLayouts\\" + DropT(windowClassName);
}

std::vector<std::string>& dxPSCustomColors() {
  static std::vector<std::string> colors;
  return colors;
}

void dxPSLoadCustomColors() {
  auto& lines = dxPSCustomColors();
  try {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(dxPSCustomColorsKey)) return;
    std::vector<std::string> read;
    for (const std::string& name : registry.GetValueNames())
      read.push_back(name + "=" + registry.ReadString(name));
    lines = std::move(read);
  } catch (const ERegistryException&) {
  }
}

void dxPSSaveCustomColors() {
  try {
    TRegistry registry;
    registry.DeleteKey(dxPSCustomColorsKey);
    if (!registry.OpenKey(dxPSCustomColorsKey, true)) return;
    for (const std::string& line : dxPSCustomColors()) {
      std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      registry.WriteString(line.substr(0, eq), line.substr(eq + 1));
    }
  } catch (const ERegistryException&) {
  }
}
