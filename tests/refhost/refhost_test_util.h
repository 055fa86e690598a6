#pragma once
// A scratch directory and whole-file helpers for the stand-in host's tests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace tolvanehost::test {

// A fresh directory under the system's temporary directory, removed with its content.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> serial{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("refhost-test-" + std::to_string(stamp) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The path of `name` inside the directory, as the host is given file names.
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

// The lines of a journal file, without their LF ends.
inline std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadBytes(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace tolvanehost::test
