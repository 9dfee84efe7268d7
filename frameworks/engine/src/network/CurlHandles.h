// RAII owners for libcurl handles: curl_easy_cleanup and curl_slist_free_all
// are called here and nowhere else.
#pragma once

#include <curl/curl.h>

#include <utility>

namespace cocos2d {
namespace network {

class CurlEasy {
public:
    CurlEasy() : _handle(curl_easy_init()) {}
    ~CurlEasy() {
        if (_handle) curl_easy_cleanup(_handle);
    }
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;
    CURL* get() const { return _handle; }
    explicit operator bool() const { return _handle != nullptr; }

private:
    CURL* _handle;
};

class CurlHeaderList {
public:
    CurlHeaderList() = default;
    ~CurlHeaderList() {
        if (_list) curl_slist_free_all(_list);
    }
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;
    // False when curl could not copy the line (out of memory); the list is kept.
    bool append(const char* line) {
        curl_slist* grown = curl_slist_append(_list, line);
        if (!grown) return false;
        _list = grown;
        return true;
    }
    curl_slist* get() const { return _list; }

private:
    curl_slist* _list = nullptr;
};

} // namespace network
} // namespace cocos2d
