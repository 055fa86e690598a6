#include "sandbox.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kelbrin::e2e {

namespace fs = std::filesystem;

namespace {

constexpr uid_t kUnprivilegedId = 65534;  // nobody / nogroup
constexpr int kRunTimeoutSeconds = 120;

std::string Env(const char* name, const char* fallback = "") {
  const char* v = std::getenv(name);
  return v ? v : fallback;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

namespace {
Target configured;
}  // namespace

void Target::Configure(int argc, char** argv) {
  Target& t = configured;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    size_t eq = arg.find('=');
    std::string key = arg.substr(0, eq), value = eq == std::string::npos ? "" : arg.substr(eq + 1);
    if (key == "--platform") t.wine = value == "wine";
    else if (key == "--tool") t.tool = value;
    else if (key == "--host") t.hostLib = value;
    else if (key == "--host-dll") t.hostDll = value;
    else if (key == "--wineprefix") t.winePrefix = value;
    else if (key == "--holder") t.holder = value;
    else if (key == "--wine") t.wine64 = value;
    else if (key == "--unprivileged-prefix") t.unprivilegedPrefix = value;
    else if (key == "--unprivileged-home") t.unprivilegedHome = value;
  }
  t.exeName = t.wine ? "kelbrin.exe" : "kelbrin";
  t.sep = t.wine ? '\\' : '/';
}

const Target& Target::Get() {
  if (configured.tool.empty()) throw std::runtime_error("no --tool= given");
  return configured;
}

Sandbox::Sandbox(const Target& target) : target_(target) {
  char pattern[] = "/tmp/kelbrin-e2e-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  fs::copy_file(target_.tool, Local(target_.exeName));
  MakeDirectory("news/server");
  MakeDirectory("spool");
  if (!target_.wine) {
    registryDir_ = Local("config/inproc-servers");
    fs::create_directories(registryDir_);
    Write("config/inproc-servers/tolvane.app", target_.hostLib + "\n");
  }
  ConfigureHost({}, "");
}

Sandbox::~Sandbox() {
  // The holders let go once their flag file is gone.
  std::error_code ignored;
  fs::remove(Local(".holding"), ignored);
  for (int pid : holders_) waitpid(pid, nullptr, 0);
  if (Env("KELBRIN_E2E_KEEP").empty()) {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
}

std::string Sandbox::Local(const std::string& relative) const {
  return relative.empty() ? root_ : root_ + "/" + relative;
}

std::string Sandbox::View(const std::string& relative) const {
  std::string path = Local(relative);
  if (!target_.wine) return path;
  Replace(path, "/", "\\");
  return "Z:" + path;
}

void Sandbox::Write(const std::string& relative, const std::string& content) {
  fs::path path(Local(relative));
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string Sandbox::Read(const std::string& relative) const { return Slurp(Local(relative)); }

bool Sandbox::Exists(const std::string& relative) const { return fs::exists(Local(relative)); }

void Sandbox::MakeDirectory(const std::string& relative) { fs::create_directories(Local(relative)); }

void Sandbox::Remove(const std::string& relative) { fs::remove_all(Local(relative)); }

void Sandbox::ConfigureHost(const std::map<std::string, std::string>& hostEntries,
                            const std::string& moreSections) {
  std::map<std::string, std::string> entries = {
      {"Path", Expand("{NEWS}")},
      {"ServerPath", Expand("{NEWS}server{SEP}")},
      {"Version", "1.3.18.0"},
      {"Journal", View("journal.txt")},
      {"Spool", View("spool")},
  };
  for (const auto& [key, value] : hostEntries) entries[key] = Expand(value);
  std::string ini = "[Host]\r\n";
  for (const auto& [key, value] : entries) ini += key + "=" + value + "\r\n";
  Write("host.ini", ini + Expand(moreSections));
}

void Sandbox::UnregisterHost() {
  if (!target_.wine) {
    fs::remove(registryDir_ + "/tolvane.app");
    return;
  }
  // The Wine prefix is shared by the whole test run: the registration comes back afterwards
  // through the caller's RegisterHostAgain().
  throw std::logic_error("UnregisterHost under Wine goes through WineHostRegistration");
}

void Sandbox::OpenToEveryone() {
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    fs::permissions(entry.path(),
                    entry.is_directory() ? fs::perms::all : fs::perms::owner_all | fs::perms::group_all |
                                                                fs::perms::others_read |
                                                                fs::perms::others_write,
                    fs::perm_options::add);
  }
  fs::permissions(root_, fs::perms::all, fs::perm_options::add);
}

void Sandbox::HoldOpen(const std::string& relative) {
  const std::string flag = Local(".holding");
  Write(".holding", "");
  fs::remove(Local(".held"));
  std::vector<std::string> argv;
  if (target_.wine) argv.push_back(target_.wine64);
  argv.push_back(target_.holder);
  argv.push_back(View(relative));
  argv.push_back(View(".holding"));
  argv.push_back(View(".held"));
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (target_.wine) {
      setenv("WINEPREFIX", target_.winePrefix.c_str(), 1);
      setenv("WINEDEBUG", "-all", 1);
    }
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  holders_.push_back(pid);
  // The holder says it has the file by creating ".held".
  for (int i = 0; i < 3000 && !Exists(".held"); ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) throw std::runtime_error("the holder ended early");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!Exists(".held")) throw std::runtime_error("the holder did not take the file");
}

void Sandbox::SetNewsDir(const std::string& name) {
  newsDir_ = name;
  MakeDirectory(name + "/server");
}

RunResult Sandbox::RunTool(const std::vector<std::string>& args, bool unprivileged,
                           long fileSizeLimit) {
  std::vector<std::string> argv;
  if (target_.wine) argv.push_back(target_.wine64);
  argv.push_back(Local(target_.exeName));
  argv.insert(argv.end(), args.begin(), args.end());

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("XDG_CONFIG_HOME=", 0) == 0 || entry.rfind("TOLVANE_HOST_CONFIG=", 0) == 0) {
      continue;
    }
    if (entry.rfind("WINEPREFIX=", 0) == 0 ||
        (unprivileged && entry.rfind("HOME=", 0) == 0)) {
      continue;
    }
    env.push_back(entry);
  }
  env.push_back("XDG_CONFIG_HOME=" + Local("config"));
  env.push_back("TOLVANE_HOST_CONFIG=" + View("host.ini"));
  if (target_.wine) env.push_back("WINEDEBUG=-all");
  if (unprivileged) {
    env.push_back("HOME=" + (target_.unprivilegedHome.empty() ? "/tmp" : target_.unprivilegedHome));
  }
  if (target_.wine) {
    env.push_back("WINEPREFIX=" + (unprivileged ? target_.unprivilegedPrefix : target_.winePrefix));
  }

  if (argv[0].find('/') == std::string::npos) {
    for (std::string dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"}) {
      if (access((dir + argv[0]).c_str(), X_OK) == 0) {
        argv[0] = dir + argv[0];
        break;
      }
    }
  }
  const std::string outPath = Local(".stdout"), errPath = Local(".stderr");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Output goes to files: Wine's helper processes inherit it and would hold a pipe open.
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (in < 0 || out < 0 || err < 0) _exit(125);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (chdir(root_.c_str()) != 0) _exit(125);
    if (fileSizeLimit > 0) {
      // Writes past the limit then fail with EFBIG instead of killing the process.
      signal(SIGXFSZ, SIG_IGN);
      struct rlimit limit = {static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
    }
    if (unprivileged) {
      if (setgroups(0, nullptr) != 0 || setgid(kUnprivilegedId) != 0 ||
          setuid(kUnprivilegedId) != 0) {
        _exit(125);
      }
    }
    std::vector<char*> cargv, cenv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    for (auto& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);
    execve(cargv[0], cargv.data(), cenv.data());
    _exit(127);
  }
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kRunTimeoutSeconds);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  RunResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return result;
}

std::string Sandbox::Expand(std::string text) const {
  const std::string dir = View("");
  const std::string sep(1, target_.sep);
  std::string news = newsDir_;
  if (target_.wine) news = ToolText(target_, news);  // the tool sees the name in code page 1252
  Replace(news, "/", sep);
  Replace(text, "{NEWS}", dir + sep + news + sep);
  Replace(text, "{DIR}", dir + sep);
  Replace(text, "{SEP}", sep);
  Replace(text, "{EXE}", target_.exeName);
  Replace(text, "{LOG}", dir + sep + "kelbrin.log");
  Replace(text, "{LST}", dir + sep + "kelbrin.lst");
  return text;
}

std::vector<std::string> Lines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t at = text.find(end, start);
    if (at == std::string::npos) {
      lines.push_back(text.substr(start) + "<no line end>");
      break;
    }
    lines.push_back(text.substr(start, at - start));
    start = at + end.size();
  }
  return lines;
}

std::vector<std::string> LogMessages(const std::string& log) {
  static const std::regex stamp(
      "^[0-9]{1,2}[./-][0-9]{1,2}[./-][0-9]{4}( [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?)? ");
  std::vector<std::string> messages;
  for (const std::string& line : Lines(log, "\r\n")) {
    std::smatch m;
    if (std::regex_search(line, m, stamp)) {
      messages.push_back(line.substr(static_cast<size_t>(m.length(0))));
    } else {
      messages.push_back("<no time stamp> " + line);
    }
  }
  return messages;
}

std::string MaskAddress(std::string out) {
  static const std::regex address(" bei [0-9A-F]{8}\\.\n");
  return std::regex_replace(out, address, " bei XXXXXXXX.\n");
}

std::string ToolText(const Target& target, const std::string& utf8) {
  if (!target.wine) return utf8;
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace kelbrin::e2e
