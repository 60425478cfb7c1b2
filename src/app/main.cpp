// Process entry of the print agent: no window is shown; the agent lives in the notification area.

#include "app/AppIcon.h"
#include "app/QtApplicationControl.h"
#include "app/TForm1.h"
#include "common/MessageTexts.h"
#include "common/TParametros.h"
#include "platform/linux/LinuxComputerName.h"
#include "platform/linux/TerminationSignals.h"
#include "ui/QtMessageBoxes.h"
#include "ui/TForm2.h"
#include "ui/TFrmConexaoPerdida.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The title captions every box and the tray tooltip, so it is set before any window exists.
    // It is the application name, not a display name, so that Qt does not append it to the
    // captions of other windows.
    QApplication::setApplicationName(QString::fromUtf8(texts::kApplicationTitle));
    QApplication::setWindowIcon(AppIcon());
    // Dialogs come and go; only an explicit request ends the agent.
    QApplication::setQuitOnLastWindowClosed(false);

    TerminationSignals terminationSignals;
    QtApplicationControl application;
    QtMessageBoxes boxes;
    LinuxComputerName computerName;
    TParametros parametros;

    // Created in this order, none shown: the CNPJ dialog must exist before the main window's
    // start-up may show it; the connection-lost dialog stays hidden.
    TForm2 form2(boxes);
    TFrmConexaoPerdida frmConexaoPerdida(application);
    TForm1 form1(parametros, form2, boxes, computerName, application);

    // A fatal start-up condition has already shown its message: the loop ends at its first turn.
    if (application.Terminated()) {
        return 0;
    }
    return QApplication::exec();
}
