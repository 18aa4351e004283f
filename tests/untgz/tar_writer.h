// Small ustar writer and gzip helpers for building archives in tests, the
// fuzz seed generator and the benchmark tools.
#ifndef TESTS_UNTGZ_TAR_WRITER_H
#define TESTS_UNTGZ_TAR_WRITER_H

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace tarw {

struct Entry {
    std::string name;
    std::string data;
    char type = '0';
    std::string prefix;
    std::string linkname;
    bool signedSum = false;  // historic checksum over signed bytes
    bool gnuMagic = false;   // "ustar  " instead of POSIX "ustar\0" "00"
    std::string sizeField;   // raw size field instead of the data's length
};

// An entry of the given name, data and type, everything else as a plain file.
inline Entry entry(const std::string& name, const std::string& data, char type = '0') {
    Entry e;
    e.name = name;
    e.data = data;
    e.type = type;
    return e;
}

inline void putField(std::string& h, size_t off, size_t len, const std::string& v) {
    h.replace(off, std::min(len, v.size()), v.substr(0, len));
}

inline std::string octal(unsigned long long v, int digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llo", digits, v);
    return buf;
}

// Recomputes the checksum field of a 512-byte header.
inline void setChecksum(std::string& h, bool signedBytes = false) {
    h.replace(148, 8, 8, ' ');
    long sum = 0;
    for (unsigned char c : h) sum += signedBytes ? static_cast<signed char>(c) : c;
    std::string field = octal(static_cast<unsigned long long>(sum) & 0777777, 6);
    field.push_back('\0');
    field.push_back(' ');
    h.replace(148, 8, field);
}

inline std::string header(const Entry& e) {
    std::string h(512, '\0');
    putField(h, 0, 100, e.name);
    putField(h, 100, 8, "0000644");
    putField(h, 108, 8, "0000000");
    putField(h, 116, 8, "0000000");
    putField(h, 124, 12, e.sizeField.empty() ? octal(e.data.size(), 11) : e.sizeField);
    putField(h, 136, 12, "14000000000");
    h[156] = e.type;
    putField(h, 157, 100, e.linkname);
    if (e.gnuMagic) {
        h.replace(257, 8, std::string("ustar  \0", 8));
    } else {
        h.replace(257, 8,
                  std::string("ustar\0"
                              "00",
                              8));
    }
    putField(h, 265, 32, "root");
    putField(h, 297, 32, "root");
    putField(h, 345, 155, e.prefix);
    setChecksum(h, e.signedSum);
    return h;
}

inline std::string padded(const std::string& data) {
    std::string out = data;
    out.append((512 - data.size() % 512) % 512, '\0');
    return out;
}

class Writer {
  public:
    Writer& add(const Entry& e) {
        out_ += header(e);
        out_ += padded(e.data);
        return *this;
    }
    Writer& dir(const std::string& name) { return add(entry(name, "", '5')); }
    Writer& file(const std::string& name, const std::string& data) {
        return add(entry(name, data));
    }
    Writer& raw(const std::string& bytes) {
        out_ += bytes;
        return *this;
    }
    // The archive with its two closing zero blocks.
    std::string finish() const { return out_ + std::string(1024, '\0'); }
    const std::string& bytes() const { return out_; }

  private:
    std::string out_;
};

inline std::string gzip(const std::string& data, int level = 6) {
    z_stream s{};
    if (deflateInit2(&s, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&s, data.size()) + 64, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(&out[0]);
    s.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&s, Z_FINISH);
    deflateEnd(&s);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(s.total_out);
    return out;
}

// Deterministic pseudo-random bytes (xorshift), incompressible for gzip.
inline std::string noise(size_t n, unsigned long long seed) {
    std::string out(n, '\0');
    unsigned long long x = seed * 2654435761ULL + 88172645463325252ULL;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        out[i] = static_cast<char>(x >> 24);
    }
    return out;
}

}  // namespace tarw

#endif  // TESTS_UNTGZ_TAR_WRITER_H
