// Side files (KEY=VALUE lines) and file checksums.
#include <host/file_helpers.h>
#include <host/simulation.h>

#include <platform/fileio.h>

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A longer line cannot be a side-file entry; it is skipped whole.
const size_t kMaxLine = 64 * 1024;
const size_t kReadChunk = 64 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool MatchLine(const std::string& line, const std::string& key, std::string& value) {
    size_t equal = line.find('=');
    if (equal == std::string::npos) return false;
    if (Trim(line.substr(0, equal)) != key) return false;
    value = Trim(line.substr(equal + 1));
    return true;
}

// Accepts up to 8 hexadecimal digits, either case, after an optional "0x".
bool ParseHex32(const std::string& text, unsigned long& out) {
    size_t pos = 0;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) pos = 2;
    if (pos == text.size() || text.size() - pos > 8) return false;
    unsigned long value = 0;
    for (; pos < text.size(); ++pos) {
        char c = text[pos];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = (value << 4) | static_cast<unsigned long>(digit);
    }
    out = value;
    return true;
}

}  // namespace

namespace host {
namespace internal {

int readKeyValue(const char* path, const char* key, std::string& value) {
    value.clear();
    if (path == nullptr || path[0] == '\0' || key == nullptr) return -1;
    const std::string wanted = Trim(key);
    if (wanted.empty()) return -1;

    FILE* file = fsFopen(path, "rb");
    if (file == nullptr) return -1;

    std::vector<char> chunk(kReadChunk);
    std::string line;
    bool tooLong = false;
    bool firstLine = true;
    bool found = false;
    auto endOfLine = [&]() {
        if (firstLine && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        firstLine = false;
        if (!tooLong && MatchLine(line, wanted, value)) found = true;
        line.clear();
        tooLong = false;
    };

    size_t count;
    while (!found && (count = fread(chunk.data(), 1, chunk.size(), file)) > 0) {
        const char* p = chunk.data();
        const char* end = p + count;
        while (!found && p < end) {
            const char* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
            const char* stop = newline != nullptr ? newline : end;
            if (!tooLong) {
                size_t piece = static_cast<size_t>(stop - p);
                if (line.size() + piece > kMaxLine) {
                    tooLong = true;
                    line.clear();
                } else {
                    line.append(p, piece);
                }
            }
            if (newline == nullptr) break;
            endOfLine();
            p = newline + 1;
        }
    }
    const bool failed = ferror(file) != 0;
    if (!found && !failed && (!line.empty() || tooLong)) endOfLine();
    fclose(file);

    // "KEY=" is a present key with an empty value: callers fall back to another key on it.
    if (!found) {
        value.clear();
        return -1;
    }
    return 0;
}

}  // namespace internal
}  // namespace host

int GetInfValue(const char* p_path, const char* p_key, char* p_value, int p_size) {
    if (p_value == nullptr || p_size <= 0) return -1;
    p_value[0] = '\0';
    std::string l_value;
    if (host::internal::readKeyValue(p_path, p_key, l_value) != 0) return -1;
    size_t l_length = l_value.size();
    if (l_length > static_cast<size_t>(p_size - 1)) l_length = static_cast<size_t>(p_size - 1);
    std::memcpy(p_value, l_value.data(), l_length);
    p_value[l_length] = '\0';
    return 0;
}

unsigned long FileCRC(const char* p_path, unsigned long* p_value) {
    const unsigned long l_failure = static_cast<unsigned long>(-1);
    unsigned long l_result = l_failure;
    FILE* l_file = (p_path != nullptr && p_path[0] != '\0') ? fsFopen(p_path, "rb") : nullptr;
    if (l_file != nullptr) {
        std::vector<unsigned char> l_chunk(kReadChunk);
        uLong l_crc = crc32(0L, Z_NULL, 0);
        size_t l_count;
        while ((l_count = fread(l_chunk.data(), 1, l_chunk.size(), l_file)) > 0) {
            l_crc = crc32(l_crc, l_chunk.data(), static_cast<uInt>(l_count));
        }
        if (ferror(l_file) == 0) l_result = static_cast<unsigned long>(l_crc & 0xFFFFFFFFUL);
        fclose(l_file);
    }
    if (p_value != nullptr) *p_value = l_result;
    return l_result;
}

int CheckCRCFile(const char* p_path) {
    if (p_path == nullptr || p_path[0] == '\0') return -1;
    std::string l_text;
    const std::string l_side = std::string(p_path) + ".inf";
    if (host::internal::readKeyValue(l_side.c_str(), "CRC", l_text) != 0) return -1;
    unsigned long l_expected = 0;
    if (!ParseHex32(l_text, l_expected)) return -1;
    unsigned long l_computed = 0;
    FileCRC(p_path, &l_computed);
    if (l_computed == static_cast<unsigned long>(-1)) return -1;
    return l_computed == l_expected ? 0 : -1;
}
