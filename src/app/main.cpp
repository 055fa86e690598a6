#include "app/run_driver.h"
#include "platform/native.h"

int main() {
  // The platform outlives the run so that the host object is released before automation
  // support shuts down.
  auto native = kelbrin::CreateNativePlatform();
  return kelbrin::RunProgram(native->Seams());
}
