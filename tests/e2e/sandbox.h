#pragma once
// One end-to-end scenario's world: a temporary directory with a copy of the tool (its log and
// list file land beside it), a news server directory, a host configuration and the host's
// registration; runs the tool natively or under Wine and captures what it leaves behind.
#include <map>
#include <string>
#include <vector>

namespace kelbrin::e2e {

// Which build is under test, from the environment the test registration sets.
struct Target {
  bool wine = false;
  std::string tool;     // kelbrin or kelbrin.exe
  std::string hostLib;  // the reference host's shared library (native runs)
  std::string hostDll;  // the Windows host DLL as Wine sees it, for regsvr32
  std::string winePrefix;
  std::string wine64 = "wine64";  // the command that runs a Windows program
  std::string unprivilegedPrefix;  // a Wine prefix owned by the unprivileged user
  std::string unprivilegedHome;
  std::string holder;   // the program that holds a file open for writing
  std::string exeName;  // the module name the report shows
  char sep = '/';
  // Takes the --platform= --tool= --host= --host-dll= --holder= --wine= --wineprefix= --unprivileged-prefix=
  // --unprivileged-home= arguments the test registration passes.
  static void Configure(int argc, char** argv);
  static const Target& Get();
};

struct RunResult {
  int exitCode = -1;
  std::string out;  // standard output, bytes as written
  std::string err;
};

class Sandbox {
 public:
  explicit Sandbox(const Target& target);
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // A path below the sandbox as this machine sees it ("a/b" with forward slashes).
  std::string Local(const std::string& relative) const;
  // The same path as the tool sees it (Z:\... under Wine).
  std::string View(const std::string& relative) const;

  void Write(const std::string& relative, const std::string& content);
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;
  void MakeDirectory(const std::string& relative);
  void Remove(const std::string& relative);

  // Writes the host configuration: [Host] entries (defaults for paths, journal and spool
  // pointing into the sandbox, overridable) plus any further sections given as text.
  void ConfigureHost(const std::map<std::string, std::string>& hostEntries,
                     const std::string& moreSections);
  // Removes the host's registration (native) or points it at nothing.
  void UnregisterHost();

  // Runs the tool; `unprivileged` runs it as an ordinary user, for whom permissions count, and
  // a non-zero `fileSizeLimit` caps the size of every file it writes (a full disk).
  RunResult RunTool(const std::vector<std::string>& args, bool unprivileged = false,
                    long fileSizeLimit = 0);
  // Names the news server directory below the sandbox ("news" unless set); {NEWS} follows it.
  void SetNewsDir(const std::string& name);
  const std::string& NewsDir() const { return newsDir_; }
  // Has another program hold the file open for writing until the sandbox goes.
  void HoldOpen(const std::string& relative);
  // Lets an ordinary user write everything in the sandbox.
  void OpenToEveryone();

  // Replaces {DIR} {NEWS} {SEP} {EXE} {LOG} {LST} in `text`.
  std::string Expand(std::string text) const;

  const Target& target() const { return target_; }

 private:
  const Target& target_;
  std::string root_;
  std::string registryDir_;
  std::vector<int> holders_;
  std::string newsDir_ = "news";
};

// The log's messages with each line's time stamp cut off.
std::vector<std::string> LogMessages(const std::string& log);
// The lines of a text split at LF (a final LF makes no extra line).
std::vector<std::string> Lines(const std::string& text, const std::string& end = "\n");
// The report's code address replaced by XXXXXXXX.
std::string MaskAddress(std::string out);
// Texts the tool writes in the platform's code page (UTF-8 source to 1252 under Wine).
std::string ToolText(const Target& target, const std::string& utf8);

}  // namespace kelbrin::e2e
