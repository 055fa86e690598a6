#include "post/post_group_list.h"

#include <array>
#include <vector>

#include "app/errors.h"
#include "app/run_log.h"
#include "platform/memory.h"
#include "platform/text.h"
#include "post/header_date.h"

namespace kelbrin {

namespace {

void Check(uint32_t code) {
  if (code != 0) RaiseInOutError(code);
}

// Header lines, the empty line that ends them, and the body's "Generiert am " line.
std::string ArticleHead(Run& run) {
  std::string text = "From: Tolvane-Listengenerator\r\nSubject: Gesamtgruppenliste\r\nDate: ";
  text += run.dateHeaderValue;
  text += "\r\n";
  text += "Newsgroups: ";
  text += run.targetGroup;
  text += "\r\n";
  text += "\r\n";
  text += "Generiert am ";
  text += run.formatter.TimeStamp(run.sys.clock->Local());
  text += "\r\n";
  text += "\r\n";
  return text;
}

// Appends the list file's bytes to the article, block by block.
void AppendListFile(Run& run) {
  WriteLog(run, Ansi("Gruppenliste öffnen"));
  std::unique_ptr<File> file;
  // Read and write access with both shared, as the list file has always been opened here.
  Check(run.sys.files->Open(run.listFileName, FileAccess::ReadWrite, FileShare::ReadWrite,
                            FileCreation::OpenExisting, &file));
  uint64_t size = 0;
  Check(file->Size(&size));
  // Room for the whole list at once: growing block by block would copy the article over and
  // over and, at the end, hold it twice.
  if (size <= run.articleText.max_size() - run.articleText.size()) {
    const size_t head = run.articleText.size();
    run.articleText.reserve(head + static_cast<size_t>(size));
    PreferLargePages(run.articleText.data() + head, run.articleText.capacity() - head);
  }
  std::array<char, BodyBlockSize> block;
  uint64_t position = 0;
  while (position < size) {
    size_t count = 0;
    Check(file->Read(block.data(), block.size(), &count));
    // The file is shared for writing; should another program cut it short meanwhile, stop
    // instead of waiting forever for bytes that will not come.
    if (count == 0) break;
    position += count;
    WriteLog(run, "Block aus Gruppenliste lesen (" + std::to_string(count) + " Bytes)");
    // Every delivered byte goes in, NUL bytes included: cutting a block at its first NUL
    // would silently drop group lines from the posted list.
    run.articleText.append(block.data(), count);
  }
  WriteLog(run, Ansi("Gruppenliste schließen"));
  Check(file->Close());
}

}  // namespace

void PostGroupList(Run& run) {
  WriteLog(run, "GMT-Zeit ermitteln");
  run.utcTime = run.sys.clock->Utc();
  run.dateHeaderValue = FormatHeaderDate(run.formatter, run.utcTime) + " GMT";
  WriteLog(run, "Header erzeugen");
  OutLine(run, "Gruppenliste nach " + run.targetGroup + " posten");
  run.articleText = ArticleHead(run);
  AppendListFile(run);
  WriteLog(run, "Gruppenliste posten");
  // The article, megabytes for a full group list, goes into the call and comes back from it
  // rather than being held twice; the target group is a copy, so a host that writes into it
  // changes nothing. The kept article is what the host left in its argument: the article,
  // unless the host rewrote it, and nothing reads it afterwards.
  // Built in place: a braced list would copy the article out of its initializer list.
  std::vector<Variant> args;
  args.reserve(4);
  args.push_back(Variant::Text(std::move(run.articleText), true));
  args.push_back(Variant::Text(run.targetGroup, true));
  args.push_back(Variant::Bool(false));
  args.push_back(Variant::Bool(false));
  Variant answer = run.hostObject->Call("NewsImport", args);
  run.articleText = std::move(args[0].text);
  if (ImportRefused(answer)) {
    WriteLog(run, "Posten fehlgeschlagen, Grund unklar");
  }
}

}  // namespace kelbrin
