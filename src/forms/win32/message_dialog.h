// What the message dialog's window carries besides its controls' text: the control IDs of its
// icon and text, and the per-dialog data kept in DWLP_USER. Test scripts read a live dialog
// through these.
#pragma once

#include <windows.h>

#include "forms/dialogs.h"

namespace backend::win32 {

// The buttons' control IDs are their results (IDOK 1, IDYES 6, IDNO 7); the statics take IDs
// that no result uses.
constexpr int kMessageDialogIconId = 1000;
constexpr int kMessageDialogTextId = 1001;

// Passed as the dialog's init parameter and kept in DWLP_USER for its life.
struct MessageDialogData {
  const TMessageDialogForm* form;
  HICON icon;
  int result;  // what ended the dialog; mrNone while it is open
};

}  // namespace backend::win32
