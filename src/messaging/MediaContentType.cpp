#include "messaging/MediaContentType.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace {

// The kinds of files a messaging gateway passes on: pictures, sound, video and documents.
constexpr std::array<std::pair<std::string_view, std::string_view>, 27> kTypes{{
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"png", "image/png"},
    {"gif", "image/gif"},
    {"webp", "image/webp"},
    {"bmp", "image/bmp"},
    {"mp3", "audio/mpeg"},
    {"ogg", "audio/ogg"},
    {"opus", "audio/ogg"},
    {"wav", "audio/wav"},
    {"m4a", "audio/mp4"},
    {"aac", "audio/aac"},
    {"mp4", "video/mp4"},
    {"3gp", "video/3gpp"},
    {"webm", "video/webm"},
    {"mov", "video/quicktime"},
    {"pdf", "application/pdf"},
    {"txt", "text/plain"},
    {"csv", "text/csv"},
    {"xml", "application/xml"},
    {"zip", "application/zip"},
    {"doc", "application/msword"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xls", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
}};

} // namespace

std::string MediaContentType(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    if (dot != std::string_view::npos && fileName.find('/', dot) == std::string_view::npos) {
        std::string extension(fileName.substr(dot + 1));
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (const auto& [known, type] : kTypes) {
            if (extension == known) {
                return std::string(type);
            }
        }
    }
    return "application/octet-stream";
}
