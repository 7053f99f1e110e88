#include "forms/runtime.h"
#include "settings/settingsstore.h"
#include "support/diskfaults.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using korimo::SettingsStore;
using korimo::StepError;
using namespace Qt::StringLiterals;

namespace {

// Leaves the bytes in the settings file as a person editing it by hand might.
void writeByHand(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(SettingsStore, MissingKeyGivesTheDefault) {
    korimo::test::ScopedSettingsFile file;
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".bmp");
    EXPECT_TRUE(SettingsStore::getBool("HighQ", true));
    EXPECT_EQ(SettingsStore::getInt("PPosition", 4), 4);
}

TEST(SettingsStore, BooleansAreStoredAsCapitalisedWords) {
    korimo::test::ScopedSettingsFile file;
    SettingsStore::saveBool("AutoSave", true);
    SettingsStore::saveBool("BW", false);
    QSettings raw(file.path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Settings/AutoSave").toString(), "True");
    EXPECT_EQ(raw.value("Settings/BW").toString(), "False");
    EXPECT_TRUE(SettingsStore::getBool("AutoSave", false));
    EXPECT_FALSE(SettingsStore::getBool("BW", true));
}

TEST(SettingsStore, TextsRoundTripUnchanged) {
    korimo::test::ScopedSettingsFile file;
    const QString folder = "/tmp/a folder, with comma/and ü";
    SettingsStore::save("Folder", folder);
    SettingsStore::save("OldDir", "");
    SettingsStore::save("PPosition", "8");
    EXPECT_EQ(SettingsStore::get("Folder", "x"), folder);
    EXPECT_EQ(SettingsStore::get("OldDir", "x"), "");
    EXPECT_EQ(SettingsStore::getInt("PPosition", 4), 8);
}

TEST(SettingsStore, UnconvertibleTextsThrowSoTheStepIsSkipped) {
    korimo::test::ScopedSettingsFile file;
    SettingsStore::save("NoCap", "maybe");
    SettingsStore::save("PPosition", "centre");
    SettingsStore::save("ToolTip", "0");
    EXPECT_THROW(SettingsStore::getBool("NoCap", false), StepError);
    EXPECT_THROW(SettingsStore::getInt("PPosition", 4), StepError);
    EXPECT_FALSE(SettingsStore::getBool("ToolTip", true));
    EXPECT_THROW(SettingsStore::toInt("70000"), StepError);
    EXPECT_EQ(SettingsStore::toInt(" 3 "), 3);
    EXPECT_TRUE(SettingsStore::toBool("true"));
}

TEST(SettingsStore, AnUnreadableFileReadsAsDefaults) {
    korimo::test::ScopedSettingsFile file;
    ASSERT_NO_FATAL_FAILURE(writeByHand(
        file.path(), QByteArray("\x00\xff\xfe garbage [[[ = = \n[Settings\nAutoSave", 40)));
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".bmp");
    EXPECT_NO_THROW(SettingsStore::get("AutoSave", "False"));
}

TEST(SettingsStore, KeysAndTheSectionAreFoundInAnyCaseAndHandEditsSurviveAWrite) {
    korimo::test::ScopedSettingsFile file;
    ASSERT_NO_FATAL_FAILURE(writeByHand(
        file.path(), "; kept by hand\n[other]\next=.gif\n\n[settings]\r\ntooltip = False\r\n"
                     "EXT=.tga\nExt=.jpg\n"));
    EXPECT_FALSE(SettingsStore::getBool("ToolTip", true));
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".jpg") << "the last of several counts";

    SettingsStore::save("Ext", ".gif");
    SettingsStore::save("PPosition", "2");
    SettingsStore::save("Folder", "/tmp/a, b");
    QFile f(file.path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("; kept by hand\n[other]\next=.gif\n\n[settings]\r\n"
                                      "tooltip = False\r\nExt=.gif\nPPosition=2\n"
                                      "Folder=\"/tmp/a, b\"\n"));
    // Qt's own reader, which spells keys exactly, agrees on the keys written.
    QSettings raw(file.path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("settings/Folder").toString(), "/tmp/a, b");
    EXPECT_EQ(raw.value("settings/PPosition").toString(), "2");
}

// A note a person adds after a value is no part of it: an unquoted semicolon ends the value, as
// in Qt's own INI reader, so an edited file reads as it always did.
TEST(SettingsStore, ANoteAfterAValueIsNotReadAsPartOfIt) {
    korimo::test::ScopedSettingsFile file;
    ASSERT_NO_FATAL_FAILURE(writeByHand(
        file.path(), "[Settings]\nExt=.jpg ; the format I use\nFolder=\"/tmp/a;b\" ; quoted\n"
                     "PPosition=  5 ;\nOldDir=/tmp/c,/tmp/d;e\n"));
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".jpg");
    EXPECT_EQ(SettingsStore::get("Folder", ""), "/tmp/a;b");
    EXPECT_EQ(SettingsStore::getInt("PPosition", 4), 5);
    EXPECT_EQ(SettingsStore::get("OldDir", ""), "/tmp/c,/tmp/d");
    QSettings raw(file.path(), QSettings::IniFormat);
    for (const char* key : {"Ext", "Folder", "PPosition"})
        EXPECT_EQ(SettingsStore::get(key, "<none>"),
                  raw.value(QStringLiteral("Settings/") + key).toString())
            << key;
}

TEST(SettingsStore, ValuesThatCannotBeWrittenHoldForTheRunAndTheFailureIsToldOnce) {
    korimo::test::ScopedSettingsFile file;
    QStringList told;
    SettingsStore::setWriteFailureHandler(
        [&](const QString& path, const QString& reason) { told << path + ": " + reason; });
    SettingsStore::save("Ext", ".tga");
    auto onDisk = [&] {
        QFile f(file.path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    };

    // Each way the file cannot take a write: its folder or the file itself read-only, no room.
    for (const QString& place : {file.dir(), file.path(), QString()}) {
        told.clear();
        const QByteArray written = onDisk();
        std::unique_ptr<korimo::test::ReadOnlyPlace> readOnly;
        std::unique_ptr<korimo::test::FullFolder> full;
        if (place.isEmpty()) {
            full = std::make_unique<korimo::test::FullFolder>(korimo::test::FullFolder::SizeLimit);
            full->fill();
        } else {
            readOnly = std::make_unique<korimo::test::ReadOnlyPlace>(place);
            ASSERT_TRUE(readOnly->ok()) << readOnly->error().toStdString();
        }
        SettingsStore::save("Ext", ".jpg");
        SettingsStore::saveBool("BW", true);
        const QString whyFull = full ? full->reason() : QString();
        full.reset();
        EXPECT_EQ(onDisk(), written) << place.toStdString();
        readOnly.reset();
        ASSERT_EQ(told.size(), 1) << place.toStdString() << told.join('|').toStdString();
        EXPECT_TRUE(told[0].startsWith(file.path() + ": ")) << told[0].toStdString();
        if (!whyFull.isEmpty()) {
            EXPECT_EQ(told[0], file.path() + ": " + whyFull);
        }
        EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".jpg");
        EXPECT_TRUE(SettingsStore::getBool("BW", false));

        // The next write that works takes the values held, and a later failure is told again.
        SettingsStore::save("PPosition", "3");
        QSettings raw(file.path(), QSettings::IniFormat);
        EXPECT_EQ(raw.value("Settings/Ext").toString(), ".jpg");
        EXPECT_EQ(raw.value("Settings/BW").toString(), "True");
        EXPECT_EQ(told.size(), 1);
        SettingsStore::save("Ext", ".tga");
        SettingsStore::saveBool("BW", false);
        told.clear();
    }
    SettingsStore::setWriteFailureHandler({});
}

TEST(SettingsStore, AStoreThatIsNoFileReadsAsDefaultsAndRefusesWrites) {
    korimo::test::ScopedSettingsFile file;
    ASSERT_TRUE(QDir().mkdir(file.path()));
    QStringList told;
    SettingsStore::setWriteFailureHandler(
        [&](const QString& path, const QString& reason) { told << path + ": " + reason; });
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".bmp");
    EXPECT_TRUE(SettingsStore::getBool("HighQ", true));
    SettingsStore::save("Ext", ".gif");
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".gif");
    EXPECT_EQ(told, QStringList{file.path() + ": Is a directory"});
    EXPECT_TRUE(QFileInfo(file.path()).isDir());
    SettingsStore::setWriteFailureHandler({});
}

// A pipe where the file belongs would hold a reader until something writes into it: start-up
// must not wait on it, and a save must not put a file in its place.
TEST(SettingsStore, AStoreThatIsAPipeNeverHoldsTheProgramAndIsLeftInPlace) {
    korimo::test::ScopedSettingsFile file;
    const QByteArray pipe = QFile::encodeName(file.path());
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    QStringList told;
    SettingsStore::setWriteFailureHandler(
        [&](const QString& path, const QString& reason) { told << path + ": " + reason; });
    auto read = std::async(std::launch::async, [] { return SettingsStore::get("Ext", ".bmp"); });
    const bool answered = read.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!answered) {
        // A writer that comes and goes lets the held reader go, so the test can end.
        const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    ASSERT_TRUE(answered) << "reading the settings waited on the pipe";
    EXPECT_EQ(read.get(), ".bmp");
    SettingsStore::save("Ext", ".gif");
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".gif");
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(file.path() + ": ")) << told[0].toStdString();
    struct stat st {};
    ASSERT_EQ(::lstat(pipe.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced";
    SettingsStore::setWriteFailureHandler({});
}

TEST(SettingsStore, TextsReadBackTheSameThroughQtsOwnIniSettingsEitherWay) {
    const QStringList values = {"C:\\old\\dir",
                                "\\\\server\\share\\",
                                "say \"cheese\"",
                                "\"quoted whole\"",
                                "@Invalid()",
                                "@@twice",
                                "@String(x)",
                                "  blanks around  ",
                                " ",
                                "a;b=c,d",
                                "; a note?",
                                "tab\there\nand a line",
                                "\ttabs at both ends\t",
                                "\nlines at both ends\r\n",
                                " \t mixed \t ",
                                u"Captures\u00a0"_s,
                                u"\u00a0no-break spaces\u00a0\u00a0"_s,
                                u"\u3000ideographic\u2003em\u2028"_s,
                                u"\u0085next line\u0085"_s,
                                u"\ufeffmarked"_s,
                                "\x01"
                                "7 after a control",
                                QString(QChar(0)) + "nul first",
                                "ünïcödé € 😀",
                                "#not a comment",
                                "[Settings]",
                                ""};
    for (int i = 0; i < values.size(); ++i) {
        const QString key = QStringLiteral("Key%1").arg(i);
        {
            korimo::test::ScopedSettingsFile file;
            SettingsStore::save(key, values[i]);
            EXPECT_EQ(SettingsStore::get(key, "<none>").toStdString(), values[i].toStdString())
                << "written and read by the store";
            QSettings raw(file.path(), QSettings::IniFormat);
            EXPECT_EQ(raw.value("Settings/" + key).toString().toStdString(),
                      values[i].toStdString())
                << "written by the store";
        }
        {
            korimo::test::ScopedSettingsFile file;
            {
                QSettings raw(file.path(), QSettings::IniFormat);
                raw.setValue("Settings/" + key, values[i]);
            }
            EXPECT_EQ(SettingsStore::get(key, "<none>").toStdString(), values[i].toStdString())
                << "written by Qt";
        }
    }
}

namespace {

// Another copy of the program, as far as the store goes: this test executable started again
// with the writer's part, told the file and its own key. Each "go" line from the test starts a
// round of saves of that key, answered with "done" once the round's last value is written.
const char* const kWriterEnv = "KORIMO_SETTINGS_WRITER";
constexpr int kSavesPerRound = 3;

QString roundValue(const QString& key, int round, int save) {
    return QStringLiteral("%1 round %2 save %3").arg(key).arg(round).arg(save);
}

} // namespace

TEST(SettingsStoreWriter, SavesItsKeyRoundByRound) {
    const QStringList job = qEnvironmentVariable(kWriterEnv).split(u'\n');
    if (job.size() != 2)
        GTEST_SKIP() << "runs only as the writer started by the two-copies test";
    SettingsStore::setFile(job[0]);
    bool failed = false;
    SettingsStore::setWriteFailureHandler([&](const QString&, const QString& reason) {
        failed = true;
        std::fprintf(stdout, "failed: %s\n", reason.toLocal8Bit().constData());
    });
    char line[64];
    for (int round = 0; std::fgets(line, sizeof line, stdin); ++round) {
        for (int save = 0; save < kSavesPerRound; ++save)
            SettingsStore::save(job[1], roundValue(job[1], round, save));
        std::fprintf(stdout, "done\n");
        std::fflush(stdout);
    }
    SettingsStore::setFile(QString());
    EXPECT_FALSE(failed);
}

// Two copies of the program saving different keys at the same moment each keep the other's
// last value, and neither writes back a key it did not change.
TEST(SettingsStore, TwoCopiesSavingAtOnceLoseNoValue) {
    korimo::test::ScopedSettingsFile file;
    SettingsStore::save("Ext", ".gif");
    SettingsStore::save("Folder", "chosen here first");
    const QStringList keys = {"Folder", "OldDir"};
    std::vector<std::unique_ptr<QProcess>> writers;
    for (const QString& key : keys) {
        auto writer = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kWriterEnv), file.path() + u'\n' + key);
        writer->setProcessEnvironment(env);
        writer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer->start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--gtest_filter=SettingsStoreWriter.*")});
        ASSERT_TRUE(writer->waitForStarted(10000));
        writers.push_back(std::move(writer));
    }
    constexpr int kRounds = 20;
    int lost = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Sent to both before either answer is awaited, so that both rounds run at once.
        for (auto& writer : writers) {
            writer->write("go\n");
            ASSERT_TRUE(writer->waitForBytesWritten(10000));
        }
        for (auto& writer : writers) {
            QByteArray answer; // past the test framework's own lines
            while (answer != "done\n") {
                while (!writer->canReadLine())
                    ASSERT_TRUE(writer->waitForReadyRead(30000)) << "round " << round;
                answer = writer->readLine();
                ASSERT_FALSE(answer.startsWith("failed")) << answer.constData();
            }
        }
        for (const QString& key : keys)
            if (SettingsStore::get(key, "<none>") != roundValue(key, round, kSavesPerRound - 1)) {
                ++lost;
                ADD_FAILURE() << "round " << round << ": " << key.toStdString() << " holds "
                              << SettingsStore::get(key, "<none>").toStdString();
            }
    }
    for (auto& writer : writers) {
        writer->closeWriteChannel();
        ASSERT_TRUE(writer->waitForFinished(30000));
        const QByteArray output = writer->readAll();
        EXPECT_EQ(writer->exitCode(), 0) << output.constData();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
    }
    EXPECT_EQ(lost, 0) << "values lost in " << kRounds << " rounds";
    EXPECT_EQ(SettingsStore::get("Ext", "<none>"), ".gif") << "a key neither copy changed";
    // A key changed here before the other copies changed it is not written back with the next.
    SettingsStore::save("BW", "True");
    EXPECT_EQ(SettingsStore::get("Folder", "<none>"),
              roundValue("Folder", kRounds - 1, kSavesPerRound - 1));
}

// A lock that another program holds past the wait fails the write like any other cause: told
// once, the value kept for the run and written with the next write that gets the lock.
TEST(SettingsStore, ALockHeldElsewhereFailsTheWriteAndTheValueHolds) {
    korimo::test::ScopedSettingsFile file;
    SettingsStore::save("Ext", ".gif");
    QStringList told;
    SettingsStore::setWriteFailureHandler(
        [&](const QString& path, const QString& reason) { told << path + ": " + reason; });
    const QByteArray lockPath = QFile::encodeName(file.path() + ".lock");
    const int held = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    const QByteArray before = [&] {
        QFile f(file.path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    SettingsStore::save("Ext", ".jpg");
    EXPECT_EQ(told, QStringList{file.path() + ": Locked by another program"});
    EXPECT_EQ(SettingsStore::get("Ext", ".bmp"), ".jpg");
    QFile f(file.path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    ::close(held);

    SettingsStore::saveBool("BW", true);
    QSettings raw(file.path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Settings/Ext").toString(), ".jpg");
    EXPECT_EQ(raw.value("Settings/BW").toString(), "True");
    EXPECT_EQ(told.size(), 1);
    SettingsStore::setWriteFailureHandler({});
}
