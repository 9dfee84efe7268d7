#include "update/controller/EngineHttpCaBundle.h"

#include "network/HttpClient.h"
#include "proj.win32/CaBundle.h"

void setEngineHttpCaBundle() {
    cocos2d::network::HttpClient* client = cocos2d::network::HttpClient::getInstance();
    const CaBundle& ca = sharedCaBundle();
    if (!ca.pem.empty()) {
        client->setSSLVerificationBundle(ca.pem);
        return;
    }
    // Bytes that could not be read: the path, on which libcurl fails as on any
    // missing bundle. No path at all: libcurl's own CA store, as for the
    // downloads. Never no check at all.
    if (!ca.path.empty()) {
        client->setSSLVerification(ca.path);
        return;
    }
    client->setSSLVerificationBundle(std::string());
}
