#pragma once
// Texts cross between the logic (8-bit, Latin-1) and the windows (QString) only here.

#include <QString>

#include <string>

namespace kest {

inline QString ToQString(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace kest
