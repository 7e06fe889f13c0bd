#include "support/launches.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace {

std::vector<Launch> ReadLaunches(const std::string& log_path) {
  std::vector<Launch> launches;
  std::ifstream in(log_path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("cmdline=", 0) == 0) launches.push_back({line.substr(8), {}});
    if (line.rfind("cwd=", 0) == 0 && !launches.empty()) launches.back().Directory = line.substr(4);
  }
  return launches;
}

}  // namespace

std::vector<Launch> WaitForLaunches(const std::string& log_path, std::size_t expected,
                                    double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    std::vector<Launch> launches = ReadLaunches(log_path);
    if (launches.size() >= expected || std::chrono::steady_clock::now() >= deadline) {
      return launches;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
