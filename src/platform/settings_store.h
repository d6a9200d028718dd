#pragma once
// The per-user settings store: one text value per key in the section
// "Settings", addressed by an application name.
#include <QSettings>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "core/settings/settings_record.h"

namespace lumivane {

class SettingsStore {
public:
    // The store of `appName` (usually the executable's name, or kMainExecutableName).
    explicit SettingsStore(const QString& appName);

    // The stored UTF-8 text of `key`, or nullopt when the key was never saved;
    // an empty stored text is present, not missing.
    std::optional<std::string> GetSetting(std::string_view key) const;

    // Stores `text` (UTF-8) under `key` and writes it through to disk at once.
    void SaveSetting(std::string_view key, const std::string& text);

    // Picks up what other programs saved since this store was made or last refreshed.
    void refresh() const { settings_.sync(); }

    // Whether the last save reached the disk (false after a write error).
    bool lastSaveSucceeded() const { return lastSaveSucceeded_; }

    // The running executable's file name without its extension.
    static QString executableBaseName();

private:
    mutable QSettings settings_;
    bool lastSaveSucceeded_ = true;
};

// The whole record from the store's texts; missing or unconvertible texts give the defaults.
SettingsRecord loadSettings(const SettingsStore& store);

// The same record, with every stored text that gave way to its default named.
LoadedSettings loadSettingsNamingUnreadable(const SettingsStore& store);

}  // namespace lumivane
