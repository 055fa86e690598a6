#include "host_config.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <set>

namespace tolvanehost {

namespace {

const char* const kMethodNames[kMethodCount] = {"ControlGetPath", "ControlGetServerPath",
                                                "ControlGetVersion", "NewsImport"};

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Removes `prefix` (any letter case) from the front of `text`; false when it is not there.
bool TakePrefix(std::string* text, const std::string& prefix) {
  if (Lower(text->substr(0, prefix.size())) != prefix) return false;
  text->erase(0, prefix.size());
  return true;
}

bool ParseHex(const std::string& text, int32_t* value) {
  std::string digits = text;
  TakePrefix(&digits, "0x");
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t v = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

template <typename Number>
bool ParseWhole(const std::string& text, Number* value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool ParseAnswer(std::string setting, Value* answer) {
  if (Lower(setting) == "empty") {
    *answer = Value();
  } else if (Lower(setting) == "null") {
    *answer = Value::Null();
  } else if (TakePrefix(&setting, "bool:")) {
    if (Lower(setting) != "true" && Lower(setting) != "false") return false;
    *answer = Value::Bool(Lower(setting) == "true");
  } else if (TakePrefix(&setting, "int:")) {
    // The Windows host answers a 32-bit integer, so both builds keep to that range.
    int32_t i = 0;
    if (!ParseWhole(setting, &i)) return false;
    *answer = Value::Int(i);
  } else if (TakePrefix(&setting, "double:")) {
    double d = 0;
    if (!ParseWhole(setting, &d)) return false;
    *answer = Value::Double(d);
  } else if (TakePrefix(&setting, "text:")) {
    *answer = Value::Text(setting);
  } else {
    return false;
  }
  return true;
}

bool ParseFailure(std::string setting, FailureSetup* failure) {
  if (Lower(setting) == "unknown") {
    failure->kind = FailureSetup::Kind::UnknownName;
  } else if (TakePrefix(&setting, "status:")) {
    failure->kind = FailureSetup::Kind::Status;
    if (!ParseHex(setting, &failure->code)) return false;
  } else if (TakePrefix(&setting, "exception-code:")) {
    failure->kind = FailureSetup::Kind::Exception;
    if (!ParseHex(setting, &failure->code)) return false;
  } else if (TakePrefix(&setting, "exception:")) {
    failure->kind = FailureSetup::Kind::Exception;
    failure->code = kStatusFail;
    failure->description = setting;
  } else {
    return false;
  }
  return true;
}

// Applies one entry; false when its key or value is not understood.
bool ApplyEntry(const IniEntry& entry, const std::string& section, HostConfig* config) {
  std::string key = Lower(entry.key);
  if (section == "host") {
    if (key == "path")
      config->path = entry.value;
    else if (key == "serverpath")
      config->serverPath = entry.value;
    else if (key == "version")
      config->version = entry.value;
    else if (key == "journal")
      config->journal = entry.value;
    else if (key == "spool")
      config->spool = entry.value;
    else
      return false;
    return true;
  }
  Method method;
  if (!FindMethod(entry.key, &method)) return false;
  MethodSetup& setup = config->Setup(method);
  if (section == "answers") {
    setup.hasAnswer = ParseAnswer(entry.value, &setup.answer);
    return setup.hasAnswer;
  }
  if (section == "deletions") {
    setup.deleteOnCall = entry.value;
    return !entry.value.empty();
  }
  setup.failure = FailureSetup();
  return ParseFailure(entry.value, &setup.failure);
}

}  // namespace

const char* MethodName(Method method) {
  return kMethodNames[static_cast<int>(method)];
}

bool FindMethod(const std::string& name, Method* method) {
  for (int i = 0; i < kMethodCount; ++i) {
    if (Lower(name) == Lower(kMethodNames[i])) {
      *method = static_cast<Method>(i);
      return true;
    }
  }
  return false;
}

std::vector<IniEntry> ParseIni(const std::string& text) {
  std::vector<IniEntry> entries;
  std::string section;
  bool inSection = false;
  size_t pos = 0;
  for (int lineNumber = 1; pos < text.size(); ++lineNumber) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      section = Trim(line.substr(1, line.find(']') - 1));
      inSection = true;
      continue;
    }
    size_t equals = line.find('=');
    if (!inSection || equals == std::string::npos) continue;
    std::string value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    entries.push_back({section, Trim(line.substr(0, equals)), value, lineNumber});
  }
  return entries;
}

bool ParseHostConfig(const std::string& text, HostConfig* config, std::string* error) {
  // As in the usual INI readers, the first of several equal keys wins.
  std::set<std::string> seen;
  for (const IniEntry& entry : ParseIni(text)) {
    std::string section = Lower(entry.section);
    if (section != "host" && section != "answers" && section != "failures" &&
        section != "deletions") {
      continue;
    }
    std::string key = section + "/" + Lower(entry.key);
    if (!seen.insert(key).second) continue;
    if (!ApplyEntry(entry, section, config)) {
      *error = "line " + std::to_string(entry.line) + ": cannot use [" + entry.section + "] " +
               entry.key + "=" + entry.value;
      return false;
    }
  }
  return true;
}

bool LoadHostConfig(const std::string& path, HostConfig* config, std::string* error) {
  struct stat info;
  if (path.empty() || stat(path.c_str(), &info) != 0) return true;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot open " + path;
    return false;
  }
  std::string text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = "cannot read " + path;
    return false;
  }
  if (!ParseHostConfig(text, config, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace tolvanehost
