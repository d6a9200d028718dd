#pragma once
// The settings dialog edits a value: it is filled from a settings record and
// hands back what its controls hold. Apply asks its owner to store that; the
// owner reloads its record when the dialog closes. The log buttons and Test
// SMS reach their services through what the owner passes in.
#include <QDialog>
#include <QList>

#include <functional>

#include "core/settings/settings_form.h"
#include "ui/widgets/message_box.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumivane {
class DesktopLauncher;
}

// What the dialog's buttons reach beyond its own controls.
struct SettingsDialogServices {
    QString logsFolder;  // holds the pulse and alarm logs; ends with the separator
    lumivane::DesktopLauncher* desktop = nullptr;
    MessageBoxFunction messageBox;
    // Sends a test SMS and shows the outcome; calls `finished` once it has been shown.
    std::function<void(const QString& number, const QString& text, std::function<void()> finished)> testSMS;
};

class frmSettings : public QDialog {
    Q_OBJECT
public:
    // Builds the controls, hidden and empty, until setRecord fills them.
    frmSettings(QWidget* parent, SettingsDialogServices services);

    // Shows the record in the controls.
    void setRecord(const lumivane::SettingsRecord& record);
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

signals:
    // Apply was clicked: the owner stores these texts.
    void applyRequested(const lumivane::SettingsForm& form);

protected:
    // Closing through the window frame destroys the dialog; the owner makes a new one.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    // The Billing group: one row per table-built key, its caption and control from the table.
    QGroupBox* buildTableGroup(const QString& caption, int numberWidth);
    QString pulseLogPath() const;
    void viewLog(const QString& path);
    QMessageBox::StandardButton showMessage(const QString& text, QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    SettingsDialogServices services_;

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
    QLineEdit* txtNoData = nullptr;
    QLineEdit* txtRepeat = nullptr;
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
    // The table-built rows' controls ("txt" or "chk" and the key), in table order.
    QList<QWidget*> tableControls;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClose = nullptr;
};
