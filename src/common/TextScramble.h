#pragma once

#include <string>

// A reversible scramble on UTF-16 code units: the text is reversed and each unit shifted by one,
// up at even positions and down at odd ones (counting from 1), wrapping within 16 bits.
// UnscrambleText(ScrambleText(t)) == t for every t.
std::u16string ScrambleText(const std::u16string& text);
std::u16string UnscrambleText(const std::u16string& text);
