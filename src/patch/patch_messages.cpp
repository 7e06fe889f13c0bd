// The texts, as Windows-1250 bytes: the dialogs take 8-bit text in the system's ANSI code page.
#include "patch/patch_messages.h"

#include "forms/dialogs.h"

namespace PatchMessages {

// Hra Duskhollow není nainstalovaná. Nejdříve hru nainstalujte. Potom aplikujte opravu.
const char MsgNotInstalled[] =
    "Hra Duskhollow nen\xED nainstalovan\xE1. Nejd\xF8\xEDve hru nainstalujte. Potom aplikujte "
    "opravu.";
// Nepodařilo se aplikovat opravu. Pokud máte hru Duskhollow spuštěnou, ukončete ji, a potom spusťte
// opravu znovu.
const char MsgApplyFailed[] =
    "Nepoda\xF8ilo se aplikovat opravu. Pokud m\xE1te hru Duskhollow spu\x9At\xECnou, ukon\xE8"
    "ete ji, a potom spus\x9Dte opravu znovu.";
// Oprava byla úspěšně aplikována. Přejete si spustit hru?
const char MsgAppliedRunGame[] =
    "Oprava byla \xFAsp\xEC\x9An\xEC aplikov\xE1na. P\xF8"
    "ejete si spustit hru?";
// Oprava může být aplikována výhradně na českou verzi hry Duskhollow!
const char MsgCzechOnly[] =
    "Oprava m\xF9\x9E"
    "e b\xFDt aplikov\xE1na v\xFDhradn\xEC na \xE8"
    "eskou verzi hry Duskhollow!";
// Chyba v datech, aplikace opravy nemůže být dokončena.
const char MsgDataError[] =
    "Chyba v datech, aplikace opravy nem\xF9\x9E"
    "e b\xFDt dokon\xE8"
    "ena.";

void ShowError(const char* text) {
  MessageDlg(text, mtError, mbOK);
}

bool AskYes(const char* text) {
  return MessageDlg(text, mtInformation, mbYes | mbNo) == mrYes;
}

}  // namespace PatchMessages
