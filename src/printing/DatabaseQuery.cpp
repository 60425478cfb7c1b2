#include "printing/DatabaseQuery.h"

#include "common/UniqueFd.h"
#include "printing/DatabaseConnection.h"
#include "printing/DatabaseError.h"
#include "printing/MysqlErrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mysql.h>
#include <stdexcept>
#include <strings.h>
#include <unistd.h>

namespace {

// Blobs are copied from the row buffer to their file in pieces of this size.
constexpr std::size_t kChunkSize = 1 << 20;

struct StatementCloser {
    void operator()(MYSQL_STMT* statement) const noexcept { mysql_stmt_close(statement); }
};
struct ResultFreer {
    void operator()(MYSQL_RES* result) const noexcept { mysql_free_result(result); }
};
using StatementHandle = std::unique_ptr<MYSQL_STMT, StatementCloser>;
using ResultHandle = std::unique_ptr<MYSQL_RES, ResultFreer>;

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool IsNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string QuoteName(std::string_view name) {
    std::string quoted = "`";
    for (char c : name) {
        quoted += c;
        if (c == '`') {
            quoted += '`';
        }
    }
    return quoted + "`";
}

bool IsBinaryBlob(const MYSQL_FIELD& field) {
    switch (field.type) {
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
        return field.charsetnr == 63;
    default:
        return false;
    }
}

// Binds every value as text, NULL where the flag says so. The vectors must outlive the execution.
struct TextBinds {
    explicit TextBinds(std::size_t count) : binds(count), lengths(count) {}
    void set(std::size_t index, bool null, const std::string& value) {
        MYSQL_BIND& bind = binds[index];
        bind = MYSQL_BIND{};
        if (null) {
            bind.buffer_type = MYSQL_TYPE_NULL;
            return;
        }
        lengths[index] = value.size();
        bind.buffer_type = MYSQL_TYPE_STRING;
        bind.buffer = const_cast<char*>(value.data());
        bind.buffer_length = value.size();
        bind.length = &lengths[index];
    }
    std::vector<MYSQL_BIND> binds;
    std::vector<unsigned long> lengths;
};

} // namespace

// The prepared statement of an open query and the buffers its rows are fetched through.
struct DatabaseQuery::Statement {
    StatementHandle handle;
    ResultHandle metadata;
    std::unique_ptr<TextBinds> parameters;
    std::vector<MYSQL_BIND> columns;
    std::vector<unsigned long> lengths;
    std::vector<my_bool> nulls;
    std::vector<my_bool> errors;
};

DatabaseQuery::DatabaseQuery(DatabaseConnection& connection, std::string sql)
    : m_connection(connection) {
    m_connection.attach(this);
    SetSQL(std::move(sql));
}

DatabaseQuery::~DatabaseQuery() {
    Close();
    m_connection.detach(this);
}

void DatabaseQuery::SetSQL(std::string text) {
    Close();
    std::vector<std::pair<std::string, std::string>> previous = std::move(m_params);
    m_params.clear();
    m_paramOrder.clear();
    m_serverSql.clear();
    m_sql = std::move(text);

    char quote = 0;
    for (std::size_t i = 0; i < m_sql.size(); ++i) {
        const char c = m_sql[i];
        if (quote != 0) {
            m_serverSql += c;
            if (c == '\\' && quote != '`' && i + 1 < m_sql.size()) {
                m_serverSql += m_sql[++i];
            } else if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (c == '\'' || c == '"' || c == '`') {
            quote = c;
        }
        if (c != ':' || i + 1 >= m_sql.size() || !IsNameCharacter(m_sql[i + 1])) {
            m_serverSql += c;
            continue;
        }
        std::size_t end = i + 1;
        while (end < m_sql.size() && IsNameCharacter(m_sql[end])) {
            ++end;
        }
        const std::string name = m_sql.substr(i + 1, end - i - 1);
        auto same = [&](const auto& param) { return SameName(param.first, name); };
        auto found = std::find_if(m_params.begin(), m_params.end(), same);
        if (found == m_params.end()) {
            auto kept = std::find_if(previous.begin(), previous.end(), same);
            m_params.emplace_back(name, kept == previous.end() ? std::string() : kept->second);
            found = std::prev(m_params.end());
        }
        m_paramOrder.push_back(static_cast<std::size_t>(found - m_params.begin()));
        m_serverSql += '?';
        i = end - 1;
    }
}

std::string& DatabaseQuery::ParamByName(std::string_view name) {
    for (auto& param : m_params) {
        if (SameName(param.first, name)) {
            return param.second;
        }
    }
    throw DatabaseError("Parâmetro '" + std::string(name) + "' não encontrado", 0);
}

void DatabaseQuery::Open() {
    if (m_active) {
        return;
    }
    prepare();
    MYSQL_STMT* statement = m_statement->handle.get();
    // A read-only server-side cursor handing over one row per fetch: the client holds one
    // document at a time, and other statements may run on the session while the result is open.
    const unsigned long cursor = CURSOR_TYPE_READ_ONLY;
    const unsigned long prefetch = 1;
    if (mysql_stmt_attr_set(statement, STMT_ATTR_CURSOR_TYPE, &cursor) != 0 ||
        mysql_stmt_attr_set(statement, STMT_ATTR_PREFETCH_ROWS, &prefetch) != 0) {
        failFromLibrary(mysql_stmt_errno(statement), mysql_stmt_error(statement));
    }
    bindParameters();
    if (mysql_stmt_execute(statement) != 0) {
        failFromLibrary(mysql_stmt_errno(statement), mysql_stmt_error(statement));
    }
    describeResult();
    m_active = true;
    m_eof = false;
    fetchRow();
}

void DatabaseQuery::ExecSQL() {
    Close();
    prepare();
    MYSQL_STMT* statement = m_statement->handle.get();
    bindParameters();
    if (mysql_stmt_execute(statement) != 0) {
        failFromLibrary(mysql_stmt_errno(statement), mysql_stmt_error(statement));
    }
    m_rowsAffected = mysql_stmt_affected_rows(statement);
    m_statement.reset();
}

void DatabaseQuery::Close() noexcept {
    m_statement.reset();
    m_backup.clear();
    m_active = false;
    m_eof = true;
    m_mode = Mode::Browse;
}

void DatabaseQuery::Next() {
    if (!m_active) {
        fail("A consulta está fechada: não é possível avançar");
    }
    if (m_eof) {
        return;
    }
    postPendingChanges();
    fetchRow();
}

DatabaseField& DatabaseQuery::FieldByName(std::string_view name) {
    if (!m_active) {
        throw DatabaseError(
            "A consulta está fechada: campo '" + std::string(name) + "' indisponível", 0);
    }
    for (DatabaseField& field : m_fields) {
        if (SameName(field.FieldName(), name)) {
            return field;
        }
    }
    throw DatabaseError("Campo '" + std::string(name) + "' não encontrado", 0);
}

void DatabaseQuery::Insert() {
    if (!m_active) {
        fail("A consulta está fechada: não é possível incluir um registro");
    }
    postPendingChanges();
    m_backup = m_fields;
    m_backupEof = m_eof;
    for (DatabaseField& field : m_fields) {
        field.setFromServer(true, std::string(), false);
    }
    m_eof = false;
    m_mode = Mode::Inserting;
}

void DatabaseQuery::Edit() {
    if (m_mode != Mode::Browse) {
        return;
    }
    requireCurrentRow("alterar");
    m_backup = m_fields;
    m_backupEof = m_eof;
    m_mode = Mode::Editing;
}

void DatabaseQuery::Cancel() noexcept {
    if (m_mode == Mode::Browse) {
        return;
    }
    m_fields.swap(m_backup);
    m_eof = m_backupEof;
    m_backup.clear();
    m_mode = Mode::Browse;
}

void DatabaseQuery::Post() {
    if (m_mode == Mode::Browse) {
        return;
    }
    if (m_table.empty()) {
        fail("O resultado da consulta não vem de uma única tabela: o registro não pode ser "
             "gravado");
    }
    std::vector<std::pair<bool, std::string>> values;
    std::string sql;
    if (m_mode == Mode::Inserting) {
        std::string columns;
        std::string marks;
        for (const DatabaseField& field : m_fields) {
            if (!field.m_modified) {
                continue;
            }
            columns += (columns.empty() ? "" : ", ") + QuoteName(field.m_column);
            marks += marks.empty() ? "?" : ", ?";
            values.emplace_back(field.m_null, field.m_value);
        }
        sql = "INSERT INTO " + m_table + " (" + columns + ") VALUES (" + marks + ")";
        unsigned long long insertId = 0;
        runChange(sql, values, &insertId);
        // A key the server numbered itself identifies the new row from now on.
        for (DatabaseField& field : m_fields) {
            if (field.m_autoIncrement && !field.m_modified && insertId != 0) {
                field.m_null = false;
                field.m_value = std::to_string(insertId);
            }
        }
    } else {
        std::string assignments;
        for (const DatabaseField& field : m_fields) {
            if (field.m_modified) {
                assignments += (assignments.empty() ? "" : ", ") + QuoteName(field.m_column) + "=?";
                values.emplace_back(field.m_null, field.m_value);
            }
        }
        if (!assignments.empty()) {
            std::vector<const DatabaseField*> keys;
            const std::string condition = rowCondition(keys);
            for (const DatabaseField* key : keys) {
                values.emplace_back(key->m_originalNull, key->m_original);
            }
            sql = "UPDATE " + m_table + " SET " + assignments + condition;
            if (runChange(sql, values) != 1) {
                fail("O registro não foi encontrado no servidor para ser alterado: outro "
                     "usuário o alterou ou excluiu");
            }
        }
    }
    for (DatabaseField& field : m_fields) {
        field.markPosted();
    }
    m_backup.clear();
    m_mode = Mode::Browse;
}

void DatabaseQuery::Delete() {
    if (m_mode == Mode::Inserting) {
        Cancel();
        return;
    }
    Cancel();
    requireCurrentRow("excluir");
    if (m_table.empty()) {
        fail("O resultado da consulta não vem de uma única tabela: o registro não pode ser "
             "excluído");
    }
    std::vector<const DatabaseField*> keys;
    const std::string condition = rowCondition(keys);
    std::vector<std::pair<bool, std::string>> values;
    values.reserve(keys.size());
    for (const DatabaseField* key : keys) {
        values.emplace_back(key->m_originalNull, key->m_original);
    }
    if (runChange("DELETE FROM " + m_table + condition, values) != 1) {
        fail("O registro não foi encontrado no servidor para ser excluído: outro usuário o "
             "alterou ou excluiu");
    }
    fetchRow();
}

void DatabaseQuery::failFromLibrary(unsigned code, const char* message) {
    const std::string text = message != nullptr ? message : "";
    m_connection.Close();
    ThrowMysqlError(code, text, false);
}

void DatabaseQuery::fail(const std::string& message) {
    m_connection.Close();
    throw DatabaseError(message, 0);
}

void DatabaseQuery::requireCurrentRow(const char* action) {
    if (!m_active || m_eof) {
        fail(std::string("Não há registro atual para ") + action);
    }
}

void DatabaseQuery::requireEditing() {
    if (!m_active || m_mode == Mode::Browse) {
        fail("O registro não está em inclusão nem em alteração");
    }
}

void DatabaseQuery::postPendingChanges() {
    if (m_mode != Mode::Browse) {
        Post();
    }
}

void DatabaseQuery::prepare() {
    const bool reused = m_connection.Connected();
    m_connection.Open();
    for (bool retried = false;; retried = true) {
        StatementHandle statement(mysql_stmt_init(m_connection.session()));
        if (!statement) {
            failFromLibrary(mysql_errno(m_connection.session()),
                            mysql_error(m_connection.session()));
        }
        if (mysql_stmt_prepare(statement.get(), m_serverSql.data(), m_serverSql.size()) == 0) {
            m_statement = std::make_unique<Statement>();
            m_statement->handle = std::move(statement);
            return;
        }
        const unsigned code = mysql_stmt_errno(statement.get());
        // A session left open by an earlier operation may have died meanwhile (server restart,
        // dropped link). Preparing changes nothing on the server, so it is safe to reconnect and
        // prepare once more.
        if (reused && !retried && IsConnectionLost(code)) {
            statement.reset();
            m_connection.Close();
            m_connection.Open();
            continue;
        }
        const std::string message = mysql_stmt_error(statement.get());
        statement.reset();
        failFromLibrary(code, message.c_str());
    }
}

void DatabaseQuery::bindParameters() {
    MYSQL_STMT* statement = m_statement->handle.get();
    if (mysql_stmt_param_count(statement) != m_paramOrder.size()) {
        fail("A instrução tem parâmetros que não estão no formato :NOME");
    }
    m_statement->parameters = std::make_unique<TextBinds>(m_paramOrder.size());
    for (std::size_t i = 0; i < m_paramOrder.size(); ++i) {
        m_statement->parameters->set(i, false, m_params[m_paramOrder[i]].second);
    }
    if (!m_paramOrder.empty() &&
        mysql_stmt_bind_param(statement, m_statement->parameters->binds.data()) != 0) {
        failFromLibrary(mysql_stmt_errno(statement), mysql_stmt_error(statement));
    }
}

void DatabaseQuery::describeResult() {
    MYSQL_STMT* statement = m_statement->handle.get();
    m_statement->metadata.reset(mysql_stmt_result_metadata(statement));
    if (!m_statement->metadata) {
        if (mysql_stmt_errno(statement) != 0) {
            failFromLibrary(mysql_stmt_errno(statement), mysql_stmt_error(statement));
        }
        fail("A instrução não devolve registros: use ExecSQL");
    }
    const unsigned count = mysql_num_fields(m_statement->metadata.get());
    const MYSQL_FIELD* columns = mysql_fetch_fields(m_statement->metadata.get());

    m_fields.clear();
    m_fields.reserve(count);
    m_table.clear();
    bool oneTable = true;
    for (unsigned i = 0; i < count; ++i) {
        const MYSQL_FIELD& column = columns[i];
        const std::string table = column.org_table != nullptr ? column.org_table : "";
        const std::string database = column.db != nullptr ? column.db : "";
        const std::string quoted =
            (database.empty() ? "" : QuoteName(database) + ".") + QuoteName(table);
        if (table.empty() || (i > 0 && quoted != m_table)) {
            oneTable = false;
        }
        m_table = quoted;
        const char* own = column.org_name != nullptr && column.org_name[0] != '\0' ? column.org_name
                                                                                   : column.name;
        m_fields.push_back(DatabaseField(*this, i, column.name, own, IsBinaryBlob(column),
                                         (column.flags & PRI_KEY_FLAG) != 0,
                                         (column.flags & AUTO_INCREMENT_FLAG) != 0));
    }
    if (!oneTable) {
        m_table.clear();
    }

    // Every column is fetched with an empty buffer: the fetch only reports lengths and NULLs,
    // and each value is then copied out at its own size.
    m_statement->columns.assign(count, MYSQL_BIND{});
    m_statement->lengths.assign(count, 0);
    m_statement->nulls.assign(count, 0);
    m_statement->errors.assign(count, 0);
    for (unsigned i = 0; i < count; ++i) {
        MYSQL_BIND& bind = m_statement->columns[i];
        bind.buffer_type = m_fields[i].IsBlob() ? MYSQL_TYPE_BLOB : MYSQL_TYPE_STRING;
        bind.length = &m_statement->lengths[i];
        bind.is_null = &m_statement->nulls[i];
        bind.error = &m_statement->errors[i];
    }
    if (count > 0 && mysql_stmt_bind_result(statement, m_statement->columns.data()) != 0) {
        failFromLibrary(mysql_stmt_errno(statement), mysql_stmt_error(statement));
    }
}

void DatabaseQuery::fetchRow() {
    MYSQL_STMT* statement = m_statement->handle.get();
    const int result = mysql_stmt_fetch(statement);
    if (result == MYSQL_NO_DATA) {
        m_eof = true;
        return;
    }
    if (result != 0 && result != MYSQL_DATA_TRUNCATED) {
        failFromLibrary(mysql_stmt_errno(statement), mysql_stmt_error(statement));
    }
    m_eof = false;
    for (DatabaseField& field : m_fields) {
        const bool null = m_statement->nulls[field.m_index] != 0;
        if (null || field.IsBlob()) {
            field.setFromServer(null, std::string(), !null);
        } else {
            field.setFromServer(false, readColumn(field.m_index), false);
        }
    }
}

void DatabaseQuery::fetchColumnPiece(unsigned index, char* buffer, std::size_t size,
                                     unsigned long offset) {
    MYSQL_BIND bind = m_statement->columns[index];
    unsigned long total = 0;
    my_bool null = 0;
    my_bool error = 0;
    bind.buffer = buffer;
    bind.buffer_length = size;
    bind.length = &total;
    bind.is_null = &null;
    bind.error = &error;
    if (mysql_stmt_fetch_column(m_statement->handle.get(), &bind, index, offset) != 0) {
        failFromLibrary(mysql_stmt_errno(m_statement->handle.get()),
                        mysql_stmt_error(m_statement->handle.get()));
    }
}

std::string DatabaseQuery::readColumn(unsigned index) {
    if (!m_active || !m_statement || m_eof) {
        fail("A consulta não está num registro");
    }
    const unsigned long length = m_statement->lengths[index];
    // One byte more than the value: text columns get a terminating zero.
    std::string value(length + 1, '\0');
    fetchColumnPiece(index, value.data(), value.size(), 0);
    value.resize(length);
    return value;
}

void DatabaseQuery::saveColumnToFile(unsigned index, const std::filesystem::path& path) {
    const DatabaseField& field = m_fields.at(index);
    UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    // Not a database error, but handled like one: the query and the connection are closed.
    auto failOnFile = [&](int error) {
        const std::string message =
            "Não foi possível gravar o arquivo " + path.string() + ": " + std::strerror(error);
        m_connection.Close();
        throw std::runtime_error(message);
    };
    if (!file) {
        failOnFile(errno);
    }
    auto writeAll = [&](const char* data, std::size_t size) {
        if (!WriteAll(file.get(), std::string_view(data, size))) {
            failOnFile(errno);
        }
    };

    if (!field.m_pending) {
        writeAll(field.m_value.data(), field.m_null ? 0 : field.m_value.size());
    } else {
        if (!m_active || m_eof) {
            fail("A consulta não está num registro");
        }
        const unsigned long length = m_statement->lengths[index];
        std::vector<char> chunk(std::min<std::size_t>(kChunkSize, length));
        for (unsigned long offset = 0; offset < length;) {
            fetchColumnPiece(index, chunk.data(), chunk.size(), offset);
            const std::size_t piece = std::min<std::size_t>(chunk.size(), length - offset);
            writeAll(chunk.data(), piece);
            offset += piece;
        }
    }
    if (!file.close()) {
        failOnFile(errno);
    }
}

std::string DatabaseQuery::rowCondition(std::vector<const DatabaseField*>& values) const {
    std::string condition;
    for (const DatabaseField& field : m_fields) {
        if (field.IsPrimaryKey()) {
            condition +=
                (condition.empty() ? " WHERE " : " AND ") + QuoteName(field.m_column) + "=?";
            values.push_back(&field);
        }
    }
    if (!condition.empty()) {
        return condition;
    }
    // No key: the row is the first one whose values are all the ones it was read with.
    // "<=>" compares NULL with NULL as equal.
    for (const DatabaseField& field : m_fields) {
        if (!field.IsBlob()) {
            condition +=
                (condition.empty() ? " WHERE " : " AND ") + QuoteName(field.m_column) + "<=>?";
            values.push_back(&field);
        }
    }
    return condition + " LIMIT 1";
}

unsigned long long DatabaseQuery::runChange(const std::string& sql,
                                            const std::vector<std::pair<bool, std::string>>& values,
                                            unsigned long long* insertId) {
    MYSQL* session = m_connection.session();
    StatementHandle statement(mysql_stmt_init(session));
    if (!statement) {
        failFromLibrary(mysql_errno(session), mysql_error(session));
    }
    TextBinds binds(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        binds.set(i, values[i].first, values[i].second);
    }
    if (mysql_stmt_prepare(statement.get(), sql.data(), sql.size()) != 0 ||
        (!values.empty() && mysql_stmt_bind_param(statement.get(), binds.binds.data()) != 0) ||
        mysql_stmt_execute(statement.get()) != 0) {
        const unsigned code = mysql_stmt_errno(statement.get());
        const std::string message = mysql_stmt_error(statement.get());
        statement.reset();
        failFromLibrary(code, message.c_str());
    }
    if (insertId != nullptr) {
        *insertId = mysql_stmt_insert_id(statement.get());
    }
    return mysql_stmt_affected_rows(statement.get());
}
