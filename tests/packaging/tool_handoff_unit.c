/* <trellis/ToolHandoff.h> alone, compiled as strict C99 and as C++ (see tool_handoff_test.c). */
#include <trellis/ToolHandoff.h>

#ifdef __cplusplus
extern "C"
#endif
    long
    handoff_under_test(int argc, char** argv, char* buffer, size_t size);

long handoff_under_test(int argc, char** argv, char* buffer, size_t size) {
    return trellis_tool_printer(argc, argv, buffer, size);
}
