#pragma once

#include "printing/ConnectionSettings.h"

#include <memory>
#include <vector>

struct st_mysql;
class DatabaseQuery;

// The one session with the remote database. Open is a no-op while open; Close ends the session and
// closes every query object using it. Any failure of the session or of a query on it closes both,
// so the next operation connects afresh even when the server went away or restarted.
class DatabaseConnection {
public:
    explicit DatabaseConnection(ConnectionSettings settings);
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;
    ~DatabaseConnection();

    void Open();
    void Close() noexcept;
    bool Connected() const noexcept { return m_session != nullptr; }

    const ConnectionSettings& settings() const noexcept { return m_settings; }

private:
    friend class DatabaseQuery;

    struct SessionCloser {
        void operator()(st_mysql* session) const noexcept;
    };

    st_mysql* session() const noexcept { return m_session.get(); }
    void attach(DatabaseQuery* query);
    void detach(DatabaseQuery* query) noexcept;

    ConnectionSettings m_settings;
    std::unique_ptr<st_mysql, SessionCloser> m_session;
    std::vector<DatabaseQuery*> m_queries;
};
