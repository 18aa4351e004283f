/*
 * Extractor of gzip-compressed tar archives (the country archives of the
 * upgrade medium). The caller's task reads and decompresses 64 KiB blocks;
 * for each block a short-lived writer task "TarWrtTask" interprets the tar
 * records and writes the files, so reading overlaps with writing.
 */
#ifndef UNTGZ_C_UNTGZ_H
#define UNTGZ_C_UNTGZ_H

#include <stdio.h>

#include <atomic>

#include <platform/kernel.h>

#include "C_GZ_STREAM.h"

#define UNTGZ_BLOCK_SIZE 512
#define UNTGZ_READ_SIZE 65536
#define UNTGZ_PATH_SIZE 256
#define UNTGZ_NAME_SIZE 255

/* POSIX ustar header. */
struct tar_t {
    char name[100];
    char mode[8];
    char uid[8];
    char gid[8];
    char size[12];
    char mtime[12];
    char chksum[8];
    char typeflag;
    char linkname[100];
    char magic[6];
    char version[2];
    char uname[32];
    char gname[32];
    char devmajor[8];
    char devminor[8];
    char prefix[155];
    char padding[12];
};

class C_UNTGZ {
  public:
    /* The singleton, created on first use; null when it cannot be allocated. */
    static C_UNTGZ* GetInstance();

    /* Extracts p_tar_file; each entry name is appended to the text prefix
       p_dest_folder. 0 on success, -1 on any failure or cancellation. */
    int Untar(char const* p_tar_file, char const* p_dest_folder, int p_verbose, int p_abs_path);
    /* Asks a running extraction to stop at the next block. Always 0. */
    int CancelUntar();
    /* Bytes written so far and 0 during an extraction; 0 bytes and -1 otherwise. */
    int GetProgression(unsigned long long& p_bytes);

    int DoUnArchive();
    static int StaticWriteTask(C_UNTGZ* p_instance);
    /* Interprets one block; p_length < 512 only for the cut end of an archive. */
    int UntarBlock(unsigned char* p_block, unsigned int p_length = UNTGZ_BLOCK_SIZE);
    /* Writes the data blocks of the current entry that follow in p_data at
       once; gives the bytes consumed (a multiple of 512, possibly 0) or -1. */
    long WriteDataRun(unsigned char* p_data, unsigned long p_length);
    static int CheckSum(tar_t* p_header, int p_signed);
    FILE* CreatePath(char* p_name);
    int cvtWrite(unsigned char* p_blk, unsigned long p_length, FILE* p_fp);

    /* Called by the reader after each block, before the cancel test; lets a
       test act at a known block boundary. Null in normal use. */
    static void (*m_block_hook)(int p_loop);

    static C_UNTGZ* m_pInstance;

  private:
    C_UNTGZ();
    ~C_UNTGZ();
    C_UNTGZ(const C_UNTGZ&) = delete;
    C_UNTGZ& operator=(const C_UNTGZ&) = delete;

    int BuildTarget(tar_t* p_header, char* p_entry, char* p_target, int* p_unsafe);
    void WaitWriter();
    void WaitWriterEnd(int p_task);
    int CloseOutFile();

    C_GZ_STREAM m_gz;
    FILE* m_out_file;
    unsigned long long m_remaining;
    int m_verbose;
    int m_abs_path;
    std::atomic<unsigned char> m_continue;
    std::atomic<unsigned long long> m_progress;
    char m_path[UNTGZ_PATH_SIZE];
    int m_first_header;
    int m_write_status;
    int m_write_task;
    int m_last_write_task;
    std::atomic<SEM_ID> m_sem_write;
    std::atomic<bool> m_busy;
    /* The two block buffers; the reader swaps their roles instead of copying. */
    unsigned char m_buffers[2][UNTGZ_READ_SIZE + 1];
    unsigned char* m_read_buffer;
    unsigned char* m_write_buffer;
    int m_write_size;
    char m_dest_folder[UNTGZ_NAME_SIZE];
    char m_tar_file[UNTGZ_NAME_SIZE];
};

/* Shell entry: extracts through the singleton; the outcome is logged and returned. */
extern "C" __attribute__((visibility("default"))) int Untar(char const* p_tar_file,
                                                            char const* p_dest_folder,
                                                            int p_verbose, int p_abs_path);

#endif /* UNTGZ_C_UNTGZ_H */
