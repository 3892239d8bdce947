#include "platform/MessageWait.h"

namespace tavrin::platform {

WaitEnd WaitDispatchingMessages(HANDLE object, DWORD limitMs, bool (*stop)(const void* stopContext),
                                const void* stopContext) {
    const ULONGLONG deadline = ::GetTickCount64() + limitMs;
    WaitEnd end = WaitEnd::failed;
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        // Checked before waiting: a steady stream of messages must not keep
        // the wait going past its limit.
        if (now >= deadline) {
            end = ::WaitForSingleObject(object, 0) == WAIT_OBJECT_0 ? WaitEnd::signalled : WaitEnd::timedOut;
            break;
        }
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &object, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                                         MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) {
            end = WaitEnd::signalled;
            break;
        }
        if (woke == WAIT_TIMEOUT) continue;  // the deadline check above ends the loop
        if (woke != WAIT_OBJECT_0 + 1) break;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (stop != nullptr && stop(stopContext)) {
            end = WaitEnd::stopped;
            break;
        }
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
    return end;
}

}  // namespace tavrin::platform
