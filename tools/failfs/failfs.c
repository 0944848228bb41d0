/* A read-only view of a folder whose reads fail (EIO) wherever they touch a
 * window of byte offsets: a disk that breaks in the middle of a file, for the
 * tests of what a conversion does when its source cannot be read to the end.
 * Usage: failfs SOURCE_DIR FAIL_FROM FAIL_BYTES MOUNT_POINT [fuse options]   */
#define FUSE_USE_VERSION 31
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char *g_source;
static off_t g_failFrom, g_failTo;

static void full_path(char out[PATH_MAX], const char *path) { snprintf(out, PATH_MAX, "%s%s", g_source, path); }

static int ff_getattr(const char *path, struct stat *st, struct fuse_file_info *fi) {
    (void)fi;
    char full[PATH_MAX];
    full_path(full, path);
    if (lstat(full, st) != 0) return -errno;
    st->st_mode &= ~0222; /* read-only */
    return 0;
}

static int ff_readdir(const char *path, void *buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info *fi,
                      enum fuse_readdir_flags flags) {
    (void)offset, (void)fi, (void)flags;
    char full[PATH_MAX];
    full_path(full, path);
    DIR *dir = opendir(full);
    if (!dir) return -errno;
    for (struct dirent *e; (e = readdir(dir)) != NULL;) fill(buf, e->d_name, NULL, 0, 0);
    closedir(dir);
    return 0;
}

static int ff_open(const char *path, struct fuse_file_info *fi) {
    if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    char full[PATH_MAX];
    full_path(full, path);
    int fd = open(full, O_RDONLY);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    fi->direct_io = 1; /* the page cache would hide a failing read behind an earlier good one */
    return 0;
}

static int ff_read(const char *path, char *buf, size_t size, off_t offset, struct fuse_file_info *fi) {
    (void)path;
    if (offset < g_failTo && offset + (off_t)size > g_failFrom) return -EIO;
    ssize_t got = pread((int)fi->fh, buf, size, offset);
    return got < 0 ? -errno : (int)got;
}

static int ff_release(const char *path, struct fuse_file_info *fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static const struct fuse_operations kOperations = {
    .getattr = ff_getattr, .readdir = ff_readdir, .open = ff_open, .read = ff_read, .release = ff_release,
};

int main(int argc, char *argv[]) {
    if (argc < 5) {
        fprintf(stderr, "usage: %s SOURCE_DIR FAIL_FROM FAIL_BYTES MOUNT_POINT [fuse options]\n", argv[0]);
        return 2;
    }
    static char source[PATH_MAX];
    if (!realpath(argv[1], source)) return 2;
    g_source = source;
    g_failFrom = strtoll(argv[2], NULL, 10);
    g_failTo = g_failFrom + strtoll(argv[3], NULL, 10);
    argv[3] = argv[0];
    return fuse_main(argc - 3, argv + 3, &kOperations, NULL);
}
