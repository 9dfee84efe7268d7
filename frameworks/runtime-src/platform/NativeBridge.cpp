#include "NativeBridge.h"

void registerNativeBridge(lua_State*) {}
