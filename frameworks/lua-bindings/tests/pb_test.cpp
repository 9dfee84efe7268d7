// `pb`: each case is a Lua snippet run with pb opened. Round-trip cases end
// in 'ok' (check() raises on a mismatch); error cases name a fragment of the
// Lua error they must raise.
#include "pb.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using testing_support::evalString;

namespace {

const char kPrelude[] = R"lua(
local function hex(s) return (s:gsub('.', function(c) return string.format('%02x', c:byte()) end)) end
local function unhex(h) return (h:gsub('..', function(x) return string.char(tonumber(x, 16)) end)) end
local function enc(f, ...) local out = {} f(function(b) out[#out + 1] = b end, ...) return table.concat(out) end
local function check(got, want, what)
  if got ~= want then error(string.format('%s: got %s, want %s', what or '?', tostring(got), tostring(want)), 2) end
end
local write = function() end
)lua";

struct PbCase {
    const char* name;
    const char* lua;
    const char* error;  // nullptr: the snippet must return 'ok'
};

const PbCase kCases[] = {
    {"varint known encodings and back", R"lua(
      for _, c in ipairs({{0, '00'}, {1, '01'}, {127, '7f'}, {128, '8001'}, {300, 'ac02'},
                          {2^32, '8080808010'}, {2^53, '8080808080808010'},
                          {-1, 'ffffffffffffffffff01'}}) do
        local bytes = enc(pb.varint_encoder, c[1])
        check(hex(bytes), c[2], 'encode ' .. c[1])
        local v, pos = pb.signed_varint_decoder('..' .. bytes, 2)
        check(v, c[1], 'decode ' .. c[1]); check(pos, 2 + #bytes, 'pos')
      end
      check(pb.varint_decoder(unhex('ffffffffffffffffff01'), 0), 2^64, 'unsigned -1')
      return 'ok')lua",
     nullptr},
    {"signed varint encoder", R"lua(
      check(hex(enc(pb.signed_varint_encoder, -2)), 'feffffffffffffffff01', '-2')
      check(hex(enc(pb.signed_varint_encoder, 150)), '9601', '150')
      check(pb.signed_varint_decoder(unhex('feffffffffffffffff01'), 0), -2, 'decode -2')
      return 'ok')lua",
     nullptr},
    {"read_tag returns the raw tag bytes", R"lua(
      local tag, pos = pb.read_tag(unhex('089601'), 0); check(hex(tag), '08', 'tag'); check(pos, 1, 'pos')
      tag, pos = pb.read_tag(unhex('ff8001ff'), 1); check(hex(tag), '8001', 'tag2'); check(pos, 3, 'pos2')
      return 'ok')lua",
     nullptr},
    {"zig-zag 32 and 64", R"lua(
      for _, c in ipairs({{0, 0}, {-1, 1}, {1, 2}, {-2, 3}, {2147483647, 4294967294}, {-2147483648, 4294967295}}) do
        check(pb.zig_zag_encode32(c[1]), c[2], 'enc32 ' .. c[1])
        check(pb.zig_zag_decode32(c[2]), c[1], 'dec32 ' .. c[2])
      end
      for _, c in ipairs({{0, 0}, {-1, 1}, {2^40, 2^41}, {-(2^40), 2^41 - 1}}) do
        check(pb.zig_zag_encode64(c[1]), c[2], 'enc64 ' .. c[1])
        check(pb.zig_zag_decode64(c[2]), c[1], 'dec64 ' .. c[2])
      end
      return 'ok')lua",
     nullptr},
    {"fixed-width little-endian pack and unpack", R"lua(
      for _, c in ipairs({{'i', -2, 'feffffff'}, {'I', 4294967295, 'ffffffff'}, {'q', -2, 'feffffffffffffff'},
                          {'Q', 2^40, '0000000000010000'}, {'f', 1.5, '0000c03f'}, {'d', -0.25, '000000000000d0bf'}}) do
        local bytes = enc(pb.struct_pack, c[1], c[2])
        check(hex(bytes), c[3], 'pack ' .. c[1])
        check(pb.struct_unpack(c[1], 'x' .. bytes, 1), c[2], 'unpack ' .. c[1])
        -- the generated protobuf code passes the letter's byte value
        check(hex(enc(pb.struct_pack, c[1]:byte(), c[2])), c[3], 'pack byte ' .. c[1])
        check(select('#', pb.struct_unpack(c[1]:byte(), 'x' .. bytes, 1)), 1, 'one result ' .. c[1])
        check(pb.struct_unpack(c[1]:byte(), 'x' .. bytes, 1), c[2], 'unpack byte ' .. c[1])
      end
      return 'ok')lua",
     nullptr},
    {"output string", R"lua(
      local io = pb.new_iostring()
      io:write('ab'); io:write('cde')
      check(tostring(io), 'abcde', 'tostring'); check(#io, 5, 'len')
      check(io:sub(2, 4), 'bcd', 'sub'); check(io:sub(), 'abcde', 'sub()'); check(io:sub(6, 5), '', 'empty sub')
      io:write(string.rep('z', 1000)); check(#io, 1005, 'grown')
      io:clear(); check(tostring(io), '', 'cleared'); check(#io, 0, 'cleared len')
      io:write(string.rep('y', 65535)); check(#io, 65535, 'at the limit')
      return 'ok')lua",
     nullptr},

    {"varint cut short", "pb.varint_decoder('\\128', 0)", "truncated varint"},
    {"varint on an empty buffer", "pb.varint_decoder('', 0)", "truncated varint"},
    {"signed varint cut short", "pb.signed_varint_decoder('\\255\\255', 0)", "truncated varint"},
    {"varint of eleven bytes", "pb.varint_decoder(string.rep('\\128', 10) .. '\\1', 0)", "oversized varint"},
    {"varint past 64 bits", "pb.varint_decoder(string.rep('\\255', 9) .. '\\2', 0)", "oversized varint"},
    {"varint position past the end", "pb.varint_decoder('\\1', 2)", "outside the buffer"},
    {"negative position", "pb.varint_decoder('\\1', -1)", "outside the buffer"},
    {"tag cut short", "pb.read_tag('\\128\\128', 0)", "truncated tag"},
    {"tag at the end", "pb.read_tag('\\8', 1)", "truncated tag"},
    {"fixed64 cut short", "pb.struct_unpack('q', '1234567', 0)", "truncated input"},
    {"fixed32 cut by the offset", "pb.struct_unpack('i', '1234', 1)", "truncated input"},
    {"fixed position past the end", "pb.struct_unpack('d', '12345678', 9)", "outside the buffer"},
    {"unknown format", "pb.struct_unpack('x', '1234', 0)", "format must be"},
    {"unknown format byte", "pb.struct_unpack(string.byte('x'), '1234', 0)", "format must be"},
    {"format byte with a fraction", "pb.struct_unpack(105.5, '1234', 0)", "format must be"},
    {"format byte past a char", "pb.struct_pack(write, 105 + 256, 1)", "format must be"},
    {"format digits as a string", "pb.struct_unpack('105', '1234', 0)", "format must be"},
    {"format of two letters", "pb.struct_unpack('ii', '12345678', 0)", "format must be"},
    {"int32 out of range", "pb.struct_pack(write, 'i', 2^31)", "int32 range"},
    {"uint32 negative", "pb.struct_pack(write, 'I', -1)", "uint32 range"},
    {"varint too big", "pb.varint_encoder(write, 2^64)", "64-bit range"},
    {"varint NaN", "pb.varint_encoder(write, 0/0)", "64-bit range"},
    {"output string over the limit", "local io = pb.new_iostring(); io:write(string.rep('y', 65535)); io:write('y')",
     "Out of range"},
    {"sub before the start", "local io = pb.new_iostring(); io:write('abc'); io:sub(0)", "Out of range"},
    {"sub past the end", "local io = pb.new_iostring(); io:write('abc'); io:sub(1, 4)", "Out of range"},
};

TEST(Pb, RoundTripsAndBoundsChecks) {
    cocos2d::LuaStack stack;
    ASSERT_TRUE(stack.init());
    lua_State* L = stack.getLuaState();
    luaopen_pb(L);
    lua_pop(L, 1);
    for (const PbCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::string result = evalString(L, std::string(kPrelude) + c.lua);
        if (c.error == nullptr) {
            EXPECT_EQ(result, "ok");
        } else {
            EXPECT_EQ(result.rfind("error: ", 0), 0u) << "no error raised: " << result;
            EXPECT_NE(result.find(c.error), std::string::npos) << result;
        }
    }
}

} // namespace
