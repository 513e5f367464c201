// SPDX-License-Identifier: GPL-3.0-or-later
// Challenge games: dice that come from a code instead of the clock, so that
// everyone who plays the same code rolls the same dice.
//
// A code is eight symbols of a 30-symbol alphabet, the digits 2-9 and the
// letters A-Z without I, L, O and U: no 0/O or 1/I/l to mix up, no U/V, and
// case is ignored. Eight symbols give 30^8, about 6.6e11 codes (39.3 bits):
// enough that two random codes practically never meet, short enough to read
// aloud or copy by hand in two groups of four ("7KQD-M2WX").
//
// The faces: in round r, roll j of that round (1 for the round's first roll;
// hot dice start the next roll of the same round) the k-th die that rolls,
// counted in die order from 1, comes to rest on challengeFace(key, r, j, k),
// an integer-only counter-based generator (SplitMix64's finaliser chained
// over the counters, 3-bit draws with rejection). The README gives it in full.
// Widget-free.
#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

namespace challenge {

// The symbols in their order; a symbol's value is its place (0..29).
constexpr char alphabet[] = "23456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int symbolCount = 30;
constexpr int codeLength = 8;

// SplitMix64's finaliser.
quint64 mix64(quint64 z);
// One counter taken into the state: mix64(h ^ mix64(v + golden)).
quint64 absorb(quint64 h, quint64 v);

// The face (1..6) of the k-th die rolled in roll j of round r.
int challengeFace(quint64 key, quint64 round, quint64 roll, quint64 die);

} // namespace challenge

// A normalised code: eight symbols in upper case, or empty for none.
class ChallengeCode
{
public:
    ChallengeCode() = default;
    // Reads a typed or pasted code: case, blanks and hyphens are ignored.
    // Returns an empty code when the text is not eight symbols of the
    // alphabet.
    static ChallengeCode parse(const QString &text);
    // The code of a 40-bit number (taken modulo 30^8).
    static ChallengeCode fromNumber(quint64 n);
    // A new code drawn from the given seed material (rejection keeps every
    // code equally likely).
    static ChallengeCode random(quint64 seed);
    // The Daily Challenge of a local date: the same for every player that day.
    static ChallengeCode daily(const QDate &date);

    bool isEmpty() const { return m_symbols.isEmpty(); }
    // "7KQDM2WX": the eight symbols.
    QString symbols() const { return m_symbols; }
    // "7KQD-M2WX": as shown and copied.
    QString text() const;
    // "7 K Q D, M 2 W X": spelt out for a screen reader.
    QString spelt() const;
    // The number the symbols stand for (base 30, first symbol first).
    quint64 number() const;
    // The generator's key.
    quint64 key() const;

    bool operator==(const ChallengeCode &o) const { return m_symbols == o.m_symbols; }
    bool operator!=(const ChallengeCode &o) const { return !(*this == o); }

private:
    QString m_symbols;
};

// The dice of a challenge as a game plays them: the code and the place in
// the stream (the round and the roll within it of the last roll made).
class ChallengeDice
{
public:
    bool active() const { return !m_code.isEmpty(); }
    const ChallengeCode &code() const { return m_code; }
    qint32 round() const { return m_round; }
    qint32 roll() const { return m_roll; }

    // Chooses the code the next new game plays (empty: an ordinary game).
    void arm(const ChallengeCode &code) { m_armed = code; }
    // A new game: the armed code, if any, is played from its start.
    void newGame();
    // A roll is made in round `roundNo`: the first of the round, or the next.
    void nextRoll(qint32 roundNo);
    // The resting face of the k-th die of the roll just begun; 0 when no
    // challenge is played (the dice then rest where they fall).
    int face(int k) const;
    // Puts the dice at a saved place (an empty code: an ordinary game).
    void restore(const ChallengeCode &code, qint32 round, qint32 roll);

private:
    ChallengeCode m_code;
    ChallengeCode m_armed;
    qint32 m_round = 0;
    qint32 m_roll = 0;
};
