#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace kerbcall::cli {

// JSON output keeps its members in the order they are written.
using Json = nlohmann::ordered_json;

// A name from a note file as UTF-8 text, which JSON requires. Note files come
// from Windows, in its 8-bit code page Windows-1252, or from Linux, in UTF-8:
// a name that is valid UTF-8 stays as it is; any other has each byte mapped
// from Windows-1252 (the five bytes that code page leaves undefined stand for
// the control characters of the same value). Texts quoting names go through
// it as well.
std::string NameToUtf8(std::string_view name);

}  // namespace kerbcall::cli
