#include "common/SoNumeros.h"

std::string SoNumeros(std::string_view text) {
    // UTF-8 continuation and lead bytes are never in '0'..'9', so other scripts' digits drop out.
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        }
    }
    return digits.empty() ? std::string("0") : digits;
}
