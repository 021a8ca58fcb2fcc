#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kelvran_test {

// The whole of a file, byte for byte; "" when it cannot be read.
inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kelvran_test
