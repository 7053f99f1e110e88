#include "app/cfiledialog.h"

#include "app/vidbas.h"

namespace korimo {

namespace {

constexpr QChar kNul(u'\0');
constexpr int kMultiSelectBuffer = 8192;
constexpr int kSingleSelectBuffer = 1024;
// Longest name the Filename property places in the dialog's buffer.
constexpr int kMaxFilename = 1024;

// The text, cut to length characters and filled up to length with NULs.
QString fitWithNuls(const QString& text, int length) {
    QString buffer = text.left(length);
    buffer.append(QString(length - buffer.size(), kNul));
    return buffer;
}

} // namespace

cFileDialog::cFileDialog() {
    Class_Initialize();
}

void cFileDialog::Class_Initialize() {
    m_ofn = OpenFileNameRecord{};
    m_ofn.lStructSize = 76;
    m_ofn.nFilterIndex = 1;
}

void cFileDialog::setFilename(const QString& name) {
    m_Filename = name;
    const QString shown = name.left(kMaxFilename);
    m_ofn.lpstrFile = shown + QString(kMaxFilename - shown.size(), u' ') + kNul + kNul;
}

void cFileDialog::setFilter(const QString& filter) {
    m_Filter = filter;
    QString list = filter;
    list.replace(u'|', kNul);
    list.replace(u':', kNul);
    m_ofn.lpstrFilter = list + kNul + kNul;
}

void cFileDialog::setDefaultExt(const QString& ext) {
    m_DefaultExt = ext;
    m_ofn.lpstrDefExt = ext + kNul + kNul;
}

void cFileDialog::setInitDir(const QString& dir) {
    m_InitDir = dir;
    m_ofn.lpstrInitialDir = dir + kNul + kNul;
}

void cFileDialog::ShowOpen() {
    int n = kSingleSelectBuffer;
    m_ofn.Flags = m_flags;
    if ((m_flags & OFN_ALLOWMULTISELECT) == OFN_ALLOWMULTISELECT) {
        n = kMultiSelectBuffer;
        m_ofn.Flags |= OFN_EXPLORER;
    }
    m_ofn.lpstrFile = fitWithNuls(m_Filename, n);
    m_ofn.nMaxFile = n;
    m_ofn.lpstrFileTitle = fitWithNuls(m_FileTitle, n);
    m_ofn.nMaxFileTitle = n;
    if (GetOpenFileName(m_ofn) == 0)
        return;
    // With multi-selection the whole buffer is kept: ParseMultiFileName splits it at its NULs.
    m_Filename =
        (m_ofn.Flags & OFN_ALLOWMULTISELECT) ? m_ofn.lpstrFile : StripNulls(m_ofn.lpstrFile);
}

void cFileDialog::ParseMultiFileName(QString& folder, QStringList& names, int& count) {
    const QString pair(2, kNul);
    const qsizetype p = m_Filename.indexOf(pair);
    const QString s = p < 0 ? QString() : m_Filename.left(p);
    if (s.trimmed().isEmpty()) {
        VidBAS::g_OpenCancelled = true;
        return;
    }
    if (s.contains(kNul)) {
        const QStringList parts = s.split(kNul);
        folder = parts.first();
        for (qsizetype i = 1; i < parts.size(); ++i) {
            ++count;
            // A negative count from the caller leaves no slot for this name; it is skipped.
            if (count < 1)
                continue;
            names.resize(count);
            names[count - 1] = parts.at(i);
        }
        return;
    }
    count = 1;
    names = QStringList{QString()};
    const qsizetype r = m_Filename.lastIndexOf(u'/');
    if (r < 0) {
        folder.clear();
        // The buffer's trailing NULs are no part of the name.
        names[0] = StripNulls(m_Filename);
        return;
    }
    folder = m_Filename.left(r + 1);
    names[0] = StripNulls(m_Filename.mid(r + 1));
}

QString cFileDialog::StripNulls(const QString& text) {
    return textBeforeNul(text);
}

} // namespace korimo
