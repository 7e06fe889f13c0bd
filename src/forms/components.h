// The base classes of the component tree, and the image component.
#pragma once

#include <functional>
#include <string>

#include "forms/graphics.h"

struct TStoredProperty;

class TObject {
 public:
  virtual ~TObject() = default;
};

// An event handler: one parameter, the object that fired it.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TComponent : public TObject {
 public:
  std::string Name;
  // Takes one property from a stored form; false when the component has none of that name.
  virtual bool ReadProperty(const TStoredProperty& property);
};

class TImage : public TComponent {
 public:
  int Left = 0;
  int Top = 0;
  int Width = 105;
  int Height = 105;
  bool AutoSize = false;
  bool Center = false;
  bool Stretch = false;
  bool Proportional = false;
  bool Transparent = false;
  TPicture Picture;

  bool ReadProperty(const TStoredProperty& property) override;
};
