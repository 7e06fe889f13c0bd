// The application object: start-up show state, title, the application window, the forms it
// creates, the message loop, and the one place raised errors are reported.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/backend.h"
#include "forms/exceptions.h"
#include "forms/form.h"

class TApplication : public TComponent {
 public:
  // Reads the start-up show state, derives the default title and makes the application window.
  TApplication();
  // Destroys the forms it created, the main form with them, and the application window.
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Nothing of the program's own happens here; no start-up hook is registered.
  void Initialize() {}

  // Makes a T, sets `reference` to it, then constructs it from its stored-form resource. When the
  // construction fails `reference` is set back to null and the error is passed on. The first form
  // created becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    auto form = std::make_unique<T>();
    reference = form.get();
    try {
      form->ReadState(backend::FindFormResource(ResourceName(*form)));
    } catch (...) {
      reference = nullptr;
      throw;
    }
    AdoptForm(std::move(form), [&reference] { reference = nullptr; });
  }

  // Shows the main form (or, started minimised without activation, minimises the application)
  // and processes messages until the quit message.
  void Run();

  // The title, read from the application window's text.
  std::string Title() const;
  TForm* MainForm() const { return main_form_; }
  backend::WindowHandle Handle() const { return handle_; }
  int StartupShowState() const { return startup_show_state_; }

  // Reports the error being handled (call from a catch block); EAbort is passed over silently.
  void HandleException();
  // The standard error box for `error`.
  void ShowException(const Exception& error);

  // Posts the quit message.
  void Terminate();
  // Shows only the taskbar button, minimised; the main form stays hidden.
  void Minimize();
  // Restored from the taskbar: the main form back to normal and shown.
  void Restore();
  // Closed from the taskbar: the main form is closed without being shown.
  void CloseFromTaskbar();

 private:
  static std::string ResourceName(const TForm& form);
  void AdoptForm(std::unique_ptr<TForm> form, std::function<void()> forget_reference);

  struct OwnedForm {
    std::unique_ptr<TForm> form;
    std::function<void()> forget_reference;
  };

  int startup_show_state_;
  backend::WindowHandle handle_ = nullptr;
  TForm* main_form_ = nullptr;
  std::vector<OwnedForm> forms_;
};

// The application object of the running program; set for the span of RunProgram.
extern TApplication* Application;

// Process start to exit: makes the application object, runs `body` (initialise, create the
// forms, run), destroys the application's components and gives the exit code: 0, or 1 after an
// error escaped `body` and was shown in the last-chance box.
int RunProgram(const std::function<void()>& body);
