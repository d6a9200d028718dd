#include "ui/widgets/message_box.h"

#include "core/text/app_facts.h"

QMessageBox::StandardButton showMessageBox(const MessageBoxFunction& recorder, QWidget* parent, const QString& text,
                                           QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                           QMessageBox::StandardButton defaultButton)
{
    if (recorder)
        return recorder(parent, text, buttons, icon);
    QMessageBox box(icon, QString::fromLatin1(lumivane::kAppTitle), text, buttons, parent);
    // Texts carry paths, settings values and modem answers: shown as they stand, never as markup.
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
