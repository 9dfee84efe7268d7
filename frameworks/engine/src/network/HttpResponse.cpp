// Response lifetime: it keeps its request alive.
#include "network/HttpResponse.h"

#include "network/HttpRequest.h"

namespace cocos2d {
namespace network {

HttpResponse::HttpResponse(HttpRequest* request) : _request(request) {
    if (_request) _request->retain();
}

HttpResponse::~HttpResponse() {
    if (_request) _request->release();
}

} // namespace network
} // namespace cocos2d
