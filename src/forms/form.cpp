#include "forms/form.h"

#include <utility>

#include "forms/application.h"
#include "forms/exceptions.h"
#include "forms/stored_form.h"
#include "forms/stored_values.h"

namespace {

TBorderStyle BorderStyleNamed(const std::string& name) {
  static const std::pair<const char*, TBorderStyle> kStyles[] = {
      {"bsNone", bsNone},     {"bsSingle", bsSingle},         {"bsSizeable", bsSizeable},
      {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin}};
  for (const auto& [text, style] : kStyles) {
    if (name == text) return style;
  }
  throw EReadError("Invalid property value: BorderStyle " + name);
}

// Runs an event handler; what it raises is reported, and the caller carries on.
void Fire(const TNotifyEvent& handler, TObject* sender) {
  if (!handler) return;
  try {
    handler(sender);
  } catch (...) {
    if (Application == nullptr) throw;
    Application->HandleException();
  }
}

std::unique_ptr<TComponent> CreateComponent(const std::string& class_name) {
  if (class_name == "TImage") return std::make_unique<TImage>();
  throw EReadError("Class " + class_name + " not found");
}

}  // namespace

TForm::TForm(std::string class_name) : class_name_(std::move(class_name)) {}

TForm::~TForm() {
  if (handle_ != nullptr) backend::DestroyWindow(handle_);
}

void TForm::SetWidth(int width) {
  width_ = width;
  if (handle_ != nullptr) backend::SetWindowBounds(handle_, Left, Top, width_, height_);
}

void TForm::SetHeight(int height) {
  height_ = height;
  if (handle_ != nullptr) backend::SetWindowBounds(handle_, Left, Top, width_, height_);
}

void TForm::ReadState(std::span<const std::uint8_t> resource) {
  const TStoredObject root = ReadStoredForm(resource);
  if (root.ClassName != class_name_) {
    throw EReadError("Stored form holds a " + root.ClassName + ", not a " + class_name_);
  }
  Name = root.Name;
  ReadSettings(root);

  for (const TStoredObject& child : root.Children) {
    auto component = CreateComponent(child.ClassName);
    component->Name = child.Name;
    for (const TStoredProperty& property : child.Properties) {
      if (!component->ReadProperty(property)) {
        throw EReadError("Error reading " + child.Name + "." + property.Name +
                         ": Property does not exist");
      }
    }
    if (!child.Children.empty()) throw EReadError(child.Name + " cannot hold components");
    if (auto binder = field_binders_.find(child.Name); binder != field_binders_.end()) {
      if (!binder->second(component.get())) {
        throw EReadError("Field " + child.Name + " is not a " + child.ClassName);
      }
    }
    components_.push_back(std::move(component));
  }
}

void TForm::ReadSettings(const TStoredObject& record) {
  for (const TStoredProperty& property : record.Properties) {
    const std::string& name = property.Name;
    if (name == "Left") {
      Left = stored::Integer(property);
    } else if (name == "Top") {
      Top = stored::Integer(property);
    } else if (name == "Width" || name == "ClientWidth") {
      // Borderless: the client area is the whole window.
      width_ = stored::Integer(property);
    } else if (name == "Height" || name == "ClientHeight") {
      height_ = stored::Integer(property);
    } else if (name == "BorderStyle") {
      BorderStyle = BorderStyleNamed(stored::Ident(property));
    } else if (name == "Caption") {
      Caption = stored::String(property);
    } else if (name == "Color") {
      Color = stored::Ident(property);
    } else if (name == "Font.Charset") {
      Font.Charset = stored::Ident(property);
    } else if (name == "Font.Color") {
      Font.Color = stored::Ident(property);
    } else if (name == "Font.Height") {
      Font.Height = stored::Integer(property);
    } else if (name == "Font.Name") {
      Font.Name = stored::String(property);
    } else if (name == "Font.Style") {
      Font.Style = stored::Set(property);
    } else if (name == "OldCreateOrder") {
      OldCreateOrder = stored::Boolean(property);
    } else if (name == "Visible") {
      Visible = stored::Boolean(property);
    } else if (name == "OnCreate") {
      OnCreate = HandlerNamed(stored::Ident(property));
    } else if (name == "OnShow") {
      OnShow = HandlerNamed(stored::Ident(property));
    } else if (name == "PixelsPerInch") {
      PixelsPerInch = stored::Integer(property);
    } else if (name == "TextHeight") {
      TextHeight = stored::Integer(property);
    } else {
      throw EReadError("Error reading " + record.Name + "." + name + ": Property does not exist");
    }
  }
}

TNotifyEvent TForm::HandlerNamed(const std::string& name) const {
  auto handler = handlers_.find(name);
  if (handler == handlers_.end()) throw EReadError("Method " + name + " not found");
  return handler->second;
}

void TForm::AfterConstruction() {
  Fire(OnCreate, this);
}

void TForm::HandleNeeded() {
  if (handle_ == nullptr) {
    handle_ = backend::CreateFormWindow(*this, Application ? Application->Handle() : nullptr);
  }
}

void TForm::Show() {
  Visible = true;
  const bool main_form = Application != nullptr && Application->MainForm() == this;
  // The program's taskbar button comes with its main form.
  if (main_form) backend::ShowApplicationWindow(Application->Handle(), backend::kShow);
  // The show event comes before the window is on the screen.
  Fire(OnShow, this);
  HandleNeeded();
  backend::ShowFormWindow(
      handle_, WindowState == wsMaximized ? backend::kShowMaximized : backend::kShowNormal);
}

void TForm::Close() {
  if (Application != nullptr && Application->MainForm() == this) {
    // Closing the main form ends the application; the form is not hidden first.
    Application->Terminate();
    return;
  }
  Visible = false;
  if (handle_ != nullptr) backend::HideWindow(handle_);
}
