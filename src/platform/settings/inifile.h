#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace korimo {

// The text of an INI file as the settings store reads and edits it. Lines are kept as they
// stand, so whatever a person wrote by hand survives a write, and values are quoted and escaped
// the way Qt's own INI settings write them, so either can read what the other wrote.
class IniText {
public:
    explicit IniText(const QByteArray& bytes = QByteArray());

    // The value of key in section, both matched whatever their case; of several, the last.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The first line holding key takes the new value and later ones go; a missing key is added
    // at the end of its section, a missing section at the end of the text.
    void setValue(const QString& section, const QString& key, const QString& value);
    QByteArray bytes() const;

private:
    QList<QByteArray> m_lines;
};

// A stored value as text: quotes and backslash escapes undone, a list (unquoted commas) joined
// by commas, a leading "@@" read as "@", an unquoted ";" and what follows it left out. An
// "@Invalid()" value reads as none.
std::optional<QString> iniValueText(const QByteArray& raw);
QByteArray iniValueBytes(const QString& value);

} // namespace korimo
