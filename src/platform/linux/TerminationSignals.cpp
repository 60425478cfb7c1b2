#include "platform/linux/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// Written only by the signal handler; one process has one event loop to stop.
volatile std::sig_atomic_t g_writeEnd = -1;

extern "C" void WriteSignalNumber(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const auto written = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        throw std::runtime_error("Não foi possível preparar o tratamento de sinais");
    }
    m_readEnd.reset(fds[0]);
    g_writeEnd = fds[1];

    struct sigaction action = {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kSignals) {
        ::sigaction(signalNumber, &action, nullptr);
    }

    m_notifier = new QSocketNotifier(m_readEnd.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    connect(this, &TerminationSignals::received, qApp, &QCoreApplication::quit);
}

TerminationSignals::~TerminationSignals() {
    for (int signalNumber : kSignals) {
        std::signal(signalNumber, SIG_DFL);
    }
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
}

void TerminationSignals::onReadable() {
    unsigned char byte = 0;
    while (::read(m_readEnd.get(), &byte, 1) == 1) {
        emit received(byte);
    }
}
