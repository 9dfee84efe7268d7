// The outcome of one HttpRequest. Filled by the client's worker, then handed
// to the main thread; the callback reads it there.
//
// isSucceed(): the transfer completed AND the status is 2xx.
// getResponseCode(): -1 until a status was received (and so after any
// transport failure); otherwise the final HTTP status.
// getErrorBuffer(): never null; libcurl's text after a transport failure,
// "" otherwise (a non-2xx status is not a transport failure).
// getResponseData() / getResponseHeader(): what arrived, for any status.
#pragma once

#include "base/CCRef.h"

#include <string>
#include <vector>

namespace cocos2d {
namespace network {

class HttpRequest;

class HttpResponse : public Ref {
public:
    // Retains the request.
    explicit HttpResponse(HttpRequest* request);
    ~HttpResponse() override;

    HttpRequest* getHttpRequest() const { return _request; }
    bool isSucceed() const { return _succeed; }
    std::vector<char>* getResponseData() { return &_responseData; }
    std::vector<char>* getResponseHeader() { return &_responseHeader; }
    long getResponseCode() const { return _responseCode; }
    const char* getErrorBuffer() const { return _errorBuffer.c_str(); }
    // The body as a string (a copy).
    std::string getResponseDataString() const { return std::string(_responseData.begin(), _responseData.end()); }

    void setSucceed(bool value) { _succeed = value; }
    void setResponseData(const std::vector<char>* data) { if (data) _responseData = *data; }
    void setResponseHeader(const std::vector<char>* data) { if (data) _responseHeader = *data; }
    void setResponseCode(long value) { _responseCode = value; }
    void setErrorBuffer(const char* value) { _errorBuffer = value ? value : ""; }

private:
    HttpRequest* _request = nullptr;
    bool _succeed = false;
    std::vector<char> _responseData;
    std::vector<char> _responseHeader;
    long _responseCode = -1;
    std::string _errorBuffer;
};

} // namespace network
} // namespace cocos2d
