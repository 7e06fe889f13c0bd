// Where the patch run looks for the pointer file, for Windows directories the host can pretend.
#include <gtest/gtest.h>

#include <cstdlib>

#include "patch/patch.h"
#include "patch/patch_messages.h"
#include "support/dialog_script.h"

namespace {

struct WindowsDirCase {
  const char* windir;  // nullptr: the directory cannot be had
  const char* windows_dir;
};

TEST(WindowsDirTest, BackslashRuleAndUnavailableDirectory) {
  const std::string too_long(1000, 'x');
  const WindowsDirCase cases[] = {
      {"C:\\WINDOWS", "C:\\WINDOWS\\"},
      {"C:\\", "C:\\"},  // a root already ends in one
      {nullptr, ""},
      {"", ""},
      {too_long.c_str(), ""},  // does not fit the 1000-byte buffer
  };
  for (const WindowsDirCase& c : cases) {
    SCOPED_TRACE(c.windir ? c.windir : "(unset)");
    if (c.windir) {
      setenv("WINDIR", c.windir, 1);
    } else {
      unsetenv("WINDIR");
    }
    WindowsDir.clear();
    DialogScript script({Click("OK")});

    RunPatch();

    // None of them holds a pointer file: the game is not installed.
    EXPECT_EQ(WindowsDir, c.windows_dir);
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].Text, PatchMessages::MsgNotInstalled);
  }
  unsetenv("WINDIR");
}

}  // namespace
