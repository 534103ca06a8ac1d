#pragma once
// A small HTTP/1.1 server on 127.0.0.1 (random port) for tests, on a thread
// of its own. It is bounded: it answers at most `maxRequests` requests (then
// stops listening) and stops by itself after `lifetime`, closing every
// connection, whatever the test does. It never contacts anything.
//
// The handler runs on the server's thread and answers each request; an
// answer may be delayed, or stall (never answered until the server stops).

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <future>

struct HttpRequest {
    QByteArray method;
    QString path;
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers;  // lower-case names
    QByteArray body;
    // The form fields of a form-encoded body, decoded.
    QList<QPair<QString, QString>> formFields() const {
        QList<QPair<QString, QString>> out;
        for (const QByteArray& pair : body.split('&')) {
            if (pair.isEmpty()) continue;
            const int eq = pair.indexOf('=');
            auto dec = [](QByteArray b) { return QUrl::fromPercentEncoding(b.replace('+', ' ')); };
            out.append({dec(pair.left(eq)), eq < 0 ? QString() : dec(pair.mid(eq + 1))});
        }
        return out;
    }
    QString field(const QString& name) const {
        for (const auto& [k, v] : formFields())
            if (k == name) return v;
        return QString();
    }
};

struct HttpAnswer {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    int delayMs = 0;
    bool stall = false;
};

class LoopbackServer {
public:
    using Handler = std::function<HttpAnswer(const HttpRequest&)>;

    explicit LoopbackServer(Handler handler, int maxRequests = 200, int lifetimeMs = 60000) {
        thread_.start();
        core_ = new Core(std::move(handler), maxRequests, lifetimeMs, this);
        core_->moveToThread(&thread_);
        std::promise<quint16> port;
        auto future = port.get_future();
        QMetaObject::invokeMethod(core_, [this, &port] { port.set_value(core_->start()); }, Qt::QueuedConnection);
        port_ = future.get();
    }
    ~LoopbackServer() {
        QMetaObject::invokeMethod(core_, [this] { core_->stop(); delete core_; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    quint16 port() const { return port_; }
    QUrl url(const QString& path) const { return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path)); }
    QList<HttpRequest> requests() const {
        QMutexLocker lock(&mutex_);
        return requests_;
    }
    int count(const QString& path) const {
        QMutexLocker lock(&mutex_);
        int n = 0;
        for (const HttpRequest& r : requests_) n += r.path == path;
        return n;
    }

private:
    class Core : public QObject {
    public:
        Core(Handler h, int max, int lifetime, LoopbackServer* owner)
            : handler_(std::move(h)), max_(max), lifetime_(lifetime), owner_(owner) {}
        quint16 start() {
            server_ = new QTcpServer(this);
            if (!server_->listen(QHostAddress::LocalHost, 0)) return 0;
            QObject::connect(server_, &QTcpServer::newConnection, this, [this] {
                while (QTcpSocket* s = server_->nextPendingConnection()) accept(s);
            });
            QTimer::singleShot(lifetime_, this, [this] { stop(); });
            return server_->serverPort();
        }
        void stop() {
            if (server_) server_->close();
            for (const QPointer<QTcpSocket>& s : sockets_)
                if (s) s->abort();
            sockets_.clear();
        }

    private:
        void accept(QTcpSocket* socket) {
            sockets_.append(socket);
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                const int end = buffer->indexOf("\r\n\r\n");
                if (end < 0) return;
                HttpRequest request;
                const QList<QByteArray> lines = buffer->left(end).split('\n');
                const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                request.method = first.value(0);
                const QUrl target(QString::fromLatin1(first.value(1)));
                request.path = target.path();
                request.query = QUrlQuery(target);
                for (int i = 1; i < lines.size(); ++i) {
                    const int colon = lines[i].indexOf(':');
                    if (colon > 0) request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
                }
                const int length = request.headers.value("content-length").toInt();
                if (buffer->size() < end + 4 + length) return;
                request.body = buffer->mid(end + 4, length);
                buffer->remove(0, end + 4 + length);
                if (served_ >= max_) {
                    server_->close();
                    socket->abort();
                    return;
                }
                ++served_;
                {
                    QMutexLocker lock(&owner_->mutex_);
                    owner_->requests_.append(request);
                }
                const HttpAnswer answer = handler_(request);
                if (answer.stall) return;
                QPointer<QTcpSocket> guard(socket);
                auto reply = [guard, answer] {
                    if (!guard) return;
                    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Type: " +
                                      answer.contentType + "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                                      "\r\nConnection: close\r\n";
                    for (const auto& [k, v] : answer.headers) head += k + ": " + v + "\r\n";
                    guard->write(head + "\r\n" + answer.body);
                    guard->disconnectFromHost();
                };
                if (answer.delayMs > 0) QTimer::singleShot(answer.delayMs, socket, reply);
                else reply();
            });
        }

        Handler handler_;
        int max_;
        int lifetime_;
        int served_ = 0;
        LoopbackServer* owner_;
        QTcpServer* server_ = nullptr;
        QList<QPointer<QTcpSocket>> sockets_;
    };

    QThread thread_;
    Core* core_ = nullptr;
    quint16 port_ = 0;
    mutable QMutex mutex_;
    QList<HttpRequest> requests_;
};
