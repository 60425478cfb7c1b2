#pragma once

#include "ServerSide.h"
#include "printing/RemotePrintStore.h"
#include "support/SkipOrFail.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>

// A test against the local MariaDB. Each test works under company numbers of its own, so tests
// running side by side never see each other's rows; they are removed before and after.
class StoreFixture : public testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = ServerSide::Unavailable()) {
            AGENT_SKIP_OR_FAIL("AGENT_DB_REQUIRED", *reason);
        }
        m_server = std::make_unique<ServerSide>();
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        const std::size_t seed =
            std::hash<std::string>{}(std::string(test->test_suite_name()) + "." + test->name()) ^
            static_cast<std::size_t>(::getpid());
        // A leading zero, which a number would lose, and the same digits without it.
        m_cnpj = "0" + digits(seed, 13);
        m_cnpjWithoutZero = m_cnpj.substr(1);
        m_otherCnpj = "9" + digits(seed / 7, 13);
        removeRows();
    }

    void TearDown() override {
        if (m_server) {
            removeRows();
        }
    }

    static std::string digits(std::size_t value, std::size_t count) {
        std::string text(count, '0');
        for (std::size_t i = count; i-- > 0; value /= 10) {
            text[i] = static_cast<char>('0' + value % 10);
        }
        return text;
    }

    void removeRows() {
        for (const char* table :
             {"impressoras_remotas", "impressoes_remotas", "impressoes_remotas_sem_chave"}) {
            m_server->exec(std::string("DELETE FROM ") + table + " WHERE CNPJ IN (" +
                           m_server->literal(m_cnpj) + ", " + m_server->literal(m_cnpjWithoutZero) +
                           ", " + m_server->literal(m_otherCnpj) + ")");
        }
    }

    // A job's GUID unique to this test.
    std::string guid(const std::string& name) const { return "{" + m_cnpj + "-" + name + "}"; }

    std::unique_ptr<ServerSide> m_server;
    std::string m_cnpj;
    std::string m_cnpjWithoutZero;
    std::string m_otherCnpj;
};
