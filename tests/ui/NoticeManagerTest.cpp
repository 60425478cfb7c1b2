#include "ui/NoticeManager.h"

#include "ui/NoticeColumn.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

constexpr int kShortDisplayMs = 300;
constexpr int kDeadlineMs = 10000;

class NoticeManagerTest : public testing::Test {
protected:
    NoticeColumn column;
};

TEST_F(NoticeManagerTest, StylesCarryTheDisplayTimesAndCaptionLook) {
    NoticeManager success(NoticeStyle::Success(), column);
    NoticeManager failure(NoticeStyle::Failure(), column);
    EXPECT_EQ(success.DisplayTime(), 2000);
    EXPECT_EQ(failure.DisplayTime(), 4000);
    EXPECT_EQ(NoticeManager::MaxCount(), 3);

    success.Show("Registro impresso com sucesso", "");
    failure.Show("Erro ao imprimir registro", "Lost connection");
    const NoticeWindow* ok = success.Shown().at(0);
    const NoticeWindow* bad = failure.Shown().at(0);

    EXPECT_EQ(ok->Caption->text(), QString("Registro impresso com sucesso"));
    EXPECT_TRUE(ok->Caption->font().bold());
    EXPECT_EQ(ok->Caption->font().pixelSize(), 17);
    EXPECT_FALSE(ok->Text->isVisible()) << "an empty text takes no room";
    EXPECT_FALSE(bad->Caption->font().bold());
    EXPECT_TRUE(bad->Caption->styleSheet().contains(QColor(255, 85, 85).name()));
    EXPECT_EQ(bad->Text->text(), QString("Lost connection"));
    EXPECT_EQ(bad->Text->font().pixelSize(), 16);
    // Fitted to the content: a one-line notice is no taller than the minimum.
    EXPECT_EQ(ok->height(), 50);
    EXPECT_EQ(bad->height(), std::max(50, bad->sizeHint().height()));
    for (const NoticeWindow* notice : {ok, bad}) {
        EXPECT_EQ(notice->Caption->alignment(), Qt::AlignCenter);
        EXPECT_EQ(notice->Text->alignment(), Qt::AlignCenter);
        EXPECT_GE(notice->height(), 50);
        EXPECT_TRUE(notice->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(notice->windowFlags().testFlag(Qt::FramelessWindowHint));
    }
}

TEST_F(NoticeManagerTest, NeverShowsMoreThanThreeAndShowsEveryNoticeInTurn) {
    NoticeManager manager(NoticeStyle::Success(), column);
    manager.SetDisplayTime(kShortDisplayMs);
    std::vector<QString> shownCaptions;
    std::size_t mostAtOnce = 0;
    QObject::connect(&manager, &NoticeManager::noticeShown, [&](NoticeWindow* notice) {
        shownCaptions.push_back(notice->Caption->text());
        std::size_t visible = 0;
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            visible += (qobject_cast<const NoticeWindow*>(window) && window->isVisible()) ? 1 : 0;
        }
        mostAtOnce = std::max(mostAtOnce, visible);
    });

    for (int i = 1; i <= 5; ++i) {
        manager.Show("Aviso " + std::to_string(i), "");
    }
    EXPECT_EQ(manager.Shown().size(), 3u);
    EXPECT_EQ(manager.Queued(), 2u);

    EXPECT_TRUE(QTest::qWaitFor([&] { return manager.Shown().empty(); }, kDeadlineMs));
    EXPECT_EQ(shownCaptions,
              (std::vector<QString>{"Aviso 1", "Aviso 2", "Aviso 3", "Aviso 4", "Aviso 5"}));
    EXPECT_EQ(mostAtOnce, 3u);
    EXPECT_EQ(manager.Queued(), 0u);
}

TEST_F(NoticeManagerTest, ClosesByItselfAfterItsDisplayTime) {
    for (const NoticeStyle& style : {NoticeStyle::Success(), NoticeStyle::Failure()}) {
        NoticeManager manager(style, column);
        manager.SetDisplayTime(kShortDisplayMs);
        manager.Show("Aviso", "texto");
        QPointer<NoticeWindow> notice = manager.Shown().at(0);
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(notice->isVisible());

        ASSERT_TRUE(QTest::qWaitFor([&] { return notice.isNull(); }, kDeadlineMs));
        EXPECT_GE(clock.elapsed(), kShortDisplayMs) << "closed before its display time";
        EXPECT_TRUE(manager.Shown().empty());
    }
}

TEST_F(NoticeManagerTest, CloseButtonClosesEarlyAndLetsAQueuedNoticeIn) {
    NoticeManager manager(NoticeStyle::Failure(), column);
    for (int i = 1; i <= 4; ++i) {
        manager.Show("Erro " + std::to_string(i), "");
    }
    QPointer<NoticeWindow> first = manager.Shown().at(0);
    ASSERT_EQ(manager.Queued(), 1u);

    QTest::mouseClick(first->CloseButton, Qt::LeftButton);

    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, kDeadlineMs));
    ASSERT_EQ(manager.Shown().size(), 3u);
    EXPECT_EQ(manager.Shown().back()->Caption->text(), QString("Erro 4"));
    EXPECT_EQ(manager.Queued(), 0u);
}

TEST_F(NoticeManagerTest, StacksUpwardsFromTheBottomLeftOfTheWorkArea) {
    NoticeManager success(NoticeStyle::Success(), column);
    NoticeManager failure(NoticeStyle::Failure(), column);
    success.Show("Registro impresso com sucesso", "");
    failure.Show("Erro ao imprimir registro", "Texto do erro");
    success.Show("Registro impresso com sucesso", "");
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();

    const std::vector<QWidget*> inOrder = {success.Shown()[0], failure.Shown()[0],
                                           success.Shown()[1]};
    EXPECT_EQ(inOrder[0]->frameGeometry().bottom(), area.bottom());
    for (std::size_t i = 0; i < inOrder.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(inOrder[i]->frameGeometry().left(), area.left());
        if (i > 0) {
            EXPECT_LT(inOrder[i]->frameGeometry().bottom(), inOrder[i - 1]->frameGeometry().top());
        }
    }

    // When the lowest one closes, the others move down.
    QPointer<QWidget> lowest = inOrder[0];
    lowest->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lowest.isNull(); }, kDeadlineMs));
    EXPECT_EQ(failure.Shown()[0]->frameGeometry().bottom(), area.bottom());
}

} // namespace
