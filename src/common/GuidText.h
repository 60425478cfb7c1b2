#pragma once

#include "platform/GuidGenerator.h"

#include <string>

// A new GUID in registry text form, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} in upper case (38
// characters), or empty text when the generator fails.
std::string GerarGUID(GuidGenerator& generator);

// The registry text form of 16 bytes in RFC 4122 order.
std::string GuidRegistryText(const GuidGenerator::Bytes& bytes);
