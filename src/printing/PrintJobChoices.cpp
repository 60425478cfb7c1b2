#include "printing/PrintJobChoices.h"

#include "common/TParametros.h"
#include "common/Utf8.h"

#include <cstddef>

namespace {

constexpr std::size_t kMaxSpoolNameCharacters = 200;

bool SelectsProgram(const std::string& flag) {
    return flag.empty() || flag == "S";
}

// Characters of UTF-8 text; a byte that starts no well-formed sequence counts as one.
std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t index = 0; index < text.size(); ++count) {
        const std::size_t length = Utf8SequenceLength(text, index);
        index += length == 0 ? 1 : length;
    }
    return count;
}

} // namespace

PrintBackend ChoosePrintBackend(const TParametros& parametros) {
    if (SelectsProgram(parametros.Sumatra)) {
        return PrintBackend::Sumatra;
    }
    if (SelectsProgram(parametros.Adobe)) {
        return PrintBackend::Acrobat;
    }
    return PrintBackend::None;
}

bool DeletesSpoolFile(const TParametros& parametros) {
    return parametros.Apagar == "S";
}

std::optional<std::string> UnsafeSpoolNameReason(std::string_view guid) {
    if (guid.find_first_of("/\\") != std::string_view::npos) {
        return "contém separador de caminho";
    }
    if (guid.find("..") != std::string_view::npos) {
        return "contém \"..\"";
    }
    for (const char c : guid) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return "contém caractere de controle";
        }
    }
    if (CharacterCount(guid) > kMaxSpoolNameCharacters) {
        return "tem mais de 200 caracteres";
    }
    return std::nullopt;
}

std::string SpoolFilePath(const std::string& currentDirectory, const std::string& guid) {
    return currentDirectory + "/PDF/" + guid + ".pdf";
}
