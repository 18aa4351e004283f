// Writes a deterministic synthetic country archive: one top folder "040/"
// with three sub-folders and about 140 files of 4 KB to 20 MB, a mix of
// structured (compressible) and random content, in ustar format, gzip -6.
//
//   untgz_make_country <output .BIN> [megabytes=300] [seed=1]
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tar_writer.h"

namespace {

const int kFiles = 140;
const double kMinSize = 4 * 1024.0;
const double kMaxSize = 20 * 1024.0 * 1024.0;
const size_t kChunk = 64 * 1024;
// Share of random chunks; with the structured chunks below this gives about 2.3:1.
const unsigned kRandomPercent = 17;

struct Rng {
    unsigned long long x;
    unsigned long long next() {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
};

// Records of a road-network-like table: ids that grow, coordinates that walk,
// a few class codes and names from a small set.
void structured(Rng& rng, std::string& out, size_t n, unsigned& id, int& lat, int& lon) {
    static const char* const names[] = {"RUE ", "AVENUE ", "BD ", "CHEMIN ", "ROUTE ", "PLACE "};
    out.clear();
    char rec[64];
    while (out.size() < n) {
        id += 1 + static_cast<unsigned>(rng.next() % 3);
        lat += static_cast<int>(rng.next() % 61) - 30;
        lon += static_cast<int>(rng.next() % 61) - 30;
        int len = std::snprintf(rec, sizeof rec, "%08X%+07d%+07d%c%s%03u;", id, lat, lon,
                                static_cast<char>('A' + rng.next() % 6), names[rng.next() % 6],
                                static_cast<unsigned>(rng.next() % 1000));
        out.append(rec, static_cast<size_t>(len));
    }
    out.resize(n);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s <output .BIN> [megabytes=300] [seed=1]\n", argv[0]);
        return 2;
    }
    double target = (argc > 2 ? std::atof(argv[2]) : 300.0) * 1024 * 1024;
    Rng rng{argc > 3 ? std::strtoull(argv[3], nullptr, 10) * 7919 + 1 : 7920};

    // Log-uniform sizes, scaled to the wanted total.
    std::vector<double> sizes(kFiles);
    double sum = 0;
    for (double& s : sizes) {
        s = kMinSize * std::pow(kMaxSize / kMinSize, rng.unit());
        sum += s;
    }
    for (double& s : sizes) s = std::min(kMaxSize, std::max(kMinSize, s * target / sum));

    gzFile gz = gzopen(argv[1], "wb6");
    if (gz == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    gzbuffer(gz, 128 * 1024);
    auto put = [&](const std::string& bytes) {
        if (!bytes.empty() && gzwrite(gz, bytes.data(), static_cast<unsigned>(bytes.size())) <= 0) {
            std::fprintf(stderr, "write error\n");
            std::exit(1);
        }
    };
    const char* const folders[] = {"040/MAP/", "040/ROUTE/", "040/POI/"};
    tarw::Entry dir;
    dir.type = '5';
    for (const char* d : {"040/", folders[0], folders[1], folders[2]}) {
        dir.name = d;
        put(tarw::header(dir));
    }

    unsigned id = 0;
    int lat = 4500000, lon = 200000;
    std::string chunk;
    unsigned long long total = 0;
    for (int i = 0; i < kFiles; ++i) {
        unsigned long long size = static_cast<unsigned long long>(sizes[i]);
        char name[64];
        std::snprintf(name, sizeof name, "%sF%03d.DAT", folders[i % 3], i);
        tarw::Entry e;
        e.name = name;
        e.sizeField = tarw::octal(size, 11);
        put(tarw::header(e));
        for (unsigned long long done = 0; done < size;) {
            size_t n = static_cast<size_t>(std::min<unsigned long long>(kChunk, size - done));
            if (rng.next() % 100 < kRandomPercent) {
                chunk = tarw::noise(n, rng.next());
            } else {
                structured(rng, chunk, n, id, lat, lon);
            }
            put(chunk);
            done += n;
        }
        put(std::string((512 - size % 512) % 512, '\0'));
        total += size;
    }
    put(std::string(1024, '\0'));
    if (gzclose(gz) != Z_OK) {
        std::fprintf(stderr, "close error\n");
        return 1;
    }
    std::printf("files=%d bytes=%llu\n", kFiles, total);
    return 0;
}
