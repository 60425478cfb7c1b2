#pragma once

#include <filesystem>
#include <string>

class DatabaseQuery;

// One column of a query object's current row, read and assigned as text. A binary large object
// read from the server stays in the client library's row buffer until it is asked for, and
// SaveToFile copies it to the file in chunks.
class DatabaseField {
public:
    const std::string& FieldName() const noexcept { return m_name; }
    bool IsBlob() const noexcept { return m_blob; }
    bool IsPrimaryKey() const noexcept { return m_primaryKey; }

    bool IsNull() const noexcept { return m_null; }
    // NULL reads as empty text.
    std::string AsString() const;

    // Assignments need the query in Insert or Edit; Post writes them.
    void SetAsString(std::string value);
    void Clear();

    // Writes the value to the file, creating or truncating it; NULL gives an empty file. A file
    // that cannot be written raises std::runtime_error naming the file and the reason.
    void SaveToFile(const std::filesystem::path& path) const;

private:
    friend class DatabaseQuery;

    DatabaseField(DatabaseQuery& query, unsigned index, std::string name, std::string column,
                  bool blob, bool primaryKey, bool autoIncrement)
        : m_query(&query), m_index(index), m_name(std::move(name)), m_column(std::move(column)),
          m_blob(blob), m_primaryKey(primaryKey), m_autoIncrement(autoIncrement) {}

    void setFromServer(bool null, std::string value, bool pending);
    void markPosted() noexcept;

    DatabaseQuery* m_query;
    unsigned m_index;
    std::string m_name;   // the name in the result, as FieldByName finds it
    std::string m_column; // the table's own column name, for the statements that write the row
    bool m_blob;
    bool m_primaryKey;
    bool m_autoIncrement;

    // The current value. While m_pending, it is still in the client library's row buffer.
    bool m_null = true;
    bool m_pending = false;
    std::string m_value;
    bool m_modified = false;

    // The value the server holds, which identifies the row when it is posted or deleted.
    bool m_originalNull = true;
    std::string m_original;
};
