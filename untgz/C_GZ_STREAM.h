/*
 * Decompressing reader of a gzip file on a unit path, with the results of
 * zlib's gzread: concatenated members are read one after the other, bytes
 * after the last member that do not start a new one are ignored, and a file
 * that does not start as gzip is passed through unchanged. Input comes through
 * the platform's descriptor calls so that a removed medium fails the read.
 */
#ifndef UNTGZ_C_GZ_STREAM_H
#define UNTGZ_C_GZ_STREAM_H

#include <zlib.h>

/* Compressed input is read from the medium in pieces this large. */
#define GZ_STREAM_INPUT_SIZE (512 * 1024)

class C_GZ_STREAM {
  public:
    C_GZ_STREAM();
    ~C_GZ_STREAM();

    /* 0, or -1 with errno set. */
    int Open(const char* p_path);
    /* Bytes placed in p_buffer, 0 at the end of the data, -1 on an error. */
    int Read(unsigned char* p_buffer, unsigned int p_length);
    /* 0, or -1 when the stream had an error or the file could not be closed. */
    int Close();
    int IsOpen() const { return (m_fd >= 0) ? 1 : 0; }
    /* Text of the last error ("" when none). */
    const char* ErrorText() const { return m_error_text; }

  private:
    enum t_gz_state { GZ_LOOK, GZ_INFLATE, GZ_COPY, GZ_DONE };

    int Fill();
    int Fail(int p_error, const char* p_text);

    int m_fd;
    z_stream m_strm;
    int m_inflate_ready;
    int m_member_seen;
    int m_input_end;
    int m_error;
    const char* m_error_text;
    t_gz_state m_state;
    unsigned char m_input[GZ_STREAM_INPUT_SIZE];
};

#endif /* UNTGZ_C_GZ_STREAM_H */
