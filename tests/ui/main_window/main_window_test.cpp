#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "ui/widgets/graph_panel.h"
#include "ui/widgets/drop_zone_label.h"
#include "ui/widgets/event_label.h"
#include "ui/main_window/frm_main.h"
#include "ui/widgets/process_text_area.h"
#include "support/main_window_fixture.h"

using lumivane::test::MainWindowFixture;
using lumivane::test::StoredSettings;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        // Each case gets a clean per-user data tree.
        dataHome_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dataHome_->isValid());
        qputenv("XDG_DATA_HOME", dataHome_->path().toUtf8());
    }

    void startStateMatchesTheControlTable()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        QCOMPARE(w.windowTitle(), QStringLiteral("Brenvik Automation - Lumivane"));
        QCOMPARE(w.size(), QSize(564, 484));
        QVERIFY(fixture.messages.isEmpty());

        const struct {
            const char* name;
            const char* caption;
            bool enabled;
            bool hidden;
        } buttons[] = {{"cmdSettings", "Edit &Settings", true, false},  {"cmdReset", "&Reset Selection", false, false},
                       {"cmdStartConvert", "Start &Calculation", false, false}, {"cmdTot", "Reports", false, true},
                       {"cmdAbout", "&About", true, false},             {"cmdExit", "E&xit", true, false}};
        for (const auto& b : buttons) {
            auto* button = w.findChild<QPushButton*>(QString::fromLatin1(b.name));
            QVERIFY2(button, b.name);
            QCOMPARE(button->text(), QString::fromLatin1(b.caption));
            QVERIFY2(button->isEnabled() == b.enabled, b.name);
            QVERIFY2(button->isHidden() == b.hidden, b.name);
        }
        QVERIFY(w.findChild<QPushButton*>(QStringLiteral("cmdPulse"))->isHidden());

        auto* chkDate = w.findChild<QCheckBox*>(QStringLiteral("chkDate"));
        QCOMPARE(chkDate->text(), QStringLiteral("Select Dates"));
        QVERIFY(!chkDate->isEnabled());
        QVERIFY(!chkDate->isChecked());
        for (const char* name : {"txtDD", "txtMM", "txtYY", "txtDays"})
            QVERIFY2(!w.findChild<QLineEdit*>(QString::fromLatin1(name))->isEnabled(), name);
        for (const char* name : {"vsDD", "vsMM", "vsYY", "vsDays"})
            QVERIFY2(!w.findChild<QScrollBar*>(QString::fromLatin1(name))->isEnabled(), name);

        auto* chkGraph = w.findChild<QCheckBox*>(QStringLiteral("chkGraph"));
        QCOMPARE(chkGraph->text(), QStringLiteral("Display kWh Graph"));
        QVERIFY(chkGraph->isEnabled());
        QVERIFY(!chkGraph->isChecked());

        auto* drop = w.findChild<DropZoneLabel*>(QStringLiteral("lblDropZone"));
        QCOMPARE(drop->text(), QStringLiteral("DROP FILES HERE"));
        QCOMPARE(drop->palette().color(QPalette::Window), QColor(224, 224, 224));
        auto* results = w.findChild<ProcessTextArea*>(QStringLiteral("txtProcess"));
        QCOMPARE(results->text(), QString());
        QVERIFY(results->isReadOnly());

        auto* link = w.findChild<EventLabel*>(QStringLiteral("lblHTTP"));
        QCOMPARE(link->text(), QStringLiteral("Ferrolux on the web"));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblVer"))->text(), QStringLiteral("Lumivane V3.2.1"));
        auto* alarm = w.findChild<EventLabel*>(QStringLiteral("lblAlarm"));
        QVERIFY(alarm->isHidden());
        QCOMPARE(alarm->text(), QString());
        QVERIFY(!w.findChild<QLabel*>(QStringLiteral("Picture1"))->pixmap().isNull());
        QVERIFY(w.findChild<GraphPanel*>(QStringLiteral("picGraph")) != nullptr);
        QCOMPARE(w.findChild<QFrame*>(QStringLiteral("fraGraph"))->height(), 8);
        QCOMPARE(w.findChild<QTimer*>(QStringLiteral("tmrAlarm"))->interval(), 1000);

        QCOMPARE(w.graph.graphColourIndex, 0);
        QVERIFY(w.graphPalette == lumivane::defaultGraphPalette());
        QVERIFY(!w.alarmActive);
        QCOMPARE(w.alarmTickCount, qint16(0));
    }

    void pulseButtonFollowsThePulseSwitch_data()
    {
        QTest::addColumn<StoredSettings>("stored");
        QTest::addColumn<QString>("caption");  // empty: hidden
        QTest::newRow("PulseData 1") << StoredSettings{{"PulseData", "1"}} << "Gas && Water";
        QTest::newRow("PulseData 2") << StoredSettings{{"PulseData", "2"}} << QString();
        QTest::newRow("labels of its own")
            << StoredSettings{{"PulseData", "1"}, {"S1Label", "Heat"}, {"S2Label", "Steam"}} << "Heat && Steam";
    }

    void pulseButtonFollowsThePulseSwitch()
    {
        QFETCH(StoredSettings, stored);
        QFETCH(QString, caption);
        MainWindowFixture fixture(stored);
        const QPushButton* pulse = fixture.window().cmdPulse;
        QCOMPARE(pulse->isHidden(), caption.isEmpty());
        if (!caption.isEmpty())
            QCOMPARE(pulse->text(), caption);
    }

    void webLinkUnderlinesOnHoverAndOpensTheSite()
    {
        MainWindowFixture fixture;
        frmMain& w = fixture.window();
        w.show();
        auto* link = w.lblHTTP;
        QMouseEvent overLink(QEvent::MouseMove, QPointF(5, 5), link->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(link, &overLink);
        QVERIFY(link->font().underline());

        // Onto another control: stays underlined.
        QMouseEvent overVersion(QEvent::MouseMove, QPointF(5, 5), QPointF(), Qt::NoButton, Qt::NoButton,
                                Qt::NoModifier);
        QApplication::sendEvent(w.lblVer, &overVersion);
        QVERIFY(link->font().underline());

        // Onto the bare window surface: the underline goes.
        const QPoint bare(250, 460);
        QVERIFY(w.childAt(bare) == nullptr);
        QMouseEvent overSurface(QEvent::MouseMove, QPointF(bare), w.mapToGlobal(QPointF(bare)), Qt::NoButton,
                                Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &overSurface);
        QVERIFY(!link->font().underline());

        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(fixture.desktop().opened.size(), 1);
        QVERIFY(fixture.desktop().opened.front().startsWith(QStringLiteral("https://")));
    }

    void missingPicturesAreReportedByNameAndStartUpGoesOn()
    {
        QTemporaryDir emptyProgramFolder;
        MainWindowFixture fixture({}, {}, emptyProgramFolder.path() + QLatin1Char('/'));
        QStringList texts;
        for (const auto& m : fixture.messages)
            texts << m.text;
        const QString all = texts.join(QLatin1Char('\n'));
        QVERIFY2(all.contains(QStringLiteral("banner.bmp")), qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("gr1.bmp")), qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("reportlogo.jpg")), qPrintable(all));
        // Start-up went on to its end.
        QCOMPARE(fixture.window().lblVer->text(), QStringLiteral("Lumivane V3.2.1"));
    }

    void messageBoxesCarryTheApplicationTitle()
    {
        // Without a recorder the window shows real message boxes.
        lumivane::SettingsStore store(QStringLiteral("lumivane"));
        lumivane::test::FixedClock clock;
        lumivane::test::RecordingDesktop desktop;
        MainWindowEnvironment environment;
        environment.store = &store;
        environment.clock = &clock;
        environment.desktop = &desktop;
        frmMain w(std::move(environment));

        QString title;
        QString text;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        w.showMessage(QStringLiteral("File does not exist!"));
        QCOMPARE(title, QStringLiteral("Lumivane 2012 R"));
        QCOMPARE(text, QStringLiteral("File does not exist!"));
    }

private:
    std::unique_ptr<QTemporaryDir> dataHome_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
