#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {
namespace {

using testing::FileOrFolderExists;
using testing::PathOfLength;
using testing::ReadBytes;
using testing::ReadOnlyFile;
using testing::ScratchFolder;
using testing::WriteBytes;

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return std::wstring(full, length);
}

class FileStoreTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    Win32FileStore store;
};

struct WrittenBytesCase {
    const char* name;
    std::vector<std::wstring> writes;
    std::string bytes;
};

TEST_F(FileStoreTest, WritesTheBytesOfTheTextsInOrder) {
    const std::wstring twoBlocks(5000, L'z');
    const std::vector<WrittenBytesCase> cases = {
        {"tab kept, line feed as CR LF", {L"a\tb\n"}, "a\tb\r\n"},
        {"no line end added", {L"no final newline"}, "no final newline"},
        {"writes follow each other", {L"one\n", L"", L"two\nthree"}, "one\r\ntwo\r\nthree"},
        {"nothing written", {}, ""},
        {"more than one write block", {twoBlocks, L"\n"}, std::string(5000, 'z') + "\r\n"},
    };
    for (const WrittenBytesCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = folder / L"out.txt";
        std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
        ASSERT_NE(file, nullptr);
        for (const std::wstring& text : c.writes) file->WriteString(text);
        file->Close();
        EXPECT_EQ(ReadBytes(path), c.bytes);
    }
}

TEST_F(FileStoreTest, TruncatesALongerExistingFile) {
    const std::wstring path = folder / L"LAU_Refresh.vbs";
    WriteBytes(path, std::string(3000, '#'));
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 0u);  // emptied by the open itself
    file->WriteString(L"new\n");
    file->Close();
    EXPECT_EQ(ReadBytes(path), "new\r\n");
}

TEST_F(FileStoreTest, KeepsOthersOutWhileOpen) {
    const std::wstring path = folder / L"out.txt";
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    const HANDLE reader = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);
    file->Close();
}

TEST_F(FileStoreTest, ACharacterThatCannotBeWrittenRaisesDiskFullWithTheFullPath) {
    const std::wstring path = folder / L"out.txt";
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    try {
        file->WriteString(L"ok\n\u30c6\n");
        FAIL() << "no error raised";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause, FileErrorCause::diskFull);
        EXPECT_NE(error.osError, 0u);
        EXPECT_EQ(error.fileName, FullPath(path));
    }
    file.reset();  // closes quietly
    EXPECT_TRUE(::DeleteFileW(path.c_str())) << "handle still open: " << ::GetLastError();
}

TEST_F(FileStoreTest, ClosingTwiceDoesNothingTheSecondTime) {
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(folder / L"out.txt");
    ASSERT_NE(file, nullptr);
    file->WriteString(L"x\n");
    file->Close();
    EXPECT_NO_THROW(file->Close());
    EXPECT_EQ(ReadBytes(folder / L"out.txt"), "x\r\n");
}

TEST_F(FileStoreTest, OpenFailuresLeaveTheDiskAsItWas) {
    const std::string before = "old contents\r\n";

    {
        SCOPED_TRACE("held open by another handle");
        const std::wstring path = folder / L"held.txt";
        WriteBytes(path, before);
        const HANDLE holder =
            ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        EXPECT_EQ(store.OpenForWriting(path), nullptr);
        ::CloseHandle(holder);
        EXPECT_EQ(ReadBytes(path), before);
    }
    {
        SCOPED_TRACE("read-only file");
        const std::wstring path = folder / L"readonly.txt";
        WriteBytes(path, before);
        {
            const ReadOnlyFile readOnly(path);
            EXPECT_EQ(store.OpenForWriting(path), nullptr);
        }
        EXPECT_EQ(ReadBytes(path), before);
    }
    {
        SCOPED_TRACE("missing folder");
        const std::wstring path = folder / L"missing\\out.txt";
        EXPECT_EQ(store.OpenForWriting(path), nullptr);
        EXPECT_FALSE(FileOrFolderExists(folder / L"missing"));
    }
    {
        SCOPED_TRACE("drive that does not exist");
        EXPECT_EQ(store.OpenForWriting(L"Q:\\tavrin\\out.txt"), nullptr);
    }
    {
        SCOPED_TRACE("empty path");
        EXPECT_EQ(store.OpenForWriting(L""), nullptr);
    }
}

// 259 characters is the longest path the tool accepts; at 260 it must give
// up before touching the file, even though the platform could open it.
TEST_F(FileStoreTest, PathLengthLimitIs259Characters) {
    const std::wstring longest = PathOfLength(folder.Path(), 259);
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(longest);
    ASSERT_NE(file, nullptr);
    file->WriteString(L"259\n");
    file->Close();
    EXPECT_EQ(ReadBytes(longest), "259\r\n");
    EXPECT_TRUE(store.Exists(longest));

    const std::wstring tooLong = PathOfLength(folder.Path(), 260);
    WriteBytes(tooLong, "kept");
    EXPECT_EQ(store.OpenForWriting(tooLong), nullptr);
    EXPECT_EQ(ReadBytes(tooLong), "kept");
    EXPECT_FALSE(store.Exists(tooLong));
}

TEST_F(FileStoreTest, ExistsForFilesAndFoldersOnly) {
    WriteBytes(folder / L"file.txt", "x");
    ASSERT_TRUE(::CreateDirectoryW((folder / L"sub").c_str(), nullptr));
    const struct {
        std::wstring path;
        bool exists;
    } cases[] = {
        {folder / L"file.txt", true},
        {folder / L"sub", true},
        {folder / L"none.txt", false},
        {folder / L"none\\file.txt", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(store.Exists(c.path), c.exists) << testing::ToUtf8(c.path);
    }
}

TEST_F(FileStoreTest, RemoveDeletesAFile) {
    const std::wstring path = folder / L"DeskTop.scf";
    WriteBytes(path, "x");
    store.Remove(path);
    EXPECT_FALSE(FileOrFolderExists(path));
}

TEST_F(FileStoreTest, RefusedRemovalRaisesTheCauseOfTheErrorAndLeavesTheFile) {
    const std::wstring readOnlyPath = folder / L"readonly.lnk";
    WriteBytes(readOnlyPath, "x");
    const std::wstring heldPath = folder / L"held.lnk";
    WriteBytes(heldPath, "x");
    ASSERT_TRUE(::CreateDirectoryW((folder / L"sub").c_str(), nullptr));

    const ReadOnlyFile readOnly(readOnlyPath);
    const HANDLE holder = ::CreateFileW(heldPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const struct {
        const char* name;
        std::wstring path;
        FileErrorCause cause;
        unsigned long osError;
        bool remains;
    } cases[] = {
        {"read-only file", readOnlyPath, FileErrorCause::accessDenied, ERROR_ACCESS_DENIED, true},
        {"held open without delete sharing", heldPath, FileErrorCause::sharingViolation, ERROR_SHARING_VIOLATION,
         true},
        {"folder", folder / L"sub", FileErrorCause::accessDenied, ERROR_ACCESS_DENIED, true},
        {"missing file", folder / L"none.lnk", FileErrorCause::fileNotFound, ERROR_FILE_NOT_FOUND, false},
        {"missing folder", folder / L"none\\x.lnk", FileErrorCause::badPath, ERROR_PATH_NOT_FOUND, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            store.Remove(c.path);
            ADD_FAILURE() << "no error raised";
        } catch (const FileError& error) {
            EXPECT_EQ(error.cause, c.cause);
            EXPECT_EQ(error.osError, c.osError);
            EXPECT_EQ(error.fileName, c.path);
        }
        EXPECT_EQ(FileOrFolderExists(c.path), c.remains);
    }
    ::CloseHandle(holder);
}

}  // namespace
}  // namespace tavrin::platform
