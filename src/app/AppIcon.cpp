#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 64.0, size / 64.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xF5, 0xF5, 0xF5)); // paper going in
        painter.drawRect(18, 6, 28, 20);
        painter.setBrush(QColor(0x00, 0x72, 0xC6)); // body
        painter.drawRoundedRect(4, 22, 56, 26, 6, 6);
        painter.setBrush(QColor(0xF5, 0xF5, 0xF5)); // printed sheet
        painter.drawRect(16, 40, 32, 20);
        painter.setBrush(QColor(0x55, 0xFF, 0x55)); // ready light
        painter.drawEllipse(48, 28, 6, 6);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
