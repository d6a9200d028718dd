#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <QVariant>

namespace lumivane {
namespace {

QString keyPath(std::string_view key)
{
    return QStringLiteral("Settings/") + QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

SettingsStore::SettingsStore(const QString& appName)
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"), appName)
{
}

std::optional<std::string> SettingsStore::GetSetting(std::string_view key) const
{
    const QString path = keyPath(key);
    if (!settings_.contains(path))
        return std::nullopt;
    const QVariant value = settings_.value(path);
    // A hand-edited file may hold an unquoted list ("460800,n,8,1"); the text is the list as written.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

void SettingsStore::SaveSetting(std::string_view key, const std::string& text)
{
    settings_.setValue(keyPath(key), QString::fromStdString(text));
    // Written through now: another program (lumivane-calc, a second window) reads the file, not our cache.
    settings_.sync();
    lastSaveSucceeded_ = settings_.status() == QSettings::NoError;
}

QString SettingsStore::executableBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

SettingsRecord loadSettings(const SettingsStore& store)
{
    // The dialog of another window, or a tool, may have saved since this store was opened.
    store.refresh();
    return loadSettingsRecord([&store](std::string_view key) { return store.GetSetting(key); });
}

}  // namespace lumivane
