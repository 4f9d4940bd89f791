// Draws the program's SVG pictures as PNGs (and the frames of the Windows
// icon) for builds whose Qt has no SVG module. With --check it draws
// them afresh and compares them with the files in the folder instead, so the
// committed pictures cannot fall behind their SVGs.
#include "icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QSvgRenderer>

#include <cstdio>

namespace {

const char *const Pictures[] = {"wardcheck", "scanner-bottle", "wristband-scan", "specimen-scan", "carrying-case"};
// Four times the drawn size: the screens show them at up to twice their size.
constexpr int Scale = 4;
const int IconSizes[] = {16, 24, 32, 48, 64, 256};

QImage draw(const QString &name, QSize size)
{
    return Icons::render(QStringLiteral(":/%1.svg").arg(name), size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Antialiasing may differ in the last bit between runs of one Qt; a changed
// picture differs by far more.
bool same(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) > 4 || qAbs(qGreen(p) - qGreen(q)) > 4 || qAbs(qBlue(p) - qBlue(q)) > 4 ||
                qAbs(qAlpha(p) - qAlpha(q)) > 4)
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool check = args.value(0) == QLatin1String("--check");
    const QString folder = args.value(check ? 1 : 0);
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: rendericons [--check] FOLDER\n");
        return 2;
    }
    QDir().mkpath(folder);
    int faults = 0;
    for (const char *picture : Pictures) {
        const QString name = QString::fromLatin1(picture);
        const QSize size = QSvgRenderer(QStringLiteral(":/%1.svg").arg(name)).defaultSize() * Scale;
        const QImage image = draw(name, size);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        if (check) {
            if (!same(image, QImage(path).convertToFormat(QImage::Format_ARGB32))) {
                std::fprintf(stderr, "%s is not what %s.svg draws: run rendericons %s\n", qPrintable(path),
                             picture, qPrintable(folder));
                ++faults;
            }
        } else if (image.isNull() || !image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++faults;
        }
    }
    // The frames of the Windows icon, each size drawn from the SVG rather than
    // scaled from one picture; resources/raster/README says how they become
    // wardcheck.ico.
    if (!check) {
        for (int side : IconSizes) {
            const QString path = QDir(folder).filePath(QStringLiteral("icon-%1.png").arg(side));
            if (!draw(QStringLiteral("wardcheck"), QSize(side, side)).save(path))
                ++faults;
        }
    }
    return faults == 0 ? 0 : 1;
}
