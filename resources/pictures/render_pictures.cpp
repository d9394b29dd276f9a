// SPDX-License-Identifier: MIT
// Renders the module's pictures: reads a manifest of "id source width height" lines
// (# starts a comment) and writes <id>.png for each, the SVG source drawn to fill the
// size exactly.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: nelvo_render_pictures MANIFEST SOURCE_DIR OUTPUT_DIR\n");
        return 2;
    }
    QFile manifest(QString::fromLocal8Bit(argv[1]));
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QString sourceDir = QString::fromLocal8Bit(argv[2]);
    const QString outputDir = QString::fromLocal8Bit(argv[3]);
    QTextStream lines(&manifest);
    while (!lines.atEnd()) {
        const QString line = lines.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() != 4) {
            std::fprintf(stderr, "malformed manifest line: %s\n", qPrintable(line));
            return 1;
        }
        QSvgRenderer svg(sourceDir + QLatin1Char('/') + f[1]);
        if (!svg.isValid()) {
            std::fprintf(stderr, "cannot render %s\n", qPrintable(f[1]));
            return 1;
        }
        QImage picture(f[2].toInt(), f[3].toInt(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        svg.render(&painter, QRectF(picture.rect()));
        painter.end();
        const QString out = outputDir + QLatin1Char('/') + f[0] + QStringLiteral(".png");
        if (!picture.save(out)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
