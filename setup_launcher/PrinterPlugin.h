/*
 * SPDX-License-Identifier: MIT
 *
 * Copyright (c) 2026 The Trellis authors
 *
 * Permission is hereby granted, free of charge, to any person obtaining a copy of this
 * software and associated documentation files (the "Software"), to deal in the Software
 * without restriction, including without limitation the rights to use, copy, modify, merge,
 * publish, distribute, sublicense, and/or sell copies of the Software, and to permit persons
 * to whom the Software is furnished to do so, subject to the following conditions:
 *
 * The above copyright notice and this permission notice shall be included in all copies or
 * substantial portions of the Software.
 *
 * THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED,
 * INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR
 * PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE
 * FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR
 * OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER
 * DEALINGS IN THE SOFTWARE.
 */

/*
 * Printer plug-ins of the set-up launchers (SheetGlideTuner2, StockProfileEditor2).
 *
 * A printer plug-in is a bundle folder:
 *
 *     <PFX><initial>.plugin/Contents/Info.plist       CFBundleExecutable, CFBundleVersion
 *     <PFX><initial>.plugin/Contents/MacOS/<CFBundleExecutable>   a shared object
 *     <PFX><initial>.plugin/Contents/Resources/...    the plug-in's own files (optional)
 *
 * PFX is "SGT" for Sheet Glide Tuner and "SPE" for Stock Profile Editor; the initial is
 * the printer's entry in the "INITIAL" table of its machine bundle. The bundle lies in
 * "Plugin/PrinterPlugin" of the tool's folder (or where the tool's Setting.ini key
 * PLUGIN_PATH says, relative to that folder).
 *
 * The shared object exports one function with C linkage, SGT_OpenSetUpDialog or
 * SPE_OpenSetUpDialog, and should hide every other symbol (-fvisibility=hidden; the
 * declarations below carry the export attribute). The CMake package TrellisPrinterPlugin
 * (target Trellis::PrinterPlugin) sets that up; it and the pkg-config file
 * trellis-printer-plugin link with a version script that exports only the entry points. The set-up launcher loads the shared
 * object, calls the function once on its main thread, and unloads the shared object when
 * the call returns. The function shows the plug-in's set-up dialog modally and returns
 * when the user is done with it; the launcher has a Qt application object, so a plug-in may
 * use Qt Widgets, but must delete every object it created before returning.
 *
 * Both arguments are handles filled in by the launcher: the plug-in needs nothing of the
 * launcher at link time. They, and every pointer they hand out, stay valid until the
 * function returns, and not after. All text is NUL-terminated UTF-8; paths are absolute.
 * The result is the plug-in's own: the launcher ignores it.
 *
 * Handles may grow at their end in later versions. `size` is the byte size of the handle
 * as the launcher filled it; PRINTER_PLUGIN_HAS_FIELD tells whether a field is there.
 */
#ifndef TRELLIS_PRINTER_PLUGIN_H
#define TRELLIS_PRINTER_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#define PRINTER_PLUGIN_INTERFACE_VERSION 1u

/* True when the handle `self` of type `type` carries `field`. */
#define PRINTER_PLUGIN_HAS_FIELD(self, type, field)                                                \
    ((self) != NULL && (self)->size >= offsetof(type, field) + sizeof((self)->field) &&            \
     (self)->field != NULL)

typedef struct PrinterPluginString PrinterPluginString;
typedef struct PrinterPluginBundle PrinterPluginBundle;

/* The device identifier: the printer's model name exactly as the launcher received it,
   for example "MX-R74400 Series"; at most 255 bytes. */
struct PrinterPluginString {
    uint32_t size;    /* sizeof the handle as the launcher filled it */
    uint32_t version; /* PRINTER_PLUGIN_INTERFACE_VERSION of the launcher */
    const void* host; /* the launcher's own data: do not touch */

    /* The text; when `length` is not NULL it receives the size in bytes without the NUL. */
    const char* (*GetUTF8)(const PrinterPluginString* self, size_t* length);
};

/* The plug-in's own bundle. */
struct PrinterPluginBundle {
    uint32_t size;
    uint32_t version;
    const void* host;

    /* The .plugin folder. */
    const char* (*GetBundlePath)(const PrinterPluginBundle* self);
    /* Its Contents/Resources folder, whether or not it exists. */
    const char* (*GetResourcesPath)(const PrinterPluginBundle* self);

    /* The two look-ups below copy their answer into `buffer` (at most bufferSize - 1 bytes
       and a NUL; nothing when bufferSize is 0) and return the full answer's length in bytes
       without the NUL, so that a result of bufferSize or more means the copy was cut; call
       again with a larger buffer. They return -1 when there is no answer. */

    /* The path of the resource `name` in the folder `subfolder` (NULL or "" for none) of
       the resources: the global resources first, then the localization (<lang>.lproj) that
       best matches the user's languages, then the development region's. */
    int32_t (*CopyResourcePath)(const PrinterPluginBundle* self, const char* name,
                                const char* subfolder, char* buffer, size_t bufferSize);
    /* A string value of the bundle's Info.plist (CFBundleVersion, CFBundleName, ...);
       -1 when the key is absent or its value is not a string. */
    int32_t (*CopyInfoString)(const PrinterPluginBundle* self, const char* key, char* buffer,
                              size_t bufferSize);
};

/* The entry points, by tool. */
#define SGT_OPEN_SET_UP_DIALOG_NAME "SGT_OpenSetUpDialog"
#define SPE_OPEN_SET_UP_DIALOG_NAME "SPE_OpenSetUpDialog"

typedef int32_t (*PrinterPluginOpenSetUpDialogProc)(const PrinterPluginString* deviceID,
                                                    const PrinterPluginBundle* bundle);

#if defined(__cplusplus)
#define PRINTER_PLUGIN_EXTERN_C extern "C"
#else
#define PRINTER_PLUGIN_EXTERN_C
#endif
#define PRINTER_PLUGIN_EXPORT PRINTER_PLUGIN_EXTERN_C __attribute__((visibility("default")))

/* A plug-in defines the one of its tool. */
PRINTER_PLUGIN_EXPORT int32_t SGT_OpenSetUpDialog(const PrinterPluginString* deviceID,
                                                  const PrinterPluginBundle* bundle);
PRINTER_PLUGIN_EXPORT int32_t SPE_OpenSetUpDialog(const PrinterPluginString* deviceID,
                                                  const PrinterPluginBundle* bundle);

#endif /* TRELLIS_PRINTER_PLUGIN_H */
