// `pb` against real protobuf: fixtures/scalars.pb is protoc's encoding of
// fixtures/scalars.txt (made at build time). The Lua below drives pb the way
// generated protobuf Lua code does: tags looked up by their raw bytes from
// read_tag, fixed-width fields through struct_unpack with the format letter's
// byte value and the position stepped on by the caller. The encoding case
// writes the module's output beside the executable, where pb_protoc_check.py
// has protoc read it back.
#include "pb.h"

#include "TestSupport.h"

#include "lua.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char kCodec[] = R"lua(
local varint_encoder, signed_varint_encoder = pb.varint_encoder, pb.signed_varint_encoder
local varint_decoder, signed_varint_decoder = pb.varint_decoder, pb.signed_varint_decoder
local struct_pack, struct_unpack = pb.struct_pack, pb.struct_unpack
local VARINT, FIXED64, LENGTH, FIXED32 = 0, 1, 2, 5

local function collect(fill)
  local parts = {}
  fill(function(bytes) parts[#parts + 1] = bytes end)
  return table.concat(parts)
end

local function tag_bytes(number, wire)
  return collect(function(write) varint_encoder(write, number * 8 + wire) end)
end

local function fixed(wire, width, letter)
  local format = string.byte(letter)
  return {wire,
          function(buffer, pos) return struct_unpack(format, buffer, pos), pos + width end,
          function(write, value) struct_pack(write, format, value) end}
end

local function modified(decode, modify)
  return function(buffer, pos)
    local value, new_pos = decode(buffer, pos)
    return modify(value), new_pos
  end
end

local function read_delimited(buffer, pos)
  local size
  size, pos = varint_decoder(buffer, pos)
  if pos + size > #buffer then error('length-delimited field runs past the end at ' .. pos) end
  return buffer:sub(pos + 1, pos + size), pos + size
end

local function write_delimited(write, bytes)
  varint_encoder(write, #bytes)
  write(bytes)
end

local kinds = {
  uint32 = {VARINT, varint_decoder, varint_encoder},
  uint64 = {VARINT, varint_decoder, varint_encoder},
  int32 = {VARINT, signed_varint_decoder, signed_varint_encoder},
  int64 = {VARINT, signed_varint_decoder, signed_varint_encoder},
  sint32 = {VARINT, modified(varint_decoder, pb.zig_zag_decode32),
            function(write, value) varint_encoder(write, pb.zig_zag_encode32(value)) end},
  sint64 = {VARINT, modified(varint_decoder, pb.zig_zag_decode64),
            function(write, value) varint_encoder(write, pb.zig_zag_encode64(value)) end},
  bool = {VARINT, modified(varint_decoder, function(v) return v ~= 0 end),
          function(write, value) varint_encoder(write, value and 1 or 0) end},
  fixed32 = fixed(FIXED32, 4, 'I'), sfixed32 = fixed(FIXED32, 4, 'i'), float = fixed(FIXED32, 4, 'f'),
  fixed64 = fixed(FIXED64, 8, 'Q'), sfixed64 = fixed(FIXED64, 8, 'q'), double = fixed(FIXED64, 8, 'd'),
  string = {LENGTH, read_delimited, write_delimited},
  bytes = {LENGTH, read_delimited, write_delimited},
}

local decode, encode

local function kind_of(field_type)
  if type(field_type) == 'table' then
    return {LENGTH,
            function(buffer, pos)
              local bytes, new_pos = read_delimited(buffer, pos)
              return decode(field_type, bytes), new_pos
            end,
            function(write, value) write_delimited(write, encode(field_type, value)) end}
  end
  return kinds[field_type]
end

function decode(fields, buffer)
  local by_tag = {}
  for _, f in ipairs(fields) do
    local kind = kind_of(f[3])
    by_tag[tag_bytes(f[1], kind[1])] = {f[2], kind[2]}
  end
  local message, pos = {}, 0
  while pos < #buffer do
    local tag
    tag, pos = pb.read_tag(buffer, pos)
    local field = by_tag[tag]
    if field == nil then error(string.format('unexpected tag %q before position %d', tag, pos)) end
    message[field[1]], pos = field[2](buffer, pos)
  end
  if pos ~= #buffer then error('decoding stopped at ' .. pos .. ' of ' .. #buffer) end
  return message
end

function encode(fields, message)
  return collect(function(write)
    for _, f in ipairs(fields) do
      local value = message[f[2]]
      if value ~= nil then
        local kind = kind_of(f[3])
        write(tag_bytes(f[1], kind[1]))
        kind[3](write, value)
      end
    end
  end)
end

local Inner = {{1, 'id', 'int32'}, {2, 'name', 'string'}}
Scalars = {
  {1, 'u32', 'uint32'}, {2, 'i32', 'int32'}, {3, 's32', 'sint32'}, {4, 'u64', 'uint64'},
  {5, 'fx32', 'fixed32'}, {6, 'fx64', 'fixed64'}, {7, 'sfx32', 'sfixed32'}, {8, 'sfx64', 'sfixed64'},
  {9, 'fl', 'float'}, {10, 'db', 'double'}, {11, 'flag', 'bool'}, {12, 'text', 'string'},
  {13, 'blob', 'bytes'}, {14, 'inner', Inner}, {15, 'i64', 'int64'}, {16, 's64', 'sint64'},
}
decode_message, encode_message = decode, encode

-- The values of fixtures/scalars.txt.
expected = {
  u32 = 4000000000, i32 = -123456, s32 = -99, u64 = 1099511627779,
  fx32 = 4294967295, fx64 = 4503599627370497, sfx32 = -2000000000, sfx64 = -1099511627776,
  fl = -2.75, db = 3.141592653589793, flag = true, text = 'Hải Vân Truyện', blob = 'a\0b\255',
  inner = {id = 7, name = 'trong'}, i64 = -5000000000, s64 = -4294967297,
}

function compare(got, want, where)
  for key, value in pairs(want) do
    local path = where .. '.' .. key
    if type(value) == 'table' then
      if type(got[key]) ~= 'table' then error(path .. ': got ' .. tostring(got[key]) .. ', want a message') end
      compare(got[key], value, path)
    elseif got[key] ~= value then
      error(string.format('%s: got %q, want %q', path, tostring(got[key]), tostring(value)))
    end
  end
  for key in pairs(got) do
    if want[key] == nil then error(where .. '.' .. key .. ': not in the message') end
  end
end
)lua";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PbProtoc : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stack.init());
        L = stack.getLuaState();
        luaopen_pb(L);
        lua_pop(L, 1);
        ASSERT_EQ(luaL_loadbuffer(L, kCodec, sizeof kCodec - 1, "=codec"), 0) << lua_tostring(L, -1);
        ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0) << lua_tostring(L, -1);
    }

    // Runs code with the global `input` set; returns its string result, or
    // "error: ..." with the Lua error.
    std::string run(const std::string& code, const std::string& input) {
        lua_pushlstring(L, input.data(), input.size());
        lua_setglobal(L, "input");
        std::string result;
        if (luaL_loadbuffer(L, code.data(), code.size(), "=case") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
            result = std::string("error: ") + lua_tostring(L, -1);
        } else {
            std::size_t length = 0;
            const char* bytes = lua_tolstring(L, -1, &length);
            if (bytes != nullptr) result.assign(bytes, length);
        }
        lua_pop(L, 1);
        return result;
    }

    cocos2d::LuaStack stack;
    lua_State* L = nullptr;
};

const std::string kProtocEncoded = "fixtures/scalars.pb";
const std::string kModuleEncoded = "scalars_from_pb.bin";

TEST_F(PbProtoc, DecodesEveryScalarTypeOfProtocsEncoding) {
    const std::string encoded = readFile(testing_support::executableFolder() + kProtocEncoded);
    ASSERT_FALSE(encoded.empty()) << "missing " << kProtocEncoded;
    EXPECT_EQ(run("compare(decode_message(Scalars, input), expected, 'Scalars') return 'ok'", encoded), "ok");
}

TEST_F(PbProtoc, TruncatedMessagesRaiseErrors) {
    const std::string encoded = readFile(testing_support::executableFolder() + kProtocEncoded);
    ASSERT_FALSE(encoded.empty()) << "missing " << kProtocEncoded;
    // Cut inside the fixed64 field (tag 0x31 at offset 0x20) and inside the nested message.
    for (std::size_t cut : {std::size_t(0x23), encoded.size() - 22}) {
        SCOPED_TRACE(cut);
        const std::string result = run("decode_message(Scalars, input) return 'decoded'", encoded.substr(0, cut));
        EXPECT_EQ(result.rfind("error: ", 0), 0u) << result;
    }
}

// protoc writes known fields in number order, as the encoder here does, so the
// bytes must match exactly; pb_protoc_check.py then has protoc read the file.
TEST_F(PbProtoc, EncodesTheSameBytesAsProtoc) {
    const std::string out = testing_support::executableFolder() + kModuleEncoded;
    std::remove(out.c_str());  // a stale file must not pass the protoc check
    const std::string protocEncoded = readFile(testing_support::executableFolder() + kProtocEncoded);
    ASSERT_FALSE(protocEncoded.empty()) << "missing " << kProtocEncoded;

    const std::string encoded = run("return encode_message(Scalars, expected)", "");
    ASSERT_EQ(encoded.rfind("error: ", 0), std::string::npos) << encoded;
    EXPECT_EQ(testing_support::toHex(encoded), testing_support::toHex(protocEncoded));
    std::ofstream(out, std::ios::binary) << encoded;
}

} // namespace
