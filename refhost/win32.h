#pragma once
// The one place where the Windows build of the stand-in host takes in the Windows headers.
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>
