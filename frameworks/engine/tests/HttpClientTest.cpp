// The HTTP client against a local fixture server (http_fixture.py):
// results, body and error rules, time-outs, and callback delivery on the
// main thread, once per request.
#include <curl/curl.h> // before the engine headers: it brings <windows.h>

#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "network/HttpClient.h"
#include "network/HttpRequest.h"
#include "network/HttpResponse.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace cocos2d;
using namespace cocos2d::network;

namespace {

// The host initialises curl once before any thread; so do the tests.
class CurlEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void TearDown() override { curl_global_cleanup(); }
};
const auto* const kCurlEnvironment = ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

std::string baseUrl() {
    const char* port = std::getenv("ENGINE_HTTP_PORT");
    return std::string("http://127.0.0.1:") + (port ? port : "9") + "/";
}

struct Outcome {
    int calls = 0;
    bool succeeded = false;
    long code = 0;
    std::string error;
    std::string body;
    std::string headers;
    bool onMainThread = false;
    HttpRequest* request = nullptr;
};

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("ENGINE_HTTP_PORT"), nullptr) << "run through http_fixture.py";
        Director::getInstance()->startAnimation();
        mainThread = std::this_thread::get_id();
    }
    void TearDown() override {
        HttpClient::getInstance()->setSSLVerification("");
        HttpClient::getInstance()->setTimeoutForRead(60);
        HttpClient::getInstance()->setTimeoutForConnect(30);
        Director::getInstance()->purgeDirector();
        AutoreleasePool::getInstance()->clear();
    }

    HttpRequest* makeRequest(const std::string& url, Outcome* out, HttpRequest::Type type = HttpRequest::Type::GET) {
        auto* request = new HttpRequest();
        request->setUrl(url);
        request->setRequestType(type);
        request->setResponseCallback([this, out](HttpClient* client, HttpResponse* response) {
            EXPECT_EQ(client, HttpClient::getInstance());
            ++out->calls;
            out->onMainThread = std::this_thread::get_id() == mainThread;
            out->succeeded = response->isSucceed();
            out->code = response->getResponseCode();
            out->error = response->getErrorBuffer();
            out->body.assign(response->getResponseData()->begin(), response->getResponseData()->end());
            out->headers.assign(response->getResponseHeader()->begin(), response->getResponseHeader()->end());
            out->request = response->getHttpRequest();
        });
        return request;
    }

    Outcome get(const std::string& path) {
        Outcome out;
        HttpRequest* request = makeRequest(baseUrl() + path, &out);
        HttpClient::getInstance()->sendImmediate(request);
        request->release();
        waitFor([&] { return out.calls > 0; });
        return out;
    }

    // Runs frames until done() or the deadline; the callbacks arrive in frames.
    template <typename Done>
    bool waitFor(Done done, double seconds = 15.0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            Director::getInstance()->mainLoop(1.0f / 60);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    std::thread::id mainThread;
};

TEST_F(HttpClientTest, DefaultsAreTheEngineTimeOutsAndNoVerification) {
    EXPECT_EQ(HttpClient::getInstance()->getTimeoutForConnect(), 30);
    EXPECT_EQ(HttpClient::getInstance()->getTimeoutForRead(), 60);
    EXPECT_EQ(HttpClient::getInstance()->getSSLVerification(), "");
    HttpClient::getInstance()->setTimeoutForRead(0); // ignored
    EXPECT_EQ(HttpClient::getInstance()->getTimeoutForRead(), 60);
}

TEST_F(HttpClientTest, StatusDecidesSuccessAndTheBodyIsKeptForAnyStatus) {
    struct Case {
        const char* path;
        bool succeeded;
        long code;
        const char* body;
    };
    const Case cases[] = {
        {"ok", true, 200, "hello from the fixture"},
        {"no-content", true, 204, ""},
        {"missing", false, 404, "nothing here"},
        {"server-error", false, 500, "boom"},
        {"redirect", true, 200, "hello from the fixture"},
    };
    for (const Case& c : cases) {
        const Outcome out = get(c.path);
        ASSERT_EQ(out.calls, 1) << c.path;
        EXPECT_TRUE(out.onMainThread) << c.path;
        EXPECT_EQ(out.succeeded, c.succeeded) << c.path;
        EXPECT_EQ(out.code, c.code) << c.path;
        EXPECT_EQ(out.body, c.body) << c.path;
        EXPECT_EQ(out.error, "") << c.path << ": a status is not a transport failure";
    }
}

TEST_F(HttpClientTest, ResponseHeadersAndCompressedBodiesArrive) {
    const Outcome ok = get("ok");
    EXPECT_NE(ok.headers.find("X-Fixture: yes"), std::string::npos);
    const Outcome zipped = get("gzip");
    ASSERT_TRUE(zipped.succeeded);
    std::string expected;
    for (int i = 0; i < 20; ++i) expected += "unpacked text ";
    EXPECT_EQ(zipped.body, expected);
}

TEST_F(HttpClientTest, ARefusedConnectionIsCodeMinusOneWithCurlsText) {
    const char* port = std::getenv("ENGINE_HTTP_REFUSED_PORT");
    ASSERT_NE(port, nullptr);
    Outcome out;
    HttpRequest* request = makeRequest(std::string("http://127.0.0.1:") + port + "/", &out);
    HttpClient::getInstance()->sendImmediate(request);
    request->release();
    ASSERT_TRUE(waitFor([&] { return out.calls > 0; }));
    EXPECT_EQ(out.calls, 1);
    EXPECT_FALSE(out.succeeded);
    EXPECT_EQ(out.code, -1);
    EXPECT_NE(out.error.find("onnect"), std::string::npos) << out.error;

    // A URL curl cannot use fails the same way, and is still delivered.
    Outcome bad;
    HttpRequest* broken = makeRequest("nonsense://x", &bad);
    HttpClient::getInstance()->sendImmediate(broken);
    broken->release();
    ASSERT_TRUE(waitFor([&] { return bad.calls > 0; }));
    EXPECT_EQ(bad.code, -1);
    EXPECT_FALSE(bad.error.empty());
}

TEST_F(HttpClientTest, AStallingServerTimesOutWithTheReadTimeOut) {
    HttpClient::getInstance()->setTimeoutForRead(1);
    const auto start = std::chrono::steady_clock::now();
    const Outcome out = get("stall");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(out.calls, 1);
    EXPECT_FALSE(out.succeeded);
    EXPECT_EQ(out.code, -1);
    EXPECT_NE(out.error.find("timed out"), std::string::npos) << out.error;
    EXPECT_LT(seconds, 5.0);
}

TEST_F(HttpClientTest, MethodsBodiesAndHeadersReachTheServer) {
    struct Case {
        HttpRequest::Type type;
        const char* expected;
    };
    const Case cases[] = {{HttpRequest::Type::POST, "POST|abc|name=v%C3%A2n"},
                          {HttpRequest::Type::PUT, "PUT|abc|name=v%C3%A2n"},
                          {HttpRequest::Type::DELETE, "DELETE|abc|"}};
    for (const Case& c : cases) {
        Outcome out;
        HttpRequest* request = makeRequest(baseUrl() + "echo", &out, c.type);
        if (c.type != HttpRequest::Type::DELETE) request->setRequestData("name=v%C3%A2n", 13);
        request->setHeaders({"X-Test: abc"});
        HttpClient::getInstance()->sendImmediate(request);
        request->release();
        ASSERT_TRUE(waitFor([&] { return out.calls > 0; }));
        EXPECT_EQ(out.body, c.expected);
    }
}

TEST_F(HttpClientTest, EveryRequestGetsExactlyOneCallbackAndStaysAliveUntilThen) {
    const int count = 6;
    std::vector<Outcome> outcomes(count);
    const char* paths[count] = {"ok", "missing", "no-content", "ok", "server-error", "redirect"};
    for (int i = 0; i < count; ++i) {
        HttpRequest* request = makeRequest(baseUrl() + paths[i], &outcomes[i]);
        request->setTag(paths[i]);
        // Half through the shared queue, half on their own threads.
        if (i % 2)
            HttpClient::getInstance()->send(request);
        else
            HttpClient::getInstance()->sendImmediate(request);
        request->release(); // the client holds its own reference until the callback
    }
    ASSERT_TRUE(waitFor([&] {
        for (const Outcome& o : outcomes)
            if (o.calls == 0) return false;
        return true;
    }));
    for (int i = 0; i < 30; ++i) Director::getInstance()->mainLoop(1.0f / 60);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(outcomes[i].calls, 1) << paths[i];
        EXPECT_TRUE(outcomes[i].onMainThread) << paths[i];
        ASSERT_NE(outcomes[i].request, nullptr);
    }
    EXPECT_EQ(outcomes[1].code, 404);
    EXPECT_EQ(outcomes[2].code, 204);
}

TEST_F(HttpClientTest, TheCallbackComesInALaterFrameNotDuringSend) {
    Outcome out;
    HttpRequest* request = makeRequest(baseUrl() + "ok", &out);
    HttpClient::getInstance()->sendImmediate(request);
    request->release();
    // Without frames nothing is delivered, however long the transfer has been done.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(out.calls, 0);
    ASSERT_TRUE(waitFor([&] { return out.calls > 0; }));
    EXPECT_EQ(out.calls, 1);
}

// A request's body cap: a longer body is a transport failure, whether the
// server announces the length, closes the connection or sends chunks; the
// cap counts the decoded bytes. Without a cap the body is kept whole.
TEST_F(HttpClientTest, ABodyOverTheRequestsCapFailsTheTransfer) {
    struct Case {
        std::string path;
        std::size_t cap;
        bool succeeded;
        std::size_t bodySize;
    };
    const Case cases[] = {
        {"bytes/1000/length", 1000, true, 1000},  {"bytes/1001/length", 1000, false, 0},
        {"bytes/1000/close", 1000, true, 1000},   {"bytes/1001/close", 1000, false, 0},
        {"bytes/1000/chunked", 1000, true, 1000}, {"bytes/50000/chunked", 1000, false, 0},
        {"bytes/50000/length", 0, true, 50000},   {"bytes/50000/close", 0, true, 50000},
        {"gzip", 100, false, 0},  // 280 bytes once decoded, fewer on the wire
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " cap " + std::to_string(c.cap));
        Outcome out;
        HttpRequest* request = makeRequest(baseUrl() + c.path, &out);
        request->setMaxResponseBytes(c.cap);
        HttpClient::getInstance()->sendImmediate(request);
        request->release();
        ASSERT_TRUE(waitFor([&] { return out.calls > 0; }));
        EXPECT_EQ(out.calls, 1);
        EXPECT_EQ(out.succeeded, c.succeeded) << out.error;
        if (c.succeeded) {
            EXPECT_EQ(out.code, 200);
            EXPECT_EQ(out.body.size(), c.bodySize);
        } else {
            EXPECT_EQ(out.code, -1);
            EXPECT_EQ(out.error, "response larger than " + std::to_string(c.cap) + " bytes");
        }
    }
}

std::string fileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The fixture's TLS port: a certificate for 127.0.0.1 alone, from the CA in
// ENGINE_HTTPS_CA. Asked as "localhost" it names another host.
TEST_F(HttpClientTest, TlsPeerAndHostNameAreCheckedAgainstTheCaFileOrTheBundleBytes) {
    const char* port = std::getenv("ENGINE_HTTPS_PORT");
    const char* ca = std::getenv("ENGINE_HTTPS_CA");
    const char* otherCa = std::getenv("ENGINE_HTTPS_OTHER_CA");
    ASSERT_TRUE(port && ca && otherCa);
    const std::string caPem = fileBytes(ca);
    const std::string otherPem = fileBytes(otherCa);
    ASSERT_NE(caPem.find("BEGIN CERTIFICATE"), std::string::npos);
    ASSERT_NE(otherPem.find("BEGIN CERTIFICATE"), std::string::npos);
    const std::string byAddress = std::string("https://127.0.0.1:") + port + "/ok";
    const std::string byOtherName = std::string("https://localhost:") + port + "/ok";

    HttpClient* client = HttpClient::getInstance();
    struct Case {
        const char* name;
        std::function<void()> configure;
        const std::string& url;
        bool accepted;
    };
    const Case cases[] = {
        {"no CA: nothing checked", [&] { client->setSSLVerification(""); }, byOtherName, true},
        {"CA file", [&] { client->setSSLVerification(ca); }, byAddress, true},
        {"CA file, another host name", [&] { client->setSSLVerification(ca); }, byOtherName, false},
        {"another CA's file", [&] { client->setSSLVerification(otherCa); }, byAddress, false},
        {"bundle bytes", [&] { client->setSSLVerificationBundle(caPem); }, byAddress, true},
        {"bundle bytes, another host name", [&] { client->setSSLVerificationBundle(caPem); }, byOtherName, false},
        {"another CA's bytes", [&] { client->setSSLVerificationBundle(otherPem); }, byAddress, false},
        // The file set afterwards replaces the bytes, and the other way round.
        {"bytes after a file", [&] { client->setSSLVerification(ca); client->setSSLVerificationBundle(otherPem); },
         byAddress, false},
        {"file after bytes", [&] { client->setSSLVerificationBundle(otherPem); client->setSSLVerification(ca); },
         byAddress, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.configure();
        Outcome out;
        HttpRequest* request = makeRequest(c.url, &out);
        client->sendImmediate(request);
        request->release();
        ASSERT_TRUE(waitFor([&] { return out.calls > 0; }));
        EXPECT_EQ(out.succeeded, c.accepted) << out.error;
        if (c.accepted) {
            EXPECT_EQ(out.body, "hello from the fixture");
        } else {
            EXPECT_EQ(out.code, -1);
            EXPECT_FALSE(out.error.empty());
        }
    }
    client->setSSLVerificationBundle(caPem);
    EXPECT_EQ(client->getSSLVerification(), "") << "no file while the bytes are the CA";
}

} // namespace
