// Extraction of tar.gz archives into a temporary unit: the medium "/bd0" and
// the card "/sdhc:0" are host folders of a fresh temporary tree.
#include <C_UNTGZ.h>

#include <gtest/gtest.h>
#include <platform/kernel.h>
#include <platform/sim.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "tar_writer.h"

namespace fs = std::filesystem;

namespace {

const char* const kArchive = "/bd0/DATA/MAPPE/040/040.BIN";
const char* const kDest = "/sdhc:0/MAPPE/TEMP_";

std::string pattern(size_t n, int seed = 0) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('A' + (i * 7 + seed) % 26);
    return s;
}

std::string readHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class UntgzTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { platform::setTickMicros(10); }

    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "untgz_XXXXXX").string();
        ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
        root_ = tmpl;
        fs::create_directories(root_ / "medium/DATA/MAPPE/040");
        fs::create_directories(root_ / "card/MAPPE");
        platform::DeviceOptions fat;
        fat.fat = true;
        ASSERT_TRUE(platform::addDevice("/bd0", (root_ / "medium").string(), fat));
        ASSERT_TRUE(platform::addDevice("/sdhc:0", (root_ / "card").string(), fat));
        platform::setConsoleSink([this](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
        });
        C_UNTGZ::m_block_hook = nullptr;
    }

    void TearDown() override {
        C_UNTGZ::m_block_hook = nullptr;
        platform::flushConsole();
        platform::setConsoleSink(nullptr);
        platform::removeAllDevices();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    void writeArchive(const std::string& bytes) {
        std::ofstream out(root_ / "medium/DATA/MAPPE/040/040.BIN", std::ios::binary);
        out << bytes;
    }

    int untar(int verbose = 0, int absPath = 1, const char* dest = kDest) {
        return C_UNTGZ::GetInstance()->Untar(kArchive, dest, verbose, absPath);
    }

    std::vector<std::string> console() {
        platform::flushConsole();
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

    std::string consoleText() {
        std::string all;
        for (const auto& l : console()) all += l;
        return all;
    }

    bool logged(const std::string& needle) {
        return consoleText().find(needle) != std::string::npos;
    }

    fs::path card(const std::string& rel) const { return root_ / "card" / rel; }

    // Everything on the unit that is neither the archive, its folders, the
    // card's MAPPE folder nor inside a "MAPPE/TEMP_" target.
    std::vector<std::string> strays() const {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(root_)) {
            std::string rel = fs::relative(e.path(), root_).generic_string();
            if (rel == "medium" || rel == "card" || rel == "card/MAPPE" ||
                rel.rfind("card/MAPPE/TEMP_", 0) == 0 || rel == "medium/DATA/MAPPE/040/040.BIN" ||
                rel == "medium/DATA" || rel == "medium/DATA/MAPPE" ||
                rel == "medium/DATA/MAPPE/040")
                continue;
            out.push_back(rel);
        }
        return out;
    }

    fs::path root_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// ---- A table of small archives ------------------------------------------------

struct ArchiveCase {
    const char* label;
    std::function<std::string()> archive;  // the .BIN bytes
    int expected;
    std::vector<std::pair<std::string, std::string>> files;  // card path -> content
    std::vector<std::string> dirs;
    std::vector<std::string> absent;
    std::vector<std::string> logs;
    std::vector<std::string> notLogs;
    const char* dest = kDest;
    int absPath = 1;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const ArchiveCase& c, std::ostream* os) { *os << c.label; }

std::string basicTar() {
    return tarw::Writer()
        .dir("040/")
        .file("040/A.DAT", pattern(600))
        .file("040/B.DAT", "")
        .finish();
}

std::vector<ArchiveCase> archiveCases() {
    std::vector<ArchiveCase> cases;
    cases.push_back(
        {"DirectoryAndFiles",
         [] { return tarw::gzip(basicTar()); },
         0,
         {{"MAPPE/TEMP_040/A.DAT", pattern(600)}, {"MAPPE/TEMP_040/B.DAT", ""}},
         {"MAPPE/TEMP_040"},
         {},
         {"(UntarBlock): /sdhc:0/MAPPE/TEMP_040/\n", "(UntarBlock): /sdhc:0/MAPPE/TEMP_040/A.DAT\n",
          "(Untar): End Untar, returned value : 0\n"}});
    cases.push_back(
        {"BackslashName",
         [] { return tarw::gzip(tarw::Writer().file("040\\A.DAT", pattern(600)).finish()); },
         0,
         {{"MAPPE/TEMP_040/A.DAT", pattern(600)}}});
    cases.push_back(
        {"DoubledSlashName",
         [] { return tarw::gzip(tarw::Writer().file("040//A.DAT", pattern(600)).finish()); },
         0,
         {{"MAPPE/TEMP_040/A.DAT", pattern(600)}}});
    cases.push_back({"SymbolicLinkSkipped",
                     [] {
                         tarw::Entry l = tarw::entry("040/L.DAT", "", '2');
                         l.linkname = "A.DAT";
                         return tarw::gzip(
                             tarw::Writer().add(l).file("040/A.DAT", pattern(10)).finish());
                     },
                     0,
                     {{"MAPPE/TEMP_040/A.DAT", pattern(10)}},
                     {},
                     {"MAPPE/TEMP_040/L.DAT"}});
    cases.push_back(
        {"ExtendedHeaderWrittenAsFile",
         [] {
             return tarw::gzip(
                 tarw::Writer().add(tarw::entry("040/X.HDR", "17 path=040/A.DAT\n", 'x')).finish());
         },
         0,
         {{"MAPPE/TEMP_040/X.HDR", "17 path=040/A.DAT\n"}}});
    cases.push_back({"SignedChecksumAccepted",
                     [] {
                         tarw::Entry e = tarw::entry("040/\xE9T\xE9.DAT", "abc");
                         e.signedSum = true;
                         return tarw::gzip(tarw::Writer().add(e).finish());
                     },
                     0,
                     {{"MAPPE/TEMP_040/\xE9T\xE9.DAT", "abc"}}});
    cases.push_back({"GarbageFirstBlock",
                     [] { return tarw::gzip(tarw::noise(4096, 1)); },
                     -1,
                     {},
                     {},
                     {},
                     {"(UntarBlock): /bd0/DATA/MAPPE/040/040.BIN: not a valid tar file\n"},
                     {"Garbage detected"}});
    cases.push_back({"BadChecksumFirstHeader",
                     [] {
                         std::string h = tarw::header(tarw::entry("040/A.DAT", "abc"));
                         h[148] = '1';
                         return tarw::gzip(h + tarw::padded("abc") + std::string(1024, '\0'));
                     },
                     -1,
                     {},
                     {},
                     {"MAPPE/TEMP_040/A.DAT"},
                     {"040.BIN: header has bad checksum for /sdhc:0/MAPPE/TEMP_040/A.DAT\n"},
                     {"Garbage detected"}});
    cases.push_back(
        {"DamagedLaterHeader",
         [] {
             std::string h = tarw::header(tarw::entry("040/C.DAT", "abc"));
             h[0] = 'Z';  // checksum no longer matches
             return tarw::gzip(tarw::Writer()
                                   .file("040/A.DAT", pattern(600))
                                   .file("040/B.DAT", pattern(100))
                                   .raw(h + tarw::padded("abc"))
                                   .finish());
         },
         -1,
         {{"MAPPE/TEMP_040/A.DAT", pattern(600)}, {"MAPPE/TEMP_040/B.DAT", pattern(100)}},
         {},
         {"MAPPE/TEMP_040/C.DAT"},
         {"WARNING: Garbage detected; preceding file may be damaged\n", "header has bad checksum",
          "[loop 1] write task error!!\n"}});
    cases.push_back({"NameWithoutTerminatingZero",
                     [] {
                         std::string h = tarw::header(tarw::entry(std::string(100, 'N'), "abc"));
                         return tarw::gzip(h + tarw::padded("abc") + std::string(1024, '\0'));
                     },
                     -1,
                     {},
                     {},
                     {},
                     {"not a valid tar file"}});
    cases.push_back({"EmptyGzipStream",
                     [] { return tarw::gzip(""); },
                     0,
                     {},
                     {},
                     {"MAPPE/TEMP_040"},
                     {"End Untar, returned value : 0"}});
    cases.push_back({"EmptyFile", [] { return std::string(); }, 0});
    cases.push_back(
        {"NotGzip", [] { return tarw::noise(3000, 7); }, -1, {}, {}, {}, {"not a valid tar file"}});
    cases.push_back({"TarWithinGzipIsText",
                     [] { return tarw::gzip(std::string(5000, 'q')); },
                     -1,
                     {},
                     {},
                     {},
                     {"not a valid tar file"}});
    cases.push_back({"SizeOverflowReadsToTheEnd",
                     [] {
                         tarw::Entry e = tarw::entry("040/HUGE.DAT", pattern(1000));
                         e.sizeField = "77777777777";
                         std::string tar = tarw::header(e) + pattern(1000);
                         return tarw::gzip(tar);
                     },
                     0,
                     {{"MAPPE/TEMP_040/HUGE.DAT", pattern(1000)}},
                     {},
                     {},
                     {"WARNING: Last file might be truncated!"}});
    cases.push_back({"EntryLargerThanArchive",
                     [] {
                         tarw::Entry e = tarw::entry("040/A.DAT", pattern(600));
                         e.sizeField = tarw::octal(5000, 11);
                         return tarw::gzip(tarw::header(e) + tarw::padded(pattern(600)));
                     },
                     0,
                     {{"MAPPE/TEMP_040/A.DAT", pattern(600) + std::string(424, '\0')}},
                     {},
                     {},
                     {"WARNING: Last file might be truncated!"}});
    cases.push_back({"GnuHeaderTimesAreNoPrefix",
                     [] {
                         tarw::Entry e = tarw::entry("040/A.DAT", "abc");
                         e.gnuMagic = true;
                         e.prefix = "14000000000";  // where old GNU headers keep atime
                         return tarw::gzip(tarw::Writer().add(e).finish());
                     },
                     0,
                     {{"MAPPE/TEMP_040/A.DAT", "abc"}}});
    cases.push_back({"RelativeTargetWithoutAbsPath",
                     [] { return tarw::gzip(basicTar()); },
                     0,
                     {},
                     {},
                     {"MAPPE/TEMP_040"},
                     {"(UntarBlock): sdhc:0/MAPPE/TEMP_040/A.DAT\n"}});
    cases.back().absPath = 0;

    // Mended faults.
    cases.push_back({"ParentStepRefused",
                     [] {
                         return tarw::gzip(tarw::Writer()
                                               .file("040/A.DAT", "ok")
                                               .file("040/../../EVIL.DAT", "evil")
                                               .file("040/B.DAT", "late")
                                               .finish());
                     },
                     -1,
                     {{"MAPPE/TEMP_040/A.DAT", "ok"}},
                     {},
                     {"EVIL.DAT", "MAPPE/EVIL.DAT", "MAPPE/TEMP_040/B.DAT"},
                     {"040.BIN: entry '040/../../EVIL.DAT' leaves the destination, refused\n"}});
    cases.push_back({"LeadingParentStepRefused",
                     [] { return tarw::gzip(tarw::Writer().file("../EVIL.DAT", "evil").finish()); },
                     -1,
                     {},
                     {},
                     {"MAPPE/TEMP_../EVIL.DAT", "MAPPE/EVIL.DAT"},
                     {"entry '../EVIL.DAT' leaves the destination, refused"}});
    cases.push_back(
        {"BackslashParentStepRefused",
         [] { return tarw::gzip(tarw::Writer().file("040\\..\\..\\EVIL.DAT", "x").finish()); },
         -1,
         {},
         {},
         {"MAPPE/EVIL.DAT"},
         {"leaves the destination, refused"}});
    {
        // The prefix is text: its "." and the name's "./" would join into "..".
        ArchiveCase c{"ParentStepAtThePrefixJoinRefused",
                      [] { return tarw::gzip(tarw::Writer().file("./EVIL.DAT", "evil").finish()); },
                      -1,
                      {},
                      {},
                      {"EVIL.DAT", "MAPPE/EVIL.DAT"},
                      {"entry './EVIL.DAT' leaves the destination, refused"}};
        c.dest = "/sdhc:0/MAPPE/TEMP_040/.";
        cases.push_back(c);
    }
    cases.push_back({"AbsoluteEntryStaysUnderPrefix",
                     [] { return tarw::gzip(tarw::Writer().file("/040/A.DAT", "abs").finish()); },
                     0,
                     {{"MAPPE/TEMP_040/A.DAT", "abs"}},
                     {},
                     {"MAPPE/TEMP_/040/A.DAT"}});
    {
        ArchiveCase c{
            "AbsoluteEntryWithEmptyDestination",
            [] { return tarw::gzip(tarw::Writer().file("/sdhc:0/EVIL.DAT", "evil").finish()); },
            0,
            {},
            {},
            {"EVIL.DAT"},
            {"(UntarBlock): sdhc:0/EVIL.DAT\n"}};
        c.dest = "";
        cases.push_back(c);
    }
    cases.push_back({"OverlongPathRefused",
                     [] {
                         tarw::Entry e = tarw::entry(std::string(90, 'n'), "long");
                         e.prefix = "040/" + std::string(140, 'p') + "/" + std::string(5, 'q');
                         return tarw::gzip(tarw::Writer().add(e).finish());
                     },
                     -1,
                     {},
                     {},
                     {"MAPPE/TEMP_040"},
                     {"gives a path too long, refused"}});
    cases.push_back({"PrefixFieldHonoured",
                     [] {
                         tarw::Entry e = tarw::entry("A.DAT", pattern(700));
                         e.prefix = "040/" + std::string(120, 'S');
                         return tarw::gzip(tarw::Writer().add(e).finish());
                     },
                     0,
                     {{"MAPPE/TEMP_040/" + std::string(120, 'S') + "/A.DAT", pattern(700)}},
                     {},
                     {"MAPPE/TEMP_/A.DAT", "MAPPE/TEMP_A.DAT"}});
    cases.push_back({"TruncatedTarKeepsOnlyRealBytes",
                     [] {
                         std::string tar = tarw::Writer().file("040/A.DAT", pattern(600)).bytes();
                         return tarw::gzip(tar.substr(0, 512 + 300));
                     },
                     0,
                     {{"MAPPE/TEMP_040/A.DAT", pattern(300)}},
                     {},
                     {},
                     {"WARNING: Last file might be truncated!"}});
    cases.push_back({"TruncatedTarHeaderIsZeroFilled",
                     [] {
                         std::string tar = tarw::Writer().file("040/A.DAT", "abc").bytes();
                         std::string next = tarw::header(tarw::entry("040/B.DAT", "x"));
                         return tarw::gzip(tar + next.substr(0, 100));
                     },
                     -1,
                     {{"MAPPE/TEMP_040/A.DAT", "abc"}},
                     {},
                     {"MAPPE/TEMP_040/B.DAT"},
                     {"Garbage detected"}});
    cases.push_back({"TruncatedGzipStream",
                     [] {
                         std::string gz = tarw::gzip(
                             tarw::Writer().file("040/A.DAT", tarw::noise(200000, 3)).finish());
                         return gz.substr(0, gz.size() - 20);
                     },
                     -1,
                     {},
                     {},
                     {},
                     {"gzread error", "unexpected end of file"},
                     {"End Untar, returned value : 0"}});
    cases.push_back({"GzipTrailerMismatch",
                     [] {
                         std::string gz = tarw::gzip(basicTar());
                         gz[gz.size() - 6] ^= 0x55;  // crc
                         return gz;
                     },
                     -1,
                     {},
                     {},
                     {},
                     {"gzread error", "incorrect data check"}});
    return cases;
}

class ArchiveTable : public UntgzTest, public ::testing::WithParamInterface<ArchiveCase> {};

TEST_P(ArchiveTable, Extracts) {
    const ArchiveCase& c = GetParam();
    writeArchive(c.archive());
    EXPECT_EQ(untar(0, c.absPath, c.dest), c.expected);
    for (const auto& f : c.files) {
        ASSERT_TRUE(fs::is_regular_file(card(f.first))) << f.first;
        EXPECT_EQ(readHost(card(f.first)), f.second) << f.first;
    }
    for (const auto& d : c.dirs) EXPECT_TRUE(fs::is_directory(card(d))) << d;
    for (const auto& a : c.absent) EXPECT_FALSE(fs::exists(card(a))) << a;
    std::string text = consoleText();
    for (const auto& l : c.logs) EXPECT_NE(text.find(l), std::string::npos) << l << "\n" << text;
    for (const auto& l : c.notLogs) EXPECT_EQ(text.find(l), std::string::npos) << l;
    EXPECT_EQ(strays(), std::vector<std::string>{});
    unsigned long long bytes = 1;
    EXPECT_EQ(C_UNTGZ::GetInstance()->GetProgression(bytes), -1);
    EXPECT_EQ(bytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(Untgz, ArchiveTable, ::testing::ValuesIn(archiveCases()),
                         [](const ::testing::TestParamInfo<ArchiveCase>& info) {
                             return std::string(info.param.label);
                         });

// ---- Parameters and listing ---------------------------------------------------

TEST_F(UntgzTest, ParameterErrors) {
    C_UNTGZ* u = C_UNTGZ::GetInstance();
    EXPECT_EQ(u->Untar(nullptr, kDest, 0, 1), -1);
    EXPECT_EQ(u->Untar(kArchive, nullptr, 0, 1), -1);
    EXPECT_EQ(u->Untar(kArchive, kDest, 2, 1), -1);
    EXPECT_EQ(u->Untar(kArchive, kDest, 0, -1), -1);
    std::string text = consoleText();
    EXPECT_NE(text.find("(Untar): parameters error (m_tar_file = '"), std::string::npos);
    EXPECT_NE(text.find("(Untar): End Untar, returned value : -1\n"), std::string::npos);
    EXPECT_NE(text.find("(Untar): parameter error (p_verbose == 2)\n"), std::string::npos);
    EXPECT_NE(text.find("(Untar): parameter error (p_abs_path == -1)\n"), std::string::npos);
    // The two null-path calls end with "End Untar"; the flag errors do not.
    size_t ends = 0;
    for (const auto& l : console()) ends += l.find("End Untar") != std::string::npos;
    EXPECT_EQ(ends, 2u);
}

TEST_F(UntgzTest, OverlongDestinationRefusedNotCut) {
    writeArchive(tarw::gzip(basicTar()));
    std::string dest = "/sdhc:0/MAPPE/" + std::string(250, 'D');
    EXPECT_EQ(untar(0, 1, dest.c_str()), -1);
    EXPECT_TRUE(logged("parameter error (path too long"));
    EXPECT_EQ(strays(), std::vector<std::string>{});
}

TEST_F(UntgzTest, MissingArchive) {
    EXPECT_EQ(untar(), -1);
    EXPECT_TRUE(
        logged("(DoUnArchive): gzopen (/bd0/DATA/MAPPE/040/040.BIN) : ERROR (errno = 0x2) \n"));
}

TEST_F(UntgzTest, ListingMode) {
    writeArchive(tarw::gzip(tarw::Writer()
                                .dir("040/")
                                .file("040/A.DAT", pattern(600))
                                .file("040/B.DAT", "")
                                .file("040/C.DAT", "c")
                                .add([] {
                                    tarw::Entry l = tarw::entry("040/L", "", '2');
                                    return l;
                                }())
                                .finish()));
    EXPECT_EQ(untar(1), 0);
    std::vector<std::string> lines = console();
    auto has = [&](const std::string& s) {
        for (const auto& l : lines)
            if (l.find(s) != std::string::npos && l.find(s) + s.size() == l.size()) return true;
        return false;
    };
    EXPECT_TRUE(has("(UntarBlock): d /sdhc:0/MAPPE/TEMP_040/\n"));
    EXPECT_TRUE(has("(UntarBlock):  created\n"));
    EXPECT_TRUE(has("(UntarBlock): - /sdhc:0/MAPPE/TEMP_040/A.DAT\n"));
    EXPECT_TRUE(has("(UntarBlock): (600 bytes, 2 tape blocks)\n"));
    EXPECT_TRUE(has("(UntarBlock): (0 bytes, 0 tape blocks)\n"));
    EXPECT_TRUE(has("(UntarBlock): (1 byte, 1 tape block)\n"));
    EXPECT_TRUE(has("(UntarBlock): l /sdhc:0/MAPPE/TEMP_040/L\n"));
    EXPECT_TRUE(has("(UntarBlock): ignored\n"));
    EXPECT_EQ(readHost(card("MAPPE/TEMP_040/C.DAT")), "c");
}

TEST_F(UntgzTest, ExistingFolderIsIgnoredInListing) {
    fs::create_directories(card("MAPPE/TEMP_040"));
    writeArchive(tarw::gzip(tarw::Writer().dir("040/").finish()));
    EXPECT_EQ(untar(1), 0);
    EXPECT_TRUE(logged("(UntarBlock):  ignored\n"));
}

TEST_F(UntgzTest, LogsOfOneExtraction) {
    writeArchive(tarw::gzip(basicTar()));
    EXPECT_EQ(untar(), 0);
    std::string text = consoleText();
    for (const char* l :
         {"(Untar Version 'KOVA_PLUS_1.06'): Begin Untar '/bd0/DATA/MAPPE/040/040.BIN' to "
          "'/sdhc:0/MAPPE/TEMP_'\n",
          "(Untar): call DoUnArchive()\n", "(Untar): End Untar, returned value : 0\n"})
        EXPECT_NE(text.find(l), std::string::npos) << l;
    EXPECT_EQ(text.find("m_sem_write is NULL"), std::string::npos);
    // The writer recorded after a normal end is 0, no task: one delay, no more.
    size_t delays = 0;
    for (const auto& l : console())
        delays += l.find("(Untar): taskDelay(50)\n") != std::string::npos;
    EXPECT_EQ(delays, 1u);
}

TEST_F(UntgzTest, ProgressionOutsideExtraction) {
    unsigned long long bytes = 77;
    EXPECT_EQ(C_UNTGZ::GetInstance()->GetProgression(bytes), -1);
    EXPECT_EQ(bytes, 0u);
}

TEST_F(UntgzTest, ExportedFunction) {
    writeArchive(tarw::gzip(basicTar()));
    EXPECT_EQ(::Untar(kArchive, kDest, 0, 1), 0);
    EXPECT_TRUE(logged("(extern 'C' - Untar '/bd0/DATA/MAPPE/040/040.BIN'): Done \n"));
    EXPECT_TRUE(logged("->Untar ('/bd0/DATA/MAPPE/040/040.BIN', '/sdhc:0/MAPPE/TEMP_')\n"));
    EXPECT_EQ(::Untar("/bd0/NONE.BIN", kDest, 0, 1), -1);
    EXPECT_TRUE(logged("(extern 'C' - Untar '/bd0/NONE.BIN'): ERROR \n"));
}

TEST_F(UntgzTest, ManyBlocksExtractIntact) {
    // Several 64 KiB hand-offs, entries straddling block boundaries.
    tarw::Writer w;
    std::vector<std::string> data;
    for (int i = 0; i < 12; ++i) {
        data.push_back(i % 2 ? tarw::noise(40000 + i * 7001, i) : pattern(70000 + i * 333, i));
        w.file("040/F" + std::to_string(i) + ".DAT", data.back());
    }
    writeArchive(tarw::gzip(w.finish()));
    EXPECT_EQ(untar(), 0);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(readHost(card("MAPPE/TEMP_040/F" + std::to_string(i) + ".DAT")), data[i]) << i;
}

TEST_F(UntgzTest, ConcatenatedMembersAndTrailingBytes) {
    std::string tar = basicTar();
    std::string gz = tarw::gzip(tar.substr(0, 1024)) + tarw::gzip(tar.substr(1024)) + "junk";
    writeArchive(gz);
    EXPECT_EQ(untar(), 0);
    EXPECT_EQ(readHost(card("MAPPE/TEMP_040/A.DAT")), pattern(600));
}

TEST_F(UntgzTest, FileThatCannotBeCreatedHasItsDataSkipped) {
    // A plain file where the folder should be: A.DAT cannot be created, and
    // its 600 bytes must be consumed as data, not read as headers.
    fs::create_directories(card("MAPPE"));
    std::ofstream(card("MAPPE/TEMP_BAD")) << "x";
    writeArchive(tarw::gzip(
        tarw::Writer().file("BAD/A.DAT", pattern(600)).file("040/B.DAT", pattern(100)).finish()));
    EXPECT_EQ(untar(), 0);
    EXPECT_TRUE(logged("(CreatePath): fopen (/sdhc:0/MAPPE/TEMP_BAD/A.DAT) : ERROR (errno = 0x"))
        << consoleText();
    EXPECT_EQ(readHost(card("MAPPE/TEMP_040/B.DAT")), pattern(100));
    EXPECT_FALSE(logged("Garbage detected"));
}

TEST_F(UntgzTest, WriteFailureIsReported) {
    ASSERT_TRUE(platform::setDeviceCapacity("/sdhc:0", 200 * 1024));
    writeArchive(tarw::gzip(tarw::Writer().file("040/BIG.DAT", pattern(1 << 20)).finish()));
    EXPECT_EQ(untar(), -1);
    EXPECT_TRUE(logged("fwrite (/sdhc:0/MAPPE/TEMP_040/BIG.DAT) : ERROR (errno = 0x1C)"))
        << consoleText();
    EXPECT_TRUE(logged("write task error!!"));
}

// ---- Work done from other tasks during an extraction -----------------------

struct TaskCall {
    std::function<void()> body;
    SEM_ID done = nullptr;
};

int runTaskCall(TaskCall* call) {
    call->body();
    semGive(call->done);
    return 0;
}

// Runs body in a task of its own and waits for it.
void inOtherTask(std::function<void()> body) {
    TaskCall call;
    call.body = std::move(body);
    call.done = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    ASSERT_NE(call.done, nullptr);
    int tid = taskSpawn("tUntgzTest", 100, VX_FP_TASK, 20000, (FUNCPTR)runTaskCall,
                        (_Vx_usr_arg_t)&call, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_NE(tid, ERROR);
    ASSERT_EQ(semTake(call.done, WAIT_FOREVER), OK);
    while (taskIdVerify(tid) == OK) taskDelay(0);
    semDelete(call.done);
}

std::function<void(int)> g_hook;
void hookTrampoline(int loop) { g_hook(loop); }

class UntgzHookTest : public UntgzTest {
  protected:
    void TearDown() override {
        C_UNTGZ::m_block_hook = nullptr;
        g_hook = nullptr;
        UntgzTest::TearDown();
    }
    void onBlock(std::function<void(int)> f) {
        g_hook = std::move(f);
        C_UNTGZ::m_block_hook = hookTrampoline;
    }
    // One 1 MiB file: many 64 KiB blocks, still inside the file after the first.
    std::string big_ = pattern(1 << 20, 5);
};

TEST_F(UntgzHookTest, CancelFromAnotherTaskStopsAtTheBlock) {
    writeArchive(tarw::gzip(tarw::Writer().file("040/BIG.DAT", big_).finish()));
    int cancelResult = 1;
    unsigned long long seen = 0;
    onBlock([&](int loop) {
        if (loop != 2) return;
        inOtherTask([&] {
            C_UNTGZ::GetInstance()->GetProgression(seen);
            cancelResult = C_UNTGZ::GetInstance()->CancelUntar();
        });
    });
    EXPECT_EQ(untar(), -1);
    EXPECT_EQ(cancelResult, 0);
    // Two blocks: one header and 255 data blocks.
    EXPECT_EQ(seen, 2u * 65536 - 512);
    std::string text = consoleText();
    EXPECT_NE(text.find("(DoUnArchive): WARNING: Untar stopped by !\n"), std::string::npos);
    EXPECT_NE(text.find("(DoUnArchive): WARNING: Last file might be truncated!\n"),
              std::string::npos);
    EXPECT_NE(text.find("(Untar): End Untar, returned value : -1\n"), std::string::npos);
    std::string partial = readHost(card("MAPPE/TEMP_040/BIG.DAT"));
    EXPECT_EQ(partial, big_.substr(0, 2 * 65536 - 512));
}

TEST_F(UntgzHookTest, SecondExtractionWhileRunningIsRefused) {
    writeArchive(tarw::gzip(tarw::Writer().file("040/BIG.DAT", big_).finish()));
    int second = 1;
    int progression = 1;
    unsigned long long bytes = 0;
    onBlock([&](int loop) {
        if (loop != 1) return;
        inOtherTask([&] {
            second = C_UNTGZ::GetInstance()->Untar(kArchive, "/sdhc:0/MAPPE/OTHER_", 0, 1);
            progression = C_UNTGZ::GetInstance()->GetProgression(bytes);
        });
    });
    EXPECT_EQ(untar(), 0);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(progression, 0);
    EXPECT_EQ(bytes, 65536u - 512);
    EXPECT_TRUE(logged("(Untar): Untar already in use!!\n"));
    EXPECT_EQ(readHost(card("MAPPE/TEMP_040/BIG.DAT")), big_);
    EXPECT_FALSE(fs::exists(card("MAPPE/OTHER_040")));
}

TEST_F(UntgzHookTest, MediumRemovedDuringExtraction) {
    // Incompressible data, so that the reader must go back to the medium.
    std::string noisy = tarw::noise(3 << 20, 9);
    writeArchive(tarw::gzip(tarw::Writer().file("040/BIG.DAT", noisy).finish()));
    onBlock([&](int loop) {
        if (loop == 1) platform::setDevicePresent("/bd0", false);
    });
    EXPECT_EQ(untar(), -1);
    platform::setDevicePresent("/bd0", true);
    EXPECT_TRUE(logged("gzread error (errno = 0x13)"));
    EXPECT_TRUE(logged("WARNING: Last file might be truncated!"));
    std::string partial = readHost(card("MAPPE/TEMP_040/BIG.DAT"));
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), noisy.size());
    EXPECT_EQ(partial, noisy.substr(0, partial.size()));
    // Every block handed to a writer was finished before the file was closed.
    EXPECT_EQ((partial.size() + 512) % 65536, 0u) << partial.size();
}

TEST_F(UntgzHookTest, ReadErrorWaitsForTheWriter) {
    // Many small incompressible files: each block keeps its writer busy with
    // dozens of creations while the reader meets the removed medium.
    tarw::Writer w;
    std::vector<std::string> data;
    for (int i = 0; i < 3000; ++i) {
        data.push_back(tarw::noise(1000, 100 + i));
        w.file("040/F" + std::to_string(i) + ".DAT", data.back());
    }
    writeArchive(tarw::gzip(w.finish()));
    onBlock([&](int loop) {
        if (loop == 1) platform::setDevicePresent("/bd0", false);
    });
    EXPECT_EQ(untar(), -1);
    platform::setDevicePresent("/bd0", true);
    EXPECT_TRUE(logged("gzread error (errno = 0x13)"));
    // Files come complete in archive order; only the last one reached may be cut.
    int complete = 0, partial = 0;
    for (int i = 0; i < 3000; ++i) {
        fs::path p = card("MAPPE/TEMP_040/F" + std::to_string(i) + ".DAT");
        if (!fs::exists(p)) break;
        std::string got = readHost(p);
        if (got == data[i]) {
            EXPECT_EQ(partial, 0) << i;
            ++complete;
        } else {
            EXPECT_EQ(got, data[i].substr(0, got.size())) << i;
            ++partial;
        }
    }
    EXPECT_GT(complete, 0);
    EXPECT_LE(partial, 1);
    EXPECT_LT(complete, 3000);
}

TEST_F(UntgzHookTest, ProgressionCountsTheBytesOfTheFiles) {
    // Zero blocks after the entries make a second 64 KiB block, so the count
    // can be read between the two.
    writeArchive(tarw::gzip(basicTar() + std::string(1 << 17, '\0')));
    int result = 1;
    unsigned long long bytes = 0;
    onBlock([&](int loop) {
        if (loop == 1) inOtherTask([&] { result = C_UNTGZ::GetInstance()->GetProgression(bytes); });
    });
    EXPECT_EQ(untar(), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(bytes, 600u);
    EXPECT_EQ(readHost(card("MAPPE/TEMP_040/A.DAT")), pattern(600));
    EXPECT_TRUE(fs::is_regular_file(card("MAPPE/TEMP_040/B.DAT")));
}

TEST_F(UntgzHookTest, OneWriterTaskPerBlock) {
    writeArchive(tarw::gzip(tarw::Writer().file("040/BIG.DAT", big_).finish()));
    uint64_t before = platform::tasksSpawned();
    EXPECT_EQ(untar(), 0);
    // 1 MiB + header + two zero blocks: 17 blocks, the last one partly filled.
    EXPECT_EQ(platform::tasksSpawned() - before, 17u);
}

TEST_F(UntgzHookTest, HookRunsBetweenBlocksNotAfterTheLast) {
    writeArchive(tarw::gzip(tarw::Writer().file("040/BIG.DAT", big_).finish()));
    int calls = 0;
    onBlock([&](int) { ++calls; });
    EXPECT_EQ(untar(), 0);
    // 1 MiB + header + two zero blocks, in 64 KiB pieces; no hook on the last one.
    EXPECT_EQ(calls, 16);
}

}  // namespace
