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
    // A settings object keeps the first error it ever met, so a write that
    // failed once would make every later one look failed: each save is told
    // by an object of its own.
    QSettings writer(settings_.format(), settings_.scope(), settings_.organizationName(), settings_.applicationName());
    writer.setValue(keyPath(key), QString::fromStdString(text));
    // Written through now: another program (lumivane-calc, a second window) reads the file, not our cache.
    writer.sync();
    // A hand-damaged line elsewhere in the file is a format error on reading;
    // only an access error means this value did not reach the disk.
    lastSaveSucceeded_ = writer.status() != QSettings::AccessError;
    settings_.sync();
}

QString SettingsStore::executableBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

SettingsRecord loadSettings(const SettingsStore& store) { return loadSettingsNamingUnreadable(store).record; }

LoadedSettings loadSettingsNamingUnreadable(const SettingsStore& store)
{
    // The dialog of another window, or a tool, may have saved since this store was opened.
    store.refresh();
    return loadSettingsNamingUnreadable([&store](std::string_view key) { return store.GetSetting(key); });
}

}  // namespace lumivane
