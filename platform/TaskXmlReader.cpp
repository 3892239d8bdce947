#include "platform/TaskXmlReader.h"

#include <windows.h>
#include <objbase.h>
#include <xmllite.h>
#include <wrl/client.h>

#include <vector>

#include "platform/SystemLibrary.h"

namespace tavrin::platform {

using Microsoft::WRL::ComPtr;

namespace {

// Task documents nest five levels; anything deeper is not one.
constexpr UINT kMaxDepth = 32;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Trimmed(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// xs:boolean: "true" and "1" are true; anything else, "0" included, is not.
bool Boolean(const std::wstring& text) { return text == L"true" || text == L"1"; }

int DaysInterval(const std::wstring& text) {
    if (text.empty()) return 1;  // the schema's default
    int value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9' || value > 1000) return -1;
        value = value * 10 + (c - L'0');
    }
    return value;
}

// Puts the text of an element that has ended into the definition, by where
// the element sits: `path` holds the local names from the root down to it.
void Take(TaskDefinition& definition, const std::vector<std::wstring>& path, const std::wstring& rawText) {
    const std::wstring text = Trimmed(rawText);
    const std::size_t depth = path.size();
    const auto at = [&path](std::size_t level, const wchar_t* name) { return path[level] == name; };
    if (depth == 3 && at(1, L"Settings") && at(2, L"Enabled")) {
        definition.enabled = Boolean(text);
    } else if (depth == 4 && at(1, L"Principals") && at(2, L"Principal")) {
        TaskPrincipal& principal = definition.principal;
        if (at(3, L"UserId")) principal.userId = text;
        else if (at(3, L"LogonType")) principal.logonType = text;
        else if (at(3, L"RunLevel")) principal.runLevel = text;
    } else if (depth == 4 && at(1, L"Actions") && !definition.actions.empty()) {
        TaskAction& action = definition.actions.back();
        if (at(3, L"Command")) action.command = text;
        else if (at(3, L"Arguments")) action.arguments = text;
    } else if (depth == 4 && at(1, L"Triggers") && !definition.triggers.empty()) {
        TaskTrigger& trigger = definition.triggers.back();
        if (at(3, L"StartBoundary")) trigger.startBoundary = text;
        else if (at(3, L"EndBoundary")) trigger.endBoundary = text;
        else if (at(3, L"Enabled")) trigger.enabled = Boolean(text);
    } else if (depth == 5 && at(1, L"Triggers") && at(3, L"ScheduleByDay") && at(4, L"DaysInterval") &&
               !definition.triggers.empty()) {
        definition.triggers.back().daysInterval = DaysInterval(text);
    }
}

// An element has begun: actions and triggers are counted as they start.
void Begin(TaskDefinition& definition, const std::vector<std::wstring>& path) {
    const std::size_t depth = path.size();
    if (depth == 3 && path[1] == L"Actions") {
        TaskAction action;
        action.exec = path[2] == L"Exec";
        definition.actions.push_back(action);
    } else if (depth == 3 && path[1] == L"Triggers") {
        TaskTrigger trigger;
        trigger.calendar = path[2] == L"CalendarTrigger";
        definition.triggers.push_back(trigger);
    } else if (depth == 4 && path[1] == L"Triggers" && path[3] == L"ScheduleByDay" && !definition.triggers.empty()) {
        definition.triggers.back().daysInterval = 1;  // unless DaysInterval says otherwise
    }
}

// A stream over a copy of the bytes, which XmlLite reads from.
ComPtr<IStream> StreamOver(const void* bytes, std::size_t size) {
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return nullptr;
    ULONG written = 0;
    if (FAILED(stream->Write(bytes, static_cast<ULONG>(size), &written)) || written != size) return nullptr;
    const LARGE_INTEGER start{};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return nullptr;
    return stream;
}

// Reads the document from `stream`; with `encoding`, the bytes are taken to
// be in it whatever the document declares.
std::optional<TaskDefinition> Read(IStream* stream, const wchar_t* encoding) {
    // Declared first: the parser's objects go before their DLL does.
    const UniqueModule xmllite = LoadSystemLibrary(L"xmllite.dll");
    const auto createReader = SystemFunction<decltype(::CreateXmlReader)>(xmllite, "CreateXmlReader");
    const auto createInput = SystemFunction<decltype(::CreateXmlReaderInputWithEncodingName)>(
        xmllite, "CreateXmlReaderInputWithEncodingName");
    if (createReader == nullptr || createInput == nullptr || stream == nullptr) return std::nullopt;

    ComPtr<IXmlReader> reader;
    if (FAILED(createReader(IID_PPV_ARGS(&reader), nullptr))) return std::nullopt;
    if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxDepth))) {
        return std::nullopt;
    }
    ComPtr<IUnknown> input;
    if (encoding != nullptr) {
        if (FAILED(createInput(stream, nullptr, encoding, FALSE, nullptr, &input))) return std::nullopt;
    } else {
        input = stream;
    }
    if (FAILED(reader->SetInput(input.Get()))) return std::nullopt;

    TaskDefinition definition;
    std::vector<std::wstring> path;
    std::wstring text;
    bool rootSeen = false;
    for (;;) {
        XmlNodeType type = XmlNodeType_None;
        const HRESULT read = reader->Read(&type);
        if (read == S_FALSE) break;  // the end of the document
        if (FAILED(read)) return std::nullopt;
        switch (type) {
            case XmlNodeType_Element: {
                const WCHAR* name = nullptr;
                UINT length = 0;
                if (FAILED(reader->GetLocalName(&name, &length))) return std::nullopt;
                if (path.empty()) {
                    if (rootSeen || std::wstring(name, length) != L"Task") return std::nullopt;
                    rootSeen = true;
                }
                path.emplace_back(name, length);
                text.clear();
                Begin(definition, path);
                // An empty element has no end of its own.
                if (reader->IsEmptyElement()) {
                    Take(definition, path, std::wstring());
                    path.pop_back();
                }
                break;
            }
            case XmlNodeType_EndElement:
                if (path.empty()) return std::nullopt;
                Take(definition, path, text);
                text.clear();
                path.pop_back();
                break;
            case XmlNodeType_Text:
            case XmlNodeType_CDATA:
            case XmlNodeType_Whitespace: {
                const WCHAR* value = nullptr;
                UINT length = 0;
                if (FAILED(reader->GetValue(&value, &length))) return std::nullopt;
                text.append(value, length);
                if (text.size() > kMaxTaskDocumentBytes) return std::nullopt;
                break;
            }
            default:
                break;  // declarations, comments, processing instructions
        }
    }
    if (!rootSeen || !path.empty()) return std::nullopt;
    return definition;
}

}  // namespace

std::optional<TaskDefinition> ReadTaskDocument(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > kMaxTaskDocumentBytes) return std::nullopt;
    return Read(StreamOver(bytes.data(), bytes.size()).Get(), nullptr);
}

std::optional<TaskDefinition> ReadTaskDocumentText(const std::wstring& text) {
    const std::size_t size = text.size() * sizeof(wchar_t);
    if (text.empty() || size > kMaxTaskDocumentBytes) return std::nullopt;
    // The text is UTF-16 whatever its declaration says.
    return Read(StreamOver(text.data(), size).Get(), L"UTF-16");
}

}  // namespace tavrin::platform
