#include "platform/SwapSeam.h"

namespace tavrin::platform {

void BeforeFileSwap(const std::wstring&, const std::wstring&) {}

}  // namespace tavrin::platform
