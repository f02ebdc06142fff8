/* A file system that stops answering, as a network share whose server sleeps: it holds
   one picture file, "slow.jpg", which any directory listing or stat sees (a regular
   file of 4 MiB), but whose every read waits until the file system is unmounted.
     sleepy_fs MOUNTPOINT      (stays in the foreground; fusermount3 -u MOUNTPOINT ends it) */
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static const char* kName = "/slow.jpg";

static int getattr_(const char* path, struct stat* st, struct fuse_file_info* fi)
{
    (void)fi;
    memset(st, 0, sizeof *st);
    if (strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    if (strcmp(path, kName) == 0) {
        st->st_mode = S_IFREG | 0644;
        st->st_nlink = 1;
        st->st_size = 4 << 20;
        return 0;
    }
    return -ENOENT;
}

static int readdir_(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset, struct fuse_file_info* fi,
                    enum fuse_readdir_flags flags)
{
    (void)offset, (void)fi, (void)flags;
    if (strcmp(path, "/") != 0)
        return -ENOENT;
    fill(buf, ".", NULL, 0, 0);
    fill(buf, "..", NULL, 0, 0);
    fill(buf, kName + 1, NULL, 0, 0);
    return 0;
}

static int open_(const char* path, struct fuse_file_info* fi)
{
    (void)fi;
    return strcmp(path, kName) == 0 ? 0 : -ENOENT;
}

static int read_(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi)
{
    (void)path, (void)buf, (void)size, (void)offset, (void)fi;
    for (;;)
        pause();
    return -EIO;
}

static const struct fuse_operations kOperations = {
    .getattr = getattr_,
    .readdir = readdir_,
    .open = open_,
    .read = read_,
};

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    char* args[] = {argv[0], "-f", argv[1], NULL};
    return fuse_main(3, args, &kOperations, NULL);
}
