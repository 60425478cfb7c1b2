#pragma once

#include <cstddef>
#include <string_view>

// Length in bytes of the well-formed UTF-8 sequence that starts at text[index], or 0 when none
// starts there (a stray continuation byte, an overlong or cut-off sequence, a byte never used).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t index);
