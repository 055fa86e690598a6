#include <unicode/ucol.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cstdint>
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

// ICU's keys for lines of plain ASCII, made without ICU. At secondary strength ICU's key is the
// primary weights of a line's characters, a level separator, the secondary weights with runs
// of the common weight counted, and a terminator. Under the usual tailorings each ASCII
// character has one primary of its own and the common secondary, or is ignored altogether;
// then a line's key is a plain concatenation that a table makes several times faster than
// ICU, which counts for a group list of a few hundred thousand lines. What each character
// weighs is learnt from ICU itself, and only the characters whose every pair comes out of
// ICU exactly as the table would make it are taken; a line with any other byte goes to ICU.
class AsciiKeyTable {
 public:
  void Learn(UCollator* collator) {
    for (int c = 0; c < 128; ++c) chars_[c] = Measure(collator, static_cast<UChar>(c));
    // Contractions and weights that depend on what comes before tie characters together.
    UErrorCode status = U_ZERO_ERROR;
    USet* contractions = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator, contractions, nullptr, true, &status);
    if (U_FAILURE(status)) {
      uset_close(contractions);
      return;
    }
    UChar text[64];
    for (int32_t i = 0, n = uset_getItemCount(contractions); i < n; ++i) {
      UChar32 start = 0, end = 0;
      status = U_ZERO_ERROR;
      int32_t length = uset_getItem(contractions, i, &start, &end, text, 64, &status);
      if (U_FAILURE(status)) {
        uset_close(contractions);
        return;
      }
      // Only a contraction of ASCII characters alone can match in a line of them.
      if (length == 0) {
        for (UChar32 c = start; c <= end && c < 128; ++c) chars_[c].fast = false;
      } else if (std::all_of(text, text + length, [](UChar c) { return c < 128; })) {
        for (int32_t j = 0; j < length; ++j) chars_[text[j]].fast = false;
      }
    }
    uset_close(contractions);
    // Pairs show whether weights of neighbours are compressed or otherwise merged.
    std::string made, icu;
    for (int a = 0; a < 128; ++a) {
      for (int b = 0; b < 128; ++b) {
        if (!chars_[a].fast || !chars_[b].fast) continue;
        const char pair[] = {static_cast<char>(a), static_cast<char>(b)};
        const UChar units[] = {static_cast<UChar>(a), static_cast<UChar>(b)};
        Make(std::string_view(pair, 2), &made);
        if (IcuKey(collator, units, 2, &icu) != made) chars_[a].fast = chars_[b].fast = false;
      }
    }
    // Long runs, for the counting of common secondary weights.
    int letter = 'a';
    while (letter < 128 && !(chars_[letter].fast && chars_[letter].size > 0)) ++letter;
    if (letter == 128) return;
    std::vector<UChar> run;
    for (int n = 1; n <= 120; ++n) {
      run.push_back(static_cast<UChar>(letter));
      Make(std::string(static_cast<size_t>(n), static_cast<char>(letter)), &made);
      if (IcuKey(collator, run.data(), n, &icu) != made) return;
    }
    usable_ = true;
  }

  // The key of `line` when all its bytes are characters of the table; false otherwise.
  bool Make(std::string_view line, std::string* key) const {
    key->resize(line.size() * 4 + line.size() / kCommonRun + 4);
    auto* out = reinterpret_cast<uint8_t*>(key->data());
    size_t weighed = 0;
    for (char c : line) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 128 || !chars_[byte].fast) return false;
      const Char& weight = chars_[byte];
      for (uint8_t i = 0; i < weight.size; ++i) *out++ = weight.primary[i];
      weighed += weight.size > 0 ? 1 : 0;
    }
    *out++ = kLevelSeparator;
    if (weighed > 0) {
      size_t more = weighed - 1;
      for (; more >= kCommonRun; more -= kCommonRun) *out++ = kCommonMiddle;
      *out++ = static_cast<uint8_t>(kCommonLow + more);
    }
    *out++ = 0;
    key->resize(static_cast<size_t>(out - reinterpret_cast<uint8_t*>(key->data())));
    return true;
  }

  bool Usable() const { return usable_; }

 private:
  // ICU's coding of runs of the common secondary weight.
  static constexpr uint8_t kLevelSeparator = 0x01;
  static constexpr uint8_t kCommonLow = 0x05;
  static constexpr uint8_t kCommonMiddle = 0x25;
  static constexpr size_t kCommonRun = 33;

  struct Char {
    bool fast = false;
    uint8_t size = 0;  // bytes of the primary weight; 0 for a character that is ignored
    std::array<uint8_t, 4> primary{};
  };

  static const std::string& IcuKey(UCollator* collator, const UChar* text, int32_t length,
                                   std::string* key) {
    uint8_t bytes[512];
    int32_t size = ucol_getSortKey(collator, text, length, bytes, sizeof bytes);
    if (size <= 0 || size > static_cast<int32_t>(sizeof bytes)) size = 0;
    key->assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    return *key;
  }

  // A character alone: its primary bytes and the common secondary, or nothing at all.
  static Char Measure(UCollator* collator, UChar c) {
    std::string key;
    IcuKey(collator, &c, 1, &key);
    Char out;
    const size_t separator = key.find(static_cast<char>(kLevelSeparator));
    if (separator == std::string::npos || separator > out.primary.size()) return out;
    const std::string_view rest = std::string_view(key).substr(separator);
    const bool ignored = separator == 0 && rest == std::string_view("\x01\0", 2);
    const bool plain =
        separator > 0 && rest == std::string_view("\x01\x05\0", 3);
    if (!ignored && !plain) return out;
    out.fast = true;
    out.size = static_cast<uint8_t>(separator);
    for (size_t i = 0; i < separator; ++i) out.primary[i] = static_cast<uint8_t>(key[i]);
    return out;
  }

  std::array<Char, 128> chars_{};
  bool usable_ = false;
};

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
    if (collator_ != nullptr) {
      ucol_setStrength(collator_, UCOL_SECONDARY);
      ascii_.Learn(collator_);
    }
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
    if (ascii_.Usable() && ascii_.Make(line, key)) return;
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
  AsciiKeyTable ascii_;
  // Reused from call to call: sorting a large list compares millions of times.
  std::vector<UChar> a_, b_, foldedA_, foldedB_;
  std::vector<uint8_t> icuKey_ = std::vector<uint8_t>(256);
};

}  // namespace

std::unique_ptr<Collator> NewCollator() {
  return std::make_unique<IcuCollator>();
}

}  // namespace kelbrin::posix
