// What the counted runs of one program come to, and the lines of the bench's table.
#pragma once

#include <string>
#include <vector>

#include "question_run.h"

struct Summary {
  double median_ms = 0;
  double min_ms = 0;
  long long median_private_kb = 0;
};

// `runs` holds successful runs only, at least one.
Summary Summarise(const std::vector<QuestionRun>& runs);

struct Row {
  std::string label;  // "installer"
  std::string file;   // "Oprava.exe"
  Summary summary;
};

// One line per row, the columns aligned.
std::vector<std::string> TableLines(const std::vector<Row>& rows);

// `measured` against `baseline`: the ratio of the median times, the difference of the median
// private memory.
std::string RatioLine(const Summary& measured, const Summary& baseline, int runs,
                      const std::string& under);

// 4812 -> "4,812"; -500 -> "-500".
std::string WithThousands(long long value);
