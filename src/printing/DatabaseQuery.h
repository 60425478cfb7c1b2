#pragma once

#include "printing/DatabaseField.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class DatabaseConnection;

// A statement with named parameters (":NAME", bound as text) run on the shared connection.
// A SELECT is walked row by row through a server-side cursor, one row in memory at a time, and
// its current row can be edited, deleted or a new row inserted; each Post and Delete reaches the
// server at once. A posted or deleted row is identified by the table's primary key, read from the
// result's metadata; without one, by the original values of its non-blob columns, LIMIT 1.
// Any failure while running a statement, writing a row or writing a file closes the connection
// and every query on it, so the next operation starts afresh.
class DatabaseQuery {
public:
    explicit DatabaseQuery(DatabaseConnection& connection, std::string sql = {});
    DatabaseQuery(const DatabaseQuery&) = delete;
    DatabaseQuery& operator=(const DatabaseQuery&) = delete;
    ~DatabaseQuery();

    // The statement text. Replacing it closes the query; the parameters follow the new text.
    const std::string& SQL() const noexcept { return m_sql; }
    void SetSQL(std::string text);
    std::string& ParamByName(std::string_view name);

    // Runs the SELECT and stands on its first row; a no-op while the query is open.
    void Open();
    // Runs a statement that returns no rows.
    void ExecSQL();
    // Drops the result and any unposted change; a no-op when closed.
    void Close() noexcept;

    bool Active() const noexcept { return m_active; }
    bool Eof() const noexcept { return m_eof; }
    void Next();
    unsigned long long RowsAffected() const noexcept { return m_rowsAffected; }

    // The fields of the open result; references stay valid until the next Open.
    DatabaseField& FieldByName(std::string_view name);

    // A new row, posted by Post; it then is the current row, and Next goes on with the result.
    void Insert();
    void Edit();
    void Post();
    void Cancel() noexcept;
    // Removes the current row from the table and moves to the next one.
    void Delete();

private:
    friend class DatabaseField;
    struct Statement;
    enum class Mode { Browse, Inserting, Editing };

    [[noreturn]] void failFromLibrary(unsigned code, const char* message);
    [[noreturn]] void fail(const std::string& message);
    void requireCurrentRow(const char* action);
    void requireEditing();
    void postPendingChanges();

    void prepare();
    void bindParameters();
    void describeResult();
    void fetchRow();
    // Copies up to size bytes of column index of the current row, from offset on, into buffer.
    void fetchColumnPiece(unsigned index, char* buffer, std::size_t size, unsigned long offset);
    std::string readColumn(unsigned index);
    void saveColumnToFile(unsigned index, const std::filesystem::path& path);
    std::string rowCondition(std::vector<const DatabaseField*>& values) const;
    unsigned long long runChange(const std::string& sql,
                                 const std::vector<std::pair<bool, std::string>>& values,
                                 unsigned long long* insertId = nullptr);

    DatabaseConnection& m_connection;
    std::string m_sql;
    std::string m_serverSql;                                   // ":NAME" replaced by "?"
    std::vector<std::pair<std::string, std::string>> m_params; // name, value
    std::vector<std::size_t> m_paramOrder;                     // index into m_params per "?"

    std::unique_ptr<Statement> m_statement;
    std::vector<DatabaseField> m_fields;
    std::vector<DatabaseField> m_backup; // the row as it was before Insert or Edit
    bool m_backupEof = true;
    std::string m_table; // the quoted table that rows of the result are written to
    bool m_active = false;
    bool m_eof = true;
    Mode m_mode = Mode::Browse;
    unsigned long long m_rowsAffected = 0;
};
