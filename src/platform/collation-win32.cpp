#include <climits>

#include "platform/win32.h"

namespace kelbrin::win32 {

namespace {

class Win32Collator : public Collator {
 public:
  int Compare(std::string_view a, std::string_view b) override {
    // CompareStringA answers 1, 2 or 3 for less, equal, greater (0 only for bad arguments).
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Data(a), Length(a), Data(b),
                          Length(b)) -
           2;
  }

 private:
  // An empty view may have no storage; the call rejects a null pointer even for no text.
  static const char* Data(std::string_view text) { return text.empty() ? "" : text.data(); }

  // Explicit lengths, so embedded NUL bytes take part; a negative length would mean "to NUL".
  static int Length(std::string_view text) {
    return text.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
  }
};

}  // namespace

std::unique_ptr<Collator> NewCollator() { return std::make_unique<Win32Collator>(); }

}  // namespace kelbrin::win32
