/*
 * The unit's string class: a byte string. Positions are zero-based; a search
 * that finds nothing returns -1. No operation throws: when memory runs out
 * the string keeps its old content (a failed append appends nothing).
 */
#ifndef HOST_CMMSTRING_H
#define HOST_CMMSTRING_H

typedef enum {
    CMMSTRING_CHARSET_ASCII = 0,
    CMMSTRING_CHARSET_LATIN1 = 1,
    CMMSTRING_CHARSET_UTF8 = 2,
} t_cmmstring_characterSetType;

typedef enum {
    CMMSTRING_CHAR = 0,
    CMMSTRING_STRING = 1,
} t_cmmstring_charOrStrType;

class CMMString {
  public:
    CMMString();
    CMMString(const CMMString& other);
    /* p_length -1 (any negative): the whole C string (null: empty); never reads past a NUL. */
    CMMString(const char* p_text, int p_length = -1,
              t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII,
              t_cmmstring_charOrStrType p_type = CMMSTRING_STRING);
    ~CMMString();

    CMMString& operator=(const CMMString& other);
    CMMString& operator=(const char* p_text);
    CMMString& operator+=(const CMMString& other);
    CMMString& operator+=(const char* p_text);
    CMMString& operator+=(char p_char);
    friend CMMString operator+(const CMMString& a, const CMMString& b);
    friend CMMString operator+(const CMMString& a, const char* b);
    friend CMMString operator+(const char* a, const CMMString& b);

    /* Appends p_length bytes of p_text (-1: the whole C string). */
    void Add(const char* p_text, int p_length = -1,
             t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII,
             t_cmmstring_charOrStrType p_type = CMMSTRING_STRING);
    void Add(const CMMString& other);

    /* Empties the string; Purge also frees its storage. */
    void Clear();
    void Purge();

    bool IsEmpty() const;
    bool IsNotEmpty() const;

    /* NUL-terminated bytes, valid until the string changes; never null.
     * p_status (may be null) gets 0. */
    const char* GetBuffer(t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII,
                          int* p_status = nullptr) const;
    /* Length plus one. */
    int GetBufferSize(t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII) const;
    /* Length in bytes. */
    int GetLength() const;

    /* First occurrence at or after p_start (negative: from 0). */
    int Find(char p_char, int p_start = 0) const;
    /* First occurrence at or after p_start; -1 (any negative): from the beginning. An empty
     * needle is not found. */
    int Find(const char* p_text, int p_start = -1,
             t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII) const;
    /* Last occurrence that begins at or before p_start; -1 (any negative, or past the end): from
     * the end. An empty needle is not found. */
    int FindReverse(char p_char, int p_start = -1) const;
    int FindReverse(const char* p_text, int p_start = -1,
                    t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII) const;

    /* Characters 0 to p_index inclusive (clamped; a negative index gives ""). */
    CMMString Before(int p_index) const;
    /* Characters from p_index to the end (clamped; past the end gives ""). */
    CMMString After(int p_index) const;
    /* Characters p_first to p_last inclusive (clamped; empty when p_last < p_first). */
    CMMString Extract(int p_first, int p_last) const;

    /*
     * True when equal. p_case_sensitive true compares bytes exactly (so "temp"
     * is not "TEMP"); false compares without regard to ASCII case, as FAT
     * names and separators are compared.
     */
    bool Compare(const char* p_text, bool p_case_sensitive,
                 t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII,
                 t_cmmstring_charOrStrType p_type = CMMSTRING_STRING) const;
    bool Compare(const CMMString& other, bool p_case_sensitive) const;
    bool operator==(const CMMString& other) const;
    bool operator==(const char* p_text) const;
    bool operator!=(const CMMString& other) const;

    /* Decimal value of the leading digits after blanks and an optional sign
     * (0 when none; saturates). */
    int ToInt() const;
    /* ASCII upper case, in place. */
    void ToUpper();
    /* Removes every occurrence of the first character of p_chars. */
    void SupprChar(const char* p_chars,
                   t_cmmstring_characterSetType p_charset = CMMSTRING_CHARSET_ASCII);
    /* Replaces the content with printf-style text of any length; returns the new length, or -1
     * (content unchanged). The arguments may point into this string. */
    int Format(const char* p_format, ...) __attribute__((format(printf, 2, 3)));

  private:
    bool Reserve(int p_capacity);
    void Assign(const char* p_text, int p_length);
    void Append(const char* p_text, int p_length);

    char* m_data;
    int m_length;
    int m_capacity;
};

#endif /* HOST_CMMSTRING_H */
