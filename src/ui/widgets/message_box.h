#pragma once
// Message boxes of the program: titled with the application title, or handed
// to a recorder that tests pass in.
#include <QMessageBox>

#include <functional>

// Shows a message box and returns the button pressed; tests pass a recorder.
using MessageBoxFunction = std::function<QMessageBox::StandardButton(
    QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)>;

// Shows the text through the recorder when there is one, else in a real box
// titled with the application title, where Enter presses defaultButton (when
// given); returns the button pressed.
QMessageBox::StandardButton showMessageBox(const MessageBoxFunction& recorder, QWidget* parent, const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           QMessageBox::Icon icon = QMessageBox::NoIcon,
                                           QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
