#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>

#include <cerrno>

#include "base/numbertext.h"
#include "base/replacingfile.h"
#include "comparisonfixture.h"

using namespace zavo;

namespace {

using zavotest::Bmp24;
using zavotest::ReadFile;
using zavotest::WriteFile;

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class Saving : public zavotest::Comparison {
protected:
    void SetUp() override {
        Comparison::SetUp();
        w = dir + "/w";
        ASSERT_EQ(::mkdir(w.c_str(), 0755), 0);
    }
    void TearDown() override {
        ReplacingFileCalls() = FileCalls::System();
        Comparison::TearDown();
    }
    // Every name in a folder, hidden ones and broken links included.
    static std::vector<std::string> Listing(const std::string& folder) {
        std::vector<std::string> names;
        const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        for (const QString& name : QDir(QString::fromStdString(folder)).entryList(filter, QDir::Name))
            names.push_back(QFile::encodeName(name).toStdString());
        return names;
    }
    std::vector<std::string> Trash() { return Listing(dir + "/data/Trash/files"); }
    // The file holds the bytes newjpeg holds, and savesize showed their count.
    void ExpectSaved(const std::string& path) {
        const std::string bytes = ReadFile(path), held = Held();
        EXPECT_FALSE(bytes.empty()) << path;
        EXPECT_EQ(bytes.size(), held.size()) << path;
        EXPECT_TRUE(bytes == held) << path;
        EXPECT_EQ(main->savesize->Caption(), SizeText(int64_t(bytes.size()))) << path;
    }
    // Permissions do not bind root: run as root, the test runs itself again as nobody and takes
    // that run's verdict. The test's own body then runs only without root rights.
    void RunAsNobody() {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_RUNTIME_DIR");
        env.insert("TMPDIR", "/tmp");
        QProcess run;
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--",
                              QFile::symLinkTarget("/proc/self/exe"),
                              QString("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
        if (!run.waitForStarted()) GTEST_SKIP() << "needs a user without root rights: setpriv could not be started";
        ASSERT_TRUE(run.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(run.readAll());
        if (!out.contains("[==========]"))
            GTEST_SKIP() << "needs a user without root rights: they could not be dropped: " << out.toStdString();
        EXPECT_EQ(run.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test.")) << out.toStdString();
    }

    std::string w;
};

TEST_F(Saving, TypingAQualityThenClickingSaveSavesThatQuality) {
    WriteFile(dir + "/a.bmp", Bmp24(80, 60, 9));
    Load(dir + "/a.bmp");
    ShowMain();
    QTest::mouseClick(main->press->Widget(), Qt::LeftButton);
    main->press->SetText("30");
    saveAs = dir + "/out.jpg";
    QTest::mouseClick(main->saving->Widget(), Qt::LeftButton);
    EXPECT_EQ(ReadFile(dir + "/out.jpg"), Expected(30, 80, 60, 9));
    EXPECT_EQ(main->savesize->Caption(), std::to_string(Expected(30, 80, 60, 9).size() / 1024) + " k");
    EXPECT_EQ(main->ActiveControl(), nullptr);
}

TEST_F(Saving, NamesWithoutExtensionGetJpg) {
    WriteFile(dir + "/a.bmp", Bmp24(16, 16, 2));
    Load(dir + "/a.bmp");
    ASSERT_EQ(::mkdir((dir + "/with.dot").c_str(), 0755), 0);
    Save(dir + "/with.dot/photo");
    EXPECT_EQ(ReadFile(dir + "/with.dot/photo.jpg"), Held());
    saveAs.clear();
    main->saving->Click();
    EXPECT_EQ(startName.back(), dir + "/with.dot/photo.jpg");
    Save(dir + "/photo.png");
    EXPECT_EQ(ReadFile(dir + "/photo.png"), Held());
    Save(dir + "/ends.");
    EXPECT_EQ(ReadFile(dir + "/ends."), Held());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir + "/ends..jpg")));
}

TEST_F(Saving, BeforeAnyLoadWritesAnEmptyFileAndTrashesNothing) {
    main->exdel->SetChecked(true);
    Save(dir + "/empty.jpg");
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Stat(dir + "/empty.jpg").st_size, 0);
    EXPECT_TRUE(Trash().empty());
}

TEST_F(Saving, TheSourceGoesToTheTrashOnlyAfterAnotherFileWasWritten) {
    WriteFile(dir + "/src.bmp", Bmp24(32, 32, 4));
    Load(dir + "/src.bmp");
    main->exdel->SetChecked(true);
    // The source's own path reached another way is the source: overwritten, not trashed.
    Save(dir + "/./src.bmp");
    ExpectSaved(dir + "/src.bmp");
    EXPECT_TRUE(Trash().empty());
    WriteFile(dir + "/src.bmp", Bmp24(32, 32, 4));
    Load(dir + "/src.bmp");
    Save(dir + "/new.jpg");
    ExpectSaved(dir + "/new.jpg");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir + "/src.bmp")));
    EXPECT_EQ(Trash(), std::vector<std::string>{"src.bmp"});
    // Gone already: the next SAVE writes again and trashes nothing more.
    Save(dir + "/again.jpg");
    ExpectSaved(dir + "/again.jpg");
    EXPECT_EQ(Trash(), std::vector<std::string>{"src.bmp"});
    EXPECT_TRUE(errors.empty());
}

TEST_F(Saving, AFailedLoadNeitherChangesThePanesNorBecomesTheFileToTrash) {
    WriteFile(dir + "/good.bmp", Bmp24(40, 30, 5));
    WriteFile(dir + "/bad.bmp", "BMnonsense");
    Load(dir + "/good.bmp");
    std::string held = Held();
    std::string exsize = main->exsize->Caption();
    Load(dir + "/bad.bmp");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "ストリームからの読み込みエラー.");
    EXPECT_EQ(mainview::curfile, dir + "/bad.bmp");
    EXPECT_EQ(Held(), held);
    EXPECT_EQ(main->exsize->Caption(), exsize);
    main->exdel->SetChecked(true);
    Save(dir + "/out.jpg");
    EXPECT_TRUE(Trashed("good.bmp"));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir + "/bad.bmp")));
    Load(dir + "/x.png");
    EXPECT_EQ(errors.back(), "拡張子 .png の画像形式は処理できません.");
}

TEST_F(Saving, AFileThatCannotBeCreatedIsReportedAndKeepsTheSource) {
    WriteFile(dir + "/src.bmp", Bmp24(32, 32, 4));
    Load(dir + "/src.bmp");
    main->exdel->SetChecked(true);
    Save(dir + "/missing/out.jpg");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "ファイル " + dir + "/missing/out.jpg を作成できません.");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir + "/src.bmp")));
    EXPECT_TRUE(Trash().empty());
}

TEST_F(Saving, OnlyTheFileWhosePictureMadeTheHeldBytesMayGoToTheTrash) {
    WriteFile(w + "/a.bmp", Bmp24(40, 30, 1));
    WriteFile(w + "/b.bmp", Bmp24(24, 50, 2));
    Load(w + "/a.bmp");
    const std::string fromA = Held();
    // B loads into the left pane, but its recompression stops at the quality text.
    main->press->SetText("5a");
    Load(w + "/b.bmp");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(main->ex->Width(), 24);
    EXPECT_EQ(Held(), fromA);
    main->exdel->SetChecked(true);
    Save(w + "/first.jpg");
    EXPECT_TRUE(ReadFile(w + "/first.jpg") == fromA);
    ExpectSaved(w + "/first.jpg");
    EXPECT_EQ(Trash(), std::vector<std::string>{"a.bmp"});
    EXPECT_TRUE(QFile::exists(QString::fromStdString(w + "/b.bmp")));
    // Once B's picture is recompressed, its bytes are held and B is the one to go.
    main->press->SetText("80");
    main->presson(main->press);
    EXPECT_EQ(Held(), Expected(80, 24, 50, 2));
    Save(w + "/second.jpg");
    ExpectSaved(w + "/second.jpg");
    EXPECT_EQ(Trash(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(Saving, TheFileJustWrittenNeverGoesToTheTrashWhateverNameReachesIt) {
    ASSERT_EQ(::mkdir((w + "/real").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((w + "/real/sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("real", (w + "/link").c_str()), 0);
    ASSERT_EQ(::symlink("real/sub", (w + "/deep").c_str()), 0);
    const std::string source = w + "/real/src.bmp";
    // Each way makes the source's own name reach the target after the source itself went away, as
    // a name in another letter case does on a memory card.
    struct Way {
        const char* what;
        std::string target;
        std::function<void()> prepare;
    } ways[] = {
        {"a link in the folder path", w + "/link/src.bmp", [] {}},
        {"'..' after a linked folder", w + "/deep/../src.bmp", [] {}},
        {"the source's name made a link to the target", w + "/out.jpg",
         [&] { ASSERT_EQ(::symlink("../out.jpg", source.c_str()), 0); }},
    };
    main->exdel->SetChecked(true);
    for (const Way& way : ways) {
        WriteFile(source, Bmp24(20, 20, 3));
        Load(source);
        ASSERT_EQ(::unlink(source.c_str()), 0);
        way.prepare();
        Save(way.target);
        EXPECT_TRUE(errors.empty()) << way.what;
        ExpectSaved(way.target);
        ExpectSaved(source);
        EXPECT_TRUE(Trash().empty()) << way.what;
        ::unlink(source.c_str());
        ::unlink((w + "/out.jpg").c_str());
    }
    // A second name of the source (a hard link) is the source itself: overwritten, nothing trashed.
    WriteFile(source, Bmp24(20, 20, 3));
    ASSERT_EQ(::link(source.c_str(), (w + "/hard.bmp").c_str()), 0);
    Load(source);
    Save(w + "/hard.bmp");
    ExpectSaved(w + "/hard.bmp");
    EXPECT_TRUE(ReadFile(source) == Bmp24(20, 20, 3));
    EXPECT_TRUE(Trash().empty());
}

TEST_F(Saving, SavingOverALinkWritesWhereItLeadsAndKeepsTheLink) {
    WriteFile(w + "/src.bmp", Bmp24(16, 16, 5));
    Load(w + "/src.bmp");
    ASSERT_EQ(::mkdir((w + "/sub").c_str(), 0755), 0);
    WriteFile(w + "/real.jpg", "old");
    ASSERT_EQ(::symlink("real.jpg", (w + "/link.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("../link.jpg", (w + "/sub/chain.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("made.jpg", (w + "/dangling.jpg").c_str()), 0);
    Save(w + "/sub/chain.jpg");
    ExpectSaved(w + "/real.jpg");
    EXPECT_TRUE(IsLink(w + "/sub/chain.jpg"));
    EXPECT_TRUE(IsLink(w + "/link.jpg"));
    // A link to nothing yet makes the file it names.
    Save(w + "/dangling.jpg");
    ExpectSaved(w + "/made.jpg");
    EXPECT_TRUE(IsLink(w + "/dangling.jpg"));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Listing(w), (std::vector<std::string>{"dangling.jpg", "link.jpg", "made.jpg", "real.jpg", "src.bmp", "sub"}));
    // Links that lead round in a circle name no file.
    ASSERT_EQ(::symlink("loop2.jpg", (w + "/loop1.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("loop1.jpg", (w + "/loop2.jpg").c_str()), 0);
    Save(w + "/loop1.jpg");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "ファイル " + w + "/loop1.jpg を作成できません.");
}

TEST_F(Saving, AReplacedFileKeepsItsModeOwnerAndGroupAndANewOneFollowsTheUmask) {
    WriteFile(w + "/src.bmp", Bmp24(16, 16, 6));
    Load(w + "/src.bmp");
    WriteFile(w + "/kept.jpg", "old");
    ASSERT_EQ(::chmod((w + "/kept.jpg").c_str(), 0751), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((w + "/kept.jpg").c_str(), 65534, 65534), 0);
    }
    Save(w + "/kept.jpg");
    ExpectSaved(w + "/kept.jpg");
    struct stat st = Stat(w + "/kept.jpg");
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_EQ(st.st_uid, root ? 65534u : ::geteuid());
    EXPECT_EQ(st.st_gid, root ? 65534u : ::getegid());
    for (mode_t mask : {mode_t(022), mode_t(027), mode_t(077)}) {
        const mode_t before = ::umask(mask);
        const std::string fresh = w + "/new" + std::to_string(mask) + ".jpg";
        Save(fresh);
        ::umask(before);
        ExpectSaved(fresh);
        EXPECT_EQ(Stat(fresh).st_mode & 07777, 0666u & ~mask) << mask;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(Saving, ATargetTheUserMayNotWriteIsRefusedThoughItsFolderIsWritable) {
    if (::geteuid() == 0) return RunAsNobody();
    WriteFile(w + "/src.bmp", Bmp24(16, 16, 7));
    Load(w + "/src.bmp");
    WriteFile(w + "/locked.jpg", "old");
    ASSERT_EQ(::chmod((w + "/locked.jpg").c_str(), 0444), 0);
    const ino_t inode = Stat(w + "/locked.jpg").st_ino;
    main->exdel->SetChecked(true);
    Save(w + "/locked.jpg");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "ファイル " + w + "/locked.jpg を作成できません.");
    EXPECT_EQ(ReadFile(w + "/locked.jpg"), "old");
    EXPECT_EQ(Stat(w + "/locked.jpg").st_ino, inode);
    EXPECT_EQ(Listing(w), (std::vector<std::string>{"locked.jpg", "src.bmp"}));
    EXPECT_TRUE(Trash().empty());
}

TEST_F(Saving, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
    if (::geteuid() == 0) return RunAsNobody();
    WriteFile(w + "/src.bmp", Bmp24(16, 16, 8));
    Load(w + "/src.bmp");
    const std::string shut = dir + "/shut";
    ASSERT_EQ(::mkdir(shut.c_str(), 0755), 0);
    WriteFile(shut + "/photo.jpg", "old bytes");
    ASSERT_EQ(::chmod(shut.c_str(), 0555), 0);
    const ino_t inode = Stat(shut + "/photo.jpg").st_ino;
    main->exdel->SetChecked(true);
    Save(shut + "/photo.jpg");
    EXPECT_TRUE(errors.empty());
    ExpectSaved(shut + "/photo.jpg");
    EXPECT_EQ(Stat(shut + "/photo.jpg").st_ino, inode);
    EXPECT_EQ(Listing(shut), std::vector<std::string>{"photo.jpg"});
    EXPECT_EQ(Trash(), std::vector<std::string>{"src.bmp"});
    // A write that fails in place puts the old bytes back and reports the failure.
    WriteFile(w + "/src.bmp", Bmp24(16, 16, 8));
    Load(w + "/src.bmp");
    const std::string written = ReadFile(shut + "/photo.jpg");
    main->press->SetText("20");
    main->presson(main->press);
    ReplacingFileCalls().write = [first = true](int fd, const void* buffer, size_t count) mutable -> ssize_t {
        if (!first) return ::write(fd, buffer, count);
        first = false;
        errno = ENOSPC;
        return -1;
    };
    Save(shut + "/photo.jpg");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), "ストリームへの書き込みエラー.");
    EXPECT_TRUE(ReadFile(shut + "/photo.jpg") == written);
    EXPECT_EQ(Listing(shut), std::vector<std::string>{"photo.jpg"});
    EXPECT_TRUE(QFile::exists(QString::fromStdString(w + "/src.bmp")));
    ::chmod(shut.c_str(), 0755);
}

TEST_F(Saving, NamesAsLongAsTheSystemTakesAreSaved) {
    WriteFile(w + "/src.bmp", Bmp24(16, 16, 9));
    Load(w + "/src.bmp");
    std::string japanese;
    for (int i = 0; i < 83; ++i) japanese += "写";
    const std::string names[] = {std::string(251, 'p') + ".jpg", japanese + ".jpg", "x."};
    ASSERT_EQ(names[0].size(), 255u);
    for (const std::string& name : names) {
        Save(w + "/" + name);
        ExpectSaved(w + "/" + name);
    }
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Listing(w), (std::vector<std::string>{std::string(251, 'p') + ".jpg", "src.bmp", "x.", japanese + ".jpg"}));
}

// Each replacing call failing in its turn.
struct Fault {
    const char* what;
    std::function<void(FileCalls&)> inject;
};

const Fault kFaults[] = {
    {"a short write",
     [](FileCalls& c) {
         c.write = [first = true](int fd, const void* buffer, size_t count) mutable -> ssize_t {
             if (first) {
                 first = false;
                 return ::write(fd, buffer, count / 2);
             }
             errno = ENOSPC;
             return -1;
         };
     }},
    {"a failed flush",
     [](FileCalls& c) {
         c.fsync = [](int) {
             errno = EIO;
             return -1;
         };
     }},
    {"a failed close",
     [](FileCalls& c) {
         c.close = [](int fd) {
             ::close(fd);
             errno = EIO;
             return -1;
         };
     }},
    {"a failed rename",
     [](FileCalls& c) {
         c.rename = [](const char*, const char*) {
             errno = EXDEV;
             return -1;
         };
     }},
};

TEST_F(Saving, EveryFailureIsReportedAndLeavesTheFolderAsItWas) {
    WriteFile(w + "/src.bmp", Bmp24(32, 24, 10));
    WriteFile(w + "/old.jpg", "old");
    Load(w + "/src.bmp");
    main->exdel->SetChecked(true);
    const std::vector<std::string> before = Listing(w);
    for (const Fault& fault : kFaults) {
        for (const std::string& target : {w + "/old.jpg", w + "/new.jpg"}) {
            errors.clear();
            fault.inject(ReplacingFileCalls());
            Save(target);
            ReplacingFileCalls() = FileCalls::System();
            EXPECT_EQ(errors, std::vector<std::string>{"ストリームへの書き込みエラー."}) << fault.what;
            EXPECT_EQ(Listing(w), before) << fault.what;
            EXPECT_EQ(ReadFile(w + "/old.jpg"), "old") << fault.what;
            EXPECT_TRUE(ReadFile(w + "/src.bmp") == Bmp24(32, 24, 10)) << fault.what;
            EXPECT_TRUE(Trash().empty()) << fault.what;
        }
    }
    // The folder's flush fails after the rename: the new file is there, but the failure is
    // reported and the source stays.
    errors.clear();
    ReplacingFileCalls().fsync = [](int fd) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            errno = EIO;
            return -1;
        }
        return ::fsync(fd);
    };
    Save(w + "/old.jpg");
    EXPECT_EQ(errors, std::vector<std::string>{"ストリームへの書き込みエラー."});
    ExpectSaved(w + "/old.jpg");
    EXPECT_EQ(Listing(w), before);
    EXPECT_TRUE(Trash().empty());
}

TEST_F(Saving, TheFileReachesTheDiskBeforeTheRenameAndTheFolderAfterIt) {
    WriteFile(w + "/src.bmp", Bmp24(32, 24, 11));
    Load(w + "/src.bmp");
    std::vector<std::string> calls;
    auto kind = [](int fd) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? std::string(" folder") : std::string(" file");
    };
    FileCalls& c = ReplacingFileCalls();
    c.open = [&](const char* path, int flags, mode_t mode) {
        calls.push_back((flags & O_DIRECTORY) ? "open folder " + std::string(path) : "open file");
        return ::open(path, flags, mode);
    };
    c.write = [&](int fd, const void* buffer, size_t count) {
        if (calls.back() != "write") calls.push_back("write");
        return ::write(fd, buffer, count);
    };
    c.fsync = [&](int fd) {
        calls.push_back("flush" + kind(fd));
        return ::fsync(fd);
    };
    c.close = [&](int fd) {
        calls.push_back("close" + kind(fd));
        return ::close(fd);
    };
    c.rename = [&](const char* from, const char* to) {
        calls.push_back("rename to " + std::string(to));
        return ::rename(from, to);
    };
    Save(w + "/out.jpg");
    ReplacingFileCalls() = FileCalls::System();
    ExpectSaved(w + "/out.jpg");
    EXPECT_EQ(calls, (std::vector<std::string>{"open file", "write", "flush file", "close file",
                                               "rename to " + w + "/out.jpg", "open folder " + w + "/",
                                               "flush folder", "close folder"}));
}

}  // namespace
