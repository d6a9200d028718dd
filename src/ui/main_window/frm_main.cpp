#include "ui/main_window/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QBoxLayout>
#include <QDir>
#include <QStyle>
#include <QLabel>
#include <QPushButton>

#include "core/gateway/alarm_monitor.h"
#include "core/gateway/pulse_readings.h"
#include "core/reports/report_files.h"
#include "core/text/app_facts.h"
#include "platform/desktop_services.h"
#include "platform/settings_store.h"
#include "platform/system_clock.h"
#include "platform/user_folders.h"
#include "platform/utf8_text.h"
#include "ui/about/frm_about.h"
#include "ui/main_window/calculation.h"
#include "ui/main_window/date_scope_panel.h"
#include "ui/main_window/file_selection.h"
#include "ui/main_window/gateway_monitor.h"
#include "ui/main_window/sms_sender.h"
#include "ui/settings_dialog/frm_settings.h"
#include "ui/widgets/event_label.h"
#include "ui/widgets/font_scale.h"

namespace {

constexpr int kClientWidth = 564;
constexpr int kClientHeight = 484;
const char* const kWebSite = "https://www.ferrolux.example/";

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// A row of controls, left to right; a null entry is the stretch that takes the extra room.
QHBoxLayout* row(std::initializer_list<QWidget*> controls)
{
    auto* layout = new QHBoxLayout;
    layout->setSpacing(6);
    for (QWidget* control : controls) {
        if (control)
            layout->addWidget(control);
        else
            layout->addStretch(1);
    }
    return layout;
}

// The stored "width,height", or an invalid size.
QSize storedSize(const std::optional<std::string>& text)
{
    if (!text)
        return {};
    const QStringList parts = QString::fromStdString(*text).split(QLatin1Char(','));
    if (parts.size() != 2)
        return {};
    bool wide = false;
    bool high = false;
    const QSize size(parts.at(0).toInt(&wide), parts.at(1).toInt(&high));
    return wide && high ? size : QSize();
}

}  // namespace

frmMain::frmMain(MainWindowEnvironment environment, QWidget* parent)
    : QWidget(parent), messageBox_(std::move(environment.messageBox))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Brenvik Automation - Lumivane"));
    setMouseTracking(true);
    folders_.program = environment.programFolder.isEmpty() ? QDir(QCoreApplication::applicationDirPath()).absolutePath()
                                                           : environment.programFolder;
    if (!folders_.program.endsWith(QLatin1Char('/')))
        folders_.program += QLatin1Char('/');
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

    // Start-up, in order, before the window is first shown.
    setupDataFolders();
    buildControls();
    scope_ = new DateScopePanel(this);
    selection_ = new FileSelection(this, store_);
    CalculationEnvironment run{
        folders_.reports,
        folders_.program,
        clock_,
        desktop_,
        [this] { return selection_->selectedFiles(); },
        [this] { return scope_->scope(); },
        store_,
        [this](const QString& text) { showMessage(text, QMessageBox::Ok, QMessageBox::Warning); }};
    calculation_ = new Calculation(this, std::move(run));
    gateway_ = new GatewayMonitor(this, Picture1,
                                  {folders_.logs, clock_, environment.gatewayTimeLimit, environment.steadyNow});
    sms_ = new SmsSender(this, messageBox_, clock_, environment.smsRetryDelays);
    connectParts();
    arrangeControls();

    lblVer->setText(QStringLiteral("Lumivane V") + lumivane::qtText(lumivane::versionText()));
    getSKSettings();
    if (!environment.commandLineArguments.isEmpty())
        selection_->loadCommandLineArguments(environment.commandLineArguments);
    loadPicture(Picture1, QStringLiteral("banner.bmp"));
    const QString graphPicture = folders_.program + QStringLiteral("gr1.bmp");
    if (!calculation_->loadGraphPicture(graphPicture))
        showMessage(QStringLiteral("The picture \"%1\" could not be loaded; the graph is drawn without it.")
                        .arg(QDir::toNativeSeparators(graphPicture)),
                    QMessageBox::Ok, QMessageBox::Warning);
}

frmMain::~frmMain()
{
    if (about_)
        delete about_;
}

void frmMain::buildControls()
{
    const FontScale scale(font());
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    // The banner keeps its drawn size; the alarm strip on it is placed for that size.
    Picture1->setFixedSize(QSize(scale(kClientWidth), scale(72)));
    Picture1->setScaledContents(true);

    cmdSettings = makeButton(this, "cmdSettings", QStringLiteral("Edit &Settings"));
    cmdAbout = makeButton(this, "cmdAbout", QStringLiteral("&About"));
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"));

    lblHTTP = new EventLabel(this);
    lblHTTP->setObjectName(QStringLiteral("lblHTTP"));
    lblHTTP->setText(QStringLiteral("Ferrolux on the web"));
    lblHTTP->setCursor(Qt::PointingHandCursor);
    QPalette link = lblHTTP->palette();
    link.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblHTTP->setPalette(link);
    lblVer = new QLabel(this);
    lblVer->setObjectName(QStringLiteral("lblVer"));
    lblVer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Under the results area, which never writes here: the gateway and the alarm SMS at a glance.
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(cmdSettings, &QPushButton::clicked, this, &frmMain::cmdSettings_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(lblHTTP, &EventLabel::clicked, this, &frmMain::lblHTTP_Click);
    connect(lblHTTP, &EventLabel::mouseMoved, this, [this] { setLinkUnderlined(true); });
}

void frmMain::arrangeControls()
{
    const auto control = [this](const char* name) { return findChild<QWidget*>(QString::fromLatin1(name)); };
    // Nested layouts would take the outer layout's zero spacing.
    constexpr int spacing = 6;
    auto* left = new QVBoxLayout;
    left->setSpacing(spacing);
    left->addWidget(control("lblDropZone"));
    left->addWidget(control("fraDates"));
    left->addWidget(control("chkEachMonth"));
    left->addWidget(control("cmdStartConvert"));
    left->addLayout(row({control("cmdReset"), control("cmdAddFiles")}));
    left->addWidget(cmdSettings);
    left->addWidget(control("cmdPulse"));
    left->addWidget(control("chkGraph"));
    left->addStretch(1);
    left->addWidget(lblHTTP);

    // The results area takes the room the window is given.
    auto* right = new QVBoxLayout;
    right->setSpacing(spacing);
    right->addWidget(control("txtProcess"), 1);
    right->addWidget(lblStatus);
    right->addLayout(row({control("cmdTot"), control("cmdSaveResults"), control("cmdOpenReports"), nullptr}));
    right->addLayout(row({nullptr, cmdAbout, cmdExit}));
    right->addWidget(lblVer);

    auto* body = new QHBoxLayout;
    body->setSpacing(spacing);
    body->setContentsMargins(8, 8, 8, 8);
    body->addLayout(left);
    body->addLayout(right, 1);

    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->setSpacing(0);
    whole->addWidget(Picture1);
    whole->addLayout(body, 1);
    auto* graph = new QVBoxLayout;
    graph->setContentsMargins(8, 0, 8, 8);
    graph->addWidget(control("fraGraph"));
    whole->addLayout(graph);

    // Keyboard order follows reading order: the selection, the scope, the run, then the results.
    const char* const order[] = {"cmdAddFiles",  "chkDate",         "txtDD",    "vsDD",           "txtMM",
                                 "vsMM",         "txtYY",           "vsYY",     "txtDays",        "vsDays",
                                 "chkEachMonth", "cmdStartConvert", "cmdReset", "cmdSettings",    "cmdPulse",
                                 "chkGraph",     "txtProcess",      "cmdTot",   "cmdSaveResults", "cmdOpenReports",
                                 "cmdAbout",     "cmdExit"};
    // Controls that never take focus (the spins) are left out: they would break the chain.
    QWidget* previous = nullptr;
    for (const char* name : order) {
        QWidget* next = control(name);
        if (next->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }

    whole->activate();
    resize(defaultSize().expandedTo(minimumSizeHint()));
    const QSize kept = storedSize(store_->GetSetting(lumivane::kWindowSizeKey));
    if (kept.isValid())
        resize(kept.expandedTo(minimumSizeHint()));
}

QSize frmMain::defaultSize() const
{
    // Wide enough that the results' 79-character rules and columns fit on one line.
    const QFont fixed = findChild<QWidget*>(QStringLiteral("txtProcess"))->font();
    const int resultsWidth = QFontMetrics(fixed).horizontalAdvance(QString(82, QLatin1Char('-'))) +
                             style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
    const FontScale scale(font());
    return {scale(256) + resultsWidth + 8, scale(kClientHeight)};
}

void frmMain::connectParts()
{
    // Every part writes to the one results area, which the calculation owns.
    connect(selection_, &FileSelection::resultsReplaced, calculation_, &Calculation::showResults);
    connect(selection_, &FileSelection::resultsAppended, calculation_, &Calculation::appendResults);
    connect(gateway_, &GatewayMonitor::resultsReplaced, calculation_, &Calculation::showResults);
    connect(gateway_, &GatewayMonitor::resultsAppended, calculation_, &Calculation::appendResults);
    connect(selection_, &FileSelection::selectionShown, this, [this] {
        calculation_->setStartEnabled(true);
        scope_->setTickEnabled(true);
    });
    connect(selection_, &FileSelection::selectionReset, this, [this] {
        calculation_->clearSelection();
        scope_->setTickEnabled(false);
    });
    connect(calculation_, &Calculation::busyChanged, this, [this](bool busy) {
        if (busy) {
            enableControls(false);
            selection_->setBusy(true);
            scope_->settleFields();
        } else {
            selection_->setBusy(false);
            enableControls(true);
            if (closeAfterRun_)
                close();
        }
    });
    connect(calculation_, &Calculation::fileStarted, selection_, &FileSelection::showProgress);
    connect(calculation_, &Calculation::graphShown, this, [this](bool shown) {
        // The window grows to show the whole graph and gives the room back when it goes.
        const int graphHeight = findChild<QWidget*>(QStringLiteral("fraGraph"))->sizeHint().height();
        layout()->activate();
        resize(width(), std::max(minimumSizeHint().height(), height() + (shown ? graphHeight : -graphHeight)));
    });
    connect(gateway_, &GatewayMonitor::alarmSmsDue, sms_, &SmsSender::sendAlarmSMS);
    connect(sms_, &SmsSender::alarmSmsReported, gateway_, &GatewayMonitor::recordSmsOutcome);
    const auto showStatus = [this] {
        lblStatus->setText(smsStatus_.isEmpty() ? gatewayStatus_ : gatewayStatus_ + QLatin1Char('\n') + smsStatus_);
    };
    connect(gateway_, &GatewayMonitor::statusChanged, this, [this, showStatus](const QString& text) {
        gatewayStatus_ = text;
        showStatus();
    });
    connect(sms_, &SmsSender::statusChanged, this, [this, showStatus](const QString& text) {
        smsStatus_ = text;
        showStatus();
    });
}

QMessageBox::StandardButton frmMain::showMessage(const QString& text, QMessageBox::StandardButtons buttons,
                                                 QMessageBox::Icon icon, QWidget* parent)
{
    return showMessageBox(messageBox_, parent ? parent : this, text, buttons, icon);
}

void frmMain::setupDataFolders()
{
    const lumivane::AppDataFolder appData = lumivane::getAppDataFolder();
    if (!appData.failureMessage.isEmpty())
        showMessage(appData.failureMessage);
    const lumivane::UserFolders tree = lumivane::userFoldersUnder(appData.path);
    folders_.reports = tree.reports;
    folders_.logs = tree.logs;
    // One message per cause: a folder that cannot be made is named once, and
    // the steps that would write into it are skipped rather than each failing.
    const auto ensureFolder = [this](const QString& path) {
        if (lumivane::dirExists(path))
            return true;
        if (lumivane::createFolder(path))
            return true;
        showMessage(
            QStringLiteral("The folder \"%1\" could not be created; nothing can be kept in it while the program runs.")
                .arg(QDir::toNativeSeparators(path)),
            QMessageBox::Ok, QMessageBox::Warning);
        return false;
    };

    if (!ensureFolder(tree.root))
        return;
    const bool reportsKept = ensureFolder(tree.reports.chopped(1));
    const QString logsFolder = tree.logs.chopped(1);
    if (!lumivane::dirExists(logsFolder) && ensureFolder(logsFolder)) {
        // New log files hold one empty line; existing logs are never touched here.
        for (const char* name : {lumivane::kPulseLogName, lumivane::kAlarmLogName}) {
            const auto written = lumivane::exportOutput("", lumivane::utf8Text(tree.logs + QLatin1String(name)));
            if (!written)
                showMessage(lumivane::qtText(written.error().reason), QMessageBox::Ok, QMessageBox::Warning);
        }
    }
    if (!reportsKept)
        return;

    if (!lumivane::provideReportLogo(folders_.program, folders_.reports))
        showMessage(QStringLiteral("The logo \"%1\" could not be copied to the reports folder.")
                        .arg(QDir::toNativeSeparators(folders_.program + QStringLiteral("reportlogo.jpg"))),
                    QMessageBox::Ok, QMessageBox::Warning);
}

void frmMain::enableControls(bool enabled)
{
    selection_->setResetEnabled(enabled);
    calculation_->setStartEnabled(enabled);
    scope_->setTickEnabled(enabled);
    cmdSettings->setEnabled(enabled);
}

void frmMain::getSKSettings()
{
    lumivane::LoadedSettings loaded = lumivane::loadSettingsNamingUnreadable(*store_);
    settings_ = loaded.record;
    if (!settingsDialog_) {
        SettingsDialogServices services{
            folders_.logs, desktop_, messageBox_,
            [this](const QString& number, const QString& text, std::function<void()> finished) {
                sms_->testSMS(number, text, std::move(finished));
            }};
        settingsDialog_ = new frmSettings(this, std::move(services));
        connect(settingsDialog_, &frmSettings::applyRequested, this, &frmMain::storeSettings);
    }
    settingsDialog_->setRecord(settings_);
    calculation_->setSettings(settings_);
    sms_->setSettings(settings_);
    gateway_->setSettings(settings_);
    gateway_->showPulseButton();
    tellUnreadableSettings(loaded.unreadable);
}

void frmMain::tellUnreadableSettings(const std::vector<lumivane::UnreadableSetting>& unreadable)
{
    if (unreadable.empty())
        return;
    // A bill priced at a default the operator did not choose must not go unnoticed.
    // Each setting is named as the dialog shows it, where it can be corrected.
    QString text = QStringLiteral("Some settings could not be read, so these values are used instead:\n");
    for (const lumivane::UnreadableSetting& setting : unreadable) {
        QString stored = lumivane::qtText(setting.storedText);
        for (QChar& c : stored)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                c = QLatin1Char('?');
        text +=
            QStringLiteral("\n%1: the stored text \"%2\" cannot be read; %3 is used.")
                .arg(lumivane::qtText(lumivane::settingLabel(setting.key)), stored, lumivane::qtText(setting.usedText));
    }
    text += QStringLiteral("\n\nCorrect them under Edit Settings and choose Apply Settings.");
    showMessage(text, QMessageBox::Ok, QMessageBox::Warning);
}

void frmMain::storeSettings(const lumivane::SettingsForm& form)
{
    bool allSaved = true;
    for (const auto& [key, text] : lumivane::storedTextsOf(form)) {
        store_->SaveSetting(key, text);
        allSaved = allSaved && store_->lastSaveSucceeded();
    }
    // Silence would let the operator believe settings were kept that are lost at the next start.
    if (!allSaved)
        showMessage(QStringLiteral("The settings could not be saved: the settings store cannot be written."),
                    QMessageBox::Ok, QMessageBox::Warning, settingsDialog_);
}

void frmMain::cmdSettings_Click()
{
    // A dialog closed through its frame is gone; a new one starts from the store.
    if (!settingsDialog_)
        getSKSettings();
    settingsDialog_->exec();
    getSKSettings();
}

void frmMain::cmdAbout_Click()
{
    if (!about_) {
        about_ = new frmAbout(desktop_, this);
        about_->setAttribute(Qt::WA_DeleteOnClose);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void frmMain::cmdExit_Click() { close(); }

void frmMain::lblHTTP_Click() { desktop_->openTarget(QString::fromLatin1(kWebSite)); }

bool frmMain::mayCloseNow()
{
    if (!calculation_->isRunning())
        return true;
    // Closing waits for the file being calculated, so nothing is left half-written.
    if (!closeAfterRun_ &&
        showMessage(QStringLiteral("A calculation is running. Stop it after the current file and exit?"),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) == QMessageBox::Yes) {
        closeAfterRun_ = true;
        calculation_->cancelRun();
    }
    return false;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!mayCloseNow()) {
        event->ignore();
        return;
    }
    // An alarm SMS still on its way is the operator's last word on an alarm.
    if (sms_->alarmSmsPending() &&
        showMessageBox(messageBox_, this, QStringLiteral("An alarm SMS is still being sent. Close anyway?"),
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning, QMessageBox::No) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    store_->SaveSetting(lumivane::kWindowSizeKey, std::to_string(width()) + "," + std::to_string(height()));
    // Nothing may keep the port, its lock or a request past the window's end.
    sms_->abandon();
    gateway_->cancelRequests();
    if (about_)
        about_->close();
    if (settingsDialog_)
        settingsDialog_->hide();
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
    const QString path = folders_.program + fileName;
    const QPixmap picture(path);
    if (picture.isNull()) {
        showMessage(QStringLiteral("The picture \"%1\" could not be loaded.").arg(QDir::toNativeSeparators(path)),
                    QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    target->setPixmap(picture);
}
