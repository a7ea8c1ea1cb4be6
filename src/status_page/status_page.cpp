#include "status_page/status_page.h"

#include "print_service/print_service.h"
#include "status_page/bounded_tcp_server.h"
#include "status_page/status_report.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QJsonDocument>

namespace kestrova {
namespace {

// The page holds text peers sent: even were it ever let through unescaped, no script would run.
constexpr const char* ContentPolicy = "default-src 'none'; style-src 'unsafe-inline'";

QHttpServerResponse pageResponse(const QByteArray& mimeType, const QByteArray& body)
{
    QHttpServerResponse response(mimeType, body);
    response.setHeader("Content-Security-Policy", ContentPolicy);
    response.setHeader("Cache-Control", "no-store");
    return response;
}

} // namespace

StatusPage::StatusPage(PrintService& service, const Configuration& configuration)
    : service_(service), configuration_(configuration)
{
}

StatusPage::~StatusPage() = default;

void StatusPage::start(const StatusPageSettings& settings)
{
    if (settings.Port == 0 || server_)
        return;
    const std::string where = settings.Address + ":" + std::to_string(settings.Port);
    const QHostAddress address(QString::fromLocal8Bit(settings.Address));
    if (address.isNull() || settings.Port < 1 || settings.Port > 65535) {
        service_.log().append(LogCategory::Errors, "Status page: " + where + " is no IP address and port");
        return;
    }
    server_ = std::make_unique<QHttpServer>();
    addRoutes();
    // Owned by the HTTP server, as every TCP server it serves over.
    auto* tcp = new BoundedTcpServer(ConnectionBounds{}, server_.get());
    if (tcp->listen(address, static_cast<quint16>(settings.Port))) {
        server_->bind(tcp);
        port_ = tcp->serverPort();
    }
    if (port_ == 0) {
        server_.reset();
        service_.log().append(LogCategory::Errors, "Status page: cannot listen on " + where);
        return;
    }
    service_.log().append(LogCategory::Commands, "Status page on http://" + where + "/");
}

void StatusPage::addRoutes()
{
    server_->route("/", QHttpServerRequest::Method::Get, [this] {
        return pageResponse("text/html; charset=utf-8", statusHtml(takeStatusSnapshot(service_, configuration_)));
    });
    server_->route("/status.json", QHttpServerRequest::Method::Get, [this] {
        const QJsonDocument json(statusJson(takeStatusSnapshot(service_, configuration_)));
        return pageResponse("application/json", json.toJson(QJsonDocument::Indented));
    });
    // Only the file of a film the list still holds: a name is never taken for a path.
    server_->route("/films/<arg>", QHttpServerRequest::Method::Get, [this](const QString& name) {
        for (const FilmRecord& film : service_.films())
            if (!film.film.file.empty() && QString::fromStdString(film.film.file.filename().string()) == name)
                return QHttpServerResponse::fromFile(QString::fromStdString(film.film.file.string()));
        return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
    });
}

} // namespace kestrova
