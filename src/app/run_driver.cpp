#include "app/run_driver.h"

#include <cstdio>

#include "app/errors.h"
#include "app/run_log.h"
#include "groups/group_sources.h"
#include "groups/list_file.h"
#include "host/server_path.h"
#include "platform/text.h"
#include "post/post_group_list.h"

namespace kelbrin {

namespace {

constexpr const char* kBanner = "Tolvane-Gesamtgruppenliste generieren - Version 1.04 von Weltrapp";
constexpr const char* kProgId = "tolvane.app";

std::string AsciiUpper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

void WriteUsage(Run& run) {
  OutLine(run, "Aufruf: kelbrin [/nopost] [/nolog] | /?");
  OutLine(run, "        /nopost   : Liste wird nur erstellt, aber nicht gepostet");
  OutLine(run, "        /nolog    : Log wird nicht erstellt");
  OutLine(run, "        /desclist : falls vorhanden, wird alldescs.txt verarbeitet");
  OutLine(run, "        /?        : Hilfe anzeigen");
}

void WriteSummary(Run& run) {
  Out(run, FlagText("Log", run.options.writeLogFile) + ", " +
               FlagText("alldescs.txt", run.options.useDescList) + ", " +
               FlagText("Posten", run.options.postList));
  if (run.options.postList) {
    if (!run.targetGroup.empty()) {
      Out(run, " (Gruppe: " + run.targetGroup + ")");
    } else {
      run.targetGroup = GetDefaultGroup(run);
      Out(run, " (Defaultgruppe: " + run.targetGroup + ")");
    }
  }
  OutLine(run, "");
  OutLine(run, "");
}

}  // namespace

std::string FlagText(const std::string& label, bool flag) {
  return label + ": " + (flag ? "Ja" : "Nein");
}

void ReadCommandLine(Run& run, const std::vector<std::string>& arguments) {
  run.options = RunOptions{};
  run.targetGroup.clear();
  for (const std::string& argument : arguments) {
    const std::string word = AsciiUpper(argument);
    if (word == "/?" || word == "-?") run.options.showHelp = true;
    if (word == "/NOPOST") run.options.postList = false;
    if (word == "/NOLOG") run.options.writeLogFile = false;
    if (word == "/DESCLIST") run.options.useDescList = true;
    if (word.size() > 3 && word.compare(0, 3, "/G=") == 0) {
      run.targetGroup = AsciiLower(word.substr(3));
    }
  }
}

int RunDriver(Run& run) {
  OutLine(run, kBanner);
  OutLine(run, "");
  ReadCommandLine(run, run.sys.process->Arguments());
  if (run.options.showHelp) {
    WriteUsage(run);
    return 1;
  }
  run.hostObject = HostObject::Create(*run.sys.automation, kProgId);
  WriteSummary(run);
  if (run.options.writeLogFile) StartLog(run);
  WriteLog(run, std::string("Start ") + kBanner);
  run.groupList = std::make_unique<GroupList>(*run.sys.collator);
  WriteLog(run, "Tolvanepfad ermitteln");
  run.hostPath = VariantToString(run.hostObject->Call("ControlGetPath"));
  WriteLog(run, " Serverpfad: " + GetServerPath(run));
  CollectGroups(run);
  if (SaveGroupList(run) && run.options.postList) PostGroupList(run);
  WriteLog(run, "Speicher der Gruppenliste freigeben");
  run.groupList.reset();
  WriteLog(run, "Programmende");
  return 0;
}

int RunProgram(Platform& platform) {
  Run run(platform);
  run.formatter.settings = platform.regional->Read();
  try {
    return RunDriver(run);
  } catch (const Failure& failure) {
    // Continues wherever the console output stopped, as the report of an uncaught error does.
    char address[32];
    std::snprintf(address, sizeof address, "%08llX",
                  static_cast<unsigned long long>(platform.process->ModuleOffset(failure.Site())));
    const std::string& message = failure.Message();
    std::string report = "Exception " + failure.Kind() + " in Modul " +
                         platform.process->ModuleName(failure.Site()) + " bei " + address +
                         ".\n" + message;
    if (!message.empty() && message.back() != '.') report += '.';
    report += "\r\n";
    platform.console->Write(report);
    return 1;
  }
}

}  // namespace kelbrin
