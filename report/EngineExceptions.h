// Exceptions of the printing engine. Every engine failure is an EdxPrintEngine
// (or a descendant declared next to the code that raises it: EdxReportLink,
// EdxComponentPrinter, EdxPrintDevice); misuse of a singleton raises
// EdxPSSingleton. The application's error handler shows their Message.
#pragma once

#include "platform/Exceptions.h"

class EdxPrintEngine : public Exception {
 public:
  using Exception::Exception;
};

class EdxPSSingleton : public Exception {
 public:
  using Exception::Exception;
};

// Messages raised by the engine's process-wide services.
namespace dxPSMessages {
inline constexpr const char* SingletonAccess = "Access class %s through Instance only";
inline constexpr const char* IllegalAccessCode = "Illegal AccessCode %d in GetInstance";
inline constexpr const char* ClassNotFound = "Class %s not found";
inline constexpr const char* CannotCreateClass = "Cannot create an object of class %s";
inline constexpr const char* CannotAssign = "Cannot assign a %s to a %s";
}  // namespace dxPSMessages
