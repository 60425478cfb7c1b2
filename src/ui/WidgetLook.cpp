#include "ui/WidgetLook.h"

#include <QPalette>
#include <QRect>
#include <QStyle>
#include <QWidget>

QFont PixelFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void PaintWhite(QWidget& widget) {
    QPalette background = widget.palette();
    background.setColor(QPalette::Window, Qt::white);
    widget.setPalette(background);
    widget.setAutoFillBackground(true);
}

void CentreWithin(QWidget& window, const QRect& area) {
    window.move(QStyle::alignedRect(window.layoutDirection(), Qt::AlignCenter,
                                    window.frameGeometry().size(), area)
                    .topLeft());
}
