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

namespace {

constexpr std::uint32_t kNameSurrogateBit = 0x20000000;
constexpr std::uint32_t kAppExecutionAliasTag = 0x8000001B;
constexpr std::uint32_t kUnixSocketTag = 0x80000023;

}  // namespace

bool ReparseTagKeepsFileHere(std::uint32_t tag) {
    if ((tag & kNameSurrogateBit) != 0) return false;
    return tag != kAppExecutionAliasTag && tag != kUnixSocketTag;
}

}  // namespace tavrin
