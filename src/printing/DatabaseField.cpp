#include "printing/DatabaseField.h"

#include "printing/DatabaseQuery.h"

std::string DatabaseField::AsString() const {
    if (m_pending) {
        return m_query->readColumn(m_index);
    }
    return m_null ? std::string() : m_value;
}

void DatabaseField::SetAsString(std::string value) {
    m_query->requireEditing();
    m_value = std::move(value);
    m_null = false;
    m_pending = false;
    m_modified = true;
}

void DatabaseField::Clear() {
    m_query->requireEditing();
    m_value.clear();
    m_null = true;
    m_pending = false;
    m_modified = true;
}

void DatabaseField::SaveToFile(const std::filesystem::path& path) const {
    m_query->saveColumnToFile(m_index, path);
}

void DatabaseField::setFromServer(bool null, std::string value, bool pending) {
    m_null = null;
    m_pending = pending;
    m_value = std::move(value);
    m_modified = false;
    m_originalNull = null;
    m_original = m_pending ? std::string() : m_value;
}

void DatabaseField::markPosted() noexcept {
    m_modified = false;
    m_originalNull = m_null;
    if (!m_pending) {
        m_original = m_value;
    }
}
