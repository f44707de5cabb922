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

// A growing list of texts, each copied whole onto the heap. A text that finds no memory is
// left out and the list remembers it (Complete() turns false).
class TextList {
public:
    TextList() = default;
    ~TextList();
    TextList(const TextList&) = delete;
    TextList& operator=(const TextList&) = delete;
    void Add(const char* text);
    bool Complete() const { return complete_; }
    // Iteration: for (const char* t = list.First(); t; t = list.Next(t)).
    const char* First() const { return used_ ? texts_ : nullptr; }
    const char* Next(const char* text) const;

private:
    char* texts_ = nullptr;
    size_t used_ = 0;
    size_t capacity_ = 0;
    bool complete_ = true;
};

// A path of UTF-16 (wchar_t) characters on the heap, of any length the system allows: the
// tree walk appends an entry's name and cuts it off again. An append that finds no memory
// leaves the path as it was and returns false.
class WidePath {
public:
    WidePath() = default;
    ~WidePath();
    WidePath(const WidePath&) = delete;
    WidePath& operator=(const WidePath&) = delete;
    bool Append(const wchar_t* text);
    size_t Length() const { return length_; }
    void Truncate(size_t length);  // back to an earlier length
    // Writable room for n characters and a NUL after the text, or null; Keep(k) then
    // takes the first k characters written there into the path.
    wchar_t* Room(size_t n);
    void Keep(size_t written);
    const wchar_t* Text() const { return text_ ? text_ : L""; }
    operator const wchar_t*() const { return Text(); }

private:
    wchar_t* text_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;  // characters, the NUL included
};

// The first byte of a GBK double-byte character; its second byte may be any of 0x40-0xFE,
// the backslash 0x5C among them.
inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// ASCII-only case folding: A-Z equal a-z, every other byte must be equal, both bytes of a
// GBK double-byte character included. Locale-free on purpose.
bool EqualPrefixNoCase(const char* a, const char* b, size_t n);
bool EqualNoCase(const char* a, const char* b);
