// SPDX-License-Identifier: GPL-3.0-or-later
// The playing surface: the dice, Roll and Done, the displays, the choice
// lists, the test buttons and the cover with its buttons. It mirrors the
// engine's state; what a click means is wired by the main window.
#pragma once

#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class Game;
class GamePresenter;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QShortcut;
class TEffectLabel;
class THemisphereButton;
class TRxDice;
struct ChoiceList;

class PlayingSurface : public QWidget
{
    Q_OBJECT

public:
    PlayingSurface(GamePresenter &presenter, QWidget *parent);

    TRxDice *dice(int n) const { return m_dice[n]; }
    THemisphereButton *btRoll() const { return m_btRoll; }
    THemisphereButton *btDone() const { return m_btDone; }
    THemisphereButton *btStart() const { return m_btStart; }
    THemisphereButton *btExit() const { return m_btExit; }
    THemisphereButton *btCont() const { return m_btCont; }
    TEffectLabel *lType() const { return m_lType; }
    QLabel *lTime() const { return m_lTime; }
    QLabel *lYour() const { return m_lYour; }
    QLabel *eSubScore() const { return m_eSubScore; }
    QLabel *eScore() const { return m_eScore; }
    QLabel *eRnd() const { return m_eRnd; }
    QLabel *eValue() const { return m_eValue; }
    QGroupBox *rg10() const { return m_rg10; }
    QGroupBox *rg5() const { return m_rg5; }
    // Entry k of the list of ones (row 0) or of fives (row 1).
    QRadioButton *choice(int row, int k) const { return m_choices[row][k]; }
    // The test buttons, 1 to 4.
    QPushButton *cheat(int i) const { return m_cheats[i - 1]; }
    QWidget *pCover() const { return m_pCover; }

    // The caption a control of the surface named key shows, or a null string.
    QString caption(const QString &key) const;
    // The captions the language file gives: key to text, empty for none.
    void applyTexts(const std::function<QString(const char *)> &text, const QString &yourCaption);
    void setYourCaption(const QString &caption);

    // Mirrors the engine: the numbers, the lists, the round buttons, the cover.
    void sync();
    void syncDie(int n);
    void syncClock(qint32 seconds);
    // The game-type line, from the settings and texts in force: at each new
    // game and when the texts change; an opened game keeps the line.
    void showGameType();

    // The clock's line: its label and the time played ("Your time: 01:02:05").
    static QString clockCaption(const QString &label, qint32 seconds);
    // The result display: the rating, or a note that the game type has none.
    static QString ratingText(std::optional<qint64> rating);
    // A display is named by its caption and its value.
    void nameDisplays();
    // Only what the player can see takes the focus.
    void updateFocus();
    // Up and Down in the choice list in use; false when none is shown.
    bool pickChoice(int step);
    // The die with the focus moves it to a neighbour.
    void focusDie(int step);
    // The die with the focus, or 0.
    int focusedDie() const;
    // The list the arrow keys work when both are shown follows the face clicked last.
    void noteFaceClicked(int face);
    // The dice, Roll, Done and the choice lists, on the screen: what a
    // window must not hide.
    QRect playArea() const;

signals:
    void dieClicked(int n);
    void choiceClicked(int face, int entry);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildDice();
    void buildButtons();
    void buildDisplays();
    void buildChoiceLists();
    void buildCheats();
    void buildCover();
    void buildTabOrder();
    QGroupBox *buildChoiceList(int face, QRect geometry);
    void syncChoice(QGroupBox *box, const ChoiceList &list);
    bool cheatRowShown() const;
    void layoutCover();

    GamePresenter &m_view;
    Game &m_game;
    TRxDice *m_dice[7] = {};
    THemisphereButton *m_btRoll = nullptr, *m_btDone = nullptr, *m_btStart = nullptr, *m_btExit = nullptr,
                      *m_btCont = nullptr;
    TEffectLabel *m_lType = nullptr;
    QLabel *m_lTime = nullptr, *m_lSubTotal = nullptr, *m_lTotal = nullptr, *m_lRound = nullptr, *m_lYour = nullptr;
    QLabel *m_eSubScore = nullptr, *m_eScore = nullptr, *m_eRnd = nullptr, *m_eValue = nullptr;
    QGroupBox *m_rg10 = nullptr, *m_rg5 = nullptr;
    QRadioButton *m_choices[2][5] = {};
    QPushButton *m_cheats[4] = {};
    QWidget *m_pCover = nullptr;
    QList<QShortcut *> m_pickKeys;
    int m_choiceFace = 1; // the list the arrow keys work, when both are shown
    bool m_built = false;
};
