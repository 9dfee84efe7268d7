#include "platform/HttpPostForm.h"

#include "platform/CurlOwners.h"
#include "proj.win32/CaBundle.h"

#include "base/CCConsole.h"

namespace {

constexpr long kMaxRedirects = 5;  // the service redirects once at most; a loop must end

size_t writeToString(char* data, size_t size, size_t count, void* out) {
    return appendToString(data, size, count, static_cast<std::string*>(out));
}

}  // namespace

size_t appendToString(char* data, size_t size, size_t count, std::string* out) {
    const size_t n = size * count;
    try {
        out->append(data, n);
    } catch (const std::exception&) {
        return 0;  // libcurl ends the transfer with a write error
    }
    return n;
}

FormPostAnswer httpPostForm(const std::string& url, const std::string& fields) {
    FormPostAnswer answer;
    CurlEasyHandle curl(curl_easy_init());
    if (!curl) return answer;
    CURL* h = curl.get();
    // The option results are not checked one by one: a refused option shows up
    // as a failed perform, which is what counts.
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, fields.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeToString);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, kFormPostTimeoutSec);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    applyCaBundle(h, sharedCaBundle());

    const CURLcode code = curl_easy_perform(h);
    answer.transferred = code == CURLE_OK;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &answer.httpStatus);
    if (!answer.succeeded()) {
        // Neither the URL's fields nor the body: the body of the request holds the token.
        cocos2d::log("[ZAVU] POST dang nhap lai that bai: curl %d, HTTP %ld", static_cast<int>(code), answer.httpStatus);
    }
    return answer;
}
