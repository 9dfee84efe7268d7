// Menu service of the Windows player. Keeps the item tree, hands each item a
// Win32 command identifier and, for a real window, shows the tree as the
// window's menu bar (rebuilt on every change; Win32 side in MenuBar_win.cpp).
//
// Command identifiers count up from kFirstCommandId and never pass
// kLastCommandId, so they stay clear of the host's own fixed identifiers
// (the About command is 32778) and of the system commands (0xF000 and up).
//
// Main thread: bound to the thread that creates it (the window's thread);
// every method checks it.
#pragma once

#include "PlayerMenuItemWin.h"
#include "PlayerMenuServiceProtocol.h"
#include "simulator/ThreadBinding.h"

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

struct HWND__;
typedef HWND__* HWND;

namespace simulator {
class MenuBar;
}

namespace player {

class PlayerMenuServiceWin : public PlayerMenuServiceProtocol {
public:
    static constexpr unsigned short kFirstCommandId = 0x1000;
    static constexpr unsigned short kLastCommandId = 0x7FFF;

    // A null window keeps the items without any Win32 menu.
    explicit PlayerMenuServiceWin(HWND hwnd);
    ~PlayerMenuServiceWin() override;

    PlayerMenuItemWin* addItem(const std::string& menuId, const std::string& title,
                               const std::string& parentId = "", int order = MAX_ORDER) override;
    PlayerMenuItemWin* getItem(const std::string& menuId) const override;

    // The item that owns commandId, or null; only addItem fills this map.
    PlayerMenuItemWin* getItemByCommandId(unsigned short commandId) const;

    // Items of the menu bar itself, in menu order.
    const std::vector<PlayerMenuItemWin*>& getRootItems() const;

private:
    PlayerMenuServiceWin(const PlayerMenuServiceWin&) = delete;
    PlayerMenuServiceWin& operator=(const PlayerMenuServiceWin&) = delete;

    simulator::ThreadBinding _thread;
    HWND _hwnd;
    std::unique_ptr<simulator::MenuBar> _menuBar;
    std::map<std::string, std::unique_ptr<PlayerMenuItemWin>> _items;
    std::vector<PlayerMenuItemWin*> _roots;
    std::unordered_map<unsigned short, PlayerMenuItemWin*> _itemsByCommand;
    unsigned int _nextCommandId = kFirstCommandId;
};

} // namespace player
