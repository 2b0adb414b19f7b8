// Scratch folders for tests: each uniquely named (mkdtemp under $TMPDIR, or
// the system's temporary folder), and removed when the test process ends,
// also when a test fails.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace scratch {

namespace fs = std::filesystem;

// Never destroyed: the exit handler below runs after static destructors.
inline std::vector<fs::path>& Made() {
  static auto* made = new std::vector<fs::path>;
  return *made;
}

inline void RemoveAll() {
  std::error_code ec;
  for (const fs::path& dir : Made()) fs::remove_all(dir, ec);
  Made().clear();
}

// A new empty folder, removed at exit.
inline fs::path Folder(const std::string& label = "test") {
  static const bool registered = (std::atexit(RemoveAll), true);
  (void)registered;
  std::string pattern = (fs::temp_directory_path() / ("sailings-" + label + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return fs::temp_directory_path();
  Made().emplace_back(pattern);
  return pattern;
}

}  // namespace scratch
