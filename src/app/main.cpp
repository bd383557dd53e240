#include "app/CConsoleApp.h"
#include "app/CNetworkDlg.h"
#include "app/WorkFolder.h"
#include "net/Socket.h"
#include "res/Version.h"
#include "ui/MessageBox.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv) {
    // The options are read before the window system is touched, so --help and --version work
    // without a display.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Control console for Korvex 9x9 HDMI matrix switchers on one RS-232 line.\n"
                       "It keeps KorvexAddrMG.ini and KorvexVW.ini, and writes the EDIDs it reads, in the\n"
                       "folder it runs in."));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help and exit."));
    const QCommandLineOption versionOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Show the version and exit."));
    const QCommandLineOption dirOption(QStringList{QStringLiteral("d"), QStringLiteral("dir")},
                                       QStringLiteral("Run in <folder> (created when missing)."),
                                       QStringLiteral("folder"));
#ifdef Q_OS_WIN
    const QString userDirHelp = QStringLiteral("Run in %APPDATA%\\Korvex, created on first start.");
#else
    const QString userDirHelp =
        QStringLiteral("Run in $XDG_DATA_HOME/korvex (~/.local/share/korvex), created on "
                       "first start; the desktop menu entry starts the console so.");
#endif
    const QCommandLineOption userDirOption(QStringLiteral("user-dir"), userDirHelp);
    const QCommandLineOption connectOption(
        QStringLiteral("connect"),
        QStringLiteral(
            "Connect to the switcher's LAN port, or to korvexd, at <host[:port]> (port 8000 unless "
            "given) on start, as \"Network...\" does."),
        QStringLiteral("host[:port]"));
    parser.addOptions({helpOption, versionOption, dirOption, userDirOption, connectOption});
    // Qt's own options (-platform vnc, -style fusion, ...) are accepted here and left in argv for the
    // application object.
    for (const char *qtOption :
         {"platform", "style", "display", "qwindowgeometry", "qwindowtitle", "qwindowicon",
          "platformpluginpath", "platformtheme", "stylesheet", "session"}) {
        QCommandLineOption option(QString::fromLatin1(qtOption), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *qtFlag : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(qtFlag));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(args) || !parser.positionalArguments().isEmpty()) {
        // One line, as the other programs say it: Qt's "Unknown option 'x'." becomes "unknown option 'x'".
        QString error =
            parser.positionalArguments().isEmpty()
                ? parser.errorText()
                : QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        if (error.endsWith(QLatin1Char('.')))
            error.chop(1);
        if (!error.isEmpty())
            error[0] = error[0].toLower();
        std::fprintf(stderr, "korvex-console: %s (see korvex-console --help)\n", qPrintable(error));
        return 2;
    }
    if (parser.isSet(helpOption)) {
        QString help = parser.helpText();
        help.replace(QStringLiteral("<executable_name>"), QStringLiteral("korvex-console"));
        std::fputs(qPrintable(help), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("korvex-console " KORVEX_VERSION "\n");
        return 0;
    }

    QString connectHost;
    unsigned connectPort = 0;
    if (parser.isSet(connectOption)) {
        connectHost = CNetworkDlg::splitAddress(parser.value(connectOption), connectPort);
        if (connectHost.isEmpty()) {
            std::fprintf(stderr,
                         "korvex-console: --connect takes HOST[:PORT]\nTry 'korvex-console --help'.\n");
            return 2;
        }
    }

    QString folder;
    if (parser.isSet(dirOption))
        folder = parser.value(dirOption);
    else if (parser.isSet(userDirOption)) {
        folder = userWorkFolder();
        if (folder.isEmpty()) {
            std::fprintf(stderr, "korvex-console: the system names no folder for the user's files\n");
            return 1;
        }
    }
    if (!folder.isEmpty()) {
        QString error;
        if (!enterWorkFolder(folder, &error)) {
            std::fprintf(stderr, "korvex-console: %s\n", qPrintable(error));
            return 1;
        }
    }
    CConsoleApp app(argc, argv);
    // The socket library starts with the console, before its window; without it the console ends.
    net::SocketError socketError;
    if (!net::Socket::startUp(socketError)) {
        ui::messageBox(nullptr, QStringLiteral("Windows sockets initialization failed."));
        return 1;
    }
    return app.initInstance(connectHost, connectPort);
}
