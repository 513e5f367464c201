// SPDX-License-Identifier: GPL-3.0-or-later
// The hall-of-fame window: rows, switching, clearing and closing.
#include "base/ProgramDir.h"
#include "widgets/TEffectLabel.h"
#include "widgets/THemisphereButton.h"
#include "dialogs/TfrmTopten.h"
#include "base/UiTexts.h"
#include "game/GameSettings.h"
#include "base/GameTexts.h"
#include "records/TopTen.h"
#include "base/TRegAuto.h"
#include "support/FakePrompts.h"
#include "support/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

#include <memory>

namespace {

TopTenEntry entry(qint32 score, const QByteArray &name, const QByteArray &stamp) { return {score, name, stamp}; }

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
    ProgramFolder m_folder;
    GameSettings m_settings;
    GameTexts m_texts;
    TRegAuto m_lng;
    FakePrompts m_prompts;

    std::unique_ptr<TfrmTopten> makeDialog()
    {
        return std::make_unique<TfrmTopten>(TfrmTopten::Shared{&m_settings, &m_texts, &m_lng, &m_prompts, [this](int t) { m_settings.Type = t; }});
    }
    void setCaption(const char *key, const char *text)
    {
        m_lng.WriteString(QStringLiteral("Button"), QLatin1String(key), QString::fromUtf8(text));
    }
    QString typeLine(int type) const { return m_texts.gameTypeLabel(type, m_settings.Winner); }

    static THemisphereButton *button(const TfrmTopten &d, const char *name)
    {
        return d.findChild<THemisphereButton *>(QLatin1String(name));
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
        QVERIFY(m_folder.make());
        m_settings = GameSettings();
        m_settings.Winner = 3000;
        m_texts.lType = QStringLiteral("line");
        m_lng.setIniFile(m_folder.filePath(QStringLiteral("Korvex.lng")));
        m_prompts.errors.clear();
    }
    void cleanup() { m_folder.remove(); }

    // --- layout ---

    void controlsAreNamedAndPlaced()
    {
        auto d = makeDialog();
        QCOMPARE(d->objectName(), QString("frmTopten"));
        QVERIFY(d->windowTitle().isEmpty());
        QCOMPARE(d->palette().color(QPalette::Window), QColor(192, 220, 192));
        QCOMPARE(button(*d, "btClose")->geometry(), QRect(104, 416, 97, 33));
        QCOMPARE(button(*d, "btClear")->faceColor(), QColor(133, 219, 108));
        QCOMPARE(button(*d, "btClose")->faceColor(), QColor(64, 243, 12));
        QCOMPARE(text(*d, "LMDLabel1"), QString("Hall of Fame"));

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
        QCOMPARE(d->findChild<QLabel *>("lType")->width(), 700);
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
        m_settings.Type = type;
        auto d = makeDialog();
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(row(*d, n), (QStringList{topTenRowText(TopTen::blankEntry(), type).ls, " ",
                                              topTenRowText(TopTen::blankEntry(), type).lda}));
        QCOMPARE(fileBytes(type), QByteArray());
        QCOMPARE(fileBytes(3 - type), QByteArray("<missing>"));
        QCOMPARE(text(*d, "lType"), typeLine(type));
        QVERIFY(m_prompts.errors.isEmpty());
    }

    void rowsOfBothTypes()
    {
        writeBoth();
        auto d = makeDialog();
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
        QCOMPARE(row(*d, 2), (QStringList{"6250", "Bo", "2026.12.07 - 00:03:12"}));
        QCOMPARE(row(*d, 3), (QStringList{"0", " ", "    .  .   -   :  :  "}));
        m_settings.Type = 2;
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
        m_settings.Type = 5;
        QVERIFY(d->FillTopTen());
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
        QCOMPARE(text(*d, "lType"), typeLine(5));
    }

    void captionsFollowLanguageAtEveryFill()
    {
        setCaption("btClose", "Zu");
        auto d = makeDialog();
        QCOMPARE(button(*d, "btClose")->text(), QString("Zu"));
        QCOMPARE(button(*d, "btChange")->text(), QString("Change"));
        setCaption("btChange", "Wechsel");
        setCaption("btClear", "Leeren");
        d->FillTopTen();
        QCOMPARE(button(*d, "btChange")->text(), QString("Wechsel"));
        QCOMPARE(button(*d, "btClear")->text(), QString("Leeren"));

        // A loader run sets the captions it read and leaves the others; the
        // captions in force are told by key, for this window's keys only.
        LanguageTexts read;
        read[size_t(languageIndex(QStringLiteral("btClose")))] = QStringLiteral("Fermer");
        d->applyLanguage(read);
        QCOMPARE(d->caption(QStringLiteral("btClose")), QString("Fermer"));
        QCOMPARE(d->caption(QStringLiteral("btClear")), QString("Leeren"));
        QCOMPARE(button(*d, "btClose")->text(), QString("Fermer"));
        QVERIFY(d->caption(QStringLiteral("btSave")).isNull());
    }

    void loadErrorKeepsRows()
    {
        writeBoth();
        auto d = makeDialog();
        QFile f(TopTen::fileName(2));
        QVERIFY(f.open(QIODevice::Append));
        f.write("xyz");
        f.close();
        setCaption("btClose", "Fermer");
        m_settings.Type = 2;
        QVERIFY(!d->FillTopTen());
        QCOMPARE(m_prompts.errors.size(), 1);
        QVERIFY(m_prompts.errors[0].contains("KVXScrT.ini"));
        QVERIFY(m_prompts.errors[0].contains("Read beyond end of file"));
        QCOMPARE(button(*d, "btClose")->text(), QString("Fermer"));
        QCOMPARE(text(*d, "lType"), typeLine(2));
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
    }

    // --- buttons and closing ---

    void changeTwiceRereadsAndReturns()
    {
        writeBoth();
        auto d = makeDialog();
        button(*d, "btChange")->click();
        QCOMPARE(m_settings.Type, 2);
        QCOMPARE(row(*d, 1).at(1), QString("Bo"));
        writeTable(1, {entry(99, "Cy", "20261208000001")});
        button(*d, "btChange")->click();
        QCOMPARE(m_settings.Type, 1);
        QCOMPARE(row(*d, 1), (QStringList{"99", "Cy", "2026.12.08 - 00:00:01"}));
    }

    void clearAsksAndEmptiesOnlyTheShownTable()
    {
        writeBoth();
        const QByteArray scores = fileBytes(1), times = fileBytes(2);
        m_settings.Type = 2;
        auto d = makeDialog();
        button(*d, "btClear")->click(); // answered No
        QCOMPARE(m_prompts.questions, QStringList{uiText("topClearAsk").arg("Time")});
        QCOMPARE(fileBytes(2), times);
        QCOMPARE(row(*d, 1).at(1), QString("Bo"));

        m_prompts.confirmAnswers.enqueue(true);
        button(*d, "btClear")->click();
        QCOMPARE(fileBytes(2), QByteArray());
        QCOMPARE(fileBytes(1), scores);
        QCOMPARE(row(*d, 1), (QStringList{"  :  :  ", " ", "0 -     .  .  "}));
        QCOMPARE(m_settings.Type, 2);

        writeTable(2, {entry(1, "T", "20261206000005")});
        const QByteArray kept = fileBytes(2);
        m_settings.Type = 1;
        m_prompts.confirmAnswers.enqueue(true);
        button(*d, "btClear")->click();
        QCOMPARE(m_prompts.questions.last(), uiText("topClearAsk").arg("Normal"));
        QCOMPARE(fileBytes(1), QByteArray());
        QCOMPARE(fileBytes(2), kept);
        QCOMPARE(row(*d, 1), (QStringList{"0", " ", "    .  .   -   :  :  "}));
        QVERIFY(m_prompts.errors.isEmpty());
    }

    void closeSetsTypeToOne()
    {
        m_settings.Type = 2;
        auto d = makeDialog();
        d->show();
        button(*d, "btClose")->click();
        QVERIFY(!d->isVisible());
        QCOMPARE(m_settings.Type, 1);

        m_settings.Type = 2;
        d->show();
        d->close(); // the frame's close box
        QCOMPARE(m_settings.Type, 1);
    }

    void backgroundClickRefillsForCurrentType()
    {
        writeBoth();
        m_settings.Type = 2;
        auto d = makeDialog();
        d->show();
        d->close();
        QCOMPARE(m_settings.Type, 1);
        d->show();
        QCOMPARE(row(*d, 1).at(0), QString("00:03:12")); // still the time rows
        QTest::mouseClick(d->findChild<QLabel *>("lna5"), Qt::LeftButton);
        QCOMPARE(row(*d, 1).at(0), QString("00:03:12")); // a label is not the background
        QTest::mouseClick(d.get(), Qt::LeftButton, {}, QPoint(3, 390));
        QCOMPARE(row(*d, 1), (QStringList{"14286", "Anna", "2026.12.06 - 01:02:05"}));
        button(*d, "btChange")->click();
        QCOMPARE(row(*d, 1).at(0), QString("00:03:12"));
    }

    void worksOnItsOwn()
    {
        writeBoth();
        TfrmTopten d;
        QCOMPARE(row(d, 1).at(1), QString("Anna"));
        QCOMPARE(text(d, "lType"), QString("Game type:  Normal / 1000"));
        button(d, "btChange")->click();
        QCOMPARE(row(d, 1).at(1), QString("Bo"));
        d.close();
        d.FillTopTen();
        QCOMPARE(row(d, 1).at(1), QString("Anna"));
    }
};

QTEST_MAIN(TestTfrmTopten)
#include "tst_tfrmtopten.moc"
