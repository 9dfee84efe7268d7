// `pb`: protobuf wire-format primitives for the game's Lua protobuf code.
//
// Positions are 0-based byte offsets into the buffer string, as the Lua side
// counts them. Numbers are Lua doubles, so 64-bit values above 2^53 lose
// precision; that is the Lua side's limit, not ours. Every decoder checks its
// input's bounds and raises a Lua error rather than reading past the end.
//
// No C++ object with a destructor is alive where a Lua error can be raised:
// the error unwinds past C++ frames without running destructors.
#include "pb.h"

#include "BindingModules.h"

#include "lua.hpp"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxVarintBytes = 10;  // 64 bits at 7 bits a byte
// The output string refuses to grow past this; the game's messages are far smaller.
constexpr std::size_t kIoStringLimit = 65535;
constexpr std::size_t kIoStringMinCapacity = 64;
constexpr char kIoStringType[] = "protobuf.IOString";

constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

// ---- number conversions -------------------------------------------------

// The integer part of v as a 64-bit two's-complement pattern. Accepts
// [-2^63, 2^64); false for NaN and anything outside.
bool toBits64(lua_Number v, std::uint64_t* out) {
    if (!(v >= -kTwoTo63 && v < kTwoTo64)) return false;
    *out = v < 0 ? static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) : static_cast<std::uint64_t>(v);
    return true;
}

bool toSigned64(lua_Number v, std::int64_t* out) {
    if (!(v >= -kTwoTo63 && v < kTwoTo63)) return false;
    *out = static_cast<std::int64_t>(v);
    return true;
}

lua_Number signedNumber(std::uint64_t bits) {
    // Two's complement by hand: converting an out-of-range unsigned to signed
    // is implementation-defined before C++20.
    if (bits >> 63) return -static_cast<lua_Number>(~bits) - 1;
    return static_cast<lua_Number>(bits);
}

std::uint64_t checkBits64(lua_State* L, int arg) {
    std::uint64_t bits = 0;
    if (!toBits64(luaL_checknumber(L, arg), &bits)) luaL_argerror(L, arg, "value out of 64-bit range");
    return bits;
}

std::int64_t checkSigned64(lua_State* L, int arg) {
    std::int64_t value = 0;
    if (!toSigned64(luaL_checknumber(L, arg), &value)) luaL_argerror(L, arg, "value out of signed 64-bit range");
    return value;
}

// ---- varints ------------------------------------------------------------

int encodeVarint(std::uint64_t value, char out[kMaxVarintBytes]) {
    int n = 0;
    while (value >= 0x80) {
        out[n++] = static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    out[n++] = static_cast<char>(value);
    return n;
}

enum class Scan { ok, truncated, oversized };

// Reads the varint that starts at pos (pos < size).
Scan scanVarint(const unsigned char* data, std::size_t size, std::size_t pos, std::uint64_t* value, int* length) {
    std::uint64_t result = 0;
    for (int i = 0; i < kMaxVarintBytes; ++i) {
        if (pos + i >= size) return Scan::truncated;
        const unsigned char byte = data[pos + i];
        // The tenth byte holds only bit 63.
        if (i == kMaxVarintBytes - 1 && byte > 1) return Scan::oversized;
        result |= static_cast<std::uint64_t>(byte & 0x7F) << (7 * i);
        if ((byte & 0x80) == 0) {
            *value = result;
            *length = i + 1;
            return Scan::ok;
        }
    }
    return Scan::oversized;
}

// Checks the (buffer, pos) arguments; pos may be the end (the read then
// finds the input truncated) but not past it.
const unsigned char* checkBufferAt(lua_State* L, const char* what, std::size_t* size, std::size_t* pos) {
    const char* data = luaL_checklstring(L, 1, size);
    const lua_Number at = luaL_checknumber(L, 2);
    if (!(at >= 0 && at <= static_cast<lua_Number>(*size))) {
        luaL_error(L, "%s: position %f outside the buffer of %d bytes", what, at, static_cast<int>(*size));
    }
    *pos = static_cast<std::size_t>(at);
    return reinterpret_cast<const unsigned char*>(data);
}

// Pushes the varint's value with pushValue and the position after it.
int decodeVarint(lua_State* L, const char* what, void (*pushValue)(lua_State*, std::uint64_t)) {
    std::size_t size = 0;
    std::size_t pos = 0;
    const unsigned char* data = checkBufferAt(L, what, &size, &pos);
    std::uint64_t value = 0;
    int length = 0;
    switch (scanVarint(data, size, pos, &value, &length)) {
    case Scan::truncated:
        return luaL_error(L, "%s: truncated varint at position %d", what, static_cast<int>(pos));
    case Scan::oversized:
        return luaL_error(L, "%s: oversized varint at position %d", what, static_cast<int>(pos));
    case Scan::ok:
        break;
    }
    pushValue(L, value);
    lua_pushnumber(L, static_cast<lua_Number>(pos + length));
    return 2;
}

void pushUnsigned(lua_State* L, std::uint64_t value) { lua_pushnumber(L, static_cast<lua_Number>(value)); }
void pushSigned(lua_State* L, std::uint64_t value) { lua_pushnumber(L, signedNumber(value)); }

void callWrite(lua_State* L, const char* bytes, std::size_t length) {
    lua_pushvalue(L, 1);
    lua_pushlstring(L, bytes, length);
    lua_call(L, 1, 0);
}

// pb.varint_encoder(write, value): value in [-2^63, 2^64); negatives as ten bytes.
int varintEncoder(lua_State* L) {
    luaL_checktype(L, 1, LUA_TFUNCTION);
    char bytes[kMaxVarintBytes];
    const int length = encodeVarint(checkBits64(L, 2), bytes);
    callWrite(L, bytes, length);
    return 0;
}

// pb.signed_varint_encoder(write, value): value in [-2^63, 2^63).
int signedVarintEncoder(lua_State* L) {
    luaL_checktype(L, 1, LUA_TFUNCTION);
    char bytes[kMaxVarintBytes];
    const int length = encodeVarint(static_cast<std::uint64_t>(checkSigned64(L, 2)), bytes);
    callWrite(L, bytes, length);
    return 0;
}

// pb.varint_decoder(buffer, pos) -> value, newpos
int varintDecoder(lua_State* L) { return decodeVarint(L, "varint_decoder", pushUnsigned); }

// pb.signed_varint_decoder(buffer, pos) -> value as signed 64-bit, newpos
int signedVarintDecoder(lua_State* L) { return decodeVarint(L, "signed_varint_decoder", pushSigned); }

// pb.read_tag(buffer, pos) -> the tag's raw bytes, newpos
int readTag(lua_State* L) {
    std::size_t size = 0;
    std::size_t pos = 0;
    const unsigned char* data = checkBufferAt(L, "read_tag", &size, &pos);
    std::uint64_t value = 0;
    int length = 0;
    switch (scanVarint(data, size, pos, &value, &length)) {
    case Scan::truncated:
        return luaL_error(L, "read_tag: truncated tag at position %d", static_cast<int>(pos));
    case Scan::oversized:
        return luaL_error(L, "read_tag: oversized tag at position %d", static_cast<int>(pos));
    case Scan::ok:
        break;
    }
    lua_pushlstring(L, reinterpret_cast<const char*>(data + pos), length);
    lua_pushnumber(L, static_cast<lua_Number>(pos + length));
    return 2;
}

// ---- zig-zag ------------------------------------------------------------

// The 32-bit forms work on the low 32 bits of the value, as protobuf does
// when a 64-bit varint lands in a 32-bit field.
int zigZagEncode32(lua_State* L) {
    const std::uint32_t n = static_cast<std::uint32_t>(checkBits64(L, 1));
    const std::uint32_t sign = (n >> 31) ? 0xFFFFFFFFu : 0u;
    lua_pushnumber(L, static_cast<lua_Number>((n << 1) ^ sign));
    return 1;
}

int zigZagDecode32(lua_State* L) {
    const std::uint32_t n = static_cast<std::uint32_t>(checkBits64(L, 1));
    const std::uint32_t bits = (n >> 1) ^ (0u - (n & 1u));
    const lua_Number value = (bits >> 31) ? -static_cast<lua_Number>(~bits) - 1 : static_cast<lua_Number>(bits);
    lua_pushnumber(L, value);
    return 1;
}

int zigZagEncode64(lua_State* L) {
    const std::uint64_t n = checkBits64(L, 1);
    const std::uint64_t sign = (n >> 63) ? ~std::uint64_t(0) : 0;
    lua_pushnumber(L, static_cast<lua_Number>((n << 1) ^ sign));
    return 1;
}

int zigZagDecode64(lua_State* L) {
    const std::uint64_t n = checkBits64(L, 1);
    lua_pushnumber(L, signedNumber((n >> 1) ^ (0 - (n & 1))));
    return 1;
}

// ---- fixed-width little-endian ------------------------------------------

void putLittleEndian(std::uint64_t bits, int width, char* out) {
    for (int i = 0; i < width; ++i) out[i] = static_cast<char>(bits >> (8 * i));
}

std::uint64_t getLittleEndian(const unsigned char* in, int width) {
    std::uint64_t bits = 0;
    for (int i = 0; i < width; ++i) bits |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    return bits;
}

int formatWidth(char format) {
    switch (format) {
    case 'i':
    case 'I':
    case 'f':
        return 4;
    case 'q':
    case 'Q':
    case 'd':
        return 8;
    default:
        return 0;
    }
}

// The format is the letter's byte value (string.byte('I')), as the generated
// protobuf code passes it, or the one-letter string. A number is taken only as
// a number: the string "73" is not 'I'.
char checkFormat(lua_State* L, int arg) {
    static const char kFormatError[] = "format must be one of i I q Q f d, as a letter or its byte value";
    if (lua_type(L, arg) == LUA_TNUMBER) {
        const lua_Number code = lua_tonumber(L, arg);
        const char letter = (code >= 0 && code <= 127 && code == std::floor(code)) ? static_cast<char>(code) : '\0';
        if (formatWidth(letter) == 0) luaL_argerror(L, arg, kFormatError);
        return letter;
    }
    const char* format = luaL_checkstring(L, arg);
    if (format[0] == '\0' || format[1] != '\0' || formatWidth(format[0]) == 0) luaL_argerror(L, arg, kFormatError);
    return format[0];
}

float toFloat(lua_Number v) {
    // Out-of-range double -> float is undefined; saturate to infinity instead.
    if (v > FLT_MAX) return HUGE_VALF;
    if (v < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(v);
}

// The value's bit pattern for the format; raises on values the format cannot hold.
std::uint64_t packBits(lua_State* L, char format, int arg) {
    const lua_Number v = luaL_checknumber(L, arg);
    switch (format) {
    case 'i':
        if (!(v >= -2147483648.0 && v < 2147483648.0)) luaL_argerror(L, arg, "value out of int32 range");
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
    case 'I':
        if (!(v > -1.0 && v < 4294967296.0)) luaL_argerror(L, arg, "value out of uint32 range");
        return static_cast<std::uint32_t>(v);
    case 'q':
        return static_cast<std::uint64_t>(checkSigned64(L, arg));
    case 'Q':
        if (!(v > -1.0 && v < kTwoTo64)) luaL_argerror(L, arg, "value out of uint64 range");
        return static_cast<std::uint64_t>(v);
    case 'f': {
        const float f = toFloat(v);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        return bits;
    }
    default: {  // 'd'
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        return bits;
    }
    }
}

lua_Number unpackValue(char format, std::uint64_t bits) {
    switch (format) {
    case 'i': {
        const std::uint32_t low = static_cast<std::uint32_t>(bits);
        return (low >> 31) ? -static_cast<lua_Number>(~low) - 1 : static_cast<lua_Number>(low);
    }
    case 'I':
    case 'Q':
        return static_cast<lua_Number>(bits);
    case 'q':
        return signedNumber(bits);
    case 'f': {
        const std::uint32_t low = static_cast<std::uint32_t>(bits);
        float f = 0;
        std::memcpy(&f, &low, sizeof f);
        return f;
    }
    default: {  // 'd'
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    }
}

// pb.struct_pack(write, format, value): format as checkFormat takes it.
int structPack(lua_State* L) {
    luaL_checktype(L, 1, LUA_TFUNCTION);
    const char format = checkFormat(L, 2);
    const int width = formatWidth(format);
    char bytes[8];
    putLittleEndian(packBits(L, format, 3), width, bytes);
    callWrite(L, bytes, width);
    return 0;
}

// pb.struct_unpack(format, buffer, pos) -> value alone: the caller steps pos
// on by the format's width itself.
int structUnpack(lua_State* L) {
    const char format = checkFormat(L, 1);
    const int width = formatWidth(format);
    std::size_t size = 0;
    const char* data = luaL_checklstring(L, 2, &size);
    const lua_Number at = luaL_checknumber(L, 3);
    if (!(at >= 0 && at <= static_cast<lua_Number>(size))) {
        return luaL_error(L, "struct_unpack: position %f outside the buffer of %d bytes", at, static_cast<int>(size));
    }
    const std::size_t pos = static_cast<std::size_t>(at);
    if (size - pos < static_cast<std::size_t>(width)) {
        return luaL_error(L, "struct_unpack: truncated input, %d bytes needed at position %d", width,
                          static_cast<int>(pos));
    }
    const std::uint64_t bits = getLittleEndian(reinterpret_cast<const unsigned char*>(data) + pos, width);
    lua_pushnumber(L, unpackValue(format, bits));
    return 1;
}

// ---- IOString: the growable output string -------------------------------

struct IoString {
    std::size_t size;
    std::size_t capacity;
    char* bytes;  // malloc'ed; freed by __gc
};

IoString* checkIoString(lua_State* L) { return static_cast<IoString*>(luaL_checkudata(L, 1, kIoStringType)); }

int newIoString(lua_State* L) {
    auto* io = static_cast<IoString*>(lua_newuserdata(L, sizeof(IoString)));
    io->size = 0;
    io->capacity = 0;
    io->bytes = nullptr;
    luaL_getmetatable(L, kIoStringType);
    lua_setmetatable(L, -2);
    return 1;
}

int ioStringGc(lua_State* L) {
    IoString* io = checkIoString(L);
    std::free(io->bytes);
    io->bytes = nullptr;
    io->size = io->capacity = 0;
    return 0;
}

int ioStringToString(lua_State* L) {
    IoString* io = checkIoString(L);
    lua_pushlstring(L, io->bytes != nullptr ? io->bytes : "", io->size);
    return 1;
}

int ioStringLen(lua_State* L) {
    lua_pushnumber(L, static_cast<lua_Number>(checkIoString(L)->size));
    return 1;
}

// io:write(s): appends s; refuses to pass the size limit ("Out of range").
int ioStringWrite(lua_State* L) {
    IoString* io = checkIoString(L);
    std::size_t length = 0;
    const char* text = luaL_checklstring(L, 2, &length);
    if (length > kIoStringLimit - io->size) return luaL_error(L, "Out of range");
    const std::size_t needed = io->size + length;
    if (needed > io->capacity) {
        std::size_t capacity = io->capacity < kIoStringMinCapacity ? kIoStringMinCapacity : io->capacity;
        while (capacity < needed) capacity *= 2;
        if (capacity > kIoStringLimit) capacity = kIoStringLimit;
        void* grown = std::realloc(io->bytes, capacity);
        if (grown == nullptr) return luaL_error(L, "not enough memory");
        io->bytes = static_cast<char*>(grown);
        io->capacity = capacity;
    }
    if (length != 0) std::memcpy(io->bytes + io->size, text, length);
    io->size = needed;
    return 0;
}

// io:sub([begin [, end]]): bytes begin..end, 1-based and inclusive, defaults
// the whole string; begin = end + 1 gives "". Anything else outside the
// string is "Out of range".
int ioStringSub(lua_State* L) {
    IoString* io = checkIoString(L);
    const lua_Number size = static_cast<lua_Number>(io->size);
    const lua_Number begin = luaL_optnumber(L, 2, 1);
    const lua_Number end = luaL_optnumber(L, 3, size);
    if (!(begin >= 1 && end <= size && begin <= end + 1)) return luaL_error(L, "Out of range");
    const std::size_t first = static_cast<std::size_t>(begin) - 1;
    const std::size_t last = static_cast<std::size_t>(end);  // one past, 0-based
    lua_pushlstring(L, io->bytes != nullptr ? io->bytes + first : "", last > first ? last - first : 0);
    return 1;
}

int ioStringClear(lua_State* L) {
    checkIoString(L)->size = 0;
    return 0;
}

const luaL_Reg kIoStringMethods[] = {
    {"__gc", ioStringGc},       {"__tostring", ioStringToString},
    {"__len", ioStringLen},     {"write", ioStringWrite},
    {"sub", ioStringSub},       {"clear", ioStringClear},
    {nullptr, nullptr},
};

const luaL_Reg kPbFunctions[] = {
    {"varint_encoder", varintEncoder},
    {"signed_varint_encoder", signedVarintEncoder},
    {"read_tag", readTag},
    {"struct_pack", structPack},
    {"struct_unpack", structUnpack},
    {"varint_decoder", varintDecoder},
    {"signed_varint_decoder", signedVarintDecoder},
    {"zig_zag_decode32", zigZagDecode32},
    {"zig_zag_encode32", zigZagEncode32},
    {"zig_zag_decode64", zigZagDecode64},
    {"zig_zag_encode64", zigZagEncode64},
    {"new_iostring", newIoString},
    {nullptr, nullptr},
};

} // namespace

extern "C" int luaopen_pb(lua_State* L) {
    luaL_newmetatable(L, kIoStringType);
    luaL_register(L, nullptr, kIoStringMethods);
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    lua_pop(L, 1);

    luaL_register(L, "pb", kPbFunctions);
    cocos2d::recordBindingModule(L, "pb", "pb");
    return 1;
}
