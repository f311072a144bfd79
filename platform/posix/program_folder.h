#pragma once

#include <string>

namespace kerbcall::posix {

// The folder that holds the running executable, from /proc/self/exe, without
// a trailing separator ("" for the root folder; "." when it cannot be told).
std::string ProgramFolder();

}  // namespace kerbcall::posix
