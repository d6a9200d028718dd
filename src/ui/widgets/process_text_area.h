#pragma once
// The results area: a read-only, scrolling text that keeps its text exactly
// as written (CR LF line ends included) while showing it line by line.
#include <QPlainTextEdit>

class ProcessTextArea : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ProcessTextArea(QWidget* parent = nullptr);

    // The text as written, with its CR LF line ends.
    QString text() const { return text_; }
    // Replaces the whole text.
    void setText(const QString& text);
    // Adds to the end and scrolls there.
    void appendText(const QString& text);

private:
    QString text_;
};
