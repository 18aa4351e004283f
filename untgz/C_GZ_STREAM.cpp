#include "C_GZ_STREAM.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>

#include <platform/fileio.h>
#include <platform/kernel.h>

C_GZ_STREAM::C_GZ_STREAM()
    : m_fd(-1),
      m_inflate_ready(0),
      m_member_seen(0),
      m_input_end(0),
      m_error(Z_OK),
      m_error_text(""),
      m_state(GZ_DONE) {
    memset(&m_strm, 0, sizeof(m_strm));
}

C_GZ_STREAM::~C_GZ_STREAM() { Close(); }

int C_GZ_STREAM::Open(const char* p_path) {
    if (m_fd >= 0) {
        Close();
    }
    m_member_seen = 0;
    m_input_end = 0;
    m_error = Z_OK;
    m_error_text = "";
    m_state = GZ_LOOK;
    m_strm.next_in = m_input;
    m_strm.avail_in = 0;
    m_fd = fsOpen(p_path, O_RDONLY, 0);
    return (m_fd >= 0) ? 0 : -1;
}

int C_GZ_STREAM::Close() {
    int l_result = (m_error == Z_OK) ? 0 : -1;
    if (m_inflate_ready) {
        inflateEnd(&m_strm);
        m_inflate_ready = 0;
    }
    if (m_fd >= 0) {
        if (fsClose(m_fd) != 0) {
            l_result = -1;
        }
        m_fd = -1;
    }
    m_state = GZ_DONE;
    return l_result;
}

int C_GZ_STREAM::Fail(int p_error, const char* p_text) {
    m_error = p_error;
    m_error_text = p_text;
    return -1;
}

/* Moves the unread input to the front and reads more after it. */
int C_GZ_STREAM::Fill() {
    if (m_strm.avail_in > 0 && m_strm.next_in != m_input) {
        memmove(m_input, m_strm.next_in, m_strm.avail_in);
    }
    m_strm.next_in = m_input;
    ssize_t l_n = fsRead(m_fd, m_input + m_strm.avail_in, sizeof(m_input) - m_strm.avail_in);
    if (l_n < 0) {
        return Fail(Z_ERRNO, "read error");
    }
    if (l_n == 0) {
        m_input_end = 1;
    }
    m_strm.avail_in += (uInt)l_n;
    return 0;
}

int C_GZ_STREAM::Read(unsigned char* p_buffer, unsigned int p_length) {
    if (m_fd < 0) {
        errnoSet(EBADF);
        return -1;
    }
    if (m_error != Z_OK) {
        return -1;
    }
    unsigned int l_done = 0;
    while (l_done < p_length && m_state != GZ_DONE) {
        if (m_state == GZ_LOOK) {
            while (m_strm.avail_in < 2 && !m_input_end) {
                if (Fill() != 0) {
                    return -1;
                }
            }
            if (m_strm.avail_in >= 2 && m_strm.next_in[0] == 0x1f && m_strm.next_in[1] == 0x8b) {
                int l_ret =
                    m_inflate_ready ? inflateReset(&m_strm) : inflateInit2(&m_strm, 15 + 16);
                if (l_ret != Z_OK) {
                    return Fail(l_ret, "out of memory");
                }
                m_inflate_ready = 1;
                m_state = GZ_INFLATE;
            } else if (!m_member_seen && m_strm.avail_in > 0) {
                m_state = GZ_COPY;
            } else {
                m_state = GZ_DONE;
            }
            continue;
        }
        if (m_strm.avail_in == 0) {
            if (!m_input_end && Fill() != 0) {
                return -1;
            }
            if (m_strm.avail_in == 0) {
                if (m_state == GZ_COPY) {
                    m_state = GZ_DONE;
                    continue;
                }
                /* The member stops before its end: hand over what was
                   decompressed, the next read reports the loss. */
                Fail(Z_BUF_ERROR, "unexpected end of file");
                return (l_done > 0) ? (int)l_done : -1;
            }
        }
        if (m_state == GZ_COPY) {
            unsigned int l_count = p_length - l_done;
            if (l_count > m_strm.avail_in) {
                l_count = m_strm.avail_in;
            }
            memcpy(p_buffer + l_done, m_strm.next_in, l_count);
            m_strm.next_in += l_count;
            m_strm.avail_in -= l_count;
            l_done += l_count;
            continue;
        }
        m_strm.next_out = p_buffer + l_done;
        m_strm.avail_out = p_length - l_done;
        int l_ret = inflate(&m_strm, Z_NO_FLUSH);
        l_done = p_length - m_strm.avail_out;
        if (l_ret == Z_STREAM_END) {
            m_member_seen = 1;
            m_state = GZ_LOOK;
        } else if (l_ret == Z_NEED_DICT || l_ret == Z_DATA_ERROR) {
            return Fail(Z_DATA_ERROR, m_strm.msg ? m_strm.msg : "data error");
        } else if (l_ret == Z_MEM_ERROR || l_ret == Z_STREAM_ERROR) {
            return Fail(l_ret, "inflate failure");
        }
    }
    return (int)l_done;
}
