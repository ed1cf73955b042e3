#include "pngiconengine.h"

#include <QImageReader>
#include <QPainter>
#include <QPixmap>

void PngIconEngine::addFile(const QString &fileName, const QSize &, QIcon::Mode mode,
                            QIcon::State state)
{
    QImageReader reader(fileName, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (!image.isNull())
        images.addPixmap(QPixmap::fromImage(image), mode, state);
}

void PngIconEngine::addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state)
{
    images.addPixmap(pixmap, mode, state);
}

void PngIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                          QIcon::State state)
{
    images.paint(painter, rect, Qt::AlignCenter, mode, state);
}

QPixmap PngIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return images.pixmap(size, 1.0, mode, state);
}

QPixmap PngIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                                    qreal scale)
{
    return images.pixmap(size, scale, mode, state);
}

QSize PngIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return images.actualSize(size, mode, state);
}

QList<QSize> PngIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return images.availableSizes(mode, state);
}

bool PngIconEngine::isNull()
{
    return images.isNull();
}

QString PngIconEngine::key() const
{
    return QStringLiteral("PngIconEngine");
}

QIconEngine *PngIconEngine::clone() const
{
    auto *copy = new PngIconEngine;
    copy->images = images;
    return copy;
}

// The icon hands the file to the engine it is given, once made.
QIconEngine *PngIconEnginePlugin::create(const QString &)
{
    return new PngIconEngine;
}

// Built into the program, and so into every window's icons. The plugin's
// meta-object is compiled here, where the plugin is declared a static one.
#include "moc_pngiconengine.cpp"
Q_IMPORT_PLUGIN(PngIconEnginePlugin)
