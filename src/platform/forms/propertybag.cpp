#include "forms/propertybag.h"

namespace korimo {

QVariant PropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const {
    auto it = m_values.constFind(key);
    return it == m_values.constEnd() ? defaultValue : it.value();
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value,
                                const QVariant& defaultValue) {
    // The default is compared in the value's own type, so "" and an empty default match and a
    // colour 0 differs from a default of another colour.
    bool equal = false;
    if (defaultValue.isValid() && value.isValid()) {
        QVariant converted = defaultValue;
        if (converted.convert(value.metaType()))
            equal = (converted == value);
    } else {
        equal = !defaultValue.isValid() && !value.isValid();
    }
    if (equal)
        m_values.remove(key);
    else
        m_values.insert(key, value);
}

} // namespace korimo
