// One run of a program up to its question: started suspended, timed from its resume until a
// dialog of it is visible, its private memory read at that moment, the dialog answered No.
#pragma once

#include <string>

struct QuestionRun {
  bool ok = false;
  double milliseconds = 0;  // from the resume to the visible dialog
  unsigned long long private_bytes = 0;
  std::string failure;  // why the run counts for nothing, when it does not
};

// `program` is a Windows path; the program runs in its own directory, as when started from
// Explorer.
QuestionRun RunToQuestion(const std::string& program);
