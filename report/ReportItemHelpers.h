// Helpers shared by the units of the report document (ReportItems.cpp,
// ReportCells.cpp, GroupLookAndFeels.cpp). Internal to the report document.
#pragma once

#include "platform/Graphics.h"
#include "platform/Types.h"

namespace ReportItemHelpers {

inline TColor StoredColor(TColor color) {
  if (color == clNone || color == clDefault) return color;
  return TColor(ColorToRGB(color));
}

}  // namespace ReportItemHelpers
