// What the installer would be without its restricted DLL search: a GUI program that shows one
// message box and ends. The planted-DLL scenario runs it to show that it can see a planted DLL
// being loaded.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "unguarded", "Information", MB_OK | MB_ICONINFORMATION);
  return 0;
}
