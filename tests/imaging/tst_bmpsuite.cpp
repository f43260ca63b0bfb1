#include "bmpcheck.h"
#include "testutil.h"

#include <QDir>
#include <QRegularExpression>


using namespace mv;
using namespace mv::test;

// The public BMP suite beside the project (../shared/testdata/bmpsuite): good files match
// their reference pictures, questionable ones decode as a reference shows, bad ones fail
// cleanly or decode to the same defined picture every time. Skipped when the suite is absent.

namespace {

QString SuiteDir()
{
    const QString project = QStringLiteral(MIROVALE_TEST_DATA "/../..");
    return QDir::cleanPath(project + QStringLiteral("/../shared/testdata/bmpsuite"));
}

// Each file of the suite's page with the reference pictures its row shows.
QHash<QString, QStringList> ReferencesByFile(const QString &dir)
{
    QFile page(dir + QStringLiteral("/html/bmpsuite.html"));
    if (!page.open(QIODevice::ReadOnly))
        return {};
    const QString html = QString::fromUtf8(page.readAll());
    static const QRegularExpression fileCell(QStringLiteral("<td[^>]*>\\s*([gqbx]/[\\w-]+\\.bmp)\\s*</td>"));
    static const QRegularExpression picture(QStringLiteral("<img[^>]*src=\"([\\w-]+\\.(?:png|jpg))\""));
    QHash<QString, QStringList> result;
    for (const QString &row : html.split(QStringLiteral("<tr>"))) {
        const QRegularExpressionMatch file = fileCell.match(row);
        if (!file.hasMatch())
            continue;
        QStringList references;
        for (const QRegularExpressionMatch &m : picture.globalMatch(row))
            references.append(dir + QStringLiteral("/html/") + m.captured(1));
        result.insert(file.captured(1), references);
    }
    return result;
}

QStringList FilesOf(const QString &dir, const QString &group)
{
    QStringList files;
    for (const QString &name : QDir(dir + QLatin1Char('/') + group).entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name))
        files.append(group + QLatin1Char('/') + name);
    return files;
}

// Largest difference of any channel; pixels transparent in both are equal whatever their
// colour. -1 when the sizes differ.
int Distance(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return -1;
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage b = expected.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (qAlpha(p[x]) == 0 && qAlpha(q[x]) == 0)
                continue;
            for (const int d : {qAlpha(p[x]) - qAlpha(q[x]), qRed(p[x]) - qRed(q[x]), qGreen(p[x]) - qGreen(q[x]),
                                qBlue(p[x]) - qBlue(q[x])})
                largest = qMax(largest, qAbs(d));
        }
    }
    return largest;
}

// Where a comparison fails, the actual picture is kept for a look.
QString KeepActual(const QString &file, const QImage &image)
{
    static QTemporaryDir *kept = [] {
        auto *dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/mirovale-bmpsuite-XXXXXX"));
        dir->setAutoRemove(false);
        return dir;
    }();
    const QString path = kept->filePath(QString(file).replace(QLatin1Char('/'), QLatin1Char('-')) + QStringLiteral(".png"));
    image.save(path);
    return path;
}

// The reference the picture is closest to, and how close.
std::pair<QString, int> ClosestReference(const QImage &image, const QStringList &references)
{
    std::pair<QString, int> best{QString(), -1};
    for (const QString &reference : references) {
        const int d = Distance(image, QImage(reference));
        if (d >= 0 && (best.second < 0 || d < best.second))
            best = {QFileInfo(reference).fileName(), d};
    }
    return best;
}

// Where the reference itself rounds: its pixels are within 1 of the exact value, ours
// are the exact value rounded to nearest.
int ToleranceFor(const QString &file)
{
    static const QStringList rounded = {QStringLiteral("q/rgb32-111110.bmp"), QStringLiteral("q/rgba64.bmp")};
    return rounded.contains(file) ? 1 : 0;
}

// Questionable files shown otherwise than their reference, on purpose.
const QHash<QString, QString> &Deviations()
{
    static const QHash<QString, QString> deviations = {
        {QStringLiteral("q/rgb24prof2.bmp"), QStringLiteral("embedded colour profiles are not applied, as in every other format")},
    };
    return deviations;
}

// Bad files that are refused; every other bad file decodes what it holds.
const QStringList &RefusedBadFiles()
{
    static const QStringList refused = {
        QStringLiteral("b/badbitcount.bmp"),   // no such bit count
        QStringLiteral("b/badheadersize.bmp"), // no such header
        QStringLiteral("b/badwidth.bmp"),      // negative width
        QStringLiteral("b/reallybig.bmp"),     // beyond the largest side
        QStringLiteral("b/rletopdown.bmp"),    // run lengths are stored bottom-up only
    };
    return refused;
}

// Two decodes of the same bytes over differently dirtied memory give the same picture.
void VerifyDefined(const QString &file, const QByteArray &bytes, QSize size)
{
    const BmpDecoded first = DecodeBmpBytes(bytes, size, 0x00);
    const BmpDecoded second = DecodeBmpBytes(bytes, size, 0xFF);
    QCOMPARE(first.loaded, second.loaded);
    QCOMPARE(first.status, second.status);
    QVERIFY2(first.image == second.image,
             qPrintable(QStringLiteral("two decodes differ: %1 and %2")
                            .arg(KeepActual(file + QStringLiteral("-1"), first.image),
                                 KeepActual(file + QStringLiteral("-2"), second.image))));
}

} // namespace

class TestBmpSuite : public QObject
{
    Q_OBJECT

    quint32 mToken = 0;
    QString mDir;
    QHash<QString, QStringList> mReferences;

    void suiteRows(const QString &group)
    {
        QTest::addColumn<QString>("file");
        if (mReferences.isEmpty())
            return;
        for (const QString &file : FilesOf(mDir, group))
            QTest::newRow(qPrintable(file)) << file;
    }
    void requireSuite()
    {
        if (mReferences.isEmpty())
            QSKIP("the BMP suite is not beside the project");
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
        mDir = SuiteDir();
        mReferences = ReferencesByFile(mDir);
    }
    void cleanupTestCase() { GdiplusShutdown(mToken); }

    void good_data() { suiteRows(QStringLiteral("g")); }
    void good()
    {
        requireSuite();
        QFETCH(QString, file);
        const QStringList references = mReferences.value(file);
        QVERIFY2(!references.isEmpty(), "no reference on the suite's page");
        const BmpDecoded decoded = DecodeBmpBytes(ReadBytes(mDir + QLatin1Char('/') + file));
        QVERIFY2(decoded.loaded && decoded.status == GpStatus::Ok, "does not decode");
        const auto [reference, distance] = ClosestReference(decoded.image, references);
        QVERIFY2(distance >= 0 && distance <= ToleranceFor(file),
                 qPrintable(QStringLiteral("closest %1 differs by %2; actual picture: %3")
                                .arg(reference)
                                .arg(distance)
                                .arg(KeepActual(file, decoded.image))));
    }

    void questionable_data() { suiteRows(QStringLiteral("q")); }
    void questionable()
    {
        requireSuite();
        QFETCH(QString, file);
        const QByteArray bytes = ReadBytes(mDir + QLatin1Char('/') + file);
        for (const QSize size : {QSize(), QSize(40, 20)}) {
            VerifyDefined(file, bytes, size);
            if (QTest::currentTestFailed())
                return;
        }
        if (Deviations().contains(file)) {
            qInfo("%s: %s", qPrintable(file), qPrintable(Deviations().value(file)));
            return;
        }
        const BmpDecoded decoded = DecodeBmpBytes(bytes);
        QVERIFY2(decoded.loaded && decoded.status == GpStatus::Ok, "does not decode");
        const auto [reference, distance] = ClosestReference(decoded.image, mReferences.value(file));
        QVERIFY2(distance >= 0 && distance <= ToleranceFor(file),
                 qPrintable(QStringLiteral("closest %1 differs by %2; actual picture: %3")
                                .arg(reference)
                                .arg(distance)
                                .arg(KeepActual(file, decoded.image))));
    }

    // Related formats: OS/2 bitmap arrays.
    void related_data() { suiteRows(QStringLiteral("x")); }
    void related() { questionable(); }

    // Bad files fail to load or decode what they hold, always to the same picture: nothing
    // of it comes from memory the decoder did not set.
    void bad_data() { suiteRows(QStringLiteral("b")); }
    void bad()
    {
        requireSuite();
        QFETCH(QString, file);
        const QByteArray bytes = ReadBytes(mDir + QLatin1Char('/') + file);
        const BmpDecoded decoded = DecodeBmpBytes(bytes);
        if (RefusedBadFiles().contains(file)) {
            QVERIFY2(!decoded.loaded, "loaded");
            return;
        }
        QVERIFY2(decoded.loaded && decoded.status == GpStatus::Ok, "does not decode");
        QCOMPARE(decoded.image.size(), QSize(127, 64));
        for (const QSize size : {QSize(), QSize(40, 20)}) {
            VerifyDefined(file, bytes, size);
            if (QTest::currentTestFailed())
                return;
        }
    }
};

MV_TEST_MAIN(TestBmpSuite)
#include "tst_bmpsuite.moc"
