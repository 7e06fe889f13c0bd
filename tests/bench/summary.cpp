#include "summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string PaddedTo(std::string text, std::size_t width) {
  text.resize(std::max(width, text.size()), ' ');
  return text;
}

}  // namespace

Summary Summarise(const std::vector<QuestionRun>& runs) {
  std::vector<double> times, kilobytes;
  for (const QuestionRun& run : runs) {
    times.push_back(run.milliseconds);
    kilobytes.push_back(static_cast<double>(run.private_bytes) / 1024);
  }
  Summary summary;
  summary.median_ms = Median(times);
  summary.min_ms = *std::min_element(times.begin(), times.end());
  summary.median_private_kb = std::llround(Median(kilobytes));
  return summary;
}

std::string WithThousands(long long value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return value < 0 ? "-" + digits : digits;
}

std::vector<std::string> TableLines(const std::vector<Row>& rows) {
  std::vector<std::vector<std::string>> cells;
  for (const Row& row : rows)
    cells.push_back({row.label, row.file,
                     Format("median %.0f ms", row.summary.median_ms) +
                         Format(" (min %.0f)", row.summary.min_ms),
                     "private " + WithThousands(row.summary.median_private_kb) + " kB"});
  std::vector<std::size_t> widths(4, 0);
  for (const auto& line : cells)
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());

  std::vector<std::string> lines;
  for (const auto& line : cells) {
    std::string text = PaddedTo(line[0], widths[0] + 2) + PaddedTo(line[1], widths[1] + 3) +
                       PaddedTo(line[2], widths[2] + 3) + line[3];
    lines.push_back(text);
  }
  return lines;
}

std::string RatioLine(const Summary& measured, const Summary& baseline, int runs,
                      const std::string& under) {
  const long long extra = measured.median_private_kb - baseline.median_private_kb;
  return Format("ratio: %.2fx start-to-question time, ", measured.median_ms / baseline.median_ms) +
         (extra >= 0 ? "+" : "") + WithThousands(extra) + " kB private memory (" +
         std::to_string(runs) + " interleaved runs each under " + under + ")";
}
