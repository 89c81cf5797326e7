// The print styles menu of the preview window (its File menu's "Print
// Styles", the same submenu in the preview's pop-up menu and the drop-down of
// the page setup button): the styles of the report link's style manager, the
// current one checked, and "&Define Styles...".
//
// The preview knows style managers by name only, so the menu is made by the
// builder class registered last with TdxPSPageSetupMenuBuilderFactory (the
// print styles register theirs at start-up); without one the menu stays
// empty and is not offered.
#pragma once

#include <functional>
#include <memory>

#include "report/ClassFactories.h"

class QMenu;
class TdxPrintStyleManager;

namespace dxPSPageSetupMenuTexts {
inline constexpr const char* DefineStyles = "&Define Styles...";
}

// What the preview learns from its menu: a style was chosen or the styles
// were defined (the link's page may be another one now), and whether the
// definition window asked for the preview.
struct TdxPageSetupMenuHandlers {
  std::function<void()> OnStyleChosen;
  std::function<void(bool previewChosen)> OnStylesDefined;
};

// Builds the menu; the base builds nothing.
class TdxPSPageSetupMenuBuilder : public TdxObject {
  DX_CLASS(TdxPSPageSetupMenuBuilder, TdxObject)

 public:
  // Removes the menu's items and makes them again for the manager's styles
  // (nothing without a manager).
  virtual void BuildPageSetupMenu(QMenu& menu, TdxPrintStyleManager* manager,
                                  const TdxPageSetupMenuHandlers& handlers);
  // Checks the item of the manager's current style (when the menu opens).
  virtual void UpdatePageSetupMenu(QMenu& menu, TdxPrintStyleManager* manager);
};

// The builder classes (the most recently registered first).
class TdxPSPageSetupMenuBuilderFactory : public TdxCustomClassFactory {
  DX_SINGLETON(TdxPSPageSetupMenuBuilderFactory, TdxCustomClassFactory)

 public:
  // Only descendants of TdxPSPageSetupMenuBuilder are taken.
  void Register(TdxClass cls) override;
  // A builder of the class registered last; none when none is registered.
  std::unique_ptr<TdxPSPageSetupMenuBuilder> CreateBuilder() const;
};
