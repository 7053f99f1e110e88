// Saves texts made from arbitrary bytes into the settings store, then reads every key back
// through the store and through Qt's own INI reader: each must give the text last saved, to the
// last character, blanks, tabs, line breaks, quotes and escapes included.
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <map>
#include <memory>

namespace {

const char* const kKeys[] = {"AutoSave", "VidSave", "NoCap",    "AutoDir", "NoWin",
                             "LoadVid",  "Folder",  "Ext",      "HighQ",   "BW",
                             "ToolTip",  "OldDir",  "PPosition"};

// Characters the INI format treats specially, or that a reader may take for blanks.
const char16_t kAwkward[] = {u' ',   u'\t',  u'\n',  u'\r',  u'\v',  u'\f',  u'\0',  u'"',
                             u'\\',  u';',   u',',   u'=',   u'@',   u'#',   u'[',   u']',
                             u'x',   u'0',   u'7',   u'a',   u'F',   0x00a0, 0x0085, 0x1680,
                             0x2000, 0x2003, 0x200b, 0x2028, 0x2029, 0x202f, 0x205f, 0x3000,
                             0xfeff, 0x00e9, 0x20ac, 0x007f, 0x0080, 0x009f, 0xfffd, 0xffff};

// A valid text: each step a plain character, one of the awkward ones, any character of the
// basic plane but a surrogate, or an emoji's surrogate pair.
QString text(FuzzedDataProvider& in) {
    QString s;
    const int length = in.ConsumeIntegralInRange(0, 40);
    for (int i = 0; i < length && in.remaining_bytes() > 0; ++i) {
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            s += QChar(char16_t(in.ConsumeIntegralInRange(0x20, 0x7e)));
            break;
        case 1:
            s += QChar(in.PickValueInArray(kAwkward));
            break;
        case 2: {
            const auto c = in.ConsumeIntegral<char16_t>();
            s += QChar(QChar::isSurrogate(c) ? char16_t(0x00a0) : c);
            break;
        }
        default:
            s += QString::fromUcs4(U"\U0001F600");
        }
    }
    return s;
}

std::unique_ptr<QTemporaryDir> g_dir;
long g_run = 0;

void fail(const char* reader, const char* key, const QString& want, const QString& got) {
    std::fprintf(stderr, "%s read %s as \"%s\", saved \"%s\"\n", reader, key,
                 got.toUtf8().toPercentEncoding(" /").constData(),
                 want.toUtf8().toPercentEncoding(" /").constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    // Memory-backed where there is such a folder: every save syncs the file.
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    g_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/korimo-fuzz-XXXXXX"));
    if (!g_dir->isValid())
        std::abort();
    korimo::SettingsStore::setWriteFailureHandler([](const QString& file, const QString& why) {
        std::fprintf(stderr, "the write to %s failed: %s\n", qPrintable(file), qPrintable(why));
        std::abort();
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using korimo::SettingsStore;
    FuzzedDataProvider in(data, size);
    // A file of its own each time: Qt's reader keeps files it has read by name and time.
    const QString path = g_dir->filePath(QStringLiteral("Korimo%1.ini").arg(++g_run));
    SettingsStore::setFile(path);
    std::map<const char*, QString> saved;
    const int saves = in.ConsumeIntegralInRange(1, 6);
    for (int i = 0; i < saves; ++i) {
        const char* key = in.PickValueInArray(kKeys);
        saved[key] = text(in);
        SettingsStore::save(QLatin1String(key), saved[key]);
    }
    {
        const QSettings qt(path, QSettings::IniFormat);
        for (const auto& [key, want] : saved) {
            const QString mine = SettingsStore::get(QLatin1String(key), QStringLiteral("<none>"));
            if (mine != want)
                fail("the store", key, want, mine);
            const QString theirs =
                qt.value(QStringLiteral("Settings/") + QLatin1String(key), QStringLiteral("<none>"))
                    .toString();
            if (theirs != want)
                fail("Qt", key, want, theirs);
        }
    }
    SettingsStore::setFile(QString());
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".lock"));
    return 0;
}
