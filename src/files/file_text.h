#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// Files the user hands the program to read (snapshots, scenarios), and their text on its way to
// a terminal or a label.
namespace files {

// A file that cannot be read, or that is not a file to read; what() names it and says why.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kUserFileLimit = 1024 * 1024;

// The whole text of path, which must be a regular file of at most limit bytes: a device, a pipe
// or a folder could block or never end, and nothing the program reads is that big. what is what
// the file should be ("the snapshot") for the message. Throws FileError.
std::string ReadUserFile(const std::string& path, const std::string& what,
                         std::size_t limit = kUserFileLimit);

// text without control characters (line breaks and tabs excepted): what a file says may reach a
// terminal, where an escape sequence would act, or a label.
std::string PlainText(std::string_view text);

}  // namespace files
