#include "groups/list_file.h"

#include "app/errors.h"
#include "app/run_log.h"
#include "platform/memory.h"

namespace kelbrin {

namespace {

// The whole file in one piece of exactly its size, for a single write.
LargeString ListText(GroupList& list) {
  size_t size = 0;
  list.VisitSorted([&size](std::string_view entry) { size += entry.size() + 2; });
  LargeString text;
  text.reserve(size);
  list.VisitSorted([&text](std::string_view entry) {
    text += entry;
    text += "\r\n";
  });
  return text;
}

}  // namespace

bool SaveGroupList(Run& run) {
  GroupList& list = *run.groupList;
  if (list.Count() == 0) {
    WriteLog(run, "Keine Gruppen gefunden");
    OutLine(run, "Keine Gruppen gefunden");
    return false;
  }
  run.listFileName = ProgramFileWithExtension(run, ".lst");
  WriteLog(run, "Liste in " + run.listFileName + " speichern");
  OutLine(run, "Gruppenliste in " + run.listFileName + " speichern");

  std::unique_ptr<File> file;
  if (run.sys.files->Open(run.listFileName, FileAccess::ReadWrite, FileShare::None,
                          FileCreation::CreateAlways, &file) != 0) {
    RaiseFailure("EFCreateError", "Datei " + run.listFileName + " kann nicht erstellt werden");
  }
  const LargeString text = ListText(list);
  size_t written = 0;
  uint32_t code = file->Write(text.data(), text.size(), &written);
  if (code != 0 || written != text.size()) {
    file->Close();  // what was written stays; the write failure is what gets reported
    RaiseFailure("EWriteError", "Stream-Write-Fehler");
  }
  if (uint32_t closeCode = file->Close()) RaiseInOutError(closeCode);
  return true;
}

}  // namespace kelbrin
