#include "platform/message_box.h"
#include "platform/posix.h"

namespace kelbrin::posix {

namespace {

// No desktop to show a box on and no user to close it: the message goes to standard error
// and the run goes on at once, as it does after the user pressed OK.
class StderrMessageBox : public MessageBox {
 public:
  StderrMessageBox() : console_(NewConsole(2)) {}

  void Show(const std::string& text, const std::string& caption, uint32_t) override {
    // Nowhere to report a failure to show it; Windows gives the run none either.
    console_->Write("[" + caption + "] " + text + "\n");
  }

 private:
  std::unique_ptr<Console> console_;
};

}  // namespace

std::unique_ptr<MessageBox> NewMessageBox() {
  return std::make_unique<StderrMessageBox>();
}

}  // namespace kelbrin::posix
