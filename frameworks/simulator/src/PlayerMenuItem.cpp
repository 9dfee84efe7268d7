#include "PlayerMenuItem.h"
#include "PlayerMenuItemWin.h"

namespace player {

PlayerMenuItem::PlayerMenuItem(const std::string& menuId, const std::string& title, int order)
    : _menuId(menuId), _title(title), _order(order)
{
}

PlayerMenuItem::~PlayerMenuItem() = default;

PlayerMenuItemWin::PlayerMenuItemWin(const std::string& menuId, const std::string& title, int order,
                                     unsigned short commandId, PlayerMenuItemWin* parent)
    : PlayerMenuItem(menuId, title, order), _commandId(commandId), _parent(parent)
{
}

} // namespace player
