#include "printing/DatabaseConnection.h"

#include "printing/DatabaseError.h"
#include "printing/DatabaseQuery.h"
#include "printing/MysqlErrors.h"

#include <algorithm>
#include <mysql.h>
#include <string>

void DatabaseConnection::SessionCloser::operator()(st_mysql* session) const noexcept {
    mysql_close(session);
}

DatabaseConnection::DatabaseConnection(ConnectionSettings settings)
    : m_settings(std::move(settings)) {}

DatabaseConnection::~DatabaseConnection() {
    Close();
}

void DatabaseConnection::Open() {
    if (m_session) {
        return;
    }
    std::unique_ptr<MYSQL, SessionCloser> session(mysql_init(nullptr));
    if (!session) {
        throw DatabaseError("Memória insuficiente para abrir a conexão com o banco de dados", 0);
    }
    const unsigned connectTimeout = static_cast<unsigned>(m_settings.connectTimeout.count());
    const unsigned readTimeout = static_cast<unsigned>(m_settings.readTimeout.count());
    const unsigned writeTimeout = static_cast<unsigned>(m_settings.writeTimeout.count());
    mysql_options(session.get(), MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_options(session.get(), MYSQL_OPT_READ_TIMEOUT, &readTimeout);
    mysql_options(session.get(), MYSQL_OPT_WRITE_TIMEOUT, &writeTimeout);
    mysql_options(session.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // Found rows, not changed rows: an UPDATE that writes the values a row already has still
    // counts as the one row it reached.
    if (mysql_real_connect(session.get(), m_settings.host.c_str(), m_settings.user.c_str(),
                           m_settings.password.c_str(), m_settings.database.c_str(),
                           m_settings.port, nullptr, CLIENT_FOUND_ROWS) == nullptr) {
        ThrowMysqlError(mysql_errno(session.get()), mysql_error(session.get()), true);
    }
    m_session = std::move(session);
}

void DatabaseConnection::Close() noexcept {
    // Statements belong to the session: close them while it still exists.
    for (DatabaseQuery* query : m_queries) {
        query->Close();
    }
    m_session.reset();
}

void DatabaseConnection::attach(DatabaseQuery* query) {
    m_queries.push_back(query);
}

void DatabaseConnection::detach(DatabaseQuery* query) noexcept {
    m_queries.erase(std::remove(m_queries.begin(), m_queries.end(), query), m_queries.end());
}
