// Helpers shared by the pieces of the preview control (PreviewControl.cpp,
// PreviewControlPainting.cpp, PreviewControlHitTesting.cpp,
// PreviewControlInput.cpp). Internal to the control.
#pragma once

#include <QRect>

#include "platform/Types.h"

namespace PreviewControlHelpers {

inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

}  // namespace PreviewControlHelpers
