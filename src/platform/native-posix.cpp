#include "platform/native.h"
// Placeholder until the POSIX seams land.
