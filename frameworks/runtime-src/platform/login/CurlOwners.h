// Owner types for libcurl's easy handles, URL handles and the strings it allocates.
#pragma once

#include <curl/curl.h>

#include <memory>

struct CurlEasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasyHandle = std::unique_ptr<CURL, CurlEasyCleanup>;

struct CurlFree {
    void operator()(char* text) const { curl_free(text); }
};
using CurlString = std::unique_ptr<char, CurlFree>;

struct CurlUrlCleanup {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;
