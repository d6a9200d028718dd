// The per-user settings store against the real QSettings backend, in the
// throw-away config folder the test registration gives this program.
#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fstream>

using namespace lumivane;

namespace {

// Each test starts from an empty store of its own name inside the test's profile.
struct Store : ::testing::Test {
    const QString app = "lumivane-store-test";
    QString file() const
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Lumivane", app).fileName();
    }
    void SetUp() override
    {
        ASSERT_TRUE(file().startsWith(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).absolutePath()))
            << "run through ctest, which gives this test its own profile";
        QFile::remove(file());
    }
};

}  // namespace

TEST_F(Store, SavedTextsReadBackExactly)
{
    // Escaping inside the file is the settings library's; these are the store's own conversions.
    for (const std::string text : {"460800,n,8,1", "  OVER CURRENT  ", "\u00A35 credit", ""}) {
        SettingsStore(app).SaveSetting("SMSAlarmMsg", text);
        EXPECT_EQ(SettingsStore(app).GetSetting("SMSAlarmMsg"), text);
    }
    EXPECT_EQ(SettingsStore::executableBaseName(), "platform_settings_store_test");
}

// A save is judged on its own: a damaged line elsewhere in the file must not fail it.
TEST_F(Store, DamagedLineElsewhereInTheFileDoesNotFailASave)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file()).path()));
    std::ofstream(QFile::encodeName(file()).toStdString()) << "[Settings]\nS1Label=Gas\n[Broken\n";
    SettingsStore store(app);
    store.SaveSetting("DayCost", "0.2");
    EXPECT_TRUE(store.lastSaveSucceeded());
    EXPECT_EQ(SettingsStore(app).GetSetting("DayCost"), "0.2");
}

// A store kept open reads the file again once another program has rewritten it, as the
// window does when it reloads its settings after the dialog.
TEST_F(Store, ReadsTheFileAgainAfterAnotherProgramRewroteIt)
{
    SettingsStore store(app);
    store.SaveSetting("DayCost", "0.2");
    ASSERT_EQ(loadSettingsNamingUnreadable(store).record.settingsDayCost, 0.2);
    std::ofstream(QFile::encodeName(file()).toStdString()) << "[Settings]\nDayCost=0.35\nNightCost=0.1\n";
    // Another modification time, however coarse the file system's clock.
    QFile rewritten(file());
    ASSERT_TRUE(rewritten.open(QIODevice::ReadWrite));
    ASSERT_TRUE(rewritten.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    rewritten.close();
    const SettingsRecord record = loadSettingsNamingUnreadable(store).record;
    EXPECT_EQ(record.settingsDayCost, 0.35);
    EXPECT_EQ(record.settingsNightCost, 0.1);
}
