#pragma once
// In-memory stand-ins for every platform seam. Each records what was asked of it and can be
// told to fail its Nth operation.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kelbrin::test {

// Fails the Nth operation (1-based) of a seam with a given code; 0 never fails.
struct FaultPlan {
  int failAt = 0;
  uint32_t code = 0;
  int count = 0;
  // When set, every operation is appended here by name, so that a test can tell which one
  // the Nth was; several seams may share one trace to keep their order.
  std::vector<std::string>* trace = nullptr;
  // Counts the operation `name` and returns the code to fail it with, or 0.
  uint32_t Next(std::string_view name) {
    if (trace) trace->emplace_back(name);
    return ++count == failAt ? code : 0;
  }
};

class FakeConsole : public Console {
 public:
  uint32_t Write(std::string_view bytes) override;
  std::string output;
  std::vector<std::string> writes;  // each write as one piece, to see flushing granularity
  FaultPlan faults;
};

struct FakeFileEntry {
  std::string content;
  bool readOnly = false;
  // Sharing held by another program: -1 none held, else the FileShare it allows to others.
  int heldShare = -1;
  FileAccess heldAccess = FileAccess::Read;
};

class FakeFileSystem : public FileSystem {
 public:
  uint32_t Open(const std::string& path, FileAccess access, FileShare share,
                FileCreation creation, std::unique_ptr<File>* file) override;
  bool Exists(const std::string& path) override;

  struct OpenRecord {
    std::string path;
    FileAccess access;
    FileShare share;
    FileCreation creation;
  };
  std::map<std::string, FakeFileEntry> files;
  std::set<std::string> directories;  // names that are directories, not files
  std::vector<OpenRecord> opens;
  std::vector<std::string> existsQueries;
  // One plan over every open, read, write, seek, size and close.
  FaultPlan faults;
  // Existence tests; one that fails finds nothing, as a failing directory search does.
  FaultPlan existsFaults;
  // When set, a write stores at most this many bytes in all before falling short (a full disk).
  long long diskSpace = -1;
  // Called before each open; lets a test change the file system mid-run.
  std::function<void(const std::string&)> beforeOpen;

  std::string& Content(const std::string& path) { return files[path].content; }
};

class FakeClock : public Clock {
 public:
  DateTime Local() override { return local; }
  DateTime Utc() override { return utc; }
  DateTime local{2024, 12, 9, 13, 5, 7, 250};
  DateTime utc{2024, 12, 9, 12, 5, 7, 250};
};

class FakeRegional : public Regional {
 public:
  RegionalSettings Read() override { return settings; }
  RegionalSettings settings;
  static RegionalSettings German();
  static RegionalSettings English();
};

// Case-insensitive for ASCII letters only, byte order otherwise; enough for the core's tests.
class FakeCollator : public Collator {
 public:
  int Compare(std::string_view a, std::string_view b) override;
  // The line with A to Z folded to a to z.
  void SortKey(std::string_view line, std::string* key) override;
  long long comparisons = 0;
};

class FakeIni : public IniReader {
 public:
  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& fallback) override;
  // file -> "section/key" -> value; section and key names compare case-insensitively.
  std::map<std::string, std::map<std::string, std::string>> files;
  std::vector<std::string> reads;  // "file|section|key"
  // A read that fails answers the fallback, as the profile reader does for an unreadable file.
  FaultPlan faults;
};

class FakeMessageBox : public MessageBox {
 public:
  void Show(const std::string& text, const std::string& caption, uint32_t style) override {
    shown.push_back({text, caption, style});
  }
  struct Shown {
    std::string text, caption;
    uint32_t style;
  };
  std::vector<Shown> shown;
};

// A scripted host: each method answers with a fixed outcome, and every call is journaled.
class FakeHost {
 public:
  struct Method {
    CallOutcome outcome;
    bool known = true;
  };
  // Keys are lower-case names: lookups ignore case, as the host must.
  std::map<std::string, Method> methods;
  std::vector<std::string> journal;  // "lookup NAME" and "invoke NAME"
  std::vector<std::vector<Variant>> importArgs;  // arguments of each NewsImport call

  void Answer(const std::string& name, Variant result);
  void AnswerText(const std::string& name, const std::string& text);
  void Fail(const std::string& name, int32_t status);
  void Throw(const std::string& name, const std::string& description, int32_t code = 0);
  void Unknown(const std::string& name);
  int Calls(const std::string& exactName) const;  // invocations under that exact spelling

  // One plan over the object's creation and every name lookup and invocation; the code is
  // the status to fail with. kStatusUnknownName at a lookup is an unknown name, and
  // kStatusException at an invocation raises an exception with `faultDescription`.
  FaultPlan faults;
  std::string faultDescription = "Injected failure";
};

class FakeAutomation : public Automation {
 public:
  explicit FakeAutomation(FakeHost& host) : host_(host) {}
  int32_t Create(const std::string& progId, std::unique_ptr<AutomationObject>* object) override;
  std::string StatusText(int32_t status) override;
  std::vector<std::string> created;
  int32_t createStatus = kStatusOk;
  std::map<int32_t, std::string> statusTexts;

 private:
  FakeHost& host_;
};

class FakeProcess : public Process {
 public:
  std::vector<std::string> Arguments() override { return arguments; }
  std::string ExecutablePath() override { return executablePath; }
  std::string ModuleName(const void*) override { return "kelbrin"; }
  uintptr_t ModuleOffset(const void* code) override {
    return reinterpret_cast<uintptr_t>(code) & 0xFFFFFF;
  }
  std::vector<std::string> arguments;
  std::string executablePath = "/opt/tools/kelbrin";
};

// All fakes wired into one Platform, with a host whose paths point at /news/.
struct FakeWorld {
  FakeWorld();
  FakeConsole console, errorConsole;
  FakeFileSystem files;
  FakeClock clock;
  FakeRegional regional;
  FakeCollator collator;
  FakeIni ini;
  FakeMessageBox messageBox;
  FakeHost host;
  FakeAutomation automation{host};
  FakeProcess process;
  Platform platform;
  // Every console, file, existence, settings and host operation in order, by name:
  // "console write", "file open PATH" ("file create PATH" when it creates), "file read PATH",
  // "exists PATH", "ini read SECTION|KEY", "host lookup NAME", ...
  std::vector<std::string> operations;

  // The log file's lines with their time stamps removed (text after the first blank).
  std::vector<std::string> LogMessages(const std::string& logPath = "/opt/tools/kelbrin.log");
};

}  // namespace kelbrin::test
