// DialogScript on the headless backend: the handlers see each dialog's form and answer it.
#include <gtest/gtest.h>

#include "forms/headless/headless.h"
#include "support/dialog_script.h"

DialogScript::DialogScript(std::vector<DialogAnswer> answers) : answers_(std::move(answers)) {
  headless::SetDialogHandler([this](const TMessageDialogForm& form) {
    ShownDialog shown{false, form.Caption, form.Text, {}, form.Icon, mrCancel};
    for (const TDialogButton& button : form.Buttons) shown.Buttons.push_back(button.Label);
    const DialogAnswer answer = NextAnswer();
    switch (answer.kind) {
      case DialogAnswer::Click: {
        bool found = false;
        for (const TDialogButton& button : form.Buttons) {
          if (button.Label == answer.button) {
            shown.Result = button.Result;
            found = true;
          }
        }
        if (!found) ADD_FAILURE() << "no button " << answer.button << " on " << form.Caption;
        break;
      }
      case DialogAnswer::Escape:
        shown.Result = form.EscapeResult;
        break;
      case DialogAnswer::CloseBox:
        shown.Result = mrCancel;
        break;
    }
    Record(shown);
    return shown.Result;
  });
  headless::SetErrorBoxHandler([this](const std::string& text, const std::string& caption) {
    NextAnswer();
    Record({true, caption, text, {"OK"}, IconHand, mrOk});
  });
}

DialogScript::~DialogScript() {
  headless::SetDialogHandler(nullptr);
  headless::SetErrorBoxHandler(nullptr);
}
