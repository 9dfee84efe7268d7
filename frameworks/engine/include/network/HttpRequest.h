// One HTTP request: URL, method, body, headers and the response callback.
// Made and filled on the main thread; the client's worker only reads it.
//
// Created with `new` (one reference) and dropped with release(); the client
// keeps its own reference until the callback has run.
#pragma once

#include "base/CCRef.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// <windows.h> defines DELETE as an access right; the method name wins here.
#ifdef DELETE
#undef DELETE
#endif

namespace cocos2d {
namespace network {

class HttpClient;
class HttpResponse;

typedef std::function<void(HttpClient* client, HttpResponse* response)> ccHttpRequestCallback;

class HttpRequest : public Ref {
public:
    enum class Type { GET, POST, PUT, DELETE, UNKNOWN };

    HttpRequest() = default;
    ~HttpRequest() override = default;

    void setRequestType(Type type) { _requestType = type; }
    Type getRequestType() const { return _requestType; }

    void setUrl(const std::string& url) { _url = url; }
    const char* getUrl() const { return _url.c_str(); }

    // Copies len bytes.
    void setRequestData(const char* buffer, std::size_t len);
    char* getRequestData() { return _requestData.empty() ? nullptr : _requestData.data(); }
    std::size_t getRequestDataSize() const { return _requestData.size(); }

    void setTag(const std::string& tag) { _tag = tag; }
    const char* getTag() const { return _tag.c_str(); }

    // Not owned.
    void setUserData(void* userData) { _userData = userData; }
    void* getUserData() const { return _userData; }

    void setResponseCallback(const ccHttpRequestCallback& callback) { _callback = callback; }
    const ccHttpRequestCallback& getCallback() const { return _callback; }

    // The most body bytes the answer may bring; a longer body ends the
    // transfer as a failure (code -1). 0, the default: no limit.
    void setMaxResponseBytes(std::size_t bytes) { _maxResponseBytes = bytes; }
    std::size_t getMaxResponseBytes() const { return _maxResponseBytes; }

    // Whole header lines, "Name: value".
    void setHeaders(const std::vector<std::string>& headers) { _headers = headers; }
    const std::vector<std::string>& getHeaders() const { return _headers; }

private:
    Type _requestType = Type::UNKNOWN;
    std::string _url;
    std::vector<char> _requestData;
    std::string _tag;
    void* _userData = nullptr;
    ccHttpRequestCallback _callback;
    std::vector<std::string> _headers;
    std::size_t _maxResponseBytes = 0;
};

} // namespace network
} // namespace cocos2d
