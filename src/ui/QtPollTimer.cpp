#include "ui/QtPollTimer.h"

#include <QTimer>

void QtPollTimer::SetEnabled(bool enabled) {
    // Enabling a running timer leaves its count alone, as disabling a stopped one does.
    if (enabled && !m_timer.isActive()) {
        m_timer.start();
    } else if (!enabled) {
        m_timer.stop();
    }
}

bool QtPollTimer::Enabled() const {
    return m_timer.isActive();
}

void QtPollTimer::SetInterval(int milliseconds) {
    m_timer.setInterval(milliseconds);
}

int QtPollTimer::Interval() const {
    return m_timer.interval();
}
