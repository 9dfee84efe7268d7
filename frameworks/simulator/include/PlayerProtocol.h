// The player: the process-wide object that owns the game window's services.
// A platform subclass (PlayerWin) creates it; getInstance() then returns it
// until purgeInstance() or the next creation replaces it.
//
// Main thread.
#pragma once

#include "PlayerMenuServiceProtocol.h"
#include "PlayerServices.h"

namespace player {

class PlayerProtocol {
public:
    virtual ~PlayerProtocol();

    // Null before a player is created.
    static PlayerProtocol* getInstance();
    // Destroys the current player; its services and menu items go with it.
    static void purgeInstance();

    virtual PlayerMenuServiceProtocol* getMenuService() const = 0;
    virtual PlayerMessageBoxServiceProtocol* getMessageBoxService() const = 0;
    virtual PlayerFileDialogServiceProtocol* getFileDialogService() const = 0;
    virtual PlayerEditBoxServiceProtocol* getEditBoxService() const = 0;
    virtual PlayerTaskServiceProtocol* getTaskService() const = 0;

protected:
    PlayerProtocol() = default;
    // Makes player the instance, destroying the previous one.
    static void installInstance(PlayerProtocol* player);

private:
    PlayerProtocol(const PlayerProtocol&) = delete;
    PlayerProtocol& operator=(const PlayerProtocol&) = delete;
};

} // namespace player
