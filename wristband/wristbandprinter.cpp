#include "wristbandprinter.h"

#include "apperror.h"
#include "code128.h"
#include "printqueue.h"
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>

namespace {

// Narrow bars at 0.4 mm scan well from a curved band; 0.25 mm is the least
// a thermal wristband printer resolves reliably.
constexpr qreal PreferredModuleMm = 0.4;
constexpr qreal SmallestModuleMm = 0.25;
constexpr int QuietZoneModules = 10;
// What a band is laid out at for a queue whose resolution CUPS does not
// tell, and for PDF files.
constexpr int FallbackDpi = 600;

constexpr qreal TextLeftMm = 14; // clear of the clasp end
constexpr qreal TextRightMm = 120;
constexpr qreal BarcodeLeftMm = 124;
constexpr qreal BarcodeRightMm = 244;

QFont fontMm(qreal heightMm, qreal dotsPerMm, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(qMax(1, qRound(heightMm * dotsPerMm)));
    font.setBold(bold);
    return font;
}

void drawLine(QPainter &painter, const QFont &font, qreal leftDots, qreal baselineDots, qreal widthDots,
              const QString &text)
{
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    painter.drawText(QPointF(leftDots, baselineDots), metrics.elidedText(text, Qt::ElideRight, widthDots));
}

} // namespace

QPageLayout WristbandPrinter::pageLayout()
{
    const QSizeF band = bandSizeMm();
    return QPageLayout(QPageSize(band.transposed(), QPageSize::Millimeter, QStringLiteral("Wristband")),
                       QPageLayout::Landscape, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

int WristbandPrinter::moduleDots(int modules, int dpi)
{
    if (modules <= 0 || dpi <= 0)
        return 0;
    const qreal dotsPerMm = dpi / 25.4;
    const int fits = int(std::floor((BarcodeRightMm - BarcodeLeftMm) * dotsPerMm / (modules + 2 * QuietZoneModules)));
    const int preferred = qMax(1, qRound(PreferredModuleMm * dotsPerMm));
    // 0.25 mm is 1.998 dots at 203 dpi: a hair under two dots is two dots.
    const int smallest = qMax(1, int(std::ceil(SmallestModuleMm * dotsPerMm - 0.01)));
    const int dots = qMin(preferred, fits);
    return dots >= smallest ? dots : 0;
}

void WristbandPrinter::paint(QPainter &painter, const WristbandData &data)
{
    QString reason;
    const int modules = Code128::moduleCount(data.admissionId, &reason);
    if (modules <= 0)
        throw AppError(AppError::PrinterError,
                       QStringLiteral("The admission id cannot be printed as a barcode: %1").arg(reason));
    const int dpi = painter.device()->logicalDpiX();
    const int module = moduleDots(modules, dpi);
    if (module <= 0) {
        throw AppError(
            AppError::PrinterError,
            QStringLiteral("The admission id %1 is too long for the wristband's barcode.").arg(data.admissionId));
    }

    const qreal dots = dpi / 25.4;
    const QSizeF band = bandSizeMm();
    painter.save();
    painter.fillRect(QRectF(0, 0, band.width() * dots, band.height() * dots), Qt::white);
    painter.setPen(Qt::black);

    const qreal textLeft = TextLeftMm * dots;
    const qreal textWidth = (TextRightMm - TextLeftMm) * dots;
    drawLine(painter, fontMm(4.6, dots, true), textLeft, 7.5 * dots, textWidth, data.patientName());
    drawLine(painter, fontMm(3.4, dots), textLeft, 13.5 * dots, textWidth,
             QStringLiteral("HN %1     Adm %2").arg(data.hospitalNumber, data.admissionId));
    drawLine(painter, fontMm(3.4, dots), textLeft, 19.0 * dots, textWidth,
             QStringLiteral("Born %1     Sex %2     Room %3").arg(data.birthDate, data.sex, data.room));

    // Every bar edge on a dot boundary: a thermal head prints a bar of whole
    // dots crisply and smears one that ends part-way through a dot.
    const qreal available = BarcodeRightMm - BarcodeLeftMm;
    const int barsWidth = modules * module;
    const int barsLeft = qRound(BarcodeLeftMm * dots + (available * dots - barsWidth) / 2);
    const QString failed =
        Code128::paint(painter, QRectF(barsLeft, qRound(3 * dots), barsWidth, qRound(14 * dots)), data.admissionId);
    if (!failed.isEmpty()) {
        painter.restore();
        throw AppError(AppError::PrinterError,
                       QStringLiteral("The admission id cannot be printed as a barcode: %1").arg(failed));
    }
    const QFont caption = fontMm(3.0, dots);
    painter.setFont(caption);
    painter.drawText(QRectF(BarcodeLeftMm * dots, 18 * dots, available * dots, 5 * dots), Qt::AlignCenter,
                     data.admissionId);
    painter.restore();
}

void WristbandPrinter::render(QPagedPaintDevice &device, const WristbandData &data)
{
    device.setPageLayout(pageLayout());
    // A printer may refuse a size of ours and keep one of its own.
    const QSizeF page = device.pageLayout().fullRect(QPageLayout::Millimeter).size();
    const QSizeF band = bandSizeMm();
    if (qAbs(page.width() - band.width()) > 0.5 || qAbs(page.height() - band.height()) > 0.5) {
        throw AppError(
            AppError::PrinterError,
            QStringLiteral("The printer cannot take a page of %1 × %2 mm.").arg(band.width()).arg(band.height()));
    }
    QPainter painter;
    if (!painter.begin(&device))
        throw AppError(AppError::PrinterError, QStringLiteral("The printer could not be started."));
    try {
        paint(painter, data);
    } catch (...) {
        painter.end();
        throw;
    }
    if (!painter.end())
        throw AppError(AppError::PrinterError, QStringLiteral("The printer did not accept the wristband."));
}

QString WristbandPrinter::outputFolder()
{
    const QString named = qEnvironmentVariable("WARDCHECK_WRISTBAND_DIR");
    if (!named.isEmpty())
        return named;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("Wardcheck wristbands"));
}

QString WristbandPrinter::pdfFileName(const QString &admissionId, const QDateTime &at)
{
    QString safe = admissionId;
    safe.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]+")), QStringLiteral("_"));
    safe = safe.left(60);
    if (safe.isEmpty())
        safe = QStringLiteral("_");
    return QStringLiteral("wristband-%1-%2.pdf").arg(safe, at.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString WristbandPrinter::writePdf(const WristbandData &data, const QString &folder, const QDateTime &at)
{
    if (!QDir().mkpath(folder))
        throw AppError(AppError::PrinterError, QStringLiteral("The folder %1 could not be made.").arg(folder));
    const QString base = pdfFileName(data.admissionId, at);
    QFile file;
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : QString(base).insert(base.size() - 4, QStringLiteral("-%1").arg(n));
        file.setFileName(QDir(folder).filePath(name));
        // NewOnly: a file that appears meanwhile is never overwritten. The
        // band holds patient data: its owner alone may read it.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            break;
        if (!file.exists())
            throw AppError(AppError::PrinterError,
                           QStringLiteral("%1 could not be written: %2").arg(file.fileName(), file.errorString()));
    }
    if (!file.isOpen())
        throw AppError(AppError::PrinterError, QStringLiteral("No free file name for %1 in %2.").arg(base, folder));

    // A file that could not be written whole is not left behind half-written.
    const auto discard = [&file] {
        const QString name = file.fileName();
        file.close();
        QFile::remove(name);
    };
    try {
        QPdfWriter writer(&file);
        writer.setResolution(FallbackDpi);
        writer.setTitle(QStringLiteral("Wristband %1").arg(data.admissionId));
        writer.setCreator(QStringLiteral("Wardcheck"));
        render(writer, data);
    } catch (...) {
        discard();
        throw;
    }
    // The writer does not check its writes; the file remembers a failed one.
    bool written = file.error() == QFileDevice::NoError && file.flush();
    QString why = file.errorString();
    if (written) {
        file.close();
        written = file.error() == QFileDevice::NoError;
        why = file.errorString();
    }
    if (!written) {
        discard();
        throw AppError(AppError::PrinterError, QStringLiteral("%1 could not be written: %2").arg(file.fileName(), why));
    }
    return file.fileName();
}

BarcodePrinter::Sent WristbandPrinter::print(Connection &connection, const QString &hospitalNumber,
                                             const QString &admissionId)
{
    // A queue named in the settings is the only place a band may go: one
    // that is missing is an error, never a reason to print elsewhere.
    const QString chosen = WardcheckSettings::wristbandPrinter();
    const QPrinterInfo printerInfo =
        chosen.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(chosen);
    const auto notInstalled = [&chosen] {
        return AppError(AppError::PrinterError,
                        QStringLiteral("The wristband printer %1 is not installed.").arg(chosen));
    };
    if (!chosen.isEmpty() && printerInfo.isNull())
        throw notInstalled();

    const WristbandData data = WristbandCheck::lookUp(connection, hospitalNumber, admissionId);
    if (printerInfo.isNull()) {
        m_lastPdf = writePdf(data, outputFolder());
        return Sent();
    }
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName() != printerInfo.printerName()) {
        if (!chosen.isEmpty())
            throw notInstalled();
        throw AppError(AppError::PrinterError,
                       QStringLiteral("The printer %1 could not be reached.").arg(printerInfo.printerName()));
    }
    const int dpi = PrintQueue::defaultResolution(printerInfo.printerName());
    printer.setResolution(dpi > 0 ? dpi : FallbackDpi);
    printer.setDocName(QStringLiteral("Wristband %1").arg(admissionId));
    printer.setFullPage(true);
    const PrintQueue::JobWatch watch(printerInfo.printerName());
    render(printer, data);
    if (printer.printerState() == QPrinter::Error)
        throw AppError(AppError::PrinterError,
                       QStringLiteral("The printer %1 reported an error.").arg(printerInfo.printerName()));
    // Qt does not say whether the print system took the job; a queue that
    // refuses jobs would lose the band without a word. "Nothing was printed"
    // is said only when the print system said so: told that wrongly, the
    // nurse prints a second band, and two come out.
    const QString queue = printerInfo.printerName();
    const PrintQueue::JobWatch::Answer answer = watch.outcome(printer.docName());
    switch (answer.outcome) {
    case PrintQueue::JobWatch::Outcome::Taken:
        return Sent();
    case PrintQueue::JobWatch::Outcome::Waiting:
        return Sent{Sent::Kind::Waiting,
                    QStringLiteral("The wristband for %1 is waiting at the printer %2: %3. Do not print it again: it "
                                   "prints when the printer is ready.")
                        .arg(data.patientName(), queue, answer.waiting)};
    case PrintQueue::JobWatch::Outcome::Unknown:
        return Sent{Sent::Kind::NotConfirmed,
                    QStringLiteral("The printer %1 has not confirmed the wristband for %2. Check the printer before "
                                   "printing it again: the band may still come out.")
                        .arg(queue, data.patientName())};
    case PrintQueue::JobWatch::Outcome::Refused:
        throw AppError(AppError::PrinterError,
                       QStringLiteral("The printer %1 did not take the wristband; nothing was printed.").arg(queue));
    case PrintQueue::JobWatch::Outcome::Cancelled:
        throw AppError(AppError::PrinterError,
                       QStringLiteral("The printer %1 cancelled the wristband for %2; nothing was printed. Check the "
                                      "printer before printing it again.")
                           .arg(queue, data.patientName()));
    }
    return Sent();
}
