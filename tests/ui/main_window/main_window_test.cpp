// The window itself: start-up problems (data folder, settings, missing resources),
// a first start at a large font, Exit, and the About dialog.
#include <QCheckBox>
#include <QDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "platform/desktop_services.h"
#include "support/main_window_fixture.h"
#include "ui/widgets/event_label.h"

using lumivane::test::contentOf;
using lumivane::test::MainWindowFixture;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // A start-up problem is told in one message, and what caused it is left as it is.
    void startUpProblemsAreToldAndStartUpGoesOn()
    {
        MainWindowFixture blocked({.dataRootBlocked = true});
        QCOMPARE(blocked.messages.size(), 1);
        QVERIFY(blocked.messages.front().contains(QDir::toNativeSeparators(blocked.folders().root)));
        QVERIFY(QFileInfo(blocked.folders().root).isFile());

        MainWindowFixture f({.stored = {{"DayCost", "abc"}, {"Multiplier", ""}}});
        QVERIFY2(f.messages.size() == 1 && f.messages.front().count("cannot be read") == 2 &&
                     f.messages.front().contains(QStringLiteral("Day Time Cost per kWh \u00A3: the stored text "
                                                                "\"abc\" cannot be read; 0.16 is used")) &&
                     f.messages.front().contains("Edit Settings"),
                 qPrintable(f.messages.join('\n')));
        QCOMPARE(f.store().GetSetting("DayCost"), std::optional<std::string>("abc"));

        // Missing resources get one real box each, titled as the program; start-up goes on.
        QTemporaryDir emptyProgramFolder;
        MainWindowFixture bare({.arguments = {"/data/site1.csv"},
                                .programFolder = emptyProgramFolder.path() + "/",
                                .realMessageBoxes = true});
        QCOMPARE(bare.messages.size(), 3);
        for (const char* name : {"reportlogo.jpg", "banner.bmp", "gr1.bmp"})
            QVERIFY2(bare.messages.filter(name).size() == 1, qPrintable(bare.messages.join('\n')));
        QCOMPARE(bare.messages.filter("Lumivane 2012 R: ").size(), 3);
        QVERIFY(bare.find<QPushButton>("cmdStartConvert")->isEnabled());
    }

    // A first start at a 14 point desktop font clips no caption or field and copies the
    // logo into the data tree (its empty logs are where the gateway and settings tests
    // start from); About opens once, mails on its link and goes with the window.
    void firstStartClipsNothingAtA14PointFontAndAboutOpensOnceAndGoesWithTheWindow()
    {
        lumivane::setApplicationIdentity();
        // Desktops append a display name to every title that does not end with it.
        QVERIFY(QGuiApplication::applicationDisplayName().isEmpty());
        const QFont desktopFont = QApplication::font();
        QFont font = desktopFont;
        font.setPointSizeF(14.0);
        QApplication::setFont(font);
        MainWindowFixture f;
        QApplication::setFont(desktopFont);
        for (QWidget* w : f.window().findChildren<QWidget*>()) {
            if (w->window() != &f.window() || w->property("text").toString().isEmpty())
                continue;
            int needed = 0;
            if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w))
                needed = w->sizeHint().width();
            else if (auto* field = qobject_cast<QLineEdit*>(w))  // text, inner margins and frame
                needed = field->fontMetrics().horizontalAdvance(field->text()) + 8;
            QVERIFY2(w->width() >= needed, qPrintable(w->objectName()));
        }
        QCOMPARE(contentOf(f.folders().reports + "reportlogo.jpg"),
                 contentOf(QCoreApplication::applicationDirPath() + "/reportlogo.jpg"));
        QVERIFY(f.messages.isEmpty());
        f.window().show();
        f.find<QPushButton>("cmdAbout")->click();
        QPointer<QDialog> about = f.find<QDialog>("frmAbout");
        QVERIFY(about->isVisible() && !about->isModal());
        f.find<QPushButton>("cmdAbout")->click();
        QCOMPARE(f.window().findChildren<QDialog*>("frmAbout"), QList<QDialog*>{about});
        QTest::mouseClick(about->findChild<EventLabel*>("lblHTTP"), Qt::LeftButton);
        QCOMPARE(f.desktop().opened.size(), 1);
        QVERIFY(f.desktop().opened.front().startsWith("mailto:"));
        f.find<QPushButton>("cmdExit")->click();
        QVERIFY(!f.window().isVisible());
        QTRY_VERIFY(about.isNull());
    }

    // The window grows: the results area and the graph take the room, a whole rule fits at the first
    // size, the size is kept; Tab goes in reading order.
    void windowGrowsIntoTheResultsAndGraphAndKeepsItsSize()
    {
        MainWindowFixture f;
        frmMain& w = f.window();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* results = f.find<QPlainTextEdit>("txtProcess");
        const int rule = results->fontMetrics().horizontalAdvance(QString(79, '-'));
        QVERIFY2(results->viewport()->width() > rule, qPrintable(QString::number(results->viewport()->width())));
        QCOMPARE(results->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        f.find<QCheckBox>("chkGraph")->click();
        auto* graph = f.find<QWidget>("picGraph");
        QTRY_VERIFY(graph->isVisible());
        const QSize before(results->width(), graph->width());
        w.resize(w.width() + 300, w.height() + 200);
        QTRY_VERIFY(results->width() >= before.width() + 300 && graph->width() >= before.height() + 300);
        w.close();
        QCOMPARE(f.store().GetSetting("WindowSize"),
                 std::optional<std::string>(std::to_string(w.width()) + "," + std::to_string(w.height())));

        const char* const order[] = {"cmdAddFiles",  "chkDate",         "txtDD",    "vsDD",       "txtMM",
                                     "vsMM",         "txtYY",           "vsYY",     "txtDays",    "vsDays",
                                     "chkEachMonth", "cmdStartConvert", "cmdReset", "cmdSettings"};
        QStringList expected;
        for (const char* name : order)
            if (f.find<QWidget>(name)->focusPolicy() != Qt::NoFocus)
                expected << name;
        QStringList chain{expected.front()};
        for (QWidget* next = f.find<QWidget>(order[0])->nextInFocusChain(); chain.size() < expected.size();
             next = next->nextInFocusChain())
            chain << next->objectName();
        QCOMPARE(chain, expected);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
