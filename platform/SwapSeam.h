#pragma once

#include <string>

namespace tavrin::platform {

// Called by the file store at the instant before a finished file takes its
// name (`workPath` is the new file's own name, `targetPath` the name it
// takes). The product's definition (SwapSeam.cpp, alone in its object so that
// only a test executable can link another) does nothing: there is no switch
// a user could flip. The hostile end-to-end suite links one that acts as
// another program on the PC would at that instant.
void BeforeFileSwap(const std::wstring& workPath, const std::wstring& targetPath);

}  // namespace tavrin::platform
