#pragma once

#include <string>
#include <string_view>

namespace files {

// Puts text in path so that the old file stays whole until the new one is: the text goes to a
// temporary file beside it, reaches the disk, and only then takes the old one's name (keeping its
// permissions; a link to it stays a link). A path that names a device or a pipe is written to
// directly. what says what the file is ("the snapshot") in the message of the FileError thrown
// for any failure, which leaves the old file as it was.
void ReplaceFile(const std::string& path, std::string_view text, const std::string& what);

}  // namespace files
