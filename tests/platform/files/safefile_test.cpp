#include "files/safefile.h"
#include "imaging/image.h"
#include "imaging/savefile.h"

#include "pattern.h"
#include "syscallfaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace korimo {
namespace {

using test::ArmedFault;
using test::SysFault;

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray randomBytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(size).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QStringList entriesOf(const QString& folder) {
    QStringList all = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                             QDir::Hidden | QDir::System);
    all.sort();
    return all;
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::lstat(native(path).constData(), &st);
    return st;
}

// Sets a file's times back, as if it had been left there that long ago.
void ageBy(const QString& path, int seconds) {
    struct timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, native(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// The value of an extended attribute, or "(none)".
QByteArray attribute(const QString& path, const char* name) {
    QByteArray value(65536, Qt::Uninitialized);
    const ssize_t size = ::getxattr(native(path).constData(), name, value.data(), value.size());
    return size < 0 ? QByteArray("(none)") : value.left(size);
}

// What setfacl, getfacl and other tools say, with the exit code in front.
QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return QStringLiteral("%1 did not run").arg(program);
    return QString::number(p.exitCode()) + QLatin1Char(' ') +
           QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
}

void replaceWith(const QString& file, const QByteArray& bytes) {
    SafeFile out(file, SafeFile::Replace);
    out.write(bytes.constData(), std::size_t(bytes.size()));
    out.commit();
}

// The test program that saves one file, run as a process of its own.
class Child {
public:
    explicit Child(const QStringList& args, const std::function<void()>& inChild = {},
                   const QString& program = QStringLiteral(KORIMO_SAFEFILE_CHILD)) {
        m_process.setProgram(program);
        m_process.setArguments(args);
        if (inChild)
            m_process.setChildProcessModifier(inChild);
        m_process.start();
        m_started = m_process.waitForStarted(60000);
    }
    ~Child() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(60000);
        }
    }
    bool started() const { return m_started; }
    // The next line it says; empty when it ends first.
    QString nextLine() {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(60000)) {
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    void say(const char* line) { m_process.write(line); }
    void kill() {
        m_process.kill(); // SIGKILL
        m_process.waitForFinished(60000);
    }
    // "exit N: what it printed", or how it ended otherwise.
    QString finish() {
        if (!m_process.waitForFinished(120000))
            return QStringLiteral("did not end");
        const QString out = QString::fromUtf8(m_process.readAllStandardOutput()).trimmed();
        if (m_process.exitStatus() != QProcess::NormalExit)
            return QStringLiteral("ended by a signal: ") + out;
        return QStringLiteral("exit %1: %2").arg(m_process.exitCode()).arg(out);
    }

private:
    QProcess m_process;
    bool m_started = false;
};

// Saves go through an unnamed temporary file where the file system has them, else through a
// hidden named one; every case below runs both ways.
enum class Way { Unnamed, Named };

class SafeFileWays : public ::testing::TestWithParam<Way> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        if (GetParam() == Way::Named) {
            named = std::make_unique<ArmedFault>(SysFault::NoUnnamedFiles, dir.path());
            return;
        }
        const int fd = ::open(native(dir.path()).constData(), O_TMPFILE | O_WRONLY, 0600);
        if (fd < 0)
            GTEST_SKIP() << "the file system of " << dir.path().toStdString()
                         << " has no unnamed files; the named way runs";
        ::close(fd);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries() const { return entriesOf(dir.path()); }
    QStringList childArgs(const QStringList& args) const {
        return GetParam() == Way::Named ? QStringList{QStringLiteral("--no-unnamed")} + args : args;
    }
    // Leftovers of killed saves look as old as ones left a while ago.
    void ageLeftovers() {
        for (const QString& name : entries())
            if (name.startsWith('.'))
                ageBy(path(name), 60);
    }

    QTemporaryDir dir;
    std::unique_ptr<ArmedFault> named;
};

std::string wayName(const ::testing::TestParamInfo<Way>& info) {
    return info.param == Way::Unnamed ? "Unnamed" : "Named";
}

// Each call a healthy disk never fails fails once: a write, the sync, and the size that shows
// whether every byte reached the file. Small files fail at the last flush, large ones midway.
TEST_P(SafeFileWays, AFailingWriteSyncOrSizeLeavesTheOlderFileByteForByte) {
    struct Fault {
        SysFault fault;
        int err, reported;
        const char* name;
    };
    const Fault faults[] = {{SysFault::WriteFails, ENOSPC, ENOSPC, "write"},
                            {SysFault::FsyncFails, EIO, EIO, "fsync"},
                            {SysFault::FsyncFails, EDQUOT, EDQUOT, "fsync"},
                            {SysFault::SizeFallsShort, 0, EIO, "size"}};
    const QByteArray older = randomBytes(4096);
    writeFile(path(QStringLiteral("frame.bmp")), older);
    for (const Fault& f : faults)
        for (int size : {10, 300 * 1024})
            for (const auto mode : {SafeFile::Replace, SafeFile::NewOnly}) {
                const std::string what = std::string(f.name) + " " + std::to_string(size) +
                                         (mode == SafeFile::Replace ? " replace" : " new");
                const QByteArray bytes = randomBytes(size);
                ArmedFault fault(f.fault, dir.path(), f.err);
                try {
                    SafeFile out(path(QStringLiteral("frame.bmp")), mode);
                    out.write(bytes.constData(), std::size_t(bytes.size()));
                    if (mode == SafeFile::Replace)
                        out.commit();
                    else
                        out.commitAs(path(QStringLiteral("auto1.bmp")));
                    ADD_FAILURE() << what << ": the save went through";
                } catch (const FileWriteError& e) {
                    EXPECT_EQ(e.reason(), systemReason(f.reported)) << what;
                    EXPECT_TRUE(QString::fromStdString(e.what()).endsWith(systemReason(f.reported) +
                                                                          QLatin1Char('.')))
                        << what << ": " << e.what();
                }
                EXPECT_GT(fault.hits(), 0) << what;
                EXPECT_EQ(readAll(path(QStringLiteral("frame.bmp"))), older) << what;
                EXPECT_EQ(entries(), QStringList{QStringLiteral("frame.bmp")}) << what;
            }
}

TEST_P(SafeFileWays, WritesThatTakeOnlyPartOfTheirBytesStillPutEveryByteInPlace) {
    const QByteArray bytes = randomBytes(300 * 1024);
    ArmedFault shortWrites(SysFault::ShortWrites, dir.path());
    replaceWith(path(QStringLiteral("frame.bmp")), bytes);
    EXPECT_GT(shortWrites.hits(), 300);
    EXPECT_EQ(readAll(path(QStringLiteral("frame.bmp"))), bytes);
}

// A save whose sync took long has a file that looks old by the time it is closed, and no lock
// on it from then until the rename a moment later: another save clearing the folder in that
// moment must leave it.
TEST_P(SafeFileWays, AFileThatWaitedLongOnItsSyncIsNotClearedBeforeItIsInPlace) {
    const QByteArray bytes = randomBytes(300 * 1024);
    ArmedFault slowSync(SysFault::SyncTakesAMinute, dir.path());
    bool cleared = false;
    test::AfterClose between(dir.path(), [&] {
        replaceWith(path(QStringLiteral("other.bin")), "other");
        cleared = true;
    });
    replaceWith(path(QStringLiteral("frame.bmp")), bytes);
    EXPECT_TRUE(cleared);
    EXPECT_GT(slowSync.hits(), 0);
    EXPECT_EQ(readAll(path(QStringLiteral("frame.bmp"))), bytes);
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("frame.bmp"), QStringLiteral("other.bin")}));
}

// Run as `ulimit -f 100` would: the test leaves the signal at its default in the child.
TEST_P(SafeFileWays, AFileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    const QString file = path(QStringLiteral("frame.bmp"));
    writeFile(file, "older bitmap");
    Child child(childArgs({QStringLiteral("image"), file}), [] {
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 100 * 1024;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_DFL);
    });
    ASSERT_TRUE(child.started());
    const QString result = child.finish();
    EXPECT_TRUE(result.startsWith(QStringLiteral("exit 1: error: ")) &&
                result.endsWith(systemReason(EFBIG) + QLatin1Char('.')))
        << result.toStdString();
    EXPECT_EQ(readAll(file), QByteArray("older bitmap"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("frame.bmp")});
}

// Killed while half the file is written: the older file stays whole. The unnamed way leaves
// nothing at all; the named way leaves its file, which the next save clears once no save
// holds it.
TEST_P(SafeFileWays, AKillMidSaveLeavesTheOlderFileAndNothingThatOutlivesTheNextSave) {
    constexpr int kMiB = 24;
    const QString file = path(QStringLiteral("clip.raw"));
    writeFile(file, test::pattern(1, kMiB));
    {
        Child child(childArgs({QStringLiteral("bytes"), file, QString::number(kMiB),
                               QStringLiteral("2"), QStringLiteral("pause")}));
        ASSERT_TRUE(child.started());
        ASSERT_EQ(child.nextLine(), QStringLiteral("half"));
        child.kill();
    }
    EXPECT_TRUE(readAll(file) == test::pattern(1, kMiB)) << "the older file was changed";
    if (GetParam() == Way::Unnamed)
        EXPECT_EQ(entries(), QStringList{QStringLiteral("clip.raw")});
    else
        EXPECT_EQ(entries().size(), 2) << entries().join(' ').toStdString();

    ageLeftovers();
    Child next(
        childArgs({QStringLiteral("bytes"), file, QString::number(kMiB), QStringLiteral("3")}));
    ASSERT_TRUE(next.started());
    EXPECT_EQ(next.finish(), QStringLiteral("exit 0: saved"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("clip.raw")});
    EXPECT_TRUE(readAll(file) == test::pattern(3, kMiB)) << "the new file is not whole";
}

// Killed at random moments from start to end, the sync and the rename included, saving over a
// file and under automatic names by turns: a file under a name is always one save's whole file,
// and whatever a kill left is gone after the next save.
TEST_P(SafeFileWays, KillsAtAnyMomentLeaveWholeFilesAndTheNextSaveClearsTheRest) {
    constexpr int kMiB = 16;
    const QString file = path(QStringLiteral("clip.raw"));
    const auto save = [&](const QString& name, int seed, const char* how = "") {
        return childArgs({QStringLiteral("bytes"), path(name), QString::number(kMiB),
                          QString::number(seed), QString::fromLatin1(how)});
    };
    QElapsedTimer timer;
    timer.start();
    {
        Child first(save(QStringLiteral("clip.raw"), 1));
        ASSERT_EQ(first.finish(), QStringLiteral("exit 0: saved"));
    }
    const qint64 wholeSaveMs = std::max<qint64>(timer.elapsed(), 10);
    int whole = 1, finished = 0;
    QStringList names{QStringLiteral("clip.raw")};
    for (int round = 0; round < 12; ++round) {
        const int seed = 10 + round;
        const bool automatic = round % 2 == 1;
        const QString name =
            automatic ? QStringLiteral("auto%1.raw").arg(round) : QStringLiteral("clip.raw");
        Child child(save(name, seed, automatic ? "new" : ""));
        ASSERT_TRUE(child.started());
        std::this_thread::sleep_for(std::chrono::milliseconds(
            QRandomGenerator::global()->bounded(wholeSaveMs + wholeSaveMs / 5)));
        child.kill();
        const QByteArray now = readAll(path(name));
        if (now == test::pattern(seed, kMiB)) {
            ++finished;
            if (automatic)
                names << name;
            else
                whole = seed;
        } else if (automatic) {
            ASSERT_FALSE(QFile::exists(path(name))) << "round " << round << ": a part file";
        } else {
            ASSERT_TRUE(now == test::pattern(whole, kMiB))
                << "round " << round << ": the file is neither the last whole save nor the new";
        }
        for (const QString& entry : entries())
            EXPECT_TRUE(names.contains(entry) || entry.startsWith('.')) << entry.toStdString();
        ageLeftovers();
    }
    Child last(save(QStringLiteral("clip.raw"), 99));
    EXPECT_EQ(last.finish(), QStringLiteral("exit 0: saved"));
    names.sort();
    EXPECT_EQ(entries(), names) << finished
                                << " of 12 killed saves had finished; a whole save took "
                                << wholeSaveMs << " ms";
    EXPECT_TRUE(readAll(file) == test::pattern(99, kMiB));
}

INSTANTIATE_TEST_SUITE_P(SafeFile, SafeFileWays, ::testing::Values(Way::Unnamed, Way::Named),
                         wayName);

// A save under way holds its temporary file: another process's save into the same folder
// leaves it, however old it looks, and the first save still ends well.
TEST(SafeFileClearing, LeavesTheFileOfASaveThatIsStillGoingOn) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.raw")),
                  b = dir.filePath(QStringLiteral("b.raw"));
    Child writing({QStringLiteral("--no-unnamed"), QStringLiteral("bytes"), a, QStringLiteral("8"),
                   QStringLiteral("2"), QStringLiteral("pause")});
    ASSERT_TRUE(writing.started());
    ASSERT_EQ(writing.nextLine(), QStringLiteral("half"));
    const QStringList during = entriesOf(dir.path());
    ASSERT_EQ(during.size(), 1);
    ageBy(dir.filePath(during[0]), 3600 * 24);

    Child other({QStringLiteral("--no-unnamed"), QStringLiteral("bytes"), b, QStringLiteral("1"),
                 QStringLiteral("4")});
    EXPECT_EQ(other.finish(), QStringLiteral("exit 0: saved"));
    EXPECT_TRUE(QFile::exists(dir.filePath(during[0]))) << "the live file was cleared";

    writing.say("go on\n");
    EXPECT_EQ(writing.finish(), QStringLiteral("exit 0: saved"));
    EXPECT_EQ(entriesOf(dir.path()),
              (QStringList{QStringLiteral("a.raw"), QStringLiteral("b.raw")}));
    EXPECT_TRUE(readAll(a) == test::pattern(2, 8));
}

// What a save clears: only hidden regular files of this user under the temporary files' own
// names, untouched for a while and held by no save.
TEST(SafeFileClearing, TakesOnlyThisUsersDeadTemporaryFiles) {
    QTemporaryDir dir;
    const auto plant = [&](const QString& name, int ageSeconds) {
        writeFile(dir.filePath(name), "left");
        ageBy(dir.filePath(name), ageSeconds);
    };
    const QString dead = QStringLiteral(".frame.bmp.korimo-0123456789abcdef");
    plant(dead, 60);
    QStringList kept;
    const auto keep = [&](const QString& name, int ageSeconds) {
        plant(name, ageSeconds);
        kept << name;
    };
    keep(QStringLiteral(".frame.bmp.korimo-00000000000000aa"), 0); // just made
    keep(QStringLiteral("frame.bmp.korimo-0123456789abcdef"), 60); // not hidden
    keep(QStringLiteral(".frame.bmp.korimo-0123456789ABCDEF"), 60);
    keep(QStringLiteral(".frame.bmp.korimo-0123456789abcde"), 60);
    keep(QStringLiteral(".frame.bmp.korimo-0123456789abcdef0"), 60);
    keep(QStringLiteral(".frame.bmp.0123456789abcdef"), 60);
    keep(QStringLiteral(".korimo-0123456789abcdef"), 60);
    const QString held = QStringLiteral(".held.bmp.korimo-1111111111111111");
    keep(held, 3600);
    const int holder = ::open(native(dir.filePath(held)).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const QString folder = QStringLiteral(".d.korimo-2222222222222222");
    ASSERT_TRUE(QDir(dir.path()).mkdir(folder));
    kept << folder;
    const QString pipe = QStringLiteral(".p.korimo-5555555555555555");
    ASSERT_EQ(::mkfifo(native(dir.filePath(pipe)).constData(), 0600), 0);
    ageBy(dir.filePath(pipe), 60);
    kept << pipe;
    const QString link = QStringLiteral(".l.korimo-3333333333333333");
    ASSERT_TRUE(QFile::link(dir.filePath(dead), dir.filePath(link)));
    kept << link;
    if (::geteuid() == 0) {
        const QString others = QStringLiteral(".theirs.bmp.korimo-4444444444444444");
        keep(others, 60);
        ASSERT_EQ(::chown(native(dir.filePath(others)).constData(), 4242, 4242), 0);
    }

    replaceWith(dir.filePath(QStringLiteral("frame.bmp")), "new");
    ::close(holder);
    kept << QStringLiteral("frame.bmp");
    kept.sort();
    EXPECT_EQ(entriesOf(dir.path()), kept);
}

// A save over a file keeps what the user or an administrator gave that file.
class SafeFileKeeps : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFileInfo(QStringLiteral("/usr/bin/setfacl")).exists())
            << "setfacl is missing: scripts/install-deps.sh installs the acl package";
    }
    QTemporaryDir dir;
};

TEST_F(SafeFileKeeps, TheModeAndAcl) {
    const QString file = dir.filePath(QStringLiteral("frame.bmp"));
    writeFile(file, "older");
    ASSERT_EQ(::chmod(native(file).constData(), 0640), 0);
    const QString set =
        run(QStringLiteral("setfacl"),
            {QStringLiteral("-m"), QStringLiteral("u:nobody:rw-,g:4343:r--"), file});
    if (set.contains(QStringLiteral("Operation not supported")))
        GTEST_SKIP() << "the file system of the temporary folder has no ACLs: "
                     << set.toStdString();
    ASSERT_TRUE(set.startsWith('0')) << set.toStdString();
    const QString acl = run(QStringLiteral("getfacl"), {QStringLiteral("--omit-header"), file});
    const QByteArray rawAcl = attribute(file, "system.posix_acl_access");
    const mode_t mode = statOf(file).st_mode;

    replaceWith(file, "newer");
    EXPECT_EQ(readAll(file), QByteArray("newer"));
    EXPECT_EQ(run(QStringLiteral("getfacl"), {QStringLiteral("--omit-header"), file}).toStdString(),
              acl.toStdString());
    EXPECT_EQ(attribute(file, "system.posix_acl_access"), rawAcl);
    EXPECT_EQ(statOf(file).st_mode, mode);
}

TEST_F(SafeFileKeeps, TheUserAttributes) {
    const QString file = dir.filePath(QStringLiteral("frame.bmp"));
    writeFile(file, "older");
    const QByteArray note("taken at 00:01:02"), binary("\0\1\2\377", 4);
    if (::setxattr(native(file).constData(), "user.note", note.constData(), note.size(), 0) != 0)
        GTEST_SKIP() << "the file system of the temporary folder has no user attributes: "
                     << std::strerror(errno);
    ASSERT_EQ(::setxattr(native(file).constData(), "user.bytes", binary.constData(), 4, 0), 0);
    ASSERT_EQ(::setxattr(native(file).constData(), "user.empty", "", 0, 0), 0);

    replaceWith(file, "newer");
    EXPECT_EQ(readAll(file), QByteArray("newer"));
    EXPECT_EQ(attribute(file, "user.note"), note);
    EXPECT_EQ(attribute(file, "user.bytes"), binary);
    EXPECT_EQ(attribute(file, "user.empty"), QByteArray());
}

// A folder's default ACL applies to files made there, but not to one that replaces a file
// that had no ACL of its own.
TEST_F(SafeFileKeeps, NoAclWhereTheOlderFileHadNone) {
    const QString older = dir.filePath(QStringLiteral("older.bmp"));
    writeFile(older, "older");
    ASSERT_EQ(::chmod(native(older).constData(), 0644), 0);
    const QString set =
        run(QStringLiteral("setfacl"), {QStringLiteral("-d"), QStringLiteral("-m"),
                                        QStringLiteral("u:nobody:rwx"), dir.path()});
    if (set.contains(QStringLiteral("Operation not supported")))
        GTEST_SKIP() << "the file system of the temporary folder has no ACLs: "
                     << set.toStdString();
    ASSERT_TRUE(set.startsWith('0')) << set.toStdString();

    replaceWith(older, "newer");
    replaceWith(dir.filePath(QStringLiteral("new.bmp")), "new");
    EXPECT_EQ(attribute(older, "system.posix_acl_access"), QByteArray("(none)"));
    EXPECT_EQ(statOf(older).st_mode & 07777, 0644u);
    EXPECT_NE(attribute(dir.filePath(QStringLiteral("new.bmp")), "system.posix_acl_access"),
              QByteArray("(none)"));
}

TEST_F(SafeFileKeeps, TheOwnerAndGroupWhenRootSaves) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    const QString file = dir.filePath(QStringLiteral("frame.bmp"));
    writeFile(file, "older");
    ASSERT_EQ(::chown(native(file).constData(), 4242, 4343), 0);
    ASSERT_EQ(::chmod(native(file).constData(), 02664), 0);
    replaceWith(file, "newer");
    const struct stat st = statOf(file);
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4343u);
    EXPECT_EQ(st.st_mode & 07777, 02664u);
}

// A team's folder without the setgid bit: a member saving over a teammate's file keeps the
// file in the team's group, so the team can still write it.
TEST_F(SafeFileKeeps, TheTeamsGroupInASharedFolder) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a team of users needs root";
    constexpr uid_t kMember = 4242, kTeammate = 4444;
    constexpr gid_t kTeam = 4343;
    ASSERT_EQ(::chmod(native(dir.path()).constData(), 0755), 0);
    // The build folder may be closed to other users; the copy is not.
    const QString program = dir.filePath(QStringLiteral("child"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KORIMO_SAFEFILE_CHILD), program));
    ASSERT_EQ(::chmod(native(program).constData(), 0755), 0);
    const QString team = dir.filePath(QStringLiteral("team"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("team")));
    ASSERT_EQ(::chown(native(team).constData(), kTeammate, kTeam), 0);
    ASSERT_EQ(::chmod(native(team).constData(), 0775), 0);
    const QString file = team + QStringLiteral("/plan.raw");
    writeFile(file, "older");
    ASSERT_EQ(::chown(native(file).constData(), kTeammate, kTeam), 0);
    ASSERT_EQ(::chmod(native(file).constData(), 0664), 0);

    Child member(
        {QStringLiteral("bytes"), file, QStringLiteral("1"), QStringLiteral("5")},
        [] {
            const gid_t groups[] = {kTeam};
            if (::setgroups(1, groups) != 0 || ::setgid(kMember) != 0 || ::setuid(kMember) != 0)
                ::_exit(3);
        },
        program);
    if (!member.started())
        GTEST_SKIP() << "the temporary folder does not let programs run";
    ASSERT_EQ(member.finish(), QStringLiteral("exit 0: saved"));
    const struct stat st = statOf(file);
    EXPECT_EQ(st.st_uid, kMember) << "the member cannot give the file away";
    EXPECT_EQ(st.st_gid, kTeam);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_TRUE(readAll(file) == test::pattern(5, 1));
    EXPECT_EQ(entriesOf(team), QStringList{QStringLiteral("plan.raw")});
}

// No write bit for the owner means read-only for everyone: root, who passes every permission
// check, gets the same refusal as any user, and the file stays as it was.
TEST_F(SafeFileKeeps, AFileWithoutItsOwnersWriteBitIsLeftAloneEvenByRoot) {
    for (const mode_t mode : {0444u, 0464u, 0555u}) {
        const QString file = dir.filePath(QStringLiteral("frame.bmp"));
        writeFile(file, "read-only");
        ASSERT_EQ(::chmod(native(file).constData(), mode), 0);
        try {
            replaceWith(file, "replaced");
            ADD_FAILURE() << std::oct << mode << ": the file was replaced";
        } catch (const FileWriteError& e) {
            EXPECT_EQ(e.reason(), systemReason(EACCES)) << std::oct << mode;
        }
        Image image(8, 8);
        try {
            saveImageFile(image, file, 6, 24, 0);
            ADD_FAILURE() << std::oct << mode << ": the frame was saved over the file";
        } catch (const ImagingError& e) {
            EXPECT_TRUE(QString::fromStdString(e.what()).endsWith(
                QStringLiteral("cannot be written: ") + systemReason(EACCES) + '.'))
                << e.what();
        }
        EXPECT_EQ(readAll(file), QByteArray("read-only"));
        EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("frame.bmp")});
        ASSERT_EQ(::chmod(native(file).constData(), 0644), 0);
        QFile::remove(file);
    }
}

} // namespace
} // namespace korimo
