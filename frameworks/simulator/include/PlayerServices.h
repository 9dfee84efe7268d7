// The player's other services. The host never calls them, so they are empty
// types: they only give PlayerProtocol its full set of services. Main
// thread, like the player.
#pragma once

namespace player {

class PlayerMessageBoxServiceProtocol {
public:
    virtual ~PlayerMessageBoxServiceProtocol() = default;
};

class PlayerFileDialogServiceProtocol {
public:
    virtual ~PlayerFileDialogServiceProtocol() = default;
};

class PlayerEditBoxServiceProtocol {
public:
    virtual ~PlayerEditBoxServiceProtocol() = default;
};

class PlayerTaskServiceProtocol {
public:
    virtual ~PlayerTaskServiceProtocol() = default;
};

} // namespace player
