#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "ui/main_window/frm_main.h"
#include "support/main_window_fixture.h"

using lumivane::test::MainWindowFixture;

namespace {
QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
}  // namespace

class DataFoldersTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        dataHome_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dataHome_->isValid());
        qputenv("XDG_DATA_HOME", dataHome_->path().toUtf8());
        root_ = dataHome_->path() + QStringLiteral("/Lumivane");
    }

    void firstLaunchBuildsTheTree()
    {
        MainWindowFixture fixture;
        const frmMain& w = fixture.window();
        QVERIFY(QFileInfo(root_ + QStringLiteral("/reports")).isDir());
        QVERIFY(QFileInfo(root_ + QStringLiteral("/logs")).isDir());
        QCOMPARE(contentOf(root_ + QStringLiteral("/logs/pulsedata.txt")), QByteArray("\r\n"));
        QCOMPARE(contentOf(root_ + QStringLiteral("/logs/alarmdata.txt")), QByteArray("\r\n"));
        QCOMPARE(contentOf(root_ + QStringLiteral("/reports/reportlogo.jpg")),
                 contentOf(w.programFolder + QStringLiteral("reportlogo.jpg")));
        QCOMPARE(w.reportsFolder, root_ + QStringLiteral("/reports/"));
        QCOMPARE(w.logsFolder, root_ + QStringLiteral("/logs/"));
        QVERIFY(fixture.messages.isEmpty());
    }

    void existingLogsFolderIsLeftAlone()
    {
        QVERIFY(writeFile(root_ + QStringLiteral("/logs/pulsedata.txt"), "S1=1, S2=2, DT=x\r\n"));

        MainWindowFixture fixture;
        QVERIFY(!QFile::exists(root_ + QStringLiteral("/logs/alarmdata.txt")));
        QCOMPARE(contentOf(root_ + QStringLiteral("/logs/pulsedata.txt")), QByteArray("S1=1, S2=2, DT=x\r\n"));
        QVERIFY(QFileInfo(root_ + QStringLiteral("/reports")).isDir());
    }

    void anExistingLogoIsNeverReplaced()
    {
        QVERIFY(writeFile(root_ + QStringLiteral("/reports/reportlogo.jpg"), "the operator's own logo"));

        MainWindowFixture fixture;
        QCOMPARE(contentOf(root_ + QStringLiteral("/reports/reportlogo.jpg")), QByteArray("the operator's own logo"));
    }

    void aFolderNamedLikeTheLogoIsNoLogo()
    {
        // A folder in the logo's place is not a file: the copy is tried, fails, and is reported.
        QVERIFY(QDir().mkpath(root_ + QStringLiteral("/reports/reportlogo.jpg")));
        MainWindowFixture fixture;
        QCOMPARE(fixture.messages.size(), 1);
        QVERIFY(fixture.messages.front().text.contains(QStringLiteral("reportlogo.jpg")));
    }

private:
    std::unique_ptr<QTemporaryDir> dataHome_;
    QString root_;
};

QTEST_MAIN(DataFoldersTest)
#include "data_folders_test.moc"
