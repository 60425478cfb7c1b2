#pragma once

#include "app/RemoteEndpoints.h"
#include "app/TrayCommands.h"
#include "common/ApplicationControl.h"
#include "common/CnpjPrompt.h"
#include "common/MessageBoxes.h"
#include "common/TParametros.h"
#include "messaging/TFalavix.h"
#include "platform/ComputerName.h"
#include "platform/linux/CupsPrintSystem.h"
#include "platform/linux/LibuuidGuidGenerator.h"
#include "platform/linux/PosixProgramLauncher.h"
#include "platform/linux/ProcProcessTable.h"
#include "platform/linux/ThreadSleeper.h"
#include "platform/linux/X11WindowCloser.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PrintJobPoller.h"
#include "printing/PrinterRegistry.h"
#include "printing/RemotePrintStore.h"
#include "ui/NoticeColumn.h"
#include "ui/NoticeManager.h"
#include "ui/QtPollTimer.h"

#include <QObject>
#include <QString>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

// The agent's main window. It is never shown: it owns the tray icon with its menu and the poll
// timer, and its creation runs the start-up sequence (FormCreate).
class TForm1 : public QObject {
    Q_OBJECT
public:
    TForm1(TParametros& parametros, CnpjPrompt& cnpjPrompt, MessageBoxes& boxes,
           const ComputerName& computerName, ApplicationControl& application,
           RemoteEndpoints endpoints = {}, QObject* parent = nullptr);
    ~TForm1() override;

    // A reversible scramble of UTF-16 text; no flow of the agent uses it.
    QString fncEncript(const QString& Encript);
    QString fncDecript(const QString& Decript);

    QTimer& TimerEnviaMsg() { return *m_timerEnviaMsg; }
    QSystemTrayIcon& TrayIcon1() { return *m_trayIcon1; }
    QMenu& PopupMenu1() { return *m_popupMenu1; }
    TFalavix& Falavix11() { return m_falavix11; }
    NoticeManager& Alerta() { return m_alerta; }
    NoticeManager& AlertaErro() { return m_alertaErro; }

private:
    void CreateComponents();
    void FormCreate();
    void TimerEnviaMsgTimer();
    // Connects a menu item to its command; whatever the command raises ends in the default error
    // report.
    void connectItem(const char* name, void (TrayCommands::*command)());

    TParametros& m_parametros;
    CnpjPrompt& m_cnpjPrompt;
    MessageBoxes& m_boxes;
    const ComputerName& m_computerName;
    ApplicationControl& m_application;

    QTimer* m_timerEnviaMsg = nullptr;
    std::unique_ptr<QMenu> m_popupMenu1; // a widget: it cannot be a child of this QObject
    QSystemTrayIcon* m_trayIcon1 = nullptr;
    // Success and failure notices share one column at the bottom-left of the screen.
    NoticeColumn m_noticeColumn;
    NoticeManager m_alerta{NoticeStyle::Success(), m_noticeColumn};
    NoticeManager m_alertaErro{NoticeStyle::Failure(), m_noticeColumn};

    // The remote database, the probe and the operating system's printing services the poll
    // cycle works with.
    RemoteEndpoints m_endpoints;
    RemotePrintStore m_store;
    CupsPrintSystem m_printSystem;
    PosixProgramLauncher m_launcher;
    X11WindowCloser m_windowCloser;
    ProcProcessTable m_processTable;
    ThreadSleeper m_sleeper;
    LibuuidGuidGenerator m_guids;
    PrinterRegistry m_registry;
    std::unique_ptr<QtPollTimer> m_pollTimer;
    std::unique_ptr<PrintJobPoller> m_poller;
    std::unique_ptr<TrayCommands> m_commands;
    // The messaging gateway client: user and queue 0, no token; no flow of the agent uses it.
    TFalavix m_falavix11;

    // Scratch fields of the scramble pair; each call leaves them empty.
    QString FEncriptar;
    QString FDecriptar;
};
