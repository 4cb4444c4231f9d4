// Failures and abandonment: the target is either the old file or the complete new one,
// no temporary file stays behind, and every dither context is freed exactly once.
#include "AtomicFile.h"
#include "KmExport.h"
#include "RowConverters.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace twtest;
using tw::TileConversion;

const Bytes kOldFile(4096, 0x42);

// Expects `job` to fail with a description containing `needle`, leaving the folder of
// the target exactly as it was.
void expectCleanFailure(const tw::ExportJob& job, const TempDir& dir, const std::string& needle) {
    const auto before = dir.entries();
    Templates t;
    RecordingProgress progress;
    try {
        tw::exportKm(job, t.refs(), progress);
        ADD_FAILURE() << "export to " << job.target << " succeeded";
    } catch (const tw::ExportAbandoned&) {
        ADD_FAILURE() << "failure reported as abandonment";
    } catch (const tw::Error& e) {
        EXPECT_NE(std::string(e.what()).find(needle), std::string::npos)
            << "description: " << e.what();
    }
    EXPECT_EQ(dir.entries(), before) << "files left behind or removed";
}

TEST(FailureTest, TooLargeMapKeepsTheOldFile) {
    const Picture picture = photoLike(64, 64, 1);
    for (const auto& [w, h] : {std::pair{252, 24}, std::pair{31, 252}}) {
        TempDir dir;
        writeFile(dir / "map.km", kOldFile);
        expectCleanFailure(makeJob(picture, w, h, TileConversion::Nearest, dir / "map.km"), dir,
                           "Overflow");
        EXPECT_EQ(readFile(dir / "map.km"), kOldFile);

        TempDir empty;
        expectCleanFailure(makeJob(picture, w, h, TileConversion::Nearest, empty / "map.km"), empty,
                           "Overflow");
        EXPECT_TRUE(empty.entries().empty());
    }
}

TEST(FailureTest, UnwritableTargets) {
    const Picture picture = photoLike(64, 64, 2);
    TempDir dir;
    writeFile(dir / "plain-file", kOldFile);
    fs::create_directory(dir / "a-folder");
    writeFile(dir / "a-folder" / "inside", kOldFile);
    struct Case {
        fs::path target;
        const char* needle;
    };
    const Case cases[] = {
        {dir / "missing-folder" / "map.km", "No such file or directory"},
        {dir / "plain-file" / "map.km", "Not a directory"},
        {dir / "a-folder", "Could not replace"}, // the target is a folder: the rename fails
        {dir / "", "no file name"},
    };
    for (const auto& c : cases) {
        expectCleanFailure(makeJob(picture, 4, 3, TileConversion::Grey, c.target), dir, c.needle);
    }
    EXPECT_EQ(readFile(dir / "plain-file"), kOldFile);
    EXPECT_EQ(readFile(dir / "a-folder" / "inside"), kOldFile);

    if (::geteuid() != 0) { // root writes into read-only folders, so only others can try
        fs::create_directory(dir / "read-only");
        writeFile(dir / "read-only" / "map.km", kOldFile);
        fs::permissions(dir / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
        expectCleanFailure(
            makeJob(picture, 4, 3, TileConversion::Grey, dir / "read-only" / "map.km"), dir,
            "Permission denied");
        fs::permissions(dir / "read-only", fs::perms::owner_all);
        EXPECT_EQ(readFile(dir / "read-only" / "map.km"), kOldFile);
    }
}

// A 512 KiB memory file system mounted for the length of a test.
class SmallDisk {
  public:
    explicit SmallDisk(const fs::path& where) : where_(where) {
        fs::create_directory(where_);
        mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", 0, "size=512k") == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount(where_.c_str());
    }
    bool mounted() const { return mounted_; }

  private:
    fs::path where_;
    bool mounted_ = false;
};

TEST(FailureTest, FullDiskKeepsTheOldFile) {
    TempDir dir;
    SmallDisk disk(dir / "disk");
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small file system here (needs root): "
                     << std::strerror(errno);
    writeFile(dir / "disk" / "map.km", kOldFile);
    const Picture picture = photoLike(100, 100, 3);
    // 31 x 24 grids make a file of 769168 bytes: more than the disk holds.
    const tw::ExportJob job =
        makeJob(picture, 31, 24, TileConversion::Nearest, dir / "disk" / "map.km");
    Templates t;
    RecordingProgress progress;
    try {
        tw::exportKm(job, t.refs(), progress);
        ADD_FAILURE() << "export onto a full disk succeeded";
    } catch (const tw::Error& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(readFile(dir / "disk" / "map.km"), kOldFile);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir / "disk"))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"map.km"});
}

TEST(FailureTest, AbandonedExportLeavesNothing) {
    TempDir dir;
    writeFile(dir / "map.km", kOldFile);
    const Picture picture = photoLike(200, 150, 5);
    const tw::ExportJob job = makeJob(picture, 31, 24, TileConversion::Nearest, dir / "map.km");
    Templates t;
    RecordingProgress progress;
    progress.stopAfterRows = 3;
    EXPECT_THROW(tw::exportKm(job, t.refs(), progress), tw::ExportAbandoned);
    EXPECT_EQ(progress.titles, (std::vector<std::string>{"31:745", "62:745", "93:745"}));
    EXPECT_EQ(readFile(dir / "map.km"), kOldFile);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"map.km"});
}

TEST(FailureTest, KeepAliveCanAbandonWithinARow) {
    struct Refusing : tw::ExportProgress {
        bool rowDone(std::size_t, std::size_t) override { return true; }
        bool keepAlive() override {
            ++calls;
            return false;
        }
        int calls = 0;
    } progress;
    tw::Heartbeat heartbeat(progress);
    heartbeat.beat(); // too soon: no call
    EXPECT_EQ(progress.calls, 0);
    std::this_thread::sleep_for(tw::Heartbeat::interval + std::chrono::milliseconds(5));
    EXPECT_THROW(heartbeat.beat(), tw::ExportAbandoned);
    EXPECT_EQ(progress.calls, 1);
}

// One of the stand-in Dither libraries, held open so its counters can be read.
class FakeDither {
  public:
    explicit FakeDither(const std::string& variant)
        : folder_(std::string(TW_FAKE_DITHER_DIR) + "/" + variant),
          handle_(dlopen((folder_ + "/libDither.so").c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) ADD_FAILURE() << dlerror();
    }
    ~FakeDither() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    FakeDither(const FakeDither&) = delete;
    FakeDither& operator=(const FakeDither&) = delete;
    const std::string& folder() const { return folder_; }
    int counter(const char* name) const {
        auto* f = reinterpret_cast<int (*)()>(dlsym(handle_, name));
        return f != nullptr ? f() : -1;
    }
    int live() const { return counter("FakeDitherLiveContexts"); }
    int destroyed() const { return counter("FakeDitherDestroyCalls"); }

  private:
    std::string folder_;
    void* handle_;
};

TEST(FailureTest, DitherLibraryFailures) {
    const Picture picture = photoLike(100, 100, 6);
    struct Case {
        const char* variant;
        const char* needle;
        int contextsMade;
    };
    const Case cases[] = {
        {"no_context", "could not make a dither context", 0},
        {"failing_status", "status 3", 1},
        {"no_dither_function", "The function Dither was not found", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        FakeDither fake(c.variant);
        const int destroyedBefore = fake.destroyed();
        TempDir dir;
        writeFile(dir / "map.km", kOldFile);
        tw::ExportJob job = makeJob(picture, 6, 4, TileConversion::Dithered, dir / "map.km");
        job.libraryFolder = fake.folder();
        expectCleanFailure(job, dir, c.needle);
        EXPECT_EQ(readFile(dir / "map.km"), kOldFile);
        EXPECT_EQ(fake.live(), 0) << "a context was not freed";
        EXPECT_EQ(fake.destroyed() - destroyedBefore, c.contextsMade) << "freed more than once";
    }

    TempDir dir;
    tw::ExportJob job = makeJob(picture, 6, 4, TileConversion::Dithered, dir / "map.km");
    job.libraryFolder = (dir / "nowhere").string();
    expectCleanFailure(job, dir, "Could not load the library");
}

TEST(FailureTest, DitherContextFreedOnceOnSuccessAndOnAbandon) {
    FakeDither fake("good");
    Picture picture(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            picture.at(x, y) = static_cast<std::uint32_t>((x * 4) << 8); // green = 4x
    TempDir dir;
    tw::ExportJob job = makeJob(picture, 8, 6, TileConversion::Dithered, dir / "map.km");
    job.libraryFolder = fake.folder();
    Templates t;

    int destroyed = fake.destroyed();
    RecordingProgress progress;
    tw::exportKm(job, t.refs(), progress);
    EXPECT_EQ(fake.live(), 0);
    EXPECT_EQ(fake.destroyed() - destroyed, 1);
    // The stand-in answers each pixel's green byte: tiles carry the stretched picture.
    const Bytes file = readFile(dir / "map.km");
    const std::size_t tile1 = checkKmLayout(file, job.map, t);
    ASSERT_NE(tile1, 0u);
    for (int c = 0; c < 8; ++c) {
        const Bytes tile = tileOf(file, tile1, static_cast<std::size_t>(c + 1));
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(tile[static_cast<std::size_t>(x)], ((c * 32 + x) * 64 / 256) * 4);
    }

    destroyed = fake.destroyed();
    RecordingProgress stopping;
    stopping.stopAfterRows = 2;
    EXPECT_THROW(tw::exportKm(job, t.refs(), stopping), tw::ExportAbandoned);
    EXPECT_EQ(fake.live(), 0);
    EXPECT_EQ(fake.destroyed() - destroyed, 1);
}

TEST(AtomicFileTest, TargetChangesOnlyOnCommit) {
    TempDir dir;
    writeFile(dir / "f", kOldFile);
    const Bytes fresh(3'000'000, 0x5A); // more than the write buffer
    {
        tw::AtomicFile file((dir / "f").string());
        file.write(fresh.data(), fresh.size());
        EXPECT_EQ(readFile(dir / "f"), kOldFile);
        EXPECT_EQ(dir.entries().size(), 2u); // the old file and the temporary one
    }
    EXPECT_EQ(readFile(dir / "f"), kOldFile);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"f"});

    {
        tw::AtomicFile file((dir / "f").string());
        file.write(fresh.data(), fresh.size());
        file.commit();
        EXPECT_THROW(file.write(fresh.data(), 1), tw::Error);
    }
    EXPECT_EQ(readFile(dir / "f"), fresh);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"f"});
}

} // namespace
