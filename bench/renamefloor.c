/* The fastest a batch of renames can be: one open folder, and for each file one
 * renameat2(RENAME_NOREPLACE) of a plain name relative to it. Nothing that renames files
 * can take less, so the renamer's own times are read against this one's.
 *
 * With --checked it is the floor of a renamer that moves only the files it listed: it reads
 * the folder once for each name's inode, and before each rename asks the name's inode again
 * (one fstatat) and leaves the file where it is when another item has taken its place.
 *
 *   renamefloor [--checked] FOLDER < PAIRS
 *
 * PAIRS is NUL-separated: old name, new name, old name, new name, ... (names in FOLDER, no
 * slash). Exits 1 when any rename fails, after trying every one.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <stdint.h>
#include <sys/stat.h>
#include <unistd.h>

static char *readAll(int descriptor, size_t *size)
{
    size_t capacity = 1 << 20;
    size_t used = 0;
    char *text = malloc(capacity + 1);
    for (;;) {
        if (!text)
            return NULL;
        const ssize_t got = read(descriptor, text + used, capacity - used);
        if (got < 0) {
            free(text);
            return NULL;
        }
        if (got == 0)
            break;
        used += (size_t)got;
        if (used == capacity) {
            capacity *= 2;
            char *bigger = realloc(text, capacity + 1);
            if (!bigger)
                free(text);
            text = bigger;
        }
    }
    text[used] = '\0';
    *size = used;
    return text;
}

/* The inodes of a folder's names, in an open-addressing table keyed by a hash of the name. */
struct Listing {
    char **names;
    ino_t *inodes;
    size_t mask;
};

static uint64_t hashOf(const char *name)
{
    uint64_t hash = 1469598103934665603u;
    for (; *name; ++name)
        hash = (hash ^ (unsigned char)*name) * 1099511628211u;
    return hash;
}

static int readListing(int folder, struct Listing *listing)
{
    const int descriptor = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *const dir = descriptor < 0 ? NULL : fdopendir(descriptor);
    if (!dir)
        return -1;
    listing->mask = (1u << 10) - 1;
    size_t count = 0;
    listing->names = calloc(listing->mask + 1, sizeof(char *));
    listing->inodes = calloc(listing->mask + 1, sizeof(ino_t));
    for (struct dirent *entry; (entry = readdir(dir));) {
        if ((count + 1) * 2 > listing->mask) {
            struct Listing bigger = {calloc(2 * (listing->mask + 1), sizeof(char *)),
                                     calloc(2 * (listing->mask + 1), sizeof(ino_t)),
                                     2 * listing->mask + 1};
            for (size_t i = 0; i <= listing->mask; ++i) {
                if (!listing->names[i])
                    continue;
                size_t at = hashOf(listing->names[i]) & bigger.mask;
                while (bigger.names[at])
                    at = (at + 1) & bigger.mask;
                bigger.names[at] = listing->names[i];
                bigger.inodes[at] = listing->inodes[i];
            }
            free(listing->names);
            free(listing->inodes);
            *listing = bigger;
        }
        size_t at = hashOf(entry->d_name) & listing->mask;
        while (listing->names[at])
            at = (at + 1) & listing->mask;
        listing->names[at] = strdup(entry->d_name);
        listing->inodes[at] = entry->d_ino;
        ++count;
    }
    closedir(dir);
    return 0;
}

static ino_t listedInode(const struct Listing *listing, const char *name)
{
    for (size_t at = hashOf(name) & listing->mask; listing->names[at];
         at = (at + 1) & listing->mask) {
        if (strcmp(listing->names[at], name) == 0)
            return listing->inodes[at];
    }
    return 0;
}

int main(int argc, char **argv)
{
    const int checked = argc == 3 && strcmp(argv[1], "--checked") == 0;
    if (argc != 2 + checked) {
        fprintf(stderr,
                "usage: renamefloor [--checked] FOLDER < NUL-separated old and new names\n");
        return 2;
    }
    const char *const folderPath = argv[1 + checked];
    const int folder = open(folderPath, O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct Listing listing = {NULL, NULL, 0};
    if (folder < 0 || (checked && readListing(folder, &listing) != 0)) {
        perror(folderPath);
        return 2;
    }
    size_t size = 0;
    char *const text = readAll(STDIN_FILENO, &size);
    if (!text) {
        perror("renamefloor: standard input");
        return 2;
    }
    int failed = 0;
    const char *const end = text + size;
    for (const char *from = text; from < end;) {
        const char *const to = from + strlen(from) + 1;
        if (to >= end) {
            fprintf(stderr, "renamefloor: a name without its new name\n");
            return 2;
        }
        struct stat item;
        if (checked && (fstatat(folder, from, &item, AT_SYMLINK_NOFOLLOW) != 0 ||
                        item.st_ino != listedInode(&listing, from))) {
            fprintf(stderr, "%s: not the file listed\n", from);
            failed = 1;
        } else if (renameat2(folder, from, folder, to, RENAME_NOREPLACE) != 0) {
            perror(from);
            failed = 1;
        }
        from = to + strlen(to) + 1;
    }
    return failed;
}
