/* Small helpers shared by the example programs: UTF-16 <-> UTF-8 for the
 * console and the command line. Plain C, no library calls. */
#ifndef EXAMPLE_TEXT_H
#define EXAMPLE_TEXT_H

#include <stddef.h>
#include <stdio.h>
#include <uchar.h>

/* Writes UTF-16 text to a stream as UTF-8. */
static void PutText(FILE *out, const char16_t *s) {
    for (; s && *s; ++s) {
        unsigned long c = *s;
        if (c >= 0xD800 && c <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00);
            ++s;
        }
        if (c < 0x80) {
            fputc((int)c, out);
        } else if (c < 0x800) {
            fputc((int)(0xC0 | (c >> 6)), out);
            fputc((int)(0x80 | (c & 0x3F)), out);
        } else if (c < 0x10000) {
            fputc((int)(0xE0 | (c >> 12)), out);
            fputc((int)(0x80 | ((c >> 6) & 0x3F)), out);
            fputc((int)(0x80 | (c & 0x3F)), out);
        } else {
            fputc((int)(0xF0 | (c >> 18)), out);
            fputc((int)(0x80 | ((c >> 12) & 0x3F)), out);
            fputc((int)(0x80 | ((c >> 6) & 0x3F)), out);
            fputc((int)(0x80 | (c & 0x3F)), out);
        }
    }
}

/* Converts UTF-8 text into a UTF-16 buffer of `size` characters (cut when
 * too long; always terminated). Invalid bytes become U+FFFD. */
static void ToText(char16_t *dest, size_t size, const char *s) {
    size_t n = 0;
    const unsigned char *p = (const unsigned char *)s;
    if (size == 0) return;
    while (p && *p && n + 2 < size) {
        unsigned long c = *p++;
        int more = 0;
        if (c >= 0xF0) { c &= 0x07; more = 3; }
        else if (c >= 0xE0) { c &= 0x0F; more = 2; }
        else if (c >= 0xC0) { c &= 0x1F; more = 1; }
        else if (c >= 0x80) { c = 0xFFFD; }
        for (; more > 0 && (*p & 0xC0) == 0x80; --more) c = (c << 6) | (*p++ & 0x3F);
        if (more > 0) c = 0xFFFD;
        if (c >= 0x10000) {
            c -= 0x10000;
            dest[n++] = (char16_t)(0xD800 + (c >> 10));
            dest[n++] = (char16_t)(0xDC00 + (c & 0x3FF));
        } else {
            dest[n++] = (char16_t)c;
        }
    }
    dest[n] = 0;
}

/* dest = a + b, cut to `size` characters. */
static void JoinText(char16_t *dest, size_t size, const char16_t *a, const char16_t *b) {
    size_t n = 0;
    for (; a && *a && n + 1 < size; ++a) dest[n++] = *a;
    for (; b && *b && n + 1 < size; ++b) dest[n++] = *b;
    if (size) dest[n] = 0;
}

#endif
