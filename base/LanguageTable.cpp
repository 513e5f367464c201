// SPDX-License-Identifier: GPL-3.0-or-later
// The language table and the reading of "Korvex.lng".
#include "base/LanguageTable.h"

#include "base/GameTexts.h"
#include "base/TRegAuto.h"

const LangEntry kLanguageTable[kLanguageCount] = {
    {"Button", "btRoll", "Roll", 0, nullptr, nullptr, "ebtRoll"},
    {"Button", "btDone", "Done", 0, nullptr, nullptr, "ebtDone"},
    {"Button", "btStart", "Start", 0, nullptr, nullptr, "ebtStart"},
    {"Button", "btCont", "Continue", 0, nullptr, nullptr, "ebtCont"},
    {"Button", "btClose", "Close", 'A', nullptr, nullptr, "ebtClose"},
    {"Button", "btClear", "Clear", 'A', nullptr, nullptr, "ebtClear"},
    {"Button", "btChange", "Change", 'A', nullptr, nullptr, "ebtChange"},
    {"Button", "btSave", "Save", 'B', nullptr, nullptr, "ebtSave"},
    {"Button", "btCancel", "Cancel", 'B', nullptr, nullptr, "ebtCancel"},
    {"Button", "tsGen", "General", 'B', nullptr, nullptr, "etsGen"},
    {"Button", "tsLang", "Language", 'B', nullptr, nullptr, "etsLang"},
    {"Label", "lWinnerTotal", "Winner Total:", 'B', nullptr, nullptr, "eWinnerTotal"},
    {"Label", "lRules", "Rules:", 'B', nullptr, nullptr, "eRules"},
    {"Label", "s10", "10 Points", 0, &GameTexts::s10, nullptr, "es10"},
    {"Label", "s5", "5 Points", 0, &GameTexts::s5, nullptr, "es5"},
    {"Label", "lSubTotal", "Subtotal:", 0, nullptr, nullptr, "elSubTotal"},
    {"Label", "lTotal", "Total:", 0, nullptr, nullptr, "elTotal"},
    {"Label", "lRound", "Round:", 0, nullptr, nullptr, "elRound"},
    {"Label", "lType1", "Normal", 0, &GameTexts::lType1, nullptr, "eGameType1"},
    {"Label", "lType2", "Time", 0, &GameTexts::lType2, nullptr, "eGameType2"},
    {"Label", "sLGT1", "Your score:", 0, &GameTexts::sLGT1, nullptr, "esLGT1"},
    {"Label", "sLGT2", "Your time:", 0, &GameTexts::sLGT2, nullptr, "esLGT2"},
    {"Label", "lType", "Game type: ", 0, &GameTexts::lType, "Game type:", "elType"},
    {"Label", "lTime", "Your time:", 0, &GameTexts::lTime, nullptr, "elTimeLabel"},
    {"Menu", "mFile", "File", 0, nullptr, nullptr, "emFile"},
    {"Menu", "aNew", "New Game", 0, nullptr, nullptr, "eaNew"},
    {"Menu", "aOpen", "Open Game...", 0, nullptr, nullptr, "eaOpen"},
    {"Menu", "aSave", "Save Game...", 0, nullptr, nullptr, "eaSave"},
    {"Menu", "aTopTen", "Top Ten...", 0, nullptr, nullptr, "eaTopTen"},
    {"Menu", "aExit", "Exit", 0, nullptr, nullptr, "eaExit"},
    {"Menu", "mTools", "Tools", 0, nullptr, nullptr, "emTools"},
    {"Menu", "aRules", "Rules", 0, nullptr, nullptr, "eaRules"},
    {"Menu", "aSettings", "Game settings...", 0, nullptr, nullptr, "eaSettings"},
    {"Menu", "aLanguage", "Language editor...", 0, nullptr, nullptr, "eaLanguage"},
    {"Message", "msgCrash", "Ooops ! This is -100 point!", 0, &GameTexts::msgCrash, "-100 msg.", "emsgCrash"},
    {"Message", "msgFail", "You failed this round...", 0, &GameTexts::msgFail, "Failed round msg.", "emsgFail"},
    {"Message", "msgBadIn", "Sorry ! Your total score can't be in the 400-500 point-intervallum !", 0, &GameTexts::msgBadIn, "400-500 msg.", "emsgBadIn"},
    {"Message", "msgExact", "Sorry ! You have to reach exactly the final %1 point score !", 0, &GameTexts::msgExact, "Exactly msg.", "emsgExact"},
    {"Message", "msgWin", "Congratulation !", 0, &GameTexts::msgWin, "You Win msg.", "emsgWin"},
    {"Message", "msgNewHi", "You have a new high score!", 0, &GameTexts::msgNewHi, "New high score msg.", "emsgNewHi"},
    {"Message", "msgNoSel", "You did'n selected any dice !", 0, &GameTexts::msgNoSel, "None selected msg.", "emsgNoSel"},
};

int languageIndex(const QString &key)
{
    for (int i = 0; i < kLanguageCount; ++i) {
        if (key.compare(QLatin1String(kLanguageTable[i].key), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

LanguageTexts readLanguage(TRegAuto &lng, bool withGroupA, bool withGroupB)
{
    const TRegAuto::Pass pass(lng);
    LanguageTexts texts;
    for (int i = 0; i < kLanguageCount; ++i) {
        const LangEntry &e = kLanguageTable[i];
        if ((e.group == 'A' && !withGroupA) || (e.group == 'B' && !withGroupB))
            continue;
        texts[i] = lng.ReadString(QLatin1String(e.section), QLatin1String(e.key),
                                  QString::fromUtf8(e.englishDefault));
    }
    return texts;
}

void applyToTexts(const LanguageTexts &texts, GameTexts &out)
{
    for (int i = 0; i < kLanguageCount; ++i) {
        if (kLanguageTable[i].variable && texts[size_t(i)])
            out.*kLanguageTable[i].variable = *texts[size_t(i)];
    }
}
