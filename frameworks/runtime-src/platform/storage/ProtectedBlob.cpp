#include "platform/storage/ProtectedBlob.h"

#include "platform/storage/Base64.h"
#include "platform/storage/DataProtection.h"

#include <vector>

#ifdef HOST_STORAGE_TEST_SEAM
#include "platform/storage/ProtectionTestSeam.h"
bool protectionFailsForTest = false;
#endif

const char kProtectedBlobPrefix[] = "ZAVUDP1:";

namespace {

constexpr size_t kPrefixLength = sizeof kProtectedBlobPrefix - 1;

bool protectBytes(const std::string& plain, std::vector<unsigned char>& protectedBytes) {
#ifdef HOST_STORAGE_TEST_SEAM
    if (protectionFailsForTest) return false;
#endif
    return protectForCurrentUser(plain, protectedBytes);
}

}  // namespace

bool isProtectedBlob(const std::string& text) { return text.compare(0, kPrefixLength, kProtectedBlobPrefix) == 0; }

std::string protectString(const std::string& plain) {
    std::vector<unsigned char> protectedBytes;
    if (!protectBytes(plain, protectedBytes)) return std::string();
    return kProtectedBlobPrefix + base64Encode(protectedBytes.data(), protectedBytes.size());
}

int unprotectString(const std::string& text, std::string& plain) {
    if (!isProtectedBlob(text)) return 0;
    std::vector<unsigned char> protectedBytes;
    if (!base64Decode(text.substr(kPrefixLength), protectedBytes) || protectedBytes.empty()) return -1;
    if (!unprotectForCurrentUser(protectedBytes, plain)) return -1;
    return 1;
}
