#include "ui/widgets/process_text_area.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextCursor>

namespace {
QString forDisplay(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
}  // namespace

ProcessTextArea::ProcessTextArea(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The results line up in columns: a fixed-width face keeps them so. The
    // window opens wide enough for a whole line; narrowed further, lines wrap
    // at a blank rather than hide behind a sideways scroll bar.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(qMax(7.5, font().pointSizeF() - 1.0));
    setFont(fixed);
}

void ProcessTextArea::setText(const QString& text)
{
    text_ = text;
    setPlainText(forDisplay(text));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ProcessTextArea::appendText(const QString& text)
{
    // A CR LF split across two appends must not show as two line breaks.
    const bool endedWithCr = text_.endsWith(QLatin1Char('\r'));
    text_ += text;
    QString shown = text;
    if (endedWithCr && shown.startsWith(QLatin1Char('\n')))
        shown.remove(0, 1);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(forDisplay(shown));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
