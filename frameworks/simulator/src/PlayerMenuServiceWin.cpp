// PlayerMenuServiceWin: the item tree and its command identifiers.
#include "PlayerMenuServiceWin.h"

#include "MenuBar_win.h"

#include <algorithm>

namespace player {
namespace {

// Before the first sibling with a higher order, so equal orders keep the
// order of addition.
void insertByOrder(std::vector<PlayerMenuItemWin*>& siblings, PlayerMenuItemWin* item)
{
    const auto position = std::upper_bound(
        siblings.begin(), siblings.end(), item,
        [](const PlayerMenuItemWin* a, const PlayerMenuItemWin* b) { return a->getOrder() < b->getOrder(); });
    siblings.insert(position, item);
}

} // namespace

PlayerMenuServiceWin::PlayerMenuServiceWin(HWND hwnd) : _hwnd(hwnd)
{
    if (_hwnd) _menuBar = std::make_unique<simulator::MenuBar>(_hwnd);
}

// Win32 menus belong to the window's thread, so teardown must happen there too.
PlayerMenuServiceWin::~PlayerMenuServiceWin()
{
    _thread.check("PlayerMenuServiceWin::~PlayerMenuServiceWin");
}

PlayerMenuItemWin* PlayerMenuServiceWin::addItem(const std::string& menuId, const std::string& title,
                                                 const std::string& parentId, int order)
{
    _thread.check("PlayerMenuServiceWin::addItem");
    if (menuId.empty() || _items.count(menuId)) return nullptr;
    if (_nextCommandId > kLastCommandId) return nullptr;

    PlayerMenuItemWin* parent = nullptr;
    if (!parentId.empty()) {
        parent = getItem(parentId);
        if (!parent) return nullptr;
    }

    const auto commandId = static_cast<unsigned short>(_nextCommandId++);
    auto owned = std::make_unique<PlayerMenuItemWin>(menuId, title, order, commandId, parent);
    PlayerMenuItemWin* item = owned.get();
    _items.emplace(menuId, std::move(owned));
    _itemsByCommand.emplace(commandId, item);
    insertByOrder(parent ? parent->_children : _roots, item);

    // The item stays even when Win32 refuses the bar; the bar logs why.
    if (_menuBar) _menuBar->rebuild(_roots);
    return item;
}

PlayerMenuItemWin* PlayerMenuServiceWin::getItem(const std::string& menuId) const
{
    _thread.check("PlayerMenuServiceWin::getItem");
    const auto it = _items.find(menuId);
    return it == _items.end() ? nullptr : it->second.get();
}

PlayerMenuItemWin* PlayerMenuServiceWin::getItemByCommandId(unsigned short commandId) const
{
    _thread.check("PlayerMenuServiceWin::getItemByCommandId");
    const auto it = _itemsByCommand.find(commandId);
    return it == _itemsByCommand.end() ? nullptr : it->second;
}

const std::vector<PlayerMenuItemWin*>& PlayerMenuServiceWin::getRootItems() const
{
    _thread.check("PlayerMenuServiceWin::getRootItems");
    return _roots;
}

} // namespace player
