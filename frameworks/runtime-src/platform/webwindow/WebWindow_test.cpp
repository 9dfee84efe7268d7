// The web window's life cycle and navigation rules, against the WebView2
// test double, with a real game window.
#include "platform/webwindow/WebWindow.h"
#include "platform/webwindow/WebWindowTestSupport.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"

#include <gmock/gmock.h>

#include <memory>
#include <utility>
#include <vector>

using namespace webwindow_testing;
using ::testing::ElementsAre;

namespace {

// Records every result it gets; counts its own copies so a test can see the
// callback was released.
struct Results {
    std::vector<std::string> got;
};
std::function<void(const std::string&)> recorder(const std::shared_ptr<Results>& results) {
    return [results](const std::string& r) { results->got.push_back(r); };
}

std::vector<std::wstring> only(const std::vector<std::wstring>& lines, const std::wstring& prefix) {
    std::vector<std::wstring> out;
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

// The WM_ACTIVATE messages this thread's windows are sent while it lives. The
// foreground window belongs to the whole display, which the windows of other
// tests share under ctest -j; that a window of ours was activated is ours alone.
class ActivationRecorder {
public:
    ActivationRecorder() : hook_(::SetWindowsHookExW(WH_CALLWNDPROC, &record, nullptr, ::GetCurrentThreadId())) {
        current() = this;
    }
    ~ActivationRecorder() {
        if (hook_) ::UnhookWindowsHookEx(hook_);
        current() = nullptr;
    }
    ActivationRecorder(const ActivationRecorder&) = delete;
    ActivationRecorder& operator=(const ActivationRecorder&) = delete;
    bool hooked() const { return hook_ != nullptr; }
    bool activated(HWND window) const {
        for (const auto& seen : seen_)
            if (seen.first == window && LOWORD(seen.second) != WA_INACTIVE) return true;
        return false;
    }

private:
    static LRESULT CALLBACK record(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->message == WM_ACTIVATE && current())
            current()->seen_.emplace_back(sent->hwnd, sent->wParam);
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static ActivationRecorder*& current() {
        static ActivationRecorder* recorder = nullptr;
        return recorder;
    }
    HHOOK hook_;
    std::vector<std::pair<HWND, WPARAM>> seen_;
};

const std::string kLoginUrl = "https://login.example.test/start";
const std::string kPrefix = "https://game.example.test/callback";

}  // namespace

TEST_F(WebWindowTest, FirstOpeningMakesTheViewRegistersHandlersThenNavigates) {
    ASSERT_TRUE(openWebWindow("https://pay.example.test/a", ""));
    EXPECT_TRUE(gWebWindow.creating);
    EXPECT_TRUE(visible()) << "shown at once, before the view exists";
    EXPECT_TRUE(api.log().empty()) << "nothing is delivered inside the opening call";
    // A second opening while the view is being made is accepted and changes nothing.
    EXPECT_TRUE(openWebWindow("https://pay.example.test/b", "pkg"));
    EXPECT_TRUE(gWebWindow.package.empty());

    ASSERT_TRUE(pumpUntil([&] { return viewReady() && !only(log(), L"Navigate").empty(); }));
    RECT client;
    ASSERT_TRUE(::GetClientRect(gWebWindow.window, &client));
    const std::wstring bounds = L"put_Bounds 0,52," + std::to_wstring(client.right) + L"," +
                                std::to_wstring(std::max<LONG>(client.bottom, 52));
    EXPECT_THAT(log(), ElementsAre(L"CreateCoreWebView2Controller", bounds, L"put_IsVisible 1",
                                   L"add_AcceleratorKeyPressed", L"add_NavigationCompleted", L"add_NewWindowRequested",
                                   L"add_NavigationStarting", L"Navigate https://pay.example.test/a"));
    EXPECT_EQ(api.environmentCalls(), 1);
    EXPECT_EQ(api.parentWindow(), gWebWindow.window);
    EXPECT_EQ(api.browser(), L"<null>");
    EXPECT_EQ(api.userData(), appData.path() + L"\\ZAVU\\WebView2");
    EXPECT_EQ(gWebWindow.parentWindow, gameWindow());
    EXPECT_EQ(::GetWindow(gWebWindow.window, GW_OWNER), gameWindow());
}

TEST_F(WebWindowTest, WithoutLocalAppDataTheLoaderGetsNoUserDataFolder) {
    ::_wputenv(L"LOCALAPPDATA=");
    openReady("https://pay.example.test/a");
    EXPECT_EQ(api.userData(), L"<null>");
}

TEST_F(WebWindowTest, EmptyUrlIsRefusedAndLeavesTheWindowAsItIs) {
    EXPECT_FALSE(openWebWindow("", "pkg"));
    EXPECT_EQ(gWebWindow.window, nullptr);
    EXPECT_EQ(api.environmentCalls(), 0);
    openReady("https://pay.example.test/a", "p1");
    EXPECT_FALSE(openWebWindow("", "p2"));
    EXPECT_TRUE(visible());
    EXPECT_EQ(gWebWindow.package, L"p1");
}

TEST_F(WebWindowTest, CloseHidesAndTheNextOpeningReusesWindowAndView) {
    openReady("https://pay.example.test/a");
    HWND first = gWebWindow.window;
    size_t mark = api.logSize();
    ActivationRecorder activations;
    ASSERT_TRUE(activations.hooked());
    ::SendMessageW(first, WM_CLOSE, 0, 0);
    EXPECT_FALSE(visible());
    EXPECT_THAT(logSince(mark), ElementsAre(L"put_IsVisible 0", L"Navigate about:blank"));
    EXPECT_TRUE(activations.activated(gameWindow())) << "the game comes back to the front";

    mark = api.logSize();
    ASSERT_TRUE(openWebWindow("https://pay.example.test/b", ""));
    EXPECT_TRUE(visible());
    EXPECT_EQ(gWebWindow.window, first);
    EXPECT_EQ(api.environmentCalls(), 1) << "no new environment";
    const auto lines = logSince(mark);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), L"put_IsVisible 1");
    EXPECT_EQ(lines.back(), L"Navigate https://pay.example.test/b");
}

TEST_F(WebWindowTest, LoginRoadInterceptsThePrefixOnceAndHidesTheWindow) {
    auto results = std::make_shared<Results>();
    ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
    EXPECT_TRUE(gWebWindow.intercepting);
    ASSERT_TRUE(pumpUntil([&] { return viewReady() && lastNavigation(log()) == utf8ToWide(kLoginUrl); }));

    // Letter case counts, and a shorter URI never matches.
    EXPECT_EQ(api.raiseNavigationStarting(L"HTTPS://GAME.EXAMPLE.TEST/callback?x=1"), 0);
    EXPECT_EQ(api.raiseNavigationStarting(L"https://game.example.test/call"), 0);
    EXPECT_EQ(api.raiseNavigationStarting(nullptr), 0) << "a URI that cannot be read is allowed";
    EXPECT_TRUE(results->got.empty());

    const std::wstring answer = L"https://game.example.test/callback?code=1000&userid=7&sign=%C3%A1";
    const size_t mark = api.logSize();
    EXPECT_EQ(api.raiseNavigationStarting(answer.c_str()), 1) << "the intercepted navigation is cancelled";
    ASSERT_EQ(results->got.size(), 1u);
    EXPECT_EQ(results->got[0], wideToUtf8(answer));
    EXPECT_FALSE(gWebWindow.intercepting);
    EXPECT_TRUE(visible()) << "the window hides later, from a posted message";

    ASSERT_TRUE(pumpUntil([&] { return !visible(); }));
    EXPECT_THAT(logSince(mark), ElementsAre(L"put_IsVisible 0", L"Navigate about:blank"));
    // A further match, or a close, answers nothing more.
    EXPECT_EQ(api.raiseNavigationStarting(answer.c_str()), 0);
    ::SendMessageW(gWebWindow.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(results->got.size(), 1u);
    EXPECT_EQ(results.use_count(), 1) << "the login's callback is released";
}

TEST_F(WebWindowTest, ExactlyThePrefixIsIntercepted) {
    auto results = std::make_shared<Results>();
    ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
    ASSERT_TRUE(pumpUntil([&] { return viewReady(); }));
    EXPECT_EQ(api.raiseNavigationStarting(utf8ToWide(kPrefix).c_str()), 1);
    EXPECT_THAT(results->got, ElementsAre(kPrefix));
}

TEST_F(WebWindowTest, EveryWayOfClosingDuringALoginAnswersEmptyOnce) {
    struct Case {
        const char* name;
        std::function<void()> close;
    };
    const Case cases[] = {
        {"window close", [] { ::PostMessageW(gWebWindow.window, WM_CLOSE, 0, 0); }},
        {"system close", [] { ::PostMessageW(gWebWindow.window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"the close button", [] { ::SendMessageW(gWebWindow.closeButton, BM_CLICK, 0, 0); }},
        {"Esc key down", [] { EXPECT_EQ(api.raiseAcceleratorKey(0, VK_ESCAPE), 1); }},
        {"Esc system key down", [] { EXPECT_EQ(api.raiseAcceleratorKey(2, VK_ESCAPE), 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto results = std::make_shared<Results>();
        ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
        ASSERT_TRUE(pumpUntil([&] { return viewReady() && lastNavigation(log()) == utf8ToWide(kLoginUrl); }));
        c.close();
        ASSERT_TRUE(pumpUntil([&] { return !visible(); }));
        EXPECT_THAT(results->got, ElementsAre(""));
        EXPECT_EQ(lastNavigation(log()), L"about:blank");
        ::SendMessageW(gWebWindow.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(results->got.size(), 1u) << "nothing after the first answer";
        EXPECT_EQ(results.use_count(), 1);
    }
}

TEST_F(WebWindowTest, OtherKeysAndKeyUpsDoNotClose) {
    openReady("https://pay.example.test/a");
    EXPECT_EQ(api.raiseAcceleratorKey(1, VK_ESCAPE), 0) << "key up";
    EXPECT_EQ(api.raiseAcceleratorKey(3, VK_ESCAPE), 0) << "system key up";
    EXPECT_EQ(api.raiseAcceleratorKey(0, VK_RETURN), 0);
    pumpFor(200);
    EXPECT_TRUE(visible());
}

TEST_F(WebWindowTest, NewerLoginReplacesThePendingOneWhoseCallbackIsNeverCalled) {
    auto older = std::make_shared<Results>();
    auto newer = std::make_shared<Results>();
    ASSERT_TRUE(openWebLogin(kLoginUrl, "https://old.example.test/cb", recorder(older)));
    ASSERT_TRUE(pumpUntil([&] { return viewReady(); }));
    ASSERT_TRUE(openWebLogin("https://login.example.test/again", kPrefix, recorder(newer)));
    EXPECT_EQ(older.use_count(), 1) << "the older callback is released at once";
    EXPECT_EQ(api.raiseNavigationStarting(L"https://old.example.test/cb?x"), 0) << "the older prefix is gone";
    EXPECT_EQ(api.raiseNavigationStarting(L"https://game.example.test/callback?ok"), 1);
    EXPECT_TRUE(older->got.empty());
    EXPECT_THAT(newer->got, ElementsAre("https://game.example.test/callback?ok"));
}

TEST_F(WebWindowTest, ACallbackThatReopensTheWindowIsNotHiddenByTheLoginsClose) {
    auto results = std::make_shared<Results>();
    const std::string next = userSiteUtf8() + "/after-login";
    ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, [&](const std::string& r) {
        results->got.push_back(r);
        EXPECT_TRUE(openWebWindow(next, ""));
    }));
    ASSERT_TRUE(pumpUntil([&] { return viewReady(); }));
    EXPECT_EQ(api.raiseNavigationStarting(L"https://game.example.test/callback?ok"), 1);
    pumpFor(300);
    EXPECT_EQ(results->got.size(), 1u);
    EXPECT_TRUE(visible());
    EXPECT_EQ(lastNavigation(log()), utf8ToWide(next));
}

TEST_F(WebWindowTest, ARetryFromTheCloseCallbackStaysShownOnItsOwnPage) {
    struct Close {
        const char* name;
        std::function<void()> close;
    };
    const Close closes[] = {
        {"title-bar close", [] { ::SendMessageW(gWebWindow.window, WM_CLOSE, 0, 0); }},
        {"Esc", [] { api.raiseAcceleratorKey(0, VK_ESCAPE); }},
        {"Ve game", [] { ::SendMessageW(gWebWindow.closeButton, BM_CLICK, 0, 0); }},
    };
    struct Retry {
        const char* name;
        std::string url;
        bool login;
    };
    const Retry retries[] = {
        {"a new login", "https://login.example.test/retry", true},
        {"the top-up page", userSiteUtf8() + "/pay.php", false},
    };
    for (const Close& c : closes) {
        for (const Retry& r : retries) {
            SCOPED_TRACE(std::string(c.name) + ", " + r.name);
            auto first = std::make_shared<Results>();
            auto second = std::make_shared<Results>();
            ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, [&, first, second](const std::string& result) {
                first->got.push_back(result);
                if (r.login)
                    EXPECT_TRUE(openWebLogin(r.url, kPrefix, recorder(second)));
                else
                    EXPECT_TRUE(openWebWindow(r.url, "pkg"));
            }));
            ASSERT_TRUE(pumpUntil([&] { return viewReady() && lastNavigation(log()) == utf8ToWide(kLoginUrl); }));
            const size_t mark = api.logSize();
            c.close();
            ASSERT_TRUE(pumpUntil([&] { return !first->got.empty(); }));
            pumpFor(200);  // a posted close, were there one, comes in
            EXPECT_THAT(first->got, ElementsAre(""));
            EXPECT_TRUE(visible()) << "the reopening is not hidden by the rest of the close";
            const auto lines = logSince(mark);
            EXPECT_EQ(lastNavigation(lines), utf8ToWide(r.url));
            EXPECT_TRUE(only(lines, L"put_IsVisible 0").empty());
            EXPECT_TRUE(only(lines, L"Navigate about:blank").empty());
            EXPECT_EQ(gWebWindow.intercepting, r.login);
            if (r.login) {
                EXPECT_EQ(api.raiseNavigationStarting(utf8ToWide(kPrefix + "?again").c_str()), 1);
                EXPECT_THAT(second->got, ElementsAre(kPrefix + "?again")) << "the retry gets its own answer";
            }
            ::SendMessageW(gWebWindow.window, WM_CLOSE, 0, 0);
            EXPECT_FALSE(visible());
        }
    }
}

TEST_F(WebWindowTest, AnOpeningAfterTheBlankWindowWasClosedDuringTheFirstCreationShowsItAgain) {
    struct Case {
        const char* name;
        std::function<bool(const std::shared_ptr<Results>&)> open;
    };
    const Case cases[] = {
        {"a login", [](const std::shared_ptr<Results>& r) { return openWebLogin(kLoginUrl, kPrefix, recorder(r)); }},
        {"the top-up page", [](const std::shared_ptr<Results>&) { return openWebWindow("https://pay.example.test/b", "p"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(openWebWindow("https://pay.example.test/first", ""));
        ASSERT_TRUE(gWebWindow.creating);
        ::SendMessageW(gWebWindow.window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(visible());
        auto results = std::make_shared<Results>();
        ASSERT_TRUE(c.open(results));
        EXPECT_TRUE(visible()) << "shown again while the view is still being made";
        ASSERT_TRUE(pumpUntil([&] { return viewReady() && !only(log(), L"Navigate").empty(); }));
        EXPECT_TRUE(visible());
        EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/first") << "the first opening's URL";
        ::DestroyWindow(gWebWindow.window);  // the next case makes its view anew
        api.reset();
    }
}

TEST_F(WebWindowTest, ACreationThatNeverCompletesIsGivenUpAndItsLateCompletionIsNotUsed) {
    struct Case {
        const char* name;
        int environment;
        int controller;
        std::vector<std::wstring> lateCalls;  // what the late completion makes the host ask
    };
    const Case cases[] = {
        {"environment", WV2D_ENV_HOLD, WV2D_CONTROLLER_SUCCEED, {}},
        {"controller", WV2D_ENV_SUCCEED, WV2D_CONTROLLER_HOLD, {L"Close"}},
    };
    gWebWindow.creationLimitMs = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        api.scriptEnvironment(c.environment, S_OK);
        api.scriptController(c.controller, S_OK);
        auto results = std::make_shared<Results>();
        ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
        // An opening meanwhile is accepted and waits with the first.
        EXPECT_TRUE(openWebWindow("https://pay.example.test/meanwhile", ""));
        ASSERT_TRUE(pumpUntil([] { return gWebWindow.window == nullptr; })) << "given up at the limit";
        EXPECT_FALSE(gWebWindow.creating);
        EXPECT_FALSE(gWebWindow.intercepting);
        EXPECT_THAT(results->got, ElementsAre("")) << "the waiting login is answered, once";
        EXPECT_EQ(results.use_count(), 1);

        // The next opening starts over with a new window and environment.
        api.scriptEnvironment(WV2D_ENV_SUCCEED, S_OK);
        api.scriptController(WV2D_CONTROLLER_SUCCEED, S_OK);
        const int calls = api.environmentCalls();
        openReady("https://pay.example.test/after");
        EXPECT_EQ(api.environmentCalls(), calls + 1);

        // The runtime answers the abandoned creation at last: it is closed, not used.
        const auto* controller = gWebWindow.controller.get();
        const auto* view = gWebWindow.webView.get();
        const size_t mark = api.logSize();
        EXPECT_EQ(api.deliverHeld(), 1);
        EXPECT_EQ(logSince(mark), c.lateCalls);
        EXPECT_EQ(gWebWindow.controller.get(), controller) << "the current controller and view are kept";
        EXPECT_EQ(gWebWindow.webView.get(), view);
        EXPECT_TRUE(viewReady());
        EXPECT_TRUE(visible());
        EXPECT_EQ(results->got.size(), 1u);
        ::DestroyWindow(gWebWindow.window);
        pumpUntil([] { return api.pendingPosts() == 0; });
    }
}

TEST_F(WebWindowTest, ALoginDuringTheFirstCreationSwitchesModeButShowsTheFirstUrl) {
    ASSERT_TRUE(openWebWindow("https://pay.example.test/first", ""));
    auto results = std::make_shared<Results>();
    ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
    EXPECT_TRUE(gWebWindow.intercepting);
    ASSERT_TRUE(pumpUntil([&] { return viewReady() && !only(log(), L"Navigate").empty(); }));
    EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/first");
    EXPECT_EQ(api.raiseNavigationStarting(L"https://game.example.test/callback"), 1);
    EXPECT_EQ(results->got.size(), 1u);
}

TEST_F(WebWindowTest, ShopRedirectTable) {
    const std::wstring site = userSite();
    const std::wstring buy = site + L"/buypackage.shtml";
    struct Case {
        const char* package;
        std::vector<std::wstring> completed;  // sources of completed navigations, in order
        std::vector<std::wstring> redirects;  // the Navigate calls they cause
    };
    const Case cases[] = {
        {"__shop", {site + L"/home"}, {buy}},
        {"goi 1&x=2", {site + L"/home"}, {buy + L"?buy=goi 1&x=2"}},  // not escaped
        {"", {site + L"/home"}, {}},
        {"p", {L"https://other.example.test/x"}, {}},
        {"p", {site + L"/login.php?next=1", site + L"/buypackage.shtml", site + L"/account"}, {buy + L"?buy=p"}},
        {"p", {site + L"/a", buy + L"?buy=p", site + L"/b"}, {buy + L"?buy=p"}},  // only once
        {"p", {L""}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.package);
        openReady("https://pay.example.test/open", c.package);
        const size_t mark = api.logSize();
        for (const auto& source : c.completed) EXPECT_EQ(api.raiseNavigationCompleted(source.c_str()), 0);
        std::vector<std::wstring> expected;
        for (const auto& r : c.redirects) expected.push_back(L"Navigate " + r);
        EXPECT_EQ(logSince(mark), expected);
        ::SendMessageW(gWebWindow.window, WM_CLOSE, 0, 0);
    }
}

TEST_F(WebWindowTest, ALoginNeverRedirectsToTheShop) {
    auto results = std::make_shared<Results>();
    openReady("https://pay.example.test/open", "__shop");
    ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
    const size_t mark = api.logSize();
    EXPECT_EQ(api.raiseNavigationCompleted((userSite() + L"/home").c_str()), 0);
    EXPECT_EQ(api.raiseNavigationStarting(L"https://game.example.test/callback"), 1);
    EXPECT_EQ(api.raiseNavigationCompleted((userSite() + L"/home").c_str()), 0) << "after the login either";
    EXPECT_TRUE(only(logSince(mark), L"Navigate").empty());
}

TEST_F(WebWindowTest, TheRedirectFollowsTheRealNavigationRoad) {
    api.setAutoNavigation(1);
    const std::string start = userSiteUtf8() + "/index.php";
    ASSERT_TRUE(openWebWindow(start, "vip"));
    const std::wstring buy = userSite() + L"/buypackage.shtml?buy=vip";
    ASSERT_TRUE(pumpUntil([&] { return lastNavigation(log()) == buy; }));
    pumpUntil([] { return api.pendingPosts() == 0; });
    EXPECT_EQ(only(log(), L"Navigate"),
              (std::vector<std::wstring>{L"Navigate " + utf8ToWide(start), L"Navigate " + buy}));
}

TEST_F(WebWindowTest, NewWindowRequestsStayInTheSameView) {
    openReady("https://pay.example.test/a");
    EXPECT_EQ(api.raiseNewWindowRequested(L"https://pay.example.test/popup"),
              WV2D_NEWWINDOW_ATTEMPTED | WV2D_NEWWINDOW_SAME_VIEW | WV2D_NEWWINDOW_HANDLED);
    EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/a");

    // A runtime that will not take the same view: the page is shown in it instead.
    api.setRefuseNewWindow(1);
    EXPECT_EQ(api.raiseNewWindowRequested(L"https://pay.example.test/popup"),
              WV2D_NEWWINDOW_ATTEMPTED | WV2D_NEWWINDOW_HANDLED);
    EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/popup");
}

TEST_F(WebWindowTest, BackAndHomeButtons) {
    openReady("https://pay.example.test/a");
    struct Case {
        BOOL canGoBack;
        HRESULT hr;
        bool goesBack;
    };
    for (const Case& c : {Case{FALSE, S_OK, false}, Case{TRUE, S_OK, true}, Case{TRUE, E_FAIL, false}}) {
        api.setCanGoBack(c.canGoBack, c.hr);
        const size_t mark = api.logSize();
        ::SendMessageW(gWebWindow.backButton, BM_CLICK, 0, 0);
        std::vector<std::wstring> expected = {L"get_CanGoBack"};
        if (c.goesBack) expected.push_back(L"GoBack");
        EXPECT_EQ(logSince(mark), expected) << "can go back " << c.canGoBack << ", hr " << c.hr;
    }
    size_t mark = api.logSize();
    ::SendMessageW(gWebWindow.homeButton, BM_CLICK, 0, 0);
    EXPECT_THAT(logSince(mark), ElementsAre(L"Navigate " + userSite() + L"/"));

    auto results = std::make_shared<Results>();
    ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
    mark = api.logSize();
    ::SendMessageW(gWebWindow.homeButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(logSince(mark).empty()) << "Home does nothing in a login";
}

TEST_F(WebWindowTest, ResizingMovesTheViewBelowTheToolbar) {
    openReady("https://pay.example.test/a");
    for (const int clientHeight : {600, 30}) {
        RECT want = {0, 0, 700, clientHeight};
        ::AdjustWindowRectEx(&want, static_cast<DWORD>(::GetWindowLongW(gWebWindow.window, GWL_STYLE)), FALSE, 0);
        const size_t mark = api.logSize();
        ::SetWindowPos(gWebWindow.window, nullptr, 0, 0, want.right - want.left, want.bottom - want.top,
                       SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        ASSERT_TRUE(::GetClientRect(gWebWindow.window, &client));
        if (clientHeight < 52) {
            EXPECT_LT(client.bottom, 52) << "the window could not be made low enough";
        }
        const auto bounds = only(logSince(mark), L"put_Bounds");
        ASSERT_FALSE(bounds.empty());
        EXPECT_EQ(bounds.back(), L"put_Bounds 0,52," + std::to_wstring(client.right) + L"," +
                                     std::to_wstring(std::max<LONG>(client.bottom, 52)))
            << "client height " << client.bottom;
    }
}

// ---- failures of the web view's creation ----

TEST_F(WebWindowTest, EnvironmentRefusedAtOnceHidesTheWindowAndFails) {
    api.scriptEnvironment(WV2D_ENV_FAIL_AT_ONCE, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    auto results = std::make_shared<Results>();
    EXPECT_FALSE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
    EXPECT_FALSE(gWebWindow.creating);
    EXPECT_FALSE(gWebWindow.intercepting);
    EXPECT_FALSE(visible());
    EXPECT_EQ(results.use_count(), 1) << "the failed login's callback is dropped uncalled";
    EXPECT_TRUE(results->got.empty());
    EXPECT_EQ(api.heldHandlers(), 0);

    api.scriptEnvironment(WV2D_ENV_SUCCEED, S_OK);
    openReady("https://pay.example.test/a");  // a later opening tries again
}

TEST_F(WebWindowTest, CreationFailingLaterDestroysTheWindowAndAnswersTheLoginOnce) {
    struct Case {
        const char* name;
        int environment;
        int controller;
    };
    const Case cases[] = {
        {"environment error", WV2D_ENV_FAIL_LATER, WV2D_CONTROLLER_SUCCEED},
        {"null environment", WV2D_ENV_NULL, WV2D_CONTROLLER_SUCCEED},
        {"controller refused at once", WV2D_ENV_SUCCEED, WV2D_CONTROLLER_FAIL_AT_ONCE},
        {"controller error", WV2D_ENV_SUCCEED, WV2D_CONTROLLER_FAIL_LATER},
        {"null controller", WV2D_ENV_SUCCEED, WV2D_CONTROLLER_NULL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        api.scriptEnvironment(c.environment, E_FAIL);
        api.scriptController(c.controller, E_ACCESSDENIED);
        auto results = std::make_shared<Results>();
        ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
        ASSERT_TRUE(pumpUntil([] { return gWebWindow.window == nullptr; }));
        pumpUntil([] { return api.pendingPosts() == 0; });
        EXPECT_FALSE(gWebWindow.creating);
        EXPECT_FALSE(gWebWindow.intercepting);
        EXPECT_THAT(results->got, ElementsAre("")) << "answered once, so the game does not wait for ever";
        EXPECT_EQ(results.use_count(), 1);
        EXPECT_EQ(api.liveObjects(), 0);
        EXPECT_EQ(api.heldHandlers(), 0);
    }
    // A later opening starts over with a new window and environment.
    api.scriptEnvironment(WV2D_ENV_SUCCEED, S_OK);
    api.scriptController(WV2D_CONTROLLER_SUCCEED, S_OK);
    const int before = api.environmentCalls();
    openReady("https://pay.example.test/a");
    EXPECT_EQ(api.environmentCalls(), before + 1);
}

TEST_F(WebWindowTest, ATopUpOpeningWhoseCreationFailsCallsNothing) {
    api.scriptController(WV2D_CONTROLLER_FAIL_LATER, E_FAIL);
    ASSERT_TRUE(openWebWindow("https://pay.example.test/a", "p"));
    ASSERT_TRUE(pumpUntil([] { return gWebWindow.window == nullptr; }));
    EXPECT_FALSE(gWebWindow.creating);
}

TEST_F(WebWindowTest, AControllerWithoutViewIsReplacedAndClosedByTheNextOpening) {
    api.scriptController(WV2D_CONTROLLER_WITHOUT_VIEW, S_OK);
    ASSERT_TRUE(openWebWindow("https://pay.example.test/a", ""));
    ASSERT_TRUE(pumpUntil([] { return gWebWindow.controller && !gWebWindow.creating; }));
    EXPECT_FALSE(gWebWindow.webView);
    EXPECT_TRUE(visible());
    EXPECT_TRUE(only(log(), L"Navigate").empty());
    EXPECT_EQ(api.raiseAcceleratorKey(0, VK_ESCAPE), 1) << "Esc works even without a view";
    ASSERT_TRUE(pumpUntil([&] { return !visible(); }));

    api.scriptController(WV2D_CONTROLLER_SUCCEED, S_OK);
    const size_t mark = api.logSize();
    openReady("https://pay.example.test/b");
    EXPECT_EQ(api.environmentCalls(), 2);
    const auto lines = logSince(mark);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), L"Close") << "the useless controller is closed before the new creation";
}

// ---- destruction with the game window ----

TEST_F(WebWindowTest, GameWindowDestructionReleasesEverythingAndDropsTheLogin) {
    auto results = std::make_shared<Results>();
    ASSERT_TRUE(openWebLogin(kLoginUrl, kPrefix, recorder(results)));
    ASSERT_TRUE(pumpUntil([&] { return viewReady(); }));
    EXPECT_GT(api.liveObjects(), 0);
    EXPECT_EQ(api.heldHandlers(), 4);
    const size_t mark = api.logSize();
    destroyGameWindow();
    EXPECT_EQ(gWebWindow.window, nullptr) << "the owned web window goes with its owner";
    EXPECT_THAT(logSince(mark), ElementsAre(L"Close"));
    EXPECT_EQ(api.liveObjects(), 0);
    EXPECT_EQ(api.heldHandlers(), 0);
    EXPECT_FALSE(gWebWindow.intercepting);
    EXPECT_TRUE(results->got.empty()) << "a dropped login is never called";
    EXPECT_EQ(results.use_count(), 1) << "but released";

    // The next opening makes a new window (no owner now) and a new environment.
    openReady("https://pay.example.test/b");
    EXPECT_EQ(api.environmentCalls(), 2);
    EXPECT_EQ(gWebWindow.parentWindow, nullptr);
}

TEST_F(WebWindowTest, AControllerArrivingForADestroyedWindowIsClosedAndReleased) {
    ASSERT_TRUE(openWebWindow("https://pay.example.test/a", ""));
    // The environment arrives and asks for the controller; then the game window goes.
    ASSERT_TRUE(pumpUntil([&] { return api.logSize() > 0; }));
    EXPECT_TRUE(gWebWindow.creating);
    destroyGameWindow();
    EXPECT_FALSE(gWebWindow.creating) << "the creation goes with its window";
    ASSERT_TRUE(pumpUntil([] { return api.pendingPosts() == 0; }));
    EXPECT_THAT(log(), ElementsAre(L"CreateCoreWebView2Controller", L"Close"));
    EXPECT_FALSE(gWebWindow.controller);
}

TEST_F(WebWindowTest, DestructionDuringTheEnvironmentCreationLeavesNothingBehind) {
    ASSERT_TRUE(openWebWindow("https://pay.example.test/a", ""));
    destroyGameWindow();
    ASSERT_TRUE(pumpUntil([] { return !gWebWindow.creating; }));
    EXPECT_TRUE(log().empty()) << "no controller is asked for a window that is gone";
}

TEST_F(WebWindowTest, CompletionsDeliveredAtOnceWorkToo) {
    api.setDelivery(0);
    ASSERT_TRUE(openWebWindow("https://pay.example.test/a", ""));
    EXPECT_TRUE(viewReady());
    EXPECT_EQ(lastNavigation(log()), L"https://pay.example.test/a");
}

TEST_F(WebWindowTest, LayoutAndPaintingWithoutAUsableWindowTouchNothing) {
    openReady("https://pay.example.test/a");
    const size_t mark = api.logSize();
    HWND gone = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);  // a handle whose client rectangle cannot be read
    layoutWebWindow(gone);
    layoutWebWindow(nullptr);
    {
        ScopedWindowDC screen(nullptr);
        paintToolbar(gone, screen.get());
    }
    drawToolbarButton(nullptr);
    EXPECT_TRUE(logSince(mark).empty()) << "no bounds from an unread rectangle";
}
