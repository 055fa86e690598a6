#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>
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

// ICU's keys for lines of Latin letters, digits and punctuation, made without ICU. At secondary
// strength ICU's key is the primary weights of a line's collation elements, a level
// separator, the secondary weights with runs of the common weight counted in a byte, and a
// terminator. Under the usual tailorings each character of ASCII and of the Latin blocks up to
// U+024F stands for a fixed short list of collation elements, or is ignored altogether, and
// the key of a line of such characters is a concatenation that a table makes several times
// faster than ICU; that counts for a group list of a few hundred thousand lines. What each
// character weighs is learnt from ICU itself, and a character joins the table only where ICU's
// keys show that it keeps to that scheme: its own key, its key doubled (ICU compresses runs of
// some lead bytes), and no contraction that the table's lines could hold whole. Random lines
// checked at the end decide whether the table is used at all. A line with any character
// outside the table goes to ICU.
class LatinKeyTable {
 public:
  void Learn(UCollator* collator) {
    std::string made, icu;
    std::vector<UChar> units;
    auto check = [&](const std::vector<UChar>& text) {
      std::string bytes;
      for (UChar c : text) AppendUtf8(c, &bytes);
      return Make(bytes, &made) &&
             IcuKey(collator, text.data(), static_cast<int32_t>(text.size()), &icu) == made;
    };
    // Each character's own key must come out of the table as ICU makes it.
    for (UChar c = 0; c < kChars; ++c) {
      chars_[c] = Measure(collator, c);
      if (chars_[c].fast && !check({c})) chars_[c] = Char();
    }
    UErrorCode status = U_ZERO_ERROR;
    if (ucol_getAttribute(collator, UCOL_NUMERIC_COLLATION, &status) == UCOL_ON) {
      for (UChar c = '0'; c <= '9'; ++c) chars_[c].fast = false;
    }
    // Secondary weights in reverse order would need their own coding; lines whose weights are
    // all common do not notice, so only the characters with other weights leave.
    status = U_ZERO_ERROR;
    if (ucol_getAttribute(collator, UCOL_FRENCH_COLLATION, &status) != UCOL_OFF) {
      for (Char& c : chars_) c.fast = c.fast && c.allCommon;
    }
    if (!LeaveOutContractions(collator)) return;
    // A lead byte that ICU compresses shows in a character doubled; such characters leave.
    for (UChar c = 0; c < kChars; ++c) {
      if (chars_[c].fast && !check({c, c})) chars_[c].fast = false;
    }
    std::vector<UChar> fast;
    for (UChar c = 0; c < kChars; ++c) {
      if (chars_[c].fast) fast.push_back(c);
    }
    if (fast.empty()) return;
    // Long runs of common weights, then random lines with the secondary weights between them.
    for (int n = 1; n <= 120; ++n) {
      units.assign(static_cast<size_t>(n), 'a');
      if (chars_['a'].fast && !check(units)) return;
    }
    std::mt19937 random(20261211);
    for (int i = 0; i < 600; ++i) {
      units.clear();
      for (size_t n = random() % (i % 4 == 0 ? 120 : 10); n > 0; --n) {
        units.push_back(fast[random() % fast.size()]);
      }
      if (!check(units)) return;
    }
    usable_ = true;
  }

  bool Usable() const { return usable_; }

  // The key of `line` when all its characters are in the table; false otherwise.
  bool Make(std::string_view line, std::string* key) {
    // A line of megabytes is not a group line; ICU works out the size of its key.
    if (line.size() > kLongestLine) return false;
    // Room for the worst case: every element a primary of two bytes, and a secondary weight
    // with a count byte before it.
    const size_t elements = line.size() * kMaxElements;
    if (made_.size() < elements * 4 + elements / kCommonRun + 12) {
      // Eight bytes over, for the whole words of primary weight written at a time.
      made_.resize(elements * 4 + elements / kCommonRun + 12);
      secondaries_.resize(elements * 2 + elements / kCommonRun + 2);
    }
    uint8_t* const begin = made_.data();
    uint8_t* out = begin;
    // Secondary weights wait here until the primary ones are all written; common weights are
    // only counted, and their count is written before the next weight that is not common.
    uint8_t* const waiting = secondaries_.data();
    uint8_t* secondary = waiting;
    size_t commons = 0;
    auto writeCommons = [&commons](uint8_t next, uint8_t* to) {
      if (commons == 0) return to;
      size_t more = commons - 1;
      for (; more >= kCommonRun; more -= kCommonRun) *to++ = kCommonMiddle;
      *to++ = static_cast<uint8_t>(next < kCommon ? kCommonLow + more : kCommonHigh - more);
      commons = 0;
      return to;
    };
    for (size_t at = 0; at < line.size();) {
      const auto lead = static_cast<unsigned char>(line[at]);
      size_t c = lead;
      if (lead < 0x80) {
        at += 1;
      } else if (lead >= 0xC2 && lead <= 0xDF && at + 1 < line.size() &&
                 (static_cast<unsigned char>(line[at + 1]) & 0xC0) == 0x80) {
        c = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(line[at + 1]) & 0x3Fu);
        at += 2;
      } else {
        return false;
      }
      if (c >= kChars || !chars_[c].fast) return false;
      const Char& weights = chars_[c];
      // All eight bytes at once, of which the next character's overwrite what is not ours.
      std::memcpy(out, weights.primary.data(), weights.primary.size());
      out += weights.primarySize;
      if (weights.allCommon) {
        commons += weights.secondarySize;
        continue;
      }
      for (uint8_t i = 0; i < weights.secondarySize; ++i) {
        const uint8_t s = weights.secondary[i];
        if (s == kCommon) {
          ++commons;
        } else {
          secondary = writeCommons(s, secondary);
          *secondary++ = s;
        }
      }
    }
    *out++ = kLevelSeparator;
    const auto waited = static_cast<size_t>(secondary - waiting);
    if (waited > 0) std::memcpy(out, waiting, waited);
    out = writeCommons(0, out + waited);
    *out++ = 0;
    key->assign(reinterpret_cast<const char*>(begin), static_cast<size_t>(out - begin));
    return true;
  }

 private:
  // The table's reach: ASCII and the Latin blocks of two-byte UTF-8.
  static constexpr UChar kChars = 0x250;
  // Longer lines go to ICU, so that the room set aside for a key stays small.
  static constexpr size_t kLongestLine = 4096;
  // Collation elements per character that the table holds (ß, æ and the like have two).
  static constexpr size_t kMaxElements = 3;
  // ICU's coding of a key at secondary strength.
  static constexpr uint8_t kLevelSeparator = 0x01;
  static constexpr uint8_t kCommon = 0x05;
  static constexpr uint8_t kCommonLow = 0x05;
  static constexpr uint8_t kCommonMiddle = 0x25;
  static constexpr uint8_t kCommonHigh = 0x45;
  static constexpr size_t kCommonRun = 33;

  struct Char {
    bool fast = false;
    bool allCommon = true;  // every secondary weight is the common one
    uint8_t primarySize = 0;
    uint8_t secondarySize = 0;
    std::array<uint8_t, 8> primary{};  // 2 * kMaxElements bytes at most, in a word
    static_assert(2 * kMaxElements <= 8);
    std::array<uint8_t, kMaxElements> secondary{};
  };

  static void AppendUtf8(UChar c, std::string* out) {
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else {
      out->push_back(static_cast<char>(0xC0 | (c >> 6)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }

  static const std::string& IcuKey(UCollator* collator, const UChar* text, int32_t length,
                                   std::string* key) {
    uint8_t bytes[1024];
    int32_t size = ucol_getSortKey(collator, text, length, bytes, sizeof bytes);
    if (size <= 0 || size > static_cast<int32_t>(sizeof bytes)) size = 0;
    key->assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    return *key;
  }

  // A character alone: its collation elements, when each has at most two primary bytes and a
  // one-byte secondary weight, and the character is a starter, which ICU never reorders.
  static Char Measure(UCollator* collator, UChar c) {
    Char out;
    if (c >= 0x80 && (u_getCombiningClass(c) != 0 ||
                      u_getIntPropertyValue(c, UCHAR_LEAD_CANONICAL_COMBINING_CLASS) != 0)) {
      return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    UCollationElements* elements = ucol_openElements(collator, &c, 1, &status);
    if (U_FAILURE(status)) return out;
    bool plain = true;
    for (int32_t element; (element = ucol_next(elements, &status)) != UCOL_NULLORDER;) {
      const auto bits = static_cast<uint32_t>(element);
      const bool continuation = (bits & 0xC0) == 0xC0;
      const auto p1 = static_cast<uint8_t>(bits >> 24), p2 = static_cast<uint8_t>(bits >> 16);
      const auto s = static_cast<uint8_t>(bits >> 8);
      if (p1 == 0 && p2 == 0 && s == 0) continue;  // no weight at this strength
      // Weight bytes beyond two primary and one secondary byte, a primary weight without a
      // secondary one, or more elements than the table holds.
      if (continuation || (p1 == 0 && p2 != 0) || s == 0 || out.secondarySize == kMaxElements) {
        plain = false;
        break;
      }
      if (p1 != 0) out.primary[out.primarySize++] = p1;
      if (p2 != 0) out.primary[out.primarySize++] = p2;
      out.secondary[out.secondarySize++] = s;
      out.allCommon = out.allCommon && s == kCommon;
    }
    ucol_closeElements(elements);
    if (U_FAILURE(status) || !plain) return Char();
    out.fast = true;
    return out;
  }

  // Contractions and weights that depend on what comes before tie characters together; only
  // those made of the table's characters alone could match in a line that the table takes.
  bool LeaveOutContractions(UCollator* collator) {
    UErrorCode status = U_ZERO_ERROR;
    USet* contractions = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator, contractions, nullptr, true, &status);
    bool done = U_SUCCESS(status);
    UChar text[64];
    for (int32_t i = 0, n = uset_getItemCount(contractions); done && i < n; ++i) {
      UChar32 start = 0, end = 0;
      int32_t length = uset_getItem(contractions, i, &start, &end, text, 64, &status);
      if (U_FAILURE(status)) {
        done = false;
      } else if (length == 0) {
        for (UChar32 c = start; c <= end && c < kChars; ++c) chars_[c].fast = false;
      } else if (std::all_of(text, text + length, [](UChar c) { return c < kChars; })) {
        // One character of it left out is enough to keep the whole out of the table's lines;
        // the last one in code point order, which spares the ASCII letters where it can
        // (the middle dot of the root order's "l·" goes, the l stays).
        chars_[*std::max_element(text, text + length)].fast = false;
      }
    }
    uset_close(contractions);
    return done;
  }

  std::array<Char, kChars> chars_{};
  // Reused from line to line: the key as it is made, and the secondary weights meanwhile.
  std::vector<uint8_t> made_, secondaries_;
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
      latin_.Learn(collator_);
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
    if (latin_.Usable() && latin_.Make(line, key)) return;
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
  LatinKeyTable latin_;
  // Reused from call to call: sorting a large list compares millions of times.
  std::vector<UChar> a_, b_, foldedA_, foldedB_;
  std::vector<uint8_t> icuKey_ = std::vector<uint8_t>(256);
};

}  // namespace

std::unique_ptr<Collator> NewCollator() {
  return std::make_unique<IcuCollator>();
}

}  // namespace kelbrin::posix
