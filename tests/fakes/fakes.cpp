#include "fakes.h"

#include <algorithm>
#include <cstring>

#include "app/date_format.h"
#include "platform/text.h"

namespace kelbrin::test {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

class FakeFile : public File {
 public:
  FakeFile(FakeFileSystem& fs, std::string path, FileAccess access, FileShare share)
      : fs_(fs), path_(std::move(path)), access_(access), share_(share) {
    auto& e = fs_.files[path_];
    e.heldShare = static_cast<int>(share_);
    e.heldAccess = access_;
  }
  ~FakeFile() override { Release(); }

  uint32_t Read(char* buffer, size_t want, size_t* got) override {
    *got = 0;
    if (uint32_t code = fs_.faults.Next("file read " + path_)) return code;
    if (access_ == FileAccess::Write) return kErrorAccessDenied;
    const std::string& c = fs_.files[path_].content;
    size_t n = pos_ < c.size() ? std::min(want, c.size() - pos_) : 0;
    std::memcpy(buffer, c.data() + pos_, n);
    pos_ += n;
    *got = n;
    return 0;
  }
  uint32_t Write(const char* data, size_t size, size_t* written) override {
    *written = 0;
    if (uint32_t code = fs_.faults.Next("file write " + path_)) return code;
    if (access_ == FileAccess::Read) return kErrorAccessDenied;
    size_t n = size;
    if (fs_.diskSpace >= 0) n = std::min<size_t>(n, static_cast<size_t>(fs_.diskSpace));
    std::string& c = fs_.files[path_].content;
    if (c.size() < pos_ + n) c.resize(pos_ + n);
    std::memcpy(c.data() + pos_, data, n);
    pos_ += n;
    if (fs_.diskSpace >= 0) fs_.diskSpace -= static_cast<long long>(n);
    *written = n;
    return n < size ? kErrorDiskFull : 0;
  }
  uint32_t SeekToEnd() override {
    if (uint32_t code = fs_.faults.Next("file seek " + path_)) return code;
    pos_ = fs_.files[path_].content.size();
    return 0;
  }
  uint32_t Size(uint64_t* size) override {
    if (uint32_t code = fs_.faults.Next("file size " + path_)) return code;
    *size = fs_.files[path_].content.size();
    return 0;
  }
  uint32_t Close() override {
    uint32_t code = fs_.faults.Next("file close " + path_);
    Release();
    return code;
  }

 private:
  void Release() {
    if (open_) {
      auto it = fs_.files.find(path_);
      if (it != fs_.files.end()) it->second.heldShare = -1;
      open_ = false;
    }
  }
  FakeFileSystem& fs_;
  std::string path_;
  FileAccess access_;
  FileShare share_;
  size_t pos_ = 0;
  bool open_ = true;
};

bool Compatible(FileShare heldAllows, FileAccess wanted) {
  if (heldAllows == FileShare::ReadWrite) return true;
  if (heldAllows == FileShare::Read) return wanted == FileAccess::Read;
  return false;
}

}  // namespace

uint32_t FakeConsole::Write(std::string_view bytes) {
  if (uint32_t code = faults.Next("console write")) return code;
  output.append(bytes);
  writes.emplace_back(bytes);
  return 0;
}

uint32_t FakeFileSystem::Open(const std::string& path, FileAccess access, FileShare share,
                              FileCreation creation, std::unique_ptr<File>* file) {
  if (beforeOpen) beforeOpen(path);
  opens.push_back({path, access, share, creation});
  const char* verb = creation == FileCreation::CreateAlways ? "file create " : "file open ";
  if (uint32_t code = faults.Next(verb + path)) return code;
  if (directories.count(path)) return kErrorAccessDenied;
  auto it = files.find(path);
  if (it == files.end()) {
    if (creation == FileCreation::OpenExisting) return kErrorFileNotFound;
    auto slash = path.find_last_of("/\\");
    std::string dir = slash == std::string::npos ? "" : path.substr(0, slash);
    if (!dir.empty() && !directories.count(dir)) return kErrorPathNotFound;
    files[path] = FakeFileEntry{};
    it = files.find(path);
  } else {
    FakeFileEntry& e = it->second;
    if (e.readOnly && access != FileAccess::Read) return kErrorAccessDenied;
    if (e.heldShare >= 0) {
      // Both sides must allow each other's access.
      if (!Compatible(static_cast<FileShare>(e.heldShare), access) ||
          !Compatible(share, e.heldAccess)) {
        return kErrorSharingViolation;
      }
    }
    if (creation == FileCreation::CreateAlways) e.content.clear();
  }
  *file = std::make_unique<FakeFile>(*this, path, access, share);
  return 0;
}

bool FakeFileSystem::Exists(const std::string& path) {
  existsQueries.push_back(path);
  if (existsFaults.Next("exists " + path)) return false;
  return files.count(path) && !directories.count(path);
}

RegionalSettings FakeRegional::German() {
  RegionalSettings s;
  s.shortDateFormat = "dd.MM.yyyy";
  s.timeSeparator = ":";
  s.hourLeadingZero = true;
  s.clock24 = true;
  s.amText = "";
  s.pmText = "";
  s.shortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  s.shortMonthNames = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                       "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  return s;
}

RegionalSettings FakeRegional::English() { return RegionalSettings{}; }

namespace {

int FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

}  // namespace

int FakeCollator::Compare(std::string_view a, std::string_view b) {
  ++comparisons;
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d =
        FoldAscii(static_cast<unsigned char>(a[i])) - FoldAscii(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

void FakeCollator::SortKey(std::string_view line, std::string* key) {
  key->assign(line);
  for (char& c : *key) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
}

std::string FakeIni::ReadString(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& fallback) {
  reads.push_back(file + "|" + section + "|" + key);
  if (faults.Next("ini read " + section + "|" + key)) return fallback;
  auto f = files.find(file);
  if (f == files.end()) return fallback;
  auto v = f->second.find(Lower(section) + "/" + Lower(key));
  if (v == f->second.end()) return fallback;
  return v->second.substr(0, 2047);
}

void FakeHost::Answer(const std::string& name, Variant result) {
  Method m;
  m.outcome.result = std::move(result);
  methods[Lower(name)] = m;
}

void FakeHost::AnswerText(const std::string& name, const std::string& text) {
  Answer(name, Variant::Text(text));
}

void FakeHost::Fail(const std::string& name, int32_t status) {
  Method m;
  m.outcome.status = status;
  methods[Lower(name)] = m;
}

void FakeHost::Throw(const std::string& name, const std::string& description, int32_t code) {
  Method m;
  m.outcome.status = kStatusException;
  m.outcome.exceptionDescription = description;
  m.outcome.exceptionCode = code;
  methods[Lower(name)] = m;
}

void FakeHost::Unknown(const std::string& name) { methods[Lower(name)].known = false; }

int FakeHost::Calls(const std::string& exactName) const {
  return static_cast<int>(std::count(journal.begin(), journal.end(), "invoke " + exactName));
}

namespace {

class FakeHostObject : public AutomationObject {
 public:
  explicit FakeHostObject(FakeHost& host) : host_(host) {}
  int32_t GetIdOfName(const std::string& name, int32_t* id) override {
    host_.journal.push_back("lookup " + name);
    if (uint32_t status = host_.faults.Next("host lookup " + name)) {
      return static_cast<int32_t>(status);
    }
    auto it = host_.methods.find(Lower(name));
    if (it == host_.methods.end() || !it->second.known) return kStatusUnknownName;
    names_.push_back(name);
    *id = static_cast<int32_t>(names_.size() - 1);
    return kStatusOk;
  }
  CallOutcome Invoke(int32_t id, std::vector<Variant>& args) override {
    const std::string& name = names_.at(static_cast<size_t>(id));
    host_.journal.push_back("invoke " + name);
    if (uint32_t status = host_.faults.Next("host invoke " + name)) {
      CallOutcome failed;
      failed.status = static_cast<int32_t>(status);
      if (failed.status == kStatusException) failed.exceptionDescription = host_.faultDescription;
      return failed;
    }
    if (Lower(name) == "newsimport") host_.importArgs.push_back(args);
    return host_.methods[Lower(name)].outcome;
  }

 private:
  FakeHost& host_;
  std::vector<std::string> names_;
};

}  // namespace

int32_t FakeAutomation::Create(const std::string& progId,
                               std::unique_ptr<AutomationObject>* object) {
  created.push_back(progId);
  if (uint32_t status = host_.faults.Next("host create " + progId)) {
    return static_cast<int32_t>(status);
  }
  if (createStatus != kStatusOk) return createStatus;
  *object = std::make_unique<FakeHostObject>(host_);
  return kStatusOk;
}

std::string FakeAutomation::StatusText(int32_t status) {
  auto it = statusTexts.find(status);
  return it == statusTexts.end() ? "" : it->second;
}

FakeWorld::FakeWorld() {
  platform.console = &console;
  platform.errorConsole = &errorConsole;
  platform.files = &files;
  platform.clock = &clock;
  platform.regional = &regional;
  platform.collator = &collator;
  platform.ini = &ini;
  platform.messageBox = &messageBox;
  platform.automation = &automation;
  platform.process = &process;
  for (FaultPlan* plan :
       {&console.faults, &files.faults, &files.existsFaults, &ini.faults, &host.faults}) {
    plan->trace = &operations;
  }
  files.directories = {"/opt/tools", "/news", "/news/server"};
  host.AnswerText("ControlGetPath", "/news/");
  // The server directory ends in the platform's separator, as the host's answer does.
  host.AnswerText("ControlGetServerPath", std::string("/news/server") + kPathSeparator);
  host.AnswerText("ControlGetVersion", "1.3.18.0");
  host.Answer("NewsImport", Variant::Bool(true));
}

std::vector<std::string> FakeWorld::LogMessages(const std::string& logPath) {
  std::vector<std::string> out;
  auto it = files.files.find(logPath);
  if (it == files.files.end()) return out;
  const std::string prefix = DateFormatter{regional.Read()}.TimeStamp(clock.local) + " ";
  const std::string& c = it->second.content;
  size_t start = 0;
  while (start < c.size()) {
    size_t end = c.find("\r\n", start);
    if (end == std::string::npos) end = c.size();
    std::string line = c.substr(start, end - start);
    if (line.compare(0, prefix.size(), prefix) == 0) line = line.substr(prefix.size());
    out.push_back(line);
    start = end + 2;
  }
  return out;
}

}  // namespace kelbrin::test
