#pragma once
// Keeps a date field to the whole numbers it may hold: the spin's range, or a
// wider one that the spin follows (a year). While typing, a text that can still
// become such a number is let through ("20" on the way to "2023"); a keystroke
// that can never lead there is refused. An unfinished text left behind is
// replaced by the spin's value when the field is left.
#include <QPointer>
#include <QScrollBar>
#include <QValidator>

class SpinRangeValidator : public QValidator {
    Q_OBJECT
public:
    // A field that may hold minimum..maximum, paired with `spin`.
    SpinRangeValidator(QScrollBar* spin, int minimum, int maximum, QObject* parent = nullptr);

    // Acceptable: a whole number in the field's range (leading zeros allowed,
    // as "07"); Intermediate: empty, or digits that more digits can bring into
    // the range; Invalid: anything else.
    State validate(QString& input, int& pos) const override;
    // Puts the spin's current value back.
    void fixup(QString& input) const override;

private:
    static State check(const QString& text, int minimum, int maximum);

    QPointer<QScrollBar> spin_;
    int minimum_;
    int maximum_;
};
