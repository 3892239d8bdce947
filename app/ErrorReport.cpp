#include "app/ErrorReport.h"

#include <exception>
#include <new>

namespace tavrin::app {

namespace {

const wchar_t* FileErrorFormat(FileErrorCause cause) {
    switch (cause) {
        case FileErrorCause::fileNotFound: return L"%1 が見つかりませんでした。";
        case FileErrorCause::badPath: return L"%1 には無効なパスが含まれています。";
        case FileErrorCause::tooManyOpenFiles: return L"開いているファイルが多すぎるため、%1 を開けませんでした。";
        case FileErrorCause::accessDenied: return L"%1 へのアクセスが拒否されました。";
        case FileErrorCause::invalidFile: return L"%1 に無効なファイル ハンドルが関連付けられていました。";
        case FileErrorCause::removeCurrentDir: return L"%1 は現在のディレクトリのため削除できませんでした。";
        case FileErrorCause::directoryFull: return L"ディレクトリがいっぱいのため、%1 を作成できませんでした。";
        case FileErrorCause::badSeek: return L"%1 のシークに失敗しました。";
        case FileErrorCause::hardIO: return L"%1 へのアクセス中にハードウェア I/O エラーが発生しました。";
        case FileErrorCause::sharingViolation: return L"%1 へのアクセス中に共有違反が発生しました。";
        case FileErrorCause::lockViolation: return L"%1 へのアクセス中にロック違反が発生しました。";
        case FileErrorCause::diskFull: return L"%1 へのアクセス中にディスクがいっぱいになりました。";
        case FileErrorCause::endOfFile: return L"%1 の終わりを越えてアクセスしようとしました。";
        case FileErrorCause::none:
        case FileErrorCause::genericException: break;
    }
    return L"%1 へのアクセス中にエラーが発生しました。";
}

// The text of a standard exception: UTF-8 when it is valid UTF-8, else the
// ANSI code page; empty when there is none.
std::wstring WideWhat(const char* what) {
    if (what == nullptr || *what == '\0') return {};
    for (const UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int length = ::MultiByteToWideChar(codePage, flags, what, -1, nullptr, 0);
        if (length <= 1) continue;
        std::wstring text(static_cast<std::size_t>(length), L'\0');
        ::MultiByteToWideChar(codePage, flags, what, -1, text.data(), length);
        text.resize(static_cast<std::size_t>(length) - 1);
        return text;
    }
    return {};
}

void Show(Window owner, const std::wstring& text, UINT style) {
    ::MessageBoxW(owner.Handle(), text.c_str(), ApplicationName().c_str(), MB_OK | style);
}

}  // namespace

std::wstring FileErrorMessage(const FileError& error) {
    std::wstring text = FileErrorFormat(error.cause);
    const std::wstring name = error.fileName.empty() ? L"(ファイル名不明)" : error.fileName;
    text.replace(text.find(L"%1"), 2, name);
    return text;
}

void ReportCurrentException(Window owner, UINT icon) {
    try {
        throw;
    } catch (const ValidationFailure&) {
    } catch (const FileError& error) {
        Show(owner, FileErrorMessage(error), icon);
    } catch (const std::bad_alloc&) {
        Show(owner, kOutOfMemoryMessage, MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    } catch (const std::exception& error) {
        const std::wstring text = WideWhat(error.what());
        Show(owner, text.empty() ? kInternalErrorMessage : text, icon);
    } catch (...) {
        Show(owner, kInternalErrorMessage, icon);
    }
}

}  // namespace tavrin::app
