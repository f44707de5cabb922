// Text helpers shared by every subsystem. Portable: no windows.h. Names, paths and messages
// are UTF-16 text (wchar_t) inside; only the message texts are stored in code page 936.
#pragma once
#include <stddef.h>

// A text of wchar_t characters on the heap, of any length the system allows: paths, command
// lines, messages. An append that finds no memory leaves the text as it was and returns
// false, so a cut text is never used.
class WideText {
public:
    WideText() = default;
    ~WideText();
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;
    bool Append(const wchar_t* text);
    bool Assign(const wchar_t* text) { Truncate(0); return Append(text); }
    size_t Length() const { return length_; }
    void Truncate(size_t length);  // back to an earlier length
    // Writable room for n characters and a NUL after the text, or null; Keep(k) then
    // takes the first k characters written there into the text.
    wchar_t* Room(size_t n);
    void Keep(size_t written);
    const wchar_t* Text() const { return text_ ? text_ : L""; }
    operator const wchar_t*() const { return Text(); }

private:
    wchar_t* text_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;  // characters, the NUL included
};

// The names of a NameList, in order: runs of commas are one separator, leading and trailing
// commas are skipped, blanks belong to the names. Splits a heap copy of its own, so a list
// of any length is taken whole; a null list has no names.
class NameList {
public:
    explicit NameList(const wchar_t* list);
    ~NameList();
    NameList(const NameList&) = delete;
    NameList& operator=(const NameList&) = delete;
    const wchar_t* Next();  // the next name, or null when the list is over

private:
    wchar_t* copy_;
    wchar_t* next_;
};

// A growing list of texts, each copied whole onto the heap. A text that finds no memory is
// left out and the list remembers it (Complete() turns false).
class TextList {
public:
    TextList() = default;
    ~TextList();
    TextList(const TextList&) = delete;
    TextList& operator=(const TextList&) = delete;
    void Add(const wchar_t* text);
    bool Complete() const { return complete_; }
    // Iteration: for (const wchar_t* t = list.First(); t; t = list.Next(t)).
    const wchar_t* First() const { return used_ ? texts_ : nullptr; }
    const wchar_t* Next(const wchar_t* text) const;

private:
    wchar_t* texts_ = nullptr;
    size_t used_ = 0;      // characters
    size_t capacity_ = 0;  // characters
    bool complete_ = true;
};

// ASCII-only case folding: A-Z equal a-z, every other character must be equal. Locale-free
// on purpose.
bool EqualPrefixNoCase(const wchar_t* a, const wchar_t* b, size_t n);
bool EqualNoCase(const wchar_t* a, const wchar_t* b);
