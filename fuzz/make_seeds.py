#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    d = os.path.join(here, 'corpus', target)
    os.makedirs(d, exist_ok=True)
    if isinstance(data, str):
        data = data.encode('latin-1')
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)


# --- rules documents ---
put('rtf', 'plain.rtf', r'{\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}}\f0\fs24 Roll the dice.\par Bank the points.\par}')
put('rtf', 'styles.rtf',
    r'{\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fswiss Arial;}{\f1\fcharset238 Arial CE;}}'
    r'{\colortbl;\red255\green0\blue0;\red0\green0\blue255;}'
    r'\pard\qc\b\fs32 Korvex\b0\par\pard\ql\li360\fi-360\cf1 Ones\cf0  score \i ten\i0 , '
    r'\ul fives\ulnone  five.\tab\'e9\'fc\f1\'9a\f0\par{\*\generator x;}\u8364?\u-4064 ?\line end}')
put('rtf', 'table.rtf',
    r'{\rtf1{\trowd\cellx1000\cellx2000\intbl one\cell two\cell\row}'
    r'{\trowd\cellx1500\intbl three\cell\row}\pard after\par}')
put('rtf', 'skip.rtf',
    r'{\rtf1\uc2{\info{\title t}}{\*\unknown gone}{\pict\bin4 ABCD}\u20320??\super 2\nosupersub'
    r'{\field{\*\fldinst HYPERLINK x}{\fldrslt shown}}\~\-\_\{\}\\}')
put('rtf', 'text.txt', 'Not rich text.\r\nSecond line\rThird \xe9\n')

# --- INI files, then a script of operations (see fuzz_ini.cpp) ---
put('ini', 'config',
    '[Game]\r\nWinner=2000\r\nValid=1\r\nType=2\r\n\\x\x02\x00\x05\x01\x03\x00\x01\x04\x02\x00')
put('ini', 'language',
    '; texts\n[Button]\nbtRoll = "Roll "\nbtDone=Done\n\n[Menu]\naExit=\'Exit\'\n[Message]\n'
    'msgWin=You won!\n\\x\x05\x09\x0a\x02Hello world\x01\x00\x02\x06\x03\x00')
put('ini', 'odd',
    '\xef\xbb\xbf[ game ]\nwinner\n  =  0x7D0\n[Game]\nWinner=5\n[x\nkey=$FF\nValid=-x10\r\n\\'
    '\x07\x0c\x01\x02\x06\x04')
put('ini', 'cp1252', '[Label]\r\nlType=Spieltyp \xe4\x80\r\n\\\x00\x01\x02\x03\x04\x05\x06')
put('ini', 'empty', '\\\x02\x05\x03\x01\x04')


# --- saved games: 116-byte records, then a script of actions ---
def game(states, faces, sel, roll, sub, total, rnd, secs, winner, tail=b''):
    rec = b''.join(struct.pack('<i', v) for v in states + faces + sel + roll)
    rec += struct.pack('<iiiii', sub, total, rnd, secs, winner)
    assert len(rec) == 116
    return rec + tail


zero = [0] * 6
put('savedgame', 'fresh', game(zero, [1, 2, 3, 4, 5, 6], zero, zero, 0, 0, 1, 0, 1000,
                               b'\x00\x10\x02\x01\x05\x00\x0b\x00\x00\x33\x02\x03'))
# After a roll of 1 1 1 5 2 3, with the three ones and the five selected.
put('savedgame', 'selected', game([1, 1, 1, 1, 0, 0], [1, 1, 1, 5, 2, 3], [3, 0, 0, 0, 1, 0],
                                  [3, 1, 1, 0, 1, 0], 0, 350, 4, 125, 1000,
                                  b'\x04\x03\x05\x00\x00\x07\x02\x05\x0b\x00'))
# Two dice kept, then a roll of 4 4 4 6 with the fours selected; a die stored as -1.
put('savedgame', 'kept', game([2, 2, 1, 1, 1, -1], [1, 5, 4, 4, 4, 6], [0, 0, 0, 3, 0, 0],
                              [0, 0, 0, 3, 0, 1], 15, 55, 9, 3600, 500,
                              b'\x00\x20\x05\x00\x06\x02\x07\x00\x0b\x00'))
put('savedgame', 'short', b'\x00' * 100)

# --- top-ten tables: ten 40-byte records ---
def entry(score, name, stamp):
    rec = struct.pack('<i', score) + bytes([len(name)]) + name.ljust(20, b'\0')
    rec += bytes([len(stamp)]) + stamp.ljust(14, b'\0')
    assert len(rec) == 40
    return rec


blank = entry(0, b' ', b' ' * 14)
put('topten', 'score', entry(250, b'Anna', b'20240102003015') + entry(180, b'B\xe9a', b'20231224011000')
    + blank * 8)
put('topten', 'time', b'\x80' + entry(300, b'Time', b'20240301000959')[1:] + entry(90, b'Slow', b'20240301120000')
    + blank * 8)
put('topten', 'long', entry(-5, b'x' * 20, b'9' * 14) * 11 + b'\xff' * 40)
put('topten', 'empty', b'')

# --- statistics ---
stats_head = '[Statistics]\r\nVersion=1\r\n[Totals]\r\n1000=2,1,30,700,16666,12,300\r\n2000 band=1,0,40,900,5000,40,900\r\n'
stats_games = ('[Games]\r\n1=2026-12-07T17:00:00,1000,0,1,12,300,8333,0,0,1.25,-0.5\r\n'
               '2=2026-12-07T18:00:00,1000,0,2,18,400,5556,0,0,,\r\n'
               '3=2026-12-07T19:00:00,1000,0,1,9,200,11111,1,0,,\r\n'
               '4=2026-12-08T10:00:00,2000,1,1,40,900,5000,0,0,3.5,0.25\r\n')
put('statistics', 'plain', '; Korvex statistics\r\n' + stats_head + stats_games)
put('statistics', 'future', stats_head.replace('Version=1', 'Version=4\r\nColour=blue') + stats_games.replace(',,\r\n', ',,,new\r\n')
    + '[Trophies]\r\nfirst=1\r\n')
put('statistics', 'edited', stats_head + stats_games.replace(',18,400,', ',eighteen,400,') + '5=2026-12-0')
put('statistics', 'games-first', stats_games + '\n' + stats_head.replace('\r\n', '\n'))


# --- practice file ---
put('practice', 'plain.ini',
    '[Practice]\r\nVersion=1\r\nTurn=4\r\n[Positions]\r\n'
    '1=m,1000,0,300,150,1,11234,0.8000,6,0,2026-12-01T20:00:00\r\n'
    '2=b,2000,1,1900,0,-,111223,0.9640,3,2,\r\n'
    '[Attempts]\r\n1=2026-12-01T20:05:00,m,1000,0,0.8000,0\r\n2=2026-12-02T09:00:00,b,2000,1,0.0000,1\r\n')
put('practice', 'partial.ini',
    '[Practice]\r\nVersion=2\r\nColour=blue\r\n[Positions]\r\n1=m,1000,0,100,15,15,1333,x,0,0,\r\n'
    '2=m,1000,0,100,15,15,1333,0.3,0,0,,later\r\n[Attempts]\r\n1=yesterday\r\n[Later]\r\nx=1\r\n')
put('practice', 'foreign.ini', '[Settings]\r\nWinner=1000\r\n')
