// The progress window of a long removal: a caption, "正在卸载，请稍候...", a bar and the folder
// being removed. It appears only once the removal has taken longer than half a second, so
// short uninstalls look as before, and it offers no way to cancel. A thread of its own keeps
// it painted however long one delete takes.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"

class ProgressWindow {
public:
    // total: how many steps the removal takes. quiet: never show the window.
    ProgressWindow(unsigned long total, bool quiet);
    ~ProgressWindow();  // closes the window, if it ever showed
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void SetDone(unsigned long done) { InterlockedExchange(&done_, static_cast<LONG>(done)); }
    // The folder being removed, as head and rest (PathForm).
    void SetFolder(const wchar_t* head, const wchar_t* rest);

private:
    static DWORD WINAPI Run(void* self);
    static LRESULT CALLBACK Paint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Draw(HWND window);

    volatile LONG done_ = 0;
    LONG total_;
    volatile LONG folderChanges_ = 0;
    int dpi_ = 96;          // the window's, on its thread
    ScopedGdiObject font_;  // of the window's thread, at dpi_
    SRWLOCK lock_ = SRWLOCK_INIT;
    WideText folder_;  // under lock_
    ScopedHandle finished_;
    ScopedHandle thread_;
};
