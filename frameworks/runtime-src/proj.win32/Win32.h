// The one place the system's own code includes <windows.h>: the build defines
// WIN32_LEAN_AND_MEAN, NOMINMAX and _WIN32_WINNT (mingw's default is too old).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
