#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {
namespace {

using testing::FileOrFolderExists;
using testing::FolderEntries;
using testing::PathOfLength;
using testing::ReadBytes;
using testing::ReadOnlyFile;
using testing::ScratchFolder;
using testing::SmallVolume;
using testing::WriteBytes;

using Names = std::vector<std::wstring>;

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

// The old file stays whole until the new one is complete: a shorter new text
// replaces a longer old one only at Close, and nothing else is left beside it.
TEST_F(FileStoreTest, ReplacesALongerExistingFileAtClose) {
    const std::wstring path = folder / L"LAU_Refresh.vbs";
    WriteBytes(path, std::string(3000, '#'));
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    file->WriteString(L"new\n");
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 3000u);  // untouched while the new text is written
    file->Close();
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    EXPECT_EQ(FolderEntries(folder.Path()), Names{L"LAU_Refresh.vbs"});
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

// The file being replaced is held from the open to the swap: no other program
// can open, rename or delete it in between.
TEST_F(FileStoreTest, KeepsOthersAwayFromTheFileBeingReplaced) {
    const std::wstring path = folder / L"LAU_Refresh.vbs";
    WriteBytes(path, "old\r\n");
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    const HANDLE reader = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                        FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);
    EXPECT_FALSE(::MoveFileW(path.c_str(), (folder / L"moved.vbs").c_str()));
    EXPECT_FALSE(::DeleteFileW(path.c_str()));
    file->WriteString(L"new\n");
    file->Close();
    EXPECT_EQ(ReadBytes(path), "new\r\n");
    EXPECT_EQ(FolderEntries(folder.Path()), Names{L"LAU_Refresh.vbs"});
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
    file.reset();  // quietly: no file where there was none, nothing left behind
    EXPECT_EQ(FolderEntries(folder.Path()), Names{});
}

// However a writer ends without a clean Close, the file at its path is as it
// was (or still absent) and the new text is gone.
TEST_F(FileStoreTest, AWriterThatEndsWithoutACleanCloseChangesNothing) {
    enum class Ending { droppedAfterWriting, droppedAfterAFailedWrite, closedAfterAFailedWrite };
    const struct {
        const char* name;
        Ending ending;
    } endings[] = {
        {"dropped after writing", Ending::droppedAfterWriting},
        {"dropped after a failed write", Ending::droppedAfterAFailedWrite},
        {"closed after a failed write", Ending::closedAfterAFailedWrite},
    };
    const std::optional<std::string> befores[] = {std::string("[Shell]\r\nCommand=2\r\n"), std::nullopt};
    const std::wstring path = folder / L"DeskTop.scf";
    for (const auto& ending : endings) {
        for (const std::optional<std::string>& before : befores) {
            SCOPED_TRACE(std::string(ending.name) + (before ? ", old file" : ", no file before"));
            if (before) WriteBytes(path, *before);
            std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
            ASSERT_NE(file, nullptr);
            file->WriteString(L"[Taskbar]\nCommand=ToggleDesktop\n");
            if (ending.ending != Ending::droppedAfterWriting) {
                EXPECT_THROW(file->WriteString(L"\u30c6"), FileError);
            }
            if (ending.ending == Ending::closedAfterAFailedWrite) {
                try {
                    file->Close();
                    ADD_FAILURE() << "Close after a failed write raised nothing";
                } catch (const FileError& error) {
                    EXPECT_EQ(error.cause, FileErrorCause::diskFull);
                    EXPECT_EQ(error.fileName, FullPath(path));
                }
            }
            file.reset();
            EXPECT_EQ(ReadBytes(path), before);
            EXPECT_EQ(FolderEntries(folder.Path()), before ? Names{L"DeskTop.scf"} : Names{});
            ::DeleteFileW(path.c_str());
        }
    }
}

// A full disk, for real: the bytes cannot reach it, whether WriteString hands
// them over (a text of more than one block) or Close does. The old file keeps
// its bytes, no file appears where there was none, no new file is left, and
// the error names the file being replaced.
TEST_F(FileStoreTest, AFullDiskLeavesTheOldFileAsItWas) {
    SmallVolume volume(folder, L'P', 16);
    if (!volume.Available()) GTEST_SKIP() << "a volume that can be filled needs Wine, run as root";
    const std::wstring docs = volume / L"Docs";
    ASSERT_TRUE(::CreateDirectoryW(docs.c_str(), nullptr));
    const std::wstring path = docs + L"\\LAU_Refresh.vbs";

    const std::wstring twoBlocks(5000, L'n');
    const struct {
        const char* name;
        std::optional<std::string> before;
        std::wstring text;
    } cases[] = {
        {"old file, fails at Close", std::string("' older script\r\n"), L"Option Explicit\n"},
        {"old file, fails in WriteString", std::string("' older script\r\n"), twoBlocks},
        {"no file before, fails at Close", std::nullopt, L"Option Explicit\n"},
        {"no file before, fails in WriteString", std::nullopt, twoBlocks},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before) WriteBytes(path, *c.before);
        volume.Fill();
        std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
        ASSERT_NE(file, nullptr);
        try {
            file->WriteString(c.text);
            file->Close();
            ADD_FAILURE() << "no error raised";
        } catch (const FileError& error) {
            EXPECT_EQ(error.cause, FileErrorCause::diskFull);
            EXPECT_EQ(error.osError, static_cast<unsigned long>(ERROR_DISK_FULL));
            EXPECT_EQ(error.fileName, path);
        }
        file.reset();
        EXPECT_EQ(ReadBytes(path), c.before);
        EXPECT_EQ(FolderEntries(docs), c.before ? Names{L"LAU_Refresh.vbs"} : Names{});
        volume.Unfill();
        ::DeleteFileW(path.c_str());
    }

    // With room again the same file is replaced.
    WriteBytes(path, "' older script\r\n");
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    file->WriteString(L"Option Explicit\n");
    file->Close();
    EXPECT_EQ(ReadBytes(path), "Option Explicit\r\n");
    EXPECT_EQ(FolderEntries(docs), Names{L"LAU_Refresh.vbs"});
}

// Only a complete file takes the place: a file that appears at the path while
// the new one is written is not overwritten; Close reports it.
TEST_F(FileStoreTest, AFileThatAppearsWhileWritingIsNotOverwritten) {
    const std::wstring path = folder / L"DeskTop.scf";
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    file->WriteString(L"[Shell]\n");
    WriteBytes(path, "someone else's");
    try {
        file->Close();
        ADD_FAILURE() << "no error raised";
    } catch (const FileError& error) {
        // The cause the system gave: the name is taken.
        EXPECT_EQ(error.osError, static_cast<unsigned long>(ERROR_ALREADY_EXISTS));
        EXPECT_EQ(error.cause, FileErrorCause::accessDenied);
        EXPECT_EQ(error.fileName, FullPath(path));
    }
    file.reset();
    EXPECT_EQ(ReadBytes(path), "someone else's");
    EXPECT_EQ(FolderEntries(folder.Path()), Names{L"DeskTop.scf"});
}

// The tool runs elevated and writes into the user's folders: a link planted at
// the path is refused, and the file it points to keeps its bytes and its name.
// Windows shows such a link as a reparse point. Wine shows a Unix symbolic
// link as a plain file (and its CreateSymbolicLinkW makes nothing), but would
// rename the file the link points to when asked to move the link.
TEST_F(FileStoreTest, RefusesALinkAtThePath) {
    const std::wstring elsewhere = folder / L"elsewhere.txt";
    const std::wstring path = folder / L"LAU_Refresh.vbs";
    WriteBytes(elsewhere, "not to be touched");
    if (testing::RunningUnderWine()) {
        const std::optional<std::string> unixPath = testing::UnixPath(path);
        ASSERT_TRUE(unixPath);
        testing::RunUnixProgram(L"/bin/ln -s elsewhere.txt \"" + testing::FromUtf8(*unixPath) + L"\"",
                                [&] { return FileOrFolderExists(path); });
    } else if (!::CreateSymbolicLinkW(path.c_str(), elsewhere.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
        GTEST_SKIP() << "no right to create a symbolic link: " << ::GetLastError();
    }

    {
        SCOPED_TRACE("link to a file");
        EXPECT_EQ(store.OpenForWriting(path), nullptr);
        EXPECT_EQ(ReadBytes(elsewhere), "not to be touched");
        EXPECT_EQ(FolderEntries(folder.Path()), (Names{L"LAU_Refresh.vbs", L"elsewhere.txt"}));
    }
    {
        SCOPED_TRACE("link to nothing");
        ASSERT_TRUE(::DeleteFileW(elsewhere.c_str()));
        std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
        if (file) {
            // Nothing is written until Close, and then never through the link.
            file->WriteString(L"new\n");
            try {
                file->Close();
            } catch (const FileError&) {
            }
        }
        EXPECT_FALSE(FileOrFolderExists(elsewhere));
    }
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
        SCOPED_TRACE("folder at the path");
        ASSERT_TRUE(::CreateDirectoryW((folder / L"LAU_Refresh.vbs").c_str(), nullptr));
        EXPECT_EQ(store.OpenForWriting(folder / L"LAU_Refresh.vbs"), nullptr);
        EXPECT_EQ(FolderEntries(folder / L"LAU_Refresh.vbs"), Names{});
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
    // No open failure leaves a file of its own behind.
    EXPECT_EQ(FolderEntries(folder.Path()), (Names{L"LAU_Refresh.vbs", L"held.txt", L"readonly.txt"}));
}

// Files the platform would not let CreateFileW(CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)
// overwrite are not replaced either. The read-only attribute alone counts: root
// under Wine would otherwise ignore it.
TEST_F(FileStoreTest, AFileWithTheseAttributesIsNotReplaced) {
    const std::string before = "[Shell]\r\n";
    const struct {
        const char* name;
        DWORD attribute;
    } cases[] = {
        {"read-only", FILE_ATTRIBUTE_READONLY},
        {"hidden", FILE_ATTRIBUTE_HIDDEN},
        {"system", FILE_ATTRIBUTE_SYSTEM},
    };
    const std::wstring path = folder / L"DeskTop.scf";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(path, before);
        ASSERT_TRUE(::SetFileAttributesW(path.c_str(), c.attribute));
        ASSERT_EQ(::GetFileAttributesW(path.c_str()) & c.attribute, c.attribute);
        EXPECT_EQ(store.OpenForWriting(path), nullptr);
        EXPECT_EQ(::GetFileAttributesW(path.c_str()) & c.attribute, c.attribute);
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_EQ(FolderEntries(folder.Path()), Names{L"DeskTop.scf"});
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


// A short name in a folder so deep that the names of the files written beside
// it go past MAX_PATH: creating and replacing still work and leave nothing else.
TEST_F(FileStoreTest, AShortNameInADeepFolder) {
    std::wstring deep = folder.Path();
    while (deep.size() < 247) {  // the longest folder CreateDirectoryW makes
        std::size_t step = std::min<std::size_t>(61, 247 - deep.size());
        if (247 - deep.size() - step == 1) --step;
        deep += L"\\" + std::wstring(step - 1, L'd');
        ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr)) << ::GetLastError();
    }
    const std::wstring path = deep + L"\\a.vbs";
    ASSERT_EQ(path.size(), 253u);  // a name of 8 characters more no longer fits in MAX_PATH
    for (const wchar_t* text : {L"first\n", L"second\n"}) {
        std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
        ASSERT_NE(file, nullptr);
        file->WriteString(text);
        file->Close();
    }
    EXPECT_EQ(ReadBytes(path), "second\r\n");
    EXPECT_EQ(FolderEntries(deep), Names{L"a.vbs"});
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

namespace tavrin::platform {
namespace {

// While the new file is written nobody can delete it, rename it or put
// something in its folder's place: the swap that follows is by handle and
// cannot be steered to another file.
TEST_F(FileStoreTest, TheNewFileAndItsFolderStayPutWhileWriting) {
    const std::wstring docs = folder / L"Docs";
    ASSERT_TRUE(::CreateDirectoryW(docs.c_str(), nullptr));
    const std::wstring path = docs + L"\\LAU_Refresh.vbs";
    WriteBytes(path, "' older script\r\n");
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    file->WriteString(L"Option Explicit\n");
    const Names entries = FolderEntries(docs);
    ASSERT_EQ(entries.size(), 2u);
    const std::wstring work = docs + L"\\" + (entries[0] == L"LAU_Refresh.vbs" ? entries[1] : entries[0]);
    EXPECT_FALSE(::DeleteFileW(work.c_str()));
    EXPECT_FALSE(::MoveFileExW(work.c_str(), (docs + L"\\elsewhere.vbs").c_str(), 0));
    EXPECT_FALSE(::MoveFileExW(docs.c_str(), (folder / L"Docs-moved").c_str(), 0));
    file->Close();
    EXPECT_EQ(ReadBytes(path), "Option Explicit\r\n");
    EXPECT_EQ(FolderEntries(docs), Names{L"LAU_Refresh.vbs"});
    // Afterwards the folder is free again.
    EXPECT_TRUE(::MoveFileExW(docs.c_str(), (folder / L"Docs-moved").c_str(), 0));
}

// A second name given to the new file while it is written (the platform may
// allow a hard link to an open file) makes the swap refuse: the file would be
// reachable from elsewhere. The old file stays as it was.
TEST_F(FileStoreTest, ANewFileWithASecondNameIsNotPutInPlace) {
    const std::wstring path = folder / L"LAU_Refresh.vbs";
    WriteBytes(path, "' older script\r\n");
    std::unique_ptr<TextFileOutput> file = store.OpenForWriting(path);
    ASSERT_NE(file, nullptr);
    file->WriteString(L"Option Explicit\n");
    const Names entries = FolderEntries(folder.Path());
    ASSERT_EQ(entries.size(), 2u);
    const std::wstring work = folder / (entries[0] == L"LAU_Refresh.vbs" ? entries[1] : entries[0]);
    if (!::CreateHardLinkW((folder / L"a-link.vbs").c_str(), work.c_str(), nullptr)) {
        GTEST_SKIP() << "this platform refuses the link itself: " << ::GetLastError();
    }
    try {
        file->Close();
        ADD_FAILURE() << "no error raised";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause, FileErrorCause::accessDenied);
        EXPECT_EQ(error.fileName, FullPath(path));
    }
    file.reset();
    EXPECT_EQ(ReadBytes(path), "' older script\r\n");
    EXPECT_EQ(FolderEntries(folder.Path()), (Names{L"LAU_Refresh.vbs", L"a-link.vbs"}));
}

// An old copy left by a run that could not put it back is the only copy when
// the file is missing: it goes back under its name instead of being deleted.
// Beside a file that is there, it is a stale leftover and goes.
TEST_F(FileStoreTest, AnOldCopyIsPutBackWhenTheFileIsMissing) {
    const std::wstring path = folder / L"LAU_Refresh.vbs";
    WriteBytes(folder / L"LAU_Refresh.vbs.4242-2.old", "the only copy");
    WriteBytes(folder / L"LAU_Refresh.vbs.4242-1.new", "half written");
    store.RemoveWorkFiles(path);
    EXPECT_EQ(FolderEntries(folder.Path()), Names{L"LAU_Refresh.vbs"});
    EXPECT_EQ(ReadBytes(path), "the only copy");

    WriteBytes(folder / L"LAU_Refresh.vbs.4242-3.old", "stale");
    store.RemoveWorkFiles(path);
    EXPECT_EQ(FolderEntries(folder.Path()), Names{L"LAU_Refresh.vbs"});
    EXPECT_EQ(ReadBytes(path), "the only copy");
}

// What a copy killed mid-write leaves beside a file goes, names past MAX_PATH
// included; nothing else in the folder does, the file itself least of all.
TEST_F(FileStoreTest, RemovesOnlyTheWorkFilesLeftBesideAFile) {
    const std::wstring path = PathOfLength(folder.Path(), 250);
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    WriteBytes(path, "the file");
    const Names leftovers = {name + L".4242-1.new", name + L".4242-12.old", name + L".7-3.new"};
    const Names others = {name + L".4242-1.new.keep", name + L".bak", name + L".x-1.new", L"other.4242-1.new"};
    for (const std::wstring& entry : leftovers) WriteBytes(testing::LongForm(folder / entry), "left over");
    for (const std::wstring& entry : others) WriteBytes(testing::LongForm(folder / entry), "not ours");

    store.RemoveWorkFiles(path);

    Names expected = others;
    expected.push_back(name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(folder.Path()), expected);
    EXPECT_EQ(ReadBytes(path), "the file");
    // A folder that does not exist, or a path too long to be ours, is no failure.
    store.RemoveWorkFiles(folder / L"missing\\LAU_Refresh.vbs");
    store.RemoveWorkFiles(PathOfLength(folder.Path(), 260));
}

}  // namespace
}  // namespace tavrin::platform
