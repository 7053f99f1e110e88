#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace korimo::test {

// Takes the addresses the program hands to the desktop, in place of a browser; register it with
// QDesktopServices::setUrlHandler(scheme, &catcher, "open").
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace korimo::test
