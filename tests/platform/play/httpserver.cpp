#include "httpserver.h"

#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace korimo::test {

namespace {

constexpr int kMaxConnections = 64;

int bindLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

} // namespace

int closedPort() {
    int port = 0;
    const int fd = bindLoopback(port);
    ::close(fd);
    return port;
}

HttpServer::HttpServer(const QString& root, int bytesPerSecond, int lifetimeMs)
    : m_root(root), m_rate(bytesPerSecond) {
    m_listen = bindLoopback(m_port);
    if (::listen(m_listen, 16) != 0) {
        ::close(m_listen);
        throw std::runtime_error("listen");
    }
    m_acceptor = std::thread([this, lifetimeMs] { acceptLoop(lifetimeMs); });
}

HttpServer::~HttpServer() {
    m_stop = true;
    m_acceptor.join();
    std::lock_guard lock(m_mutex);
    for (auto& t : m_connections)
        t.join();
    ::close(m_listen);
}

QString HttpServer::url(const QString& name) const {
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(name);
}

void HttpServer::acceptLoop(int lifetimeMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lifetimeMs);
    int accepted = 0;
    while (!m_stop && std::chrono::steady_clock::now() < deadline && accepted < kMaxConnections) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++accepted;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, fd] {
            serve(fd);
            ::close(fd);
        });
    }
    m_stop = true;
}

bool HttpServer::sendAll(int fd, const char* data, size_t size) {
    while (size > 0 && !m_stop) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return size == 0;
}

void HttpServer::serve(int fd) {
    QByteArray request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!request.contains("\r\n\r\n") && request.size() < 8192 && !m_stop &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        char buf[2048];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        request.append(buf, n);
        if (request.size() >= 4 && !request.startsWith("GET "))
            break; // not HTTP (a TLS hello, for one)
    }
    const QList<QByteArray> lines = request.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() < 3 || first[0] != "GET" || !first[1].startsWith('/')) {
        const QByteArray r =
            "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        sendAll(fd, r.constData(), size_t(r.size()));
        return;
    }
    ++m_requests;

    const QByteArray name = first[1].mid(1);
    QFile file(m_root + QLatin1Char('/') + QString::fromUtf8(name));
    if (name.contains("..") || name.contains('/') || !file.open(QIODevice::ReadOnly)) {
        const QByteArray r =
            "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        sendAll(fd, r.constData(), size_t(r.size()));
        return;
    }
    const qint64 total = file.size();
    qint64 from = 0;
    qint64 to = total - 1;
    bool ranged = false;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (m_ranges && line.toLower().startsWith("range: bytes=")) {
            const QList<QByteArray> parts = line.mid(13).split('-');
            from = parts.value(0).toLongLong();
            if (!parts.value(1).isEmpty())
                to = std::min(total - 1, parts.value(1).toLongLong());
            ranged = true;
        }
    }
    if (ranged && from >= total) {
        const QByteArray r = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" +
                             QByteArray::number(total) +
                             "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        sendAll(fd, r.constData(), size_t(r.size()));
        return;
    }
    if (ranged)
        ++m_rangeRequests;
    QByteArray head = ranged ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    head += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
    if (m_ranges)
        head += "Accept-Ranges: bytes\r\n";
    const bool chunked = m_chunked && !ranged;
    if (chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head += "Content-Length: " + QByteArray::number(to - from + 1) + "\r\n";
    if (ranged)
        head += "Content-Range: bytes " + QByteArray::number(from) + '-' + QByteArray::number(to) +
                '/' + QByteArray::number(total) + "\r\n";
    head += "\r\n";
    if (!sendAll(fd, head.constData(), size_t(head.size())))
        return;
    file.seek(from);
    qint64 left = to - from + 1;
    const qint64 whole = left;
    if (m_cutAfter > 0)
        left = std::min<qint64>(left, m_cutAfter);
    if (m_stallAfter > 0)
        left = std::min<qint64>(left, m_stallAfter);
    const qint64 chunk = m_rate > 0 ? std::max<qint64>(1024, m_rate / 20) : 65536;
    while (left > 0 && !m_stop) {
        QByteArray data = file.read(std::min(chunk, left));
        if (data.isEmpty())
            return;
        left -= data.size();
        if (chunked)
            data = QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
        if (!sendAll(fd, data.constData(), size_t(data.size())))
            return;
        if (m_rate > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1000 * data.size() / m_rate));
    }
    const qint64 sent = std::min(whole, m_cutAfter > 0 ? m_cutAfter.load() : whole);
    if (m_stallAfter > 0 && m_stallAfter < sent) {
        while (!m_stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return;
    }
    if (chunked && sent == whole)
        sendAll(fd, "0\r\n\r\n", 5);
}

} // namespace korimo::test
