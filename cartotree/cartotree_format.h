/*
 * printf-style formatting of pointer-sized arguments: each conversion takes
 * the next argument and reads it as the type the conversion names, so a
 * string pointer is never cut and a "%d" never reads a word it was not given.
 */
#ifndef CARTOTREE_CARTOTREE_FORMAT_H
#define CARTOTREE_CARTOTREE_FORMAT_H

#include <stddef.h>

#include <platform/kernel.h>

/* Size of the text buffer of one tree log message. */
#define CARTOTREE_LOG_SIZE 2048

/*
 * Writes the text into p_out (p_size bytes, always terminated; a longer text is
 * cut). Missing arguments count as 0; a null string prints "(null)".
 */
void CartoTreeFormat(char* p_out, size_t p_size, const char* p_format, const _Vx_usr_arg_t* p_args,
                     int p_nargs);

#endif /* CARTOTREE_CARTOTREE_FORMAT_H */
