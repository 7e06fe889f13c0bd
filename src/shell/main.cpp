// Program entry.
#include "shell/program.h"

int main() {
  return ProgramMain();
}
