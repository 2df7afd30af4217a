// A test plug-in that appends "entry=<SGT|SPE>", "id=<identifier>" and "bundle=<path>" lines to
// the file named by TRELLIS_TEST_PLUGIN_RECORD. Built also to return an error (PLUGIN_RESULT) or
// to export no entry point of the contract (PLUGIN_NO_ENTRY).
#include "setup_launcher/PrinterPlugin.h"

#include <stdio.h>
#include <stdlib.h>

#ifndef PLUGIN_NO_ENTRY
static int32_t record(const char* entry, const PrinterPluginString* deviceID,
                      const PrinterPluginBundle* bundle) {
    const char* path = getenv("TRELLIS_TEST_PLUGIN_RECORD");
    FILE* file = path ? fopen(path, "ab") : NULL;
    size_t length = 0;
    const char* text = deviceID->GetUTF8(deviceID, &length);
    if (file) {
        fprintf(file, "entry=%s\nid=%.*s\nbundle=%s\n", entry, (int)length, text,
                bundle->GetBundlePath(bundle));
        fclose(file);
    }
    return PLUGIN_RESULT;
}

int32_t SGT_OpenSetUpDialog(const PrinterPluginString* id, const PrinterPluginBundle* bundle) {
    return record("SGT", id, bundle);
}

int32_t SPE_OpenSetUpDialog(const PrinterPluginString* id, const PrinterPluginBundle* bundle) {
    return record("SPE", id, bundle);
}
#endif
