// The web window's module state: one instance per process, main thread only
// (the window's message thread, which is also the thread WebView2 calls back on).
#pragma once

#include "platform/webwindow/ComPtr.h"
#include "platform/webwindow/WebView2Abi.h"
#include "proj.win32/Win32.h"

#include <functional>
#include <string>

// Mouse state of one toolbar button; hwnd null means the record is free.
struct ButtonState {
    HWND hwnd;
    bool hover;
    bool pressed;
    bool leaveRequested;
};

// A cold first start of the runtime (browser process started, user-data
// folder made) takes a few seconds, well under a minute even on a slow disk;
// one that has not completed after this never will (a broken installation).
constexpr UINT kWebViewCreationLimitMs = 60000;

struct WebWindow {
    ButtonState buttonStates[3] = {};
    WNDPROC savedButtonProc = nullptr;
    ULONG_PTR gdiplusToken = 0;
    HWND window = nullptr;
    HWND closeButton = nullptr;
    HWND backButton = nullptr;
    HWND homeButton = nullptr;
    HWND parentWindow = nullptr;  // the game window, looked up at each creation
    zavu::ComPtr<webview2abi::ICoreWebView2Controller> controller;
    zavu::ComPtr<webview2abi::ICoreWebView2> webView;
    bool creating = false;        // an environment/controller creation is under way
    bool shopRedirected = false;  // the one shop redirect is spent or not wanted
    bool intercepting = false;    // login-intercept mode
    std::wstring callbackPrefix;
    std::wstring package;
    std::function<void(const std::wstring&)> pendingCallback;
    std::wstring startUrl;
    // Counts accepted openings, so a close posted after an intercepted login
    // can tell whether the game has opened the window again since.
    WPARAM openingSerial = 0;
    // Counts environment creations: a completion that belongs to an older,
    // abandoned creation is closed and never used.
    unsigned creationSerial = 0;
    // How long a creation may take before it counts as failed.
    UINT creationLimitMs = kWebViewCreationLimitMs;
    webview2abi::CreateEnvironmentWithOptionsFn createEnvironment = nullptr;
    bool loaderTried = false;
    bool classRegistered = false;
};

extern WebWindow gWebWindow;

// Toolbar control ids, which are also their command ids.
constexpr int kCloseButtonId = 1001;
constexpr int kBackButtonId = 1002;
constexpr int kHomeButtonId = 1003;
constexpr int kToolbarHeight = 52;

// Posted after an intercepted login; wParam is the opening serial it closes.
constexpr UINT kCloseAfterLoginMessage = WM_APP + 0x51;
// The web window's timer that bounds a WebView2 creation.
constexpr UINT_PTR kCreationTimerId = 0x5A01;

// Life cycle and navigation (WebWindow_win.cpp).
void hideWebWindow(HWND w);
void releaseWebView();
bool shouldRedirectToShop(const std::wstring& url);
LRESULT CALLBACK webWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Ends the waiting login with the empty result (the window closed, or the web
// view could not be made); nothing when no login waits.
void answerPendingLoginEmpty();

// WebView2 handlers (WebViewHandlers_win.cpp): a new environment-completed
// handler with one reference, for the caller to hand over and release. It
// belongs to creation `creationSerial`; a completion of any other is not used.
webview2abi::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* newEnvironmentHandler(
    unsigned creationSerial);
// The web view could not be made (or was not made in time): a waiting login
// gets its one empty answer and the window goes, so a later opening starts over.
void giveUpCreation();

// Frame (WebWindowFrame_win.cpp).
bool createWebWindow();
void layoutWebWindow(HWND w);
LRESULT CALLBACK toolbarButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
ButtonState& buttonStateFor(HWND button);
void resetButtonStates();

// Geometry file (WebWindowGeometry_win.cpp).
std::wstring geometryFilePath();
bool loadWindowGeometry(int& x, int& y, int& width, int& height);
void saveWindowGeometry(HWND w);

// Painting with GDI+ (WebWindowToolbar_win.cpp).
void startGdiplusOnce();
void paintToolbar(HWND w, HDC dc);
void drawToolbarButton(const DRAWITEMSTRUCT* item);
