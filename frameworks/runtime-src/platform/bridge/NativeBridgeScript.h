// The Lua chunk that routes the game's platform calls and its protected saved
// values to the native services. Its text is NativeBridgeScript.lua, embedded
// at build time.
#pragma once

extern const char nativeBridgeScript[];
