#include "groups/group_list.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <new>
#include <utility>

namespace kelbrin {

namespace {

constexpr size_t kFirstSlots = 1024;
// Buckets of the sort, one for each value of a key's first two bytes.
constexpr size_t kBuckets = size_t{1} << 16;

uint64_t Hash(std::string_view bytes) {
  return static_cast<uint64_t>(std::hash<std::string_view>{}(bytes));
}

uint32_t Tag(uint64_t hash) {
  return static_cast<uint32_t>(hash >> 32);
}

// A tag's home slot in a table of 2^bits slots: its top bits, so that the tables double
// from their tags alone, without a look at the entries.
size_t Home(uint32_t tag, int bits) {
  return bits == 0 ? 0 : static_cast<size_t>(tag >> (32 - bits));
}

// Table sizes are powers of two.
int Bits(size_t slots) {
  return std::countr_zero(slots);
}

// Eight bytes of the key from `at` on as a number, zero-padded: most comparisons of the sort
// are settled by the first sixteen bytes without a look into the arena, and a tie says
// nothing.
uint64_t KeyBytes(std::string_view key, size_t at) {
  uint64_t bytes = 0;
  for (size_t i = at; i < at + 8; ++i) {
    bytes <<= 8;
    if (i < key.size()) bytes |= static_cast<unsigned char>(key[i]);
  }
  return bytes;
}

}  // namespace

GroupList::GroupList(Collator& collator)
    : collator_(collator), byLine_(kFirstSlots), byKey_(kFirstSlots) {}

size_t GroupList::FindLine(std::string_view line, uint64_t hash) const {
  const size_t mask = byLine_.size() - 1;
  const uint32_t tag = Tag(hash);
  for (size_t at = Home(tag, Bits(byLine_.size()));; at = (at + 1) & mask) {
    const Slot& slot = byLine_[at];
    if (slot.entry == 0) return at;
    if (slot.tag == tag && ByteArena::Get(entries_[slot.entry - 1].line) == line) return at;
  }
}

size_t GroupList::FindKey(std::string_view key, uint64_t hash, std::string_view line) {
  const size_t mask = byKey_.size() - 1;
  const uint32_t tag = Tag(hash);
  for (size_t at = Home(tag, Bits(byKey_.size()));; at = (at + 1) & mask) {
    const Slot& slot = byKey_[at];
    if (slot.entry == 0) return at;
    if (slot.tag != tag) continue;
    // An equal key is almost always an equal line, often the very same bytes; where the
    // collator's keys tie for lines that differ, its comparison tells, and such entries share
    // a key in the table.
    const Entry& entry = entries_[slot.entry - 1];
    if (ByteArena::Get(entry.key) != key) continue;
    const std::string_view held = ByteArena::Get(entry.line);
    if (held == line || collator_.Compare(held, line) == 0) return at;
  }
}

void GroupList::GrowIfFull() {
  // Slot entries are numbers + 1 in 32 bits, and homes come from 32-bit tags; a list that
  // long would not fit in memory anyway.
  if (entries_.size() >= UINT32_MAX / 2) throw std::bad_alloc();
  for (auto [table, held] :
       {std::pair{&byLine_, byLineCount_}, std::pair{&byKey_, entries_.size()}}) {
    if ((held + 1) * 2 <= table->size()) continue;
    Table grown(table->size() * 2);
    const int bits = Bits(grown.size());
    const size_t mask = grown.size() - 1;
    for (const Slot& slot : *table) {
      if (slot.entry == 0) continue;
      size_t at = Home(slot.tag, bits);
      while (grown[at].entry != 0) at = (at + 1) & mask;
      grown[at] = slot;
    }
    table->swap(grown);
  }
}

void GroupList::AddGroupLine(std::string_view line) {
  if (sorted_) Reopen();
  GrowIfFull();
  // The same bytes again, the usual repeat of a group that several servers carry, need no key.
  uint64_t lineHash = 0;
  size_t lineSlot = SIZE_MAX;
  if (lookUpRepeats_) {
    lineHash = Hash(line);
    lineSlot = FindLine(line, lineHash);
    if (byLine_[lineSlot].entry != 0) return;
  }
  collator_.SortKey(line, &key_);
  const uint64_t keyHash = Hash(key_);
  const size_t keySlot = FindKey(key_, keyHash, line);
  if (byKey_[keySlot].entry != 0) return;
  entries_.push_back({lines_.Put(line), keys_.Put(key_)});
  const auto number = static_cast<uint32_t>(entries_.size());
  if (lineSlot != SIZE_MAX) {
    byLine_[lineSlot] = {Tag(lineHash), number};
    ++byLineCount_;
  }
  byKey_[keySlot] = {Tag(keyHash), number};
}

void GroupList::Reopen() {
  // The old arena holds the lines until they are in the new one.
  ByteArena lines = std::move(lines_);
  LargeVector<Entry> entries = std::move(entries_);
  lines_ = ByteArena();
  entries_.clear();
  byLine_.assign(kFirstSlots, Slot{});
  byKey_.assign(kFirstSlots, Slot{});
  byLineCount_ = 0;
  sorted_ = false;
  // Distinct lines in order: each is added, and keeps its place and its spelling.
  for (const Entry& entry : entries) AddGroupLine(ByteArena::Get(entry.line));
}

void GroupList::Sort() {
  Table().swap(byLine_);
  Table().swap(byKey_);
  struct Item {
    uint64_t first, second;
    Entry entry;
  };
  // The entries go into buckets by the first two bytes of their keys, a pass that does the
  // work of the sort's first levels at a fraction of their cost, and each bucket, a few
  // hundred entries in a full group list, is sorted on its own.
  auto bucketOf = [](uint64_t first) { return static_cast<size_t>(first >> 48); };
  std::vector<size_t> ends(kBuckets + 1, 0);
  for (const Entry& entry : entries_) {
    ++ends[bucketOf(KeyBytes(ByteArena::Get(entry.key), 0)) + 1];
  }
  for (size_t bucket = 1; bucket <= kBuckets; ++bucket) ends[bucket] += ends[bucket - 1];
  LargeVector<Item> items(entries_.size());
  for (const Entry& entry : entries_) {
    std::string_view key = ByteArena::Get(entry.key);
    const uint64_t first = KeyBytes(key, 0);
    items[ends[bucketOf(first)]++] = {first, KeyBytes(key, 8), entry};
  }
  // No two entries are equal, so the order is total and the sort's instability moot.
  auto before = [this](const Item& a, const Item& b) {
    if (a.first != b.first) return a.first < b.first;
    if (a.second != b.second) return a.second < b.second;
    if (int order = ByteArena::Get(a.entry.key).compare(ByteArena::Get(b.entry.key))) {
      return order < 0;
    }
    return collator_.Compare(ByteArena::Get(a.entry.line), ByteArena::Get(b.entry.line)) < 0;
  };
  // Each bucket's end is now where the next one starts.
  for (size_t bucket = 0, begin = 0; bucket < kBuckets; begin = ends[bucket++]) {
    if (ends[bucket] - begin > 1) {
      std::sort(items.begin() + static_cast<ptrdiff_t>(begin),
                items.begin() + static_cast<ptrdiff_t>(ends[bucket]), before);
    }
  }
  for (size_t i = 0; i < items.size(); ++i) entries_[i] = {items[i].entry.line, nullptr};
  keys_.Clear();
  sorted_ = true;
}

std::vector<std::string_view> GroupList::Sorted() {
  if (!sorted_) Sort();
  std::vector<std::string_view> lines;
  lines.reserve(entries_.size());
  VisitSorted([&lines](std::string_view line) { lines.push_back(line); });
  return lines;
}

}  // namespace kelbrin
