// SPDX-License-Identifier: GPL-3.0-or-later
// The top-ten check after a win, answered by a scripted screen.
#include "base/ProgramDir.h"
#include "base/KvxError.h"
#include "records/TopTen.h"
#include "records/TopTenCheck.h"
#include "base/FileLock.h"
#include "base/UiTexts.h"
#include "support/ProgramFolder.h"

#include <QLockFile>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <functional>

namespace {

struct Ask
{
    QString caption, prompt, startText;
};

// Answers the name query from a script: each answer is a text, or a null
// QString for Cancel.
class ScriptedUi : public TopTenUi
{
public:
    QStringList answers;
    QStringList messages, errors;
    QList<Ask> asks;
    int shown = 0;
    std::function<void()> whileAsking; // what another copy of the game does meanwhile

    void showMessage(const QString &text) override { messages << text; }
    void showError(const QString &text) override { errors << text; }
    bool askName(const QString &caption, const QString &prompt, QString &text) override
    {
        asks << Ask{caption, prompt, text};
        if (whileAsking)
            whileAsking();
        if (answers.isEmpty() || answers.first().isNull()) {
            if (!answers.isEmpty())
                answers.removeFirst();
            return false;
        }
        text = answers.takeFirst();
        return true;
    }
    void showTopTen() override { ++shown; }
};

const QDate kDay(2026, 12, 6);
const QString kMsg = QStringLiteral("You have a new high score!");

QByteArray fileBytes(int type)
{
    QFile f(TopTen::fileName(type));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

QByteArray blankRecord()
{
    return TopTen::toRecord(TopTen::blankEntry());
}

} // namespace

class TestTopTenCheck : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;

private slots:
    void init() { QVERIFY(m_folder.make()); }
    void cleanup()
    {
        ScriptedUi ui;
        enterWaitingTopTen(ui);
        QCOMPARE(waitingTopTenEntries(), 0);
        m_folder.remove();
    }

    // --- rating and stamp ---

    void scoreRoundsHalvesToEven_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("rounds");
        QTest::addColumn<int>("score");
        QTest::newRow("7 rounds") << 1000 << 7 << 14286;
        QTest::newRow("64 rounds, half down to even") << 1000 << 64 << 1562;
        QTest::newRow("16 rounds") << 1000 << 16 << 6250;
        QTest::newRow("3 rounds") << 1000 << 3 << 33333;
        QTest::newRow("half up to even") << 3 << 8 << 38;     // 37.5
        QTest::newRow("negative half") << -3 << 8 << -38;    // -37.5
        QTest::newRow("one round") << 2000 << 1 << 200000;
        QTest::newRow("no rounds") << 1000 << 0 << 0;
    }
    void scoreRoundsHalvesToEven()
    {
        QFETCH(int, total);
        QFETCH(int, rounds);
        QFETCH(int, score);
        QCOMPARE(topTenScore(total, rounds), score);
    }

    void scoreBeyondRangeIsCapped()
    {
        QCOMPARE(topTenScore(std::numeric_limits<qint32>::max(), 1), std::numeric_limits<qint32>::max());
    }

    void stampIsDateAndTime()
    {
        QCOMPARE(topTenStamp(kDay, "010205"), QByteArray("20261206010205"));
        QCOMPARE(topTenStamp(QDate(987, 3, 4), "000059"), QByteArray("09870304000059"));
        // Beyond 99 hours the text would no longer line up.
        QCOMPARE(topTenStamp(kDay, "1000000"), QByteArray("20261206995959"));
    }

    void blankNames()
    {
        QVERIFY(topTenNameIsBlank(""));
        QVERIFY(topTenNameIsBlank(" \t\r\n\x01"));
        QVERIFY(topTenNameIsBlank(QString(QChar(0x00A0)) + QChar(0x7F)));
        QVERIFY(!topTenNameIsBlank("  a  "));
    }

    // --- the check ---

    void firstWinWritesBothFiles()
    {
        ScriptedUi ui;
        ui.answers << "Anna";
        QVERIFY(CheckTopTen(1000, 7, "010205", kDay, kMsg, ui));

        QCOMPARE(ui.messages, QStringList{kMsg});
        QCOMPARE(ui.asks.size(), 1);
        QCOMPARE(ui.asks[0].caption, QString("HiScore"));
        QCOMPARE(ui.asks[0].prompt, QString("Type Your name: "));
        QVERIFY(ui.asks[0].startText.isEmpty());
        QCOMPARE(ui.shown, 1);

        QByteArray first(40, '\0');
        first[0] = char(0xCE); first[1] = char(0x37); // 14286 little-endian
        first[4] = 4;
        first.replace(5, 4, "Anna");
        first[25] = 14;
        first.replace(26, 14, "20261206010205");
        QByteArray want = first;
        for (int i = 0; i < 9; ++i)
            want += blankRecord();
        QCOMPARE(fileBytes(1), want);
        QCOMPARE(fileBytes(2), want);
    }

    void bothTablesGetTheSameEntry()
    {
        ScriptedUi ui;
        ui.answers << "Bo";
        QVERIFY(CheckTopTen(1000, 16, "000312", kDay, kMsg, ui));
        TopTenTable t;
        t.LoadTopTen(1);
        const TopTenEntry s = t.slot(1);
        t.LoadTopTen(2);
        QCOMPARE(t.slot(1), s);
        QCOMPARE(s.Score, 6250);
        QCOMPARE(s.Name, QByteArray("Bo"));
        QCOMPARE(s.Stamp, QByteArray("20261206000312"));
    }

    void blankNameIsAskedAgainWithItsText()
    {
        ScriptedUi ui;
        ui.answers << "   " << " \t " << "  Cy ";
        QVERIFY(CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        QCOMPARE(ui.asks.size(), 3);
        QCOMPARE(ui.asks[1].startText, QString("   "));
        QCOMPARE(ui.asks[2].startText, QString(" \t "));
        TopTenTable t;
        t.LoadTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("  Cy ")); // blanks at the ends stay
    }

    void cancelStoresNothing()
    {
        ScriptedUi ui;
        ui.answers << "  " << QString();
        QVERIFY(!CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        QCOMPARE(ui.asks.size(), 2);
        QCOMPARE(ui.shown, 0);
        // Qualifying loaded both tables, which leaves them empty.
        QCOMPARE(fileBytes(1), QByteArray());
        QCOMPARE(fileBytes(2), QByteArray());
    }

    void longNameKeepsTwentyCharacters()
    {
        ScriptedUi ui;
        ui.answers << "ABCDEFGHIJKLMNOPQRSTUVWXY";
        QVERIFY(CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        TopTenTable t;
        t.LoadTopTen(2);
        QCOMPARE(t.slot(1).Name, QByteArray("ABCDEFGHIJKLMNOPQRST"));
    }

    void nameWithoutCodePageFormGetsQuestionMarks()
    {
        ScriptedUi ui;
        // 19 characters, then a character outside the basic plane as the 20th.
        ui.answers << QString::fromUtf8("Zoë ☃ 日本 €abcdefghi\U0001F600xyz");
        QVERIFY(CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        TopTenTable t;
        t.LoadTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("Zo\xEB ? ?? \x80" "abcdefghi?"));
    }

    void noQualificationIsSilent()
    {
        ScriptedUi first;
        for (int i = 0; i < 10; ++i) {
            first.answers << QString("P%1").arg(i);
            QVERIFY(CheckTopTen(1000, 5, "000010", kDay, kMsg, first));
        }
        const QByteArray before1 = fileBytes(1), before2 = fileBytes(2);
        ScriptedUi ui;
        ui.answers << "late";
        QVERIFY(!CheckTopTen(1000, 5, "000010", kDay, kMsg, ui));
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(ui.asks.isEmpty());
        QCOMPARE(ui.shown, 0);
        QCOMPARE(fileBytes(1), before1);
        QCOMPARE(fileBytes(2), before2);
    }

    void onlyTheTableEnteredIsWritten()
    {
        ScriptedUi ui;
        for (int i = 0; i < 10; ++i) {
            ui.answers << QString("P%1").arg(i);
            QVERIFY(CheckTopTen(1000, 5, "000010", kDay, kMsg, ui));
        }
        const QByteArray times = fileBytes(2);
        ui.answers << "quick";
        QVERIFY(CheckTopTen(1000, 4, "000011", kDay, kMsg, ui)); // better score, slower
        QCOMPARE(fileBytes(2), times);
        TopTenTable t;
        t.LoadTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("quick"));
        QCOMPARE(t.slot(1).Score, 25000);
    }

    void damagedTableIsKeptAsideAndTakesTheWin()
    {
        // The damage is told as before; then the table goes aside whole, a
        // new one takes the win, and the player learns where the old one went.
        const QByteArray broken(85, 'x');
        const QString path = TopTen::fileName(2);
        for (const QString &suffix : {QStringLiteral(".damaged"), QStringLiteral(".damaged2")}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(broken);
            f.close();
            ScriptedUi ui;
            ui.answers << "Dee";
            QVERIFY(CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
            QCOMPARE(ui.errors.size(), 1);
            QVERIFY(ui.errors.first().contains("Read beyond end of file"));
            const QString aside = path + suffix;
            QCOMPARE(ui.messages, (QStringList{kMsg, uiText("ttKeptAside").arg(QDir::toNativeSeparators(aside))}));
            QCOMPARE(ui.shown, 1);
            QFile kept(aside);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), broken);
            QCOMPARE(fileBytes(2).size(), 400);
            TopTenTable t;
            t.LoadTopTen(2);
            QCOMPARE(t.slot(1).Name, QByteArray("Dee"));
        }
        QCOMPARE(fileBytes(1).size(), 400);
    }

    void anUnreadableTableLeavesTheWinToTheOther()
    {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), TopTen::fileName(2)));
        ScriptedUi ui;
        ui.answers << "Eve";
        QVERIFY(CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        QCOMPARE(ui.errors.size(), 1);
        QVERIFY(ui.errors.first().startsWith(QDir::toNativeSeparators(TopTen::fileName(2)) + ": "));
        QVERIFY(QFileInfo(TopTen::fileName(2)).isSymLink());
        TopTenTable t;
        t.LoadTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("Eve"));
    }

    // --- other copies of the game at the same tables ---

    void aPlaceTakenWhileTheNameIsTypedIsTold()
    {
        // Another copy fills both tables with better wins while the name is
        // typed: the tables are read again under their locks, and the player
        // learns why the name is not there.
        ScriptedUi ui;
        ui.answers << "Late";
        ui.whileAsking = [] {
            TopTenTable other;
            for (int i = 0; i < TopTen::Slots; ++i)
                for (const int type : {1, 2})
                    QVERIFY(other.InsertTopTen({50000 + i, "Fast", "20261206000001"}, type));
        };
        QVERIFY(!CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        QCOMPARE(ui.messages, (QStringList{kMsg, uiText("ttNoLongerScore"), uiText("ttNoLongerTime")}));
        QCOMPARE(ui.shown, 0);
        TopTenTable t;
        t.LoadTopTen(1);
        QCOMPARE(t.slot(10).Name, QByteArray("Fast"));
    }

    void aTableInUseTakesTheEntryLater()
    {
        // The score table stays locked by another copy past the wait: the time
        // table takes the win at once, the score table at the next win.
        const LockWait shortWait(20);
        QLockFile other(TopTen::fileName(1) + ".lock");
        QVERIFY(other.tryLock(0));
        ScriptedUi ui;
        ui.answers << "Ann";
        QVERIFY(CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        QCOMPARE(ui.messages, (QStringList{kMsg, uiText("ttEnterLater").arg(QDir::toNativeSeparators(TopTen::fileName(1)))}));
        QCOMPARE(waitingTopTenEntries(), 1);
        QCOMPARE(waitingTopTenFiles(), QStringList{TopTen::fileName(1)});
        QCOMPARE(fileBytes(1), QByteArray());
        other.unlock();
        ScriptedUi next; // the next win (its name query cancelled)
        QVERIFY(!CheckTopTen(-1000, 7, "999999", kDay, kMsg, next));
        QCOMPARE(waitingTopTenEntries(), 0);
        QVERIFY(next.errors.isEmpty());
        TopTenTable t;
        t.LoadTopTen(1);
        QCOMPARE(t.slot(1).Name, QByteArray("Ann"));
        QCOMPARE(t.slot(1).Score, 14286);
    }

    // --- a folder whose name holds placeholders ---

    void messagesKeepThePercentsOfTheFolderName_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("kept aside") << "damaged";
        QTest::newRow("entered later") << "in use";
        QTest::newRow("unreadable") << "unreadable";
    }
    void messagesKeepThePercentsOfTheFolderName()
    {
        QFETCH(QString, kind);
        const QString name = QStringLiteral("nv-\u00e9-2%2 %1");
        QVERIFY(QDir(m_folder.path()).mkdir(name));
        ProgramDir::set(m_folder.filePath(name) + QLatin1Char('/'));
        const QString table = QDir::toNativeSeparators(TopTen::fileName(2));
        QFile f(TopTen::fileName(2));
        QLockFile other(TopTen::fileName(2) + ".lock");
        const LockWait shortWait(20);
        if (kind == "damaged") {
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("xx");
            f.close();
        } else if (kind == "in use") {
            QVERIFY(other.tryLock(0));
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), TopTen::fileName(2)));
        }
        ScriptedUi ui;
        ui.answers << "Pat";
        QVERIFY(CheckTopTen(1000, 7, "000100", kDay, kMsg, ui));
        const QStringList told = ui.messages.mid(1) + ui.errors;
        QVERIFY(!told.isEmpty());
        for (const QString &text : told)
            QVERIFY2(text.contains(table), qPrintable(text));
        other.unlock();
    }
};

QTEST_GUILESS_MAIN(TestTopTenCheck)
#include "tst_toptencheck.moc"
