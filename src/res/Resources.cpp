#include "res/Resources.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <vector>

namespace res {

namespace {

// An icon whose pictures are PNGs rendered by the build at fixed sizes: a picture is read only when
// a size near it is first drawn (QIcon::addFile would decode every one of them up front).
class RenderedIconEngine : public QIconEngine {
public:
    struct Picture {
        QSize size;
        QString path;
        QPixmap pixmap; // read on first use
    };
    explicit RenderedIconEngine(std::vector<Picture> pictures) : m_pictures(std::move(pictures)) {}

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        (void)mode;
        (void)state;
        Picture &best = bestFor(size);
        if (best.pixmap.isNull())
            best.pixmap.load(best.path);
        if (best.pixmap.size() == size || best.pixmap.isNull())
            return best.pixmap;
        return best.pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override {
        return bestFor(size).size.scaled(size, Qt::KeepAspectRatio).boundedTo(bestFor(size).size);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const Picture &p : m_pictures)
            sizes << p.size;
        return sizes;
    }
    QIconEngine *clone() const override { return new RenderedIconEngine(m_pictures); }

private:
    // The smallest picture at least as large as asked for, else the largest.
    Picture &bestFor(const QSize &size) {
        for (Picture &p : m_pictures)
            if (p.size.width() >= size.width() && p.size.height() >= size.height())
                return p;
        return m_pictures.back();
    }

    std::vector<Picture> m_pictures; // smallest first
};

QIcon makeIcon(const char *name, std::initializer_list<const char *> sizes) {
    std::vector<RenderedIconEngine::Picture> pictures;
    for (const char *size : sizes) {
        const QStringList wh = QString::fromLatin1(size).split(QLatin1Char('x'));
        pictures.push_back({QSize(wh[0].toInt(), wh[1].toInt()),
                            QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(name), QLatin1String(size)),
                            {}});
    }
    return QIcon(new RenderedIconEngine(std::move(pictures)));
}

QIcon makeIcon(int id) {
    const auto square = [](const char *name) {
        return makeIcon(name, {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"});
    };
    switch (id) {
    case IDR_MAINFRAME:
        return square("app");
    case IDI_PORT_OFF:
        return square("port-off");
    case IDI_PORT_ON:
        return square("port-on");
    case IDI_MV_MODE1:
        return square("mv-2x2");
    case IDI_MV_MODE0:
        return square("mv-3x3");
    case IDB_WALL_PANELS:
        return makeIcon("wall-panels", {"352x220", "704x440", "1056x660"});
    case IDB_WALL_PORTRAIT:
        return makeIcon("wall-portrait", {"220x352", "440x704", "660x1056"});
    default:
        return {};
    }
}

} // namespace

QIcon icon(int id) {
    static QHash<int, QIcon> made;
    const auto found = made.constFind(id);
    if (found != made.constEnd())
        return *found;
    return *made.insert(id, makeIcon(id));
}

QString string(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About DravikCONSOLE...");
    default:
        return {};
    }
}

} // namespace res
