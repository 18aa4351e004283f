/*
 * The unit's string class. Every change builds the new content in fresh
 * storage before the old one is released, so a string may be given its own
 * buffer (s += s.GetBuffer(), s.Format("%s/x", s.GetBuffer())).
 */
#include <host/CMMString.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const char k_empty[1] = {'\0'};

/* Bytes of p_text to take: up to p_length, never past its terminating NUL. */
int TextLength(const char* p_text, int p_length) {
    if (p_text == nullptr) {
        return 0;
    }
    if (p_length < 0) {
        size_t l_len = strlen(p_text);
        return l_len > static_cast<size_t>(INT_MAX - 1) ? -1 : static_cast<int>(l_len);
    }
    const void* l_nul = memchr(p_text, '\0', static_cast<size_t>(p_length));
    return l_nul == nullptr ? p_length : static_cast<int>(static_cast<const char*>(l_nul) - p_text);
}

char LowerAscii(char p_char) {
    return (p_char >= 'A' && p_char <= 'Z') ? static_cast<char>(p_char - 'A' + 'a') : p_char;
}

bool EqualBytes(const char* p_a, const char* p_b, int p_length, bool p_case_sensitive) {
    if (p_case_sensitive) {
        return memcmp(p_a, p_b, static_cast<size_t>(p_length)) == 0;
    }
    for (int i = 0; i < p_length; i++) {
        if (LowerAscii(p_a[i]) != LowerAscii(p_b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

CMMString::CMMString() : m_data(nullptr), m_length(0), m_capacity(0) {}

CMMString::CMMString(const CMMString& other) : m_data(nullptr), m_length(0), m_capacity(0) {
    Assign(other.m_data, other.m_length);
}

CMMString::CMMString(const char* p_text, int p_length, t_cmmstring_characterSetType,
                     t_cmmstring_charOrStrType)
    : m_data(nullptr), m_length(0), m_capacity(0) {
    int l_len = TextLength(p_text, p_length);
    if (l_len > 0) {
        Assign(p_text, l_len);
    }
}

CMMString::~CMMString() { free(m_data); }

CMMString& CMMString::operator=(const CMMString& other) {
    if (this != &other) {
        Assign(other.m_data, other.m_length);
    }
    return *this;
}

CMMString& CMMString::operator=(const char* p_text) {
    int l_len = TextLength(p_text, -1);
    if (l_len >= 0) {
        Assign(p_text, l_len);
    }
    return *this;
}

CMMString& CMMString::operator+=(const CMMString& other) {
    Append(other.m_data, other.m_length);
    return *this;
}

CMMString& CMMString::operator+=(const char* p_text) {
    Add(p_text);
    return *this;
}

CMMString& CMMString::operator+=(char p_char) {
    Append(&p_char, 1);
    return *this;
}

CMMString operator+(const CMMString& a, const CMMString& b) {
    CMMString l_result(a);
    l_result += b;
    return l_result;
}

CMMString operator+(const CMMString& a, const char* b) {
    CMMString l_result(a);
    l_result += b;
    return l_result;
}

CMMString operator+(const char* a, const CMMString& b) {
    CMMString l_result(a);
    l_result += b;
    return l_result;
}

void CMMString::Add(const char* p_text, int p_length, t_cmmstring_characterSetType,
                    t_cmmstring_charOrStrType) {
    int l_len = TextLength(p_text, p_length);
    if (l_len > 0) {
        Append(p_text, l_len);
    }
}

void CMMString::Add(const CMMString& other) { Append(other.m_data, other.m_length); }

void CMMString::Clear() {
    m_length = 0;
    if (m_data != nullptr) {
        m_data[0] = '\0';
    }
}

void CMMString::Purge() {
    free(m_data);
    m_data = nullptr;
    m_length = 0;
    m_capacity = 0;
}

bool CMMString::IsEmpty() const { return m_length == 0; }

bool CMMString::IsNotEmpty() const { return m_length != 0; }

const char* CMMString::GetBuffer(t_cmmstring_characterSetType, int* p_status) const {
    if (p_status != nullptr) {
        *p_status = 0;
    }
    return m_data != nullptr ? m_data : k_empty;
}

int CMMString::GetBufferSize(t_cmmstring_characterSetType) const { return m_length + 1; }

int CMMString::GetLength() const { return m_length; }

int CMMString::Find(char p_char, int p_start) const {
    for (int i = p_start < 0 ? 0 : p_start; i < m_length; i++) {
        if (m_data[i] == p_char) {
            return i;
        }
    }
    return -1;
}

int CMMString::Find(const char* p_text, int p_start, t_cmmstring_characterSetType) const {
    int l_len = TextLength(p_text, -1);
    if (l_len <= 0 || l_len > m_length) {
        return -1;
    }
    for (int i = p_start < 0 ? 0 : p_start; i <= m_length - l_len; i++) {
        if (memcmp(m_data + i, p_text, static_cast<size_t>(l_len)) == 0) {
            return i;
        }
    }
    return -1;
}

int CMMString::FindReverse(char p_char, int p_start) const {
    int l_from = (p_start < 0 || p_start >= m_length) ? m_length - 1 : p_start;
    for (int i = l_from; i >= 0; i--) {
        if (m_data[i] == p_char) {
            return i;
        }
    }
    return -1;
}

int CMMString::FindReverse(const char* p_text, int p_start, t_cmmstring_characterSetType) const {
    int l_len = TextLength(p_text, -1);
    if (l_len <= 0 || l_len > m_length) {
        return -1;
    }
    int l_last = m_length - l_len;
    int l_from = (p_start < 0 || p_start > l_last) ? l_last : p_start;
    for (int i = l_from; i >= 0; i--) {
        if (memcmp(m_data + i, p_text, static_cast<size_t>(l_len)) == 0) {
            return i;
        }
    }
    return -1;
}

CMMString CMMString::Before(int p_index) const { return Extract(0, p_index); }

CMMString CMMString::After(int p_index) const { return Extract(p_index, m_length - 1); }

CMMString CMMString::Extract(int p_first, int p_last) const {
    CMMString l_result;
    int l_first = p_first < 0 ? 0 : p_first;
    int l_last = p_last >= m_length ? m_length - 1 : p_last;
    if (l_last >= l_first) {
        l_result.Assign(m_data + l_first, l_last - l_first + 1);
    }
    return l_result;
}

bool CMMString::Compare(const char* p_text, bool p_case_sensitive, t_cmmstring_characterSetType,
                        t_cmmstring_charOrStrType) const {
    int l_len = TextLength(p_text, -1);
    if (l_len != m_length) {
        return false;
    }
    return l_len == 0 || EqualBytes(m_data, p_text, l_len, p_case_sensitive);
}

bool CMMString::Compare(const CMMString& other, bool p_case_sensitive) const {
    if (other.m_length != m_length) {
        return false;
    }
    return m_length == 0 || EqualBytes(m_data, other.m_data, m_length, p_case_sensitive);
}

bool CMMString::operator==(const CMMString& other) const { return Compare(other, true); }

bool CMMString::operator==(const char* p_text) const { return Compare(p_text, true); }

bool CMMString::operator!=(const CMMString& other) const { return !Compare(other, true); }

int CMMString::ToInt() const {
    int i = 0;
    while (i < m_length && (m_data[i] == ' ' || (m_data[i] >= '\t' && m_data[i] <= '\r'))) {
        i++;
    }
    bool l_negative = false;
    if (i < m_length && (m_data[i] == '+' || m_data[i] == '-')) {
        l_negative = m_data[i] == '-';
        i++;
    }
    /* Accumulated as a negative number so that INT_MIN is reachable. */
    int l_value = 0;
    for (; i < m_length && m_data[i] >= '0' && m_data[i] <= '9'; i++) {
        int l_digit = m_data[i] - '0';
        if (l_value < (INT_MIN + l_digit) / 10) {
            return l_negative ? INT_MIN : INT_MAX;
        }
        l_value = l_value * 10 - l_digit;
    }
    if (l_negative) {
        return l_value;
    }
    return l_value == INT_MIN ? INT_MAX : -l_value;
}

void CMMString::ToUpper() {
    for (int i = 0; i < m_length; i++) {
        if (m_data[i] >= 'a' && m_data[i] <= 'z') {
            m_data[i] = static_cast<char>(m_data[i] - 'a' + 'A');
        }
    }
}

void CMMString::SupprChar(const char* p_chars, t_cmmstring_characterSetType) {
    if (p_chars == nullptr || p_chars[0] == '\0' || m_length == 0) {
        return;
    }
    char l_char = p_chars[0];
    int l_out = 0;
    for (int i = 0; i < m_length; i++) {
        if (m_data[i] != l_char) {
            m_data[l_out++] = m_data[i];
        }
    }
    m_length = l_out;
    m_data[m_length] = '\0';
}

int CMMString::Format(const char* p_format, ...) {
    if (p_format == nullptr) {
        return -1;
    }
    va_list l_args;
    va_start(l_args, p_format);
    va_list l_again;
    va_copy(l_again, l_args);
    int l_len = vsnprintf(nullptr, 0, p_format, l_args);
    va_end(l_args);
    if (l_len < 0 || l_len > INT_MAX - 1) {
        va_end(l_again);
        return -1;
    }
    /* Formatted apart: the arguments may point into this string. */
    char* l_text = static_cast<char*>(malloc(static_cast<size_t>(l_len) + 1));
    if (l_text == nullptr) {
        va_end(l_again);
        return -1;
    }
    int l_written = vsnprintf(l_text, static_cast<size_t>(l_len) + 1, p_format, l_again);
    va_end(l_again);
    if (l_written != l_len) {
        free(l_text);
        return -1;
    }
    free(m_data);
    m_data = l_text;
    m_length = l_len;
    m_capacity = l_len + 1;
    return l_len;
}

bool CMMString::Reserve(int p_capacity) {
    if (p_capacity <= m_capacity) {
        return true;
    }
    char* l_data = static_cast<char*>(realloc(m_data, static_cast<size_t>(p_capacity)));
    if (l_data == nullptr) {
        return false;
    }
    m_data = l_data;
    m_capacity = p_capacity;
    return true;
}

void CMMString::Assign(const char* p_text, int p_length) {
    if (p_length <= 0 || p_text == nullptr) {
        Clear();
        return;
    }
    if (p_length > INT_MAX - 1) {
        return;
    }
    if (p_length + 1 <= m_capacity) {
        /* memmove: the text may be a part of this string. */
        memmove(m_data, p_text, static_cast<size_t>(p_length));
        m_length = p_length;
        m_data[m_length] = '\0';
        return;
    }
    char* l_data = static_cast<char*>(malloc(static_cast<size_t>(p_length) + 1));
    if (l_data == nullptr) {
        return;
    }
    memcpy(l_data, p_text, static_cast<size_t>(p_length));
    l_data[p_length] = '\0';
    free(m_data);
    m_data = l_data;
    m_length = p_length;
    m_capacity = p_length + 1;
}

void CMMString::Append(const char* p_text, int p_length) {
    if (p_length <= 0 || p_text == nullptr || p_length > INT_MAX - 1 - m_length) {
        return;
    }
    int l_needed = m_length + p_length + 1;
    if (l_needed > m_capacity) {
        /* Room for a few more appends, as paths are built piece by piece. */
        int l_capacity = l_needed;
        if (m_capacity <= (INT_MAX - 1) / 2 && m_capacity * 2 > l_capacity) {
            l_capacity = m_capacity * 2;
        }
        char* l_data = static_cast<char*>(malloc(static_cast<size_t>(l_capacity)));
        if (l_data == nullptr) {
            return;
        }
        /* Copied before the old storage goes: the text may lie inside it. */
        if (m_length > 0) {
            memcpy(l_data, m_data, static_cast<size_t>(m_length));
        }
        memcpy(l_data + m_length, p_text, static_cast<size_t>(p_length));
        free(m_data);
        m_data = l_data;
        m_capacity = l_capacity;
    } else {
        memmove(m_data + m_length, p_text, static_cast<size_t>(p_length));
    }
    m_length += p_length;
    m_data[m_length] = '\0';
}
