// What the tests expect a run to show, and the working copy started as phase one starts it.
#pragma once
#include <gtest/gtest.h>

#include "wintest.h"

namespace wt {

// A notice with OK only, and the confirm box with OK and Cancel.
inline Box Notice(const std::string& utf8Text, const std::string& caption = "VORNAuninstall") {
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

// The working copy started from the temp directory with options; the run must end in time
// with exit code 1. The copy is removed afterwards.
inline RunResult RunWorkingCopy(const std::string& options, std::vector<Answer> answers = {}) {
    std::string copy = CopyUninstall(TempDir(), "VORNAuninstall.exe");
    RunResult result = RunAndAnswer("\"" + copy + "\" " + options, answers, TempDir());
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1u);
    DeleteFileA(copy.c_str());
    return result;
}

}  // namespace wt
