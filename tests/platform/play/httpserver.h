#pragma once

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace korimo::test {

// A small HTTP/1.1 file server on 127.0.0.1 for network tests: GET with byte ranges, 404 for
// anything it does not have, one thread per connection, an optional rate limit so downloads
// take a while; it can also answer as servers that do not take ranges do, in chunks, and cut or
// stall its answers. It shuts itself down after `lifetimeMs` even if a test forgets it.
class HttpServer {
public:
    explicit HttpServer(const QString& root, int bytesPerSecond = 0, int lifetimeMs = 60000);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const { return m_port; }
    QString url(const QString& name) const;
    int requests() const { return m_requests; }
    // Each answer ends after this many body bytes, whatever length it announced (0: none).
    void setCutAfter(qint64 bytes) { m_cutAfter = bytes; }
    // Without ranges every answer is the whole file from its start, as from a plain server.
    void setRanges(bool on) { m_ranges = on; }
    // Chunked answers announce no length; a cut one ends without its closing chunk.
    void setChunked(bool on) { m_chunked = on; }
    // Each answer stops sending after this many body bytes and holds the connection open,
    // silent, until the server goes (0: none).
    void setStallAfter(qint64 bytes) { m_stallAfter = bytes; }
    int rangeRequests() const { return m_rangeRequests; }

private:
    void acceptLoop(int lifetimeMs);
    void serve(int fd);
    bool sendAll(int fd, const char* data, size_t size);

    QString m_root;
    int m_rate;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::atomic<int> m_rangeRequests{0};
    std::atomic<qint64> m_cutAfter{0};
    std::atomic<bool> m_ranges{true};
    std::atomic<bool> m_chunked{false};
    std::atomic<qint64> m_stallAfter{0};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::thread> m_connections;
};

// A port on 127.0.0.1 that nothing listens on.
int closedPort();

} // namespace korimo::test
