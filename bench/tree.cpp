// Writes the benchmark's application tree from the Unix side: FILES files of 100 bytes spread
// evenly over LEAVES folders, 20 leaf folders below each top folder (dNN\sNN\fNNN.dat).
// Usage: tree ROOT FILES LEAVES
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static void Fail(const char* what, const char* path) {
    fprintf(stderr, "tree: %s %s: %s\n", what, path, strerror(errno));
    exit(1);
}

static void MakeDir(const char* path) {
    if (mkdir(path, 0755) != 0 && errno != EEXIST) Fail("mkdir", path);
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: tree ROOT FILES LEAVES\n");
        return 2;
    }
    const char* root = argv[1];
    long files = atol(argv[2]), leaves = atol(argv[3]);
    if (files < 1 || leaves < 1 || leaves > files) {
        fprintf(stderr, "tree: need 1 <= LEAVES <= FILES\n");
        return 2;
    }
    const long perTop = 20;
    char content[100];
    memset(content, 'x', sizeof(content));
    content[sizeof(content) - 1] = '\n';
    MakeDir(root);
    char path[4096];
    for (long leaf = 0; leaf < leaves; ++leaf) {
        snprintf(path, sizeof(path), "%s/d%02ld", root, leaf / perTop);
        if (leaf % perTop == 0) MakeDir(path);
        snprintf(path, sizeof(path), "%s/d%02ld/s%02ld", root, leaf / perTop, leaf % perTop);
        MakeDir(path);
        // The first files % leaves folders take one file more.
        long count = files / leaves + (leaf < files % leaves ? 1 : 0);
        for (long f = 0; f < count; ++f) {
            snprintf(path, sizeof(path), "%s/d%02ld/s%02ld/f%03ld.dat", root, leaf / perTop,
                     leaf % perTop, f);
            int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0) Fail("open", path);
            if (write(fd, content, sizeof(content)) != (ssize_t)sizeof(content)) Fail("write", path);
            close(fd);
        }
    }
    return 0;
}
