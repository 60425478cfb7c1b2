#include "ui/NoticeManager.h"

#include "ui/NoticeColumn.h"

#include <algorithm>

NoticeManager::NoticeManager(const NoticeStyle& style, NoticeColumn& column, QObject* parent)
    : QObject(parent), m_style(style), m_column(column) {}

NoticeManager::~NoticeManager() {
    for (const auto& notice : m_shown) {
        disconnect(notice.get(), nullptr, this, nullptr);
        m_column.Remove(notice.get());
    }
}

std::vector<NoticeWindow*> NoticeManager::Shown() const {
    std::vector<NoticeWindow*> shown;
    for (const auto& notice : m_shown) {
        shown.push_back(notice.get());
    }
    return shown;
}

void NoticeManager::Show(const std::string& caption, const std::string& text) {
    const QString captionText = QString::fromStdString(caption);
    const QString bodyText = QString::fromStdString(text);
    if (m_shown.size() < static_cast<std::size_t>(MaxCount())) {
        Present(captionText, bodyText);
    } else {
        m_queue.emplace_back(captionText, bodyText);
    }
}

void NoticeManager::Present(const QString& caption, const QString& text) {
    // Top-level windows have no parent widget; the manager owns them.
    auto* notice =
        m_shown.emplace_back(std::make_unique<NoticeWindow>(caption, text, m_style)).get();
    // Queued, so that a closing notice is off the screen before a waiting one takes its place.
    connect(notice, &NoticeWindow::closed, this, &NoticeManager::OnClosed, Qt::QueuedConnection);
    m_column.Add(notice);
    notice->Present();
    emit noticeShown(notice);
}

void NoticeManager::OnClosed(NoticeWindow* notice) {
    const auto it = std::find_if(m_shown.begin(), m_shown.end(),
                                 [notice](const auto& shown) { return shown.get() == notice; });
    if (it == m_shown.end()) {
        return;
    }
    it->release()->deleteLater();
    m_shown.erase(it);
    m_column.Remove(notice);
    if (!m_queue.empty()) {
        const auto [caption, text] = m_queue.front();
        m_queue.pop_front();
        Present(caption, text);
    }
}
