// The silent re-login with a saved refresh token: one blocking POST on the
// main thread; the result is delivered before the call returns.
#pragma once

// refreshTokenKey: "tg_rt" or "gg_rt". Only a whole 2xx answer with code
// "1000", a user id and a sign is a success; then a new refresh token, when
// the answer has one, replaces the saved one. Nothing else is saved, ever.
void silentRelogin(const char* refreshTokenKey, int luaRef);
