#include "common/TextScramble.h"

#include <cstdint>

namespace {

// Walks the reversed text with positions from 1; `evenShift` is added at even positions and
// subtracted at odd ones. Unsigned 16-bit arithmetic gives the wrap.
std::u16string ShiftReversed(const std::u16string& text, int evenShift) {
    std::u16string out(text.rbegin(), text.rend());
    for (std::size_t index = 0; index < out.size(); ++index) {
        const bool even = (index + 1) % 2 == 0;
        const int shift = even ? evenShift : -evenShift;
        out[index] = static_cast<char16_t>(static_cast<std::uint16_t>(out[index] + shift));
    }
    return out;
}

} // namespace

std::u16string ScrambleText(const std::u16string& text) {
    return ShiftReversed(text, +1);
}

std::u16string UnscrambleText(const std::u16string& text) {
    // Reversing moves each unit to a position of the same parity when the length is odd and of
    // the other parity when it is even, so the undoing shift depends on the length.
    const bool oddLength = text.size() % 2 == 1;
    return ShiftReversed(text, oddLength ? -1 : +1);
}
