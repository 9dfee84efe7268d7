// The test double of "WebView2Loader.dll" and of the runtime objects behind
// it, built from the host's own interface declarations. Its control API is
// described in WebView2Double.h. Single-threaded, like the runtime's objects.
#include "WebView2Double.h"

#include "platform/webwindow/WebView2Abi.h"

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

using namespace webview2abi;

#define WV2D_EXPORT extern "C" __declspec(dllexport)

namespace {

struct Script {
    int environment = WV2D_ENV_SUCCEED;
    HRESULT environmentHr = S_OK;
    int controller = WV2D_CONTROLLER_SUCCEED;
    HRESULT controllerHr = S_OK;
    bool posted = true;
    bool autoNavigation = false;
    BOOL canGoBack = FALSE;
    HRESULT canGoBackHr = S_OK;
    bool refuseNewWindow = false;
};

struct Records {
    bool browserFolderGiven = false;
    std::wstring browserFolder;
    bool userDataFolderGiven = false;
    std::wstring userDataFolder;
    int environmentCalls = 0;
    HWND parentWindow = nullptr;
    std::vector<std::wstring> log;
};

class View;
class Controller;

Script gScript;
Records gRecords;
int gLiveObjects = 0;
int gHeldHandlers = 0;
// Where the host broke the COM rules the runtime relies on; see Held.
std::vector<std::wstring> gContractViolations;

void violation(std::wstring what) { gContractViolations.push_back(std::move(what)); }
View* gView = nullptr;              // latest view alive (not owned)
Controller* gController = nullptr;  // latest controller alive (not owned)

void record(std::wstring line) { gRecords.log.push_back(std::move(line)); }

// ---- posting through the creating thread's message queue ----

constexpr UINT kRunPosted = WM_APP + 7;
std::deque<std::function<void()>> gPosted;
HWND gPostWindow = nullptr;

LRESULT CALLBACK postWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunPosted) {
        if (!gPosted.empty()) {
            std::function<void()> task = std::move(gPosted.front());
            gPosted.pop_front();
            task();
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND postWindow() {
    if (gPostWindow && ::IsWindow(gPostWindow)) return gPostWindow;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &postWindowProc;
    wc.hInstance = ::GetModuleHandleW(L"WebView2Loader.dll");
    wc.lpszClassName = L"WebView2DoublePost";
    ::RegisterClassExW(&wc);  // fails harmlessly when already registered
    gPostWindow = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                    nullptr);
    return gPostWindow;
}

// Completions held back until WV2D_DeliverHeld.
std::deque<std::function<void()>> gHeldBack;

void deliver(std::function<void()> task) {
    if (!gScript.posted) {
        task();
        return;
    }
    gPosted.push_back(std::move(task));
    HWND w = postWindow();
    if (!w || !::PostMessageW(w, kRunPosted, 0, 0)) {
        // Without a queue the completion still comes, at once.
        std::function<void()> now = std::move(gPosted.back());
        gPosted.pop_back();
        now();
    }
}

LPWSTR taskString(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (copy) std::memcpy(copy, text.c_str(), bytes);
    return copy;
}

// ---- reference counting ----

template <typename I>
class Object : public I {
public:
    Object() { ++gLiveObjects; }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

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
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~Object() { --gLiveObjects; }

private:
    ULONG count_ = 1;
};

// A foreign interface no handler implements (the view's own).
const IID& foreignIid() { return ICoreWebView2::kIid; }

// One reference of a host handler, held by the double. On the way in it
// queries the handler as the runtime may: its own IID and IUnknown must give
// it (counted), a foreign IID E_NOINTERFACE with a null out pointer, a null
// out pointer E_POINTER. On the way out, when the double holds the last
// reference (the host dropped its own right after handing the handler over),
// that Release must answer 0: anything else is a reference the host leaked.
template <typename H>
class Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { reset(); }
    void set(H* h, bool releaseIsTheLast = true) {
        reset();
        if (!h) return;
        probe(h);
        h->AddRef();
        ++gHeldHandlers;
        h_ = h;
        releaseIsTheLast_ = releaseIsTheLast;
    }
    void reset() {
        if (!h_) return;
        H* h = std::exchange(h_, nullptr);
        --gHeldHandlers;
        const ULONG left = h->Release();
        if (releaseIsTheLast_ && left != 0)
            violation(L"a handler keeps " + std::to_wstring(left) + L" references after the runtime's last Release");
    }
    H* get() const { return h_; }

private:
    static void probe(H* h) {
        void* out = nullptr;
        if (FAILED(h->QueryInterface(H::kIid, &out)) || out != static_cast<void*>(h)) {
            violation(L"QueryInterface of the handler's own IID does not give the handler");
        } else {
            static_cast<IUnknown*>(out)->Release();
        }
        out = nullptr;
        if (FAILED(h->QueryInterface(IID_IUnknown, &out)) || !out) {
            violation(L"QueryInterface of IUnknown fails");
        } else {
            static_cast<IUnknown*>(out)->Release();
        }
        out = reinterpret_cast<void*>(static_cast<INT_PTR>(1));  // must be overwritten with null
        const HRESULT foreign = h->QueryInterface(foreignIid(), &out);
        if (foreign != E_NOINTERFACE || out != nullptr) {
            violation(L"QueryInterface of a foreign IID does not answer E_NOINTERFACE with null");
            if (SUCCEEDED(foreign) && out) static_cast<IUnknown*>(out)->Release();
        }
        if (h->QueryInterface(H::kIid, nullptr) != E_POINTER) violation(L"QueryInterface with a null out pointer");
    }

    H* h_ = nullptr;
    bool releaseIsTheLast_ = true;
};

// ---- event arguments ----

class NavigationStartingArgs : public Object<ICoreWebView2NavigationStartingEventArgs> {
public:
    NavigationStartingArgs(const wchar_t* uri) : hasUri_(uri != nullptr), uri_(uri ? uri : L"") {}
    bool cancelled() const { return cancel_ != FALSE; }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        if (!uri) return E_POINTER;
        if (!hasUri_) {
            *uri = nullptr;
            return E_FAIL;
        }
        *uri = taskString(uri_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* v) override { return v ? (*v = TRUE, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* v) override { return v ? (*v = FALSE, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* v) override { return v ? (*v = cancel_, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL v) override {
        cancel_ = v;
        return S_OK;
    }

private:
    bool hasUri_;
    std::wstring uri_;
    BOOL cancel_ = FALSE;
};

class NavigationCompletedArgs : public Object<ICoreWebView2NavigationCompletedEventArgs> {};

class NewWindowArgs : public Object<ICoreWebView2NewWindowRequestedEventArgs> {
public:
    NewWindowArgs(const wchar_t* uri, ICoreWebView2* raisedBy) : uri_(uri ? uri : L""), raisedBy_(raisedBy) {}
    int answer() const { return answer_; }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
        if (!uri) return E_POINTER;
        *uri = taskString(uri_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* v) override {
        answer_ |= WV2D_NEWWINDOW_ATTEMPTED;
        if (gScript.refuseNewWindow) return E_INVALIDARG;
        answer_ |= (v == raisedBy_) ? WV2D_NEWWINDOW_SAME_VIEW : WV2D_NEWWINDOW_OTHER_VIEW;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** v) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL v) override {
        if (v)
            answer_ |= WV2D_NEWWINDOW_HANDLED;
        else
            answer_ &= ~WV2D_NEWWINDOW_HANDLED;
        return S_OK;
    }

private:
    std::wstring uri_;
    ICoreWebView2* raisedBy_;
    int answer_ = 0;
};

class AcceleratorKeyArgs : public Object<ICoreWebView2AcceleratorKeyPressedEventArgs> {
public:
    AcceleratorKeyArgs(int kind, UINT key) : kind_(kind), key_(key) {}
    bool handled() const { return handled_ != FALSE; }
    HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* v) override {
        if (!v) return E_POINTER;
        *v = static_cast<COREWEBVIEW2_KEY_EVENT_KIND>(kind_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* v) override { return v ? (*v = key_, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* v) override { return v ? (*v = 0, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS* v) override {
        if (!v) return E_POINTER;
        *v = COREWEBVIEW2_PHYSICAL_KEY_STATUS{1, 1, FALSE, FALSE, FALSE, FALSE};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* v) override { return v ? (*v = handled_, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL v) override {
        handled_ = v;
        return S_OK;
    }

private:
    int kind_;
    UINT key_;
    BOOL handled_ = FALSE;
};

// ---- the view ----

#define WV2D_NOT_USED(signature) \
    HRESULT STDMETHODCALLTYPE signature override { return E_NOTIMPL; }

class View : public Object<ICoreWebView2> {
public:
    View() { gView = this; }
    ~View() override {
        if (gView == this) gView = nullptr;
    }
    void dropHandlers() {
        navigationStarting_.reset();
        navigationCompleted_.reset();
        newWindow_.reset();
    }

    int raiseNavigationStarting(const wchar_t* uri) {
        if (!navigationStarting_.get()) return -1;
        auto* args = new NavigationStartingArgs(uri);
        navigationStarting_.get()->Invoke(this, args);
        const int cancelled = args->cancelled() ? 1 : 0;
        args->Release();
        return cancelled;
    }
    int raiseNavigationCompleted(const wchar_t* source) {
        if (source) source_ = source;
        if (!navigationCompleted_.get()) return -1;
        auto* args = new NavigationCompletedArgs();
        navigationCompleted_.get()->Invoke(this, args);
        args->Release();
        return 0;
    }
    int raiseNewWindowRequested(const wchar_t* uri) {
        if (!newWindow_.get()) return -1;
        auto* args = new NewWindowArgs(uri, this);
        newWindow_.get()->Invoke(this, args);
        const int answer = args->answer();
        args->Release();
        return answer;
    }

    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override {
        if (!uri) return E_POINTER;
        *uri = taskString(source_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
        if (!uri) return E_INVALIDARG;
        record(std::wstring(L"Navigate ") + uri);
        if (gScript.autoNavigation) {
            AddRef();  // the posted navigation keeps the view alive
            std::wstring target = uri;
            deliver([this, target] {
                if (raiseNavigationStarting(target.c_str()) != 1) raiseNavigationCompleted(target.c_str());
                Release();
            });
        }
        return S_OK;
    }
    WV2D_NOT_USED(NavigateToString(LPCWSTR))
    HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* h,
                                                     EventRegistrationToken* token) override {
        record(L"add_NavigationStarting");
        return hold(navigationStarting_, h, token);
    }
    WV2D_NOT_USED(remove_NavigationStarting(EventRegistrationToken))
    WV2D_NOT_USED(add_ContentLoading(ICoreWebView2ContentLoadingEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_ContentLoading(EventRegistrationToken))
    WV2D_NOT_USED(add_SourceChanged(ICoreWebView2SourceChangedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_SourceChanged(EventRegistrationToken))
    WV2D_NOT_USED(add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_HistoryChanged(EventRegistrationToken))
    HRESULT STDMETHODCALLTYPE add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* h,
                                                      EventRegistrationToken* token) override {
        record(L"add_NavigationCompleted");
        return hold(navigationCompleted_, h, token);
    }
    WV2D_NOT_USED(remove_NavigationCompleted(EventRegistrationToken))
    WV2D_NOT_USED(add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_FrameNavigationStarting(EventRegistrationToken))
    WV2D_NOT_USED(add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_FrameNavigationCompleted(EventRegistrationToken))
    WV2D_NOT_USED(add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_ScriptDialogOpening(EventRegistrationToken))
    WV2D_NOT_USED(add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_PermissionRequested(EventRegistrationToken))
    WV2D_NOT_USED(add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_ProcessFailed(EventRegistrationToken))
    WV2D_NOT_USED(AddScriptToExecuteOnDocumentCreated(LPCWSTR,
                                                      ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*))
    WV2D_NOT_USED(RemoveScriptToExecuteOnDocumentCreated(LPCWSTR))
    WV2D_NOT_USED(ExecuteScript(LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*))
    WV2D_NOT_USED(CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                                 ICoreWebView2CapturePreviewCompletedHandler*))
    WV2D_NOT_USED(Reload())
    WV2D_NOT_USED(PostWebMessageAsJson(LPCWSTR))
    WV2D_NOT_USED(PostWebMessageAsString(LPCWSTR))
    WV2D_NOT_USED(add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_WebMessageReceived(EventRegistrationToken))
    WV2D_NOT_USED(CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*))
    WV2D_NOT_USED(get_BrowserProcessId(UINT32*))
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* v) override {
        record(L"get_CanGoBack");
        if (!v) return E_POINTER;
        *v = gScript.canGoBack;
        return gScript.canGoBackHr;
    }
    WV2D_NOT_USED(get_CanGoForward(BOOL*))
    HRESULT STDMETHODCALLTYPE GoBack() override {
        record(L"GoBack");
        return S_OK;
    }
    WV2D_NOT_USED(GoForward())
    WV2D_NOT_USED(GetDevToolsProtocolEventReceiver(LPCWSTR, ICoreWebView2DevToolsProtocolEventReceiver**))
    WV2D_NOT_USED(Stop())
    HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* h,
                                                     EventRegistrationToken* token) override {
        record(L"add_NewWindowRequested");
        return hold(newWindow_, h, token);
    }

private:
    template <typename H>
    static HRESULT hold(Held<H>& slot, H* h, EventRegistrationToken* token) {
        if (!h || !token) return E_INVALIDARG;
        slot.set(h);
        token->value = 1;
        return S_OK;
    }

    std::wstring source_;
    Held<ICoreWebView2NavigationStartingEventHandler> navigationStarting_;
    Held<ICoreWebView2NavigationCompletedEventHandler> navigationCompleted_;
    Held<ICoreWebView2NewWindowRequestedEventHandler> newWindow_;
};

// ---- the controller ----

class Controller : public Object<ICoreWebView2Controller> {
public:
    explicit Controller(bool withView) : view_(withView ? new View() : nullptr) { gController = this; }
    ~Controller() override {
        if (gController == this) gController = nullptr;
        if (view_) view_->Release();
    }
    View* view() const { return closed_ ? nullptr : view_; }

    int raiseAcceleratorKey(int kind, UINT key) {
        if (!acceleratorKey_.get()) return -1;
        auto* args = new AcceleratorKeyArgs(kind, key);
        acceleratorKey_.get()->Invoke(this, args);
        const int handled = args->handled() ? 1 : 0;
        args->Release();
        return handled;
    }

    WV2D_NOT_USED(get_IsVisible(BOOL*))
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL v) override {
        record(std::wstring(L"put_IsVisible ") + (v ? L"1" : L"0"));
        return S_OK;
    }
    WV2D_NOT_USED(get_Bounds(RECT*))
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override {
        wchar_t line[96];
        std::swprintf(line, 96, L"put_Bounds %ld,%ld,%ld,%ld", static_cast<long>(r.left), static_cast<long>(r.top),
                      static_cast<long>(r.right), static_cast<long>(r.bottom));
        record(line);
        return S_OK;
    }
    WV2D_NOT_USED(get_ZoomFactor(double*))
    WV2D_NOT_USED(put_ZoomFactor(double))
    WV2D_NOT_USED(add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_ZoomFactorChanged(EventRegistrationToken))
    WV2D_NOT_USED(SetBoundsAndZoomFactor(RECT, double))
    WV2D_NOT_USED(MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON))
    WV2D_NOT_USED(add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_MoveFocusRequested(EventRegistrationToken))
    WV2D_NOT_USED(add_GotFocus(ICoreWebView2FocusChangedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_GotFocus(EventRegistrationToken))
    WV2D_NOT_USED(add_LostFocus(ICoreWebView2FocusChangedEventHandler*, EventRegistrationToken*))
    WV2D_NOT_USED(remove_LostFocus(EventRegistrationToken))
    HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* h,
                                                        EventRegistrationToken* token) override {
        record(L"add_AcceleratorKeyPressed");
        if (!h || !token) return E_INVALIDARG;
        acceleratorKey_.set(h);
        token->value = 2;
        return S_OK;
    }
    WV2D_NOT_USED(remove_AcceleratorKeyPressed(EventRegistrationToken))
    WV2D_NOT_USED(get_ParentWindow(HWND*))
    WV2D_NOT_USED(put_ParentWindow(HWND))
    WV2D_NOT_USED(NotifyParentWindowPositionChanged())
    // Like the runtime: Close ends the browser and drops every event handler.
    HRESULT STDMETHODCALLTYPE Close() override {
        record(L"Close");
        closed_ = true;
        acceleratorKey_.reset();
        if (view_) view_->dropHandlers();
        if (gController == this) gController = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** v) override {
        if (!v) return E_POINTER;
        *v = view_;
        if (view_) view_->AddRef();
        return S_OK;
    }

private:
    View* view_;
    bool closed_ = false;
    Held<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorKey_;
};

// ---- the environment ----

class Environment : public Object<ICoreWebView2Environment> {
public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
        record(L"CreateCoreWebView2Controller");
        gRecords.parentWindow = parent;
        if (!handler) return E_INVALIDARG;
        const int outcome = gScript.controller;
        const HRESULT hr = gScript.controllerHr;
        if (outcome == WV2D_CONTROLLER_FAIL_AT_ONCE) return hr;
        auto held = std::make_shared<Held<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>>();
        // Delivered inside the call, the completion ends before the host drops its own reference.
        held->set(handler, gScript.posted || outcome == WV2D_CONTROLLER_HOLD);
        AddRef();  // the environment lives until its controller is handed out
        auto complete = [this, held, outcome, hr] {
            Controller* controller = nullptr;
            HRESULT code = S_OK;
            if (outcome == WV2D_CONTROLLER_FAIL_LATER)
                code = hr;
            else if (outcome != WV2D_CONTROLLER_NULL)
                controller = new Controller(outcome != WV2D_CONTROLLER_WITHOUT_VIEW);
            held->get()->Invoke(code, controller);
            if (controller) controller->Release();
            held->reset();
            Release();
        };
        if (outcome == WV2D_CONTROLLER_HOLD)
            gHeldBack.push_back(complete);
        else
            deliver(complete);
        return S_OK;
    }
};

}  // namespace

// ---- the loader entry ----

#ifndef WV2D_WITHOUT_LOADER_ENTRY
WV2D_EXPORT HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
// The host calls this entry through its own type: the two must agree, calling convention included.
static_assert(std::is_same<decltype(&CreateCoreWebView2EnvironmentWithOptions),
                           webview2abi::CreateEnvironmentWithOptionsFn>::value,
              "the loader entry is not of the type the host calls it through");

WV2D_EXPORT HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    ++gRecords.environmentCalls;
    // As the runtime: only a single-threaded apartment may create an environment.
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    const HRESULT apartment = ::CoGetApartmentType(&type, &qualifier);
    if (apartment == CO_E_NOTINITIALIZED) return CO_E_NOTINITIALIZED;
    if (FAILED(apartment) || (type != APTTYPE_STA && type != APTTYPE_MAINSTA)) return RPC_E_CHANGED_MODE;
    gRecords.browserFolderGiven = browserExecutableFolder != nullptr;
    gRecords.browserFolder = browserExecutableFolder ? browserExecutableFolder : L"";
    gRecords.userDataFolderGiven = userDataFolder != nullptr;
    gRecords.userDataFolder = userDataFolder ? userDataFolder : L"";
    if (!handler) return E_INVALIDARG;
    const int outcome = gScript.environment;
    const HRESULT hr = gScript.environmentHr;
    if (outcome == WV2D_ENV_FAIL_AT_ONCE) return hr;
    auto held = std::make_shared<Held<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>>();
    held->set(handler, gScript.posted || outcome == WV2D_ENV_HOLD);
    auto complete = [held, outcome, hr] {
        const bool succeed = outcome == WV2D_ENV_SUCCEED || outcome == WV2D_ENV_HOLD;
        Environment* environment = succeed ? new Environment() : nullptr;
        held->get()->Invoke(outcome == WV2D_ENV_FAIL_LATER ? hr : S_OK, environment);
        if (environment) environment->Release();
        held->reset();
    };
    if (outcome == WV2D_ENV_HOLD)
        gHeldBack.push_back(complete);
    else
        deliver(complete);
    return S_OK;
}
#endif

// ---- the control API ----

namespace {
int copyOut(const std::wstring& text, wchar_t* buffer, int capacity) {
    if (buffer && capacity > 0) {
        const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(capacity - 1));
        std::wmemcpy(buffer, text.c_str(), n);
        buffer[n] = L'\0';
    }
    return static_cast<int>(text.size());
}
}  // namespace

WV2D_EXPORT void WV2D_Reset(void) {
    gScript = Script();
    gRecords = Records();
    gContractViolations.clear();
}
WV2D_EXPORT int WV2D_ContractViolations(void) { return static_cast<int>(gContractViolations.size()); }
WV2D_EXPORT int WV2D_ContractViolation(int index, wchar_t* buffer, int capacity) {
    if (index < 0 || index >= static_cast<int>(gContractViolations.size())) return -1;
    return copyOut(gContractViolations[static_cast<size_t>(index)], buffer, capacity);
}
WV2D_EXPORT void WV2D_ScriptEnvironment(int outcome, HRESULT hr) {
    gScript.environment = outcome;
    gScript.environmentHr = hr;
}
WV2D_EXPORT void WV2D_ScriptController(int outcome, HRESULT hr) {
    gScript.controller = outcome;
    gScript.controllerHr = hr;
}
WV2D_EXPORT void WV2D_SetDelivery(int posted) { gScript.posted = posted != 0; }
WV2D_EXPORT void WV2D_SetAutoNavigation(int on) { gScript.autoNavigation = on != 0; }
WV2D_EXPORT void WV2D_SetCanGoBack(BOOL value, HRESULT hr) {
    gScript.canGoBack = value;
    gScript.canGoBackHr = hr;
}
WV2D_EXPORT void WV2D_SetRefuseNewWindow(int refuse) { gScript.refuseNewWindow = refuse != 0; }
WV2D_EXPORT int WV2D_PendingPosts(void) { return static_cast<int>(gPosted.size()); }
WV2D_EXPORT int WV2D_DeliverHeld(void) {
    int delivered = 0;
    while (!gHeldBack.empty()) {
        std::function<void()> task = std::move(gHeldBack.front());
        gHeldBack.pop_front();
        task();
        ++delivered;
    }
    return delivered;
}
WV2D_EXPORT int WV2D_LogSize(void) { return static_cast<int>(gRecords.log.size()); }
WV2D_EXPORT int WV2D_LogEntry(int index, wchar_t* buffer, int capacity) {
    if (index < 0 || index >= static_cast<int>(gRecords.log.size())) return -1;
    return copyOut(gRecords.log[static_cast<size_t>(index)], buffer, capacity);
}
WV2D_EXPORT int WV2D_BrowserFolder(wchar_t* buffer, int capacity) {
    return gRecords.browserFolderGiven ? copyOut(gRecords.browserFolder, buffer, capacity) : -1;
}
WV2D_EXPORT int WV2D_UserDataFolder(wchar_t* buffer, int capacity) {
    return gRecords.userDataFolderGiven ? copyOut(gRecords.userDataFolder, buffer, capacity) : -1;
}
WV2D_EXPORT int WV2D_EnvironmentCalls(void) { return gRecords.environmentCalls; }
WV2D_EXPORT HWND WV2D_ParentWindow(void) { return gRecords.parentWindow; }
WV2D_EXPORT int WV2D_RaiseNavigationStarting(const wchar_t* uri) {
    View* v = gController ? gController->view() : nullptr;
    return v ? v->raiseNavigationStarting(uri) : -1;
}
WV2D_EXPORT int WV2D_RaiseNavigationCompleted(const wchar_t* source) {
    View* v = gController ? gController->view() : nullptr;
    return v ? v->raiseNavigationCompleted(source) : -1;
}
WV2D_EXPORT int WV2D_RaiseNewWindowRequested(const wchar_t* uri) {
    View* v = gController ? gController->view() : nullptr;
    return v ? v->raiseNewWindowRequested(uri) : -1;
}
WV2D_EXPORT int WV2D_RaiseAcceleratorKey(int kind, UINT virtualKey) {
    return gController ? gController->raiseAcceleratorKey(kind, virtualKey) : -1;
}
WV2D_EXPORT int WV2D_LiveObjects(void) { return gLiveObjects; }
WV2D_EXPORT int WV2D_HeldHandlers(void) { return gHeldHandlers; }
