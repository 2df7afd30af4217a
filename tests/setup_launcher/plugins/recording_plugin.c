// A test plug-in that writes down how it was called: the file named by
// TRELLIS_TEST_PLUGIN_RECORD gets one block of "key=value" lines per call. Built also to return
// an error (PLUGIN_RESULT), to crash (PLUGIN_CRASH) or to export no entry point of the contract
// (PLUGIN_NO_ENTRY).
#include "setup_launcher/PrinterPlugin.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

#ifndef PLUGIN_RESULT
#define PLUGIN_RESULT 0
#endif

#ifndef PLUGIN_NO_ENTRY
static int32_t record(const char* entry, const PrinterPluginString* deviceID,
                      const PrinterPluginBundle* bundle) {
#ifdef PLUGIN_CRASH
    raise(SIGSEGV);
#endif
    const char* path = getenv("TRELLIS_TEST_PLUGIN_RECORD");
    FILE* file = path && *path ? fopen(path, "ab") : NULL;
    if (!file)
        return PLUGIN_RESULT;
    size_t length = 0;
    const char* text = deviceID->GetUTF8(deviceID, &length);
    fprintf(file, "entry=%s\nid_length=%zu\nid=", entry, length);
    fwrite(text, 1, length, file);
    fprintf(file, "\nbundle=%s\nresources=%s\n", bundle->GetBundlePath(bundle),
            bundle->GetResourcesPath(bundle));
    char buffer[4096];
    int32_t n = bundle->CopyInfoString(bundle, "CFBundleVersion", buffer, sizeof buffer);
    fprintf(file, "version=%s\n", n < 0 ? "(none)" : buffer);
    n = bundle->CopyResourcePath(bundle, "Media.json", NULL, buffer, sizeof buffer);
    fprintf(file, "resource=%s\nresult=%d\n", n < 0 ? "(none)" : buffer, (int)PLUGIN_RESULT);
    fclose(file);
    return PLUGIN_RESULT;
}

int32_t SGT_OpenSetUpDialog(const PrinterPluginString* id, const PrinterPluginBundle* bundle) {
    return record("SGT", id, bundle);
}

int32_t SPE_OpenSetUpDialog(const PrinterPluginString* id, const PrinterPluginBundle* bundle) {
    return record("SPE", id, bundle);
}
#endif
