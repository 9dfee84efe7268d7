// One blocking libcurl transfer. Worker threads only: it reads the request
// and fills the response, and touches nothing else.
#pragma once

#include "network/HttpClient.h"

namespace cocos2d {
namespace network {

class HttpRequest;
class HttpResponse;

void performTransfer(const HttpRequest& request, const HttpClient::Settings& settings, HttpResponse* response);

} // namespace network
} // namespace cocos2d
