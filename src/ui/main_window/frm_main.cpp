#include "ui/main_window/frm_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "core/reports/report_files.h"
#include "ui/widgets/graph_panel.h"
#include "ui/widgets/drop_zone_label.h"
#include "platform/desktop_services.h"
#include "platform/settings_store.h"
#include "platform/system_clock.h"
#include "ui/settings_dialog/frm_settings.h"
#include "core/text/app_facts.h"
#include "ui/widgets/event_label.h"
#include "ui/about/frm_about.h"
#include "ui/widgets/process_text_area.h"

namespace {

constexpr int kClientWidth = 564;   // 8460 twips
constexpr int kClientHeight = 484;  // 7260 twips
const char* const kWebSite = "https://www.ferrolux.example/";

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    return button;
}

QLabel* makeLabel(QWidget* parent, const QString& caption, QRect geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    return label;
}

QLineEdit* makeDateField(QWidget* parent, const char* name, const QString& text, int maxLength, QRect geometry)
{
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(maxLength);
    field->setAlignment(Qt::AlignCenter);
    field->setGeometry(geometry);
    return field;
}

// A vertical spin control: a short scroll bar whose upper arrow raises the value.
QScrollBar* makeSpin(QWidget* parent, const char* name, int minimum, int maximum, int value, QRect geometry)
{
    auto* spin = new QScrollBar(Qt::Vertical, parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setInvertedAppearance(true);
    spin->setInvertedControls(false);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(1);
    spin->setPageStep(1);
    spin->setValue(value);
    spin->setGeometry(geometry);
    return spin;
}

}  // namespace

frmMain::frmMain(MainWindowEnvironment environment, QWidget* parent)
    : QWidget(parent), messageBox_(std::move(environment.messageBox))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Brenvik Automation - Lumivane"));
    setMouseTracking(true);

    programFolder = environment.programFolder.isEmpty()
                        ? QDir(QCoreApplication::applicationDirPath()).absolutePath()
                        : environment.programFolder;
    if (!programFolder.endsWith(QLatin1Char('/')))
        programFolder += QLatin1Char('/');

    if (environment.store) {
        store_ = environment.store;
    } else {
        ownStore_ = std::make_unique<lumivane::SettingsStore>(lumivane::SettingsStore::executableBaseName());
        store_ = ownStore_.get();
    }
    if (environment.clock) {
        clock_ = environment.clock;
    } else {
        ownClock_ = std::make_unique<lumivane::SystemClock>();
        clock_ = ownClock_.get();
    }
    if (environment.desktop) {
        desktop_ = environment.desktop;
    } else {
        ownDesktop_ = std::make_unique<lumivane::SystemDesktopLauncher>();
        desktop_ = ownDesktop_.get();
    }

    buildControls();
    initWorkflow();
    initGateway();

    // Start-up, in order, before the window is first shown.
    setupDataFolders();
    graphPicturePath = programFolder + QStringLiteral("gr1.bmp");
    lblVer->setText(QStringLiteral("Lumivane V") + QString::fromStdString(lumivane::versionText()));
    getSKSettings();
    if (!environment.commandLineArguments.isEmpty())
        loadCommandLineArguments(environment.commandLineArguments);
    graph.graphColourIndex = 0;
    graphPalette = lumivane::defaultGraphPalette();
    alarmActive = false;
    alarmTickCount = 0;
    lblAlarm->setText(QString());
    lblAlarm->hide();
    loadPicture(Picture1, QStringLiteral("banner.bmp"));
    const QImage background(graphPicturePath);
    if (background.isNull())
        showMessage(QStringLiteral("The picture \"%1\" could not be loaded; the graph is drawn without it.")
                        .arg(QDir::toNativeSeparators(graphPicturePath)),
                    QMessageBox::Ok, QMessageBox::Warning);
    else
        picGraph->setBackgroundPicture(background);
}

frmMain::~frmMain()
{
    if (about_)
        delete about_;
}

void frmMain::buildControls()
{
    setFixedSize(kClientWidth, kClientHeight);
    QFont base = font();

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, 0, kClientWidth, 72);
    Picture1->setScaledContents(true);

    lblAlarm = new EventLabel(Picture1);
    lblAlarm->setObjectName(QStringLiteral("lblAlarm"));
    lblAlarm->setGeometry(0, 48, kClientWidth, 22);
    lblAlarm->setAlignment(Qt::AlignCenter);
    QFont alarmFont = base;
    alarmFont.setBold(true);
    alarmFont.setPointSizeF(9.75);
    lblAlarm->setFont(alarmFont);
    lblAlarm->setToolTip(QStringLiteral("Double-Click this Legend to Acknowledge Alarm."));
    {
        // An opaque strip, so the alarm text never mixes with the banner picture under it.
        QPalette p = lblAlarm->palette();
        p.setColor(QPalette::WindowText, QColor(192, 0, 0));
        p.setColor(QPalette::Window, QColor(255, 244, 214));
        lblAlarm->setPalette(p);
        lblAlarm->setAutoFillBackground(true);
    }
    lblAlarm->hide();

    // Left column: drop zone, date scope, the run buttons.
    lblDropZone = new DropZoneLabel(this);
    lblDropZone->setObjectName(QStringLiteral("lblDropZone"));
    lblDropZone->setGeometry(8, 80, 240, 88);
    lblDropZone->setAlignment(Qt::AlignCenter);
    lblDropZone->setFrameShape(QFrame::Panel);
    lblDropZone->setFrameShadow(QFrame::Sunken);
    lblDropZone->setAutoFillBackground(true);
    QFont dropFont = base;
    dropFont.setBold(true);
    dropFont.setPointSizeF(8.25);
    lblDropZone->setFont(dropFont);
    lblDropZone->setText(QStringLiteral("DROP FILES HERE"));
    {
        QPalette p = lblDropZone->palette();
        p.setColor(QPalette::Window, QColor(224, 224, 224));
        lblDropZone->setPalette(p);
    }

    auto* scopeFrame = new QFrame(this);
    scopeFrame->setObjectName(QStringLiteral("fraDates"));
    scopeFrame->setFrameShape(QFrame::StyledPanel);
    scopeFrame->setGeometry(8, 176, 240, 110);
    chkDate = new QCheckBox(QStringLiteral("Select Dates"), scopeFrame);
    chkDate->setObjectName(QStringLiteral("chkDate"));
    chkDate->setGeometry(8, 4, 160, 22);
    makeLabel(scopeFrame, QStringLiteral("DD"), QRect(44, 28, 44, 14), Qt::AlignCenter);
    makeLabel(scopeFrame, QStringLiteral("MM"), QRect(100, 28, 44, 14), Qt::AlignCenter);
    makeLabel(scopeFrame, QStringLiteral("YYYY"), QRect(156, 28, 58, 14), Qt::AlignCenter);
    makeLabel(scopeFrame, QStringLiteral("From"), QRect(8, 44, 36, 24));
    txtDD = makeDateField(scopeFrame, "txtDD", QStringLiteral("1"), 2, QRect(44, 44, 30, 24));
    vsDD = makeSpin(scopeFrame, "vsDD", 1, 31, 1, QRect(74, 44, 14, 24));
    makeLabel(scopeFrame, QStringLiteral("/"), QRect(88, 44, 12, 24), Qt::AlignCenter);
    txtMM = makeDateField(scopeFrame, "txtMM", QStringLiteral("1"), 2, QRect(100, 44, 30, 24));
    vsMM = makeSpin(scopeFrame, "vsMM", 1, 12, 1, QRect(130, 44, 14, 24));
    makeLabel(scopeFrame, QStringLiteral("/"), QRect(144, 44, 12, 24), Qt::AlignCenter);
    txtYY = makeDateField(scopeFrame, "txtYY", QStringLiteral("2010"), 4, QRect(156, 44, 44, 24));
    vsYY = makeSpin(scopeFrame, "vsYY", 2010, 2015, 2010, QRect(200, 44, 14, 24));
    makeLabel(scopeFrame, QStringLiteral("Scope:"), QRect(8, 76, 44, 24));
    txtDays = makeDateField(scopeFrame, "txtDays", QStringLiteral("7"), 2, QRect(56, 76, 30, 24));
    vsDays = makeSpin(scopeFrame, "vsDays", 1, 31, 7, QRect(86, 76, 14, 24));
    makeLabel(scopeFrame, QStringLiteral("days."), QRect(106, 76, 60, 24));
    for (QWidget* w : std::initializer_list<QWidget*>{chkDate, txtDD, txtMM, txtYY, txtDays, vsDD, vsMM, vsYY, vsDays})
        w->setEnabled(false);

    cmdStartConvert = makeButton(this, "cmdStartConvert", QStringLiteral("Start &Calculation"), QRect(8, 294, 240, 32));
    cmdReset = makeButton(this, "cmdReset", QStringLiteral("&Reset Selection"), QRect(8, 332, 117, 30));
    cmdSettings = makeButton(this, "cmdSettings", QStringLiteral("Edit &Settings"), QRect(131, 332, 117, 30));
    cmdPulse = makeButton(this, "cmdPulse", QString(), QRect(8, 368, 240, 30));
    cmdStartConvert->setEnabled(false);
    cmdReset->setEnabled(false);
    cmdPulse->hide();

    // Right column: the results area.
    txtProcess = new ProcessTextArea(this);
    txtProcess->setObjectName(QStringLiteral("txtProcess"));
    txtProcess->setGeometry(256, 80, 300, 318);

    // Bottom rows.
    chkGraph = new QCheckBox(QStringLiteral("Display kWh Graph"), this);
    chkGraph->setObjectName(QStringLiteral("chkGraph"));
    chkGraph->setGeometry(8, 408, 200, 24);
    cmdTot = makeButton(this, "cmdTot", QStringLiteral("Reports"), QRect(256, 406, 94, 28));
    cmdAbout = makeButton(this, "cmdAbout", QStringLiteral("&About"), QRect(359, 406, 94, 28));
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"), QRect(462, 406, 94, 28));
    cmdTot->hide();
    cmdTot->setEnabled(false);

    lblHTTP = new EventLabel(this);
    lblHTTP->setObjectName(QStringLiteral("lblHTTP"));
    lblHTTP->setText(QStringLiteral("Ferrolux on the web"));
    lblHTTP->setGeometry(8, 438, 160, 18);
    lblHTTP->setCursor(Qt::PointingHandCursor);
    {
        QPalette p = lblHTTP->palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 255));
        lblHTTP->setPalette(p);
    }
    lblVer = new QLabel(this);
    lblVer->setObjectName(QStringLiteral("lblVer"));
    lblVer->setGeometry(356, 438, 200, 18);
    lblVer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    fraGraph = new QFrame(this);
    fraGraph->setObjectName(QStringLiteral("fraGraph"));
    fraGraph->setFrameShape(QFrame::StyledPanel);
    fraGraph->setGeometry(8, 462, 548, 8);
    picGraph = new GraphPanel(fraGraph);
    picGraph->setObjectName(QStringLiteral("picGraph"));
    picGraph->move(9, 14);

    tmrAlarm = new QTimer(this);
    tmrAlarm->setObjectName(QStringLiteral("tmrAlarm"));
    tmrAlarm->setInterval(1000);

    connect(cmdSettings, &QPushButton::clicked, this, &frmMain::cmdSettings_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(cmdTot, &QPushButton::clicked, this, &frmMain::cmdTot_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(lblHTTP, &EventLabel::clicked, this, &frmMain::lblHTTP_Click);
    connect(lblHTTP, &EventLabel::mouseMoved, this, [this] { setLinkUnderlined(true); });
}

QMessageBox::StandardButton frmMain::showMessage(const QString& text, QMessageBox::StandardButtons buttons,
                                                 QMessageBox::Icon icon, QWidget* parent)
{
    QWidget* owner = parent ? parent : this;
    if (messageBox_)
        return messageBox_(owner, text, buttons, icon);
    QMessageBox box(icon, QString::fromLatin1(lumivane::kAppTitle), text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void frmMain::setupDataFolders()
{
    const lumivane::AppDataFolder appData = lumivane::getAppDataFolder();
    if (!appData.failureMessage.isEmpty())
        showMessage(appData.failureMessage);
    const QString dataRoot = appData.path + QStringLiteral("/Lumivane");
    const auto ensureFolder = [this](const QString& path) {
        if (lumivane::dirExists(path))
            return false;
        if (!lumivane::createFolder(path))
            showMessage(QStringLiteral("The folder \"%1\" could not be created.").arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok, QMessageBox::Warning);
        return true;
    };

    ensureFolder(dataRoot);
    ensureFolder(dataRoot + QStringLiteral("/reports"));
    reportsFolder = dataRoot + QStringLiteral("/reports/");
    const QString logs = dataRoot + QStringLiteral("/logs");
    if (ensureFolder(logs)) {
        // New log files hold one empty line; existing logs are never touched here.
        for (const char* name : {"pulsedata.txt", "alarmdata.txt"}) {
            const QString path = logs + QLatin1Char('/') + QString::fromLatin1(name);
            const std::string error = lumivane::exportOutput("", path.toStdString());
            if (!error.empty())
                showMessage(QString::fromStdString(error), QMessageBox::Ok, QMessageBox::Warning);
        }
    }
    logsFolder = logs + QLatin1Char('/');

    const QString logoCopy = reportsFolder + QStringLiteral("reportlogo.jpg");
    if (!lumivane::fileExists(logoCopy)) {
        const QString logo = programFolder + QStringLiteral("reportlogo.jpg");
        if (!lumivane::copyFile(logo, logoCopy))
            showMessage(QStringLiteral("The logo \"%1\" could not be copied to the reports folder.")
                            .arg(QDir::toNativeSeparators(logo)),
                        QMessageBox::Ok, QMessageBox::Warning);
    }
}

void frmMain::enableControls(bool enabled)
{
    cmdReset->setEnabled(enabled);
    cmdStartConvert->setEnabled(enabled);
    chkDate->setEnabled(enabled);
    cmdExit->setEnabled(enabled);
    cmdSettings->setEnabled(enabled);
}

void frmMain::resetGraph() { picGraph->clearBars(); }

frmSettings* frmMain::settingsDialog()
{
    if (!settings_)
        settings_ = new frmSettings(this);
    return settings_;
}

void frmMain::getSKSettings() { settingsDialog()->getSKSettings(); }

void frmMain::cmdSettings_Click()
{
    settingsDialog()->exec();
    getSKSettings();
}

void frmMain::cmdAbout_Click()
{
    if (!about_) {
        about_ = new frmAbout(desktop_, nullptr);
        about_->setAttribute(Qt::WA_DeleteOnClose);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void frmMain::cmdTot_Click() { desktop_->openTarget(reportsFolder + QStringLiteral("menu.html")); }

void frmMain::cmdExit_Click() { close(); }

void frmMain::lblHTTP_Click() { desktop_->openTarget(QString::fromLatin1(kWebSite)); }

void frmMain::closeEvent(QCloseEvent* event)
{
    // A running calculation holds cmdExit disabled; closing then is refused.
    if (!cmdExit->isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    if (about_)
        about_->close();
    if (settings_)
        settings_->hide();
}

void frmMain::mouseMoveEvent(QMouseEvent* event)
{
    // Only the bare window surface removes the link's underline.
    if (!childAt(event->position().toPoint()))
        setLinkUnderlined(false);
    QWidget::mouseMoveEvent(event);
}

void frmMain::setLinkUnderlined(bool underlined)
{
    QFont f = lblHTTP->font();
    if (f.underline() == underlined)
        return;
    f.setUnderline(underlined);
    lblHTTP->setFont(f);
}

void frmMain::loadPicture(QLabel* target, const QString& fileName)
{
    const QString path = programFolder + fileName;
    const QPixmap picture(path);
    if (picture.isNull()) {
        showMessage(QStringLiteral("The picture \"%1\" could not be loaded.").arg(QDir::toNativeSeparators(path)),
                    QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    target->setPixmap(picture);
}

frmAbout* frmMain::aboutDialog() const { return about_; }
