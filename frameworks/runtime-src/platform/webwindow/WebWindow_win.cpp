// Life cycle of the web window: opening and reusing it, web logins, closing
// (the window is hidden, never destroyed by the user), and its procedure.
//
// Window:  none -> created hidden by the first accepted opening -> shown ->
//          (first opening) environment + controller creation, `creating` ->
//          view ready -> hidden on close (about:blank, invisible) -> shown
//          again by the next opening on the same view -> ... -> destroyed
//          with the game window, or when the web view cannot be made.
// Login:   off -> on (openWebLogin) -> off when the prefix is intercepted
//          (callback gets the URI), the window is closed or the view cannot
//          be made in time (callback gets ""), or the opening fails or the
//          window is destroyed (callback dropped uncalled).
// Creation: bounded by creationLimitMs (a timer on the window); past it the
//          creation counts as failed, and its completions, should they still
//          come, are closed and never used (creationSerial tells them apart).
//
// Teardown order on WM_DESTROY: drop the waiting callback, release the view,
// Close and release the controller (which drops every handler), forget the
// buttons, forget the window.
#include "platform/webwindow/WebWindow.h"

#include "platform/webwindow/WebWindowState.h"
#include "proj.win32/TextConversion.h"

#include "base/CCConsole.h"
#include "base/CCThreadChecker.h"

#include <cstdlib>
#include <utility>

#ifndef USER_SITE_HOST
#error "USER_SITE_HOST must name the user site's host"
#endif

WebWindow gWebWindow;

namespace {

constexpr wchar_t kLoaderLibrary[] = L"WebView2Loader.dll";
constexpr char kLoaderEntry[] = "CreateCoreWebView2EnvironmentWithOptions";
constexpr wchar_t kBlankPage[] = L"about:blank";

std::wstring userSiteHost() { return utf8ToWide(USER_SITE_HOST); }

// The login wrapper: the game's callback gets UTF-8.
std::function<void(const std::wstring&)> wrapLoginCallback(std::function<void(const std::string&)> onResult) {
    return [onResult = std::move(onResult)](const std::wstring& uri) {
        if (onResult) onResult(wideToUtf8(uri));
    };
}

void tryLoaderOnce() {
    WebWindow& s = gWebWindow;
    if (s.loaderTried) return;
    s.loaderTried = true;
    // Kept loaded for the life of the process: the runtime's objects live in it.
    HMODULE library = ::LoadLibraryW(kLoaderLibrary);
    if (!library) return;
    // Through the generic function type, which GCC accepts as a cast between signatures.
    const FARPROC entry = ::GetProcAddress(library, kLoaderEntry);
    s.createEnvironment = reinterpret_cast<webview2abi::CreateEnvironmentWithOptionsFn>(
        reinterpret_cast<void (*)()>(entry));
}

std::wstring userDataFolder() {
    const wchar_t* base = ::_wgetenv(L"LOCALAPPDATA");
    if (!base) return std::wstring();
    return std::wstring(base) + L"\\ZAVU\\WebView2";
}

// The window, WebView2 and the game's Lua all live on the main thread.
void checkThread(const char* where) {
    static cocos2d::ThreadChecker* const mainThread = new cocos2d::ThreadChecker();  // lives for the process
    mainThread->check(where);
}

void goHome() {
    WebWindow& s = gWebWindow;
    if (!s.webView || s.intercepting) return;
    const std::wstring home = L"https://" + userSiteHost() + L"/";
    s.webView->Navigate(home.c_str());
}

void goBack() {
    WebWindow& s = gWebWindow;
    if (!s.webView) return;
    BOOL canGoBack = FALSE;
    if (SUCCEEDED(s.webView->get_CanGoBack(&canGoBack)) && canGoBack) s.webView->GoBack();
}

void onDestroy() {
    WebWindow& s = gWebWindow;
    // A creation under way is abandoned with its window: the next opening
    // starts over, and the late completions are not used.
    if (s.creating) {
        s.creating = false;
        ++s.creationSerial;
    }
    // A login whose window dies is dropped: its callback is released uncalled.
    s.intercepting = false;
    std::function<void(const std::wstring&)> dropped = std::move(s.pendingCallback);
    s.pendingCallback = nullptr;
    releaseWebView();
    s.closeButton = nullptr;
    s.backButton = nullptr;
    s.homeButton = nullptr;
    resetButtonStates();
    s.window = nullptr;
    if (s.parentWindow) ::SetForegroundWindow(s.parentWindow);
}

}  // namespace

bool openWebWindow(const std::string& url, const std::string& package) {
    checkThread("openWebWindow");
    WebWindow& s = gWebWindow;
    if (url.empty()) return false;
    tryLoaderOnce();
    if (!s.createEnvironment) return false;
    if (s.creating) {
        // The view, once made, shows the URL of the opening that started it;
        // but the window shows again, should the user have closed it meanwhile.
        ++s.openingSerial;
        if (s.window) {
            ::ShowWindow(s.window, SW_SHOW);
            ::SetForegroundWindow(s.window);
        }
        return true;
    }

    // The result is not looked at: S_FALSE (already initialised) is fine, and
    // a refusal shows up as the environment creation's own failure.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    s.startUrl = utf8ToWide(url);
    s.package = utf8ToWide(package);
    s.shopRedirected = false;
    ++s.openingSerial;

    if (!createWebWindow()) return false;
    ::ShowWindow(s.window, SW_SHOW);
    ::SetForegroundWindow(s.window);

    if (s.webView && s.controller) {
        s.controller->put_IsVisible(TRUE);
        layoutWebWindow(s.window);
        s.webView->Navigate(s.startUrl.c_str());
        return true;
    }

    // A controller that came without a view is of no use: the new creation replaces it.
    releaseWebView();

    const std::wstring folder = userDataFolder();
    s.creating = true;
    const unsigned serial = ++s.creationSerial;
    // Set before the call: the completions may come inside it, and end it.
    ::SetTimer(s.window, kCreationTimerId, s.creationLimitMs, nullptr);
    HRESULT hr = E_OUTOFMEMORY;
    {
        // The maker's reference goes right after the hand-over: the loader holds its own.
        zavu::ComPtr<webview2abi::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler(
            newEnvironmentHandler(serial));
        if (handler)
            hr = s.createEnvironment(nullptr, folder.empty() ? nullptr : folder.c_str(), nullptr, handler.get());
    }
    if (FAILED(hr)) {
        if (s.creationSerial == serial) {
            s.creating = false;
            ++s.creationSerial;
        }
        if (s.window) {
            ::KillTimer(s.window, kCreationTimerId);
            ::ShowWindow(s.window, SW_HIDE);
        }
        return false;
    }
    return true;
}

void giveUpCreation() {
    WebWindow& s = gWebWindow;
    s.creating = false;
    ++s.creationSerial;
    std::function<void(const std::wstring&)> callback = std::move(s.pendingCallback);
    s.pendingCallback = nullptr;
    const bool wasLogin = s.intercepting;
    s.intercepting = false;
    // Destroyed before the answer, so that a reopening from the game's
    // callback gets a fresh window instead of the dying one.
    if (s.window) ::DestroyWindow(s.window);
    if (wasLogin && callback) callback(std::wstring());
}

bool openWebLogin(const std::string& url, const std::string& callbackPrefix,
                  std::function<void(const std::string&)> onResult) {
    checkThread("openWebLogin");
    WebWindow& s = gWebWindow;
    s.intercepting = true;
    s.callbackPrefix = utf8ToWide(callbackPrefix);
    s.package.clear();
    s.shopRedirected = true;  // no shop redirect in a login
    // The callback of an older waiting login is destroyed here, uncalled.
    s.pendingCallback = wrapLoginCallback(std::move(onResult));
    if (openWebWindow(url, std::string())) {
        // openWebWindow re-arms the redirect for top-up openings; a login never redirects.
        s.shopRedirected = true;
        return true;
    }
    s.intercepting = false;
    s.pendingCallback = nullptr;
    return false;
}

void answerPendingLoginEmpty() {
    WebWindow& s = gWebWindow;
    if (!s.intercepting) return;
    std::function<void(const std::wstring&)> callback = std::move(s.pendingCallback);
    s.pendingCallback = nullptr;
    s.intercepting = false;
    if (callback) callback(std::wstring());
}

void hideWebWindow(HWND w) {
    checkThread("hideWebWindow");
    WebWindow& s = gWebWindow;
    // The login is answered first. A callback that opened the window again
    // (a retried login, the top-up page) keeps it shown on its own page.
    const WPARAM opening = s.openingSerial;
    answerPendingLoginEmpty();
    if (s.openingSerial != opening) return;
    if (s.controller) s.controller->put_IsVisible(FALSE);
    if (s.webView) s.webView->Navigate(kBlankPage);
    ::ShowWindow(w, SW_HIDE);
    if (s.parentWindow) ::SetForegroundWindow(s.parentWindow);
}

void releaseWebView() {
    WebWindow& s = gWebWindow;
    s.webView.reset();
    if (s.controller) {
        s.controller->Close();
        s.controller.reset();
    }
}

bool shouldRedirectToShop(const std::wstring& url) {
    const WebWindow& s = gWebWindow;
    if (s.intercepting || s.shopRedirected || s.package.empty() || url.empty()) return false;
    if (url.find(userSiteHost()) == std::wstring::npos) return false;
    return url.find(L"login.php") == std::wstring::npos && url.find(L"buypackage") == std::wstring::npos;
}

LRESULT CALLBACK webWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_SIZE: {
        layoutWebWindow(hwnd);
        const RECT toolbar = {0, 0, LOWORD(lParam), kToolbarHeight};
        ::InvalidateRect(hwnd, &toolbar, FALSE);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        if (dc) paintToolbar(hwnd, dc);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_CLOSE:
        hideWebWindow(hwnd);
        return 0;
    case kCloseAfterLoginMessage:
        // Only the opening that the intercepted login belonged to is closed:
        // the game's callback may have opened the window again meanwhile.
        if (wParam == gWebWindow.openingSerial) hideWebWindow(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam != kCreationTimerId) break;
        ::KillTimer(hwnd, kCreationTimerId);
        if (gWebWindow.creating) {
            cocos2d::log("[ZAVU] WebView2 khong tao xong sau %u ms, bo qua", gWebWindow.creationLimitMs);
            giveUpCreation();
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_DRAWITEM:
        if (wParam == kCloseButtonId || wParam == kBackButtonId || wParam == kHomeButtonId) {
            if (lParam) drawToolbarButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return 1;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kCloseButtonId:
            hideWebWindow(hwnd);
            return 0;
        case kBackButtonId:
            goBack();
            return 0;
        case kHomeButtonId:
            goHome();
            return 0;
        default:
            break;
        }
        break;
    case WM_EXITSIZEMOVE:
        saveWindowGeometry(hwnd);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}
