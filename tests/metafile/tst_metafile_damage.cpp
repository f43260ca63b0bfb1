// Damaged metafiles: cut, with wrong record sizes, wrong counts and offsets, flipped bytes
// and constructions meant to exhaust time or memory. Every case is made from a valid
// picture by the test and named after how it was made; each must either fail cleanly or
// draw, never crash or run away.

#include "fixtures.h"
#include "imaging/metafile/metafile.h"
#include "metafilewriter.h"
#include "pixelcheck.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QtEndian>

using namespace mv;
using namespace mv::test;

namespace {

constexpr QSize Target(64, 48);

struct Damage {
    QString name;
    QByteArray data;
};

// Record starts and sizes of a well-formed file (first record after the header).
QList<QPair<qsizetype, qsizetype>> emfRecords(const QByteArray &data)
{
    QList<QPair<qsizetype, qsizetype>> list;
    qsizetype pos = qFromLittleEndian<quint32>(data.constData() + 4);
    while (pos + 8 <= data.size()) {
        const qsizetype size = qFromLittleEndian<quint32>(data.constData() + pos + 4);
        list.append({pos, size});
        pos += size;
    }
    return list;
}

QList<QPair<qsizetype, qsizetype>> wmfRecords(const QByteArray &data)
{
    QList<QPair<qsizetype, qsizetype>> list;
    qsizetype pos = qFromLittleEndian<quint32>(data.constData()) == 0x9AC6CDD7 ? 22 + 18 : 18;
    while (pos + 6 <= data.size()) {
        const qsizetype size = 2 * qsizetype(qFromLittleEndian<quint32>(data.constData() + pos));
        list.append({pos, size});
        pos += size;
    }
    return list;
}

// EMF+ records inside the comments of a well-formed file.
QList<QPair<qsizetype, qsizetype>> plusRecords(const QByteArray &data)
{
    QList<QPair<qsizetype, qsizetype>> list;
    for (const auto &[start, size] : emfRecords(data)) {
        if (qFromLittleEndian<quint32>(data.constData() + start) != 70 || data.mid(start + 12, 4) != "EMF+")
            continue;
        qsizetype pos = start + 16;
        while (pos + 12 <= start + size) {
            const qsizetype recordSize = qFromLittleEndian<quint32>(data.constData() + pos + 4);
            list.append({pos, recordSize});
            pos += recordSize;
        }
    }
    return list;
}

QByteArray with32(QByteArray data, qsizetype at, quint32 value)
{
    qToLittleEndian<quint32>(value, data.data() + at);
    return data;
}

QByteArray with16(QByteArray data, qsizetype at, quint16 value)
{
    qToLittleEndian<quint16>(value, data.data() + at);
    return data;
}

// Plays one case; false (with the reason) when the outcome is not a clean one.
bool playsCleanly(const Damage &d, QString &why)
{
    const MetafileInfo info = ReadMetafileInfo(d.data);
    if (info.pixelSize.isValid() && (info.pixelSize.width() > 16384 || info.pixelSize.height() > 16384)) {
        why = QStringLiteral("%1: picture size %2x%3 past the limit").arg(d.name).arg(info.pixelSize.width()).arg(info.pixelSize.height());
        return false;
    }
    const MetafileRender r = RenderMetafileReport(d.data, Target);
    if (r.image.isNull() && r.error.isEmpty()) {
        why = d.name + QStringLiteral(": no picture and no reason");
        return false;
    }
    if (!r.image.isNull() && r.image.size() != Target) {
        why = d.name + QStringLiteral(": picture of the wrong size");
        return false;
    }
    if (info.pixelSize.isEmpty() != r.image.isNull()) {
        why = d.name + QStringLiteral(": header check and drawing disagree");
        return false;
    }
    return true;
}

void playAll(const QList<Damage> &cases)
{
    QStringList failures;
    for (const Damage &d : cases) {
        QString why;
        if (!playsCleanly(d, why))
            failures << why;
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.mid(0, 10).join(QLatin1Char('\n'))));
}

} // namespace

class TestMetafileDamage : public QObject {
    Q_OBJECT

private slots:
    void fixturesAreWhole();
    void oddTargetSizes_data();
    void oddTargetSizes();
    void truncated_data();
    void truncated();
    void wrongRecordSizes_data();
    void wrongRecordSizes();
    void wrongFields_data();
    void wrongFields();
    void flippedBytes_data();
    void flippedBytes();
    void damagedHeaders_data();
    void damagedHeaders();
    void hostileConstructions_data();
    void hostileConstructions();
    void cutFileKeepsWhatCameBefore();
    void emfPlusRecords_data();
    void emfPlusRecords();
};

void TestMetafileDamage::fixturesAreWhole()
{
    for (const QByteArray &data : {KitchenSinkEmf(), KitchenSinkWmf()}) {
        const MetafileRender r = RenderMetafileReport(data, QSize(200, 150));
        QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
        QVERIFY(r.records > 30);
        QVERIFY(!paintedArea(r.image).isEmpty());
    }
}

void TestMetafileDamage::oddTargetSizes_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("one pixel") << QSize(1, 1);
    QTest::newRow("a sliver") << QSize(3, 1000);
    QTest::newRow("large") << QSize(4000, 3000);
}

void TestMetafileDamage::oddTargetSizes()
{
    QFETCH(QSize, size);
    for (const QByteArray &data : {KitchenSinkEmf(), KitchenSinkWmf()}) {
        const MetafileRender r = RenderMetafileReport(data, size);
        QVERIFY2(r.problem.isEmpty(), qPrintable(r.problem));
        QCOMPARE(r.image.size(), size);
    }
}

void TestMetafileDamage::truncated_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("emf");
    QTest::newRow("emf") << KitchenSinkEmf() << true;
    QTest::newRow("wmf") << KitchenSinkWmf() << false;
    QTest::newRow("emf+ dual") << KitchenSinkEmfPlus(true) << true;
    QTest::newRow("emf+ only") << KitchenSinkEmfPlus(false) << true;
}

void TestMetafileDamage::truncated()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, emf);
    const auto records = emf ? emfRecords(data) : wmfRecords(data);
    QList<Damage> cases;
    for (qsizetype n = 0; n < data.size(); ++n)
        cases.append({QStringLiteral("cut at %1 of %2").arg(n).arg(data.size()), data.left(n)});
    playAll(cases);
    // A cut inside a record is reported; the drawing up to it is kept.
    for (const auto &[start, size] : records) {
        if (size < 12)
            continue;
        const MetafileRender r = RenderMetafileReport(data.left(start + size / 2), Target);
        QVERIFY2(!r.image.isNull(), qPrintable(QStringLiteral("cut inside the record at %1").arg(start)));
        QVERIFY2(!r.problem.isEmpty(), qPrintable(QStringLiteral("cut inside the record at %1 not noticed").arg(start)));
    }
}

void TestMetafileDamage::wrongRecordSizes_data()
{
    truncated_data();
}

void TestMetafileDamage::wrongRecordSizes()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, emf);
    QList<Damage> cases;
    const auto records = emf ? emfRecords(data) : wmfRecords(data);
    for (const auto &[start, size] : records) {
        if (emf) {
            for (quint32 v : {0u, 4u, 7u, 9u, quint32(size - 4), quint32(size + 4), 0x7FFFFFFCu, 0x80000000u, 0xFFFFFFFCu}) {
                cases.append({QStringLiteral("emf record at %1 sized %2").arg(start).arg(v), with32(data, start + 4, v)});
            }
        } else {
            for (quint32 v : {0u, 1u, 2u, 3u, quint32(size / 2 - 1), quint32(size / 2 + 1), 0x7FFFFFFFu, 0xFFFFFFFFu}) {
                cases.append({QStringLiteral("wmf record at %1 sized %2 words").arg(start).arg(v), with32(data, start, v)});
            }
        }
    }
    playAll(cases);
}

void TestMetafileDamage::wrongFields_data()
{
    truncated_data();
}

void TestMetafileDamage::wrongFields()
{
    // Every field of every record (counts, offsets, sizes, indices, coordinates) set to
    // values at the edges of its type.
    QFETCH(QByteArray, data);
    QFETCH(bool, emf);
    QList<Damage> cases;
    const auto records = emf ? emfRecords(data) : wmfRecords(data);
    for (const auto &[start, size] : records) {
        if (emf) {
            for (qsizetype at = start + 8; at + 4 <= start + qMin<qsizetype>(size, 140); at += 4) {
                for (quint32 v : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x00010000u, 0x40000001u})
                    cases.append({QStringLiteral("emf field at %1 set to %2").arg(at).arg(v, 0, 16), with32(data, at, v)});
            }
        } else {
            for (qsizetype at = start + 6; at + 2 <= start + qMin<qsizetype>(size, 60); at += 2) {
                for (quint16 v : {quint16(0xFFFF), quint16(0x8000), quint16(0x7FFF), quint16(0x4001)})
                    cases.append({QStringLiteral("wmf field at %1 set to %2").arg(at).arg(v, 0, 16), with16(data, at, v)});
            }
        }
    }
    playAll(cases);
}

void TestMetafileDamage::flippedBytes_data()
{
    truncated_data();
}

void TestMetafileDamage::flippedBytes()
{
    QFETCH(QByteArray, data);
    QRandomGenerator random(20240611);
    QList<Damage> cases;
    for (int i = 0; i < 400; ++i) {
        QByteArray d = data;
        const int flips = 1 + random.bounded(8);
        for (int k = 0; k < flips; ++k)
            d[random.bounded(int(d.size()))] = char(random.bounded(256));
        cases.append({QStringLiteral("random bytes, seed case %1").arg(i), d});
    }
    playAll(cases);
}

void TestMetafileDamage::damagedHeaders_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray emf = KitchenSinkEmf();
    QTest::newRow("emf handle count at its maximum") << with16(emf, 56, 0xFFFF);
    QTest::newRow("emf handle count zero") << with16(emf, 56, 0);
    QTest::newRow("emf device without pixels") << with32(with32(emf, 72, 0), 76, 0);
    QTest::newRow("emf device of one millimetre") << with32(with32(emf, 80, 1), 84, 1);
    QTest::newRow("emf micrometres absurd") << with32(with32(emf, 100, 0x7FFFFFFF), 104, 1);
    QTest::newRow("emf frame inverted") << with32(with32(emf, 32, 0x80000000), 36, 0x80000000);
    QTest::newRow("emf frame huge") << with32(with32(emf, 24, 0x80000000), 28, 0x80000000);
    QTest::newRow("emf frame and bounds empty") << with32(with32(with32(with32(emf, 32, 0), 36, 0), 16, 0), 20, 0);
    QTest::newRow("emf bounds at the integer limits") << with32(with32(with32(with32(emf, 8, 0x80000000), 12, 0x80000000), 16, 0x7FFFFFFF), 20, 0x7FFFFFFF);
    QTest::newRow("emf header size odd") << with32(emf, 4, 109);
    QTest::newRow("emf header size past the end") << with32(emf, 4, 0x7FFFFFFF);
    QTest::newRow("emf header size below the minimum") << with32(emf, 4, 80);
    QTest::newRow("emf description offset inside the header") << with32(emf, 64, 88);
    const QByteArray wmf = KitchenSinkWmf();
    QTest::newRow("wmf box empty") << with16(with16(wmf, 10, 0), 12, 0);
    QTest::newRow("wmf box at the limits") << with16(with16(with16(with16(wmf, 6, 0x8000), 8, 0x8000), 10, 0x7FFF), 12, 0x7FFF);
    QTest::newRow("wmf zero units per inch") << with16(wmf, 14, 0);
    QTest::newRow("wmf one unit per inch") << with16(wmf, 14, 1);
    QTest::newRow("wmf object count at its maximum") << with16(wmf, 22 + 10, 0xFFFF);
    QTest::newRow("wmf header words wrong") << with16(wmf, 22 + 2, 10);
    QTest::newRow("wmf placeable header only") << wmf.left(22);
}

void TestMetafileDamage::damagedHeaders()
{
    QFETCH(QByteArray, data);
    QString why;
    QVERIFY2(playsCleanly({QString::fromLatin1(QTest::currentDataTag()), data}, why), qPrintable(why));
}

void TestMetafileDamage::hostileConstructions_data()
{
    QTest::addColumn<QByteArray>("data");
    {
        // Fills the whole picture far more often than any drawing would: the work limit
        // stops it.
        EmfWriter w;
        w.createBrush(1, 0, Rgb(1, 2, 3));
        w.selectObject(1);
        for (int i = 0; i < 40000; ++i)
            w.rectangle(-1000000, -1000000, 1000000, 1000000);
        QTest::newRow("endless full fills") << w.finish();
    }
    {
        EmfWriter w;
        for (int i = 0; i < 100000; ++i)
            w.saveDc();
        for (int i = 0; i < 100000; ++i)
            w.restoreDc(i % 2 ? -1 : 0x7FFFFFFF);
        w.restoreDc(int(0x80000000));
        QTest::newRow("saved states by the hundred thousand") << w.finish();
    }
    {
        // Coordinates at the integer limits, a dashed pen along them.
        EmfWriter w;
        w.createPen(1, 1, 0, 0);
        w.selectObject(1);
        w.moveTo(-2147483647, -2147483647);
        w.lineTo(2147483647, 2147483647);
        w.rectangle(-2147483647, 5, 2147483647, 20);
        w.ellipse(-2147483647, -2147483647, 2147483647, 2147483647);
        w.arc(45, QRect(-2000000000, -2000000000, 2000000000, 2000000000), QPoint(0, 0), QPoint(1, 1));
        w.angleArc(0, 0, 0xFFFFFFFF, 1e30f, -1e30f);
        w.polyBezier({{-2147483647, 0}, {2147483647, 100}, {-2147483647, 50}, {2147483647, 10}});
        QTest::newRow("far-away coordinates with dashes") << w.finish();
    }
    {
        EmfWriter w;
        w.setWorldTransform(1e30f, 0, 0, 1e30f, 0, 0);
        w.rectangle(0, 0, 10, 10);
        w.setWorldTransform(std::numeric_limits<float>::quiet_NaN(), 0, 0, 1, 0, 0);
        w.setWorldTransform(0, 0, 0, 0, 0, 0);
        w.rectangle(0, 0, 10, 10);
        w.modifyWorldTransform(1e20f, 1e20f, 1e20f, 1e20f, 1e38f, 1e38f, 2);
        w.modifyWorldTransform(3e38f, 0, 0, 3e38f, 0, 0, 3);
        w.ellipse(0, 0, 10, 10);
        w.setMapMode(8);
        w.setWindowExt(1, 1);
        w.setViewportExt(2147483647, 2147483647);
        w.polygon({{0, 0}, {1, 0}, {1, 1}});
        w.setWindowExt(2147483647, -2147483647);
        w.setViewportExt(1, 1);
        w.polygon({{0, 0}, {1, 0}, {1, 1}});
        QTest::newRow("absurd transforms") << w.finish();
    }
    {
        EmfWriter w;
        w.createFont(1, int(0x80000000), QStringLiteral("Arial"), 0x7FFFFFFF, true, int(0x80000000));
        w.selectObject(1);
        w.extTextOutW(0, 0, QString(4000, QLatin1Char('W')));
        w.createFont(2, 1000000, QStringLiteral("Arial"));
        w.selectObject(2);
        w.extTextOutW(0, 0, QStringLiteral("W"), 2 | 4, QRect(-100000, -100000, 200000, 200000));
        w.createFont(3, -1, QStringLiteral("Arial"));
        w.selectObject(3);
        w.extTextOutW(0, 0, QString(20000, QLatin1Char('x')), 0, QRect(), QList<int>(20000, -2147483647));
        QTest::newRow("absurd fonts and text") << w.finish();
    }
    {
        // A run-length bitmap that claims a huge size in a few bytes.
        Dib dib = MakeRle8Dib(QImage(4, 4, QImage::Format_RGB32));
        dib.info = with32(with32(dib.info, 4, 0x7FFFFF), 8, 0x7FFFFF);
        Dib wide = MakeDib(QImage(4, 4, QImage::Format_RGB32), 24);
        wide.info = with32(wide.info, 4, 1 << 20);
        EmfWriter w;
        w.stretchDiBits(QRect(0, 0, 100, 100), QRect(0, 0, 0x7FFFFF, 0x7FFFFF), dib);
        w.stretchDiBits(QRect(0, 0, 100, 100), QRect(0, 0, 4, 4), wide);
        w.stretchDiBits(QRect(0, 0, 2147483647, 2147483647), QRect(-5, -5, 100000, -100000), MakeDib(QImage(4, 4, QImage::Format_RGB32), 8));
        w.stretchDiBits(QRect(0, 0, 100, 100), QRect(0, 0, 0, 0), MakeDib(QImage(4, 4, QImage::Format_RGB32), 1));
        QTest::newRow("bitmaps that lie about their size") << w.finish();
    }
    {
        // Regions of many rectangles, combined again and again.
        EmfWriter w;
        QList<QRect> many;
        for (int i = 0; i < 3000; ++i)
            many.append(QRect((i * 7) % 100, (i * 13) % 100, 3, 2));
        for (int mode = 1; mode <= 5; ++mode)
            w.extSelectClipRgn(many, uint32_t(mode));
        for (int i = 0; i < 2000; ++i)
            w.excludeClipRect(i % 100, (i * 3) % 100, i % 100 + 1, (i * 3) % 100 + 1);
        w.rectangle(0, 0, 100, 100);
        QTest::newRow("clip of thousands of rectangles") << w.finish();
    }
    {
        EmfWriter w;
        w.beginPath();
        for (int i = 0; i < 30000; ++i)
            w.lineTo((i * 37) % 1000, (i * 91) % 1000);
        w.endPath();
        w.widenPath();
        w.selectClipPath(1);
        w.beginPath();
        w.polyBezier({{0, 0}, {100000, 0}, {0, 100000}, {100000, 100000}});
        w.endPath();
        w.selectClipPath(3);
        w.rectangle(0, 0, 100, 100);
        QTest::newRow("huge paths for clipping") << w.finish();
    }
    {
        WmfWriter w;
        w.setWindowExt(100, 100);
        for (int i = 0; i < 70000; ++i)
            w.createBrush(0, 0); // more objects than the table holds
        w.selectObject(65535);
        w.deleteObject(0);
        for (int i = 0; i < 20000; ++i)
            w.saveDc();
        w.restoreDc(-32768);
        w.restoreDc(32767);
        w.rectangle(0, 0, 100, 100);
        QTest::newRow("wmf object table overflow") << w.finish();
    }
}

void TestMetafileDamage::hostileConstructions()
{
    QFETCH(QByteArray, data);
    QString why;
    QVERIFY2(playsCleanly({QString::fromLatin1(QTest::currentDataTag()), data}, why), qPrintable(why));
}

void TestMetafileDamage::cutFileKeepsWhatCameBefore()
{
    EmfWriter w;
    w.selectObject(Stock(8));
    w.createBrush(1, 0, Rgb(255, 0, 0));
    w.selectObject(1);
    w.rectangle(0, 0, 50, 100);
    w.rectangle(50, 0, 100, 100);
    const QByteArray whole = w.finish();
    const QByteArray cut = whole.left(whole.size() - 20 - 10); // into the second rectangle
    const MetafileRender r = RenderMetafileReport(cut, QSize(100, 100));
    QVERIFY(!r.problem.isEmpty());
    MV_EXPECT_PIXEL(r.image, 25, 50, QColor(255, 0, 0));
    MV_EXPECT_PIXEL(r.image, 75, 50, QColor(0, 0, 0, 0));

    // The endless-fill case ends by the work limit with a reason.
    EmfWriter busy;
    busy.createBrush(1, 0, Rgb(1, 2, 3));
    busy.selectObject(1);
    for (int i = 0; i < 40000; ++i)
        busy.rectangle(0, 0, 100, 100);
    const MetafileRender stopped = RenderMetafileReport(busy.finish(), QSize(100, 100));
    QVERIFY(stopped.problem.contains(QStringLiteral("stopped")));
}

void TestMetafileDamage::emfPlusRecords_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("dual") << KitchenSinkEmfPlus(true);
    QTest::newRow("emf+ only") << KitchenSinkEmfPlus(false);
}

void TestMetafileDamage::emfPlusRecords()
{
    // Every EMF+ record inside the comments: its flags, its sizes and every field of its
    // data set to values at the edges of their types.
    QFETCH(QByteArray, data);
    const MetafileRender whole = RenderMetafileReport(data, QSize(200, 150));
    QVERIFY2(whole.problem.isEmpty(), qPrintable(whole.problem));
    QVERIFY(!paintedArea(whole.image).isEmpty());
    const auto records = plusRecords(data);
    QVERIFY(records.size() > 40);
    QList<Damage> cases;
    for (const auto &[start, size] : records) {
        for (quint16 v : {quint16(0xFFFF), quint16(0x8000), quint16(0x80FF), quint16(0x7F3F), quint16(0x0001)})
            cases.append({QStringLiteral("emf+ flags at %1 set to %2").arg(start).arg(v, 0, 16), with16(data, start + 2, v)});
        for (quint32 v : {0u, 4u, 11u, 13u, quint32(size - 4), quint32(size + 4), 0x7FFFFFFCu, 0xFFFFFFFCu}) {
            cases.append({QStringLiteral("emf+ record at %1 sized %2").arg(start).arg(v), with32(data, start + 4, v)});
            cases.append({QStringLiteral("emf+ record at %1 with %2 data bytes").arg(start).arg(v), with32(data, start + 8, v)});
        }
        for (qsizetype at = start + 12; at + 4 <= start + qMin<qsizetype>(size, 108); at += 4) {
            for (quint32 v : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x00010000u, 0x7F800000u})
                cases.append({QStringLiteral("emf+ field at %1 set to %2").arg(at).arg(v, 0, 16), with32(data, at, v)});
        }
    }
    playAll(cases);
}

MV_TEST_MAIN(TestMetafileDamage)
#include "tst_metafile_damage.moc"
