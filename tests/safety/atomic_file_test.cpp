// The one way the programs write a whole file: every failure leaves the earlier file as it
// was and nothing else behind. A full disk is played by the file size limit, which holds for
// every user, the superuser too.
#include "shell/atomic_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <memory>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "safety/line_file.h"
#include "safety_rig.h"

namespace qs {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class AtomicFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp.path() + "/" + name; }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // A folder "dir" and a file "plain", nothing else.
    void Reset() {
        for (const std::string& name : temp.Files())
            fs::remove_all(Path(name));
        fs::create_directories(Path("dir"));
        Write(Path("plain"), "p");
    }

    safety_test::TempFolder temp;
};

// Writes beyond `bytes` fail with EFBIG, as on a full disk, while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(AtomicFileTest, EveryFailureLeavesTheEarlierFileAndNothingElse) {
    struct Row {
        const char* name;
        const char* path;       // in the test's folder
        const char* earlier;    // null: no file there before
        ExistingFile existing;
        std::size_t sizeLimit;  // 0: none
        const char* reason;     // null: the write succeeds
    };
    const std::string big(64 * 1024, 'n');
    const Row rows[] = {
        {"new file", "a.txt", nullptr, ExistingFile::Keep, 0, nullptr},
        {"replaced", "a.txt", "old", ExistingFile::Replace, 0, nullptr},
        {"kept", "a.txt", "old", ExistingFile::Keep, 0, "File exists"},
        {"full disk keeps the old file", "a.txt", "old", ExistingFile::Replace, 1024,
         "File too large"},
        {"full disk leaves no empty file", "a.txt", nullptr, ExistingFile::Keep, 1024,
         "File too large"},
        {"no such folder", "missing/a.txt", nullptr, ExistingFile::Replace, 0,
         "No such file or directory"},
        {"a file where a folder is expected", "plain/a.txt", nullptr, ExistingFile::Replace, 0,
         "Not a directory"},
        {"a folder where the file is expected", "dir", nullptr, ExistingFile::Replace, 0,
         "Is a directory"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Reset();
        const std::string path = Path(row.path);
        if (row.earlier != nullptr) Write(path, row.earlier);
        const std::vector<std::string> before = temp.Files();

        std::string error;
        int code = 0;
        bool ok = false;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (row.sizeLimit > 0) limit = std::make_unique<FileSizeLimit>(row.sizeLimit);
            ok = WriteFileAtomically(path, big, row.existing, error, &code);
        }
        if (row.reason == nullptr) {
            EXPECT_TRUE(ok) << error;
            EXPECT_EQ(Read(path), big);
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_THAT(error, HasSubstr(path + ": " + row.reason));
        EXPECT_NE(code, 0);
        EXPECT_EQ(temp.Files(), before) << "no temporary or empty file is left";
        if (row.earlier != nullptr) {
            EXPECT_EQ(Read(path), row.earlier);
        }
    }
}

TEST_F(AtomicFileTest, AReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
    const std::string file = Path("settings.ini");
    const std::string link = Path("link.ini");
    Write(file, "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                    fs::perm_options::replace);
    fs::create_symlink(file, link);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(link, "new", ExistingFile::Replace, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(AtomicFileTest, WritableIsCheckedBeforeAnyWork) {
    Reset();
    struct Row {
        const char* path;
        const char* reason;  // null: writable
    };
    const Row rows[] = {
        {"new.bin", nullptr},
        {"plain", nullptr},
        {"dir", "Is a directory"},
        {"missing/new.bin", "No such file or directory"},
        {"plain/new.bin", "Not a directory"},
    };
    for (const Row& row : rows) {
        std::string error;
        const bool ok = CheckFileCanBeWritten(Path(row.path), error);
        EXPECT_EQ(ok, row.reason == nullptr) << row.path << ": " << error;
        if (row.reason != nullptr) {
            EXPECT_THAT(error, HasSubstr(row.reason)) << row.path;
        }
    }
    std::string error;
    EXPECT_FALSE(CheckFileCanBeWritten("", error));
}

TEST_F(AtomicFileTest, ALineThatDoesNotFitIsTakenBackWhole) {
    const std::string path = Path("journal.txt");
    LineFile file;
    std::string error;
    ASSERT_TRUE(file.Create(path, {"Time\tItem"}, error)) << error;
    EXPECT_FALSE(file.Create(path, {"again"}, error));
    EXPECT_THAT(error, HasSubstr("File exists"));
    ASSERT_TRUE(file.Append(path, error)) << error;
    ASSERT_TRUE(file.WriteLine("first"));
    {
        FileSizeLimit limit(fs::file_size(path) + 4);
        EXPECT_FALSE(file.WriteLine("a line longer than what is left"));
    }
    EXPECT_THAT(file.writeError(), HasSubstr("File too large"));
    EXPECT_EQ(Read(path), "Time\tItem\nfirst\n");
    EXPECT_TRUE(file.WriteLine("later"));
    EXPECT_EQ(Read(path), "Time\tItem\nfirst\nlater\n");
}

}  // namespace
}  // namespace qs
