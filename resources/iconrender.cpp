// Build tool: renders an SVG icon source into a PNG or ICO image of the given size.
// Usage: iconrender <source.svg> <target.png|target.ico> <size>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 4) {
        err << "usage: iconrender <source.svg> <target.png|target.ico> <size>\n";
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        err << "iconrender: cannot read " << args.at(1) << '\n';
        return 1;
    }
    const int size = args.at(3).toInt();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();

    const QByteArray format = args.at(2).endsWith(QLatin1String(".ico")) ? "ICO" : "PNG";
    if (!image.save(args.at(2), format.constData())) {
        err << "iconrender: cannot write " << args.at(2) << '\n';
        return 1;
    }
    return 0;
}
