// A stand-in for the maker's web site on this machine: it answers the
// calculator's update query and keeps the messages that its Contact dialog
// sends, so that both features can be tried without the real site.

#include "minihttpserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>

#include <optional>

namespace {

const QByteArray versionPath = "/programming/metrino/version.php";
const QByteArray messagePath = "/programming/metrino/bugtracker.php";
const QByteArray downloadPath = "/programming/metrino/download/";

struct Settings {
    quint16 port = 8080;
    QByteArray versionReply;
    QString messagesFile;
};

// The fields of an application/x-www-form-urlencoded body, decoded.
QList<QPair<QString, QString>> decodeForm(const QByteArray &body)
{
    QList<QPair<QString, QString>> fields;
    for (QByteArray pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        pair.replace('+', ' ');
        const int equals = pair.indexOf('=');
        const QByteArray name = equals < 0 ? pair : pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        fields.append({QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                       QString::fromUtf8(QByteArray::fromPercentEncoding(value))});
    }
    return fields;
}

QString field(const QList<QPair<QString, QString>> &fields, const QString &name)
{
    for (const auto &pair : fields) {
        if (pair.first == name)
            return pair.second;
    }
    return {};
}

bool appendMessage(const QString &fileName, const QString &version, const QString &message)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "----- " << QDateTime::currentDateTime().toString(Qt::ISODate) << ", version " << version
        << '\n'
        << message << '\n';
    out.flush();
    return out.status() == QTextStream::Ok && file.error() == QFile::NoError;
}

HttpResponse receiveMessage(const Settings &settings, const HttpRequest &request)
{
    const auto fields = decodeForm(request.body);
    const QString message = field(fields, QStringLiteral("message"));
    const QString version = field(fields, QStringLiteral("version"));
    if (message.isEmpty())
        return HttpResponse::text(400, "No message\n");
    if (!appendMessage(settings.messagesFile, version, message)) {
        qWarning("Could not write to %s", qPrintable(settings.messagesFile));
        return HttpResponse::text(500, "Could not store the message\n");
    }
    QTextStream(stdout) << "Message of " << message.size() << " characters from version " << version
                        << " appended to " << settings.messagesFile << Qt::endl;
    return HttpResponse::text(200, "OK\n");
}

HttpResponse answer(const Settings &settings, const HttpRequest &request)
{
    const QByteArray path = request.path();
    QTextStream(stdout) << request.method << ' ' << request.target << Qt::endl;

    if (path == versionPath) {
        if (request.method != "GET")
            return HttpResponse::text(405, "Use GET\n");
        return HttpResponse::text(200, settings.versionReply);
    }
    if (path == messagePath) {
        if (request.method != "POST")
            return HttpResponse::text(405, "Use POST\n");
        return receiveMessage(settings, request);
    }
    if (path == downloadPath && request.method == "GET") {
        return HttpResponse::text(200,
                                  "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                  "<title>Download</title></head><body>"
                                  "<p>The download page of the newest version would be here.</p>"
                                  "</body></html>\n",
                                  "text/html; charset=utf-8");
    }
    return HttpResponse::text(404, "Not found\n");
}

std::optional<Settings> parseArguments(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Answers the update query and keeps the messages of the VAT calculator, "
                       "in place of the maker's web site, on 127.0.0.1."));
    parser.addHelpOption();
    const QCommandLineOption portOption({QStringLiteral("p"), QStringLiteral("port")},
                                        QStringLiteral("Port to listen on (default 8080)."),
                                        QStringLiteral("port"), QStringLiteral("8080"));
    const QCommandLineOption replyOption(
        {QStringLiteral("r"), QStringLiteral("version-reply")},
        QStringLiteral("Body of the answer to the update query, \"version@download address\" "
                       "(default: version 0.0.4 and this server's download page)."),
        QStringLiteral("text"));
    const QCommandLineOption messagesOption(
        {QStringLiteral("m"), QStringLiteral("messages")},
        QStringLiteral("File that received messages are appended to "
                       "(default metrino-messages.txt)."),
        QStringLiteral("file"), QStringLiteral("metrino-messages.txt"));
    parser.addOptions({portOption, replyOption, messagesOption});
    parser.process(app);

    Settings settings;
    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        QTextStream(stderr) << "Not a port number: " << parser.value(portOption) << Qt::endl;
        return std::nullopt;
    }
    settings.port = quint16(port);
    settings.versionReply =
        parser.isSet(replyOption)
            ? parser.value(replyOption).toUtf8()
            : "0.0.4@http://127.0.0.1:" + QByteArray::number(port) + downloadPath;
    settings.messagesFile = parser.value(messagesOption);
    return settings;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("metrino-site-standin"));
    const std::optional<Settings> parsed = parseArguments(app);
    if (!parsed)
        return 2;
    const Settings settings = *parsed;

    MiniHttpServer server(
        [&settings](const HttpRequest &request) { return answer(settings, request); });
    if (!server.listen(settings.port)) {
        QTextStream(stderr) << "Cannot listen on 127.0.0.1:" << settings.port << ": "
                            << server.errorString() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "Listening on " << server.url().toString() << "; update reply \""
                        << settings.versionReply << "\"; messages go to " << settings.messagesFile
                        << Qt::endl;
    return app.exec();
}
