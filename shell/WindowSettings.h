#pragma once
// What the main window remembers from one run to the next, in window.ini beside the
// registry: the documents opened or saved last, and the folder the file dialogs open in.

#include <QSettings>
#include <QString>
#include <QStringList>

namespace kest {

class WindowSettings {
public:
    static constexpr int kRecentDocuments = 8;

    WindowSettings();

    QStringList recentDocuments() const;
    // To the top of the list, once.
    void addRecentDocument(const QString& path);
    void removeRecentDocument(const QString& path);

    // The folder of the file chosen last in any file dialog; empty at first.
    QString lastFolder() const;
    void rememberFolderOf(const QString& file);

private:
    QSettings settings_;
};

}  // namespace kest
