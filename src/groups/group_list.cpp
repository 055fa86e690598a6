#include "groups/group_list.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

namespace kelbrin {

namespace {

constexpr size_t kFirstSlots = 1024;
// Large enough that the arena costs a few hundred allocations for a full group list, small
// enough that its unused tail does not matter.
constexpr size_t kChunkSize = 1 << 20;

uint64_t Hash(std::string_view bytes) {
  return static_cast<uint64_t>(std::hash<std::string_view>{}(bytes));
}

uint32_t Tag(uint64_t hash) {
  return static_cast<uint32_t>(hash >> 32);
}

size_t VarintSize(size_t value) {
  size_t size = 1;
  while (value >= 0x80) value >>= 7, ++size;
  return size;
}

char* PutVarint(char* out, size_t value) {
  while (value >= 0x80) {
    *out++ = static_cast<char>(0x80 | (value & 0x7F));
    value >>= 7;
  }
  *out++ = static_cast<char>(value);
  return out;
}

const char* GetVarint(const char* in, size_t* value) {
  *value = 0;
  for (int shift = 0;; shift += 7) {
    unsigned char byte = static_cast<unsigned char>(*in++);
    *value |= static_cast<size_t>(byte & 0x7F) << shift;
    if (byte < 0x80) return in;
  }
}

struct Stored {
  std::string_view key, line;
};

Stored Read(const char* entry) {
  size_t keyLength = 0, lineLength = 0;
  entry = GetVarint(GetVarint(entry, &keyLength), &lineLength);
  return {{entry, keyLength}, {entry + keyLength, lineLength}};
}

// The key's first eight bytes as a number, so that most comparisons of the sort are one
// integer comparison instead of a look into the arena; zero-padded, so a tie says nothing.
uint64_t KeyPrefix(std::string_view key) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i) {
    prefix <<= 8;
    if (i < key.size()) prefix |= static_cast<unsigned char>(key[i]);
  }
  return prefix;
}

}  // namespace

GroupList::GroupList(Collator& collator)
    : collator_(collator), byLine_(kFirstSlots), byKey_(kFirstSlots) {}

size_t GroupList::Find(const Table& table, Part part, std::string_view bytes, uint64_t hash) const {
  const size_t mask = table.size() - 1;
  const uint32_t tag = Tag(hash);
  for (size_t at = static_cast<size_t>(hash) & mask;; at = (at + 1) & mask) {
    const Slot& slot = table[at];
    if (slot.entry == 0) return at;
    if (slot.tag != tag) continue;
    Stored stored = Read(entries_[slot.entry - 1]);
    if ((part == Part::Line ? stored.line : stored.key) == bytes) return at;
  }
}

void GroupList::GrowIfFull() {
  if ((entries_.size() + 1) * 2 <= byKey_.size()) return;
  // Slot entries are numbers + 1 in 32 bits; a list that long would not fit in memory anyway.
  if (entries_.size() >= UINT32_MAX - 1) throw std::bad_alloc();
  const size_t size = byKey_.size() * 2;
  for (auto [table, part] : {std::pair{&byLine_, Part::Line}, std::pair{&byKey_, Part::Key}}) {
    table->assign(size, Slot{});
    for (size_t i = 0; i < entries_.size(); ++i) {
      Stored stored = Read(entries_[i]);
      std::string_view bytes = part == Part::Line ? stored.line : stored.key;
      uint64_t hash = Hash(bytes);
      (*table)[Find(*table, part, bytes, hash)] = {Tag(hash), static_cast<uint32_t>(i + 1)};
    }
  }
}

const char* GroupList::Store(std::string_view key, std::string_view line) {
  const size_t size = VarintSize(key.size()) + VarintSize(line.size()) + key.size() + line.size();
  char* out;
  if (size > kChunkSize / 4) {
    // A long line gets a block of its own; the current chunk stays in use.
    chunks_.push_back(std::make_unique<char[]>(size));
    out = chunks_.back().get();
  } else {
    if (size > left_) {
      chunks_.push_back(std::make_unique<char[]>(kChunkSize));
      free_ = chunks_.back().get();
      left_ = kChunkSize;
    }
    out = free_;
    free_ += size;
    left_ -= size;
  }
  char* at = PutVarint(PutVarint(out, key.size()), line.size());
  if (!key.empty()) std::memcpy(at, key.data(), key.size());
  if (!line.empty()) std::memcpy(at + key.size(), line.data(), line.size());
  return out;
}

void GroupList::AddGroupLine(std::string_view line) {
  GrowIfFull();
  // The same bytes again, the usual repeat of a group that several servers carry, need no key.
  const uint64_t lineHash = Hash(line);
  const size_t lineSlot = Find(byLine_, Part::Line, line, lineHash);
  if (byLine_[lineSlot].entry != 0) return;
  collator_.SortKey(line, &key_);
  const uint64_t keyHash = Hash(key_);
  const size_t keySlot = Find(byKey_, Part::Key, key_, keyHash);
  if (byKey_[keySlot].entry != 0) return;
  entries_.push_back(Store(key_, line));
  const auto number = static_cast<uint32_t>(entries_.size());
  byLine_[lineSlot] = {Tag(lineHash), number};
  byKey_[keySlot] = {Tag(keyHash), number};
}

std::vector<std::string_view> GroupList::Sorted() const {
  struct Item {
    uint64_t prefix;
    const char* entry;
  };
  std::vector<Item> items;
  items.reserve(entries_.size());
  for (const char* entry : entries_) items.push_back({KeyPrefix(Read(entry).key), entry});
  // No two entries have equal keys, so the order is total and the sort's instability moot.
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return Read(a.entry).key < Read(b.entry).key;
  });
  std::vector<std::string_view> lines;
  lines.reserve(items.size());
  for (const Item& item : items) lines.push_back(Read(item.entry).line);
  return lines;
}

}  // namespace kelbrin
