#include <windows.h>
#include <winhttp.h>
#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "platform/MessageWait.h"
#include "platform/SystemLibrary.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {

namespace {

// A DLL loaded from the system folder only, with its functions taken by name.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name) : module_(LoadSystemLibrary(name)) {}
    bool IsLoaded() const { return module_.IsValid(); }
    // Takes the named function into `function`; false when it is not there.
    template <typename Function>
    bool Take(Function& function, const char* name) const {
        function = SystemFunction<std::remove_pointer_t<Function>>(module_, name);
        return function != nullptr;
    }

private:
    UniqueModule module_;
};

struct WinHttp {
    SystemLibrary library{L"winhttp.dll"};
    decltype(&::WinHttpOpen) open = nullptr;
    decltype(&::WinHttpSetTimeouts) setTimeouts = nullptr;
    decltype(&::WinHttpSetOption) setOption = nullptr;
    decltype(&::WinHttpConnect) connect = nullptr;
    decltype(&::WinHttpOpenRequest) openRequest = nullptr;
    decltype(&::WinHttpSendRequest) sendRequest = nullptr;
    decltype(&::WinHttpReceiveResponse) receiveResponse = nullptr;
    decltype(&::WinHttpQueryHeaders) queryHeaders = nullptr;
    decltype(&::WinHttpCloseHandle) closeHandle = nullptr;

    bool Load() {
        return library.IsLoaded() && library.Take(open, "WinHttpOpen") &&
               library.Take(setTimeouts, "WinHttpSetTimeouts") && library.Take(setOption, "WinHttpSetOption") &&
               library.Take(connect, "WinHttpConnect") && library.Take(openRequest, "WinHttpOpenRequest") &&
               library.Take(sendRequest, "WinHttpSendRequest") &&
               library.Take(receiveResponse, "WinHttpReceiveResponse") &&
               library.Take(queryHeaders, "WinHttpQueryHeaders") && library.Take(closeHandle, "WinHttpCloseHandle");
    }
};

// Winsock, only to tell why WinHTTP could not connect.
struct Winsock {
    SystemLibrary library{L"ws2_32.dll"};
    decltype(&::WSAStartup) startup = nullptr;
    decltype(&::WSACleanup) cleanup = nullptr;
    decltype(&::socket) openSocket = nullptr;
    decltype(&::ioctlsocket) control = nullptr;
    decltype(&::connect) connect = nullptr;
    decltype(&::select) select = nullptr;
    decltype(&::getsockopt) getOption = nullptr;
    decltype(&::closesocket) closeSocket = nullptr;
    decltype(&::WSAGetLastError) lastError = nullptr;

    bool Load() {
        return library.IsLoaded() && library.Take(startup, "WSAStartup") && library.Take(cleanup, "WSACleanup") &&
               library.Take(openSocket, "socket") && library.Take(control, "ioctlsocket") &&
               library.Take(connect, "connect") && library.Take(select, "select") &&
               library.Take(getOption, "getsockopt") && library.Take(closeSocket, "closesocket") &&
               library.Take(lastError, "WSAGetLastError");
    }
};

// One WinHTTP handle, closed through the loaded DLL.
class InternetHandle {
public:
    InternetHandle(const WinHttp& api, HINTERNET handle) : api_(api), handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr) api_.closeHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET Get() const { return handle_; }

private:
    const WinHttp& api_;
    HINTERNET handle_;
};

// WinHTTP, loaded once and never unloaded: a request the caller gave up on
// may still be closing inside the DLL (its own threads included) after our
// worker returned, so no thread may ever free it.
struct LoadedWinHttp {
    const WinHttp* api = nullptr;  // null when it cannot be used
    DWORD error = 0;               // then why
};

const LoadedWinHttp& ProcessWinHttp() {
    static const LoadedWinHttp loaded = [] {
        LoadedWinHttp result;
        auto* api = new (std::nothrow) WinHttp;
        if (api == nullptr) {
            result.error = ERROR_NOT_ENOUGH_MEMORY;
        } else if (!api->Load()) {
            result.error = ::GetLastError();
            delete api;
        } else {
            result.api = api;
        }
        return result;
    }();
    return loaded;
}

// What the caller and the worker share; the worker holds its own reference.
struct PageRequest {
    explicit PageRequest(const WinHttp& winHttp) : api(winHttp) {}
    const WinHttp& api;
    std::wstring host;
    u_long hostAddress = 0;  // network order
    std::wstring path;
    DWORD limitMs = 0;
    PageAnswer answer;
    // The request's handle while it runs; whoever takes it closes it. The
    // caller closing it ends a request it no longer waits for.
    HINTERNET volatile running = nullptr;

    void CloseRunning() {
        const HINTERNET request = static_cast<HINTERNET>(::InterlockedExchangePointer(&running, nullptr));
        if (request != nullptr) api.closeHandle(request);
    }
};

PageAnswer Failed(DWORD error) { return {PageAnswer::Kind::failed, error}; }

// WinHTTP says only that it could not connect. A second attempt, the same
// connection without a request, tells a refusal from a missing route.
PageAnswer WhyNoConnection(u_long host, DWORD limitMs, DWORD winHttpError) {
    Winsock ws;
    WSADATA data;
    if (!ws.Load() || ws.startup(MAKEWORD(2, 2), &data) != 0) return Failed(winHttpError);
    PageAnswer answer = Failed(winHttpError);
    const SOCKET s = ws.openSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0x5000;  // port 80, in network order
    address.sin_addr.s_addr = host;
    u_long nonBlocking = 1;
    if (s != INVALID_SOCKET && ws.control(s, FIONBIO, &nonBlocking) == 0) {
        int error = 0;
        if (ws.connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            error = ws.lastError();
            if (error == WSAEWOULDBLOCK) {
                fd_set writable, failed;
                FD_ZERO(&writable);
                FD_ZERO(&failed);
                FD_SET(s, &writable);
                FD_SET(s, &failed);
                timeval limit{static_cast<long>(limitMs / 1000), static_cast<long>(limitMs % 1000) * 1000};
                const int ready = ws.select(0, nullptr, &writable, &failed, &limit);
                int length = sizeof error;
                if (ready == 0) error = WSAETIMEDOUT;
                else if (ready < 0 || ws.getOption(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
                    error = -1;
            }
        }
        if (error == WSAECONNREFUSED) answer.kind = PageAnswer::Kind::refused;
        if (error == WSAENETUNREACH || error == WSAEHOSTUNREACH) answer.kind = PageAnswer::Kind::unreachable;
        if (error == WSAETIMEDOUT) answer.kind = PageAnswer::Kind::timedOut;
    }
    if (s != INVALID_SOCKET) ws.closeSocket(s);
    ws.cleanup();
    return answer;
}

PageAnswer AnswerFromError(const PageRequest& request, DWORD error) {
    if (error == ERROR_WINHTTP_TIMEOUT) return {PageAnswer::Kind::timedOut, 0};
    if (error == ERROR_WINHTTP_CANNOT_CONNECT) return WhyNoConnection(request.hostAddress, request.limitMs, error);
    return Failed(error);
}

// The GET, synchronously, on the worker thread.
PageAnswer Get(PageRequest& request) {
    const WinHttp& api = request.api;
    const InternetHandle session(api, api.open(L"Tavrin", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.Get() == nullptr) return Failed(::GetLastError());
    const int limit = static_cast<int>(request.limitMs);
    if (!api.setTimeouts(session.Get(), limit, limit, limit, limit)) return Failed(::GetLastError());
    const InternetHandle connection(api, api.connect(session.Get(), request.host.c_str(), INTERNET_DEFAULT_HTTP_PORT, 0));
    if (connection.Get() == nullptr) return Failed(::GetLastError());
    const HINTERNET handle = api.openRequest(connection.Get(), L"GET", request.path.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (handle == nullptr) return Failed(::GetLastError());
    request.running = handle;
    struct Close {
        PageRequest& request;
        ~Close() { request.CloseRunning(); }
    } close{request};

    // No redirect is followed (a 3xx is an answer by itself), and no
    // credentials or cookies are ever sent. Each option is set on its own: an
    // option the system refuses means no request at all.
    const struct {
        DWORD option;
        DWORD value;
    } options[] = {
        {WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_NEVER},
        // In one call: whether a later call adds to or replaces the features
        // an earlier one disabled is not documented.
        {WINHTTP_OPTION_DISABLE_FEATURE,
         WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION},
        {WINHTTP_OPTION_AUTOLOGON_POLICY, WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH},
    };
    for (const auto& option : options) {
        DWORD value = option.value;
        if (!api.setOption(handle, option.option, &value, sizeof value)) return Failed(::GetLastError());
    }

    if (!api.sendRequest(handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !api.receiveResponse(handle, nullptr)) {
        return AnswerFromError(request, ::GetLastError());
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!api.queryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                          &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return Failed(::GetLastError());
    }
    return {PageAnswer::Kind::status, status};
}

DWORD WINAPI RunRequest(void* parameter) {
    const std::unique_ptr<std::shared_ptr<PageRequest>> request(static_cast<std::shared_ptr<PageRequest>*>(parameter));
    (*request)->answer = Get(**request);
    return 0;
}

}  // namespace

PageAnswer Win32PageProbe::RequestPage(const std::wstring& linkAddress) {
    // Only an address 登録 itself makes: whatever a file names is never asked.
    const std::optional<std::pair<std::uint32_t, int>> page = ParseLinkAddress(linkAddress);
    if (!page) return Failed(ERROR_INVALID_PARAMETER);
    const LoadedWinHttp& winHttp = ProcessWinHttp();
    if (winHttp.api == nullptr) return Failed(winHttp.error);
    const auto request = std::make_shared<PageRequest>(*winHttp.api);
    const std::size_t hostStart = std::wstring_view(L"http://").size();
    const std::size_t pathStart = linkAddress.find(L'/', hostStart);
    request->host = linkAddress.substr(hostStart, pathStart - hostStart);
    const std::uint32_t address = page->first;  // the first octet in the top byte
    request->hostAddress = (address >> 24) | ((address >> 8) & 0xFF00u) | ((address << 8) & 0xFF0000u) | (address << 24);
    request->path = linkAddress.substr(pathStart);
    request->limitMs = limitMs_;

    auto* workerCopy = new std::shared_ptr<PageRequest>(request);
    const UniqueHandle worker(::CreateThread(nullptr, 0, &RunRequest, workerCopy, 0, nullptr));
    if (!worker.IsValid()) {
        const DWORD error = ::GetLastError();
        delete workerCopy;
        return Failed(error);
    }
    // The worker's own limits cover each step; this one covers them together.
    switch (WaitDispatchingMessages(worker.Get(), limitMs_, stopWhen, stopContext)) {
        case WaitEnd::signalled: return request->answer;
        case WaitEnd::stopped: request->CloseRunning(); return {PageAnswer::Kind::stopped, 0};
        case WaitEnd::timedOut: request->CloseRunning(); return {PageAnswer::Kind::timedOut, 0};
        case WaitEnd::failed: break;
    }
    const DWORD error = ::GetLastError();
    request->CloseRunning();
    return Failed(error);
}

}  // namespace tavrin::platform
