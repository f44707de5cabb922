#include "relocate/lists.h"

#include <string.h>

#include <new>

#include "base/handles.h"
#include "relocate/config.h"
#include "report/boxes.h"
#include "report/log.h"
#include "report/outcome.h"
#include "sysloc/sysloc.h"

namespace {

// TinyXML uses what new gives it without looking: running out of memory while conf.xml is
// read ends phase one as any other unreadable conf.xml does.
[[noreturn]] void ConfigOutOfMemory() {
    const FailureMessage& message = MessageOf(Failure::NoConfig);
    ShowFailure(message.prefix, message.code);
    ExitProcess(1);
}

// The file's bytes, whole, when it is no larger than kMaxConfigBytes.
DWORD ReadWholeFile(const wchar_t* path, ScopedBlock& bytes, DWORD& size) {
    ScopedFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER length;
    if (!file.valid() || !GetFileSizeEx(file.get(), &length)) return GetLastError();
    if (length.QuadPart > kMaxConfigBytes) return ERROR_INVALID_DATA;
    size = static_cast<DWORD>(length.QuadPart);
    bytes.reset(HeapAlloc(GetProcessHeap(), 0, size + 1));
    DWORD read = 0;
    if (!bytes.valid()) return ERROR_NOT_ENOUGH_MEMORY;
    if (!ReadFile(file.get(), bytes.get(), size, &read, nullptr)) return GetLastError();
    return read == size ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

// A WARN line for an element of conf.xml this program does not read; context points to the
// code page of the document's texts.
void WarnUnknownElement(void* context, const char* name, int row, const char* nearest,
                        const char* nearestParent) {
    WideText element;
    AppendFromCodePage(element, name, *static_cast<unsigned*>(context));
    LogLine line(LogLevel::Warn);
    line << "conf.xml, line " << static_cast<unsigned long long>(row) << ": the element <"
         << element.Text() << "> is not read";
    if (nearest && strcmp(nearest, name) == 0)
        line << ": only the first <" << nearest << "> below <" << nearestParent << "> is";
    else if (nearest)
        line << ": did you mean <" << nearest << ">" << (*nearestParent ? " below <" : "")
             << nearestParent << (*nearestParent ? ">" : "") << "?";
}

const char* const kSources[] = {"its byte-order mark", "its declaration",
                                "its content (it has no declaration)"};

}  // namespace

DWORD ReadLists(const wchar_t* configPath, WideText (&lists)[4]) {
    if (!PathExists(configPath, nullptr)) return ERROR_FILE_NOT_FOUND;
    DWORD size = 0;
    ScopedBlock block;
    DWORD code = ReadWholeFile(configPath, block, size);
    if (code != ERROR_SUCCESS) return code;
    const char* bytes = static_cast<const char*>(block.get());
    ConfigEncoding encoding = DetectConfigEncoding(bytes, size);
    if (encoding.codePage)
        LogLine() << "conf.xml is in code page "
                  << static_cast<unsigned long long>(encoding.codePage) << ", by "
                  << kSources[encoding.source];
    if (encoding.declarationOverruled)
        LogLine(LogLevel::Warn) << "conf.xml declares a Chinese code page (GB2312, GBK or "
                                << "GB18030), but its bytes are UTF-8: it is read as UTF-8; "
                                << "declare encoding=\"UTF-8\"";
    if (encoding.fault)
        LogLine(LogLevel::Error) << "conf.xml cannot be read: " << encoding.fault;
    else if (!encoding.codePage || !IsValidCodePage(encoding.codePage))
        LogLine(LogLevel::Error) << "conf.xml cannot be read: its declaration names an encoding "
                                 << "this system does not know";
    std::set_new_handler(ConfigOutOfMemory);
    TiXmlDocument config;
    bool loaded = encoding.codePage != 0 && IsValidCodePage(encoding.codePage) &&
                  ParseConfig(config, bytes, size, encoding.codePage);
    std::set_new_handler(nullptr);
    block.reset();
    if (!loaded && config.Error())
        LogLine(LogLevel::Error) << "conf.xml cannot be read: " << config.ErrorDesc() << ", line "
                                 << static_cast<unsigned long long>(config.ErrorRow())
                                 << ", column "
                                 << static_cast<unsigned long long>(config.ErrorCol());
    if (!loaded) return ERROR_INVALID_DATA;
    unsigned textPage = ConfigTextCodePage(encoding.codePage);
    CheckConfigElements(config, WarnUnknownElement, &textPage);
    static const char* const kPaths[] = {CONFIG_EXECUTABLE, CONFIG_REG_FOLDER_NAME,
                                         CONFIG_SC_FOLDER_NAME, CONFIG_SC_DESKTOP_NAME};
    TiXmlHandle document(&config);
    for (int i = 0; i < 4; ++i) {
        const char* text = LookupConfigText(document, kPaths[i]);
        if (text && !AppendFromCodePage(lists[i], text, textPage)) return ERROR_INVALID_DATA;
    }
    return ERROR_SUCCESS;
}
