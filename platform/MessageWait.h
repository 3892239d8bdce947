#pragma once

#include <windows.h>

namespace tavrin::platform {

enum class WaitEnd { signalled, timedOut, stopped, failed };

// Waits for the object while dispatching the calling thread's messages, so
// that its windows keep painting and answering the system. A WM_QUIT taken
// from the queue meanwhile is posted again for the caller's loop. `stop`, when
// given, is asked (with `stopContext`) after each batch of messages: true ends
// the wait.
WaitEnd WaitDispatchingMessages(HANDLE object, DWORD limitMs, bool (*stop)(const void* stopContext) = nullptr,
                                const void* stopContext = nullptr);

}  // namespace tavrin::platform
