// Exceptions of the platform layer. Every failure that reaches the user is an
// Exception whose Message is shown by the application's error handler.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

// Raised only to cancel an operation; the error handler stays silent.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EStreamError : public Exception { using Exception::Exception; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EJPEG : public EInvalidGraphic { using EInvalidGraphic::EInvalidGraphic; };
class EPrinter : public Exception { using Exception::Exception; };

// Messages the platform's graphics layer raises.
namespace GraphicsMessages {
inline constexpr const char* UnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr const char* InvalidBitmap = "Bitmap image is not valid";
inline constexpr const char* InvalidIcon = "Icon image is not valid";
inline constexpr const char* InvalidMetafile = "Metafile is not valid";
inline constexpr const char* JpegError = "JPEG error #%d";
inline constexpr const char* NoIconClipboard = "Clipboard does not support Icons";
inline constexpr const char* CannotOpenFile = "Cannot open file \"%s\". %s";
inline constexpr const char* CannotCreateFile = "Cannot create file \"%s\". %s";
}  // namespace GraphicsMessages
