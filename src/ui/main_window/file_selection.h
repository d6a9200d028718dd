#pragma once
// The main window's file selection: the drop zone, the Reset Selection and
// Add Files buttons and the paths named on the command line. It owns the selected paths and
// hands them out as a plain list whenever the selection is shown.
#include <QObject>
#include <QStringList>

class DropZoneLabel;
class QPushButton;
class QWidget;

namespace lumivane {
class SettingsStore;
}

class FileSelection : public QObject {
    Q_OBJECT
public:
    // Builds the drop zone, Reset Selection and Add Files on the host window;
    // `store` keeps the folder files were last added from.
    FileSelection(QWidget* host, lumivane::SettingsStore* store);

    // Takes the program's arguments: every one a path, except options ("-x"); after "--" all are paths.
    void loadCommandLineArguments(const QStringList& arguments);
    // Takes the double-quoted paths of a command-line text.
    void loadCommandLineFiles(const QString& commandLine);
    // Adds one path; false when the selection is full.
    bool addSelectedFile(const QString& path);
    // The selected paths in order.
    QStringList selectedFiles() const { return selectedFiles_; }
    // Shows the count on the zone and enables Reset Selection.
    void showSelection();
    // A run under way: the zone says so and takes no drops; afterwards its caption comes back.
    void setBusy(bool busy);
    // Enables or disables Reset Selection and Add Files (the busy state).
    void setResetEnabled(bool enabled);
    // The run's progress on the zone: file `number` of `count` and its name.
    void showProgress(int number, int count, const QString& path);

    void lblDropZone_DragOver();
    void lblDropZone_DragDrop(const QStringList& paths);
    void cmdReset_Click();
    // Opens the file dialog; the files chosen join the selection as dropped ones do.
    void cmdAddFiles_Click();

signals:
    // The selection was shown: there is something to calculate.
    void selectionShown();
    // Reset Selection emptied the selection.
    void selectionReset();
    // Text for the results area: replacing what is there, or added to it.
    void resultsReplaced(const QString& text);
    void resultsAppended(const QString& text);

private:
    DropZoneLabel* lblDropZone = nullptr;
    QPushButton* cmdReset = nullptr;
    QPushButton* cmdAddFiles = nullptr;
    lumivane::SettingsStore* store_ = nullptr;
    bool busy_ = false;
    QStringList selectedFiles_;
    QString savedDropZoneCaption;
};
