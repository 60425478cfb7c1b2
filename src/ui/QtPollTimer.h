#pragma once

#include "common/PollTimer.h"

class QTimer;

// The poll timer over a QTimer.
class QtPollTimer : public PollTimer {
public:
    explicit QtPollTimer(QTimer& timer) : m_timer(timer) {}

    void SetEnabled(bool enabled) override;
    bool Enabled() const override;
    void SetInterval(int milliseconds) override;
    int Interval() const override;

private:
    QTimer& m_timer;
};
