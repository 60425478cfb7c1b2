#include "app/QtApplicationControl.h"

#include <QCoreApplication>

void QtApplicationControl::Terminate() {
    m_terminated = true;
    QCoreApplication::quit();
}
