// SPDX-License-Identifier: GPL-3.0-or-later
// The hall-of-fame window: rows, switching, clearing and closing.
#include "app/ProgramDir.h"
#include "app/TEffectLabel.h"
#include "app/THemisphereButton.h"
#include "records/TfrmTopten.h"
#include "records/TopTen.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

TopTenEntry entry(qint32 score, const QByteArray &name, const QByteArray &stamp)
{
    TopTenEntry e;
    e.Score = score;
    e.Name = name;
    e.Stamp = stamp;
    return e;
}

void writeTable(int type, const QList<TopTenEntry> &entries)
{
    TopTenTable t;
    for (int n = 1; n <= entries.size(); ++n)
        t.slot(n) = entries.at(n - 1);
    t.SaveTopTen(type);
}

QByteArray fileBytes(int type)
{
    QFile f(TopTen::fileName(type));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestTfrmTopten : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_type = 1;
    QStringList m_errors;
    QHash<QString, QString> m_buttons;

    std::unique_ptr<TfrmTopten> makeDialog()
    {
        TfrmTopten::Hooks h;
        h.type = [this] { return m_type; };
        h.setType = [this](int t) { m_type = t; };
        h.typeLine = [](int t) { return QStringLiteral("line %1").arg(t); };
        h.buttonText = [this](const QString &key, const QString &def) { return m_buttons.value(key, def); };
        h.showError = [this](const QString &m) { m_errors << m; };
        return std::make_unique<TfrmTopten>(h);
    }

    static QString text(const TfrmTopten &d, const QString &name)
    {
        const QLabel *l = d.findChild<QLabel *>(name);
        return l ? l->text() : QStringLiteral("<none>");
    }

    static QStringList row(const TfrmTopten &d, int n)
    {
        return {text(d, QStringLiteral("ls%1").arg(n)), text(d, QStringLiteral("lna%1").arg(n)),
                text(d, QStringLiteral("lda%1").arg(n))};
    }

    void writeBoth()
    {
        writeTable(1, {entry(14286, "Anna", "20261206010205"), entry(6250, "Bo", "20261207000312")});
        writeTable(2, {entry(6250, "Bo", "20261207000312"), entry(14286, "Anna", "20261206010205")});
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        ProgramDir::set(m_dir->path() + QLatin1Char('/'));
        m_type = 1;
        m_errors.clear();
        m_buttons.clear();
    }
    void cleanup() { m_dir.reset(); }

    // --- layout ---

    void controlsAreNamedAndPlaced()
    {
        auto d = makeDialog();
        QCOMPARE(d->objectName(), QString("frmTopten"));
        QVERIFY(d->windowTitle().isEmpty());
        QCOMPARE(d->palette().color(QPalette::Window), QColor(192, 220, 192));
        QCOMPARE(d->btClose->geometry(), QRect(104, 416, 97, 33));
        QCOMPARE(d->btClear->faceColor(), QColor(133, 219, 108));
        QCOMPARE(d->btClose->faceColor(), QColor(64, 243, 12));
        QCOMPARE(d->LMDLabel1->text(), QString("Hall of Fame"));

        QLabel *ls1 = d->findChild<QLabel *>("ls1");
        QVERIFY(ls1);
        QCOMPARE(ls1->parentWidget()->objectName(), QString("Panel1"));
        QCOMPARE(ls1->geometry(), QRect(40, -1, 81, 26));
        QLabel *lda10 = d->findChild<QLabel *>("lda10");
        QCOMPARE(lda10->parentWidget(), d.get());
        QCOMPARE(lda10->geometry(), QRect(320, 320, 201, 26));
        QCOMPARE(lda10->alignment(), Qt::AlignRight | Qt::AlignVCenter);
        QCOMPARE(d->findChild<QLabel *>("lRank10")->geometry(), QRect(5, 320, 33, 26));
        QCOMPARE(d->findChild<QLabel *>("lRank10")->text(), QString("10."));
        QVERIFY(d->findChild<QLabel *>("LMDNImage3"));

        d->show();
        d->resize(700, 453);
        QCOMPARE(d->lType->width(), 700);
        QCOMPARE(ls1->geometry(), QRect(40, -1, 81, 26));
    }

    void rowPicturesDiffer()
    {
        const QColor yellow = TfrmTopten::rowPicture(1).pixelColor(3, 3);
        const QColor grey = TfrmTopten::rowPicture(2).pixelColor(3, 3);
        const QColor orange = TfrmTopten::rowPicture(3).pixelColor(3, 3);
        QCOMPARE(TfrmTopten::rowPicture(1).size(), QSize(32, 32));
        QVERIFY(yellow.red() > 200 && yellow.green() > 180 && yellow.blue() < 120);
        QVERIFY(qAbs(grey.red() - grey.green()) < 60 && grey.saturation() < 100);
        QVERIFY(orange.red() > 200 && orange.green() < 200 && orange.blue() < 100);
    }

    // --- filling ---

    void freshInstallationShowsBlanks_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("score") << 1;
        QTest::newRow("time") << 2;
    }
    void freshInstallationShowsBlanks()
    {
        QFETCH(int, type);
        m_type = type;
        auto d = makeDialog();
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(row(*d, n), (QStringList{topTenRowText(TopTen::blankEntry(), type).ls, " ",
                                              topTenRowText(TopTen::blankEntry(), type).lda}));
        QCOMPARE(fileBytes(type), QByteArray());
        QCOMPARE(fileBytes(3 - type), QByteArray("<missing>"));
        QCOMPARE(d->lType->text(), QStringLiteral("line %1").arg(type));
        QVERIFY(m_errors.isEmpty());
    }

    void rowsOfBothTypes()
    {
        writeBoth();
        auto d = makeDialog();
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
        QCOMPARE(row(*d, 2), (QStringList{"6250", "Bo", "2026.12.07 - 00:03:12"}));
        QCOMPARE(row(*d, 3), (QStringList{"0", " ", "    .  .   -   :  :  "}));
        m_type = 2;
        QVERIFY(d->FillTopTen());
        QCOMPARE(row(*d, 1), (QStringList{"00:03:12", "Bo", "6250 - 2026.12.07"}));
        QCOMPARE(row(*d, 2), (QStringList{"01:02:05", "Anna", "14286 - 2026.12.06"}));
        QCOMPARE(row(*d, 10), (QStringList{"  :  :  ", " ", "0 -     .  .  "}));
    }

    void aNameTooWideIsCutAndWholeInItsTooltip()
    {
        // Twenty wide letters are more than the name column holds.
        writeTable(1, {entry(500, "WWWWWWWWWWWWWWWWWWWW", "20261206010205"), entry(400, "Bo", "20261207000312")});
        auto d = makeDialog();
        const QLabel *cut = d->findChild<QLabel *>(QStringLiteral("lna1"));
        QVERIFY(cut->text().endsWith(QChar(0x2026)));
        QVERIFY(cut->fontMetrics().horizontalAdvance(cut->text()) <= cut->contentsRect().width());
        QCOMPARE(cut->toolTip(), QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
        QCOMPARE(cut->accessibleName(), QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
        QCOMPARE(text(*d, QStringLiteral("lna2")), QStringLiteral("Bo"));
        QVERIFY(d->findChild<QLabel *>(QStringLiteral("lna2"))->toolTip().isEmpty());
    }

    void otherTypeLeavesRows()
    {
        writeBoth();
        auto d = makeDialog();
        m_type = 5;
        QVERIFY(d->FillTopTen());
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
        QCOMPARE(d->lType->text(), QString("line 5"));
    }

    void captionsFollowLanguageAtEveryFill()
    {
        m_buttons.insert("btClose", "Zu");
        auto d = makeDialog();
        QCOMPARE(d->btClose->text(), QString("Zu"));
        QCOMPARE(d->btChange->text(), QString("Change"));
        m_buttons.insert("btChange", "Wechsel");
        m_buttons.insert("btClear", "Leeren");
        d->FillTopTen();
        QCOMPARE(d->btChange->text(), QString("Wechsel"));
        QCOMPARE(d->btClear->text(), QString("Leeren"));
    }

    void loadErrorKeepsRows()
    {
        writeBoth();
        auto d = makeDialog();
        QFile f(TopTen::fileName(2));
        QVERIFY(f.open(QIODevice::Append));
        f.write("xyz");
        f.close();
        m_buttons.insert("btClose", "Fermer");
        m_type = 2;
        QVERIFY(!d->FillTopTen());
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors[0].contains("KVXScrT.ini"));
        QVERIFY(m_errors[0].contains("Read beyond end of file"));
        QCOMPARE(d->btClose->text(), QString("Fermer"));
        QCOMPARE(d->lType->text(), QString("line 2"));
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
    }

    // --- buttons and closing ---

    void changeTwiceRereadsAndReturns()
    {
        writeBoth();
        auto d = makeDialog();
        d->btChange->click();
        QCOMPARE(m_type, 2);
        QCOMPARE(row(*d, 1).at(1), QString("Bo"));
        writeTable(1, {entry(99, "Cy", "20261208000001")});
        d->btChange->click();
        QCOMPARE(m_type, 1);
        QCOMPARE(row(*d, 1), (QStringList{"99", "Cy", "2026.12.08 - 00:00:01"}));
    }

    void clearEmptiesOnlyTheShownTable()
    {
        writeBoth();
        const QByteArray scores = fileBytes(1);
        m_type = 2;
        auto d = makeDialog();
        d->btClear->click();
        QCOMPARE(fileBytes(2), QByteArray());
        QCOMPARE(fileBytes(1), scores);
        QCOMPARE(row(*d, 1), (QStringList{"  :  :  ", " ", "0 -     .  .  "}));
        QCOMPARE(m_type, 2);

        writeTable(2, {entry(1, "T", "20261206000005")});
        const QByteArray times = fileBytes(2);
        m_type = 1;
        d->btClear->click();
        QCOMPARE(fileBytes(1), QByteArray());
        QCOMPARE(fileBytes(2), times);
        QCOMPARE(row(*d, 1), (QStringList{"0", " ", "    .  .   -   :  :  "}));
        QVERIFY(m_errors.isEmpty());
    }

    void closeSetsTypeToOne()
    {
        m_type = 2;
        auto d = makeDialog();
        d->show();
        d->btClose->click();
        QVERIFY(!d->isVisible());
        QCOMPARE(m_type, 1);

        m_type = 2;
        d->show();
        d->close(); // the frame's close box
        QCOMPARE(m_type, 1);
    }

    void backgroundClickRefillsForCurrentType()
    {
        writeBoth();
        m_type = 2;
        auto d = makeDialog();
        d->show();
        d->close();
        QCOMPARE(m_type, 1);
        d->show();
        QCOMPARE(row(*d, 1).at(0), QString("00:03:12")); // still the time rows
        QTest::mouseClick(d->findChild<QLabel *>("lna5"), Qt::LeftButton);
        QCOMPARE(row(*d, 1).at(0), QString("00:03:12")); // a label is not the background
        QTest::mouseClick(d.get(), Qt::LeftButton, {}, QPoint(3, 390));
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
        d->btChange->click();
        QCOMPARE(row(*d, 1).at(0), QString("00:03:12"));
    }

    void worksWithoutHooks()
    {
        writeBoth();
        TfrmTopten d;
        QCOMPARE(row(d, 1).at(1), QString("Anna"));
        QCOMPARE(d.lType->text(), QString("Game type:  Normal / 1000"));
        d.btChange->click();
        QCOMPARE(row(d, 1).at(1), QString("Bo"));
        d.close();
        d.FillTopTen();
        QCOMPARE(row(d, 1).at(1), QString("Anna"));
    }
};

QTEST_MAIN(TestTfrmTopten)
#include "tst_tfrmtopten.moc"
