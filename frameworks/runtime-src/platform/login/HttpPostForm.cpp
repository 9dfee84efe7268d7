#include "platform/login/HttpPostForm.h"

#include "platform/login/CurlOwners.h"
#include "proj.win32/CaBundle.h"

#include "base/CCConsole.h"

#include <cctype>
#include <cstring>

namespace {

constexpr long kMaxRedirects = 5;  // the service redirects once at most; a loop must end

struct CappedBody {
    std::string* body;
    bool overflowed = false;
};

size_t writeCapped(char* data, size_t size, size_t count, void* out) {
    auto* sink = static_cast<CappedBody*>(out);
    const size_t n = size * count;
    if (n > kMaxFormAnswerBytes - sink->body->size()) {
        sink->overflowed = true;
        return 0;  // libcurl ends the transfer with a write error
    }
    return appendToString(data, size, count, sink->body);
}

// Host (lower case) and port (the scheme's default when none is written) of url.
bool authorityOf(CURLU* url, std::string& host, std::string& port) {
    char* h = nullptr;
    char* p = nullptr;
    if (curl_url_get(url, CURLUPART_HOST, &h, 0) != CURLUE_OK) return false;
    CurlString hostText(h);
    if (curl_url_get(url, CURLUPART_PORT, &p, CURLU_DEFAULT_PORT) != CURLUE_OK) return false;
    CurlString portText(p);
    host = hostText.get();
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    port = portText.get();
    return true;
}

// Sees each answer's headers before libcurl acts on them: a redirect to
// another host or port ends the transfer there, before anything is sent to it.
struct RedirectGuard {
    CURL* handle;
    std::string host, port;  // of the request
    bool refused = false;
};

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* guard = static_cast<RedirectGuard*>(user);
    const size_t n = size * count;
    static const char kLocation[] = "location:";
    const size_t prefix = sizeof kLocation - 1;
    if (n <= prefix) return n;
    for (size_t i = 0; i < prefix; ++i)
        if (std::tolower(static_cast<unsigned char>(data[i])) != kLocation[i]) return n;
    long status = 0;
    curl_easy_getinfo(guard->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status < 300 || status > 399) return n;

    std::string target(data + prefix, n - prefix);
    const size_t first = target.find_first_not_of(" \t");
    const size_t last = target.find_last_not_of(" \t\r\n");
    target = first == std::string::npos ? std::string() : target.substr(first, last - first + 1);
    // Resolved against the answer's own URL, as libcurl resolves it.
    char* current = nullptr;
    curl_easy_getinfo(guard->handle, CURLINFO_EFFECTIVE_URL, &current);
    CurlUrl url(curl_url());
    std::string host, port;
    const bool resolved = url && current && curl_url_set(url.get(), CURLUPART_URL, current, 0) == CURLUE_OK &&
                          curl_url_set(url.get(), CURLUPART_URL, target.c_str(), 0) == CURLUE_OK &&
                          authorityOf(url.get(), host, port);
    if (resolved && host == guard->host && port == guard->port) return n;
    guard->refused = true;
    return 0;  // libcurl ends the transfer; the redirect is not followed
}

bool requestAuthority(const std::string& requestUrl, std::string& host, std::string& port) {
    CurlUrl url(curl_url());
    return url && curl_url_set(url.get(), CURLUPART_URL, requestUrl.c_str(), 0) == CURLUE_OK &&
           authorityOf(url.get(), host, port);
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
    CappedBody sink{&answer.body};
    RedirectGuard guard{h, std::string(), std::string()};
    if (!requestAuthority(url, guard.host, guard.port)) {
        cocos2d::log("[ZAVU] POST dang nhap lai: dia chi khong hop le");
        return answer;
    }
    // The option results are not checked one by one: a refused option shows up
    // as a failed perform, which is what counts.
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, fields.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeCapped);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &guard);
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
    if (sink.overflowed) {
        cocos2d::log("[ZAVU] POST dang nhap lai: tra loi qua %u byte, bo qua", static_cast<unsigned>(kMaxFormAnswerBytes));
        answer.body.clear();
    }
    if (guard.refused) cocos2d::log("[ZAVU] POST dang nhap lai: tu choi chuyen huong sang may chu khac");
    if (!answer.succeeded()) {
        // Neither the URL's fields nor the body: the body of the request holds the token.
        cocos2d::log("[ZAVU] POST dang nhap lai that bai: curl %d, HTTP %ld", static_cast<int>(code), answer.httpStatus);
    }
    return answer;
}
