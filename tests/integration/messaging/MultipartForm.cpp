#include "MultipartForm.h"

#include <gtest/gtest.h>

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// The value of `key="..."` (or unquoted) in a header value such as a Content-Disposition.
std::optional<std::string> Parameter(std::string_view header, std::string_view key) {
    const std::string wanted = std::string("; ") + std::string(key) + "=";
    const std::size_t at = header.find(wanted);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view value = header.substr(at + wanted.size());
    if (value.starts_with('"')) {
        return std::string(value.substr(1, value.find('"', 1) - 1));
    }
    return std::string(value.substr(0, value.find(';')));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::vector<FormPart> ParseMultipartForm(std::string_view contentType, std::string_view body) {
    std::vector<FormPart> parts;
    const auto boundary = Parameter(contentType, "boundary");
    EXPECT_TRUE(contentType.starts_with("multipart/form-data; ")) << contentType;
    if (!boundary || boundary->empty()) {
        ADD_FAILURE() << "no boundary in " << contentType;
        return parts;
    }
    const std::string delimiter = "--" + *boundary;
    if (!body.starts_with(delimiter + "\r\n")) {
        ADD_FAILURE() << "the body does not open with the boundary";
        return parts;
    }
    std::size_t position = delimiter.size() + 2;
    for (;;) {
        const std::size_t next = body.find("\r\n" + delimiter, position);
        if (next == std::string_view::npos) {
            ADD_FAILURE() << "part without a closing boundary";
            return parts;
        }
        const std::string_view whole = body.substr(position, next - position);
        const std::size_t headEnd = whole.find("\r\n\r\n");
        if (headEnd == std::string_view::npos) {
            ADD_FAILURE() << "part without a blank line after its headers";
            return parts;
        }
        FormPart part;
        part.content = std::string(whole.substr(headEnd + 4));
        std::string_view headers = whole.substr(0, headEnd);
        while (!headers.empty()) {
            const std::size_t end = std::min(headers.find("\r\n"), headers.size());
            const std::string_view line = headers.substr(0, end);
            headers.remove_prefix(std::min(end + 2, headers.size()));
            const std::size_t colon = line.find(':');
            const std::string name = Lower(line.substr(0, colon));
            const std::string_view value = line.substr(colon + 2);
            if (name == "content-disposition") {
                EXPECT_TRUE(value.starts_with("form-data;")) << value;
                part.name = Parameter(value, "name").value_or("");
                part.fileName = Parameter(value, "filename");
            } else if (name == "content-type") {
                part.contentType = value;
            } else if (name == "content-transfer-encoding") {
                part.transferEncoding = value;
            } else {
                ADD_FAILURE() << "unexpected part header " << line;
            }
        }
        parts.push_back(std::move(part));
        position = next + 2 + delimiter.size();
        if (body.substr(position) == "--\r\n") {
            return parts;
        }
        if (!body.substr(position).starts_with("\r\n")) {
            ADD_FAILURE() << "junk after a boundary";
            return parts;
        }
        position += 2;
    }
}

std::string DecodeQuotedPrintable(std::string_view encoded) {
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '=') {
            decoded += encoded[i];
        } else if (encoded.substr(i + 1).starts_with("\r\n")) {
            i += 2;
        } else if (i + 2 < encoded.size() && HexDigit(encoded[i + 1]) >= 0 &&
                   HexDigit(encoded[i + 2]) >= 0) {
            decoded += static_cast<char>(HexDigit(encoded[i + 1]) * 16 + HexDigit(encoded[i + 2]));
            i += 2;
        } else {
            ADD_FAILURE() << "bad quoted-printable escape at " << i << " in " << encoded;
        }
    }
    return decoded;
}
