#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

class Win32MessageBox : public MessageBox {
 public:
  void Show(const std::string& text, const std::string& caption, uint32_t style) override {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
  }
};

}  // namespace

std::unique_ptr<MessageBox> NewMessageBox() { return std::make_unique<Win32MessageBox>(); }

}  // namespace kelbrin::win32
