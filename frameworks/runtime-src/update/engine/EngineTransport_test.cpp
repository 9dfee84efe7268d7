// The engine's own transport (libcurl) against the fixture patch server: the
// digest a transfer feeds must be that of the bytes its write callback put on
// disk, in a whole, a resumed, a cut and a refused transfer. Run through
// tests/scenario/update_transport_test.py, which serves the package and names
// it in the environment.
#include "update/engine/UpdateTransport.h"

#include "proj.win32/CaBundle.h"
#include "update/engine/DownloadTempFile.h"
#include "update/engine/Md5.h"
#include "update/engine/UpdatePaths.h"
#include "update/engine/UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace updatetest;

namespace {

struct ServedPackage {
    std::string baseUrl;  // ends with "/": "p.bin" whole, "cut.bin" closed after cutAfter bytes
    CaBundle ca;       // the server's CA file, by its path
    std::string otherCaPath;  // a CA that vouches for nothing the server presents
    std::string md5;
    int64_t size = 0;
    int64_t cutAfter = 0;
};

bool servedPackage(ServedPackage* p) {
    const char* base = std::getenv("UPDATE_TRANSPORT_BASE");
    const char* ca = std::getenv("UPDATE_TRANSPORT_CA");
    const char* md5 = std::getenv("UPDATE_TRANSPORT_MD5");
    const char* size = std::getenv("UPDATE_TRANSPORT_SIZE");
    const char* cut = std::getenv("UPDATE_TRANSPORT_CUT");
    const char* otherCa = std::getenv("UPDATE_TRANSPORT_OTHER_CA");
    if (!base || !ca || !md5 || !size || !cut || !otherCa) return false;
    p->otherCaPath = otherCa;
    p->baseUrl = base;
    p->ca.path = ca;
    p->md5 = md5;
    p->size = std::atoll(size);
    p->cutAfter = std::atoll(cut);
    return true;
}

struct Transfer {
    FetchOutcome outcome;
    std::string digestHex;
};

Transfer fetch(UpdateTransport& transport, TransferSession* session, const ServedPackage& served,
               const std::string& name, FILE* file, Md5 digest, int64_t resumeFrom, const CaBundle* ca = nullptr) {
    PackageFetch f;
    f.session = session;
    f.url = served.baseUrl + name;
    f.ca = ca ? ca : &served.ca;
    f.resumeFrom = resumeFrom;
    f.file = file;
    f.digest = &digest;
    f.onProgress = [](int64_t) { return false; };
    Transfer t;
    t.outcome = transport.fetchPackage(f);
    t.digestHex = digest.finalHex();
    return t;
}

std::string md5OfFile(const std::string& path) {
    std::string hex;
    EXPECT_TRUE(md5HexOfFile(path, &hex));
    return hex;
}

}  // namespace

TEST(EngineTransport, DigestIsThatOfTheBytesWrittenToDisk) {
    ServedPackage served;
    ASSERT_TRUE(servedPackage(&served)) << "run through tests/scenario/update_transport_test.py";
    std::shared_ptr<UpdateTransport> transport = makeEngineTransport();
    std::unique_ptr<TransferSession> session = transport->openSession();
    TempFolder root("-transport");

    {
        SCOPED_TRACE("whole");
        DownloadTempFile file(root / "whole.temp", false);
        ASSERT_TRUE(file.isOpen());
        const Transfer t = fetch(*transport, session.get(), served, "p.bin", file.stream(), Md5(), 0);
        ASSERT_TRUE(file.flush());
        file.close();
        EXPECT_EQ(t.outcome.curlCode, 0);
        EXPECT_EQ(t.outcome.httpStatus, 200);
        EXPECT_EQ(t.outcome.written, served.size);
        EXPECT_EQ(t.digestHex, served.md5);
        EXPECT_EQ(md5OfFile(root / "whole.temp"), served.md5);
    }
    {
        SCOPED_TRACE("resumed after the bytes already there");
        std::string whole;
        ASSERT_TRUE(readFile(root / "whole.temp", &whole));
        const int64_t have = served.size / 3;
        writeFile(root / "resumed.temp", whole.substr(0, static_cast<size_t>(have)));
        Md5 digest;
        int64_t fed = 0;
        ASSERT_TRUE(md5UpdateFromFile(root / "resumed.temp", &digest, &fed));
        DownloadTempFile file(root / "resumed.temp", true);
        ASSERT_TRUE(file.isOpen());
        const Transfer t = fetch(*transport, session.get(), served, "p.bin", file.stream(), digest, have);
        ASSERT_TRUE(file.flush());
        file.close();
        EXPECT_EQ(t.outcome.curlCode, 0);
        EXPECT_EQ(t.outcome.httpStatus, 206);
        EXPECT_EQ(t.outcome.written, served.size - have);
        EXPECT_EQ(t.digestHex, served.md5);
        EXPECT_EQ(md5OfFile(root / "resumed.temp"), served.md5);
    }
    {
        SCOPED_TRACE("cut by the server");
        DownloadTempFile file(root / "cut.temp", false);
        ASSERT_TRUE(file.isOpen());
        const Transfer t = fetch(*transport, session.get(), served, "cut.bin", file.stream(), Md5(), 0);
        ASSERT_TRUE(file.flush());
        file.close();
        EXPECT_NE(t.outcome.curlCode, 0);
        EXPECT_EQ(t.outcome.written, served.cutAfter);
        EXPECT_EQ(t.digestHex, md5OfFile(root / "cut.temp"));
    }
    {
        SCOPED_TRACE("refused by the file");
        writeFile(root / "read-only.temp", "");
        std::unique_ptr<FILE, int (*)(FILE*)> readOnly(openFileUtf8(root / "read-only.temp", L"rb"), &std::fclose);
        ASSERT_TRUE(readOnly);
        const Transfer t = fetch(*transport, session.get(), served, "p.bin", readOnly.get(), Md5(), 0);
        EXPECT_EQ(t.outcome.curlCode, 23);  // CURLE_WRITE_ERROR
        EXPECT_EQ(t.outcome.written, 0);
        EXPECT_EQ(t.digestHex, md5Hex("", 0));  // nothing accepted, nothing hashed
    }
}

// The packages are checked against the bundle the transfer is given, in
// either form the shared bundle takes: its bytes, or a path when the bytes
// could not be read. Without it, wine's own store would take the test CA.
TEST(EngineTransport, TheServerMustBeVouchedForByTheBundleGiven) {
    ServedPackage served;
    ASSERT_TRUE(servedPackage(&served)) << "run through tests/scenario/update_transport_test.py";
    std::string ownPem, otherPem;
    ASSERT_TRUE(readFile(served.ca.path, &ownPem));
    ASSERT_TRUE(readFile(served.otherCaPath, &otherPem));
    CaBundle ownBytes, otherBytes, otherPath;
    ownBytes.pem = ownPem;
    otherBytes.pem = otherPem;
    otherPath.path = served.otherCaPath;
    std::shared_ptr<UpdateTransport> transport = makeEngineTransport();
    TempFolder root("-transport-ca");

    struct Case {
        const char* name;
        const CaBundle* ca;
        bool accepted;
    } const cases[] = {
        {"its own CA as bytes", &ownBytes, true},
        {"another CA as bytes", &otherBytes, false},
        {"another CA by its path", &otherPath, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = root / ("ca-" + std::to_string(++n) + ".temp");
        DownloadTempFile file(name, false);
        ASSERT_TRUE(file.isOpen());
        // A session of its own each: a connection kept from an accepted
        // handshake would carry the next transfer past the check.
        std::unique_ptr<TransferSession> session = transport->openSession();
        const Transfer t = fetch(*transport, session.get(), served, "p.bin", file.stream(), Md5(), 0, c.ca);
        ASSERT_TRUE(file.flush());
        file.close();
        if (c.accepted) {
            EXPECT_EQ(t.outcome.curlCode, 0);
            EXPECT_EQ(t.digestHex, served.md5);
        } else {
            EXPECT_EQ(t.outcome.curlCode, 60);  // CURLE_PEER_FAILED_VERIFICATION
            EXPECT_EQ(t.outcome.written, 0);
        }
    }
}
