// The main form built from a stored form, set into Form1 the way the application sets it, but
// without its creation event: the payload can be read, and nothing runs by itself.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "mkform/form_writer.h"
#include "shell/form1.h"

// Four small, distinct entries: entry i holds a few bytes naming it.
std::array<formwriter::Bytes, 4> SmallEntries();

// The stored form for `entries`, with the directory record of entry `index` replaced.
formwriter::Bytes ResourceWithRecord(const std::array<formwriter::Bytes, 4>& entries, int index,
                                     std::int32_t offset, std::int32_t size);

class TestForm {
 public:
  explicit TestForm(const std::array<formwriter::Bytes, 4>& entries);
  explicit TestForm(formwriter::Bytes resource);
  ~TestForm();
  TestForm(const TestForm&) = delete;
  TestForm& operator=(const TestForm&) = delete;

  const formwriter::Bytes& Resource() const { return resource_; }

 private:
  formwriter::Bytes resource_;
  std::unique_ptr<TForm1> form_;
};

std::string AsString(const formwriter::Bytes& bytes);
formwriter::Bytes AsBytes(const std::string& text);
