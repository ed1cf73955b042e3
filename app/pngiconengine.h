#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QIconEnginePlugin>

// The icons of the forms are PNG files. The toolkit reads an icon's file by
// trying every image plugin installed on the system first (GIF, JPEG, and
// whatever else is there), loading each into the program, before its own PNG
// reader; that cost the calculator's first window a few milliseconds and its
// memory the plugins. This engine, which the toolkit picks for files ending in
// ".png", reads them as PNG straight away and leaves the rest (sizes, the
// look of a disabled button) to the toolkit's own engine.
class PngIconEngine : public QIconEngine
{
public:
    void addFile(const QString &fileName, const QSize &size, QIcon::Mode mode,
                 QIcon::State state) override;
    void addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    bool isNull() override;
    QString key() const override;
    QIconEngine *clone() const override;

private:
    QIcon images;
};

class PngIconEnginePlugin : public QIconEnginePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QIconEngineFactoryInterface_iid FILE "pngiconengine.json")

public:
    QIconEngine *create(const QString &fileName) override;
};
