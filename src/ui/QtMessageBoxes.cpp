#include "ui/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace {

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
    // No parent: the box is application-modal and its lifetime is this call alone, whatever
    // happens meanwhile to the window that was active.
    QMessageBox box(icon, QApplication::applicationDisplayName(), QString::fromStdString(text),
                    QMessageBox::Ok);
    // The texts come from the program and from error reports; markup in them is shown as is.
    box.setTextFormat(Qt::PlainText);
    // Closing a box is never a reason for the application to end.
    box.setAttribute(Qt::WA_QuitOnClose, false);
    box.exec();
}

} // namespace

void QtMessageBoxes::ShowMessage(const std::string& text) {
    ShowBox(QMessageBox::NoIcon, text);
}

void QtMessageBoxes::ShowError(const std::string& text) {
    ShowBox(QMessageBox::Critical, text);
}
