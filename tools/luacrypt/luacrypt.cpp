// luacrypt: encrypts a Lua script into the game's ".luac" form, the script
// sign followed by the XXTEA ciphertext, with this build's key and sign.
//
//   luacrypt <input.lua> <output.luac>
//
// Runs on the build machine (built with the host compiler) for the build's
// test fixtures and for game makers. Exit status: 0 done, 1 I/O or input
// error, 2 usage.
#include "proj.win32/ScriptKey.h"
#include "xxtea/xxtea.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace {

bool readFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Written under a temporary name and renamed, so a failed run never leaves a
// half-written ".luac" that the game would then refuse to load.
bool writeFile(const std::string& path, const std::string& sign, const std::vector<unsigned char>& body) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(sign.data(), static_cast<std::streamsize>(sign.size()));
        out.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
        out.close();
        if (!out) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) std::filesystem::remove(temporary, error);
    return !error;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: luacrypt <input.lua> <output.luac>\n");
        return 2;
    }
    std::vector<unsigned char> script;
    if (!readFile(argv[1], script)) {
        std::fprintf(stderr, "luacrypt: cannot read %s\n", argv[1]);
        return 1;
    }
    const ScriptKeyAndSign pair;
    const std::string sign(pair.sign(), pair.signLength());
    // Encrypting twice would give a file the game decrypts to ciphertext.
    if (script.size() >= sign.size() && std::memcmp(script.data(), sign.data(), sign.size()) == 0) {
        std::fprintf(stderr, "luacrypt: %s is already encrypted\n", argv[1]);
        return 1;
    }
    const std::vector<unsigned char> body = xxtea::encrypt(script.data(), script.size(), pair.key(), pair.keyLength());
    if (body.empty()) {
        std::fprintf(stderr, "luacrypt: %s is too large\n", argv[1]);
        return 1;
    }
    if (!writeFile(argv[2], sign, body)) {
        std::fprintf(stderr, "luacrypt: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
