#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>

// Sets QApplication::quitOnLastWindowClosed for one test.
class QuitOnLastWindowClosedScope {
public:
    explicit QuitOnLastWindowClosedScope(bool quit)
        : m_previous(QApplication::quitOnLastWindowClosed()) {
        QApplication::setQuitOnLastWindowClosed(quit);
    }
    ~QuitOnLastWindowClosedScope() { QApplication::setQuitOnLastWindowClosed(m_previous); }
    QuitOnLastWindowClosedScope(const QuitOnLastWindowClosedScope&) = delete;
    QuitOnLastWindowClosedScope& operator=(const QuitOnLastWindowClosedScope&) = delete;

private:
    bool m_previous;
};

// Counts the requests to quit the application, and drops them so that the run goes on.
class QuitRequestCatcher : public QObject {
public:
    QuitRequestCatcher() { qApp->installEventFilter(this); }
    ~QuitRequestCatcher() override { qApp->removeEventFilter(this); }
    QuitRequestCatcher(const QuitRequestCatcher&) = delete;
    QuitRequestCatcher& operator=(const QuitRequestCatcher&) = delete;

    int m_requests = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit) {
            ++m_requests;
            return true;
        }
        return false;
    }
};
