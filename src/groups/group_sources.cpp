#include "groups/group_sources.h"

#include <cstdint>
#include <string_view>

#include "app/run_log.h"
#include "groups/line_reader.h"
#include "host/server_path.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kelbrin {

namespace {

constexpr uint64_t kLinesPerDot = 1000;
constexpr const char* kDescList = "alldescs.txt";

// The directory name of a server list line: the text before its first comma. A line without
// a comma is taken whole, since a user who writes just a name means that server. An empty
// line gives an empty name, whose group files are then looked up in the server directory
// itself, where a well-kept news server has none.
std::string ServerName(std::string_view line) {
  return std::string(line.substr(0, line.find(',')));
}

// The group name in a line of groups.txt, or of newgrps.txt with its first field skipped.
std::string_view GroupName(std::string_view line, bool skipFirstField) {
  if (skipFirstField) {
    size_t space = line.find(' ');
    if (space != std::string_view::npos) line.remove_prefix(space + 1);
  }
  return line.substr(0, line.find(' '));
}

void ReadDescList(Run& run) {
  WriteLog(run, GetServerPath(run) + kDescList + " einlesen");
  Out(run, "alldescs.txt wird gelesen");
  LineReader reader(OpenForReading(*run.sys.files, GetServerPath(run) + kDescList));
  // A description list names each group once.
  run.groupList->LookUpRepeats(false);
  uint64_t lines = 0;
  std::string_view line;
  while (reader.Next(&line)) {
    run.groupList->AddGroupLine(line);
    if (++lines % kLinesPerDot == 0) Out(run, ".");
  }
  reader.Close();
  OutLine(run, "");
}

void ReadServerList(Run& run) {
  const std::string serverList = run.hostPath + "server.hst";
  WriteLog(run, "Serverliste suchen");
  if (!run.sys.files->Exists(serverList)) {
    run.sys.messageBox->Show("Datei " + serverList +
                                 " nicht gefunden.\n\r\n\r"
                                 "Vermutlich noch keine Newsserver im Tolvane eingetragen.",
                             "Fehler", kMbIconError | kMbOk);
    return;
  }
  WriteLog(run, Ansi("Serverliste öffnen"));
  // Stays open while each server's group files are read.
  LineReader servers(OpenForReading(*run.sys.files, serverList));
  std::string_view line;
  while (servers.Next(&line)) {
    WriteLog(run, "aktueller Server: " + std::string(line));
    const std::string name = ServerName(line);
    ReadGroupFile(run, GetServerPath(run) + name + kPathSeparator + "groups.txt", false);
    ReadGroupFile(run, GetServerPath(run) + name + kPathSeparator + "newgrps.txt", true);
  }
  WriteLog(run, Ansi("Serverliste schließen"));
  servers.Close();
}

}  // namespace

void CollectGroups(Run& run) {
  if (run.options.useDescList) {
    if (run.sys.files->Exists(GetServerPath(run) + kDescList)) {
      WriteLog(run, "alldescs.txt vorhanden");
      ReadDescList(run);
      return;
    }
    WriteLog(run, "alldescs.txt nicht gefunden");
    OutLine(run, "alldescs.txt nicht gefunden, die einzelnen Server werden verarbeitet");
    run.options.useDescList = false;
  }
  ReadServerList(run);
}

void ReadGroupFile(Run& run, const std::string& fileName, bool skipFirstField) {
  if (!run.sys.files->Exists(fileName)) return;
  WriteLog(run, "Lesen von " + fileName);
  Out(run, "Lesen von " + fileName);
  WriteLog(run, Ansi("  Öffnen"));
  LineReader reader(OpenForReading(*run.sys.files, fileName));
  WriteLog(run, "  Lesen");
  uint64_t taken = 0;
  std::string_view line;
  while (reader.Next(&line)) {
    if (line.empty()) continue;
    // The dot comes with the first line of each thousand, so even a short file shows one.
    if (taken % kLinesPerDot == 0) Out(run, ".");
    ++taken;
    run.groupList->AddGroupLine(GroupName(line, skipFirstField));
  }
  WriteLog(run, Ansi("  Schließen"));
  reader.Close();
  OutLine(run, "");
}

}  // namespace kelbrin
