// The six WebView2 completion and event handlers of the web window, and the
// navigation rules they apply: login interception, Telegram links handed to
// the shell, pop-ups kept in the same view, Esc closes, one shop redirect.
//
// Each handler is made with one reference just before it is handed to
// WebView2, and the maker releases that reference right after the hand-over,
// so WebView2 holds the only one. No handler is ever removed: they go with the
// view and controller when the window is destroyed. Every Invoke returns S_OK
// and lets nothing escape.
#include "platform/webwindow/ShellLinks.h"
#include "platform/webwindow/WebWindowState.h"

#include "proj.win32/TextConversion.h"

#include "base/CCConsole.h"

#include <objbase.h>

#include <new>
#include <utility>

#ifndef USER_SITE_HOST
#error "USER_SITE_HOST must name the user site's host"
#endif
#ifndef TELEGRAM_WEB_DOMAIN
#error "TELEGRAM_WEB_DOMAIN must name Telegram's web-link domain"
#endif

namespace zavu {
namespace {

using namespace webview2abi;

template <typename I>
class ComCallback : public I {
public:
    ComCallback() = default;
    ComCallback(const ComCallback&) = delete;
    ComCallback& operator=(const ComCallback&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, I::kIid)) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&count_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&count_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    // Not part of the interface's vtable: the interface has no destructor slot.
    virtual ~ComCallback() = default;

private:
    volatile LONG count_ = 1;
};

// Copies a CoTaskMemAlloc'd string out and frees it; nothing on failure.
bool takeTaskString(HRESULT hr, LPWSTR text, std::wstring& out) {
    if (FAILED(hr) || !text) {
        if (text) ::CoTaskMemFree(text);
        return false;
    }
    out.assign(text);
    ::CoTaskMemFree(text);
    return true;
}

// Runs a handler's body: nothing may unwind into the runtime's frames, and
// every Invoke answers S_OK whatever happened.
template <typename Body>
HRESULT guarded(Body&& body) {
    try {
        body();
    } catch (...) {
        // Only allocation can throw here, or the game's own callback; either
        // way the event is over and the runtime must not see the exception.
    }
    return S_OK;
}

bool startsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool isTelegramLink(const std::wstring& uri) {
    static const std::wstring webLink = L"//" + utf8ToWide(TELEGRAM_WEB_DOMAIN) + L"/";
    return isTelegramSchemeLink(uri) || uri.find(webLink) != std::wstring::npos;
}

// Handlers are registered with the runtime through one of these: it makes the
// object, hands it over and drops the maker's reference, whatever the result.
template <typename Handler, typename Register, typename... Args>
HRESULT handOver(Register&& registerWith, Args... args) {
    ComPtr<Handler> handler(new (std::nothrow) Handler(args...));  // the maker's one reference
    if (!handler) return E_OUTOFMEMORY;
    return registerWith(handler.get());
}

class NavStartingHandler : public ComCallback<ICoreWebView2NavigationStartingEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) override {
        return guarded([&] {
            if (!args) return;
            LPWSTR text = nullptr;
            std::wstring uri;
            const HRESULT hr = args->get_Uri(&text);
            if (!takeTaskString(hr, text, uri)) return;
            WebWindow& s = gWebWindow;

            if (s.intercepting && !s.callbackPrefix.empty() && startsWith(uri, s.callbackPrefix)) {
                args->put_Cancel(TRUE);
                std::function<void(const std::wstring&)> callback = std::move(s.pendingCallback);
                s.pendingCallback = nullptr;
                s.intercepting = false;
                // Hides later, and only if the game has not opened the window again by then.
                if (s.window) ::PostMessageW(s.window, kCloseAfterLoginMessage, s.openingSerial, 0);
                if (callback) callback(uri);
                return;
            }

            if (isTelegramLink(uri)) {
                args->put_Cancel(TRUE);
                // Only a Telegram scheme or a web address goes to the shell, and
                // only when nothing in it can add to the handler's arguments; any
                // other scheme that happens to carry the domain is just refused.
                const ShellLinkVerdict verdict = checkShellLink(uri);
                if (verdict == ShellLinkVerdict::Allowed)
                    ::ShellExecuteW(nullptr, L"open", uri.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                else
                    cocos2d::log("[ZAVU] web view: tu choi lien ket Telegram (%s, %u ky tu)",
                                 shellLinkRefusal(verdict), static_cast<unsigned>(uri.size()));
            }
            return;
        });
    }
};

class NavCompletedHandler : public ComCallback<ICoreWebView2NavigationCompletedEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs*) override {
        return guarded([&] {
            if (!sender) return;
            LPWSTR text = nullptr;
            std::wstring source;
            const HRESULT hr = sender->get_Source(&text);
            if (!takeTaskString(hr, text, source)) return;
            WebWindow& s = gWebWindow;
            if (!shouldRedirectToShop(source)) return;
            s.shopRedirected = true;
            const std::wstring buyPage = L"https://" + utf8ToWide(USER_SITE_HOST) + L"/buypackage.shtml";
            // The package goes in as the game gave it, unescaped: the site expects it so.
            const std::wstring target = s.package == L"__shop" ? buyPage : buyPage + L"?buy=" + s.package;
            sender->Navigate(target.c_str());
            return;
        });
    }
};

class NewWindowHandler : public ComCallback<ICoreWebView2NewWindowRequestedEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) override {
        return guarded([&] {
            if (!args || !sender) return;
            if (FAILED(args->put_NewWindow(sender))) {
                // The runtime would not take the same view as the pop-up: show its
                // page in this view instead of letting it open a window of its own.
                LPWSTR text = nullptr;
                std::wstring uri;
                const HRESULT hr = args->get_Uri(&text);
                if (takeTaskString(hr, text, uri) && !uri.empty()) sender->Navigate(uri.c_str());
            }
            args->put_Handled(TRUE);
            return;
        });
    }
};

class AccelKeyHandler : public ComCallback<ICoreWebView2AcceleratorKeyPressedEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2Controller*, ICoreWebView2AcceleratorKeyPressedEventArgs* args) override {
        return guarded([&] {
            if (!args) return;
            COREWEBVIEW2_KEY_EVENT_KIND kind = COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP;
            UINT key = 0;
            if (FAILED(args->get_KeyEventKind(&kind)) || FAILED(args->get_VirtualKey(&key))) return;
            const bool down =
                kind == COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN || kind == COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN;
            if (down && key == VK_ESCAPE && gWebWindow.window) {
                args->put_Handled(TRUE);
                ::PostMessageW(gWebWindow.window, WM_CLOSE, 0, 0);
            }
            return;
        });
    }
};

// A completion of a creation that was given up (too late, or its window went)
// is not used: a controller it brings is closed, and WebView2 releases it.
bool belongsToCurrentCreation(unsigned serial) {
    const WebWindow& s = gWebWindow;
    return s.creating && serial == s.creationSerial;
}

void endCreation() {
    WebWindow& s = gWebWindow;
    s.creating = false;
    if (s.window) ::KillTimer(s.window, kCreationTimerId);
}

class ControllerHandler : public ComCallback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> {
public:
    explicit ControllerHandler(unsigned creationSerial) : creationSerial_(creationSerial) {}

    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* controller) override {
        return guarded([&] {
            WebWindow& s = gWebWindow;
            if (!belongsToCurrentCreation(creationSerial_) || !s.window) {
                // Given up already, or the window went (with the game window)
                // while the controller was made.
                if (controller) controller->Close();
                return;
            }
            if (FAILED(errorCode) || !controller) {
                giveUpCreation();
                return;
            }
            endCreation();
            s.controller = ComPtr<ICoreWebView2Controller>::retain(controller);
            ICoreWebView2* view = nullptr;
            if (FAILED(controller->get_CoreWebView2(&view))) view = nullptr;
            s.webView.reset(view);
            layoutWebWindow(s.window);
            controller->put_IsVisible(TRUE);

            EventRegistrationToken token;  // never removed, so not kept
            handOver<AccelKeyHandler>(
                [&](AccelKeyHandler* h) { return controller->add_AcceleratorKeyPressed(h, &token); });
            if (!s.webView) return;
            ICoreWebView2* webView = s.webView.get();
            handOver<NavCompletedHandler>(
                [&](NavCompletedHandler* h) { return webView->add_NavigationCompleted(h, &token); });
            handOver<NewWindowHandler>([&](NewWindowHandler* h) { return webView->add_NewWindowRequested(h, &token); });
            handOver<NavStartingHandler>(
                [&](NavStartingHandler* h) { return webView->add_NavigationStarting(h, &token); });
            if (!s.startUrl.empty()) webView->Navigate(s.startUrl.c_str());
            return;
        });
    }

private:
    const unsigned creationSerial_;
};

class EnvHandler : public ComCallback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> {
public:
    explicit EnvHandler(unsigned creationSerial) : creationSerial_(creationSerial) {}

    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* environment) override {
        return guarded([&] {
            WebWindow& s = gWebWindow;
            // A late environment is only borrowed here: not keeping it releases it.
            if (!belongsToCurrentCreation(creationSerial_)) return;
            if (SUCCEEDED(errorCode) && environment && s.window) {
                const unsigned serial = creationSerial_;
                const HRESULT hr = handOver<ControllerHandler>(
                    [&](ControllerHandler* h) { return environment->CreateCoreWebView2Controller(s.window, h); },
                    serial);
                if (SUCCEEDED(hr)) return;
            }
            giveUpCreation();
            return;
        });
    }

private:
    const unsigned creationSerial_;
};

}  // namespace
}  // namespace zavu

webview2abi::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* newEnvironmentHandler(
    unsigned creationSerial) {
    return new (std::nothrow) zavu::EnvHandler(creationSerial);
}
