// The two composite reads of the install checks, portable on top of TFileStream.
#include <algorithm>
#include <climits>

#include "services/services.h"

std::string ReadFileWhole(const std::string& path) {
  TFileStream file(path, TFileStream::fmOpenRead);
  const std::int64_t size = file.Size();
  // A pointer file never comes near 2 GiB; a larger one is read up to what one read can take.
  const auto wanted =
      static_cast<std::int32_t>(std::min<std::int64_t>(size < 0 ? 0 : size, INT32_MAX));
  std::string content(static_cast<std::size_t>(wanted), '\0');
  const std::int32_t got = wanted > 0 ? file.Read(content.data(), wanted) : 0;
  content.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return content;
}

void OpenAndClose(const std::string& path) {
  TFileStream file(path, TFileStream::fmOpenRead);
  file.Size();
}
