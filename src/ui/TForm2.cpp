#include "ui/TForm2.h"

#include "common/MessageTexts.h"
#include "common/SoNumeros.h"
#include "ui/WidgetLook.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <cstddef>

namespace {

constexpr std::size_t kCnpjDigits = 14;

} // namespace

TForm2::TForm2(MessageBoxes& messages, QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ConnectBtn(new QPushButton(QStringLiteral("Entrar"), this)), PanelCNPJ(new QFrame(this)),
      LabelCNPJ(new QLabel(QStringLiteral("CNPJ"), PanelCNPJ)), EdtCNPJ(new QLineEdit(PanelCNPJ)),
      m_messages(messages) {
    setWindowTitle(QStringLiteral("Informe o CNPJ"));
    // The dialog lives as long as the process and is shown again later: closing only hides it,
    // and it is never a reason for the application to end (Qt already clears WA_QuitOnClose for
    // tool windows; it is set here so that this holds whatever the frame type).
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);

    PaintWhite(*this);
    resize(472, 242);

    PanelCNPJ->setObjectName(QStringLiteral("PanelCNPJ"));
    PanelCNPJ->setGeometry(84, 48, 300, 50);
    PanelCNPJ->setStyleSheet(QStringLiteral("#PanelCNPJ { background-color: white;"
                                            " border: 1px solid #E1E1E1; border-radius: 5px; }"));

    // The caption across the top of the panel, the edit in the rest of it, inside the border.
    LabelCNPJ->setObjectName(QStringLiteral("LabelCNPJ"));
    LabelCNPJ->setGeometry(8, 3, 284, 14);
    LabelCNPJ->setFont(PixelFont(QStringLiteral("Lucida Sans Unicode"), 11));
    LabelCNPJ->setStyleSheet(QStringLiteral("color: gray; background: transparent;"));

    EdtCNPJ->setObjectName(QStringLiteral("EdtCNPJ"));
    EdtCNPJ->setGeometry(8, 17, 284, 31);
    EdtCNPJ->setFrame(false);
    EdtCNPJ->setFont(PixelFont(QStringLiteral("Lucida Sans Unicode"), 20));
    EdtCNPJ->setStyleSheet(QStringLiteral("border: none; background: transparent;"));
    // Digits only; a blank position shows as a space.
    EdtCNPJ->setInputMask(QStringLiteral("00.000.000/0000-00; "));
    EdtCNPJ->setText(QString());

    ConnectBtn->setObjectName(QStringLiteral("ConnectBtn"));
    ConnectBtn->setGeometry(137, 154, 199, 40);
    ConnectBtn->setFont(PixelFont(QStringLiteral("Segoe UI"), 17, true));
    ConnectBtn->setCursor(Qt::PointingHandCursor);
    ConnectBtn->setStyleSheet(
        QStringLiteral("QPushButton { color: white; background-color: #0072C6; border: none; }"
                       "QPushButton:hover, QPushButton:pressed { background-color: #80B6EC; }"
                       "QPushButton:disabled { background-color: #B6B6B6; }"));
    // Enter anywhere in the dialog presses the button.
    ConnectBtn->setDefault(true);
    connect(ConnectBtn, &QPushButton::clicked, this, &TForm2::ConnectBtnClick);

    // The button comes first in the tab order (see the creation order), the edit second.
    setTabOrder(ConnectBtn, EdtCNPJ);
}

void TForm2::SetEntryText(const std::string& text) {
    EdtCNPJ->setText(QString::fromStdString(text));
}

std::string TForm2::EntryText() const {
    // What the operator sees, blanks included; text() would drop the blank positions.
    return EdtCNPJ->displayText().toStdString();
}

void TForm2::ShowModal() {
    exec();
}

void TForm2::ConnectBtnClick() {
    if (SoNumeros(EntryText()).size() == kCnpjDigits) {
        accept();
        return;
    }
    m_messages.ShowMessage(texts::kCnpjIncorrect);
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // QDialog centres a dialog on its parent; this one goes in the middle of the screen.
    if (!event->spontaneous()) {
        CentreOnScreen();
    }
}

void TForm2::CentreOnScreen() {
    const QScreen* target = screen();
    if (target == nullptr) {
        return;
    }
    CentreWithin(*this, target->availableGeometry());
}
