#include "app/OnlineStartup.h"

#include "LoopbackDatabase.h"
#include "LoopbackListener.h"
#include "PrinterListFake.h"
#include "common/MessageTexts.h"
#include "common/PollTimer.h"
#include "common/TParametros.h"
#include "platform/linux/LibuuidGuidGenerator.h"
#include "printing/ConnectionFailedError.h"
#include "printing/ConnectivityProbe.h"
#include "printing/PrinterRegistry.h"
#include "printing/RemotePrintStore.h"
#include "support/RecordingMessageBoxes.h"
#include "support/StartupFakes.h"

#include <gmock/gmock.h>

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// Writes every change into the journal that the print system shares.
class JournalTimer : public PollTimer {
public:
    explicit JournalTimer(std::vector<std::string>& journal) : m_journal(journal) {}
    void SetEnabled(bool enabled) override {
        m_enabled = enabled;
        m_journal.push_back(enabled ? "timer on" : "timer off");
    }
    bool Enabled() const override { return m_enabled; }
    void SetInterval(int milliseconds) override {
        m_interval = milliseconds;
        m_journal.push_back("interval " + std::to_string(milliseconds));
    }
    int Interval() const override { return m_interval; }

private:
    std::vector<std::string>& m_journal;
    bool m_enabled = false;
    int m_interval = 5000;
};

ConnectionSettings DatabaseAt(unsigned port) {
    return LoopbackDatabaseAt(port, 2s);
}

// Start-up over loopback endpoints: the probe's and a "database" that takes connections into its
// backlog and never answers, so any attempt to reach it shows there.
class OnlineStartupTest : public testing::Test {
protected:
    OnlineStartupTest() {
        printSystem.onList = [this] { journal.push_back("printers listed"); };
    }

    std::vector<std::string> journal;
    LoopbackListener database;
    RemotePrintStore store{DatabaseAt(database.port())};
    TParametros parametros{"01234567000189", "PC-A", "N", "N", "S"};
    PrinterListFake printSystem;
    LibuuidGuidGenerator guids;
    PrinterRegistry registry{store, parametros, printSystem, guids};
    JournalTimer timer{journal};
    RecordingMessageBoxes boxes;
    RecordingApplication application;
};

// No internet: the one message, the quit request, and nothing else: no connection to the
// database, no printer listed, the timer untouched.
TEST_F(OnlineStartupTest, WithoutInternetShowsTheMessageAndEndsWithoutTouchingTheDatabase) {
    LoopbackListener closedProbe(false);
    const ConnectivityProbe probe("127.0.0.1", closedProbe.port());
    OnlineStartup startup(probe, registry, timer, boxes, application);

    EXPECT_FALSE(startup.Run());

    EXPECT_THAT(boxes.shown, ElementsAre(texts::kNoInternetEnd));
    EXPECT_EQ(application.terminations, 1);
    EXPECT_THAT(journal, IsEmpty());
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(database.accept(0ms)) << "the database was contacted";
}

// The probe answers but the database does not: the registration's error leaves Run with the
// interval set and the timer still disabled; nothing is shown and the application goes on.
TEST_F(OnlineStartupTest, RegistrationErrorPassesOnWithTheTimerDisabled) {
    LoopbackListener probeEndpoint;
    const ConnectivityProbe probe("127.0.0.1", probeEndpoint.port());
    LoopbackListener closedDatabase(false);
    RemotePrintStore unreachable(DatabaseAt(closedDatabase.port()));
    PrinterRegistry failing(unreachable, parametros, printSystem, guids);
    OnlineStartup startup(probe, failing, timer, boxes, application);

    EXPECT_THROW(startup.Run(), ConnectionFailedError);

    EXPECT_THAT(journal, ElementsAre("interval 1000"));
    EXPECT_FALSE(timer.Enabled());
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_EQ(application.terminations, 0);
}

} // namespace
