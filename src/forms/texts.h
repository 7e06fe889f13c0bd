// Text rules of the application object.
#pragma once

#include <string>

// The error box text: the message, with "." appended when its last byte is above '.' (0x2E).
std::string ErrorBoxText(const std::string& message);

// The title a program gets when it sets none: the executable's file name cut at its first ".",
// the first character as it is and every later one in lower case.
std::string DefaultApplicationTitle(const std::string& executable_path);

// The last-chance box text: the error's class and its message.
std::string LastChanceText(const std::string& class_name, const std::string& message,
                           const std::string& executable_path);
