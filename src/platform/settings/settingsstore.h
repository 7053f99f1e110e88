#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace korimo {

// Per-user options under the application name "Tarsk", section "Settings", kept as texts in an
// INI file. Booleans are the words "True" and "False"; every reader passes its default. Keys and
// the section are found whatever their letter case, as a hand-edited file may spell them.
class SettingsStore {
public:
    // A value that cannot be written stays in force for the run (get returns it) and is written
    // with the next write that succeeds.
    static QString get(const QString& key, const QString& defaultValue);
    static void save(const QString& key, const QString& value);

    // Typed readers for the keys that hold Booleans and numbers. They throw StepError when the
    // stored text is not of that type, so a caller can skip the step and keep its start value.
    static bool getBool(const QString& key, bool defaultValue);
    static int getInt(const QString& key, int defaultValue);
    static void saveBool(const QString& key, bool value);

    static QString boolText(bool value) {
        return value ? QStringLiteral("True") : QStringLiteral("False");
    }
    // The conversions the stored texts go through; both throw StepError on a text of another type.
    static bool toBool(const QString& text);
    static int toInt(const QString& text);

    // Told the file and the system's reason when a write fails after the last one that worked;
    // failures that follow it are not told again until a write has worked.
    using WriteFailureHandler = std::function<void(const QString& file, const QString& reason)>;
    static void setWriteFailureHandler(WriteFailureHandler handler);

    // Points the store at an explicit file (tests); an empty path returns to the per-user file.
    static void setFile(const QString& path);
    static QString fileName();
    // Records every key read, in order, into the list while it is set (tests).
    static void setReadLog(QStringList* log);
};

} // namespace korimo
