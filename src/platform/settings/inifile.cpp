#include "settings/inifile.h"

#include <QStringDecoder>
#include <QStringList>

namespace korimo {

namespace {

enum class LineKind { Other, Section, Entry };

struct Line {
    LineKind kind = LineKind::Other;
    QString name;   // the section's name or the entry's key, trimmed
    QByteArray raw; // the entry's value as written
};

Line parse(QByteArray text) {
    Line line;
    if (text.endsWith('\r'))
        text.chop(1);
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    const QByteArray t = text.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
        return line;
    if (t.startsWith('[')) {
        const qsizetype end = t.indexOf(']');
        if (end > 0) {
            line.kind = LineKind::Section;
            line.name = QString::fromUtf8(t.mid(1, end - 1)).trimmed();
        }
        return line;
    }
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return line;
    line.kind = LineKind::Entry;
    line.name = QString::fromUtf8(t.left(eq)).trimmed();
    line.raw = t.mid(eq + 1);
    return line;
}

bool same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

std::optional<QString> iniValueText(const QByteArray& raw) {
    // Only blanks and tabs around a value are layout, as in Qt's own reader; any other space, a
    // no-break space for one, belongs to the value. What was quoted or escaped is never cut.
    const auto layout = [](QChar c) { return c == u' ' || c == u'\t'; };
    // A no-break space of zero width at the start is the value's own, not a byte-order mark.
    const QString s =
        QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(raw);
    QStringList parts;
    QString current;
    qsizetype kept = 0; // current up to here came quoted or escaped
    bool inQuotes = false, quoted = false, list = false;
    const auto skipLayout = [&](qsizetype& i) {
        while (i + 1 < s.size() && layout(s[i + 1]))
            ++i;
    };
    const auto chopLayout = [&] {
        if (quoted)
            return;
        qsizetype n = current.size();
        while (n > kept && layout(current[n - 1]))
            --n;
        current.truncate(n);
    };
    qsizetype i = -1;
    skipLayout(i);
    for (++i; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"') {
            inQuotes = !inQuotes;
            quoted = true;
            // Blanks after a closing quote are layout, as before a note that follows.
            if (!inQuotes)
                skipLayout(i);
        } else if (c == u'\\' && i + 1 < s.size()) {
            const QChar e = s[++i];
            const char* plain = "a\ab\bf\fn\nr\rt\tv\v";
            bool done = false;
            for (const char* p = plain; *p; p += 2)
                if (e == QLatin1Char(p[0])) {
                    current += QLatin1Char(p[1]);
                    done = true;
                }
            if (!done && e == u'x') {
                uint code = 0;
                while (i + 1 < s.size() && isHex(s[i + 1]))
                    code = code * 16 + uint(QString(s[++i]).toUInt(nullptr, 16));
                current += QChar(char16_t(code));
            } else if (!done && e >= u'0' && e <= u'7') {
                uint code = uint(e.unicode() - u'0');
                while (i + 1 < s.size() && s[i + 1] >= u'0' && s[i + 1] <= u'7')
                    code = code * 8 + uint(s[++i].unicode() - u'0');
                current += QChar(char16_t(code));
            } else if (!done) {
                current += e;
            }
            kept = current.size();
        } else if (c == u';' && !inQuotes) {
            break; // the rest of the line is a note
        } else if (c == u',' && !inQuotes) {
            chopLayout();
            parts << current;
            current.clear();
            kept = 0;
            quoted = false;
            list = true;
            skipLayout(i);
        } else {
            current += c;
            if (inQuotes)
                kept = current.size();
        }
    }
    chopLayout();
    if (list) {
        parts << current;
        return parts.join(QLatin1Char(','));
    }
    if (current.startsWith(QLatin1String("@@")))
        return current.mid(1);
    if (current == QLatin1String("@Invalid()"))
        return std::nullopt;
    for (const QLatin1String wrapper : {QLatin1String("@ByteArray("), QLatin1String("@String(")})
        if (current.startsWith(wrapper) && current.endsWith(u')'))
            return current.mid(wrapper.size(), current.size() - wrapper.size() - 1);
    return current;
}

QByteArray iniValueBytes(const QString& value) {
    const QString s = value.startsWith(u'@') ? QLatin1Char('@') + value : value;
    QByteArray out;
    bool quote = false, escapeHexNext = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (escapeHexNext && isHex(c)) {
            out += "\\x" + QByteArray::number(c.unicode(), 16);
            continue;
        }
        escapeHexNext = false;
        switch (c.unicode()) {
        case u';':
        case u',':
        case u'=':
            quote = true;
            out += char(c.unicode());
            break;
        case u'"':
        case u'\\':
            out += '\\';
            out += char(c.unicode());
            break;
        case u'\a':
            out += "\\a";
            break;
        case u'\b':
            out += "\\b";
            break;
        case u'\f':
            out += "\\f";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        case u'\v':
            out += "\\v";
            break;
        default:
            // A byte-order mark would be taken for the encoding's and dropped by a reader.
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.unicode() == 0xfeff) {
                out += "\\x" + QByteArray::number(c.unicode(), 16);
                escapeHexNext = true;
            } else if (c.isHighSurrogate() && i + 1 < s.size()) {
                out += s.mid(i, 2).toUtf8();
                ++i;
            } else {
                out += QString(c).toUtf8();
            }
        }
    }
    if (quote || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

IniText::IniText(const QByteArray& bytes) {
    if (!bytes.isEmpty())
        m_lines = bytes.split('\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

std::optional<QString> IniText::value(const QString& section, const QString& key) const {
    std::optional<QString> found;
    bool inSection = false;
    for (const QByteArray& text : m_lines) {
        const Line line = parse(text);
        if (line.kind == LineKind::Section)
            inSection = same(line.name, section);
        else if (line.kind == LineKind::Entry && inSection && same(line.name, key))
            found = iniValueText(line.raw);
    }
    return found;
}

void IniText::setValue(const QString& section, const QString& key, const QString& value) {
    const QByteArray entry = key.toUtf8() + '=' + iniValueBytes(value);
    bool inSection = false, placed = false;
    qsizetype endOfSection = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line line = parse(m_lines[i]);
        if (line.kind == LineKind::Section) {
            inSection = same(line.name, section);
            if (inSection)
                endOfSection = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        if (line.kind == LineKind::Entry && same(line.name, key)) {
            if (placed) {
                m_lines.removeAt(i--);
                continue;
            }
            m_lines[i] = entry;
            placed = true;
        }
        if (line.kind != LineKind::Other || !m_lines[i].trimmed().isEmpty())
            endOfSection = i + 1;
    }
    if (placed)
        return;
    if (endOfSection < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines << QByteArray();
        m_lines << '[' + section.toUtf8() + ']';
        endOfSection = m_lines.size();
    }
    m_lines.insert(endOfSection, entry);
}

QByteArray IniText::bytes() const {
    QByteArray out;
    for (const QByteArray& line : m_lines)
        out += line + '\n';
    return out;
}

} // namespace korimo
