#include "forms/components.h"

#include "forms/exceptions.h"
#include "forms/stored_form.h"
#include "forms/stored_values.h"

bool TComponent::ReadProperty(const TStoredProperty&) {
  return false;
}

bool TImage::ReadProperty(const TStoredProperty& property) {
  const std::string& name = property.Name;
  if (name == "Left") {
    Left = stored::Integer(property);
  } else if (name == "Top") {
    Top = stored::Integer(property);
  } else if (name == "Width") {
    Width = stored::Integer(property);
  } else if (name == "Height") {
    Height = stored::Integer(property);
  } else if (name == "AutoSize") {
    AutoSize = stored::Boolean(property);
  } else if (name == "Center") {
    Center = stored::Boolean(property);
  } else if (name == "Stretch") {
    Stretch = stored::Boolean(property);
  } else if (name == "Proportional") {
    Proportional = stored::Boolean(property);
  } else if (name == "Transparent") {
    Transparent = stored::Boolean(property);
  } else if (name == "Picture.Data") {
    Picture.LoadFromData(stored::Binary(property));
  } else {
    return TComponent::ReadProperty(property);
  }
  return true;
}
