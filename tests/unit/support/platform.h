// What the tests need to know about the system they run on.
#pragma once

#include <string>

#include "mkform/form_writer.h"

class TempDir;

// Points the patch run's Windows directory at a directory the test can write to, and gives it
// (without a trailing separator). On the host that is `temp`/windows, through WINDIR; on
// Windows it is the real Windows directory.
std::string UseTestWindowsDirectory(const TempDir& temp);
// Undoes UseTestWindowsDirectory.
void ForgetTestWindowsDirectory();

// A program that appends how it was started to launched.txt beside itself, a "cmdline=" and a
// "cwd=" line per start: a shell script on the host, the demo game on Windows.
formwriter::Bytes GameProgram();
