// SPDX-License-Identifier: GPL-3.0-or-later
// The game settings in "Korvex.cnf": defaults, guards, and what a save writes.
#include "base/KvxError.h"
#include "settings/Config.h"
#include "base/TRegAuto.h"
#include "base/UiTexts.h"
#include "support/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestConfig : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;
    TRegAuto m_ini;

    void put(const QByteArray &bytes)
    {
        QFile f(m_ini.iniFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray get() const
    {
        QFile f(m_ini.iniFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void init()
    {
        QVERIFY(m_folder.make());
        m_ini.setIniFile(m_folder.filePath(QStringLiteral("Korvex.cnf")));
    }
    void cleanup()
    {
        QFile::setPermissions(m_ini.iniFile(), QFile::ReadOwner | QFile::WriteOwner);
        m_folder.remove();
    }

    void missingFileGivesDefaults()
    {
        // No configuration file: Winner 1000, Valid off, Type 1, and still no file afterwards.
        const Config c = readConfig(m_ini);
        QCOMPARE(c.Winner, 1000);
        QCOMPARE(c.Valid, false);
        QCOMPARE(c.Type, 1);
        QVERIFY(!QFile::exists(m_ini.iniFile()));
    }

    void storedValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("winner");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("type");
        QTest::newRow("all set") << QByteArray("[Game]\nWinner=3000\nValid=1\nType=2\n") << 3000 << true << 2;
        QTest::newRow("Valid 2 is on") << QByteArray("[Game]\nValid=2\n") << 1000 << true << 1;
        QTest::newRow("Valid yes is off") << QByteArray("[Game]\nValid=yes\n") << 1000 << false << 1;
        QTest::newRow("Winner in 0x hex") << QByteArray("[Game]\nWinner=0x7D0\n") << 2000 << false << 1;
        QTest::newRow("Winner empty") << QByteArray("[Game]\nWinner=\n") << 1000 << false << 1;
        QTest::newRow("Winner text") << QByteArray("[Game]\nWinner=many\n") << 1000 << false << 1;
        QTest::newRow("Winner 1 is kept") << QByteArray("[Game]\nWinner=1\n") << 1 << false << 1;
        QTest::newRow("Winner 0 cannot be reached") << QByteArray("[Game]\nWinner=0\n") << 1000 << false << 1;
        QTest::newRow("Winner negative") << QByteArray("[Game]\nWinner=-50\n") << 1000 << false << 1;
        QTest::newRow("Type 3 has no labels") << QByteArray("[Game]\nType=3\n") << 1000 << false << 1;
        QTest::newRow("Type 0") << QByteArray("[Game]\nType=0\n") << 1000 << false << 1;
        QTest::newRow("other case and section") << QByteArray("[game]\nWINNER=1500\nvalid=1\n[Other]\nType=2\n") << 1500 << true << 1;
    }
    void storedValues()
    {
        // Values are taken as read, except a Winner below 1 and a Type other than 1 or 2.
        QFETCH(QByteArray, file);
        QFETCH(int, winner);
        QFETCH(bool, valid);
        QFETCH(int, type);
        put(file);
        const Config c = readConfig(m_ini);
        QCOMPARE(c.Winner, winner);
        QCOMPARE(c.Valid, valid);
        QCOMPARE(c.Type, type);
    }

    void saveWritesWinnerThenValid()
    {
        // A save creates section "Game" with Winner in decimal, then Valid as 1 or 0, and no Type.
        writeConfig(m_ini, 3000, true);
        QCOMPARE(get(), QByteArray("[Game]\r\nWinner=3000\r\nValid=1\r\n"));
        writeConfig(m_ini, 1500, false);
        QCOMPARE(get(), QByteArray("[Game]\r\nWinner=1500\r\nValid=0\r\n"));
        const Config c = readConfig(m_ini);
        QCOMPARE(c.Winner, 1500);
        QCOMPARE(c.Valid, false);
    }

    void handWrittenTypeSurvivesSave()
    {
        // A Type key written by hand, and everything else in the file, outlives a save.
        const QByteArray before = "; my settings\r\n[Game]\r\nType=2\r\nWinner=0x7D0\r\n";
        put(before);
        writeConfig(m_ini, 2500, true);
        QCOMPARE(get(), QByteArray("; my settings\r\n[Game]\r\nType=2\r\nWinner=2500\r\nValid=1\r\n"));
        const Config c = readConfig(m_ini);
        QCOMPARE(c.Type, 2);
        QCOMPARE(c.Winner, 2500);
        QCOMPARE(c.Valid, true);
    }

    void saveIntoReadOnlyFileFails()
    {
        // A refused save names the full path and leaves the file as it was.
        const QByteArray before = "[Game]\nWinner=1000\n";
        put(before);
        QVERIFY(QFile::setPermissions(m_ini.iniFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        try {
            writeConfig(m_ini, 4000, true);
            QFAIL("save into a read-only file succeeded");
        } catch (const KvxError &e) {
            QCOMPARE(e.message(), QStringLiteral("Unable to write to ") + QDir::cleanPath(m_ini.iniFile())
                                      + QStringLiteral(": ") + uiText("fileWhyReadOnly"));
        }
        QCOMPARE(get(), before);
    }

    void saveIntoMissingFolderFails()
    {
        // A save into a folder that does not exist fails and creates nothing.
        m_ini.setIniFile(m_folder.filePath(QStringLiteral("gone/Korvex.cnf")));
        QVERIFY_THROWS_EXCEPTION(KvxError, writeConfig(m_ini, 4000, true));
        QVERIFY(QDir(m_folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
