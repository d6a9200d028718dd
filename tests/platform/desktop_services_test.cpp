// Which program shows a log: $VISUAL when it opens a window, the desktop's handler for plain text,
// then the known editors; each started with the file as one argument. Stand-in
// programs on a PATH of their own record how they were called.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/desktop_services.h"
#include "support/main_window_fixture.h"

class DesktopServicesTest : public QObject {
    Q_OBJECT
private slots:
    void textViewerIsTheUsersChoiceThenTheDesktopsThenAKnownEditor()
    {
        const struct {
            QByteArray visual;
            QByteArray textHandler;  // what xdg-mime names for text/plain
            QString called;
        } cases[] = {
            {"myview --new-window", "gedit.desktop", "myview|--new-window"},  // $VISUAL with its options
            {"missing-editor", "gedit.desktop", "xdg-open"},                  // $VISUAL not installed
            {"vi", "gedit.desktop", "xdg-open"},                              // a terminal editor shows nothing
            {"emacs -nw", "", "gedit"},
            {"", "", "gedit"},  // no text handler
        };
        for (const auto& c : cases) {
            QTemporaryDir bin;
            const QString record = bin.filePath("record");
            for (const QByteArray name : {"myview", "vi", "emacs", "xdg-open", "gedit", "xdg-mime"}) {
                QFile program(bin.filePath(name));
                QVERIFY(program.open(QIODevice::WriteOnly));
                if (name == "xdg-mime")
                    program.write("#!/bin/sh\necho '" + c.textHandler + "'\n");
                else
                    program.write("#!/bin/sh\n{ printf %s " + name + "; for a; do printf '|%s' \"$a\"; done; } >> '" +
                                  record.toUtf8() + "'\n");
                program.setPermissions(program.permissions() | QFile::ExeOwner);
            }
            qputenv("PATH", bin.path().toUtf8());
            qputenv("VISUAL", c.visual);

            const QString log = bin.filePath("pulse log's data.txt");
            lumivane::SystemDesktopLauncher launcher;
            QTRY_VERIFY(launcher.desktopAnswered());
            QVERIFY(launcher.launchTextViewer(log));
            QTRY_COMPARE(QString::fromUtf8(lumivane::test::contentOf(record)), c.called + "|" + log);
        }
    }
};

QTEST_MAIN(DesktopServicesTest)
#include "desktop_services_test.moc"
