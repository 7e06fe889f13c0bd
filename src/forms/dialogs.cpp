#include "forms/dialogs.h"

#include "forms/application.h"
#include "forms/backend.h"

TMessageDialogForm MakeMessageDialogForm(const std::string& message, TMsgDlgType type,
                                         TMsgDlgButtons buttons) {
  TMessageDialogForm form;
  form.Caption = type == mtError ? "Error" : "Information";
  form.Icon = type == mtError ? IconHand : IconAsterisk;
  form.Text = message;
  if (buttons & mbYes) form.Buttons.push_back({"&Yes", mrYes});
  if (buttons & mbNo) form.Buttons.push_back({"&No", mrNo});
  if ((buttons & mbOK) || form.Buttons.empty()) form.Buttons.push_back({"OK", mrOk});
  form.DefaultButton = 0;
  // Esc answers No where there is one, else OK.
  form.EscapeResult = (buttons & mbNo) ? mrNo : mrOk;
  return form;
}

int MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons) {
  return backend::ShowMessageDialog(MakeMessageDialogForm(message, type, buttons),
                                    Application ? Application->Handle() : nullptr);
}
