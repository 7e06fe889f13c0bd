// The message texts of the patch run, Windows-1250 bytes, and the two dialog forms showing them.
#pragma once

namespace PatchMessages {

extern const char MsgNotInstalled[];
extern const char MsgApplyFailed[];
extern const char MsgAppliedRunGame[];
extern const char MsgCzechOnly[];
// A data-error text the run keeps but never shows.
extern const char MsgDataError[];

// The error form: "Error", the error icon, one OK button.
void ShowError(const char* text);
// The question form: "Information", the information icon, Yes and No. True only for Yes.
bool AskYes(const char* text);

}  // namespace PatchMessages
