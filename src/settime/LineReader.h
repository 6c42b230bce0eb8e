/* Request lines read straight from a descriptor: a NUL or carriage return stays in the line (and
 * gets it refused), and a last line without its end is never taken. */
#pragma once

#include <stddef.h>

struct LineReader
{
    int fd;
    size_t start;
    size_t end;
    char buffer[512];
};

struct Line
{
    /* The first bytes of the line; `overlong` is set when more came than fit. */
    char text[64];
    size_t length;
    int overlong;
};

/* 1 with the next whole line in *line; 0 at the end of input or on a read error. */
int line_reader_next(struct LineReader *reader, struct Line *line);
