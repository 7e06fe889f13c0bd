// The starts the game program recorded in its launched.txt.
#pragma once

#include <string>
#include <vector>

struct Launch {
  std::string CommandLine;
  std::string Directory;
};

// The starts recorded in the file at `log_path`, waiting up to `seconds` for at least `expected`
// of them: the game runs on its own and may not have written yet.
std::vector<Launch> WaitForLaunches(const std::string& log_path, std::size_t expected,
                                    double seconds);
