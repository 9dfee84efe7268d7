// Helpers of the protected-storage tests: blobs made with the Data Protection
// API directly (to vary its parameters), a throw-away writable folder, and the
// outside decryption helper program.
#pragma once

#include <string>

namespace storagetest {

// "ZAVUDP1:" + base64 of CryptProtectData(plain) with the given entropy
// (nullptr: none) and the user-bound flags.
std::string blobWithEntropy(const std::string& plain, const char* entropy, size_t entropySize);

// The description CryptUnprotectData reports for a blob made by
// protectString, as UTF-8; "(failed)" when it cannot be unprotected.
std::string descriptionOf(const std::string& blob);

// A new empty folder under %TEMP%, removed with everything in it; becomes the
// engine's writable path (UTF-8, trailing backslash) while the object lives.
class WritableFolder {
public:
    explicit WritableFolder(const std::string& leaf = "store");
    ~WritableFolder();
    WritableFolder(const WritableFolder&) = delete;
    WritableFolder& operator=(const WritableFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool fileExists(const std::string& path);
std::string readFile(const std::string& path);  // "" when missing
void writeFile(const std::string& path, const std::string& bytes);
// Names of the entries of a folder, sorted, without "." and "..".
std::string listFolder(const std::string& folder);

// Runs the dpapi_unprotect helper (beside the test executable) on a file; its
// exit code, with the plain text it wrote in *plain.
int runOutsideDecryption(const std::string& blobFile, std::string* plain);

}  // namespace storagetest
