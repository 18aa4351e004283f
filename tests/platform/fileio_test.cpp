#include <platform/filecmd.h>
#include <platform/fileio.h>
#include <platform/iosys.h>
#include <platform/kernel.h>
#include <platform/sim.h>
#include <platform/symtab.h>

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace fsys = std::filesystem;

namespace {

// A small unit: the medium and the card are FAT volumes, the system ones are not.
class Unit : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/unit_fs_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        for (const char* d : {"bd0", "sd", "sys", "systmp"}) fsys::create_directory(root / d);
        platform::DeviceOptions fat;
        fat.fat = true;
        ASSERT_TRUE(platform::addDevice("/bd0", root / "bd0", fat));
        ASSERT_TRUE(platform::addDevice("/sdhc:0", root / "sd", fat));
        ASSERT_TRUE(platform::addDevice("/SYSTEM", root / "sys"));
        ASSERT_TRUE(platform::addDevice("/SYSTEM_TMP_DATA", root / "systmp"));
    }
    void TearDown() override {
        platform::removeAllDevices();
        std::error_code ec;
        fsys::permissions(root, fsys::perms::all, ec);
        fsys::remove_all(root, ec);
    }

    void put(const fsys::path& rel, const std::string& text) {
        fsys::create_directories((root / rel).parent_path());
        std::ofstream(root / rel, std::ios::binary) << text;
    }
    bool has(const fsys::path& rel) { return fsys::exists(root / rel); }
    std::string get(const fsys::path& rel) {
        std::ifstream in(root / rel, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fsys::path root;
};

TEST_F(Unit, PathsResolveOnTheLongestDevice) {
    struct Case {
        const char* unit;
        std::string host;
    };
    const Case cases[] = {
        {"/SYSTEM_TMP_DATA/spy/UPG/log.txt", "systmp/spy/UPG/log.txt"},
        {"/SYSTEM/Data_base/media.inf", "sys/Data_base/media.inf"},
        {"//bd0///DATA//MAPPE/", "bd0/DATA/MAPPE"},
        {"/sdhc:0", "sd"},
        {"/SYSTEMX/a", ""},
        {"/nowhere/a", ""},
        {"bd0/a", ""},
    };
    for (const Case& c : cases) {
        std::string expected = c.host.empty() ? "" : (root / c.host).string();
        EXPECT_EQ(expected, platform::hostPath(c.unit)) << c.unit;
    }
    errno = 0;
    EXPECT_EQ(-1, fsOpen("/nowhere/a", O_RDONLY, 0));
    EXPECT_EQ(ENOENT, errno);
    // A path never climbs out of its device.
    put("secret", "x");
    EXPECT_EQ(-1, fsOpen("/bd0/../secret", O_RDONLY, 0));
}

TEST_F(Unit, FatVolumesFindNamesInAnyCaseAndNewNamesKeepTheirCase) {
    put("bd0/DATA/MAPPE/DESCRI.DAT", "descriptor");
    put("sys/Data_base/media.inf", "VER=6");
    FILE* f = fsFopen("/bd0/data/Mappe/descri.dat", "r");
    ASSERT_NE(nullptr, f);
    char line[32] = {};
    ASSERT_NE(nullptr, fgets(line, sizeof line, f));
    EXPECT_STREQ("descriptor", line);
    fclose(f);
    errno = 0;
    EXPECT_EQ(nullptr, fsFopen("/SYSTEM/data_base/MEDIA.INF", "r"));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_NE(nullptr, f = fsFopen("/SYSTEM/Data_base/media.inf", "r"));
    fclose(f);

    ASSERT_NE(nullptr, f = fsFopen("/bd0/data/mappe/NewFile.Txt", "w"));
    fclose(f);
    EXPECT_TRUE(has("bd0/DATA/MAPPE/NewFile.Txt"));
    EXPECT_EQ(0, fsMkdir("/sdhc:0/MAPPE", 0));
    EXPECT_EQ(0, fsMkdir("/sdhc:0/mappe/TEMP_001", 0));
    EXPECT_TRUE(fsys::is_directory(root / "sd/MAPPE/TEMP_001"));
}

TEST_F(Unit, StreamsAndDescriptorsReadWriteSeekAndReportTheBlockSize) {
    ASSERT_TRUE(platform::setDeviceBlockSize("/sdhc:0", 32768));
    FILE* f = fsFopen("/sdhc:0/data.bin", "wb+");
    ASSERT_NE(nullptr, f);
    std::string block(512, 'a');
    for (int i = 0; i < 100; ++i) ASSERT_EQ(1u, fwrite(block.data(), block.size(), 1, f));
    ASSERT_EQ(0, fseek(f, 0, SEEK_END));
    EXPECT_EQ(51200, ftell(f));
    ASSERT_EQ(0, fseek(f, 10, SEEK_SET));
    char c = 0;
    EXPECT_EQ(1u, fread(&c, 1, 1, f));
    EXPECT_EQ('a', c);
    ASSERT_EQ(0, fclose(f));
    EXPECT_EQ(51200u, fsys::file_size(root / "sd/data.bin"));

    int fd = fsOpen("/sdhc:0/data.bin", O_RDWR, 0);
    ASSERT_GE(fd, 0);
    struct stat st;
    ASSERT_EQ(0, fsFstat(fd, &st));
    EXPECT_EQ(32768, st.st_blksize);
    EXPECT_EQ(51200, st.st_size);
    EXPECT_EQ(51190, fsLseek(fd, -10, SEEK_END));
    EXPECT_EQ(3, fsWrite(fd, "xyz", 3));
    EXPECT_EQ(0, fsClose(fd));
    ASSERT_EQ(0, fsStat("/sdhc:0/DATA.BIN", &st));
    EXPECT_EQ(32768, st.st_blksize);
    struct unit_statfs sf;
    ASSERT_EQ(0, fsStatfs("/sdhc:0/", &sf));
    EXPECT_EQ(32768, sf.f_bsize);
    // The device itself opens read-only and gives its block size.
    fd = fsOpen("/sdhc:0", O_RDONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, fsFstat(fd, &st));
    EXPECT_EQ(32768, st.st_blksize);
    EXPECT_EQ(0, fsClose(fd));

    // Appends go to the end.
    ASSERT_NE(nullptr, f = fsFopen("/sdhc:0/data.bin", "a"));
    fputs("END", f);
    fclose(f);
    EXPECT_EQ("END", get("sd/data.bin").substr(51200));
}

TEST_F(Unit, XdeleteRemovesExactlyWhatMatches) {
    for (const char* p :
         {"sd/MAPPE/TEMP_001/a.bin", "sd/MAPPE/TEMP_001/sub/b.bin", "sd/MAPPE/TEMP_002",
          "sd/MAPPE/temp_003/c", "sd/MAPPE/001/keep", "sd/MAPPE/TMP_004", "sd/MAPPE/A1.txt",
          "sd/MAPPE/A12.txt", "sys/F1", "sys/f2"})
        put(p, "data");
    EXPECT_EQ(0, xdelete("/sdhc:0/MAPPE/TEMP_*"));
    EXPECT_FALSE(has("sd/MAPPE/TEMP_001"));
    EXPECT_FALSE(has("sd/MAPPE/TEMP_002"));
    EXPECT_FALSE(has("sd/MAPPE/temp_003"));
    EXPECT_TRUE(has("sd/MAPPE/001/keep"));
    EXPECT_TRUE(has("sd/MAPPE/TMP_004"));
    EXPECT_EQ(0, xdelete("/sdhc:0/mappe/a?.TXT"));
    EXPECT_FALSE(has("sd/MAPPE/A1.txt"));
    EXPECT_TRUE(has("sd/MAPPE/A12.txt"));
    // Case counts on a volume that is not FAT.
    EXPECT_EQ(0, xdelete("/SYSTEM/f*"));
    EXPECT_TRUE(has("sys/F1"));
    EXPECT_FALSE(has("sys/f2"));
    // Nothing matching: fine for a wildcard, ENOENT for a plain name.
    EXPECT_EQ(0, xdelete("/sdhc:0/MAPPE/ZZ*"));
    errno = 0;
    EXPECT_EQ(-1, xdelete("/sdhc:0/MAPPE/ZZ"));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_EQ(0, xdelete("/sdhc:0/MAPPE/001"));
    EXPECT_FALSE(has("sd/MAPPE/001"));
    // The volume itself stays.
    EXPECT_EQ(-1, xdelete("/sdhc:0/"));
    EXPECT_TRUE(has("sd"));
}

TEST_F(Unit, ReadOnlyVolumeRefusesEveryChange) {
    put("sd/MAPPE/001/file", "old");
    put("bd0/src", "new");
    ASSERT_EQ(0, dosFsVolumeReadOnlySet("/sdhc:0/", 1));
    EXPECT_TRUE(platform::isDeviceReadOnly("/sdhc:0"));
    const std::vector<std::pair<const char*, std::function<int()>>> writes = {
        {"fopen w", [] { return fsFopen("/sdhc:0/new", "w") ? 0 : -1; }},
        {"fopen r+", [] { return fsFopen("/sdhc:0/MAPPE/001/file", "r+") ? 0 : -1; }},
        {"creat", [] { return fsCreat("/sdhc:0/new", 0); }},
        {"mkdir", [] { return fsMkdir("/sdhc:0/dir", 0); }},
        {"rename", [] { return fsRename("/sdhc:0/MAPPE/001", "/sdhc:0/MAPPE/002"); }},
        {"unlink", [] { return fsUnlink("/sdhc:0/MAPPE/001/file"); }},
        {"rmdir", [] { return fsRmdir("/sdhc:0/MAPPE/001"); }},
        {"xdelete", [] { return xdelete("/sdhc:0/MAPPE"); }},
        {"xdelete *", [] { return xdelete("/sdhc:0/MAPPE/*"); }},
        {"copy_blk", [] { return copy_blk("/bd0/src", "/sdhc:0/MAPPE/001/file"); }},
        {"cp", [] { return cp("/bd0/src", "/sdhc:0/MAPPE"); }},
        {"attrib", [] { return attrib("/sdhc:0/MAPPE/001/file", "+r"); }},
    };
    for (const auto& w : writes) {
        errno = 0;
        EXPECT_EQ(-1, w.second()) << w.first;
        EXPECT_EQ(EROFS, errno) << w.first;
    }
    EXPECT_EQ("old", get("sd/MAPPE/001/file"));
    FILE* f = fsFopen("/sdhc:0/MAPPE/001/FILE", "r");
    ASSERT_NE(nullptr, f);
    fclose(f);
    ASSERT_EQ(0, dosFsVolumeReadOnlySet("/sdhc:0", 0));
    EXPECT_EQ(0, copy_blk("/bd0/src", "/sdhc:0/MAPPE/001/file"));
    EXPECT_EQ("new", get("sd/MAPPE/001/file"));
}

TEST_F(Unit, RemovedDeviceFailsEvenForOpenStreamsAndWorksWhenPutBack) {
    put("bd0/UpgPlugin.out", std::string(1000, 'u'));
    FILE* in = fsFopen("/bd0/UpgPlugin.out", "rb");
    ASSERT_NE(nullptr, in);
    int fd = fsOpen("/bd0/out.bin", O_WRONLY | O_CREAT, 0);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(platform::setDevicePresent("/bd0", false));
    errno = 0;
    EXPECT_EQ(nullptr, fsFopen("/bd0/UpgPlugin.out", "rb"));
    EXPECT_EQ(ENODEV, errno);
    char buf[100];
    EXPECT_EQ(0u, fread(buf, 1, sizeof buf, in));
    EXPECT_TRUE(ferror(in));
    errno = 0;
    EXPECT_EQ(-1, fsWrite(fd, "x", 1));
    EXPECT_EQ(ENODEV, errno);
    EXPECT_EQ(-1, platform::freeBytes("/bd0"));
    struct stat st;
    EXPECT_EQ(-1, fsStat("/bd0/UpgPlugin.out", &st));
    EXPECT_EQ(nullptr, fsOpendir("/bd0"));
    EXPECT_EQ(-1, cp("/bd0/UpgPlugin.out", "/SYSTEM/x"));
    fclose(in);
    fsClose(fd);
    ASSERT_TRUE(platform::setDevicePresent("/bd0", true));
    ASSERT_NE(nullptr, in = fsFopen("/bd0/UpgPlugin.out", "rb"));
    EXPECT_EQ(sizeof buf, fread(buf, 1, sizeof buf, in));
    fclose(in);
}

TEST_F(Unit, CapacityLimitsWritesAndGivesTheFreeSpace) {
    put("sd/MAPPE/old", std::string(1000, 'o'));
    ASSERT_TRUE(platform::setDeviceBlockSize("/sdhc:0", 512));
    ASSERT_TRUE(platform::setDeviceCapacity("/sdhc:0", 10000));
    EXPECT_EQ(9000, platform::freeBytes("/sdhc:0/MAPPE"));
    struct unit_statfs sf;
    ASSERT_EQ(0, fsStatfs("/sdhc:0", &sf));
    EXPECT_EQ(512, sf.f_bsize);
    EXPECT_EQ(10000 / 512, sf.f_blocks);
    EXPECT_EQ(9000 / 512, sf.f_bfree);

    int fd = fsOpen("/sdhc:0/MAPPE/new", O_WRONLY | O_CREAT | O_TRUNC, 0);
    ASSERT_GE(fd, 0);
    std::string chunk(4000, 'n');
    EXPECT_EQ(4000, fsWrite(fd, chunk.data(), chunk.size()));
    EXPECT_EQ(4000, fsWrite(fd, chunk.data(), chunk.size()));
    EXPECT_EQ(1000, platform::freeBytes("/sdhc:0"));
    errno = 0;
    EXPECT_EQ(-1, fsWrite(fd, chunk.data(), chunk.size()));
    EXPECT_EQ(ENOSPC, errno);
    // Overwriting in place takes no new room.
    EXPECT_EQ(0, fsLseek(fd, 0, SEEK_SET));
    EXPECT_EQ(4000, fsWrite(fd, chunk.data(), chunk.size()));
    fsClose(fd);
    EXPECT_EQ(8000u, fsys::file_size(root / "sd/MAPPE/new"));

    // A copy that does not fit leaves the space as it was; a removal frees it.
    put("bd0/big", std::string(3000, 'b'));
    errno = 0;
    EXPECT_EQ(-1, copy_blk("/bd0/big", "/sdhc:0/MAPPE/big"));
    EXPECT_EQ(ENOSPC, errno);
    EXPECT_EQ(1000, platform::freeBytes("/sdhc:0"));
    EXPECT_EQ(0, xdelete("/sdhc:0/MAPPE/new"));
    EXPECT_EQ(9000, platform::freeBytes("/sdhc:0"));
    EXPECT_EQ(0, cp("/bd0/big", "/sdhc:0/MAPPE"));
    EXPECT_EQ(6000, platform::freeBytes("/sdhc:0"));
    EXPECT_EQ(0, fsRename("/sdhc:0/MAPPE/big", "/SYSTEM/big"));
    EXPECT_EQ(9000, platform::freeBytes("/sdhc:0"));
    EXPECT_EQ(0, fsRename("/SYSTEM/big", "/sdhc:0/MAPPE/old"));  // replaces old
    EXPECT_EQ(7000, platform::freeBytes("/sdhc:0"));

    // Through a stream: small writes are buffered, the flush hits the limit.
    FILE* f = fsFopen("/sdhc:0/stream", "wb");
    ASSERT_NE(nullptr, f);
    std::string piece(512, 's');
    for (int i = 0; i < 20; ++i) fwrite(piece.data(), 1, piece.size(), f);
    EXPECT_NE(0, fflush(f));
    fclose(f);
    EXPECT_LE(platform::freeBytes("/sdhc:0"), 7000);
    EXPECT_GE(platform::freeBytes("/sdhc:0"), 0);
    ASSERT_TRUE(platform::setDeviceCapacity("/sdhc:0", -1));
    EXPECT_GT(platform::freeBytes("/sdhc:0"), 0);
}

TEST_F(Unit, FileCommandsCopyMoveAndSetAttributes) {
    put("bd0/DATA/MAPPE/001/001.BIN", "archive");
    fsMkdir("/sdhc:0/MAPPE", 0);
    EXPECT_EQ(0, cp("/bd0/data/mappe/001/001.bin", "/sdhc:0/MAPPE"));
    EXPECT_EQ("archive", get("sd/MAPPE/001.BIN"));
    EXPECT_EQ(0, copy_blk("/sdhc:0/MAPPE/001.BIN", "/sdhc:0/MAPPE/copy"));
    // Copying a file onto itself must not destroy it.
    EXPECT_EQ(-1, copy_blk("/sdhc:0/MAPPE/copy", "/sdhc:0/mappe/COPY"));
    EXPECT_EQ("archive", get("sd/MAPPE/copy"));
    EXPECT_EQ(0, mv("/sdhc:0/MAPPE/copy", "/sdhc:0/MAPPE/001.BIN"));
    EXPECT_FALSE(has("sd/MAPPE/copy"));
    EXPECT_EQ(0, attrib("/sdhc:0/MAPPE/001.BIN", "+r"));
    errno = 0;
    EXPECT_EQ(nullptr, fsFopen("/sdhc:0/MAPPE/001.BIN", "w"));
    EXPECT_EQ(EACCES, errno);
    EXPECT_EQ(0, attrib("/sdhc:0/MAPPE/001.BIN", "r-"));
    EXPECT_EQ(0, attrib("/sdhc:0/MAPPE/001.BIN", "-a+h"));
    FILE* f = fsFopen("/sdhc:0/MAPPE/001.BIN", "w");
    ASSERT_NE(nullptr, f);
    fclose(f);
    EXPECT_EQ(0, rm("/sdhc:0/MAPPE/001.BIN"));
    EXPECT_EQ(-1, rm("/sdhc:0/MAPPE/001.BIN"));
    EXPECT_EQ(0, fsRemove("/sdhc:0/MAPPE"));
    EXPECT_FALSE(has("sd/MAPPE"));
}

TEST_F(Unit, DeviceListAndTheGlobalConsole) {
    std::string pty = (root / "pty.txt").string();
    ASSERT_TRUE(platform::addCharDevice("stdio_pty0S", pty));
    std::set<std::string> names;
    for (DEV_HDR* d = iosNextDevGet(nullptr); d != nullptr; d = iosNextDevGet(d))
        names.insert(d->name);
    EXPECT_EQ(
        (std::set<std::string>{"/bd0", "/sdhc:0", "/SYSTEM", "/SYSTEM_TMP_DATA", "stdio_pty0S"}),
        names);
    int fd = fsOpen("stdio_pty0S", 2, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(STD_OUT, ioGlobalStdGet(STD_OUT));
    platform::flushConsole();
    ioGlobalStdSet(STD_OUT, fd);
    ioGlobalStdSet(STD_ERR, fd);
    logMsg("on telnet %d\n", 7, 0, 0, 0, 0, 0);
    platform::flushConsole();
    ioGlobalStdSet(STD_OUT, STD_OUT);
    ioGlobalStdSet(STD_ERR, STD_ERR);
    fsClose(fd);
    EXPECT_EQ("on telnet 7\n", get("pty.txt"));
}

TEST_F(Unit, BadInputsFailWithErrnoAndNeverCrash) {
    char* value = nullptr;
    struct stat st;
    struct unit_statfs sf;
    char buf[4];
    put("sd/small", "abcd");
    int fd = fsOpen("/sdhc:0/small", O_RDWR, 0);
    ASSERT_GE(fd, 0);
    MSG_Q_ID queue = msgQCreate(1, 4, MSG_Q_FIFO);
    ASSERT_NE(nullptr, queue);
    const std::vector<std::pair<const char*, std::function<bool()>>> cases = {
        {"fsOpen null", [] { return fsOpen(nullptr, O_RDONLY, 0) == -1; }},
        {"fsOpen no device", [] { return fsOpen("/usb9/x", O_RDONLY, 0) == -1; }},
        {"fsFopen null path", [] { return fsFopen(nullptr, "r") == nullptr; }},
        {"fsFopen null mode", [] { return fsFopen("/bd0/x", nullptr) == nullptr; }},
        {"fsFopen bad mode", [] { return fsFopen("/bd0/x", "q") == nullptr; }},
        {"fsOpendir null", [] { return fsOpendir(nullptr) == nullptr; }},
        {"fsStat null", [&] { return fsStat(nullptr, &st) == -1; }},
        {"fsStat null buffer", [] { return fsStat("/bd0", nullptr) == -1; }},
        {"fsStatfs null", [&] { return fsStatfs(nullptr, &sf) == -1; }},
        {"fsMkdir null", [] { return fsMkdir(nullptr, 0) == -1; }},
        {"fsRename null", [] { return fsRename(nullptr, "/bd0/x") == -1; }},
        {"fsRename null target", [] { return fsRename("/bd0/x", nullptr) == -1; }},
        {"fsRemove null", [] { return fsRemove(nullptr) == -1; }},
        {"fsRead bad fd", [&] { return fsRead(-1, buf, sizeof buf) == -1; }},
        {"fsWrite bad fd", [&] { return fsWrite(100000, buf, sizeof buf) == -1; }},
        {"fsLseek bad fd", [] { return fsLseek(-3, 0, SEEK_SET) == -1; }},
        {"fsFstat bad fd", [&] { return fsFstat(-1, &st) == -1; }},
        {"fsClose bad fd", [] { return fsClose(-1) == -1; }},
        {"fsRead negative size", [&] { return fsRead(fd, buf, static_cast<size_t>(-1)) == -1; }},
        {"fsWrite negative size", [&] { return fsWrite(fd, buf, static_cast<size_t>(-4)) == -1; }},
        {"cp null", [] { return cp(nullptr, "/bd0") == -1; }},
        {"copy_blk null", [] { return copy_blk("/bd0/x", nullptr) == -1; }},
        {"mv null", [] { return mv(nullptr, nullptr) == -1; }},
        {"rm null", [] { return rm(nullptr) == -1; }},
        {"xdelete null", [] { return xdelete(nullptr) == -1; }},
        {"attrib null", [] { return attrib(nullptr, "+r") == -1; }},
        {"attrib null flags", [] { return attrib("/bd0", nullptr) == -1; }},
        {"volume null", [] { return dosFsVolumeReadOnlySet(nullptr, 1) == -1; }},
        {"volume unknown", [] { return dosFsVolumeReadOnlySet("/usb9", 1) == -1; }},
        {"taskSpawn null entry",
         [] { return taskSpawn("t", 100, 0, 0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0) == ERROR; }},
        {"taskSpawn negative stack",
         [] {
             return taskSpawn("t", 100, 0, -1, reinterpret_cast<FUNCPTR>(&errnoGet), 0, 0, 0, 0, 0,
                              0, 0, 0, 0, 0) == ERROR;
         }},
        {"taskIdVerify unknown", [] { return taskIdVerify(-7) == ERROR; }},
        {"taskName unknown", [] { return taskName(0) == nullptr; }},
        {"semBCreate bad state",
         [] { return semBCreate(SEM_Q_FIFO, static_cast<SEM_B_STATE>(5)) == nullptr; }},
        {"semTake null", [] { return semTake(nullptr, NO_WAIT) == ERROR; }},
        {"semGive bogus", [&] { return semGive(reinterpret_cast<SEM_ID>(&value)) == ERROR; }},
        {"semDelete null", [] { return semDelete(nullptr) == ERROR; }},
        {"msgQCreate negative", [] { return msgQCreate(-1, 10, 0) == nullptr; }},
        {"msgQSend null", [&] { return msgQSend(nullptr, buf, 1, NO_WAIT, 0) == ERROR; }},
        {"msgQSend negative size",
         [&] { return msgQSend(queue, buf, static_cast<unsigned>(-1), NO_WAIT, 0) == ERROR; }},
        {"msgQReceive bogus",
         [&] { return msgQReceive(reinterpret_cast<MSG_Q_ID>(buf), buf, 1, NO_WAIT) == ERROR; }},
        {"msgQDelete null", [] { return msgQDelete(nullptr) == ERROR; }},
        {"logMsg null", [] { return logMsg(nullptr, 0, 0, 0, 0, 0, 0) == ERROR; }},
        {"symFindByName null",
         [&] { return symFindByName(sysSymTbl, nullptr, &value, nullptr) == -1; }},
    };
    for (const auto& c : cases) {
        errno = 0;
        EXPECT_TRUE(c.second()) << c.first;
        EXPECT_NE(0, errno) << c.first;
    }
    EXPECT_EQ("abcd", get("sd/small"));
    fsClose(fd);
    msgQDelete(queue);
    EXPECT_FALSE(platform::addDevice("/nope", (root / "missing").string()));
    EXPECT_FALSE(platform::setDevicePresent("/nope", false));
    EXPECT_EQ(-1, platform::freeBytes("/nope/x"));
}

}  // namespace
