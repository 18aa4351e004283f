// The floor for any extractor: decompress the archive with gzread in 64 KiB
// pieces and throw the bytes away.
//
//   untgz_inflate_limit <archive>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <archive>\n", argv[0]);
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    gzFile gz = gzopen(argv[1], "rb");
    if (gz == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    gzbuffer(gz, 512 * 1024);  // the extractor reads its input in pieces of this size too
    std::vector<unsigned char> buffer(64 * 1024);
    long long total = 0;
    int n;
    while ((n = gzread(gz, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) total += n;
    int closed = gzclose(gz);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("bytes=%lld seconds=%.4f\n", total, seconds);
    return (n == 0 && closed == Z_OK) ? 0 : 1;
}
