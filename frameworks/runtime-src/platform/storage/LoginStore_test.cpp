// The saved-login file on the real Data Protection API, in a throw-away
// writable folder: the line format, protection on disk (checked from outside
// by the helper program), the migration of plain files, and that nothing
// saved is lost to a refused protection, an injected line or a file this user
// cannot read.
#include "LoginStore.h"

#include "platform/storage/ProtectedBlob.h"
#include "platform/storage/ProtectionTestSeam.h"
#include "platform/storage/StorageTestSupport.h"
#include "proj.win32/ScopedHandle.h"
#include "proj.win32/TextConversion.h"
#include "proj.win32/Win32.h"

#include "cocos2d.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using storagetest::fileExists;
using storagetest::listFolder;
using storagetest::readFile;
using storagetest::writeFile;

class LoginStoreTest : public ::testing::Test {
protected:
    void TearDown() override { protectionFailsForTest = false; }

    std::string storeFile() const { return folder.path() + "zavu_login.txt"; }
    std::string asideFile() const { return storeFile() + ".unreadable"; }

    // The plain lines in the saved file, as this process reads them.
    std::string decryptedStore() const {
        std::string plain = "(not readable)";
        unprotectString(readFile(storeFile()), plain);
        return plain;
    }

    storagetest::WritableFolder folder;
};

TEST(LoginStoreLines, ParsesKeyValueLines) {
    struct Case {
        std::string text;
        LoginStoreMap expected;
    };
    const Case cases[] = {
        {"", {}},
        {"a=1\na=2\n", {{"a", "2"}}},
        {"x==y", {{"x", "=y"}}},
        {"=v\n", {{"", "v"}}},
        {"k=v\r\r\n", {{"k", "v"}}},
        {"k=\n", {{"k", ""}}},
        {"no equals here\nk=v\n\n\nlast=1", {{"k", "v"}, {"last", "1"}}},
        {" spaced key = value \n", {{" spaced key ", " value "}}},
        {"method=google\r\ntg_rt=abc\r\n", {{"method", "google"}, {"tg_rt", "abc"}}},
        {std::string("b=\0x\na=1", 8), {{"a", "1"}, {"b", std::string("\0x", 2)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.expected, parseKeyValueLines(c.text));
    }
}

TEST_F(LoginStoreTest, SetAndGetGoThroughAProtectedFileInKeyOrder) {
    EXPECT_EQ(folder.path() + "zavu_login.txt", loginStorePath());
    EXPECT_EQ("", getSavedLoginValue("method"));
    setSavedLoginValue("method", "google");
    setSavedLoginValue("gg_rt", "");
    setSavedLoginValue("B", "upper first");
    setSavedLoginValue("method", "telegram");

    const std::string onDisk = readFile(storeFile());
    EXPECT_TRUE(isProtectedBlob(onDisk)) << onDisk;
    EXPECT_EQ(std::string::npos, onDisk.find("telegram"));
    EXPECT_EQ("B=upper first\ngg_rt=\nmethod=telegram\n", decryptedStore());
    EXPECT_EQ("telegram", getSavedLoginValue("method"));
    EXPECT_EQ("", getSavedLoginValue("tg_rt"));
    EXPECT_EQ((LoginStoreMap{{"B", "upper first"}, {"gg_rt", ""}, {"method", "telegram"}}), loadLoginStore());
    // Written beside and moved into place: no temporary file stays behind.
    EXPECT_EQ("zavu_login.txt", listFolder(folder.path()));
}

TEST_F(LoginStoreTest, TheFileIsTheBlobWithNothingBeforeOrAfterIt) {
    setSavedLoginValue("method", "telegram");
    setSavedLoginValue("tg_rt", "abc");
    const std::string text = readFile(storeFile());
    ASSERT_EQ(text.compare(0, 8, "ZAVUDP1:"), 0) << "the prefix at the very start";
    const std::string base64 = text.substr(8);
    ASSERT_FALSE(base64.empty());
    EXPECT_EQ(base64.size() % 4, 0u) << "whole groups, padded";
    const size_t padding = base64.find('=');
    EXPECT_EQ(base64.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"),
              padding) << "the alphabet alone, no line end";
    if (padding != std::string::npos) {
        EXPECT_LE(base64.size() - padding, 2u);
        EXPECT_EQ(base64.find_first_not_of('=', padding), std::string::npos) << "nothing after the padding";
    }
    // And the whole text is the blob of the store.
    std::string plain;
    ASSERT_EQ(1, unprotectString(text, plain));
    EXPECT_EQ("method=telegram\ntg_rt=abc\n", plain);
}

TEST_F(LoginStoreTest, SavedFileDecryptsFromOutside) {
    setSavedLoginValue("tg_rt", "rt/with+base64=chars");
    setSavedLoginValue("method", "telegram");
    std::string plain;
    ASSERT_EQ(0, storagetest::runOutsideDecryption(storeFile(), &plain));
    EXPECT_EQ("method=telegram\ntg_rt=rt/with+base64=chars\n", plain);
}

TEST_F(LoginStoreTest, PlainLegacyFileIsProtectedAtTheFirstRead) {
    writeFile(storeFile(), "method=google\r\ntg_rt=abc\r\n");
    EXPECT_EQ("google", getSavedLoginValue("method"));
    EXPECT_TRUE(isProtectedBlob(readFile(storeFile())));
    std::string plain;
    ASSERT_EQ(0, storagetest::runOutsideDecryption(storeFile(), &plain));
    EXPECT_EQ("method=google\ntg_rt=abc\n", plain);
    EXPECT_EQ("abc", getSavedLoginValue("tg_rt"));
}

TEST_F(LoginStoreTest, PlainFileWithoutEntriesIsLeftAlone) {
    const std::string text = "not a store at all\r\n";
    writeFile(storeFile(), text);
    EXPECT_TRUE(loadLoginStore().empty());
    EXPECT_EQ("", getSavedLoginValue("method"));
    EXPECT_EQ(text, readFile(storeFile()));
}

TEST_F(LoginStoreTest, RefusedProtectionKeepsWhatIsSaved) {
    setSavedLoginValue("method", "google");
    const std::string saved = readFile(storeFile());
    protectionFailsForTest = true;
    setSavedLoginValue("method", "telegram");
    setSavedLoginValue("tg_rt", "abc");
    saveLoginStore({{"method", "x"}});
    EXPECT_EQ(saved, readFile(storeFile()));
    EXPECT_EQ("zavu_login.txt", listFolder(folder.path()));

    // A legacy file is not migrated, nor emptied, while protection fails.
    const std::string legacy = "method=google\n";
    writeFile(storeFile(), legacy);
    EXPECT_EQ("google", getSavedLoginValue("method"));
    EXPECT_EQ(legacy, readFile(storeFile()));
}

TEST_F(LoginStoreTest, RefusedProtectionCreatesNoFile) {
    protectionFailsForTest = true;
    setSavedLoginValue("method", "google");
    EXPECT_EQ("", listFolder(folder.path()));
}

TEST_F(LoginStoreTest, LineBreaksAndKeyEqualsAreRefused) {
    setSavedLoginValue("tg_rt", "abc");
    const std::string saved = readFile(storeFile());
    struct Case {
        const char* key;
        std::string value;
    };
    const Case cases[] = {
        {"tg_rt", "abc\nmethod=google"}, {"tg_rt", "abc\r"}, {"tg_rt", "\r\nx=1"},
        {"a\nmethod", "google"},         {"a\rb", "v"},      {"method=google\ntg_rt", "x"},
        {"a=b", "v"},                    {nullptr, "v"},  {"tg_rt", std::string("ab\0cd", 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key ? c.key : "(null)");
        setSavedLoginValue(c.key, c.value);
        EXPECT_EQ(saved, readFile(storeFile()));
    }
    EXPECT_EQ((LoginStoreMap{{"tg_rt", "abc"}}), loadLoginStore());
    EXPECT_EQ("", getSavedLoginValue(nullptr));
    // The caller goes on: the next sound value is saved.
    setSavedLoginValue("method", "google");
    EXPECT_EQ("google", getSavedLoginValue("method"));
}

TEST_F(LoginStoreTest, FileThisUserCannotReadIsKeptAsideBeforeANewStore) {
    const std::string contents[] = {
        storagetest::blobWithEntropy("method=google\n", "another user's key", 18),
        "ZAVUDP1:",
        "ZAVUDP1:damaged*",
    };
    for (const std::string& unreadable : contents) {
        SCOPED_TRACE(unreadable);
        writeFile(asideFile(), "an older unreadable file");
        writeFile(storeFile(), unreadable);

        // Reading alone changes nothing.
        EXPECT_EQ("", getSavedLoginValue("method"));
        EXPECT_TRUE(loadLoginStore().empty());
        EXPECT_EQ(unreadable, readFile(storeFile()));

        setSavedLoginValue("method", "telegram");
        EXPECT_EQ(unreadable, readFile(asideFile()));
        EXPECT_EQ("method=telegram\n", decryptedStore());
        // Only the first set after the bad load moves the file.
        setSavedLoginValue("tg_rt", "abc");
        EXPECT_EQ(unreadable, readFile(asideFile()));
        EXPECT_EQ("method=telegram\ntg_rt=abc\n", decryptedStore());
    }
}

TEST_F(LoginStoreTest, LogoutEndsTheSavedLoginEvenWhenProtectionFails) {
    struct Case {
        const char* name;
        bool protectionFails;
        std::string folderAfter;
    };
    const Case cases[] = {
        {"protection works", false, "zavu_login.txt"},
        {"protection fails", true, ""},  // the file goes: nothing is left in it to protect
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        protectionFailsForTest = false;
        setSavedLoginValue("method", "google");
        setSavedLoginValue("tg_rt", "tg-token");
        setSavedLoginValue("gg_rt", "gg-token");
        protectionFailsForTest = c.protectionFails;
        clearSavedLoginValues({"method", "tg_rt", "gg_rt"});
        protectionFailsForTest = false;
        EXPECT_EQ(c.folderAfter, listFolder(folder.path()));
        EXPECT_EQ("", getSavedLoginValue("method"));
        EXPECT_EQ("", getSavedLoginValue("tg_rt"));
        EXPECT_EQ("", getSavedLoginValue("gg_rt"));
    }
}

// Holds the saved file as a scanner might: nobody else may read it, though
// it may still be renamed or deleted.
class HeldFile {
public:
    explicit HeldFile(const std::string& path)
        : handle_(::CreateFileW(utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    bool held() const { return static_cast<bool>(handle_); }
    void release() { handle_.reset(); }

private:
    ScopedKernelHandle handle_;
};

TEST_F(LoginStoreTest, AFileThatCannotBeReadNowIsLeftAsItIs) {
    setSavedLoginValue("method", "google");
    setSavedLoginValue("tg_rt", "abc");
    const std::string saved = readFile(storeFile());
    HeldFile held(storeFile());
    ASSERT_TRUE(held.held());
    ASSERT_EQ("", readFile(storeFile())) << "the hold keeps readers out";
    setSavedLoginValue("gg_rt", "new");
    held.release();
    EXPECT_EQ(saved, readFile(storeFile())) << "nothing was written over it";
    EXPECT_FALSE(fileExists(asideFile())) << "nor was it taken for a damaged file";
    EXPECT_EQ("method=google\ntg_rt=abc\n", decryptedStore());
}

TEST_F(LoginStoreTest, AFileHeldForAMomentIsReadWhenFree) {
    setSavedLoginValue("method", "google");
    HeldFile held(storeFile());
    ASSERT_TRUE(held.held());
    std::thread releaser([&held] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        held.release();
    });
    setSavedLoginValue("tg_rt", "abc");
    releaser.join();
    EXPECT_EQ("method=google\ntg_rt=abc\n", decryptedStore());
    EXPECT_FALSE(fileExists(asideFile()));
}

TEST(LoginStoreFolder, MissingVietnameseWritableFolderIsCreatedAtTheFirstSave) {
    storagetest::WritableFolder parent("Hải Vân");
    const std::string writable = parent.path() + "Dữ liệu\\data\\";
    cocos2d::FileUtils::getInstance()->setWritablePath(writable);

    EXPECT_EQ("", getSavedLoginValue("method"));
    setSavedLoginValue("method", "google");
    EXPECT_EQ("google", getSavedLoginValue("method"));

    // The file sits under the real wide-character name, not a code-page mangling of it.
    const std::wstring widePath = utf8ToWide(parent.path()) + L"D\u1eef li\u1ec7u\\data\\zavu_login.txt";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(widePath.c_str()));
    EXPECT_EQ("Dữ liệu", listFolder(parent.path()));
}

}  // namespace
