#include "shell/WindowSettings.h"

#include "suite/ProgramFolders.h"

#include <QFile>
#include <QFileInfo>

namespace kest {
namespace {

const QString kRecentKey = QStringLiteral("window/recentDocuments");
const QString kFolderKey = QStringLiteral("window/lastFolder");

QString SettingsFile() {
    return QFile::decodeName(QByteArray::fromStdString((ResolveProgramFolders().config / "window.ini").string()));
}

}  // namespace

WindowSettings::WindowSettings() : settings_(SettingsFile(), QSettings::IniFormat) {}

QStringList WindowSettings::recentDocuments() const { return settings_.value(kRecentKey).toStringList(); }

void WindowSettings::addRecentDocument(const QString& path) {
    QStringList recent = recentDocuments();
    recent.removeAll(path);
    recent.prepend(path);
    settings_.setValue(kRecentKey, recent.mid(0, kRecentDocuments));
}

void WindowSettings::removeRecentDocument(const QString& path) {
    QStringList recent = recentDocuments();
    recent.removeAll(path);
    settings_.setValue(kRecentKey, recent);
}

QString WindowSettings::lastFolder() const { return settings_.value(kFolderKey).toString(); }

void WindowSettings::rememberFolderOf(const QString& file) {
    if (!file.isEmpty()) settings_.setValue(kFolderKey, QFileInfo(file).absolutePath());
}

}  // namespace kest
