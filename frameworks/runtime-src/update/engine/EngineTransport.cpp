// The update engine's real transport: the engine's HttpClient for the list,
// libcurl's easy interface for the package transfers (one handle per
// transfer, on the download worker's thread).
#include "update/engine/UpdateTransport.h"

#include "network/HttpClient.h"
#include "proj.win32/CaBundle.h"
#include "network/HttpRequest.h"
#include "network/HttpResponse.h"
#include "update/engine/Md5.h"
#include "update/engine/UpdateAnswerLimit.h"

#include <curl/curl.h>

#include <memory>

using namespace cocos2d::network;

namespace {

constexpr long kLowSpeedLimitBytesPerSec = 1;  // a stalled transfer...
constexpr long kLowSpeedTimeSec = 30;          // ...ends after this long (CURLE_OPERATION_TIMEDOUT)

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// The write data: the file and the bytes it accepted, counted here rather
// than guessed from the stream position afterwards.
struct WriteTarget {
    FILE* file;
    Md5* digest;
    int64_t written;
};

size_t writeToFile(char* data, size_t size, size_t count, void* userdata) {
    WriteTarget* target = static_cast<WriteTarget*>(userdata);
    const size_t n = std::fwrite(data, size, count, target->file);  // a short write ends the transfer
    if (target->digest) target->digest->update(data, n * size);
    target->written += static_cast<int64_t>(n) * static_cast<int64_t>(size);
    return n;
}

int onCurlProgress(void* context, double downloadTotal, double downloadNow, double uploadTotal, double uploadNow) {
    const PackageFetch* fetch = static_cast<const PackageFetch*>(context);
    return fetch->onProgress && fetch->onProgress(static_cast<int64_t>(downloadNow)) ? 1 : 0;
}

// One easy handle per download worker, reset before each transfer: every
// transfer sets its options afresh, but the handle keeps its connections, so
// a worker's next package reuses the TLS connection instead of paying for a
// new handshake (with many small packages the handshakes dominated).
class CurlSession : public TransferSession {
public:
    CURL* handle() {
        if (handle_) {
            curl_easy_reset(handle_.get());
        } else {
            handle_.reset(curl_easy_init());
        }
        return handle_.get();
    }

private:
    std::unique_ptr<CURL, CurlEasyDeleter> handle_;
};

class EngineTransport : public UpdateTransport {
public:
    void requestList(const std::string& url, std::function<void(const ListAnswer&)> onAnswer) override {
        HttpRequest* request = new HttpRequest();
        request->setUrl(url);
        request->setRequestType(HttpRequest::Type::GET);
        request->setMaxResponseBytes(kMaxUpdateAnswerBytes);
        request->setResponseCallback([onAnswer](HttpClient*, HttpResponse* response) {
            ListAnswer answer;
            answer.succeed = response->isSucceed();
            answer.code = response->getResponseCode();
            answer.errorBuffer = response->getErrorBuffer();
            if (const std::vector<char>* data = response->getResponseData()) answer.body.assign(data->begin(), data->end());
            onAnswer(answer);
        });
        HttpClient::getInstance()->sendImmediate(request);
        request->release();
    }

    std::unique_ptr<TransferSession> openSession() override { return std::make_unique<CurlSession>(); }

    FetchOutcome fetchPackage(const PackageFetch& fetch) override {
        FetchOutcome outcome;
        std::unique_ptr<CURL, CurlEasyDeleter> own;  // without a session: a handle for this transfer only
        CURL* h = nullptr;
        if (CurlSession* session = dynamic_cast<CurlSession*>(fetch.session)) {
            h = session->handle();
        } else {
            own.reset(curl_easy_init());
            h = own.get();
        }
        if (!h) {
            outcome.curlCode = CURLE_FAILED_INIT;  // reported like any failed transfer
            return outcome;
        }
        WriteTarget target{fetch.file, fetch.digest, 0};
        curl_easy_setopt(h, CURLOPT_URL, fetch.url.c_str());
        if (fetch.ca) applyCaBundle(h, *fetch.ca);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeToFile);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &target);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"  // the double-based form: same counts, still supported
        curl_easy_setopt(h, CURLOPT_PROGRESSFUNCTION, onCurlProgress);
#pragma GCC diagnostic pop
        curl_easy_setopt(h, CURLOPT_PROGRESSDATA, &fetch);
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
        if (fetch.connectTimeoutSec != 0) curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(fetch.connectTimeoutSec));
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedLimitBytesPerSec);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kLowSpeedTimeSec);
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        if (fetch.resumeFrom > 0) curl_easy_setopt(h, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(fetch.resumeFrom));

        outcome.curlCode = static_cast<int>(curl_easy_perform(h));
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);  // stays 0 without an answer
        outcome.httpStatus = status;
        outcome.written = target.written;
        return outcome;
    }
};

}  // namespace

std::shared_ptr<UpdateTransport> makeEngineTransport() { return std::make_shared<EngineTransport>(); }
