#include "support/test_form.h"

TestForm::TestForm(const std::array<formwriter::Bytes, 4>& entries)
    : TestForm(formwriter::BuildFormResource(entries)) {}

TestForm::TestForm(formwriter::Bytes resource)
    : resource_(std::move(resource)), form_(std::make_unique<TForm1>()) {
  Form1 = form_.get();
  form_->ReadState(resource_);
}

TestForm::~TestForm() {
  Form1 = nullptr;
}

std::array<formwriter::Bytes, 4> SmallEntries() {
  return {AsBytes("MZ game executable"), AsBytes("tutorial data\r\n"),
          AsBytes(std::string("level 25\0\x80\xFF", 11)), AsBytes("[Game]\r\nLanguage=cs\r\n")};
}

formwriter::Bytes ResourceWithRecord(const std::array<formwriter::Bytes, 4>& entries, int index,
                                     std::int32_t offset, std::int32_t size) {
  formwriter::Bytes block = formwriter::BuildPixelBlock(entries);
  for (int i = 0; i < 4; ++i) {
    block[8 * index + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(offset) >> (8 * i));
    block[8 * index + 4 + i] =
        static_cast<std::uint8_t>(static_cast<std::uint32_t>(size) >> (8 * i));
  }
  const formwriter::Bytes bmp = formwriter::BuildBitmapFile(block);
  return formwriter::BuildStoredForm(formwriter::BuildPictureData("TBitmap", bmp));
}

std::string AsString(const formwriter::Bytes& bytes) {
  return {bytes.begin(), bytes.end()};
}

formwriter::Bytes AsBytes(const std::string& text) {
  return {text.begin(), text.end()};
}
