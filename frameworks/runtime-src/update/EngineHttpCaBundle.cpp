#include "update/EngineHttpCaBundle.h"

#include "network/HttpClient.h"
#include "update/UpdatePaths.h"

void setEngineHttpCaBundle() {
    cocos2d::network::HttpClient* client = cocos2d::network::HttpClient::getInstance();
    const CaBundle& ca = updateCaBundle();
    if (!ca.path.empty()) {
        client->setSSLVerification(ca.path);
        return;
    }
    // No ANSI path names the bundle: its bytes, or, without those, libcurl's
    // own CA store, as for the downloads. Never no check at all.
    client->setSSLVerificationBundle(ca.pem);
}
