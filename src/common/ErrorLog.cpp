#include "common/ErrorLog.h"

#include "common/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace {

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a valid one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// A converter from UTF-8 to the current locale's character set; empty when iconv lacks the set.
IconvHandle OpenLocaleConverter() {
    const iconv_t cd = iconv_open(nl_langinfo(CODESET), "UTF-8");
    return IconvHandle(cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd);
}

// Converts one character; false when the target set cannot hold it.
bool ConvertOne(iconv_t cd, std::string_view character, std::string& out) {
    char buffer[16];
    char* in = const_cast<char*>(character.data());
    std::size_t inLeft = character.size();
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // fresh shift state for each character
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        return false;
    }
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return true;
}

void WriteAllOrThrow(int fd, std::string_view data, const std::filesystem::path& path) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw ErrorLogError("Unable to write to " + path.string() + ": " +
                                std::strerror(errno));
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

std::string ToLocaleCharset(const std::string& utf8) {
    const IconvHandle cd = OpenLocaleConverter();
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = Utf8SequenceLength(utf8, i);
        if (length == 0) {
            out.push_back('?');
            ++i;
            continue;
        }
        const std::string_view character(utf8.data() + i, length);
        bool converted = false;
        if (cd) {
            converted = ConvertOne(cd.get(), character, out);
        } else if (length == 1) {
            // Without a converter only ASCII is sure to mean the same in the target set.
            out.push_back(character[0]);
            converted = true;
        }
        if (!converted) {
            out.push_back('?');
        }
        i += length;
    }
    return out;
}

std::filesystem::path ErrorLogPath() {
    return std::filesystem::current_path() / "LOG" / "AppErro.txt";
}

void RegistrarErro(const std::string& message) {
    const std::filesystem::path path = ErrorLogPath();
    const std::string line = ToLocaleCharset("Erro -> " + message) + "\r\n";
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) {
        throw ErrorLogError("Unable to write to " + path.string() + ": " + std::strerror(errno));
    }
    WriteAllOrThrow(fd.get(), line, path);
    if (!fd.close()) {
        throw ErrorLogError("Unable to write to " + path.string() + ": " + std::strerror(errno));
    }
}
