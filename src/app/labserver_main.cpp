// tarvok-labserver: a lab-computer server for practising remote operation without hardware.
// It runs the simulated board with the monitor, accepts one client at a time and speaks the
// remote protocol with it; commands typed on standard input upload memory or ask for a program.

#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QSocketNotifier>
#include <cstdio>

#include "app/lab_server.h"
#include "core/hex_text.h"

namespace {

// "FIRST-LAST" in hexadecimal.
bool ParseRange(const QString& text, tarvok::Address& first, tarvok::Address& last) {
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() != 2) return false;
    const auto a = tarvok::ParseHexAddress(parts[0].toStdString());
    const auto b = tarvok::ParseHexAddress(parts[1].toStdString());
    if (!a || !b || *a > *b) return false;
    first = *a;
    last = *b;
    return true;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "tarvok-labserver: %s\n", message.toLocal8Bit().constData());
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvok-labserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A lab-computer server for Tarvok's remote operation: runs the simulated board with the "
        "monitor and serves one client at a time.\nCommands on standard input: upload FIRST "
        "LAST, request, quit."));
    parser.addHelpOption();
    const QCommandLineOption addressOption(
        {QStringLiteral("a"), QStringLiteral("address")},
        QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("address"),
        QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("Port to listen on (default 49703; 0 picks a free one)."),
        QStringLiteral("port"), QString::number(tarvok::remote::kDefaultPort));
    const QCommandLineOption romOption(
        QStringLiteral("rom"), QStringLiteral("Monitor ROM image (default: the built-in one)."),
        QStringLiteral("file"));
    const QCommandLineOption uploadOption(
        QStringLiteral("upload"),
        QStringLiteral("Upload FIRST-LAST (hexadecimal) as Intel HEX to the first client."),
        QStringLiteral("range"));
    const QCommandLineOption requestOption(QStringLiteral("request-program"),
                                           QStringLiteral("Ask the first client for a program."));
    parser.addOptions({addressOption, portOption, romOption, uploadOption, requestOption});
    parser.process(app);

    QHostAddress address;
    if (!address.setAddress(parser.value(addressOption)))
        return Fail(QStringLiteral("'%1' is no IP address").arg(parser.value(addressOption)));
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535)
        return Fail(QStringLiteral("'%1' is no port number").arg(parser.value(portOption)));

    tarvok::MachineOptions options;
    options.builtinRomOnly = !parser.isSet(romOption);
    if (parser.isSet(romOption)) options.romFile = parser.value(romOption).toStdString();
    tarvok::LabServer server(std::make_unique<tarvok::Machine>(options), stdout);
    if (parser.isSet(uploadOption)) {
        tarvok::Address first = 0, last = 0;
        if (!ParseRange(parser.value(uploadOption), first, last))
            return Fail(QStringLiteral("--upload needs FIRST-LAST in hexadecimal, e.g. 0400-04FF"));
        server.SetPendingUpload(first, last);
    }
    if (parser.isSet(requestOption)) server.SetPendingRequest();
    if (!server.Listen(address, static_cast<std::uint16_t>(port))) return 1;
    QObject::connect(&server, &tarvok::LabServer::QuitRequested, &app, &QCoreApplication::quit);

    // Standard input, line by line; its end leaves the server running.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            server.Command(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
        if (pending.size() > 4096) pending.clear();  // no line is that long
    });
    return QCoreApplication::exec();
}
