#include "app/ErrorReport.h"

#include <exception>
#include <new>

#include "app/Module.h"
#include "texts/Messages.h"

namespace tavrin::app {

namespace {

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
    return FileErrorText(static_cast<int>(error.cause), error.fileName);
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
