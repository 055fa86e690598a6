#include "app/errors.h"

#include "platform/text.h"

namespace kelbrin {

__attribute__((noinline)) void RaiseFailure(const std::string& kind, const std::string& message) {
  throw Failure(kind, message, __builtin_extract_return_addr(__builtin_return_address(0)));
}

__attribute__((noinline)) void RaiseInOutError(uint32_t code) {
  throw Failure("EInOutError", InOutMessage(code),
                __builtin_extract_return_addr(__builtin_return_address(0)));
}

std::string InOutMessage(uint32_t code) {
  switch (code) {
    case 2: return Ansi("Datei nicht gefunden");
    case 3: return Ansi("Ungültiger Dateiname");
    case 4: return Ansi("Zu viele geöffnete Dateien");
    case 5: return Ansi("Dateizugriff verweigert");
    case 100: return Ansi("Versuch hinter dem Dateiende zu lesen");
    case 101: return Ansi("Zu wenig Speicherplatz");
    case 106: return Ansi("Ungültige numerische Eingabe");
    default: return "E/A-Fehler " + std::to_string(code);
  }
}

}  // namespace kelbrin
