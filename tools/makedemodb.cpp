// Makes the embedded demo hospital database: a believable ward with the
// awkward rows that the checking screens must cope with, and optionally a
// hospital-sized database for benchmarks and a printable sheet of the demo's
// barcodes for trying the program with a real scanner.

#include "code128.h"
#include "dbwriter.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTextStream>

#include <random>

namespace {

const char *const LastNames[] = {
    "Santos",     "Reyes",      "Cruz",     "Bautista", "Garcia",   "Mendoza", "Torres",   "Flores",   "Ramos",
    "Aquino",     "Smith",      "Smythe",   "Johnson",  "Williams", "Brown",   "Jones",    "Miller",   "Davis",
    "Wilson",     "Anderson",   "Taylor",   "Thomas",   "Moore",    "Martin",  "Jackson",  "Thompson", "White",
    "Lopez",      "Lee",        "Gonzalez", "Harris",   "Clark",    "Lewis",   "Robinson", "Walker",   "Young",
    "Allen",      "King",       "Wright",   "Scott",    "O'Brien",  "D'Souza", "Nguyen",   "Tan",      "Lim",
    "Villanueva", "de la Cruz", "Castillo", "Navarro",  "Ocampo"};
const char *const FirstNames[] = {"Maria",   "Jose",     "Juan",   "Ana",       "Mark",  "Grace",  "John",   "Mary",
                                  "Michael", "Joy",      "Paul",   "Rose",      "James", "Linda",  "Robert", "Patricia",
                                  "David",   "Jennifer", "Daniel", "Elizabeth", "Carlo", "Angela", "Miguel", "Sofia",
                                  "Luis",    "Camille",  "Peter",  "Hannah",    "Noel",  "Irene",  "Ramon",  "Teresa"};
const char *const MiddleNames[] = {"Dela Paz", "Santiago", "Lim", "Garcia", "Ann", "Lee", "Marie", "Jay",
                                   "Rose",     "Tan",      "Co",  "Diaz",   "Uy",  "Sy",  "Ong",   "Go"};
const char *const Medicines[] = {"Paracetamol 500 mg tablet",
                                 "Amoxicillin 500 mg capsule",
                                 "Cefuroxime 750 mg vial",
                                 "Omeprazole 40 mg vial",
                                 "Metformin 500 mg tablet",
                                 "Amlodipine 5 mg tablet",
                                 "Losartan 50 mg tablet",
                                 "Furosemide 20 mg ampoule",
                                 "Insulin glargine 100 IU/mL pen",
                                 "Heparin 5,000 IU/mL vial",
                                 "Ceftriaxone 1 g vial",
                                 "Metronidazole 500 mg/100 mL",
                                 "Ondansetron 4 mg ampoule",
                                 "Salbutamol 2.5 mg nebule",
                                 "Ipratropium 500 mcg nebule",
                                 "Tramadol 50 mg capsule",
                                 "Morphine 10 mg ampoule",
                                 "Ketorolac 30 mg ampoule",
                                 "Potassium chloride 40 mEq",
                                 "Sodium chloride 0.9% 1 L",
                                 "Dextrose 5% 1 L",
                                 "Lactated Ringer's 1 L",
                                 "Vitamin K 10 mg ampoule",
                                 "Tranexamic acid 500 mg ampoule",
                                 "Clopidogrel 75 mg tablet",
                                 "Atorvastatin 40 mg tablet",
                                 "Aspirin 80 mg tablet",
                                 "Enoxaparin 40 mg syringe",
                                 "Hydrocortisone 100 mg vial",
                                 "Dexamethasone 4 mg ampoule",
                                 "Piperacillin-tazobactam 4.5 g vial",
                                 "Vancomycin 500 mg vial",
                                 "Meropenem 1 g vial",
                                 "Azithromycin 500 mg tablet",
                                 "Levetiracetam 500 mg tablet",
                                 "Phenytoin 100 mg capsule",
                                 "Digoxin 250 mcg tablet",
                                 "Warfarin 5 mg tablet",
                                 "Prednisone 20 mg tablet",
                                 "Magnesium sulfate 50% ampoule"};
const char *const Exams[] = {"Complete Blood Count",
                             "Blood Chemistry",
                             "Fasting Blood Sugar",
                             "HbA1c",
                             "Lipid Profile",
                             "Creatinine",
                             "Blood Urea Nitrogen",
                             "Sodium",
                             "Potassium",
                             "Chloride",
                             "SGPT (ALT)",
                             "SGOT (AST)",
                             "Prothrombin Time",
                             "aPTT",
                             "Blood Typing",
                             "Urinalysis",
                             "Blood Culture",
                             "Troponin I",
                             "CK-MB",
                             "Serum Magnesium",
                             "Ionized Calcium",
                             "Arterial Blood Gas",
                             "Procalcitonin",
                             "C-Reactive Protein",
                             "TSH"};

struct Options
{
    QString out;
    QString sheet;
    int patients = 400;
    int admitted = 300;
    int nurseRows = 1500;
    int labRows = 900;
    quint32 seed = 20261208;
};

class Generator
{
public:
    explicit Generator(const Options &o) : m_o(o), m_rng(o.seed), m_db(o.out) { }

    void run()
    {
        m_db.exec(QStringLiteral("PRAGMA synchronous = OFF"));
        m_db.begin();
        catalogues();
        patients();
        demoCases();
        packages();
        labRequests();
        m_db.addUser(QStringLiteral("nurse"), QStringLiteral("wardcheck"));
        m_db.addUser(QStringLiteral("lab"), QStringLiteral("wardcheck"));
        m_db.markAsDemo();
        m_db.commit();
        m_db.exec(QStringLiteral("ANALYZE"));
        m_db.close();
    }

    struct SheetEntry
    {
        QString section;
        QString label;
        QString code;
    };
    const QList<SheetEntry> &sheet() const { return m_sheet; }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    template<class T, size_t N> QString any(const T (&list)[N]) { return QString::fromUtf8(list[pick(int(N))]); }

    static QString stamp(const QDateTime &t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

    void catalogues()
    {
        int i = 0;
        for (const char *name : Medicines) {
            const QString id = QStringLiteral("INV%1").arg(++i, 4, 10, QLatin1Char('0'));
            m_db.insert(QStringLiteral("tbinvmaster"), {id, QString::fromUtf8(name)});
            m_db.insert(QStringLiteral("tbinvent"), {id, QStringLiteral("20")});
            if (i % 3 == 0)
                m_db.insert(QStringLiteral("tbinvent"), {id, QStringLiteral("05")});
            m_items << id;
        }
        // Stocked only in other locations: never dispensed from the ward stock.
        for (const char *name : {"Alteplase 50 mg vial", "Albumin 25% 50 mL"}) {
            const QString id = QStringLiteral("INV%1").arg(++i, 4, 10, QLatin1Char('0'));
            m_db.insert(QStringLiteral("tbinvmaster"), {id, QString::fromUtf8(name)});
            m_db.insert(QStringLiteral("tbinvent"), {id, QStringLiteral("07")});
            m_unstockedItems << id;
        }
        // Stocked at the ward but with no name in the item master.
        m_namelessItem = QStringLiteral("INV%1").arg(++i, 4, 10, QLatin1Char('0'));
        m_db.insert(QStringLiteral("tbinvmaster"), {m_namelessItem, QVariant()});
        m_db.insert(QStringLiteral("tbinvent"), {m_namelessItem, QStringLiteral("20")});

        int e = 0;
        for (const char *name : Exams) {
            const QString id = QStringLiteral("LX%1").arg(++e, 3, 10, QLatin1Char('0'));
            m_db.insert(QStringLiteral("tbcoLabExam"), {id, QString::fromUtf8(name)});
            m_exams << id;
        }
    }

    void patients()
    {
        const QDateTime today(QDate(2026, 12, 1), QTime(8, 0));
        for (int p = 0; p < m_o.patients; ++p) {
            const QString hn = QStringLiteral("H%1").arg(100000 + p);
            const QString idn = QStringLiteral("A%1").arg(500000 + p);
            const QDate birth = QDate(1930, 1, 1).addDays(pick(94 * 365));
            m_db.insert(QStringLiteral("tbmaster"),
                        {hn, any(LastNames), any(FirstNames), any(MiddleNames), stamp(QDateTime(birth, QTime(0, 0))),
                         pick(2) ? QStringLiteral("F") : QStringLiteral("M")});
            QDateTime admitted = today.addSecs(-qint64(pick(60 * 24 * 60)) * 60);
            if (p % 7 == 0)
                admitted.setTime(QTime(0, 0));
            const bool stillIn = p < m_o.admitted;
            const QVariant discharged = stillIn ? QVariant() : QVariant(stamp(admitted.addDays(1 + pick(10))));
            const QString room =
                QStringLiteral("%1%2-%3").arg(1 + pick(6)).arg(QChar(u'A' + pick(4))).arg(1 + pick(30));
            m_db.insert(QStringLiteral("tbpatient"), {idn, hn, room, stamp(admitted), discharged});
            if (stillIn)
                m_admissions << Admission{hn, idn};
        }
    }

    void package(const QString &ref, const QString &hn, const QString &idn, const QStringList &items)
    {
        const QString request = QStringLiteral("RX%1").arg(++m_requests, 7, 10, QLatin1Char('0'));
        for (const QString &item : items)
            m_db.insert(QStringLiteral("tbnursecommunicationfile"), {ref, hn, idn, request, item});
        m_nurseRows += int(items.size());
    }

    void labRequest(const QString &ref, const QVariant &hn, const QVariant &idn, const QStringList &exams)
    {
        const QString request = QStringLiteral("LR%1").arg(++m_requests, 7, 10, QLatin1Char('0'));
        for (const QString &exam : exams)
            m_db.insert(QStringLiteral("tbLABmaster"), {ref, hn, idn, request, exam});
        m_labRows += int(exams.size());
    }

    QString nextPackage() { return QStringLiteral("C%1").arg(++m_packages, 7, 10, QLatin1Char('0')); }
    QString nextContainer() { return QStringLiteral("L%1").arg(++m_containers, 7, 10, QLatin1Char('0')); }

    void demoCases()
    {
        const auto section = [this](const QString &s, const QString &label, const QString &code) {
            m_sheet << SheetEntry{s, label, code};
        };
        const QString meds = QStringLiteral("Medicine packages");
        const QString lab = QStringLiteral("Specimen containers");
        const QString bands = QStringLiteral("Wristbands");

        // Two patients with the very same name, in neighbouring beds.
        for (int k = 0; k < 2; ++k) {
            const QString hn = QStringLiteral("H09000%1").arg(k);
            const QString idn = QStringLiteral("A09000%1").arg(k);
            m_db.insert(QStringLiteral("tbmaster"),
                        {hn, QStringLiteral("Dela Cruz"), QStringLiteral("Juan"), QStringLiteral("Santos"),
                         QStringLiteral("1958-03-14 00:00:00"), QStringLiteral("M")});
            m_db.insert(QStringLiteral("tbpatient"),
                        {idn, hn, QStringLiteral("4B-1%1").arg(k), QStringLiteral("2026-11-28 14:35:00"), QVariant()});
            section(bands, QStringLiteral("Dela Cruz, Juan Santos (bed 4B-1%1)").arg(k), idn);
        }
        QString ref = nextPackage();
        package(ref, QStringLiteral("H090000"), QStringLiteral("A090000"), {m_items[0], m_items[10], m_items[13]});
        section(meds, QStringLiteral("3 items for Dela Cruz, Juan Santos in 4B-10 (pass with A090000)"), ref);
        ref = nextPackage();
        package(ref, QStringLiteral("H090001"), QStringLiteral("A090001"), {m_items[4]});
        section(meds, QStringLiteral("1 item for Dela Cruz, Juan Santos in 4B-11 (pass with A090001)"), ref);
        ref = nextPackage();
        package(ref, QStringLiteral("H090000"), QStringLiteral("A090000"), {m_unstockedItems[0], m_unstockedItems[1]});
        section(meds, QStringLiteral("Items not stocked at the ward (shows *Invalid Barcode)"), ref);
        ref = nextPackage();
        package(ref, QStringLiteral("H090001"), QStringLiteral("A090001"), {m_items[2], m_namelessItem});
        section(meds, QStringLiteral("An item without a name (empty line in the list)"), ref);

        // No middle name on record: the name cannot be built.
        m_db.insert(QStringLiteral("tbmaster"),
                    {QStringLiteral("H090002"), QStringLiteral("Reyes"), QStringLiteral("Ana"), QVariant(),
                     QStringLiteral("1990-07-02 00:00:00"), QStringLiteral("F")});
        m_db.insert(QStringLiteral("tbpatient"),
                    {QStringLiteral("A090002"), QStringLiteral("H090002"), QStringLiteral("2C-05"),
                     QStringLiteral("2026-11-30 00:00:00"), QVariant()});
        section(bands, QStringLiteral("Reyes, Ana (no middle name on record)"), QStringLiteral("A090002"));
        ref = nextPackage();
        package(ref, QStringLiteral("H090002"), QStringLiteral("A090002"), {m_items[1]});
        section(meds, QStringLiteral("For Reyes, Ana, no middle name (shows a connection error)"), ref);

        // Admitted, but the patient master record is missing.
        m_db.insert(QStringLiteral("tbpatient"),
                    {QStringLiteral("A090003"), QStringLiteral("H090099"), QStringLiteral("ER-02"),
                     QStringLiteral("2026-12-01 03:12:45"), QVariant()});
        section(bands, QStringLiteral("Admission without a patient record (ER-02)"), QStringLiteral("A090003"));

        ref = nextContainer();
        labRequest(ref, QStringLiteral("H090000"), QStringLiteral("A090000"), {m_exams[0], m_exams[1], m_exams[14]});
        section(lab, QStringLiteral("3 exams for Dela Cruz, Juan Santos in 4B-10 (pass with A090000)"), ref);
        ref = nextContainer();
        labRequest(ref, QStringLiteral("H090001"), QStringLiteral("A090001"), {m_exams[3]});
        section(lab, QStringLiteral("1 exam for Dela Cruz, Juan Santos in 4B-11 (pass with A090001)"), ref);
        ref = nextContainer();
        labRequest(ref, QStringLiteral("H090001"), QStringLiteral("A090001"), {m_exams[5], QStringLiteral("LX999")});
        section(lab, QStringLiteral("An exam missing from the catalogue"), ref);
        ref = nextContainer();
        labRequest(ref, QStringLiteral("H090099"), QStringLiteral("A090003"), {m_exams[17], m_exams[18]});
        section(lab, QStringLiteral("For the admission without a patient record"), ref);
        ref = nextContainer();
        labRequest(ref, QStringLiteral("H090000"), QVariant(), {m_exams[16]});
        section(lab, QStringLiteral("A request without an admission number (never passes)"), ref);
        section(lab, QStringLiteral("Not a known container (shows Invalid Barcode)"), QStringLiteral("L9999999"));
        section(meds, QStringLiteral("Not a medicine package (shows *Invalid Barcode)"), QStringLiteral("X1234567"));
    }

    void packages()
    {
        while (m_nurseRows < m_o.nurseRows && !m_admissions.isEmpty()) {
            const Admission &a = m_admissions[pick(int(m_admissions.size()))];
            QStringList items;
            for (int n = 1 + pick(4); n > 0; --n)
                items << m_items[pick(int(m_items.size()))];
            package(nextPackage(), a.hn, a.idn, items);
        }
    }

    void labRequests()
    {
        while (m_labRows < m_o.labRows && !m_admissions.isEmpty()) {
            const Admission &a = m_admissions[pick(int(m_admissions.size()))];
            QStringList exams;
            for (int n = 1 + pick(5); n > 0; --n)
                exams << m_exams[pick(int(m_exams.size()))];
            labRequest(nextContainer(), a.hn, a.idn, exams);
        }
    }

    struct Admission
    {
        QString hn;
        QString idn;
    };

    Options m_o;
    std::mt19937 m_rng;
    DbWriter m_db;
    QStringList m_items, m_unstockedItems, m_exams;
    QString m_namelessItem;
    QList<Admission> m_admissions;
    QList<SheetEntry> m_sheet;
    int m_requests = 0, m_packages = 0, m_containers = 0, m_nurseRows = 0, m_labRows = 0;
};

bool writeSheet(const QString &path, const QList<Generator::SheetEntry> &entries)
{
    QPdfWriter pdf(path);
    pdf.setTitle(QStringLiteral("Wardcheck demo barcodes"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    QPainter painter(&pdf);
    if (!painter.isActive())
        return false;
    const qreal mm = 300 / 25.4;
    const qreal left = 15 * mm, width = 180 * mm, rowHeight = 24 * mm;
    qreal y = 15 * mm;
    QFont title(QStringLiteral("DejaVu Sans"), 14, QFont::Bold);
    QFont text(QStringLiteral("DejaVu Sans"), 9);
    QFont code(QStringLiteral("DejaVu Sans Mono"), 10);
    QString section;
    painter.setFont(title);
    painter.drawText(QPointF(left, y + 6 * mm), QStringLiteral("Wardcheck demo ward: barcodes to scan"));
    y += 12 * mm;
    for (const auto &entry : entries) {
        const bool newSection = entry.section != section;
        const qreal needed = rowHeight + (newSection ? 10 * mm : 0);
        if (y + needed > 282 * mm) {
            pdf.newPage();
            y = 15 * mm;
        }
        if (newSection) {
            section = entry.section;
            painter.setFont(title);
            painter.drawText(QPointF(left, y + 7 * mm), section);
            y += 10 * mm;
        }
        painter.setFont(text);
        painter.drawText(QRectF(left, y, width - 75 * mm, 14 * mm), Qt::TextWordWrap, entry.label);
        painter.setFont(code);
        painter.drawText(QPointF(left, y + 19 * mm), entry.code);
        const QString error = Code128::paint(painter, QRectF(left + width - 70 * mm, y, 65 * mm, 15 * mm), entry.code);
        if (!error.isEmpty())
            return false;
        y += rowHeight;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes the embedded Wardcheck demo hospital database."));
    parser.addHelpOption();
    const QCommandLineOption out({QStringLiteral("o"), QStringLiteral("out")},
                                 QStringLiteral("Database file to write."), QStringLiteral("file"),
                                 QStringLiteral("hospital.db"));
    const QCommandLineOption sheet(QStringLiteral("sheet"), QStringLiteral("Also write a PDF of the demo barcodes."),
                                   QStringLiteral("pdf"));
    const QCommandLineOption patients(QStringLiteral("patients"), QStringLiteral("Patients in the master file."),
                                      QStringLiteral("n"));
    const QCommandLineOption admitted(QStringLiteral("admitted"), QStringLiteral("Of them, still admitted."),
                                      QStringLiteral("n"));
    const QCommandLineOption nurse(QStringLiteral("nurse-rows"), QStringLiteral("Nurse communication rows."),
                                   QStringLiteral("n"));
    const QCommandLineOption lab(QStringLiteral("lab-rows"), QStringLiteral("Lab request rows."), QStringLiteral("n"));
    const QCommandLineOption hospital(QStringLiteral("hospital"),
                                      QStringLiteral("Hospital scale: 200,000 patients (50,000 admitted), "
                                                     "2,000,000 nurse communication rows, 1,000,000 lab rows."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace the output file even if makedemodb did not make it."));
    parser.addOptions({out, sheet, patients, admitted, nurse, lab, hospital, force});
    parser.process(app);

    Options o;
    o.out = parser.value(out);
    if (parser.isSet(hospital)) {
        o.patients = 200000;
        o.admitted = 50000;
        o.nurseRows = 2000000;
        o.labRows = 1000000;
    }
    const auto number = [&](const QCommandLineOption &option, int &target) {
        if (parser.isSet(option))
            target = parser.value(option).toInt();
    };
    number(patients, o.patients);
    number(admitted, o.admitted);
    number(nurse, o.nurseRows);
    number(lab, o.labRows);
    if (!parser.isSet(admitted) && parser.isSet(patients) && !parser.isSet(hospital))
        o.admitted = o.patients * 3 / 4;
    o.admitted = std::min(o.admitted, o.patients);

    QTextStream err(stderr);
    // A wrong --out must not cost anyone a file: only a database this tool
    // made is replaced without being told to.
    if (QFileInfo::exists(o.out) && !parser.isSet(force) && !DbWriter::madeHere(o.out)) {
        err << "makedemodb: " << o.out
            << " exists and is not a database made by makedemodb; it was left alone (--force replaces it)" << Qt::endl;
        return 1;
    }
    try {
        Generator generator(o);
        generator.run();
        if (parser.isSet(sheet) && !writeSheet(parser.value(sheet), generator.sheet())) {
            err << "cannot write the barcode sheet " << parser.value(sheet) << Qt::endl;
            return 1;
        }
    } catch (const std::exception &e) {
        err << "makedemodb: " << e.what() << Qt::endl;
        return 1;
    }
    return 0;
}
