#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kerbcall::posix {

// The bytes of an open file from where it stands to its end, at most
// `limit` of them; nullopt when a read fails. The descriptor stays open.
std::optional<std::string> ReadToEnd(int fd, std::size_t limit);

}  // namespace kerbcall::posix
