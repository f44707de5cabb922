// The removal's walk alone, as it runs on Windows: DeleteTree with the listing and
// FILE_OPEN_REPARSE_POINT deciding what is a link, and without the per-file name check and
// the rename over a file's link that Wine needs. On a tree without links it measures under
// Wine what Windows users get.
// Usage: walk.exe DIR
#include "remove/calls.h"
#include "remove/tree.h"

namespace {

struct AsOnWindows : RemovalCalls {
    bool IsWine() override { return false; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    AsOnWindows windows;
    CallsForTesting calls(windows);
    return DeleteTree(argv[1], true) == ERROR_SUCCESS ? 0 : 1;
}
