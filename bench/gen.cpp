// kelbrin_bench_gen: writes a news server directory of any size for the benchmark.
//
//   kelbrin_bench_gen [--servers N] [--lines N] [--groups N] [--desc-lines N] [--seed N] --out DIR
//
// DIR/news/server.hst names the servers; DIR/news/server/NAME/groups.txt and newgrps.txt hold,
// in random order, `--lines` group-file lines in all over `--groups` distinct groups, with a
// few case variants and descriptions; DIR/news/server/alldescs.txt is a description list of
// `--desc-lines` lines. The same arguments give the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

struct Options {
  uint64_t servers = 8;
  uint64_t lines = 1'500'000;
  uint64_t groups = 250'000;
  uint64_t descLines = 0;  // 0: one per group
  uint64_t seed = 1;
  std::string out;
};

// splitmix64: small, and the same numbers on every platform and library.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number below n.
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : Next() % n; }
  bool OneIn(uint64_t n) { return Below(n) == 0; }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }
  template <class T>
  void Shuffle(std::vector<T>& items) {
    for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[Below(i)]);
  }

 private:
  uint64_t state_;
};

const std::vector<std::string> kTops = {
    "alt", "alt", "alt", "comp", "comp", "de", "de", "rec", "sci", "soc", "talk",
    "news", "misc", "humanities", "at", "ch", "fr", "it", "uk", "nl", "fido7", "microsoft.public",
    "gnu", "linux", "japan", "es", "pl", "swnet", "han", "free"};
const std::vector<std::string> kWords = {
    "binaries", "pictures", "lang", "os", "linux", "misc", "announce", "answers", "test",
    "discussion", "politik", "sport", "music", "games", "computer", "sources", "software", "hardware",
    "networking", "databases", "windows", "unix", "mac", "recipes", "travel", "books", "movies",
    "tv", "radio", "science", "physics", "chemistry", "math", "history", "culture", "support",
    "jobs", "markt", "wissenschaft", "d", "help", "setup", "c", "c++", "java", "perl", "python",
    "x-files", "sci-fi", "rock-n-roll", "o'reilly", "3d", "mp3", "pc", "ibm-pc", "amiga",
    "atari", "cbm", "win95", "nt", "fan", "fans", "club", "local", "general", "info"};
const std::vector<std::string> kSyllables = {"ka", "lo", "mi", "ne", "ru", "ta", "be", "si",
                                             "do", "fu", "gra", "ven", "tor", "lin", "mar",
                                             "sel", "qui", "pho", "zen", "dra", "ber", "wal"};
// A few descriptions carry letters beyond ASCII, as UTF-8.
const std::vector<std::string> kDescWords = {
    "Discussion", "of", "the", "and", "for", "about", "group", "news", "questions", "answers",
    "Diskussion", "\xC3\xBC" "ber", "alles", "rund", "um", "Gespr\xC3\xA4" "che", "help",
    "(Moderated)", "binaries", "only", "general", "topics", "related", "to", "local", "users"};

std::string Word(Random& random) {
  if (!random.OneIn(3)) return random.Pick(kWords);
  std::string word;
  for (uint64_t n = 2 + random.Below(3); n > 0; --n) word += random.Pick(kSyllables);
  if (random.OneIn(10)) word += std::to_string(random.Below(100));
  return word;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

// Distinct group names, distinct also without regard to case.
std::vector<std::string> GroupNames(Random& random, uint64_t count) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  while (names.size() < count) {
    std::string name = random.Pick(kTops);
    for (uint64_t depth = 1 + random.Below(4); depth > 0; --depth) name += "." + Word(random);
    if (seen.insert(Lower(name)).second) names.push_back(name);
  }
  return names;
}

std::vector<std::string> Descriptions(Random& random, uint64_t count) {
  std::vector<std::string> descriptions(count);
  for (std::string& text : descriptions) {
    for (uint64_t n = 2 + random.Below(8); n > 0; --n) {
      if (!text.empty()) text += ' ';
      text += random.Pick(kDescWords);
    }
  }
  return descriptions;
}

// Now and then a reader meets a group in another spelling: one letter in upper case.
std::string Spelling(Random& random, const std::string& name) {
  if (!random.OneIn(400)) return name;
  std::string variant = name;
  size_t at = random.Below(variant.size());
  if (variant[at] >= 'a' && variant[at] <= 'z') variant[at] = static_cast<char>(variant[at] - 32);
  return variant;
}

// How many servers carry each group: every group at least one, `total` in all.
std::vector<uint64_t> Carriers(Random& random, const Options& o, uint64_t total) {
  std::vector<uint64_t> carriers(o.groups, 1);
  for (uint64_t extra = total - o.groups; extra > 0; --extra) {
    uint64_t g = random.Below(o.groups);
    while (carriers[g] == o.servers) g = (g + 1) % o.groups;
    ++carriers[g];
  }
  return carriers;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  FILE* file = std::fopen(path.string().c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

void Generate(const Options& o) {
  Random random(o.seed);
  const std::vector<std::string> names = GroupNames(random, o.groups);
  const std::vector<std::string> descriptions = Descriptions(random, o.groups);
  // New groups are a small share of the lines; the rest are the servers' full lists.
  const uint64_t newLines = o.lines / 200;
  const uint64_t fullLines = o.lines - newLines;
  if (fullLines < o.groups || fullLines > o.groups * o.servers) {
    throw std::runtime_error("--lines must lie between about --groups and --groups x --servers");
  }
  std::vector<std::vector<uint64_t>> carried(o.servers);
  std::vector<uint64_t> servers(o.servers);
  for (uint64_t s = 0; s < o.servers; ++s) servers[s] = s;
  const std::vector<uint64_t> carriers = Carriers(random, o, fullLines);
  for (uint64_t g = 0; g < o.groups; ++g) {
    random.Shuffle(servers);
    for (uint64_t i = 0; i < carriers[g]; ++i) carried[servers[i]].push_back(g);
  }

  const std::filesystem::path news = std::filesystem::path(o.out) / "news";
  std::string serverList;
  for (uint64_t s = 0; s < o.servers; ++s) {
    const std::string server = "news" + std::to_string(s + 1) + ".example.net";
    serverList += server + ",119,,,0,1\r\n";
    random.Shuffle(carried[s]);
    std::string text;
    for (uint64_t g : carried[s]) text += Spelling(random, names[g]) + ' ' + descriptions[g] + "\r\n";
    WriteFile(news / "server" / server / "groups.txt", text);
    text.clear();
    const uint64_t count = newLines / o.servers + (s < newLines % o.servers ? 1 : 0);
    for (uint64_t i = 0; i < count; ++i) {
      uint64_t g = random.Below(o.groups);
      text += std::to_string(1700000000 + random.Below(10000000)) + ' ' +
              Spelling(random, names[g]) + ' ' + descriptions[g] + "\r\n";
    }
    WriteFile(news / "server" / server / "newgrps.txt", text);
  }
  WriteFile(news / "server.hst", serverList);

  std::vector<uint64_t> order(o.descLines == 0 ? o.groups : o.descLines);
  for (uint64_t i = 0; i < order.size(); ++i) order[i] = i % o.groups;
  random.Shuffle(order);
  std::string descList;
  for (uint64_t g : order) descList += names[g] + '\t' + descriptions[g] + "\r\n";
  WriteFile(news / "server" / "alldescs.txt", descList);
}

uint64_t Number(const char* text) {
  char* end = nullptr;
  unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text || *end != '\0') throw std::runtime_error(std::string("not a number: ") + text);
  return value;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) throw std::runtime_error("missing value after " + arg);
    const char* value = argv[++i];
    if (arg == "--servers") o.servers = Number(value);
    else if (arg == "--lines") o.lines = Number(value);
    else if (arg == "--groups") o.groups = Number(value);
    else if (arg == "--desc-lines") o.descLines = Number(value);
    else if (arg == "--seed") o.seed = Number(value);
    else if (arg == "--out") o.out = value;
    else throw std::runtime_error("unknown option " + arg);
  }
  if (o.out.empty() || o.servers == 0 || o.groups == 0) {
    throw std::runtime_error("--out DIR is needed, and at least one server and one group");
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Generate(Parse(argc, argv));
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kelbrin_bench_gen: %s\n", error.what());
    return 2;
  }
}
