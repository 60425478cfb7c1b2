#include "app/TForm1.h"

#include "DeploymentValues.h"
#include "app/AppIcon.h"
#include "app/OnlineStartup.h"
#include "app/StartupSequence.h"
#include "common/ErrorReport.h"
#include "common/MessageTexts.h"
#include "common/TextScramble.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {
constexpr int kPollIntervalMs = 1000;
}

TForm1::TForm1(TParametros& parametros, CnpjPrompt& cnpjPrompt, MessageBoxes& boxes,
               const ComputerName& computerName, ApplicationControl& application,
               RemoteEndpoints endpoints, QObject* parent)
    : QObject(parent), m_parametros(parametros), m_cnpjPrompt(cnpjPrompt), m_boxes(boxes),
      m_computerName(computerName), m_application(application), m_endpoints(std::move(endpoints)),
      m_store(m_endpoints.database), m_registry(m_store, m_parametros, m_printSystem, m_guids) {
    CreateComponents();
    // An error that leaves the start-up handler ends in the default error report; the window
    // is created all the same and the agent stays in the tray.
    RunReportingErrors(m_boxes, [this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::CreateComponents() {
    m_timerEnviaMsg = new QTimer(this);
    m_timerEnviaMsg->setObjectName("TimerEnviaMsg");
    m_timerEnviaMsg->setInterval(kPollIntervalMs);
    m_pollTimer = std::make_unique<QtPollTimer>(*m_timerEnviaMsg);
    m_poller = std::make_unique<PrintJobPoller>(
        m_parametros, *m_pollTimer, m_endpoints.probe, m_store,
        PrintServices{m_printSystem, m_launcher, m_windowCloser, m_processTable, m_sleeper},
        m_alerta, m_alertaErro);
    connect(m_timerEnviaMsg, &QTimer::timeout, this,
            [this] { RunReportingErrors(m_boxes, [this] { TimerEnviaMsgTimer(); }); });

    m_popupMenu1 = std::make_unique<QMenu>();
    m_popupMenu1->setObjectName("PopupMenu1");
    const auto addItem = [this](const char* name, const char* caption) {
        QAction* action = m_popupMenu1->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        return action;
    };
    addItem("C1", "Criar atalho para iniciar automáticamente");
    addItem("A1", "Alterar CNPJ");
    m_popupMenu1->addSeparator()->setObjectName("N1");
    addItem("l1", "Limpar fila de impressão");
    addItem("L2", "Resetar lista de impressoras");
    m_popupMenu1->addSeparator()->setObjectName("N2");
    addItem("S1", "Fechar API");

    m_commands = std::make_unique<TrayCommands>(
        m_parametros, m_boxes, m_cnpjPrompt, m_application, *m_pollTimer, m_alertaErro, m_store,
        m_registry, QCoreApplication::applicationFilePath().toStdString());
    connectItem("C1", &TrayCommands::C1Click);
    connectItem("A1", &TrayCommands::A1Click);
    connectItem("l1", &TrayCommands::l1Click);
    connectItem("L2", &TrayCommands::L2Click);
    connectItem("S1", &TrayCommands::S1Click);

    m_trayIcon1 = new QSystemTrayIcon(AppIcon(), this);
    m_trayIcon1->setObjectName("TrayIcon1");
    m_trayIcon1->setToolTip(QString::fromUtf8(texts::kApplicationTitle));
    m_trayIcon1->setContextMenu(m_popupMenu1.get());
    m_trayIcon1->show();

    m_falavix11.SetUrl(std::string(deployment::kGatewayUrl) + "/api/messages/send");
}

void TForm1::FormCreate() {
    StartupSequence startup(m_parametros, m_boxes, m_cnpjPrompt, m_computerName, m_application);
    if (!startup.LoadSettingsAndIdentity()) {
        return;
    }
    OnlineStartup(m_endpoints.probe, m_registry, *m_pollTimer, m_boxes, m_application).Run();
}

void TForm1::connectItem(const char* name, void (TrayCommands::*command)()) {
    QAction* item = m_popupMenu1->findChild<QAction*>(name);
    connect(item, &QAction::triggered, this, [this, command] {
        RunReportingErrors(m_boxes, [this, command] { (m_commands.get()->*command)(); });
    });
}

void TForm1::TimerEnviaMsgTimer() {
    m_poller->TimerEnviaMsgTimer();
}

QString TForm1::fncEncript(const QString& Encript) {
    const QString output = QString::fromStdU16String(ScrambleText(Encript.toStdU16String()));
    FEncriptar.clear();
    FDecriptar.clear();
    return output;
}

QString TForm1::fncDecript(const QString& Decript) {
    const QString output = QString::fromStdU16String(UnscrambleText(Decript.toStdU16String()));
    FEncriptar.clear();
    FDecriptar.clear();
    return output;
}
