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
 * The printer a tool application was started for.
 *
 * Trellis starts a tool for the printer chosen in its popup and hands the tool that
 * printer's device identifier (the model name, e.g. "MX-R74400 Series") in one of two ways:
 *
 *   - the launch hand-off: the environment variable TRELLIS_LAUNCH_DESCRIPTOR holds
 *     "<type>:<data>", the type as eight hexadecimal digits ("75746638", the characters
 *     'utf8') and the identifier's UTF-8 bytes in base64 (standard alphabet, '=' padding
 *     optional);
 *   - the one command-line argument: the tool whose application is "Stock Vault Setup.app"
 *     is started as a child task with the identifier as argv[1] and nothing else.
 *
 * trellis_tool_printer() reads whichever came, in C99 or C++, with nothing but the C
 * library. Call it once, early, before starting other programs:
 *
 *     char printer[TRELLIS_TOOL_PRINTER_SIZE];
 *     long length = trellis_tool_printer(argc, argv, printer, sizeof printer);
 *     if (length > 0)
 *         ... work on the printer named by printer ...
 *
 * A Qt program passes the argc and argv it gives QApplication, after constructing it (Qt
 * then has taken out its own options).
 */
#ifndef TRELLIS_TOOL_HANDOFF_H
#define TRELLIS_TOOL_HANDOFF_H

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#else
/* POSIX; a strict C99 compilation does not declare it in <stdlib.h>. */
extern int unsetenv(const char* name);
#endif

#define TRELLIS_LAUNCH_DESCRIPTOR_VARIABLE "TRELLIS_LAUNCH_DESCRIPTOR"
/* A buffer of this size holds every identifier that Trellis hands over in the launch
   hand-off (at most 255 bytes and the terminating NUL). */
#define TRELLIS_TOOL_PRINTER_SIZE 256

/* Value of one base64 digit, or -1. */
static inline int trellis_tool_base64_digit_(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

/* Decodes "<8 hex digits>:<base64>" of type 'utf8' into buffer: the length, or -1. */
static inline long trellis_tool_decode_(const char* text, char* buffer, size_t size) {
    unsigned long type = 0;
    size_t i, count, out = 0;
    unsigned int bits = 0, held = 0;
    const char* data;
    for (i = 0; i < 8; ++i) {
        const char c = text[i];
        int value;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        else
            return -1; /* also the end of a shorter text */
        type = type << 4 | (unsigned long)value;
    }
    if (text[8] != ':' || type != 0x75746638UL)
        return -1;
    data = text + 9;
    count = strlen(data);
    for (i = 0; i < count; ++i) {
        const int digit = trellis_tool_base64_digit_(data[i]);
        if (digit < 0) {
            /* Padding: one or two '=' at the very end of a text whose length is a multiple
               of four. */
            if (data[i] != '=' || count % 4 != 0)
                return -1;
            if (i == count - 1 || (i == count - 2 && data[i + 1] == '='))
                break;
            return -1;
        }
        held = held << 6 | (unsigned int)digit;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            if (out + 1 >= size)
                return -1;
            buffer[out] = (char)(held >> bits & 0xffu);
            if (buffer[out] == '\0')
                return -1; /* no identifier holds a NUL */
            ++out;
            held &= (1u << bits) - 1u;
        }
    }
    buffer[out] = '\0';
    return (long)out;
}

/* The device identifier of the printer this tool was started for, NUL-terminated in buffer.
   Returns its length, 0 when the tool was started without one, -1 when the hand-off is
   malformed or does not fit. Takes the launch hand-off out of the environment, so that
   programs the tool starts do not inherit it.

   The launch hand-off comes first; only without it does the command line count, and then
   exactly one argument is an identifier, none is 0 and more are -1. The hand-off is
   malformed unless it is exactly the form above with the type 'utf8'; an identifier
   holding a NUL byte is malformed too. buffer is an empty string after 0 or -1 (when size
   is not 0). */
static inline long trellis_tool_printer(int argc, char** argv, char* buffer, size_t size) {
    const char* handoff = getenv(TRELLIS_LAUNCH_DESCRIPTOR_VARIABLE);
    long length = -1;
    if (buffer != NULL && size > 0) {
        buffer[0] = '\0';
        if (handoff != NULL)
            length = trellis_tool_decode_(handoff, buffer, size);
        else if (argc < 2 || argv == NULL)
            length = 0;
        else if (argc == 2 && argv[1] != NULL && strlen(argv[1]) < size) {
            length = (long)strlen(argv[1]);
            memcpy(buffer, argv[1], (size_t)length + 1);
        }
        if (length < 0)
            buffer[0] = '\0';
    }
    if (handoff != NULL)
        unsetenv(TRELLIS_LAUNCH_DESCRIPTOR_VARIABLE); /* handoff points nowhere from here on */
    return length;
}

#ifdef __cplusplus
}
#endif

#endif /* TRELLIS_TOOL_HANDOFF_H */
