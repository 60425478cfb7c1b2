// Shows the operator's windows one scene at a time, for looking at them on a real screen:
//   operator-showcase notices          three success and two failure notices
//   operator-showcase cnpj             the CNPJ dialog with a few digits typed
//   operator-showcase connection-lost  the connection-lost dialog (its countdown runs)
// It runs until it is ended (the notices and dialogs close by themselves or stay as they are).
#include "app/AppIcon.h"
#include "app/QtApplicationControl.h"
#include "common/MessageTexts.h"
#include "ui/NoticeColumn.h"
#include "ui/NoticeManager.h"
#include "ui/QtMessageBoxes.h"
#include "ui/TForm2.h"
#include "ui/TFrmConexaoPerdida.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(texts::kApplicationTitle));
    QApplication::setWindowIcon(AppIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    const char* scene = argc > 1 ? argv[1] : "";

    QtMessageBoxes boxes;
    QtApplicationControl application;
    NoticeColumn column;
    NoticeManager alerta(NoticeStyle::Success(), column);
    NoticeManager alertaErro(NoticeStyle::Failure(), column);
    // Long enough to be photographed.
    alerta.SetDisplayTime(60000);
    alertaErro.SetDisplayTime(60000);
    TForm2 form2(boxes);
    TFrmConexaoPerdida conexaoPerdida(application);

    if (std::strcmp(scene, "notices") == 0) {
        for (int i = 0; i < 3; ++i) {
            alerta.Show(texts::kPrintedCaption, "");
        }
        alertaErro.Show(texts::kPrintFailedCaption,
                        "Lost connection to server at 'handshake: reading initial "
                        "communication packet', system error: 104");
        alertaErro.Show(texts::kNoInternetCaption, texts::kNoInternetText);
    } else if (std::strcmp(scene, "cnpj") == 0) {
        form2.SetEntryText("123456780001");
        form2.show();
    } else if (std::strcmp(scene, "connection-lost") == 0) {
        conexaoPerdida.show();
    } else {
        std::fprintf(stderr, "usage: %s notices | cnpj | connection-lost\n", argv[0]);
        return 2;
    }
    return QApplication::exec();
}
