// SPDX-License-Identifier: GPL-3.0-or-later
// The language table and the reading of "Korvex.lng".
#include "settings/LanguageTable.h"

#include "game/GameTexts.h"
#include "settings/TRegAuto.h"

const LangEntry kLanguageTable[kLanguageCount] = {
    {"Button", "btRoll", "Roll", 0},
    {"Button", "btDone", "Done", 0},
    {"Button", "btStart", "Start", 0},
    {"Button", "btCont", "Continue", 0},
    {"Button", "btClose", "Close", 'A'},
    {"Button", "btClear", "Clear", 'A'},
    {"Button", "btChange", "Change", 'A'},
    {"Button", "btSave", "Save", 'B'},
    {"Button", "btCancel", "Cancel", 'B'},
    {"Button", "tsGen", "General", 'B'},
    {"Button", "tsLang", "Language", 'B'},
    {"Label", "lWinnerTotal", "Winner Total:", 'B'},
    {"Label", "lRules", "Rules:", 'B'},
    {"Label", "s10", "10 Points", 0},
    {"Label", "s5", "5 Points", 0},
    {"Label", "lSubTotal", "Subtotal:", 0},
    {"Label", "lTotal", "Total:", 0},
    {"Label", "lRound", "Round:", 0},
    {"Label", "lType1", "Normal", 0},
    {"Label", "lType2", "Time", 0},
    {"Label", "sLGT1", "Your score:", 0},
    {"Label", "sLGT2", "Your time:", 0},
    {"Label", "lType", "Game type: ", 0},
    {"Label", "lTime", "Your time:", 0},
    {"Menu", "mFile", "File", 0},
    {"Menu", "aNew", "New Game", 0},
    {"Menu", "aOpen", "Open Game...", 0},
    {"Menu", "aSave", "Save Game...", 0},
    {"Menu", "aTopTen", "Top Ten...", 0},
    {"Menu", "aExit", "Exit", 0},
    {"Menu", "mTools", "Tools", 0},
    {"Menu", "aRules", "Rules", 0},
    {"Menu", "aSettings", "Game settings...", 0},
    {"Menu", "aLanguage", "Language editor...", 0},
    {"Message", "msgCrash", "Ooops ! This is -100 point!", 0},
    {"Message", "msgFail", "You failed this round...", 0},
    {"Message", "msgBadIn", "Sorry ! Your total score can't be in the 400-500 point-intervallum !", 0},
    {"Message", "msgExact", "Sorry ! You have to reach exactly the final %1 point score !", 0},
    {"Message", "msgWin", "Congratulation !", 0},
    {"Message", "msgNewHi", "You have a new high score!", 0},
    {"Message", "msgNoSel", "You did'n selected any dice !", 0},
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

namespace {
void take(const LanguageTexts &texts, const char *key, QString &target)
{
    const int i = languageIndex(QLatin1String(key));
    if (i >= 0 && texts[i])
        target = *texts[i];
}
} // namespace

void applyToTexts(const LanguageTexts &texts, GameTexts &out)
{
    take(texts, "s10", out.s10);
    take(texts, "s5", out.s5);
    take(texts, "lType1", out.lType1);
    take(texts, "lType2", out.lType2);
    take(texts, "sLGT1", out.sLGT1);
    take(texts, "sLGT2", out.sLGT2);
    take(texts, "lType", out.lType);
    take(texts, "lTime", out.lTime);
    take(texts, "msgCrash", out.msgCrash);
    take(texts, "msgFail", out.msgFail);
    take(texts, "msgBadIn", out.msgBadIn);
    take(texts, "msgExact", out.msgExact);
    take(texts, "msgWin", out.msgWin);
    take(texts, "msgNewHi", out.msgNewHi);
    take(texts, "msgNoSel", out.msgNoSel);
}
