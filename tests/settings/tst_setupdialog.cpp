// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog against real files: what Fill shows, what Save writes and
// in which order, what a refused write leaves behind, and the dialog's controls.
#include "base/ProgramDir.h"
#include "game/Game.h"
#include "base/GameTexts.h"
#include "base/KvxError.h"
#include "base/LanguageTable.h"
#include "dialogs/SetupHost.h"
#include "base/TRegAuto.h"
#include "base/Translations.h"
#include "base/UiTexts.h"
#include "dialogs/TfrmSetup.h"
#include "support/ProgramFolder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

QString keyOf(int row)
{
    return QLatin1String(kLanguageTable[row].key);
}
QString sectionOf(int row)
{
    return QLatin1String(kLanguageTable[row].section);
}

// The main window as the dialog sees it: texts in force, live settings, the
// two stores, and a record of the calls it received.
class FakeHost : public SetupHost
{
public:
    TRegAuto lng;
    TRegAuto cfg;
    GameSettings settings;
    GameTexts texts;
    TfrmSetup *dialog = nullptr;
    QHash<QString, QString> inForce; // keys not set here give the English default
    QStringList errors;
    QStringList calls;
    // What the language file and the texts held when each notice came.
    QString sLGT2InFileAtTypeNotice, lTypeInFileAtTypeNotice, lTypeLiveAtTypeNotice;
    QString lTypeInFileAtGameTypeNotice, lTimeInFileAtGameTypeNotice;
    GameTexts textsAtTypeNotice;
    int winnerAtGameTypeNotice = 0;

    QString textInForce(const QString &key) const override
    {
        const int i = languageIndex(key);
        if (dialog && kLanguageTable[i].group == 'B')
            return dialog->caption(key);
        return inForce.value(key, QString::fromUtf8(kLanguageTable[i].englishDefault));
    }
    const GameSettings &liveSettings() const override { return settings; }
    void applySettings(const GameSettings &s) override { settings = s; }
    const GameTexts &liveTexts() const override { return texts; }
    void applyTexts(const GameTexts &t) override { texts = t; }
    void typeTextsChanged()
    {
        calls << QStringLiteral("type");
        textsAtTypeNotice = texts;
        sLGT2InFileAtTypeNotice = lng.ReadString(QStringLiteral("Label"), QStringLiteral("sLGT2"), QStringLiteral("<none>"));
        lTypeInFileAtTypeNotice = lng.ReadString(QStringLiteral("Label"), QStringLiteral("lType"), QStringLiteral("<none>"));
        lTypeLiveAtTypeNotice = texts.lType;
    }
    void gameTypeTextChanged()
    {
        calls << QStringLiteral("gameType");
        winnerAtGameTypeNotice = settings.Winner;
        lTypeInFileAtGameTypeNotice = lng.ReadString(QStringLiteral("Label"), QStringLiteral("lType"), QStringLiteral("<none>"));
        lTimeInFileAtGameTypeNotice = lng.ReadString(QStringLiteral("Label"), QStringLiteral("lTime"), QStringLiteral("<none>"));
    }
    TRegAuto &languageStore() override { return lng; }
    TRegAuto &configStore() override { return cfg; }
    void showError(const QString &text) override { errors << text; }
};

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestSetupDialog : public QObject
{
    Q_OBJECT

private:
    ProgramFolder m_folder;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<TfrmSetup> m_dlg;

    QString path(const char *name) const { return m_folder.filePath(QLatin1String(name)); }
    void open()
    {
        m_dlg = std::make_unique<TfrmSetup>(*m_host);
        m_host->dialog = m_dlg.get();
        connect(m_dlg.get(), &TfrmSetup::typeTextsChanged, this, [this] { m_host->typeTextsChanged(); });
        connect(m_dlg.get(), &TfrmSetup::gameTypeTextChanged, this, [this] { m_host->gameTypeTextChanged(); });
        m_dlg->Fill();
    }
    template <typename T>
    T *child(const char *name) const
    {
        T *w = m_dlg->findChild<T *>(QLatin1String(name));
        if (!w)
            qWarning("no child %s", name);
        return w;
    }
    QSpinBox *iWin() const { return child<QSpinBox>("iWin"); }
    QCheckBox *eValid() const { return child<QCheckBox>("eValid"); }
    QTextEdit *mRules() const { return child<QTextEdit>("mRules"); }
    QString cfgValue(const char *key) const
    {
        return m_host->cfg.ReadString(QStringLiteral("Game"), QLatin1String(key), QStringLiteral("<none>"));
    }
    QString lngValue(int row) const
    {
        return m_host->lng.ReadString(sectionOf(row), keyOf(row), QStringLiteral("<none>"));
    }

private slots:
    void init()
    {
        QVERIFY(m_folder.make());
        m_host = std::make_unique<FakeHost>();
        m_host->lng.setIniFile(path("Korvex.lng"));
        m_host->cfg.setIniFile(path("Korvex.cnf"));
    }
    void cleanup()
    {
        m_dlg.reset();
        m_host.reset();
        for (const char *name : {"Korvex.lng", "Korvex.cnf"})
            QFile::setPermissions(path(name), QFile::ReadOwner | QFile::WriteOwner);
        m_folder.remove();
    }

    // ---------------------------------------------------------------- layout

    void formAndControls()
    {
        open();
        QCOMPARE(m_dlg->objectName(), QStringLiteral("frmSetup"));
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(m_dlg->size(), QSize(479, 452));
        QVERIFY(m_dlg->windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(m_dlg->windowType(), Qt::Tool);

        auto *pc = child<QTabWidget>("pcMain");
        QVERIFY(pc);
        QCOMPARE(pc->count(), 2);
        QCOMPARE(pc->widget(0)->objectName(), QStringLiteral("tsGen"));
        QCOMPARE(pc->widget(1)->objectName(), QStringLiteral("tsLang"));
        QCOMPARE(pc->geometry().bottom() + 1, 452 - 41);

        auto *save = child<QAbstractButton>("btSave");
        auto *cancel = child<QAbstractButton>("btCancel");
        QVERIFY(save && cancel);
        QCOMPARE(save->mapTo(m_dlg.get(), QPoint(0, 0)).x(), 131);
        QCOMPARE(cancel->mapTo(m_dlg.get(), QPoint(0, 0)).x(), 251);
        QCOMPARE(save->size(), QSize(97, 33));
        QCOMPARE(cancel->size(), QSize(97, 33));
        QCOMPARE(save->property("faceColor").value<QColor>(), QColor(64, 243, 12));
        QCOMPARE(cancel->property("faceColor").value<QColor>(), QColor(64, 243, 12));

        QCOMPARE(eValid()->text(), QStringLiteral("400-500 intervallum valid for each 1000"));
        QCOMPARE(eValid()->geometry(), QRect(8, 36, 457, eValid()->height()));
        QCOMPARE(iWin()->geometry().topLeft(), QPoint(320, 8));
        QCOMPARE(iWin()->width(), 145);
        QCOMPARE(child<QLabel>("lWinnerTotal")->geometry().topLeft(), QPoint(5, 11));
        QCOMPARE(child<QLabel>("lRules")->geometry().topLeft(), QPoint(5, 59));

        QTextEdit *rules = mRules();
        QCOMPARE(rules->geometry(), QRect(5, 80, 460, 297));
        QVERIFY(rules->isReadOnly());
        QVERIFY(!(rules->focusPolicy() & Qt::TabFocus));
        QCOMPARE(rules->palette().color(QPalette::Base), QColor(192, 220, 192));
        QCOMPARE(rules->viewport()->cursor().shape(), Qt::IBeamCursor);
    }

    void languageRowsInTableOrder()
    {
        open();
        static const char *const names[kLanguageCount] = {
            "ebtRoll", "ebtDone", "ebtStart", "ebtCont", "ebtClose", "ebtClear", "ebtChange",
            "ebtSave", "ebtCancel", "etsGen", "etsLang", "eWinnerTotal", "eRules", "es10", "es5",
            "elSubTotal", "elTotal", "elRound", "eGameType1", "eGameType2", "esLGT1", "esLGT2",
            "elType", "elTimeLabel", "emFile", "eaNew", "eaOpen", "eaSave", "eaTopTen", "eaExit",
            "emTools", "eaRules", "eaSettings", "eaLanguage", "emsgCrash", "emsgFail", "emsgBadIn",
            "emsgExact", "emsgWin", "emsgNewHi", "emsgNoSel"};
        auto *box = child<QWidget>("tsLang")->findChild<QScrollArea *>();
        QVERIFY(box);
        for (int n = 0; n < kLanguageCount; ++n) {
            QLineEdit *e = m_dlg->edit(n);
            QCOMPARE(e->objectName(), QLatin1String(names[n]));
            QCOMPARE(e, child<QLineEdit>(names[n]));
            QCOMPARE(e->parentWidget()->parentWidget(), box->viewport());
            QCOMPARE(e->geometry(), QRect(168, 8 + 24 * n, 273, 24));
        }
        // The fixed labels are untranslated and keep the row's designed wording.
        QStringList labels;
        for (QLabel *l : box->widget()->findChildren<QLabel *>()) {
            if (l->geometry().topLeft() == QPoint(8, 11 + 24 * 22))
                labels << l->text();
            if (l->geometry().topLeft() == QPoint(8, 11 + 24 * 40))
                labels << l->text();
        }
        QCOMPARE(labels, QStringList({QStringLiteral("Game type:"), QStringLiteral("None selected msg.")}));
        QVERIFY(box->widget()->height() >= 8 + 24 * 41);
    }

    void tabVisitsTheEditsInRowOrder()
    {
        open();
        m_dlg->showPage(true);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        m_dlg->edit(0)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_dlg->edit(0)));
        for (int n = 1; n < kLanguageCount; ++n) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_dlg->edit(n)));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_dlg->addedEdit(0)));
        // The box scrolled along to the last row.
        auto *box = m_dlg->findChild<QScrollArea *>();
        QVERIFY(box->verticalScrollBar()->value() > 0);
    }

    void tabPassesTheRulesViewerBy()
    {
        open();
        m_dlg->showPage(false);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        iWin()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(iWin()));
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(QApplication::focusWidget() != mRules());
        }
    }

    void altAndTheCaptionsLetterReachTheRules()
    {
        // Tab passes the rules by; Alt and the marked letter put the caret into
        // them, where the arrow keys read on.
        open();
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get()));
        iWin()->setFocus();
        QTest::keyClick(m_dlg.get(), Qt::Key_R, Qt::AltModifier);
        auto *rules = child<QTextEdit>("mRules");
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rules));
        QVERIFY(rules->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        QVERIFY(rules->isReadOnly());
    }

    void showPageChoosesThePage()
    {
        open();
        auto *pc = child<QTabWidget>("pcMain");
        m_dlg->showPage(true);
        QCOMPARE(pc->currentWidget()->objectName(), QStringLiteral("tsLang"));
        m_dlg->showPage(false);
        QCOMPARE(pc->currentWidget()->objectName(), QStringLiteral("tsGen"));
        // Chosen on the tab bar of the open dialog, the page shows the added texts too.
        open();
        m_dlg->show();
        pc = child<QTabWidget>("pcMain");
        pc->setCurrentIndex(1);
        QVERIFY(m_dlg->addedEdit(0)->isVisible());
        QCOMPARE(m_dlg->addedEdit(0)->text(), uiText(kUiTexts[0].key));
    }

    // ---------------------------------------------------------------- captions

    void designedCaptionsWithoutLanguageFile()
    {
        open();
        const char *keys[] = {"btSave", "btCancel", "tsGen", "tsLang", "lWinnerTotal", "lRules"};
        for (const char *k : keys) {
            const int i = languageIndex(QLatin1String(k));
            QCOMPARE(m_dlg->caption(QLatin1String(k)), QString::fromUtf8(kLanguageTable[i].englishDefault));
            QCOMPARE(m_dlg->edit(i)->text(), QString::fromUtf8(kLanguageTable[i].englishDefault));
        }
        QCOMPARE(m_dlg->caption(QStringLiteral("btRoll")), QString());
    }

    void storedCaptionsShowFromTheFirstOpening()
    {
        QVERIFY(putFile(path("Korvex.lng"), "[Button]\nbtSave=Mentes\ntsLang=Nyelv\n[Label]\nlRules=Szabalyok\n"));
        open();
        QCOMPARE(m_dlg->caption(QStringLiteral("btSave")), QStringLiteral("Mentes"));
        QCOMPARE(child<QAbstractButton>("btSave")->text(), QStringLiteral("Mentes"));
        QCOMPARE(child<QTabWidget>("pcMain")->tabText(1), QStringLiteral("Nyelv"));
        QCOMPARE(m_dlg->caption(QStringLiteral("lRules")), QStringLiteral("Szabalyok"));
        QCOMPARE(child<QLabel>("lRules")->text(), QStringLiteral("&Szabalyok")); // Alt+S reads the rules
        QCOMPARE(m_dlg->edit(languageIndex(QStringLiteral("btSave")))->text(), QStringLiteral("Mentes"));
        QCOMPARE(m_dlg->edit(languageIndex(QStringLiteral("btCancel")))->text(), QStringLiteral("Cancel"));
    }

    void applyLanguageSetsTheSixCaptions()
    {
        open();
        m_dlg->applyLanguage([](const QString &key) { return QStringLiteral("<") + key + QStringLiteral(">"); });
        QCOMPARE(child<QAbstractButton>("btSave")->text(), QStringLiteral("<btSave>"));
        QCOMPARE(child<QAbstractButton>("btCancel")->text(), QStringLiteral("<btCancel>"));
        QCOMPARE(child<QTabWidget>("pcMain")->tabText(0), QStringLiteral("<tsGen>"));
        QCOMPARE(child<QTabWidget>("pcMain")->tabText(1), QStringLiteral("<tsLang>"));
        QCOMPARE(child<QLabel>("lWinnerTotal")->text(), QStringLiteral("<lWinnerTotal>"));
        QCOMPARE(m_dlg->caption(QStringLiteral("lRules")), QStringLiteral("<lRules>"));
        QCOMPARE(child<QLabel>("lRules")->text(), QStringLiteral("<&lRules>"));
        QCOMPARE(m_dlg->caption(QStringLiteral("TSLANG")), QStringLiteral("<tsLang>"));
        // The title and the check box are not translated.
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(eValid()->text(), QStringLiteral("400-500 intervallum valid for each 1000"));

        // A loader run that did not read group B leaves the captions alone.
        m_dlg->applyLanguage(LanguageTexts{});
        QCOMPARE(child<QAbstractButton>("btSave")->text(), QStringLiteral("<btSave>"));
    }

    // ---------------------------------------------------------------- fill

    void fillShowsTextsAndSettingsInForce()
    {
        m_host->inForce.insert(QStringLiteral("msgWin"), QStringLiteral("Gratulalok !"));
        m_host->inForce.insert(QStringLiteral("aExit"), QString());
        m_host->settings.Winner = 3000;
        m_host->settings.Valid = true;
        open();
        QCOMPARE(m_dlg->edit(languageIndex(QStringLiteral("msgWin")))->text(), QStringLiteral("Gratulalok !"));
        QCOMPARE(m_dlg->edit(languageIndex(QStringLiteral("aExit")))->text(), QString());
        QCOMPARE(m_dlg->edit(languageIndex(QStringLiteral("lType")))->text(), QStringLiteral("Game type: "));
        QCOMPARE(iWin()->value(), 3000);
        QVERIFY(eValid()->isChecked());

        // A second fill overwrites whatever was typed and cancelled.
        m_dlg->edit(0)->setText(QStringLiteral("typed"));
        iWin()->setValue(9000);
        eValid()->setChecked(false);
        m_dlg->Fill();
        QCOMPARE(m_dlg->edit(0)->text(), QStringLiteral("Roll"));
        QCOMPARE(iWin()->value(), 3000);
        QVERIFY(eValid()->isChecked());
    }

    void storedWinnerOutsideTheLimitsShowsTheNearerLimit_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("500") << 500 << 1000;
        QTest::newRow("1") << 1 << 1000;
        QTest::newRow("12000") << 12000 << 10000;
        QTest::newRow("2500") << 2500 << 2500;
    }
    void storedWinnerOutsideTheLimitsShowsTheNearerLimit()
    {
        QFETCH(int, stored);
        QFETCH(int, shown);
        m_host->settings.Winner = stored;
        open();
        QCOMPARE(iWin()->value(), shown);
    }

    void spinBoxLimitsAndSteps()
    {
        open();
        QSpinBox *spin = iWin();
        QCOMPARE(spin->minimum(), 1000);
        QCOMPARE(spin->maximum(), 10000);
        QCOMPARE(spin->singleStep(), 1000);
        spin->setValue(1000);
        for (int expected = 2000; expected <= 10000; expected += 1000) {
            spin->stepUp();
            QCOMPARE(spin->value(), expected);
        }
        spin->stepUp();
        QCOMPARE(spin->value(), 10000);
        QTest::keyClick(spin, Qt::Key_Down);
        QCOMPARE(spin->value(), 9000);
        spin->setValue(1000);
        spin->stepDown();
        QCOMPARE(spin->value(), 1000);
    }

    void rulesInTheLanguageOfTheFile()
    {
        // The rules document of the language the file names, where it exists.
        QVERIFY(putFile(path("KVXRules.rtf"), "{\\rtf1 Roll the dice}"));
        QVERIFY(putFile(path("KVXRules.de.rtf"), "{\\rtf1 W\\u252?rfeln}"));
        QVERIFY(putFile(path("Korvex.lng"), "[Language]\nCode=de\n"));
        open();
        QCOMPARE(mRules()->toPlainText(), QStringLiteral("W\u00fcrfeln"));
        QVERIFY(putFile(path("Korvex.lng"), "[Language]\nCode=nl\n"));
        open();
        QCOMPARE(mRules()->toPlainText(), QStringLiteral("Roll the dice"));
    }

    void pickingALanguageFillsEveryTextAndSaveWritesIt()
    {
        const QList<Translation> shipped = shippedTranslations();
        if (shipped.isEmpty())
            QSKIP("no translation is shipped");
        const Translation t = shipped.constFirst();
        const QHash<QString, QString> texts = translationTexts(t.code);
        // A file of an older version: read as it was, nothing picked for the player.
        QVERIFY(putFile(path("Korvex.lng"), "[Button]\nbtRoll=Werfen\n"));
        open();
        QComboBox *picker = m_dlg->languagePicker();
        QCOMPARE(picker->currentText(), QStringLiteral("English"));
        QCOMPARE(picker->count(), int(shipped.size()) + 1);
        QVERIFY(picker->findText(t.name) > 0);
        // English first, the others by their names as the language sorts them.
        QStringList names;
        for (int i = 1; i < picker->count(); ++i)
            names << picker->itemText(i);
        QStringList sorted = names;
        QCollator collator;
        std::sort(sorted.begin(), sorted.end(), [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
        QCOMPARE(names, sorted);
        QCOMPARE(readLanguage(m_host->lng, true, true)[size_t(languageIndex(QStringLiteral("btRoll")))],
                 std::optional<QString>(QStringLiteral("Werfen")));
        QVERIFY(m_dlg->Save());
        QCOMPARE(m_host->lng.ReadString(QStringLiteral("Language"), QStringLiteral("Code"), QStringLiteral("<none>")),
                 QStringLiteral("<none>"));

        // Picking fills every field; a field can still be changed; Save writes all with the code.
        open();
        picker = m_dlg->languagePicker();
        m_dlg->pickLanguage(t.code);
        QCOMPARE(picker->currentText(), t.name);
        for (int n = 0; n < kLanguageCount; ++n)
            QCOMPARE(m_dlg->edit(n)->text(), texts.value(QString::fromLatin1(kLanguageTable[n].key).toLower()));
        for (int i = 0; i < kUiTextCount; ++i)
            QCOMPARE(m_dlg->addedEdit(i)->text(), texts.value(QString::fromLatin1(kUiTexts[i].key).toLower()));
        m_dlg->edit(languageIndex(QStringLiteral("btDone")))->setText(QStringLiteral("Mine"));
        QVERIFY(m_dlg->Save());
        QCOMPARE(m_host->lng.ReadString(QStringLiteral("Language"), QStringLiteral("Code"), QString()), t.code);
        QCOMPARE(lngValue(languageIndex(QStringLiteral("btDone"))), QStringLiteral("Mine"));
        QCOMPARE(lngValue(languageIndex(QStringLiteral("msgWin"))), texts.value(QStringLiteral("msgwin")));
        QCOMPARE(m_host->lng.ReadString(QStringLiteral("Help"), QStringLiteral("aAbout"), QString()),
                 texts.value(QStringLiteral("aabout")));
        // Opened again, the picker shows the language saved.
        open();
        picker = m_dlg->languagePicker();
        QCOMPARE(picker->currentText(), t.name);
        // Back to English: the defaults again.
        m_dlg->pickLanguage(QStringLiteral("en"));
        QCOMPARE(m_dlg->edit(languageIndex(QStringLiteral("msgWin")))->text(), QStringLiteral("Congratulation !"));
    }

    void saveWritesTheSameWhetherTheLanguagePageWasShownOrNot()
    {
        // The added texts' rows are built when the page is first shown; a save
        // before that writes what they would have held.
        const QString code = shippedTranslations().constFirst().code;
        QList<QByteArray> files;
        for (const bool shown : {false, true}) {
            for (const bool picked : {false, true}) {
                cleanup(); // each save from the same start
                init();
                open();
                if (picked)
                    m_dlg->pickLanguage(code);
                m_dlg->showPage(shown);
                QVERIFY(m_dlg->Save());
                files << bytesOf(path("Korvex.lng"));
            }
        }
        QVERIFY(files[0] != files[1]);
        QCOMPARE(files[2], files[0]);
        QCOMPARE(files[3], files[1]);
    }

    void rulesViewerShowsTheRulesFile()
    {
        QVERIFY(putFile(path("KVXRules.rtf"), "{\\rtf1\\ansi Throw the {\\b dice}\\par Bank the points}"));
        open();
        QCOMPARE(mRules()->toPlainText(), QStringLiteral("Throw the dice\nBank the points"));

        // Replaced between openings: the next fill shows the new text.
        QVERIFY(putFile(path("KVXRules.rtf"), "Plain rules"));
        m_dlg->Fill();
        QCOMPARE(mRules()->toPlainText(), QStringLiteral("Plain rules"));

        // Gone: the viewer is emptied and no message is shown.
        QVERIFY(QFile::remove(path("KVXRules.rtf")));
        m_dlg->Fill();
        QCOMPARE(mRules()->toPlainText(), QString());
        QVERIFY(m_host->errors.isEmpty());
    }

    void rulesViewerEmptyWithoutFile()
    {
        open();
        QVERIFY(mRules()->document()->isEmpty());
    }

    void unreadableRulesFileFailsTheFill()
    {
        QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("KVXRules.rtf")));
        m_dlg = std::make_unique<TfrmSetup>(*m_host);
        m_host->dialog = m_dlg.get();
        connect(m_dlg.get(), &TfrmSetup::typeTextsChanged, this, [this] { m_host->typeTextsChanged(); });
        connect(m_dlg.get(), &TfrmSetup::gameTypeTextChanged, this, [this] { m_host->gameTypeTextChanged(); });
        try {
            m_dlg->Fill();
            QFAIL("Fill went through");
        } catch (const KvxError &e) {
            QVERIFY(e.message().startsWith(QStringLiteral("Failed to Load Stream\n")));
        }
    }

    // ---------------------------------------------------------------- save

    void saveWithoutChangeRewritesEverything()
    {
        m_host->settings.Winner = 2000;
        m_host->settings.Valid = false;
        QVERIFY(putFile(path("Korvex.lng"), "[Message]\nmsgWin=Old\n"));
        m_host->inForce.insert(QStringLiteral("msgWin"), QStringLiteral("In force"));
        open();
        QCOMPARE(m_dlg->Save(), TfrmSetup::Saved);
        QVERIFY(m_host->errors.isEmpty());
        for (int n = 0; n < kLanguageCount; ++n) {
            const QString expected = n == languageIndex(QStringLiteral("msgWin"))
                ? QStringLiteral("In force")
                : QString::fromUtf8(kLanguageTable[n].englishDefault);
            QCOMPARE(lngValue(n), expected);
        }
        QCOMPARE(cfgValue("Winner"), QStringLiteral("2000"));
        QCOMPARE(cfgValue("Valid"), QStringLiteral("0"));
        QCOMPARE(m_host->settings.Winner, 2000);
        QCOMPARE(m_host->calls, QStringList({QStringLiteral("type"), QStringLiteral("gameType")}));
    }

    void saveGoesLiveInItsOrder()
    {
        m_host->settings.Winner = 4000;
        open();
        const char *keys[] = {"lType1", "lType2", "sLGT1", "sLGT2", "lType", "lTime"};
        for (const char *k : keys)
            m_dlg->edit(languageIndex(QLatin1String(k)))->setText(QStringLiteral("new ") + QLatin1String(k));
        iWin()->setValue(6000);
        QCOMPARE(m_dlg->Save(), TfrmSetup::SavedNewSettings);

        // The file is written whole first; then the four type texts go live, then lType.
        QCOMPARE(m_host->textsAtTypeNotice.lType1, QStringLiteral("new lType1"));
        QCOMPARE(m_host->textsAtTypeNotice.lType2, QStringLiteral("new lType2"));
        QCOMPARE(m_host->textsAtTypeNotice.sLGT1, QStringLiteral("new sLGT1"));
        QCOMPARE(m_host->textsAtTypeNotice.sLGT2, QStringLiteral("new sLGT2"));
        QCOMPARE(m_host->sLGT2InFileAtTypeNotice, QStringLiteral("new sLGT2"));
        QCOMPARE(m_host->lTypeInFileAtTypeNotice, QStringLiteral("new lType"));
        QCOMPARE(m_host->lTypeLiveAtTypeNotice, QStringLiteral("Game type: "));
        // lType live, and the winning total still the old one.
        QCOMPARE(m_host->lTypeInFileAtGameTypeNotice, QStringLiteral("new lType"));
        QCOMPARE(m_host->lTimeInFileAtGameTypeNotice, QStringLiteral("new lTime"));
        QCOMPARE(m_host->winnerAtGameTypeNotice, 4000);
        QCOMPARE(m_host->texts.lType, QStringLiteral("new lType"));
        // The other texts reach the program only through the loader afterwards.
        QCOMPARE(m_host->texts.lTime, QStringLiteral("Your time:"));

        QCOMPARE(m_host->settings.Winner, 6000);
        QCOMPARE(cfgValue("Winner"), QStringLiteral("6000"));
    }

    void bandOptionAloneSetsChanged()
    {
        m_host->settings.Winner = 1000;
        m_host->settings.Valid = false;
        open();
        eValid()->setChecked(true);
        QCOMPARE(m_dlg->Save(), TfrmSetup::SavedNewSettings);
        QVERIFY(m_host->settings.Valid);
        QCOMPARE(m_host->settings.Winner, 1000);
        QCOMPARE(cfgValue("Valid"), QStringLiteral("1"));
        QCOMPARE(cfgValue("Winner"), QStringLiteral("1000"));
    }

    void storedWinner500IsSavedAs1000()
    {
        QVERIFY(putFile(path("Korvex.cnf"), "[Game]\nWinner=500\n"));
        m_host->settings.Winner = 500;
        open();
        QCOMPARE(m_dlg->Save(), TfrmSetup::SavedNewSettings);
        QCOMPARE(m_host->settings.Winner, 1000);
        QCOMPARE(cfgValue("Winner"), QStringLiteral("1000"));
    }

    void typedWinnerIsBroughtWithinTheLimits_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("band");
        QTest::addColumn<int>("saved"); // 0: refused, with the reason shown
        QTest::newRow("below") << QStringLiteral("500") << false << 1000;
        QTest::newRow("above") << QStringLiteral("50000") << false << 10000;
        QTest::newRow("empty") << QString() << false << 1000;
        QTest::newRow("text") << QStringLiteral("abc") << false << 1000;
        QTest::newRow("inside") << QStringLiteral("7000") << false << 7000;
        // Any whole number the game can end on, not only the arrows' thousands.
        QTest::newRow("off the thousands") << QStringLiteral("1500") << false << 1500;
        QTest::newRow("no multiple of 5") << QStringLiteral("1499") << false << 0;
        QTest::newRow("in the band of its thousand") << QStringLiteral("1450") << true << 0;
        QTest::newRow("at the band's top") << QStringLiteral("2500") << true << 0;
        QTest::newRow("just past the band") << QStringLiteral("2505") << true << 2505;
    }
    void typedWinnerIsBroughtWithinTheLimits()
    {
        QFETCH(QString, typed);
        QFETCH(bool, band);
        QFETCH(int, saved);
        m_host->settings.Winner = 3000;
        open();
        eValid()->setChecked(band);
        auto *line = iWin()->findChild<QLineEdit *>();
        QVERIFY(line);
        line->setText(typed); // straight into the editor, as before a focus change
        const QByteArray lngBefore = bytesOf(path("Korvex.lng"));
        QCOMPARE(m_dlg->Save(), saved ? TfrmSetup::SavedNewSettings : TfrmSetup::NotSaved);
        QCOMPARE(m_host->errors.size(), saved ? 0 : 1);
        QCOMPARE(m_host->settings.Winner, saved ? saved : 3000);
        if (saved) {
            QCOMPARE(cfgValue("Winner"), QString::number(saved));
        } else {
            QVERIFY(m_host->errors[0].contains(typed));
            QCOMPARE(bytesOf(path("Korvex.lng")), lngBefore); // nothing written
        }
    }

    void emptiedFieldWritesAnEmptyValue()
    {
        open();
        const int row = languageIndex(QStringLiteral("msgWin"));
        m_dlg->edit(row)->clear();
        QVERIFY(m_dlg->Save());
        QCOMPARE(lngValue(row), QString());
        QVERIFY(bytesOf(path("Korvex.lng")).contains("\nmsgWin="));
    }

    void handWrittenTypeSurvivesSave()
    {
        QVERIFY(putFile(path("Korvex.cnf"), "[Game]\nType=2\nWinner=3000\n"));
        m_host->settings.Winner = 3000;
        m_host->settings.Type = 2;
        open();
        QVERIFY(m_dlg->Save());
        QCOMPARE(cfgValue("Type"), QStringLiteral("2"));
        QCOMPARE(cfgValue("Winner"), QStringLiteral("3000"));
        QCOMPARE(cfgValue("Valid"), QStringLiteral("0"));
        QCOMPARE(m_host->settings.Type, 2);
    }

    void eachFileIsReplacedOnceBySave()
    {
        // One replacement each: a kill leaves a file wholly old or wholly new.
        QVERIFY(putFile(path("Korvex.lng"), "[Button]\nbtRoll=Werfen\n"));
        QVERIFY(putFile(path("Korvex.cnf"), "[Game]\nWinner=1000\n"));
        open();
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(::inotify_add_watch(watch, QFile::encodeName(m_folder.path()).constData(), IN_MOVED_TO | IN_CREATE) >= 0);
        iWin()->setValue(3000);
        QCOMPARE(m_dlg->Save(), TfrmSetup::SavedNewSettings);
        QMap<QString, int> replaced;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(at);
                if (e->len)
                    ++replaced[QFile::decodeName(e->name)];
                at += sizeof(inotify_event) + e->len;
            }
        }
        ::close(watch);
        QCOMPARE(replaced.value(QStringLiteral("Korvex.lng")), 1);
        QCOMPARE(replaced.value(QStringLiteral("Korvex.cnf")), 1);
        QCOMPARE(m_host->cfg.ReadInteger(QStringLiteral("Game"), QStringLiteral("Winner"), 0), 3000);
    }

    // ---------------------------------------------------------------- refused writes

    void readOnlyLanguageFileStopsTheSave()
    {
        const QByteArray lngBefore("[Button]\nbtRoll=Dobas\n");
        QVERIFY(putFile(path("Korvex.lng"), lngBefore));
        QVERIFY(QFile::setPermissions(path("Korvex.lng"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        m_host->settings.Winner = 2000;
        open();
        iWin()->setValue(5000);
        eValid()->setChecked(true);
        m_dlg->show();
        QTest::mouseClick(child<QAbstractButton>("btSave"), Qt::LeftButton);

        QCOMPARE(m_host->errors, QStringList(QStringLiteral("Unable to write to ")
                                             + QDir::toNativeSeparators(path("Korvex.lng"))
                                             + QStringLiteral(": ") + uiText("fileWhyReadOnly")));
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(TfrmSetup::NotSaved));
        QCOMPARE(m_host->settings.Winner, 2000);
        QVERIFY(!m_host->settings.Valid);
        QVERIFY(m_host->calls.isEmpty()); // nothing went live
        QCOMPARE(bytesOf(path("Korvex.lng")), lngBefore);
        QVERIFY(!QFile::exists(path("Korvex.cnf")));

        // Cancel afterwards applies nothing.
        QTest::mouseClick(child<QAbstractButton>("btCancel"), Qt::LeftButton);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
    }

    void refusedConfigWriteRestoresTheSettings()
    {
        QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("Korvex.cnf")));
        m_host->settings.Winner = 2000;
        m_host->settings.Valid = true;
        open();
        iWin()->setValue(8000);
        eValid()->setChecked(false);
        QCOMPARE(m_dlg->Save(), TfrmSetup::NotSaved);
        QCOMPARE(m_host->errors.size(), 1);
        QVERIFY(m_host->errors.first().startsWith(QStringLiteral("Unable to write to ")));
        QCOMPARE(m_host->settings.Winner, 2000);
        QVERIFY(m_host->settings.Valid);
        // Keys written before the failure stay written.
        QCOMPARE(lngValue(kLanguageCount - 1), QStringLiteral("You did'n selected any dice !"));
    }

    // ---------------------------------------------------------------- buttons

    void saveButtonClosesWithOk()
    {
        open();
        m_dlg->show();
        QTest::mouseClick(child<QAbstractButton>("btSave"), Qt::LeftButton);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(TfrmSetup::Saved));
        QVERIFY(QFile::exists(path("Korvex.lng")));
    }

    void cancelAndCloseBoxApplyNothing_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }
    void cancelAndCloseBoxApplyNothing()
    {
        const QByteArray lng("[Message]\nmsgWin=Hurra\n");
        const QByteArray cfg("[Game]\nWinner=3000\nValid=0\n");
        QVERIFY(putFile(path("Korvex.lng"), lng));
        QVERIFY(putFile(path("Korvex.cnf"), cfg));
        m_host->settings.Winner = 3000;
        open();
        m_dlg->edit(languageIndex(QStringLiteral("msgWin")))->setText(QStringLiteral("edited"));
        iWin()->setValue(9000);
        eValid()->setChecked(true);
        m_dlg->show();
        QFETCH(bool, closeBox);
        if (closeBox)
            m_dlg->close();
        else
            QTest::mouseClick(child<QAbstractButton>("btCancel"), Qt::LeftButton);
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QCOMPARE(bytesOf(path("Korvex.lng")), lng);
        QCOMPARE(bytesOf(path("Korvex.cnf")), cfg);
        QCOMPARE(m_host->settings.Winner, 3000);
        QVERIFY(!m_host->settings.Valid);
        QVERIFY(m_host->calls.isEmpty());
    }
};

QTEST_MAIN(TestSetupDialog)
#include "tst_setupdialog.moc"
