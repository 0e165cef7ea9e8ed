#pragma once
// Texts cross between the logic (8-bit) and the windows (QString) only here. The logic keeps
// the bytes it is given: a document's own texts are Latin-1, paths are as the file system
// names them (UTF-8). A text that is valid UTF-8 is shown as UTF-8 and any other as Latin-1,
// which shows both right: accented Latin-1 text is not valid UTF-8.

#include <QByteArrayView>
#include <QString>

#include <string>

namespace kest {

inline QString ToQString(const std::string& text) {
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

// What the operator types into a document's texts: Latin-1.
inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

// A text shown by the window given back to the logic (a caption with a path in it): Latin-1
// when every character has one, else UTF-8, so that ToQString shows it again as it was.
inline std::string ToText(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF) return text.toUtf8().toStdString();
    return ToLatin1(text);
}

}  // namespace kest
