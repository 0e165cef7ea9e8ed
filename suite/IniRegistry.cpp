#include "suite/IniRegistry.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace kest {
namespace {

QString KeyPath(const std::string& root, const std::string& section, const std::string& key) {
    return QString::fromLatin1(root) + '/' + QString::fromLatin1(section) + '/' + QString::fromLatin1(key);
}

}  // namespace

IniRegistry::IniRegistry(std::filesystem::path file) : file_(std::move(file)) {}

int32_t IniRegistry::KestRegisterGetInt(const std::string& section, const std::string& key, int32_t defaultValue,
                                        const std::string& root) {
    // A fresh QSettings for every call sees what another process wrote meanwhile.
    QSettings settings(QString::fromStdString(file_.string()), QSettings::IniFormat);
    const QVariant stored = settings.value(KeyPath(root, section, key));
    if (!stored.isValid()) return defaultValue;
    bool ok = false;
    const int value = stored.toString().trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

Status IniRegistry::KestRegisterSetString(const std::string& section, const std::string& key,
                                          const std::string& value, const std::string& root) {
    QSettings settings(QString::fromStdString(file_.string()), QSettings::IniFormat);
    settings.setValue(KeyPath(root, section, key), QString::fromLatin1(value));
    settings.sync();
    return settings.status() == QSettings::NoError ? 1 : 0;
}

}  // namespace kest
