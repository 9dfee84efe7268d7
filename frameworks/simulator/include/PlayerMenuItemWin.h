// A menu item of the Windows player: adds the Win32 command identifier that
// WM_COMMAND carries for it, and its place in the item tree.
//
// Main thread. Owned by its PlayerMenuServiceWin; pointers stay valid for the
// service's lifetime.
#pragma once

#include "PlayerMenuItem.h"

#include <vector>

namespace player {

class PlayerMenuItemWin : public PlayerMenuItem {
public:
    PlayerMenuItemWin(const std::string& menuId, const std::string& title, int order,
                      unsigned short commandId, PlayerMenuItemWin* parent);

    unsigned short getCommandId() const { return _commandId; }
    // Null for an item of the menu bar itself.
    PlayerMenuItemWin* getParent() const { return _parent; }
    // In menu order: ascending order, equal orders in the order of addition.
    const std::vector<PlayerMenuItemWin*>& getChildren() const { return _children; }

private:
    friend class PlayerMenuServiceWin;

    unsigned short _commandId;
    PlayerMenuItemWin* _parent;
    std::vector<PlayerMenuItemWin*> _children;
};

} // namespace player
