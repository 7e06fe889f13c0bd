// The runtime's default terminate handler writes the demangled type of an uncaught exception to
// standard error, which a GUI program does not have; its demangler and printf would be a fifth
// of the program's code. Defined here, the runtime's one is never linked in. Ends the process as
// that handler does in the end.
#include <cstdlib>
#include <exception>

void __gnu_cxx::__verbose_terminate_handler() {
  std::abort();
}
