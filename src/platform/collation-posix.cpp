#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <vector>

#include "platform/collation.h"
#include "platform/posix.h"

namespace kelbrin::posix {

namespace {

// Bytes that are not UTF-8 become code points of their own in a supplementary private use
// area, so that no line is lost in decoding and none of them equals a real letter.
constexpr char32_t kRawByteBase = 0xF0000;

void Append(char32_t code, std::vector<UChar>* out) {
  if (code < 0x10000) {
    out->push_back(static_cast<UChar>(code));
  } else {
    out->push_back(static_cast<UChar>(0xD7C0 + (code >> 10)));
    out->push_back(static_cast<UChar>(0xDC00 | (code & 0x3FF)));
  }
}

// The length of the well-formed UTF-8 sequence at `at` and its code point, or 0 when the
// byte there starts none (overlong forms, surrogates and values past U+10FFFF included).
size_t DecodeOne(std::string_view text, size_t at, char32_t* code) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  if (lead < 0x80) return *code = lead, 1;
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return 0;
  char32_t value = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  *code = value;
  return length;
}

void Decode(std::string_view text, std::vector<UChar>* out) {
  out->clear();
  for (size_t at = 0; at < text.size();) {
    char32_t code = 0;
    size_t length = DecodeOne(text, at, &code);
    if (length == 0) {
      code = kRawByteBase + static_cast<unsigned char>(text[at]);
      length = 1;
    }
    Append(code, out);
    at += length;
  }
}

// Full case folding into a reused buffer, which grows only when a longer text comes.
void Fold(const std::vector<UChar>& text, std::vector<UChar>* out) {
  out->resize(text.size());
  for (;;) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = u_strFoldCase(out->data(), static_cast<int32_t>(out->size()), text.data(),
                                   static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out->resize(static_cast<size_t>(length));
      continue;
    }
    // Folding cannot fail on a well-formed buffer; keep the text as it is if it ever does.
    if (U_FAILURE(status)) {
      *out = text;
      return;
    }
    out->resize(static_cast<size_t>(length));
    return;
  }
}

// ICU collation of the user's locale at secondary strength: case ignored, accents kept.
// ICU also ignores control characters and equates canonically equivalent spellings; a list
// that drops duplicates must not lose such lines, so an ICU tie is broken by the case-folded
// texts. What is left equal differs in letter case alone.
class IcuCollator : public Collator {
 public:
  IcuCollator() {
    // Non-empty capacity keeps data() from being null for an empty line.
    for (auto* buffer : {&a_, &b_, &foldedA_, &foldedB_}) buffer->reserve(256);
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open(LocaleFromEnvironment("LC_COLLATE").c_str(), &status);
    if (U_FAILURE(status)) {
      status = U_ZERO_ERROR;
      collator_ = ucol_open("en_US", &status);
    }
    if (collator_ != nullptr) ucol_setStrength(collator_, UCOL_SECONDARY);
  }
  ~IcuCollator() override {
    if (collator_ != nullptr) ucol_close(collator_);
  }

  int Compare(std::string_view a, std::string_view b) override {
    Decode(a, &a_);
    Decode(b, &b_);
    if (collator_ != nullptr) {
      UCollationResult order = ucol_strcoll(collator_, a_.data(), static_cast<int32_t>(a_.size()),
                                            b_.data(), static_cast<int32_t>(b_.size()));
      if (order != UCOL_EQUAL) return order == UCOL_LESS ? -1 : 1;
    }
    Fold(a_, &foldedA_);
    Fold(b_, &foldedB_);
    // Code unit order; a prefix sorts first, so the empty line stays ahead of every other.
    size_t common = std::min(foldedA_.size(), foldedB_.size());
    for (size_t i = 0; i < common; ++i) {
      if (foldedA_[i] != foldedB_[i]) return foldedA_[i] < foldedB_[i] ? -1 : 1;
    }
    if (foldedA_.size() != foldedB_.size()) return foldedA_.size() < foldedB_.size() ? -1 : 1;
    return 0;
  }

  // ICU's key alone: lines that it finds equal but Compare tells apart by their folded texts
  // are rare, and leaving those texts out of the key halves a group list's keys.
  void SortKey(std::string_view line, std::string* key) override {
    Decode(line, &a_);
    key->clear();
    if (collator_ != nullptr) {
      for (;;) {
        int32_t length = ucol_getSortKey(collator_, a_.data(), static_cast<int32_t>(a_.size()),
                                         icuKey_.data(), static_cast<int32_t>(icuKey_.size()));
        if (length <= static_cast<int32_t>(icuKey_.size())) {
          key->assign(reinterpret_cast<const char*>(icuKey_.data()), static_cast<size_t>(length));
          break;
        }
        icuKey_.resize(static_cast<size_t>(length));
      }
    }
  }

 private:
  UCollator* collator_ = nullptr;
  // Reused from call to call: sorting a large list compares millions of times.
  std::vector<UChar> a_, b_, foldedA_, foldedB_;
  std::vector<uint8_t> icuKey_ = std::vector<uint8_t>(256);
};

}  // namespace

std::unique_ptr<Collator> NewCollator() {
  return std::make_unique<IcuCollator>();
}

}  // namespace kelbrin::posix
