#include "ui/NoticeWindow.h"

#include "ui/WidgetLook.h"

#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kMinimumHeight = 50;
constexpr int kMinimumWidth = 220;
// The dark flat skin.
constexpr const char* kBackground = "#1F1F1F";
constexpr const char* kBorder = "#3A3A3A";
constexpr const char* kTextColour = "#E6E6E6";

} // namespace

NoticeStyle NoticeStyle::Success() {
    return {2000, true, QColor(255, 255, 255)};
}

NoticeStyle NoticeStyle::Failure() {
    return {4000, false, QColor(255, 85, 85)};
}

NoticeWindow::NoticeWindow(const QString& caption, const QString& text, const NoticeStyle& style)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      Caption(new QLabel(caption, this)), Text(new QLabel(text, this)),
      CloseButton(new QToolButton(this)), m_displayTimer(new QTimer(this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setObjectName("NoticeWindow");
    setStyleSheet(QString("#NoticeWindow { background: %1; border: 1px solid %2; }")
                      .arg(kBackground, kBorder));
    setAttribute(Qt::WA_StyledBackground);

    Caption->setFont(PixelFont(QStringLiteral("Yu Gothic UI Semibold"), 17, style.captionBold));
    Caption->setStyleSheet(QString("color: %1;").arg(style.captionColour.name()));
    Caption->setAlignment(Qt::AlignCenter);
    Caption->setTextFormat(Qt::PlainText);

    Text->setFont(PixelFont(QStringLiteral("Tw Cen MT"), 16));
    Text->setStyleSheet(QString("color: %1;").arg(kTextColour));
    Text->setAlignment(Qt::AlignCenter);
    Text->setTextFormat(Qt::PlainText);
    Text->setWordWrap(false);
    Text->setVisible(!text.isEmpty());

    CloseButton->setText(QString::fromUtf8("\u2715"));
    CloseButton->setAutoRaise(true);
    CloseButton->setFocusPolicy(Qt::NoFocus);
    CloseButton->setCursor(Qt::PointingHandCursor);
    CloseButton->setToolTip(QString::fromUtf8("Fechar"));
    CloseButton->setStyleSheet(QString("QToolButton { color: %1; border: none; padding: 2px; }"
                                       "QToolButton:hover { background: #3A3A3A; }")
                                   .arg(kTextColour));
    connect(CloseButton, &QToolButton::clicked, this, &QWidget::close);

    // The close button sits at the top right; the caption and text stay centred in the panel.
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->addSpacing(CloseButton->sizeHint().width());
    top->addWidget(Caption, 1);
    top->addWidget(CloseButton, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 6, 10);
    layout->setSpacing(4);
    layout->addStretch(1);
    layout->addLayout(top);
    layout->addWidget(Text);
    layout->addStretch(1);

    // Fitted to the content (adjustSize would give an expanding window at least 100 pixels).
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(sizeHint().expandedTo(minimumSize()));

    m_displayTimer->setSingleShot(true);
    // A coarse timer may fire a little early; a notice stays its whole display time.
    m_displayTimer->setTimerType(Qt::PreciseTimer);
    m_displayTimer->setInterval(style.displayTimeMs);
    connect(m_displayTimer, &QTimer::timeout, this, &QWidget::close);
}

void NoticeWindow::Present() {
    show();
    m_displayTimer->start();
}

void NoticeWindow::closeEvent(QCloseEvent* event) {
    m_displayTimer->stop();
    QWidget::closeEvent(event);
    if (event->isAccepted()) {
        emit closed(this);
    }
}
