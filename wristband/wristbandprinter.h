#pragma once

#include "barcodeprinter.h"
#include "wristbandcheck.h"

#include <QDateTime>
#include <QPageLayout>
#include <QSizeF>
#include <QString>

class Connection;
class QPainter;
class QPagedPaintDevice;

// The wristband printing component: looks the admission up over the
// connection it is given (WristbandCheck::lookUp) and prints a band with the
// patient's name, numbers, birth date, sex and room and a Code 128 barcode
// of the admission id. Goes to the queue that Wardcheck.ini names
// ([printing] wristbandPrinter) and to no other; without that setting to the
// default printer, or to a PDF file when none is installed.
class WristbandPrinter : public BarcodePrinter
{
    Q_OBJECT

public:
    using BarcodePrinter::BarcodePrinter;

    // Throws AppError when the wristband printer named is not installed, the
    // admission cannot be found, the numbers do not belong together, the
    // barcode cannot be drawn, the output fails, or the print system refused
    // or cancelled the band. A band the print system has not confirmed, or
    // that waits at the printer, is told of in the notice returned.
    Sent print(Connection &connection, const QString &hospitalNumber, const QString &admissionId) override;

    // The PDF written by the last print, when it went to a file.
    QString lastPdf() const { return m_lastPdf; }

    static QSizeF bandSizeMm() { return QSizeF(250, 25); }
    // Label printers take the band as a roll 25 mm wide that feeds 250 mm
    // per band, printed across in landscape: the page laid out is the band,
    // 250 mm wide and 25 mm high.
    static QPageLayout pageLayout();
    // The narrowest bar of a symbol this many modules wide, in whole dots of
    // a device with this resolution; 0 when the symbol does not fit the band
    // at the narrowest bar a wristband printer resolves.
    static int moduleDots(int modules, int dpi);
    // Lays the band out on the painter's device from its top left corner,
    // the bars on whole dots of the device's resolution.
    static void paint(QPainter &painter, const WristbandData &data);
    static void render(QPagedPaintDevice &device, const WristbandData &data);

    // WARDCHECK_WRISTBAND_DIR, else "Wardcheck wristbands" in the documents folder.
    static QString outputFolder();
    static QString pdfFileName(const QString &admissionId, const QDateTime &at);
    // Writes the band into a new file in the folder, never over an existing
    // one, and returns its path.
    static QString writePdf(const WristbandData &data, const QString &folder,
                            const QDateTime &at = QDateTime::currentDateTime());

private:
    QString m_lastPdf;
};
