// The box robot for the demo and the benchmark:
//   robot.exe [--answers ok,cancel,close,...] [--shots DIR] [--timeout SECONDS] -- COMMAND
// runs the command and waits for it and every process it starts, prints one line per box
// ("box N: caption | text | buttons", UTF-8), optionally saves each box as DIR\box-N.bmp
// before answering it (and the progress window, once it shows, as DIR\progress.bmp), then
// prints "exit CODE", "processes N" (it and those it started) and
// "elapsed SECONDS" (from the start to the end of the last of them), and exits with the
// started process's exit code (124 after the timeout, default 120 s).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "wintest.h"

namespace {

bool SaveShot(HWND box, const std::string& path, DWORD settleMs = 200) {
    // Let the box paint itself completely before it is taken.
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(settleMs);
    RECT r;
    if (!GetWindowRect(box, &r)) return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD stride = ((width * 3) + 3) & ~3u;
    std::string pixels(stride * height, '\0');
    GetDIBits(memory, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    fwrite(&header, sizeof(header), 1, file);
    fwrite(&info, sizeof(info), 1, file);
    fwrite(pixels.data(), 1, pixels.size(), file);
    return fclose(file) == 0;
}

// Takes a picture of the progress window once it has shown for a moment, until stop is set.
DWORD WINAPI ShootProgress(void* parameter) {
    const std::string& path = *static_cast<const std::string*>(parameter);
    for (int i = 0; i < 12000; ++i) {
        HWND window = FindWindowA("UninstallProgress", nullptr);
        if (window && IsWindowVisible(window)) {
            SaveShot(window, path, 50);  // it shows for as long as the removal takes
            return 0;
        }
        Sleep(10);
    }
    return 0;
}

int Usage() {
    fprintf(stderr, "usage: robot.exe [--answers ok,cancel,close,...] [--shots DIR] "
                    "[--timeout SECONDS] -- COMMAND\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<wt::Answer> answers;
    std::string shots;
    DWORD timeoutMs = 120000;
    int i = 1;
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (strcmp(argv[i], "--answers") == 0 && i + 1 < argc) {
            std::string list = std::string(argv[++i]) + ",";
            for (size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos;
                 at = comma + 1) {
                std::string word = list.substr(at, comma - at);
                if (word == "ok") answers.push_back(wt::Answer::Ok);
                else if (word == "cancel") answers.push_back(wt::Answer::Cancel);
                else if (word == "close") answers.push_back(wt::Answer::Close);
                else if (!word.empty()) return Usage();
            }
        } else if (strcmp(argv[i], "--shots") == 0 && i + 1 < argc) {
            shots = argv[++i];
        } else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            timeoutMs = static_cast<DWORD>(atoi(argv[++i])) * 1000;
        } else {
            return Usage();
        }
    }
    // The command is the rest of our own line as written, quotes and all.
    const char* line = GetCommandLineA();
    const char* dashes = strstr(line, " -- ");
    if (i >= argc || !dashes) return Usage();
    std::string command = dashes + 4;
    if (!shots.empty()) wt::MakeDirs(shots);
    const std::string progressShot = shots + "\\progress.bmp";
    if (!shots.empty()) CloseHandle(CreateThread(nullptr, 0, ShootProgress,
                                                 const_cast<std::string*>(&progressShot), 0, nullptr));

    int count = 0;
    wt::RunResult result = wt::RunAndAnswer(
        command, answers, "", timeoutMs, [&](HWND window, const wt::Box& box) {
            ++count;
            if (!shots.empty()) SaveShot(window, shots + "\\box-" + std::to_string(count) + ".bmp");
            printf("box %d: %s\n", count, wt::Describe(box).c_str());
            fflush(stdout);
        });
    printf("exit %lu\nprocesses %lu\nelapsed %.6f\n", result.exitCode, result.processes,
           result.seconds);
    if (result.timedOut) {
        fprintf(stderr, "robot: timed out, processes terminated\n");
        return 124;
    }
    return static_cast<int>(result.exitCode);
}
