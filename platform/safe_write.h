#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kerbcall::platform {

// The folder a file lies in; "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& file);

// Writes `bytes` to a new file in the folder of `out`, flushes it to disk and
// renames it over `out`, so that `out` is at every moment either the old file
// or the whole new one. The replaced file's permissions are kept. A symbolic
// link is followed: the file it leads to is replaced and the link kept; a
// link that leads nowhere is refused. An error text, or empty when written;
// on an error nothing is left behind.
std::string WriteBesideAndRename(const std::filesystem::path& out, std::string_view bytes);

// Makes `folder` with the folders above it where missing, then writes the file
// `name` in it as WriteBesideAndRename does. An error text, or empty.
std::string WriteIntoFolder(const std::filesystem::path& folder, std::string_view name, std::string_view bytes);

// Why `path` is a symbolic link that leads nowhere, which is not written
// through; empty for anything else.
std::string BrokenLinkProblem(const std::filesystem::path& path);

// `what`, a colon and the system's text for errno.
std::string SystemError(const std::string& what);

}  // namespace kerbcall::platform
