// One libcurl easy transfer with the engine client's options.
#include "network/CurlHandles.h" // first: curl brings <windows.h>, whose DELETE the request header undoes

#include "network/HttpRequest.h"
#include "network/HttpResponse.h"
#include "network/HttpTransfer.h"

#include <string>
#include <vector>

namespace cocos2d {
namespace network {

namespace {

// Bound on redirects followed for GET / DELETE.
const long kMaxRedirects = 10;

size_t appendBytes(char* data, size_t size, size_t count, void* userdata) {
    auto* out = static_cast<std::vector<char>*>(userdata);
    const size_t bytes = size * count;
    out->insert(out->end(), data, data + bytes);
    return bytes;
}

// The body, and the request's cap on it (0: none).
struct BodySink {
    std::vector<char>* out;
    std::size_t maxBytes;
    bool overCap;
};

// Counts the decoded bytes, whatever the server announced: returning short
// ends the transfer (CURLE_WRITE_ERROR) before the body outgrows the cap.
size_t appendBody(char* data, size_t size, size_t count, void* userdata) {
    auto* sink = static_cast<BodySink*>(userdata);
    const size_t bytes = size * count;
    if (sink->maxBytes != 0 && bytes > sink->maxBytes - sink->out->size()) {
        sink->overCap = true;
        return 0;
    }
    return appendBytes(data, size, count, sink->out);
}

// Collects the first failing option instead of checking each call inline.
class Options {
public:
    explicit Options(CURL* curl) : _curl(curl) {}
    template <typename T>
    void set(CURLoption option, T value) {
        if (_failed != CURLE_OK) return;
        _failed = curl_easy_setopt(_curl, option, value);
    }
    CURLcode result() const { return _failed; }

private:
    CURL* _curl;
    CURLcode _failed = CURLE_OK;
};

void fail(HttpResponse* response, const char* message) {
    response->setSucceed(false);
    response->setResponseCode(-1);
    response->setErrorBuffer(message);
}

} // namespace

void performTransfer(const HttpRequest& request, const HttpClient::Settings& settings, HttpResponse* response) {
    CurlEasy curl;
    if (!curl) return fail(response, "curl_easy_init failed");

    char errorBuffer[CURL_ERROR_SIZE] = {0};
    const std::string url = request.getUrl();
    const HttpRequest::Type type = request.getRequestType();
    if (type == HttpRequest::Type::UNKNOWN) return fail(response, "unknown request type");

    Options o(curl.get());
    o.set(CURLOPT_ERRORBUFFER, errorBuffer);
    o.set(CURLOPT_URL, url.c_str());
    o.set(CURLOPT_TIMEOUT, static_cast<long>(settings.readTimeoutSec));
    o.set(CURLOPT_CONNECTTIMEOUT, static_cast<long>(settings.connectTimeoutSec));
    o.set(CURLOPT_NOSIGNAL, 1L);
    o.set(CURLOPT_ACCEPT_ENCODING, "");
    // The settings outlive the transfer, so libcurl may read the bundle in place.
    curl_blob caBlob{};
    if (!settings.verifyPeer) {
        o.set(CURLOPT_SSL_VERIFYPEER, 0L);
        o.set(CURLOPT_SSL_VERIFYHOST, 0L);
    } else {
        o.set(CURLOPT_SSL_VERIFYPEER, 1L);
        o.set(CURLOPT_SSL_VERIFYHOST, 2L);
        if (!settings.caFile.empty()) {
            o.set(CURLOPT_CAINFO, settings.caFile.c_str());
        } else if (settings.caPem && !settings.caPem->empty()) {
            caBlob.data = const_cast<char*>(settings.caPem->data());
            caBlob.len = settings.caPem->size();
            caBlob.flags = CURL_BLOB_NOCOPY;
            o.set(CURLOPT_CAINFO_BLOB, &caBlob);
        }
    }
    if (!settings.cookieFile.empty()) {
        o.set(CURLOPT_COOKIEFILE, settings.cookieFile.c_str());
        o.set(CURLOPT_COOKIEJAR, settings.cookieFile.c_str());
    }

    CurlHeaderList headers;
    for (const std::string& line : request.getHeaders())
        if (!headers.append(line.c_str())) return fail(response, "out of memory for the request headers");
    if (headers.get()) o.set(CURLOPT_HTTPHEADER, headers.get());

    std::vector<char>* head = response->getResponseHeader();
    BodySink body{response->getResponseData(), request.getMaxResponseBytes(), false};
    o.set(CURLOPT_WRITEFUNCTION, &appendBody);
    o.set(CURLOPT_WRITEDATA, static_cast<void*>(&body));
    // An announced length over the cap fails before any byte of the body.
    if (body.maxBytes != 0) o.set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(body.maxBytes));
    o.set(CURLOPT_HEADERFUNCTION, &appendBytes);
    o.set(CURLOPT_HEADERDATA, static_cast<void*>(head));

    // The worker never changes the request, so its body can be sent in place.
    auto* mutableRequest = const_cast<HttpRequest*>(&request);
    const char* data = mutableRequest->getRequestData();
    const long dataSize = static_cast<long>(request.getRequestDataSize());
    switch (type) {
    case HttpRequest::Type::GET:
        o.set(CURLOPT_HTTPGET, 1L);
        o.set(CURLOPT_FOLLOWLOCATION, 1L);
        o.set(CURLOPT_MAXREDIRS, kMaxRedirects);
        break;
    case HttpRequest::Type::POST:
        o.set(CURLOPT_POST, 1L);
        o.set(CURLOPT_POSTFIELDSIZE, dataSize);
        o.set(CURLOPT_POSTFIELDS, data ? data : "");
        break;
    case HttpRequest::Type::PUT:
        o.set(CURLOPT_CUSTOMREQUEST, "PUT");
        o.set(CURLOPT_POSTFIELDSIZE, dataSize);
        o.set(CURLOPT_POSTFIELDS, data ? data : "");
        break;
    case HttpRequest::Type::DELETE:
        o.set(CURLOPT_CUSTOMREQUEST, "DELETE");
        o.set(CURLOPT_FOLLOWLOCATION, 1L);
        o.set(CURLOPT_MAXREDIRS, kMaxRedirects);
        break;
    case HttpRequest::Type::UNKNOWN:
        break;
    }
    if (o.result() != CURLE_OK) return fail(response, curl_easy_strerror(o.result()));

    const CURLcode rc = curl_easy_perform(curl.get());
    if (body.overCap || rc == CURLE_FILESIZE_EXCEEDED) {
        const std::string tooLarge = "response larger than " + std::to_string(body.maxBytes) + " bytes";
        return fail(response, tooLarge.c_str());
    }
    if (rc != CURLE_OK) return fail(response, errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc));

    long code = -1;
    if (curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
        return fail(response, "no response code");
    response->setResponseCode(code);
    response->setErrorBuffer("");
    response->setSucceed(code >= 200 && code < 300);
}

} // namespace network
} // namespace cocos2d
