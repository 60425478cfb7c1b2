#include "ServerRestart.h"

#include "StoreFixture.h"
#include "printing/ConnectionLostError.h"

#include <cstdlib>
#include <gmock/gmock.h>

using testing::AnyOf;
using testing::HasSubstr;

// The local MariaDB stopped and started again under the agent's connection.
class ServerRestartTest : public WithServerRestart<StoreFixture> {
protected:
    void openPendingJobs() { m_store.OpenForComputer(m_store.db_busca_impressao, m_cnpj, "PC-A"); }

    RemotePrintStore m_store;
};

// Stopped while walking the jobs: the operation in progress fails as a lost connection and
// leaves nothing open; once the server is back the next operation succeeds.
TEST_F(ServerRestartTest, OperationAfterAFailureDuringTheStopSucceeds) {
    m_server->insertJob("impressoes_remotas", guid("1"), m_cnpj, "PC-A", "um", "S");
    m_server->insertJob("impressoes_remotas", guid("2"), m_cnpj, "PC-A", "dois", "S");
    openPendingJobs();
    ASSERT_FALSE(m_store.db_busca_impressao.Eof());

    run("stop");
    auto& query = m_store.db_busca_impressao;
    try {
        query.Edit();
        query.FieldByName("IMPRIMIR").SetAsString("N");
        query.Post();
        FAIL() << "the update reached a stopped server";
    } catch (const ConnectionLostError& error) {
        // The client library's own words for a vanished server.
        EXPECT_THAT(error.what(), AnyOf(HasSubstr("Lost connection"), HasSubstr("gone away"),
                                        HasSubstr("shutdown")));
    }
    EXPECT_FALSE(m_store.DBConexaoServidorMobile.Connected());
    run("start");

    openPendingJobs();
    int pending = 0;
    for (; !query.Eof(); query.Next()) {
        ++pending;
    }
    EXPECT_EQ(pending, 2);
    query.Close();
    m_store.DBConexaoServidorMobile.Close();
}

// Restarted while the connection stood open and idle: the next operation still succeeds.
TEST_F(ServerRestartTest, IdleOpenConnectionSurvivesARestart) {
    m_server->insertJob("impressoes_remotas", guid("1"), m_cnpj, "PC-A", "um", "S");
    m_store.DBConexaoServidorMobile.Open();

    run("stop");
    run("start");

    openPendingJobs();
    ASSERT_FALSE(m_store.db_busca_impressao.Eof());
    EXPECT_EQ(m_store.db_busca_impressao.FieldByName("GUID").AsString(), guid("1"));
    m_store.db_busca_impressao.Close();
    m_store.DBConexaoServidorMobile.Close();
}
