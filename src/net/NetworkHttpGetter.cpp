#include "net/NetworkHttpGetter.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Far more than any page this program asks for; a server that sends more is not trusted.
constexpr qsizetype MaxReply = 1 << 20;

// One exchange on its own socket. A plain socket rather than QNetworkAccessManager, which
// speaks HTTP/1.1 only and keeps cookies. Child of the caller's context, so it dies with it.
class Exchange final : public QObject {
public:
    Exchange(const HttpRequest& request, QObject* context, HttpGetter::Done done)
        : QObject(context), done_(std::move(done)) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { finish(std::nullopt); });
        timer_.start(request.timeoutMs);
        const QUrl& url = request.url;
        if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
            // Reported from the event loop like every other outcome.
            QTimer::singleShot(0, this, [this] { finish(std::nullopt); });
            return;
        }
        request_ = "GET " +
                   url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
        if (url.path().isEmpty())
            request_ += '/';
        request_ += " HTTP/1.0\r\nHost: " + url.host(QUrl::FullyEncoded).toLatin1();
        if (url.port() != -1)
            request_ += ':' + QByteArray::number(url.port());
        request_ += "\r\n";
        for (const auto& [name, value] : request.headers)
            request_ += name + ": " + value + "\r\n";
        request_ += "\r\n";
        connect(&socket_, &QTcpSocket::connected, this, [this] { socket_.write(request_); });
        connect(&socket_, &QTcpSocket::readyRead, this, [this] {
            reply_ += socket_.readAll();
            if (reply_.size() > MaxReply)
                finish(std::nullopt);
        });
        // HTTP/1.0: the server closes the connection after the body.
        connect(&socket_, &QTcpSocket::disconnected, this, [this] {
            reply_ += socket_.readAll();
            finish(body());
        });
        connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
            if (e == QAbstractSocket::RemoteHostClosedError)
                return; // the end of the reply; `disconnected` follows
            finish(std::nullopt);
        });
        socket_.connectToHost(url.host(), quint16(url.port(80)));
    }

private:
    // The body of a reply with a 2xx status, else nothing.
    std::optional<QString> body() const {
        // Some servers end header lines with a bare LF.
        const bool crlf = reply_.contains("\r\n\r\n");
        const QByteArray lineEnd = crlf ? "\r\n" : "\n";
        const qsizetype headerEnd = reply_.indexOf(lineEnd + lineEnd);
        if (headerEnd < 0)
            return std::nullopt;
        const QByteArray statusLine = reply_.left(reply_.indexOf(lineEnd));
        const QList<QByteArray> parts = statusLine.split(' ');
        if (parts.size() < 2 || !parts[0].startsWith("HTTP/") || parts[1].size() != 3 ||
            !parts[1].startsWith('2'))
            return std::nullopt;
        return QString::fromUtf8(reply_.mid(headerEnd + 2 * lineEnd.size()));
    }

    void finish(std::optional<QString> result) {
        if (finished_)
            return;
        finished_ = true;
        timer_.stop();
        socket_.disconnect(this);
        socket_.abort();
        HttpGetter::Done done = std::move(done_);
        deleteLater();
        done(std::move(result));
    }

    HttpGetter::Done done_;
    QTcpSocket socket_{this};
    QTimer timer_{this};
    QByteArray request_;
    QByteArray reply_;
    bool finished_ = false;
};

} // namespace

void NetworkHttpGetter::get(const HttpRequest& request, QObject* context, Done done) {
    new Exchange(request, context, std::move(done));
}
