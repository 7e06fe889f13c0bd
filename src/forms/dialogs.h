// The platform's modal message dialog. The form of the dialog (caption, icon, buttons, which
// button is the default and which answers Esc) is decided here; the backend shows it.
#pragma once

#include <string>
#include <vector>

enum TMsgDlgType { mtError, mtInformation };

enum TMsgDlgBtn : unsigned { mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2 };
using TMsgDlgButtons = unsigned;

// What closed a modal dialog. The values are the Win32 dialog results.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// The system icons a dialog can show; the values are the Win32 IDI_ resource numbers.
enum TDialogIcon : int { IconHand = 32513, IconAsterisk = 32516 };

struct TDialogButton {
  std::string Label;  // with '&' before the access key
  int Result;
};

struct TMessageDialogForm {
  std::string Caption;
  TDialogIcon Icon;
  std::string Text;
  std::vector<TDialogButton> Buttons;  // left to right
  int DefaultButton;                   // index into Buttons
  int EscapeResult;                    // what Esc gives; the close box always gives mrCancel
};

// The dialog `type` and `buttons` describe, holding `message`.
TMessageDialogForm MakeMessageDialogForm(const std::string& message, TMsgDlgType type,
                                         TMsgDlgButtons buttons);

// Shows the dialog modally, owned by the application window, centred on the screen, the text
// word-wrapped to at most half the screen's width. Returns the result of what closed it.
int MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons);
