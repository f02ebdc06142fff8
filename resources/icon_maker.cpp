// Makes the desktop icon from the logo: the logo scaled into a square with a clear margin,
// since the logo itself is wider than high.
//   icon_maker LOGO.png SIZE OUT.png

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: icon_maker LOGO.png SIZE OUT.png\n");
        return 2;
    }
    const QImage logo(QString::fromLocal8Bit(argv[1]));
    const int size = QString::fromLocal8Bit(argv[2]).toInt();
    if (logo.isNull() || size < 16) {
        std::fprintf(stderr, "icon_maker: cannot read %s or bad size %s\n", argv[1], argv[2]);
        return 1;
    }
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    const QImage scaled = logo.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter(&icon).drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    return icon.save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
}
