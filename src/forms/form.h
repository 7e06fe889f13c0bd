// A form built from its stored-form resource: settings, child components bound to the fields the
// form class declares, and event handlers bound by name.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "forms/backend.h"
#include "forms/components.h"

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition { poDesigned, poDefault, poScreenCenter };

struct TFont {
  std::string Charset = "DEFAULT_CHARSET";
  std::string Color = "clWindowText";
  int Height = -11;
  std::string Name = "MS Sans Serif";
  std::vector<std::string> Style;
};

struct TStoredObject;

class TForm : public TComponent {
 public:
  // `class_name` names the form class; its resource is that name in capitals.
  explicit TForm(std::string class_name);
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  const std::string& ClassName() const { return class_name_; }

  // Settings, as the stored form gives them.
  int Left = 0;
  int Top = 0;
  TBorderStyle BorderStyle = bsSizeable;
  std::string Caption;
  std::string Color = "clBtnFace";
  TFont Font;
  bool OldCreateOrder = false;
  int PixelsPerInch = 96;
  int TextHeight = 13;
  TPosition Position = poDesigned;
  TWindowState WindowState = wsNormal;
  bool Visible = false;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;

  // Outer size of the window. For a borderless form the client area is the same size.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int width);
  void SetHeight(int height);
  int ClientWidth() const { return width_; }
  int ClientHeight() const { return height_; }

  // Reads the stored form: the root record's settings, its children created by class name and
  // bound to declared fields, its handlers bound by name. The bytes must outlive the form: the
  // picture data stays where it lies. Raises EReadError for a resource that does not fit.
  void ReadState(std::span<const std::uint8_t> resource);
  // Construction has completed: fires the creation event. An error leaving the handler is
  // reported by the application and does not stop the construction.
  void AfterConstruction();

  // Makes the form visible: the show event, then the window on the screen in its window state.
  void Show();
  // Closing the main form ends the application; another form is hidden.
  void Close();

  backend::WindowHandle Handle() const { return handle_; }
  // Makes the window if it does not exist yet.
  void HandleNeeded();

  const std::vector<std::unique_ptr<TComponent>>& Components() const { return components_; }

 protected:
  // A component field the stored form fills: the child record of that name, of class T.
  template <class T>
  void DeclareField(const std::string& name, T*& field) {
    field_binders_[name] = [&field](TComponent* component) {
      field = dynamic_cast<T*>(component);
      return field != nullptr;
    };
  }
  // A method the stored form may name as an event handler.
  void DeclareHandler(const std::string& name, TNotifyEvent handler) {
    handlers_[name] = std::move(handler);
  }

 private:
  void ReadSettings(const TStoredObject& record);
  TNotifyEvent HandlerNamed(const std::string& name) const;

  std::string class_name_;
  int width_ = 0;
  int height_ = 0;
  backend::WindowHandle handle_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
  std::map<std::string, std::function<bool(TComponent*)>> field_binders_;
  std::map<std::string, TNotifyEvent> handlers_;
};
