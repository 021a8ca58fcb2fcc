#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace buslink::linux_hw::testing {

// A throw-away root for /dev, /sys and /proc, removed at the end of the test.
class TempTree {
 public:
  TempTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvran-root-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
  }
  ~TempTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }

  void File(const std::string& path, const std::string& content = {}) const {
    const std::filesystem::path full = root_ + path;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full) << content;
  }
  void Dir(const std::string& path) const { std::filesystem::create_directories(root_ + path); }
  // A relative link, as sysfs has them, so it resolves inside the tree.
  void Link(const std::string& path, const std::string& target) const {
    const std::filesystem::path full = root_ + path;
    std::filesystem::create_directories(full.parent_path());
    std::filesystem::create_directory_symlink(
        std::filesystem::path(root_ + target).lexically_relative(full.parent_path()), full);
  }

 private:
  std::string root_;
};

}  // namespace buslink::linux_hw::testing
