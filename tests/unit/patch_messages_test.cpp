// The message texts are Windows-1250 bytes that decode to the Czech texts.
#include "patch/patch_messages.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace {

std::string FromWindows1250(const std::string& bytes) {
  iconv_t converter = iconv_open("UTF-8", "WINDOWS-1250");
  EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1));
  std::string in = bytes;
  std::string out(bytes.size() * 4, '\0');
  char* in_pointer = in.data();
  char* out_pointer = out.data();
  std::size_t in_left = in.size();
  std::size_t out_left = out.size();
  EXPECT_NE(iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left),
            static_cast<size_t>(-1));
  iconv_close(converter);
  out.resize(out.size() - out_left);
  return out;
}

TEST(PatchMessagesTest, DecodeToTheCzechTexts) {
  using namespace PatchMessages;
  const struct {
    const char* bytes;
    const char* utf8;
  } texts[] = {
      {MsgNotInstalled,
       "Hra Duskhollow není nainstalovaná. Nejdříve hru nainstalujte. Potom aplikujte opravu."},
      {MsgApplyFailed,
       "Nepodařilo se aplikovat opravu. Pokud máte hru Duskhollow spuštěnou, ukončete ji, a potom "
       "spusťte opravu znovu."},
      {MsgAppliedRunGame, "Oprava byla úspěšně aplikována. Přejete si spustit hru?"},
      {MsgCzechOnly, "Oprava může být aplikována výhradně na českou verzi hry Duskhollow!"},
      {MsgDataError, "Chyba v datech, aplikace opravy nemůže být dokončena."},
  };
  for (const auto& text : texts) {
    EXPECT_EQ(FromWindows1250(text.bytes), text.utf8);
  }
}

}  // namespace
