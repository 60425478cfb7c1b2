#pragma once

#include <string>
#include <string_view>

// The content type announced for an uploaded media file, chosen from its file name's extension
// (letters compared case-insensitively); "application/octet-stream" when the extension is unknown.
std::string MediaContentType(std::string_view fileName);
