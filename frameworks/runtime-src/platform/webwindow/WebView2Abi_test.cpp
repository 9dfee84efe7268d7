// Our WebView2 declarations against the runtime's published layout: the slot
// of every method we declare, computed from the declaration itself, and every
// interface identifier, compared with tables written from the ABI reference.
#include "platform/webwindow/WebView2Abi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>

using namespace webview2abi;

namespace {

// Under the Itanium C++ ABI (GCC, also for mingw) a pointer to a virtual
// member function holds 1 + the byte offset of its vtable entry.
template <typename Method>
long slotOf(Method method) {
    static_assert(sizeof(Method) == 2 * sizeof(std::ptrdiff_t), "Itanium member-function pointer");
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &method, sizeof raw);
    EXPECT_EQ(raw[0] & 1, 1) << "a virtual method";
    return static_cast<long>((raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
}

std::string iidText(const IID& iid) {
    wchar_t text[64];
    ::StringFromGUID2(iid, text, 64);
    std::string out;
    for (const wchar_t* p = text; *p; ++p) out.push_back(static_cast<char>(*p));
    return out;
}

// No interface may carry data or a destructor slot: just the vtable pointer.
static_assert(sizeof(ICoreWebView2) == sizeof(void*), "interface without data");
static_assert(sizeof(ICoreWebView2Controller) == sizeof(void*), "interface without data");
static_assert(!std::has_virtual_destructor<ICoreWebView2>::value, "no destructor slot");
static_assert(!std::has_virtual_destructor<ICoreWebView2Controller>::value, "no destructor slot");
static_assert(!std::has_virtual_destructor<ICoreWebView2NavigationStartingEventHandler>::value, "no destructor slot");
static_assert(sizeof(EventRegistrationToken) == 8 && alignof(EventRegistrationToken) == 8, "token layout");
static_assert(sizeof(COREWEBVIEW2_PHYSICAL_KEY_STATUS) == 24, "key status layout");
static_assert(sizeof(COREWEBVIEW2_KEY_EVENT_KIND) == 4, "32-bit enum");

}  // namespace

TEST(WebView2Abi, EveryDeclaredMethodSitsInItsSlot) {
    struct Row {
        const char* method;
        long slot;  // from the reference's vtable order
        long declared;
    };
    const Row rows[] = {
        {"Environment::CreateCoreWebView2Controller", 3, slotOf(&ICoreWebView2Environment::CreateCoreWebView2Controller)},
        {"Controller::get_IsVisible", 3, slotOf(&ICoreWebView2Controller::get_IsVisible)},
        {"Controller::put_IsVisible", 4, slotOf(&ICoreWebView2Controller::put_IsVisible)},
        {"Controller::put_Bounds", 6, slotOf(&ICoreWebView2Controller::put_Bounds)},
        {"Controller::SetBoundsAndZoomFactor", 11, slotOf(&ICoreWebView2Controller::SetBoundsAndZoomFactor)},
        {"Controller::add_AcceleratorKeyPressed", 19, slotOf(&ICoreWebView2Controller::add_AcceleratorKeyPressed)},
        {"Controller::Close", 24, slotOf(&ICoreWebView2Controller::Close)},
        {"Controller::get_CoreWebView2", 25, slotOf(&ICoreWebView2Controller::get_CoreWebView2)},
        {"View::get_Settings", 3, slotOf(&ICoreWebView2::get_Settings)},
        {"View::get_Source", 4, slotOf(&ICoreWebView2::get_Source)},
        {"View::Navigate", 5, slotOf(&ICoreWebView2::Navigate)},
        {"View::add_NavigationStarting", 7, slotOf(&ICoreWebView2::add_NavigationStarting)},
        {"View::add_NavigationCompleted", 15, slotOf(&ICoreWebView2::add_NavigationCompleted)},
        {"View::CapturePreview", 30, slotOf(&ICoreWebView2::CapturePreview)},
        {"View::CallDevToolsProtocolMethod", 36, slotOf(&ICoreWebView2::CallDevToolsProtocolMethod)},
        {"View::get_CanGoBack", 38, slotOf(&ICoreWebView2::get_CanGoBack)},
        {"View::GoBack", 40, slotOf(&ICoreWebView2::GoBack)},
        {"View::Stop", 43, slotOf(&ICoreWebView2::Stop)},
        {"View::add_NewWindowRequested", 44, slotOf(&ICoreWebView2::add_NewWindowRequested)},
        {"NavigationStartingArgs::get_Uri", 3, slotOf(&ICoreWebView2NavigationStartingEventArgs::get_Uri)},
        {"NavigationStartingArgs::get_Cancel", 7, slotOf(&ICoreWebView2NavigationStartingEventArgs::get_Cancel)},
        {"NavigationStartingArgs::put_Cancel", 8, slotOf(&ICoreWebView2NavigationStartingEventArgs::put_Cancel)},
        {"NewWindowArgs::get_Uri", 3, slotOf(&ICoreWebView2NewWindowRequestedEventArgs::get_Uri)},
        {"NewWindowArgs::put_NewWindow", 4, slotOf(&ICoreWebView2NewWindowRequestedEventArgs::put_NewWindow)},
        {"NewWindowArgs::put_Handled", 6, slotOf(&ICoreWebView2NewWindowRequestedEventArgs::put_Handled)},
        {"AcceleratorArgs::get_KeyEventKind", 3, slotOf(&ICoreWebView2AcceleratorKeyPressedEventArgs::get_KeyEventKind)},
        {"AcceleratorArgs::get_VirtualKey", 4, slotOf(&ICoreWebView2AcceleratorKeyPressedEventArgs::get_VirtualKey)},
        {"AcceleratorArgs::put_Handled", 8, slotOf(&ICoreWebView2AcceleratorKeyPressedEventArgs::put_Handled)},
        {"EnvironmentCompleted::Invoke", 3,
         slotOf(&ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::Invoke)},
        {"ControllerCompleted::Invoke", 3, slotOf(&ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::Invoke)},
        {"NavigationStarting::Invoke", 3, slotOf(&ICoreWebView2NavigationStartingEventHandler::Invoke)},
        {"NavigationCompleted::Invoke", 3, slotOf(&ICoreWebView2NavigationCompletedEventHandler::Invoke)},
        {"NewWindowRequested::Invoke", 3, slotOf(&ICoreWebView2NewWindowRequestedEventHandler::Invoke)},
        {"AcceleratorKeyPressed::Invoke", 3, slotOf(&ICoreWebView2AcceleratorKeyPressedEventHandler::Invoke)},
        {"IUnknown::Release", 2, slotOf(&IUnknown::Release)},
    };
    for (const Row& r : rows) EXPECT_EQ(r.declared, r.slot) << r.method;
}

TEST(WebView2Abi, InterfaceIdentifiersMatchTheRuntime) {
    const struct {
        const char* name;
        IID iid;
        const char* expected;
    } rows[] = {
        {"Environment", ICoreWebView2Environment::kIid, "{B96D755E-0319-4E92-A296-23436F46A1FC}"},
        {"Controller", ICoreWebView2Controller::kIid, "{4D00C0D1-9434-4EB6-8078-8697A560334F}"},
        {"View", ICoreWebView2::kIid, "{76ECEACB-0462-4D94-AC83-423A6793775E}"},
        {"NavigationStartingArgs", ICoreWebView2NavigationStartingEventArgs::kIid,
         "{5B495469-E119-438A-9B18-7604F25F2E49}"},
        {"NavigationCompletedArgs", ICoreWebView2NavigationCompletedEventArgs::kIid,
         "{30D68B7D-20D9-4752-A9CA-EC8448FBB5C1}"},
        {"NewWindowArgs", ICoreWebView2NewWindowRequestedEventArgs::kIid, "{34ACB11C-FC37-4418-9132-F9C21D1EAFB9}"},
        {"AcceleratorArgs", ICoreWebView2AcceleratorKeyPressedEventArgs::kIid,
         "{9F760F8A-FB79-42BE-9990-7B56900FA9C7}"},
        {"EnvironmentCompleted", ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::kIid,
         "{4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}"},
        {"ControllerCompleted", ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::kIid,
         "{6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}"},
        {"NavigationStarting", ICoreWebView2NavigationStartingEventHandler::kIid,
         "{9ADBE429-F36D-432B-9DDC-F8881FBD76E3}"},
        {"NavigationCompleted", ICoreWebView2NavigationCompletedEventHandler::kIid,
         "{D33A35BF-1C49-4F98-93AB-006E0533FE1C}"},
        {"NewWindowRequested", ICoreWebView2NewWindowRequestedEventHandler::kIid,
         "{D4C185FE-C81C-4989-97AF-2D3FA7AB5651}"},
        {"AcceleratorKeyPressed", ICoreWebView2AcceleratorKeyPressedEventHandler::kIid,
         "{B29C7E28-FA79-41A8-8E44-65811C76DCB2}"},
    };
    for (const auto& r : rows) EXPECT_EQ(iidText(r.iid), r.expected) << r.name;
}
