// Which program shows a log: $VISUAL, the desktop's handler for plain text,
// then the known editors; each started with the file as one argument. Stand-in
// programs on a PATH of their own record how they were called.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/desktop_services.h"

class DesktopServicesTest : public QObject {
    Q_OBJECT
private slots:
    void textViewerIsTheUsersChoiceThenTheDesktopsThenAKnownEditor_data()
    {
        QTest::addColumn<QString>("visual");
        QTest::addColumn<QString>("textHandler");  // what xdg-mime names for text/plain
        QTest::addColumn<QString>("called");
        QTest::newRow("$VISUAL with its options") << "myview --new-window"
                                                  << "gedit.desktop"
                                                  << "myview|--new-window";
        QTest::newRow("$VISUAL not installed: the desktop's text handler") << "missing-editor"
                                                                           << "gedit.desktop"
                                                                           << "xdg-open";
        QTest::newRow("no text handler: a known editor") << ""
                                                         << ""
                                                         << "gedit";
    }

    void textViewerIsTheUsersChoiceThenTheDesktopsThenAKnownEditor()
    {
        QFETCH(QString, visual);
        QFETCH(QString, textHandler);
        QFETCH(QString, called);
        QTemporaryDir bin;
        const QString record = bin.filePath("record");
        const auto program = [&](const QString& name, const QByteArray& body) {
            QFile file(bin.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n" + body);
            file.setPermissions(file.permissions() | QFile::ExeOwner);
        };
        for (const char* name : {"myview", "xdg-open", "gedit"})
            program(name, QByteArray("{ printf %s ") + name + "; for a; do printf '|%s' \"$a\"; done; } >> '" +
                              record.toUtf8() + "'\n");
        program("xdg-mime", "echo '" + textHandler.toUtf8() + "'\n");
        qputenv("PATH", bin.path().toUtf8());
        qputenv("VISUAL", visual.toUtf8());

        const QString log = bin.filePath("pulse log's data.txt");
        QVERIFY(lumivane::SystemDesktopLauncher().launchTextViewer(log));
        const auto calls = [&] {
            QFile file(record);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        QTRY_COMPARE(calls(), called + "|" + log);
    }
};

QTEST_MAIN(DesktopServicesTest)
#include "desktop_services_test.moc"
