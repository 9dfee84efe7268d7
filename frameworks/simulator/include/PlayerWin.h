// The Windows player: the services of one game window.
//
// Main thread: the window's thread; every method checks it.
#pragma once

#include "PlayerMenuServiceWin.h"
#include "PlayerProtocol.h"
#include "simulator/ThreadBinding.h"

#include <memory>

struct HWND__;
typedef HWND__* HWND;

namespace player {

class PlayerWin : public PlayerProtocol {
public:
    // Creates the player for hwnd with all its services and makes it the
    // PlayerProtocol instance (replacing, and destroying, any previous one).
    // The instance owns it.
    static PlayerWin* createWithHwnd(HWND hwnd);

    ~PlayerWin() override;

    HWND getWindowHandle() const;

    PlayerMenuServiceProtocol* getMenuService() const override;
    PlayerMessageBoxServiceProtocol* getMessageBoxService() const override;
    PlayerFileDialogServiceProtocol* getFileDialogService() const override;
    PlayerEditBoxServiceProtocol* getEditBoxService() const override;
    PlayerTaskServiceProtocol* getTaskService() const override;

private:
    explicit PlayerWin(HWND hwnd);

    simulator::ThreadBinding _thread;
    HWND _hwnd;
    std::unique_ptr<PlayerMenuServiceWin> _menuService;
    std::unique_ptr<PlayerMessageBoxServiceProtocol> _messageBoxService;
    std::unique_ptr<PlayerFileDialogServiceProtocol> _fileDialogService;
    std::unique_ptr<PlayerEditBoxServiceProtocol> _editBoxService;
    std::unique_ptr<PlayerTaskServiceProtocol> _taskService;
};

} // namespace player
