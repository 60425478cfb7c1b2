#include "ui/TFrmConexaoPerdida.h"

#include "support/StartupFakes.h"
#include "support/TemporaryDirectory.h"

#include <QApplication>
#include <QByteArray>
#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWaitMs = 5000;
// The countdown's ticks come from a one-second timer, which Qt may fire up to 5% early or late;
// the bounds leave room for a slow machine but not for a tick too many or too few.
constexpr qint64 kFirstTickEarliestMs = 900;
constexpr qint64 kFirstTickLatestMs = 1500;
constexpr qint64 kSecondTickEarliestMs = 1800;
constexpr qint64 kSecondTickLatestMs = 2700;

const std::string kCaptionOne = "Reconectar em (1s)";
const std::string kCaptionZero = "Reconectar em (0s)";

std::string Text(const QString& text) {
    return text.toStdString();
}

std::string Geometry(const QRect& rect) {
    std::ostringstream out;
    out << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
    return out.str();
}

// The state the dialog is left in by each tick of its timer.
struct Tick {
    qint64 atMs;
    std::string caption;
    bool visible;
    int secondsLeft;
};

// A dialog with a log of its ticks, of the presses of "Reconectar" and of the showings that
// ended, timed from the last call to StartClock().
class TFrmConexaoPerdidaTest : public testing::Test {
protected:
    TFrmConexaoPerdidaTest() {
        // Connected after the dialog's own handler, so each entry shows what the tick left.
        QObject::connect(m_dialog.Timer1, &QTimer::timeout, [this] {
            m_ticks.push_back({m_clock.elapsed(), Text(m_dialog.Button1->text()),
                               m_dialog.isVisible(), m_dialog.SecondsLeft()});
        });
        QObject::connect(m_dialog.Button1, &QPushButton::clicked, [this] { ++m_reconectarClicks; });
        QObject::connect(&m_dialog, &QDialog::finished,
                         [this] { m_closedAtMs.push_back(m_clock.elapsed()); });
        m_clock.start();
    }

    void StartClock() { m_clock.restart(); }

    void ShowAndWaitUntilActive() {
        m_dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dialog, kWaitMs));
    }

    // Other windows on screen now: a message box would be one.
    static int OtherVisibleWindows(const QWidget& except) {
        int count = 0;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget != &except && widget->isVisible()) {
                ++count;
            }
        }
        return count;
    }

    RecordingApplication m_application;
    TFrmConexaoPerdida m_dialog{m_application};
    QElapsedTimer m_clock;
    std::vector<Tick> m_ticks;
    int m_reconectarClicks = 0;
    std::vector<qint64> m_closedAtMs;
};

// --- Creation and showing -------------------------------------------------------------------

TEST_F(TFrmConexaoPerdidaTest, IsCreatedHiddenAndIdleWithItsLayout) {
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.SecondsLeft(), 0);
    EXPECT_FALSE(m_dialog.Timer1->isActive());
    EXPECT_EQ(m_dialog.Timer1->interval(), 1000);
    EXPECT_FALSE(m_dialog.Timer1->isSingleShot());

    EXPECT_EQ(Text(m_dialog.windowTitle()), "Conexão perdida");
    const Qt::WindowFlags flags = m_dialog.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    // Resizable: no fixed size.
    EXPECT_NE(m_dialog.minimumSize(), m_dialog.maximumSize());
    EXPECT_EQ(m_dialog.width(), 645);
    EXPECT_EQ(m_dialog.height(), 230);
    EXPECT_EQ(m_dialog.font().pixelSize(), 11);
    EXPECT_EQ(Text(m_dialog.font().family()), "Tahoma");

    EXPECT_EQ(Text(m_dialog.Label1->text()), "Conexão com a base de dados perdida");
    EXPECT_EQ(m_dialog.Label1->pos(), QPoint(18, 24));
    EXPECT_GE(m_dialog.Label1->width(), 345);
    EXPECT_GE(m_dialog.Label1->height(), 24);
    // The whole caption fits, whatever font stands in for Tahoma.
    EXPECT_GE(m_dialog.Label1->width(), m_dialog.Label1->sizeHint().width());
    EXPECT_EQ(m_dialog.Label1->font().pixelSize(), 20);
    EXPECT_EQ(Text(m_dialog.Label1->font().family()), "Tahoma");

    EXPECT_EQ(Text(m_dialog.Button1->text()), "Reconectar");
    EXPECT_EQ(Geometry(m_dialog.Button1->geometry()), "448,157 161x65");
    EXPECT_TRUE(m_dialog.Button1->isDefault());
    EXPECT_EQ(Text(m_dialog.Button2->text()), "Finalizar");
    EXPECT_EQ(Geometry(m_dialog.Button2->geometry()), "321,157 121x65");
    EXPECT_FALSE(m_dialog.Button2->isDefault());

    // The client area is painted white, corners included.
    const QImage image = m_dialog.grab().toImage();
    EXPECT_EQ(Text(image.pixelColor(2, 2).name()), "#ffffff");
    EXPECT_EQ(Text(image.pixelColor(642, 227).name()), "#ffffff");
}

TEST_F(TFrmConexaoPerdidaTest, ShowingCentresItStartsTheCountdownAndFocusesReconectar) {
    ShowAndWaitUntilActive();

    EXPECT_EQ(m_dialog.SecondsLeft(), 2);
    EXPECT_TRUE(m_dialog.Timer1->isActive());
    // The caption is left to the ticks.
    EXPECT_EQ(Text(m_dialog.Button1->text()), "Reconectar");

    const QRect desktop = m_dialog.screen()->virtualGeometry();
    const QRect frame = m_dialog.frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - desktop.center().x()), 1) << Geometry(frame);
    EXPECT_LE(std::abs(frame.center().y() - desktop.center().y()), 1) << Geometry(frame);

    // "Reconectar" heads the tab order, "Finalizar" follows it.
    EXPECT_EQ(QApplication::focusWidget(), m_dialog.Button1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_dialog.Button2);
}

// --- The countdown (real time) --------------------------------------------------------------

TEST_F(TFrmConexaoPerdidaTest, LeftAloneShowsOneThenZeroAndClosesAtTwoSeconds) {
    StartClock();
    m_dialog.show();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dialog.Timer1->isActive(); }, kWaitMs));

    ASSERT_EQ(m_ticks.size(), 2U);
    EXPECT_EQ(m_ticks[0].caption, kCaptionOne);
    EXPECT_TRUE(m_ticks[0].visible);
    EXPECT_GE(m_ticks[0].atMs, kFirstTickEarliestMs);
    EXPECT_LE(m_ticks[0].atMs, kFirstTickLatestMs);
    EXPECT_EQ(m_ticks[1].caption, kCaptionZero);
    EXPECT_FALSE(m_ticks[1].visible);
    EXPECT_EQ(m_ticks[1].secondsLeft, 0);

    // Closed once, by the countdown's own press of "Reconectar", at the second tick.
    EXPECT_EQ(m_reconectarClicks, 1);
    ASSERT_EQ(m_closedAtMs.size(), 1U);
    EXPECT_GE(m_closedAtMs[0], kSecondTickEarliestMs);
    EXPECT_LE(m_closedAtMs[0], kSecondTickLatestMs);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_application.terminations, 0);
}

TEST_F(TFrmConexaoPerdidaTest, SecondShowingKeepsTheZeroCaptionUntilItsFirstTick) {
    ShowAndWaitUntilActive();
    // The first showing's countdown, run ahead of its timer.
    m_dialog.Timer1Timer();
    m_dialog.Timer1Timer();
    ASSERT_FALSE(m_dialog.isVisible());
    ASSERT_FALSE(m_dialog.Timer1->isActive());
    ASSERT_EQ(Text(m_dialog.Button1->text()), kCaptionZero);

    StartClock();
    m_dialog.show();
    EXPECT_EQ(m_dialog.SecondsLeft(), 2);
    EXPECT_TRUE(m_dialog.Timer1->isActive());

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (m_ticks.empty()) {
                EXPECT_EQ(Text(m_dialog.Button1->text()), kCaptionZero);
            }
            return !m_ticks.empty();
        },
        kWaitMs));
    EXPECT_EQ(m_ticks[0].caption, kCaptionOne);
    EXPECT_TRUE(m_ticks[0].visible);
    EXPECT_GE(m_ticks[0].atMs, kFirstTickEarliestMs);
    EXPECT_LE(m_ticks[0].atMs, kFirstTickLatestMs);
}

TEST_F(TFrmConexaoPerdidaTest, ReconectarAfterHalfASecondClosesAndTheCountdownStopsByItselfAtZero) {
    StartClock();
    ShowAndWaitUntilActive();
    // The operator answers after half a second.
    QTest::qWait(500);
    QTest::mouseClick(m_dialog.Button1, Qt::LeftButton);

    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_closedAtMs.size(), 1U);
    EXPECT_TRUE(m_ticks.empty());
    // Closing leaves the countdown running.
    EXPECT_TRUE(m_dialog.Timer1->isActive());
    EXPECT_EQ(m_dialog.SecondsLeft(), 2);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dialog.Timer1->isActive(); }, kWaitMs));
    ASSERT_EQ(m_ticks.size(), 2U);
    EXPECT_EQ(m_ticks[0].caption, kCaptionOne);
    EXPECT_FALSE(m_ticks[0].visible);
    EXPECT_EQ(m_ticks[1].caption, kCaptionZero);
    EXPECT_FALSE(m_ticks[1].visible);
    EXPECT_GE(m_ticks[1].atMs, kSecondTickEarliestMs);
    EXPECT_LE(m_ticks[1].atMs, kSecondTickLatestMs);
    // At zero "Reconectar" is pressed once more; the hidden dialog stays hidden and no second
    // showing ends.
    EXPECT_EQ(m_reconectarClicks, 2);
    EXPECT_EQ(m_closedAtMs.size(), 1U);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.SecondsLeft(), 0);
}

// --- Keys -----------------------------------------------------------------------------------

struct EnterCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const EnterCase& c, std::ostream* os) {
    *os << c.name;
}

class TFrmConexaoPerdidaEnter : public TFrmConexaoPerdidaTest,
                                public testing::WithParamInterface<EnterCase> {};

TEST_P(TFrmConexaoPerdidaEnter, RightAfterShowingClosesTheModalShowingAtOnce) {
    bool pressed = false;
    QTimer::singleShot(0, &m_dialog, [&] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dialog, kWaitMs));
        ASSERT_EQ(QApplication::focusWidget(), m_dialog.Button1);
        QTest::keyClick(QApplication::focusWidget(), GetParam().key, GetParam().modifiers);
        pressed = true;
    });
    StartClock();
    m_dialog.exec();

    EXPECT_TRUE(pressed);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_reconectarClicks, 1);
    // Closed by the key, before the countdown's first tick; the countdown runs on.
    ASSERT_EQ(m_closedAtMs.size(), 1U);
    EXPECT_LT(m_closedAtMs[0], kFirstTickEarliestMs);
    EXPECT_TRUE(m_ticks.empty());
    EXPECT_TRUE(m_dialog.Timer1->isActive());
    EXPECT_EQ(m_application.terminations, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, TFrmConexaoPerdidaEnter,
                         testing::Values(EnterCase{"Return", Qt::Key_Return, Qt::NoModifier},
                                         EnterCase{"KeypadEnter", Qt::Key_Enter,
                                                   Qt::KeypadModifier}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TFrmConexaoPerdidaTest, EscapeDoesNothing) {
    ShowAndWaitUntilActive();
    struct Target {
        const char* name;
        QWidget* widget;
    };
    for (const Target& target :
         {Target{"focused Reconectar", m_dialog.Button1}, Target{"Finalizar", m_dialog.Button2},
          Target{"the dialog itself", &m_dialog}}) {
        SCOPED_TRACE(target.name);
        QTest::keyClick(target.widget, Qt::Key_Escape);
        QCoreApplication::processEvents();

        EXPECT_TRUE(m_dialog.isVisible());
        EXPECT_TRUE(m_closedAtMs.empty());
        EXPECT_EQ(m_reconectarClicks, 0);
        EXPECT_TRUE(m_dialog.Timer1->isActive());
        EXPECT_EQ(m_dialog.SecondsLeft(), 2);
    }
}

struct KeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool swallowed;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.name;
}

class TFrmConexaoPerdidaKeyDown : public TFrmConexaoPerdidaTest,
                                  public testing::WithParamInterface<KeyCase> {};

TEST_P(TFrmConexaoPerdidaKeyDown, SwallowsF4WithAnyModifiersAndPassesOtherKeysOn) {
    const KeyCase& c = GetParam();
    ShowAndWaitUntilActive();
    const int othersBefore = OtherVisibleWindows(m_dialog);

    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
    QApplication::sendEvent(&m_dialog, &press);
    QKeyEvent release(QEvent::KeyRelease, c.key, c.modifiers);
    QApplication::sendEvent(&m_dialog, &release);
    QCoreApplication::processEvents();

    // A swallowed key is taken by the dialog; any other key comes back unhandled.
    EXPECT_EQ(press.isAccepted(), c.swallowed);
    EXPECT_TRUE(m_dialog.isVisible());
    EXPECT_TRUE(m_closedAtMs.empty());
    EXPECT_EQ(m_reconectarClicks, 0);
    EXPECT_EQ(OtherVisibleWindows(m_dialog), othersBefore);
    EXPECT_EQ(m_application.terminations, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TFrmConexaoPerdidaKeyDown,
    testing::Values(KeyCase{"F4", Qt::Key_F4, Qt::NoModifier, true},
                    KeyCase{"ShiftF4", Qt::Key_F4, Qt::ShiftModifier, true},
                    KeyCase{"CtrlF4", Qt::Key_F4, Qt::ControlModifier, true},
                    KeyCase{"AltF4", Qt::Key_F4, Qt::AltModifier, true},
                    KeyCase{"CtrlAltShiftF4", Qt::Key_F4,
                            Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, true},
                    KeyCase{"F3", Qt::Key_F3, Qt::NoModifier, false},
                    KeyCase{"AltF5", Qt::Key_F5, Qt::AltModifier, false},
                    KeyCase{"LetterA", Qt::Key_A, Qt::NoModifier, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- "Finalizar", in a child process --------------------------------------------------------

// The child runs one test of this binary, named by the filter below; the variables tell it
// which scenario to play and where to leave its marks.
constexpr char kScenarioVariable[] = "AGENT_FINALIZAR_SCENARIO";
constexpr char kMarksVariable[] = "AGENT_FINALIZAR_MARKS";
const QString kChildFilter = QStringLiteral("--gtest_filter=TFrmConexaoPerdidaChild.*");

int g_marksFd = -1;

// One line in the marks file, written straight through so that it survives any way out.
void Mark(const char* line) {
    const std::string text = std::string(line) + '\n';
    if (g_marksFd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_marksFd, text.data(), text.size());
    }
}

class MarkingApplication : public ApplicationControl {
public:
    void Terminate() override {
        m_terminated = true;
        Mark("terminate");
    }
    bool Terminated() const override { return m_terminated; }

private:
    bool m_terminated = false;
};

struct MarkOnDestruction {
    MarkOnDestruction() = default;
    MarkOnDestruction(const MarkOnDestruction&) = delete;
    MarkOnDestruction& operator=(const MarkOnDestruction&) = delete;
    ~MarkOnDestruction() { Mark("destructor"); }
};

// Not a test of its own: the body of the child process that the Finalizar tests start.
TEST(TFrmConexaoPerdidaChild, PlaysTheFinalizarScenario) {
    const QByteArray scenario = qgetenv(kScenarioVariable);
    if (scenario.isEmpty()) {
        GTEST_SKIP() << "runs only as the child process of TFrmConexaoPerdidaFinalizar";
    }
    g_marksFd = ::open(qgetenv(kMarksVariable).constData(),
                       O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    ASSERT_GE(g_marksFd, 0);
    // Each of these leaves a mark if the process ends in an orderly way or goes on running.
    std::atexit([] { Mark("atexit"); });
    const MarkOnDestruction destruction;

    MarkingApplication application;
    TFrmConexaoPerdida dialog(application);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, kWaitMs));
    QTimer::singleShot(0, [] { Mark("event loop"); });

    if (scenario == "click") {
        Mark("ready");
        QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    } else if (scenario == "enter") {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dialog.Button2);
        Mark("ready");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else {
        FAIL() << "unknown scenario " << scenario.constData();
    }
    Mark("returned");
    QCoreApplication::processEvents();
}

struct FinalizarCase {
    const char* name;
    const char* scenario;
};

void PrintTo(const FinalizarCase& c, std::ostream* os) {
    *os << c.name;
}

class TFrmConexaoPerdidaFinalizar : public testing::TestWithParam<FinalizarCase> {};

TEST_P(TFrmConexaoPerdidaFinalizar, RequestsTerminationThenEndsTheProcessAtOnceWithStatusZero) {
    const TemporaryDirectory folder;
    const std::string marksPath = (folder.path() / "marks.txt").string();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kScenarioVariable),
                       QString::fromLatin1(GetParam().scenario));
    environment.insert(QString::fromLatin1(kMarksVariable), QString::fromStdString(marksPath));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList{kChildFilter});
    ASSERT_TRUE(child.waitForStarted(kWaitMs)) << Text(child.errorString());
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished(kWaitMs);
        FAIL() << "the child did not end";
    }
    const std::string output = child.readAllStandardOutput().toStdString();

    std::ifstream in(marksPath);
    const std::string marks{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // Termination requested, then nothing: no return from the handler, no further event
    // handling, no destructor and no exit handler.
    EXPECT_EQ(marks, "ready\nterminate\n") << output;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output;
}

INSTANTIATE_TEST_SUITE_P(Ways, TFrmConexaoPerdidaFinalizar,
                         testing::Values(FinalizarCase{"ClickFinalizar", "click"},
                                         FinalizarCase{"EnterWithFocusOnFinalizar", "enter"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
