#pragma once

#include "common/UniqueFd.h"

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (log-off, shut-down, the session's end) into a clean quit of
// the Qt event loop: the handler only writes to a socket that the loop watches.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void onReadable();

    UniqueFd m_readEnd;
    QSocketNotifier* m_notifier = nullptr;
};
