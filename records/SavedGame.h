// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-game file: one 116-byte record of little-endian 32-bit fields,
// no header, so files of every copy of the game open alike.
#pragma once

#include "game/Game.h"

#include <QByteArray>
#include <QString>

namespace SavedGame {
constexpr int RecordSize = 116;
}

// The record of a snapshot; faces are stored zero-extended from their lowest byte.
QByteArray encodeSavedGame(const Game::Snapshot &s);

// Reads the record from the first 116 bytes; only a face's lowest byte counts.
// Throws KvxError("Read beyond end of file") when fewer bytes are given.
// Does not judge the contents: see savedGameProblem().
Game::Snapshot decodeSavedGame(const QByteArray &first116);

// Why no copy of the game could have written this record, or an empty string
// when it could have.
QString savedGameProblem(const Game::Snapshot &s);

// Writes the record through a temporary file renamed over the target, so an
// earlier file at that path survives a failed save. Throws KvxError naming the
// file with the system's reason.
void writeSavedGame(const QString &path, const Game::Snapshot &s);

// Reads and checks the first 116 bytes of the file; bytes after them are
// ignored. Throws KvxError naming the file when it cannot be read, is shorter
// than a record, or holds a game no copy of the game could have saved.
Game::Snapshot readSavedGame(const QString &path);

// Puts a loaded game on the table.
void applySavedGame(Game &game, const Game::Snapshot &s);
