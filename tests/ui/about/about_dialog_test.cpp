#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ui/widgets/event_label.h"
#include "ui/about/frm_about.h"
#include "ui/main_window/frm_main.h"
#include "support/main_window_fixture.h"

using lumivane::test::MainWindowFixture;

class AboutDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dataHome_.isValid());
        qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
    }

    void showsTitleVersionAndContact()
    {
        MainWindowFixture fixture;
        fixture.window().cmdAbout_Click();
        frmAbout* about = fixture.window().aboutDialog();
        QVERIFY(about && about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->windowTitle(), QStringLiteral("About Lumivane 2012 R"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("Lumivane 2012 R"));
        QCOMPARE(about->lblTitle->font().pointSize(), 12);
        QCOMPARE(about->lblVersion->text(), QStringLiteral("Version 3.2.1"));
        QCOMPARE(about->Label1->text(),
                 QStringLiteral("If you want to know more about this application and many others, or you wish "
                                "to have an application tailor made to your needs.  Email: "));
        QVERIFY(about->lblDescription->text().contains(QStringLiteral("Lumivane")));
        QVERIFY(about->cmdOK->isDefault());
        QCOMPARE(about->lblHTTP->text(), frmAbout::supportAddress());

        QTest::mouseClick(about->lblHTTP, Qt::LeftButton);
        QCOMPARE(fixture.desktop().opened, QStringList{QStringLiteral("mailto:") + frmAbout::supportAddress()});

        // One instance: a second click brings the same dialog forward.
        fixture.window().cmdAbout_Click();
        QCOMPARE(fixture.window().aboutDialog(), about);
    }

    // The hover underline must not outlive the dialog: each opening starts plain.
    void enterAndEscapeCloseAndReleaseItAndTheLinkStartsPlainWhenReopened()
    {
        MainWindowFixture fixture;
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            fixture.window().cmdAbout_Click();
            QPointer<frmAbout> about = fixture.window().aboutDialog();
            QVERIFY(QTest::qWaitForWindowExposed(about));
            QVERIFY(!about->lblHTTP->font().underline());
            QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(about->lblHTTP, &move);
            QVERIFY(about->lblHTTP->font().underline());
            about->cmdOK->setFocus();
            QTest::keyClick(about, key);
            QTRY_VERIFY(about.isNull());
        }
    }

private:
    QTemporaryDir dataHome_;
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
