#pragma once

#include <string>
#include <string_view>

namespace kerbcall::cli {

// A JSON string literal for bytes in the note files' 8-bit code page: bytes
// of 0x80 and above stand for the Latin-1 characters of the same code.
std::string JsonString(std::string_view bytes);

}  // namespace kerbcall::cli
