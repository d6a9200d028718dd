// The window itself: start-up in a fresh per-user tree, missing resources,
// message boxes, Exit, and the About dialog.
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/main_window_fixture.h"
#include "ui/widgets/event_label.h"

using lumivane::test::contentOf;
using lumivane::test::MainWindowFixture;

namespace {

QDialog* aboutDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmAbout" && w->isVisible())
            return qobject_cast<QDialog*>(w);
    return nullptr;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartBuildsTheDataTreeWithEmptyLogsAndTheLogo()
    {
        MainWindowFixture f;
        QCOMPARE(contentOf(f.folders().logs + "pulsedata.txt"), QByteArray("\r\n"));
        QCOMPARE(contentOf(f.folders().logs + "alarmdata.txt"), QByteArray("\r\n"));
        QCOMPARE(contentOf(f.folders().reports + "reportlogo.jpg"),
                 contentOf(QCoreApplication::applicationDirPath() + "/reportlogo.jpg"));
        QVERIFY(f.messages.isEmpty());
    }

    void missingResourcesAreNamedInBoxesTitledWithTheApplicationTitle()
    {
        QTemporaryDir emptyProgramFolder;
        QStringList seen;
        QTimer closer;  // closes each real box from the event loop its exec() runs
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() + ": " + box->text();
                box->accept();
            }
        });
        closer.start(10);
        MainWindowFixture f({.arguments = {"/data/site1.csv"}, .programFolder = emptyProgramFolder.path() + "/",
                             .realMessageBoxes = true});
        QCOMPARE(seen.size(), 3);
        for (const char* name : {"reportlogo.jpg", "banner.bmp", "gr1.bmp"})
            QVERIFY2(seen.filter(name).size() == 1, qPrintable(seen.join('\n')));
        QCOMPARE(seen.filter("Lumivane 2012 R: ").size(), 3);
        // Start-up went on: the command line was taken.
        QVERIFY(f.find<QPushButton>("cmdStartConvert")->isEnabled());
    }

    void aboutOpensOnceMailsOnItsLinkAndGoesWithTheWindow()
    {
        MainWindowFixture f;
        f.window().show();
        f.find<QPushButton>("cmdAbout")->click();
        QPointer<QDialog> about = aboutDialog();
        QVERIFY(about && !about->isModal());
        f.find<QPushButton>("cmdAbout")->click();
        QCOMPARE(aboutDialog(), about.data());
        QTest::mouseClick(about->findChild<EventLabel*>("lblHTTP"), Qt::LeftButton);
        QCOMPARE(f.desktop().opened.size(), 1);
        QVERIFY(f.desktop().opened.front().startsWith("mailto:"));
        QTest::keyClick(about, Qt::Key_Escape);
        QTRY_VERIFY(about.isNull());

        f.find<QPushButton>("cmdAbout")->click();
        about = aboutDialog();
        QVERIFY(about);
        f.find<QPushButton>("cmdExit")->click();
        QVERIFY(!f.window().isVisible());
        QTRY_VERIFY(about.isNull());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
