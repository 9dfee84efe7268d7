// The certificate bundle "cacert.pem" beside the executable, which the TLS
// warm-up, the update's package downloads and the login requests give libcurl.
#pragma once

#include <curl/curl.h>

#include <string>

// The bundle's path in the ANSI code page; empty when the module path does not
// fit 260 units. Nothing checks that the file exists.
std::string getCaBundlePath();

// The bundle as libcurl is given it.
struct CaBundle {
    // The bundle's bytes, read through the UTF-16 path: libcurl opens a
    // CURLOPT_CAINFO file by its ANSI name, which cannot name a folder with
    // letters outside the code page (a Vietnamese install folder).
    std::string pem;
    // The ANSI path, only when the bytes could not be read: libcurl then
    // fails on it as on any missing or unreadable bundle.
    std::string path;

    // No path could be formed: libcurl's own CA settings apply.
    bool isEmpty() const { return pem.empty() && path.empty(); }
};

// Read on the first call, from any thread, and kept for the process (never
// destroyed: detached threads may still use it at exit).
const CaBundle& sharedCaBundle();

// CURLOPT_CAINFO_BLOB with the bytes, else CURLOPT_CAINFO with the path;
// nothing for an empty bundle. The bytes are not copied: the bundle must
// outlive the handle's transfers, as sharedCaBundle() does.
void applyCaBundle(CURL* handle, const CaBundle& bundle);
