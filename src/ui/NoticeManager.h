#pragma once

#include "common/Notices.h"
#include "ui/NoticeWindow.h"

#include <QObject>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

class NoticeColumn;

// Shows notices of one kind: at most MaxCount() on screen at once, further ones queued and shown
// as earlier ones close, each closing by itself after DisplayTime() ms or by its close button.
class NoticeManager : public QObject, public Notices {
    Q_OBJECT
public:
    NoticeManager(const NoticeStyle& style, NoticeColumn& column, QObject* parent = nullptr);
    ~NoticeManager() override;

    void Show(const std::string& caption, const std::string& text) override;

    int DisplayTime() const { return m_style.displayTimeMs; }
    void SetDisplayTime(int milliseconds) { m_style.displayTimeMs = milliseconds; }
    static constexpr int MaxCount() { return 3; }

    std::vector<NoticeWindow*> Shown() const;
    std::size_t Queued() const { return m_queue.size(); }

signals:
    void noticeShown(NoticeWindow* notice);

private:
    void Present(const QString& caption, const QString& text);
    void OnClosed(NoticeWindow* notice);

    NoticeStyle m_style;
    NoticeColumn& m_column;
    std::vector<std::unique_ptr<NoticeWindow>> m_shown; // in the order they appeared
    std::deque<std::pair<QString, QString>> m_queue;
};
