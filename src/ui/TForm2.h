#pragma once

#include "common/CnpjPrompt.h"
#include "common/MessageBoxes.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

// The modal CNPJ entry: a masked edit inside a rounded panel and an "Entrar" button that accepts
// only a complete CNPJ. The close box ends the showing without any check. One instance serves the
// whole process, so the entry keeps its text between showings.
class TForm2 : public QDialog, public CnpjPrompt {
    Q_OBJECT

public:
    explicit TForm2(MessageBoxes& messages, QWidget* parent = nullptr);

    void SetEntryText(const std::string& text) override;
    std::string EntryText() const override;
    void ShowModal() override;

    // "Entrar": ends the showing when the entry holds 14 digits, otherwise tells the operator
    // and leaves the dialog open with its text as it was.
    void ConnectBtnClick();

    // The dialog's controls, owned by the dialog. The button is created first so that it heads
    // the focus chain: it has the focus when the dialog first shows, and Tab leads to the edit.
    QPushButton* const ConnectBtn;
    QFrame* const PanelCNPJ;
    QLabel* const LabelCNPJ;
    QLineEdit* const EdtCNPJ;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CentreOnScreen();

    MessageBoxes& m_messages;
};
