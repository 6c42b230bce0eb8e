#include "LineReader.h"

#include <errno.h>
#include <unistd.h>

int line_reader_next(struct LineReader *reader, struct Line *line)
{
    line->length = 0;
    line->overlong = 0;
    for (;;) {
        while (reader->start < reader->end) {
            const char c = reader->buffer[reader->start++];
            if (c == '\n')
                return 1;
            if (line->length < sizeof line->text)
                line->text[line->length++] = c;
            else
                line->overlong = 1;
        }
        const ssize_t n = read(reader->fd, reader->buffer, sizeof reader->buffer);
        if (n < 0 && errno == EINTR)
            continue;
        /* What is left of an unterminated line is dropped with the end of input. */
        if (n <= 0)
            return 0;
        reader->start = 0;
        reader->end = (size_t)n;
    }
}
