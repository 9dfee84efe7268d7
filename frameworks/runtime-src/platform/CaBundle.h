// The certificate bundle given to the login requests.
#pragma once

// "cacert.pem" beside the executable (the rule of getCaBundlePath), worked
// out on the first call and kept for the process; null when there is no path.
// Main thread only.
const char* cachedCaBundlePath();
