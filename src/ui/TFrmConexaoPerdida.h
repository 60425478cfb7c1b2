#pragma once

#include "common/ApplicationControl.h"

#include <QDialog>

class QKeyEvent;
class QLabel;
class QPushButton;
class QShowEvent;
class QTimer;

// "Conexão perdida": tells the operator that the database connection is gone and offers
// "Reconectar" (close the dialog; the caller decides what follows) or "Finalizar" (end the
// process at once). Every showing counts down two seconds on Button1 and then presses it by
// itself. One instance lives as long as the process; closing only hides it.
class TFrmConexaoPerdida : public QDialog {
    Q_OBJECT

public:
    explicit TFrmConexaoPerdida(ApplicationControl& application, QWidget* parent = nullptr);

    // Each showing: two seconds to go, countdown started. Button1 keeps its last caption.
    void FormShow();
    // F4, with any modifiers, is swallowed (accepted and not handled further); every other key
    // is left untouched. Returns whether the key was swallowed.
    bool FormKeyDown(QKeyEvent& event);
    // One second of the countdown; at zero the timer stops and "Reconectar" is pressed.
    void Timer1Timer();
    // "Reconectar": closes the dialog. The countdown goes on while it is hidden.
    void Button1Click();
    // "Finalizar": asks the application to quit, then ends the process at once with status 0,
    // without any orderly shut-down.
    [[noreturn]] void Button2Click();

    // Seconds left before the automatic "Reconectar".
    int SecondsLeft() const { return Tempo; }

    // The dialog's controls, owned by the dialog. Button1 is created before Button2 so that it
    // heads the focus chain and has the focus when the dialog shows.
    QLabel* const Label1;
    QPushButton* const Button1;
    QPushButton* const Button2;
    QTimer* const Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CentreOnDesktop();

    ApplicationControl& m_application;
    int Tempo = 0;
};
