#include "proj.win32/HostWindowProc.h"

#include "AppEvent.h"
#include "PlayerMenuServiceWin.h"
#include "PlayerProtocol.h"
#include "PlayerWin.h"
#include "cocos2d.h"

#include <shlobj.h>  // DROPFILES

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(CopyDataText, ReadsWithinTheCopiedBytesUpToTheFirstNul) {
    char withNul[] = {'a', 'b', 'c', '\0', 'x'};
    char withoutNul[] = {'a', 'b', 'c'};  // nothing readable lies past these three bytes
    char empty[] = {'\0'};
    const struct {
        void* data;
        DWORD size;
        const char* text;
    } cases[] = {
        {withNul, sizeof withNul, "abc"},
        {withoutNul, sizeof withoutNul, "abc"},
        {withoutNul, 2, "ab"},
        {empty, sizeof empty, ""},
        {nullptr, 8, ""},
        {withNul, 0, ""},
    };
    for (const auto& c : cases) {
        COPYDATASTRUCT data = {};
        data.dwData = kCopyDataDebugLogLine;
        data.cbData = c.size;
        data.lpData = c.data;
        EXPECT_EQ(copyDataText(data), c.text) << "size " << c.size;
    }
}

// The window procedure in front of a plain window: dropped files and menu
// commands become engine events, and every message still reaches the window.
class HostWindowProcTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &countingProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"HostWindowProcTest";
        ::RegisterClassExW(&wc);  // a second registration fails harmlessly
        window = ::CreateWindowExW(0, L"HostWindowProcTest", L"test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                   nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        installHostWindowProc(window);
        seen.clear();
        passedOn = 0;
        closes = 0;
        auto* dispatcher = cocos2d::Director::getInstance()->getEventDispatcher();
        for (const char* name : {"APP.EVENT", "APP.EVENT.DROP"}) {
            listeners.push_back(dispatcher->addCustomEventListener(name, [](cocos2d::EventCustom* e) {
                auto* app = static_cast<AppEvent*>(e);
                seen.push_back({app->getEventName(), app->getEventType(), app->getDataString(), app->getUserData()});
            }));
        }
    }
    void TearDown() override {
        for (auto* l : listeners) cocos2d::Director::getInstance()->getEventDispatcher()->removeEventListener(l);
        listeners.clear();
        ::DestroyWindow(window);
    }

    // A DROPFILES block as the shell hands it over: wide names, a double NUL at the end.
    static HDROP makeDrop(const std::vector<std::wstring>& names) {
        size_t units = 1;
        for (const auto& n : names) units += n.size() + 1;
        HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
        auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        auto* cursor = reinterpret_cast<wchar_t*>(drop + 1);
        for (const auto& n : names) {
            std::copy(n.begin(), n.end(), cursor);
            cursor += n.size() + 1;
        }
        ::GlobalUnlock(memory);
        return static_cast<HDROP>(memory);
    }

    static LRESULT CALLBACK countingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DROPFILES || message == WM_COMMAND) ++passedOn;
        if (message == WM_CLOSE) ++closes;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    struct Seen {
        std::string name;
        int type;
        std::string data;
        void* userData;
    };
    static std::vector<Seen> seen;
    static int passedOn;
    static int closes;
    HWND window = nullptr;
    std::vector<cocos2d::EventListenerCustom*> listeners;
};

std::vector<HostWindowProcTest::Seen> HostWindowProcTest::seen;
int HostWindowProcTest::passedOn = 0;
int HostWindowProcTest::closes = 0;

TEST_F(HostWindowProcTest, DropGivesOneEventWithTheFirstPathInUtf8) {
    ::SendMessageW(window, WM_DROPFILES,
                   reinterpret_cast<WPARAM>(makeDrop({L"C:\\Tr\u00f2 ch\u01a1i\\a.txt", L"C:\\b.txt", L"C:\\c.txt"})), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "APP.EVENT.DROP");
    EXPECT_EQ(seen[0].type, 2);
    EXPECT_EQ(seen[0].data, "C:\\Tr\xc3\xb2 ch\xc6\xa1i\\a.txt");
    EXPECT_EQ(passedOn, 1);

    HDROP empty = makeDrop({});
    ::SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(empty), 0);
    EXPECT_EQ(seen.size(), 1u) << "second event: " << (seen.size() > 1 ? seen[1].data : "");  // no files, no event
    EXPECT_EQ(passedOn, 2);
    // Not freed here: whether the host released it depends on the file count the system reported.
}

TEST_F(HostWindowProcTest, MenuCommandOfAnItemGivesAppEvent) {
    player::PlayerWin::createWithHwnd(window);
    auto* menu = dynamic_cast<player::PlayerMenuServiceWin*>(player::PlayerProtocol::getInstance()->getMenuService());
    ASSERT_NE(menu, nullptr);
    player::PlayerMenuItemWin* item = menu->addItem("abc", "Item");
    ASSERT_NE(item, nullptr);

    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(item->getCommandId(), 0), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "APP.EVENT");
    EXPECT_EQ(seen[0].type, 1);
    EXPECT_EQ(seen[0].data, "{\"data\":\"abc\",\"name\":\"menuClicked\"}");
    EXPECT_EQ(seen[0].userData, item);

    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(item->getCommandId(), 1), 0);  // accelerator: not a menu click
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(0x7000, 0), 0);               // no item owns it
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(passedOn, 3);
    player::PlayerProtocol::purgeInstance();
}

TEST_F(HostWindowProcTest, SystemCloseGivesNoAppEventAndStillClosesTheWindow) {
    player::PlayerWin::createWithHwnd(window);
    auto* menu = dynamic_cast<player::PlayerMenuServiceWin*>(player::PlayerProtocol::getInstance()->getMenuService());
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->addItem("abc", "Item"), nullptr);  // an item exists, but does not own the close

    ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(seen.empty()) << seen.front().name << " " << seen.front().data;
    EXPECT_EQ(closes, 1) << "the default procedure turns SC_CLOSE into WM_CLOSE";
    EXPECT_FALSE(::IsWindow(window));
    player::PlayerProtocol::purgeInstance();
}
