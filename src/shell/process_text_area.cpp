#include "shell/process_text_area.h"

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
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
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
