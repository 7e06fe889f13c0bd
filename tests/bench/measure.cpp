// bench_measure: start-to-question time and private memory of programs that open with a
// question, run in turn (A, B, A, B, ...) so that both meet the same machine.
//
//   bench_measure [--runs N] [--name LABEL] PROGRAM [[--name LABEL] PROGRAM]...
//
// Each program is run N times (10) after one warm-up round that is not counted, its dialog
// answered No. Prints per program the median and least time and the median private memory at
// the question, then the first program against the second. Exits 1 when any run fails to reach
// its question.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "question_run.h"
#include "summary.h"

namespace {

struct Program {
  std::string label;
  std::string path;
  std::vector<QuestionRun> runs;
};

bool ParseOptions(int argc, char** argv, int& runs, std::vector<Program>& programs) {
  std::string label;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--runs" && has_value) {
      runs = std::atoi(argv[++i]);
      if (runs < 1) return false;
    } else if (arg == "--name" && has_value) {
      label = argv[++i];
    } else if (arg.rfind("--", 0) != 0) {
      programs.push_back(
          {label.empty() ? "program " + std::to_string(programs.size() + 1) : label, arg, {}});
      label.clear();
    } else {
      return false;
    }
  }
  return !programs.empty();
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The Wine the programs run under, or Windows.
std::string Under() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, "wine_get_version") : nullptr;
  if (found == nullptr) return "Windows";
  // Through void (*)(): the one function type that casts to any other without a warning.
  const auto wine_version =
      reinterpret_cast<const char* (*)()>(reinterpret_cast<void (*)()>(found));
  return sizeof(void*) == 8 ? std::string("wine64 ") + wine_version()
                            : std::string("wine ") + wine_version() + " (32-bit)";
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  std::vector<Program> programs;
  if (!ParseOptions(argc, argv, runs, programs)) {
    std::fprintf(stderr,
                 "usage: bench_measure [--runs N] [--name LABEL] PROGRAM "
                 "[[--name LABEL] PROGRAM]...\n");
    return 2;
  }
  // Wine starts its desktop process for the first program that needs one; here, outside every
  // timed run.
  GetDesktopWindow();

  // Round 0 warms up and is not counted: Wine's files come into the page cache, and the
  // installer's first run patches the laid-out files while every later one patches its own.
  for (int round = 0; round <= runs; ++round) {
    for (Program& program : programs) {
      QuestionRun run = RunToQuestion(program.path);
      if (!run.ok) {
        std::fprintf(stderr, "bench_measure: %s, %s: %s\n", program.path.c_str(),
                     round == 0 ? "warm-up run" : ("run " + std::to_string(round)).c_str(),
                     run.failure.c_str());
        return 1;
      }
      if (round > 0) program.runs.push_back(run);
    }
  }

  std::vector<Row> rows;
  for (const Program& program : programs)
    rows.push_back({program.label, FileName(program.path), Summarise(program.runs)});
  for (const std::string& line : TableLines(rows)) std::printf("%s\n", line.c_str());
  if (rows.size() >= 2)
    std::printf("%s\n", RatioLine(rows[0].summary, rows[1].summary, runs, Under()).c_str());
  return 0;
}
