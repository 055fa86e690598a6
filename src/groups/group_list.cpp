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
  std::string_view line, key;
};

// The line comes first, so that finding a repeat by its bytes mostly reads one cache line.
Stored Read(const char* entry) {
  size_t lineLength = 0, keyLength = 0;
  entry = GetVarint(GetVarint(entry, &lineLength), &keyLength);
  return {{entry, lineLength}, {entry + lineLength, keyLength}};
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

size_t GroupList::FindLine(std::string_view line, uint64_t hash) const {
  const size_t mask = byLine_.size() - 1;
  for (size_t at = static_cast<size_t>(hash) & mask;; at = (at + 1) & mask) {
    const Slot& slot = byLine_[at];
    if (slot.entry == 0) return at;
    if (slot.tag == Tag(hash) && Read(entries_[slot.entry - 1]).line == line) return at;
  }
}

size_t GroupList::FindKey(std::string_view key, uint64_t hash, std::string_view line) {
  const size_t mask = byKey_.size() - 1;
  for (size_t at = static_cast<size_t>(hash) & mask;; at = (at + 1) & mask) {
    const Slot& slot = byKey_[at];
    if (slot.entry == 0) return at;
    if (slot.tag != Tag(hash)) continue;
    // An equal key is almost always an equal line; where the collator's keys tie for lines
    // that differ, its comparison tells, and such entries share a key in the table.
    Stored stored = Read(entries_[slot.entry - 1]);
    if (stored.key == key && collator_.Compare(stored.line, line) == 0) return at;
  }
}

void GroupList::GrowIfFull() {
  if ((entries_.size() + 1) * 2 <= byKey_.size()) return;
  // Slot entries are numbers + 1 in 32 bits; a list that long would not fit in memory anyway.
  if (entries_.size() >= UINT32_MAX - 1) throw std::bad_alloc();
  const size_t size = byKey_.size() * 2;
  byLine_.assign(size, Slot{});
  byKey_.assign(size, Slot{});
  const size_t mask = size - 1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    Stored stored = Read(entries_[i]);
    const auto number = static_cast<uint32_t>(i + 1);
    // The entries are distinct, so each goes into the first free slot from its place on.
    for (auto [table, bytes] : {std::pair{&byLine_, stored.line}, std::pair{&byKey_, stored.key}}) {
      const uint64_t hash = Hash(bytes);
      size_t at = static_cast<size_t>(hash) & mask;
      while ((*table)[at].entry != 0) at = (at + 1) & mask;
      (*table)[at] = {Tag(hash), number};
    }
  }
}

const char* GroupList::Store(std::string_view line, std::string_view key) {
  const size_t size = VarintSize(line.size()) + VarintSize(key.size()) + line.size() + key.size();
  char* out;
  if (size > kChunkSize / 4) {
    // A long line gets a block of its own; the current chunk stays in use.
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    out = chunks_.back().get();
  } else {
    if (size > left_) {
      chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
      free_ = chunks_.back().get();
      left_ = kChunkSize;
    }
    out = free_;
    free_ += size;
    left_ -= size;
  }
  char* at = PutVarint(PutVarint(out, line.size()), key.size());
  if (!line.empty()) std::memcpy(at, line.data(), line.size());
  if (!key.empty()) std::memcpy(at + line.size(), key.data(), key.size());
  return out;
}

void GroupList::AddGroupLine(std::string_view line) {
  if (sorted_) Reopen();
  GrowIfFull();
  // The same bytes again, the usual repeat of a group that several servers carry, need no key.
  const uint64_t lineHash = Hash(line);
  const size_t lineSlot = FindLine(line, lineHash);
  if (byLine_[lineSlot].entry != 0) return;
  collator_.SortKey(line, &key_);
  const uint64_t keyHash = Hash(key_);
  const size_t keySlot = FindKey(key_, keyHash, line);
  if (byKey_[keySlot].entry != 0) return;
  entries_.push_back(Store(line, key_));
  const auto number = static_cast<uint32_t>(entries_.size());
  byLine_[lineSlot] = {Tag(lineHash), number};
  byKey_[keySlot] = {Tag(keyHash), number};
}

void GroupList::Reopen() {
  // The old arena holds the lines until they are in the new one.
  std::vector<std::unique_ptr<char[]>> chunks = std::move(chunks_);
  std::vector<const char*> entries = std::move(entries_);
  chunks_.clear();
  entries_.clear();
  free_ = nullptr;
  left_ = 0;
  byLine_.assign(kFirstSlots, Slot{});
  byKey_.assign(kFirstSlots, Slot{});
  sorted_ = false;
  // Distinct lines in order: each is added, and keeps its place and its spelling.
  for (const char* entry : entries) AddGroupLine(Read(entry).line);
}

void GroupList::Sort() {
  Table().swap(byLine_);
  Table().swap(byKey_);
  struct Item {
    uint64_t prefix;
    const char* entry;
  };
  std::vector<Item> items;
  items.reserve(entries_.size());
  for (const char* entry : entries_) items.push_back({KeyPrefix(Read(entry).key), entry});
  // No two entries are equal, so the order is total and the sort's instability moot.
  std::sort(items.begin(), items.end(), [this](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    Stored first = Read(a.entry), second = Read(b.entry);
    if (int order = first.key.compare(second.key)) return order < 0;
    return collator_.Compare(first.line, second.line) < 0;
  });
  // The lines move to a fresh arena in their order, without their keys.
  std::vector<std::unique_ptr<char[]>> chunks = std::move(chunks_);
  chunks_.clear();
  free_ = nullptr;
  left_ = 0;
  for (size_t i = 0; i < items.size(); ++i) entries_[i] = Store(Read(items[i].entry).line, {});
  sorted_ = true;
}

std::vector<std::string_view> GroupList::Sorted() {
  if (!sorted_) Sort();
  std::vector<std::string_view> lines;
  lines.reserve(entries_.size());
  for (const char* entry : entries_) lines.push_back(Read(entry).line);
  return lines;
}

}  // namespace kelbrin
