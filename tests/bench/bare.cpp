// The bare program of the bench: built like the installer, carrying the same stored-form
// resource, and doing nothing but ask the installer's closing question. What the installer costs
// beyond this program is its own work.
#include <windows.h>

namespace {

// Oprava byla úspěšně aplikována. Přejete si spustit hru?  (Windows-1250 bytes)
const char kQuestion[] =
    "Oprava byla \xFAsp\xEC\x9An\xEC aplikov\xE1na. P\xF8"
    "ejete si spustit hru?";

}  // namespace

int main() {
  MessageBoxA(nullptr, kQuestion, "Information", MB_YESNO | MB_ICONINFORMATION);
  return 0;
}
