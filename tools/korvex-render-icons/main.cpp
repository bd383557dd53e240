// korvex-render-icons: renders one SVG picture into a PNG of a given size, at build time, on the
// build machine's Qt. The console embeds the PNGs, so it needs no SVG support where it runs (the
// Windows build has none) and loads its icons without parsing SVG at start-up.
//
//   korvex-render-icons INPUT.svg OUTPUT.png WIDTHxHEIGHT
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: korvex-render-icons INPUT.svg OUTPUT.png WIDTHxHEIGHT\n");
        return 1;
    }
    const QStringList size = QString::fromLocal8Bit(argv[3]).split(QLatin1Char('x'));
    const int width = size.size() == 2 ? size[0].toInt() : 0;
    const int height = size.size() == 2 ? size[1].toInt() : 0;
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "korvex-render-icons: bad size %s\n", argv[3]);
        return 1;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "korvex-render-icons: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "korvex-render-icons: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
