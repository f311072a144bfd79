#pragma once

#include <string>
#include <string_view>

namespace kerbcall::cli {

// A name from a note file as UTF-8 text. Note files come from Windows, in its
// 8-bit code page Windows-1252, or from Linux, in UTF-8: a name that is valid
// UTF-8 stays as it is; any other has each byte mapped from Windows-1252
// (the five bytes that code page leaves undefined stand for the control
// characters of the same value).
std::string NameToUtf8(std::string_view name);

// A JSON string literal for a name or a text quoting names, through
// NameToUtf8.
std::string JsonString(std::string_view bytes);

}  // namespace kerbcall::cli
