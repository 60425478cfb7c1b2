#pragma once

#include <QColor>
#include <QWidget>

class QLabel;
class QTimer;
class QToolButton;

// How one manager's notices look and how long they stay.
struct NoticeStyle {
    int displayTimeMs;
    bool captionBold;
    QColor captionColour;

    static NoticeStyle Success(); // 2000 ms, bold white caption
    static NoticeStyle Failure(); // 4000 ms, regular light-red caption
};

// One pop-up notice: a caption and a text centred on a dark flat panel with a close button. It
// stays on top, never takes the keyboard focus and closes itself after its display time.
class NoticeWindow : public QWidget {
    Q_OBJECT
public:
    NoticeWindow(const QString& caption, const QString& text, const NoticeStyle& style);

    QLabel* const Caption;
    QLabel* const Text;
    QToolButton* const CloseButton;

    // Shows the notice without activating it and starts its display time.
    void Present();

signals:
    void closed(NoticeWindow* notice);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTimer* m_displayTimer;
};
