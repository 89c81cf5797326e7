// Helpers shared by the pieces of the print dialog (PrintDialog.cpp and
// PrintDialogHandlers.cpp): the arrow of the "Print Styles" button. Internal to the dialog.
#pragma once

#include <QIcon>
#include <QString>
#include <string>

namespace PrintDialogHelpers {

// The arrow of the "Print Styles" button: down while the panel is hidden,
// up while it is shown.
QIcon ArrowGlyph(bool up);

}  // namespace PrintDialogHelpers
