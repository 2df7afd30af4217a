/*
 * trellis_tool_printer() of <trellis/ToolHandoff.h>, as installed: each row sets the launch
 * hand-off (or not) and the command line, and names the result and identifier it must give.
 * The function is called through handoff_under_test(), compiled in a translation unit of
 * its own as strict C99 and again as C++, so both compilations are held to the table.
 * Exits 0 when every row passed.
 */
#define _POSIX_C_SOURCE 200809L
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

long handoff_under_test(int argc, char** argv, char* buffer, size_t size);

struct row {
    const char* name;
    const char* handoff;  /* NULL: the variable is not set */
    const char* argument; /* NULL: no argument */
    size_t size;
    long expected;
    const char* printer;
};

int main(void) {
    static const struct row rows[] = {
        /* "MX-R74400 Series" and "WJ-2400" in base64 */
        {"hand-off", "75746638:TVgtUjc0NDAwIFNlcmllcw==", NULL, 256, 16, "MX-R74400 Series"},
        {"hand-off without padding", "75746638:V0otMjQwMA", NULL, 256, 7, "WJ-2400"},
        {"hand-off wins over the argument", "75746638:V0otMjQwMA==", "LX-1000", 256, 7, "WJ-2400"},
        {"hand-off of an empty identifier", "75746638:", NULL, 256, 0, ""},
        {"hand-off that just fits", "75746638:V0otMjQwMA==", NULL, 8, 7, "WJ-2400"},
        {"hand-off one byte too long", "75746638:V0otMjQwMA==", NULL, 7, -1, ""},
        {"argument", NULL, "WJ-2400", 256, 7, "WJ-2400"},
        {"argument one byte too long", NULL, "WJ-2400", 7, -1, ""},
        {"nothing", NULL, NULL, 256, 0, ""},
        {"another type ('TEXT')", "54455854:V0otMjQwMA==", NULL, 256, -1, ""},
        {"type of seven digits", "7574663:V0otMjQwMA==", NULL, 256, -1, ""},
        {"no separator", "75746638V0otMjQwMA==", NULL, 256, -1, ""},
        {"empty variable", "", "WJ-2400", 256, -1, ""},
        {"character outside base64", "75746638:V0ot MjQwMA==", NULL, 256, -1, ""},
        {"URL alphabet", "75746638:V0ot-_QwMA==", NULL, 256, -1, ""},
        {"padding on a length not a multiple of four", "75746638:V0otMjQwMA=", NULL, 256, -1, ""},
        {"padding in the middle", "75746638:V0==MjQw", NULL, 256, -1, ""},
        {"three padding characters", "75746638:V===", NULL, 256, -1, ""},
        {"a NUL byte in the identifier", "75746638:QQBC", NULL, 256, -1, ""},
    };
    int failures = 0;
    size_t i;
    for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const struct row* row = &rows[i];
        char program[] = "tool", argument[64] = "", buffer[256];
        char* argv[] = {program, argument, NULL};
        long got;
        if (row->handoff != NULL)
            setenv("TRELLIS_LAUNCH_DESCRIPTOR", row->handoff, 1);
        else
            unsetenv("TRELLIS_LAUNCH_DESCRIPTOR");
        if (row->argument != NULL)
            strcpy(argument, row->argument);
        else
            argv[1] = NULL;
        memset(buffer, 'x', sizeof buffer);
        got = handoff_under_test(row->argument != NULL ? 2 : 1, argv, buffer, row->size);
        if (got != row->expected || strcmp(buffer, row->printer) != 0) {
            fprintf(stderr, "FAIL %s: %ld \"%.*s\", expected %ld \"%s\"\n", row->name, got,
                    (int)strnlen(buffer, sizeof buffer), buffer, row->expected, row->printer);
            ++failures;
        }
        if (getenv("TRELLIS_LAUNCH_DESCRIPTOR") != NULL) {
            fprintf(stderr, "FAIL %s: the hand-off is still in the environment\n", row->name);
            ++failures;
        }
    }
    {
        /* More than one argument is not how Trellis starts a tool. */
        char a[] = "tool", b[] = "WJ-2400", c[] = "--verbose", buffer[256];
        char* argv[] = {a, b, c, NULL};
        if (handoff_under_test(3, argv, buffer, sizeof buffer) != -1) {
            fprintf(stderr, "FAIL two arguments: not -1\n");
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
