/* A view of a folder that fails (EIO) wherever an operation touches a window
 * of byte offsets: a disk that breaks in the middle of a file.
 * Read mode, for sources that cannot be read to their end: a read-only view
 * whose reads fail in the window.
 * Rewrite mode (-w), for outputs whose second pass cannot write: a writable
 * view whose writes fail in the window where they overwrite bytes the file
 * already has; appending, and everything else, works.
 * Usage: failfs [-w] SOURCE_DIR FAIL_FROM FAIL_BYTES MOUNT_POINT [fuse options] */
#define FUSE_USE_VERSION 31
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

static const char *g_source;
static off_t g_failFrom, g_failTo;
static int g_rewrites; /* rewrite mode */

static int in_window(off_t offset, size_t size) { return offset < g_failTo && offset + (off_t)size > g_failFrom; }

static void full_path(char out[PATH_MAX], const char *path) { snprintf(out, PATH_MAX, "%s%s", g_source, path); }

static int ff_getattr(const char *path, struct stat *st, struct fuse_file_info *fi) {
    (void)fi;
    char full[PATH_MAX];
    full_path(full, path);
    if (lstat(full, st) != 0) return -errno;
    if (!g_rewrites) st->st_mode &= ~0222; /* read-only */
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
    if (!g_rewrites && (fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    char full[PATH_MAX];
    full_path(full, path);
    int fd = open(full, g_rewrites ? fi->flags & (O_ACCMODE | O_TRUNC | O_APPEND) : O_RDONLY);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    fi->direct_io = 1; /* the page cache would hide a failing read behind an earlier good one */
    return 0;
}

static int ff_read(const char *path, char *buf, size_t size, off_t offset, struct fuse_file_info *fi) {
    (void)path;
    if (!g_rewrites && in_window(offset, size)) return -EIO;
    ssize_t got = pread((int)fi->fh, buf, size, offset);
    return got < 0 ? -errno : (int)got;
}

static int ff_release(const char *path, struct fuse_file_info *fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int ff_write(const char *path, const char *buf, size_t size, off_t offset, struct fuse_file_info *fi) {
    (void)path;
    struct stat st;
    if (fstat((int)fi->fh, &st) != 0) return -errno;
    if (offset < st.st_size && in_window(offset, size)) return -EIO;
    ssize_t put = pwrite((int)fi->fh, buf, size, offset);
    return put < 0 ? -errno : (int)put;
}

static int ff_create(const char *path, mode_t mode, struct fuse_file_info *fi) {
    char full[PATH_MAX];
    full_path(full, path);
    int fd = open(full, fi->flags | O_CREAT, mode);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    fi->direct_io = 1;
    return 0;
}

static int ff_truncate(const char *path, off_t size, struct fuse_file_info *fi) {
    if (fi) return ftruncate((int)fi->fh, size) ? -errno : 0;
    char full[PATH_MAX];
    full_path(full, path);
    return truncate(full, size) ? -errno : 0;
}

static int ff_fsync(const char *path, int datasync, struct fuse_file_info *fi) {
    (void)path, (void)datasync;
    return fsync((int)fi->fh) ? -errno : 0;
}

/* The calls that take only names: the same on the source folder. */
static int ff_unlink(const char *path) {
    char full[PATH_MAX];
    full_path(full, path);
    return unlink(full) ? -errno : 0;
}

static int ff_mkdir(const char *path, mode_t mode) {
    char full[PATH_MAX];
    full_path(full, path);
    return mkdir(full, mode) ? -errno : 0;
}

static int ff_rmdir(const char *path) {
    char full[PATH_MAX];
    full_path(full, path);
    return rmdir(full) ? -errno : 0;
}

static int ff_rename(const char *from, const char *to, unsigned int flags) {
    if (flags) return -EINVAL;
    char fullFrom[PATH_MAX], fullTo[PATH_MAX];
    full_path(fullFrom, from);
    full_path(fullTo, to);
    return rename(fullFrom, fullTo) ? -errno : 0;
}

static int ff_utimens(const char *path, const struct timespec tv[2], struct fuse_file_info *fi) {
    if (fi) return futimens((int)fi->fh, tv) ? -errno : 0;
    char full[PATH_MAX];
    full_path(full, path);
    return utimensat(AT_FDCWD, full, tv, 0) ? -errno : 0;
}

static int ff_chmod(const char *path, mode_t mode, struct fuse_file_info *fi) {
    if (fi) return fchmod((int)fi->fh, mode) ? -errno : 0;
    char full[PATH_MAX];
    full_path(full, path);
    return chmod(full, mode) ? -errno : 0;
}

static int ff_statfs(const char *path, struct statvfs *st) {
    (void)path;
    return statvfs(g_source, st) ? -errno : 0;
}

static const struct fuse_operations kReadOperations = {
    .getattr = ff_getattr, .readdir = ff_readdir, .open = ff_open, .read = ff_read, .release = ff_release,
};

static const struct fuse_operations kRewriteOperations = {
    .getattr = ff_getattr, .readdir = ff_readdir, .open = ff_open, .read = ff_read, .release = ff_release,
    .write = ff_write, .create = ff_create, .truncate = ff_truncate, .fsync = ff_fsync, .unlink = ff_unlink,
    .mkdir = ff_mkdir, .rmdir = ff_rmdir, .rename = ff_rename, .utimens = ff_utimens, .chmod = ff_chmod,
    .statfs = ff_statfs,
};

int main(int argc, char *argv[]) {
    if (argc > 1 && strcmp(argv[1], "-w") == 0) {
        g_rewrites = 1;
        argv[1] = argv[0];
        --argc, ++argv;
    }
    if (argc < 5) {
        fprintf(stderr, "usage: %s [-w] SOURCE_DIR FAIL_FROM FAIL_BYTES MOUNT_POINT [fuse options]\n", argv[0]);
        return 2;
    }
    static char source[PATH_MAX];
    if (!realpath(argv[1], source)) return 2;
    g_source = source;
    g_failFrom = strtoll(argv[2], NULL, 10);
    g_failTo = g_failFrom + strtoll(argv[3], NULL, 10);
    argv[3] = argv[0];
    return fuse_main(argc - 3, argv + 3, g_rewrites ? &kRewriteOperations : &kReadOperations, NULL);
}
