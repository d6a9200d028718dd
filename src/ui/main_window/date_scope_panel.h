#pragma once
// The main window's date scope panel: the "Select Dates" box, the four date
// fields and their spins. It keeps the fields to what their spins can take
// and hands the scope out as a plain value.
#include <QObject>

#include "core/meterdata/date_scope.h"

class QCheckBox;
class QLineEdit;
class QScrollBar;
class QWidget;

class DateScopePanel : public QObject {
    Q_OBJECT
public:
    // Builds the panel's controls on the host window, all disabled.
    explicit DateScopePanel(QWidget* host);

    // The scope as the fields hold it at this moment.
    lumivane::DateScope scope() const;
    // Gives a field left with an unfinished number its spin's value back.
    void settleFields();
    // Enables or disables the "Select Dates" box; its tick and the fields stay as they are.
    void setTickEnabled(bool enabled);

    void chkDate_Click();
    void txtDD_Change();
    void enableDateFields(bool enabled);

private:
    void pairFieldWithSpin(QLineEdit* field, QScrollBar* spin, int minimum, int maximum);

    QCheckBox* chkDate = nullptr;
    QLineEdit* txtDD = nullptr;
    QLineEdit* txtMM = nullptr;
    QLineEdit* txtYY = nullptr;
    QLineEdit* txtDays = nullptr;
    QScrollBar* vsDD = nullptr;
    QScrollBar* vsMM = nullptr;
    QScrollBar* vsYY = nullptr;
    QScrollBar* vsDays = nullptr;
};
