#include "update/engine/Md5.h"

#include "update/engine/UpdateTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct Vector {
    std::string input;
    const char* digest;  // independent reference values
};

// RFC 1321, appendix A.5, plus data with NUL bytes and block-edge lengths.
const Vector kVectors[] = {
    {"", "D41D8CD98F00B204E9800998ECF8427E"},
    {"a", "0CC175B9C0F1B6A831C399E269772661"},
    {"abc", "900150983CD24FB0D6963F7D28E17F72"},
    {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
    {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57EDF4A22BE3C955AC49DA2E2107B67A"},
    {std::string("\0\0\0", 3), "693E9AF84D3DFCC71E640E005BDC5E2E"},
    {std::string(55, 'x'), "04364420E25C512FD958A70738AA8F72"},  // padding fits the last block
    {std::string(56, 'x'), "668A72D5BA17F08E62DABCAFAD6DB14B"},  // padding needs a block of its own
    {std::string(64, 'x'), "C1BB4F81D892B2D57947682AEB252456"},
};

}  // namespace

TEST(Md5, MatchesTheReferenceVectors) {
    for (const Vector& v : kVectors) {
        EXPECT_EQ(md5Hex(v.input.data(), v.input.size()), v.digest) << "input of " << v.input.size() << " bytes";
    }
}

TEST(Md5, PiecewiseUpdatesEqualOneShot) {
    std::string data;
    for (int i = 0; i < 1000; ++i) data += static_cast<char>(i * 7);
    for (const Vector& v : kVectors) data += v.input;
    const std::string whole = md5Hex(data.data(), data.size());
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 1000u}) {
        Md5 md5;
        for (size_t at = 0; at < data.size(); at += piece) md5.update(data.data() + at, std::min(piece, data.size() - at));
        EXPECT_EQ(md5.finalHex(), whole) << "pieces of " << piece;
    }
}

TEST(Md5, StreamsAFileLargerThanItsBuffer) {
    updatetest::TempFolder dir("-m\xe1\xba\xa3");  // a non-ASCII folder: the wide-path open is used
    std::string data(300 * 1024 + 17, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
    updatetest::writeFile(dir / "p.zip", data);

    std::string hex;
    int64_t size = -1;
    ASSERT_TRUE(md5HexOfFile(dir / "p.zip", &hex, &size));
    EXPECT_EQ(hex, md5Hex(data.data(), data.size()));
    EXPECT_EQ(size, static_cast<int64_t>(data.size()));
    EXPECT_FALSE(md5HexOfFile(dir / "missing.zip", &hex));
}
