// Allocation on the process heap. When it fails the new-handler of the moment is called, as
// the standard asks; without one null comes back instead of an exception, so the product
// carries no exception machinery.
#include <windows.h>

#include <new>

void* operator new(size_t size) {
    void* p;
    while (!(p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1))) {
        std::new_handler handler = std::get_new_handler();
        if (!handler) break;
        handler();
    }
    return p;
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { if (p) HeapFree(GetProcessHeap(), 0, p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }
