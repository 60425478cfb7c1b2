#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct st_mysql;

// The server side of the shared tables, for the tests: places and inspects rows through its own
// plain session (text protocol), independent of the store under test.
class ServerSide {
public:
    // The reason the local MariaDB cannot be used, or nothing when it answers.
    static std::optional<std::string> Unavailable();

    ServerSide();
    ~ServerSide();

    void exec(const std::string& sql);
    long long count(const std::string& sql);
    // Every value of every row; NULL as nothing.
    std::vector<std::vector<std::optional<std::string>>> rows(const std::string& sql);
    // A quoted SQL literal of any bytes.
    std::string literal(const std::optional<std::string>& value);

    void insertJob(const std::string& table, const std::string& guid, const std::string& cnpj,
                   const std::string& computador, const std::optional<std::string>& arquivo,
                   const std::string& imprimir, const std::string& impressora = "PDF");
    void insertPrinter(const std::string& guid, const std::string& cnpj,
                       const std::string& computador, const std::string& impressora);

private:
    struct Closer {
        void operator()(st_mysql* session) const noexcept;
    };
    std::unique_ptr<st_mysql, Closer> m_session;
};
