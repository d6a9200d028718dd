// The per-user settings store against the real QSettings backend, in the
// throw-away config folder that the test registration gives this program.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include "platform/settings_store.h"

using lumivane::SettingsStore;

namespace {

const QString kApp = QStringLiteral("lumivane-store-test");
const QString kOtherApp = QStringLiteral("lumivane-store-test-renamed");

void wipe(const QString& app)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"), app);
    s.clear();
    s.sync();
}

}  // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Without its own config folder this program would write into the user's real settings.
        if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
            QFAIL("run through ctest, which gives this test its own XDG_CONFIG_HOME");
    }

    void init()
    {
        wipe(kApp);
        wipe(kOtherApp);
    }

    void storeLivesInTheIsolatedConfigFolder()
    {
        const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        SettingsStore store(kApp);
        store.SaveSetting("DayCost", "0.16");
        QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"), kApp);
        QVERIFY2(QFileInfo(probe.fileName()).absoluteFilePath().startsWith(QDir(configHome).absolutePath()),
                 qPrintable(probe.fileName()));
        QVERIFY(QFileInfo::exists(probe.fileName()));
        QCOMPARE(probe.value(QStringLiteral("Settings/DayCost")).toString(), QStringLiteral("0.16"));
    }

    void savedTextsReadBackExactly_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("decimal") << "DayCost" << QByteArray("0.16");
        QTest::newRow("commas stay one text") << "CommSettings" << QByteArray("460800,n,8,1");
        QTest::newRow("blanks around") << "SMSAlarmMsg" << QByteArray("  OVER CURRENT  ");
        QTest::newRow("at sign first") << "S1Label" << QByteArray("@Variant(Gas)");
        QTest::newRow("quotes and backslash") << "S2Label" << QByteArray("say \"hi\" C:\\logs\\");
        QTest::newRow("pound sign UTF-8") << "SMSTestMsg" << QByteArray("\xC2\xA3" "5 credit left");
        QTest::newRow("semicolon and hash") << "PulseURL" << QByteArray("a;b#c=d");
        QTest::newRow("boolean word") << "HTM" << QByteArray("True");
        QTest::newRow("line break") << "SMSNumber" << QByteArray("0770\n0900");
        QTest::newRow("empty text is present, not missing") << "S1Label" << QByteArray("");
    }

    void savedTextsReadBackExactly()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, text);
        const std::string keyText = key.toStdString();
        {
            SettingsStore writer(kApp);
            writer.SaveSetting(keyText, text.toStdString());
            QVERIFY(writer.lastSaveSucceeded());
        }
        const SettingsStore reader(kApp);
        const auto back = reader.GetSetting(keyText);
        QVERIFY(back.has_value());
        QCOMPARE(QByteArray::fromStdString(*back), text);
    }

    void damagedLineElsewhereInTheFileDoesNotFailASave()
    {
        const QString file = QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Lumivane"), kApp)
                                 .fileName();
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("[Settings]\nS1Label=Gas\n[Broken\n");
        damaged.close();
        SettingsStore store(kApp);
        store.SaveSetting("DayCost", "0.2");
        QVERIFY(store.lastSaveSucceeded());
        QCOMPARE(SettingsStore(kApp).GetSetting("DayCost"), std::optional<std::string>("0.2"));
    }

    void anotherAppNameFindsNoneOfTheKeys()
    {
        SettingsStore store(kApp);
        QVERIFY(!store.GetSetting("DayCost").has_value());
        for (const auto& key : lumivane::settingKeys())
            store.SaveSetting(key.key, "7");
        const SettingsStore renamed(kOtherApp);
        for (const auto& key : lumivane::settingKeys())
            QVERIFY2(!renamed.GetSetting(key.key).has_value(), std::string(key.key).c_str());
        // So the renamed program starts from the defaults.
        const lumivane::SettingsRecord record = lumivane::loadSettings(renamed);
        QCOMPARE(record.settingsDayCost, 0.16);
        QCOMPARE(record.settingsFromHours, std::int16_t(6));
    }

    void loadSettingsConvertsStoredTextsAndFillsTheRestWithDefaults()
    {
        SettingsStore store(kApp);
        store.SaveSetting("DayCost", "0.2");
        store.SaveSetting("FromHour", "6.5");
        store.SaveSetting("Txt", "0");
        // One key of each type; every conversion is pinned in settings_record_test.cpp.
        const lumivane::SettingsRecord record = lumivane::loadSettings(store);
        QCOMPARE(record.settingsDayCost, 0.2);
        QCOMPARE(record.settingsFromHours, std::int16_t(6));
        QCOMPARE(record.settingsTxtOutput, false);
        QCOMPARE(record.settingsNightCost, 0.09);
        QCOMPARE(QString::fromStdString(record.settingsCommSettings), QStringLiteral("460800,n,8,1"));
    }

    void loadSettingsSeesWhatAnotherStoreObjectSavedLater()
    {
        const SettingsStore longLived(kApp);
        QCOMPARE(lumivane::loadSettings(longLived).settingsDayCost, 0.16);
        SettingsStore(kApp).SaveSetting("DayCost", "0.31");
        QCOMPARE(lumivane::loadSettings(longLived).settingsDayCost, 0.31);
    }

    void executableBaseNameIsTheProgramFileWithoutExtension()
    {
        QCOMPARE(SettingsStore::executableBaseName(), QStringLiteral("platform_settings_store_test"));
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "settings_store_test.moc"
