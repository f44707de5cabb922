#include "report/progress.h"

#include "base/loaded.h"
#include "report/boxes.h"
#include "report/log.h"
#include "report/messages.h"

namespace {

const wchar_t kClass[] = L"UninstallProgress";
const int kWidth = 440, kHeight = 150;  // the window's client area at 96 DPI
const DWORD kDelayMs = 500;            // short removals show no window
const DWORD kTickMs = 250;             // how often the bar and the folder may change
const RECT kLine = {20, 20, kWidth - 20, 44};
const RECT kBar = {20, 60, kWidth - 20, 82};
const RECT kFolder = {20, 96, kWidth - 20, 120};

const UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED, which Windows 8.1 brought

// A rectangle laid out at 96 DPI, at dpi.
RECT Scaled(const RECT& r, int dpi) {
    return {MulDiv(r.left, dpi, 96), MulDiv(r.top, dpi, 96), MulDiv(r.right, dpi, 96),
            MulDiv(r.bottom, dpi, 96)};
}

// The window's DPI: its monitor's (Windows 10 1607 and later), else the system's.
int DpiOf(HWND window) {
    if (auto forWindow = FromLoadedDll<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow"))
        if (UINT dpi = forWindow(window)) return static_cast<int>(dpi);
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// Sizes the window for its client area at dpi, about the same centre.
void FitWindow(HWND window, int dpi, const RECT* suggested) {
    if (suggested) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    RECT frame = Scaled({0, 0, kWidth, kHeight}, dpi);
    auto adjustForDpi = FromLoadedDll<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(
        L"user32.dll", "AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi)))
        AdjustWindowRect(&frame, style, FALSE);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

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
    // It is laid out for the DPI of the monitor it shows on, and again where that changes.
    HWND window = CreateWindowW(kClass, AppTitle(), WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT,
                                CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (!window) return 0;
    self->dpi_ = DpiOf(window);
    FitWindow(window, self->dpi_, nullptr);
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
            RECT bar = Scaled(kBar, self->dpi_);
            InvalidateRect(window, &bar, FALSE);
        }
        if (self->folderChanges_ != paintedFolder) {
            paintedFolder = self->folderChanges_;
            RECT folder = Scaled(kFolder, self->dpi_);
            InvalidateRect(window, &folder, TRUE);
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
    if (message == kDpiChanged && self) {
        self->dpi_ = HIWORD(wParam);
        self->font_.reset();
        FitWindow(window, self->dpi_, reinterpret_cast<const RECT*>(lParam));
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    if (message != WM_PAINT || !self) return DefWindowProcW(window, message, wParam, lParam);
    self->Draw(window);
    return 0;
}

void ProgressWindow::Draw(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!font_.valid()) {
        // The message font at the window's DPI (Windows 10 1607 and later), else the system's.
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        auto forDpi = FromLoadedDll<BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT)>(
            L"user32.dll", "SystemParametersInfoForDpi");
        if (!forDpi || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                               static_cast<UINT>(dpi_)))
            SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    HGDIOBJ oldFont = SelectObject(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT line = Scaled(kLine, dpi_), bar = Scaled(kBar, dpi_), folder = Scaled(kFolder, dpi_);
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
