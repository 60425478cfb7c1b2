#include "common/CaughtErrorPath.h"

#include "support/FileContent.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

// Records each step of the path with what was already done at that moment.
struct Journal {
    std::vector<std::string> steps;
    std::filesystem::path log;
    bool LogWritten() const { return std::filesystem::exists(log); }
};

class JournalTimer : public PollTimer {
public:
    explicit JournalTimer(Journal& journal) : m_journal(journal) {}
    void SetEnabled(bool enabled) override {
        m_enabled = enabled;
        m_journal.steps.push_back(std::string(enabled ? "enable" : "disable") +
                                  (m_journal.LogWritten() ? " (log written)" : ""));
    }
    bool Enabled() const override { return m_enabled; }
    void SetInterval(int milliseconds) override { m_interval = milliseconds; }
    int Interval() const override { return m_interval; }

private:
    Journal& m_journal;
    bool m_enabled = false;
    int m_interval = 1000;
};

class JournalNotices : public Notices {
public:
    JournalNotices(Journal& journal, const PollTimer& timer) : m_journal(journal), m_timer(timer) {}
    void Show(const std::string& caption, const std::string& text) override {
        m_journal.steps.push_back("notice " + caption + " | " + text +
                                  (m_timer.Enabled() ? " (timer on)" : ""));
    }

private:
    Journal& m_journal;
    const PollTimer& m_timer;
};

class CaughtErrorPathTest : public testing::Test {
protected:
    TemporaryDirectory folder;
    ScopedCurrentDirectory cwd{folder.path()};
    Journal journal{{}, folder.path() / "LOG" / "AppErro.txt"};
    JournalTimer timer{journal};
    JournalNotices notices{journal, timer};
    CaughtErrorPath path{timer, notices};
};

TEST_F(CaughtErrorPathTest, LogsThenReenablesTheTimerThenShowsTheNotice) {
    std::filesystem::create_directory(folder.path() / "LOG");
    timer.SetInterval(5000);

    path.Run("Erro ao imprimir registro", [] { throw std::runtime_error("Lost connection"); });

    EXPECT_EQ(ReadFileBytes(journal.log), "Erro -> Lost connection\r\n");
    EXPECT_EQ(journal.steps, (std::vector<std::string>{
                                 "enable (log written)",
                                 "notice Erro ao imprimir registro | Lost connection (timer on)"}));
    EXPECT_EQ(timer.Interval(), 5000);
}

TEST_F(CaughtErrorPathTest, MissingLogFolderStillReenablesTheTimerAndShowsBothFailures) {
    path.Run("Erro ao limpar fila de impressão", [] { throw std::runtime_error("Recusado"); });

    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(journal.steps,
              (std::vector<std::string>{
                  "enable", "notice Erro ao limpar fila de impressão | Recusado (timer on)",
                  "notice Erro ao gravar o log de erros | Unable to write to " +
                      journal.log.string() + ": No such file or directory (timer on)"}));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "LOG"));
}

TEST_F(CaughtErrorPathTest, BodyWithoutErrorTakesNoStep) {
    bool ran = false;
    path.Run("x", [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(journal.steps.empty());
}

TEST_F(CaughtErrorPathTest, ErrorsOfAnyKindAreCaught) {
    std::filesystem::create_directory(folder.path() / "LOG");
    path.Run("c", [] { throw 7; });
    EXPECT_EQ(ReadFileBytes(journal.log), "Erro -> Erro inesperado\r\n");
    EXPECT_EQ(journal.steps.back(), "notice c | Erro inesperado (timer on)");
}

} // namespace
