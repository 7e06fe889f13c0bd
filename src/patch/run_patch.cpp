#include <optional>

#include "patch/patch.h"
#include "patch/patch_messages.h"
#include "payload/payload.h"
#include "services/services.h"

std::string WindowsDir;
std::string GameDir;

namespace {

constexpr char kPointerFile[] = "Duskhollow.dr";
constexpr char kGameExecutable[] = "Duskhollow.exe";
// Its presence marks the Czech edition. Written with '/', which Windows takes as a separator.
constexpr char kEditionMarker[] = "Data/21";

// A directory string ends in exactly one backslash before a name is joined to it.
std::string WithBackslash(std::string directory) {
  if (directory.back() != '\\') directory += '\\';
  return directory;
}

// Finds the installation and tests it; changes nothing. False after the failing test's message.
bool CheckInstallation() {
  // A Windows directory that cannot be had (or is empty) leaves nowhere to look.
  const std::optional<std::string> windows = WindowsDirectory();
  if (!windows || windows->empty()) {
    PatchMessages::ShowError(PatchMessages::MsgNotInstalled);
    return false;
  }
  WindowsDir = WithBackslash(*windows);

  const std::string pointer = WindowsDir + kPointerFile;
  if (!FileExists(pointer)) {
    PatchMessages::ShowError(PatchMessages::MsgNotInstalled);
    return false;
  }
  // Verbatim: no trimming, no change of separators or case.
  GameDir = ReadFileWhole(pointer);
  if (GameDir.empty()) {
    PatchMessages::ShowError(PatchMessages::MsgNotInstalled);
    return false;
  }
  GameDir = WithBackslash(GameDir);

  if (!FileExists(GameDir + kGameExecutable)) {
    PatchMessages::ShowError(PatchMessages::MsgNotInstalled);
    return false;
  }
  if (!FileExists(GameDir + kEditionMarker)) {
    PatchMessages::ShowError(PatchMessages::MsgCzechOnly);
    return false;
  }
  OpenAndClose(GameDir + kEditionMarker);
  return true;
}

// Removes the old executable and writes the four entries in order, stopping at the first failure.
// Nothing is backed up or undone.
bool ApplyPatch() {
  const std::string executable = GameDir + kGameExecutable;
  SetNormalAttributes(executable);
  if (!RemoveFile(executable)) return false;
  for (int index = 0; index < container::kEntryCount; ++index) {
    if (!ExtractPayloadEntry(index, GameDir + TargetFiles[index])) return false;
  }
  return true;
}

}  // namespace

void RunPatch() {
  if (!CheckInstallation()) return;
  if (!ApplyPatch()) {
    PatchMessages::ShowError(PatchMessages::MsgApplyFailed);
    return;
  }
  if (PatchMessages::AskYes(PatchMessages::MsgAppliedRunGame)) {
    // In its own folder: never the installer's working directory, a Downloads folder.
    StartProgram(GameDir + kGameExecutable, GameDir);
  }
}
