#include "host_behaviour.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdio>

namespace tolvanehost {

namespace {

bool ValidId(int32_t id) {
  return id >= 1 && id <= kMethodCount;
}

Method MethodOf(int32_t id) {
  return static_cast<Method>(id - 1);
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

bool WriteFile(const std::string& path, std::string_view bytes, const char* mode) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// Stores an article and its group under the first number that neither file uses yet.
bool Spool(const std::string& directory, std::string_view article, std::string_view group) {
  std::string base = directory;
  if (base.back() != '/' && base.back() != '\\') base += '/';
  base += "article-";
  for (int n = 1;; ++n) {
    std::string stem = base + std::to_string(n);
    if (Exists(stem + ".txt") || Exists(stem + ".group")) continue;
    return WriteFile(stem + ".txt", article, "wb") && WriteFile(stem + ".group", group, "wb");
  }
}

Outcome Status(int32_t status) {
  Outcome outcome;
  outcome.status = status;
  return outcome;
}

Outcome Exception(const std::string& description, int32_t code) {
  Outcome outcome;
  outcome.status = kStatusException;
  outcome.exceptionDescription = description;
  outcome.exceptionCode = code;
  return outcome;
}

Outcome Configured(const FailureSetup& failure) {
  if (failure.kind == FailureSetup::Kind::Status) return Status(failure.code);
  if (failure.kind == FailureSetup::Kind::Exception) {
    return Exception(failure.description, failure.code);
  }
  return Status(kStatusMemberNotFound);
}

bool AllSupported(const std::vector<Value>& args) {
  for (const Value& arg : args) {
    if (arg.type == Value::Type::Unsupported) return false;
  }
  return true;
}

}  // namespace

std::string JournalToken(const Value& value) {
  switch (value.type) {
    case Value::Type::Empty:
      return "empty";
    case Value::Type::Null:
      return "null";
    case Value::Type::Bool:
      return value.boolean ? "bool:true" : "bool:false";
    case Value::Type::Int:
      return "int:" + std::to_string(value.integer);
    case Value::Type::Double: {
      // Shortest text that reads back to the same number, independent of the C locale.
      char buffer[64];
      auto result = std::to_chars(buffer, buffer + sizeof buffer, value.real);
      return "double:" + std::string(buffer, result.ptr);
    }
    case Value::Type::Text:
      return value.byRef ? "text&" : "text";
    case Value::Type::Unsupported:
      return "vt:" + std::to_string(value.integer);
  }
  return "?";
}

bool HostBehaviour::Journal(const std::string& line) {
  return config_.journal.empty() || WriteFile(config_.journal, line + "\n", "ab");
}

int32_t HostBehaviour::GetIdOfName(const std::string& name, int32_t* id) {
  if (!Journal("lookup " + name)) return kStatusWriteFault;
  Method method;
  if (!FindMethod(name, &method) ||
      config_.Setup(method).failure.kind == FailureSetup::Kind::UnknownName) {
    return kStatusUnknownName;
  }
  lookedUpAs_[static_cast<int>(method)] = name;
  *id = static_cast<int32_t>(method) + 1;
  return kStatusOk;
}

std::string HostBehaviour::CallLine(int32_t id, const std::vector<Value>& args) const {
  std::string line = "invoke ";
  if (!ValidId(id)) {
    line += "#" + std::to_string(id);
  } else if (lookedUpAs_[id - 1].empty()) {
    line += MethodName(MethodOf(id));
  } else {
    line += lookedUpAs_[id - 1];
  }
  for (const Value& arg : args) line += " " + JournalToken(arg);
  return line;
}

Outcome HostBehaviour::Invoke(int32_t id, const std::vector<Value>& args) {
  if (!Journal(CallLine(id, args))) return Status(kStatusWriteFault);
  if (!ValidId(id)) return Status(kStatusMemberNotFound);
  Method method = MethodOf(id);
  const MethodSetup& setup = config_.Setup(method);
  if (!setup.deleteOnCall.empty()) std::remove(setup.deleteOnCall.c_str());
  if (setup.failure.kind != FailureSetup::Kind::None) return Configured(setup.failure);
  if (!AllSupported(args)) return Status(kStatusTypeMismatch);
  if (args.size() != (method == Method::NewsImport ? 4u : 0u)) {
    return Status(kStatusBadParamCount);
  }
  Outcome outcome;
  switch (method) {
    case Method::ControlGetPath:
      outcome.result = Value::Text(config_.path);
      break;
    case Method::ControlGetServerPath:
      outcome.result = Value::Text(config_.serverPath);
      break;
    case Method::ControlGetVersion:
      outcome.result = Value::Text(config_.version);
      break;
    case Method::NewsImport:
      outcome = NewsImport(args);
      break;
  }
  if (outcome.status == kStatusOk && setup.hasAnswer) outcome.result = setup.answer;
  return outcome;
}

Outcome HostBehaviour::NewsImport(const std::vector<Value>& args) {
  if (args[0].type != Value::Type::Text || args[1].type != Value::Type::Text) {
    return Status(kStatusTypeMismatch);
  }
  if (!config_.spool.empty() && !Spool(config_.spool, args[0].TextView(), args[1].TextView())) {
    return Exception("Cannot store the article in " + config_.spool, kStatusWriteFault);
  }
  Outcome outcome;
  outcome.result = Value::Bool(true);
  return outcome;
}

}  // namespace tolvanehost
