#pragma once

#include <windows.h>

#include "platform/Win32Handles.h"

namespace tavrin::platform {

// At most one copy of the tool runs in a logon session, whatever its file is
// called. The running copy owns a named mutex in the session's namespace and
// publishes its dialog's window handle in a small named section beside it.
// Both objects go with the processes that hold them, and a mutex whose owner
// ends without releasing it (a crash, a kill) is handed to the next copy that
// asks as "abandoned": a copy that died never blocks the next start.
// True when the window's process runs this very program: the same bytes,
// whatever the file is called (a renamed copy is the same tool). The section
// can be written by anything in the session; only such a window is brought
// to the front.
bool WindowBelongsToThisProgram(HWND window);

class SingleInstance {
public:
    // One place per process: not copied.
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the running copy's place unless another copy holds it. A mutex
    // name taken by another kind of object counts as another copy; when the
    // mutex cannot be made for any other reason, the copy runs as if alone.
    SingleInstance();
    ~SingleInstance();

    // True while another copy holds the running copy's place.
    bool AnotherCopyRuns() const { return !owner_; }

    // The running copy only: the window a later start brings to the front;
    // null withdraws it.
    void PublishWindow(HWND window);

    // The window the running copy published, waiting up to `waitMs` while
    // that copy is still starting; null when none appeared. When the running
    // copy ends meanwhile, this copy takes its place: null, and
    // AnotherCopyRuns() is false from then on.
    HWND FindRunningCopyWindow(DWORD waitMs);

private:
    bool TryTakePlace();
    HWND PublishedWindow() const;

    UniqueHandle mutex_;
    UniqueHandle section_;
    volatile LONG* slot_ = nullptr;
    bool owner_ = true;
};

}  // namespace tavrin::platform
