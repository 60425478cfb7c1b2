#include "ServerSide.h"

#include "printing/ConnectionSettings.h"

#include <errmsg.h>
#include <mysql.h>
#include <stdexcept>

namespace {

std::unique_ptr<MYSQL, void (*)(MYSQL*)> Connect(unsigned& error, std::string& message) {
    const ConnectionSettings settings = ConnectionSettings::FromDeployment();
    std::unique_ptr<MYSQL, void (*)(MYSQL*)> session(mysql_init(nullptr), mysql_close);
    const unsigned timeout = 5;
    mysql_options(session.get(), MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_options(session.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (mysql_real_connect(session.get(), settings.host.c_str(), settings.user.c_str(),
                           settings.password.c_str(), settings.database.c_str(), settings.port,
                           nullptr, 0) == nullptr) {
        error = mysql_errno(session.get());
        message = mysql_error(session.get());
        session.reset();
    }
    return session;
}

} // namespace

void ServerSide::Closer::operator()(st_mysql* session) const noexcept {
    mysql_close(session);
}

std::optional<std::string> ServerSide::Unavailable() {
    unsigned error = 0;
    std::string message;
    if (Connect(error, message)) {
        return std::nullopt;
    }
    // Only an absent server is a reason to skip; a refused login or a missing database is a
    // broken setup and fails the test.
    if (error == CR_CONNECTION_ERROR || error == CR_CONN_HOST_ERROR) {
        return "the local MariaDB is not running (start it with dev/mariadb.sh start): " + message;
    }
    return std::nullopt;
}

ServerSide::ServerSide() {
    unsigned error = 0;
    std::string message;
    auto session = Connect(error, message);
    if (!session) {
        throw std::runtime_error("server side cannot connect: " + message);
    }
    m_session.reset(session.release());
}

ServerSide::~ServerSide() = default;

void ServerSide::exec(const std::string& sql) {
    if (mysql_real_query(m_session.get(), sql.data(), sql.size()) != 0) {
        throw std::runtime_error("server side: " + std::string(mysql_error(m_session.get())) +
                                 " in " + sql.substr(0, 200));
    }
    if (MYSQL_RES* result = mysql_store_result(m_session.get())) {
        mysql_free_result(result);
    }
}

std::vector<std::vector<std::optional<std::string>>> ServerSide::rows(const std::string& sql) {
    if (mysql_real_query(m_session.get(), sql.data(), sql.size()) != 0) {
        throw std::runtime_error("server side: " + std::string(mysql_error(m_session.get())));
    }
    std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)> result(mysql_store_result(m_session.get()),
                                                            mysql_free_result);
    std::vector<std::vector<std::optional<std::string>>> table;
    if (!result) {
        return table;
    }
    const unsigned columns = mysql_num_fields(result.get());
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        const unsigned long* lengths = mysql_fetch_lengths(result.get());
        auto& values = table.emplace_back();
        for (unsigned i = 0; i < columns; ++i) {
            if (row[i] == nullptr) {
                values.emplace_back();
            } else {
                values.emplace_back(std::string(row[i], lengths[i]));
            }
        }
    }
    return table;
}

long long ServerSide::count(const std::string& sql) {
    const auto table = rows(sql);
    return std::stoll(table.at(0).at(0).value());
}

std::string ServerSide::literal(const std::optional<std::string>& value) {
    if (!value) {
        return "NULL";
    }
    std::string escaped(value->size() * 2 + 1, '\0');
    const unsigned long size =
        mysql_real_escape_string(m_session.get(), escaped.data(), value->data(), value->size());
    escaped.resize(size);
    return "'" + escaped + "'";
}

void ServerSide::insertJob(const std::string& table, const std::string& guid,
                           const std::string& cnpj, const std::string& computador,
                           const std::optional<std::string>& arquivo, const std::string& imprimir,
                           const std::string& impressora) {
    exec("INSERT INTO " + table +
         " (GUID, CNPJ, COMPUTADOR, IMPRESSORA, ARQUIVO, IMPRIMIR) VALUES (" + literal(guid) +
         ", " + literal(cnpj) + ", " + literal(computador) + ", " + literal(impressora) + ", " +
         literal(arquivo) + ", " + literal(imprimir) + ")");
}

void ServerSide::insertPrinter(const std::string& guid, const std::string& cnpj,
                               const std::string& computador, const std::string& impressora) {
    exec("INSERT INTO impressoras_remotas (GUID, CNPJ, COMPUTADOR, IMPRESSORA) VALUES (" +
         literal(guid) + ", " + literal(cnpj) + ", " + literal(computador) + ", " +
         literal(impressora) + ")");
}
