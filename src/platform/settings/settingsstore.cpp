#include "settings/settingsstore.h"

#include "forms/runtime.h"

#include <QSettings>
#include <cmath>
#include <limits>
#include <memory>

namespace korimo {

namespace {
QString g_explicitFile;
QStringList* g_readLog = nullptr;

std::unique_ptr<QSettings> openStore() {
    std::unique_ptr<QSettings> s;
    if (!g_explicitFile.isEmpty())
        s = std::make_unique<QSettings>(g_explicitFile, QSettings::IniFormat);
    else
        s = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                        QStringLiteral("Tarsk"), QStringLiteral("Korimo"));
    s->beginGroup(QStringLiteral("Settings"));
    return s;
}
} // namespace

QString SettingsStore::get(const QString& key, const QString& defaultValue) {
    if (g_readLog)
        g_readLog->append(key);
    auto s = openStore();
    const QVariant v = s->value(key);
    if (!v.isValid())
        return defaultValue;
    // A list (a value with commas written by hand) reads back joined, as it was typed.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void SettingsStore::save(const QString& key, const QString& value) {
    auto s = openStore();
    s->setValue(key, value);
    s->sync();
}

bool SettingsStore::toBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d))
        return d != 0.0;
    throw StepError("not a Boolean: " + text.toStdString());
}

int SettingsStore::toInt(const QString& text) {
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d))
        throw StepError("not a number: " + text.toStdString());
    const double r = std::nearbyint(d);
    // Stored whole numbers are 16-bit in the design; larger ones overflow.
    if (r < std::numeric_limits<short>::min() || r > std::numeric_limits<short>::max())
        throw StepError("number out of range: " + text.toStdString());
    return static_cast<int>(r);
}

bool SettingsStore::getBool(const QString& key, bool defaultValue) {
    return toBool(get(key, boolText(defaultValue)));
}

int SettingsStore::getInt(const QString& key, int defaultValue) {
    return toInt(get(key, QString::number(defaultValue)));
}

void SettingsStore::saveBool(const QString& key, bool value) {
    save(key, boolText(value));
}

void SettingsStore::setFile(const QString& path) {
    g_explicitFile = path;
}

void SettingsStore::setReadLog(QStringList* log) {
    g_readLog = log;
}

QString SettingsStore::fileName() {
    return openStore()->fileName();
}

} // namespace korimo
