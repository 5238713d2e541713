#pragma once

// Pieces of the POSIX backend that its file functions and its profile files share.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform::posix {

// A copy starts the disk's writeback after every step of this many bytes. With the source
// in the page cache, as the database is right after the run has moved it, 64 MiB steps
// took about 0.65-0.8 of the time of a copy written out only by its fsync; 16 MiB did no
// better and 128 MiB or more gave part of the gain back. With the source still to be read
// from the disk, reads and writes share it and no step size gained.
inline constexpr std::size_t copyStep = std::size_t{64} << 20;

// Spells a Windows-style name as a POSIX path: "\" and "/" both separate components,
// and a component missing under its exact name takes the first entry of its folder (in
// byte order) that matches it without regard to case. A component that matches nothing
// keeps its spelling, so that a new file is created under the name asked for. Nothing
// for names that cannot exist here: empty, holding a NUL or an unpaired surrogate, or
// starting with a drive letter or a server name.
std::optional<std::string> resolvePath(std::u16string_view path);

// Replaces the file at path (already resolved) with content, the pieces one after the
// other, atomically: a crash leaves either the old file or the new one. The new file takes
// mode, and keeps the owner of the file it replaces where the process may set it. On
// failure nothing is left behind.
bool replaceFile(const std::string& path, std::span<const std::string_view> content, mode_t mode);

} // namespace platform::posix
