// One item of the player's menu: its menu identifier (the name the game and
// the "APP.EVENT" payload use), its title and its place among its siblings.
//
// Main thread, like the menu service that owns it.
#pragma once

#include <string>

namespace player {

class PlayerMenuItem {
public:
    virtual ~PlayerMenuItem();

    const std::string& getMenuId() const { return _menuId; }
    const std::string& getTitle() const { return _title; }
    int getOrder() const { return _order; }

protected:
    PlayerMenuItem(const std::string& menuId, const std::string& title, int order);

private:
    PlayerMenuItem(const PlayerMenuItem&) = delete;
    PlayerMenuItem& operator=(const PlayerMenuItem&) = delete;

    std::string _menuId;
    std::string _title;
    int _order;
};

} // namespace player
