#include "ui/widgets/spin_range_validator.h"

namespace {

int digitCount(qint64 value)
{
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

}  // namespace

SpinRangeValidator::SpinRangeValidator(QScrollBar* spin, int minimum, int maximum, QObject* parent)
    : QValidator(parent), spin_(spin), minimum_(minimum), maximum_(maximum)
{
}

QValidator::State SpinRangeValidator::validate(QString& input, int&) const { return check(input, minimum_, maximum_); }

void SpinRangeValidator::fixup(QString& input) const
{
    if (spin_)
        input = QString::number(spin_->value());
}

QValidator::State SpinRangeValidator::check(const QString& text, int minimum, int maximum)
{
    if (text.isEmpty())
        return Intermediate;
    const int longest = digitCount(maximum);
    if (text.size() > longest)
        return Invalid;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return Invalid;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value >= minimum && value <= maximum)
        return Acceptable;
    // Could the digits typed so far still be the start of a number in range?
    qint64 scale = 1;
    for (int more = 1; more <= longest - text.size(); ++more) {
        scale *= 10;
        const qint64 lowest = value * scale;
        const qint64 highest = lowest + scale - 1;
        if (highest >= minimum && lowest <= maximum)
            return Intermediate;
    }
    return Invalid;
}
