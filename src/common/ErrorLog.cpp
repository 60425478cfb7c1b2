#include "common/ErrorLog.h"

#include "common/UniqueFd.h"
#include "common/Utf8.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace {

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
    if (!WriteAll(fd.get(), line) || !fd.close()) {
        throw ErrorLogError("Unable to write to " + path.string() + ": " + std::strerror(errno));
    }
}
