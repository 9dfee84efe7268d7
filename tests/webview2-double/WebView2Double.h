// Control API of the test double "WebView2Loader.dll".
//
// The double stands in for the WebView2 loader and runtime: it exports the
// loader's "CreateCoreWebView2EnvironmentWithOptions" under its plain name and
// hands out scripted environment, controller and view objects built from the
// host's own declarations (platform/webwindow/WebView2Abi.h). A test drives it through
// the further exports below, reached with GetProcAddress on the loaded module
// (WebView2DoubleApi::load does that). All calls on the thread that created the
// environment, like the runtime's own.
//
// Delivery: completions (environment, controller, auto-navigation events) are
// posted through the creating thread's message queue by default, as the
// runtime does, so the test must pump messages (see pumpUntil in the tests);
// WV2D_SetDelivery(0) delivers them inside the creating call instead.
//
// Call log: every call the host makes on the objects is recorded in order as
// one line: "CreateCoreWebView2Controller", "put_IsVisible 1", "put_Bounds
// l,t,r,b", "Navigate <uri>", "get_CanGoBack", "GoBack", "Close",
// "add_AcceleratorKeyPressed", "add_NavigationCompleted",
// "add_NewWindowRequested", "add_NavigationStarting".
//
// COM rules: the loader entry refuses outside a single-threaded apartment
// (CO_E_NOTINITIALIZED, or RPC_E_CHANGED_MODE in a multi-threaded one), as the
// runtime does. Every handler the host hands over is queried as the runtime
// may (its IID, IUnknown, a foreign IID, a null out pointer), and the double's
// last Release of it must answer 0; each breach is a line of
// WV2D_ContractViolation (cleared by WV2D_Reset).
//
// Counting: WV2D_LiveObjects counts the double's objects still alive
// (environment, controllers, views, event arguments); WV2D_HeldHandlers counts
// the host's handler references the double still holds. Both come back to 0
// when the host has released everything.
#pragma once

#include "proj.win32/Win32.h"

#include <string>
#include <vector>

// Environment outcomes (WV2D_ScriptEnvironment).
enum {
    WV2D_ENV_SUCCEED = 0,
    WV2D_ENV_FAIL_AT_ONCE = 1,  // the loader entry returns hr; the handler is never called
    WV2D_ENV_FAIL_LATER = 2,    // returns S_OK; the handler gets (hr, null)
    WV2D_ENV_NULL = 3,          // returns S_OK; the handler gets (S_OK, null)
    WV2D_ENV_HOLD = 4,          // returns S_OK; the completion waits for WV2D_DeliverHeld
};

// Controller outcomes (WV2D_ScriptController).
enum {
    WV2D_CONTROLLER_SUCCEED = 0,
    WV2D_CONTROLLER_FAIL_AT_ONCE = 1,  // CreateCoreWebView2Controller returns hr
    WV2D_CONTROLLER_FAIL_LATER = 2,    // the handler gets (hr, null)
    WV2D_CONTROLLER_NULL = 3,          // the handler gets (S_OK, null)
    WV2D_CONTROLLER_WITHOUT_VIEW = 4,  // a controller whose get_CoreWebView2 gives null
    WV2D_CONTROLLER_HOLD = 5,          // the completion waits for WV2D_DeliverHeld
};

// Bits of WV2D_RaiseNewWindowRequested's answer.
enum {
    WV2D_NEWWINDOW_SAME_VIEW = 1,   // put_NewWindow accepted with the view that raised the event
    WV2D_NEWWINDOW_OTHER_VIEW = 2,  // put_NewWindow accepted with another object
    WV2D_NEWWINDOW_HANDLED = 4,     // put_Handled(TRUE)
    WV2D_NEWWINDOW_ATTEMPTED = 8,   // put_NewWindow was called (also when refused)
};

extern "C" {
// Forgets the script and the records; objects alive stay alive and counted.
typedef void (*WV2D_ResetFn)(void);
typedef void (*WV2D_ScriptEnvironmentFn)(int outcome, HRESULT hr);
typedef void (*WV2D_ScriptControllerFn)(int outcome, HRESULT hr);
typedef void (*WV2D_SetDeliveryFn)(int posted);
// On: each Navigate raises NavigationStarting later and, when not cancelled,
// makes the URI the source and raises NavigationCompleted.
typedef void (*WV2D_SetAutoNavigationFn)(int on);
typedef void (*WV2D_SetCanGoBackFn)(BOOL value, HRESULT hr);
// put_NewWindow answers E_INVALIDARG, as the runtime does for a view it will not take.
typedef void (*WV2D_SetRefuseNewWindowFn)(int refuse);
typedef int (*WV2D_PendingPostsFn)(void);
// Delivers the completions held back (WV2D_*_HOLD), each as a success, in the
// order they were asked for; returns how many. A runtime that answers late.
typedef int (*WV2D_DeliverHeldFn)(void);
typedef int (*WV2D_LogSizeFn)(void);
// Copies entry index into buffer (NUL-terminated, cut to capacity); returns its full length, -1 past the end.
typedef int (*WV2D_LogEntryFn)(int index, wchar_t* buffer, int capacity);
// The folders the loader entry was given; -1 when it was given null (or was not called).
typedef int (*WV2D_BrowserFolderFn)(wchar_t* buffer, int capacity);
typedef int (*WV2D_UserDataFolderFn)(wchar_t* buffer, int capacity);
typedef int (*WV2D_EnvironmentCallsFn)(void);
typedef HWND (*WV2D_ParentWindowFn)(void);
// Event raisers on the latest view/controller; -1 when there is none or no handler.
// A null uri gives event arguments whose get_Uri fails.
typedef int (*WV2D_RaiseNavigationStartingFn)(const wchar_t* uri);  // 1 cancelled, 0 allowed
// Makes source (when not null) the view's source, then raises; 0 when raised.
typedef int (*WV2D_RaiseNavigationCompletedFn)(const wchar_t* source);
typedef int (*WV2D_RaiseNewWindowRequestedFn)(const wchar_t* uri);  // WV2D_NEWWINDOW_* bits
typedef int (*WV2D_RaiseAcceleratorKeyFn)(int kind, UINT virtualKey);  // 1 handled, 0 not
typedef int (*WV2D_LiveObjectsFn)(void);
typedef int (*WV2D_ContractViolationsFn)(void);
// Copies breach index into buffer as WV2D_LogEntry does; -1 past the end.
typedef int (*WV2D_ContractViolationFn)(int index, wchar_t* buffer, int capacity);
typedef int (*WV2D_HeldHandlersFn)(void);
}

// The control API, looked up in the loaded double.
struct WebView2DoubleApi {
    WV2D_ResetFn reset = nullptr;
    WV2D_ScriptEnvironmentFn scriptEnvironment = nullptr;
    WV2D_ScriptControllerFn scriptController = nullptr;
    WV2D_SetDeliveryFn setDelivery = nullptr;
    WV2D_SetAutoNavigationFn setAutoNavigation = nullptr;
    WV2D_SetCanGoBackFn setCanGoBack = nullptr;
    WV2D_SetRefuseNewWindowFn setRefuseNewWindow = nullptr;
    WV2D_PendingPostsFn pendingPosts = nullptr;
    WV2D_DeliverHeldFn deliverHeld = nullptr;
    WV2D_LogSizeFn logSize = nullptr;
    WV2D_LogEntryFn logEntry = nullptr;
    WV2D_BrowserFolderFn browserFolder = nullptr;
    WV2D_UserDataFolderFn userDataFolder = nullptr;
    WV2D_EnvironmentCallsFn environmentCalls = nullptr;
    WV2D_ParentWindowFn parentWindow = nullptr;
    WV2D_RaiseNavigationStartingFn raiseNavigationStarting = nullptr;
    WV2D_RaiseNavigationCompletedFn raiseNavigationCompleted = nullptr;
    WV2D_RaiseNewWindowRequestedFn raiseNewWindowRequested = nullptr;
    WV2D_RaiseAcceleratorKeyFn raiseAcceleratorKey = nullptr;
    WV2D_LiveObjectsFn liveObjects = nullptr;
    WV2D_HeldHandlersFn heldHandlers = nullptr;
    WV2D_ContractViolationsFn contractViolations = nullptr;
    WV2D_ContractViolationFn contractViolation = nullptr;

    // Loads (or finds) "WebView2Loader.dll" beside the executable and looks
    // every export up; false when the module or any export is missing.
    bool load() {
        HMODULE m = ::LoadLibraryW(L"WebView2Loader.dll");
        if (!m) return false;
        return find(m, "WV2D_Reset", reset) && find(m, "WV2D_ScriptEnvironment", scriptEnvironment) &&
               find(m, "WV2D_ScriptController", scriptController) && find(m, "WV2D_SetDelivery", setDelivery) &&
               find(m, "WV2D_SetAutoNavigation", setAutoNavigation) && find(m, "WV2D_SetCanGoBack", setCanGoBack) &&
               find(m, "WV2D_SetRefuseNewWindow", setRefuseNewWindow) && find(m, "WV2D_PendingPosts", pendingPosts) &&
               find(m, "WV2D_DeliverHeld", deliverHeld) &&
               find(m, "WV2D_LogSize", logSize) && find(m, "WV2D_LogEntry", logEntry) &&
               find(m, "WV2D_BrowserFolder", browserFolder) && find(m, "WV2D_UserDataFolder", userDataFolder) &&
               find(m, "WV2D_EnvironmentCalls", environmentCalls) && find(m, "WV2D_ParentWindow", parentWindow) &&
               find(m, "WV2D_RaiseNavigationStarting", raiseNavigationStarting) &&
               find(m, "WV2D_RaiseNavigationCompleted", raiseNavigationCompleted) &&
               find(m, "WV2D_RaiseNewWindowRequested", raiseNewWindowRequested) &&
               find(m, "WV2D_RaiseAcceleratorKey", raiseAcceleratorKey) && find(m, "WV2D_LiveObjects", liveObjects) &&
               find(m, "WV2D_HeldHandlers", heldHandlers) &&
               find(m, "WV2D_ContractViolations", contractViolations) &&
               find(m, "WV2D_ContractViolation", contractViolation);
    }

    std::vector<std::wstring> log() const {
        std::vector<std::wstring> lines;
        for (int i = 0, n = logSize(); i < n; ++i) lines.push_back(text(logEntry, i));
        return lines;
    }
    // The breaches of the COM rules so far, one line each.
    std::vector<std::wstring> violations() const {
        std::vector<std::wstring> lines;
        for (int i = 0, n = contractViolations(); i < n; ++i) lines.push_back(text(contractViolation, i));
        return lines;
    }
    // The folder, or "<null>" when the loader was given none.
    std::wstring userData() const { return folder(userDataFolder); }
    std::wstring browser() const { return folder(browserFolder); }

private:
    template <typename Fn>
    static bool find(HMODULE m, const char* name, Fn& out) {
        out = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name)));
        return out != nullptr;
    }
    static std::wstring text(WV2D_LogEntryFn fn, int index) {
        wchar_t buffer[2048];
        const int n = fn(index, buffer, 2048);
        return n < 0 ? std::wstring() : std::wstring(buffer);
    }
    static std::wstring folder(int (*fn)(wchar_t*, int)) {
        wchar_t buffer[1024];
        return fn(buffer, 1024) < 0 ? std::wstring(L"<null>") : std::wstring(buffer);
    }
};
