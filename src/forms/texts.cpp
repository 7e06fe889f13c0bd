#include "forms/texts.h"

#include "forms/backend.h"

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

namespace {

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string DefaultApplicationTitle(const std::string& executable_path) {
  std::string name = FileNameOf(executable_path);
  name = name.substr(0, name.find('.'));
  if (name.size() > 1) name = name.substr(0, 1) + backend::AnsiLowerCase(name.substr(1));
  return name;
}

std::string LastChanceText(const std::string& class_name, const std::string& message,
                           const std::string& executable_path) {
  return "Exception " + class_name + " in module " + FileNameOf(executable_path) + ".\r\n" +
         ErrorBoxText(message);
}
