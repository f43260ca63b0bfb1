#include "app/fields.h"
#include "testutil.h"

#include <QStringList>

using namespace mv;

class TestFields : public QObject
{
    Q_OBJECT
private slots:
    void replyField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        QTest::newRow("second") << "GetOK|1.3|x" << 2 << "1.3";
        QTest::newRow("empty field skipped") << "GetOK||1.3" << 2 << "1.3";
        QTest::newRow("no such field") << "GetOK" << 2 << "";
        QTest::newRow("leading separator") << "|a" << 1 << "a";
        QTest::newRow("a||b second") << "a||b" << 2 << "b";
        QTest::newRow("tab and CR LF") << "GetOK\t1.4\r\nnext" << 3 << "next";
        QTest::newRow("no-break space") << QString("GetOK") + QChar(160) + "2.0" << 2 << "2.0";
        QTest::newRow("last field") << "a|b|c" << 3 << "c";
        QTest::newRow("past the end") << "a|b|" << 3 << "";
        QTest::newRow("zero") << "a|b" << 0 << "";
    }
    void replyField()
    {
        QFETCH(QString, text);
        QFETCH(int, n);
        QFETCH(QString, expected);
        QCOMPARE(ReplyField(text, n), expected);
    }

    void commaField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("rectangle") << "10,20,800,600" << QStringList{"10", "20", "800", "600", ""};
        QTest::newRow("empty skipped") << "10,,20" << QStringList{"10", "20", ""};
        QTest::newRow("tab is a comma") << "1\t2" << QStringList{"1", "2"};
        QTest::newRow("pipe is not a comma") << "1|2,3" << QStringList{"1|2", "3"};
    }
    void commaField()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(CommaField(text, i + 1), fields.at(i));
    }

    void normalizeSeparators()
    {
        QCOMPARE(NormalizeSeparators(QString("a\tb\nc\rd") + QChar(160) + "e"), QString("a|b|c|d|e"));
    }

    void bytesToText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ascii") << QByteArray("GetOK|1.3") << "GetOK|1.3";
        QTest::newRow("utf-8") << QString("版本|1.3").toUtf8() << "版本|1.3";
        // 你好 in GB18030: not valid UTF-8
        QTest::newRow("gb18030") << QByteArray("\xc4\xe3\xba\xc3|2") << "你好|2";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void bytesToText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(BytesToText(bytes), expected);
    }

    void osNameAndUBound()
    {
        QCOMPARE(OSName(), QString("未知系统版本"));
        QCOMPARE(SafeUBound(QStringList()), 0);
        QCOMPARE(SafeUBound(QStringList{"a"}), 0);
        QCOMPARE(SafeUBound(QStringList{"a", "b", "c"}), 2);
    }
};

MV_TEST_MAIN(TestFields)
#include "tst_fields.moc"
