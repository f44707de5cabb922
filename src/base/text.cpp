#include "base/text.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

WideText::~WideText() { free(text_); }

wchar_t* WideText::Room(size_t n) {
    size_t needed = length_ + n + 1;
    if (needed > capacity_) {
        size_t capacity = capacity_ ? capacity_ : 256;
        while (capacity < needed) capacity *= 2;
        wchar_t* grown = static_cast<wchar_t*>(realloc(text_, capacity * sizeof(wchar_t)));
        if (!grown) return nullptr;
        text_ = grown;
        capacity_ = capacity;
        text_[length_] = L'\0';  // the text stays a text, whatever is written into the room
    }
    return text_ + length_;
}

void WideText::Keep(size_t written) {
    length_ += written;
    text_[length_] = L'\0';
}

bool WideText::Append(const wchar_t* text) {
    size_t n = wcslen(text);
    wchar_t* room = Room(n);
    if (!room) return false;
    memcpy(room, text, n * sizeof(wchar_t));
    Keep(n);
    return true;
}

void WideText::Truncate(size_t length) {
    if (length >= length_) return;
    length_ = length;
    text_[length_] = L'\0';
}

NameList::NameList(const wchar_t* list) : copy_(nullptr), next_(nullptr) {
    if (!list) return;
    size_t n = wcslen(list) + 1;
    copy_ = static_cast<wchar_t*>(malloc(n * sizeof(wchar_t)));
    if (copy_) memcpy(copy_, list, n * sizeof(wchar_t));
    next_ = copy_;
}

NameList::~NameList() { free(copy_); }

const wchar_t* NameList::Next() {
    if (!next_) return nullptr;
    while (*next_ == L',') ++next_;
    if (*next_ == L'\0') {
        next_ = nullptr;
        return nullptr;
    }
    wchar_t* name = next_;
    while (*next_ != L'\0' && *next_ != L',') ++next_;
    if (*next_ == L',') *next_++ = L'\0';
    return name;
}

TextList::~TextList() { free(texts_); }

void TextList::Add(const wchar_t* text) {
    size_t length = wcslen(text) + 1;
    if (used_ + length > capacity_) {
        size_t capacity = capacity_ ? capacity_ * 2 : 2048;
        while (used_ + length > capacity) capacity *= 2;
        wchar_t* grown = static_cast<wchar_t*>(realloc(texts_, capacity * sizeof(wchar_t)));
        if (!grown) {
            complete_ = false;
            return;
        }
        texts_ = grown;
        capacity_ = capacity;
    }
    memcpy(texts_ + used_, text, length * sizeof(wchar_t));
    used_ += length;
}

const wchar_t* TextList::Next(const wchar_t* text) const {
    const wchar_t* next = text + wcslen(text) + 1;
    return next < texts_ + used_ ? next : nullptr;
}

static wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c; }

bool EqualPrefixNoCase(const wchar_t* a, const wchar_t* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool EqualNoCase(const wchar_t* a, const wchar_t* b) {
    size_t n = wcslen(a);
    return wcslen(b) == n && EqualPrefixNoCase(a, b, n);
}
