#include "C_UNTGZ.h"

#include <errno.h>
#include <stddef.h>
#include <string.h>

#include <new>

#include <platform/fileio.h>

#define UNTGZ_VERSION "KOVA_PLUS_1.06"
#define UNTGZ_TASK_NAME "TarWrtTask"
#define UNTGZ_TASK_PRIORITY 155
#define UNTGZ_TASK_STACK 20000
#define UNTGZ_END_WAIT_TRIES 50
#define UNTGZ_END_WAIT_TICKS 50
/* Yields granted to a writer that only has to return before whole ticks. */
#define UNTGZ_END_YIELDS 1000
/* prefix (155) + "/" + name (99) + NUL, rounded up. */
#define UNTGZ_ENTRY_SIZE 512
#define UNTGZ_TARGET_SIZE (UNTGZ_NAME_SIZE + UNTGZ_ENTRY_SIZE)

C_UNTGZ* C_UNTGZ::m_pInstance = NULL;
void (*C_UNTGZ::m_block_hook)(int p_loop) = NULL;

namespace {

/* Every line starts with the tick count. */
void UntgzLog(const char* p_fmt, _Vx_usr_arg_t p_a = 0, _Vx_usr_arg_t p_b = 0,
              _Vx_usr_arg_t p_c = 0, _Vx_usr_arg_t p_d = 0, _Vx_usr_arg_t p_e = 0) {
    logMsg(p_fmt, (_Vx_usr_arg_t)tickGet(), p_a, p_b, p_c, p_d, p_e);
}

/* Octal digits accumulate; every other character is skipped. */
unsigned long long ParseOctal(const char* p_field, int p_length) {
    unsigned long long l_value = 0;
    for (int l_i = 0; l_i < p_length; ++l_i) {
        if (p_field[l_i] >= '0' && p_field[l_i] <= '7') {
            l_value = (l_value << 3) + (unsigned long long)(p_field[l_i] - '0');
        }
    }
    return l_value;
}

/* Backslashes become slashes, runs of slashes one, and a leading slash is
   dropped unless p_keep_root. */
void NormalisePath(char* p_path, int p_keep_root) {
    char* l_out = p_path;
    for (const char* l_in = p_path; *l_in != 0; ++l_in) {
        char l_c = (*l_in == '\\') ? '/' : *l_in;
        if (l_c == '/' && l_out > p_path && l_out[-1] == '/') {
            continue;
        }
        *l_out++ = l_c;
    }
    *l_out = 0;
    if (!p_keep_root && p_path[0] == '/') {
        memmove(p_path, p_path + 1, strlen(p_path + 1) + 1);
    }
}

/* 1 if a component of the normalised path is "..". */
int HasParentStep(const char* p_path) {
    const char* l_start = p_path;
    for (;;) {
        const char* l_end = strchr(l_start, '/');
        size_t l_len = (l_end != NULL) ? (size_t)(l_end - l_start) : strlen(l_start);
        if (l_len == 2 && l_start[0] == '.' && l_start[1] == '.') {
            return 1;
        }
        if (l_end == NULL) {
            return 0;
        }
        l_start = l_end + 1;
    }
}

/* Creates every folder along p_path (the text before each "/"), failures ignored. */
void MakeParents(const char* p_path) {
    char l_dir[UNTGZ_TARGET_SIZE];
    size_t l_len = strlen(p_path);
    if (l_len >= sizeof(l_dir)) {
        return;
    }
    for (size_t l_i = 1; l_i < l_len; ++l_i) {
        if (p_path[l_i] == '/') {
            memcpy(l_dir, p_path, l_i);
            l_dir[l_i] = 0;
            fsMkdir(l_dir, 0777);
        }
    }
}

}  // namespace

C_UNTGZ::C_UNTGZ()
    : m_out_file(NULL),
      m_remaining(0),
      m_verbose(0),
      m_abs_path(0),
      m_continue(1),
      m_progress(0),
      m_first_header(1),
      m_write_status(0),
      m_write_task(0),
      m_last_write_task(0),
      m_sem_write(NULL),
      m_busy(false),
      m_read_buffer(m_buffers[0]),
      m_write_buffer(m_buffers[1]),
      m_write_size(0) {
    UntgzLog("%ld - (C_UNTGZ)\n");
    UntgzLog("%ld - (C_UNTGZ)::%s() \n", (_Vx_usr_arg_t) "Init");
    memset(m_path, 0, sizeof(m_path));
    memset(m_buffers, 0, sizeof(m_buffers));
    memset(m_dest_folder, 0, sizeof(m_dest_folder));
    memset(m_tar_file, 0, sizeof(m_tar_file));
}

C_UNTGZ::~C_UNTGZ() { UntgzLog("%ld - (~C_UNTGZ)\n"); }

C_UNTGZ* C_UNTGZ::GetInstance() {
    /* Created and published once, even when two tasks ask at the same time. */
    static C_UNTGZ* l_instance = [] {
        m_pInstance = new (std::nothrow) C_UNTGZ();
        return m_pInstance;
    }();
    return l_instance;
}

int C_UNTGZ::CancelUntar() {
    m_continue.store(0);
    return 0;
}

int C_UNTGZ::GetProgression(unsigned long long& p_bytes) {
    if (m_sem_write.load() == NULL) {
        p_bytes = 0;
        return -1;
    }
    p_bytes = m_progress.load(std::memory_order_relaxed);
    return 0;
}

int C_UNTGZ::Untar(char const* p_tar_file, char const* p_dest_folder, int p_verbose,
                   int p_abs_path) {
    int l_result = -1;

    if (p_tar_file == NULL || p_dest_folder == NULL) {
        UntgzLog("%ld - (Untar): parameters error (m_tar_file = '%s', m_dest_folder = '%s')\n",
                 (_Vx_usr_arg_t)m_tar_file, (_Vx_usr_arg_t)m_dest_folder);
        if (m_busy.load()) {
            UntgzLog("%ld - (Untar): Untar already in use!!\n");
        } else {
            UntgzLog("%ld - (Untar): End Untar, returned value : %d\n", (_Vx_usr_arg_t)-1);
        }
        return -1;
    }
    if (p_verbose != 0 && p_verbose != 1) {
        UntgzLog("%ld - (Untar): parameter error (p_verbose == %d)\n", (_Vx_usr_arg_t)p_verbose);
        return -1;
    }
    if (p_abs_path != 0 && p_abs_path != 1) {
        UntgzLog("%ld - (Untar): parameter error (p_abs_path == %d)\n", (_Vx_usr_arg_t)p_abs_path);
        return -1;
    }
    /* A path cut to fit would name another archive or another place. */
    if (strlen(p_tar_file) >= sizeof(m_tar_file) ||
        strlen(p_dest_folder) >= sizeof(m_dest_folder)) {
        UntgzLog("%ld - (Untar): parameter error (path too long: '%s', '%s')\n",
                 (_Vx_usr_arg_t)p_tar_file, (_Vx_usr_arg_t)p_dest_folder);
        return -1;
    }
    /* Claiming and testing in one step keeps two callers from both starting. */
    if (m_busy.exchange(true)) {
        UntgzLog("%ld - (Untar): Untar already in use!!\n");
        return -1;
    }

    m_write_task = 0;
    m_last_write_task = 0;
    m_write_size = 0;
    m_write_status = 0;
    m_remaining = 0;
    m_progress.store(0);
    m_out_file = NULL;
    memset(m_buffers, 0, sizeof(m_buffers));
    memset(m_dest_folder, 0, sizeof(m_dest_folder));
    memset(m_tar_file, 0, sizeof(m_tar_file));
    memset(m_path, 0, sizeof(m_path));
    m_verbose = p_verbose;
    m_abs_path = p_abs_path;
    m_continue.store(1);
    m_first_header = 1;
    strncpy(m_dest_folder, p_dest_folder, sizeof(m_dest_folder) - 1);
    strncpy(m_tar_file, p_tar_file, sizeof(m_tar_file) - 1);

    UntgzLog("%ld - (Untar Version '%s'): Begin Untar '%s' to '%s'\n", (_Vx_usr_arg_t)UNTGZ_VERSION,
             (_Vx_usr_arg_t)m_tar_file, (_Vx_usr_arg_t)m_dest_folder);

    SEM_ID l_sem = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    if (l_sem == NULL) {
        UntgzLog("%ld - (Untar): semMCreate error (errno = 0x%X)!!!\n", (_Vx_usr_arg_t)errnoGet());
        l_result = -1;
    } else {
        m_sem_write.store(l_sem);
        if (m_pInstance == NULL) {
            UntgzLog("%ld - (Untar):NULL == m_pInstance\n");
            l_result = -1;
        } else {
            UntgzLog("%ld - (%s): call DoUnArchive()\n", (_Vx_usr_arg_t) "Untar");
            l_result = DoUnArchive();
            /* The last writer has given the semaphore but may not have returned
               yet; it must be gone before the semaphore is deleted. */
            if (m_last_write_task != 0) {
                WaitWriterEnd(m_last_write_task);
            }
            /* The recorded writer is 0 after a normal end, which names no task:
               one delay is made before the check. */
            if (m_write_task != ERROR) {
                int l_try = 0;
                do {
                    UntgzLog("%ld - (Untar): taskDelay(50)\n");
                    taskDelay(UNTGZ_END_WAIT_TICKS);
                    ++l_try;
                } while (l_try < UNTGZ_END_WAIT_TRIES && taskIdVerify(m_write_task) == OK);
            }
        }
    }

    l_sem = m_sem_write.exchange(NULL);
    if (l_sem != NULL) {
        if (semDelete(l_sem) != OK) {
            UntgzLog("%ld - (Untar): semDelete error (errno = 0x%X)!!!\n",
                     (_Vx_usr_arg_t)errnoGet());
        }
    } else {
        UntgzLog("%ld - (Untar): m_sem_write is NULL !\n");
    }
    UntgzLog("%ld - (Untar): End Untar, returned value : %d\n", (_Vx_usr_arg_t)l_result);
    m_busy.store(false);
    return l_result;
}

/* Waits until the running writer has finished its block. */
void C_UNTGZ::WaitWriter() {
    if (m_write_task == 0 || m_write_task == ERROR) {
        return;
    }
    if (semTake(m_sem_write.load(), WAIT_FOREVER) != OK) {
        WaitWriterEnd(m_write_task);
    }
    m_write_task = 0;
}

/* Waits until the task no longer exists: yields first, as a writer that has
   given the semaphore only has to return, then whole ticks. */
void C_UNTGZ::WaitWriterEnd(int p_task) {
    for (int l_i = 0; taskIdVerify(p_task) == OK; ++l_i) {
        taskDelay((l_i < UNTGZ_END_YIELDS) ? 0 : 1);
    }
}

int C_UNTGZ::DoUnArchive() {
    int l_result = 0;
    int l_k = 1;
    int l_n;

    if (m_gz.Open(m_tar_file) != 0) {
        UntgzLog("%ld - (DoUnArchive): gzopen (%s) : ERROR (errno = 0x%X) \n",
                 (_Vx_usr_arg_t)m_tar_file, (_Vx_usr_arg_t)errnoGet());
        return -1;
    }

    l_n = m_gz.Read(m_read_buffer, UNTGZ_READ_SIZE);
    if (l_n == -1) {
        UntgzLog("%ld - (DoUnArchive): [init] gzread error (errno = 0x%X), l_size = %d\n",
                 (_Vx_usr_arg_t)errnoGet(), (_Vx_usr_arg_t)l_n);
        UntgzLog("%ld - (DoUnArchive): [init] zlib: %s\n", (_Vx_usr_arg_t)m_gz.ErrorText());
        l_result = -1;
    } else {
        for (;;) {
            /* The block just read becomes the writer's; no writer runs here. */
            unsigned char* l_swap = m_write_buffer;
            m_write_buffer = m_read_buffer;
            m_read_buffer = l_swap;
            m_write_size = l_n;
            if (m_write_task != 0) {
                UntgzLog("%ld - (DoUnArchive): [loop] m_write_task != 0\n");
                l_result = -1;
                break;
            }
            m_write_task =
                taskSpawn(UNTGZ_TASK_NAME, UNTGZ_TASK_PRIORITY, VX_FP_TASK, UNTGZ_TASK_STACK,
                          (FUNCPTR)StaticWriteTask, (_Vx_usr_arg_t)this, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            if (m_write_task == ERROR) {
                UntgzLog("%ld - (DoUnArchive): [loop %d] m_write_task == ERROR \n",
                         (_Vx_usr_arg_t)l_k);
                l_result = -1;
                break;
            }
            m_last_write_task = m_write_task;

            l_n = m_gz.Read(m_read_buffer, UNTGZ_READ_SIZE);
            if (l_n == -1) {
                UntgzLog(
                    "%ld - (DoUnArchive): [loop %d] gzread error (errno = 0x%X), l_size = %d\n",
                    (_Vx_usr_arg_t)l_k, (_Vx_usr_arg_t)errnoGet(), (_Vx_usr_arg_t)l_n);
                UntgzLog("%ld - (DoUnArchive): [loop %d] zlib: %s\n", (_Vx_usr_arg_t)l_k,
                         (_Vx_usr_arg_t)m_gz.ErrorText());
                /* The writer still owns the tar state and the output file. */
                WaitWriter();
                l_result = -1;
                break;
            }
            if (semTake(m_sem_write.load(), WAIT_FOREVER) != OK) {
                UntgzLog(
                    "%ld - (DoUnArchive): [loop %d] semTake (m_sem_write, WAIT_FOREVER) ERROR "
                    "(errno = 0x%X)\n",
                    (_Vx_usr_arg_t)l_k, (_Vx_usr_arg_t)errnoGet());
                WaitWriterEnd(m_write_task);
                m_write_task = 0;
                l_result = -1;
                break;
            }
            m_write_task = 0;

            if (m_write_status == -1) {
                UntgzLog("%ld - (DoUnArchive): [loop %d] write task error!!\n", (_Vx_usr_arg_t)l_k);
                l_result = -1;
                break;
            }
            if (l_n == 0) {
                l_result = 0;
                break;
            }
            if (m_block_hook != NULL) {
                m_block_hook(l_k);
            }
            if (m_continue.load() != 1) {
                break;
            }
            ++l_k;
        }
    }

    if (m_continue.load() == 0) {
        l_result = -1;
        UntgzLog("%ld - (DoUnArchive): WARNING: Untar stopped by !\n");
    }
    m_gz.Close();
    if (m_remaining != 0) {
        UntgzLog("%ld - (DoUnArchive): WARNING: Last file might be truncated!\n");
    }
    if (m_out_file != NULL && CloseOutFile() != 0) {
        l_result = -1;
    }
    return l_result;
}

int C_UNTGZ::StaticWriteTask(C_UNTGZ* p_instance) {
    p_instance->m_write_status = 0;
    for (int l_offset = 0; l_offset < p_instance->m_write_size; l_offset += UNTGZ_BLOCK_SIZE) {
        /* Whole data blocks of one file go to stdio in one piece. */
        long l_run = p_instance->WriteDataRun(p_instance->m_write_buffer + l_offset,
                                              (unsigned long)(p_instance->m_write_size - l_offset));
        if (l_run < 0) {
            UntgzLog("%ld - (StaticWriteTask): p_instance->UntarBlock return ERROR\n");
            p_instance->m_write_status = -1;
            break;
        }
        l_offset += (int)l_run;
        if (l_offset >= p_instance->m_write_size) {
            break;
        }
        int l_length = p_instance->m_write_size - l_offset;
        if (l_length > UNTGZ_BLOCK_SIZE) {
            l_length = UNTGZ_BLOCK_SIZE;
        }
        if (p_instance->UntarBlock(p_instance->m_write_buffer + l_offset, (unsigned int)l_length) ==
            -1) {
            UntgzLog("%ld - (StaticWriteTask): p_instance->UntarBlock return ERROR\n");
            p_instance->m_write_status = -1;
            break;
        }
    }
    SEM_ID l_sem = p_instance->m_sem_write.load();
    if (l_sem == NULL) {
        UntgzLog("%ld - (StaticWriteTask): p_instance->m_sem_write is NULL !\n");
    } else if (semGive(l_sem) != OK) {
        UntgzLog("%ld - (StaticWriteTask): semGive (0x%X) return ERROR (errno = 0x%X)\n",
                 (_Vx_usr_arg_t)l_sem, (_Vx_usr_arg_t)errnoGet());
    }
    return 0;
}

int C_UNTGZ::CloseOutFile() {
    FILE* l_fp = m_out_file;
    m_out_file = NULL;
    if (l_fp != NULL && fclose(l_fp) != 0) {
        UntgzLog("%ld - (UntarBlock): fclose (%s) : ERROR (errno = 0x%X)\n", (_Vx_usr_arg_t)m_path,
                 (_Vx_usr_arg_t)errno);
        return -1;
    }
    return 0;
}

/*
 * Target of an entry: the destination prefix followed by the entry name
 * (the ustar prefix, "/" and the name when the header has a prefix). The
 * entry's own leading slash is dropped; a ".." step or a target outside the
 * destination sets *p_unsafe to 1, one longer than m_path holds to 2.
 */
int C_UNTGZ::BuildTarget(tar_t* p_header, char* p_entry, char* p_target, int* p_unsafe) {
    size_t l_len = 0;
    *p_unsafe = 0;
    /* Only POSIX headers have a prefix there; old GNU ones keep times in it. */
    if (memcmp(p_header->magic, "ustar", sizeof(p_header->magic)) == 0 &&
        p_header->prefix[0] != 0) {
        l_len = strnlen(p_header->prefix, sizeof(p_header->prefix));
        memcpy(p_entry, p_header->prefix, l_len);
        p_entry[l_len++] = '/';
    }
    strcpy(p_entry + l_len, p_header->name);

    char l_clean[UNTGZ_ENTRY_SIZE];
    strcpy(l_clean, p_entry);
    NormalisePath(l_clean, 0);
    if (l_clean[0] == 0 || HasParentStep(l_clean)) {
        *p_unsafe = 1;
    }

    char l_dest[UNTGZ_NAME_SIZE];
    strcpy(l_dest, m_dest_folder);
    NormalisePath(l_dest, m_abs_path);

    strcpy(p_target, m_dest_folder);
    strcat(p_target, l_clean);
    NormalisePath(p_target, m_abs_path);
    if (p_target[0] == 0) {
        strcpy(p_target, "/");
    }
    size_t l_dest_len = strlen(l_dest);
    if (strncmp(p_target, l_dest, l_dest_len) != 0 || (l_dest_len == 0 && p_target[0] == '/')) {
        *p_unsafe = 1;
    } else {
        /* The prefix is text: its last component and the name's first one
           join, and "." + "./" makes a step up. */
        const char* l_last = strrchr(l_dest, '/');
        if (HasParentStep(p_target + ((l_last != NULL) ? (l_last - l_dest) + 1 : 0))) {
            *p_unsafe = 1;
        }
    }
    if (*p_unsafe == 0 && strlen(p_target) >= sizeof(m_path)) {
        *p_unsafe = 2;
    }
    return (*p_unsafe == 0) ? 0 : -1;
}

long C_UNTGZ::WriteDataRun(unsigned char* p_data, unsigned long p_length) {
    if (m_out_file == NULL || m_remaining <= UNTGZ_BLOCK_SIZE) {
        return 0;
    }
    /* Blocks that are not the file's last one, all present in full: the same
       bytes that UntarBlock would write one block at a time. */
    unsigned long long l_blocks = (m_remaining - 1) / UNTGZ_BLOCK_SIZE;
    if (l_blocks > p_length / UNTGZ_BLOCK_SIZE) {
        l_blocks = p_length / UNTGZ_BLOCK_SIZE;
    }
    unsigned long l_count = (unsigned long)l_blocks * UNTGZ_BLOCK_SIZE;
    if (l_count == 0) {
        return 0;
    }
    if (cvtWrite(p_data, l_count, m_out_file) != 0) {
        return -1;
    }
    m_progress.fetch_add(l_count, std::memory_order_relaxed);
    m_remaining -= l_count;
    return (long)l_count;
}

int C_UNTGZ::UntarBlock(unsigned char* p_block, unsigned int p_length) {
    unsigned char l_block[UNTGZ_BLOCK_SIZE];
    if (p_length > UNTGZ_BLOCK_SIZE) {
        p_length = UNTGZ_BLOCK_SIZE;
    }
    /* The cut end of an archive counts as zeros, never as stale bytes. */
    memcpy(l_block, p_block, p_length);
    memset(l_block + p_length, 0, UNTGZ_BLOCK_SIZE - p_length);

    if (m_remaining > 0) {
        /* Only the bytes of the file that are really there are written. */
        unsigned long l_count = p_length;
        if (m_remaining < l_count) {
            l_count = (unsigned long)m_remaining;
        }
        if (m_out_file != NULL) {
            if (cvtWrite(l_block, l_count, m_out_file) != 0) {
                return -1;
            }
            m_progress.fetch_add(l_count, std::memory_order_relaxed);
        }
        m_remaining -= l_count;
        if (m_remaining == 0 && m_out_file != NULL && CloseOutFile() != 0) {
            return -1;
        }
        return 0;
    }

    tar_t* l_header = (tar_t*)l_block;
    if (l_header->name[0] == 0) {
        return 0;
    }
    char l_size0 = l_header->size[0];
    if (l_header->name[sizeof(l_header->name) - 1] != 0 ||
        !((l_size0 >= '0' && l_size0 <= '9') || l_size0 == ' ')) {
        if (m_first_header == 1) {
            UntgzLog("%ld - (UntarBlock): %s: not a valid tar file\n", (_Vx_usr_arg_t)m_tar_file);
        } else {
            UntgzLog(
                "%ld - (UntarBlock): WARNING: Garbage detected; preceding file may be damaged\n");
        }
        return -1;
    }

    char l_entry[UNTGZ_ENTRY_SIZE];
    char l_target[UNTGZ_TARGET_SIZE];
    int l_unsafe = 0;
    BuildTarget(l_header, l_entry, l_target, &l_unsafe);

    long long l_sum = (long long)ParseOctal(l_header->chksum, sizeof(l_header->chksum));
    if (l_sum != CheckSum(l_header, 0) && l_sum != CheckSum(l_header, 1)) {
        if (m_first_header == 0) {
            UntgzLog(
                "%ld - (UntarBlock): WARNING: Garbage detected; preceding file may be damaged\n");
        }
        UntgzLog("%ld - (UntarBlock): %s: header has bad checksum for %s\n",
                 (_Vx_usr_arg_t)m_tar_file, (_Vx_usr_arg_t)l_target);
        return -1;
    }
    if (l_unsafe == 1) {
        UntgzLog("%ld - (UntarBlock): %s: entry '%s' leaves the destination, refused\n",
                 (_Vx_usr_arg_t)m_tar_file, (_Vx_usr_arg_t)l_entry);
        return -1;
    }
    if (l_unsafe == 2) {
        UntgzLog("%ld - (UntarBlock): %s: entry '%s' gives a path too long, refused\n",
                 (_Vx_usr_arg_t)m_tar_file, (_Vx_usr_arg_t)l_entry);
        return -1;
    }
    strcpy(m_path, l_target);

    m_first_header = 0;
    char l_type = l_header->typeflag;
    if (m_path[strlen(m_path) - 1] == '/') {
        l_type = '5';
    }
    unsigned long long l_size = ParseOctal(l_header->size, sizeof(l_header->size));
    m_remaining = l_size;

    if (m_verbose == 1) {
        char l_letter = (l_type >= '1' && l_type <= '6') ? "hlcbdp"[l_type - '1'] : '-';
        UntgzLog("%ld - (UntarBlock): %c %s\n", (_Vx_usr_arg_t)l_letter, (_Vx_usr_arg_t)m_path);
    } else {
        UntgzLog("%ld - (UntarBlock): %s\n", (_Vx_usr_arg_t)m_path);
    }

    switch (l_type) {
        case '5': {
            int l_made = fsMkdir(m_path, 0777);
            if (l_made != 0 && errno != EEXIST) {
                MakeParents(m_path);
                l_made = fsMkdir(m_path, 0777);
            }
            if (m_verbose == 1) {
                UntgzLog("%ld - (UntarBlock): %s\n",
                         (_Vx_usr_arg_t)((l_made == 0) ? " created" : " ignored"));
            }
            return 0;
        }
        case '1':
        case '2':
        case '3':
        case '4':
        case '6':
            if (m_verbose == 1) {
                UntgzLog("%ld - (UntarBlock): ignored\n");
            }
            m_remaining = 0;
            return 0;
        default: {
            if (m_verbose == 1) {
                unsigned long long l_blocks = (l_size + UNTGZ_BLOCK_SIZE - 1) / UNTGZ_BLOCK_SIZE;
                UntgzLog("%ld - (UntarBlock): (%ld byte%s, %ld tape block%s)\n",
                         (_Vx_usr_arg_t)l_size, (_Vx_usr_arg_t)((l_size == 1) ? "" : "s"),
                         (_Vx_usr_arg_t)l_blocks, (_Vx_usr_arg_t)((l_blocks == 1) ? "" : "s"));
            }
            if (m_out_file != NULL && CloseOutFile() != 0) {
                return -1;
            }
            m_out_file = CreatePath(m_path);
            if (l_size == 0 && m_out_file != NULL && CloseOutFile() != 0) {
                return -1;
            }
            return 0;
        }
    }
}

int C_UNTGZ::CheckSum(tar_t* p_header, int p_signed) {
    const unsigned char* l_bytes = (const unsigned char*)p_header;
    const size_t l_first = offsetof(tar_t, chksum);
    const size_t l_last = l_first + sizeof(p_header->chksum);
    int l_sum = 0;
    for (size_t l_i = 0; l_i < sizeof(tar_t); ++l_i) {
        if (l_i >= l_first && l_i < l_last) {
            l_sum += ' ';
        } else if (p_signed) {
            l_sum += (int)(signed char)l_bytes[l_i];
        } else {
            l_sum += (int)l_bytes[l_i];
        }
    }
    return l_sum;
}

FILE* C_UNTGZ::CreatePath(char* p_name) {
    if (p_name == NULL) {
        UntgzLog("%ld - (CreatePath): NULL == p_name\n");
        return NULL;
    }
    FILE* l_fp = fsFopen(p_name, "wb");
    if (l_fp == NULL) {
        MakeParents(p_name);
        l_fp = fsFopen(p_name, "wb");
        if (l_fp == NULL) {
            UntgzLog("%ld - (CreatePath): fopen (%s) : ERROR (errno = 0x%X)\n",
                     (_Vx_usr_arg_t)p_name, (_Vx_usr_arg_t)errno);
            return NULL;
        }
    }
    return l_fp;
}

int C_UNTGZ::cvtWrite(unsigned char* p_blk, unsigned long p_length, FILE* p_fp) {
    if (p_blk == NULL || p_fp == NULL) {
        UntgzLog("%ld - (cvtwrite): (0x%X == p_blk) || (0x%X == p_fp)\n", (_Vx_usr_arg_t)p_blk,
                 (_Vx_usr_arg_t)p_fp);
        return -1;
    }
    if (p_length == 0) {
        return 0;
    }
    /* A full card must not pass for a complete file. */
    if (fwrite(p_blk, p_length, 1, p_fp) != 1) {
        UntgzLog("%ld - (cvtwrite): fwrite (%s) : ERROR (errno = 0x%X)\n", (_Vx_usr_arg_t)m_path,
                 (_Vx_usr_arg_t)errno);
        return -1;
    }
    return 0;
}

extern "C" int Untar(char const* p_tar_file, char const* p_dest_folder, int p_verbose,
                     int p_abs_path) {
    C_UNTGZ* l_instance = C_UNTGZ::GetInstance();
    if (l_instance == NULL) {
        UntgzLog("%ld - (extern 'C' - Untar): NULL == l_instance\n");
        return -1;
    }
    UntgzLog("%ld - (extern 'C' - Untar ): l_instance(0x%X)->Untar ('%s', '%s')\n",
             (_Vx_usr_arg_t)l_instance, (_Vx_usr_arg_t)p_tar_file, (_Vx_usr_arg_t)p_dest_folder);
    int l_result = l_instance->Untar(p_tar_file, p_dest_folder, p_verbose, p_abs_path);
    if (l_result == -1) {
        UntgzLog("%ld - (extern 'C' - Untar '%s'): ERROR \n", (_Vx_usr_arg_t)p_tar_file);
    } else {
        UntgzLog("%ld - (extern 'C' - Untar '%s'): Done \n", (_Vx_usr_arg_t)p_tar_file);
    }
    return l_result;
}
