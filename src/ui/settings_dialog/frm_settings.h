#pragma once
// The settings dialog. Its controls are a working copy of the main window's
// settings record: getSKSettings fills them from the store, Apply writes them
// back to the store, and the main window reloads its record when the dialog closes.
#include <QDialog>
#include <QList>

#include "core/settings/settings_form.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class frmMain;

class frmSettings : public QDialog {
    Q_OBJECT
public:
    // Builds the controls hidden and fills them (the dialog's load handler).
    explicit frmSettings(frmMain* owner);

    // Fills the owner's whole settings record from the store.
    void getsk2settings();
    // The full refresh: the record, this dialog's controls, and the owner's pulse button.
    void getSKSettings();

    // What the controls hold now.
    lumivane::SettingsForm currentForm() const;

    void cmdApply_Click();
    void cmdClose_Click();
    void cmdTestSMS_Click();
    void cmdViewFile_Click();
    void Command2_Click();
    void cmdClear_Click();
    // A click on a format option: it becomes the one selected option.
    void optExport_Click(int index);

    // Controls (object names are these names; the options are "optExport_0".."optExport_3").
    QLineEdit* txtDayCost = nullptr;
    QLineEdit* txtNightCost = nullptr;
    QLineEdit* txtMultiplier = nullptr;
    QLineEdit* txtDayFrom = nullptr;
    QLineEdit* txtDayTo = nullptr;
    QLineEdit* txtNightFrom = nullptr;
    QLineEdit* txtNightTo = nullptr;
    QCheckBox* chkURL = nullptr;
    QLineEdit* txtS1Label = nullptr;
    QLineEdit* txtS2Label = nullptr;
    QLineEdit* txtS1Multi = nullptr;
    QLineEdit* txtS2Multi = nullptr;
    QLineEdit* txtS1Egu = nullptr;
    QLineEdit* txtS2Egu = nullptr;
    QCheckBox* chkStore = nullptr;
    QPushButton* cmdViewFile = nullptr;
    QPushButton* cmdClear = nullptr;
    QCheckBox* chkAlarm = nullptr;
    QLineEdit* txtAlarmHi = nullptr;
    QLineEdit* txtInterval = nullptr;
    QCheckBox* chkAlarmLog = nullptr;
    QPushButton* Command2 = nullptr;
    QCheckBox* chkExport = nullptr;
    QList<QRadioButton*> optExport;
    QCheckBox* chkSMS = nullptr;
    QLineEdit* txtMobile = nullptr;
    QLineEdit* txtTestSMS = nullptr;
    QLineEdit* txtAlarmSMS = nullptr;
    QPushButton* cmdTestSMS = nullptr;
    QLineEdit* txtURL = nullptr;
    QLineEdit* txtCommPort = nullptr;
    QLineEdit* txtCommSettings = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    // Closing through the window frame destroys the dialog; the main window makes a new one.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showPulseButton();
    QString pulseLogPath() const;
    void viewLog(const QString& path);

    frmMain* owner_;
};
