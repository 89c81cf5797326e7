// Conversions between the engine's strings (UTF-8 in std::string, or a
// NUL-terminated UTF-8 text) and Qt's QString.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

inline QString ToQ(const std::string& s) { return QString::fromStdString(s); }
inline QString ToQ(const char* s) { return QString::fromUtf8(s); }
inline std::string FromQ(const QString& s) { return s.toStdString(); }

// Bytes are not text: they keep QByteArray's own conversions.
QString ToQ(const QByteArray&) = delete;
std::string FromQ(const QByteArray&) = delete;
