#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace korimo {

// The stored properties of a placed control: read with a default (a missing key gives the
// default), written with a default (a value equal to its write default is left out).
class PropertyBag {
public:
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue = QVariant()) const;
    void WriteProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue = QVariant());

    bool contains(const QString& key) const { return m_values.contains(key); }
    QStringList keys() const { return m_values.keys(); }
    void clear() { m_values.clear(); }

private:
    QMap<QString, QVariant> m_values;
};

} // namespace korimo
