#include "procedures/WorkFiles.h"

namespace tavrin {

namespace {

// Advances past one or more decimal digits; false when there are none.
bool SkipNumber(const std::wstring& text, std::size_t& at) {
    const std::size_t start = at;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') ++at;
    return at > start;
}

}  // namespace

bool IsWorkFileOf(const std::wstring& name, const std::wstring& candidate) {
    if (name.empty() || candidate.compare(0, name.size(), name) != 0) return false;
    std::size_t at = name.size();
    if (at >= candidate.size() || candidate[at++] != L'.') return false;
    if (!SkipNumber(candidate, at)) return false;
    if (at >= candidate.size() || candidate[at++] != L'-') return false;
    if (!SkipNumber(candidate, at)) return false;
    const std::wstring rest = candidate.substr(at);
    return rest == L".new" || rest == L".old";
}

}  // namespace tavrin
