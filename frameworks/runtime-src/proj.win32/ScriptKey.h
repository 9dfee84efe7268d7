// The script decryption key and script sign of the game's encrypted scripts.
//
// Neither is stored in plain form: the program keeps a scrambled copy of each
// and a five-word mask, and builds the pair at run time in buffers that live
// only as long as a ScriptKeyAndSign. Shared with the encrypt tool, so this
// pair (ScriptKey.h/.cpp) uses nothing of the engine or of Lua.
#pragma once

namespace cocos2d {
class LuaStack;
}

// Turns buffer[i] into ~(buffer[i] ^ low byte of mask[i % 5]) for every byte
// before the buffer's first NUL (measured before anything changes). The NUL
// stays; a byte that becomes 0 shortens the string measured afterwards.
void unscrambleInPlace(char* buffer, const int mask[5]);

// Scrambled key and sign, each ending at its NUL (at most 16 and 6 bytes
// are taken), and the mask that unscrambles them.
struct ScriptKeyMaterial {
    const char* storedKey;
    const char* storedSign;
    const int* mask;  // five words
};

// The unscrambled pair in local buffers; wiped when it goes out of scope.
// Each length is measured up to the first NUL of its buffer.
class ScriptKeyAndSign {
public:
    static constexpr int kKeyBytes = 16;
    static constexpr int kSignBytes = 6;

    // The game's own pair.
    ScriptKeyAndSign();
    explicit ScriptKeyAndSign(const ScriptKeyMaterial& material);
    ~ScriptKeyAndSign();
    ScriptKeyAndSign(const ScriptKeyAndSign&) = delete;
    ScriptKeyAndSign& operator=(const ScriptKeyAndSign&) = delete;

    const char* key() const { return _key; }
    int keyLength() const;
    const char* sign() const { return _sign; }
    int signLength() const;

private:
    char _key[kKeyBytes + 1];
    char _sign[kSignBytes + 1];
};

// Builds the pair and hands it to stack->setXXTEAKeyAndSign, which keeps its
// own copy. A null stack is ignored. Defined in LuaEngineInstance.cpp, beside
// the Lua library, so this header's other half stays free of it.
void installScriptKeyAndSign(cocos2d::LuaStack* stack);
