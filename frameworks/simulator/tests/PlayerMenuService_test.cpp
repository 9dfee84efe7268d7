// The player and its menu service: command identifiers, lookup by command,
// ordering, and the Win32 menu bar on a real window.
#include "PlayerMenuServiceWin.h"
#include "PlayerWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>

namespace player {
namespace {

// The host's About command; no menu item may ever own it.
constexpr unsigned short kAboutCommandId = 32778;

TEST(PlayerMenuService, AllocatesCommandIdsFrom0x1000AndFindsItemsByThem)
{
    PlayerMenuServiceWin menu(nullptr);
    PlayerMenuItemWin* file = menu.addItem("file", "File");
    PlayerMenuItemWin* open = menu.addItem("file.open", "Open", "file");
    ASSERT_NE(nullptr, file);
    ASSERT_NE(nullptr, open);
    EXPECT_EQ(0x1000, file->getCommandId());
    EXPECT_EQ(0x1001, open->getCommandId());
    EXPECT_EQ(file, open->getParent());

    EXPECT_EQ(open, menu.getItemByCommandId(0x1001));
    EXPECT_EQ("file.open", menu.getItemByCommandId(0x1001)->getMenuId());
    EXPECT_EQ(file, menu.getItem("file"));
    const unsigned short unknownIds[] = {0x0FFF, 0x1002, 0, kAboutCommandId, SC_CLOSE};
    for (const unsigned short unknown : unknownIds)
        EXPECT_EQ(nullptr, menu.getItemByCommandId(unknown)) << unknown;
}

TEST(PlayerMenuService, RefusedItemsTakeNoCommandId)
{
    PlayerMenuServiceWin menu(nullptr);
    ASSERT_NE(nullptr, menu.addItem("a", "A"));
    EXPECT_EQ(nullptr, menu.addItem("a", "again"));
    EXPECT_EQ(nullptr, menu.addItem("", "no id"));
    EXPECT_EQ(nullptr, menu.addItem("orphan", "Orphan", "no-such-parent"));
    EXPECT_EQ("A", menu.getItem("a")->getTitle());
    EXPECT_EQ(nullptr, menu.getItem("orphan"));

    PlayerMenuItemWin* next = menu.addItem("b", "B");
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(0x1001, next->getCommandId());
}

TEST(PlayerMenuService, SiblingsFollowOrderThenAddition)
{
    PlayerMenuServiceWin menu(nullptr);
    menu.addItem("last", "Last");
    menu.addItem("second", "Second", "", 20);
    menu.addItem("first", "First", "", 10);
    menu.addItem("third", "Third", "", 20);

    std::vector<std::string> ids;
    for (const PlayerMenuItemWin* item : menu.getRootItems()) ids.push_back(item->getMenuId());
    EXPECT_EQ((std::vector<std::string>{"first", "second", "third", "last"}), ids);
}

TEST(PlayerMenuService, CommandIdsRunOutBeforeReachingTheHostsIds)
{
    PlayerMenuServiceWin menu(nullptr);
    std::set<unsigned short> seen;
    for (int i = 0;; ++i) {
        PlayerMenuItemWin* item = menu.addItem("item" + std::to_string(i), "Item");
        if (!item) break;
        ASSERT_LE(item->getCommandId(), PlayerMenuServiceWin::kLastCommandId);
        ASSERT_TRUE(seen.insert(item->getCommandId()).second) << "duplicate id " << item->getCommandId();
    }
    EXPECT_EQ(PlayerMenuServiceWin::kLastCommandId - PlayerMenuServiceWin::kFirstCommandId + 1u, seen.size());
    EXPECT_EQ(0u, seen.count(kAboutCommandId));
    EXPECT_EQ(nullptr, menu.getItemByCommandId(kAboutCommandId));
}

// A plain top-level window of a predefined class; destroyed with the test.
class TestWindow {
public:
    TestWindow()
        : _hwnd(CreateWindowExW(0, L"STATIC", L"menu test", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~TestWindow()
    {
        if (_hwnd) DestroyWindow(_hwnd);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return _hwnd; }

private:
    HWND _hwnd;
};

std::wstring menuText(HMENU menu, int position)
{
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return text;
}

TEST(PlayerMenuService, ShowsTheItemsAsTheWindowsMenuBar)
{
    TestWindow window;
    ASSERT_NE(nullptr, window.get());
    {
        PlayerMenuServiceWin menu(window.get());
        PlayerMenuItemWin* help = menu.addItem("help", "Help", "", 20);
        menu.addItem("file", "File", "", 10);
        PlayerMenuItemWin* open = menu.addItem("file.open", "\xc3\x94pen", "file");

        HMENU bar = GetMenu(window.get());
        ASSERT_NE(nullptr, bar);
        ASSERT_EQ(2, GetMenuItemCount(bar));
        EXPECT_EQ(L"File", menuText(bar, 0));
        EXPECT_EQ(L"Help", menuText(bar, 1));
        EXPECT_EQ(help->getCommandId(), GetMenuItemID(bar, 1));

        HMENU fileMenu = GetSubMenu(bar, 0);
        ASSERT_NE(nullptr, fileMenu);
        ASSERT_EQ(1, GetMenuItemCount(fileMenu));
        EXPECT_EQ(open->getCommandId(), GetMenuItemID(fileMenu, 0));
        EXPECT_EQ(L"\u00d4pen", menuText(fileMenu, 0));
    }
    // The service takes its bar with it while the window lives on.
    EXPECT_EQ(nullptr, GetMenu(window.get()));
}

TEST(PlayerWin, CreatesThePlayerInstanceWithItsServices)
{
    PlayerWin* player = PlayerWin::createWithHwnd(nullptr);
    ASSERT_NE(nullptr, player);
    EXPECT_EQ(player, PlayerProtocol::getInstance());
    auto* menu = dynamic_cast<PlayerMenuServiceWin*>(PlayerProtocol::getInstance()->getMenuService());
    ASSERT_NE(nullptr, menu);
    EXPECT_NE(nullptr, player->getMessageBoxService());
    EXPECT_NE(nullptr, player->getFileDialogService());
    EXPECT_NE(nullptr, player->getEditBoxService());
    EXPECT_NE(nullptr, player->getTaskService());

    PlayerMenuItemWin* item = menu->addItem("tools", "Tools");
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(item, menu->getItemByCommandId(item->getCommandId()));

    PlayerWin* second = PlayerWin::createWithHwnd(nullptr);
    EXPECT_EQ(second, PlayerProtocol::getInstance());
    PlayerProtocol::purgeInstance();
    EXPECT_EQ(nullptr, PlayerProtocol::getInstance());
}

} // namespace
} // namespace player
