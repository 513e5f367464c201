// SPDX-License-Identifier: GPL-3.0-or-later
// The record of the running game and the states of the dice.
#pragma once

#include <QtGlobal>

enum DieState : int { DieNone = -1, DieFree = 0, DieSelected = 1, DieKept = 2 };

// Arrays indexed by face or die run from 1 to 6; slot 0 is unused.
struct GameState
{
    bool NewRound = true;
    qint32 RollCount[7] = {};
    qint32 SelCount[7] = {};
    qint32 OnesChoice[5] = {};
    qint32 FivesChoice[5] = {};
    qint32 KeptCount = 0;
    qint32 RoundNo = 0;
    qint32 SubScore = 0;
    qint32 Total = 0;
    qint32 SelScore = 0;
};

// One die as the engine sees it: its face, its state colour and its rotation.
struct DieModel
{
    int value = 1;          // face shown, 1..6
    int color = DieFree;    // the state colour
    bool rotate = false;
    int interval = 60;      // ms between two animation steps
    int autoStopInterval = 2000;
    int timer = 0;          // running animation timer, 0 when at rest
    quint32 startTime = 0;
};
