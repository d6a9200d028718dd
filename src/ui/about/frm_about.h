#pragma once
// The About dialog: which program and version this is, and how to reach its maker.
#include <QDialog>

class QLabel;
class QPushButton;
class EventLabel;

namespace lumivane {
class DesktopLauncher;
}

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // The launcher opens the e-mail link; it must outlive the dialog.
    explicit frmAbout(lumivane::DesktopLauncher* desktop, QWidget* parent = nullptr);

    static QString supportAddress();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void setLinkUnderlined(bool underlined);
    lumivane::DesktopLauncher* desktop_;

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* Label1 = nullptr;
    EventLabel* lblHTTP = nullptr;
    QPushButton* cmdOK = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* picIcon = nullptr;
};
