// Answers the message dialogs and error boxes that the code under test shows, one answer per
// dialog in order, and records what each showed. On the host it scripts the headless backend;
// on Windows it reads and answers the live dialogs of this thread.
#pragma once

#include <string>
#include <vector>

struct DialogAnswer {
  enum Kind { Click, Escape, CloseBox } kind;
  std::string button;  // for Click: the label as shown, with its '&'
};

inline DialogAnswer Click(std::string label) {
  return {DialogAnswer::Click, std::move(label)};
}
inline DialogAnswer Escape() {
  return {DialogAnswer::Escape, {}};
}
inline DialogAnswer CloseBox() {
  return {DialogAnswer::CloseBox, {}};
}

struct ShownDialog {
  bool ErrorBox = false;  // the standard error box rather than the message dialog
  std::string Caption;
  std::string Text;
  std::vector<std::string> Buttons;  // labels, left to right
  int Icon = 0;                      // TDialogIcon of the system icon shown; 0 for none
  int Result = 0;                    // what closing it returned
};

class DialogScript {
 public:
  // A dialog beyond the answers given is closed by its close box and recorded all the same.
  explicit DialogScript(std::vector<DialogAnswer> answers);
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  const std::vector<ShownDialog>& Shown() const { return shown_; }

  // Used by the backend hooks.
  DialogAnswer NextAnswer();
  void Record(ShownDialog dialog) { shown_.push_back(std::move(dialog)); }
  ShownDialog& Last() { return shown_.back(); }

 private:
  std::vector<DialogAnswer> answers_;
  std::size_t next_ = 0;
  std::vector<ShownDialog> shown_;
};
