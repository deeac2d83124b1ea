// Draws the flag pictures that ship in LANGUAGE: one per shipped language and the picture shown
// for a language without its own. Run by the build; the pictures are never edited by hand.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QTextStream>
#include <functional>
#include <utility>

namespace {

// The options dialog shows flags at their own size in 48 by 48 slots.
constexpr int Side = 48;
// A 3:2 flag in the middle of the slot; the bands above and below stay transparent.
const QRect Field(0, 8, 48, 32);
// What a reader that ignores the alpha channel shows around the flag: close to a light
// window background. The bottom-left pixel holds it too, for readers that key on that pixel.
constexpr QRgb Around = 0x00F0F0F0;
const QColor Outline(70, 70, 70);

void drawItalian(QPainter& p) {
    const int third = Field.width() / 3;
    p.fillRect(Field.x(), Field.y(), third, Field.height(), QColor(0, 140, 70));
    p.fillRect(Field.x() + third, Field.y(), third, Field.height(), QColor(245, 245, 240));
    p.fillRect(Field.x() + 2 * third, Field.y(), Field.width() - 2 * third, Field.height(),
               QColor(205, 33, 42));
}

void drawEnglish(QPainter& p) {
    const QColor blue(1, 36, 110);
    const QColor red(200, 20, 45);
    const QColor white(250, 250, 250);
    p.fillRect(Field, blue);
    p.save();
    p.setClipRect(Field);
    p.setRenderHint(QPainter::Antialiasing);
    const QLineF down(Field.topLeft(), QPointF(Field.right() + 1, Field.bottom() + 1));
    const QLineF up(QPointF(Field.left(), Field.bottom() + 1), QPointF(Field.right() + 1, 8));
    for (const auto& [colour, width] : {std::pair{white, 6.0}, std::pair{red, 2.0}}) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(down);
        p.drawLine(up);
    }
    p.restore();
    const QPoint c = Field.center();
    p.fillRect(c.x() - 4, Field.top(), 10, Field.height(), white);
    p.fillRect(Field.left(), c.y() - 4, Field.width(), 10, white);
    p.fillRect(c.x() - 2, Field.top(), 6, Field.height(), red);
    p.fillRect(Field.left(), c.y() - 2, Field.width(), 6, red);
}

// No country: a pale field with a globe, for any language that brings no flag of its own.
void drawDefault(QPainter& p) {
    p.fillRect(Field, QColor(226, 234, 244));
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF globe(Field.center().x() - 11.5, Field.center().y() - 11.5, 24, 24);
    p.setPen(QPen(QColor(30, 90, 160), 1.6));
    p.setBrush(QColor(120, 170, 220));
    p.drawEllipse(globe);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(globe.adjusted(6.5, 0, -6.5, 0));
    p.drawLine(QPointF(globe.center().x(), globe.top()),
               QPointF(globe.center().x(), globe.bottom()));
    p.drawLine(QPointF(globe.left(), globe.center().y()),
               QPointF(globe.right(), globe.center().y()));
    const qreal band = globe.height() / 4;
    p.drawLine(QPointF(globe.left() + 2.5, globe.top() + band),
               QPointF(globe.right() - 2.5, globe.top() + band));
    p.drawLine(QPointF(globe.left() + 2.5, globe.bottom() - band),
               QPointF(globe.right() - 2.5, globe.bottom() - band));
}

// `scale` 2 gives the picture for screens that scale by two ("Name@2x.bmp").
QImage picture(const std::function<void(QPainter&)>& draw, int scale = 1) {
    QImage image(Side * scale, Side * scale, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(scale, scale);
    draw(p);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Outline, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(Field).adjusted(0, 0, -1.0 / scale, -1.0 / scale));
    p.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                image.setPixel(x, y, Around);
    return image;
}

void putLe(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i)));
}

// Qt writes BMP without alpha, so the file is written here: 32 bits per pixel with bit fields
// and a version 4 header, which carries the alpha mask that Qt and other readers honour.
QByteArray bmp32(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    constexpr int FileHeader = 14;
    constexpr int InfoHeader = 108;
    const quint32 pixelBytes = quint32(image.width() * image.height() * 4);
    QByteArray out("BM");
    putLe(out, FileHeader + InfoHeader + pixelBytes, 4);
    putLe(out, 0, 4);
    putLe(out, FileHeader + InfoHeader, 4);
    putLe(out, InfoHeader, 4);
    putLe(out, quint32(image.width()), 4);
    putLe(out, quint32(image.height()), 4); // positive: rows run bottom-up
    putLe(out, 1, 2);                       // planes
    putLe(out, 32, 2);                      // bits per pixel
    putLe(out, 3, 4);                       // bit fields
    putLe(out, pixelBytes, 4);
    putLe(out, 2835, 4); // 72 dots per inch
    putLe(out, 2835, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    for (quint32 mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
        putLe(out, mask, 4);
    putLe(out, 0x73524742, 4); // colour space "sRGB"
    for (int i = 0; i < 12; ++i)
        putLe(out, 0, 4); // end points and gamma, unused with sRGB
    for (int y = image.height() - 1; y >= 0; --y)
        for (int x = 0; x < image.width(); ++x)
            putLe(out, image.pixel(x, y), 4);
    return out;
}

bool save(const QString& folder, const QString& name, const QImage& image, QTextStream& err) {
    QSaveFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bmp32(image)) < 0 || !file.commit()) {
        err << "draw-flags: cannot write " << file.fileName() << ": " << file.errorString() << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Painting into an image needs no screen: a core application is enough.
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: draw-flags FOLDER\n";
        return 2;
    }
    const QString folder = args[1];
    if (!QDir().mkpath(folder)) {
        err << "draw-flags: cannot create " << folder << "\n";
        return 1;
    }
    const std::pair<const char*, void (*)(QPainter&)> flags[] = {
        {"Italiano", drawItalian}, {"English", drawEnglish}, {"DefaultFlag", drawDefault}};
    for (const auto& [name, draw] : flags) {
        const QString file = QString::fromLatin1(name);
        if (!save(folder, file + QStringLiteral(".bmp"), picture(draw), err) ||
            !save(folder, file + QStringLiteral("@2x.bmp"), picture(draw, 2), err))
            return 1;
    }
    return 0;
}
