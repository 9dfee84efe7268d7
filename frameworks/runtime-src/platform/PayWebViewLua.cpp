#include "PayWebViewLua.h"

void registerPayWebViewLua(lua_State*) {}
