// Helpers shared by the pieces of the print dialog (PrintDialog.cpp and
// PrintDialogHandlers.cpp): texts as the window shows them and the arrow of
// the "Print Styles" button. Internal to the dialog.
#pragma once

#include <QIcon>
#include <QString>
#include <string>

namespace PrintDialogHelpers {

inline QString Text(const char* text) { return QString::fromUtf8(text); }
inline QString Text(const std::string& text) { return QString::fromStdString(text); }

// The arrow of the "Print Styles" button: down while the panel is hidden,
// up while it is shown.
QIcon ArrowGlyph(bool up);

}  // namespace PrintDialogHelpers
