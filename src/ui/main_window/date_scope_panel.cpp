#include "ui/main_window/date_scope_panel.h"

#include <QCheckBox>
#include <QDate>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollBar>

#include <algorithm>

#include "platform/utf8_text.h"
#include "ui/widgets/font_scale.h"
#include "ui/widgets/spin_control.h"
#include "ui/widgets/spin_range_validator.h"

namespace {

// What the year field takes when typed, and the earliest year its spin reaches.
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 9999;
constexpr int kFirstSpinYear = 2000;

void makeLabel(QWidget* parent, const QString& caption, QRect geometry,
               Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
}

// Up and Down step a field's spin by one, Page Up and Page Down by ten, as in a spin box.
class SpinKeys : public QObject {
public:
    SpinKeys(QLineEdit* field, QScrollBar* spin) : QObject(field), spin_(spin) { field->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        int step = 0;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up: step = 1; break;
        case Qt::Key_Down: step = -1; break;
        case Qt::Key_PageUp: step = 10; break;
        case Qt::Key_PageDown: step = -10; break;
        default: return false;
        }
        spin_->setValue(spin_->value() + step);
        return true;
    }

private:
    QScrollBar* spin_;
};

QLineEdit* makeDateField(QWidget* parent, const char* name, const QString& text, int maxLength, QRect geometry)
{
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMaxLength(maxLength);
    field->setAlignment(Qt::AlignCenter);
    field->setGeometry(geometry);
    return field;
}

QScrollBar* makeSpin(QWidget* parent, const char* name, int minimum, int maximum, int value, QRect geometry)
{
    auto* spin = new SpinControl(minimum, maximum, value, parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setGeometry(geometry);
    return spin;
}

// The value of the text's leading whole number; a text that does not begin
// with one counts as 0. Large numbers saturate, which keeps them out of range.
qint64 leadingNumber(const QString& text)
{
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        value = std::min<qint64>(value * 10 + (text.at(i).unicode() - '0'), 1'000'000'000);
    return negative ? -value : value;
}

// A field left with an unfinished number ("20" of a year being typed) gets
// its spin's value back, so the run sees what the spin shows.
void settleField(QLineEdit* field, const QScrollBar* spin)
{
    if (!field->hasAcceptableInput())
        field->setText(QString::number(spin->value()));
}

}  // namespace

DateScopePanel::DateScopePanel(QWidget* host) : QObject(host)
{
    const FontScale scale(host->font());
    auto* scopeFrame = new QFrame(host);
    scopeFrame->setObjectName(QStringLiteral("fraDates"));
    scopeFrame->setFrameShape(QFrame::StyledPanel);
    scopeFrame->setFixedSize(QSize(scale(240), scale(110)));
    chkDate = new QCheckBox(QStringLiteral("Select Dates"), scopeFrame);
    chkDate->setObjectName(QStringLiteral("chkDate"));
    chkDate->setGeometry(scale(QRect(8, 4, 160, 22)));
    makeLabel(scopeFrame, QStringLiteral("DD"), scale(QRect(44, 28, 44, 14)), Qt::AlignCenter);
    makeLabel(scopeFrame, QStringLiteral("MM"), scale(QRect(100, 28, 44, 14)), Qt::AlignCenter);
    makeLabel(scopeFrame, QStringLiteral("YYYY"), scale(QRect(156, 28, 58, 14)), Qt::AlignCenter);
    makeLabel(scopeFrame, QStringLiteral("From"), scale(QRect(8, 44, 36, 24)));
    txtDD = makeDateField(scopeFrame, "txtDD", QStringLiteral("1"), 2, scale(QRect(44, 44, 30, 24)));
    vsDD = makeSpin(scopeFrame, "vsDD", 1, 31, 1, scale(QRect(74, 44, 14, 24)));
    makeLabel(scopeFrame, QStringLiteral("/"), scale(QRect(88, 44, 12, 24)), Qt::AlignCenter);
    txtMM = makeDateField(scopeFrame, "txtMM", QStringLiteral("1"), 2, scale(QRect(100, 44, 30, 24)));
    vsMM = makeSpin(scopeFrame, "vsMM", 1, 12, 1, scale(QRect(130, 44, 14, 24)));
    makeLabel(scopeFrame, QStringLiteral("/"), scale(QRect(144, 44, 12, 24)), Qt::AlignCenter);
    txtYY = makeDateField(scopeFrame, "txtYY", QStringLiteral("2010"), 4, scale(QRect(156, 44, 44, 24)));
    // Logs of any recent year can be reached with the arrows.
    vsYY = makeSpin(scopeFrame, "vsYY", kFirstSpinYear, QDate::currentDate().year() + 1, 2010,
                    scale(QRect(200, 44, 14, 24)));
    makeLabel(scopeFrame, QStringLiteral("Scope:"), scale(QRect(8, 76, 48, 24)));
    txtDays = makeDateField(scopeFrame, "txtDays", QStringLiteral("7"), 2, scale(QRect(58, 76, 30, 24)));
    vsDays = makeSpin(scopeFrame, "vsDays", 1, 31, 7, scale(QRect(88, 76, 14, 24)));
    makeLabel(scopeFrame, QStringLiteral("days."), scale(QRect(108, 76, 60, 24)));
    chkDate->setEnabled(false);
    enableDateFields(false);
    // Screen readers name each field and spin; the captions above them are not their labels.
    const std::pair<QWidget*, const char*> names[] = {
        {txtDD, "From day"},  {vsDD, "From day spin"},  {txtMM, "From month"},      {vsMM, "From month spin"},
        {txtYY, "From year"}, {vsYY, "From year spin"}, {txtDays, "Scope in days"}, {vsDays, "Scope in days spin"}};
    for (const auto& [control, name] : names)
        control->setAccessibleName(QString::fromLatin1(name));
    for (const auto& [field, spin] : {std::pair{txtDD, vsDD}, {txtMM, vsMM}, {txtYY, vsYY}, {txtDays, vsDays}})
        new SpinKeys(field, spin);

    connect(chkDate, &QCheckBox::stateChanged, this, &DateScopePanel::chkDate_Click);
    connect(vsDD, &QScrollBar::valueChanged, this, [this](int value) { txtDD->setText(QString::number(value)); });
    // The day field takes digits only; its own rule puts "1" back for anything outside 1..31.
    txtDD->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtDD));
    connect(txtDD, &QLineEdit::textChanged, this, &DateScopePanel::txtDD_Change);
    pairFieldWithSpin(txtMM, vsMM, vsMM->minimum(), vsMM->maximum());
    // Any four-digit year may be typed; the spin stretches to take it.
    pairFieldWithSpin(txtYY, vsYY, kFirstYear, kLastYear);
    pairFieldWithSpin(txtDays, vsDays, vsDays->minimum(), vsDays->maximum());
}

// The four paths of a field and its spin: the spin writes its value into the
// field; a finished number typed into the field moves the spin.
void DateScopePanel::pairFieldWithSpin(QLineEdit* field, QScrollBar* spin, int minimum, int maximum)
{
    connect(spin, &QScrollBar::valueChanged, this, [field](int value) { field->setText(QString::number(value)); });
    // Keystrokes that can never give a value in the field's range are refused.
    field->setValidator(new SpinRangeValidator(spin, minimum, maximum, field));
    connect(field, &QLineEdit::textChanged, this, [field, spin](const QString& text) {
        // An unfinished number ("20" on the way to "2023") leaves the spin
        // where it is: moving it would write its own value back into the field
        // under the operator's fingers.
        if (!field->hasAcceptableInput())
            return;
        // A value beyond the spin's reach widens it, so the two show the same number.
        const int value = text.toInt();
        spin->setRange(std::min(spin->minimum(), value), std::max(spin->maximum(), value));
        spin->setValue(value);
    });
}

lumivane::DateScope DateScopePanel::scope() const
{
    lumivane::DateScope scope;
    scope.enabled = chkDate->checkState() == Qt::Checked;
    scope.dayText = lumivane::utf8Text(txtDD->text());
    scope.monthText = lumivane::utf8Text(txtMM->text());
    scope.yearText = lumivane::utf8Text(txtYY->text());
    scope.daysText = lumivane::utf8Text(txtDays->text());
    return scope;
}

void DateScopePanel::settleFields()
{
    settleField(txtMM, vsMM);
    settleField(txtYY, vsYY);
    settleField(txtDays, vsDays);
}

void DateScopePanel::setTickEnabled(bool enabled) { chkDate->setEnabled(enabled); }

void DateScopePanel::enableDateFields(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtDD, txtMM, txtYY, txtDays, vsDD, vsMM, vsYY, vsDays})
        w->setEnabled(enabled);
}

void DateScopePanel::chkDate_Click() { enableDateFields(chkDate->checkState() == Qt::Checked); }

void DateScopePanel::txtDD_Change()
{
    const qint64 day = leadingNumber(txtDD->text());
    if (day > 31 || day < 1) {
        // This is a change of its own and comes back here, which sets vsDD to 1.
        txtDD->setText(QStringLiteral("1"));
        return;
    }
    vsDD->setValue(static_cast<int>(day));
}
