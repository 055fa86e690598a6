#include <algorithm>
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

  // The system's sort key for the same flags orders as CompareStringA does; it ends in a NUL,
  // which the seam's keys leave off.
  void SortKey(std::string_view line, std::string* key) override {
    key->resize(std::max(key->capacity(), line.size() * 4 + 16));
    int written = MapToSortKey(line, key);
    if (written == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      key->clear();
      key->resize(static_cast<size_t>(std::max(MapToSortKey(line, key), 0)));
      written = MapToSortKey(line, key);
    }
    key->resize(static_cast<size_t>(std::max(written, 0)));
    if (!key->empty() && key->back() == '\0') key->pop_back();
  }

 private:
  // An empty view may have no storage; the call rejects a null pointer even for no text.
  static const char* Data(std::string_view text) { return text.empty() ? "" : text.data(); }

  // Explicit lengths, so embedded NUL bytes take part; a negative length would mean "to NUL".
  static int Length(std::string_view text) {
    return text.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
  }

  // Writes the key into *key's whole size (none: asks for the size) and returns its length.
  // An empty line goes as a terminated string: the call refuses a length of zero.
  static int MapToSortKey(std::string_view line, std::string* key) {
    return LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, Data(line),
                        line.empty() ? -1 : Length(line), key->empty() ? nullptr : key->data(),
                        Length(*key));
  }
};

}  // namespace

std::unique_ptr<Collator> NewCollator() { return std::make_unique<Win32Collator>(); }

}  // namespace kelbrin::win32
