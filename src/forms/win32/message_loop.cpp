// The thread's message loop and its end.
#include <windows.h>

#include "forms/backend.h"

namespace backend {

void PostQuitMessage(int exit_code) {
  ::PostQuitMessage(exit_code);
}

void RunMessageLoop() {
  MSG message;
  // 0 is WM_QUIT; -1 is an error of the call itself, after which no message will come.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace backend
