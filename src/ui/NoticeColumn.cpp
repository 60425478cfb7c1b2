#include "ui/NoticeColumn.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace {
constexpr int kSpacing = 4;
}

void NoticeColumn::Add(QWidget* notice) {
    m_notices.emplace_back(notice);
    Layout();
}

void NoticeColumn::Remove(QWidget* notice) {
    std::erase_if(m_notices, [notice](const QPointer<QWidget>& shown) {
        return shown.isNull() || shown.data() == notice;
    });
    Layout();
}

void NoticeColumn::Layout() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    int bottom = area.bottom() + 1;
    for (const auto& notice : m_notices) {
        if (notice.isNull()) {
            continue;
        }
        const QSize size = notice->frameSize();
        bottom -= size.height();
        notice->move(area.left(), bottom);
        bottom -= kSpacing;
    }
}
