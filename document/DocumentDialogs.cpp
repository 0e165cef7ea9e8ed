#include "document/DocumentDialogs.h"

#include "controls/NormalPointer.h"
#include "controls/QtText.h"
#include "core/ProgramTitle.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace kest {

namespace {

const char* const kDocumentFilter = "Analysis documents (*.ana)";
// Qt's own dialog matches the filter regardless of case, so it lists .ANA documents too.
constexpr QFileDialog::Options kOptions = QFileDialog::DontUseNativeDialog;

QString folderOf(const std::string& current) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(current));
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

}  // namespace

PathChooser DocumentFileDialogs(QWidget* parent) {
    return [parent](PathRequest request, const std::string& current) -> std::optional<std::string> {
        const NormalPointerWhileAsking pointer;
        QString chosen;
        if (request == PathRequest::Open) {
            chosen = QFileDialog::getOpenFileName(parent, "Open", folderOf(current), kDocumentFilter, nullptr, kOptions);
        } else {
            const QString start = QFile::decodeName(QByteArray::fromStdString(current));
            chosen = QFileDialog::getSaveFileName(parent, "Save As", start, kDocumentFilter, nullptr, kOptions);
            if (!chosen.isEmpty() && !chosen.endsWith(QStringLiteral(".ana"), Qt::CaseInsensitive)) {
                // A document is always an .ana file, whatever else its name holds; the dialog
                // asked only about the name as typed.
                chosen += ".ana";
                const QString question = QFileInfo(chosen).fileName() + " already exists. Replace it?";
                if (QFileInfo::exists(chosen) &&
                    QMessageBox::question(parent, "Save As", question) != QMessageBox::Yes)
                    return std::nullopt;
            }
        }
        if (chosen.isEmpty()) return std::nullopt;
        return QFile::encodeName(chosen).toStdString();
    };
}

MessageSink MessageBoxSink(QWidget* parent) {
    return [parent](const std::string& text) {
        const NormalPointerWhileAsking pointer;
        QMessageBox::warning(parent, QString::fromLatin1(kProgramTitle), ToQString(text));
    };
}

}  // namespace kest
