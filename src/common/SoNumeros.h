#pragma once

#include <string>
#include <string_view>

// The ASCII digits of a text in their order, or "0" when it holds none. Every CNPJ check asks
// whether this yields exactly 14 characters, so an empty or blank entry never passes.
std::string SoNumeros(std::string_view text);
