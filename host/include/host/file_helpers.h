/*
 * Side-file and checksum helpers of the unit. Paths are unit paths.
 *
 * Side files are text, one KEY=VALUE entry a line (see
 * C_BCM_UPGRADE::GetValueInFile for the syntax).
 */
#ifndef HOST_FILE_HELPERS_H
#define HOST_FILE_HELPERS_H

/* Size of the value buffer that callers of GetInfValue give by default. */
#define GETINFVALUE_BUFFER_SIZE 101

/*
 * Reads p_key from the side file p_path into p_value, a buffer of p_size
 * bytes: at most p_size - 1 characters are copied (a longer value is cut),
 * always NUL-terminated. 0 on success, also for an empty value ("KEY=");
 * -1 when the file or key is missing or an argument is null (p_value then
 * holds "" when it is not null).
 */
int GetInfValue(const char* p_path, const char* p_key, char* p_value,
                int p_size = GETINFVALUE_BUFFER_SIZE);

/*
 * Checks the CRC-32 (zlib) of p_path against the key "CRC" of p_path + ".inf"
 * (up to 8 hexadecimal digits, either case, optional "0x"). 0 when equal;
 * -1 when different, or when the file, the side file or the key is missing,
 * or the key is not hexadecimal.
 */
int CheckCRCFile(const char* p_path);

/*
 * CRC-32 (zlib) of the file p_path. Returns the CRC and stores it in
 * *p_value; on failure returns (unsigned long)-1 and stores (unsigned long)-1.
 */
unsigned long FileCRC(const char* p_path, unsigned long* p_value);

#endif /* HOST_FILE_HELPERS_H */
