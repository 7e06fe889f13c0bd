#include "forms/application.h"

#include <cctype>

#include "forms/texts.h"

TApplication* Application = nullptr;

TApplication::TApplication() : startup_show_state_(backend::StartupShowState()) {
  handle_ =
      backend::CreateApplicationWindow(DefaultApplicationTitle(backend::ExecutableFileName()));
}

TApplication::~TApplication() {
  // Newest first; each reference the program holds is emptied with its form.
  while (!forms_.empty()) {
    OwnedForm owned = std::move(forms_.back());
    forms_.pop_back();
    if (owned.form.get() == main_form_) main_form_ = nullptr;
    owned.forget_reference();
    owned.form.reset();
  }
  if (handle_ != nullptr) backend::DestroyWindow(handle_);
}

std::string TApplication::ResourceName(const TForm& form) {
  std::string name = form.ClassName();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form, std::function<void()> forget_reference) {
  TForm* created = form.get();
  forms_.push_back({std::move(form), std::move(forget_reference)});
  created->AfterConstruction();
  created->HandleNeeded();
  if (main_form_ == nullptr) main_form_ = created;
}

void TApplication::Run() {
  if (main_form_ == nullptr) return;
  if (startup_show_state_ == backend::kShowMaximized) main_form_->WindowState = wsMaximized;
  if (startup_show_state_ == backend::kShowMinNoActive) main_form_->WindowState = wsMinimized;

  if (main_form_->WindowState == wsMinimized) {
    Minimize();
  } else {
    main_form_->Show();
  }
  backend::RunMessageLoop();
}

std::string TApplication::Title() const {
  return backend::WindowText(handle_);
}

void TApplication::HandleException() {
  try {
    throw;
  } catch (const EAbort&) {
    // Silent by design.
  } catch (const Exception& error) {
    ShowException(error);
  } catch (const std::exception& error) {
    ShowException(Exception(error.what()));
  }
}

void TApplication::ShowException(const Exception& error) {
  backend::ShowErrorBox(handle_, ErrorBoxText(error.Message()), Title());
}

void TApplication::Terminate() {
  backend::PostQuitMessage(0);
}

void TApplication::Minimize() {
  backend::ShowApplicationWindow(handle_, backend::kShowMinNoActive);
}

void TApplication::Restore() {
  backend::ShowApplicationWindow(handle_, backend::kRestore);
  if (main_form_ == nullptr) return;
  main_form_->WindowState = wsNormal;
  main_form_->Show();
}

void TApplication::CloseFromTaskbar() {
  if (main_form_ != nullptr) main_form_->Close();
}

int RunProgram(const std::function<void()>& body) {
  backend::RestrictDllSearch();
  auto application = std::make_unique<TApplication>();
  Application = application.get();
  int exit_code = 0;
  try {
    body();
  } catch (const Exception& error) {
    backend::ShowLastChanceBox(
        LastChanceText(error.ClassName(), error.Message(), backend::ExecutableFileName()));
    exit_code = 1;
  } catch (const std::exception& error) {
    backend::ShowLastChanceBox(
        LastChanceText("Exception", error.what(), backend::ExecutableFileName()));
    exit_code = 1;
  }
  application.reset();
  Application = nullptr;
  return exit_code;
}
