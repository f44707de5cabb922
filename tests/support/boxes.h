// What the tests expect a run to show, and the working copy started as phase one starts it.
#pragma once
#include <gtest/gtest.h>

#include "wintest.h"

namespace wt {

// The caption of the working copy's boxes: its file name without the extension.
constexpr char kCopyCaption[] = "VORNAuninstall";

// A notice with OK only, and the confirm box with OK and Cancel.
inline Box Notice(const std::string& utf8Text, const std::string& caption = kCopyCaption) {
    Box box;
    box.caption = caption;
    box.text = Gbk(utf8Text);
    box.buttons = {IDOK};
    return box;
}

inline Box Confirm() {
    Box box = Notice("确认卸载？");
    box.buttons = {IDOK, IDCANCEL};
    return box;
}

// The last boxes of a run: success, the restart that finishes it, and the failures, which
// name a code after two blanks (one where the temp directory or the program's own path is
// not found) or a program to close.
inline Box Success() { return Notice("卸载成功!"); }
inline Box RestartNeeded() { return Notice("卸载完成，部分文件将在重新启动计算机后删除"); }
inline Box Failure(const std::string& code, const std::string& caption = kCopyCaption) {
    return Notice("卸载失败  错误码:" + code, caption);
}
inline Box FailureOneBlank(const std::string& code, const std::string& caption = kCopyCaption) {
    return Notice("卸载失败 错误码:" + code, caption);
}
inline Box CloseProgram(const std::string& name) { return Notice("卸载失败  请先关闭程序: " + name); }

// A confirmed run's boxes: the confirm box, then last.
inline std::vector<Box> Confirmed(const Box& last) { return {Confirm(), last}; }

// The working copy started from the temp directory with options; the run must end in time
// with exitCode. The copy is removed afterwards.
inline RunResult RunWorkingCopy(const std::string& options, std::vector<Answer> answers = {},
                                DWORD exitCode = 1,
                                const std::function<void(HWND, const Box&)>& onBox = nullptr) {
    std::string copy = CopyUninstall(WorkingCopy());
    RunResult result = RunAndAnswer("\"" + copy + "\" " + options, answers, TempDir(), 60000, onBox);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, exitCode);
    DeleteFileA(copy.c_str());
    return result;
}

}  // namespace wt
