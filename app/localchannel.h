#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// A one-line exchange between two copies of the program on this computer: a
// later start sends the request line, the running copy hears it and sends the
// answer line back. Under Unix it is a local socket, made by the user for the
// user alone; under Windows a named pipe that refuses callers from other
// computers. Only Qt Core is needed, so that the program starts without the
// network libraries.
//
// Whatever a caller sends is bounded: a line longer than the request, or a
// caller that stays silent for long, is dropped.
class LocalChannel : public QObject
{
    Q_OBJECT

public:
    LocalChannel(const QByteArray &request, const QByteArray &answer, QObject *parent = nullptr);
    ~LocalChannel() override;

    // Starts taking callers on the name: a socket's path under Unix (one left
    // by a copy that is gone is replaced), a pipe's name under Windows.
    bool listen(const QString &name);

    // Sends the request on the name and tells whether the answer came back
    // within the timeout, in milliseconds.
    static bool ask(const QString &name, const QByteArray &request, const QByteArray &answer,
                    int timeout);

    // How long a caller may take over its request.
    static constexpr int callerTimeoutMs = 5000;

signals:
    // A caller sent the request; the answer goes back once this returns.
    void requested();

private:
    class Listener;
    friend class Listener;

    std::optional<QByteArray> answerTo(QByteArray &line, const char *bytes, qint64 count);

    const QByteArray request;
    const QByteArray answer;
    std::unique_ptr<Listener> listener;
};
