#pragma once
// The stand-in host's settings: a tiny INI reader and the [Host], [Answers], [Failures] and
// [Deletions] sections that tests use to shape its answers.
#include <array>
#include <string>
#include <vector>

#include "host_value.h"

namespace tolvanehost {

// The methods the host offers; a method's dispatch id is its index plus one.
enum class Method { ControlGetPath, ControlGetServerPath, ControlGetVersion, NewsImport };
constexpr int kMethodCount = 4;

// The method's name as the host spells it.
const char* MethodName(Method method);
// The method named `name` regardless of ASCII letter case; false when there is none.
bool FindMethod(const std::string& name, Method* method);

// One `key=value` line of an INI file, with the section it stands in.
struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
  int line = 0;
};

// The entries of INI text in file order. Blanks around names and values are dropped, and a
// value in double quotes loses them but keeps the blanks inside; lines starting with ';' or '#'
// are comments. Entries before the first section and lines without '=' are skipped.
std::vector<IniEntry> ParseIni(const std::string& text);

// How a method is made to fail.
struct FailureSetup {
  enum class Kind { None, Status, UnknownName, Exception };
  Kind kind = Kind::None;
  int32_t code = 0;  // the status, or the exception's code
  std::string description;
};

struct MethodSetup {
  bool hasAnswer = false;
  Value answer;
  FailureSetup failure;
  // A file the host deletes when the method is called, to pull a file from under a running
  // client; empty for none.
  std::string deleteOnCall;
};

struct HostConfig {
  std::string path;
  std::string serverPath;
  std::string version = "1.3.18.0";
  std::string journal;  // empty: no journal
  std::string spool;    // empty: imported articles are not stored
  std::array<MethodSetup, kMethodCount> methods;

  MethodSetup& Setup(Method m) { return methods[static_cast<int>(m)]; }
  const MethodSetup& Setup(Method m) const { return methods[static_cast<int>(m)]; }
};

// Reads the settings from INI text. On a value it cannot read, returns false with `error`
// naming the line, so that a mistyped test setup fails loudly instead of being ignored.
bool ParseHostConfig(const std::string& text, HostConfig* config, std::string* error);

// Reads the settings file `path`; an empty path or a file that does not exist gives the
// defaults. Returns false with `error` when the file cannot be read or holds a bad value.
bool LoadHostConfig(const std::string& path, HostConfig* config, std::string* error);

// The environment variable that names the settings file.
constexpr const char* kConfigVariable = "TOLVANE_HOST_CONFIG";

}  // namespace tolvanehost
