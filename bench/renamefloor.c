/* The fastest a batch of renames can be: one open folder, and for each file one
 * renameat2(RENAME_NOREPLACE) of a plain name relative to it. Nothing that renames files
 * can take less, so the renamer's own times are read against this one's.
 *
 *   renamefloor FOLDER < PAIRS
 *
 * PAIRS is NUL-separated: old name, new name, old name, new name, ... (names in FOLDER, no
 * slash). Exits 1 when any rename fails, after trying every one.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
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

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: renamefloor FOLDER < NUL-separated old and new names\n");
        return 2;
    }
    const int folder = open(argv[1], O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        perror(argv[1]);
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
        if (renameat2(folder, from, folder, to, RENAME_NOREPLACE) != 0) {
            perror(from);
            failed = 1;
        }
        from = to + strlen(to) + 1;
    }
    return failed;
}
