// Makes the desktop icons from the scalable one, at the sizes the desktops ask for; drawn
// at each size from the shapes themselves, not scaled down from a large picture.
//   icon_maker ICON.svg SIZE OUT.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: icon_maker ICON.svg SIZE OUT.png\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    const int size = QString::fromLocal8Bit(argv[2]).toInt();
    if (!svg.isValid() || size < 16) {
        std::fprintf(stderr, "icon_maker: cannot read %s or bad size %s\n", argv[1], argv[2]);
        return 1;
    }
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return icon.save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
}
