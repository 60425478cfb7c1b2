// Runs under a real X server: the offscreen platform activates every window it shows, so only a
// real one can show whether a notice leaves the keyboard focus where it was.
#include "ui/NoticeColumn.h"
#include "ui/NoticeManager.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kDeadlineMs = 10000;

TEST(NoticeFocus, NoticeDoesNotTakeTheKeyboardFocus) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, kDeadlineMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, kDeadlineMs));

    NoticeColumn column;
    NoticeManager manager(NoticeStyle::Success(), column);
    manager.Show("Registro impresso com sucesso", "");
    NoticeWindow* notice = manager.Shown().at(0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(notice, kDeadlineMs));
    // Typing goes on into the edit while the notice is up.
    QTest::keyClicks(QApplication::focusWidget(), "abc");

    EXPECT_EQ(QApplication::activeWindow(), &window);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(edit->text(), QString("abc"));
    EXPECT_TRUE(notice->isVisible());
}

} // namespace
