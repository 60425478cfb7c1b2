#include "ui/TFrmConexaoPerdida.h"

#include "ui/WidgetLook.h"

#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <unistd.h>

namespace {

constexpr int kCountdownSeconds = 2;
constexpr int kTickMs = 1000;

QString CountdownCaption(int seconds) {
    return QStringLiteral("Reconectar em (%1s)").arg(seconds);
}

} // namespace

TFrmConexaoPerdida::TFrmConexaoPerdida(ApplicationControl& application, QWidget* parent)
    // A frame with a title but no title-bar buttons and no window menu; the border stays
    // resizable.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Label1(new QLabel(QStringLiteral("Conexão com a base de dados perdida"), this)),
      Button1(new QPushButton(QStringLiteral("Reconectar"), this)),
      Button2(new QPushButton(QStringLiteral("Finalizar"), this)), Timer1(new QTimer(this)),
      m_application(application) {
    setWindowTitle(QStringLiteral("Conexão perdida"));
    // Closing only hides the dialog, and it is never a reason for the application to end.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);

    PaintWhite(*this);
    setFont(PixelFont(QStringLiteral("Tahoma"), 11));
    resize(645, 230);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(PixelFont(QStringLiteral("Tahoma"), 20));
    // Sized for Tahoma; grown to the text where a wider font stands in for it.
    Label1->setGeometry(QRect(QPoint(18, 24), Label1->sizeHint().expandedTo(QSize(345, 24))));

    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(448, 157, 161, 65);
    // Enter presses Button1, except while Button2 has the focus: Button2, like every push
    // button of a dialog, is an auto-default button and then takes Enter for itself.
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFrmConexaoPerdida::Button1Click);

    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(321, 157, 121, 65);
    connect(Button2, &QPushButton::clicked, this, &TFrmConexaoPerdida::Button2Click);

    setTabOrder(Button1, Button2);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTickMs);
    connect(Timer1, &QTimer::timeout, this, &TFrmConexaoPerdida::Timer1Timer);
}

void TFrmConexaoPerdida::FormShow() {
    Tempo = kCountdownSeconds;
    Timer1->start();
}

bool TFrmConexaoPerdida::FormKeyDown(QKeyEvent& event) {
    if (event.key() != Qt::Key_F4) {
        return false;
    }
    event.accept();
    return true;
}

void TFrmConexaoPerdida::Timer1Timer() {
    --Tempo;
    Button1->setText(CountdownCaption(Tempo));
    if (Tempo == 0) {
        Timer1->stop();
        Button1->click();
    }
    QCoreApplication::processEvents();
}

void TFrmConexaoPerdida::Button1Click() {
    close();
}

void TFrmConexaoPerdida::Button2Click() {
    m_application.Terminate();
    // Ends the process here: no window is destroyed, no exit handler runs, nothing is released.
    ::_exit(0);
}

void TFrmConexaoPerdida::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A spontaneous show is the window system restoring the window, not a new showing.
    if (!event->spontaneous()) {
        CentreOnDesktop();
        FormShow();
    }
}

void TFrmConexaoPerdida::keyPressEvent(QKeyEvent* event) {
    if (FormKeyDown(*event)) {
        return;
    }
    // There is no cancel button: Escape does nothing, where QDialog would close the dialog.
    if (event->matches(QKeySequence::Cancel)) {
        QWidget::keyPressEvent(event);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFrmConexaoPerdida::CentreOnDesktop() {
    const QScreen* target = screen();
    if (target == nullptr) {
        return;
    }
    // The middle of the whole desktop, all monitors together, not of the parent.
    CentreWithin(*this, target->virtualGeometry());
}
