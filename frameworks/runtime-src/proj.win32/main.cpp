// Process entry of the Windows GUI program.
#include "proj.win32/SimulatorWin.h"
#include "proj.win32/Win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return SimulatorWin::getInstance()->run(); }
