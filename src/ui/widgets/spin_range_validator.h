#pragma once
// Keeps a date field to what its spin control can take: a whole number in the
// spin's range. While typing, a text that can still become such a number is
// let through ("20" on the way to "2012"); a keystroke that can never lead
// there is refused. An unfinished text left behind is replaced by the spin's
// value when the field is left.
#include <QPointer>
#include <QScrollBar>
#include <QValidator>

class SpinRangeValidator : public QValidator {
    Q_OBJECT
public:
    explicit SpinRangeValidator(QScrollBar* spin, QObject* parent = nullptr);

    // Acceptable: a whole number in the spin's range (leading zeros allowed,
    // as "07"); Intermediate: empty, or digits that more digits can bring into
    // the range; Invalid: anything else.
    State validate(QString& input, int& pos) const override;
    // Puts the spin's current value back.
    void fixup(QString& input) const override;

    // The same test without a field: whether the text is a finished value.
    static State check(const QString& text, int minimum, int maximum);

private:
    QPointer<QScrollBar> spin_;
};
