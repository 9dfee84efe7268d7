// Audio engine stand-in. The host's only call is end() at shutdown; the game's
// sound goes through the Lua bindings, which are outside this host.
#pragma once

namespace CocosDenshion {

class SimpleAudioEngine {
public:
    static SimpleAudioEngine* getInstance();
    // Releases the shared instance; safe to call when none exists.
    static void end();

private:
    SimpleAudioEngine() = default;
};

}  // namespace CocosDenshion
