// What the Google ID-token flow reads of the id_token it is given: the nonce
// claim of its payload. The signature is not checked here (the game's server
// checks the token); the nonce ties the answer to the request this host sent.
// Any thread; no state.
#pragma once

#include <string>

// The "nonce" claim, a string, of the token's payload (the second of its
// dot-separated parts, base64url, a JSON object); empty when the token is not
// of that form or has no such claim.
std::string idTokenNonce(const std::string& idToken);
