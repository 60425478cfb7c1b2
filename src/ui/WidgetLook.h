#pragma once

#include <QFont>
#include <QString>

class QRect;
class QWidget;

// A font by family and pixel height (the sizes of the agent's windows are given in pixels at
// 96 dpi); where the family is missing, Qt picks the nearest one.
QFont PixelFont(const QString& family, int pixels, bool bold = false);

// A plain white client area, as the agent's dialogs have.
void PaintWhite(QWidget& widget);

// Moves a window so that its frame is centred in the area (a part of the screen's geometry).
void CentreWithin(QWidget& window, const QRect& area);
