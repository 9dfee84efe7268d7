// The player's menu service: items the game or tools add to the window's
// menu, addressed by menu identifier. Main thread.
#pragma once

#include <string>

namespace player {

class PlayerMenuItem;

class PlayerMenuServiceProtocol {
public:
    // Order of an item added without one: after every ordered sibling.
    static constexpr int MAX_ORDER = 10000;

    virtual ~PlayerMenuServiceProtocol() = default;

    // Adds an item under parentId ("" for the menu bar). Returns null when
    // menuId is empty or taken, the parent is unknown, or no command
    // identifier is left.
    virtual PlayerMenuItem* addItem(const std::string& menuId, const std::string& title,
                                    const std::string& parentId = "", int order = MAX_ORDER) = 0;
    // Null when no item has that identifier.
    virtual PlayerMenuItem* getItem(const std::string& menuId) const = 0;
};

} // namespace player
