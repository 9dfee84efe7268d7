// The WebView2 double holds the host to the COM rules the runtime relies on:
// these cases hand it handlers of the test's own, good and bad, to show that
// it notices each breach (a double that checked nothing would pass the host's
// own tests whatever the host did).
#include "platform/webwindow/WebWindow.h"
#include "platform/webwindow/WebWindowTestSupport.h"

#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "../../../../tests/support/ImportPatch_win.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace webwindow_testing;
using webview2abi::CreateEnvironmentWithOptionsFn;
using webview2abi::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
using webview2abi::ICoreWebView2Environment;

namespace {

// A completion handler whose rules a case may break; it lives on the stack
// and only counts its references.
class ProbeHandler : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler {
public:
    bool refuseOwnIid = false;
    bool acceptAnyIid = false;
    LONG count = 1;
    int invoked = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        const bool own = ::IsEqualIID(riid, kIid) && !refuseOwnIid;
        if (own || ::IsEqualIID(riid, IID_IUnknown) || acceptAnyIid) {
            *out = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++count); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--count); }
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT, ICoreWebView2Environment*) override {
        ++invoked;
        return S_OK;
    }
};

class WebView2Contract : public WebWindowTest {
protected:
    void SetUp() override {
        WebWindowTest::SetUp();
        entry = reinterpret_cast<CreateEnvironmentWithOptionsFn>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"WebView2Loader.dll"), "CreateCoreWebView2EnvironmentWithOptions")));
        ASSERT_NE(entry, nullptr);
    }
    void TearDown() override {
        api.reset();  // the breaches made on purpose are not the host's
        WebWindowTest::TearDown();
    }
    // Hands the handler over as the host does: one reference of the maker's,
    // dropped right after the call; the completion comes later, posted.
    void handOver(ProbeHandler& h, int extraReferences = 0) {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (int i = 0; i < extraReferences; ++i) h.AddRef();
        ASSERT_EQ(entry(nullptr, nullptr, nullptr, &h), S_OK);
        h.Release();
        ASSERT_TRUE(pumpUntil([] { return api.pendingPosts() == 0; }));
    }
    CreateEnvironmentWithOptionsFn entry = nullptr;
};

}  // namespace

TEST_F(WebView2Contract, OnlyASingleThreadedApartmentMayCreateAnEnvironment) {
    struct Case {
        const char* name;
        DWORD init;  // ~0u: no COM at all
        HRESULT expected;
    };
    const Case cases[] = {
        {"no apartment", ~0u, CO_E_NOTINITIALIZED},
        {"multi-threaded", COINIT_MULTITHREADED, RPC_E_CHANGED_MODE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeHandler h;
        HRESULT got = S_OK;
        std::thread([&] {
            if (c.init != ~0u) ::CoInitializeEx(nullptr, c.init);
            got = entry(nullptr, nullptr, nullptr, &h);
            if (c.init != ~0u) ::CoUninitialize();
        }).join();
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(h.count, 1) << "a refused handler is not kept";
        EXPECT_EQ(h.invoked, 0);
    }
    ProbeHandler h;
    handOver(h);
    EXPECT_EQ(h.invoked, 1) << "in the single-threaded apartment the environment comes";
}

TEST_F(WebView2Contract, EachBrokenRuleIsReported) {
    {
        ProbeHandler good;
        handOver(good);
        EXPECT_EQ(good.count, 0);
        EXPECT_TRUE(api.violations().empty());
    }
    struct Case {
        const char* name;
        bool refuseOwnIid, acceptAnyIid;
        int extraReferences;
        const wchar_t* reported;
    };
    const Case cases[] = {
        {"own IID refused", true, false, 0, L"QueryInterface of the handler's own IID"},
        {"any IID accepted", false, true, 0, L"QueryInterface of a foreign IID"},
        {"a leaked reference", false, false, 1, L"a handler keeps 1 references"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        api.reset();
        ProbeHandler h;
        h.refuseOwnIid = c.refuseOwnIid;
        h.acceptAnyIid = c.acceptAnyIid;
        handOver(h, c.extraReferences);
        const auto lines = api.violations();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(c.reported, 0), 0u) << wideToUtf8(lines[0]);
    }
}

namespace {

struct ApartmentCall {
    DWORD flags;
    DWORD thread;
    int environmentCallsBefore;  // how often the loader entry had been called by then
};
std::vector<ApartmentCall> gApartmentCalls;
testsupport::ImportPatch* gCoInitializePatch = nullptr;
const WebView2DoubleApi* gDouble = nullptr;

HRESULT WINAPI recordCoInitializeEx(LPVOID reserved, DWORD flags) {
    gApartmentCalls.push_back({flags, ::GetCurrentThreadId(), gDouble->environmentCalls()});
    return gCoInitializePatch->original<HRESULT(WINAPI*)(LPVOID, DWORD)>()(reserved, flags);
}

// Under wine the thread's first window already puts it in an apartment, so
// the double's own check cannot tell whether the host entered one: what the
// host asks of the system shows it.
class HostApartment : public WebWindowTest {
protected:
    void SetUp() override {
        WebWindowTest::SetUp();
        gDouble = &api;
    }
};

}  // namespace

TEST_F(HostApartment, TheHostEntersASingleThreadedApartmentBeforeItCreatesTheEnvironment) {
    testsupport::ImportPatch patch("ole32.dll", "CoInitializeEx", reinterpret_cast<const void*>(&recordCoInitializeEx));
    ASSERT_TRUE(patch.applied()) << "the program never calls CoInitializeEx";
    gCoInitializePatch = &patch;
    gApartmentCalls.clear();
    const int before = api.environmentCalls();
    const bool opened = openWebWindow("https://pay.example.test/a", "");
    const std::vector<ApartmentCall> calls = gApartmentCalls;
    gCoInitializePatch = nullptr;
    ASSERT_TRUE(opened);
    ASSERT_EQ(api.environmentCalls(), before + 1);
    bool enteredFirst = false;
    for (const ApartmentCall& c : calls)
        enteredFirst |= c.flags == COINIT_APARTMENTTHREADED && c.thread == ::GetCurrentThreadId() &&
                        c.environmentCallsBefore == before;
    EXPECT_TRUE(enteredFirst) << "CoInitializeEx(COINIT_APARTMENTTHREADED) on this thread, before the loader entry";
    ASSERT_TRUE(pumpUntil([&] { return viewReady(); }));
}
