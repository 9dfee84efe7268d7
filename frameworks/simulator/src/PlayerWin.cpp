#include "PlayerWin.h"

namespace player {

PlayerWin* PlayerWin::createWithHwnd(HWND hwnd)
{
    // The old player goes first, so two menu services never share a window.
    purgeInstance();
    auto* player = new PlayerWin(hwnd);
    installInstance(player);
    return player;
}

PlayerWin::PlayerWin(HWND hwnd)
    : _hwnd(hwnd),
      _menuService(std::make_unique<PlayerMenuServiceWin>(hwnd)),
      _messageBoxService(std::make_unique<PlayerMessageBoxServiceProtocol>()),
      _fileDialogService(std::make_unique<PlayerFileDialogServiceProtocol>()),
      _editBoxService(std::make_unique<PlayerEditBoxServiceProtocol>()),
      _taskService(std::make_unique<PlayerTaskServiceProtocol>())
{
}

PlayerWin::~PlayerWin()
{
    _thread.check("PlayerWin::~PlayerWin");
}

HWND PlayerWin::getWindowHandle() const
{
    _thread.check("PlayerWin::getWindowHandle");
    return _hwnd;
}

PlayerMenuServiceProtocol* PlayerWin::getMenuService() const
{
    _thread.check("PlayerWin::getMenuService");
    return _menuService.get();
}

PlayerMessageBoxServiceProtocol* PlayerWin::getMessageBoxService() const
{
    _thread.check("PlayerWin::getMessageBoxService");
    return _messageBoxService.get();
}

PlayerFileDialogServiceProtocol* PlayerWin::getFileDialogService() const
{
    _thread.check("PlayerWin::getFileDialogService");
    return _fileDialogService.get();
}

PlayerEditBoxServiceProtocol* PlayerWin::getEditBoxService() const
{
    _thread.check("PlayerWin::getEditBoxService");
    return _editBoxService.get();
}

PlayerTaskServiceProtocol* PlayerWin::getTaskService() const
{
    _thread.check("PlayerWin::getTaskService");
    return _taskService.get();
}

} // namespace player
