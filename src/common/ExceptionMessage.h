#pragma once

#include <string>

// The text of the exception being handled (call inside a catch block): what() of a standard
// exception, a general text for anything else.
std::string CurrentExceptionMessage() noexcept;
