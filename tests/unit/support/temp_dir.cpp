#include "support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("oprava-test-" + std::to_string(random() % 1000000000));
    // create_directory is false when the name is taken: try another.
    if (fs::create_directory(candidate)) {
      root_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no temporary directory could be made under " + base.string());
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (fs::remove_all(root_, ignored) != static_cast<std::uintmax_t>(-1)) return;
  // A test may leave read-only files or directories behind: make everything writable and retry.
  for (auto it = fs::recursive_directory_iterator(root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(root_, ignored);
}

fs::path TempDir::Full(std::string_view relative) const {
  std::string name(relative);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name.empty() ? root_ : root_ / fs::path(name).make_preferred();
}

std::string TempDir::Path(std::string_view relative) const {
  return Full(relative).string();
}

std::string TempDir::WriteFile(std::string_view relative, std::string_view bytes) const {
  const fs::path path = Full(relative);
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return path.string();
}

std::string TempDir::ReadFile(std::string_view relative) const {
  const fs::path path = Full(relative);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempDir::MakeDir(std::string_view relative) const {
  const fs::path path = Full(relative);
  fs::create_directories(path);
  return path.string();
}
