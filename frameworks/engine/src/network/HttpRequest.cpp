// Request body copy.
#include <curl/curl.h> // first: it brings <windows.h>, whose DELETE the request header undoes

#include "network/HttpRequest.h"

namespace cocos2d {
namespace network {

void HttpRequest::setRequestData(const char* buffer, std::size_t len) {
    if (!buffer || len == 0) {
        _requestData.clear();
        return;
    }
    _requestData.assign(buffer, buffer + len);
}

} // namespace network
} // namespace cocos2d
