// The menu of auto-text entries: one item per entry and, when asked for, a
// separator and "AutoTe&xt..." that opens the entries' editor. The function
// tool bar's "Insert AutoText" button drops it down.
//
// The menu is made by the builder class registered last with
// TdxPSAutoHFTextMenuBuilderFactory, which holds the standard builder from
// its creation on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report/ClassFactories.h"

class QMenu;

namespace dxPSAutoHFTextMenuTexts {
inline constexpr const char* AutoTextItem = "AutoTe&xt...";
}

// Builds the entry menu. The base builds nothing.
class TdxPSAutoHFTextMenuBuilder : public TdxObject {
  DX_CLASS(TdxPSAutoHFTextMenuBuilder, TdxObject)

 public:
  // Removes the menu's items and makes them again: one per entry (its text,
  // the action's data its index; a click calls onEntry with it), then, with
  // the auto-text item, a separator when there are entries and the item,
  // whose click calls onAutoText.
  virtual void BuildAutoHFTextEntriesMenu(QMenu& menu, const std::vector<std::string>& entries,
                                          const std::function<void(int index)>& onEntry, bool withAutoTextItem,
                                          const std::function<void()>& onAutoText);
};

class TdxStandardPSAutoHFTextMenuBuilder : public TdxPSAutoHFTextMenuBuilder {
  DX_CLASS(TdxStandardPSAutoHFTextMenuBuilder, TdxPSAutoHFTextMenuBuilder)

 public:
  void BuildAutoHFTextEntriesMenu(QMenu& menu, const std::vector<std::string>& entries,
                                  const std::function<void(int index)>& onEntry, bool withAutoTextItem,
                                  const std::function<void()>& onAutoText) override;
};

// The builder classes (the most recently registered first).
class TdxPSAutoHFTextMenuBuilderFactory : public TdxCustomClassFactory {
  DX_SINGLETON(TdxPSAutoHFTextMenuBuilderFactory, TdxCustomClassFactory)

 public:
  // Only descendants of TdxPSAutoHFTextMenuBuilder are taken.
  void Register(TdxClass cls) override;
  // A builder of the class registered last; none when none is registered.
  std::unique_ptr<TdxPSAutoHFTextMenuBuilder> CreateBuilder() const;

 protected:
  // Registers TdxStandardPSAutoHFTextMenuBuilder.
  void InitializeInstance() override;
};

// Builds the menu with the active builder; without one the menu is only
// emptied.
void BuildAutoTextMenu(QMenu& menu, const std::vector<std::string>& entries,
                       const std::function<void(int index)>& onEntry, bool withAutoTextItem = false,
                       const std::function<void()>& onAutoText = nullptr);
