// Win32 side of the player's menu: builds HMENU trees from the item tree.
#include "MenuBar_win.h"

#include "PlayerMenuItemWin.h"
#include "base/CCConsole.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace simulator {
namespace {

struct MenuDestroyer {
    void operator()(HMENU menu) const
    {
        // Nothing to do on failure: the handle is gone either way.
        DestroyMenu(menu);
    }
};
using ScopedMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

std::wstring toWide(const std::string& utf8)
{
    if (utf8.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

// Appends items (and, recursively, their children as pop-ups) to menu.
bool appendItems(HMENU menu, const std::vector<player::PlayerMenuItemWin*>& items)
{
    for (const player::PlayerMenuItemWin* item : items) {
        const std::wstring title = toWide(item->getTitle());
        if (item->getChildren().empty()) {
            if (!AppendMenuW(menu, MF_STRING, item->getCommandId(), title.c_str())) return false;
            continue;
        }
        ScopedMenu popup(CreatePopupMenu());
        if (!popup || !appendItems(popup.get(), item->getChildren())) return false;
        if (!AppendMenuW(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup.get()), title.c_str()))
            return false;
        popup.release(); // now destroyed together with menu
    }
    return true;
}

} // namespace

MenuBar::MenuBar(HWND window) : _window(window) {}

MenuBar::~MenuBar()
{
    if (!_attached) return;
    // A destroyed window has already destroyed the bar it carried.
    if (!IsWindow(_window)) return;
    if (GetMenu(_window) == _attached) SetMenu(_window, nullptr);
    ScopedMenu detached(_attached);
}

bool MenuBar::rebuild(const std::vector<player::PlayerMenuItemWin*>& roots)
{
    ScopedMenu bar(CreateMenu());
    if (!bar || !appendItems(bar.get(), roots)) {
        cocos2d::log("simulator: building the menu bar failed (error %lu)", GetLastError());
        return false;
    }
    if (!SetMenu(_window, bar.get())) {
        cocos2d::log("simulator: SetMenu failed (error %lu)", GetLastError());
        return false;
    }
    ScopedMenu previous(_attached); // detached by SetMenu, ours to destroy
    _attached = bar.release();
    // Only repaints the bar; a failure leaves a stale bar drawn until the next paint.
    DrawMenuBar(_window);
    return true;
}

} // namespace simulator
