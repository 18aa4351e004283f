// Writes the extractor's fuzz seed corpus into the folder given as argument.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tar_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> seeds;  // name, tar
    const std::string text = "line of map data 0123456789\n";

    seeds.push_back({"basic", tarw::Writer()
                                  .dir("040/")
                                  .file("040/A.DAT", std::string(600, 'a'))
                                  .file("040/B.DAT", "")
                                  .finish()});
    tarw::Entry link = tarw::entry("040/L", "", '2');
    link.linkname = "A.DAT";
    seeds.push_back({"types", tarw::Writer()
                                  .add(link)
                                  .add(tarw::entry("040/X", "10 a=b\n", 'x'))
                                  .add(tarw::entry("040/F", "", '6'))
                                  .file("040\\W.DAT", text)
                                  .file("040//D.DAT", text)
                                  .finish()});
    tarw::Entry prefixed = tarw::entry("A.DAT", text);
    prefixed.prefix = "040/" + std::string(100, 'p');
    seeds.push_back({"prefix", tarw::Writer().add(prefixed).finish()});
    tarw::Entry gnu = tarw::entry("040/G.DAT", text);
    gnu.gnuMagic = true;
    tarw::Entry sig = tarw::entry("040/\xE9.DAT", text);
    sig.signedSum = true;
    seeds.push_back({"gnu_signed", tarw::Writer().add(gnu).add(sig).finish()});
    seeds.push_back({"escape", tarw::Writer()
                                   .file("../E.DAT", "x")
                                   .file("/abs/E.DAT", "x")
                                   .file("040/../../E.DAT", "x")
                                   .finish()});
    tarw::Entry big = tarw::entry("040/BIG.DAT", text);
    big.sizeField = "77777777777";
    seeds.push_back({"oversize", tarw::header(big) + tarw::padded(text)});
    std::string cut = tarw::Writer().file("040/A.DAT", std::string(1500, 'c')).bytes();
    seeds.push_back({"truncated", cut.substr(0, 512 + 700)});
    tarw::Writer many;
    for (int i = 0; i < 4; ++i)
        many.file("040/N" + std::to_string(i) + ".DAT", tarw::noise(20000 + 3000 * i, i));
    seeds.push_back({"blocks", many.finish()});

    int written = 0;
    for (const auto& s : seeds) {
        // Flag byte 1: the harness gzips the tar; 3: listing mode as well;
        // 0: the .BIN bytes given as they are (already gzipped here).
        const std::pair<char, std::string> forms[] = {
            {'\x01', s.second}, {'\x03', s.second}, {'\x00', tarw::gzip(s.second)}};
        for (const auto& f : forms) {
            std::string path = std::string(argv[1]) + "/" + s.first + "_" +
                               std::to_string(static_cast<int>(f.first));
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << f.first << f.second;
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            ++written;
        }
    }
    std::printf("%d seeds written to %s\n", written, argv[1]);
    return 0;
}
