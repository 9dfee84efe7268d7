// The host's window procedure in front of the game window's own: menu and
// system commands, dropped files, debug-log lines sent by WM_COPYDATA, and the
// About box. Every message is passed on to the previous procedure.
#pragma once

#include "proj.win32/Win32.h"

#include <string>

constexpr WORD kAboutCommandId = 32778;
constexpr int kAboutDialogId = 203;
constexpr ULONG_PTR kCopyDataDebugLogLine = 1;

// Subclasses the window; keeps the procedure it had as the one to pass on to.
void installHostWindowProc(HWND window);

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void showAboutDialog();
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The text of a WM_COPYDATA payload: at most cbData bytes, up to the first NUL.
std::string copyDataText(const COPYDATASTRUCT& data);

// Closes the game window as a user's click on its close box would.
void closeHostWindow();
