// CryptProtectData / CryptUnprotectData with the fixed parameters of the saved
// login. UI_FORBIDDEN alone: bound to the user (never the machine) and never
// prompting, since the host may run without anyone to answer a prompt.
#include "platform/storage/DataProtection.h"

#include "proj.win32/ScopedHandle.h"
#include "proj.win32/Win32.h"

#include <dpapi.h>

#include <limits>

namespace {

const wchar_t kDescription[] = L"ZAVU login";
// Used without its terminating NUL: 17 bytes.
const char kEntropy[] = "HMPV.ROA.token.w7";
constexpr DWORD kEntropySize = sizeof kEntropy - 1;
constexpr DWORD kFlags = CRYPTPROTECT_UI_FORBIDDEN;

DATA_BLOB entropyBlob() {
    DATA_BLOB blob;
    blob.cbData = kEntropySize;
    blob.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(kEntropy));
    return blob;
}

// The system's output buffer: freed in any case; wiped first when it holds
// plain text, with a write the compiler may not drop.
class OutputBlob {
public:
    explicit OutputBlob(bool wipeOnRelease) : wipe_(wipeOnRelease) {
        blob_.cbData = 0;
        blob_.pbData = nullptr;
    }
    OutputBlob(const OutputBlob&) = delete;
    OutputBlob& operator=(const OutputBlob&) = delete;
    ~OutputBlob() {
        if (wipe_ && blob_.pbData) ::SecureZeroMemory(blob_.pbData, blob_.cbData);
        owner_.reset();
    }
    DATA_BLOB* out() { return &blob_; }
    // Takes ownership of what the call wrote; call once, right after it.
    void adopt() { owner_.reset(blob_.pbData); }
    const BYTE* data() const { return blob_.pbData; }
    DWORD size() const { return blob_.cbData; }

private:
    bool wipe_;
    DATA_BLOB blob_;
    ScopedLocalMemory owner_;
};

}  // namespace

bool protectForCurrentUser(const std::string& plain, std::vector<unsigned char>& protectedBytes) {
    if (plain.size() > std::numeric_limits<DWORD>::max()) return false;
    BYTE empty = 0;  // the call wants a readable pointer even for no bytes
    DATA_BLOB input;
    input.cbData = static_cast<DWORD>(plain.size());
    input.pbData = plain.empty() ? &empty : reinterpret_cast<BYTE*>(const_cast<char*>(plain.data()));
    DATA_BLOB entropy = entropyBlob();
    OutputBlob output(false);
    if (!::CryptProtectData(&input, kDescription, &entropy, nullptr, nullptr, kFlags, output.out())) return false;
    output.adopt();
    protectedBytes.assign(output.data(), output.data() + output.size());
    return true;
}

bool unprotectForCurrentUser(const std::vector<unsigned char>& protectedBytes, std::string& plain) {
    if (protectedBytes.empty() || protectedBytes.size() > std::numeric_limits<DWORD>::max()) return false;
    DATA_BLOB input;
    input.cbData = static_cast<DWORD>(protectedBytes.size());
    input.pbData = const_cast<BYTE*>(protectedBytes.data());
    DATA_BLOB entropy = entropyBlob();
    OutputBlob output(true);
    if (!::CryptUnprotectData(&input, nullptr, &entropy, nullptr, nullptr, kFlags, output.out())) return false;
    output.adopt();
    plain.assign(reinterpret_cast<const char*>(output.data()), output.size());
    return true;
}
