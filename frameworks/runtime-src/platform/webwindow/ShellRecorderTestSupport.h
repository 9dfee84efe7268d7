// Link and file-type handlers of the test prefix pointed at shell_recorder.exe
// (beside the test executable), which appends the argument the shell starts
// it with to a record file; everything is put back as it was at the end.
// HKEY_CLASSES_ROOT belongs to the whole prefix: a test that uses this holds
// the CTest resource lock prefix_link_handlers.
#pragma once

#include <string>
#include <vector>

namespace shelltest {

class RecordedShell {
public:
    // recordFile: where the recorder writes (passed on as WEBWINDOW_SHELL_RECORD).
    explicit RecordedShell(const std::wstring& recordFile);
    ~RecordedShell();
    RecordedShell(const RecordedShell&) = delete;
    RecordedShell& operator=(const RecordedShell&) = delete;

    // A URL scheme ("tg") whose links the shell hands to the recorder.
    bool handleScheme(const std::wstring& scheme);
    // A file extension (".zavu-test") whose files the shell opens with the recorder.
    bool handleExtension(const std::wstring& extension);

    // The recorded arguments, one per start, sorted (starts may overtake each other).
    std::vector<std::string> recorded() const;
    // Dispatches this thread's messages until at least count lines are there.
    bool waitFor(size_t count, int timeoutMs) const;

private:
    struct Saved {
        std::wstring key;      // under HKEY_CLASSES_ROOT
        bool existed;          // the key was there before
        bool hadDefault;       // and had a default value
        std::wstring value;    // that value
    };
    bool setDefault(const std::wstring& key, const std::wstring& value);
    bool setUrlProtocol(const std::wstring& scheme);

    std::wstring record_;
    std::wstring command_;
    std::vector<Saved> saved_;
    std::vector<std::wstring> createdTrees_;
};

// The folder of the running executable, with a trailing backslash.
std::wstring executableFolder();

}  // namespace shelltest
