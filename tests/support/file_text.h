#pragma once

#include <gtest/gtest.h>

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

// A folder of the running test's own, emptied first; its path ends in '/'.
inline std::string TestFolder() {
  const std::string folder = ::testing::TempDir() + "folder_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder + "/";
}

}  // namespace kelvran_test
