#include "base/text.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

int TextBuffer::Copy(const char* source) {
    size_t n = strlen(source);
    if (n >= kSize) return 0;
    memcpy(text, source, n + 1);
    return 1;
}

int TextBuffer::Append(const char* source) {
    size_t have = strlen(text);
    size_t n = strlen(source);
    if (have + n >= kSize) return 0;
    memcpy(text + have, source, n + 1);
    return 1;
}

size_t TextBuffer::Length() const { return strlen(text); }

NameList::NameList(const char* list) : copy_(nullptr), next_(nullptr) {
    if (!list) return;
    size_t n = strlen(list) + 1;
    copy_ = static_cast<char*>(malloc(n));
    if (copy_) memcpy(copy_, list, n);
    next_ = copy_;
}

NameList::~NameList() { free(copy_); }

const char* NameList::Next() {
    if (!next_) return nullptr;
    while (*next_ == ',') ++next_;
    if (*next_ == '\0') {
        next_ = nullptr;
        return nullptr;
    }
    char* name = next_;
    while (*next_ != '\0' && *next_ != ',') ++next_;
    if (*next_ == ',') *next_++ = '\0';
    return name;
}

TextList::~TextList() { free(texts_); }

void TextList::Add(const char* text) {
    size_t length = strlen(text) + 1;
    if (used_ + length > capacity_) {
        size_t capacity = capacity_ ? capacity_ * 2 : 4096;
        while (used_ + length > capacity) capacity *= 2;
        char* grown = static_cast<char*>(realloc(texts_, capacity));
        if (!grown) {
            complete_ = false;
            return;
        }
        texts_ = grown;
        capacity_ = capacity;
    }
    memcpy(texts_ + used_, text, length);
    used_ += length;
}

const char* TextList::Next(const char* text) const {
    const char* next = text + strlen(text) + 1;
    return next < texts_ + used_ ? next : nullptr;
}

WidePath::~WidePath() { free(text_); }

wchar_t* WidePath::Room(size_t n) {
    size_t needed = length_ + n + 1;
    if (needed > capacity_) {
        size_t capacity = capacity_ ? capacity_ : 256;
        while (capacity < needed) capacity *= 2;
        wchar_t* grown = static_cast<wchar_t*>(realloc(text_, capacity * sizeof(wchar_t)));
        if (!grown) return nullptr;
        text_ = grown;
        capacity_ = capacity;
    }
    return text_ + length_;
}

void WidePath::Keep(size_t written) {
    length_ += written;
    text_[length_] = L'\0';
}

bool WidePath::Append(const wchar_t* text) {
    size_t n = wcslen(text);
    wchar_t* room = Room(n);
    if (!room) return false;
    memcpy(room, text, n * sizeof(wchar_t));
    Keep(n);
    return true;
}

void WidePath::Truncate(size_t length) {
    if (length >= length_) return;
    length_ = length;
    text_[length_] = L'\0';
}

static unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool EqualPrefixNoCase(const char* a, const char* b, size_t n) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (size_t i = 0; i < n; ++i) {
        if (IsLeadByte(x[i])) {
            // Both bytes of a double-byte character must be equal as they stand.
            if (x[i] != y[i]) return false;
            if (++i < n && x[i] != y[i]) return false;
        } else if (FoldAscii(x[i]) != FoldAscii(y[i])) {
            return false;
        }
    }
    return true;
}

bool EqualNoCase(const char* a, const char* b) {
    size_t n = strlen(a);
    return strlen(b) == n && EqualPrefixNoCase(a, b, n);
}
