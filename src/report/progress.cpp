#include "report/progress.h"

#include "report/boxes.h"
#include "report/log.h"
#include "report/messages.h"

namespace {

const wchar_t kClass[] = L"UninstallProgress";
const int kWidth = 440, kHeight = 150;  // the window's client area
const DWORD kDelayMs = 500;            // short removals show no window
const DWORD kTickMs = 250;             // how often the bar and the folder may change
const RECT kLine = {20, 20, kWidth - 20, 44};
const RECT kBar = {20, 60, kWidth - 20, 82};
const RECT kFolder = {20, 96, kWidth - 20, 120};

void DrawGbk(HDC dc, const char* gbk, RECT* area, UINT format) {
    WideText text;
    if (AppendGbk(text, gbk)) DrawTextW(dc, text, static_cast<int>(text.Length()), area, format);
}

}  // namespace

ProgressWindow::ProgressWindow(unsigned long total, bool quiet)
    : total_(static_cast<LONG>(total ? total : 1)) {
    if (quiet) return;
    finished_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (finished_.valid()) thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

ProgressWindow::~ProgressWindow() {
    if (!thread_.valid()) return;
    SetEvent(finished_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
}

void ProgressWindow::SetFolder(const wchar_t* head, const wchar_t* rest) {
    AcquireSRWLockExclusive(&lock_);
    folder_.Truncate(0);
    if (folder_.Append(head)) folder_.Append(rest);
    ReleaseSRWLockExclusive(&lock_);
    InterlockedIncrement(&folderChanges_);
}

DWORD WINAPI ProgressWindow::Run(void* parameter) {
    ProgressWindow* self = static_cast<ProgressWindow*>(parameter);
    if (WaitForSingleObject(self->finished_.get(), kDelayMs) == WAIT_OBJECT_0) return 0;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Paint;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_WAIT);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClass;
    RegisterClassW(&windowClass);
    // A caption but no close box: a half-removed application is worse than a finished one.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION;
    RECT frame = {0, 0, kWidth, kHeight};
    AdjustWindowRect(&frame, style, FALSE);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    HWND window =
        CreateWindowW(kClass, AppTitle(), style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                      (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                      windowClass.hInstance, nullptr);
    if (!window) return 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    // Every message answered, and what changed repainted (the bar, the folder) four times a
    // second, until the removal is over: painting is dear under a busy removal.
    LONG paintedDone = -1, paintedFolder = -1;
    for (;;) {
        HANDLE finished = self->finished_.get();
        DWORD woke = MsgWaitForMultipleObjects(1, &finished, FALSE, kTickMs, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (self->done_ != paintedDone) {
            paintedDone = self->done_;
            InvalidateRect(window, &kBar, FALSE);
        }
        if (self->folderChanges_ != paintedFolder) {
            paintedFolder = self->folderChanges_;
            InvalidateRect(window, &kFolder, TRUE);
        }
    }
    DestroyWindow(window);
    UnregisterClassW(kClass, windowClass.hInstance);
    self->font_.reset();
    return 0;
}

LRESULT CALLBACK ProgressWindow::Paint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ProgressWindow* self =
        reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_CLOSE) return 0;  // no way to cancel
    if (message != WM_PAINT || !self) return DefWindowProcW(window, message, wParam, lParam);
    self->Draw(window);
    return 0;
}

void ProgressWindow::Draw(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!font_.valid()) {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    HGDIOBJ oldFont = SelectObject(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT line = kLine, bar = kBar, folder = kFolder;
    DrawGbk(dc, MSG_REMOVING, &line, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    FrameRect(dc, &bar, GetSysColorBrush(COLOR_BTNSHADOW));
    LONG done = done_, total = total_;
    RECT filled = {bar.left + 2, bar.top + 2, bar.left + 2, bar.bottom - 2};
    filled.right += MulDiv(bar.right - bar.left - 4, done < total ? done : total, total);
    FillRect(dc, &filled, GetSysColorBrush(COLOR_HIGHLIGHT));
    AcquireSRWLockShared(&lock_);
    DrawTextW(dc, folder_, static_cast<int>(folder_.Length()), &folder,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS | DT_NOPREFIX);
    ReleaseSRWLockShared(&lock_);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
}
