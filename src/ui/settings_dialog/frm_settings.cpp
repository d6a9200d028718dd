#include "ui/settings_dialog/frm_settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/desktop_services.h"
#include "core/gateway/alarm_monitor.h"
#include "core/gateway/alarm_settings_check.h"
#include "core/gateway/pulse_readings.h"
#include "core/text/number_text.h"
#include "platform/utf8_text.h"
#include "ui/widgets/font_scale.h"

namespace {

const QColor kEditableBackground(192, 255, 192);

// A switch's check box. A stored 2 shows greyed; the user can only tick or
// clear it, so a click on a greyed box ticks it and the box is two-state again.
class SwitchCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        const bool tick = checkState() != Qt::Checked;
        setTristate(false);
        setCheckState(tick ? Qt::Checked : Qt::Unchecked);
    }
};

// A format choice: clicking selects it, and a selected choice cannot be
// unselected by clicking it again. Exclusivity is kept by the dialog, so that
// no choice at all can be selected (none is on a first run).
class FormatOption : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override { setChecked(true); }
};

Qt::CheckState checkStateOf(lumivane::SwitchState state)
{
    switch (state) {
    case lumivane::SwitchState::Ticked: return Qt::Checked;
    case lumivane::SwitchState::Greyed: return Qt::PartiallyChecked;
    case lumivane::SwitchState::Clear: break;
    }
    return Qt::Unchecked;
}

lumivane::SwitchState switchStateOf(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked: return lumivane::SwitchState::Ticked;
    case Qt::PartiallyChecked: return lumivane::SwitchState::Greyed;
    case Qt::Unchecked: break;
    }
    return lumivane::SwitchState::Clear;
}

void setSwitch(QCheckBox* box, lumivane::SwitchState state)
{
    const Qt::CheckState wanted = checkStateOf(state);
    // Only a greyed value needs the third state; a two-state box stays two-state for the user.
    box->setTristate(wanted == Qt::PartiallyChecked);
    box->setCheckState(wanted);
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int minimumWidth)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMinimumWidth(minimumWidth);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, kEditableBackground);
    edit->setPalette(palette);
    return edit;
}

// Night time is derived from day time, so its boxes are locked and look like it.
QLineEdit* makeLockedEdit(QWidget* parent, const char* name, int minimumWidth)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMinimumWidth(minimumWidth);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);  // nothing to type there, so Tab passes it by
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    edit->setPalette(palette);
    return edit;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new SwitchCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(QWidget* parent, const QString& text, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(text, parent);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QGroupBox* makeFrame(QWidget* parent, const QString& caption)
{
    auto* frame = new QGroupBox(caption, parent);
    return frame;
}

QFormLayout* makeForm()
{
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    return form;
}

// The object name of a table-built row's control: "txt" or "chk" and the key.
QString tableControlName(const lumivane::SettingKey& key)
{
    const char* prefix = key.control == lumivane::SettingControl::CheckBox ? "chk" : "txt";
    return QLatin1String(prefix) + lumivane::qtText(key.key);
}

}  // namespace

frmSettings::frmSettings(QWidget* parent, SettingsDialogServices services)
    : QDialog(parent), services_(std::move(services))
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    buildControls();
}

void frmSettings::buildControls()
{
    // Box widths for a 9-point font, grown with the desktop's font so the values stay readable.
    const FontScale scale(font());
    const int numberWidth = scale(70);
    const int textWidth = scale(120);
    const int longTextWidth = scale(220);
    const int hourWidth = scale(50);

    // 1. kWh prices and multiplier.
    QGroupBox* fraCost = makeFrame(this, QStringLiteral("kWh Settings."));
    txtDayCost = makeEdit(fraCost, "txtDayCost", numberWidth);
    txtNightCost = makeEdit(fraCost, "txtNightCost", numberWidth);
    txtMultiplier = makeEdit(fraCost, "txtMultiplier", numberWidth);
    auto* costForm = makeForm();
    costForm->addRow(makeLabel(fraCost, QStringLiteral("Day Time Cost per kWh £"), txtDayCost), txtDayCost);
    costForm->addRow(makeLabel(fraCost, QStringLiteral("Night Time Cost per kWh £"), txtNightCost), txtNightCost);
    costForm->addRow(makeLabel(fraCost, QStringLiteral("kWh Multiplier"), txtMultiplier), txtMultiplier);
    fraCost->setLayout(costForm);

    // 2. Day and night hours.
    QGroupBox* fraTime = makeFrame(this, QStringLiteral("Time Split Settings."));
    txtDayFrom = makeEdit(fraTime, "txtDayFrom", hourWidth);
    txtDayTo = makeEdit(fraTime, "txtDayTo", hourWidth);
    txtNightFrom = makeLockedEdit(fraTime, "txtNightFrom", hourWidth);
    txtNightTo = makeLockedEdit(fraTime, "txtNightTo", hourWidth);
    auto* timeGrid = new QGridLayout;
    timeGrid->addWidget(makeLabel(fraTime, QStringLiteral("From")), 0, 1, Qt::AlignHCenter);
    timeGrid->addWidget(makeLabel(fraTime, QStringLiteral("To")), 0, 2, Qt::AlignHCenter);
    timeGrid->addWidget(makeLabel(fraTime, QStringLiteral("Day time Hours"), txtDayFrom), 1, 0);
    timeGrid->addWidget(txtDayFrom, 1, 1);
    timeGrid->addWidget(txtDayTo, 1, 2);
    timeGrid->addWidget(makeLabel(fraTime, QStringLiteral("Night time Hours")), 2, 0);
    timeGrid->addWidget(txtNightFrom, 2, 1);
    timeGrid->addWidget(txtNightTo, 2, 2);
    timeGrid->setRowStretch(3, 1);
    fraTime->setLayout(timeGrid);

    // 5. Gateway address and modem port (placed beside the tariff frames).
    QGroupBox* fraComm = makeFrame(this, QStringLiteral("Communication Settings."));
    txtURL = makeEdit(fraComm, "txtURL", textWidth);
    txtCommPort = makeEdit(fraComm, "txtCommPort", numberWidth);
    txtCommSettings = makeEdit(fraComm, "txtCommSettings", textWidth);
    auto* commForm = makeForm();
    commForm->addRow(makeLabel(fraComm, QStringLiteral("EGX400 IP/FQDN:"), txtURL), txtURL);
    commForm->addRow(makeLabel(fraComm, QStringLiteral("Modem Comm Port:"), txtCommPort), txtCommPort);
    commForm->addRow(makeLabel(fraComm, QStringLiteral("Comm Port Settings:"), txtCommSettings), txtCommSettings);
    fraComm->setLayout(commForm);

    // 3. Pulse inputs and current alarm.
    QGroupBox* fraInput = makeFrame(this, QStringLiteral("Input Settings."));
    QGroupBox* fraPulse = makeFrame(fraInput, QString());
    chkURL = makeCheck(fraPulse, "chkURL", QStringLiteral("&Enable Pulse"));
    txtS1Label = makeEdit(fraPulse, "txtS1Label", numberWidth);
    txtS2Label = makeEdit(fraPulse, "txtS2Label", numberWidth);
    txtS1Multi = makeEdit(fraPulse, "txtS1Multi", hourWidth);
    txtS2Multi = makeEdit(fraPulse, "txtS2Multi", hourWidth);
    txtS1Egu = makeEdit(fraPulse, "txtS1Egu", numberWidth);
    txtS2Egu = makeEdit(fraPulse, "txtS2Egu", numberWidth);
    chkStore = makeCheck(fraPulse, "chkStore", QStringLiteral("Store Lo&cally"));
    cmdViewFile = makeButton(fraPulse, "cmdViewFile", QStringLiteral("View &Local File"));
    cmdClear = makeButton(fraPulse, "cmdClear", QStringLiteral("&Clear Local File"));
    auto* pulseGrid = new QGridLayout;
    pulseGrid->setHorizontalSpacing(8);
    pulseGrid->addWidget(makeLabel(fraPulse, QStringLiteral("S1 Label:"), txtS1Label), 0, 0);
    pulseGrid->addWidget(txtS1Label, 0, 1);
    pulseGrid->addWidget(makeLabel(fraPulse, QStringLiteral("S1 Multi."), txtS1Multi), 0, 2);
    pulseGrid->addWidget(txtS1Multi, 0, 3);
    pulseGrid->addWidget(makeLabel(fraPulse, QStringLiteral("S1 EGU."), txtS1Egu), 0, 4);
    pulseGrid->addWidget(txtS1Egu, 0, 5);
    pulseGrid->addWidget(makeLabel(fraPulse, QStringLiteral("S2 Label:"), txtS2Label), 1, 0);
    pulseGrid->addWidget(txtS2Label, 1, 1);
    pulseGrid->addWidget(makeLabel(fraPulse, QStringLiteral("S2 Multi."), txtS2Multi), 1, 2);
    pulseGrid->addWidget(txtS2Multi, 1, 3);
    pulseGrid->addWidget(makeLabel(fraPulse, QStringLiteral("S2 EGU."), txtS2Egu), 1, 4);
    pulseGrid->addWidget(txtS2Egu, 1, 5);
    pulseGrid->setColumnStretch(1, 2);
    pulseGrid->setColumnStretch(3, 1);
    pulseGrid->setColumnStretch(5, 2);
    auto* pulseButtons = new QHBoxLayout;
    pulseButtons->addWidget(chkStore);
    pulseButtons->addStretch(1);
    pulseButtons->addWidget(cmdViewFile);
    pulseButtons->addWidget(cmdClear);
    auto* pulseLayout = new QVBoxLayout(fraPulse);
    pulseLayout->addWidget(chkURL);
    pulseLayout->addLayout(pulseGrid);
    pulseLayout->addLayout(pulseButtons);
    pulseLayout->addStretch(1);

    QGroupBox* fraAlarm = makeFrame(fraInput, QString());
    chkAlarm = makeCheck(fraAlarm, "chkAlarm", QStringLiteral("Monitor Alarm."));
    txtAlarmHi = makeEdit(fraAlarm, "txtAlarmHi", numberWidth);
    txtInterval = makeEdit(fraAlarm, "txtInterval", numberWidth);
    chkAlarmLog = makeCheck(fraAlarm, "chkAlarmLog", QStringLiteral("Store Locall&y"));
    Command2 = makeButton(fraAlarm, "Command2", QStringLiteral("View &Alarm Log"));
    // Short numbers: the boxes keep a number's width, and "seconds" sits right after its box.
    txtAlarmHi->setMaximumWidth(numberWidth + scale(20));
    txtInterval->setMaximumWidth(numberWidth + scale(20));
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(txtInterval);
    intervalRow->addWidget(makeLabel(fraAlarm, QStringLiteral("seconds")));
    intervalRow->addStretch(1);
    auto* alarmForm = makeForm();
    alarmForm->addRow(makeLabel(fraAlarm, QStringLiteral("HI Limit:"), txtAlarmHi), txtAlarmHi);
    alarmForm->addRow(makeLabel(fraAlarm, QStringLiteral("Interval:"), txtInterval), intervalRow);
    auto* alarmButtons = new QHBoxLayout;
    alarmButtons->addWidget(chkAlarmLog);
    alarmButtons->addStretch(1);
    alarmButtons->addWidget(Command2);
    auto* alarmLayout = new QVBoxLayout(fraAlarm);
    alarmLayout->addWidget(chkAlarm);
    alarmLayout->addLayout(alarmForm);
    alarmLayout->addLayout(alarmButtons);
    alarmLayout->addStretch(1);

    // The watch over the gateway and the limit on alarm SMS, beside the alarm settings.
    QGroupBox* fraWatch = makeFrame(fraInput, QStringLiteral("Alarm Watch."));
    fraWatch->setObjectName(QStringLiteral("fraWatch"));
    txtNoData = makeEdit(fraWatch, "txtNoData", numberWidth);
    txtRepeat = makeEdit(fraWatch, "txtRepeat", numberWidth);
    txtNoData->setToolTip(QStringLiteral("No good reading for this many minutes raises an alarm (0 = off)."));
    txtRepeat->setToolTip(QStringLiteral("At most one alarm SMS per this many minutes (0 = no limit)."));
    auto* watchForm = makeForm();
    watchForm->addRow(makeLabel(fraWatch, QStringLiteral("No data after (min):"), txtNoData), txtNoData);
    watchForm->addRow(makeLabel(fraWatch, QStringLiteral("SMS at most every (min):"), txtRepeat), txtRepeat);
    auto* watchLayout = new QVBoxLayout(fraWatch);
    watchLayout->addLayout(watchForm);
    watchLayout->addStretch(1);

    auto* inputLayout = new QHBoxLayout(fraInput);
    inputLayout->addWidget(fraPulse, 3);
    inputLayout->addWidget(fraAlarm, 2);
    inputLayout->addWidget(fraWatch, 2);

    // 4. Report output and SMS.
    QGroupBox* fraOutput = makeFrame(this, QStringLiteral("Output Settings."));
    QGroupBox* fraDestination = makeFrame(fraOutput, QStringLiteral("Calculation Destination"));
    chkExport = makeCheck(fraDestination, "chkExport", QStringLiteral("Export to File"));
    const QString optionCaptions[4] = {QStringLiteral("Web Page (HTML)"), QStringLiteral("Text File (TXT)"),
                                       QStringLiteral("MS Excel (CSV)"), QStringLiteral("Adobe (PDF)")};
    auto* optionRow = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto* option = new FormatOption(optionCaptions[i], fraDestination);
        option->setObjectName(QStringLiteral("optExport_%1").arg(i));
        option->setAutoExclusive(false);
        // Only the web page is offered; the other formats stay in place for the stored choices.
        option->setVisible(i == 0);
        option->setEnabled(i == 0);
        optExport.append(option);
        optionRow->addWidget(option);
        connect(option, &QRadioButton::clicked, this, [this, i] { optExport_Click(i); });
    }
    optionRow->addStretch(1);
    auto* destinationLayout = new QVBoxLayout(fraDestination);
    destinationLayout->addWidget(chkExport);
    destinationLayout->addLayout(optionRow);
    destinationLayout->addStretch(1);

    QGroupBox* fraSMS = makeFrame(fraOutput, QString());
    chkSMS = makeCheck(fraSMS, "chkSMS", QStringLiteral("&Send SMS on Alarm [REQUIRES HARDWARE]"));
    txtMobile = makeEdit(fraSMS, "txtMobile", textWidth);
    txtTestSMS = makeEdit(fraSMS, "txtTestSMS", longTextWidth);
    txtAlarmSMS = makeEdit(fraSMS, "txtAlarmSMS", longTextWidth);
    cmdTestSMS = makeButton(fraSMS, "cmdTestSMS", QStringLiteral("&Test SMS"));
    auto* smsForm = makeForm();
    smsForm->addRow(makeLabel(fraSMS, QStringLiteral("Recipient Mobile Number:"), txtMobile), txtMobile);
    smsForm->addRow(makeLabel(fraSMS, QStringLiteral("Test Message:"), txtTestSMS), txtTestSMS);
    smsForm->addRow(makeLabel(fraSMS, QStringLiteral("Alarm Message:"), txtAlarmSMS), txtAlarmSMS);
    auto* smsButtons = new QHBoxLayout;
    smsButtons->addStretch(1);
    smsButtons->addWidget(cmdTestSMS);
    auto* smsLayout = new QVBoxLayout(fraSMS);
    smsLayout->addWidget(chkSMS);
    smsLayout->addLayout(smsForm);
    smsLayout->addLayout(smsButtons);

    auto* outputLayout = new QHBoxLayout(fraOutput);
    outputLayout->addWidget(fraDestination, 1);
    outputLayout->addWidget(fraSMS, 2);

    // 6. Apply and Close.
    cmdApply = makeButton(this, "cmdApply", QStringLiteral("A&pply Settings"));
    cmdClose = makeButton(this, "cmdClose", QStringLiteral("Cl&ose"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdClose);

    QGroupBox* fraBilling = buildTableGroup(QStringLiteral("Billing"), numberWidth);

    auto* topRow = new QHBoxLayout;
    topRow->addWidget(fraCost);
    topRow->addWidget(fraTime);
    topRow->addWidget(fraComm);
    topRow->addWidget(fraBilling);

    auto* dialogLayout = new QVBoxLayout(this);
    dialogLayout->addLayout(topRow);
    dialogLayout->addWidget(fraInput);
    dialogLayout->addWidget(fraOutput);
    dialogLayout->addLayout(buttons);

    // Tab runs frame by frame and, inside each, row by row as the boxes are laid out.
    QWidget* const tabChain[] = {
        txtDayCost,   txtNightCost, txtMultiplier, txtDayFrom, txtDayTo,    txtURL,      txtCommPort, txtCommSettings,
        chkURL,       txtS1Label,   txtS1Multi,    txtS1Egu,   txtS2Label,  txtS2Multi,  txtS2Egu,    chkStore,
        cmdViewFile,  cmdClear,     chkAlarm,      txtAlarmHi, txtInterval, chkAlarmLog, Command2,    chkExport,
        optExport[0], chkSMS,       txtMobile,     txtTestSMS, txtAlarmSMS, cmdTestSMS,  cmdApply,    cmdClose};
    for (std::size_t i = 1; i < std::size(tabChain); ++i)
        QWidget::setTabOrder(tabChain[i - 1], tabChain[i]);
    // The Billing rows follow the frames beside them, before the input frames.
    QWidget* previous = txtCommSettings;
    for (QWidget* control : tableControls) {
        QWidget::setTabOrder(previous, control);
        previous = control;
    }
    QWidget::setTabOrder(previous, chkURL);

    connect(txtDayFrom, &QLineEdit::textChanged, txtNightTo, &QLineEdit::setText);
    connect(txtDayTo, &QLineEdit::textChanged, txtNightFrom, &QLineEdit::setText);
    connect(cmdApply, &QPushButton::clicked, this, &frmSettings::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSettings::cmdClose_Click);
    connect(cmdTestSMS, &QPushButton::clicked, this, &frmSettings::cmdTestSMS_Click);
    connect(cmdViewFile, &QPushButton::clicked, this, &frmSettings::cmdViewFile_Click);
    connect(Command2, &QPushButton::clicked, this, &frmSettings::Command2_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmSettings::cmdClear_Click);
}

QGroupBox* frmSettings::buildTableGroup(const QString& caption, int numberWidth)
{
    QGroupBox* frame = makeFrame(this, caption);
    frame->setObjectName(QStringLiteral("fraBilling"));
    auto* form = makeForm();
    for (const lumivane::SettingKey* key : lumivane::tableBuiltKeys()) {
        const QString label = lumivane::qtText(key->label);
        const QByteArray name = tableControlName(*key).toLatin1();
        if (key->control == lumivane::SettingControl::CheckBox) {
            QCheckBox* box = makeCheck(frame, name.constData(), label);
            form->addRow(box);
            tableControls.append(box);
        } else {
            QLineEdit* edit = makeEdit(frame, name.constData(), numberWidth);
            form->addRow(makeLabel(frame, label, edit), edit);
            tableControls.append(edit);
        }
    }
    frame->setLayout(form);
    return frame;
}

void frmSettings::setRecord(const lumivane::SettingsRecord& record)
{
    const lumivane::SettingsForm f = lumivane::settingsFormOf(record);
    txtDayCost->setText(lumivane::qtText(f.txtDayCost));
    txtNightCost->setText(lumivane::qtText(f.txtNightCost));
    txtMultiplier->setText(lumivane::qtText(f.txtMultiplier));
    txtDayFrom->setText(lumivane::qtText(f.txtDayFrom));
    txtDayTo->setText(lumivane::qtText(f.txtDayTo));
    setSwitch(chkURL, f.chkURL);
    txtURL->setText(lumivane::qtText(f.txtURL));
    txtS1Label->setText(lumivane::qtText(f.txtS1Label));
    txtS2Label->setText(lumivane::qtText(f.txtS2Label));
    txtS1Multi->setText(lumivane::qtText(f.txtS1Multi));
    txtS2Multi->setText(lumivane::qtText(f.txtS2Multi));
    setSwitch(chkStore, f.chkStore);
    txtS1Egu->setText(lumivane::qtText(f.txtS1Egu));
    txtS2Egu->setText(lumivane::qtText(f.txtS2Egu));
    for (int i = 0; i < optExport.size(); ++i)
        optExport[i]->setChecked(f.optExport[static_cast<std::size_t>(i)]);
    setSwitch(chkExport, f.chkExport);
    setSwitch(chkSMS, f.chkSMS);
    setSwitch(chkAlarm, f.chkAlarm);
    setSwitch(chkAlarmLog, f.chkAlarmLog);
    txtCommPort->setText(lumivane::qtText(f.txtCommPort));
    txtCommSettings->setText(lumivane::qtText(f.txtCommSettings));
    txtMobile->setText(lumivane::qtText(f.txtMobile));
    txtAlarmSMS->setText(lumivane::qtText(f.txtAlarmSMS));
    txtTestSMS->setText(lumivane::qtText(f.txtTestSMS));
    txtAlarmHi->setText(lumivane::qtText(f.txtAlarmHi));
    txtInterval->setText(lumivane::qtText(f.txtInterval));
    txtNoData->setText(lumivane::qtText(f.txtNoData));
    txtRepeat->setText(lumivane::qtText(f.txtRepeat));
    for (std::size_t i = 0; i < f.tableRows.size() && i < std::size_t(tableControls.size()); ++i) {
        QWidget* control = tableControls[static_cast<int>(i)];
        const std::string& text = f.tableRows[i].second;
        if (auto* box = qobject_cast<QCheckBox*>(control))
            setSwitch(box, lumivane::switchStateOf(lumivane::parseInt16HalfEven(text).value_or(0)));
        else
            static_cast<QLineEdit*>(control)->setText(lumivane::qtText(text));
    }
}

lumivane::SettingsForm frmSettings::currentForm() const
{
    lumivane::SettingsForm f;
    f.txtDayCost = lumivane::utf8Text(txtDayCost->text());
    f.txtNightCost = lumivane::utf8Text(txtNightCost->text());
    f.txtMultiplier = lumivane::utf8Text(txtMultiplier->text());
    f.txtDayFrom = lumivane::utf8Text(txtDayFrom->text());
    f.txtDayTo = lumivane::utf8Text(txtDayTo->text());
    f.chkURL = switchStateOf(chkURL);
    f.txtURL = lumivane::utf8Text(txtURL->text());
    f.txtS1Label = lumivane::utf8Text(txtS1Label->text());
    f.txtS2Label = lumivane::utf8Text(txtS2Label->text());
    f.txtS1Multi = lumivane::utf8Text(txtS1Multi->text());
    f.txtS2Multi = lumivane::utf8Text(txtS2Multi->text());
    f.chkStore = switchStateOf(chkStore);
    f.txtS1Egu = lumivane::utf8Text(txtS1Egu->text());
    f.txtS2Egu = lumivane::utf8Text(txtS2Egu->text());
    for (int i = 0; i < optExport.size(); ++i)
        f.optExport[static_cast<std::size_t>(i)] = optExport[i]->isChecked();
    f.chkExport = switchStateOf(chkExport);
    f.chkSMS = switchStateOf(chkSMS);
    f.chkAlarm = switchStateOf(chkAlarm);
    f.chkAlarmLog = switchStateOf(chkAlarmLog);
    f.txtCommPort = lumivane::utf8Text(txtCommPort->text());
    f.txtCommSettings = lumivane::utf8Text(txtCommSettings->text());
    f.txtMobile = lumivane::utf8Text(txtMobile->text());
    f.txtAlarmSMS = lumivane::utf8Text(txtAlarmSMS->text());
    f.txtTestSMS = lumivane::utf8Text(txtTestSMS->text());
    f.txtAlarmHi = lumivane::utf8Text(txtAlarmHi->text());
    f.txtInterval = lumivane::utf8Text(txtInterval->text());
    f.txtNoData = lumivane::utf8Text(txtNoData->text());
    f.txtRepeat = lumivane::utf8Text(txtRepeat->text());
    const std::vector<const lumivane::SettingKey*> keys = lumivane::tableBuiltKeys();
    for (std::size_t i = 0; i < keys.size() && i < std::size_t(tableControls.size()); ++i) {
        QWidget* control = tableControls[static_cast<int>(i)];
        const auto* box = qobject_cast<const QCheckBox*>(control);
        f.tableRows.emplace_back(keys[i]->key, box ? lumivane::switchText(switchStateOf(box))
                                                   : lumivane::utf8Text(static_cast<QLineEdit*>(control)->text()));
    }
    return f;
}

void frmSettings::optExport_Click(int index)
{
    for (int i = 0; i < optExport.size(); ++i)
        optExport[i]->setChecked(i == index);
}

void frmSettings::cmdApply_Click()
{
    // A value that would silently switch monitoring off, or send an alarm to a wrong
    // number, is refused now rather than found out when an alarm is raised.
    const lumivane::SettingsForm form = currentForm();
    lumivane::SettingsCheck check = lumivane::checkAlarmSettings(form);
    if (check.refusal.empty())
        check.refusal = lumivane::tableRowsProblem(form);
    if (!check.refusal.empty()) {
        showMessage(lumivane::qtText(check.refusal) + QStringLiteral("\n\nNothing was stored."), QMessageBox::Ok,
                    QMessageBox::Warning);
        return;
    }
    for (const std::string& warning : check.warnings)
        showMessage(lumivane::qtText(warning), QMessageBox::Ok, QMessageBox::Information);
    // Every key is stored as typed; the owner picks them up when the dialog closes.
    emit applyRequested(form);
}

void frmSettings::cmdClose_Click() { done(QDialog::Rejected); }

void frmSettings::cmdTestSMS_Click()
{
    cmdTestSMS->setEnabled(false);
    // The dialogue runs on while the dialog stays usable; the dialog may be gone by its end.
    const QPointer<frmSettings> self(this);
    services_.testSMS(txtMobile->text(), txtTestSMS->text(), [self] {
        if (self)
            self->cmdTestSMS->setEnabled(true);
    });
}

QString frmSettings::pulseLogPath() const { return services_.logsFolder + QLatin1String(lumivane::kPulseLogName); }

QMessageBox::StandardButton frmSettings::showMessage(const QString& text, QMessageBox::StandardButtons buttons,
                                                     QMessageBox::Icon icon, QMessageBox::StandardButton defaultButton)
{
    return showMessageBox(services_.messageBox, this, text, buttons, icon, defaultButton);
}

void frmSettings::viewLog(const QString& path)
{
    if (!services_.desktop->launchTextViewer(path))
        showMessage(QStringLiteral("No text viewer could be started for \"%1\".").arg(QDir::toNativeSeparators(path)),
                    QMessageBox::Ok, QMessageBox::Warning);
}

void frmSettings::cmdViewFile_Click()
{
    const QString path = pulseLogPath();
    if (!lumivane::fileExists(path)) {
        showMessage(QStringLiteral("File does not exist!"), QMessageBox::Ok, QMessageBox::NoIcon);
        return;
    }
    viewLog(path);
}

void frmSettings::Command2_Click() { viewLog(services_.logsFolder + QLatin1String(lumivane::kAlarmLogName)); }

void frmSettings::cmdClear_Click()
{
    const QString path = pulseLogPath();
    const QMessageBox::StandardButton answer =
        showMessage(QStringLiteral("Are you sure you wish to clear the data file"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Critical,
                    QMessageBox::No);  // Enter must not empty the log
    if (answer != QMessageBox::Yes)
        return;

    QFile file(path);
    const bool removed = file.remove();  // false also when there was no file
    bool created = file.open(QIODevice::WriteOnly | QIODevice::Append);
    file.close();
    if (!removed || !created) {
        // Truncating rather than appending: a log that could not be deleted is still emptied.
        created = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.close();
    }

    const QFileInfo result(path);
    if (result.isFile() && result.size() == 0) {
        showMessage(QStringLiteral("FILE CLEARED!"), QMessageBox::Ok, QMessageBox::NoIcon);
        return;
    }
    const QString what = result.exists() ? QStringLiteral("cleared") : QStringLiteral("created");
    const QString reason = created ? QStringLiteral("it is not empty") : file.errorString();
    showMessage(
        QStringLiteral("The data file \"%1\" could not be %2: %3").arg(QDir::toNativeSeparators(path), what, reason),
        QMessageBox::Ok, QMessageBox::Warning);
}

void frmSettings::closeEvent(QCloseEvent* event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted())
        deleteLater();
}
