#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One part of a multipart/form-data body, as sent.
struct FormPart {
    std::string name;
    std::optional<std::string> fileName;
    std::string contentType;
    std::string transferEncoding;
    std::string content; // as on the wire, before any transfer decoding
};

// Splits a multipart/form-data body at the boundary named in its Content-Type header value.
// Fails the calling test on a malformed body.
std::vector<FormPart> ParseMultipartForm(std::string_view contentType, std::string_view body);

// Quoted-printable decoding: "=XX" is a byte, "=" at a line's end a soft line break.
std::string DecodeQuotedPrintable(std::string_view encoded);
