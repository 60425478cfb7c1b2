#include "ui/QtMessageBoxes.h"

#include "support/QtQuitWatch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace {

constexpr int kWaitMs = 5000;

enum class Kind { Message, Error };
enum class CloseBy { OkButton, EscapeKey, CloseBox };

const char* Name(CloseBy closeBy) {
    switch (closeBy) {
    case CloseBy::OkButton:
        return "OkButton";
    case CloseBy::EscapeKey:
        return "EscapeKey";
    case CloseBy::CloseBox:
        break;
    }
    return "CloseBox";
}

void PrintTo(CloseBy closeBy, std::ostream* os) {
    *os << Name(closeBy);
}

void Show(QtMessageBoxes& boxes, Kind kind, const std::string& text) {
    if (kind == Kind::Message) {
        boxes.ShowMessage(text);
    } else {
        boxes.ShowError(text);
    }
}

// Once the next message box is up, hands it to `inspect` and closes it the given way. Must be
// called before the call that shows the box, which blocks until the box is closed.
void HandleNextMessageBox(CloseBy closeBy, const std::function<void(QMessageBox&)>& inspect) {
    QTimer::singleShot(0, [closeBy, inspect] {
        QMessageBox* box = nullptr;
        const bool shown = QTest::qWaitFor(
            [&] {
                box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                return box != nullptr && box->isVisible();
            },
            kWaitMs);
        ASSERT_TRUE(shown) << "no message box was shown";
        inspect(*box);
        switch (closeBy) {
        case CloseBy::OkButton:
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                QTest::mouseClick(ok, Qt::LeftButton);
            }
            break;
        case CloseBy::EscapeKey:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        case CloseBy::CloseBox:
            box->close();
            break;
        }
        if (box->isVisible()) {
            ADD_FAILURE() << "the box did not close";
            box->reject();
        }
    });
}

struct BoxCase {
    const char* name;
    Kind kind;
    QMessageBox::Icon icon;
};

void PrintTo(const BoxCase& c, std::ostream* os) {
    *os << c.name;
}

class QtMessageBoxesShow : public testing::TestWithParam<BoxCase> {};

TEST_P(QtMessageBoxesShow, ShowsTheTextAsGivenInAModalBox) {
    // Markup and line breaks are part of the text, not formatting.
    const std::string text = "Não foi possível <b>imprimir</b> & 100%\r\n\r\nTente de novo.";
    QtMessageBoxes boxes;
    bool inspected = false;

    HandleNextMessageBox(CloseBy::OkButton, [&](QMessageBox& box) {
        inspected = true;
        EXPECT_EQ(box.windowTitle(), QApplication::applicationDisplayName());
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Servidor de impressão remota"));
        EXPECT_EQ(box.text(), QString::fromStdString(text));
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_EQ(box.icon(), GetParam().icon);
        EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
        ASSERT_EQ(box.buttons().size(), 1);
        EXPECT_EQ(box.standardButton(box.buttons().front()), QMessageBox::Ok);
    });
    Show(boxes, GetParam().kind, text);

    // The call returned only once the box had been seen and closed.
    EXPECT_TRUE(inspected);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Kinds, QtMessageBoxesShow,
                         testing::Values(BoxCase{"Message", Kind::Message, QMessageBox::NoIcon},
                                         BoxCase{"Error", Kind::Error, QMessageBox::Critical}),
                         [](const testing::TestParamInfo<BoxCase>& info) {
                             return std::string(info.param.name);
                         });

class QtMessageBoxesClose : public testing::TestWithParam<CloseBy> {};

TEST_P(QtMessageBoxesClose, ReturnsWhenClosed) {
    QtMessageBoxes boxes;
    bool inspected = false;

    HandleNextMessageBox(GetParam(), [&](QMessageBox&) { inspected = true; });
    boxes.ShowMessage("CNPJ incorreto!");

    EXPECT_TRUE(inspected);
}

INSTANTIATE_TEST_SUITE_P(Ways, QtMessageBoxesClose,
                         testing::Values(CloseBy::OkButton, CloseBy::EscapeKey, CloseBy::CloseBox),
                         [](const testing::TestParamInfo<CloseBy>& info) {
                             return std::string(Name(info.param));
                         });

// With no other window open, closing a box must not end the application, whatever
// quitOnLastWindowClosed says (the agent's main sets it false).
class QtMessageBoxesLifetime : public testing::TestWithParam<bool> {};

TEST_P(QtMessageBoxesLifetime, ClosingLeavesTheApplicationRunning) {
    const QuitOnLastWindowClosedScope quitSetting(GetParam());
    QuitRequestCatcher quitRequests;
    QtMessageBoxes boxes;
    constexpr int kStillRunning = 42;
    bool timerAfterClose = false;

    QTimer::singleShot(0, [&] {
        HandleNextMessageBox(CloseBy::CloseBox, [](QMessageBox&) {});
        boxes.ShowError("Falha");
        QTimer::singleShot(0, [&] {
            timerAfterClose = true;
            QCoreApplication::exit(kStillRunning);
        });
    });

    EXPECT_EQ(QApplication::exec(), kStillRunning);
    EXPECT_TRUE(timerAfterClose);
    EXPECT_EQ(quitRequests.m_requests, 0);
}

INSTANTIATE_TEST_SUITE_P(QuitOnLastWindowClosed, QtMessageBoxesLifetime, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "On" : "Off");
                         });

} // namespace
