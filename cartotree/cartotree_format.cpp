#include "cartotree_format.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

/* Appends to a bounded buffer; the end is remembered so later pieces are dropped. */
struct Output {
    char* text;
    size_t size;
    size_t used;

    void Put(const char* p_piece, size_t p_length) {
        if (used + 1 >= size) {
            return;
        }
        size_t l_room = size - 1 - used;
        size_t l_copy = p_length < l_room ? p_length : l_room;
        memcpy(text + used, p_piece, l_copy);
        used += l_copy;
        text[used] = '\0';
    }
};

}  // namespace

void CartoTreeFormat(char* p_out, size_t p_size, const char* p_format, const _Vx_usr_arg_t* p_args,
                     int p_nargs) {
    if (p_out == nullptr || p_size == 0) {
        return;
    }
    p_out[0] = '\0';
    if (p_format == nullptr) {
        return;
    }
    Output l_out = {p_out, p_size, 0};
    int l_next = 0;
    auto l_arg = [&]() -> _Vx_usr_arg_t {
        _Vx_usr_arg_t l_value = (l_next < p_nargs && p_args != nullptr) ? p_args[l_next] : 0;
        l_next++;
        return l_value;
    };

    const char* l_p = p_format;
    while (*l_p != '\0') {
        const char* l_percent = strchr(l_p, '%');
        if (l_percent == nullptr) {
            l_out.Put(l_p, strlen(l_p));
            break;
        }
        l_out.Put(l_p, (size_t)(l_percent - l_p));
        l_p = l_percent + 1;
        if (*l_p == '%') {
            l_out.Put("%", 1);
            l_p++;
            continue;
        }

        /* Rebuild the conversion: flags, width and precision (a '*' takes an argument). */
        char l_spec[32];
        size_t l_len = 0;
        l_spec[l_len++] = '%';
        while (*l_p != '\0' && strchr("-+ #0", *l_p) != nullptr && l_len < 8) {
            l_spec[l_len++] = *l_p++;
        }
        char l_number[16];
        for (int l_part = 0; l_part < 2; l_part++) {
            if (l_part == 1) {
                if (*l_p != '.') {
                    break;
                }
                l_spec[l_len++] = *l_p++;
            }
            if (*l_p == '*') {
                int l_value = (int)l_arg();
                if (l_value < -9999 || l_value > 9999) {
                    l_value = 0;
                }
                int l_written = snprintf(l_number, sizeof(l_number), "%d", l_value);
                memcpy(l_spec + l_len, l_number, (size_t)l_written);
                l_len += (size_t)l_written;
                l_p++;
            } else {
                int l_digits = 0;
                while (*l_p >= '0' && *l_p <= '9') {
                    if (l_digits < 4) {
                        l_spec[l_len++] = *l_p;
                    }
                    l_digits++;
                    l_p++;
                }
            }
        }
        int l_longs = 0;
        bool l_short = false;
        while (*l_p != '\0' && strchr("hlLqjzt", *l_p) != nullptr) {
            if (*l_p == 'h') {
                l_short = true;
            } else {
                l_longs++;
            }
            l_p++;
        }
        char l_conversion = *l_p;
        if (l_conversion == '\0') {
            break;
        }
        l_p++;

        char l_piece[512];
        int l_written = -1;
        switch (l_conversion) {
            case 'd':
            case 'i': {
                _Vx_usr_arg_t l_value = l_arg();
                memcpy(l_spec + l_len, "lld", 4);
                long long l_number_value = l_longs > 0 ? (long long)l_value
                                           : l_short   ? (long long)(short)l_value
                                                       : (long long)(int)l_value;
                l_written = snprintf(l_piece, sizeof(l_piece), l_spec, l_number_value);
                break;
            }
            case 'u':
            case 'x':
            case 'X':
            case 'o': {
                _Vx_usr_arg_t l_value = l_arg();
                l_spec[l_len] = 'l';
                l_spec[l_len + 1] = 'l';
                l_spec[l_len + 2] = l_conversion;
                l_spec[l_len + 3] = '\0';
                unsigned long long l_number_value =
                    l_longs > 0 ? (unsigned long long)(uintptr_t)l_value
                    : l_short   ? (unsigned long long)(unsigned short)l_value
                                : (unsigned long long)(unsigned int)l_value;
                l_written = snprintf(l_piece, sizeof(l_piece), l_spec, l_number_value);
                break;
            }
            case 'c': {
                l_spec[l_len] = 'c';
                l_spec[l_len + 1] = '\0';
                l_written = snprintf(l_piece, sizeof(l_piece), l_spec, (int)(unsigned char)l_arg());
                break;
            }
            case 's': {
                const char* l_text = (const char*)l_arg();
                l_spec[l_len] = 's';
                l_spec[l_len + 1] = '\0';
                if (l_text == nullptr) {
                    l_text = "(null)";
                }
                /* Long texts go straight through so they are not cut at the piece size. */
                if (strcmp(l_spec, "%s") == 0) {
                    l_out.Put(l_text, strlen(l_text));
                    continue;
                }
                l_written = snprintf(l_piece, sizeof(l_piece), l_spec, l_text);
                break;
            }
            case 'p': {
                l_written = snprintf(l_piece, sizeof(l_piece), "%p", (void*)l_arg());
                break;
            }
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G': {
                /* A word cannot carry a double: print the integer it holds. */
                l_spec[l_len] = l_conversion;
                l_spec[l_len + 1] = '\0';
                l_written = snprintf(l_piece, sizeof(l_piece), l_spec, (double)l_arg());
                break;
            }
            default:
                /* Unknown conversion: keep it as written. */
                l_out.Put(l_percent, (size_t)(l_p - l_percent));
                continue;
        }
        if (l_written > 0) {
            size_t l_length =
                (size_t)l_written < sizeof(l_piece) ? (size_t)l_written : sizeof(l_piece) - 1;
            l_out.Put(l_piece, l_length);
        }
    }
}
