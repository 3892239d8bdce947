#include "procedures/TaskDefinition.h"

#include <cwchar>

namespace tavrin {

namespace {

// An element of the document: its local name (without a namespace prefix),
// its child elements and its text with the references replaced.
struct Element {
    std::wstring name;
    std::vector<Element> children;
    std::wstring text;

    const Element* Child(const wchar_t* wanted) const {
        for (const Element& child : children) {
            if (child.name == wanted) return &child;
        }
        return nullptr;
    }
};

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Trimmed(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// A small reader for the documents the Task Scheduler writes: elements,
// attributes (skipped), text, character and the five predefined entity
// references, comments, processing instructions and CDATA. Anything else
// (a DTD, a mismatched end tag, a stray '<') makes the document unreadable.
class Reader {
public:
    explicit Reader(const std::wstring& xml) : xml_(xml) {}

    std::optional<Element> Document() {
        if (at_ < xml_.size() && xml_[at_] == 0xFEFF) ++at_;
        std::optional<Element> root;
        for (;;) {
            SkipSpace();
            if (at_ >= xml_.size()) break;
            if (SkipMarkup()) continue;
            if (xml_[at_] != L'<' || root) return std::nullopt;
            root = ReadElement(0);
            if (!root) return std::nullopt;
        }
        return root;
    }

private:
    static constexpr int kMaxDepth = 32;

    void SkipSpace() {
        while (at_ < xml_.size() && IsSpace(xml_[at_])) ++at_;
    }

    bool StartsWith(const wchar_t* text) const { return xml_.compare(at_, std::wcslen(text), text) == 0; }

    // Skips a comment or a processing instruction at the current place.
    bool SkipMarkup() {
        const wchar_t* end = StartsWith(L"<!--") ? L"-->" : StartsWith(L"<?") ? L"?>" : nullptr;
        if (end == nullptr) return false;
        const std::size_t found = xml_.find(end, at_ + 2);
        at_ = found == std::wstring::npos ? xml_.size() + 1 : found + std::wcslen(end);
        return at_ <= xml_.size();
    }

    std::wstring ReadName() {
        const std::size_t begin = at_;
        while (at_ < xml_.size() && !IsSpace(xml_[at_]) && xml_[at_] != L'>' && xml_[at_] != L'/' &&
               xml_[at_] != L'=' && xml_[at_] != L'<') {
            ++at_;
        }
        return xml_.substr(begin, at_ - begin);
    }

    static std::wstring LocalName(const std::wstring& name) {
        const std::size_t colon = name.find(L':');
        return colon == std::wstring::npos ? name : name.substr(colon + 1);
    }

    // The text up to the next '<', with its references replaced; false on a
    // reference that is not one.
    bool ReadText(std::wstring& text) {
        while (at_ < xml_.size() && xml_[at_] != L'<') {
            if (xml_[at_] != L'&') {
                text += xml_[at_++];
                continue;
            }
            const std::size_t end = xml_.find(L';', at_);
            if (end == std::wstring::npos || end - at_ > 10) return false;
            const std::wstring name = xml_.substr(at_ + 1, end - at_ - 1);
            at_ = end + 1;
            if (name == L"lt") text += L'<';
            else if (name == L"gt") text += L'>';
            else if (name == L"amp") text += L'&';
            else if (name == L"quot") text += L'"';
            else if (name == L"apos") text += L'\'';
            else if (name.size() > 1 && name[0] == L'#') {
                const bool hex = name[1] == L'x';
                unsigned long value = 0;
                const std::size_t first = hex ? 2 : 1;
                if (first >= name.size()) return false;
                for (std::size_t i = first; i < name.size(); ++i) {
                    const wchar_t c = name[i];
                    int digit = -1;
                    if (c >= L'0' && c <= L'9') digit = c - L'0';
                    else if (hex && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
                    else if (hex && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
                    if (digit < 0) return false;
                    value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
                    if (value > 0x10FFFF) return false;
                }
                if (value == 0) return false;
                if (value >= 0x10000) {
                    value -= 0x10000;
                    text += static_cast<wchar_t>(0xD800 + (value >> 10));
                    text += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
                } else {
                    text += static_cast<wchar_t>(value);
                }
            } else {
                return false;
            }
        }
        return true;
    }

    // At a '<' that starts an element.
    std::optional<Element> ReadElement(int depth) {
        if (depth > kMaxDepth) return std::nullopt;
        ++at_;
        const std::wstring qualified = ReadName();
        if (qualified.empty()) return std::nullopt;
        Element element;
        element.name = LocalName(qualified);
        // Attributes: name="value" or name='value', skipped.
        for (;;) {
            SkipSpace();
            if (at_ >= xml_.size()) return std::nullopt;
            if (StartsWith(L"/>")) {
                at_ += 2;
                return element;
            }
            if (xml_[at_] == L'>') {
                ++at_;
                break;
            }
            if (ReadName().empty()) return std::nullopt;
            SkipSpace();
            if (at_ >= xml_.size() || xml_[at_] != L'=') return std::nullopt;
            ++at_;
            SkipSpace();
            if (at_ >= xml_.size() || (xml_[at_] != L'"' && xml_[at_] != L'\'')) return std::nullopt;
            const std::size_t close = xml_.find(xml_[at_], at_ + 1);
            if (close == std::wstring::npos) return std::nullopt;
            at_ = close + 1;
        }
        for (;;) {
            if (!ReadText(element.text)) return std::nullopt;
            if (at_ >= xml_.size()) return std::nullopt;
            if (StartsWith(L"</")) {
                at_ += 2;
                if (ReadName() != qualified) return std::nullopt;
                SkipSpace();
                if (at_ >= xml_.size() || xml_[at_] != L'>') return std::nullopt;
                ++at_;
                return element;
            }
            if (StartsWith(L"<![CDATA[")) {
                const std::size_t end = xml_.find(L"]]>", at_);
                if (end == std::wstring::npos) return std::nullopt;
                element.text += xml_.substr(at_ + 9, end - at_ - 9);
                at_ = end + 3;
                continue;
            }
            if (StartsWith(L"<!--") || StartsWith(L"<?")) {
                if (!SkipMarkup()) return std::nullopt;
                continue;
            }
            if (StartsWith(L"<!")) return std::nullopt;
            std::optional<Element> child = ReadElement(depth + 1);
            if (!child) return std::nullopt;
            element.children.push_back(std::move(*child));
        }
    }

    const std::wstring& xml_;
    std::size_t at_ = 0;
};

std::wstring TextOf(const Element* element) { return element != nullptr ? Trimmed(element->text) : std::wstring(); }

int DaysInterval(const Element& trigger) {
    const Element* byDay = trigger.Child(L"ScheduleByDay");
    if (byDay == nullptr) return 0;
    const std::wstring text = TextOf(byDay->Child(L"DaysInterval"));
    if (text.empty()) return 1;  // the schema's default
    int value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9' || value > 1000) return -1;
        value = value * 10 + (c - L'0');
    }
    return value;
}

}  // namespace

std::optional<TaskDefinition> ParseTaskDefinition(const std::wstring& xml) {
    const std::optional<Element> root = Reader(xml).Document();
    if (!root || root->name != L"Task") return std::nullopt;
    TaskDefinition definition;
    if (const Element* actions = root->Child(L"Actions")) {
        for (const Element& child : actions->children) {
            TaskAction action;
            action.exec = child.name == L"Exec";
            action.command = TextOf(child.Child(L"Command"));
            action.arguments = TextOf(child.Child(L"Arguments"));
            definition.actions.push_back(std::move(action));
        }
    }
    if (const Element* triggers = root->Child(L"Triggers")) {
        for (const Element& child : triggers->children) {
            TaskTrigger trigger;
            trigger.calendar = child.name == L"CalendarTrigger";
            trigger.enabled = TextOf(child.Child(L"Enabled")) != L"false";
            trigger.daysInterval = DaysInterval(child);
            trigger.startBoundary = TextOf(child.Child(L"StartBoundary"));
            definition.triggers.push_back(std::move(trigger));
        }
    }
    return definition;
}

std::optional<int> WholeHourOf(const std::wstring& startBoundary) {
    // YYYY-MM-DDTHH:MM:SS
    if (startBoundary.size() < 19 || startBoundary[10] != L'T' || startBoundary[13] != L':' ||
        startBoundary[16] != L':') {
        return std::nullopt;
    }
    const auto digits = [&startBoundary](std::size_t at) -> int {
        const wchar_t a = startBoundary[at];
        const wchar_t b = startBoundary[at + 1];
        if (a < L'0' || a > L'9' || b < L'0' || b > L'9') return -1;
        return (a - L'0') * 10 + (b - L'0');
    };
    const int hour = digits(11);
    if (hour < 0 || hour > 23 || digits(14) != 0 || digits(17) != 0) return std::nullopt;
    // Fractions of a second other than zero are not a whole hour.
    if (startBoundary.size() > 19 && startBoundary[19] == L'.') {
        for (std::size_t i = 20; i < startBoundary.size() && startBoundary[i] >= L'0' && startBoundary[i] <= L'9'; ++i) {
            if (startBoundary[i] != L'0') return std::nullopt;
        }
    }
    return hour;
}

}  // namespace tavrin
