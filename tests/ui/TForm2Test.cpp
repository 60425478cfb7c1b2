#include "ui/TForm2.h"

#include "support/QtQuitWatch.h"
#include "ui/QtMessageBoxes.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int kWaitMs = 5000;
const std::string kBlankEntry = "  .   .   /    -  ";

class RecordingMessageBoxes : public MessageBoxes {
public:
    void ShowMessage(const std::string& text) override { m_messages.push_back(text); }
    void ShowError(const std::string& text) override { m_errors.push_back(text); }

    std::vector<std::string> m_messages;
    std::vector<std::string> m_errors;
};

// Shows the dialog modally and runs `drive` inside the showing once the dialog is active.
// Whatever `drive` leaves open is closed afterwards, so a failing case cannot hang the run.
void ShowAndDrive(TForm2& dialog, const std::function<void()>& drive) {
    bool driven = false;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog, kWaitMs));
        drive();
        driven = true;
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
    dialog.ShowModal();
    EXPECT_TRUE(driven);
    EXPECT_FALSE(dialog.isVisible());
}

// Types into the entry from its first position, as an operator's key presses.
void TypeIntoEntry(TForm2& dialog, const QString& keys) {
    QTest::keyClick(dialog.EdtCNPJ, Qt::Key_Home);
    QTest::keyClicks(dialog.EdtCNPJ, keys);
}

// Waits for the message box that the next step opens, hands it to `inspect` and then presses
// its OK button. Must be called before the step that opens the box, which blocks until then.
void HandleNextMessageBox(const std::function<void(QMessageBox&)>& inspect) {
    QTimer::singleShot(0, [inspect] {
        QMessageBox* box = nullptr;
        const bool shown = QTest::qWaitFor(
            [&] {
                box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                return box != nullptr && box->isVisible();
            },
            kWaitMs);
        ASSERT_TRUE(shown) << "no message box was shown";
        inspect(*box);
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            QTest::mouseClick(ok, Qt::LeftButton);
        } else {
            ADD_FAILURE() << "the box has no OK button";
            box->reject();
        }
    });
}

// --- Entering a CNPJ and ending the showing -------------------------------------------------

enum class Finish { ClickEntrar, ReturnKey, KeypadEnterKey, EscapeKey, CloseBox };

struct FinishCase {
    const char* name;
    const char* typed;
    Finish finish;
    bool closes;
    const char* entryAfter;
};

void PrintTo(const FinishCase& c, std::ostream* os) {
    *os << c.name;
}

class TForm2Finish : public testing::TestWithParam<FinishCase> {};

void FinishBy(TForm2& dialog, Finish how) {
    switch (how) {
    case Finish::ClickEntrar:
        QTest::mouseClick(dialog.ConnectBtn, Qt::LeftButton);
        break;
    case Finish::ReturnKey:
        QTest::keyClick(dialog.EdtCNPJ, Qt::Key_Return);
        break;
    case Finish::KeypadEnterKey:
        QTest::keyClick(dialog.EdtCNPJ, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    case Finish::EscapeKey:
        QTest::keyClick(dialog.EdtCNPJ, Qt::Key_Escape);
        break;
    case Finish::CloseBox:
        dialog.close();
        break;
    }
}

TEST_P(TForm2Finish, EndsTheShowingOnlyWhenAllowed) {
    const FinishCase& c = GetParam();
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    ShowAndDrive(dialog, [&] {
        TypeIntoEntry(dialog, QString::fromUtf8(c.typed));
        const std::string typed = dialog.EntryText();
        ASSERT_EQ(typed, c.entryAfter);

        FinishBy(dialog, c.finish);

        EXPECT_EQ(dialog.isVisible(), !c.closes);
        if (c.closes) {
            EXPECT_TRUE(messages.m_messages.empty());
        } else {
            EXPECT_EQ(messages.m_messages, std::vector<std::string>{"CNPJ incorreto!"});
            EXPECT_EQ(dialog.EntryText(), typed);
        }
    });

    EXPECT_EQ(dialog.EntryText(), c.entryAfter);
    EXPECT_TRUE(messages.m_errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TForm2Finish,
    testing::Values(
        FinishCase{"FourteenDigitsEntrar", "12345678000190", Finish::ClickEntrar, true,
                   "12.345.678/0001-90"},
        FinishCase{"FourteenDigitsReturn", "12345678000190", Finish::ReturnKey, true,
                   "12.345.678/0001-90"},
        FinishCase{"FourteenDigitsKeypadEnter", "12345678000190", Finish::KeypadEnterKey, true,
                   "12.345.678/0001-90"},
        FinishCase{"ThirteenDigitsEntrar", "1234567800019", Finish::ClickEntrar, false,
                   "12.345.678/0001-9 "},
        FinishCase{"ThirteenDigitsReturn", "1234567800019", Finish::ReturnKey, false,
                   "12.345.678/0001-9 "},
        FinishCase{"EmptyEntrar", "", Finish::ClickEntrar, false, "  .   .   /    -  "},
        FinishCase{"ZerosOnlyEntrar", "00000000000000", Finish::ClickEntrar, true,
                   "00.000.000/0000-00"},
        FinishCase{"TenDigitsCloseBox", "1234567800", Finish::CloseBox, true, "12.345.678/00  -  "},
        FinishCase{"TenDigitsEscape", "1234567800", Finish::EscapeKey, true, "12.345.678/00  -  "},
        FinishCase{"EmptyCloseBox", "", Finish::CloseBox, true, "  .   .   /    -  "}),
    [](const testing::TestParamInfo<FinishCase>& info) { return std::string(info.param.name); });

TEST(TForm2, RepeatedWrongAttemptsEachTellTheOperator) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    ShowAndDrive(dialog, [&] {
        TypeIntoEntry(dialog, QStringLiteral("123"));
        QTest::mouseClick(dialog.ConnectBtn, Qt::LeftButton);
        QTest::mouseClick(dialog.ConnectBtn, Qt::LeftButton);
        EXPECT_EQ(messages.m_messages.size(), 2u);
        EXPECT_TRUE(dialog.isVisible());

        // Completing the entry afterwards is accepted.
        TypeIntoEntry(dialog, QStringLiteral("12345678000190"));
        QTest::mouseClick(dialog.ConnectBtn, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });

    EXPECT_EQ(messages.m_messages.size(), 2u);
    EXPECT_EQ(dialog.EntryText(), "12.345.678/0001-90");
}

// --- The masked entry ------------------------------------------------------------------------

struct TypingCase {
    const char* name;
    const char* keys;
    const char* shown;
};

void PrintTo(const TypingCase& c, std::ostream* os) {
    *os << c.name;
}

class TForm2Typing : public testing::TestWithParam<TypingCase> {};

TEST_P(TForm2Typing, MaskKeepsDigitsInPlace) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    ShowAndDrive(dialog, [&] {
        TypeIntoEntry(dialog, QString::fromUtf8(GetParam().keys));
        EXPECT_EQ(dialog.EntryText(), GetParam().shown);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TForm2Typing,
    testing::Values(TypingCase{"LettersRejected", "ab1c2de3", "12.3  .   /    -  "},
                    TypingCase{"OnlyLetters", "CNPJ", "  .   .   /    -  "},
                    TypingCase{"WithPunctuation", "12.345.678/0001-90", "12.345.678/0001-90"},
                    TypingCase{"ExtraDigitsDropped", "1234567800019077", "12.345.678/0001-90"}),
    [](const testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

struct PresetCase {
    const char* name;
    const char* set;
    const char* shown;
};

void PrintTo(const PresetCase& c, std::ostream* os) {
    *os << c.name;
}

class TForm2Preset : public testing::TestWithParam<PresetCase> {};

TEST_P(TForm2Preset, SetEntryTextLaysTheDigitsIntoTheMask) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);
    dialog.SetEntryText(GetParam().set);
    EXPECT_EQ(dialog.EntryText(), GetParam().shown);

    ShowAndDrive(dialog,
                 [&] { EXPECT_EQ(dialog.EdtCNPJ->displayText().toStdString(), GetParam().shown); });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TForm2Preset,
    testing::Values(PresetCase{"Digits", "12345678000190", "12.345.678/0001-90"},
                    PresetCase{"Formatted", "12.345.678/0001-90", "12.345.678/0001-90"},
                    PresetCase{"Partial", "123", "12.3  .   /    -  "},
                    PresetCase{"TooLong", "1234567800019099", "12.345.678/0001-90"},
                    PresetCase{"Empty", "", "  .   .   /    -  "},
                    PresetCase{"NoDigits", "abc", "  .   .   /    -  "}),
    [](const testing::TestParamInfo<PresetCase>& info) { return std::string(info.param.name); });

TEST(TForm2, StartsWithTheBlankMask) {
    RecordingMessageBoxes messages;
    const TForm2 dialog(messages);
    EXPECT_EQ(dialog.EntryText(), kBlankEntry);
}

TEST(TForm2, PresetCnpjIsAcceptedWithoutTyping) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);
    dialog.SetEntryText("12345678000190");

    ShowAndDrive(dialog, [&] {
        QTest::mouseClick(dialog.ConnectBtn, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });

    EXPECT_TRUE(messages.m_messages.empty());
}

TEST(TForm2, EntrySurvivesTheNextShowing) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    ShowAndDrive(dialog, [&] {
        TypeIntoEntry(dialog, QStringLiteral("1234567800"));
        dialog.close();
    });
    ShowAndDrive(dialog, [&] {
        EXPECT_EQ(dialog.EdtCNPJ->displayText().toStdString(), "12.345.678/00  -  ");
        TypeIntoEntry(dialog, QStringLiteral("9876"));
        dialog.close();
    });

    EXPECT_EQ(dialog.EntryText(), "98.765.678/00  -  ");
}

TEST(TForm2, FocusStartsOnEntrarAndTabLeadsToTheEntry) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    ShowAndDrive(dialog, [&] {
        EXPECT_EQ(QApplication::focusWidget(), dialog.ConnectBtn);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.EdtCNPJ);
        // Tabbing in puts the cursor on the first blank, so typing fills the entry from the start.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("12345678000190"));
        EXPECT_EQ(dialog.EntryText(), "12.345.678/0001-90");

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.ConnectBtn);
        // Space presses the focused button.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_FALSE(dialog.isVisible());
    });

    EXPECT_TRUE(messages.m_messages.empty());
}

// --- Look ------------------------------------------------------------------------------------

TEST(TForm2, LayoutAndWindowFrame) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Informe o CNPJ"));
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_EQ(dialog.windowType(), Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_DeleteOnClose));

    EXPECT_EQ(dialog.size(), QSize(472, 242));
    EXPECT_EQ(dialog.PanelCNPJ->parentWidget(), &dialog);
    EXPECT_EQ(dialog.PanelCNPJ->geometry(), QRect(84, 48, 300, 50));
    EXPECT_EQ(dialog.ConnectBtn->parentWidget(), &dialog);
    EXPECT_EQ(dialog.ConnectBtn->geometry(), QRect(137, 154, 199, 40));
    EXPECT_EQ(dialog.ConnectBtn->text(), QStringLiteral("Entrar"));
    EXPECT_TRUE(dialog.ConnectBtn->isDefault());
    EXPECT_EQ(dialog.ConnectBtn->cursor().shape(), Qt::PointingHandCursor);

    // The caption runs across the top of the panel, the edit takes the rest of it.
    EXPECT_EQ(dialog.LabelCNPJ->parentWidget(), dialog.PanelCNPJ);
    EXPECT_EQ(dialog.EdtCNPJ->parentWidget(), dialog.PanelCNPJ);
    EXPECT_EQ(dialog.LabelCNPJ->text(), QStringLiteral("CNPJ"));
    const QRect panel = dialog.PanelCNPJ->rect();
    const QRect label = dialog.LabelCNPJ->geometry();
    const QRect edit = dialog.EdtCNPJ->geometry();
    EXPECT_TRUE(panel.contains(label)) << label.x() << "," << label.y();
    EXPECT_TRUE(panel.contains(edit)) << edit.x() << "," << edit.y();
    EXPECT_LE(label.bottom(), edit.top());
    EXPECT_GE(edit.height(), 24);
    EXPECT_FALSE(dialog.EdtCNPJ->hasFrame());

    ShowAndDrive(dialog, [&] { EXPECT_EQ(dialog.size(), QSize(472, 242)); });
}

TEST(TForm2, Fonts) {
    RecordingMessageBoxes messages;
    const TForm2 dialog(messages);

    struct Expected {
        const QWidget* widget;
        const char* family;
        int pixelSize;
        bool bold;
    };
    for (const Expected& e : {Expected{dialog.LabelCNPJ, "Lucida Sans Unicode", 11, false},
                              Expected{dialog.EdtCNPJ, "Lucida Sans Unicode", 20, false},
                              Expected{dialog.ConnectBtn, "Segoe UI", 17, true}}) {
        SCOPED_TRACE(e.widget->objectName().toStdString());
        EXPECT_EQ(e.widget->font().family(), QString::fromUtf8(e.family));
        EXPECT_EQ(e.widget->font().pixelSize(), e.pixelSize);
        EXPECT_EQ(e.widget->font().bold(), e.bold);
    }
}

TEST(TForm2, IsResizable) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    ShowAndDrive(dialog, [&] {
        dialog.resize(600, 400);
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.size() == QSize(600, 400); }, kWaitMs));
    });
}

// The colour of one pixel of the widget as painted, as "#rrggbb".
std::string PixelAt(QWidget& widget, QPoint at) {
    return widget.grab().toImage().pixelColor(at).name().toStdString();
}

TEST(TForm2, PaintsTheClientAreaAndPanel) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);

    EXPECT_EQ(PixelAt(dialog, QPoint(5, 5)), "#ffffff");
    EXPECT_EQ(PixelAt(dialog, QPoint(466, 236)), "#ffffff");
    // Left border of the panel halfway down, and just inside it.
    EXPECT_EQ(PixelAt(dialog, QPoint(84, 73)), "#e1e1e1");
    EXPECT_EQ(PixelAt(dialog, QPoint(86, 73)), "#ffffff");
}

enum class ButtonState { Normal, Hovered, Pressed, Disabled };

struct ButtonStateCase {
    const char* name;
    ButtonState state;
    const char* fill;
};

void PrintTo(const ButtonStateCase& c, std::ostream* os) {
    *os << c.name;
}

class TForm2ButtonState : public testing::TestWithParam<ButtonStateCase> {};

TEST_P(TForm2ButtonState, PaintsEntrarInItsStateColour) {
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);
    QPushButton& button = *dialog.ConnectBtn;

    ShowAndDrive(dialog, [&] {
        QTest::mouseMove(&dialog, QPoint(5, 5));
        switch (GetParam().state) {
        case ButtonState::Normal:
            break;
        case ButtonState::Hovered:
            QTest::mouseMove(&button, QPoint(10, 10));
            ASSERT_TRUE(QTest::qWaitFor([&] { return button.underMouse(); }, kWaitMs));
            break;
        case ButtonState::Pressed:
            button.setDown(true);
            break;
        case ButtonState::Disabled:
            button.setEnabled(false);
            break;
        }
        EXPECT_EQ(PixelAt(button, QPoint(4, 4)), GetParam().fill);
        button.setDown(false);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TForm2ButtonState,
    testing::Values(ButtonStateCase{"Normal", ButtonState::Normal, "#0072c6"},
                    ButtonStateCase{"Hovered", ButtonState::Hovered, "#80b6ec"},
                    ButtonStateCase{"Pressed", ButtonState::Pressed, "#80b6ec"},
                    ButtonStateCase{"Disabled", ButtonState::Disabled, "#b6b6b6"}),
    [](const testing::TestParamInfo<ButtonStateCase>& info) {
        return std::string(info.param.name);
    });

// QDialog on its own centres a dialog over its parent; this one goes to the middle of the screen.
class TForm2Centre : public testing::TestWithParam<bool> {};

TEST_P(TForm2Centre, ShowsInTheMiddleOfTheScreen) {
    QWidget owner;
    owner.setGeometry(0, 0, 200, 100);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner, kWaitMs));

    RecordingMessageBoxes messages;
    TForm2 dialog(messages, GetParam() ? &owner : nullptr);

    ShowAndDrive(dialog, [&] {
        const QPoint screenCentre = dialog.screen()->availableGeometry().center();
        const QPoint dialogCentre = dialog.frameGeometry().center();
        EXPECT_LE((screenCentre - dialogCentre).manhattanLength(), 2)
            << dialogCentre.x() << "," << dialogCentre.y() << " vs " << screenCentre.x() << ","
            << screenCentre.y();
    });
}

INSTANTIATE_TEST_SUITE_P(Owners, TForm2Centre, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "WithParent" : "WithoutParent");
                         });

// --- The application outlives the showing ---------------------------------------------------

class TForm2Lifetime : public testing::TestWithParam<bool> {};

TEST_P(TForm2Lifetime, ClosingLeavesTheApplicationRunning) {
    const QuitOnLastWindowClosedScope quitSetting(GetParam());
    RecordingMessageBoxes messages;
    TForm2 dialog(messages);
    QuitRequestCatcher quitRequests;
    constexpr int kStillRunning = 42;
    bool timerAfterClose = false;

    // The showing runs inside the application's own event loop, as in the agent.
    QTimer::singleShot(0, &dialog, [&] {
        ShowAndDrive(dialog, [&] { dialog.close(); });
        QTimer::singleShot(0, &dialog, [&] {
            timerAfterClose = true;
            QCoreApplication::exit(kStillRunning);
        });
    });

    EXPECT_EQ(QApplication::exec(), kStillRunning);
    EXPECT_TRUE(timerAfterClose);
    EXPECT_EQ(quitRequests.m_requests, 0);
}

INSTANTIATE_TEST_SUITE_P(QuitOnLastWindowClosed, TForm2Lifetime, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "On" : "Off");
                         });

// --- With the real message boxes -------------------------------------------------------------

TEST(TForm2WithQtMessageBoxes, IncorrectCnpjShowsAPlainBoxAndKeepsTheDialog) {
    QtMessageBoxes boxes;
    TForm2 dialog(boxes);
    bool inspected = false;

    ShowAndDrive(dialog, [&] {
        TypeIntoEntry(dialog, QStringLiteral("1234567800019"));
        HandleNextMessageBox([&](QMessageBox& box) {
            inspected = true;
            EXPECT_EQ(box.windowTitle(), QStringLiteral("Servidor de impressão remota"));
            EXPECT_EQ(box.text(), QStringLiteral("CNPJ incorreto!"));
            EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
            ASSERT_EQ(box.buttons().size(), 1);
            EXPECT_EQ(box.standardButton(box.buttons().front()), QMessageBox::Ok);
            EXPECT_TRUE(dialog.isVisible());
        });
        QTest::mouseClick(dialog.ConnectBtn, Qt::LeftButton);

        EXPECT_TRUE(inspected);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.EntryText(), "12.345.678/0001-9 ");
    });
}

} // namespace
