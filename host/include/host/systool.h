/*
 * The unit's system log.
 */
#ifndef HOST_SYSTOOL_H
#define HOST_SYSTOOL_H

/*
 * Adds one entry, formatted printf-style (callers usually begin with
 * "%ld - " and tickGet()). p_flush true writes the log out at once.
 */
void SYSTOOL_LogMsgNoFormat(bool p_flush, const char* p_format, ...)
    __attribute__((format(printf, 2, 3)));

/* Adds an error entry naming the class, the operation, the text and a level. */
void SYSTOOL_logError(const char* p_class, const char* p_operation, const char* p_text,
                      int p_level);

#endif /* HOST_SYSTOOL_H */
