// Text helpers shared by every subsystem. Portable: no windows.h.
#pragma once
#include <stddef.h>

// A fixed 1024-byte ANSI text. Copy and Append never cut a text: one that would not fit
// leaves the buffer as it was and returns 0, so a truncated path can never be used.
struct TextBuffer {
    enum { kSize = 1024 };
    char text[kSize];

    TextBuffer() { text[0] = '\0'; }
    int Copy(const char* source);
    int Append(const char* source);
    size_t Length() const;
    operator char*() { return text; }
    operator const char*() const { return text; }
};

// The names of a NameList, in order: runs of commas are one separator, leading and trailing
// commas are skipped, blanks belong to the names. Splits a heap copy of its own, so a list
// of any length is taken whole; a null list has no names.
class NameList {
public:
    explicit NameList(const char* list);
    ~NameList();
    NameList(const NameList&) = delete;
    NameList& operator=(const NameList&) = delete;
    const char* Next();  // the next name, or null when the list is over

private:
    char* copy_;
    char* next_;
};

// ASCII-only case folding: A-Z equal a-z, every other byte must be equal, both bytes of a
// GBK double-byte character included. Locale-free on purpose.
bool EqualPrefixNoCase(const char* a, const char* b, size_t n);
bool EqualNoCase(const char* a, const char* b);
const char* FindNoCase(const char* haystack, const char* needle);
