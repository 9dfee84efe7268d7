// The engine HTTP client's certificate check: the CA bundle of the package
// downloads ("cacert.pem" beside the executable), so that the gateway, the
// resource list, the bridge's prefetch and the game's own requests verify the
// peer and its host name. Main thread, before the first request.
#pragma once

void setEngineHttpCaBundle();
