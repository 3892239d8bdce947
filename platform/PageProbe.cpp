#include <windows.h>
#include <winhttp.h>
#include <winsock2.h>

#include <memory>
#include <new>
#include <string>
#include <type_traits>

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

// What the caller and the worker share. The worker holds its own reference,
// so the DLL stays loaded while it runs, even after the caller gave up.
struct PageRequest {
    WinHttp api;
    std::wstring host;
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

// The IPv4 address A.B.C.D in network order; false for anything else.
bool ParseAddress(const std::wstring& host, u_long& address) {
    unsigned long value = 0;
    unsigned part = 0;
    int parts = 0;
    bool digits = false;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        const wchar_t c = i < host.size() ? host[i] : L'.';
        if (c >= L'0' && c <= L'9') {
            part = part * 10 + static_cast<unsigned>(c - L'0');
            if (part > 255) return false;
            digits = true;
        } else if (c == L'.' && digits && parts < 4) {
            value |= static_cast<unsigned long>(part) << (8 * parts++);
            part = 0;
            digits = false;
        } else {
            return false;
        }
    }
    address = value;
    return parts == 4;
}

// WinHTTP says only that it could not connect. A second attempt, the same
// connection without a request, tells a refusal from a missing route.
PageAnswer WhyNoConnection(const std::wstring& host, DWORD limitMs, DWORD winHttpError) {
    Winsock ws;
    WSADATA data;
    if (!ws.Load() || ws.startup(MAKEWORD(2, 2), &data) != 0) return Failed(winHttpError);
    PageAnswer answer = Failed(winHttpError);
    const SOCKET s = ws.openSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0x5000;  // port 80, in network order
    u_long nonBlocking = 1;
    if (s != INVALID_SOCKET && ParseAddress(host, address.sin_addr.s_addr) && ws.control(s, FIONBIO, &nonBlocking) == 0) {
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
    if (error == ERROR_WINHTTP_CANNOT_CONNECT) return WhyNoConnection(request.host, request.limitMs, error);
    // The connection was made and bytes came back, but no HTTP status line.
    if (error == ERROR_WINHTTP_INVALID_SERVER_RESPONSE) return {PageAnswer::Kind::notHttp, error};
    return Failed(error);
}

// The GET, synchronously, on the worker thread.
PageAnswer Get(PageRequest& request) {
    const WinHttp& api = request.api;
    const InternetHandle session(api, api.open(L"Tavrin", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                               WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.Get() == nullptr) return Failed(::GetLastError());
    const int limit = static_cast<int>(request.limitMs);
    api.setTimeouts(session.Get(), limit, limit, limit, limit);
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
    // credentials or cookies are ever sent.
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    DWORD disabled = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION;
    DWORD noLogon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    if (!api.setOption(handle, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never) &&
        !api.setOption(handle, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled)) {
        return Failed(::GetLastError());
    }
    api.setOption(handle, WINHTTP_OPTION_AUTOLOGON_POLICY, &noLogon, sizeof noLogon);

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
    const std::wstring scheme = L"http://";
    const std::size_t pathStart = linkAddress.find(L'/', scheme.size());
    if (linkAddress.compare(0, scheme.size(), scheme) != 0 || pathStart == std::wstring::npos) {
        return Failed(ERROR_INVALID_PARAMETER);
    }
    const auto request = std::make_shared<PageRequest>();
    if (!request->api.Load()) return Failed(::GetLastError());
    request->host = linkAddress.substr(scheme.size(), pathStart - scheme.size());
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
